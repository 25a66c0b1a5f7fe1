// Closing the cut (-f, -ff): for each plane of the run, the region of the
// plane inside the part, tiled with faces of the cap colour that face the
// removed side (see splitting/cross_section.h), appended to the top file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/run_settings.h"
#include "elements/colour.h"
#include "model/model.h"
#include "splitting/plane.h"

namespace halvex {

struct CapReport {
  int regionsClosed = 0;
  int regionsLeftOpen = 0;
  int facesAdded = 0;
};

// Works out each plane's caps from the polygons of the model as the run
// sees them just before that plane's pass, and appends them after it, so
// that later planes cut them as they cut the rest. The polygons' front
// sides come from their BFC winding: an expanded model has them from the
// expansion (inversions and mirrors included); the top file alone gets
// them here from its BFC statements. A polygon whose file culls nothing
// has no known front side.
class CapPass {
 public:
  // `model` holds the top file's own lines first, `topSize` of them, then
  // what an expansion placed (`expanded`).
  CapPass(const RunSettings& settings, Model& model, int topSize, bool expanded,
          std::ostream& err);

  // Before `plane`'s pass: the caps of the section of `model`.
  void Prepare(const Model& model, const Plane& plane);
  // After the pass: appends the caps last prepared.
  void Append(Model& model);
  // Appends the caps prepared for the `plane`th plane (from 0) to another
  // model: with -e, the caps are worked out on a full expansion of the
  // input, whose polygons are all there where -e keeps references or puts
  // fraction primitives in their place.
  void Replay(Model& model, std::size_t plane);

  const CapReport& Report() const { return report_; }

 private:
  Colour colour_;
  std::ostream& err_;
  // The faces' winding and culling, as the top file leaves them in effect.
  bool clockwise_ = false;
  bool culled_ = false;
  std::int8_t winding_ = 1;
  // The faces of each plane prepared, in order.
  std::vector<std::vector<std::vector<Point>>> planes_;
  CapReport report_;
};

// The name of a plane in messages: "x = 5" for an axis plane, else a point
// of it and its normal.
std::string PlaneName(const Plane& plane);

// The report's lines, after the run's other lines.
void ReportCaps(std::ostream& out, const CapReport& report);

}  // namespace halvex
