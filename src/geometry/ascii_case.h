// Case folding of ASCII letters alone. LDraw text is read byte by byte in
// no particular encoding, and the locale must not change what a name or a
// keyword matches, so only 'A' to 'Z' and 'a' to 'z' are folded.
#pragma once

namespace halvex {

inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace halvex
