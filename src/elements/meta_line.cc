#include "elements/meta_line.h"

#include <utility>

#include "geometry/ascii_case.h"
#include "geometry/number_text.h"

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

// The keyword `word` is, in upper case; 0 for any other word.
unsigned BfcWordOf(std::string_view word) {
  static constexpr std::pair<std::string_view, unsigned> kWords[] = {
      {"CERTIFY", kBfcCertify}, {"NOCERTIFY", kBfcNoCertify}, {"CW", kBfcCw},
      {"CCW", kBfcCcw},         {"CLIP", kBfcClip},           {"NOCLIP", kBfcNoClip},
      {"INVERTNEXT", kBfcInvertNext}};
  for (const auto& [keyword, bit] : kWords) {
    if (word.size() != keyword.size()) continue;
    std::size_t k = 0;
    while (k < word.size() && AsciiUpper(word[k]) == keyword[k]) ++k;
    if (k == word.size()) return bit;
  }
  return 0;
}

}  // namespace

unsigned BfcWordsOf(std::string_view text) {
  unsigned words = 0;
  bool first = true;
  std::size_t pos = 0;
  while (true) {
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    if (pos == text.size()) break;
    std::size_t end = pos;
    while (end < text.size() && !IsSpace(text[end])) ++end;
    std::string_view word = text.substr(pos, end - pos);
    pos = end;
    if (first) {
      if (word.size() != 3 || AsciiUpper(word[0]) != 'B' || AsciiUpper(word[1]) != 'F' ||
          AsciiUpper(word[2]) != 'C') {
        return 0;
      }
      first = false;
      continue;
    }
    unsigned bit = BfcWordOf(word);
    if (bit == 0) return 0;
    words |= bit;
  }
  return words;
}

MetaKindCode MetaKindOf(std::string_view text) {
  unsigned words = BfcWordsOf(text);
  if ((words & (kBfcCertify | kBfcInvertNext)) == 0) {
    if (words & kBfcCcw) return MetaKindCode::kDeclaresCcw;
    if (words & kBfcCw) return MetaKindCode::kDeclaresCw;
  }
  if (!ContainsIgnoringCase(text, "BFC")) return MetaKindCode::kNone;
  if (ContainsIgnoringCase(text, "INVERTNEXT")) return MetaKindCode::kNone;
  if (!ContainsIgnoringCase(text, "CERTIFY")) return MetaKindCode::kNone;
  if (ContainsIgnoringCase(text, "CCW")) return MetaKindCode::kDeclaresCcw;
  if (ContainsIgnoringCase(text, "CW")) return MetaKindCode::kDeclaresCw;
  return MetaKindCode::kDeclaresCcw;
}

MetaKindCode MetaKindOfElement(const Element& element) {
  if (element.LineType() != kMetaType) return MetaKindCode::kNone;
  return static_cast<const MetaLine&>(element).MetaKind();
}

int CertifiedWinding(const Element& element, int current) {
  switch (MetaKindOfElement(element)) {
    case MetaKindCode::kDeclaresCcw:
      return 1;
    case MetaKindCode::kDeclaresCw:
      return -1;
    default:
      return current;
  }
}

}  // namespace halvex
