// Where subfiles are looked for, and the files found there: the files
// embedded in the input first, then the input's folder and its "p" and "s"
// subfolders, then six locations in each library, a folder on disk or a zip
// archive as LDraw.org ships one. A file is read once, however often and by
// whatever names it is referenced, and a name is looked up once.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/file_identity.h"
#include "model/path_resolver.h"

namespace halvex {

class EmbeddedFiles;
class ZipArchive;

// A subfile as found: where it was found and its text. Every name of one
// file gives the same Subfile, so its address identifies the file.
struct Subfile {
  std::string path;
  std::string text;
};

enum class LibraryStatus {
  kLibrary,
  kMissingFolder,      // No such folder: nothing will be found there.
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
  // The files embedded in the input, found before any location's. They must
  // outlive the search.
  void SetEmbedded(const EmbeddedFiles* embedded) { embedded_ = embedded; }

  // The embedded file `name` names, or else the file that it names in the
  // first location (in list order) that holds one: on disk, the prefix and
  // the name's NormalizedName concatenated. None when there is none, or when
  // an archive entry cannot be read (see Error). Names with one NameKey give
  // one answer, looked up once.
  const Subfile* Open(std::string_view name);

  // Why an archive entry that was found could not be read ("lib.zip cannot
  // be read: ..."); empty while every read succeeded.
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
  const Subfile* Keep(std::string path, std::string text);

  PathResolver& resolver_;
  const EmbeddedFiles* embedded_ = nullptr;
  std::vector<Location> locations_;
  std::vector<std::unique_ptr<ZipArchive>> archives_;
  std::unordered_map<std::string, const Subfile*> byName_;
  std::unordered_map<std::string, const Subfile*> byPath_;
  std::unordered_map<FileIdentity, const Subfile*, FileIdentityHash> byIdentity_;
  std::vector<std::unique_ptr<Subfile>> files_;
  std::string error_;
};

}  // namespace halvex
