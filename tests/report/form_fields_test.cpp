#include "report/form_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "report/report_hooks.h"
#include "report/screen.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/gdi/window_standin.h"
#include "tests/support/standin_helpers.h"

namespace kvom::report {
namespace {

namespace gdi = standins::gdi;

using Options = std::array<char, kFormOptionCount>;

Options options(std::string_view letters) {
  Options o;
  o.fill('N');
  std::copy_n(letters.begin(), std::min(letters.size(), o.size()), o.begin());
  return o;
}

// A form of 24 rows: a template with field marks, its displayed text and the cell attributes.
class FormFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::resetStandins();
    formTemplate.fill(' ');
    text.fill(' ');
    attributes.fill(0);
    ScreenCells = {};
    // The screen window that shows the form: 80 x 25 cells of 10 x 20 pixels.
    window = gdi::createWindow(800, 500);
    SetScreenWindow(window);
    SetScreenMetrics({nullptr, nullptr, 800, 500});
  }
  void TearDown() override {
    EXPECT_EQ(gdi::openWindowContexts(), 0);
    EXPECT_EQ(gdi::liveObjects(), 0);
    SetScreenWindow(nullptr);
    gdi::destroyWindow(window);
  }

  void field(int cell, int length, char mark) { std::fill_n(formTemplate.begin() + cell, length, mark); }
  void put(int cell, std::string_view t) { std::copy(t.begin(), t.end(), text.begin() + cell); }
  std::string shown(int cell, int length) const { return {text.data() + cell, static_cast<std::size_t>(length)}; }
  std::int32_t key(const Options& o, int cell, const char* command = "D  ") {
    return HandleFormKey(command, o, formTemplate, text, attributes, cell);
  }
  // A click with the options and the key it gives.
  struct KeyCase {
    const char* what;
    Options o;
    int cell;
    std::int32_t expected;
  };
  void expectKeys(const std::vector<KeyCase>& cases) {
    for (const KeyCase& c : cases) EXPECT_EQ(key(c.o, c.cell), c.expected) << c.what;
  }

  FormGrid formTemplate{};
  FormGrid text{};
  std::array<std::int8_t, kFormGridCells> attributes{};
  platform::win::HWND window = nullptr;
};

TEST_F(FormFieldsTest, MovesBetweenFieldsCyclically) {
  field(100, 5, '#');
  field(200, 4, '@');
  struct Case {
    const char* what;
    std::int32_t result;
    std::int32_t expected;
  };
  const std::vector<Case> cases = {
      {"next from outside", NextField(0, formTemplate), 100},
      {"next from a field", NextField(100, formTemplate), 105},
      {"next between fields", NextField(150, formTemplate), 200},
      {"next after the last", NextField(300, formTemplate), 100},
      {"previous inside", PreviousField(102, formTemplate), 100},
      {"previous just inside", PreviousField(101, formTemplate), 100},
      {"previous from a start wraps", PreviousField(100, formTemplate), 200},
      {"previous between", PreviousField(150, formTemplate), 100},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;

  std::int32_t start = -1;
  EXPECT_EQ(FindField(2, formTemplate, start), 4);
  EXPECT_EQ(start, 200);
  EXPECT_EQ(FindField(1, formTemplate, start), 5);
  EXPECT_EQ(start, 100);
  EXPECT_EQ(FindField(3, formTemplate, start), 0);
  EXPECT_EQ(FindField(0, formTemplate, start), 0);

  const FormGrid empty = [] {
    FormGrid g;
    g.fill(' ');
    return g;
  }();
  EXPECT_EQ(NextField(5, empty), -1);
  EXPECT_EQ(PreviousField(5, empty), -1);
  EXPECT_EQ(FindField(1, empty, start), 0);
}

TEST_F(FormFieldsTest, FieldsOneCellApartAndAtCellZeroAreCounted) {
  // A date "##/##/####" is three fields; a field at cell 0 is the first.
  field(0, 2, '@');
  field(400, 2, '#');
  field(403, 2, '#');
  field(406, 4, '#');
  std::int32_t start = -1;
  const std::vector<std::pair<int, int>> expected = {{0, 2}, {400, 2}, {403, 2}, {406, 4}};
  for (std::size_t n = 0; n < expected.size(); ++n) {
    EXPECT_EQ(FindField(static_cast<std::int32_t>(n) + 1, formTemplate, start), expected[n].second) << n;
    EXPECT_EQ(start, expected[n].first) << n;
  }
  const std::string values =
      "ok\x03"
      "10\x03"
      "12\x03"
      "2026\x03\x19";
  FillFieldsFromValues(formTemplate, text, values);
  EXPECT_EQ(shown(0, 2), "ok");
  EXPECT_EQ(shown(400, 10), "10 12 2026");
}

TEST_F(FormFieldsTest, FillsFieldsInOrderWithinTheirCells) {
  field(100, 5, '#');
  field(200, 4, '@');
  field(300, 3, '@');
  put(200, "keep");
  put(300, "old");
  // A 7-character value fills 5 cells; an empty value leaves its field; the third value has no
  // end mark and is not taken.
  const std::string values = "1234567\x03\x03xyz";
  FillFieldsFromValues(formTemplate, text, values);
  EXPECT_EQ(shown(100, 6), "12345 ");
  EXPECT_EQ(shown(200, 4), "keep");
  EXPECT_EQ(shown(300, 3), "old");
}

TEST_F(FormFieldsTest, CollectsFieldValues) {
  field(100, 3, '@');
  field(200, 2, '#');
  put(100, "abc");
  put(200, "1");
  text[201] = '\0';
  struct Case {
    const char* command;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"D  ",
       "abc\x03"
       "1 \x03\x19"},
      {"D U",
       "ABC\x03"
       "1 \x03\x19"},
      {"DLF",
       "ABC\x03"
       "1 \x03\x19"},
      {"DN ", ""},
      {"DF ", ""},
  };
  for (const Case& c : cases) {
    std::array<char, 2001> values{};
    CollectFieldValues(c.command, formTemplate, text, values);
    EXPECT_EQ(std::string(values.data(), c.expected.size()), c.expected) << c.command;
    EXPECT_EQ(values[c.expected.size()], '\0') << c.command;
  }
  // A buffer too small for every field keeps its last byte for the end mark.
  std::array<char, 4> small{};
  CollectFieldValues("D  ", formTemplate, text, small);
  EXPECT_EQ(std::string(small.data(), 4), "abc\x19");
}

