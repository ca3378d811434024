#pragma once
// How texts cross to and from the engine: as counted wide strings in the ANSI code page. Going in,
// trailing blanks are dropped and an all-blank text goes as an empty string; a text that cannot be
// converted goes as one blank. Coming back, the text is copied into the caller's fixed-length
// field and blank padded; an empty or missing result leaves the field as it was.

#include <string_view>
#include <utility>

#include "common/fixed_text.h"
#include "platform/com.h"

namespace kvom::transfer {

// Owns one counted wide string.
class EngineString {
 public:
  EngineString() = default;
  explicit EngineString(std::string_view text);  // converts as described above
  EngineString(const EngineString&) = delete;
  EngineString& operator=(const EngineString&) = delete;
  EngineString(EngineString&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  EngineString& operator=(EngineString&& other) noexcept {
    std::swap(text_, other.text_);
    return *this;
  }
  ~EngineString();

  platform::BSTR get() const { return text_; }
  // Frees what is held and gives the address to receive a new string (out arguments).
  platform::BSTR* receive();

 private:
  platform::BSTR text_ = nullptr;
};

enum class TextCopy {
  Empty,    // nothing came back: the field is unchanged
  Copied,   // the field holds the text, blank padded
  TooLong,  // the text does not fit the field: the field is unchanged
};

// What a text longer than the field gives: nothing, unless all that goes past the field is blanks
// (Refuse), or its first characters, as many as the field holds (KeepStart).
enum class LongText { Refuse, KeepStart };

// Copies an engine text into a fixed-length field.
TextCopy copyEngineText(platform::BSTR text, FixedText field, LongText longText = LongText::Refuse);

}  // namespace kvom::transfer
