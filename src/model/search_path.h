// Where subfiles are looked for, and the files found there: the files
// embedded in the input first, then the input's folder and its "p" and "s"
// subfolders, then six locations in each library, a folder on disk or a zip
// archive as LDraw.org ships one. A file is read once, however often and by
// whatever names it is referenced, and a name is looked up once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"
#include "model/path_resolver.h"
#include "model/subfile.h"

namespace halvex {

class EmbeddedFiles;
class ZipArchive;

// The most bytes a subfile may hold, on disk or in an archive: 250 times
// the largest file of LDraw.org's library, and checked before a file is
// read, so that a file of gigabytes (or an archive entry that inflates to
// them) is refused rather than exhausting the memory.
inline constexpr std::uint64_t kMaxSubfileBytes = std::uint64_t{256} << 20;

enum class LibraryStatus {
  kLibrary,
  kMissingFolder,      // No such folder: nothing will be found there.
  kNeitherFolderNorFile,  // Something else: a device, a pipe.
  kNoLibraryFolders,   // Neither "parts" nor "p" in it, e.g. the parts folder itself.
  kUnreadableArchive,  // A file that is no zip archive, or a damaged one.
};

// The folders of a library that are searched, in order, each ending in "\".
inline constexpr const char* kLibraryFolders[] = {"p\\",
                                                  "parts\\",
                                                  "parts\\s\\",
                                                  "Unofficial\\p\\",
                                                  "Unofficial\\parts\\",
                                                  "Unofficial\\parts\\s\\"};

class SearchPath {
 public:
  explicit SearchPath(PathResolver& resolver);
  ~SearchPath();
  SearchPath(const SearchPath&) = delete;
  SearchPath& operator=(const SearchPath&) = delete;

  // Appends a folder prefix, which ends in a separator.
  void Add(std::string_view prefix);
  // Appends the folder of the input file `inFile` (".\" for a bare name) and
  // its "p" and "s" subfolders.
  void AddInputFolder(std::string_view inFile);
  // Appends the six library locations of `root`: a folder (an empty one
  // stands for the current folder), or a zip archive when `root` names a
  // regular file. A folder is added even when it is no library, and the
  // answer says why it may be none; an archive that cannot be read is not
  // added, and the reason is in `error`.
  [[nodiscard]] LibraryStatus AddLibrary(std::string_view root, std::string* error);
  // The file the run works on, at `path` as found on disk: a reference that
  // reaches that file, by whatever name, opens a Subfile marked `top`.
  void SetTopFile(const std::string& path);
  // The files embedded in the input, found before any location's. They must
  // outlive the search.
  void SetEmbedded(const EmbeddedFiles* embedded) { embedded_ = embedded; }

  // The embedded file `name` names, or else the file that it names in the
  // first location (in list order) that holds one: on disk, the prefix and
  // the name's NormalizedName concatenated. None when there is none, or when
  // a file found cannot be read whole (see Error). Names with one NameKey
  // give one answer, looked up once.
  const Subfile* Open(std::string_view name);

  // Why a file that was found could not be read, as a message ("Library
  // lib.zip cannot be read: ...", "Subfile x.dat cannot be read: ..."); empty
  // while every read succeeded.
  const std::string& Error() const { return error_; }

  // The locations joined by ", ".
  std::string ToText() const;

 private:
  struct Location {
    std::string text;  // As printed; a folder prefix on disk.
    ZipArchive* archive = nullptr;
    std::string inArchive;  // The folder inside `archive`, as a key.
    std::string archivePath;
  };

  // The file `name` (a NormalizedName) names in `location`.
  const Subfile* Read(const Location& location, const std::string& name);
  const Subfile* ReadFromDisk(const std::string& path);
  Subfile* Keep(std::string path, std::string text);

  PathResolver& resolver_;
  const EmbeddedFiles* embedded_ = nullptr;
  std::vector<Location> locations_;
  std::vector<std::unique_ptr<ZipArchive>> archives_;
  std::unordered_map<std::string, const Subfile*> byName_;
  std::unordered_map<std::string, const Subfile*> byPath_;
  std::unordered_map<FileIdentity, const Subfile*, FileIdentityHash> byIdentity_;
  std::vector<std::unique_ptr<Subfile>> files_;
  std::string topPath_;
  std::optional<FileIdentity> topIdentity_;
  std::string error_;
};

}  // namespace halvex