TEST_F(FormFieldsTest, RowTypesGiveRowAttributes) {
  struct Case {
    char type;
    std::int8_t attribute;
  };
  const std::vector<Case> cases = {{'\'', 2}, {'g', 2}, {'1', 1},   {'x', 1},   {'R', 3}, {'r', 3}, {'9', 4},
                                   {'y', 4},  {'X', 3}, {'u', 117}, {'v', 118}, {'"', 0}, {'B', 0}, {' ', 0}};
  for (std::size_t i = 0; i < cases.size(); ++i) formTemplate[i * 80 + 79] = cases[i].type;
  field(80 + 10, 3, '#');            // a field in a row of type 'g'
  field(8 * 80 + 10, 2, '@');        // a field in a row of type 'X': part of the row
  formTemplate[20 * 80 + 79] = 'X';  // rows 20 to 22 shaded
  formTemplate[23 * 80 + 79] = 'R';
  text[79] = 'T';
  MapRowAttributes(text, formTemplate, attributes);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(attributes[i * 80], cases[i].attribute) << cases[i].type;
    EXPECT_EQ(attributes[i * 80 + 79], cases[i].attribute) << cases[i].type;
  }
  EXPECT_EQ(attributes[80 + 11], 5);
  EXPECT_EQ(attributes[8 * 80 + 10], 3);
  EXPECT_EQ(formTemplate[8 * 80 + 10], ' ');
  EXPECT_EQ(formTemplate[80 + 10], '#');
  for (int row : {20, 21, 22}) EXPECT_EQ(attributes[row * 80], 7) << row;
  EXPECT_EQ(attributes[23 * 80], 3);
  EXPECT_EQ(text[79], ' ');

  // Rows 21 and 22 of type 'R' are shaded too.
  formTemplate.fill(' ');
  formTemplate[21 * 80 + 79] = formTemplate[22 * 80 + 79] = 'R';
  MapRowAttributes(text, formTemplate, attributes);
  EXPECT_EQ(attributes[21 * 80], 7);
  EXPECT_EQ(attributes[22 * 80], 7);
}

TEST_F(FormFieldsTest, ClicksOnKeyLabels) {
  put(800, "F2=Back       F3=Help");
  put(880, "F2=abc x F5 =More");
  put(960, "F2=Back x  F5=More");
  const std::vector<KeyCase> cases = {
      {"on a label", options("YYY"), 815, 3},
      {"label switched off goes on to the other steps", options("YYN"), 815, 0},
      {"equally far, the right label wins", options("YYYYY"), 887, 5},
      {"two blanks towards the right label", options("YYYYY"), 967, 2},
  };
  expectKeys(cases);
  EXPECT_EQ(FindKeyLabel(formTemplate, text, 815), 3);
  EXPECT_EQ(FindKeyLabel(formTemplate, text, 500), 0);
}

TEST_F(FormFieldsTest, KeyLabelsReadNothingBeforeTheirRow) {
  // Labels whose characters would lie before the row's first cell are no labels.
  put(0, "=3 =");
  put(79, "F1=  2 =");
  EXPECT_EQ(FindKeyLabel(formTemplate, text, 2), 0);
  EXPECT_EQ(FindKeyLabel(formTemplate, text, 83), 0);
}

TEST_F(FormFieldsTest, LoneDotAndCommandLetters) {
  field(400, 5, '#');
  put(1000, "see . here   3.5");
  EXPECT_EQ(key(options("NNNH"), 1004), 4);
  // A dot in a number is no help mark.
  EXPECT_EQ(key(options("NNNH"), 1014), 0);
  EXPECT_EQ(key(options("NNN"), 1004, "D C"), 13);
  EXPECT_EQ(key(options("NNNH"), 402), 0);  // a field cell is ordinary input
}

