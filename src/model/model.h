// One LDraw file in memory: the ordered list of the elements its lines became.
// The order is the order of the output file, and it never changes: elements
// are appended at the end or replaced in place, so an index always names the
// same place. A removed element leaves an EmptyElement behind.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "elements/element.h"
#include "elements/element_arena.h"

namespace halvex {

class Model final : public Element {
 public:
  Model() = default;

  // The storage of this model's elements: every element given to Append or
  // ReplaceAt is made in it, and lives until the model goes or the element is
  // replaced.
  ElementArena& Arena() { return arena_; }
  // Makes room for `count` elements in all, so that a list of known size is
  // not grown step by step.
  void Reserve(int count) { elements_.reserve(static_cast<std::size_t>(count)); }

  // REQUIRES: `element` was made by Arena().
  void Append(ArenaPtr<Element> element);
  // Appends an empty place, as if an element had been appended and removed.
  void AppendEmpty() { elements_.emplace_back(); }
  int Size() const { return static_cast<int>(elements_.size()); }
  // REQUIRES: 0 <= i < Size().
  Element& ElementAt(int i) {
    Element* element = elements_[static_cast<std::size_t>(i)].get();
    return element ? *element : empty_;
  }
  const Element& ElementAt(int i) const {
    const Element* element = elements_[static_cast<std::size_t>(i)].get();
    return element ? *element : empty_;
  }
  // Ends the life of the element at i (see ArenaDelete) and puts `element`
  // in its place; REQUIRES: `element` was made by Arena().
  void ReplaceAt(int i, ArenaPtr<Element> element);
  void ReplaceWithEmpty(int i);
  // Removes element i; a subfile reference takes the BFC INVERTNEXT line
  // right before it along, since that line applies to it alone.
  void EraseElement(int i);
  // Whether the element before index i (0 <= i <= Size()) is a BFC
  // INVERTNEXT line, which applies to what stands at i.
  bool FollowsInvertNext(int i) const;

  // Never asked of a model.
  void AppendText(std::string& /*out*/) const override {}
  int LineType() const override { return kModelType; }
  // Reverses every element that has a winding, in index order.
  void ReverseWinding() override;

 private:
  // Declared first, so that it outlives the elements made in it.
  ElementArena arena_;
  // A removed element's place holds no element and reads as empty_: removal
  // is frequent (a split removes about half a model), and every
  // EmptyElement is alike.
  std::vector<ArenaPtr<Element>> elements_;
  EmptyElement empty_;
};

}  // namespace halvex
