#include "model/winding_normaliser.h"

#include "elements/meta_line.h"

namespace halvex {

void NormaliseWinding(Model& model) {
  MetaKindCode firstBfc = MetaKindCode::kNone;
  bool reverse = false;
  for (int i = 0; i < model.Size(); ++i) {
    Element& element = model.ElementAt(i);
    MetaKindCode kind = MetaKindOfElement(element);
    if (kind == MetaKindCode::kCertifyCcw || kind == MetaKindCode::kCertifyCw) {
      if (firstBfc == MetaKindCode::kNone) {
        firstBfc = kind;
      } else {
        reverse = kind != firstBfc;
        model.ReplaceWithEmpty(i);
      }
      continue;
    }
    int type = element.LineType();
    if (reverse && (type == kTriangleType || type == kQuadType)) element.ReverseWinding();
  }
}

}  // namespace halvex
