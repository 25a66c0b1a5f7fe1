#include "elements/polygons.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "elements/lines.h"
#include "splitting/splitters.h"

namespace halvex {
namespace {

using test::ReadElement;
using test::TextOf;

// Compared by value: a computed zero may be -0.
void ExpectVector(const std::optional<Vector>& v, double x, double y, double z) {
  ASSERT_TRUE(v);
  EXPECT_EQ(v->x, x);
  EXPECT_EQ(v->y, y);
  EXPECT_EQ(v->z, z);
}

TEST(PolygonText, ParseAndPrint) {
  const struct {
    const char* line;
    const char* text;
  } rows[] = {
      {"3 16 0 0 0 1 0 0 0 1 0", "3 16 0 0 0 1 0 0 0 1 0"},
      {" \t 3 16 0 0 0 1 0 0 0 1 0 7 8 9", "3 16 0 0 0 1 0 0 0 1 0"},
      {"4 16 0 0 0 1 0 0 1 1 0 0 1 0 and more", "4 16 0 0 0 1 0 0 1 1 0 0 1 0"},
      {"3 -1 1.000000 0.1e1 -0 2 2 2 3 3 3", "3 -1 1 1 -0 2 2 2 3 3 3"},
      {"3 16 0.333333333 1e-5 2.5e6 0 0 0 0 0 0", "3 16 0.333333 1e-005 2.5e+006 0 0 0 0 0 0"},
      {"4 0x2913728 0 0 0 1 0 0 1 1 0 0 1 0", "4 0x2913728 0 0 0 1 0 0 1 1 0 0 1 0"},
      // Malformed (issue 3): still an element, unread fields 0.
      {"4 red 1 2 3 4 5 6 7 8 9 10 11 12", "4 0 1 2 3 4 5 6 7 8 9 10 11 12"},
      {"3 16 1 2 x 4 5 6 7 8 9", "3 16 1 2 0 0 0 0 0 0 0"},
      {"3 16 1 2", "3 16 1 2 0 0 0 0 0 0 0"},
      {"4", "4 0 0 0 0 0 0 0 0 0 0 0 0 0"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ReadElement(row.line)->ToText(), row.text) << row.line;
  }
  EXPECT_EQ(Triangle("3 16 1 2 3 4 5 6 7 8 9 " + std::string(5000, '9')).ToText(),
            "3 16 1 2 3 4 5 6 7 8 9");
}

TEST(PolygonColour, DirectColourReadKeptAndReplaced) {
  Quad quad("4 0x2913728 0 0 0 1 0 0 1 1 0 0 1 0");
  EXPECT_EQ(quad.GetColour().Number(), 43071272);
  EXPECT_EQ(quad.Corners()[2].ToText(), "1 1 0");
  quad.SetColour(4);
  EXPECT_EQ(quad.ToText(), "4 4 0 0 0 1 0 0 1 1 0 0 1 0");
  Triangle triangle("3 0XaBc 0 0 0 1 0 0 0 1 0");
  EXPECT_EQ(triangle.GetColour().Number(), 0xABC);
  EXPECT_EQ(triangle.ToText(), "3 0XaBc 0 0 0 1 0 0 0 1 0");
}

TEST(PolygonWinding, ReverseWindingSwapsP1AndP3AndTheNormal) {
  Triangle triangle("3 16 0 0 0 1 0 0 0 1 0");
  ExpectVector(triangle.Normal(), 0, 0, 1);
  triangle.ReverseWinding();
  EXPECT_EQ(triangle.ToText(), "3 16 0 1 0 1 0 0 0 0 0");
  ExpectVector(triangle.Normal(), 0, 0, -1);

  Quad quad("4 16 0 0 0 2 0 0 2 2 0 0 2 0");
  ExpectVector(quad.Normal(), 0, 0, 1);
  quad.ReverseWinding();
  EXPECT_EQ(quad.ToText(), "4 16 2 2 0 2 0 0 0 0 0 0 2 0");  // (c, b, a, d)
  ExpectVector(quad.Normal(), 0, 0, -1);
  quad.ReverseWinding();
  EXPECT_EQ(quad.ToText(), "4 16 0 0 0 2 0 0 2 2 0 0 2 0");

  // The normal comes from p1, p2, p3 only.
  ExpectVector(Quad("4 16 0 0 0 1 0 0 1 1 0 5 5 5").Normal(), 0, 0, 1);
}

TEST(PolygonWinding, RotateVerticesKeepsTheCycle) {
  Quad quad("4 16 1 1 1 2 2 2 3 3 3 4 4 4");
  quad.RotateVertices();
  EXPECT_EQ(quad.ToText(), "4 16 2 2 2 3 3 3 4 4 4 1 1 1");
  for (int k = 0; k < 3; ++k) quad.RotateVertices();
  EXPECT_EQ(quad.ToText(), "4 16 1 1 1 2 2 2 3 3 3 4 4 4");
}

TEST(PolygonEdges, WalkInWindingOrderWithColourZero) {
  Quad quad("4 16 1 1 1 2 2 2 3 3 3 4 4 4");
  EXPECT_EQ(TextOf(quad.FirstEdge()), "2 0 1 1 1 2 2 2");
  EXPECT_EQ(TextOf(quad.NextEdge()), "2 0 2 2 2 3 3 3");
  EXPECT_EQ(TextOf(quad.NextEdge()), "2 0 3 3 3 4 4 4");
  EXPECT_EQ(TextOf(quad.NextEdge()), "2 0 4 4 4 1 1 1");
  EXPECT_EQ(quad.NextEdge(), nullptr);
  EXPECT_EQ(quad.NextEdge(), nullptr);
  EXPECT_EQ(TextOf(quad.FirstEdge()), "2 0 1 1 1 2 2 2");  // restarts

  Triangle triangle("3 4 1 1 1 2 2 2 3 3 3");
  EXPECT_EQ(TextOf(triangle.FirstEdge()), "2 0 1 1 1 2 2 2");
  EXPECT_EQ(TextOf(triangle.NextEdge()), "2 0 2 2 2 3 3 3");
  EXPECT_EQ(TextOf(triangle.NextEdge()), "2 0 3 3 3 1 1 1");
  EXPECT_EQ(triangle.NextEdge(), nullptr);
}

TEST(PolygonPlacement, EveryVertexMoves) {
  Triangle triangle("3 16 1 0 0 0 1 0 0 0 1");
  triangle.Transform(MatrixFromRows({0, -1, 0}, {1, 0, 0}, {0, 0, 2}));
  triangle.Translate({10, 0, 0});
  EXPECT_EQ(triangle.ToText(), "3 16 10 1 0 9 0 0 10 0 2");
}

TEST(PolygonAngle, SignFromEdgeDirectionAndWinding) {
  Triangle floor("3 16 0 0 0 1 0 0 0 1 0");  // normal (0, 0, 1)
  Triangle wall("3 16 0 0 0 0 0 1 1 0 0");   // normal (0, 1, 0)
  EdgeLine along("2 24 0 0 0 1 0 0");
  EdgeLine back("2 24 1 0 0 0 0 0");
  EXPECT_EQ(floor.AngleTo(Triangle("3 16 1 0 0 1 1 0 0 1 0"), along), 0);
  EXPECT_EQ(floor.AngleTo(wall, along), 90);
  EXPECT_EQ(floor.AngleTo(wall, back), -90);
  wall.winding = -1;
  EXPECT_EQ(floor.AngleTo(wall, along), -90);
  EXPECT_EQ(floor.AngleTo(wall, back), 90);

  // Tilted 30 degrees about the x axis: sin = 0.5, and the edge along +x flips it.
  Triangle tilted({Point{0, 0, 0}, Point{1, 0, 0}, Point{0, std::sqrt(0.75), 0.5}}, Colour(16));
  EXPECT_NEAR(floor.AngleTo(tilted, along), -30, 1e-9);
  EXPECT_NEAR(floor.AngleTo(tilted, back), 30, 1e-9);
  // sin 0.9995 lies beyond 0.999: 90 exactly, not asin's 88.19.
  const double s = 0.9995;
  Triangle steep({Point{0, 0, 0}, Point{1, 0, 0}, Point{0, std::sqrt(1 - s * s), s}}, Colour(16));
  EXPECT_EQ(floor.AngleTo(steep, back), 90);
}

TEST(PolygonEdgeQueries, SameGeometry) {
  Triangle triangle("3 16 0 0 0 1 0 0 0 1 0");
  EXPECT_TRUE(triangle.SameGeometry(EdgeLine("2 24 0 1 0 1 0 0")));
  EXPECT_TRUE(triangle.SameGeometry(EdgeLine("2 24 0.0005 0 0 0 1.001 0")));
  EXPECT_FALSE(triangle.SameGeometry(EdgeLine("2 24 0 0 0 5 5 5")));  // one shared vertex
  // A conditional line has no vertices to HasVertex, so it never matches.
  EXPECT_FALSE(triangle.SameGeometry(CondLine("5 24 0 0 0 1 0 0 0 0 1 0 0 -1")));

  Quad quad("4 16 0 0 0 1 0 0 1 1 0 0 1 0");
  EXPECT_TRUE(quad.SameGeometry(EdgeLine("2 24 1 0 0 1 1 0")));      // p2-p3 (has p3)
  EXPECT_TRUE(quad.SameGeometry(EdgeLine("2 24 0 0 0 0 1 0")));      // p4-p1 reversed
  EXPECT_FALSE(quad.SameGeometry(EdgeLine("2 24 0 0 0 1 1 0")));     // the diagonal
  EXPECT_TRUE(quad.SameGeometry(EdgeLine("2 24 0 1 0 1.001 1 0")));  // p3-p4 reversed
  EXPECT_FALSE(quad.SameGeometry(CondLine("5 24 0 0 0 1 0 0 0 0 1 0 0 -1")));
}

TEST(PolygonEdgeQueries, VertexOffEdge) {
  Triangle triangle("3 16 0 0 0 1 0 0 0 1 0");
  EXPECT_EQ(triangle.VertexOffEdge(EdgeLine("2 24 0 0 0 1 0 0"))->ToText(), "0 1 0");
  EXPECT_EQ(triangle.VertexOffEdge(EdgeLine("2 24 1 0 0 0 1 0"))->ToText(), "0 0 0");
  EXPECT_EQ(triangle.VertexOffEdge(EdgeLine("2 24 0 1 0 0 0 0"))->ToText(), "1 0 0");
  EXPECT_EQ(triangle.VertexOffEdge(EdgeLine("2 24 9 9 9 8 8 8"))->ToText(), "0 0 0");
  Quad quad("4 16 0 0 0 1 0 0 1 1 0 0 1 0");
  // p1 and p2 on the edge: p3, whatever p4 is.
  EXPECT_EQ(quad.VertexOffEdge(EdgeLine("2 24 1 0 0 0 0 0"))->ToText(), "1 1 0");
}

}  // namespace
}  // namespace halvex
