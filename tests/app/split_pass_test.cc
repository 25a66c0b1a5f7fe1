#include "app/split_pass.h"

#include <gtest/gtest.h>

#include "elements/polygons.h"
#include "model/ldraw_reader.h"

namespace halvex {
namespace {

using Lines = std::vector<std::string>;

// The axis triangle of "-x+": normal towards -x, x > 0 kept.
Triangle XPlus() { return Triangle({{{0, 0, 0}, {0, 0, 10}, {0, 10, 0}}}, Colour(16)); }

Lines Texts(const Model& model) {
  Lines texts;
  for (int i = 0; i < model.Size(); ++i) texts.push_back(model.ElementAt(i).ToText());
  return texts;
}

// Switches by their option names: "a" -da, "i" -di, "n" -dn, "0" -d0, "c" -c,
// "x" -ca, "v" -v.
RunSettings Switches(std::string_view names) {
  RunSettings settings;
  for (char c : names) {
    if (c == 'a') settings.deleteAcross = true;
    if (c == 'i') settings.deleteInPlane = true;
    if (c == 'n') settings.deleteNotInOrAcross = true;
    if (c == '0') settings.snapOnly = true;
    if (c == 'c') settings.colourElements = true;
    if (c == 'x') settings.cutAcross = true;
    if (c == 'v') settings.verifySymmetry = true;
  }
  return settings;
}

struct PassCase {
  const char* name;
  const char* switches;
  Lines input;
  Lines expected;  // Every index after the pass; "" for an erased element.
};
void PrintTo(const PassCase& row, std::ostream* os) { *os << row.name; }

class SplitByPolygonTest : public ::testing::TestWithParam<PassCase> {};

TEST_P(SplitByPolygonTest, AgainstXPlus) {
  Model input;
  for (const std::string& line : GetParam().input) LoadText(input, line);
  SplitByPolygon(input, XPlus(), Switches(GetParam().switches));
  EXPECT_EQ(Texts(input), GetParam().expected);
}

constexpr const char* kRemovedEdge = "2 24 -5 0 0 -1 0 0";
constexpr const char* kKeptEdge = "2 24 1 0 0 5 0 0";
constexpr const char* kAcrossEdge = "2 24 -1 0 0 1 0 0";  // Its own mirror image.
constexpr const char* kAsymmetricEdge = "2 24 -1 1 0 2 1 0";
constexpr const char* kInPlaneEdge = "2 24 0 0 0 0 5 0";
constexpr const char* kAcrossCond = "5 24 -1 1 0 2 1 0 0 0 0 0 0 1";
// (-1,0,0) (1,0,0) (1,1,0): not its own mirror image, although (1,0,0) and
// (-1,0,0) mirror each other and (1,1,0) lies on the kept side (departure:
// only a corner within the precision of the plane lies in it).
constexpr const char* kAcrossTriangle = "3 16 -1 0 0 1 0 0 1 1 0";
constexpr const char* kAcrossQuad = "4 16 -1 0 0 2 0 0 2 2 0 1 2 0";
constexpr const char* kInPlaneTriangle = "3 16 0 0 0 0 1 0 0 0 1";
constexpr const char* kRemovedRef = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 box.dat";
constexpr const char* kKeptRef = "1 16 3 0 0 1 0 0 0 1 0 0 0 1 box.dat";
constexpr const char* kInPlaneRef = "1 16 0 0 0 1 0 0 0 1 0 0 0 1 box.dat";
constexpr const char* kStud = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 stud.dat";
constexpr const char* kStud2 = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 stud2.dat";
constexpr const char* kStug = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 stug-1x2.dat";
constexpr const char* kStudUpper = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 STUD.DAT";

// clang-format off
INSTANTIATE_TEST_SUITE_P(SplitPass, SplitByPolygonTest, ::testing::Values(
    // Removed side.
    PassCase{"RemovedErased", "", {kRemovedEdge, kRemovedRef}, {"", ""}},
    PassCase{"RemovedKeptBySnapOnly", "0", {kRemovedEdge}, {kRemovedEdge}},
    // Kept side; meta lines are never erased by -dn.
    PassCase{"KeptKept", "", {kKeptEdge, kKeptRef}, {kKeptEdge, kKeptRef}},
    PassCase{"KeptErasedByDn", "n", {"0 meta", kKeptEdge, kKeptRef}, {"0 meta", "", ""}},
    PassCase{"KeptDnSnapOnly", "n0", {kKeptEdge}, {kKeptEdge}},
    // Crossing.
    PassCase{"AcrossKept", "", {kAcrossEdge, kAcrossQuad}, {kAcrossEdge, kAcrossQuad}},
    PassCase{"AcrossColoured", "c", {kAcrossEdge, kAcrossCond, kAcrossTriangle},
             {"2 4 -1 0 0 1 0 0", "5 4 -1 1 0 2 1 0 0 0 0 0 0 1", "3 14 -1 0 0 1 0 0 1 1 0"}},
    PassCase{"AcrossVerified", "v",
             {kAcrossEdge, kAsymmetricEdge, kAcrossCond, kAcrossTriangle, kAcrossQuad},
             {kAcrossEdge, "2 10 -1 1 0 2 1 0", "5 10 -1 1 0 2 1 0 0 0 0 0 0 1",
              "3 5 -1 0 0 1 0 0 1 1 0", "4 5 2 2 0 1 2 0 -1 0 0 2 0 0"}},
    PassCase{"AcrossErasedByDa", "a", {kAcrossEdge}, {""}},
    PassCase{"AcrossDaSnapOnly", "a0", {kAcrossEdge}, {kAcrossEdge}},
    PassCase{"AcrossCut", "x", {kAcrossEdge, kAcrossCond, kAcrossTriangle},
             {"2 24 0 0 0 1 0 0", "5 24 0 1 0 2 1 0 0 0 0 0 0 1",
              "4 16 0 0 0 1 0 0 1 1 0 0 0.5 0"}},
    PassCase{"CutAppendsSecondPiece", "x", {kAcrossQuad, kKeptEdge},
             {"4 16 0 0 0 2 0 0 2 2 0 1 2 0", kKeptEdge, "3 16 1 2 0 0 1 0 0 0 0"}},
    PassCase{"CutSecondPieceErasedByDn", "xn", {kAcrossQuad}, {"4 16 0 0 0 2 0 0 2 2 0 1 2 0", ""}},
    PassCase{"CutSnapOnlyStillCuts", "x0", {kAcrossEdge}, {"2 24 0 0 0 1 0 0"}},
    PassCase{"DaThenCutLeavesNothing", "ax", {kAcrossQuad, kAcrossEdge}, {"", ""}},
    // In plane.
    PassCase{"InPlaneKept", "", {kInPlaneEdge, kInPlaneTriangle, kInPlaneRef},
             {kInPlaneEdge, kInPlaneTriangle, kInPlaneRef}},
    PassCase{"InPlaneColoured", "c", {kInPlaneEdge, kInPlaneTriangle, kInPlaneRef},
             {"2 1 0 0 0 0 5 0", "3 9 0 0 0 0 1 0 0 0 1", "1 1 0 0 0 1 0 0 0 1 0 0 0 1 box.dat"}},
    PassCase{"InPlaneErasedByDi", "i", {kInPlaneEdge, kInPlaneRef}, {"", ""}},
    PassCase{"InPlaneDiSnapOnly", "i0", {kInPlaneTriangle}, {kInPlaneTriangle}},
    // Snapping happens whatever the answer.
    PassCase{"SnapOnlySnaps", "0", {"2 24 0.0005 1 0 -5 1 0", "2 24 0.0015 1 0 5 1 0"},
             {"2 24 0 1 0 -5 1 0", "2 24 0.0015 1 0 5 1 0"}},
    // Stud references count as crossing without being classified; the name
    // test is case-sensitive.
    PassCase{"StudKeptOnRemovedSide", "", {kStud, kStud2, kStug, kStudUpper},
             {kStud, kStud2, kStug, ""}},
    PassCase{"StudColoured", "c", {kStud}, {"1 14 -3 0 0 1 0 0 0 1 0 0 0 1 stud.dat"}},
    PassCase{"StudNotMarkedBySymmetry", "v", {kStud}, {kStud}},
    PassCase{"StudCutAway", "x", {"1 16 3 0 0 1 0 0 0 1 0 0 0 1 stud.dat"}, {""}},
    PassCase{"StudErasedByDa", "a", {kStud}, {""}},
    // An inversion marker goes with its reference, also in the cut step.
    PassCase{"ErasedReferenceTakesMarker", "",
             {"0 BFC INVERTNEXT", kRemovedRef, "0 BFC INVERTNEXT", kRemovedEdge},
             {"", "", "0 BFC INVERTNEXT", ""}},
    PassCase{"CutReferenceTakesMarker", "x", {"0 bfc invertnext", kStud}, {"", ""}}),
    [](const auto& row) { return row.param.name; });
// clang-format on

TEST(SplitModel, EachPolygonOfTheSplitterInOrder) {
  // Splitter: "-x+", an edge line and a reference (skipped), then the plane
  // x = 0.5 keeping x > 0.5. The diamond (-1,0) (1,-2) (3,0) (1,2) keeps three
  // corners in each pass; the second pass cuts the piece the first appended.
  Model splitter;
  splitter.Append(std::make_unique<Triangle>(XPlus().Corners(), Colour(16)));
  LoadText(splitter, "2 24 0 0 0 1 0 0\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 box.dat\n");
  LoadText(splitter, "3 16 0.5 0 0 0.5 0 10 0.5 10 0\n");
  Model input;
  LoadText(input, "2 24 0.2 0 0 0.3 0 0\n4 16 -1 0 0 1 -2 0 3 0 0 1 2 0\n");
  SplitModel(input, splitter, Switches("x"));
  EXPECT_EQ(Texts(input),
            (Lines{"", "4 16 0.5 -1.5 0 1 -2 0 3 0 0 1 2 0", "3 16 0.5 0.5 0 1 2 0 0.5 1.5 0",
                   "3 16 1 2 0 0.5 0.5 0 0.5 -1.5 0"}));
}

TEST(SplitModel, SplitterWithoutPolygonsChangesNothing) {
  Model splitter;
  LoadText(splitter, "2 24 0 0 0 1 0 0\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 box.dat\n0 x\n");
  Model input;
  LoadText(input, std::string(kRemovedEdge) + "\n2 24 0.0005 1 0 5 1 0");
  SplitModel(input, splitter, Switches("n"));
  EXPECT_EQ(Texts(input), (Lines{kRemovedEdge, "2 24 0.0005 1 0 5 1 0"}));
}

}  // namespace
}  // namespace halvex
