// How the texture statements of a file tag its lines, and which statements
// the writer says again around what is left of them.
#include "model/texture_blocks.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/ldraw_reader.h"

namespace halvex {
namespace {

constexpr TextureSection kNone = TextureSection::kNone;
constexpr TextureSection kTextured = TextureSection::kTextured;
constexpr TextureSection kFallback = TextureSection::kFallback;

// Nested blocks: the innermost texture applies, a fallback section of any
// enclosing block hides a line from programs that know the extension, NEXT
// holds for one drawing line, STEP ends every block.
TEST(TextureScope, TagsEachLineByTheBlocksAroundIt) {
  TextureScope scope;
  auto statement = [&](const char* text) { return scope.TakeStatement(text); };
  const char* outer = "!TEXMAP START PLANAR 0 0 0 1 0 0 0 0 1 outer.png";
  const char* inner = "!TEXMAP START PLANAR 0 0 0 2 0 0 0 0 2 inner.png";
  EXPECT_EQ(scope.TagOfLine(false), (TextureTag{-1, kNone, false}));
  EXPECT_TRUE(statement(outer));
  EXPECT_EQ(scope.TagOfLine(true), (TextureTag{0, kTextured, true}));
  EXPECT_TRUE(statement(inner));
  EXPECT_EQ(scope.TagOfLine(false), (TextureTag{1, kTextured, false}));
  EXPECT_TRUE(statement("!TEXMAP FALLBACK"));
  EXPECT_EQ(scope.TagOfLine(false), (TextureTag{1, kFallback, false}));
  EXPECT_TRUE(statement("!TEXMAP END"));
  EXPECT_EQ(scope.TagOfLine(false), (TextureTag{0, kTextured, false}));
  EXPECT_TRUE(statement("!TEXMAP FALLBACK"));
  EXPECT_TRUE(statement(inner));
  // In the outer fallback, the inner block's lines are ignored as well.
  EXPECT_EQ(scope.TagOfLine(false), (TextureTag{0, kFallback, false}));
  EXPECT_TRUE(statement("!TEXMAP END"));
  EXPECT_TRUE(statement("!TEXMAP END"));
  EXPECT_TRUE(statement("!TEXMAP NEXT SPHERICAL 0 0 0 0 0 -5 5 0 0 120 60 next.png"));
  EXPECT_EQ(scope.TagOfLine(false), (TextureTag{3, kTextured, false}));
  EXPECT_EQ(scope.TagOfLine(false), (TextureTag{-1, kNone, false}));
  EXPECT_TRUE(statement(outer));
  EXPECT_FALSE(statement("STEP"));
  EXPECT_FALSE(statement("// !TEXMAP START"));
  EXPECT_EQ(scope.TagOfLine(false), (TextureTag{-1, kNone, false}));
  EXPECT_EQ(scope.Textures().size(), 5u);
  EXPECT_TRUE(scope.Textures()[3].next);
}

// The statements FlattenTextures says, each with the index it goes before.
std::vector<std::pair<int, std::string>> Statements(const Model& model) {
  std::vector<std::pair<int, std::string>> said;
  for (const InsertedLine& line : FlattenTextures(model)) {
    said.emplace_back(line.before, std::string(line.text));
  }
  return said;
}

using Said = std::vector<std::pair<int, std::string>>;

TEST(FlattenTextures, SaysTheBlocksAroundTheLinesLeft) {
  Model model;
  LoadText(model,
           "0 !TEXMAP START PLANAR 0 0 0 1 0 0 0 0 1 a.png\n"  // 0
           "0 !: 3 16 0 0 0 1 0 0 0 0 1\n"                     // 1
           "0 !TEXMAP FALLBACK\n"                              // 2
           "3 16 0 0 0 1 0 0 0 0 1\n"                          // 3
           "0 !TEXMAP END\n"                                   // 4
           "0 !TEXMAP NEXT PLANAR 0 0 0 1 0 0 0 0 1 b.png\n"   // 5
           "2 24 0 0 0 1 0 0\n"                                // 6
           "2 24 0 0 0 2 0 0\n");                              // 7
  ASSERT_TRUE(ReadTextures(model));
  EXPECT_EQ(model.ElementAt(0).LineType(), kEmptyType);
  EXPECT_EQ(model.ElementAt(1).ToText(), "3 16 0 0 0 1 0 0 0 0 1");
  EXPECT_TRUE(model.TagAt(1).hidden);
  EXPECT_EQ(Statements(model), (Said{{1, "0 !TEXMAP START PLANAR 0 0 0 1 0 0 0 0 1 a.png"},
                                     {3, "0 !TEXMAP FALLBACK"},
                                     {6, "0 !TEXMAP END"},
                                     {6, "0 !TEXMAP NEXT PLANAR 0 0 0 1 0 0 0 0 1 b.png"}}));
  // The textured line removed: the block starts at its fallback. The line
  // after NEXT removed: the NEXT goes with it, and the next line stays
  // untextured.
  model.ReplaceWithEmpty(1);
  model.ReplaceWithEmpty(6);
  EXPECT_EQ(Statements(model), (Said{{3, "0 !TEXMAP START PLANAR 0 0 0 1 0 0 0 0 1 a.png"},
                                     {3, "0 !TEXMAP FALLBACK"},
                                     {7, "0 !TEXMAP END"}}));
  // A line appended with the tag of the NEXT line (a cut's second piece):
  // two lines of that texture need a START and an END.
  model.ReplaceWithEmpty(3);
  model.Append(ParseLine("2 24 0 0 0 3 0 0", model.Arena()));
  model.SetTag(model.Size() - 1, model.TagAt(6));
  model.Append(ParseLine("2 24 0 0 0 4 0 0", model.Arena()));
  model.SetTag(model.Size() - 1, model.TagAt(6));
  EXPECT_EQ(Statements(model),
            (Said{{8, "0 !TEXMAP START PLANAR 0 0 0 1 0 0 0 0 1 b.png"}, {10, "0 !TEXMAP END"}}));
}

TEST(FlattenTextures, AModelWithoutBlocksGetsNothing) {
  Model model;
  LoadText(model, "0 !TEXMAP for later\n0 !HISTORY\n3 16 0 0 0 1 0 0 0 0 1\n0 !:\n");
  EXPECT_FALSE(ReadTextures(model));
  EXPECT_FALSE(model.HasTextures());
  EXPECT_EQ(model.ElementAt(3).ToText(), "0 !:");
  EXPECT_TRUE(FlattenTextures(model).empty());
}

}  // namespace
}  // namespace halvex
