#include "checking/element_rules.h"

#include <cmath>
#include <string>

#include "checking/check_limits.h"
#include "checking/finding.h"
#include "checking/geometry_rules.h"
#include "checking/rule_names.h"
#include "elements/lines.h"
#include "elements/polygons.h"
#include "elements/subfile_ref.h"
#include "model/library_name.h"

namespace halvex {
namespace {

constexpr int kEdgeColour = 24;

// [T] ValidLines: edge and conditional lines only in colour 24 ("Linetypes
// 2 and 5 should only be color 24"), and colour 24 on no other line ("Color
// code 24 not allowed for linetypes 1, 3, 4").
std::optional<std::string> ColourProblem(int lineType, int colour) {
  const bool line = lineType == kEdgeType || lineType == kCondType;
  if (line && colour != kEdgeColour) {
    return std::string(LineTypeNoun(lineType)) + " in colour " + std::to_string(colour) +
           ", must be 24";
  }
  if (!line && colour == kEdgeColour) {
    return std::string(LineTypeNoun(lineType)) + " in colour 24, which only lines may have";
  }
  return std::nullopt;
}

}  // namespace

ElementPoints PointsOf(const Element& element) {
  ElementPoints result;
  auto take = [&result](std::initializer_list<Point> points) {
    for (const Point& p : points) result.points[result.count++] = p;
  };
  switch (element.LineType()) {
    case kEdgeType: {
      const auto& edge = static_cast<const EdgeLine&>(element);
      take({edge.P1(), edge.P2()});
      break;
    }
    case kTriangleType: {
      const auto& c = static_cast<const Triangle&>(element).Corners();
      take({c[0], c[1], c[2]});
      break;
    }
    case kQuadType: {
      const auto& c = static_cast<const Quad&>(element).Corners();
      take({c[0], c[1], c[2], c[3]});
      break;
    }
    case kCondType: {
      const auto& cond = static_cast<const CondLine&>(element);
      take({cond.P1(), cond.P2(), cond.P3(), cond.P4()});
      break;
    }
    default:
      break;
  }
  return result;
}

std::optional<Finding> GeometryFinding(int lineType, const ElementPoints& points) {
  const Point* p = points.points;
  switch (lineType) {
    case kEdgeType:
      return EdgeFinding(p[0], p[1]);
    case kTriangleType:
      return PolygonFinding(std::span<const Point>(p, 3));
    case kQuadType:
      return PolygonFinding(std::span<const Point>(p, 4));
    case kCondType:
      return CondFinding(p[0], p[1], p[2], p[3]);
    default:
      return std::nullopt;
  }
}

void CheckElement(const Element& element, int line, std::string_view selfName,
                  std::vector<Finding>& out) {
  const int type = element.LineType();
  if (type < kSubfileType || type > kCondType) return;
  const auto& coloured = static_cast<const ColouredElement&>(element);
  if (std::optional<std::string> problem = ColourProblem(type, coloured.GetColour().Number())) {
    out.push_back(Finding{line, Severity::kError, rules::kColour, std::move(*problem)});
  }
  if (type == kSubfileType) {
    const auto& ref = static_cast<const SubfileRef&>(element);
    // [T] ValidLines: the placement must not be singular.
    double determinant = Determinant(ref.Placement());
    if (std::fabs(determinant) < kSingularDeterminant) {
      out.push_back(Finding{line, Severity::kError, rules::kSingular,
                            "determinant " +
                                MeasureText(std::fabs(determinant), kSingularDeterminant) + " < " +
                                MeasureText(kSingularDeterminant)});
    }
    // [T] NoSelfReference: a file that places itself.
    if (!selfName.empty() && NameKey(ref.Name()) == NameKey(selfName)) {
      out.push_back(Finding{line, Severity::kError, rules::kSelfReference,
                            ShownText(ref.Name(), 80) + " is the file itself"});
    }
    return;
  }
  if (std::optional<Finding> finding = GeometryFinding(type, PointsOf(element))) {
    finding->line = line;
    out.push_back(std::move(*finding));
  }
}

}  // namespace halvex
