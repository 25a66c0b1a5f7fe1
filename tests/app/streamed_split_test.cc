// A large file split a part at a time must be written as the whole model
// split at once: the same bytes and counts, whatever the switches and the
// planes, wherever the parts end; where it cannot be, nothing is written.
#include "app/streamed_split.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/split_pass.h"
#include "e2e/run_program.h"
#include "elements/polygons.h"
#include "geometry/precision.h"
#include "model/embedded_files.h"
#include "model/path_resolver.h"
#include "model/texture_blocks.h"

namespace halvex {
namespace {

constexpr std::size_t kMebibyte = 1 << 20;

// `bytes` or more of lines about the planes of Splitter: polygons and lines
// across them, beside them and in them, points just off them (snapped),
// studs (always across), references after BFC INVERTNEXT on either side,
// comments.
std::string GeometryLines(std::size_t bytes) {
  std::string text;
  std::uint32_t seed = 12345;
  // A coordinate from -20 to 20, in steps of 0.0005 (some within the
  // precision of 0 and 5).
  auto coordinate = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(static_cast<int>(seed >> 8) % 80001 - 40000) / 2000.0;
  };
  char line[200];
  for (int i = 0; text.size() < bytes; ++i) {
    const double a = coordinate(), b = coordinate(), c = coordinate(), d = coordinate();
    switch (i % 9) {
      case 0:
        std::snprintf(line, sizeof line, "3 16 %g %g %g %g %g %g %g %g %g", a, b, c, b, c, d, d, a,
                      0.0);
        break;
      case 1:
        std::snprintf(line, sizeof line, "4 %d %g %g 5 %g %g 5 %g %g 5.0004 %g %g 5", i % 40, a, b,
                      c, b, c, d, a, d);
        break;
      case 2:
        std::snprintf(line, sizeof line, "2 24 %g %g %g %g %g %g", a, b, c, -a, d, c);
        break;
      case 3:
        std::snprintf(line, sizeof line, "5 24 %g 1 2 %g 3 4 %g 0 0 %g 0 1", a, b, c, d);
        break;
      case 4:
        text.append("0 BFC INVERTNEXT\r\n");
        std::snprintf(line, sizeof line, "1 16 %g %g %g 1 0 0 0 1 0 0 0 1 box.dat", a, b, c);
        break;
      case 5:
        std::snprintf(line, sizeof line, "1 16 %g 0 %g 1 0 0 0 1 0 0 0 1 stud.dat", a, b);
        break;
      case 6:
        std::snprintf(line, sizeof line, "3 16 0.0003 %g %g 0 %g %g -0.0002 %g %g", a, b, c, d, a,
                      c);
        break;
      case 7:
        std::snprintf(line, sizeof line, "0 // comment %d", i);
        break;
      default:
        std::snprintf(line, sizeof line, "4 16 %g %g %g %g %g %g %g %g %g %g %g %g", a, b, c, a + 1,
                      b, c, a + 1, b + 1, c, a, b + 1, c);
        break;
    }
    text.append(line).append(i % 4 == 0 ? "\n" : "\r\n");
  }
  return text;
}

// `bytes` or more of quads with one corner beyond x = 0: the rest of each is
// five-cornered, cut into a quad and a triangle appended after all else.
std::string CornerQuads(std::size_t bytes) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) {
    text.append("4 16 -1 ").append(std::to_string(i % 1000)).append(" 0 3 -1 0 3 3 0 1 3 0\n");
  }
  return text;
}

// The planes x = 0 keeping x > 0, z = 5 keeping z < 5, and a tilted one.
void AddPlanes(Model& splitter) {
  const std::array<std::array<Point, 3>, 3> corners{{
      {{{0, 0, 0}, {0, 0, 10}, {0, 10, 0}}},
      {{{0, 10, 5}, {0, 0, 5}, {10, 0, 5}}},
      {{{-10, -5, -10}, {10, 3, -10}, {0, -1, 10}}},
  }};
  for (const auto& triangle : corners) {
    splitter.Append(splitter.Arena().Make<Triangle>(triangle, Colour(kMainColour)));
  }
}

class StreamedSplitTest : public ::testing::Test {
 protected:
  StreamedSplitTest() { precision = kDefaultPrecision; }

