// Counted wide strings and the conversions between the ANSI code page (Windows-1252) and UTF-16.

#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "standins/com/com_standin.h"
#include "standins/host/host_standin.h"

namespace standins::com {
namespace {

// A counted string is one block: a tag that marks the block as handed out and not yet freed, the
// character count (two code units wide), the characters, a NUL. The BSTR points at the first
// character. The tag lets SysFreeString leave alone what this library did not hand out.
constexpr std::size_t kTagUnits = 2;
constexpr std::size_t kCountUnits = 2;
constexpr std::size_t kHeaderUnits = kTagUnits + kCountUnits;
constexpr std::uint32_t kLiveTag = 0x5354524Cu;
constexpr std::uint32_t kFreedTag = 0x44454144u;

long& liveCount() {
  static long count = 0;
  return count;
}

platform::BSTR allocate(const platform::OLECHAR* text, std::uint32_t length) {
  const std::size_t units = static_cast<std::size_t>(length) + kHeaderUnits + 1;
  if (units > std::numeric_limits<std::size_t>::max() / sizeof(platform::OLECHAR)) return nullptr;
  void* block = std::malloc(units * sizeof(platform::OLECHAR));
  if (block == nullptr) return nullptr;
  auto* header = static_cast<platform::OLECHAR*>(block);
  std::memcpy(header, &kLiveTag, sizeof kLiveTag);
  std::memcpy(header + kTagUnits, &length, sizeof length);
  auto* characters = header + kHeaderUnits;
  if (text != nullptr && length > 0) std::memcpy(characters, text, length * sizeof(platform::OLECHAR));
  characters[length] = u'\0';
  ++liveCount();
  return characters;
}

void* blockOf(platform::BSTR text) { return text - kHeaderUnits; }

// Frees a block this library handed out; false for anything else.
bool release(platform::BSTR text) {
  void* block = blockOf(text);
  std::uint32_t tag = 0;
  std::memcpy(&tag, block, sizeof tag);
  if (tag != kLiveTag) return false;
  std::memcpy(block, &kFreedTag, sizeof kFreedTag);
  std::free(block);
  --liveCount();
  return true;
}

std::uint32_t lengthOf(platform::BSTR text) {
  if (text == nullptr) return 0;
  std::uint32_t length = 0;
  std::memcpy(&length, text - kCountUnits, sizeof length);
  return length;
}

// Windows-1252 bytes 0x80 to 0x9F; 0 marks the five bytes the code page leaves undefined.
constexpr std::array<char16_t, 32> kHighControls = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool isUndefined(unsigned char byte) { return byte >= 0x80 && byte <= 0x9F && kHighControls[byte - 0x80] == 0; }

// An undefined byte becomes the control character of the same number, so that it reads back.
char16_t widen(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F && kHighControls[byte - 0x80] != 0) return kHighControls[byte - 0x80];
  return byte;
}

// The byte of a character, or nullopt when the code page has none.
std::optional<char> narrow(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  if (unit <= 0x9F) {
    const unsigned char byte = static_cast<unsigned char>(unit);
    if (isUndefined(byte)) return static_cast<char>(byte);
    return std::nullopt;
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == unit) return static_cast<char>(0x80 + i);
  }
  return std::nullopt;
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool isAnsiCodePage(std::uint32_t codePage) { return codePage == platform::CP_ACP || codePage == 1252; }

// The ANSI text of wide characters: each character (a surrogate pair is one) gives one byte.
std::string toAnsiText(std::u16string_view wide, char defaultChar, bool& usedDefault) {
  std::string result;
  result.reserve(wide.size());
  usedDefault = false;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char16_t unit = wide[i];
    if (isHighSurrogate(unit) && i + 1 < wide.size() && isLowSurrogate(wide[i + 1])) ++i;
    if (const std::optional<char> byte = narrow(unit)) {
      result.push_back(*byte);
    } else {
      result.push_back(defaultChar);
      usedDefault = true;
    }
  }
  return result;
}

}  // namespace

long liveStrings() { return liveCount(); }

std::u16string toWide(std::string_view ansi) {
  std::u16string result;
  result.reserve(ansi.size());
  for (const char c : ansi) result.push_back(widen(static_cast<unsigned char>(c)));
  return result;
}

std::string toAnsi(std::u16string_view wide) {
  bool usedDefault = false;
  return toAnsiText(wide, '?', usedDefault);
}

platform::BSTR allocString(std::string_view ansi) {
  const std::u16string wide = toWide(ansi);
  return allocate(wide.data(), static_cast<std::uint32_t>(wide.size()));
}

std::string fromString(platform::BSTR text) { return toAnsi({text, lengthOf(text)}); }

}  // namespace standins::com

using standins::host::raiseIfArmed;

extern "C" {

platform::BSTR SysAllocStringLen(const platform::OLECHAR* text, std::uint32_t length) {
  raiseIfArmed("SysAllocStringLen");
  return standins::com::allocate(text, length);
}

void SysFreeString(platform::BSTR text) {
  raiseIfArmed("SysFreeString");
  if (text == nullptr) return;
  // Only blocks this library handed out are freed; anything else is left alone.
  standins::com::release(text);
}

std::uint32_t SysStringLen(platform::BSTR text) {
  raiseIfArmed("SysStringLen");
  return standins::com::lengthOf(text);
}

int MultiByteToWideChar(std::uint32_t codePage, std::uint32_t flags, const char* source, int sourceCount,
                        platform::OLECHAR* destination, int destinationCount) {
  raiseIfArmed("MultiByteToWideChar");
  if (!standins::com::isAnsiCodePage(codePage) || source == nullptr || sourceCount == 0 || sourceCount < -1 ||
      destinationCount < 0 || (destination == nullptr && destinationCount > 0)) {
    return 0;
  }
  const std::size_t count = sourceCount == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceCount);
  const std::string_view bytes(source, count);
  if ((flags & platform::MB_ERR_INVALID_CHARS) != 0) {
    for (const char c : bytes) {
      if (standins::com::isUndefined(static_cast<unsigned char>(c))) return 0;
    }
  }
  if (count > static_cast<std::size_t>(std::numeric_limits<int>::max())) return 0;
  const int needed = static_cast<int>(count);
  if (destinationCount == 0) return needed;
  if (destinationCount < needed) return 0;
  const std::u16string wide = standins::com::toWide(bytes);
  std::memcpy(destination, wide.data(), wide.size() * sizeof(platform::OLECHAR));
  return needed;
}

int WideCharToMultiByte(std::uint32_t codePage, std::uint32_t /*flags*/, const platform::OLECHAR* source,
                        int sourceCount, char* destination, int destinationCount, const char* defaultChar,
                        int* usedDefaultChar) {
  raiseIfArmed("WideCharToMultiByte");
  if (!standins::com::isAnsiCodePage(codePage) || source == nullptr || sourceCount == 0 || sourceCount < -1 ||
      destinationCount < 0 || (destination == nullptr && destinationCount > 0)) {
    return 0;
  }
  const std::size_t count =
      sourceCount == -1 ? std::u16string_view(source).size() + 1 : static_cast<std::size_t>(sourceCount);
  bool usedDefault = false;
  const std::string ansi =
      standins::com::toAnsiText({source, count}, defaultChar != nullptr ? *defaultChar : '?', usedDefault);
  if (ansi.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return 0;
  const int needed = static_cast<int>(ansi.size());
  if (destinationCount != 0 && destinationCount < needed) return 0;
  if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault ? 1 : 0;
  if (destinationCount == 0) return needed;
  std::memcpy(destination, ansi.data(), ansi.size());
  return needed;
}

}  // extern "C"
