#include "elements/line_syntax.h"

#include <algorithm>

#include "geometry/number_text.h"

namespace halvex {

Colour ParseColourAndPoints(std::string_view line, std::span<Point> points) {
  std::size_t pos = SkipToken(line, 0);
  Colour colour = Colour::Parse(line, &pos);
  for (Point& p : points) {
    pos = p.Parse(line, pos);
    if (pos == std::string_view::npos) break;
  }
  return colour;
}

void AppendLineText(std::string& out, char type, const Colour& colour,
                    std::span<const Point> points) {
  out.push_back(type);
  out.push_back(' ');
  colour.AppendText(out);
  // The points are written into a buffer and appended in one piece, a few
  // at a time: appending each number and blank costs more than writing it.
  constexpr std::size_t kPointsAtOnce = 4;
  char buffer[kPointsAtOnce * (kMaxPointLength + 1)];
  for (std::size_t first = 0; first < points.size(); first += kPointsAtOnce) {
    char* end = buffer;
    for (const Point& p : points.subspan(first, std::min(kPointsAtOnce, points.size() - first))) {
      *end++ = ' ';
      end = p.WriteText(end);
    }
    out.append(buffer, end);
  }
}

}  // namespace halvex
