#pragma once
// The single crossings every transfer routine uses: scalar write, clearing, scalar read, element
// write and element read. A value crosses as a 56-character value text; numbers are formatted and
// read by common/number_text.h. A name the engine does not have is skipped: a read leaves its
// target at its preset, a write or a clearing does nothing.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "common/fixed_text.h"
#include "common/number_text.h"
#include "platform/com_ptr.h"
#include "platform/engine.h"
#include "transfer/engine_text.h"

namespace kvom::transfer {

inline constexpr std::size_t kValueTextLength = 56;
using ValueText = FixedField<kValueTextLength>;

// The state the system passes for a value it has set.
inline constexpr std::int64_t kStateSet = 1;

// A value on its way to the engine: a real, an integer, or a literal text sent as it stands.
class EngineValue {
 public:
  EngineValue(double real) : kind_(Kind::Real), real_(real) {}
  EngineValue(std::int64_t integer) : kind_(Kind::Integer), integer_(integer) {}
  static EngineValue literal(std::string_view text) {
    EngineValue v(std::int64_t{0});
    v.kind_ = Kind::Literal;
    v.literal_ = text;
    return v;
  }
  // The value text of the value.
  void format(ValueText& text) const;
  // The same text as it crosses to the engine, without its trailing blanks: made straight from the
  // number, since a number text never fills the 56 characters.
  EngineString engineText() const;
  // The number text of a real or an integer in the buffer; empty for a literal.
  std::string_view numberText(NumberBuffer& buffer) const;

 private:
  enum class Kind { Real, Integer, Literal };
  Kind kind_;
  double real_ = 0.0;
  std::int64_t integer_ = 0;
  std::string_view literal_;
};

// The engine texts of values, for routines that send many: a number text is written in place into
// a counted string of its length kept from an earlier value, so that a value makes no string of
// its own. The engine only reads a text it is given. A text handed out stays valid until the next.
class ValueTexts {
 public:
  ValueTexts() = default;
  ValueTexts(const ValueTexts&) = delete;
  ValueTexts& operator=(const ValueTexts&) = delete;

  platform::BSTR text(const EngineValue& value);

 private:
  std::array<EngineString, std::tuple_size_v<NumberBuffer> + 1> byLength_;
  EngineString literal_;
};

// SI value to engine units and back: the single-precision factor is widened first.
inline double toEngineUnits(double value, float factor) { return value / static_cast<double>(factor); }
inline double fromEngineUnits(double value, float factor) { return value * static_cast<double>(factor); }

// The four variable collections of an engine data object. Each is fetched on demand.
platform::ComPtr<platform::VariableCollection> inputScalars(platform::EngineData* data);
platform::ComPtr<platform::VariableCollection> inputArrays(platform::EngineData* data);
platform::ComPtr<platform::VariableCollection> outputScalars(platform::EngineData* data);
platform::ComPtr<platform::VariableCollection> outputArrays(platform::EngineData* data);

// Looks a variable up; null when the collection or the variable is missing.
platform::ComPtr<platform::ScalarVariable> findScalar(platform::VariableCollection* collection, std::string_view name);
platform::ComPtr<platform::ArrayVariable> findArray(platform::VariableCollection* collection, std::string_view name);
// The same with a name already converted for the engine, for routines that look the same names up
// many times.
platform::ComPtr<platform::ArrayVariable> findArray(platform::VariableCollection* collection, const EngineString& name);

// Scalar write: the value text, then the state unless it is nullopt.
void writeScalar(platform::VariableCollection* inputScalars, std::string_view name, const EngineValue& value,
                 std::optional<std::int64_t> state = kStateSet);
// Clearing of an input scalar.
void clearScalar(platform::VariableCollection* inputScalars, std::string_view name);
// Scalar read: the target keeps its preset unless the engine gives a text that reads as a number
// of the target's kind. Returns whether the target was set.
bool readScalar(platform::VariableCollection* collection, std::string_view name, double& target);
bool readScalar(platform::VariableCollection* collection, std::string_view name, std::int64_t& target);
// Scalar read kept as text: the value text is blanked, then receives the engine's text. Returns
// whether the text is not blank.
bool readScalarText(platform::VariableCollection* collection, std::string_view name, ValueText& text);

// Element write of one element (index from 1), then its state.
void writeElement(platform::VariableCollection* inputArrays, std::string_view name, std::int16_t index,
                  const EngineValue& value, std::int64_t state = kStateSet);
// The same with a name already converted for the engine and the value's text from texts.
void writeElement(platform::VariableCollection* inputArrays, const EngineString& name, std::int16_t index,
                  const EngineValue& value, std::int64_t state, ValueTexts& texts);
// Element write of elements 1 to values.size().
void writeElements(platform::VariableCollection* inputArrays, std::string_view name, std::span<const double> values,
                   std::int64_t state = kStateSet);
void writeElements(platform::VariableCollection* inputArrays, std::string_view name,
                   std::span<const std::int64_t> values, std::int64_t state = kStateSet);

enum class ElementKind { Numeric, Text };

// Element read of an output array into targets (element i into targets[i - 1]). Elements beyond
// the targets are not read. The value text is blanked once for the whole array, so an element
// whose text comes back empty reads the text of the element before it; an element whose read
// fails keeps its preset, and an empty one after it reads nothing. Returns the engine's element
// count (0 when the array is missing).
std::int16_t readElements(platform::VariableCollection* outputArrays, std::string_view name, std::span<double> targets,
                          ElementKind kind = ElementKind::Numeric);
std::int16_t readElements(platform::VariableCollection* outputArrays, std::string_view name,
                          std::span<std::int64_t> targets, ElementKind kind = ElementKind::Numeric);
// The same from an array already looked up, for a routine that must know whether the engine has
// it: one lookup, so that what it found is what is read.
std::int16_t readElements(platform::ArrayVariable& array, std::span<double> targets,
                          ElementKind kind = ElementKind::Numeric);
std::int16_t readElements(platform::ArrayVariable& array, std::span<std::int64_t> targets,
                          ElementKind kind = ElementKind::Numeric);
// Element read of one element kept as text: the value text is blanked, then receives the text of
// element index when the array has it. Returns whether the text is not blank.
bool readElementText(platform::VariableCollection* arrays, std::string_view name, std::int16_t index, ValueText& text,
                     ElementKind kind = ElementKind::Text);
// The same for a caller that needs only the text's beginning: a text longer than the value text
// gives its first 56 characters.
bool readElementTextStart(platform::VariableCollection* arrays, std::string_view name, std::int16_t index,
                          ValueText& text, ElementKind kind = ElementKind::Text);

}  // namespace kvom::transfer
