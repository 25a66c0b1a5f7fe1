// Texture statements read and written, and a projection placed with its
// geometry: the image coordinates the extension's formulas give at a point
// are those it had before the placement, mirrors included.
#include "elements/texture_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace halvex {
namespace {

TEST(TexmapCommandOf, OnlyTheExtensionsFourCommands) {
  EXPECT_EQ(TexmapCommandOf("!TEXMAP START PLANAR 0 0 0 1 0 0 0 0 1 a.png"), TexmapCommand::kStart);
  EXPECT_EQ(TexmapCommandOf(" !TEXMAP\tNEXT PLANAR"), TexmapCommand::kNext);
  EXPECT_EQ(TexmapCommandOf("!TEXMAP FALLBACK"), TexmapCommand::kFallback);
  EXPECT_EQ(TexmapCommandOf("!TEXMAP END "), TexmapCommand::kEnd);
  EXPECT_EQ(TexmapCommandOf("!TEXMAP STOP"), TexmapCommand::kNone);
  EXPECT_EQ(TexmapCommandOf("// !TEXMAP END"), TexmapCommand::kNone);
  EXPECT_EQ(TexmapCommandOf("!TEXMAPEND"), TexmapCommand::kNone);
}

TEST(HiddenLineOf, TheLineAfterTheColonMarker) {
  EXPECT_EQ(HiddenLineOf("!: 3 16 0 0 0 1 0 0 0 1 0"), "3 16 0 0 0 1 0 0 0 1 0");
  EXPECT_EQ(HiddenLineOf("!:4 16 1 2 3"), "4 16 1 2 3");
  EXPECT_EQ(HiddenLineOf("!HISTORY"), std::nullopt);
  EXPECT_EQ(HiddenLineOf("// !: 3 16"), std::nullopt);
}

TEST(TextureMap, ReadsAndWritesEachProjection) {
  std::optional<TextureMap> planar = TextureMap::Parse(
      "!TEXMAP START PLANAR -33.048 0 -66.3 -33.048 0 61.145 21.935 0 -66.3 a.png");
  ASSERT_TRUE(planar);
  EXPECT_EQ(planar->StartText(),
            "0 !TEXMAP START PLANAR -33.048 0 -66.3 -33.048 0 61.145 21.935 0 -66.3 a.png");
  std::optional<TextureMap> cylindrical =
      TextureMap::Parse("!TEXMAP NEXT CYLINDRICAL 0 0 0 0 -10 0 0 0 -5 90 c.png GLOSSMAP  g.png  ");
  ASSERT_TRUE(cylindrical);
  EXPECT_EQ(cylindrical->StartText(true),
            "0 !TEXMAP NEXT CYLINDRICAL 0 0 0 0 -10 0 0 0 -5 90 c.png GLOSSMAP  g.png");
  std::optional<TextureMap> spherical =
      TextureMap::Parse("!TEXMAP START SPHERICAL 0 -20 0 -26 -20 0 0 -20 -26 180 175 s.png");
  ASSERT_TRUE(spherical);
  EXPECT_EQ(spherical->StartText(),
            "0 !TEXMAP START SPHERICAL 0 -20 0 -26 -20 0 0 -20 -26 180 175 s.png");
  // A number or the image missing, another method, or another command.
  EXPECT_FALSE(TextureMap::Parse("!TEXMAP START SPHERICAL 0 -20 0 -26 -20 0 0 -20 -26 180 s.png"));
  EXPECT_FALSE(TextureMap::Parse("!TEXMAP START PLANAR 0 0 0 1 0 0 0 0 1"));
  EXPECT_FALSE(TextureMap::Parse("!TEXMAP START CUBIC 0 0 0 1 0 0 0 0 1 a.png"));
  EXPECT_FALSE(TextureMap::Parse("!TEXMAP END"));
}

// The image coordinates at p, by the extension's definitions, worked out
// here in the simplest terms: projections onto the texture's axes.
std::pair<double, double> ImageAt(const TextureMap& map, const Point& p) {
  const double kDegrees = std::acos(-1.0) / 180;
  Vector q = Difference(map.p1, p);
  Vector n = Difference(map.p1, map.p2);
  Vector m = Difference(map.p1, map.p3);
  switch (map.projection) {
    case Projection::kPlanar:
      return {Dot(q, n) / Dot(n, n), Dot(q, m) / Dot(m, m)};
    case Projection::kCylindrical: {
      Vector axis = Scale(n, 1 / Length(n));
      Vector radial = Difference(Scale(axis, Dot(q, axis)), q);
      Vector zero = Difference(Scale(axis, Dot(m, axis)), m);
      double angle = std::atan2(Dot(Cross(zero, radial), axis), Dot(zero, radial));
      return {0.5 + angle / (map.a * kDegrees), Dot(q, axis) / Length(n)};
    }
    case Projection::kSpherical: {
      Vector normal = Cross(n, m);
      normal = Scale(normal, 1 / Length(normal));
      Vector inPlane = Difference(Scale(normal, Dot(q, normal)), q);
      double along = std::atan2(Dot(Cross(n, inPlane), normal), Dot(n, inPlane));
      double across = std::asin(Dot(q, normal) / Length(q));
      return {0.5 + along / (map.a * kDegrees), 0.5 + across / (map.b * kDegrees)};
    }
  }
  return {};
}

// Points of a textured surface, their image coordinates under each
// projection compared before and after placements that move, turn, scale
// evenly and mirror.
TEST(TextureMap, PlacedProjectionKeepsTheImageOnTheGeometry) {
  const TextureMap maps[] = {
      *TextureMap::Parse("!TEXMAP START PLANAR -5 0 -5 5 0 -5 -5 0 5 p.png"),
      *TextureMap::Parse("!TEXMAP START CYLINDRICAL 0 0 0 0 -10 0 0 0 -5 90 c.png"),
      *TextureMap::Parse("!TEXMAP START SPHERICAL 0 0 0 0 0 -5 5 0 0 120 60 s.png"),
  };
  const Point points[] = {{1, -2, -4}, {-3, -7, -3.5}, {2.5, 1.5, -4}, {0.5, -4, 3}};
  const std::pair<Matrix3, Vector> placements[] = {
      {{0, 0, 1, 0, 1, 0, -1, 0, 0}, {5, 6, 7}},          // turned
      {{-1, 0, 0, 0, 1, 0, 0, 0, 1}, {-5, 0, 0}},         // mirrored
      {{0, 0, -2, 0, 2, 0, -2, 0, 0}, {1, 2, 3}},         // mirrored, scaled by 2
      {{0.6, 0, 0.8, 0, 1, 0, 0.8, 0, -0.6}, {0, 0, 0}},  // a turn and a mirror
  };
  for (const TextureMap& map : maps) {
    for (const auto& [m, offset] : placements) {
      TextureMap placed = map.Placed(m, offset);
      for (const Point& p : points) {
        auto [u, v] = ImageAt(map, p);
        auto [placedU, placedV] = ImageAt(placed, Add(Apply(m, p), offset));
        EXPECT_NEAR(placedU, u, 1e-12) << map.StartText() << " at " << p.ToText();
        EXPECT_NEAR(placedV, v, 1e-12) << map.StartText() << " at " << p.ToText();
      }
    }
  }
}

}  // namespace
}  // namespace halvex
