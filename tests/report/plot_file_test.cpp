#include "report/plot_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/windows/gdi.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/gdi/window_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/plot_fixture.h"
#include "tests/support/standin_helpers.h"

namespace kvom::report {
namespace {

using test::fixedField;
using test::plotLine;
using test::plotRecord;

// The slots each record type uses; the others keep what an earlier record left.
int usedSlots(char type) {
  switch (type) {
    case 'A':
      return 5;
    case 'C':
      return 5;
    case 'E':
    case 'S':
      return 6;
    case 'D':
    case 'M':
      return 2;
    case 'L':
      return 1;
    default:
      return 0;
  }
}

void expectRecords(std::span<const PlotRecord> actual, std::span<const PlotRecord> expected, const std::string& label) {
  ASSERT_EQ(actual.size(), expected.size()) << label;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_EQ(actual[i].type(), expected[i].type()) << label << " record " << i;
    for (int slot = 1; slot <= usedSlots(expected[i].type()); ++slot) {
      EXPECT_NEAR(actual[i].slot(slot), expected[i].slot(slot), 1e-4) << label << " record " << i << " slot " << slot;
    }
  }
}

class PlotFileTest : public ::testing::Test {
 protected:
  void SetUp() override { test::resetStandins(); }
  void TearDown() override {
    std::array<char, kPlotLineSize> buffer{};
    ReadPlotLine(buffer, nullptr, 1);
  }

  // Writes the lines with CR LF line ends; returns the file's Windows path.
  std::string writeText(const std::string& name, const std::vector<std::string>& lines) const {
    std::string content;
    for (const std::string& line : lines) content += line + "\r\n";
    scratch.write(name, content);
    return windowsPath(name);
  }
  std::string windowsPath(const std::string& name) const { return test::windowsDir(scratch.path()) + name; }

