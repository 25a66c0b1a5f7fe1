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

void AppendLineText(std::string& out, char type, const Colour& colour,
                    std::span<const Point> points) {
  out.push_back(type);
  out.push_back(' ');
  colour.AppendText(out);
  for (const Point& p : points) {
    out.push_back(' ');
    p.AppendText(out);
  }
}

}  // namespace halvex
