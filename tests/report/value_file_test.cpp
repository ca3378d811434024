#include "report/value_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>

#include "report/report_hooks.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::report {
namespace {

std::int64_t length(const char* text) { return static_cast<std::int64_t>(std::char_traits<char>::length(text)); }

class ValueFileWritersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standins::windows::reset();
    ASSERT_NE(OpenValueFile(path().c_str()), nullptr);
  }
  void TearDown() override {
    CloseValueFile();
    standins::windows::reset();
  }
  std::string path() const { return test::windowsDir(scratch.path()) + "VALUES.TXT"; }
  // Everything written so far, once the value file is closed.
  std::string written() {
    CloseValueFile();
    return test::readFile(scratch.path() / "VALUES.TXT");
  }
  test::ScratchDirectory scratch;
};

TEST_F(ValueFileWritersTest, WritesSingleValuesLineByLine) {
  WriteRealIfSet("ZERO", 4, 0.0f);
  WriteRealIfSet("NEGZERO", 7, -0.0f);
  WriteRealIfSet("DUTY", 4, 1.5f);
  WriteReal("ZERO", 4, 0.0f);
  WriteReal("SMALL", 5, -0.1f);
  WriteIntIfSet("NONE", 4, 0);
  WriteInt("PASSES", 6, -7);
  WriteIntIfSet("SHELLS", 6, 2);
  WriteInt("PADDED  ", 8, 1);
  WriteInt("AB\0CD", 5, 1);
  WriteStringValue("BLANK", 5, " X", 2);
  WriteStringValue("EMPTY", 5, "", 0);
  WriteStringValue("PIPE", 4, "3/4\" TUBE  ", 11);
  WriteStringValue("CUT", 3, "ABCDEF", 3);
  WriteStringValue("OEM", 3,
                   "\x81"
                   "ber",
                   4);
  WriteValueText("free\ntext", 0);
  EXPECT_EQ(written(),
            "DUTY,1.500000,0\r\n"
            "ZERO,0.000000,0\r\n"
            "SMALL,-0.100000,0\r\n"
            "PASSES,-7,0\r\n"
            "SHELLS,2,0\r\n"
            "PADDED  ,1,0\r\n"
            "AB,1,0\r\n"
            "EMPTY,\"\",0\r\n"
            "PIPE,\"3/4in TUBE  \",0\r\n"
            "CUT,\"ABC\",0\r\n"
            "OEM,\"\xFC"
            "ber\",0\r\n"
            "free\r\ntext");
}

// Only a value that begins with a blank is left out; one that is empty or begins with a NUL is
// written as the empty value.
TEST_F(ValueFileWritersTest, WritesAnEmptyTextValueButNoBlankOne) {
  struct Case {
    std::string_view value;
    const char* line;
  };
  const Case cases[] = {
      {std::string_view("\0X", 2), "NAME,\"\",0\r\n"},
      {"", "NAME,\"\",0\r\n"},
      {" X", ""},
      {"X", "NAME,\"X\",0\r\n"},
  };
  for (const Case& c : cases) {
    CloseValueFile();
    std::filesystem::remove(scratch.path() / "VALUES.TXT");
    ASSERT_NE(OpenValueFile(path().c_str()), nullptr);
    WriteStringValue("NAME", 4, c.value.data(), static_cast<std::int64_t>(c.value.size()));
    EXPECT_EQ(written(), c.line) << c.value;
  }
}

TEST_F(ValueFileWritersTest, WritesMessageLinesOfTheFiveKinds) {
  WriteMessageLine(7, 3, 1.5f, 1, -2.0f, 12, 3);
  WriteMessageLine(1234, 5, 0.0f, 0, 0.0f, 0, 0);
  WriteMessageLine(7, 6, 1.5f, 1, -2.0f, 12, 3);
  WriteMessageLine(7, 0, 1.5f, 1, -2.0f, 12, 3);
  EXPECT_EQ(written(),
            "Message,Error;   7; 3;1.500000; 1;-2.000000;12,0\r\n"
            "Message,Note;1234; 0;0.000000; 0;0.000000; 0,0\r\n");

  std::array<char, 80> line;
  line.fill('#');
  FormatMessageLine(line.data(), 80, 12, 1, 0.5f, 2, 1.0f, 3, 4);
  EXPECT_STREQ(line.data(), "Message,Warning;  12; 4;0.500000; 2;1.000000; 3,0\n");
  line.fill('#');
  FormatMessageLine(line.data(), 80, 12, 6, 0.5f, 2, 1.0f, 3, 4);
  EXPECT_EQ(line[0], '#');
  std::array<char, 12> small;
  FormatMessageLine(small.data(), 12, 12, 2, 0.5f, 2, 1.0f, 3, 4);
  EXPECT_STREQ(small.data(), "Message,Lim");
}

