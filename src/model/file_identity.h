// What makes two paths the same file: one file reached by different names
// ("s\loop.dat", "..\s\loop.dat", ".\loop.dat", a link) has one identity.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace halvex {

// The volume and the number of a file on it: device and inode on POSIX
// systems, volume serial number and file index on Windows.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;

  bool operator==(const FileIdentity&) const = default;
};

struct FileIdentityHash {
  std::size_t operator()(const FileIdentity& id) const {
    return std::hash<std::uint64_t>()(id.file * 0x9E3779B97F4A7C15ull ^ id.volume);
  }
};

// The identity of the existing file at `path` (links followed); none when it
// cannot be found out.
std::optional<FileIdentity> IdentityOfFile(const std::string& path);

}  // namespace halvex
