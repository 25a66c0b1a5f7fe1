#include "app/cap_pass.h"

#include <algorithm>
#include <array>

#include "checking/element_rules.h"
#include "elements/polygons.h"
#include "geometry/number_text.h"
#include "geometry/precision.h"
#include "model/bfc_state.h"
#include "splitting/cross_section.h"

namespace halvex {
namespace {

// Cut points of neighbouring polygons differ in their last bits, and halves
// of a part meet to the precision: ends this close are one point. With a
// precision of 0, ends still have to meet to some millionth of an LDU.
constexpr double kLeastTolerance = 1e-6;

bool IsPolygonType(int type) { return type == kTriangleType || type == kQuadType; }

const char* OpenReasonText(OpenReason reason) {
  switch (reason) {
    case OpenReason::kBoundaryOpen:
      return "the section's boundary does not close";
    case OpenReason::kUndecided:
      return "inside and outside of the part cannot be told apart";
    case OpenReason::kInsideOut:
      return "the polygons' front sides face into the part";
    case OpenReason::kTooComplex:
      return "its segments cross each other too often to be worked out";
    case OpenReason::kNotTiled:
      return "no faces were found that cover it exactly once";
  }
  return "";
}

}  // namespace

CapPass::CapPass(const RunSettings& settings, Model& model, int topSize, bool expanded,
                 std::ostream& err)
    : err_(err) {
  std::size_t pos = 0;
  colour_ = Colour::Parse(settings.capColour, &pos);
  // The BFC statements of the top file (LDraw.org's "Language Extension
  // for Back Face Culling (BFC)", ldraw.org/article/415): the winding in
  // effect and whether polygons are culled. An expansion has given every
  // polygon its own already.
  BfcState bfc;
  for (int k = 0; k < topSize && k < model.Size(); ++k) {
    Element& element = model.ElementAt(k);
    bfc.Take(element);
    if (!expanded && IsPolygonType(element.LineType())) {
      element.winding = static_cast<std::int8_t>(bfc.Winding());
      element.culled = bfc.Culls();
    }
  }
  culled_ = bfc.Culls();
  // Caps placed after an expansion wind counter-clockwise as placed
  // polygons do, and FlattenBfc turns them to the top file's winding; in
  // the top file alone they wind as it does.
  clockwise_ = !expanded && bfc.Certified() && bfc.Winding() == -1;
  winding_ = static_cast<std::int8_t>(expanded ? 1 : bfc.Winding());
}

void CapPass::Prepare(const Model& model, const Plane& plane) {
  std::vector<SectionPolygon> polygons;
  for (int k = 0; k < model.Size(); ++k) {
    const Element& element = model.ElementAt(k);
    if (!IsPolygonType(element.LineType())) continue;
    const ElementPoints points = PointsOf(element);
    SectionPolygon polygon;
    polygon.corners.assign(points.points, points.points + points.count);
    polygon.front = element.culled ? (element.winding == -1 ? -1 : 1) : 0;
    polygons.push_back(std::move(polygon));
  }
  SectionCaps caps = CapSection(plane, polygons, std::max(precision, kLeastTolerance));
  report_.regionsClosed += caps.regionsClosed;
  report_.regionsLeftOpen += static_cast<int>(caps.open.size());
  report_.facesAdded += static_cast<int>(caps.faces.size());
  for (const OpenRegion& open : caps.open) {
    err_ << "Cut in plane " << PlaneName(plane) << " left open near " << open.near.ToText()
         << ": " << OpenReasonText(open.reason) << std::endl;
  }
  planes_.push_back(std::move(caps.faces));
}

void CapPass::Append(Model& model) {
  if (!planes_.empty()) Replay(model, planes_.size() - 1);
}

void CapPass::Replay(Model& model, std::size_t plane) {
  if (plane >= planes_.size()) return;
  for (std::vector<Point> corners : planes_[plane]) {
    if (clockwise_) std::reverse(corners.begin(), corners.end());
    ArenaPtr<Element> face;
    if (corners.size() == 3) {
      face = model.Arena().Make<Triangle>(std::array<Point, 3>{corners[0], corners[1], corners[2]},
                                          colour_);
    } else if (corners.size() == 4) {
      face = model.Arena().Make<Quad>(
          std::array<Point, 4>{corners[0], corners[1], corners[2], corners[3]}, colour_);
    }
    if (!face) continue;
    face->winding = winding_;
    face->culled = culled_;
    model.Append(std::move(face));
  }
}

std::string PlaneName(const Plane& plane) {
  const Vector& n = plane.normal;
  const Point& o = plane.origin;
  if (n.y == 0 && n.z == 0 && n.x != 0) return "x = " + FormatNumber(o.x);
  if (n.x == 0 && n.z == 0 && n.y != 0) return "y = " + FormatNumber(o.y);
  if (n.x == 0 && n.y == 0 && n.z != 0) return "z = " + FormatNumber(o.z);
  return "through " + o.ToText() + " with normal " + n.ToText();
}

void ReportCaps(std::ostream& out, const CapReport& report) {
  out << "Cut closed" << std::endl;
  out << report.regionsClosed << " Regions closed" << std::endl;
  out << report.regionsLeftOpen << " Regions left open" << std::endl;
  out << report.facesAdded << " Faces added" << std::endl;
}

}  // namespace halvex
