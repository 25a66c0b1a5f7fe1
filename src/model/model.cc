#include "model/model.h"

#include <algorithm>
#include <utility>

#include "elements/meta_line.h"

namespace halvex {

void Model::Append(ArenaPtr<Element> element) {
  int type = element->LineType();
  if (type == kMetaType &&
      (BfcWordsOf(static_cast<const MetaLine&>(*element).Text()) & kBfcInvertNext)) {
    pendingMarkers_.push_back(Size());
  } else if (type == kSubfileType && !pendingMarkers_.empty()) {
    for (int marker : pendingMarkers_) inversionMarkers_.emplace_back(Size(), marker);
    pendingMarkers_.clear();
  }
  elements_.push_back(std::move(element));
}

void Model::Clear() {
  elements_.clear();
  inversionMarkers_.clear();
  pendingMarkers_.clear();
  textures_.clear();
  tags_.clear();
  arena_.Reset();
}

void Model::ReplaceAt(int i, ArenaPtr<Element> element) {
  elements_[static_cast<std::size_t>(i)] = std::move(element);
}

void Model::ReplaceWithEmpty(int i) { elements_[static_cast<std::size_t>(i)].reset(); }

void Model::EraseElement(int i) {
  // Most models have no INVERTNEXT statements: the element is then not
  // visited to be removed.
  if (!inversionMarkers_.empty() && ElementAt(i).LineType() == kSubfileType) {
    auto markers = std::equal_range(inversionMarkers_.begin(), inversionMarkers_.end(),
                                    std::pair<int, int>(i, 0),
                                    [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto marker = markers.first; marker != markers.second; ++marker) {
      ReplaceWithEmpty(marker->second);
    }
  }
  ReplaceWithEmpty(i);
}

void Model::SetTag(int i, const TextureTag& tag) {
  std::size_t place = static_cast<std::size_t>(i);
  if (tags_.size() <= place) tags_.resize(std::max(place + 1, elements_.size()));
  tags_[place] = tag;
}

std::vector<int> Model::EndFile() { return std::exchange(pendingMarkers_, {}); }

void Model::ReverseWinding() {
  for (auto& element : elements_) {
    if (element) element->ReverseWinding();
  }
}

}  // namespace halvex
