// The cross-section closed with faces, on solids built in the test: the area
// the caps cover, the side they face, what they leave open (holes, faces
// already in the plane), the regions counted and those left open, and the
// faces passing LDraw.org's polygon rules.
#include "splitting/cross_section.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "checking/geometry_rules.h"
#include "geometry/precision.h"

namespace halvex {
namespace {

constexpr double kTolerance = 0.001;
constexpr double kPi = 3.141592653589793;

// The plane `axis` = `value` whose normal, and so the removed side, points
// along +axis (or -axis with `negative`).
Plane AxisPlane(int axis, double value, bool negative = false) {
  Point origin{0, 0, 0};
  Vector normal{0, 0, 0};
  double s = negative ? -1 : 1;
  if (axis == 0) origin.x = value, normal.x = s;
  if (axis == 1) origin.y = value, normal.y = s;
  if (axis == 2) origin.z = value, normal.z = s;
  return {origin, normal};
}

// The area of a regular polygon of `sides` corners on a circle of `radius`.
double RegularArea(int sides, double radius) {
  return sides / 2.0 * radius * radius * std::sin(2 * kPi / sides);
}

class SectionTest : public ::testing::Test {
 protected:
  SectionTest() { precision = kDefaultPrecision; }

  void Add(std::vector<Point> corners, bool reversed = false) {
    if (reversed) std::reverse(corners.begin(), corners.end());
    polygons_.push_back({std::move(corners), front_});
  }

  // An axis-aligned box from `low` to `high`, its faces' fronts outward, or
  // inward (`inward`: the walls of a hollow), less the faces named in
  // `without` ("y+" the face at high y).
  void AddBox(const Point& low, const Point& high, bool inward = false,
              const std::string& without = "") {
    const double x[2] = {low.x, high.x};
    const double y[2] = {low.y, high.y};
    const double z[2] = {low.z, high.z};
    auto p = [&](int i, int j, int k) { return Point{x[i], y[j], z[k]}; };
    // Each counter-clockwise seen from outside.
    const std::vector<std::pair<std::string, std::vector<Point>>> faces = {
        {"z-", {p(0, 0, 0), p(0, 1, 0), p(1, 1, 0), p(1, 0, 0)}},
        {"z+", {p(0, 0, 1), p(1, 0, 1), p(1, 1, 1), p(0, 1, 1)}},
        {"x-", {p(0, 0, 0), p(0, 0, 1), p(0, 1, 1), p(0, 1, 0)}},
        {"x+", {p(1, 0, 0), p(1, 1, 0), p(1, 1, 1), p(1, 0, 1)}},
        {"y-", {p(0, 0, 0), p(1, 0, 0), p(1, 0, 1), p(0, 0, 1)}},
        {"y+", {p(0, 1, 0), p(0, 1, 1), p(1, 1, 1), p(1, 1, 0)}},
    };
    for (const auto& [name, corners] : faces) {
      if (without.find(name) == std::string::npos) Add(corners, inward);
    }
  }

  // The wall of a prism of `sides` sides round the y axis through (cx, cz),
  // from y0 to y1, its corners at angles from 90 degrees on: fronts outward,
  // or inward (the hole of a tube).
  void AddWall(double cx, double cz, double radius, int sides, double y0, double y1,
               bool inward = false) {
    for (int k = 0; k < sides; ++k) {
      const Point a = Corner(cx, cz, radius, sides, k, y0);
      const Point b = Corner(cx, cz, radius, sides, k + 1, y0);
      const Point c = Corner(cx, cz, radius, sides, k + 1, y1);
      const Point d = Corner(cx, cz, radius, sides, k, y1);
      // Counter-clockwise in (x, z) round the axis: seen from outside, with
      // y growing, a b c d runs clockwise; reversed it faces out.
      Add({a, b, c, d}, !inward);
    }
  }

  // The ring between two circles at height y, facing -y (`up`) or +y.
  void AddAnnulus(double cx, double cz, double inner, double outer, int sides, double y, bool up) {
    for (int k = 0; k < sides; ++k) {
      Add({Corner(cx, cz, inner, sides, k, y), Corner(cx, cz, outer, sides, k, y),
           Corner(cx, cz, outer, sides, k + 1, y), Corner(cx, cz, inner, sides, k + 1, y)},
          !up);
    }
  }

