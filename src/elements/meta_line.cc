#include "elements/meta_line.h"

#include "geometry/ascii_case.h"

namespace halvex {
namespace {

bool ContainsIgnoringCase(std::string_view text, std::string_view upperWord) {
  if (upperWord.size() > text.size()) return false;
  for (std::size_t start = 0; start + upperWord.size() <= text.size(); ++start) {
    std::size_t k = 0;
    while (k < upperWord.size()) {
      if (AsciiUpper(text[start + k]) != upperWord[k]) break;
      ++k;
    }
    if (k == upperWord.size()) return true;
  }
  return false;
}

}  // namespace

MetaKindCode MetaKindOf(std::string_view text) {
  if (!ContainsIgnoringCase(text, "BFC")) return MetaKindCode::kNone;
  if (ContainsIgnoringCase(text, "INVERTNEXT")) return MetaKindCode::kInvertNext;
  if (!ContainsIgnoringCase(text, "CERTIFY")) return MetaKindCode::kNone;
  if (ContainsIgnoringCase(text, "CCW")) return MetaKindCode::kCertifyCcw;
  if (ContainsIgnoringCase(text, "CW")) return MetaKindCode::kCertifyCw;
  return MetaKindCode::kCertifyCcw;
}

MetaKindCode MetaKindOfElement(const Element& element) {
  if (element.LineType() != kMetaType) return MetaKindCode::kNone;
  return static_cast<const MetaLine&>(element).MetaKind();
}

int CertifiedWinding(const Element& element, int current) {
  switch (MetaKindOfElement(element)) {
    case MetaKindCode::kCertifyCcw:
      return 1;
    case MetaKindCode::kCertifyCw:
      return -1;
    default:
      return current;
  }
}

}  // namespace halvex
