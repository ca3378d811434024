#include "transfer/engine_text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kvom::transfer {
namespace {

// Characters below 0x80 are the same in every ANSI code page and in the wide string, so texts made
// only of them (every number text and every variable name) are widened and narrowed directly.
bool isPlain(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isPlain(const platform::OLECHAR* text, std::size_t length) {
  return std::all_of(text, text + length, [](platform::OLECHAR c) { return c < 0x80; });
}

}  // namespace

EngineString::EngineString(std::string_view text) {
  const std::string_view trimmed = trimRight(text);
  if (trimmed.empty()) {
    text_ = SysAllocStringLen(u"", 0);
    return;
  }
  const auto length = static_cast<std::uint32_t>(trimmed.size());
  if (isPlain(trimmed)) {
    // Allocated at its length and filled in place.
    text_ = SysAllocStringLen(nullptr, length);
    if (text_ != nullptr) std::copy(trimmed.begin(), trimmed.end(), text_);
    return;
  }
  const int size = static_cast<int>(trimmed.size());
  std::vector<platform::OLECHAR> wide(trimmed.size());
  const int converted =
      MultiByteToWideChar(platform::CP_ACP, platform::MB_ERR_INVALID_CHARS, trimmed.data(), size, wide.data(), size);
  if (converted <= 0) {
    text_ = SysAllocStringLen(u" ", 1);
    return;
  }
  text_ = SysAllocStringLen(wide.data(), static_cast<std::uint32_t>(converted));
}

EngineString::~EngineString() { SysFreeString(text_); }

platform::BSTR* EngineString::receive() {
  SysFreeString(std::exchange(text_, nullptr));
  return &text_;
}

TextCopy copyEngineText(platform::BSTR text, FixedText field, LongText longText) {
  const std::uint32_t length = SysStringLen(text);
  if (text == nullptr || length == 0) return TextCopy::Empty;
  // A text longer than the field fits when it only goes on with blanks, or when its start is all
  // that is asked for.
  const auto fits = [&field, longText](auto begin, auto end) {
    const auto size = static_cast<std::size_t>(end - begin);
    return size <= field.size() || longText == LongText::KeepStart ||
           std::all_of(begin + static_cast<std::ptrdiff_t>(field.size()), end, [](auto c) { return c == ' '; });
  };
  const auto copy = [&field](auto begin, auto end) {
    const std::size_t size = std::min(static_cast<std::size_t>(end - begin), field.size());
    std::copy(begin, begin + static_cast<std::ptrdiff_t>(size), field.data());
    std::fill(field.data() + size, field.data() + field.size(), ' ');
  };
  if (isPlain(text, length)) {
    if (!fits(text, text + length)) return TextCopy::TooLong;
    copy(text, text + length);
    return TextCopy::Copied;
  }
  const int wideLength = static_cast<int>(length);
  const int needed = WideCharToMultiByte(platform::CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return TextCopy::Empty;
  std::string ansi(static_cast<std::size_t>(needed), ' ');
  WideCharToMultiByte(platform::CP_ACP, 0, text, wideLength, ansi.data(), needed, nullptr, nullptr);
  if (!fits(ansi.begin(), ansi.end())) return TextCopy::TooLong;
  copy(ansi.begin(), ansi.end());
  return TextCopy::Copied;
}

}  // namespace kvom::transfer
