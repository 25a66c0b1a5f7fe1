// A line of type 0: a comment or meta command, kept as read. Only the
// back-face-culling statements mean anything to the program.
#pragma once

#include <string>
#include <string_view>

#include "elements/element.h"

namespace halvex {

// What a meta line declares of the winding of the polygons after it, as the
// reader records it. Whether a line is a BFC statement, and what it does to
// culling and inversion, is BfcWordsOf's answer alone.
enum class MetaKindCode {
  kNone = 0,         // Declares no winding.
  kDeclaresCcw = 2,  // Counter-clockwise: CERTIFY CCW, CERTIFY alone, or a bare CCW.
  kDeclaresCw = 3,   // Clockwise: CERTIFY CW, or a bare CW.
};

// The keywords of a back-face-culling statement, one bit each.
enum BfcWord : unsigned {
  kBfcCertify = 1u << 0,
  kBfcNoCertify = 1u << 1,
  kBfcCw = 1u << 2,
  kBfcCcw = 1u << 3,
  kBfcClip = 1u << 4,
  kBfcNoClip = 1u << 5,
  kBfcInvertNext = 1u << 6,
};

// The keywords of the statement a meta line's text makes, or 0 when it makes
// none. A statement's first word is BFC and its other words (at least one)
// are all BFC keywords, in any case; any other text, however many of these
// words it holds, is a comment ("!HISTORY ... added BFC CERTIFY").
unsigned BfcWordsOf(std::string_view text);

// The winding a meta line's text declares. A statement with CW or CCW and
// neither CERTIFY nor INVERTNEXT ("BFC CW", "BFC CLIP CCW") declares that
// winding. Any other text goes by plain substring tests on its upper-case
// form, in this order: no "BFC" or any "INVERTNEXT" is none; no "CERTIFY" is
// none; "CCW" is counter-clockwise; "CW" clockwise; otherwise
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
  // Found once, as the line is read.
  MetaKindCode kind_;
  std::string_view text_;
};

// The meta kind of `element` when it is a meta line, none otherwise.
MetaKindCode MetaKindOfElement(const Element& element);

// The winding the elements after `element` take in their file: 1 after
// BFC CERTIFY CCW, -1 after BFC CERTIFY CW, `current` after anything else.
int CertifiedWinding(const Element& element, int current);

}  // namespace halvex
