// A zip archive read as a folder tree of LDraw files, as LDraw.org ships its
// library (complete.zip, every file under a top folder "ldraw/"). Entries are
// found by their NameKey, as files on disk are found by their names. The
// reading itself is done by a zip library, chosen by the build; a build
// without one opens no archive and says so.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace halvex {

class ZipArchive {
 public:
  // The archive at `path`; none, with the reason in `error`, when it cannot
  // be opened or its directory cannot be read (not a zip, damaged,
  // truncated).
  static std::unique_ptr<ZipArchive> Open(const std::string& path, std::string* error);

  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // The folder inside the archive that holds the library's "parts" or "p"
  // folder, as a key (see NameKey) with "/" at its end ("ldraw/" in
  // complete.zip); empty when they stand at the top or nowhere.
  std::string LibraryRoot() const;

  // Whether some file entry lies below the folder `folder` (a key).
  bool HoldsFolder(std::string_view folder) const;

  // The name of the entry that `name` (a path inside the archive) matches,
  // as spelled in the archive; none when no entry matches. Of several
  // entries that differ only in case, the smallest name wins.
  std::optional<std::string> Find(std::string_view name) const;

  // The whole content of the entry `entry` (a name Find answered); none,
  // with the reason in `error`, when it cannot be read whole and intact (its
  // length and CRC-32 those the directory declares), is encrypted or
  // compressed by a method other than stored or deflated, or would hold
  // more than `maxBytes`.
  std::optional<std::string> Read(const std::string& entry, std::uint64_t maxBytes,
                                  std::string* error);

 private:
  struct Reader;  // The zip library's state.

  explicit ZipArchive(std::unique_ptr<Reader> reader);
  // Records an entry of the archive's directory.
  void AddEntry(std::string name);

  std::unique_ptr<Reader> reader_;
  // Every file entry by its key (NameKey), with its spelling.
  std::unordered_map<std::string, std::string> entries_;
};

}  // namespace halvex
