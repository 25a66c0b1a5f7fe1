// Windows only: its file and environment calls take UTF-16, and the command
// line arrives in it, while inside the program every name is UTF-8.
// utf16_win32.cc implements this; only Windows' platform files include it.
#pragma once

#include <string>

namespace halvex {

// UTF-8 to UTF-16; an invalid byte becomes U+FFFD, and names no file.
std::wstring Widen(const std::string& utf8);

// UTF-16 to UTF-8.
std::string Narrow(const std::wstring& wide);

}  // namespace halvex
