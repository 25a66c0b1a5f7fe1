// File names inside Halvex are byte strings as given: on Windows they are
// UTF-8 (the command line arrives in UTF-16 and is converted once), and the
// file APIs there take UTF-16, so each name is converted at the call.
#pragma once

#include <filesystem>
#include <string>

namespace halvex {

// The path the platform's file API takes for the name `name`.
std::filesystem::path NativePath(const std::string& name);

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
