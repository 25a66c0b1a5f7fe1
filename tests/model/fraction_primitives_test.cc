// Cut circular primitives written as fraction primitives: how names are read
// and written, which sectors the planes keep, the fewest pieces, the turns,
// the comparison of elements, and whole -e runs on the fixture library's
// primitives (tests/data/library/p, a 16-sector circle; p/48 and p/8).
#include "model/fraction_primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "e2e/run_program.h"
#include "model/ldraw_reader.h"

namespace halvex {
namespace {

struct NameRow {
  const char* name;
  const char* folder;
  int circleSectors;
  int sectors;
  const char* stem;
};

TEST(CircularPrimitive, ReadsFolderSectorsAndStem) {
  for (const NameRow& row : {
           NameRow{"4-4cyli.dat", "", 16, 16, "cyli"},
           NameRow{"2-4DISC.DAT", "", 16, 8, "disc"},
           NameRow{"48\\1-3cyli.dat", "48\\", 48, 16, "cyli"},
           NameRow{"p/8/3-8edge.dat", "p/8/", 8, 3, "edge"},
           NameRow{"1-16ri19.dat", "", 16, 1, "ri19"},
           NameRow{"s\\11-16con2.dat", "s\\", 16, 11, "con2"},
       }) {
    std::optional<CircularPrimitive> read = ReadCircularPrimitive(row.name);
    ASSERT_TRUE(read) << row.name;
    EXPECT_EQ(read->folder, row.folder) << row.name;
    EXPECT_EQ(read->circleSectors, row.circleSectors) << row.name;
    EXPECT_EQ(read->sectors, row.sectors) << row.name;
    EXPECT_EQ(read->stem, row.stem) << row.name;
  }
}

TEST(CircularPrimitive, RefusesNamesThatAreNoWholeSectors) {
  for (const char* name :
       {"stud.dat", "4-4.dat", "5-4cyli.dat", "1-3cyli.dat", "0-4disc.dat", "4-4cyli.ldr",
        "1-4-4cyli.dat", "12345-16cyli.dat", "8\\1-16edge.dat", "-4cyli.dat", "4-cyli.dat"}) {
    EXPECT_FALSE(ReadCircularPrimitive(name)) << name;
  }
}

TEST(FractionNames, WritesTheFractionAsTheLibraryDoes) {
  const CircularPrimitive cyli{"", 16, 16, "cyli"};
  EXPECT_EQ(FractionNames(cyli, 8), std::vector<std::string>{"2-4cyli.dat"});
  EXPECT_EQ(FractionNames(cyli, 16), std::vector<std::string>{"4-4cyli.dat"});
  EXPECT_EQ(FractionNames(cyli, 4), std::vector<std::string>{"1-4cyli.dat"});
  EXPECT_EQ(FractionNames(cyli, 5), std::vector<std::string>{"5-16cyli.dat"});
  EXPECT_EQ(FractionNames(cyli, 6), std::vector<std::string>{"3-8cyli.dat"});
  const CircularPrimitive fine{"48\\", 48, 48, "cyli"};
  EXPECT_EQ(FractionNames(fine, 16), std::vector<std::string>{"48\\1-3cyli.dat"});
  EXPECT_EQ(FractionNames(fine, 24), std::vector<std::string>{"48\\2-4cyli.dat"});
  EXPECT_EQ(FractionNames(fine, 1), std::vector<std::string>{"48\\1-48cyli.dat"});
  const CircularPrimitive ring{"", 16, 16, "rin15"};
  EXPECT_EQ(FractionNames(ring, 4),
            (std::vector<std::string>{"1-4ring15.dat", "1-4rin15.dat", "1-4ri15.dat"}));
  const CircularPrimitive notRing{"", 16, 16, "rim3"};
  EXPECT_EQ(FractionNames(notRing, 8), std::vector<std::string>{"2-4rim3.dat"});
}

std::optional<std::vector<std::pair<int, int>>> Runs(int sectors, std::vector<Plane> planes,
                                                     const Point& position = {0, 0, 0},
                                                     double scale = 1) {
  const Matrix3 placement = MatrixFromRows({scale, 0, 0}, {0, -4, 0}, {0, 0, scale});
  std::optional<std::vector<SectorRun>> runs =
      KeptSectorRuns(sectors, 16, placement, position, planes);
  if (!runs) return std::nullopt;
  std::vector<std::pair<int, int>> pairs;
  for (const SectorRun& run : *runs) pairs.emplace_back(run.first, run.count);
  return pairs;
}

// Seen from above (y down in LDraw, so +z is up here), sectors counted from
// +x towards +z, 16 to the circle; a plane's normal points to the side it
// removes.
//
//            +z  (sector 4 starts here)
//             |
//    -x ------+------ +x  (sector 0 starts here, sector 15 ends here)
//             |
//            -z  (sector 12 starts here)
TEST(KeptSectorRuns, KeepsTheSectorsOnTheKeptSideOfPlanesThroughTheAxis) {
  using Pairs = std::vector<std::pair<int, int>>;
  const Plane keepRight{{0, 0, 0}, {-1, 0, 0}};
  const Plane keepLeft{{0, 5, 0}, {1, 0, 0}};
  const Plane keepBack{{3, 0, 0}, {0, 0, 1}};
  const Plane keepFront{{0, 0, 0}, {0, 0, -1}};
  // The run through angle 0 is one run.
  EXPECT_EQ(Runs(16, {keepRight}), (Pairs{{12, 8}}));
  EXPECT_EQ(Runs(16, {keepLeft}), (Pairs{{4, 8}}));
  EXPECT_EQ(Runs(16, {keepBack}), (Pairs{{8, 8}}));
  EXPECT_EQ(Runs(16, {keepRight, keepFront}), (Pairs{{0, 4}}));
  // A half circle (sectors 0 to 7) keeps its first quarter.
  EXPECT_EQ(Runs(8, {keepRight}), (Pairs{{0, 4}}));
  // A half circle wholly on the removed side keeps nothing.
  EXPECT_EQ(Runs(8, {keepBack}), (Pairs{}));
  // Placed at x = 10 and scaled: the plane x = 10 holds its axis.
  EXPECT_EQ(Runs(16, {{{10, 0, 0}, {-1, 0, 0}}}, {10, 0, 0}, 6), (Pairs{{12, 8}}));
  // Within the precision of the axis.
  EXPECT_EQ(Runs(16, {{{0.0009, 0, 0}, {-1, 0, 0}}}), (Pairs{{12, 8}}));
}

TEST(KeptSectorRuns, NoneWhereNoPlaneMeetsTheAxisAtASectorBoundary) {
  // Off the axis.
  EXPECT_FALSE(Runs(16, {{{0.5, 0, 0}, {-1, 0, 0}}}));
  // Across the axis (y = 0 meets it at one point only).
  EXPECT_FALSE(Runs(16, {{{0, 0, 0}, {0, 1, 0}}}));
  // Through the axis at 10 degrees, inside sector 0.
  const double a = 10 * std::acos(-1.0) / 180;
  EXPECT_FALSE(Runs(16, {{{0, 0, 0}, {std::sin(a), 0, -std::cos(a)}}}));
  // Through the axis between boundaries, inside sector 4 (turned 95 degrees).
  const double b = 95 * std::acos(-1.0) / 180;
  EXPECT_FALSE(Runs(16, {{{0, 0, 0}, {std::sin(b), 0, -std::cos(b)}}}));
}

TEST(FewestPieces, TakesTheFewestLargestFirst) {
  auto available = [](std::vector<int> counts) {
    std::vector<bool> held(17, false);
    for (int k : counts) held[static_cast<std::size_t>(k)] = true;
    return held;
  };
  using Pieces = std::vector<int>;
  EXPECT_EQ(FewestPieces(5, available({1, 4, 8, 16})), (Pieces{4, 1}));
  EXPECT_EQ(FewestPieces(8, available({1, 2, 4, 8, 16})), (Pieces{8}));
  EXPECT_EQ(FewestPieces(8, available({4, 16})), (Pieces{4, 4}));
  EXPECT_EQ(FewestPieces(6, available({1, 3, 4})), (Pieces{3, 3}));
  EXPECT_FALSE(FewestPieces(3, available({2, 4})));
  EXPECT_FALSE(FewestPieces(3, available({})));
}

TEST(SectorTurn, TurnsExactlyAtQuartersAndMirrorsBeforeTurning) {
  const Vector x{1, 0, 0};
  const Vector z{0, 0, 1};
  auto exactly = [](const Vector& v, const Vector& w) {
    return v.x == w.x && v.y == w.y && v.z == w.z;
  };
  EXPECT_TRUE(exactly(Apply(SectorTurn(4, 16, false), x), {0, 0, 1}));
  EXPECT_TRUE(exactly(Apply(SectorTurn(12, 16, false), x), {0, 0, -1}));
  EXPECT_TRUE(exactly(Apply(SectorTurn(-4, 16, false), x), {0, 0, -1}));
  EXPECT_TRUE(exactly(Apply(SectorTurn(24, 48, false), z), {0, 0, -1}));
  EXPECT_TRUE(exactly(Apply(SectorTurn(2, 8, false), x), {0, 0, 1}));
  // Mirrored and turned by a quarter, x and z change places.
  EXPECT_TRUE(exactly(Apply(SectorTurn(4, 16, true), x), {0, 0, 1}));
  EXPECT_TRUE(exactly(Apply(SectorTurn(4, 16, true), z), {1, 0, 0}));
  EXPECT_LT(Determinant(SectorTurn(3, 16, true)), 0);
  // One sector: 22.5 degrees.
  const Vector turned = Apply(SectorTurn(1, 16, false), x);
  EXPECT_NEAR(turned.x, 0.92388, 1e-5);
  EXPECT_NEAR(turned.z, 0.38268, 1e-5);
}

// A model of the lines `text`, its polygons culled as `culled` says.
void Load(Model& model, const std::string& text, bool culled = true) {
  LoadText(model, text);
  for (int i = 0; i < model.Size(); ++i) {
    Element& element = model.ElementAt(i);
    if (element.IsPolygon()) element.culled = culled;
  }
}

TEST(ElementPool, TakesOnlyElementsAlikeWithinTheTolerance) {
  const std::string triangle = "3 16 0 0 0 1 0 0 0 0 1\n";
  struct Row {
    const char* why;
    std::string text;
    bool culled;
    bool taken;
  };
  for (const Row& row : {
           Row{"the same", triangle, true, true},
           Row{"corners in another order, same front", "3 16 1 0 0 0 0 1 0 0 0\n", true, true},
           Row{"corners 0.0019 away", "3 16 0.0019 0 0 1 0 0 0 0 1.0019\n", true, true},
           Row{"a corner 0.0021 away", "3 16 0.0021 0 0 1 0 0 0 0 1\n", true, false},
           Row{"turned over", "3 16 0 0 0 0 0 1 1 0 0\n", true, false},
           Row{"not culled", triangle, false, false},
           Row{"another colour", "3 4 0 0 0 1 0 0 0 0 1\n", true, false},
           Row{"a quad on the same corners", "4 16 0 0 0 1 0 0 0 0 1 0 0 1\n", true, false},
           Row{"one element too many", triangle + triangle, true, false},
           Row{"nothing drawn", "0 a comment\n", true, false},
       }) {
    Model cut;
    Load(cut, triangle);
    ElementPool pool;
    pool.AddAll(cut);
    Model candidate;
    Load(candidate, row.text, row.culled);
    EXPECT_EQ(pool.TakeAll(candidate), row.taken) << row.why;
    EXPECT_EQ(pool.Empty(), row.taken) << row.why;
  }
}

// Conditional lines go by their ends: a fraction's own control points
// differ from those of the circle it replaces.
TEST(ElementPool, ComparesConditionalLinesByTheirEnds) {
  Model cut;
  Load(cut, "5 24 1 1 0 1 0 0 0.9239 1 -0.3827 0.9239 1 0.3827\n2 24 1 0 0 0 0 1\n");
  ElementPool pool;
  pool.AddAll(cut);
  Model candidate;
  Load(candidate, "2 24 0 0 1 1 0 0\n5 24 1 0 0 1 1 0 1 1 -0.4142 0.9239 1 0.3827\n");
  EXPECT_TRUE(pool.TakeAll(candidate));
  EXPECT_TRUE(pool.Empty());
}

// The reference lines and BFC statements of the output of -e with `plane`
// and -ca on `part` of the fixture library, and the report's two counts.
struct Written {
  std::vector<std::string> lines;
  std::string counts;
};

Written SplitFixturePart(const std::string& part, const std::string& plane) {
  const std::filesystem::path library =
      std::filesystem::path(HALVEX_SOURCE_DIR) / "tests/data/library";
  testing::TempFolder folder;
  testing::ProgramResult run = testing::RunHalvex(
      folder.Path(),
      {"-e", plane, "-ca", "-l", library.string(), (library / "parts" / part).string(), "out.dat"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  Written written;
  for (const std::string& line : testing::Lines(run.out)) {
    if (line.find("Circular primitives") != std::string::npos) written.counts += line + "\n";
  }
  for (std::string line : testing::Lines(testing::ReadFile(folder / "out.dat"))) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("1 ") || line.starts_with("0 BFC")) written.lines.push_back(line);
  }
  return written;
}

using Lines = std::vector<std::string>;

// Each primitive of fraction_primitives.dat, halved through its axis at x = 0:
// a cylinder (placed upside down, as a stud places one), a disc, an edge
// circle, a ring (in two quarters: the library has 1-4ring3 but no
// 2-4ring3), a cone, a square less a disc (in four eighths, every second
// one mirrored: the only fraction is 1-8ndis, whose corner lies at 45
// degrees), a 48\ cylinder, five sectors of a half disc (1-4disc and
// 1-16disc); a red half edge circle whose kept quarter the library lacks
// stays as lines.
TEST(FractionSubstitution, HalvesEachPrimitiveThroughItsAxis) {
  Written written = SplitFixturePart("fraction_primitives.dat", "-x+");
  EXPECT_EQ(written.lines,
            (Lines{
                "0 BFC CERTIFY CCW",
                "1 16 0 0 0 0 0 6 0 -4 0 -6 0 0 2-4cyli.dat",
                "1 16 0 -4 0 0 0 6 0 1 0 -6 0 0 2-4disc.dat",
                "1 16 0 0 0 0 0 6 0 1 0 -6 0 0 2-4edge.dat",
                "1 16 0 8 0 0 0 2 0 1 0 -2 0 0 1-4ring3.dat",
                "1 16 0 8 0 2 0 0 0 1 0 0 0 2 1-4ring3.dat",
                "1 16 0 12 0 0 0 2 0 -3 0 -2 0 0 2-4con2.dat",
                "1 16 0 16 0 0 0 8 0 1 0 -8 0 0 1-8ndis.dat",
                "1 16 0 16 0 8 0 0 0 1 0 0 0 -8 1-8ndis.dat",
                "1 16 0 16 0 8 0 0 0 1 0 0 0 8 1-8ndis.dat",
                "1 16 0 16 0 0 0 8 0 1 0 8 0 0 1-8ndis.dat",
                "1 16 0 20 0 0 0 6 0 1 0 -6 0 0 48\\2-4cyli.dat",
                "1 16 0 24 0 5.54328 0 2.29608 0 1 0 -2.29608 0 5.54328 1-4disc.dat",
                "1 16 0 24 0 2.29608 0 -5.54328 0 1 0 5.54328 0 2.29608 1-16disc.dat",
            }));
  EXPECT_EQ(written.counts,
            "9 Circular primitives cut\n8 Circular primitives written as fractions\n");
}

// fraction_placements.dat: an inverted cylinder, a mirrored disc, an inverted
// and mirrored disc, a cylinder mirrored in z, an 8\ edge circle whose half
// the library lacks, an edge circle off the axis x = 0 but on z = 0, a
// cylinder turned by 10 degrees (cut inside a sector), a disc under NOCLIP
// and a flat disc (its y scale 0).
TEST(FractionSubstitution, KeepsInversionMirrorsAndCulling) {
  Written atX = SplitFixturePart("fraction_placements.dat", "-x+");
  EXPECT_EQ(atX.lines, (Lines{
                           "0 BFC CERTIFY CCW",
                           "0 BFC NOCLIP",
                           "0 BFC CLIP",
                           "0 BFC INVERTNEXT",
                           "1 16 0 0 0 0 0 4 0 5 0 -4 0 0 2-4cyli.dat",
                           "1 16 0 6 0 0 0 6 0 1 0 6 0 0 2-4disc.dat",
                           "0 BFC INVERTNEXT",
                           "1 16 0 8 0 0 0 6 0 -1 0 -6 0 0 2-4disc.dat",
                           "1 16 0 10 0 0 0 6 0 1 0 6 0 0 2-4cyli.dat",
                           "0 BFC NOCLIP",
                           "1 16 0 32 0 0 0 6 0 1 0 -6 0 0 2-4disc.dat",
                           "0 BFC CLIP",
                           "1 16 0 36 0 0 0 6 0 0 0 -6 0 0 2-4disc.dat",
                       }));
  EXPECT_EQ(atX.counts, "9 Circular primitives cut\n6 Circular primitives written as fractions\n");
  Written atZ = SplitFixturePart("fraction_placements.dat", "-z-");
  EXPECT_EQ(atZ.lines[8], "1 16 0 10 0 6 0 0 0 1 0 0 0 -6 2-4cyli.dat");
  EXPECT_EQ(atZ.lines[9], "1 16 3 24 0 -6 0 0 0 1 0 0 0 -6 2-4edge.dat");
  EXPECT_EQ(atZ.counts, "9 Circular primitives cut\n7 Circular primitives written as fractions\n");
}

// A circle that draws nothing is not written as halves that draw nothing.
TEST(FractionSubstitution, WritesNothingForACircleThatDrawsNothing) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "p/4-4blank.dat", "0 BFC CERTIFY CCW\n");
  testing::WriteFile(folder / "p/2-4blank.dat", "0 BFC CERTIFY CCW\n");
  testing::WriteFile(folder / "in.dat", "1 16 0 0 0 6 0 0 0 1 0 0 0 6 4-4blank.dat\n");
  testing::ProgramResult run =
      testing::RunHalvex(folder.Path(), {"-e", "-x+", "-ca", "in.dat", "out.dat"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find("1 Circular primitives cut\n0 Circular primitives written"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(testing::ReadFile(folder / "out.dat"), "");
}

}  // namespace
}  // namespace halvex
