// The author pass (-a) on small models: the outline along a cut less what
// edge lines cover, points on an axis plane exact, the tiling of a
// five-cornered piece, and the header.
#include "app/author_pass.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "app/split_pass.h"
#include "elements/lines.h"
#include "elements/meta_line.h"
#include "elements/polygons.h"
#include "geometry/precision.h"
#include "model/ldraw_reader.h"

namespace halvex {
namespace {

class AuthorPassTest : public ::testing::Test {
 protected:
  AuthorPassTest() {
    precision = kDefaultPrecision;
    settings_.cutAcross = true;
    settings_.authorReady = true;
    // The plane x = 0, keeping x > 0, as -x+ makes it.
    std::array<Point, 3> corners{{{0, 0, 0}, {0, 0, 10}, {0, 10, 0}}};
    splitter_.Append(splitter_.Arena().Make<Triangle>(corners, Colour(kMainColour)));
  }

  void AddQuad(std::array<Point, 4> corners) {
    model_.Append(model_.Arena().Make<Quad>(corners, Colour(kMainColour)));
  }
  void AddEdge(const Point& a, const Point& b) {
    model_.Append(model_.Arena().Make<EdgeLine>(a, b, Colour(kOutlineColour)));
  }
  void AddMeta(const char* text) { model_.Append(model_.Arena().Make<MetaLine>(text)); }

  // Splits, makes the model author-ready and answers its lines.
  std::vector<std::string> Run(const std::string& outFile = "out.dat") {
    const int topSize = model_.Size();
    CutLog log;
    SplitModel(model_, splitter_, settings_, {}, &log);
    MakeGeometryAuthorReady(model_, log, splitter_, report_);
    MakeTextAuthorReady(model_, topSize, outFile, report_);
    std::vector<std::string> lines;
    for (int k = 0; k < model_.Size(); ++k) {
      std::string text = model_.ElementAt(k).ToText();
      if (!text.empty()) lines.push_back(text);
    }
    return lines;
  }

