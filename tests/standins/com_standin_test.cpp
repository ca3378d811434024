#include "standins/com/com_standin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/host_library.h"
#include "standins/host/host_standin.h"

namespace com = standins::com;

namespace {

constexpr platform::CLSID kClass = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr platform::CLSID kOtherClass = {0x87654321, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

class ComStandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    com::reset();
    standins::host::reset();
  }
  void TearDown() override {
    com::unregisterClass(kClass);
    com::reset();
    standins::host::reset();
  }
};

// The 251 defined bytes of the code page, in order.
std::string definedBytes() {
  std::string bytes;
  for (int b = 1; b < 256; ++b) {
    if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) bytes.push_back(static_cast<char>(b));
  }
  return bytes;
}

TEST_F(ComStandinTest, AnsiCodePageRoundTrips) {
  const std::string bytes = definedBytes();
  const int count = static_cast<int>(bytes.size());
  std::u16string wide(bytes.size(), u'#');
  ASSERT_EQ(
      MultiByteToWideChar(platform::CP_ACP, platform::MB_ERR_INVALID_CHARS, bytes.data(), count, wide.data(), count),
      count);
  EXPECT_EQ(wide[bytes.find('\x80')], u'\u20AC');
  EXPECT_EQ(wide[bytes.find('\x9F')], u'\u0178');
  EXPECT_EQ(wide[bytes.find('\xE9')], u'\u00E9');
  EXPECT_EQ(wide[bytes.find('A')], u'A');

  std::string back(bytes.size(), '#');
  int usedDefault = -1;
  ASSERT_EQ(WideCharToMultiByte(platform::CP_ACP, 0, wide.data(), count, back.data(), count, nullptr, &usedDefault),
            count);
  EXPECT_EQ(back, bytes);
  EXPECT_EQ(usedDefault, 0);
  EXPECT_EQ(com::toAnsi(com::toWide(bytes)), bytes);
}

TEST_F(ComStandinTest, UndefinedBytesFailOnlyWhenAskedTo) {
  for (const char byte : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'}) {
    const char text[] = {'a', byte, 'b'};
    char16_t wide[3] = {};
    EXPECT_EQ(MultiByteToWideChar(platform::CP_ACP, platform::MB_ERR_INVALID_CHARS, text, 3, wide, 3), 0)
        << static_cast<int>(static_cast<unsigned char>(byte));
    // Without the flag the byte becomes the control character of its number and reads back.
    ASSERT_EQ(MultiByteToWideChar(platform::CP_ACP, 0, text, 3, wide, 3), 3);
    EXPECT_EQ(wide[1], static_cast<char16_t>(static_cast<unsigned char>(byte)));
    EXPECT_EQ(com::toAnsi({wide, 3}), std::string(text, 3));
  }
}

TEST_F(ComStandinTest, ConversionCountsAndDestinationSizes) {
  struct Case {
    const char* what;
    int sourceCount;
    int destinationCount;
    int expected;
  };
  const Case cases[] = {
      {"terminated source counts its NUL", -1, 16, 4},
      {"size asked for", -1, 0, 4},
      {"destination too small", -1, 3, 0},
      {"counted source", 2, 16, 2},
      {"empty source", 0, 16, 0},
  };
  for (const Case& c : cases) {
    char16_t wide[16];
    std::fill(std::begin(wide), std::end(wide), u'#');
    EXPECT_EQ(MultiByteToWideChar(platform::CP_ACP, 0, "abc", c.sourceCount, wide, c.destinationCount), c.expected)
        << c.what;
    if (c.expected == 0) {
      EXPECT_EQ(wide[0], u'#') << c.what;
    }
    char narrow[16];
    std::fill(std::begin(narrow), std::end(narrow), '#');
    EXPECT_EQ(
        WideCharToMultiByte(platform::CP_ACP, 0, u"abc", c.sourceCount, narrow, c.destinationCount, nullptr, nullptr),
        c.expected)
        << c.what;
    if (c.expected == 0) {
      EXPECT_EQ(narrow[0], '#') << c.what;
    }
  }
  char16_t wide[4];
  MultiByteToWideChar(platform::CP_ACP, 0, "abc", -1, wide, 4);
  EXPECT_EQ(std::u16string(wide, 4), std::u16string(u"abc\0", 4));
}

