#pragma once
// What one engine holds (its variables, case path, flags) and the stand-in's shared control
// record (engines by creation number, the operation log, injected faults).

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "standins/engine/engine_standin.h"

namespace standins::engine::detail {

struct Value {
  std::string text;
  std::int64_t state = 0;

  void clear() {
    text.clear();
    state = 0;
  }
  bool isEmpty() const { return text.empty() && state == 0; }
};

// A scalar uses `scalar`; an array its elements (index i at elements[i - 1]).
struct Variable {
  Value scalar;
  std::vector<Value> elements;

  void clear() {
    scalar.clear();
    for (auto& element : elements) element.clear();
  }
};

struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};
using Variables = std::unordered_map<std::string, Variable, NameHash, std::equal_to<>>;

struct Engine {
  explicit Engine(int number) : number(number), prefix("e" + std::to_string(number) + " ") {}

  int number;
  std::string prefix;  // "e<N> ", the start of its log entries
  bool terminated = false;
  std::uint32_t applicationReferences = 0;
  std::int16_t operatingMode = 0;
  std::string casePath;  // Windows path text of the case last opened or saved
  std::optional<std::pair<std::string, std::string>> multiCaseInfo;

  // Variables are created on first use, from the catalogue, and never removed, so a variable
  // object may keep a pointer to its storage.
  std::array<Variables, 4> variables;

  // The variable of the catalogue, or null when the catalogue has no such name in the collection.
  Variable* find(Collection collection, std::string_view name);
  // Every variable of the collection empty, each array with its catalogue's element count.
  void clear(Collection collection);
};

struct Failure {
  int skip = 0;
  int times = -1;  // < 0: every call
};

struct Control {
  std::vector<std::shared_ptr<Engine>> engines;  // by creation number - 1
  std::vector<std::string> log;
  bool logging = true;
  long liveObjects = 0;
  std::set<std::pair<Collection, std::string>> dropped;
  std::set<std::string, std::less<>> droppedEverywhere;
  std::map<std::pair<std::string, int>, std::string> forcedTexts;
  std::map<std::string, Failure, std::less<>> failures;
  std::optional<std::string> saveRewrite;
  std::optional<std::vector<int>> messages;

  bool isDropped(Collection collection, std::string_view name) const;
  // The forced text of an output variable (index 0: a scalar), if any.
  const std::string* forcedText(std::string_view name, int index) const;
  // Whether this call of the operation is to fail; counts the call.
  bool failureDue(std::string_view operation);
};

Control& control();

}  // namespace standins::engine::detail
