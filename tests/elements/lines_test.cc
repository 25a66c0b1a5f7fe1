#include "elements/lines.h"

#include <gtest/gtest.h>

#include <string>

#include "geometry/precision_guard.h"
#include "splitting/splitters.h"

namespace halvex {
namespace {

using test::KeepBelowX5;
using test::KeepXPositive;
using test::ReadElement;
using test::TextOf;

TEST(LineText, ParseAndPrint) {
  const struct {
    const char* line;
    const char* text;
  } rows[] = {
      {"2 24 0 0 0 10 0 0", "2 24 0 0 0 10 0 0"},
      {" \t2  24\t1.0 2.50 -3   4e0 5 6 7 8 9", "2 24 1 2.5 -3 4 5 6"},  // the rest ignored
      {"5 24 0 0 0 1 0 0 0 1 0 0 -1 0", "5 24 0 0 0 1 0 0 0 1 0 0 -1 0"},
      {"2 24 1.5,0 2 3 4 5 6 7", "2 24 1.5 2 3 4 5 6"},  // a glued token is skipped whole
      {"2 24 123.4567 1e-5 0 2.5e6 0 0", "2 24 123.457 1e-005 0 2.5e+006 0 0"},
      // Malformed (issue 3): still an element, unread fields 0.
      {"2 blue 1 2 3 4 5 6", "2 0 1 2 3 4 5 6"},
      {"2 24 1 2 x 4 5 6", "2 24 1 2 0 0 0 0"},
      {"2 24 1 2", "2 24 1 2 0 0 0 0"},
      {"2", "2 0 0 0 0 0 0 0"},
      {"5 24 1 2 3 4 5 6 7 8", "5 24 1 2 3 4 5 6 7 8 0 0 0 0"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ReadElement(row.line)->ToText(), row.text) << row.line;
  }
}

TEST(LineText, OverLongLinesAndTokens) {
  const std::string longColour(600, '7');
  EdgeLine edge("2 " + longColour + " 1 2 3 4 5 6 " + std::string(3000, 'z'));
  EXPECT_EQ(edge.P1().ToText(), "1 2 3");
  EXPECT_EQ(edge.P2().ToText(), "4 5 6");
  EdgeLine big("2 24 1" + std::string(300, '0') + " 0 0 0 0 0");
  EXPECT_EQ(big.ToText(), "2 24 1e+300 0 0 0 0 0");
}

TEST(LineText, NothingReadBeyondTheLine) {
  const std::string buffer = "2 24 1 2 3 4 5 67 8";
  EdgeLine edge(std::string_view(buffer).substr(0, 16));  // ends after "6"
  EXPECT_EQ(edge.ToText(), "2 24 1 2 3 4 5 6");
  EdgeLine cut(std::string_view(buffer).substr(0, 12));  // ends after "4"
  EXPECT_EQ(cut.ToText(), "2 24 1 2 3 4 0 0");
}

TEST(LineColour, DirectColourReadKeptAndReplaced) {
  EdgeLine edge("2 0x2913728 0 0 0 1 0 0");
  EXPECT_EQ(edge.GetColour().Number(), 43071272);
  EXPECT_EQ(edge.ToText(), "2 0x2913728 0 0 0 1 0 0");
  edge.SetColour(4);
  EXPECT_EQ(edge.ToText(), "2 4 0 0 0 1 0 0");
  CondLine cond("5 0X2A 0 0 0 1 0 0 0 1 0 0 -1 0");
  EXPECT_EQ(cond.GetColour().Number(), 42);
  EXPECT_EQ(cond.ToText(), "5 0X2A 0 0 0 1 0 0 0 1 0 0 -1 0");
  cond.SetColour(16);
  EXPECT_EQ(cond.ToText(), "5 16 0 0 0 1 0 0 0 1 0 0 -1 0");
}

TEST(LinePlacement, EveryPointMoves) {
  CondLine cond("5 24 1 0 0 0 1 0 0 0 1 1 1 1");
  cond.Transform(MatrixFromRows({0, -1, 0}, {1, 0, 0}, {0, 0, 2}));
  cond.Translate({10, 0, 0});
  EXPECT_EQ(cond.ToText(), "5 24 10 1 0 9 0 0 10 0 2 9 1 2");
}

// Against the plane x = 5 whose removed side is x > 5, unless said otherwise.
TEST(LineClassify, AnswersAndSnapping) {
  const struct {
    const char* line;
    Side side;
    const char* after;
  } rows[] = {
      {"2 24 0 0 0 10 0 0", Side::kAcross, "2 24 0 0 0 10 0 0"},
      {"2 24 4.9995 0 0 10 0 0", Side::kRemoved, "2 24 5 0 0 10 0 0"},
      {"2 24 5.0005 1 0 0 0 0", Side::kKept, "2 24 5 1 0 0 0 0"},
      {"2 24 5.0005 1 0 4.9991 2 0", Side::kInPlane, "2 24 5 1 0 5 2 0"},
      {"2 24 5.0015 0 0 4.9 0 0", Side::kAcross, "2 24 5.0015 0 0 4.9 0 0"},
      // Control points neither decide nor move.
      {"5 24 1 0 0 2 0 0 9 0 0 5.0005 0 0", Side::kKept, "5 24 1 0 0 2 0 0 9 0 0 5.0005 0 0"},
      {"5 24 4.9995 0 0 9 0 0 5.0005 0 0 1 0 0", Side::kRemoved,
       "5 24 5 0 0 9 0 0 5.0005 0 0 1 0 0"},
  };
  for (const auto& row : rows) {
    auto line = ReadElement(row.line);
    EXPECT_EQ(line->Classify(KeepBelowX5()), row.side) << row.line;
    EXPECT_EQ(line->ToText(), row.after) << row.line;
  }
}

TEST(LineCut, KeptPartFromTheCrossing) {
  const struct {
    const char* line;
    bool belowX5;  // else the "-x+" splitter (x > 0 kept)
    const char* piece;
  } rows[] = {
      {"2 24 0 0 0 10 0 0", true, "2 24 0 0 0 5 0 0"},
      {"2 24 10 0 0 0 0 0", true, "2 24 5 0 0 0 0 0"},
      {"5 24 0 0 0 10 0 0 1 1 1 20 2 2", true, "5 24 0 0 0 5 0 0 1 1 1 20 2 2"},
      {"5 24 10 4 0 0 0 0 1 1 1 20 2 2", true, "5 24 5 2 0 0 0 0 1 1 1 20 2 2"},
      {"2 0x2FF00FF 10 0 0 0 0 0", true, "2 0x2FF00FF 5 0 0 0 0 0"},
      {"2 24 -1 2 0 3 -2 0", false, "2 24 0 1 0 3 -2 0"},
      // p1 exactly on the plane is not below zero: from the crossing (p1 itself) to p2.
      {"2 24 0 0 0 1 0 0", false, "2 24 0 0 0 1 0 0"},
      // Intersect calls this crossing parallel (|den| 0.0008); the
      // kept part is still returned, ending at the computed crossing.
      {"2 24 0.0004 0 0 -0.0004 5 0", false, "2 24 0.0004 0 0 0 2.5 0"},
      {"5 24 -0.0004 5 0 0.0004 0 0 0 0 0 1 1 1", false, "5 24 0 2.5 0 0.0004 0 0 0 0 0 1 1 1"},
      // Not crossing: wholly kept is copied, wholly removed gives no piece.
      {"2 24 1 0 0 2 0 0", false, "2 24 1 0 0 2 0 0"},
      {"2 24 -1 0 0 -2 0 0", false, "(none)"},
  };
  for (const auto& row : rows) {
    auto line = ReadElement(row.line);
    CutPieces pieces = line->Cut(row.belowX5 ? KeepBelowX5() : KeepXPositive());
    EXPECT_EQ(TextOf(pieces.first), row.piece) << row.line;
    EXPECT_EQ(pieces.second, nullptr) << row.line;
    EXPECT_EQ(line->ToText(), row.line);  // the element itself is unchanged
  }
}

TEST(LineSymmetry, MirroredEndsWithinPrecision) {
  Triangle splitter = KeepXPositive();
  EXPECT_TRUE(EdgeLine("2 24 1 2 3 -1 2 3").IsSelfSymmetric(splitter));
  EXPECT_TRUE(CondLine("5 24 1 2 3 -1.0005 2 3 9 9 9 8 8 8").IsSelfSymmetric(splitter));
  EXPECT_FALSE(EdgeLine("2 24 1 2 3 -1.002 2 3").IsSelfSymmetric(splitter));
  EXPECT_FALSE(EdgeLine("2 24 0 0 0 0 1 0").IsSelfSymmetric(splitter));  // lies in the plane
  EXPECT_TRUE(EdgeLine("2 24 0 1 0 0 1 0").IsSelfSymmetric(splitter));
}

TEST(LineEdges, OneEdgeOfColourZero) {
  CondLine cond("5 24 1 2 3 4 5 6 7 8 9 0 0 0");
  EXPECT_EQ(TextOf(cond.FirstEdge()), "2 0 1 2 3 4 5 6");
  EXPECT_EQ(cond.NextEdge(), nullptr);
}

using LineGeometryTest = test::PrecisionGuard;

TEST_F(LineGeometryTest, HasVertexAndSameGeometry) {
  EdgeLine edge("2 24 0 0 0 1 0 0");
  EXPECT_TRUE(edge.HasVertex({1.001, 0, -0.001}));
  EXPECT_FALSE(edge.HasVertex({0.5, 0, 0}));
  EXPECT_FALSE(CondLine("5 24 0 0 0 1 0 0 0 1 0 0 -1 0").HasVertex({0, 0, 0}));

  EXPECT_TRUE(edge.SameGeometry(EdgeLine("2 4 1 0 0 0 0 0.001")));  // reversed, within precision
  EXPECT_FALSE(edge.SameGeometry(EdgeLine("2 4 1 0 0 0 0 0.0011")));
  EXPECT_FALSE(edge.SameGeometry(EdgeLine("2 4 0 0 0 2 0 0")));
  EXPECT_TRUE(edge.SameGeometry(CondLine("5 4 0 0 0 1 0 0 7 7 7 8 8 8")));
  EXPECT_TRUE(edge.SameGeometry(*ReadElement("3 16 1 0 0 0 0 0 5 5 0")));  // its first two points
  EXPECT_FALSE(edge.SameGeometry(*ReadElement("3 16 5 5 0 1 0 0 0 0 0")));
  EXPECT_TRUE(CondLine("5 4 1 0 0 0 0 0 7 7 7 8 8 8").SameGeometry(edge));
  precision = 0.5;
  EXPECT_TRUE(edge.SameGeometry(EdgeLine("2 4 0.5 0 0 1.5 0 0")));
}

}  // namespace
}  // namespace halvex
