#pragma once
// What the execute and output steps share of taking the host's arguments and the engine.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/com_ptr.h"

namespace kvom::run {

// The first N words of a host's option record of `size` words; a word the record does not hold
// (beyond its size, or no record at all) reads as 0.
template <std::size_t N>
std::array<std::int64_t, N> hostWords(const std::int64_t* words, std::int64_t size) {
  std::array<std::int64_t, N> copy{};
  if (words == nullptr || size <= 0) return copy;
  const auto held = std::min(static_cast<std::size_t>(size), N);
  std::copy_n(words, held, copy.begin());
  return copy;
}


// A reference of the step's own to an engine object that the registry lends, for the whole step.
template <typename T>
platform::ComPtr<T> retained(T* object) {
  if (object != nullptr) object->AddRef();
  return platform::ComPtr<T>::attach(object);
}

}  // namespace kvom::run
