// The Windows services the report library relies on: profile files, movable memory, the OEM code
// page and the clocks.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/windows/clock.h"
#include "platform/windows/codepage.h"
#include "platform/windows/memory.h"
#include "platform/windows/profile.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace win = standins::windows;
using namespace platform::win;

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::reset();
    win::setWindowsDirectory(kvom::test::windowsDir(scratch.path()));
  }
  void TearDown() override { win::reset(); }
  std::string read(const char* name) const { return kvom::test::readFile(scratch.path() / name); }
  kvom::test::ScratchDirectory scratch;
};

TEST_F(ProfileTest, ReadsValuesByTheWindowsRules) {
  scratch.write("A.INI",
                "; a comment=not a key\n"
                "[Setting]\r\n"
                "  Language =  german  \r\n"
                "Quoted=\"  two words \"\n"
                "Empty=\n"
                "[print format]\n"
                "OUTPUT=4 per 1\n"
                "[Setting]\n"
                "Language=second section is never read\n");
  struct Case {
    const char* section;
    const char* key;
    const char* defaultValue;
    DWORD size;
    const char* value;
    DWORD result;
  };
  const Case cases[] = {
      {"Setting", "Language", "Default", 80, "german", 6},
      {"SETTING", "language", "Default", 80, "german", 6},
      {"Print Format", "Output", "1 per 1", 80, "4 per 1", 7},
      {"Setting", "Quoted", "", 80, "  two words ", 12},
      {"Setting", "Empty", "Default", 80, "", 0},
      {"Setting", "Missing", "Default  ", 80, "Default", 7},
      {"Missing", "Language", nullptr, 80, "", 0},
      {"Setting", "Language", "", 4, "ger", 3},
      {"Setting", "Language", "", 1, "", 0},
  };
  for (const Case& c : cases) {
    std::array<char, 80> buffer;
    buffer.fill('#');
    EXPECT_EQ(GetPrivateProfileStringA(c.section, c.key, c.defaultValue, buffer.data(), c.size, "A.INI"), c.result)
        << c.section << "/" << c.key;
    EXPECT_STREQ(buffer.data(), c.value) << c.section << "/" << c.key;
  }
  EXPECT_EQ(GetPrivateProfileIntA("print format", "output", 9, "A.INI"), 4u);
  EXPECT_EQ(GetPrivateProfileIntA("Setting", "Missing", -2, "A.INI"), static_cast<UINT>(-2));
  EXPECT_EQ(GetPrivateProfileIntA("Setting", "Language", 9, "A.INI"), 0u);
}

TEST_F(ProfileTest, ListsKeysAndSectionsCutToTheBuffer) {
  scratch.write("A.INI", "[One]\na=1\nBb=2\n[Two]\n");
  std::array<char, 32> buffer{};
  EXPECT_EQ(GetPrivateProfileStringA("one", nullptr, "", buffer.data(), 32, "A.INI"), 5u);
  EXPECT_EQ(std::string(buffer.data(), 6), std::string("a\0Bb\0\0", 6));
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), 32, "A.INI"), 8u);
  EXPECT_EQ(std::string(buffer.data(), 9), std::string("One\0Two\0\0", 9));
  buffer.fill('#');
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), 6, "A.INI"), 4u);
  EXPECT_EQ(std::string(buffer.data(), 6), std::string("One\0\0\0", 6));
}

TEST_F(ProfileTest, WritesCreateFileSectionAndKeyAndDeleteWithNulls) {
  ASSERT_TRUE(WritePrivateProfileStringA("Setting", "Language", "FRENCH", "NEW.INI"));
  EXPECT_EQ(read("NEW.INI"), "[Setting]\r\nLanguage=FRENCH\r\n");

  ASSERT_TRUE(WritePrivateProfileStringA("SETTING", "language", "GERMAN", "NEW.INI"));
  ASSERT_TRUE(WritePrivateProfileStringA("Other", "x", "1", "NEW.INI"));
  ASSERT_TRUE(WritePrivateProfileStringA("setting", "Second", "2", "NEW.INI"));
  EXPECT_EQ(read("NEW.INI"), "[Setting]\r\nlanguage=GERMAN\r\nSecond=2\r\n[Other]\r\nx=1\r\n");

  ASSERT_TRUE(WritePrivateProfileStringA("Setting", "LANGUAGE", nullptr, "NEW.INI"));
  ASSERT_TRUE(WritePrivateProfileStringA("other", nullptr, nullptr, "NEW.INI"));
  EXPECT_EQ(read("NEW.INI"), "[Setting]\r\nSecond=2\r\n");

  // A path with a directory is taken as it is, not in the Windows directory.
  const std::string elsewhere = kvom::test::windowsDir(scratch.path()) + "sub\\";
  std::filesystem::create_directory(scratch.path() / "sub");
  ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "v", (elsewhere + "P.INI").c_str()));
  EXPECT_EQ(kvom::test::readFile(scratch.path() / "sub" / "P.INI"), "[S]\r\nk=v\r\n");

  // win.ini of the Profile calls is in the Windows directory too.
  ASSERT_TRUE(WriteProfileStringA("windows", "device", "Printer,driver,LPT1:"));
  std::array<char, 80> buffer{};
  EXPECT_EQ(GetProfileStringA("Windows", "Device", "", buffer.data(), 80), 20u);
  EXPECT_STREQ(buffer.data(), "Printer,driver,LPT1:");
  EXPECT_EQ(read("win.ini"), "[windows]\r\ndevice=Printer,driver,LPT1:\r\n");
}