  Model model_;
  Model splitter_;
  RunSettings settings_;
  AuthorReport report_;
};

//   z
//   ^  +-----------+        A square across x = 0: the cut leaves the
//   |  |     :     |        stretch of x = 0 from z = -10 to 10 open; an
//   |  |     :=====|        edge line lies on z = 0 to 10 of it already
//   |  +-----------+        (drawn =), so only z = -10 to 0 is added.
//   +------> x
TEST_F(AuthorPassTest, OutlineAddsOnlyWhatNoEdgeLineCovers) {
  AddQuad({{{-10, 0, -10}, {10, 0, -10}, {10, 0, 10}, {-10, 0, 10}}});
  AddEdge({0, 0, 0}, {0, 0, 10});
  std::vector<std::string> lines = Run();
  EXPECT_EQ(lines, (std::vector<std::string>{"4 16 0 0 -10 10 0 -10 10 0 10 0 0 10",
                                             "2 24 0 0 0 0 0 10", "2 24 0 0 -10 0 0 0"}));
  EXPECT_EQ(report_.outlinesAdded, 1);
}

//   z
//   ^     |                 Two halves modelled apart: the removed one's
//   |  ###|:::              edge lies on x = 0 at y = 0.004, the kept
//   |  ###|:::              one's at y = 0. The outline follows the kept
//   |  ###|:::              edge; a removed edge with nothing kept along
//   +-----|---> x           it outlines nothing.
TEST_F(AuthorPassTest, AnEdgeARemovalOpensIsOutlinedAlongTheKeptEdge) {
  AddQuad({{{0, 0, -10}, {10, 0, -10}, {10, 0, 10}, {0, 0, 10}}});
  AddQuad({{{-10, 0.004, -10}, {0, 0.004, -10}, {0, 0.004, 10}, {-10, 0.004, 10}}});
  AddQuad({{{-10, 5, -10}, {0, 5, -10}, {0, 5, 10}, {-10, 5, 10}}});
  std::vector<std::string> lines = Run();
  EXPECT_EQ(lines, (std::vector<std::string>{"4 16 0 0 -10 10 0 -10 10 0 10 0 0 10",
                                             "2 24 0 0 -10 0 0 10"}));
}

// A rotated copy's corners miss the plane by a little: the removed quad's
// edge runs from x = -0.0002 to x = -0.0012, along the kept quad's edge on
// x = 0, and the removal opens the part there all the same.
TEST_F(AuthorPassTest, ARemovedEdgeJustOffThePlaneOpensThePart) {
  AddQuad({{{0, 0, -10}, {10, 0, -10}, {10, 0, 10}, {0, 0, 10}}});
  AddQuad({{{-10, 0, -10}, {-0.0002, 0, -10}, {-0.0012, 0, 10}, {-10, 0, 10}}});
  std::vector<std::string> lines = Run();
  EXPECT_EQ(lines, (std::vector<std::string>{"4 16 0 0 -10 10 0 -10 10 0 10 0 0 10",
                                             "2 24 0 0 -10 0 0 10"}));
}

// The kept side's edge in the plane bends 0.002 off the removed side's
// straight edge, at a corner 0.23 before its end: both of the kept edges
// run along the removed one, the short one too, and both are outlined.
TEST_F(AuthorPassTest, AShortKeptEdgeBendingOffALongerRemovedEdgeIsOutlined) {
  AddQuad({{{-10, 0, 4}, {0, 0, 4}, {0, 0, 17}, {-10, 0, 17}}});
  model_.Append(model_.Arena().Make<Triangle>(
      std::array<Point, 3>{{{0, 0, 4}, {0, 0.002, 16.77}, {10, 0, 10}}}, Colour(kMainColour)));
  model_.Append(model_.Arena().Make<Triangle>(
      std::array<Point, 3>{{{0, 0.002, 16.77}, {0, 0, 17}, {10, 0, 17}}}, Colour(kMainColour)));
  std::vector<std::string> outlines;
  for (const std::string& line : Run()) {
    if (line.rfind("2 24 ", 0) == 0) outlines.push_back(line);
  }
  EXPECT_EQ(outlines,
            (std::vector<std::string>{"2 24 0 0 4 0 0.002 16.77", "2 24 0 0 17 0 0.002 16.77"}));
}

// A removed edge leaving a corner 0.005 from the kept edge's end, away from
// the kept edge and 15 degrees off its line, keeps within the halves'
// distance of it for the 0.003 LDU both share only: it does not run along
// it, and nothing is outlined.
TEST_F(AuthorPassTest, ARemovedEdgeLeavingTheKeptEdgesEndOffItsLineOpensNothing) {
  model_.Append(model_.Arena().Make<Triangle>(
      std::array<Point, 3>{{{0, 0, 0}, {0, 0, 10}, {5, 0, 5}}}, Colour(kMainColour)));
  model_.Append(model_.Arena().Make<Triangle>(
      std::array<Point, 3>{{{0, 0.004, 0.003}, {0, 2.7, -10}, {-5, 1, -5}}}, Colour(kMainColour)));
  for (const std::string& line : Run()) EXPECT_NE(line.rfind("2 24 ", 0), 0u) << line;
}

// The other half drawn a few thousandths across the plane: its edge runs
// from x = 0.0035 (kept) to x = -0.0022, so the cut keeps a sliver of it
// along z = -10 to 2.28 and removes the rest. The removed rest opens the
// kept quad's edge as a polygon removed whole would.
TEST_F(AuthorPassTest, ThePartOfACutPolygonsEdgeRemovedAlongThePlaneOpensThePart) {
  AddQuad({{{0, 0, -10}, {10, 0, -10}, {10, 0, 10}, {0, 0, 10}}});
  AddQuad({{{-10, 0, -10}, {0.0035, 0, -10}, {-0.0022, 0, 10}, {-10, 0, 10}}});
  std::vector<std::string> lines = Run();
  std::vector<std::string> outlines;
  for (const std::string& line : lines) {
    if (line.rfind("2 24 ", 0) == 0) outlines.push_back(line);
  }
  EXPECT_EQ(outlines, (std::vector<std::string>{"2 24 0 0 -10 0 0 10"}));
}

// A primitive written as fractions is split apart from the output; the
// edges its removed half leaves in the plane open the output's own polygon
// beside them (4181.dat: a quad of the part against a ring primitive).
TEST_F(AuthorPassTest, AnEdgeOfAPrimitivesRemovedHalfOpensTheOutputsPolygon) {
  Model primitive;
  primitive.Append(primitive.Arena().Make<Quad>(
      std::array<Point, 4>{{{-3, 0, 7}, {-4, 0, 9}, {0, 0, 10}, {0, 0, 8}}}, Colour(kMainColour)));
  CutLog primitiveLog;
  SplitModel(primitive, splitter_, settings_, {}, &primitiveLog);
  CutLog fromFractions;
  KeepOutline(primitive, primitiveLog, fromFractions);
  AddQuad({{{0, 0, 8}, {0, 0, 10}, {6, 0, 10}, {8, 0, 8}}});
  CutLog log;
  SplitModel(model_, splitter_, settings_, {}, &log);
  AppendCopies(log.removedEdges, fromFractions.removedEdges);
  MakeGeometryAuthorReady(model_, log, splitter_, report_);
  ASSERT_EQ(model_.Size(), 2);
  EXPECT_EQ(model_.ElementAt(1).ToText(), "2 24 0 0 8 0 0 10");
}

// Two quads side by side along the cut give one outline, not two; a run
// that only snaps outlines nothing.
TEST_F(AuthorPassTest, PiecesOfOneStraightBoundaryAreJoined) {
  AddQuad({{{-10, 0, -10}, {10, 0, -10}, {10, 0, 0}, {-10, 0, 0}}});
  AddQuad({{{-10, 0, 0}, {10, 0, 0}, {10, 0, 10}, {-10, 0, 10}}});
  std::vector<std::string> lines = Run();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "2 24 0 0 -10 0 0 10");
}

// A cut point computed onto x = 0 carries the rounding of its arithmetic;
// written, it is exactly 0, and other numbers have four places at most.
TEST_F(AuthorPassTest, PointsCutOnTheAxisPlaneLieExactlyOnIt) {
  AddQuad({{{-0.3, 0.1, -10}, {10.123456, 0.7, -10}, {10.123456, 0.7, 10}, {-0.3, 0.1, 10}}});
  std::vector<std::string> lines = Run();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "4 16 0 0.1173 -10 10.1235 0.7 -10 10.1235 0.7 10 0 0.1173 10");
  EXPECT_GT(report_.coordinatesRounded, 0);
}

