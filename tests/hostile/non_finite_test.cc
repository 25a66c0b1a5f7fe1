// Points with infinite or NaN coordinates, and planes made of them, against
// the classification: such a point is left as read and counted on no side.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "splitting/plane.h"
#include "splitting/polygon_split.h"

namespace halvex {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool SameBits(const Point& a, const Point& b) {
  auto same = [](double u, double v) { return std::isnan(u) ? std::isnan(v) : u == v; };
  return same(a.x, b.x) && same(a.y, b.y) && same(a.z, b.z);
}

TEST(NonFinite, PointsAreNeitherMovedNorCounted) {
  // The plane x = 0; the positive (removed) side is x < 0.
  const Plane xPlane{{0, 0, 0}, {-1, 0, 0}};
  const Plane nanPlane{{kNaN, 0, 0}, {-1, 0, 0}};
  struct Case {
    Plane plane;
    std::vector<Point> corners;
    Side side;
  };
  for (const Case& c : {Case{xPlane, {{kInf, 0, 0}, {1, 0, 0}}, Side::kKept},
                        Case{xPlane, {{-kInf, 1, 0}, {kNaN, 1, 0}}, Side::kInPlane},
                        Case{xPlane, {{1, kInf, 0}, {-1, 0, 0}}, Side::kRemoved},
                        Case{nanPlane, {{1, 2, 3}, {-4, 5, 6}}, Side::kInPlane}}) {
    std::vector<Point> corners = c.corners;
    EXPECT_EQ(ClassifyPoints(c.plane, corners), c.side);
    for (std::size_t k = 0; k < corners.size(); ++k) {
      EXPECT_TRUE(SameBits(corners[k], c.corners[k])) << k;
    }
  }
}

}  // namespace
}  // namespace halvex
