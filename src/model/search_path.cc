#include "model/search_path.h"

#include "model/embedded_files.h"
#include "model/ldraw_reader.h"

namespace halvex {

const Subfile* SearchPath::Open(std::string_view name) {
  if (embedded_) {
    if (const Subfile* file = embedded_->Find(name)) return file;
  }
  std::string key(name);
  auto known = byName_.find(key);
  if (known != byName_.end()) return known->second;
  const Subfile* found = nullptr;
  for (const std::string& prefix : prefixes_) {
    std::optional<std::string> path = resolver_.FindFile(prefix + key);
    if (!path) continue;
    auto cached = byPath_.find(*path);
    if (cached != byPath_.end()) {
      found = cached->second.get();
      break;
    }
    std::optional<std::string> text = ReadFileText(*path);
    if (!text) continue;
    auto subfile = std::make_unique<Subfile>(Subfile{*path, std::move(*text)});
    found = subfile.get();
    byPath_.emplace(*path, std::move(subfile));
    break;
  }
  byName_.emplace(std::move(key), found);
  return found;
}

std::string SearchPath::ToText() const {
  std::string out;
  for (std::size_t k = 0; k < prefixes_.size(); ++k) {
    if (k > 0) out.append(", ");
    out.append(prefixes_[k]);
  }
  return out;
}

}  // namespace halvex
