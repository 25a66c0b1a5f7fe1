#include "model/bfc_flattening.h"

#include <algorithm>

#include "model/bfc_state.h"

namespace halvex {
namespace {

constexpr std::string_view kClip = "0 BFC CLIP";
constexpr std::string_view kNoClip = "0 BFC NOCLIP";
constexpr std::string_view kInvertNext = "0 BFC INVERTNEXT";

}  // namespace

std::vector<InsertedLine> FlattenBfc(Model& model, int topSize,
                                     std::span<const KeptReference> kept) {
  BfcState top;
  for (int i = 0; i < topSize; ++i) top.Take(model.ElementAt(i));
  std::vector<InsertedLine> inserted;
  auto keptAfterTop = std::find_if(kept.begin(), kept.end(),
                                   [&](const KeptReference& ref) { return ref.index >= topSize; });
  if (!top.Certified()) {
    for (auto ref = keptAfterTop; ref != kept.end(); ++ref) {
      if (model.ElementAt(ref->index).winding == -1) inserted.push_back({ref->index, kInvertNext});
    }
    return inserted;
  }
  bool clip = top.Clip();
  auto nextKept = keptAfterTop;
  for (int i = topSize; i < model.Size(); ++i) {
    Element& element = model.ElementAt(i);
    int type = element.LineType();
    while (nextKept != kept.end() && nextKept->index < i) ++nextKept;
    if (type == kSubfileType && nextKept != kept.end() && nextKept->index == i &&
        nextKept->passesCulling != clip) {
      clip = nextKept->passesCulling;
      inserted.push_back({i, clip ? kClip : kNoClip});
    }
    if (type == kSubfileType && element.winding == -1) inserted.push_back({i, kInvertNext});
    if (type != kTriangleType && type != kQuadType) continue;
    bool culled = element.winding != 0;
    if (culled != clip) {
      inserted.push_back({i, culled ? kClip : kNoClip});
      clip = culled;
    }
    if (culled && element.winding != top.Winding()) {
      element.ReverseWinding();
      element.winding = static_cast<std::int8_t>(top.Winding());
    }
  }
  return inserted;
}

}  // namespace halvex