TEST_F(ProfileTest, AFailedWriteLeavesTheFileAsItWas) {
  scratch.write("A.INI", "[Setting]\r\nLanguage=ENGLISH\r\n");
  win::failOperation("WritePrivateProfileStringA");
  EXPECT_FALSE(WritePrivateProfileStringA("Setting", "Language", "FRENCH", "A.INI"));
  EXPECT_EQ(read("A.INI"), "[Setting]\r\nLanguage=ENGLISH\r\n");
  // A full disk keeps only what fitted and reports the failure.
  win::reset();
  win::setWindowsDirectory(kvom::test::windowsDir(scratch.path()));
  win::failWritesAfter(4);
  EXPECT_FALSE(WritePrivateProfileStringA("Setting", "Language", "FRENCH", "A.INI"));
  EXPECT_EQ(read("A.INI"), "[Set");
}

TEST(MemoryTest, BlocksLiveFromAllocToFreeWithLockCounts) {
  const std::size_t live = win::liveMemoryBlocks();
  const std::int64_t invalid = win::invalidMemoryFrees();

  HGLOBAL block = GlobalAlloc(GHND, 16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(win::liveMemoryBlocks(), live + 1);
  EXPECT_EQ(GlobalSize(block), 16u);
  auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[0] | bytes[15], 0);
  std::memcpy(bytes, "0123456789ABCDEF", 16);
  EXPECT_EQ(GlobalLock(block), bytes);
  EXPECT_EQ(win::memoryLockCount(block), 2u);
  EXPECT_TRUE(GlobalUnlock(block));
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_FALSE(GlobalUnlock(block));  // not locked any more

  ASSERT_EQ(GlobalReAlloc(block, 20, GMEM_MOVEABLE | GMEM_ZEROINIT), block);
  EXPECT_EQ(GlobalSize(block), 20u);
  bytes = static_cast<unsigned char*>(GlobalLock(block));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 20), std::string("0123456789ABCDEF\0\0\0\0", 20));
  GlobalUnlock(block);

  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalFree(block), block);  // a double free is counted, not done
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(win::liveMemoryBlocks(), live);
  EXPECT_EQ(win::invalidMemoryFrees(), invalid + 1);
}

TEST(MemoryTest, AllocationAndReallocationCanFail) {
  win::reset();
  const std::size_t live = win::liveMemoryBlocks();
  win::failOperation("GlobalAlloc", 1, 1);
  HGLOBAL first = GlobalAlloc(GMEM_MOVEABLE, 8);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 8), nullptr);
  win::failOperation("GlobalReAlloc");
  EXPECT_EQ(GlobalReAlloc(first, 64, GMEM_MOVEABLE), nullptr);
  EXPECT_EQ(GlobalSize(first), 8u);
  GlobalFree(first);
  EXPECT_EQ(win::liveMemoryBlocks(), live);
  win::reset();
}

TEST(CodePageTest, ConvertsOemLettersAndSubstitutesLineCharacters) {
  struct Case {
    unsigned char oem;
    unsigned char ansi;
  };
  const Case cases[] = {
      {'A', 'A'},   {0x00, 0x00}, {0x7F, 0x7F}, {0x80, 0xC7}, {0x81, 0xFC}, {0x8E, 0xC4}, {0x99, 0xD6}, {0x9A, 0xDC},
      {0x9C, 0xA3}, {0x9F, 0x83}, {0xA5, 0xD1}, {0xE1, 0xDF}, {0xE6, 0xB5}, {0xF8, 0xB0}, {0xFD, 0xB2}, {0xFF, 0xA0},
      {0xB3, '|'},  {0xBA, '|'},  {0xC4, '-'},  {0xCD, '='},  {0xDA, '+'},  {0xC5, '+'},  {0xD9, '+'},  {0xDB, '#'},
  };
  for (const Case& c : cases) {
    char in = static_cast<char>(c.oem);
    char out = 0;
    ASSERT_TRUE(OemToCharBuffA(&in, &out, 1));
    EXPECT_EQ(static_cast<unsigned char>(out), c.ansi) << std::hex << int{c.oem};
  }
  char text[] =
      "\x84"
      "ber \xB3";  // converted in place
  ASSERT_TRUE(OemToCharBuffA(text, text, 6));
  EXPECT_STREQ(text,
               "\xE4"
               "ber |");
}

TEST(ClockTest, ProcessClockMovesForwardAndCalendarTimeCanBeFixed) {
  win::reset();
  const std::int32_t before = platform::crt::processClock();
  win::advanceClock(5500);
  const std::int32_t after = platform::crt::processClock();
  EXPECT_GE(after - before, 5500);
  EXPECT_LT(after - before, 5500 + 60000);

  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  win::setCurrentTime(1'000'000'000);  // 2001-09-09 01:46:40 UTC
  std::tm local{};
  ASSERT_TRUE(platform::crt::localTime(platform::crt::currentTime(), local));
  EXPECT_EQ(local.tm_year, 101);
  EXPECT_EQ(local.tm_mon, 8);
  EXPECT_EQ(local.tm_mday, 9);
  EXPECT_EQ(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec, 6400);
  win::failOperation("currentTime");
  EXPECT_EQ(platform::crt::currentTime(), -1);
  win::reset();
}

}  // namespace
