#pragma once
// The unit-input record as the host completes it, made in a line, and the engine's value
// operations as a readable list. The engine is the curve fixture's TestEngine (engine 1).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "standins/repository/repository_standin.h"
#include "tests/support/curve_fixture.h"

namespace fixture {

inline constexpr std::string_view kUnitInputKey = "WEXA_PLUS_UNIT_INPUT";

// WEXA_PLUS_UNIT_INPUT with 10 integers and 23 reals, every one unset until it is given a value.
struct UnitInput {
  standins::repository::Record record = unset(10, 23);

  UnitInput& integer(int n, std::int64_t value);
  UnitInput& real(int n, double value);
  void put(std::string_view object) const;

  static standins::repository::Record unset(int integers, int reals);
};

// The value operations of the engine log since it was last cleared: a text with the state that
// follows it as "Name text [state]" (without a state: "Name text"), a clearing as "clear Name".
std::vector<std::string> valueWrites();

// Sets a scalar of engine 1 as if the engine held that text.
void setInputScalar(std::string_view name, std::string_view text);
void setOutputScalar(std::string_view name, std::string_view text);

}  // namespace fixture
