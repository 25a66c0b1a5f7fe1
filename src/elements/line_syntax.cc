#include "elements/line_syntax.h"

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

std::string LineText(char type, const Colour& colour, std::span<const Point> points) {
  std::string out{type, ' '};
  // Room for the longest decimal colour, the longest numbers and the line end
  // the writer appends, so that the text is allocated once.
  out.reserve(2 + kMaxColourLength + points.size() * (1 + 3 * (kMaxNumberLength + 1)) + 2);
  colour.AppendText(out);
  for (const Point& p : points) {
    out.push_back(' ');
    p.AppendText(out);
  }
  return out;
}

}  // namespace halvex
