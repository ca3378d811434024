// Windows global memory as real blocks behind a handle table, with lock counts and counts that
// tests read to find leaks and double frees.

#include "platform/windows/memory.h"

#include <cstdint>
#include <string>

#include "standins/host/host_standin.h"
#include "standins/windows/windows_standin.h"
#include "standins/windows/windows_state.h"

using namespace platform::win;
using standins::host::raiseIfArmed;
using standins::windows::detail::failsNow;
using standins::windows::detail::hex;
using standins::windows::detail::MemoryBlock;
using standins::windows::detail::record;
using standins::windows::detail::state;

namespace {

std::uintptr_t handleNumber(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

MemoryBlock* find(HGLOBAL block) {
  const auto it = state().memoryBlocks.find(handleNumber(block));
  return it != state().memoryBlocks.end() ? &it->second : nullptr;
}

}  // namespace

namespace standins::windows {

std::size_t liveMemoryBlocks() { return state().memoryBlocks.size(); }
std::int64_t invalidMemoryFrees() { return state().invalidMemoryFrees; }

std::uint32_t memoryLockCount(void* handle) {
  const MemoryBlock* block = find(static_cast<HGLOBAL>(handle));
  return block != nullptr ? block->locks : 0;
}

}  // namespace standins::windows

extern "C" {

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  raiseIfArmed("GlobalAlloc");
  record("GlobalAlloc " + hex(flags) + " " + std::to_string(bytes));
  if (failsNow("GlobalAlloc")) return nullptr;
  // Every block starts zeroed here; GMEM_ZEROINIT is what callers may rely on.
  MemoryBlock block{std::vector<std::byte>(bytes), flags, 0};
  auto* handle = static_cast<HGLOBAL>(standins::windows::detail::newHandle());
  state().memoryBlocks.emplace(handleNumber(handle), std::move(block));
  return handle;
}

void* GlobalLock(HGLOBAL block) {
  raiseIfArmed("GlobalLock");
  record("GlobalLock");
  MemoryBlock* found = find(block);
  // A block of no bytes has no address, as a discarded block on Windows.
  if (found == nullptr || found->bytes.empty()) return nullptr;
  ++found->locks;
  return found->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL block) {
  raiseIfArmed("GlobalUnlock");
  record("GlobalUnlock");
  MemoryBlock* found = find(block);
  if (found == nullptr || found->locks == 0) return FALSE;
  --found->locks;
  return found->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  raiseIfArmed("GlobalFree");
  record("GlobalFree");
  if (state().memoryBlocks.erase(handleNumber(block)) == 0) {
    ++state().invalidMemoryFrees;
    return block;
  }
  return nullptr;
}

std::size_t GlobalSize(HGLOBAL block) {
  raiseIfArmed("GlobalSize");
  record("GlobalSize");
  const MemoryBlock* found = find(block);
  return found != nullptr ? found->bytes.size() : 0;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags) {
  raiseIfArmed("GlobalReAlloc");
  record("GlobalReAlloc " + std::to_string(bytes) + " " + hex(flags));
  MemoryBlock* found = find(block);
  if (found == nullptr || failsNow("GlobalReAlloc")) return nullptr;
  found->bytes.resize(bytes);  // new bytes are zero
  return block;
}

}  // extern "C"