  test::ScratchDirectory scratch;
};

TEST(ParseFixedFieldsTest, ReadsEachFieldCode) {
  struct Case {
    const char* codes;
    std::string_view line;
    const char* text;  // what the A field gives
    float number;      // what the F field gives
    std::int32_t integer;
  };
  const Case cases[] = {
      {"A03F84I02", "ABC   15000 7", "ABC", 1.5f, 7},
      {"A01F84I02", "M  -15000-3", "M", -1.5f, -3},
      {"X02A02F52", "ABCD12x34", "CD", 0.12f, 99},                  // a number ends at the first non-digit
      {"Q01A02F21", "AB1", "AB", 0.1f, 99},                         // an unknown letter takes no column
      {"A05F84I02", "AB", "AB   ", 0.0f, 0},                        // a short line reads blanks: numbers 0
      {"A04F84", "AB\r\n", "AB  ", 0.0f, 99},                       // the line end is no part of the line
      {"A09", "ABCDEFGHIJ", "ABCDEFG", 99.0f, 99},                  // cut to the destination's size
      {"F84I84", "   +2000123456789012345", "", 0.2f, 2147483647},  // saturates at 32 bits
  };
  for (const Case& c : cases) {
    std::array<char, 8> text{};
    float number = 99;
    std::int32_t integer = 99;
    std::vector<PlotField> destinations;
    for (std::string_view codes = c.codes; codes.size() >= 3; codes.remove_prefix(3)) {
      if (codes[0] == 'A') destinations.emplace_back(std::span<char>(text));
      if (codes[0] == 'F') destinations.emplace_back(&number);
      if (codes[0] == 'I') destinations.emplace_back(&integer);
    }
    ParseFixedFields(c.line, c.codes, destinations);
    EXPECT_STREQ(text.data(), c.text) << c.codes << " " << c.line;
    EXPECT_FLOAT_EQ(number, c.number) << c.codes << " " << c.line;
    EXPECT_EQ(integer, c.integer) << c.codes << " " << c.line;
  }
}

TEST(ParseFixedFieldsTest, LeavesADestinationOfAnotherKindAlone) {
  std::int32_t integer = 5;
  float number = 5;
  const PlotField destinations[] = {&integer, &number};
  ParseFixedFields("   1000042", "F84I02", destinations);
  EXPECT_EQ(integer, 5);
  EXPECT_FLOAT_EQ(number, 5);
}

TEST_F(PlotFileTest, ReadsEveryRecordTypeOfAPlotText) {
  const std::string longLine = plotLine('M', 1, 1) + std::string(255 - 19, ' ') + plotLine('D', 2, 2);
  const auto fullLine = [](std::string line) { return line.append(254 - line.size(), ' '); };
  struct Case {
    const char* label;
    std::vector<std::string> lines;
    std::vector<PlotRecord> records;
    std::string extraText;
    float xExtent;
    float yExtent;
  };
  const Case cases[] = {
      {"scale and origin apply to the lines after them",
       {plotLine('M', 1, 2), plotLine('F', 2000, 0), plotLine('D', 1, 1), plotLine('O', 1, 0.5), plotLine('D', 1, 1),
        plotLine('L', 1, 0), plotLine('L', 0, 0)},
       {plotRecord('M', {1, 2}), plotRecord('D', {2, 2}), plotRecord('D', {4, 3}), plotRecord('L', {1}),
        plotRecord('L', {0})},
       "",
       4,
       3},
      {"a first VER line is skipped, a later V line is a V line",
       {"VER 2.0", plotLine('M', 1, 1), plotLine('V', 3, 0), plotLine('D', 9, 9), plotLine('V', 5, 0),
        plotLine('D', 2, 2)},
       {plotRecord('M', {1, 1}), plotRecord('D', {2, 2})},
       "",
       2,
       2},
      {"arrow under a scale",
       {plotLine('F', 2000, 0), plotLine('A', 1, 1),
        " " + fixedField(3, 8, 4) + fixedField(1, 8, 4) + fixedField(0.2, 8, 4)},
       {plotRecord('A', {2, 2, 6, 2, 0.4f})},
       "",
       6,
       2},
      {"circle with a negative radius is drawn around its point",
       {plotLine('C', 5, 5), fixedField(-2, 8, 4) + fixedField(0, 7, 3) + fixedField(90, 7, 3)},
       {plotRecord('C', {5, 5, 2, 0, 90})},
       "",
       7,
       7},
      {"circle with a positive radius starts at its point",
       {plotLine('C', 7, 5), fixedField(2, 8, 4) + fixedField(0, 7, 3) + fixedField(180, 7, 3)},
       {plotRecord('C', {5, 5, 2, 0, 180})},
       "",
       7,
       7},
      {"ellipse",
       {plotLine('E', 5, 5),
        " " + fixedField(2, 8, 4) + fixedField(1, 8, 4) + fixedField(0, 7, 3) + fixedField(360, 7, 3)},
       {plotRecord('E', {5, 5, 2, 1, 0, 360})},
       "",
       7,
       6},
      {"texts collect in the extra text, a short text line gives blanks",
       {plotLine('S', 1, 2), fixedField(0.2, 5, 4) + fixedField(90, 6, 3) + "05", "HELLO world", plotLine('S', 3, 1),
        fixedField(0.2, 5, 4) + fixedField(0, 6, 3) + " 3", "AB"},
       {plotRecord('S', {1, 2, 0.29f, 90, 5, 0}), plotRecord('S', {3, 1, 0.29f, 0, 3, 5})},
       "HELLOAB ",
       3,
       2.29f},
      {"a negative text count holds no text",
       {plotLine('S', 1, 1), fixedField(0.2, 5, 4) + fixedField(0, 6, 3) + "-5", "HELLO"},
       {plotRecord('S', {1, 1, 0.29f, 0, 0, 0})},
       "",
       1,
       1.29f},
      {"T ends the plot and raises the extents to its point",
       {plotLine('O', 3, 4), plotLine('T', 0, 0), plotLine('D', 9, 9)},
       {},
       "",
       3,
       4},
      {"an unknown letter stores nothing but raises the extents", {plotLine('Z', 9, 8)}, {}, "", 9, 8},
      {"a record whose extra line is missing is not stored",
       {plotLine('M', 1, 1), plotLine('C', 2, 2)},
       {plotRecord('M', {1, 1})},
       "",
       2,
       2},
      {"an over-long line is read in pieces of 255 characters",
       {longLine},
       {plotRecord('M', {1, 1}), plotRecord('D', {2, 2})},
       "",
       2,
       2},
      {"a line of 254 characters and its CR LF is one line",
       {fullLine(plotLine('C', 7, 5)), fullLine(fixedField(2, 8, 4) + fixedField(0, 7, 3) + fixedField(180, 7, 3))},
       {plotRecord('C', {5, 5, 2, 0, 180})},
       "",
       7,
       7},
      {"an empty file", {}, {}, "", 0, 0},
  };
  for (const Case& c : cases) {
    const std::string path = writeText("plot.KVD", c.lines);
    std::int32_t count = -1;
    std::int32_t extraSize = -1;
    CountPlotText(path.c_str(), count, extraSize);
    EXPECT_EQ(count, static_cast<std::int32_t>(c.records.size())) << c.label;
    EXPECT_EQ(extraSize, static_cast<std::int32_t>(c.extraText.size())) << c.label;

    std::vector<PlotRecord> records(static_cast<std::size_t>(std::max(count, 0)));
    std::string extra(static_cast<std::size_t>(std::max(extraSize, 0)) + 1, '#');
    float x = -1;
    float y = -1;
    ReadPlotText(path.c_str(), count, records, extra, x, y);
    expectRecords(std::span(records).first(static_cast<std::size_t>(count)), c.records, c.label);
    EXPECT_EQ(extra.substr(0, c.extraText.size()), c.extraText) << c.label;
    EXPECT_NEAR(x, c.xExtent, 1e-4) << c.label;
    EXPECT_NEAR(y, c.yExtent, 1e-4) << c.label;
  }
}

TEST_F(PlotFileTest, ReadingStoresNoMoreThanTheCallerHasRoomFor) {
  const std::string path = writeText("plot.KVD", {plotLine('M', 1, 1), plotLine('D', 2, 2), plotLine('S', 1, 1),
                                                  fixedField(1, 5, 4) + fixedField(0, 6, 3) + "04", "TEXT"});
  std::vector<PlotRecord> records(1);
  std::string extra(2, '#');
  std::int32_t count = 0;
  float x = 0, y = 0;
  ReadPlotText(path.c_str(), count, records, extra, x, y);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(extra, "##");
}

TEST_F(PlotFileTest, ReadPlotLineSkipsTheVersionLineAndSwitchesFiles) {
  const std::string first = writeText("first.KVD", {"VER 1", "one", "two"});
  const std::string second = writeText("second.KVD", {"other"});
  std::array<char, kPlotLineSize> buffer{};
  const auto next = [&buffer](const std::string& name) {
    return ReadPlotLine(buffer, name.c_str(), 0) == 1 ? std::string(buffer.data()) : std::string("<none>");
  };
  EXPECT_EQ(next(first), "one\n");
  EXPECT_EQ(next(second), "other\n");  // another name closes the first file
  EXPECT_EQ(next(first), "one\n");     // and reading it again starts over
  EXPECT_EQ(next(first), "two\n");
  EXPECT_EQ(next(first), "<none>");
  EXPECT_EQ(next(first), "one\n");  // the end closed the file
  EXPECT_EQ(ReadPlotLine(buffer, first.c_str(), 1), 0);
  EXPECT_EQ(next(first), "one\n");  // so did the close flag
  EXPECT_EQ(next(windowsPath("missing.KVD")), "<none>");
  // The longest line there is room for, with its CR LF read as one line end.
  const std::string full = writeText("full.KVD", {std::string(254, 'x'), "next"});
  EXPECT_EQ(next(full), std::string(254, 'x') + "\n");
  EXPECT_EQ(next(full), "next\n");
}

TEST(ArcExtentTest, FollowsTheArcDegreeByDegree) {
  struct Case {
    PlotRecord record;
    float x;
    float y;
  };
  const Case cases[] = {
      {plotRecord('C', {0, 0, 1, 0, 90}), 1, 1},
      {plotRecord('C', {0, 0, 1, 180, 90}), 0, 0},   // the third quarter stays at or below 0
      {plotRecord('C', {0, 0, 1, 90, -180}), 1, 1},  // clockwise through 0 degrees
      {plotRecord('C', {10, 10, 2, 200.9f, 0}), 10 + 2 * std::cos(200 * 3.14159265f / 180),
       10 + 2 * std::sin(200 * 3.14159265f / 180)},
      {plotRecord('E', {5, 5, 2, 1, 0, 360}), 7, 6},
      {plotRecord('E', {0, 0, 1, 1, 0, 1e9f}), 1, 1},  // more than one turn reaches nothing further
  };
  for (const Case& c : cases) {
    float x = -99;
    float y = -99;
    ArcExtent(x, y, c.record);
    EXPECT_NEAR(x, c.x, 1e-4) << c.record.type() << c.record.slot(4);
    EXPECT_NEAR(y, c.y, 1e-4) << c.record.type() << c.record.slot(4);
  }
}

class PlotContainerTest : public PlotFileTest {
 protected:
  void SetUp() override {
    PlotFileTest::SetUp();
    const test::PlotBlock blocks[] = {
        {"first", {plotRecord('M', {0, 0}), plotRecord('D', {1, 1})}, "", 1.5f, 2.5f},
        {"second",
         {plotRecord('S', {1, 1, 0.3f, 0, 3, 0}), plotRecord('L', {0}), plotRecord('D', {4, 4})},
         "ABC",
         4,
         4},
    };
    test::writePlotContainer(scratch.path() / "plots.BFD", blocks);
    path = windowsPath("plots.BFD");
  }

