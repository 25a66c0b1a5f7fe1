// Reading and writing the fields shared by the coloured line types:
// "T colour x y z ..." with single blanks between the fields.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "elements/colour.h"
#include "geometry/point.h"

namespace halvex {

// Skips the line type, reads the colour, then `points` in order. A number
// that cannot be read ends the reading; the points after it keep their values.
Colour ParseColourAndPoints(std::string_view line, std::span<Point> points);

// Appends "T colour p1 p2 ...".
void AppendLineText(std::string& out, char type, const Colour& colour,
                    std::span<const Point> points);

}  // namespace halvex