TEST_F(ComStandinTest, CharactersWithoutAByteBecomeTheDefault) {
  // U+4E2D has no byte; a surrogate pair is one character and gives one default byte.
  const std::u16string wide = u"a\u4E2Db\U0001F600c";
  char narrow[16] = {};
  int usedDefault = 0;
  EXPECT_EQ(WideCharToMultiByte(platform::CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow, 16, nullptr,
                                &usedDefault),
            5);
  EXPECT_EQ(std::string(narrow, 5), "a?b?c");
  EXPECT_EQ(usedDefault, 1);
  const char star = '*';
  EXPECT_EQ(
      WideCharToMultiByte(platform::CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow, 16, &star, nullptr),
      5);
  EXPECT_EQ(std::string(narrow, 5), "a*b*c");
}

TEST_F(ComStandinTest, CountedStringsKeepTheirLengthAndAreCounted) {
  const long before = com::liveStrings();
  const platform::BSTR text = SysAllocStringLen(u"ab\0cd", 5);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(SysStringLen(text), 5u);
  EXPECT_EQ(text[5], u'\0');
  EXPECT_EQ(std::u16string(text, 5), std::u16string(u"ab\0cd", 5));
  const platform::BSTR empty = SysAllocStringLen(nullptr, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  const platform::BSTR ansi = com::allocString("Ma\xdf \x80");
  EXPECT_EQ(com::fromString(ansi), "Ma\xdf \x80");
  EXPECT_EQ(com::liveStrings(), before + 3);

  SysFreeString(text);
  SysFreeString(empty);
  SysFreeString(ansi);
  SysFreeString(nullptr);
  EXPECT_EQ(com::liveStrings(), before);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(com::fromString(nullptr), "");
}

struct Object : platform::IUnknown {
  platform::HRESULT QueryInterface(const platform::IID&, void**) override { return platform::E_NOINTERFACE; }
  std::uint32_t AddRef() override { return ++references; }
  std::uint32_t Release() override { return --references; }
  std::uint32_t references = 1;
};

TEST_F(ComStandinTest, CreationByClassIdentifier) {
  Object object;
  int factoryCalls = 0;
  com::registerClass(kClass, [&](const platform::IID&, void** result) {
    ++factoryCalls;
    *result = static_cast<platform::IUnknown*>(&object);
    return platform::S_OK;
  });
  struct Case {
    const char* what;
    const platform::CLSID& classId;
    platform::IUnknown* outer;
    std::optional<platform::HRESULT> failure;
    platform::HRESULT expected;
  };
  const Case cases[] = {
      {"registered", kClass, nullptr, std::nullopt, platform::S_OK},
      {"unknown class", kOtherClass, nullptr, std::nullopt, platform::REGDB_E_CLASSNOTREG},
      {"aggregation", kClass, &object, std::nullopt, platform::CLASS_E_NOAGGREGATION},
      {"forced failure", kClass, nullptr, platform::E_OUTOFMEMORY, platform::E_OUTOFMEMORY},
  };
  for (const Case& c : cases) {
    com::failCreation(c.failure);
    void* result = &factoryCalls;  // anything but null
    EXPECT_EQ(CoCreateInstance(c.classId, c.outer, 7, platform::IID_IUnknown, &result), c.expected) << c.what;
    EXPECT_EQ(result, c.expected == platform::S_OK ? static_cast<platform::IUnknown*>(&object) : nullptr) << c.what;
  }
  EXPECT_EQ(factoryCalls, 1);
  EXPECT_EQ(com::callLog(), std::vector<std::string>(4, "CoCreateInstance 7"));
}

TEST_F(ComStandinTest, InitializationDepthAndFaults) {
  EXPECT_EQ(OleInitialize(nullptr), platform::S_OK);
  EXPECT_EQ(OleInitialize(nullptr), platform::S_FALSE);
  OleUninitialize();
  EXPECT_EQ(com::initializeDepth(), 1);
  OleUninitialize();
  EXPECT_EQ(com::initializeDepth(), 0);
  EXPECT_EQ(com::callLog(),
            (std::vector<std::string>{"OleInitialize", "OleInitialize", "OleUninitialize", "OleUninitialize"}));

  standins::host::raiseAt("SysAllocStringLen", 1400);
  EXPECT_THROW(SysAllocStringLen(u"x", 1), platform::RaisedError);
  const platform::BSTR text = SysAllocStringLen(u"x", 1);
  EXPECT_EQ(SysStringLen(text), 1u);
  SysFreeString(text);
}

}  // namespace
