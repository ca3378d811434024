#include "transfer/record_arrays.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/repository.h"

namespace kvom::transfer {
namespace {

std::int64_t bounded(std::int64_t count, std::size_t size) {
  return std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(size));
}

// A count of at least one element, as the size of a work array of T with unitsPerElement units per
// element; a size that no array can have throws length_error, as a vector asked for too much does.
template <typename T>
std::size_t workSize(std::int64_t& count, std::size_t unitsPerElement = 1) {
  if (count < 1) count = 1;
  const auto largest = static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max());
  if (static_cast<std::uint64_t>(count) > largest / (unitsPerElement * sizeof(T))) {
    throw std::length_error("work array too large");
  }
  return static_cast<std::size_t>(count) * unitsPerElement;
}

}  // namespace

std::int64_t RecordArrays::integer(std::int64_t n) const {
  return n >= 1 && n <= integerCount ? integers[static_cast<std::size_t>(n - 1)] : 0;
}

double RecordArrays::real(std::int64_t n) const {
  return n >= 1 && n <= realCount ? reals[static_cast<std::size_t>(n - 1)] : 0.0;
}

void readRecordData(std::string_view object, std::string_view key, RecordArrays& arrays, std::int64_t& status) {
  const std::size_t textLength = arrays.textLength > 0 ? static_cast<std::size_t>(arrays.textLength) : 0;
  const std::size_t textRoom = textLength == 0 ? 0 : arrays.texts.size() / textLength;
  const auto boundCounts = [&arrays, textRoom] {
    arrays.integerCount = bounded(arrays.integerCount, arrays.integers.size());
    arrays.integerCompanionCount = bounded(arrays.integerCompanionCount, arrays.integerCompanions.size());
    arrays.realCount = bounded(arrays.realCount, arrays.reals.size());
    arrays.realCompanionCount = bounded(arrays.realCompanionCount, arrays.realCompanions.size());
    arrays.textCount = bounded(arrays.textCount, textRoom);
    arrays.textCompanionCount = bounded(arrays.textCompanionCount, arrays.textCompanions.size());
  };
  // What is asked for, and what the library says it wrote, stays within the arrays.
  boundCounts();
  RPGETD(object.data(), static_cast<std::int64_t>(object.size()), key.data(), static_cast<std::int64_t>(key.size()),
         &arrays.integerCount, arrays.integers.data(), &arrays.integerCompanionCount, arrays.integerCompanions.data(),
         &arrays.realCount, arrays.reals.data(), &arrays.realCompanionCount, arrays.realCompanions.data(),
         &arrays.textCount, arrays.texts.data(), static_cast<std::int64_t>(textLength), &arrays.textCompanionCount,
         arrays.textCompanions.data(), &status);
  boundCounts();
}

bool allocateRecordArrays(RecordArrays& arrays, std::int64_t textLength) {
  const auto textUnits = static_cast<std::size_t>(std::max<std::int64_t>(textLength, 1));
  try {
    arrays.integers.assign(workSize<std::int64_t>(arrays.integerCount), 0);
    arrays.reals.assign(workSize<double>(arrays.realCount), 0.0);
    arrays.texts.assign(workSize<char>(arrays.textCount, textUnits), ' ');
    arrays.integerCompanions.assign(workSize<std::int64_t>(arrays.integerCompanionCount), 0);
    arrays.realCompanions.assign(workSize<std::int64_t>(arrays.realCompanionCount), 0);
    arrays.textCompanions.assign(workSize<std::int64_t>(arrays.textCompanionCount), 0);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  arrays.textLength = textLength;
  return true;
}

}  // namespace kvom::transfer
