#pragma once
// Windows global memory: blocks reached through a handle, locked to get their address.

#include <cstddef>

#include "platform/windows/types.h"

namespace platform::win {

inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GMEM_DDESHARE = 0x2000;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
inline constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

}  // namespace platform::win

extern "C" {

// A new block of the given size (its bytes zero with GMEM_ZEROINIT); null when memory runs out.
platform::win::HGLOBAL GlobalAlloc(platform::win::UINT flags, std::size_t bytes);
// The block's address, counting one lock more; null for a handle that is no block.
void* GlobalLock(platform::win::HGLOBAL block);
// Counts one lock less; TRUE while the block stays locked, FALSE once it is unlocked (or was not
// locked, or is no block).
platform::win::BOOL GlobalUnlock(platform::win::HGLOBAL block);
// Frees the block; null on success, the handle itself when it is no block.
platform::win::HGLOBAL GlobalFree(platform::win::HGLOBAL block);
// The block's size in bytes; 0 for a handle that is no block.
std::size_t GlobalSize(platform::win::HGLOBAL block);
// Gives the block a new size, keeping its first bytes (new bytes zero with GMEM_ZEROINIT); the
// handle stays the same. Null when it cannot, the block then left as it was.
platform::win::HGLOBAL GlobalReAlloc(platform::win::HGLOBAL block, std::size_t bytes, platform::win::UINT flags);

}  // extern "C"
