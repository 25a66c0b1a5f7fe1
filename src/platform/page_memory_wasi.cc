#include <new>

#include "platform/page_memory.h"

namespace halvex {

// For systems without a call that maps memory (WASI): blocks come from the
// heap, whose memory the runtime gives out as the program grows it.
void* AllocatePageBlock(std::size_t bytes) { return ::operator new(bytes); }

void FreePageBlock(void* block, std::size_t /*bytes*/) noexcept { ::operator delete(block); }

}  // namespace halvex