//   y
//   ^         * (40, 20)          The quadrilateral's corner at x = -0.01
//   |  *.     |                   is cut off: its kept part has five
//   |  |  `.  |                   corners, two of them 0.017 apart on
//   |  *    ` * (40, 0)           x = 0. The cut's own triangle at the
//   |   \   /                     corner (40, 20) would be a sliver; the
//   +----* (10, -10) --> x        part is tiled at (10, -10) instead.
TEST_F(AuthorPassTest, AFiveCorneredPieceIsTiledWithoutSlivers) {
  AddQuad({{{40, 0, -20}, {40, 20, -20}, {-0.01, 2.47, -20}, {10, -10, -20}}});
  std::vector<std::string> lines = Run();
  EXPECT_EQ(lines, (std::vector<std::string>{"4 16 10 -10 -20 40 0 -20 40 20 -20 0 2.4744 -20",
                                             "3 16 0 2.4744 -20 0 2.4575 -20 10 -10 -20",
                                             "2 24 0 2.4575 -20 0 2.4744 -20"}));
  EXPECT_EQ(report_.polygonsRetiled, 1);
}

// The header names the output, keeps the folder of a subpart's name and
// the type's qualifier, makes the type unofficial and drops its release.
TEST_F(AuthorPassTest, HeaderNamesTheOutputAndMakesTheTypeUnofficial) {
  AddMeta("~Brick 2 x 4 without Front Face");
  AddMeta("Name: s\\3001s01.dat");
  AddMeta("Author: James Jessiman");
  AddMeta("!LDRAW_ORG Subpart Alias UPDATE 2004-03");
  std::vector<std::string> lines = Run("dir/3001S01-Half.dat");
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "0 ~Brick 2 x 4 without Front Face", "0 Name: s\\3001s01-half.dat",
                       "0 Author: James Jessiman", "0 !LDRAW_ORG Unofficial_Subpart Alias"}));
  EXPECT_TRUE(report_.nameSet);
  EXPECT_TRUE(report_.typeSet);
}

TEST_F(AuthorPassTest, AnOfficialReleaseOrAnUnknownTypeLine) {
  AddMeta("!LDRAW_ORG Part ORIGINAL");
  AddMeta("!LDRAW_ORG Model");
  std::vector<std::string> lines = Run();
  EXPECT_EQ(lines,
            (std::vector<std::string>{"0 !LDRAW_ORG Unofficial_Part", "0 !LDRAW_ORG Model"}));
  EXPECT_FALSE(report_.nameSet);
}

// Two edges that the cut makes one are written once; two alike already in
// the input stay as the author drew them (the check reports them).
TEST_F(AuthorPassTest, OnlyLinesTheRunMadeAlikeAreWrittenOnce) {
  AddEdge({-10, 0, 0}, {10, 0, 0});
  AddEdge({10, 0, 0}, {-5, 0, 0});
  AddEdge({1, 2, 3}, {4, 5, 6});
  AddEdge({1, 2, 3}, {4, 5, 6});
  std::vector<std::string> lines = Run();
  EXPECT_EQ(lines, (std::vector<std::string>{"2 24 0 0 0 10 0 0", "2 24 1 2 3 4 5 6",
                                             "2 24 1 2 3 4 5 6"}));
  EXPECT_EQ(report_.duplicatesRemoved, 1);
}

