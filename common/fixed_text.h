#pragma once
// Fixed-length, blank-padded texts as the logic layer keeps them (no terminator), and bounded
// copies into the NUL-terminated buffers of the outer layer.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kvom {

// The text without its trailing blanks.
constexpr std::string_view trimRight(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}

constexpr bool isBlank(std::string_view text) { return trimRight(text).empty(); }

// Exact, case-sensitive comparison in which trailing blanks carry no meaning.
constexpr bool sameText(std::string_view a, std::string_view b) { return trimRight(a) == trimRight(b); }

// The text a caller passed as a pointer and a length; nothing for a null pointer or a length
// below 1.
inline std::string_view callerText(const char* text, std::int64_t length) {
  if (text == nullptr || length <= 0) return {};
  return {text, static_cast<std::size_t>(length)};
}

// A view of a caller's fixed-length field: assign pads with blanks or cuts at the width.
class FixedText {
 public:
  FixedText(char* data, std::size_t size) : data_(data), size_(size) {}
  template <std::size_t N>
  explicit FixedText(std::array<char, N>& field) : data_(field.data()), size_(N) {}

  void assign(std::string_view value) {
    const std::size_t n = std::min(value.size(), size_);
    std::copy_n(value.data(), n, data_);
    std::fill(data_ + n, data_ + size_, ' ');
  }
  void blank() { std::fill(data_, data_ + size_, ' '); }

  char* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::string_view view() const { return {data_, size_}; }
  std::string_view trimmed() const { return trimRight(view()); }
  bool isBlank() const { return kvom::isBlank(view()); }
  bool operator==(std::string_view other) const { return sameText(view(), other); }

 private:
  char* data_;
  std::size_t size_;
};

// A field with storage of its own, blank at construction.
template <std::size_t N>
struct FixedField {
  std::array<char, N> chars = filled();

  FixedText text() { return FixedText(chars.data(), N); }
  std::string_view view() const { return {chars.data(), N}; }
  std::string_view trimmed() const { return trimRight(view()); }
  void assign(std::string_view value) { text().assign(value); }
  void blank() { chars = filled(); }
  bool isBlank() const { return kvom::isBlank(view()); }
  bool operator==(std::string_view other) const { return sameText(view(), other); }

 private:
  static constexpr std::array<char, N> filled() {
    std::array<char, N> a{};
    a.fill(' ');
    return a;
  }
};

// Copies text into a NUL-terminated buffer, cutting it so that the terminator fits.
// Returns false when the text had to be cut (or the buffer has no room at all).
inline bool copyTerminated(std::span<char> buffer, std::string_view text) {
  if (buffer.empty()) return false;
  const std::size_t n = std::min(text.size(), buffer.size() - 1);
  std::copy_n(text.data(), n, buffer.data());
  buffer[n] = '\0';
  return n == text.size();
}

// Appends text to the NUL-terminated content of buffer, bounded in the same way.
inline bool appendTerminated(std::span<char> buffer, std::string_view text) {
  const std::string_view current(buffer.data(), std::char_traits<char>::length(buffer.data()));
  return copyTerminated(buffer.subspan(current.size()), text);
}

}  // namespace kvom