  // Splits `text` a part at a time and as a whole model, and expects the
  // same file and reports.
  void ExpectSameAsWhole(const std::string& text, const RunSettings& settings,
                         const Model& splitter) {
    testing::WriteFile(in_, text);
    StreamedSplit split = SplitStreamed(in_.string(), splitter, settings, out_.string(), resolver_);
    ASSERT_TRUE(split.done);
    const std::string streamed = testing::ReadFile(out_);

    Model model;
    EmbeddedFiles files;
    std::string reason;
    std::optional<LoadSummary> load = Load(model, in_.string(), resolver_, &reason, &files);
    ASSERT_TRUE(load);
    EXPECT_FALSE(ReadTextures(model));
    SplitModel(model, splitter, settings);
    SaveSummary save = Save(model, out_.string(), resolver_, {}, files.TextAfter(model, true));
    ASSERT_EQ(save.result, SaveResult::kSaved);
    // Compared whole, so that a failure does not print megabytes.
    EXPECT_TRUE(streamed == testing::ReadFile(out_)) << "output differs";
    EXPECT_EQ(split.load.modelSize, load->modelSize);
    EXPECT_EQ(split.load.counts.quads, load->counts.quads);
    EXPECT_EQ(split.save.linesWritten, save.linesWritten);
    EXPECT_EQ(split.save.counts.triangles, save.counts.triangles);
    EXPECT_EQ(split.save.counts.edgeLines, save.counts.edgeLines);
    EXPECT_EQ(split.save.counts.subfiles, save.counts.subfiles);
  }

  testing::TempFolder folder_;
  const testing::fs::path in_ = folder_ / "in.ldr";
  const testing::fs::path out_ = folder_ / "out.ldr";
  PathResolver resolver_;
};

TEST_F(StreamedSplitTest, WritesWhatTheWholeModelSplitWrites) {
  Model splitter;
  AddPlanes(splitter);
  const std::string lines = GeometryLines(3 * kMebibyte / 2);
  // A BFC INVERTNEXT statement parted from its reference, on the removed
  // side, by more than a part.
  std::string parted = "0 BFC INVERTNEXT\n";
  for (int i = 0; parted.size() < 3 * kMebibyte; ++i) {
    parted.append("2 24 1 0 0 2 ").append(std::to_string(i % 50)).append(" 0\n");
  }
  parted.append("1 16 -30 0 0 1 0 0 0 1 0 0 0 1 box.dat\n");
  RunSettings cut;
  cut.cutAcross = true;
  RunSettings marked;
  marked.colourElements = true;
  marked.cutAcross = true;
  RunSettings symmetry;
  symmetry.verifySymmetry = true;
  RunSettings others;
  others.deleteNotInOrAcross = true;
  others.deleteInPlane = true;
  RunSettings snap;
  snap.snapOnly = true;
  snap.cutAcross = true;
  RunSettings gone;
  gone.deleteAcross = true;
  // Pieces cut off enough to be held in a temporary file.
  const std::string corners = CornerQuads(kMebibyte);
  for (const RunSettings& settings : {cut, marked, symmetry, others, snap, gone}) {
    ExpectSameAsWhole(lines + corners + parted + lines, settings, splitter);
  }
  // An MPD: its other files follow the model, as they were, texture
  // statements and all.
  ExpectSameAsWhole("0 FILE main.ldr\n" + lines + corners + parted + lines +
                        "0 FILE box.dat\n0 !TEXMAP START PLANAR 0 0 0 2 0 0 0 0 2 tile.png\n"
                        "4 16 0 0 0 1 0 0 1 1 0 0 1 0\n0 !TEXMAP END\n",
                    cut, splitter);
  // One plane, and no plane at all.
  Model one;
  one.Append(one.Arena().Make<Triangle>(std::array<Point, 3>{{{0, 0, 0}, {0, 0, 10}, {0, 10, 0}}},
                                        Colour(kMainColour)));
  ExpectSameAsWhole(lines, cut, one);
  ExpectSameAsWhole(lines, cut, Model());
}

TEST_F(StreamedSplitTest, WritesNothingWhereTheWholeModelIsNeeded) {
  Model splitter;
  AddPlanes(splitter);
  RunSettings cut;
  cut.cutAcross = true;
  // Texture blocks are said again around what is left of them.
  testing::WriteFile(in_, GeometryLines(3 * kMebibyte) +
                              "0 !TEXMAP START PLANAR 0 0 0 2 0 0 0 0 2 tile.png\n"
                              "3 16 -1 0 0 1 0 0 0 0 1\n0 !TEXMAP END\n" +
                              GeometryLines(kMebibyte));
  EXPECT_FALSE(SplitStreamed(in_.string(), splitter, cut, out_.string(), resolver_).done);
  EXPECT_FALSE(testing::fs::exists(out_));
  // More polygons than passes can be told apart.
  testing::WriteFile(in_, GeometryLines(kMebibyte));
  for (int k = 0; k < 10; ++k) AddPlanes(splitter);
  EXPECT_FALSE(SplitStreamed(in_.string(), splitter, cut, out_.string(), resolver_).done);
  EXPECT_FALSE(testing::fs::exists(out_));
  // No input.
  EXPECT_FALSE(
      SplitStreamed((folder_ / "none.ldr").string(), Model(), cut, out_.string(), resolver_).done);
}

}  // namespace
}  // namespace halvex
