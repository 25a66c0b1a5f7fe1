// The caps of the caps_* cases as a viewer sees them: the faces of the cap
// colour in each cut plane of the written file cover the area of the part's
// section there, and every one of them faces the removed side, by the
// winding the file certifies.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "e2e/run_program.h"
#include "geometry/point.h"

namespace halvex::testing {
namespace {

const fs::path kCases = fs::path(HALVEX_SOURCE_DIR) / "tests" / "data" / "cases";

struct Cap {
  const char* file;  // under tests/data/cases
  int colour;
  Point point;    // a point of the plane
  Vector normal;  // towards the removed side, unit length
  double area;
};

struct Facing {
  double towards = 0;  // the area of faces facing the removed side
  double away = 0;     // and of those facing the kept side
};

// The faces of `colour` in the plane, by the side they face: the side from
// which their corners run counter-clockwise, or clockwise where the file
// certifies that winding.
Facing FacingIn(const std::string& text, const Cap& cap) {
  Facing facing;
  double winding = 1;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    int type = -1;
    fields >> type;
    if (type == 0 && line.find("BFC CERTIFY CW") != std::string::npos) winding = -1;
    if (type != 3 && type != 4) continue;
    int colour = 0;
    fields >> colour;
    std::vector<Point> corners(static_cast<std::size_t>(type));
    for (Point& p : corners) fields >> p.x >> p.y >> p.z;
    bool inPlane = colour == cap.colour;
    for (const Point& p : corners) {
      inPlane = inPlane && std::fabs(Dot(Difference(cap.point, p), cap.normal)) < 1e-4;
    }
    if (!inPlane) continue;
    Vector n{0, 0, 0};
    for (std::size_t k = 1; k + 1 < corners.size(); ++k) {
      n = Add(n, Cross(Difference(corners[0], corners[k]), Difference(corners[0], corners[k + 1])));
    }
    const double area = winding * Dot(n, cap.normal) / 2;
    (area > 0 ? facing.towards : facing.away) += std::fabs(area);
  }
  return facing;
}

TEST(CapsCases, TheCapsCoverTheSectionAndFaceTheRemovedSide) {
  const double h = std::sqrt(0.5);
  const Cap caps[] = {
      {"caps_box/out/box-half.dat", 16, {0, 0, 0}, {-1, 0, 0}, 400},
      {"caps_colour_author_check/out/box-half.dat", 4, {0, 0, 0}, {-1, 0, 0}, 400},
      {"caps_clockwise_file/out/box-half.dat", 16, {0, 0, 2}, {0, 0, 1}, 400},
      {"caps_uncertified_frame/out/frame-half.dat", 16, {0, 0, 0}, {0, -1, 0}, 300},
      {"caps_mirrored_subfile/out/model-half.dat", 16, {15, 0, 0}, {-1, 0, 0}, 400},
      // The stud's polygons are fraction primitives after -e; its section
      // is capped all the same.
      {"caps_partial_expansion_stud/out/brick-half.dat", 16, {0, 0, 0}, {-1, 0, 0}, 400 + 12 * 4},
      // The first plane's cap is cut by the second plane as the box is.
      {"caps_splitter_file_and_axis_plane/out/box-part.dat", 16, {0, 0, 0}, {0, 0, -1},
       400 - 16 * 16 / 2},
      {"caps_splitter_file_and_axis_plane/out/box-part.dat", 16, {4, 0, 0}, {h, h, 0},
       16 * std::sqrt(2.0) * 10},
  };
  for (const Cap& cap : caps) {
    SCOPED_TRACE(cap.file);
    const Facing facing = FacingIn(ReadFile(kCases / cap.file), cap);
    EXPECT_NEAR(facing.towards, cap.area, 1e-3);
    EXPECT_EQ(facing.away, 0);
  }
}

}  // namespace
}  // namespace halvex::testing
