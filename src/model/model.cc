#include "model/model.h"

#include "elements/meta_line.h"

namespace halvex {

void Model::Append(ArenaPtr<Element> element) { elements_.push_back(std::move(element)); }

void Model::ReplaceAt(int i, ArenaPtr<Element> element) {
  elements_[static_cast<std::size_t>(i)] = std::move(element);
}

void Model::ReplaceWithEmpty(int i) { elements_[static_cast<std::size_t>(i)].reset(); }

void Model::EraseElement(int i) {
  if (ElementAt(i).LineType() == kSubfileType && FollowsInvertNext(i)) ReplaceWithEmpty(i - 1);
  ReplaceWithEmpty(i);
}

bool Model::FollowsInvertNext(int i) const {
  return i > 0 && MetaKindOfElement(ElementAt(i - 1)) == MetaKindCode::kInvertNext;
}

void Model::ReverseWinding() {
  for (auto& element : elements_) {
    if (element) element->ReverseWinding();
  }
}

}  // namespace halvex
