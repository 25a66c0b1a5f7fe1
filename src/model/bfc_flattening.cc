#include "model/bfc_flattening.h"

#include "model/bfc_state.h"

namespace halvex {
namespace {

constexpr std::string_view kClip = "0 BFC CLIP";
constexpr std::string_view kNoClip = "0 BFC NOCLIP";
constexpr std::string_view kInvertNext = "0 BFC INVERTNEXT";

}  // namespace

std::vector<InsertedLine> FlattenBfc(Model& model, int topSize) {
  BfcState top;
  for (int i = 0; i < topSize; ++i) top.Take(model.ElementAt(i));
  std::vector<InsertedLine> inserted;
  if (!top.Certified()) return inserted;
  bool clip = top.Clip();
  for (int i = topSize; i < model.Size(); ++i) {
    Element& element = model.ElementAt(i);
    int type = element.LineType();
    if (type == kSubfileType && element.winding == -1) inserted.push_back({i, kInvertNext});
    if (type != kTriangleType && type != kQuadType) continue;
    bool culled = element.winding != 0;
    if (culled != clip) {
      inserted.push_back({i, culled ? kClip : kNoClip});
      clip = culled;
    }
    if (culled && element.winding != top.Winding()) {
      element.ReverseWinding();
      element.winding = top.Winding();
    }
  }
  return inserted;
}

}  // namespace halvex
