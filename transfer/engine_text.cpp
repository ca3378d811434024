#include "transfer/engine_text.h"

#include <array>
#include <string>
#include <vector>

namespace kvom::transfer {

EngineString::EngineString(std::string_view text) {
  const std::string_view trimmed = trimRight(text);
  if (trimmed.empty()) {
    text_ = SysAllocStringLen(u"", 0);
    return;
  }
  // Most texts are values and names that fit a small buffer on the stack.
  const int size = static_cast<int>(trimmed.size());
  std::array<platform::OLECHAR, 128> small{};
  std::vector<platform::OLECHAR> large;
  platform::OLECHAR* wide = small.data();
  if (trimmed.size() > small.size()) {
    large.resize(trimmed.size());
    wide = large.data();
  }
  const int converted =
      MultiByteToWideChar(platform::CP_ACP, platform::MB_ERR_INVALID_CHARS, trimmed.data(), size, wide, size);
  if (converted <= 0) {
    text_ = SysAllocStringLen(u" ", 1);
    return;
  }
  text_ = SysAllocStringLen(wide, static_cast<std::uint32_t>(converted));
}

EngineString::~EngineString() { SysFreeString(text_); }

platform::BSTR* EngineString::receive() {
  SysFreeString(std::exchange(text_, nullptr));
  return &text_;
}

TextCopy copyEngineText(platform::BSTR text, FixedText field) {
  const std::uint32_t length = SysStringLen(text);
  if (text == nullptr || length == 0) return TextCopy::Empty;
  const int wideLength = static_cast<int>(length);
  const int needed = WideCharToMultiByte(platform::CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return TextCopy::Empty;
  if (static_cast<std::size_t>(needed) > field.size()) return TextCopy::TooLong;
  std::string ansi(static_cast<std::size_t>(needed), ' ');
  WideCharToMultiByte(platform::CP_ACP, 0, text, wideLength, ansi.data(), needed, nullptr, nullptr);
  field.assign(ansi);
  return TextCopy::Copied;
}

}  // namespace kvom::transfer
