#pragma once
// Owns one reference to an object of the object library.

#include <utility>

#include "platform/com.h"

namespace platform {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already owns.
  static ComPtr attach(T* object) {
    ComPtr p;
    p.object_ = object;
    return p;
  }
  ComPtr(const ComPtr& other) : object_(other.object_) {
    if (object_) object_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~ComPtr() { reset(); }

  void reset() {
    if (T* object = std::exchange(object_, nullptr)) object->Release();
  }
  // Releases what is held and gives the address to receive a new reference.
  T** receive() {
    reset();
    return &object_;
  }
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

}  // namespace platform
