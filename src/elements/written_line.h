// A line whose text is final: what the author pass (-a) makes of an element
// whose numbers it writes itself. It counts as the line type it was and has
// no other operation.
#pragma once

#include <string>
#include <string_view>

#include "elements/element.h"

namespace halvex {

class WrittenLine final : public Element {
 public:
  // `text` is the whole line without line end; the element keeps a view of
  // it, so it must outlive the element (ElementArena::CopyText).
  WrittenLine(int lineType, std::string_view text) : type_(lineType), text_(text) {}

  void AppendText(std::string& out) const override { out.append(text_); }
  int LineType() const override { return type_; }

 private:
  int type_;
  std::string_view text_;
};

}  // namespace halvex
