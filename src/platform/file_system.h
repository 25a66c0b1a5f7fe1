// The operating system's files as Halvex reads them: what a path names, which
// file it is, the names in a folder, and a file's bytes; output_file.h writes
// them. File names are byte strings as given; on Windows they are UTF-8 (the
// command line arrives in UTF-16 and is converted once) and are converted to
// UTF-16 at each call. One source file per platform implements this and the
// platform part of output_file.h: file_system_posix.cc (POSIX systems),
// file_system_wasi.cc (WASI) and file_system_win32.cc, the first two with
// what they share in file_system_posix_common.cc. The build compiles those of
// its target.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace halvex {

// What a path names.
enum class FileKind {
  kNone,     // Nothing, or nothing that can be found out.
  kRegular,  // A regular file.
  kFolder,
  kOther,  // A device, a pipe, a socket.
};

// What `path` names, symbolic links followed.
FileKind KindOf(const std::string& path);

// Whether `path` names an entry of its folder, a symbolic link that points
// nowhere included.
bool EntryExists(const std::string& path);

// The size in bytes of the file `path`; none when it cannot be found out.
std::optional<std::uintmax_t> FileSize(const std::string& path);

// What makes two paths the same file: one file reached by different names
// ("s\loop.dat", "..\s\loop.dat", ".\loop.dat", a link) has one identity,
// the volume and the number of the file on it (device and inode on POSIX
// systems, volume serial number and file index on Windows).
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

// Whether the system itself takes "\" and "/" alike and matches names
// without regard to case, and has roots ("C:\", "\\server\share") that a walk
// over a name's components does not know: Windows. There a name is used as
// given, and NamesInFolder is not needed.
bool SystemMatchesNames();

// The names of the entries of `folder`, "." and ".." left out, in the order
// the system gives them; empty when the folder cannot be read (and always
// where SystemMatchesNames). For matching names without regard to case where
// the system does not.
std::vector<std::string> NamesInFolder(const std::string& folder);

// Opens the file `name` for reading bytes; null when it cannot be opened,
// with the reason for LastErrorText.
std::FILE* OpenForReading(const std::string& name);

// A new file to write and read back bytes in, for the program's own use,
// removed when it is closed (or the program ends); null where the system
// gives none (WASI has no folder for such files).
std::FILE* OpenScratchFile();

// The system's words for why the last file call failed (its errno, which
// each platform's calls set).
std::string LastErrorText();

}  // namespace halvex