TEST_F(FormFieldsTest, ChoicesBesideANumericField) {
  field(410, 8, '#');
  put(410, "1       ");
  put(420, "US");
  put(430, "12.5E3 kW");
  struct Case {
    int cell;
    std::int32_t expected;
    std::string field;
  };
  const std::vector<Case> cases = {
      {421, 8, "1       "},   // letters do not enter a numeric field (key 8: after every field)
      {432, -1, "12.5E3  "},  // a number does, up to its blank
      {437, -1, "12.5E3  "},  // one blank does not part the unit from the number before it
  };
  for (const Case& c : cases) {
    put(410, "1       ");
    EXPECT_EQ(key(options("NNNNNNNY"), c.cell), c.expected) << c.cell;
    EXPECT_EQ(shown(410, 8), c.field) << c.cell;
  }
  EXPECT_EQ(std::string(ScreenCells.characters.data() + 410, 8), "12.5E3  ");
}

TEST_F(FormFieldsTest, LinksFillTheirField) {
  field(100, 6, '@');
  put(100, "abcdef");
  // "[[A...]]" links to field 1 (A is field 1).
  std::string_view link = "[[AYes]]";
  std::copy(link.begin(), link.end(), formTemplate.begin() + 500);
  EXPECT_EQ(key(options(""), 503), -1);
  EXPECT_EQ(shown(100, 6), "Yes   ");
}

TEST_F(FormFieldsTest, LaterStepsGiveFunctionKeys) {
  field(400, 5, '#');
  const std::vector<KeyCase> cases = {
      {"key 13 when it is on", options("NNNNNNNNNNNNY"), 1500, 13},
      {"first 'F' option in the first 23 rows", options("NNYNF"), 1500, 5},
      {"no 'F' option in the last row", options("NNNNFNNY"), 1850, 8},
      {"before the first field: key 7", options("NNNNNNY"), 50, 7},
      {"key 8 off", options("NNNNNNNN"), 1500, 0},
      {"after the last field: key 8", options("NNNNNNNY"), 1500, 8},
      {"between: nothing", options("NNNNNNNY"), 300, 0},
  };
  expectKeys(cases);
}

TEST_F(FormFieldsTest, MessageRowStaysWithinEightyColumns) {
  std::array<char, 100> message{};
  message.fill('#');
  std::strcpy(message.data(), "Saved\nok");
  ShowMessageRow(message, 24);
  EXPECT_EQ(std::string(message.data(), 80), "Saved ok" + std::string(72, ' '));
  EXPECT_EQ(std::string(message.data() + 80, 20), std::string(20, '#'));
  EXPECT_EQ(std::string(ScreenCells.characters.data() + 1920, 80), "Saved ok" + std::string(72, ' '));
  EXPECT_EQ(ScreenCells.attributes[1920], 15);

  // A short buffer is padded within itself only.
  std::array<char, 6> shortText = {'a', 'b', '\0', 'z', 'z', 'z'};
  ShowMessageRow(shortText, 3);
  EXPECT_EQ(std::string(shortText.data(), 6), "ab    ");
  EXPECT_EQ(std::string(ScreenCells.characters.data() + 240, 80), "ab" + std::string(78, ' '));
  ShowMessageRow(shortText, 25);  // no such row
}

TEST(FormTextUtilities, EditTextsInPlace) {
  struct Case {
    const char* input;
    const char* trimmed;
    const char* squeezed;
  };
  const std::vector<Case> cases = {
      {"  a b  ", "a b", "ab"}, {"", "", ""}, {"   ", "", ""}, {"x", "x", "x"}, {" 1 2 3", "1 2 3", "123"}};
  for (const Case& c : cases) {
    std::string trim = c.input;
    std::string squeeze = c.input;
    TrimBlanks(trim.data());
    SqueezeBlanks(squeeze.data());
    EXPECT_STREQ(trim.c_str(), c.trimmed) << '"' << c.input << '"';
    EXPECT_STREQ(squeeze.c_str(), c.squeezed) << '"' << c.input << '"';
  }
  std::string letters = "az{`AZ";
  for (char& c : letters) UpperCaseLetter(c);
  EXPECT_EQ(letters, "AZ{`AZ");

  std::array<char, 5> buffer = {'a', '\0', 'b', '\0', '\0'};
  EXPECT_EQ(BlankNuls(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer.data(), 5), std::string("a b \0", 5));
  EXPECT_EQ(BlankNuls(buffer, 50), 50);  // bounded by the buffer
  EXPECT_EQ(std::string(buffer.data(), 5), "a b  ");

  const std::array<const char*, 3> table = {"F10", "F11", "F12"};
  EXPECT_EQ(MatchLabel("F11=", table, 3), 2);
  EXPECT_EQ(MatchLabel("F13", table, 3), 0);
  EXPECT_EQ(MatchLabel("F13", table, 2), 1);
}

}  // namespace
}  // namespace kvom::report
