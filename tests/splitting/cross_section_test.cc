// The cross-section closed with faces, on polygons built in the test: the
// area the caps cover, the side they face, the regions counted and those
// left open.
#include "splitting/cross_section.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/precision.h"

namespace halvex {
namespace {

constexpr double kTolerance = 0.001;

// The plane x = `x` with the side x > `x` removed.
Plane PlaneX(double x) { return {{x, 0, 0}, {1, 0, 0}}; }

class SectionTest : public ::testing::Test {
 protected:
  SectionTest() { precision = kDefaultPrecision; }

  // An axis-aligned box from `low` to `high`, its faces' fronts outward
  // (or inward, `inverted`), with front side `front` as BFC knows it.
  void AddBox(const Point& low, const Point& high, int front = 1, bool inverted = false) {
    const double x[2] = {low.x, high.x};
    const double y[2] = {low.y, high.y};
    const double z[2] = {low.z, high.z};
    auto p = [&](int i, int j, int k) { return Point{x[i], y[j], z[k]}; };
    // Each face counter-clockwise seen from outside.
    std::vector<std::vector<Point>> faces = {
        {p(0, 0, 0), p(0, 1, 0), p(1, 1, 0), p(1, 0, 0)},  // z low
        {p(0, 0, 1), p(1, 0, 1), p(1, 1, 1), p(0, 1, 1)},  // z high
        {p(0, 0, 0), p(0, 0, 1), p(0, 1, 1), p(0, 1, 0)},  // x low
        {p(1, 0, 0), p(1, 1, 0), p(1, 1, 1), p(1, 0, 1)},  // x high
        {p(0, 0, 0), p(1, 0, 0), p(1, 0, 1), p(0, 0, 1)},  // y low
        {p(0, 1, 0), p(0, 1, 1), p(1, 1, 1), p(1, 1, 0)},  // y high
    };
    for (std::vector<Point>& face : faces) {
      if (inverted) std::reverse(face.begin(), face.end());
      polygons_.push_back({face, front});
    }
  }

  SectionCaps Cap(const Plane& plane) { return CapSection(plane, polygons_, kTolerance); }

  std::vector<SectionPolygon> polygons_;
};

// The area of the faces, signed by the side they face along `normal`:
// positive where they face it.
double FacingArea(const SectionCaps& caps, const Vector& normal) {
  double total = 0;
  for (const std::vector<Point>& face : caps.faces) {
    Vector n{0, 0, 0};
    for (std::size_t k = 1; k + 1 < face.size(); ++k) {
      const Vector c = Cross(Difference(face[0], face[k]), Difference(face[0], face[k + 1]));
      n = Add(n, c);
    }
    total += Dot(n, normal) / 2;
  }
  return total;
}

TEST_F(SectionTest, AClosedBoxGetsOneSquareFacingTheRemovedSide) {
  AddBox({-10, -10, -10}, {10, 10, 10});
  SectionCaps caps = Cap(PlaneX(0));
  EXPECT_EQ(caps.regionsClosed, 1);
  EXPECT_TRUE(caps.open.empty());
  EXPECT_DOUBLE_EQ(FacingArea(caps, {1, 0, 0}), 400);
  for (const std::vector<Point>& face : caps.faces) {
    for (const Point& p : face) EXPECT_EQ(p.x, 0);
  }
}

}  // namespace
}  // namespace halvex
