// One LDraw file in memory: the ordered list of the elements its lines became.
// The order is the order of the output file, and it never changes: elements
// are appended at the end or replaced in place, so an index always names the
// same place. A removed element leaves an EmptyElement behind.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "elements/element.h"

namespace halvex {

class Model final : public Element {
 public:
  Model() = default;

  void Append(std::unique_ptr<Element> element);
  int Size() const { return static_cast<int>(elements_.size()); }
  // REQUIRES: 0 <= i < Size().
  Element& ElementAt(int i) { return *elements_[static_cast<std::size_t>(i)]; }
  const Element& ElementAt(int i) const { return *elements_[static_cast<std::size_t>(i)]; }
  // Destroys the element at i and puts `element` in its place.
  void ReplaceAt(int i, std::unique_ptr<Element> element);
  void ReplaceWithEmpty(int i);
  // Removes element i; a subfile reference takes the BFC INVERTNEXT line
  // right before it along, since that line applies to it alone.
  void EraseElement(int i);

  // Never asked of a model.
  std::string ToText() const override { return {}; }
  int LineType() const override { return kModelType; }
  // Reverses every element that has a winding, in index order.
  void ReverseWinding() override;

 private:
  std::vector<std::unique_ptr<Element>> elements_;
};

}  // namespace halvex
