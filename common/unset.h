#pragma once
// Markers of repository record fields that hold no value.

#include <cstdint>

namespace kvom {

inline constexpr std::int64_t UNSET_INTEGER = 99999999;
inline constexpr double UNSET_REAL = 1.0e35;

}  // namespace kvom