  struct Block {
    std::int32_t count = -1;
    std::int32_t extraSize = -1;
    std::vector<PlotRecord> records;
    std::string extra;
    float x = -1;
    float y = -1;
  };
  Block read(int block, const std::string& name) const {
    Block result;
    CountPlot(name.c_str(), result.count, result.extraSize, block);
    result.records.resize(static_cast<std::size_t>(std::max(result.count, 0)));
    result.extra.assign(static_cast<std::size_t>(std::max(result.extraSize, 0)) + 1, '\0');
    ReadPlot(name.c_str(), result.count, result.records, result.extra, result.x, result.y, block);
    return result;
  }
  Block read(int block) const { return read(block, path); }

  std::string path;
};

TEST_F(PlotContainerTest, ReadsEachBlockByNumber) {
  const Block first = read(1);
  EXPECT_EQ(first.count, 2);
  EXPECT_EQ(first.extraSize, 0);
  expectRecords(first.records, std::vector{plotRecord('M', {0, 0}), plotRecord('D', {1, 1})}, "block 1");
  EXPECT_FLOAT_EQ(first.x, 1.5f);
  EXPECT_FLOAT_EQ(first.y, 2.5f);

  const Block second = read(2);
  EXPECT_EQ(second.count, 3);
  EXPECT_EQ(second.extraSize, 3);
  expectRecords(second.records,
                std::vector{plotRecord('S', {1, 1, 0.3f, 0, 3, 0}), plotRecord('L', {0}), plotRecord('D', {4, 4})},
                "block 2");
  EXPECT_STREQ(second.extra.c_str(), "ABC");
  EXPECT_FLOAT_EQ(second.x, 4);

  for (int block : {0, -1, 101}) EXPECT_EQ(read(block).count, 2) << block;  // taken as block 1
  const Block missing = read(3);
  EXPECT_EQ(missing.count, 0);
  EXPECT_EQ(missing.extraSize, 0);
}

TEST_F(PlotContainerTest, BlocksAreFoundAgainAfterTheContainerChanges) {
  // Blocks of one, two and three lines, their titles telling them apart by their first point.
  const auto lines = [](int count, float mark) {
    test::PlotBlock block{"lines", {plotRecord('M', {mark, 0})}, "", 1, 1};
    for (int k = 0; k < count; ++k) block.records.push_back(plotRecord('D', {mark, static_cast<float>(k)}));
    return block;
  };
  const auto firstX = [this](int block) { return read(block).records.at(0).slot(1); };
  const test::PlotBlock three[] = {lines(1, 10), lines(2, 20), lines(3, 30)};
  test::writePlotContainer(scratch.path() / "plots.BFD", three);
  EXPECT_FLOAT_EQ(firstX(3), 30);
  EXPECT_FLOAT_EQ(firstX(1), 10);
  EXPECT_FLOAT_EQ(firstX(2), 20);
  EXPECT_EQ(read(4).count, 0);

  // The same size, the blocks in another order: the places seen before hold other blocks now.
  const test::PlotBlock reordered[] = {lines(3, 31), lines(1, 11), lines(2, 21)};
  test::writePlotContainer(scratch.path() / "plots.BFD", reordered);
  EXPECT_FLOAT_EQ(firstX(3), 21);
  EXPECT_FLOAT_EQ(firstX(2), 11);

  // Another size: a block more.
  const test::PlotBlock four[] = {lines(2, 12), lines(2, 22), lines(2, 32), lines(1, 42)};
  test::writePlotContainer(scratch.path() / "plots.BFD", four);
  EXPECT_FLOAT_EQ(firstX(4), 42);
  EXPECT_FLOAT_EQ(firstX(3), 32);
}

TEST_F(PlotContainerTest, ABlockIsReadFromTheFileAsItStandsNow) {
  // Before: blocks of 258 and 179 bytes. After: 129, 129 and 179 bytes, the same 437 bytes in all,
  // and block 3 starts where block 2 did, with a header equal to it.
  const auto lines = [](int count, float mark, std::string extra = "") {
    test::PlotBlock block{"curve", {plotRecord('M', {mark, 0})}, std::move(extra), 3, 2};
    for (int k = 1; k < count; ++k) block.records.push_back(plotRecord('D', {mark, static_cast<float>(k)}));
    return block;
  };
  const test::PlotBlock before[] = {lines(6, 1, "abcd"), lines(3, 2)};
  const test::PlotBlock after[] = {lines(1, 11), lines(1, 12), lines(3, 13)};

  // Restores the current folder when the test ends.
  struct CurrentFolder {
    std::filesystem::path kept = std::filesystem::current_path();
    ~CurrentFolder() { std::filesystem::current_path(kept); }
  } currentFolder;

  struct Case {
    const char* label;
    const char* firstFolder;   // where the container stands at first
    const char* secondFolder;  // where the changed one stands
    bool bareName;             // named without folder, found in the current folder
  };
  const Case cases[] = {
      {"rewritten at the same size", "same", "same", false},
      {"another folder under the same bare name", "first", "second", true},
  };
  for (const Case& c : cases) {
    const auto place = [&](const char* folder) {
      std::filesystem::create_directories(scratch.path() / folder);
      return scratch.path() / folder / "plots.BFD";
    };
    const auto nameIn = [&](const char* folder) {
      if (!c.bareName) return windowsPath(std::string(folder) + "\\plots.BFD");
      std::filesystem::current_path(scratch.path() / folder);
      return std::string("plots.BFD");
    };
    test::writePlotContainer(place(c.firstFolder), before);
    ASSERT_EQ(std::filesystem::file_size(place(c.firstFolder)), 437u);
    EXPECT_FLOAT_EQ(read(2, nameIn(c.firstFolder)).records.at(0).slot(1), 2) << c.label;

    test::writePlotContainer(place(c.secondFolder), after);
    ASSERT_EQ(std::filesystem::file_size(place(c.secondFolder)), 437u);
    const std::string name = nameIn(c.secondFolder);
    for (int block : {2, 3, 1}) {
      const Block found = read(block, name);
      EXPECT_EQ(found.count, block == 3 ? 3 : 1) << c.label << " block " << block;
      EXPECT_FLOAT_EQ(found.records.empty() ? 0 : found.records[0].slot(1), 10 + block)
          << c.label << " block " << block;
    }
  }
}

TEST_F(PlotContainerTest, HeaderCountsAreCheckedAgainstTheFileAndTheCaller) {
  // A damaged first header: its counts claim more than the file holds.
  std::string bytes = test::readFile(scratch.path() / "plots.BFD");
  for (const std::int32_t damaged : {1000, -1}) {
    std::memcpy(bytes.data() + 88, &damaged, sizeof damaged);
    std::ofstream(scratch.path() / "damaged.BFD", std::ios::binary) << bytes;
    for (int block : {1, 2}) {
      const Block result = read(block, windowsPath("damaged.BFD"));
      EXPECT_EQ(result.count, 0) << damaged << " block " << block;
      EXPECT_EQ(result.extraSize, 0) << damaged << " block " << block;
    }
  }

  // Room for fewer records and bytes than the block holds.
  std::vector<PlotRecord> records(1);
  std::string extra(2, '#');
  std::int32_t count = 0;
  float x = 0, y = 0;
  ReadPlotBlock(path.c_str(), count, records, extra, x, y, 2);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(records[0].type(), 'S');
  EXPECT_EQ(extra, "AB");
}

TEST_F(PlotContainerTest, AContainerThatCannotBeOpenedLeavesTheOutputsUntouched) {
  const auto untouched = [](const Block& result) {
    return result.count == -1 && result.extraSize == -1 && result.x == -1 && result.y == -1;
  };
  standins::gdi::clearMessageBoxes();
  EXPECT_TRUE(untouched(read(1, windowsPath("missing.BFD"))));
  standins::windows::failOperation("openFile");
  EXPECT_TRUE(untouched(read(1)));
  ASSERT_FALSE(standins::gdi::messageBoxes().empty()) << "a failed open is shown";
  for (const auto& box : standins::gdi::messageBoxes()) {
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.text, "Can not open file");
    EXPECT_EQ(box.caption, "Open Error");
    EXPECT_EQ(box.style, platform::win::MB_OK | platform::win::MB_ICONHAND);
  }
}

