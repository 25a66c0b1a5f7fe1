// Splitting a file's text into lines, for the reader and for whatever else
// reads LDraw text line by line (embedded files, the checker).
#pragma once

#include <cstddef>
#include <string_view>

namespace halvex {

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
