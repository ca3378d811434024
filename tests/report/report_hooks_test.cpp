#include "report/report_hooks.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/adapter.h"

namespace kvom::report {
namespace {

std::string contentOf(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(ScreenWindowTest, KeepsTheLastHandleNullIncluded) {
  int window = 0;
  SetScreenWindow(&window);
  EXPECT_EQ(GetScreenWindow(), &window);
  SetScreenWindow(nullptr);
  EXPECT_EQ(GetScreenWindow(), nullptr);
}

class ValueFileTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseValueFile(); }
  test::ScratchDirectory scratch;
};

TEST_F(ValueFileTest, AppendsToAnExistingFileAndClosesOnce) {
  const auto file = scratch.write("values.txt", "old\n");
  std::FILE* stream = OpenValueFile(file.c_str());
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(ValueFileStream.get(), stream);
  std::fputs("new\n", stream);

  CloseValueFile();
  EXPECT_EQ(ValueFileStream, nullptr);
  EXPECT_EQ(contentOf(file), "old\nnew\r\n") << "the text-mode stream writes the platform's line end";
  CloseValueFile();  // nothing open: nothing happens
  EXPECT_EQ(ValueFileStream, nullptr);
}

TEST_F(ValueFileTest, AFileThatCannotBeOpenedLeavesNoValueFile) {
  EXPECT_EQ(OpenValueFile((scratch.path() / "missing" / "values.txt").c_str()), nullptr);
  EXPECT_EQ(ValueFileStream, nullptr);
  EXPECT_EQ(OpenValueFile(nullptr), nullptr);
}

TEST_F(ValueFileTest, OpeningAnotherClosesAndFlushesTheFirst) {
  const auto first = scratch.path() / "first.txt";
  const auto second = scratch.path() / "second.txt";
  std::fputs("kept\n", OpenValueFile(first.c_str()));
  ASSERT_NE(OpenValueFile(second.c_str()), nullptr);
  EXPECT_EQ(contentOf(first), "kept\r\n");
}

TEST(JoinPathTest, CopiesFirstThenSecond) {
  struct Case {
    const char* first;
    const char* second;
    const char* joined;
  };
  const Case cases[] = {
      {"C:\\RUN\\", "R01A.TMP", "C:\\RUN\\R01A.TMP"},
      {"C:\\RUN\\", "", "C:\\RUN\\"},
      {"", "R01A.TMP", "R01A.TMP"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    std::array<char, 64> destination;
    destination.fill('#');
    EXPECT_EQ(JoinPath(destination.data(), c.first, c.second), destination.data());
    EXPECT_STREQ(destination.data(), c.joined) << c.first << " + " << c.second;
  }
}

TEST(JoinPathTest, JoinsOntoTheDestinationsOwnText) {
  std::array<char, 32> buffer{};
  std::strcpy(buffer.data(), "CASE");
  EXPECT_STREQ(JoinPath(buffer.data(), buffer.data(), ".KVO"), "CASE.KVO");
}

}  // namespace
}  // namespace kvom::report