  // A disc at height y, facing -y (`up`) or +y.
  void AddDisc(double cx, double cz, double radius, int sides, double y, bool up) {
    for (int k = 0; k < sides; ++k) {
      Add({{cx, y, cz}, Corner(cx, cz, radius, sides, k + 1, y), Corner(cx, cz, radius, sides, k, y)},
          up);
    }
  }

  static Point Corner(double cx, double cz, double radius, int sides, int k, double y) {
    const double angle = kPi / 2 + 2 * kPi * k / sides;
    // The corners at 90 and 270 degrees lie exactly on x = cx.
    const double x = (2 * k) % sides == 0 ? cx : cx + radius * std::cos(angle);
    const double z = cz + radius * std::sin(angle);
    return {x, y, z};
  }

  SectionCaps Cap(const Plane& plane) {
    SectionCaps caps = CapSection(plane, polygons_, kTolerance);
    for (const std::vector<Point>& face : caps.faces) {
      EXPECT_TRUE(face.size() == 3 || face.size() == 4);
      for (const Point& p : face) {
        Point projection;
        EXPECT_LE(std::fabs(SignedDistance(plane, p, &projection)), 1e-9);
        // On an axis plane a corner has the plane's value exactly: the
        // face is written with it, and 8.88178e-16 for 0 is no number for
        // a part.
        const Vector& n = plane.normal;
        if (n.y == 0 && n.z == 0) {
          EXPECT_EQ(p.x, plane.origin.x);
        }
        if (n.x == 0 && n.z == 0) {
          EXPECT_EQ(p.y, plane.origin.y);
        }
        if (n.x == 0 && n.y == 0) {
          EXPECT_EQ(p.z, plane.origin.z);
        }
      }
      std::optional<Finding> finding = PolygonFinding(face);
      EXPECT_FALSE(finding && finding->severity == Severity::kError) << finding->message;
    }
    return caps;
  }

