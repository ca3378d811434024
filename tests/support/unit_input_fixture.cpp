#include "tests/support/unit_input_fixture.h"

#include <optional>

#include "common/unset.h"
#include "standins/engine/engine_standin.h"

namespace fixture {

using standins::engine::Collection;

standins::repository::Record UnitInput::unset(int integers, int reals) {
  standins::repository::Record record;
  record.integers.assign(static_cast<std::size_t>(integers), kvom::UNSET_INTEGER);
  record.reals.assign(static_cast<std::size_t>(reals), kvom::UNSET_REAL);
  return record;
}

UnitInput& UnitInput::integer(int n, std::int64_t value) {
  record.integers.at(static_cast<std::size_t>(n - 1)) = value;
  return *this;
}

UnitInput& UnitInput::real(int n, double value) {
  record.reals.at(static_cast<std::size_t>(n - 1)) = value;
  return *this;
}

void UnitInput::put(std::string_view object) const { standins::repository::putRecord(object, kUnitInputKey, record); }

namespace {

// The entry's arguments when it is of the operation ("e<N> Operation arguments").
std::optional<std::string> argumentsOf(std::string_view entry, std::string_view operation) {
  const std::size_t start = entry.find(' ');
  if (start == std::string_view::npos) return std::nullopt;
  const std::string_view rest = entry.substr(start + 1);
  if (!rest.starts_with(operation)) return std::nullopt;
  if (rest.size() == operation.size()) return std::string();
  if (rest[operation.size()] != ' ') return std::nullopt;
  return std::string(rest.substr(operation.size() + 1));
}

std::string nameOf(const std::string& arguments) { return arguments.substr(0, arguments.find(' ')); }

}  // namespace

std::vector<std::string> valueWrites() {
  std::vector<std::string> writes;
  std::string pending;  // the variable of the last text, until its state comes
  for (const std::string& entry : standins::engine::operationLog()) {
    if (const auto text = argumentsOf(entry, "SetValueText")) {
      writes.push_back(*text);
      pending = nameOf(*text);
    } else if (const auto state = argumentsOf(entry, "SetValueState")) {
      if (!pending.empty() && nameOf(*state) == pending) {
        writes.back() += " [" + state->substr(pending.size() + 1) + "]";
      } else {
        writes.push_back("state " + *state);
      }
      pending.clear();
    } else if (const auto cleared = argumentsOf(entry, "ClearValue")) {
      writes.push_back("clear " + *cleared);
      pending.clear();
    }
  }
  return writes;
}

void setInputScalar(std::string_view name, std::string_view text) {
  standins::engine::setScalar(1, Collection::InputScalars, name, text);
}

void setOutputScalar(std::string_view name, std::string_view text) {
  standins::engine::setScalar(1, Collection::OutputScalars, name, text);
}

}  // namespace fixture
