// The ordered folders in which subfiles are looked for, and the files found
// through them; the files embedded in the input come first. A file is read from disk once, however often it is
// referenced, and a name is looked up once.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/path_resolver.h"

namespace halvex {

class EmbeddedFiles;

// A subfile as found: its path on disk (which identifies it) and its text.
struct Subfile {
  std::string path;
  std::string text;
};

class SearchPath {
 public:
  explicit SearchPath(PathResolver& resolver) : resolver_(resolver) {}

  // Appends a folder prefix, which ends in a separator.
  void Add(std::string_view prefix) { prefixes_.emplace_back(prefix); }
  // The files embedded in the input, found before any folder's. They must
  // outlive the search.
  void SetEmbedded(const EmbeddedFiles* embedded) { embedded_ = embedded; }

  // The embedded file `name` names, or else the file that it names under the
  // first prefix (in list order) where such a file exists, the prefix and
  // name simply concatenated; none when there is none.
  const Subfile* Open(std::string_view name);

  // The prefixes joined by ", ".
  std::string ToText() const;

 private:
  PathResolver& resolver_;
  const EmbeddedFiles* embedded_ = nullptr;
  std::vector<std::string> prefixes_;
  std::unordered_map<std::string, const Subfile*> byName_;
  std::unordered_map<std::string, std::unique_ptr<Subfile>> byPath_;
};

}  // namespace halvex
