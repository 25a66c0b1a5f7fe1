#include "model/model.h"

#include "elements/meta_line.h"

namespace halvex {

void Model::Append(std::unique_ptr<Element> element) { elements_.push_back(std::move(element)); }

void Model::ReplaceAt(int i, std::unique_ptr<Element> element) {
  elements_[static_cast<std::size_t>(i)] = std::move(element);
}

void Model::ReplaceWithEmpty(int i) { ReplaceAt(i, std::make_unique<EmptyElement>()); }

void Model::EraseElement(int i) {
  if (ElementAt(i).LineType() == kSubfileType && i > 0 &&
      MetaKindOfElement(ElementAt(i - 1)) == MetaKindCode::kInvertNext) {
    ReplaceWithEmpty(i - 1);
  }
  ReplaceWithEmpty(i);
}

void Model::ReverseWinding() {
  for (auto& element : elements_) element->ReverseWinding();
}

}  // namespace halvex
