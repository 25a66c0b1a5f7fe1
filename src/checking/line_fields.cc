#include "checking/line_fields.h"

#include "elements/element.h"
#include "geometry/number_text.h"

namespace halvex {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The token that starts at `pos` (white space skipped), and the position
// after it.
std::string_view NextToken(std::string_view line, std::size_t* pos) {
  std::size_t start = SkipSpace(line, *pos);
  *pos = SkipToken(line, start);
  return line.substr(start, *pos - start);
}

}  // namespace

int NumberCount(int lineType) {
  switch (lineType) {
    case kEdgeType:
      return 6;
    case kTriangleType:
      return 9;
    default:
      return 12;
  }
}

LineFields SplitFields(std::string_view line, int lineType) {
  LineFields fields;
  std::size_t pos = 0;
  fields.type = NextToken(line, &pos);
  fields.colour = NextToken(line, &pos);
  const std::size_t wanted = lineType == kSubfileType ? 12 : std::string_view::npos;
  while (fields.numbers.size() < wanted) {
    std::string_view token = NextToken(line, &pos);
    if (token.empty()) break;
    fields.numbers.push_back(token);
  }
  if (lineType == kSubfileType) fields.name = TrimSpace(line.substr(pos));
  return fields;
}

bool IsPlainNumber(std::string_view token) {
  if (token.starts_with('-')) token.remove_prefix(1);
  std::size_t point = token.find('.');
  std::string_view whole = token.substr(0, point);
  std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : token.substr(point + 1);
  if (point != std::string_view::npos && fraction.empty()) return false;
  if (whole.empty() && fraction.empty()) return false;
  for (char c : whole) {
    if (!IsDigit(c)) return false;
  }
  for (char c : fraction) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

bool IsColourToken(std::string_view token) {
  if (token.starts_with("0x2") && token.size() == 9) {
    for (char c : token.substr(3)) {
      if (HexDigitValue(c) < 0) return false;
    }
    return true;
  }
  if (token.empty()) return false;
  for (char c : token) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

int DecimalPlaces(std::string_view token) {
  std::size_t point = token.find('.');
  return point == std::string_view::npos ? 0 : static_cast<int>(token.size() - point - 1);
}

}  // namespace halvex