// Snapping is the run's work as cutting is: an edge 0.0002 long that it
// makes a point is dropped, and of two edges it makes alike one is written;
// an edge that was a point already stays.
TEST_F(AuthorPassTest, LinesThatSnappingMakesPointsOrAlikeAreDropped) {
  AddEdge({0.0005, 0, 0}, {0.0003, 0, 0});
  AddEdge({0.0005, 1, 1}, {5, 1, 1});
  AddEdge({0.0003, 1, 1}, {5, 1, 1});
  AddEdge({3, 3, 3}, {3, 3, 3});
  std::vector<std::string> lines = Run();
  EXPECT_EQ(lines, (std::vector<std::string>{"2 24 0 1 1 5 1 1", "2 24 3 3 3 3 3 3"}));
  EXPECT_EQ(report_.piecesDropped, 1);
  EXPECT_EQ(report_.duplicatesRemoved, 1);
}

// A triangle of 13787.dat (mirrored) cut by x = 0 and then by -x + z = 8:
// the first cut leaves a corner of 179.91 degrees near the tip 0.005 LDU
// off x = 0, the second cuts that piece again. It was not broken before
// the run, so it is tiled; split at the straight corner, not rid of it
// (which would take a sliver 0.005 LDU wide off the face).
TEST_F(AuthorPassTest, APieceBentStraightByAnEarlierPlaneIsTiledKeepingItsCorners) {
  const std::array<Point, 3> oblique{{{-8, 10, 0}, {0, 0, 8}, {-8, 0, 0}}};
  splitter_.Append(splitter_.Arena().Make<Triangle>(oblique, Colour(kMainColour)));
  const std::array<Point, 3> corners{
      {{-0.0418, 16.5709, 13.1421}, {0.005, -15.25, 12.867}, {4.8444, 16.1876, 12.465}}};
  model_.Append(model_.Arena().Make<Triangle>(corners, Colour(kMainColour)));
  std::vector<std::string> lines = Run();
  std::vector<std::string> polygons;
  for (const std::string& line : lines) {
    if (line[0] == '3' || line[0] == '4') polygons.push_back(line);
  }
  EXPECT_EQ(polygons, (std::vector<std::string>{
                          "3 16 4.5112 16.2137 12.5112 0 16.5676 13.1363 0 -11.8503 12.8964",
                          "3 16 0.005 -15.25 12.867 4.4941 13.912 12.4941 4.5112 16.2137 12.5112",
                          "3 16 0 -11.8503 12.8964 0.005 -15.25 12.867 4.5112 16.2137 12.5112"}));
  EXPECT_EQ(report_.piecesLeftBroken, 0);
}

// A triangle whose tip lies 0.002 LDU beyond the plane (10057.dat) leaves a
// quad with an edge 0.0008 long on it: rounded, it bends past 3 degrees,
// and either diagonal makes a sliver. It is counted with its tip's distance,
// for the hint; snapping the tip away (-p 0.003) leaves a triangle.
void AddTipBeyondThePlane(Model& model) {
  const std::array<Point, 3> corners{
      {{-0.002, -22.281, 7.448}, {2.862, -21.501, 7.03}, {2.815, -22.375, 7.674}}};
  model.Append(model.Arena().Make<Triangle>(corners, Colour(kMainColour)));
}

TEST_F(AuthorPassTest, APieceLeftThinByACornerCutAwayNamesThatCornersDistance) {
  AddTipBeyondThePlane(model_);
  Run();
  EXPECT_EQ(report_.piecesLeftBroken, 1);
  EXPECT_NEAR(report_.thinPieceReach, 0.002, 1e-12);
}

TEST_F(AuthorPassTest, SnappingTheCornerTheHintNamesLeavesNoThinPiece) {
  precision = 0.003;
  AddTipBeyondThePlane(model_);
  EXPECT_EQ(Run(), (std::vector<std::string>{
                       "3 16 0 -22.281 7.448 2.862 -21.501 7.03 2.815 -22.375 7.674"}));
  EXPECT_EQ(report_.piecesLeftBroken, 0);
}

// A strip too thin to tile is kept and counted; standard error names the
// precision that would have snapped its corners: strictly above the
// farthest, as a corner snaps only nearer than the precision.
TEST(AuthorReport, ThinPiecesNameThePrecisionThatSnapsThem) {
  auto hint = [](double reach) {
    AuthorReport report;
    report.piecesLeftBroken = 2;
    report.thinPieceReach = reach;
    std::ostringstream out;
    std::ostringstream err;
    ReportAuthorPass(out, err, report);
    EXPECT_NE(out.str().find("2 Pieces too thin to tile within the rules\n"), std::string::npos);
    return err.str();
  };
  EXPECT_EQ(hint(0.001134),
            "Pieces too thin to tile have corners up to 0.001134 LDU off a cut plane: -p 0.002 "
            "snaps them onto it\n");
  EXPECT_NE(hint(0.002).find("-p 0.003 "), std::string::npos);
  EXPECT_NE(hint(0.003).find("-p 0.004 "), std::string::npos);
  EXPECT_NE(hint(0.0029999).find("-p 0.003 "), std::string::npos);
  EXPECT_EQ(hint(0), "");
}

}  // namespace
}  // namespace halvex