TEST_F(ValueFileWritersTest, WritesTrimmedAndFullArrays) {
  const float reals[] = {0.0f, 2.0f, 0.0f, 0.0f};
  const float zeros[] = {0.0f, -0.0f};
  const float notANumber[] = {std::numeric_limits<float>::quiet_NaN(), 0.0f};
  const char flags[] = "ABCD";
  const std::int64_t integers[] = {5'000'000'000, 0, -3, 0};
  const char texts[] =
      "AB\"C"
      "    "
      " XYZ"
      "\0ABC"
      "DE\0F"
      "    ";
  WriteRealArrayTrimmed("R", 1, reals, 4);
  WriteRealArrayTrimmed("ZEROS", 5, zeros, 2);
  WriteRealArrayTrimmed("NONE", 4, reals, 0);
  WriteRealArrayTrimmed("NAN", 3, notANumber, 2);
  WriteRealArrayFlagged("F", 1, reals, flags, 1, 4);
  WriteIntArrayTrimmed("I", 1, integers, 4);
  WriteStringArrayTrimmed("S", 1, texts, 4, 6);
  WriteStringArrayTrimmed("BLANKS", 6, texts + 4, 4, 1);
  WriteRealArray("ALL", 3, zeros, 2);
  WriteRealArray("EMPTY", 5, zeros, 0);
  WriteRealArray("NEGATIVE", 8, zeros, -1);
  WriteRealArrayFlaggedAll("FA", 2, reals, flags, 1, 2);
  const std::int32_t small[] = {0, -4};
  WriteIntArray("IA", 2, small, 2);
  EXPECT_EQ(written(),
            "R,0,2\r\n , \r\n2.000000, \r\n"
            "NAN,0,1\r\nnan, \r\n"
            "F,0,2\r\n , \r\n2.000000,B\r\n"
            "I,0,3\r\n5000000000, \r\n , \r\n-3, \r\n"
            "S,0,5\r\n\"ABinC\", \r\n\"    \", \r\n\" XYZ\", \r\n\"\", \r\n\"DE\", \r\n"
            "ALL,0,2\r\n0.000000, \r\n-0.000000, \r\n"
            "FA,0,2\r\n0.000000,A\r\n2.000000,B\r\n"
            "IA,0,2\r\n0, \r\n-4, \r\n");
}

TEST_F(ValueFileWritersTest, WriteNothingWithoutAnOpenValueFile) {
  CloseValueFile();
  standins::windows::failOperation("openFile");
  EXPECT_EQ(OpenValueFile(path().c_str()), nullptr);
  const float reals[] = {1.0f};
  const std::int64_t integers[] = {1};
  const std::int32_t small[] = {1};
  WriteReal("R", 1, reals[0]);
  WriteRealIfSet("R", 1, reals[0]);
  WriteInt("I", 1, small[0]);
  WriteIntIfSet("I", 1, small[0]);
  WriteValueText("text", 4);
  WriteStringValue("S", 1, "X", 1);
  WriteMessageLine(1, 1, 0.0f, 0, 0.0f, 0, 0);
  WriteRealArrayTrimmed("A", 1, reals, 1);
  WriteRealArrayFlagged("A", 1, reals, "F", 1, 1);
  WriteIntArrayTrimmed("A", 1, integers, 1);
  WriteStringArrayTrimmed("A", 1, "X", 1, 1);
  WriteRealArray("A", 1, reals, 1);
  WriteRealArrayFlaggedAll("A", 1, reals, "F", 1, 1);
  WriteIntArray("A", 1, small, 1);
  EXPECT_EQ(written(), "");
}

TEST(ValueTextTest, CopiesToTheFirstDoubleBlankWithinBothTexts) {
  struct Case {
    const char* source;
    std::int32_t count;
    std::int64_t targetLength;
    const char* target;
  };
  const Case cases[] = {
      {"ONE TWO  THREE", 3, 20, "ONE TWO#############"},
      {"ONE TWO", 5, 20, "ONE T###############"},
      {"ONE", 9, 20, "ONE#################"},
      {"  LEAD", 4, 20, "####################"},
      {"ONE TWO  THREE", 3, 4, "ONE ################"},
      {"ONE", -2, 20, "####################"},
  };
  for (const Case& c : cases) {
    std::string target(20, '#');
    CopyToDoubleBlank(target.data(), c.targetLength, c.source, length(c.source), c.count);
    EXPECT_EQ(target, c.target) << c.source;
  }
}

TEST(ValueTextTest, ReplacesQuotesWithinTheBuffer) {
  struct Case {
    const char* text;
    std::size_t size;
    const char* replaced;
  };
  const Case cases[] = {
      {"3/4\" TUBE", 20, "3/4in TUBE"}, {"\"\"", 20, "inin"}, {"NONE", 20, "NONE"}, {"", 20, ""},
      {"A\"B\"", 6, "AinBi"},           {"\"", 2, "i"},
  };
  for (const Case& c : cases) {
    std::array<char, 24> buffer;
    buffer.fill('~');
    std::char_traits<char>::copy(buffer.data(), c.text, std::char_traits<char>::length(c.text) + 1);
    const char beyond = buffer[c.size];
    ReplaceQuotes({buffer.data(), c.size});
    EXPECT_STREQ(buffer.data(), c.replaced) << c.text;
    EXPECT_EQ(buffer[c.size], beyond) << c.text;
  }
}

}  // namespace
}  // namespace kvom::report
