// Large blocks of memory taken straight from the system, for the element
// arena, given back to it whole when the model goes. Each platform has its
// own source file. Blocks are aligned to the huge page size (2 MiB on x86-64
// Linux), so that a system that backs memory with huge pages by itself can.
#pragma once

#include <cstddef>

namespace halvex {

// The alignment and size granule of page blocks: the huge page size of
// x86-64 and arm64, a whole number of pages everywhere.
inline constexpr std::size_t kPageBlockGranule = std::size_t{2} << 20;

// A block of `bytes` (a multiple of kPageBlockGranule), aligned to
// kPageBlockGranule where the system allows it. Its pages take memory only
// once they are first written. Throws std::bad_alloc when the system has no
// room.
void* AllocatePageBlock(std::size_t bytes);

// Gives back a block of AllocatePageBlock(bytes).
void FreePageBlock(void* block, std::size_t bytes) noexcept;

}  // namespace halvex