  std::vector<SectionPolygon> polygons_;
  int front_ = 1;
};

// The area of the faces along `normal`: positive where they face it, so that
// faces turned the wrong way take their area off.
double FacingArea(const SectionCaps& caps, const Vector& normal) {
  double total = 0;
  for (const std::vector<Point>& face : caps.faces) {
    Vector n{0, 0, 0};
    for (std::size_t k = 1; k + 1 < face.size(); ++k) {
      n = Add(n, Cross(Difference(face[0], face[k]), Difference(face[0], face[k + 1])));
    }
    total += Dot(n, normal) / 2;
  }
  return total;
}

// The total area, whichever way the faces face.
double Area(const SectionCaps& caps) {
  double total = 0;
  for (const std::vector<Point>& face : caps.faces) {
    Vector n{0, 0, 0};
    for (std::size_t k = 1; k + 1 < face.size(); ++k) {
      n = Add(n, Cross(Difference(face[0], face[k]), Difference(face[0], face[k + 1])));
    }
    total += Length(n) / 2;
  }
  return total;
}

// Whether a face covers `p` (in an axis plane `axis`).
bool Covers(const SectionCaps& caps, const Point& p, int axis) {
  auto flat = [axis](const Point& q) {
    return axis == 0 ? std::pair{q.y, q.z} : axis == 1 ? std::pair{q.x, q.z} : std::pair{q.x, q.y};
  };
  const auto [px, py] = flat(p);
  for (const std::vector<Point>& face : caps.faces) {
    int positive = 0;
    int negative = 0;
    for (std::size_t k = 0; k < face.size(); ++k) {
      const auto [ax, ay] = flat(face[k]);
      const auto [bx, by] = flat(face[(k + 1) % face.size()]);
      const double side = (bx - ax) * (py - ay) - (by - ay) * (px - ax);
      positive += side > 0;
      negative += side < 0;
    }
    if (positive == 0 || negative == 0) return true;
  }
  return false;
}

TEST_F(SectionTest, AClosedBoxGetsOneSquareFacingTheRemovedSideWhicheverSideThatIs) {
  AddBox({-10, -10, -10}, {10, 10, 10});
  for (bool negative : {false, true}) {
    const Plane plane = AxisPlane(0, 3, negative);
    SectionCaps caps = Cap(plane);
    EXPECT_EQ(caps.regionsClosed, 1);
    EXPECT_TRUE(caps.open.empty());
    EXPECT_DOUBLE_EQ(FacingArea(caps, plane.normal), 400);
    ASSERT_EQ(caps.faces.size(), 1u);  // one quadrilateral
    for (const Point& p : caps.faces[0]) EXPECT_EQ(p.x, 3);
  }
  // An oblique plane through the middle: a rectangle 20 by 20 * sqrt(2).
  const double s = std::sqrt(0.5);
  const Plane oblique{{0, 0, 0}, {s, s, 0}};
  SectionCaps caps = Cap(oblique);
  EXPECT_NEAR(FacingArea(caps, oblique.normal), 400 * std::sqrt(2.0), 1e-9);
}

TEST_F(SectionTest, AHollowTubeGetsARingWithItsHoleLeftOpen) {
  AddWall(0, 0, 8, 16, 0, 10);
  AddWall(0, 0, 6, 16, 0, 10, true);
  AddAnnulus(0, 0, 6, 8, 16, 0, true);
  AddAnnulus(0, 0, 6, 8, 16, 10, false);
  SectionCaps caps = Cap(AxisPlane(1, 4, true));
  EXPECT_EQ(caps.regionsClosed, 1);
  EXPECT_TRUE(caps.open.empty());
  EXPECT_NEAR(FacingArea(caps, {0, -1, 0}), RegularArea(16, 8) - RegularArea(16, 6), 1e-9);
  EXPECT_FALSE(Covers(caps, {0, 4, 0}, 1));
  EXPECT_TRUE(Covers(caps, {7, 4, 0}, 1));
  // Along its axis: two strips of 2 by 10.
  caps = Cap(AxisPlane(0, 0));
  EXPECT_EQ(caps.regionsClosed, 2);
  EXPECT_NEAR(FacingArea(caps, {1, 0, 0}), 40, 1e-9);
}

// A shell like a brick's, open below, with a tube under its top; y grows
// downwards as in LDraw.
class ShellTest : public SectionTest {
 protected:
  ShellTest() {
    AddBox({-20, 0, -10}, {20, 24, 10}, false, "y+");
    AddBox({-16, 4, -6}, {16, 24, 6}, true, "y+");
    // The rim below, between the outer and the inner walls.
    Add({{-20, 24, -10}, {-20, 24, 10}, {-16, 24, 6}, {-16, 24, -6}});
    Add({{-20, 24, 10}, {20, 24, 10}, {16, 24, 6}, {-16, 24, 6}});
    Add({{20, 24, 10}, {20, 24, -10}, {16, 24, -6}, {16, 24, 6}});
    Add({{20, 24, -10}, {-20, 24, -10}, {-16, 24, -6}, {16, 24, -6}});
    // The tube stands on the ceiling of the hollow, which runs on over it.
    AddWall(0, 0, 5, 16, 4, 24);
    AddWall(0, 0, 3, 16, 4, 24, true);
    AddAnnulus(0, 0, 3, 5, 16, 24, false);
  }
};

TEST_F(ShellTest, AcrossTheWallsAndTheTubeTwoRingsWithTheirHoles) {
  SectionCaps caps = Cap(AxisPlane(1, 14));
  EXPECT_EQ(caps.regionsClosed, 2);
  EXPECT_TRUE(caps.open.empty());
  const double walls = 40 * 20 - 32 * 12;
  const double tube = RegularArea(16, 5) - RegularArea(16, 3);
  EXPECT_NEAR(FacingArea(caps, {0, 1, 0}), walls + tube, 1e-9);
  EXPECT_FALSE(Covers(caps, {10, 14, 0}, 1));  // the hollow
  EXPECT_FALSE(Covers(caps, {0, 14, 0}, 1));   // the tube's hole
}

TEST_F(ShellTest, DownTheMiddleTheTubeJoinsTheTopAtItsTJunctions) {
  SectionCaps caps = Cap(AxisPlane(0, 0));
  EXPECT_EQ(caps.regionsClosed, 1);
  EXPECT_TRUE(caps.open.empty());
  EXPECT_NEAR(FacingArea(caps, {1, 0, 0}), 20 * 24 - 12 * 20 + 2 * 2 * 20, 1e-9);
  EXPECT_FALSE(Covers(caps, {0, 14, 0}, 0));
  EXPECT_TRUE(Covers(caps, {0, 14, 4}, 0));
}

TEST_F(SectionTest, AStudOnATopFaceThatRunsOnUnderItIsInside) {
  AddBox({-10, -10, -10}, {10, 10, 10});
  AddWall(0, 0, 6, 16, -14, -10);
  AddDisc(0, 0, 6, 16, -14, true);
  SectionCaps caps = Cap(AxisPlane(0, 0));
  EXPECT_EQ(caps.regionsClosed, 1);
  EXPECT_TRUE(caps.open.empty());
  EXPECT_NEAR(FacingArea(caps, {1, 0, 0}), 400 + 12 * 4, 1e-9);
  EXPECT_TRUE(Covers(caps, {0, -12, 0}, 0));
}

TEST_F(SectionTest, OverlappingShellsAndDuplicateFacesCapTheirUnionOnce) {
  AddBox({-10, -10, -10}, {10, 10, 10});
  AddBox({-10, -10, -10}, {10, 10, 10});
  AddBox({0, -5, -5}, {20, 5, 5});
  SectionCaps caps = Cap(AxisPlane(0, 5));
  EXPECT_EQ(caps.regionsClosed, 1);
  EXPECT_NEAR(FacingArea(caps, {1, 0, 0}), 400, 1e-9);
  EXPECT_NEAR(Area(caps), 400, 1e-9);  // nothing covered twice
  caps = Cap(AxisPlane(0, 15));
  EXPECT_NEAR(FacingArea(caps, {1, 0, 0}), 100, 1e-9);
}

TEST_F(SectionTest, WithoutFrontSidesTheRaysTellInsideAndHoles) {
  front_ = 0;
  AddBox({-10, -10, -10}, {10, 10, 10});
  SectionCaps caps = Cap(AxisPlane(2, 1));
  EXPECT_EQ(caps.regionsClosed, 1);
  EXPECT_NEAR(FacingArea(caps, {0, 0, 1}), 400, 1e-9);
  polygons_.clear();
  AddWall(0, 0, 8, 16, 0, 10);
  AddWall(0, 0, 6, 16, 0, 10, true);
  caps = Cap(AxisPlane(1, 5));
  EXPECT_EQ(caps.regionsClosed, 1);
  EXPECT_NEAR(FacingArea(caps, {0, 1, 0}), RegularArea(16, 8) - RegularArea(16, 6), 1e-9);
  EXPECT_FALSE(Covers(caps, {0, 5, 0}, 1));
}

TEST_F(SectionTest, NothingIsAddedOverFacesThatLieInThePlane) {
  AddBox({-10, -10, -10}, {10, 10, 10});
  SectionCaps caps = Cap(AxisPlane(0, 10));
  EXPECT_TRUE(caps.faces.empty());
  EXPECT_TRUE(caps.open.empty());
  // A face in the plane over part of the section: the rest is capped.
  Add({{0, -10, 0}, {0, -10, 10}, {0, 10, 10}, {0, 10, 0}});
  caps = Cap(AxisPlane(0, 0));
  EXPECT_EQ(caps.regionsClosed, 1);
  EXPECT_NEAR(FacingArea(caps, {1, 0, 0}), 200, 1e-9);
  EXPECT_FALSE(Covers(caps, {0, 0, 5}, 0));
}

TEST_F(SectionTest, AnOpenSurfaceOrAnInsideOutPartIsLeftOpenAndNamed) {
  Add({{-5, 0, -5}, {5, 0, -5}, {5, 0, 5}, {-5, 0, 5}});
  SectionCaps caps = Cap(AxisPlane(0, 0));
  EXPECT_TRUE(caps.faces.empty());
  ASSERT_EQ(caps.open.size(), 1u);
  EXPECT_EQ(caps.open[0].reason, OpenReason::kBoundaryOpen);
  EXPECT_EQ(caps.open[0].near.x, 0);

  polygons_.clear();
  AddBox({-10, -10, -10}, {10, 10, 10}, true);
  caps = Cap(AxisPlane(0, 0));
  EXPECT_TRUE(caps.faces.empty());
  ASSERT_EQ(caps.open.size(), 1u);
  EXPECT_EQ(caps.open[0].reason, OpenReason::kInsideOut);
}

TEST_F(SectionTest, EndsThatMissEachOtherWithinTheToleranceStillClose) {
  // The box's faces moved apart by less than the tolerance.
  AddBox({-10, -10, -10}, {10, 10, 10}, false, "y+");
  Add({{-10, 10.0004, -10}, {-10, 10.0004, 10}, {10, 10.0004, 10}, {10, 10.0004, -10}});
  SectionCaps caps = Cap(AxisPlane(0, 0));
  EXPECT_EQ(caps.regionsClosed, 1);
  EXPECT_TRUE(caps.open.empty());
  EXPECT_NEAR(FacingArea(caps, {1, 0, 0}), 400, 0.01);
  // Farther apart than walls are taken to meet, the boundary stays open.
  polygons_.clear();
  AddBox({-10, -10, -10}, {10, 10, 10}, false, "y+");
  Add({{-10, 10.05, -10}, {-10, 10.05, 10}, {10, 10.05, 10}, {10, 10.05, -10}});
  caps = Cap(AxisPlane(0, 0));
  EXPECT_EQ(caps.regionsClosed, 0);
  EXPECT_FALSE(caps.open.empty());
}

// A tube with a disc filling its hollow, each drawn with its own wall: the
// two walls meet face to face, and the section is the whole disc.
TEST_F(SectionTest, ADiscFillingATubeIsSolidThroughTheFaceBetweenThem) {
  AddWall(0, 0, 8, 16, 0, 10);
  AddWall(0, 0, 6, 16, 0, 10, true);
  AddWall(0, 0, 6, 16, 0, 10);
  SectionCaps caps = Cap(AxisPlane(1, 4, true));
  EXPECT_TRUE(caps.open.empty());
  EXPECT_NEAR(FacingArea(caps, {0, -1, 0}), RegularArea(16, 8), 1e-9);
  EXPECT_TRUE(Covers(caps, {0, 4, 0}, 1));
}

// Three solid bars sunk into a box, nothing between them and it: their
// walls, longer than the box's round the section, face away from the solid
// between them. The front sides around that piece say outside, the rays
// leave the part once more than they enter it: inside.
TEST_F(SectionTest, BarsSunkIntoABoxLeaveNoGapAroundThem) {
  AddBox({-10, -10, -10}, {10, 10, 10});
  for (double z : {-8.0, -1.0, 6.0}) AddBox({-5, -9, z}, {5, 9, z + 2});
  SectionCaps caps = Cap(AxisPlane(0, 0));
  EXPECT_TRUE(caps.open.empty());
  EXPECT_NEAR(FacingArea(caps, {1, 0, 0}), 400, 1e-9);
  EXPECT_TRUE(Covers(caps, {0, 0, -4}, 0));
}

// A slanted prism whose edges the plane crosses between corners drawn to
// few decimals: the crossings, worked out along the edges, land a rounding
// off the plane unless put onto it.
TEST_F(SectionTest, CapsOfASlantedSolidLieExactlyInAnAxisPlane) {
  const std::vector<Point> low = {{-0.3, 0, -0.7}, {0.7, 0, -0.1}, {0.2, 0, 0.9}};
  std::vector<Point> high;
  for (const Point& p : low) high.push_back({p.x + 0.3, 1.7, p.z + 0.1});
  Add({low[0], low[1], low[2]});
  Add({high[2], high[1], high[0]});
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t next = (k + 1) % 3;
    Add({low[next], low[k], high[k], high[next]});
  }
  for (double y : {0.1, 0.3, 1.1}) {
    SectionCaps caps = Cap(AxisPlane(1, y));
    EXPECT_EQ(caps.regionsClosed, 1);
    EXPECT_NEAR(FacingArea(caps, {0, 1, 0}), 0.65, 1e-9);
  }
}

// A block with two openings through it that touch at a corner, as where a
// bar stops against a wall that runs on behind it: the outline of the
// openings passes that corner twice. Tiled as one hole, the openings were
// covered and the block in part twice.
TEST_F(SectionTest, TwoOpeningsTouchingAtACornerAreBothLeftOpen) {
  // Walls from y = -10 to 10 along a ring of (x, z), each facing to the
  // left of the way the ring runs (seen with x to the right and z up).
  auto walls = [this](const std::vector<std::pair<double, double>>& ring) {
    for (std::size_t k = 0; k < ring.size(); ++k) {
      const auto [x0, z0] = ring[k];
      const auto [x1, z1] = ring[(k + 1) % ring.size()];
      Add({{x0, -10, z0}, {x1, -10, z1}, {x1, 10, z1}, {x0, 10, z0}});
    }
  };
  walls({{-260, 100}, {-40, 160}, {50, 100}, {20, 20}, {-140, 0}, {-270, 80}});
  walls({{-50, 20}, {-50, 130}, {-250, 90}});
  walls({{-10, 130}, {-50, 20}, {-30, 20}});
  const Plane plane = AxisPlane(1, 0);
  SectionCaps caps = Cap(plane);
  EXPECT_TRUE(caps.open.empty());
  EXPECT_EQ(caps.regionsClosed, 1);
  // The block's 32,600 less the openings' 11,000 and 1,100, covered once.
  EXPECT_NEAR(Area(caps), 20500, 1e-6);
  EXPECT_NEAR(FacingArea(caps, plane.normal), 20500, 1e-6);
  EXPECT_FALSE(Covers(caps, {-100, 0, 90}, 1));
  EXPECT_FALSE(Covers(caps, {-30, 0, 60}, 1));
  EXPECT_TRUE(Covers(caps, {0, 0, 60}, 1));
}

// Two boxes open where they stand on the plane: the one on the kept side
// ends there and is closed; the one on the removed side goes with the cut,
// and nothing of the kept part lies where it stood.
TEST_F(SectionTest, OnlyWhatTouchesThePlaneFromTheKeptSideIsSection) {
  AddBox({-10, -10, -10}, {0, 10, 10}, false, "x+");
  AddBox({0, 20, -10}, {10, 40, 10}, false, "x-");
  SectionCaps caps = Cap(AxisPlane(0, 0));
  EXPECT_EQ(caps.regionsClosed, 1);
  EXPECT_TRUE(caps.open.empty());
  EXPECT_NEAR(FacingArea(caps, {1, 0, 0}), 400, 1e-6);
  EXPECT_TRUE(Covers(caps, {0, 0, 0}, 0));
  EXPECT_FALSE(Covers(caps, {0, 30, 0}, 0));
}

// A square hole through a block whose walls, drawn to few decimals, end a
// little short of each other: beyond the tolerance, but the hole is still a
// hole, not part of the solid round it, and nothing is left open.
TEST_F(SectionTest, AHoleWhoseWallsEndShortOfEachOtherStaysOpen) {
  AddBox({-10, -10, -10}, {10, 10, 10});
  AddBox({-10, -3, -3}, {10, 3, 3}, true, "x-x+z+");
  Add({{-10, 2.997, 3.002}, {10, 2.997, 3.002}, {10, -2.998, 3.002}, {-10, -2.998, 3.002}});
  SectionCaps caps = Cap(AxisPlane(0, 0));
  EXPECT_EQ(caps.regionsClosed, 1);
  EXPECT_TRUE(caps.open.empty());
  EXPECT_NEAR(FacingArea(caps, {1, 0, 0}), 400 - 36, 0.05);
  EXPECT_FALSE(Covers(caps, {0, 0, 0}, 0));
  EXPECT_TRUE(Covers(caps, {0, 0, 5}, 0));
}

// Many tubes without front sides: too many faces and edges for the rays to
// count, the parity comes from walking the faces from outside. Either way
// each tube's wall is a ring round an open hole.
TEST_F(SectionTest, ManyTubesWithoutFrontSidesAreRingsAroundHoles) {
  front_ = 0;
  constexpr int kSide = 30;
  for (int i = 0; i < kSide; ++i) {
    for (int j = 0; j < kSide; ++j) {
      AddWall(20.0 * i, 20.0 * j, 8, 8, 0, 10);
      AddWall(20.0 * i, 20.0 * j, 6, 8, 0, 10, true);
    }
  }
  SectionCaps caps = Cap(AxisPlane(1, 5));
  EXPECT_EQ(caps.regionsClosed, kSide * kSide);
  EXPECT_TRUE(caps.open.empty());
  EXPECT_NEAR(FacingArea(caps, {0, 1, 0}), kSide * kSide * (RegularArea(8, 8) - RegularArea(8, 6)),
              1e-6);
  EXPECT_FALSE(Covers(caps, {20, 5, 20}, 1));
  EXPECT_FALSE(Covers(caps, {10, 5, 10}, 1));
}

}  // namespace
}  // namespace halvex
