// File names inside Halvex are byte strings as given: on Windows they are
// UTF-8 (the command line arrives in UTF-16 and is converted once), and the
// file APIs there take UTF-16, so each name is converted at the call.
// native_path_posix.cc (POSIX systems and WASI) and native_path_win32.cc
// implement this; the build compiles the one for its target.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace halvex {

// Opens the file `name` for reading bytes; null when it cannot be opened.
std::FILE* OpenForReading(const std::string& name);

// The size in bytes of the file `name`; none when it cannot be found out.
std::optional<std::uintmax_t> FileSize(const std::string& name);

#ifdef _WIN32
// UTF-8 to UTF-16; an invalid byte becomes U+FFFD, and names no file.
std::wstring Widen(const std::string& utf8);
// The longest path Windows accepts, in UTF-16 units. A longer name names no
// file, and is not handed to the system, which may take long to find that out.
inline constexpr std::size_t kMaxWindowsPath = 32767;
// UTF-16 to UTF-8.
std::string Narrow(const std::wstring& wide);
#endif

}  // namespace halvex
