// Case folding of ASCII letters alone. LDraw text is read byte by byte in
// no particular encoding, and the locale must not change what a name or a
// keyword matches, so only 'A' to 'Z' and 'a' to 'z' are folded.
#pragma once

#include <string>
#include <string_view>

namespace halvex {

inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// A file name as LDraw names are compared: ASCII letters in lower case and
// "/" as "\", so that "Parts/A.DAT" and "parts\a.dat" give the same text.
inline std::string FoldedName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = c == '/' ? '\\' : AsciiLower(c);
  return folded;
}

}  // namespace halvex
