#include "elements/element_arena.h"

#include <algorithm>

#include "platform/page_memory.h"

namespace halvex {
namespace {

std::size_t RoundUpToGranule(std::size_t bytes) {
  return (bytes + kPageBlockGranule - 1) / kPageBlockGranule * kPageBlockGranule;
}

// Blocks below a granule come from the heap: a page block's first write may
// take a whole huge page.
bool IsPageBlockSize(std::size_t bytes) { return bytes >= kPageBlockGranule; }

}  // namespace

void ElementArena::Free(const Block& block) {
  if (IsPageBlockSize(block.size)) {
    FreePageBlock(block.data, block.size);
  } else {
    ::operator delete(block.data);
  }
}

ElementArena::~ElementArena() {
  for (const Block& block : blocks_) Free(block);
}

void ElementArena::Expect(std::size_t bytes) { nextBlockSize_ = std::max(nextBlockSize_, bytes); }

void ElementArena::Adopt(ElementArena& other) {
  blocks_.insert(blocks_.end(), other.blocks_.begin(), other.blocks_.end());
  other.blocks_.clear();
  other.next_ = other.end_ = nullptr;
#ifdef HALVEX_ELEMENT_ALLOCATIONS
  for (auto& text : other.texts_) texts_.push_back(std::move(text));
  other.texts_.clear();
#endif
}

void ElementArena::Reset() {
#ifdef HALVEX_ELEMENT_ALLOCATIONS
  texts_.clear();
#endif
  if (blocks_.empty()) return;
  auto largest = std::max_element(blocks_.begin(), blocks_.end(),
                                  [](const Block& a, const Block& b) { return a.size < b.size; });
  const Block kept = *largest;
  blocks_.erase(largest);
  for (const Block& block : blocks_) Free(block);
  blocks_.assign(1, kept);
  next_ = static_cast<char*>(kept.data);
  end_ = next_ + kept.size;
}

void* ElementArena::AllocateInNewBlock(std::size_t size) {
  // Any alignment up to max_align_t holds at the start of a block.
  std::size_t blockSize = std::max(nextBlockSize_, size);
  if (IsPageBlockSize(blockSize)) blockSize = RoundUpToGranule(blockSize);
  blocks_.reserve(blocks_.size() + 1);
  void* data =
      IsPageBlockSize(blockSize) ? AllocatePageBlock(blockSize) : ::operator new(blockSize);
  blocks_.push_back({data, blockSize});
  nextBlockSize_ = std::max(nextBlockSize_, 2 * blockSize);
  char* start = static_cast<char*>(data);
  next_ = start + size;
  end_ = start + blockSize;
  return start;
}

}  // namespace halvex
