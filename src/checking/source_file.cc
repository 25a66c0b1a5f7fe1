#include "checking/source_file.h"

#include "model/ldraw_reader.h"

namespace halvex {

SourceFile::SourceFile(std::string_view text) {
  LineCursor cursor(text);
  std::string_view line;
  int number = 0;
  while (cursor.Next(&line)) {
    ArenaPtr<Element> element = ParseLine(line, arena_);
    lines_.push_back(SourceLine{++number, line, element.get()});
    if (element) elements_.push_back(std::move(element));
  }
}

}  // namespace halvex