TEST_F(PlotContainerTest, TheExtensionOfTheFileNameChoosesTheReader) {
  writeText("plot.kvd", {plotLine('M', 1, 1)});
  scratch.write("plot.BFD.d/plot", "");
  test::writePlotContainer(scratch.path() / "lower.bfd",
                           std::vector<test::PlotBlock>{{"", {plotRecord('D', {1, 1})}, "", 1, 1}});
  writeText("plot.KVDX", {plotLine('M', 1, 1)});
  struct Case {
    const char* name;
    std::int32_t count;
  };
  const Case cases[] = {
      {"plot.kvd", 1},  // any case
      {"lower.bfd", 1},
      {"plot.kvd   ", 1},        // a blank-padded name from a fixed-length text
      {"plot.KVDX", -1},         // the whole extension counts
      {"plot.BFD.d\\plot", -1},  // a '.' of a directory is no extension
      {"plots", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(read(1, windowsPath(c.name)).count, c.count) << c.name;
}

TEST(PlotExamplesTest, TheBundledContainerHoldsThePlotTextsBlockByBlock) {
  test::resetStandins();
  const std::string directory = test::windowsDir(std::filesystem::path(KVOM_EXAMPLES_DIR) / "plots");
  const auto read = [](const std::string& name, int block) {
    std::int32_t count = 0;
    std::int32_t extraSize = 0;
    CountPlot(name.c_str(), count, extraSize, block);
    std::vector<PlotRecord> records(static_cast<std::size_t>(count));
    std::string extra(static_cast<std::size_t>(extraSize) + 1, '\0');
    float x = 0, y = 0;
    ReadPlot(name.c_str(), count, records, extra, x, y, block);
    return std::tuple{records, extra, x, y};
  };
  const char* texts[] = {"EXCHANGER.KVD", "CURVES.KVD"};
  for (int block = 1; block <= 2; ++block) {
    const auto [records, extra, x, y] = read(directory + texts[block - 1], 1);
    const auto [stored, storedExtra, storedX, storedY] = read(directory + "SKETCHES.BFD", block);
    EXPECT_GT(records.size(), 50u) << texts[block - 1];
    ASSERT_EQ(stored.size(), records.size()) << texts[block - 1];
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), records.begin(),
                           [](const PlotRecord& a, const PlotRecord& b) { return a.bytes == b.bytes; }));
    EXPECT_EQ(storedExtra, extra);
    EXPECT_EQ(storedX, x);
    EXPECT_EQ(storedY, y);
  }
}

