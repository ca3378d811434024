#include "standins/engine/engine_state.h"

#include "standins/engine/catalogue.h"

namespace standins::engine::detail {

Variable* Engine::find(Collection collection, std::string_view name) {
  auto& table = variables[static_cast<int>(collection)];
  if (const auto found = table.find(name); found != table.end()) return &found->second;
  const auto size = catalogueEntry(collection, name);
  if (!size) return nullptr;
  Variable variable;
  if (isArrayCollection(collection)) variable.elements.resize(static_cast<std::size_t>(*size));
  return &table.emplace(std::string(name), std::move(variable)).first->second;
}

void Engine::clear(Collection collection) {
  const bool arrays = isArrayCollection(collection);
  for (auto& [name, variable] : variables[static_cast<int>(collection)]) {
    variable.clear();
    if (arrays) variable.elements.resize(static_cast<std::size_t>(catalogueEntry(collection, name).value_or(0)));
  }
}

bool Control::isDropped(Collection collection, std::string_view name) const {
  if (dropped.empty() && droppedEverywhere.empty()) return false;
  if (droppedEverywhere.find(name) != droppedEverywhere.end()) return true;
  return dropped.count({collection, std::string(name)}) > 0;
}

const std::string* Control::forcedText(std::string_view name, int index) const {
  if (forcedTexts.empty()) return nullptr;
  const auto found = forcedTexts.find({std::string(name), index});
  return found == forcedTexts.end() ? nullptr : &found->second;
}

bool Control::failureDue(std::string_view operation) {
  if (failures.empty()) return false;
  const auto found = failures.find(operation);
  if (found == failures.end()) return false;
  Failure& failure = found->second;
  if (failure.skip > 0) {
    --failure.skip;
    return false;
  }
  if (failure.times == 0) return false;
  if (failure.times > 0) --failure.times;
  return true;
}

// Never destroyed: engine objects may still be used or released by other libraries' static
// destructors at process exit.
Control& control() {
  static Control* const record = new Control;
  return *record;
}

}  // namespace standins::engine::detail
