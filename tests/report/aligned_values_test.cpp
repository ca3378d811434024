#include "report/aligned_values.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "report/settings.h"

namespace kvom::report {
namespace {

// Text and marker grids of whole rows, blank where the case leaves them.
struct Grids {
  Grids(std::string_view textRows, std::string_view markerRows, std::size_t rows = 1)
      : text(rows * kCellsPerRow, ' '), markers(rows * kCellsPerRow, ' ') {
    text.replace(0, textRows.size(), textRows);
    markers.replace(0, markerRows.size(), markerRows);
  }
  std::string value(std::int32_t marker, std::int32_t lowestStart = 0) const {
    std::array<char, 96> buffer;
    buffer.fill('#');
    ExtractAlignedValue(buffer, text, markers, marker, lowestStart);
    return buffer.data();
  }
  std::string text;
  std::string markers;
};

class AlignedValuesTest : public ::testing::Test {
 protected:
  void TearDown() override { SetLanguageFromLetter("E"); }
};

TEST_F(AlignedValuesTest, CutsTheValueOfEachMarker) {
  struct Case {
    const char* what;
    std::string text;
    std::string markers;
    std::int32_t marker;
    std::int32_t lowestStart;
    const char* value;
  };
  const std::string lastColumn = std::string(79, ' ');
  const Case cases[] = {
      {"a dotted leader stops the walk", "Total .... 12.5", "              }", 14, 0, "12.5"},
      {"a double blank before the word", "  Area =", "", 7, 0, "Area ="},
      {"a second blank before a point", "x Area =", "", 7, 0, "Area ="},
      {"an operator before the point", "  x+y=", "", 5, 0, "="},
      {"the row start after a blank", "Area =", "", 5, 0, "="},
      {"a double blank ends a left value", "  ABC  DEF", "  {", 2, 0, "ABC"},
      {"a right value reaches the row start", "ab cd", "    }", 4, 0, "cd"},
      {"a right value of one word from column 0", "abcd", "   }", 3, 0, "abcd"},
      {"the lowest start cuts the value", "ab 1234", "      }", 6, 5, "34"},
      {"a centred value", "  AB CD  x", "   ~", 3, 0, "AB CD"},
      {"a bar is a line", "|12", "  }", 2, 0, "12"},
      {"a lone dash is text", " a-b", "   }", 3, 0, "a-b"},
      {"two dashes are a line", "x--ab", "    }", 4, 0, "ab"},
      {"a box byte is a line",
       "\xB3"
       "ab",
       "  }", 2, 0, "ab"},
      {"a left marker before a right value", "ab cd", "{   }", 4, 0, "cd"},
      {"a right marker after a left value", "ab cd", "{   }", 0, 0, "ab"},
      {"a left marker after a right value", "ab|cd", "}", 0, 0, "a"},
      {"a marker in the row's last cell", lastColumn + "X", lastColumn + "{", 79, 0, "X"},
      {"a left marker on a blank", "a   b", " {", 1, 0, ""},
      {"a start beyond the marker", "ab 1234", "      }", 6, 9, ""},
      {"no marker", "ab", "", 1, 0, ""},
      {"a marker at cell 0", "7", "}", 0, 0, "7"},
  };
  for (const Case& c : cases) EXPECT_EQ(Grids(c.text, c.markers).value(c.marker, c.lowestStart), c.value) << c.what;
}

TEST_F(AlignedValuesTest, StaysInTheMarkersRowAndTheGrid) {
  // A right value at the start of row 1 does not reach into row 0, a left value at the end of row
  // 0 not into row 1.
  Grids grids(std::string(78, 'a') + "bc" + "xy", std::string(78, ' ') + "{ " + " }", 2);
  EXPECT_EQ(FindValueStart(grids.text, grids.markers, 81), 80);
  EXPECT_EQ(grids.value(81), "xy");
  EXPECT_EQ(FindValueEnd(grids.text, grids.markers, 78), 78);
  EXPECT_EQ(grids.value(78), "b");

  // A marker on a blank at either end of a row: the value's first and last cells stay in it.
  struct Edge {
    const char* what;
    std::int32_t marker;
    std::int32_t start;
    std::int32_t end;
  };
  const Grids blanks("", "", 2);
  for (const Edge& e : {Edge{"the first cell", 0, 1, 0}, Edge{"the last cell", 79, 79, 78},
                        Edge{"the first cell of row 1", 80, 81, 80}, Edge{"the last cell of row 1", 159, 159, 158}}) {
    EXPECT_EQ(FindValueStart(blanks.text, blanks.markers, e.marker), e.start) << e.what;
    EXPECT_EQ(FindValueEnd(blanks.text, blanks.markers, e.marker), e.end) << e.what;
  }

  // A grid that ends inside a row, and markers outside it.
  const std::string shortText = "  abc";
  const std::string shortMarkers = "  {";
  EXPECT_EQ(FindValueEnd(shortText, shortMarkers, 2), 4);
  std::array<char, 8> value;
  ExtractAlignedValue(value, shortText, shortMarkers, 2, 0);
  EXPECT_STREQ(value.data(), "abc");
  ExtractAlignedValue(value, shortText, shortMarkers, 9, 0);
  EXPECT_STREQ(value.data(), "");
  ExtractAlignedValue(value, shortText, shortMarkers, -1, 0);
  EXPECT_STREQ(value.data(), "");

  // The value is cut to the buffer.
  std::array<char, 3> small;
  ExtractAlignedValue(small, shortText, shortMarkers, 2, 0);
  EXPECT_STREQ(small.data(), "ab");
}

TEST_F(AlignedValuesTest, LineCharactersFollowTheLanguage) {
  struct Case {
    std::string_view text;
    std::int32_t cell;
    std::int32_t line;
    std::int32_t lineInLanguage6;
  };
  const Case cases[] = {
      {"|", 0, 1, 1},    {"--", 0, 1, 1},   {"a-|", 1, 1, 1},  {"|-a", 1, 1, 1},
      {"a-b", 1, 0, 0},  {"-", 0, 0, 0},    {"\xB3", 0, 1, 0}, {"\xD3", 0, 1, 0},
      {"\xD4", 0, 0, 0}, {"\xDA", 0, 1, 0}, {"\xDB", 0, 0, 0}, {std::string_view("\0", 1), 0, 1, 0},
      {"\xB2", 0, 0, 0}, {"a", 0, 0, 0},    {"a", 1, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(IsLineChar(c.text, c.cell), c.line) << c.text << " @" << c.cell;
  EXPECT_EQ(IsDoubleByteChar(0xA0), 0);

  SetLanguageFromLetter("C");
  for (const Case& c : cases) EXPECT_EQ(IsLineChar(c.text, c.cell), c.lineInLanguage6) << c.text << " @" << c.cell;
  EXPECT_EQ(Grids("\xB3"
                  "ab",
                  "  }")
                .value(2),
            "\xB3"
            "ab");
  EXPECT_EQ(IsDoubleByteChar(0xA0), 1);
  EXPECT_EQ(IsDoubleByteChar(0x9F), 0);
}

}  // namespace
}  // namespace kvom::report