using platform::win::HDC;
using platform::win::HGDIOBJ;
using platform::win::POINT;
using standins::gdi::DisplayEntry;
using standins::gdi::EntryKind;
using standins::gdi::ObjectKind;

// A page with the library's shared pens, as the owner of a plot creates them before it draws; the
// objects that a drawing leaves behind are counted against those alive before it.
class PlotDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::resetStandins();
    standins::gdi::reset();
    dc = standins::gdi::createPageContext(1000, 1000, 100);
    state().dottedPen = CreatePen(platform::win::PS_DOT, 1, 0);
    state().solidPen = CreatePen(platform::win::PS_SOLID, 10, 0);
    contextPen = GetCurrentObject(dc, platform::win::OBJ_PEN);
    contextFont = GetCurrentObject(dc, platform::win::OBJ_FONT);
    liveBefore = standins::gdi::liveObjects();
  }
  void TearDown() override {
    DeleteObject(state().solidPen);
    DeleteObject(state().dottedPen);
    state() = PlotterState{};
  }
  static PlotterState& state() { return plotterState(); }

  const std::vector<DisplayEntry>& entries() const { return standins::gdi::displayList(dc); }
  std::vector<DisplayEntry> entriesOf(EntryKind kind) const {
    std::vector<DisplayEntry> found;
    for (const DisplayEntry& e : entries()) {
      if (e.kind == kind) found.push_back(e);
    }
    return found;
  }
  static int calls(std::string_view operation) {
    int count = 0;
    for (const std::string& entry : standins::gdi::callLog()) count += entry.starts_with(std::string(operation) + " ");
    return count;
  }
  // The context has its own pen and font again, and nothing the drawing made is left.
  void expectContextRestored(const std::string& label) const {
    EXPECT_EQ(GetCurrentObject(dc, platform::win::OBJ_PEN), contextPen) << label;
    EXPECT_EQ(GetCurrentObject(dc, platform::win::OBJ_FONT), contextFont) << label;
    EXPECT_EQ(standins::gdi::liveObjects(), liveBefore) << label;
    EXPECT_EQ(standins::gdi::invalidDeletes(), 0) << label;
    EXPECT_EQ(state().plotFont, nullptr) << label;
  }

  HDC dc = nullptr;
  HGDIOBJ contextPen = nullptr;
  HGDIOBJ contextFont = nullptr;
  int liveBefore = 0;
};

