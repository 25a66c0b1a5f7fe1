// A file as the checks read it: every line with its number and its text, and
// the element the reader makes of it, so that a finding names the line an
// author edits, empty lines and lines of no known type counted.
#pragma once

#include <string_view>
#include <vector>

#include "elements/element.h"
#include "elements/element_arena.h"

namespace halvex {

struct SourceLine {
  int number = 0;  // 1-based
  std::string_view text;
  // The element the reader makes of the line; none for an empty line or one
  // of no line type 0 to 5.
  const Element* element = nullptr;
};

class SourceFile {
 public:
  // Splits `text` into lines as the reader does (LF, CR LF or CR) and parses
  // each. `text` must outlive the file.
  explicit SourceFile(std::string_view text);
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  const std::vector<SourceLine>& Lines() const { return lines_; }

 private:
  // Declared first, so that it outlives the elements made in it.
  ElementArena arena_;
  std::vector<ArenaPtr<Element>> elements_;
  std::vector<SourceLine> lines_;
};

}  // namespace halvex
