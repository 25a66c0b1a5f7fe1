// Turns the file names of LDraw files and libraries, written for a file
// system with "\" as separator and no regard to case, into paths that open
// here. Every "\" is used as "/", and a path component whose exact spelling
// does not exist is matched by its NameKey (without regard to case). Folder
// listings and answers are remembered, so a name asked for many times costs
// one look-up. On Windows, whose file systems do both themselves, a name is
// used as given.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace halvex {

class PathResolver {
 public:
  // The path of the existing regular file that `name` names; none when there
  // is no such file.
  std::optional<std::string> FindFile(std::string_view name);

  // Whether `name` names an existing folder (symbolic links followed).
  bool IsFolder(std::string_view name);

  // Whether `name` names anything that exists: a file, a folder, a device.
  bool IsPresent(std::string_view name);

  // The path to write `name` to: existing folders matched as above; the last
  // component, the file's own name, kept exactly as spelled.
  std::string PathForWriting(std::string_view name);

 private:
  struct Listing {
    // Each name in the folder by its NameKey.
    std::unordered_map<std::string, std::string> byKey;
  };

  // `name` with each existing component in its spelling on disk; components
  // that match nothing keep their spelling.
  std::string Resolve(std::string_view name);
  const Listing& ListingOf(const std::string& folder);

  std::unordered_map<std::string, Listing> listings_;
  std::unordered_map<std::string, std::optional<std::string>> files_;
};

}  // namespace halvex
