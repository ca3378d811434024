#include "report/value_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "common/fixed_text.h"
#include "platform/windows/codepage.h"
#include "report/report_hooks.h"

namespace kvom::report {
namespace {

constexpr std::array<std::string_view, kMessageKinds> kKindWords = {"Warning", "Limit", "Error", "Suggestion", "Note"};

// The caller's text of the given length, up to a NUL that comes earlier.
std::string_view fieldText(const char* text, std::int64_t length) {
  const std::string_view field = callerText(text, length);
  return field.substr(0, field.find('\0'));
}

// A real with six decimals, as "%f" writes it, whatever the process locale.
std::string realText(float value) {
  std::array<char, 400> buffer{};  // room for the widest fixed double
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), static_cast<double>(value),
                                    std::chars_format::fixed, 6);
  return {buffer.data(), result.ptr};
}

std::string integerText(std::int64_t value, std::size_t width = 0) {
  std::array<char, 24> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  std::string text(buffer.data(), result.ptr);
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

void replaceQuotes(std::string& text) {
  for (std::size_t at = text.find('"'); at != std::string::npos; at = text.find('"', at + 2)) text.replace(at, 1, "in");
}

// A text as it goes into a text value or element: quotes replaced, then in the ANSI code page.
std::string valueText(std::string_view oem) {
  std::string text(oem);
  replaceQuotes(text);
  if (!text.empty()) OemToCharBuffA(text.data(), text.data(), static_cast<platform::win::DWORD>(text.size()));
  return text;
}

// Writes to the value file; the stream is in text mode, so every "\n" reaches the disk as the
// platform's line end.
void write(std::string_view text) {
  std::FILE* stream = ValueFileStream.get();
  if (stream != nullptr) std::fwrite(text.data(), 1, text.size(), stream);
}

std::optional<std::string> messageLine(std::int32_t number, std::int32_t kind, float realA, std::int32_t integerA,
                                       float realB, std::int32_t integerB, std::int32_t integerC) {
  if (kind < 1 || kind > kMessageKinds) return std::nullopt;
  return "Message," + std::string(kKindWords[static_cast<std::size_t>(kind - 1)]) + ";" + integerText(number, 4) + ";" +
         integerText(integerC, 2) + ";" + realText(realA) + ";" + integerText(integerA, 2) + ";" + realText(realB) +
         ";" + integerText(integerB, 2) + ",0\n";
}

void writeValue(const char* name, std::int64_t nameLength, std::string_view value) {
  write(std::string(fieldText(name, nameLength)) + "," + std::string(value) + ",0\n");
}

// The count of the first elements up to the last one that is set; 0 when none is.
template <typename IsSet>
std::int32_t setLength(std::int32_t count, IsSet isSet) {
  for (std::int32_t n = count; n > 0; --n) {
    if (isSet(n - 1)) return n;
  }
  return 0;
}

bool realIsSet(float value) { return !(value == 0.0f); }  // a value that is no number counts as set

// Writes the header and elements 0 .. n - 1, each line made by element.
template <typename Element>
void writeArray(const char* name, std::int64_t nameLength, std::int32_t n, Element element) {
  if (n <= 0 || ValueFileStream == nullptr) return;
  std::string lines(fieldText(name, nameLength));
  lines += ",0," + integerText(n) + "\n";
  for (std::int32_t i = 0; i < n; ++i) lines += element(static_cast<std::size_t>(i)) + "\n";
  write(lines);
}

}  // namespace

void WriteRealIfSet(const char* name, std::int64_t nameLength, const float& real) {
  if (real != 0.0f) WriteReal(name, nameLength, real);
}

void WriteReal(const char* name, std::int64_t nameLength, const float& real) {
  if (ValueFileStream == nullptr) return;
  writeValue(name, nameLength, realText(real));
}

void WriteIntIfSet(const char* name, std::int64_t nameLength, const std::int32_t& integer) {
  if (integer != 0) WriteInt(name, nameLength, integer);
}

void WriteInt(const char* name, std::int64_t nameLength, const std::int32_t& integer) {
  if (ValueFileStream == nullptr) return;
  writeValue(name, nameLength, integerText(integer));
}

void WriteValueText(const char* text, std::int64_t /*length*/) {
  if (ValueFileStream == nullptr || text == nullptr) return;
  write(text);
}

void WriteStringValue(const char* name, std::int64_t nameLength, const char* value, std::int64_t valueLength) {
  if (ValueFileStream == nullptr) return;
  if (value == nullptr) return;
  // Only a value that begins with a blank is left out; an empty one is written as "".
  const std::string_view text = fieldText(value, valueLength);
  if (!text.empty() && text.front() == ' ') return;
  writeValue(name, nameLength, "\"" + valueText(text) + "\"");
}

void WriteMessageLine(const std::int32_t& number, const std::int32_t& kind, const float& realA,
                      const std::int32_t& integerA, const float& realB, const std::int32_t& integerB,
                      const std::int32_t& integerC) {
  if (ValueFileStream == nullptr) return;
  if (const auto line = messageLine(number, kind, realA, integerA, realB, integerB, integerC)) write(*line);
}