bool samePoints(const std::vector<POINT>& actual, std::initializer_list<POINT> expected) {
  return std::equal(actual.begin(), actual.end(), expected.begin(), expected.end(),
                    [](POINT a, POINT b) { return a.x == b.x && a.y == b.y; });
}

TEST_F(PlotDrawingTest, PlaysASmallPlotInDeviceUnits) {
  // Plot (x, y) lands at (trunc(100 x) + 10, 800 - trunc(100 y) + 20).
  const std::string extra = "ABCDE";
  const std::vector<PlotRecord> records = {
      plotRecord('M', {1, 1}),
      plotRecord('D', {3, 1}),
      plotRecord('S', {1, 2, 0.3f, 0, 2, 0}),
      plotRecord('S', {2, 2, 0.3f, 0, 2, 2}),  // same height and angle: the same font
      plotRecord('S', {3, 3, 0.3f, 90, 1, 4}),
      plotRecord('L', {0}),
      plotRecord('C', {5, 5, 1, 0, 90}),
      plotRecord('T', {}),
      plotRecord('D', {9, 9}),  // after the end
  };
  DrawPlotRecords(dc, records, extra, POINT{0, 800}, POINT{10, 20}, 100);

  const std::vector<DisplayEntry> lines = entriesOf(EntryKind::Line);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(samePoints(lines[0].points, {{110, 720}, {310, 720}}));
  EXPECT_EQ(lines[0].pen.width, 10);

  const std::vector<DisplayEntry> texts = entriesOf(EntryKind::Text);
  ASSERT_EQ(texts.size(), 3u);
  const struct {
    const char* text;
    POINT topLeft;
    double angle;
  } expectedTexts[] = {{"AB", {110, 584}, 0}, {"CD", {210, 584}, 0}, {"E", {274, 520}, 90}};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(texts[i].text, expectedTexts[i].text);
    EXPECT_TRUE(samePoints(texts[i].points, {expectedTexts[i].topLeft})) << texts[i].text;
    EXPECT_EQ(texts[i].font.description.lfHeight, 30) << texts[i].text;
    EXPECT_EQ(texts[i].font.angle, expectedTexts[i].angle) << texts[i].text;
    EXPECT_STREQ(texts[i].font.description.lfFaceName, "Arial");
    EXPECT_EQ(texts[i].backgroundMode, platform::win::TRANSPARENT);
  }
  EXPECT_EQ(calls("CreateFontA"), 3);  // the starting font, then one per height and angle

  const std::vector<DisplayEntry> arcs = entriesOf(EntryKind::Arc);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_TRUE(samePoints(arcs[0].points, {{410, 220}, {610, 420}, {610, 320}, {510, 220}}));
  EXPECT_EQ(arcs[0].pen.style, platform::win::PS_DOT);
  EXPECT_TRUE(arcs[0].brush.hollow);
  expectContextRestored("after the drawing");
}

