// The fields of a drawing line (types 1 to 5) as text, for the rules on how
// its numbers are written, and the forms the Tracker accepts for them.
#pragma once

#include <string_view>
#include <vector>

namespace halvex {

struct LineFields {
  std::string_view type;
  std::string_view colour;
  // Every token after the colour, up to the file name of a reference.
  std::vector<std::string_view> numbers;
  // A reference's file name: the rest of the line after its twelfth number,
  // blanks at its ends left out; empty for other types.
  std::string_view name;
};

// The fields of `line`, whose first token is a line type 1 to 5. A line of
// other types keeps all its tokens after the colour in `numbers`.
LineFields SplitFields(std::string_view line, int lineType);

// How many numbers a line of the type holds: 12 for a reference (the file
// name follows), 6 for an edge line, 9 for a triangle, 12 for the others.
int NumberCount(int lineType);

// A number as the Tracker's line patterns accept it (app/Enums/LDrawRegex.php:
// -?(?:\d*\.\d+|\d+)): an optional minus, then digits with at most one
// decimal point followed by a digit. No plus sign, no exponent, no "1.".
bool IsPlainNumber(std::string_view token);

// A colour as those patterns accept it: decimal digits, or "0x2" and six
// hexadecimal digits (a direct colour).
bool IsColourToken(std::string_view token);

// The digits after the decimal point of a plain number; 0 without one.
int DecimalPlaces(std::string_view token);

}  // namespace halvex
