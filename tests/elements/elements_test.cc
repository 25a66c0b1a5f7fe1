// The element classes: reading and printing their lines, colours, winding,
// placement and the questions the edge pass asks of polygons.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "elements/meta_line.h"
#include "splitting/splitters.h"

namespace halvex {
namespace {

using test::ReadElement;
using test::TextOf;

// A number that cannot be read ends the reading and leaves every later field
// 0, as does the end of the line; a reference then has no name.
TEST(ElementText, ReadAndPrintedPerLineType) {
  const struct {
    const char* line;
    const char* text;
  } rows[] = {
      {"  1\t4 1.5 -2 3 0 0 1 0 1 0 -1 0 0   s\\a b.dat  ",
       "1 4 1.5 -2 3 0 0 1 0 1 0 -1 0 0 s\\a b.dat  "},
      {"1 16 0 0 0 1 0 0 x 1 0 0 0 1 a.dat", "1 16 0 0 0 1 0 0 0 0 0 0 0 0 "},
      {"1 red 0 0 0 1 0 0 0 1 0 0 0 1 a.dat", "1 0 0 0 0 1 0 0 0 1 0 0 0 1 a.dat"},
      {"1 16 1 2 3", "1 16 1 2 3 0 0 0 0 0 0 0 0 0 "},
      {" \t2  24\t1.0 2.50 -3   4e0 5 6 7 8 9", "2 24 1 2.5 -3 4 5 6"},
      {"2 16abc 1 2 3 4 5 6", "2 16 1 2 3 4 5 6"},  // the colour token skipped whole
      {"2 24 1 2 x 4 5 6", "2 24 1 2 0 0 0 0"},
      {"2", "2 0 0 0 0 0 0 0"},
      {"3 -1 1.000000 0.1e1 -0 2 2 2 3 3 3", "3 -1 1 1 -0 2 2 2 3 3 3"},
      {"4 16 0 0 0 1 0 0 1 1 0 0 1 0 and more", "4 16 0 0 0 1 0 0 1 1 0 0 1 0"},
      {"5 24 1 2 3 4 5 6 7 8", "5 24 1 2 3 4 5 6 7 8 0 0 0 0"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ReadElement(row.line)->ToText(), row.text) << row.line;
  }
  EXPECT_EQ(MetaLine("Name: my part.dat  ").ToText(), "0 Name: my part.dat  ");

  EdgeLine huge("2 " + std::string(600, '7') + " 1" + std::string(300, '0') + " 2 3 4 5 6 " +
                std::string(3000, 'z'));
  EXPECT_EQ(huge.P1().ToText(), "1e+300 2 3");
  EXPECT_EQ(huge.P2().ToText(), "4 5 6");

  // Views that end inside a number, a colour token and a name.
  EXPECT_EQ(EdgeLine(std::string_view("2 24 1 2 3 4 5 67 8").substr(0, 16)).ToText(),
            "2 24 1 2 3 4 5 6");
  EXPECT_EQ(EdgeLine(std::string_view("2 0x2913728 1").substr(0, 6)).ToText(),
            "2 0x29 0 0 0 0 0 0");
  const std::string_view ref = "1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat b";
  EXPECT_EQ(SubfileRef(ref.substr(0, ref.size() - 2)).Name(), "a.dat");
}

// A token starting 0x or 0X is read as hexadecimal and printed as read until
// SetColour replaces it.
TEST(ElementColour, HexadecimalReadKeptAndReplaced) {
  const struct {
    const char* line;
    int number;
    const char* recoloured;
  } rows[] = {
      {"1 0x2913728 0 0 0 1 0 0 0 1 0 0 0 1 a.dat", 43071272, "1 4 0 0 0 1 0 0 0 1 0 0 0 1 a.dat"},
      {"2 0x0000FF 0 0 0 1 0 0", 255, "2 4 0 0 0 1 0 0"},
      {"3 0XaBc 0 0 0 1 0 0 0 1 0", 2748, "3 4 0 0 0 1 0 0 0 1 0"},
      {"4 0x2FF00FF 0 0 0 1 0 0 1 1 0 0 1 0", 50266367, "4 4 0 0 0 1 0 0 1 1 0 0 1 0"},
      {"5 0X2A 0 0 0 1 0 0 0 1 0 0 -1 0", 42, "5 4 0 0 0 1 0 0 0 1 0 0 -1 0"},
  };
  for (const auto& row : rows) {
    std::size_t pos = 1;
    EXPECT_EQ(Colour::Parse(row.line, &pos).Number(), row.number) << row.line;
    auto element = ReadElement(row.line);
    EXPECT_EQ(element->ToText(), row.line);
    element->SetColour(4);
    EXPECT_EQ(element->ToText(), row.recoloured);
  }
}

// Upper-cased substring tests in the order BFC, INVERTNEXT, CERTIFY, CCW, CW.
TEST(MetaKind, SubstringTestsInTheirOrder) {
  const struct {
    const char* text;
    MetaKindCode kind;
  } rows[] = {
      {"BFC CERTIFY CCW", MetaKindCode::kCertifyCcw},
      {"bfc certify cw", MetaKindCode::kCertifyCw},
      {"BFC CERTIFY", MetaKindCode::kCertifyCcw},
      {"BFC INVERTNEXT", MetaKindCode::kInvertNext},
      {"BFC CERTIFY CW INVERTNEXT", MetaKindCode::kInvertNext},
      {"BFC CERTIFY CW CCW", MetaKindCode::kCertifyCcw},
      {"XBFCY NOCERTIFYING CWZ", MetaKindCode::kCertifyCw},
      {"BFC CLIP CW", MetaKindCode::kNone},
      {"CERTIFY CW INVERTNEXT", MetaKindCode::kNone},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(MetaLine(row.text).MetaKind(), row.kind) << row.text;
  }
  EXPECT_EQ(MetaKindOfElement(MetaLine("BFC INVERTNEXT")), MetaKindCode::kInvertNext);
  EXPECT_EQ(MetaKindOfElement(EdgeLine("2 24 0 0 0 1 1 1")), MetaKindCode::kNone);
}

// Transform(m) then Translate(t) maps every point p to m p + t; a reference's
// matrix becomes m times its matrix.
TEST(ElementPlacement, TransformThenTranslate) {
  const struct {
    const char* line;
    const char* placed;
  } rows[] = {
      {"1 16 1 2 3 1 2 0 0 1 0 0 0 1 a.dat", "1 16 8 1 6 0 -1 0 1 2 0 0 0 2 a.dat"},
      {"2 24 0 0 1 1 1 1", "2 24 10 0 2 9 1 2"},
      {"3 16 1 0 0 0 1 0 0 0 1", "3 16 10 1 0 9 0 0 10 0 2"},
      {"4 16 1 0 0 0 1 0 0 0 1 1 1 1", "4 16 10 1 0 9 0 0 10 0 2 9 1 2"},
      {"5 24 1 0 0 0 1 0 0 0 1 1 1 1", "5 24 10 1 0 9 0 0 10 0 2 9 1 2"},
  };
  for (const auto& row : rows) {
    auto element = ReadElement(row.line);
    element->Transform(MatrixFromRows({0, -1, 0}, {1, 0, 0}, {0, 0, 2}));
    element->Translate({10, 0, 0});
    EXPECT_EQ(element->ToText(), row.placed);
  }
}

// ReverseWinding swaps p1 and p3; the normal comes from p1, p2, p3 alone.
TEST(PolygonWinding, ReverseWindingFlipsTheNormal) {
  Triangle triangle("3 16 0 0 0 1 0 0 0 1 0");
  EXPECT_EQ(Dot(*triangle.Normal(), {0, 0, 1}), 1);
  triangle.ReverseWinding();
  EXPECT_EQ(triangle.ToText(), "3 16 0 1 0 1 0 0 0 0 0");
  EXPECT_EQ(Dot(*triangle.Normal(), {0, 0, 1}), -1);
  Quad quad("4 16 0 0 0 2 0 0 2 2 0 5 5 5");
  EXPECT_EQ(Dot(*quad.Normal(), {0, 0, 1}), 1);
  quad.ReverseWinding();
  EXPECT_EQ(quad.ToText(), "4 16 2 2 0 2 0 0 0 0 0 5 5 5");
  EXPECT_EQ(Dot(*quad.Normal(), {0, 0, 1}), -1);
}

// The edges a walk gives, at most six, each ended by ';'.
std::string Walk(Element& element) {
  std::string out;
  int count = 0;
  for (auto edge = element.FirstEdge(); edge && count < 6; edge = element.NextEdge(), ++count) {
    out += edge->ToText() + ';';
  }
  return out;
}

TEST(PolygonEdges, WalkAngleSameGeometryAndVertexOffEdge) {
  Quad quad("4 16 0 0 0 1 0 0 1 1 0 0 1 0");
  const std::string quadEdges = "2 0 0 0 0 1 0 0;2 0 1 0 0 1 1 0;2 0 1 1 0 0 1 0;2 0 0 1 0 0 0 0;";
  EXPECT_EQ(Walk(quad), quadEdges);
  EXPECT_EQ(quad.NextEdge(), nullptr);
  EXPECT_EQ(Walk(quad), quadEdges);  // a new walk starts over
  Triangle floor("3 16 0 0 0 1 0 0 0 1 0");
  EXPECT_EQ(Walk(floor), "2 0 0 0 0 1 0 0;2 0 1 0 0 0 1 0;2 0 0 1 0 0 0 0;");
  EXPECT_EQ(Walk(*ReadElement("5 24 1 2 3 4 5 6 7 8 9 0 0 0")), "2 0 1 2 3 4 5 6;");

  // The sign follows the edge's direction and the other polygon's winding;
  // a sine beyond 0.999 is 90 exactly.
  Triangle wall("3 16 0 0 0 0 0 1 1 0 0");
  EdgeLine along("2 24 0 0 0 1 0 0");
  EdgeLine back("2 24 1 0 0 0 0 0");
  EXPECT_EQ(floor.AngleTo(wall, along), 90);
  EXPECT_EQ(floor.AngleTo(wall, back), -90);
  wall.winding = -1;
  EXPECT_EQ(floor.AngleTo(wall, along), -90);
  Triangle tilted({Point{0, 0, 0}, Point{1, 0, 0}, Point{0, std::sqrt(0.75), 0.5}}, Colour(16));
  EXPECT_NEAR(floor.AngleTo(tilted, back), 30, 1e-9);
  const double s = 0.9995;
  Triangle steep({Point{0, 0, 0}, Point{1, 0, 0}, Point{0, std::sqrt(1 - s * s), s}}, Colour(16));
  EXPECT_EQ(floor.AngleTo(steep, back), 90);

  // Two ends matching within precision, either way round; a conditional
  // line has no vertices for a polygon to find.
  EXPECT_TRUE(along.SameGeometry(EdgeLine("2 4 1 0 0 0 0 0.001")));
  EXPECT_TRUE(along.SameGeometry(floor));  // its first two corners
  EXPECT_TRUE(floor.SameGeometry(EdgeLine("2 24 0.0005 0 0 0 1.001 0")));
  EXPECT_FALSE(floor.SameGeometry(EdgeLine("2 24 0 0 0 5 5 5")));
  EXPECT_FALSE(floor.SameGeometry(CondLine("5 24 0 0 0 1 0 0 0 0 1 0 0 -1")));
  EXPECT_TRUE(quad.SameGeometry(EdgeLine("2 24 1 0 0 1 1 0")));   // p2-p3, without p1
  EXPECT_TRUE(quad.SameGeometry(EdgeLine("2 24 0 0 0 0 1 0")));   // p4-p1 reversed
  EXPECT_FALSE(quad.SameGeometry(EdgeLine("2 24 0 0 0 1 1 0")));  // the diagonal

  EXPECT_EQ(floor.VertexOffEdge(EdgeLine("2 24 0 0 0 1 0 0"))->ToText(), "0 1 0");
  EXPECT_EQ(floor.VertexOffEdge(EdgeLine("2 24 1 0 0 0 1 0"))->ToText(), "0 0 0");
  EXPECT_EQ(floor.VertexOffEdge(EdgeLine("2 24 0 1 0 0 0 0"))->ToText(), "1 0 0");
  EXPECT_EQ(quad.VertexOffEdge(EdgeLine("2 24 1 0 0 0 0 0"))->ToText(), "1 1 0");
}

}  // namespace
}  // namespace halvex