void WriteRealArrayTrimmed(const char* name, std::int64_t nameLength, const float* reals, const std::int32_t& count) {
  if (reals == nullptr) return;
  const std::span values(reals, static_cast<std::size_t>(std::max(count, 0)));
  const auto isSet = [&](std::int32_t i) { return realIsSet(values[static_cast<std::size_t>(i)]); };
  writeArray(name, nameLength, setLength(count, isSet),
             [&](std::size_t i) { return realIsSet(values[i]) ? realText(values[i]) + ", " : std::string(" , "); });
}

void WriteRealArrayFlagged(const char* name, std::int64_t nameLength, const float* reals, const char* flags,
                           std::int64_t /*flagsLength*/, const std::int32_t& count) {
  if (reals == nullptr || flags == nullptr) return;
  const std::span values(reals, static_cast<std::size_t>(std::max(count, 0)));
  const auto isSet = [&](std::int32_t i) { return realIsSet(values[static_cast<std::size_t>(i)]); };
  writeArray(name, nameLength, setLength(count, isSet), [&](std::size_t i) {
    return realIsSet(values[i]) ? realText(values[i]) + "," + flags[i] : std::string(" , ");
  });
}

void WriteIntArrayTrimmed(const char* name, std::int64_t nameLength, const std::int64_t* integers,
                          const std::int32_t& count) {
  if (integers == nullptr) return;
  const std::span values(integers, static_cast<std::size_t>(std::max(count, 0)));
  const auto isSet = [&](std::int32_t i) { return values[static_cast<std::size_t>(i)] != 0; };
  // Every element keeps its full 8-byte value.
  writeArray(name, nameLength, setLength(count, isSet),
             [&](std::size_t i) { return values[i] != 0 ? integerText(values[i]) + ", " : std::string(" , "); });
}

void WriteStringArrayTrimmed(const char* name, std::int64_t nameLength, const char* texts, std::int64_t elementLength,
                             const std::int32_t& count) {
  if (texts == nullptr || elementLength <= 0) return;
  const auto size = static_cast<std::size_t>(elementLength);
  const auto element = [&](std::size_t i) { return std::string_view(texts + i * size, size); };
  const auto isSet = [&](std::int32_t i) {
    const char first = element(static_cast<std::size_t>(i)).front();
    return first != ' ' && first != '\0';
  };
  writeArray(name, nameLength, setLength(count, isSet), [&](std::size_t i) {
    const std::string_view text = element(i);
    return "\"" + valueText(text.substr(0, text.find('\0'))) + "\", ";
  });
}

void WriteRealArray(const char* name, std::int64_t nameLength, const float* reals, const std::int32_t& count) {
  if (reals == nullptr) return;
  writeArray(name, nameLength, count, [&](std::size_t i) { return realText(reals[i]) + ", "; });
}

void WriteRealArrayFlaggedAll(const char* name, std::int64_t nameLength, const float* reals, const char* flags,
                              std::int64_t /*flagsLength*/, const std::int32_t& count) {
  if (reals == nullptr || flags == nullptr) return;
  writeArray(name, nameLength, count, [&](std::size_t i) { return realText(reals[i]) + "," + flags[i]; });
}

void WriteIntArray(const char* name, std::int64_t nameLength, const std::int32_t* integers, const std::int32_t& count) {
  if (integers == nullptr) return;
  writeArray(name, nameLength, count, [&](std::size_t i) { return integerText(integers[i]) + ", "; });
}

void FormatMessageLine(char* text, std::int64_t length, const std::int32_t& number, const std::int32_t& kind,
                       const float& realA, const std::int32_t& integerA, const float& realB,
                       const std::int32_t& integerB, const std::int32_t& integerC) {
  if (text == nullptr || length <= 0) return;
  if (const auto line = messageLine(number, kind, realA, integerA, realB, integerB, integerC)) {
    copyTerminated({text, static_cast<std::size_t>(length)}, *line);
  }
}

void CopyToDoubleBlank(char* target, std::int64_t targetLength, const char* source, std::int64_t sourceLength,
                       const std::int32_t& count) {
  if (target == nullptr || targetLength <= 0) return;
  const std::string_view text = fieldText(source, sourceLength);
  const std::size_t doubleBlank = text.find("  ");
  const std::size_t wanted =
      doubleBlank != std::string_view::npos ? doubleBlank : std::min<std::size_t>(text.size(), std::max(count, 0));
  std::copy_n(text.data(), std::min(wanted, static_cast<std::size_t>(targetLength)), target);
}

void ReplaceQuotes(std::span<char> text) {
  if (text.empty()) return;
  std::string replaced(text.data(), strnlen(text.data(), text.size()));
  replaceQuotes(replaced);
  copyTerminated(text, replaced);
}

}  // namespace kvom::report
