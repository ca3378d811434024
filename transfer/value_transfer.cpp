#include "transfer/value_transfer.h"

#include <algorithm>

#include "common/number_text.h"
#include "transfer/engine_text.h"

namespace kvom::transfer {
namespace {

using platform::ComPtr;
using platform::VariableCollection;

using Fetch = platform::HRESULT (platform::EngineData::*)(VariableCollection**);

ComPtr<VariableCollection> fetch(platform::EngineData* data, Fetch operation) {
  ComPtr<VariableCollection> collection;
  if (data != nullptr) (data->*operation)(collection.receive());
  return collection;
}

template <typename Variable>
ComPtr<Variable> find(VariableCollection* collection, const EngineString& name, const platform::IID& iid) {
  ComPtr<Variable> variable;
  if (collection == nullptr) return variable;
  ComPtr<platform::IUnknown> item;
  collection->GetItem(name.get(), item.receive());
  if (item) item->QueryInterface(iid, reinterpret_cast<void**>(variable.receive()));
  return variable;
}

// Reads the first value of the text into the target when it reads as a number of its kind.
bool readInto(const ValueText& text, double& target) {
  if (text.isBlank()) return false;
  const auto value = readReal(text.view());
  if (value) target = *value;
  return value.has_value();
}

bool readInto(const ValueText& text, std::int64_t& target) {
  if (text.isBlank()) return false;
  const auto value = readInteger(text.view());
  if (value) target = *value;
  return value.has_value();
}

// The engine's text of a scalar into the blanked value text; a text too long for it (beyond
// blanks) leaves it blank.
void fetchScalarText(VariableCollection* collection, std::string_view name, ValueText& text) {
  text.blank();
  if (const auto variable = findScalar(collection, name)) {
    EngineString result;
    variable->GetValueText(result.receive());
    copyEngineText(result.get(), text.text());
  }
}

template <typename Target>
bool readScalarInto(VariableCollection* collection, std::string_view name, Target& target) {
  ValueText text;
  fetchScalarText(collection, name, text);
  return readInto(text, target);
}

// Fills the value text with element index of the array. An empty text leaves the value text as it
// was; a text too long for it (beyond blanks) leaves it too and returns false. A read that fails
// returns false with the value text blanked, so that no later element takes another's text.
bool fetchElementText(platform::ArrayVariable& array, std::int16_t index, ElementKind kind, ValueText& text,
                      LongText longText = LongText::Refuse) {
  EngineString result;
  const platform::HRESULT read = kind == ElementKind::Numeric ? array.GetElementText(index, result.receive())
                                                              : array.GetElementString(index, result.receive());
  if (read < 0) {
    text.blank();
    return false;
  }
  return copyEngineText(result.get(), text.text(), longText) != TextCopy::TooLong;
}

template <typename Value>
void writeElementsFrom(VariableCollection* collection, std::string_view name, std::span<const Value> values,
                       std::int64_t state) {
  const auto array = findArray(collection, name);
  if (!array) return;
  ValueTexts texts;
  const std::size_t last = std::min<std::size_t>(values.size(), INT16_MAX);
  for (std::size_t i = 1; i <= last; ++i) {
    const auto index = static_cast<std::int16_t>(i);
    array->SetElementText(index, texts.text(EngineValue(values[i - 1])));
    array->SetElementState(index, state);
  }
}

template <typename Target>
std::int16_t readElementsInto(platform::ArrayVariable& array, std::span<Target> targets, ElementKind kind) {
  ValueText text;
  std::int16_t count = 0;
  array.GetElementCount(&count);
  const std::int16_t last =
      static_cast<std::int16_t>(std::min<std::size_t>(std::max<std::int16_t>(count, 0), targets.size()));
  // The index runs wider than the engine's 2-byte index, so that a last element of 32767 ends it.
  for (int i = 1; i <= last; ++i) {
    // A read that fails, or a text too long for the value text, is not a value: this element keeps
    // its preset.
    if (!fetchElementText(array, static_cast<std::int16_t>(i), kind, text)) continue;
    readInto(text, targets[static_cast<std::size_t>(i - 1)]);
  }
  return count;
}

template <typename Target>
std::int16_t readElementsInto(VariableCollection* collection, std::string_view name, std::span<Target> targets,
                              ElementKind kind) {
  const auto array = findArray(collection, name);
  if (!array) return 0;
  return readElementsInto(*array.get(), targets, kind);
}

}  // namespace

void EngineValue::format(ValueText& text) const {
  NumberBuffer buffer;
  const std::string_view number = numberText(buffer);
  text.assign(kind_ == Kind::Literal ? literal_ : number);
}

std::string_view EngineValue::numberText(NumberBuffer& buffer) const {
  switch (kind_) {
    case Kind::Real:
      return formatReal(real_, buffer);
    case Kind::Integer:
      return formatInteger(integer_, buffer);
    case Kind::Literal:
      break;
  }
  return {};
}

EngineString EngineValue::engineText() const {
  NumberBuffer buffer;
  const std::string_view number = numberText(buffer);
  if (!number.empty()) return EngineString(number);
  return EngineString(literal_.substr(0, kValueTextLength));
}

platform::BSTR ValueTexts::text(const EngineValue& value) {
  NumberBuffer buffer;
  const std::string_view number = value.numberText(buffer);
  if (number.empty()) {
    literal_ = value.engineText();
    return literal_.get();
  }
  // A number text is made of characters below 0x80, which widen unchanged.
  EngineString& held = byLength_[number.size()];
  if (held.get() == nullptr) {
    held = EngineString(number);
  } else {
    std::copy(number.begin(), number.end(), held.get());
  }
  return held.get();
}

ComPtr<VariableCollection> inputScalars(platform::EngineData* data) {
  return fetch(data, &platform::EngineData::GetInputScalars);
}
ComPtr<VariableCollection> inputArrays(platform::EngineData* data) {
  return fetch(data, &platform::EngineData::GetInputArrays);
}
ComPtr<VariableCollection> outputScalars(platform::EngineData* data) {
  return fetch(data, &platform::EngineData::GetOutputScalars);
}
ComPtr<VariableCollection> outputArrays(platform::EngineData* data) {
  return fetch(data, &platform::EngineData::GetOutputArrays);
}

ComPtr<platform::ScalarVariable> findScalar(VariableCollection* collection, std::string_view name) {
  if (collection == nullptr) return {};
  return find<platform::ScalarVariable>(collection, EngineString(name), platform::IID_ScalarVariable);
}

ComPtr<platform::ArrayVariable> findArray(VariableCollection* collection, std::string_view name) {
  if (collection == nullptr) return {};
  return findArray(collection, EngineString(name));
}

ComPtr<platform::ArrayVariable> findArray(VariableCollection* collection, const EngineString& name) {
  return find<platform::ArrayVariable>(collection, name, platform::IID_ArrayVariable);
}

void writeScalar(VariableCollection* collection, std::string_view name, const EngineValue& value,
                 std::optional<std::int64_t> state) {
  const auto variable = findScalar(collection, name);
  if (!variable) return;
  const EngineString engineText = value.engineText();
  variable->SetValueText(engineText.get());
  if (state) variable->SetValueState(*state);
}

void clearScalar(VariableCollection* collection, std::string_view name) {
  if (const auto variable = findScalar(collection, name)) variable->ClearValue();
}

bool readScalar(VariableCollection* collection, std::string_view name, double& target) {
  return readScalarInto(collection, name, target);
}

bool readScalar(VariableCollection* collection, std::string_view name, std::int64_t& target) {
  return readScalarInto(collection, name, target);
}

bool readScalarText(VariableCollection* collection, std::string_view name, ValueText& text) {
  fetchScalarText(collection, name, text);
  return !text.isBlank();
}

void writeElement(VariableCollection* collection, std::string_view name, std::int16_t index, const EngineValue& value,
                  std::int64_t state) {
  if (collection == nullptr) return;
  ValueTexts texts;
  writeElement(collection, EngineString(name), index, value, state, texts);
}

void writeElement(VariableCollection* collection, const EngineString& name, std::int16_t index,
                  const EngineValue& value, std::int64_t state, ValueTexts& texts) {
  const auto array = findArray(collection, name);
  if (!array) return;
  array->SetElementText(index, texts.text(value));
  array->SetElementState(index, state);
}

void writeElements(VariableCollection* collection, std::string_view name, std::span<const double> values,
                   std::int64_t state) {
  writeElementsFrom(collection, name, values, state);
}

void writeElements(VariableCollection* collection, std::string_view name, std::span<const std::int64_t> values,
                   std::int64_t state) {
  writeElementsFrom(collection, name, values, state);
}

std::int16_t readElements(VariableCollection* collection, std::string_view name, std::span<double> targets,
                          ElementKind kind) {
  return readElementsInto(collection, name, targets, kind);
}

std::int16_t readElements(VariableCollection* collection, std::string_view name, std::span<std::int64_t> targets,
                          ElementKind kind) {
  return readElementsInto(collection, name, targets, kind);
}

std::int16_t readElements(platform::ArrayVariable& array, std::span<double> targets, ElementKind kind) {
  return readElementsInto(array, targets, kind);
}

std::int16_t readElements(platform::ArrayVariable& array, std::span<std::int64_t> targets, ElementKind kind) {
  return readElementsInto(array, targets, kind);
}

namespace {

bool readOneElementText(VariableCollection* collection, std::string_view name, std::int16_t index, ValueText& text,
                        ElementKind kind, LongText longText) {
  text.blank();
  const auto array = findArray(collection, name);
  if (!array || index < 1) return false;
  std::int16_t count = 0;
  array->GetElementCount(&count);
  if (index > count) return false;
  fetchElementText(*array.get(), index, kind, text, longText);
  return !text.isBlank();
}

}  // namespace

bool readElementText(VariableCollection* collection, std::string_view name, std::int16_t index, ValueText& text,
                     ElementKind kind) {
  return readOneElementText(collection, name, index, text, kind, LongText::Refuse);
}

bool readElementTextStart(VariableCollection* collection, std::string_view name, std::int16_t index, ValueText& text,
                          ElementKind kind) {
  return readOneElementText(collection, name, index, text, kind, LongText::KeepStart);
}

}  // namespace kvom::transfer
