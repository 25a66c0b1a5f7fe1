// The ordered folders in which subfiles are looked for, and the files found
// through them. A file is read from disk once, however often and by whatever
// names it is referenced, and a name is looked up once.
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

// A subfile as found: its path on disk and its text. Every name of one file
// gives the same Subfile, so its address identifies the file.
struct Subfile {
  std::string path;
  std::string text;
};

class SearchPath {
 public:
  explicit SearchPath(PathResolver& resolver) : resolver_(resolver) {}

  // Appends a folder prefix, which ends in a separator.
  void Add(std::string_view prefix) { prefixes_.emplace_back(prefix); }

  // The file that `name` names under the first prefix (in list order) where
  // such a file exists, the prefix and name simply concatenated; none when
  // there is none.
  const Subfile* Open(std::string_view name);

  // The prefixes joined by ", ".
  std::string ToText() const;

 private:
  PathResolver& resolver_;
  std::vector<std::string> prefixes_;
  std::unordered_map<std::string, const Subfile*> byName_;
  std::unordered_map<std::string, const Subfile*> byPath_;
  std::unordered_map<FileIdentity, const Subfile*, FileIdentityHash> byIdentity_;
  std::vector<std::unique_ptr<Subfile>> files_;
};

}  // namespace halvex
