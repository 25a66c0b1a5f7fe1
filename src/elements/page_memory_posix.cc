#include <sys/mman.h>

#include <cstdint>
#include <new>

#include "elements/page_memory.h"

namespace halvex {

void* AllocatePageBlock(std::size_t bytes) {
  // Map one granule more than asked, then unmap the ends around the aligned
  // part: mmap aligns to a small page only.
  std::size_t mapped = bytes + kPageBlockGranule;
  void* start = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (start == MAP_FAILED) throw std::bad_alloc();
  auto address = reinterpret_cast<std::uintptr_t>(start);
  std::uintptr_t aligned = (address + kPageBlockGranule - 1) & ~(kPageBlockGranule - 1);
  std::size_t head = aligned - address;
  if (head > 0) munmap(start, head);
  std::size_t tail = mapped - head - bytes;
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
  void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  // Only a request: a system without transparent huge pages, or with them
  // switched off, declines it and the block stays in small pages.
  madvise(block, bytes, MADV_HUGEPAGE);
#endif
  return block;
}

void FreePageBlock(void* block, std::size_t bytes) noexcept { munmap(block, bytes); }

}  // namespace halvex
