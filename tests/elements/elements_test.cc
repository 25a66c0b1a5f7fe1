// The element classes: reading and printing their lines, and the questions
// the edge pass asks of polygons, which no output shows yet.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "elements/lines.h"
#include "elements/subfile_ref.h"
#include "splitting/splitters.h"

namespace halvex {
namespace {

using test::ReadElement;

// What the case folders do not show of reading a line: a colour and a number
// hundreds of digits long, and views that end inside a number, a colour
// token and a name.
TEST(ElementText, HugeNumbersAndViews) {
  EdgeLine huge("2 " + std::string(600, '7') + " 1" + std::string(300, '0') + " 2 3 4 5 6 " +
                std::string(3000, 'z'));
  EXPECT_EQ(huge.P1().ToText(), "1e+300 2 3");
  EXPECT_EQ(huge.P2().ToText(), "4 5 6");

  EXPECT_EQ(EdgeLine(std::string_view("2 24 1 2 3 4 5 67 8").substr(0, 16)).ToText(),
            "2 24 1 2 3 4 5 6");
  EXPECT_EQ(EdgeLine(std::string_view("2 0x2913728 1").substr(0, 6)).ToText(),
            "2 0x29 0 0 0 0 0 0");
  const std::string_view ref = "1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat b";
  EXPECT_EQ(SubfileRef(ref.substr(0, ref.size() - 2)).Name(), "a.dat");
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
  // Past the end the walk answers none, however often it is asked (its
  // place is kept in a byte).
  for (int k = 0; k < 300; ++k) ASSERT_EQ(quad.NextEdge(), nullptr) << k;
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
