#include "standins/engine/engine_standin.h"

#include <limits>

#include "common/fixed_text.h"
#include "platform/engine.h"
#include "standins/com/com_standin.h"
#include "standins/engine/catalogue.h"
#include "standins/engine/engine_objects.h"
#include "standins/engine/engine_state.h"

namespace standins::engine {
namespace {

using detail::control;
using detail::Engine;
using detail::Value;
using detail::Variable;

// The engine's class is there as soon as the library is loaded.
struct Registration {
  Registration() { registerEngineClass(); }
} const registration;

Engine* engineOf(int number) {
  auto& engines = control().engines;
  if (number < 1 || static_cast<std::size_t>(number) > engines.size()) return nullptr;
  return engines[static_cast<std::size_t>(number) - 1].get();
}

Variable* scalarOf(int engine, Collection collection, std::string_view name) {
  Engine* found = engineOf(engine);
  if (found == nullptr || detail::isArrayCollection(collection)) return nullptr;
  return found->find(collection, kvom::trimRight(name));
}

Variable* arrayOf(int engine, Collection collection, std::string_view name) {
  Engine* found = engineOf(engine);
  if (found == nullptr || !detail::isArrayCollection(collection)) return nullptr;
  return found->find(collection, kvom::trimRight(name));
}

Value* elementOf(int engine, Collection collection, std::string_view name, int index) {
  Variable* array = arrayOf(engine, collection, name);
  if (array == nullptr || index < 1 || static_cast<std::size_t>(index) > array->elements.size()) return nullptr;
  return &array->elements[static_cast<std::size_t>(index) - 1];
}

bool isOutput(Collection collection) {
  return collection == Collection::OutputScalars || collection == Collection::OutputArrays;
}

}  // namespace

void reset() {
  detail::Control& record = control();
  record.engines.clear();
  record.log.clear();
  record.logging = true;
  record.dropped.clear();
  record.droppedEverywhere.clear();
  record.forcedTexts.clear();
  record.failures.clear();
  record.saveRewrite.reset();
  record.messages.reset();
}

void registerEngineClass() { com::registerClass(platform::CLSID_WexaEngine, detail::createApplication); }

const std::vector<std::string>& operationLog() { return control().log; }
void clearOperationLog() { control().log.clear(); }
void setLogging(bool on) { control().logging = on; }

int enginesCreated() { return static_cast<int>(control().engines.size()); }
long liveObjects() { return control().liveObjects; }

std::optional<std::string> scalarText(int engine, Collection collection, std::string_view name) {
  const Variable* scalar = scalarOf(engine, collection, name);
  if (scalar == nullptr) return std::nullopt;
  if (isOutput(collection)) {
    if (const std::string* forced = control().forcedText(kvom::trimRight(name), 0)) return *forced;
  }
  return scalar->scalar.text;
}

std::optional<std::int64_t> scalarState(int engine, Collection collection, std::string_view name) {
  const Variable* scalar = scalarOf(engine, collection, name);
  if (scalar == nullptr) return std::nullopt;
  return scalar->scalar.state;
}

bool setScalar(int engine, Collection collection, std::string_view name, std::string_view text, std::int64_t state) {
  Variable* scalar = scalarOf(engine, collection, name);
  if (scalar == nullptr) return false;
  scalar->scalar = Value{std::string(text), state};
  return true;
}

std::optional<std::string> elementText(int engine, Collection collection, std::string_view name, int index) {
  const Value* element = elementOf(engine, collection, name, index);
  if (element == nullptr) return std::nullopt;
  if (isOutput(collection)) {
    if (const std::string* forced = control().forcedText(kvom::trimRight(name), index)) return *forced;
  }
  return element->text;
}

std::optional<std::int64_t> elementState(int engine, Collection collection, std::string_view name, int index) {
  const Value* element = elementOf(engine, collection, name, index);
  if (element == nullptr) return std::nullopt;
  return element->state;
}

bool setElement(int engine, Collection collection, std::string_view name, int index, std::string_view text,
                std::int64_t state) {
  Value* element = elementOf(engine, collection, name, index);
  if (element == nullptr) return false;
  *element = Value{std::string(text), state};
  return true;
}

std::optional<int> elementCount(int engine, Collection collection, std::string_view name) {
  const Variable* array = arrayOf(engine, collection, name);
  if (array == nullptr) return std::nullopt;
  return static_cast<int>(array->elements.size());
}

bool setElementCount(int engine, Collection collection, std::string_view name, int count) {
  Variable* array = arrayOf(engine, collection, name);
  if (array == nullptr || count < 0 || count > std::numeric_limits<std::int16_t>::max()) return false;
  array->elements.resize(static_cast<std::size_t>(count));
  return true;
}

std::optional<int> catalogueArraySize(Collection collection, std::string_view name) {
  if (!detail::isArrayCollection(collection)) return std::nullopt;
  return detail::catalogueEntry(collection, kvom::trimRight(name));
}

bool terminated(int engine) {
  const Engine* found = engineOf(engine);
  return found != nullptr && found->terminated;
}

std::string casePath(int engine) {
  const Engine* found = engineOf(engine);
  return found == nullptr ? std::string() : found->casePath;
}

std::optional<std::pair<std::string, std::string>> multiCaseInfo(int engine) {
  const Engine* found = engineOf(engine);
  if (found == nullptr) return std::nullopt;
  return found->multiCaseInfo;
}

std::uint32_t applicationReferences(int engine) {
  const Engine* found = engineOf(engine);
  return found == nullptr ? 0 : found->applicationReferences;
}

void dropVariable(std::string_view name, std::optional<Collection> collection) {
  const std::string trimmed(kvom::trimRight(name));
  if (collection) {
    control().dropped.emplace(*collection, trimmed);
  } else {
    control().droppedEverywhere.insert(trimmed);
  }
}

void forceOutputText(std::string_view name, int index, std::string text) {
  control().forcedTexts[{std::string(kvom::trimRight(name)), index}] = std::move(text);
}

void failOperation(std::string_view operation, int skip, int times) {
  control().failures[std::string(operation)] = detail::Failure{skip, times};
}

void rewriteSavePath(std::optional<std::string> windowsPath) { control().saveRewrite = std::move(windowsPath); }

void setMessages(std::optional<std::vector<int>> numbers) { control().messages = std::move(numbers); }

}  // namespace standins::engine
