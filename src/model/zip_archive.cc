#include "model/zip_archive.h"

#include <algorithm>

#include "model/library_name.h"

namespace halvex {

void ZipArchive::AddEntry(std::string name) {
  // Folders are entries too; only files are looked for.
  if (name.empty() || name.back() == '/' || name.back() == '\\') return;
  auto [it, inserted] = entries_.try_emplace(NameKey(name), name);
  if (!inserted) it->second = std::min(it->second, name);
}

std::string ZipArchive::LibraryRoot() const {
  // The shallowest folder with a "parts" or "p" folder in it; of two at the
  // same depth, the smaller name, so the answer does not depend on the order
  // of the archive's directory.
  std::optional<std::string> best;
  for (const auto& entry : entries_) {
    const std::string& key = entry.first;
    for (std::string_view folder : {"parts/", "p/"}) {
      std::size_t at = key.find(folder);
      while (at != std::string::npos && at > 0 && key[at - 1] != '/') {
        at = key.find(folder, at + 1);
      }
      if (at == std::string::npos) continue;
      std::string root = key.substr(0, at);
      auto depth = [](const std::string& s) { return std::count(s.begin(), s.end(), '/'); };
      if (!best || depth(root) < depth(*best) || (depth(root) == depth(*best) && root < *best)) {
        best = root;
      }
    }
  }
  return best.value_or("");
}

bool ZipArchive::HoldsFolder(std::string_view folder) const {
  std::string prefix(folder);
  prefix.push_back('/');
  for (const auto& entry : entries_) {
    if (entry.first.starts_with(prefix)) return true;
  }
  return false;
}

std::optional<std::string> ZipArchive::Find(std::string_view name) const {
  auto found = entries_.find(NameKey(name));
  if (found == entries_.end()) return std::nullopt;
  return found->second;
}

}  // namespace halvex
