// Storage for the elements of one model and for the texts they keep. A model
// holds hundreds of thousands of small elements that all live exactly as long
// as the model: they are placed one after another in large blocks and the
// blocks are released together, instead of one heap object per element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
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

// Blocks grow from a few KiB, so that the many small models of subfiles stay
// small; each is twice the one before, and from 2 MiB on they are page blocks
// (see page_memory.h), huge pages where the system offers them.
class ElementArena {
 public:
  ElementArena() = default;
  ~ElementArena();
  ElementArena(const ElementArena&) = delete;
  ElementArena& operator=(const ElementArena&) = delete;

  // Makes the next block at least `bytes` large, so that a model whose size
  // can be told beforehand (from its file's size) lies in one or two large
  // blocks. Room that is never used costs address space only.
  void Expect(std::size_t bytes);

  // Takes over the storage of `other`, which is left empty: what was made in
  // `other` now lives as long as this arena. Elements made on several
  // threads, each in an arena of its own, so join one model.
  void Adopt(ElementArena& other);

  // Ends the storage of everything made in the arena, keeping its largest
  // block to make the next elements in: a model read a part at a time uses
  // the same memory for each part. REQUIRES: nothing made in it lives on.
  void Reset();

  template <class T, class... Args>
  ArenaPtr<T> Make(Args&&... args) {
#ifdef HALVEX_ELEMENT_ALLOCATIONS
    void* storage = ::operator new(sizeof(T));
#else
    void* storage = Allocate(sizeof(T), alignof(T));
#endif
    return ArenaPtr<T>(new (storage) T(std::forward<Args>(args)...));
  }

  // A copy of `text` that lives as long as the arena.
  std::string_view CopyText(std::string_view text) {
    if (text.empty()) return {};
#ifdef HALVEX_ELEMENT_ALLOCATIONS
    char* copy = texts_.emplace_back(std::make_unique<char[]>(text.size())).get();
#else
    char* copy = static_cast<char*>(Allocate(text.size(), 1));
#endif
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
  }

 private:
  struct Block {
    void* data;
    std::size_t size;
  };

  // `size` bytes aligned to `alignment` (a power of two of at most
  // alignof(std::max_align_t)).
  void* Allocate(std::size_t size, std::size_t alignment) {
    std::size_t padding =
        (alignment - reinterpret_cast<std::uintptr_t>(next_) % alignment) % alignment;
    if (padding + size > static_cast<std::size_t>(end_ - next_)) return AllocateInNewBlock(size);
    char* storage = next_ + padding;
    next_ = storage + size;
    return storage;
  }
  static void Free(const Block& block);
  // Starts a new block with room for `size` bytes and takes them from it.
  void* AllocateInNewBlock(std::size_t size);

  char* next_ = nullptr;
  char* end_ = nullptr;
  // The first block holds a few hundred elements: most subfiles fit.
  std::size_t nextBlockSize_ = std::size_t{32} << 10;
  std::vector<Block> blocks_;
#ifdef HALVEX_ELEMENT_ALLOCATIONS
  std::vector<std::unique_ptr<char[]>> texts_;
#endif
};

}  // namespace halvex
