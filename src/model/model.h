// One LDraw file in memory: the ordered list of the elements its lines became.
// The order is the order of the output file, and it never changes: elements
// are appended at the end or replaced in place, so an index always names the
// same place. A removed element leaves an EmptyElement behind.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "elements/element.h"
#include "elements/element_arena.h"
#include "elements/texture_map.h"

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

  // REQUIRES: `element` was made by Arena(). A BFC INVERTNEXT statement
  // (see BfcWordsOf) applies to the first reference appended after it,
  // whatever lies between, as it applies to the next type 1 line of its
  // file (see EndFile for one that ends the file).
  void Append(ArenaPtr<Element> element);
  // Appends an empty place, as if an element had been appended and removed.
  void AppendEmpty() { elements_.emplace_back(); }
  // Removes every element, keeping the room they took for the next (see
  // ElementArena::Reset).
  void Clear();
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
  // Removes element i; a subfile reference takes along every BFC INVERTNEXT
  // statement that applies to it (see Append), since they apply to it alone.
  // Comments that merely hold the words are no statements and stay.
  void EraseElement(int i);
  // Ends the model's own file: answers the BFC INVERTNEXT statements that
  // no reference followed, which apply to nothing, and keeps them from
  // applying to a reference appended later (placed from another file).
  std::vector<int> EndFile();
  // Whether a BFC INVERTNEXT statement appended waits for its reference.
  bool AwaitsReference() const { return !pendingMarkers_.empty(); }

  // The textures of the model's texture blocks, placed where their lines
  // are, with the statement that starts a block of each and, for one
  // declared with NEXT, the one that applies it to a single line (see
  // texture_blocks.h); empty in a model without texture blocks.
  struct Texture {
    TextureMap map;
    std::string startText;
    std::string nextText;
  };
  int AddTexture(Texture texture) {
    textures_.push_back(std::move(texture));
    return static_cast<int>(textures_.size()) - 1;
  }
  const Texture& TextureAt(int texture) const {
    return textures_[static_cast<std::size_t>(texture)];
  }
  bool HasTextures() const { return !tags_.empty(); }
  // The place of element i in the texture blocks. It belongs to the place,
  // not to the element: an element put there by ReplaceAt has it too.
  TextureTag TagAt(int i) const {
    return static_cast<std::size_t>(i) < tags_.size() ? tags_[static_cast<std::size_t>(i)]
                                                      : TextureTag{};
  }
  void SetTag(int i, const TextureTag& tag);

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
  // Each reference that BFC INVERTNEXT statements apply to, with the index
  // of each such statement, in the order of the references.
  std::vector<std::pair<int, int>> inversionMarkers_;
  // The BFC INVERTNEXT statements appended since the last reference.
  std::vector<int> pendingMarkers_;
  std::vector<Texture> textures_;
  // By index; places beyond its end have the default tag.
  std::vector<TextureTag> tags_;
};

}  // namespace halvex
