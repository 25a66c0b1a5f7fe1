#include <windows.h>

#include <new>

#include "platform/page_memory.h"

namespace halvex {

// Windows gives large pages only to accounts holding the "lock pages in
// memory" privilege, and never lazily: blocks are plain pages, committed here
// and given memory by the system when first written.
void* AllocatePageBlock(std::size_t bytes) {
  void* block = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void FreePageBlock(void* block, std::size_t /*bytes*/) noexcept {
  VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace halvex
