#pragma once
// Movable global memory blocks owned and locked for a scope, so that every return path frees and
// unlocks what it made.

#include <cstddef>
#include <span>
#include <utility>

#include "platform/windows/memory.h"

namespace kvom::report {

// Owns a block: freed when the owner goes, unless released to a longer-lived holder.
class MovableBlock {
 public:
  MovableBlock() = default;
  explicit MovableBlock(platform::win::HGLOBAL handle) : handle_(handle) {}
  // A zero-filled movable block; empty when memory runs out.
  static MovableBlock allocate(std::size_t bytes) { return MovableBlock(GlobalAlloc(platform::win::GHND, bytes)); }
  MovableBlock(MovableBlock&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  MovableBlock& operator=(MovableBlock&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  MovableBlock(const MovableBlock&) = delete;
  MovableBlock& operator=(const MovableBlock&) = delete;
  ~MovableBlock() { reset(); }

  explicit operator bool() const { return handle_ != nullptr; }
  platform::win::HGLOBAL get() const { return handle_; }
  platform::win::HGLOBAL release() { return std::exchange(handle_, nullptr); }
  void reset() {
    if (handle_ != nullptr) GlobalFree(std::exchange(handle_, nullptr));
  }

 private:
  platform::win::HGLOBAL handle_ = nullptr;
};

// Locks a block (none: an empty view) and unlocks it at the end of the scope.
class BlockLock {
 public:
  explicit BlockLock(platform::win::HGLOBAL handle) : handle_(handle) {
    if (handle_ == nullptr) return;
    address_ = static_cast<std::byte*>(GlobalLock(handle_));
    if (address_ != nullptr) size_ = GlobalSize(handle_);
  }
  BlockLock(const BlockLock&) = delete;
  BlockLock& operator=(const BlockLock&) = delete;
  ~BlockLock() {
    if (address_ != nullptr) GlobalUnlock(handle_);
  }

  bool locked() const { return address_ != nullptr; }
  std::span<std::byte> bytes() const { return {address_, size_}; }

 private:
  platform::win::HGLOBAL handle_;
  std::byte* address_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace kvom::report
