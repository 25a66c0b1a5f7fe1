#include "model/search_path.h"

#include "model/ldraw_reader.h"

namespace halvex {

const Subfile* SearchPath::Open(std::string_view name) {
  std::string key(name);
  auto known = byName_.find(key);
  if (known != byName_.end()) return known->second;
  const Subfile* found = nullptr;
  for (const std::string& prefix : prefixes_) {
    std::optional<std::string> path = resolver_.FindFile(prefix + key);
    if (!path) continue;
    auto cached = byPath_.find(*path);
    if (cached != byPath_.end()) {
      found = cached->second;
      break;
    }
    std::optional<FileIdentity> identity = IdentityOfFile(*path);
    if (identity) {
      auto same = byIdentity_.find(*identity);
      if (same != byIdentity_.end()) {
        found = same->second;
        byPath_.emplace(*path, found);
        break;
      }
    }
    std::optional<std::string> text = ReadFileText(*path);
    if (!text) continue;
    found = files_.emplace_back(std::make_unique<Subfile>(Subfile{*path, std::move(*text)})).get();
    byPath_.emplace(*path, found);
    if (identity) byIdentity_.emplace(*identity, found);
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