TEST_F(PlotDrawingTest, DrawPlotScaledUsesTheStoredOriginAndOffset) {
  state().storedOrigin = {0, 900};
  state().storedOffset = {5, 7};
  DrawPlotScaled(dc, std::vector{plotRecord('M', {0.1f, 0.2f}), plotRecord('D', {0.3f, 0.1f})}, {});
  const std::vector<DisplayEntry> lines = entriesOf(EntryKind::Line);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(samePoints(lines[0].points, {{105, 707}, {305, 807}}));
  expectContextRestored("scaled");
}

TEST_F(PlotDrawingTest, TextRecordsOutsideTheExtraTextDrawNothing) {
  const std::string extra(120, 'x');
  const std::vector<PlotRecord> records = {
      plotRecord('S', {1, 1, 0.2f, 0, -1, 0}),  plotRecord('S', {1, 1, 0.2f, 0, 100, 0}),
      plotRecord('S', {1, 1, 0.2f, 0, 5, -1}),  plotRecord('S', {1, 1, 0.2f, 0, 5, 118}),
      plotRecord('S', {1, 1, 0.2f, 0, 99, 21}),  // the longest text, whole
  };
  DrawPlotRecords(dc, records, extra, POINT{0, 800}, POINT{0, 0}, 100);
  const std::vector<DisplayEntry> texts = entriesOf(EntryKind::Text);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, std::string(99, 'x'));

  standins::gdi::clearDisplayList(dc);
  DrawPlotRecords(dc, std::vector{plotRecord('S', {1, 1, 0.2f, 0, 3, 0})}, {}, POINT{0, 800}, POINT{0, 0}, 100);
  EXPECT_TRUE(entriesOf(EntryKind::Text).empty());  // no extra text at all
  expectContextRestored("texts");
}

TEST_F(PlotDrawingTest, AHugeTextHeightGetsTheTallestFont) {
  struct Case {
    float height;  // of the record
    float scale;
    std::int32_t fontHeight;
  };
  const Case cases[] = {
      {200'033'072.0f, 1, kMaxFontHeight},  {0.3f, 1e9f, kMaxFontHeight},   {2147483648.0f, 1, kMaxFontHeight},
      {-2147483648.0f, 1, -kMaxFontHeight}, {2147483648.0f, -1, -kMaxFontHeight}, {0.3f, 100, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.height << " at scale " << c.scale);
    standins::gdi::clearDisplayList(dc);
    DrawPlotRecords(dc, std::vector{plotRecord('S', {0, 0, c.height, 0, 2, 0})}, "AB", POINT{0, 800}, POINT{0, 0},
                    c.scale);
    const std::vector<DisplayEntry> texts = entriesOf(EntryKind::Text);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].font.description.lfHeight, c.fontHeight);
    expectContextRestored("huge text");
  }
}

