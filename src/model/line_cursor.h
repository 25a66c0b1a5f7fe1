// Splitting a file's text into lines, for the reader and for whatever else
// reads LDraw text line by line (embedded files, the checker).
#pragma once

#include <cstddef>
#include <string_view>

namespace halvex {

// The UTF-8 byte order mark that some editors put at the start of a file. It
// is not part of the first line: read as such, it would hide that line's
// type. Every file read (input, splitter, subfile on disk or in an archive)
// is read without it.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The length of the byte order mark at the start of `text`; 0 without one.
constexpr std::size_t ByteOrderMarkLength(std::string_view text) {
  return text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

// Walks the lines of a file's text. A line ends at LF, CR LF or a lone CR
// (files from old Macintosh tools), none of which is part of the line, or at
// the end of the text. Lines of any length are read whole.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}
  // The next line; false at the end of the text.
  bool Next(std::string_view* line);

 private:
  // The position of the first `c` at or after pos_; the text's size when
  // there is none.
  std::size_t Find(char c) const;

  std::string_view text_;
  std::size_t pos_ = 0;
  // The next LF and the next CR at or after pos_, each searched for again
  // only once passed, so that every part of the text is searched once for
  // each of them however the line ends mix.
  std::size_t nextLf_ = 0;
  std::size_t nextCr_ = 0;
  bool searched_ = false;
};

}  // namespace halvex
