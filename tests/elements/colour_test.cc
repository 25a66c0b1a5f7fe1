#include "elements/colour.h"

#include <gtest/gtest.h>

#include <string>

namespace halvex {
namespace {

std::string Text(const Colour& colour) {
  std::string out;
  colour.AppendText(out);
  return out;
}

// Decimal tokens read with "%d" and are written as numbers; tokens beginning
// with 0x or 0X are direct colours, read as hexadecimal and written as read
// (issue 3). The whole token is skipped either way.
TEST(ColourParse, DecimalAndDirectColours) {
  const struct {
    const char* text;
    int number;
    const char* written;
    std::size_t end;
  } rows[] = {
      {"16 1", 16, "16", 2},
      {"  -1 1", -1, "-1", 4},
      {"+5", 5, "5", 2},
      {"007", 7, "7", 3},
      {"16abc 1", 16, "16", 5},
      {"abc 1", 0, "0", 3},
      {"", 0, "0", 0},
      {"0x2913728 0", 43071272, "0x2913728", 9},
      {"0X2a", 42, "0X2a", 4},
      {"0x0000FF", 255, "0x0000FF", 8},
      {"0x2FF00FF", 50266367, "0x2FF00FF", 9},
  };
  for (const auto& row : rows) {
    std::size_t pos = 0;
    Colour colour = Colour::Parse(row.text, &pos);
    EXPECT_EQ(colour.Number(), row.number) << '"' << row.text << '"';
    EXPECT_EQ(Text(colour), row.written) << '"' << row.text << '"';
    EXPECT_EQ(pos, row.end) << '"' << row.text << '"';
  }
}

TEST(ColourParse, ReadsOnlyTheView) {
  const std::string buffer = "0x2913728 16";
  std::size_t pos = 0;
  Colour colour = Colour::Parse(std::string_view(buffer).substr(0, 4), &pos);
  EXPECT_EQ(colour.Number(), 0x29);
  EXPECT_EQ(Text(colour), "0x29");
  EXPECT_EQ(pos, 4u);
}

}  // namespace
}  // namespace halvex
