#pragma once
// The variables a new engine has: every name the adapter reads or writes, in the collection it
// uses it in, with the element count of each array.

#include <optional>
#include <string_view>

#include "standins/engine/engine_standin.h"

namespace standins::engine::detail {

inline bool isArrayCollection(Collection collection) {
  return collection == Collection::InputArrays || collection == Collection::OutputArrays;
}

// The catalogue's entry for a name (compared exactly, trailing blanks already dropped): the
// element count of an array, 0 for a scalar, nullopt when the collection has no such variable.
std::optional<int> catalogueEntry(Collection collection, std::string_view name);

// The collection's name as the operation log writes it.
std::string_view collectionName(Collection collection);

}  // namespace standins::engine::detail
