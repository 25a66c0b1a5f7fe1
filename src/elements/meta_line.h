// A line of type 0: a comment or meta command, kept as read. Only the
// back-face-culling statements mean anything to the program.
#pragma once

#include <string>
#include <string_view>

#include "elements/element.h"

namespace halvex {

// What a meta line says about polygon winding.
enum class MetaKindCode {
  kNone = 0,         // Not a winding statement.
  kInvertNext = 1,   // BFC INVERTNEXT: the next reference is inverted.
  kCertifyCcw = 2,   // BFC CERTIFY CCW (or CERTIFY with neither CCW nor CW).
  kCertifyCw = 3,    // BFC CERTIFY CW.
};

// Classifies a meta line's text by plain substring tests on its upper-case
// form, in this order: no "BFC" is none; "INVERTNEXT" inverts; no "CERTIFY"
// is none; "CCW" is counter-clockwise; "CW" clockwise; otherwise
// counter-clockwise.
MetaKindCode MetaKindOf(std::string_view text);

class MetaLine final : public Element {
 public:
  // `text` is what follows "0" and the one character after it. The line keeps
  // a view of it, so it must outlive the line.
  explicit MetaLine(std::string_view text) : kind_(MetaKindOf(text)), text_(text) {}

  std::string_view Text() const { return text_; }
  MetaKindCode MetaKind() const { return kind_; }

  // "0 " followed by the text.
  void AppendText(std::string& out) const override {
    out.append("0 ");
    out.append(text_);
  }
  int LineType() const override { return kMetaType; }

 private:
  // Found once: the reader, the expander and the writer all ask for it.
  MetaKindCode kind_;
  std::string_view text_;
};

// The meta kind of `element` when it is a meta line, none otherwise.
MetaKindCode MetaKindOfElement(const Element& element);

// The winding the elements after `element` take in their file: 1 after
// BFC CERTIFY CCW, -1 after BFC CERTIFY CW, `current` after anything else.
int CertifiedWinding(const Element& element, int current);

}  // namespace halvex
