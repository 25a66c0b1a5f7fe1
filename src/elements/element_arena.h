// Storage for the elements of one model and for the texts they keep. A model
// holds hundreds of thousands of small elements that all live exactly as long
// as the model: they are placed one after another in large blocks and the
// blocks are released together, instead of one heap object per element.
#pragma once

#include <cstring>
#include <memory>
#include <memory_resource>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

// Under AddressSanitizer every element is its own heap object, freed when it
// is replaced, so that a use after replacement is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define HALVEX_ELEMENT_ALLOCATIONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HALVEX_ELEMENT_ALLOCATIONS 1
#endif
#endif

namespace halvex {

class Element;

// Ends the life of an element made by an ElementArena. Elements own nothing
// (the texts they keep are views into the arena or into text that outlives
// them), so their destructors are never run. In a normal build the storage
// stays in the arena until the arena goes, which is all a replaced element
// needs. With HALVEX_ELEMENT_ALLOCATIONS the storage is freed here, and a
// member that did need its destructor would show up as a leak.
struct ArenaDelete {
#ifdef HALVEX_ELEMENT_ALLOCATIONS
  void operator()(Element* element) const noexcept;
#else
  void operator()(Element* /*element*/) const noexcept {}
#endif
};

// An element whose storage belongs to an ElementArena: the pointer decides
// when the element's life ends, the arena when its memory goes. It must not
// outlive its arena.
template <class T>
using ArenaPtr = std::unique_ptr<T, ArenaDelete>;

class ElementArena {
 public:
  ElementArena() = default;
  ElementArena(const ElementArena&) = delete;
  ElementArena& operator=(const ElementArena&) = delete;

  template <class T, class... Args>
  ArenaPtr<T> Make(Args&&... args) {
#ifdef HALVEX_ELEMENT_ALLOCATIONS
    void* storage = ::operator new(sizeof(T));
#else
    void* storage = memory_.allocate(sizeof(T), alignof(T));
#endif
    return ArenaPtr<T>(new (storage) T(std::forward<Args>(args)...));
  }

  // A copy of `text` that lives as long as the arena.
  std::string_view CopyText(std::string_view text) {
    if (text.empty()) return {};
#ifdef HALVEX_ELEMENT_ALLOCATIONS
    char* copy = texts_.emplace_back(std::make_unique<char[]>(text.size())).get();
#else
    char* copy = static_cast<char*>(memory_.allocate(text.size(), 1));
#endif
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
  }

 private:
#ifdef HALVEX_ELEMENT_ALLOCATIONS
  std::vector<std::unique_ptr<char[]>> texts_;
#else
  std::pmr::monotonic_buffer_resource memory_;
#endif
};

}  // namespace halvex
