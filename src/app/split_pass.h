// The split pass: what the run's switches do with each element of the input,
// given where it lies relative to each splitting polygon.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "app/cut_log.h"
#include "app/run_settings.h"
#include "model/model.h"
#include "model/subfile_expander.h"

namespace halvex {

// Marking colours of the pass.
inline constexpr int kAcrossLineColour = 4;
inline constexpr int kAcrossColour = 14;
inline constexpr int kAsymmetricLineColour = 10;
inline constexpr int kAsymmetricPolygonColour = 5;
inline constexpr int kInPlaneLineColour = 1;
inline constexpr int kInPlanePolygonColour = 9;

// What a run does around each plane's pass: `before` sees the model as the
// pass will, `after` the model the pass left; either may be empty.
struct PlaneHooks {
  std::function<void(const Model&, const Plane&)> before;
  std::function<void(Model&)> after;
};

// Runs SplitByPolygon for every polygon of `splitter`, in order, each pass on
// the result of the one before. Other elements of the splitter are skipped.
// The elements at the indices `keptWhole` (references kept whole) are left
// as they are. With a `log`, the cuts are recorded in it (see RecordCut),
// and before each plane's pass the boundary recorded so far is cut by it.
// With `hooks`, they run around the pass of each polygon that has a plane.
void SplitModel(Model& input, const Model& splitter, const RunSettings& settings,
                std::span<const int> keptWhole = {}, CutLog* log = nullptr,
                const PlaneHooks* hooks = nullptr);

// One pass over `input` against the polygon `splitter`. Walks by index and
// re-reads the size, so pieces appended by a cut are visited in the same
// pass. Elements on the removed side are erased (unless snapping only), and
// crossing elements are recoloured, marked when not their own mirror image,
// erased or cut as the switches say. References to studs count as crossing
// without being classified. An element whose index is marked in `skipped` is
// left as it is. Cuts are recorded in `log` when there is one.
void SplitByPolygon(Model& input, const Element& splitter, const RunSettings& settings,
                    const std::vector<bool>& skipped = {}, CutLog* log = nullptr);

// SplitByPolygon on a part of a file, for a run that splits a file a part
// at a time (see SplitModel for one polygon after another), keeping the
// order SplitModel gives the whole file. A pass appends each second piece
// it cuts off after every element, in the order of the elements cut, and
// visits it in the same pass; so the output holds the elements no pass cut
// off, then those the first pass did, then those of the second (from the
// elements before, then from those of the first), and so on. `cuts` tells
// which: by index, the passes (a bit each) that cut off the element or the
// piece it came from. Answers false when a piece this pass cut off is cut
// again, which would follow every other piece of the pass: then the part
// cannot be written by itself.
bool SplitPartByPolygon(Model& part, std::vector<std::uint32_t>& cuts, std::uint32_t pass,
                        const Element& polygon, const RunSettings& settings);

// What SplitModel would do with elements whose classified points have the
// convex hull of `points`: with every point farther than the precision from
// every plane, each plane in turn keeps them all unchanged or removes them
// all (the removed side unless snapping only, the kept side with -dn);
// anything else, or a plane it cannot measure by, needs them inlined.
Verdict JudgeExtent(std::span<const Point> points, const Model& splitter,
                    const RunSettings& settings);

}  // namespace halvex