TEST_F(PlotDrawingTest, TextsAreDrawnInTheAnsiCodePage) {
  const std::string oem = "\x81\x84 1";  // u and a with diaeresis in the OEM code page
  const std::vector records = {plotRecord('S', {1, 1, 0.2f, 0, 4, 0})};
  DrawPlotRecords(dc, records, oem, POINT{0, 800}, POINT{0, 0}, 100);
  standins::windows::failOperation("OemToCharBuffA");
  DrawPlotRecords(dc, records, oem, POINT{0, 800}, POINT{0, 0}, 100);  // unconverted rather than lost
  const std::vector<DisplayEntry> texts = entriesOf(EntryKind::Text);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "\xFC\xE4 1");
  EXPECT_EQ(texts[1].text, oem);
}

TEST_F(PlotDrawingTest, ArcsByTheirSweep) {
  struct Case {
    float sweep;
    std::vector<EntryKind> kinds;
    POINT end;  // the current position afterwards
  };
  // Centre (5, 5), radius 1, scale 100, origin y 1000: start point (600, 500).
  const Case cases[] = {
      {360, {EntryKind::Ellipse}, {600, 500}},
      {-360, {EntryKind::Ellipse}, {600, 500}},
      {359.99f, {EntryKind::Arc}, {600, 500}},
      {90, {EntryKind::Arc}, {500, 400}},
      {-90, {EntryKind::Arc}, {500, 600}},
      {0, {}, {600, 500}},
      {0.5f, {}, {600, 500}},  // ends within a unit: no arc, and no whole ellipse either
  };
  for (const Case& c : cases) {
    standins::gdi::clearDisplayList(dc);
    state().scale = 100;
    state().origin = {0, 1000};
    state().offset = {0, 0};
    PlotArc(dc, 5, 5, 1, 1, 0, c.sweep);
    std::vector<EntryKind> kinds;
    for (const DisplayEntry& e : entries()) kinds.push_back(e.kind);
    EXPECT_EQ(kinds, c.kinds) << c.sweep;
    POINT position{};
    GetCurrentPositionEx(dc, &position);
    EXPECT_TRUE(samePoints({position}, {c.end})) << c.sweep << ": " << position.x << "," << position.y;
    if (c.sweep == -90) {  // drawn counter-clockwise from the end to the start
      EXPECT_TRUE(samePoints(entries()[0].points, {{400, 400}, {600, 600}, {500, 600}, {600, 500}}));
    }
  }
}

TEST_F(PlotDrawingTest, ArrowBarbsPointFromTheHeadTowardTheTail) {
  state().scale = 100;
  state().origin = {0, 1000};
  state().offset = {0, 0};
  PlotArrow(dc, 2, 4, 2, 6, 0.5f);  // the tail straight above the head
  const std::vector<DisplayEntry> lines = entriesOf(EntryKind::Line);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_TRUE(samePoints(lines[0].points, {{200, 400}, {200, 600}}));  // shaft, tail to head
  EXPECT_LT(lines[1].points[1].y, 600);                                // barbs end above the head
  EXPECT_LT(lines[2].points[1].y, 600);
  EXPECT_NE(lines[1].points[1].x, lines[2].points[1].x);
  EXPECT_TRUE(samePoints(lines[4].points, {{150, 600}, {250, 600}}));  // the bar across the shaft
}

TEST_F(PlotDrawingTest, FailuresLeaveNoObjectBehind) {
  const std::vector<PlotRecord> records = {plotRecord('M', {1, 1}), plotRecord('S', {1, 2, 0.3f, 0, 2, 0}),
                                           plotRecord('S', {1, 2, 0.4f, 0, 2, 0}), plotRecord('L', {0}),
                                           plotRecord('D', {2, 2})};
  struct Case {
    const char* operation;
    int skip;
    int times;
  };
  const Case cases[] = {
      {"CreateFontA", 0, 1},  {"CreateFontA", 1, 1},  {"CreateFontA", 0, -1},
      {"SelectObject", 1, 1}, {"SelectObject", 2, 1}, {"SelectObject", 0, -1},
  };
  for (const Case& c : cases) {
    standins::gdi::failOperation(c.operation, c.skip, c.times);
    DrawPlotRecords(dc, records, "ABAB", POINT{0, 800}, POINT{0, 0}, 100);
    standins::gdi::failOperation(c.operation, 0, 0);
    expectContextRestored(std::string(c.operation) + " skip " + std::to_string(c.skip));
  }
}

}  // namespace
}  // namespace kvom::report
