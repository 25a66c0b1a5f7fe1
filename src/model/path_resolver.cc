#include "model/path_resolver.h"

#include <algorithm>
#include <climits>

#include "model/library_name.h"
#include "platform/file_system.h"

namespace halvex {

std::optional<std::string> PathResolver::FindFile(std::string_view name) {
  std::string key(name);
  auto known = files_.find(key);
  if (known != files_.end()) return known->second;
  std::string path = Resolve(name);
  std::optional<std::string> found;
  if (KindOf(path) == FileKind::kRegular) found = path;
  files_.emplace(std::move(key), found);
  return found;
}

bool PathResolver::IsFolder(std::string_view name) {
  return KindOf(Resolve(name)) == FileKind::kFolder;
}

bool PathResolver::IsPresent(std::string_view name) {
  return KindOf(Resolve(name)) != FileKind::kNone;
}

std::string PathResolver::PathForWriting(std::string_view name) {
  // Only the folders are matched without regard to case: the file's own name
  // is written as spelled, so that an existing file whose name differs only
  // in case is a different file and is left alone.
  std::size_t separator = name.find_last_of("/\\");
  if (separator == std::string_view::npos) return std::string(name);
  std::string_view file = name.substr(separator + 1);
  if (file.empty()) return Resolve(name);
  std::string path = Resolve(name.substr(0, separator + 1));
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path.push_back('/');
  path.append(file);
  return path;
}

namespace {

// Appends the components of `rest` to `path` as Resolve joins them: "/"
// between them, empty ones skipped. One pass over the characters.
void AppendComponents(std::string& path, std::string_view rest) {
  path.reserve(path.size() + rest.size() + 1);
  bool separator = true;
  for (char c : rest) {
    if (c == '/' || c == '\\') {
      separator = true;
      continue;
    }
    if (separator && !path.empty() && path.back() != '/') path.push_back('/');
    separator = false;
    path.push_back(c);
  }
}

}  // namespace

std::string PathResolver::Resolve(std::string_view name) {
  // A system that matches names itself, and has roots that the walk below
  // does not know, is given the name as it is.
  if (SystemMatchesNames()) return std::string(name);
  const bool absolute = !name.empty() && (name[0] == '/' || name[0] == '\\');
  std::string path(absolute ? "/" : "");
  std::size_t pos = absolute ? 1 : 0;
  // Below a component that matches nothing, and beyond PATH_MAX, nothing can
  // exist: the rest of the name is only copied. The path grows in place, so a
  // name of any length and any number of components costs time in proportion
  // to its length.
  while (pos <= name.size()) {
    std::size_t end = name.find_first_of("/\\", pos);
    if (end == std::string_view::npos) end = name.size();
    std::string_view component = name.substr(pos, end - pos);
    pos = end + 1;
    if (component.empty()) continue;
    std::size_t folderLength = path.size();
    if (!path.empty() && path.back() != '/') path.push_back('/');
    std::size_t componentStart = path.size();
    path.append(component);
    if (path.size() >= PATH_MAX) break;
    if (component == "." || component == "..") continue;
    if (EntryExists(path)) continue;
    const Listing& listing = ListingOf(folderLength == 0 ? "." : path.substr(0, folderLength));
    auto match = listing.byKey.find(NameKey(component));
    if (match == listing.byKey.end()) break;
    path.replace(componentStart, std::string::npos, match->second);
  }
  if (pos < name.size()) AppendComponents(path, name.substr(pos));
  return path;
}

const PathResolver::Listing& PathResolver::ListingOf(const std::string& folder) {
  auto known = listings_.find(folder);
  if (known != listings_.end()) return known->second;
  Listing listing;
  for (std::string& entryName : NamesInFolder(folder)) {
    // When several names differ only in case, the smallest one wins, so
    // the choice does not depend on the order of the folder listing.
    auto [it, inserted] = listing.byKey.emplace(NameKey(entryName), entryName);
    if (!inserted) it->second = std::min(it->second, entryName);
  }
  return listings_.emplace(folder, std::move(listing)).first->second;
}

}  // namespace halvex
