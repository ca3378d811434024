#include "report/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/fixed_text.h"
#include "exports/run_paths_setup.h"
#include "platform/windows/gdi.h"
#include "platform/windows/window.h"
#include "report/page_layout.h"
#include "report/pictures.h"
#include "report/plot_object.h"
#include "report/report_hooks.h"
#include "report/settings.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/gdi/window_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::report {
namespace {

namespace gdi = standins::gdi;
using platform::win::HDC;
using platform::win::HFONT;
using platform::win::HWND;
using platform::win::POINT;
using platform::win::RGB;

// An 80 x 25 cell window of 800 x 500 pixels: cells of 10 x 20 with a margin of 5 on the left.
constexpr int kWidth = 800;
constexpr int kHeight = 500;
constexpr int kCw = 10;
constexpr int kCh = 20;
constexpr int kMargin = 5;
// The text font is proportional, 7 pixels a character by the measure model; the field font fixed
// pitch, 8 pixels.
constexpr int kTextChar = 7;

HFONT makeFont(const char* face) {
  return CreateFontA(16, 0, 0, 0, platform::win::FW_NORMAL, 0, 0, 0, platform::win::ANSI_CHARSET, 0, 0, 0, 0, face);
}

// Cells of a form: characters and attributes of the whole screen, and the values the form merged.
struct Form {
  Form() {
    characters.fill(' ');
    attributes.fill(0);
    ScreenCells.markers.fill(' ');
    ScreenCells.valueOffsets.fill(-1);
    ScreenCells.valueText.fill('\0');
  }
  Form& text(int cell, std::string_view t, std::int8_t attribute = 0) {
    std::copy(t.begin(), t.end(), characters.begin() + cell);
    std::fill_n(attributes.begin() + cell, t.size(), attribute);
    return *this;
  }
  Form& attribute(int cell, int count, std::int8_t a) {
    std::fill_n(attributes.begin() + cell, count, a);
    return *this;
  }
  // The value of a marker cell, appended to the value text.
  Form& value(int cell, char marker, std::string_view v) {
    ScreenCells.markers[cell] = marker;
    ScreenCells.valueOffsets[cell] = static_cast<std::int32_t>(values.size());
    values += v;
    values += kValueEnd;
    std::copy(values.begin(), values.end(), ScreenCells.valueText.begin());
    return *this;
  }
  // Paints the cells on a context of the screen window.
  void draw(int first = 0, int count = kScreenCells) const {
    DrawCellRun(characters.data() + first, attributes.data() + first, count, first);
  }
  std::array<char, kScreenCells> characters;
  std::array<std::int8_t, kScreenCells> attributes;
  std::string values;
};

struct DrawnText {
  std::string text;
  int x;
  int y;
  bool operator==(const DrawnText&) const = default;
};

void PrintTo(const DrawnText& t, std::ostream* out) { *out << '"' << t.text << "\" at " << t.x << "," << t.y; }

class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::resetStandins();
    window = gdi::createWindow(kWidth, kHeight);
    textFont = makeFont("Arial");
    fieldFont = makeFont("Courier New");
    objectsBefore = gdi::liveObjects();
    SetScreenMetrics({fieldFont, textFont, kWidth, kHeight});
    SetScreenWindow(window);
    SetLanguageFromLetter("E");
    ScreenCells = {};
    CaptionColors = {RGB(255, 255, 255), RGB(0, 0, 125)};
  }
  void TearDown() override {
    // Whatever a routine selected or fetched is given back.
    EXPECT_EQ(gdi::openWindowContexts(), 0);
    EXPECT_EQ(gdi::liveObjects(), objectsBefore);
    EXPECT_EQ(gdi::invalidDeletes(), 0);
    EXPECT_TRUE(DeleteObject(textFont));
    EXPECT_TRUE(DeleteObject(fieldFont));
    SetScreenWindow(nullptr);
    SetScreenMetrics({});
    SetLanguageFromLetter("E");
  }

  const std::vector<gdi::DisplayEntry>& entries() const { return gdi::windowDisplayList(window); }
  std::vector<DrawnText> texts() const {
    std::vector<DrawnText> found;
    for (const auto& e : entries()) {
      if (e.kind == gdi::EntryKind::Text) found.push_back({e.text, e.points[0].x, e.points[0].y});
    }
    return found;
  }
  // Texts other than the blanks that paint a row's background.
  std::vector<DrawnText> writtenTexts() const {
    std::vector<DrawnText> found = texts();
    std::erase_if(found, [](const DrawnText& t) { return t.text.find_first_not_of(' ') == std::string::npos; });
    return found;
  }
  std::vector<std::array<int, 4>> lines() const {
    std::vector<std::array<int, 4>> found;
    for (const auto& e : entries()) {
      if (e.kind == gdi::EntryKind::Line && e.points.size() == 2) {
        found.push_back({e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y});
      }
    }
    return found;
  }

  // The example exchanger plot as the picture of slot 0, over the cells.
  static void loadPlot(std::int32_t firstCell, std::int32_t lastCell) {
    const std::string path = test::windowsDir(std::filesystem::path(KVOM_EXAMPLES_DIR) / "plots") + "EXCHANGER.KVD";
    ASSERT_EQ(LoadPictureFile(0, path.c_str(), 1), 1);
    PictureTable.slots[0].firstCell = firstCell;
    PictureTable.slots[0].lastCell = lastCell;
    PictureTable.count = 1;
  }
  // Frees the pictures and the plotter's pens, which live until then.
  static void freePictures() {
    FreeAllPictures();
    PlotObject none;
    FreePlot(none);
    PictureBracketFlag = 1;
  }

  HWND window = nullptr;
  HFONT textFont = nullptr;
  HFONT fieldFont = nullptr;
  int objectsBefore = 0;
};

TEST_F(ScreenTest, CellsAndPixels) {
  struct Case {
    int cell;
    POINT point;
  };
  for (const Case& c : {Case{0, {5, 0}}, Case{79, {795, 0}}, Case{81, {15, 20}}, Case{1999, {795, 480}}}) {
    POINT p{};
    CellToPixel(c.cell, &p);
    EXPECT_EQ(p.x, c.point.x) << c.cell;
    EXPECT_EQ(p.y, c.point.y) << c.cell;
  }

  struct PixelCase {
    const char* what;
    int x;
    int y;
    int cell;  // -1: no cell
  };
  const PixelCase pixels[] = {
      {"top-left cell", 5, 0, 0},           {"left margin belongs to column 0", 2, 45, 160},
      {"inside a cell", 27, 21, 82},        {"last cell", 799, 499, 1999},
      {"left of the window", -1, 10, -1},   {"above the window", 10, -1, -1},
      {"right of the window", 800, 10, -1}, {"below the window", 10, 500, -1},
  };
  for (const PixelCase& c : pixels) {
    std::int32_t cell = -7;
    EXPECT_EQ(PixelToCell(PackPoint(c.x, c.y), &cell), c.cell >= 0) << c.what;
    EXPECT_EQ(cell, c.cell >= 0 ? c.cell : -7) << c.what;
  }

  // A window whose width leaves a wide right margin and whose height leaves room below the grid:
  // the margin belongs to column 79 of the same row, the room below to no cell.
  SetScreenMetrics({fieldFont, textFont, 809, 510});
  std::int32_t cell = -7;
  EXPECT_TRUE(PixelToCell(PackPoint(808, 0), &cell));
  EXPECT_EQ(cell, 79);
  EXPECT_FALSE(PixelToCell(PackPoint(10, 505), &cell));

  // Before the metrics are set there are no cells at all.
  SetScreenMetrics({});
  EXPECT_FALSE(PixelToCell(PackPoint(10, 10), &cell));
}

TEST_F(ScreenTest, MousePointsKeepBothSignedHalves) {
  const std::int64_t packed = PackPoint(-3, 70000);
  EXPECT_EQ(static_cast<std::int32_t>(packed & 0xFFFFFFFF), -3);
  EXPECT_EQ(static_cast<std::int32_t>(packed >> 32), 70000);
}

TEST_F(ScreenTest, CellColors) {
  struct Case {
    int attribute;
    platform::win::COLORREF text;
    platform::win::COLORREF background;
  };
  const Case cases[] = {{0, RGB(0, 0, 127), RGB(255, 255, 255)},  {1, RGB(0, 0, 0), RGB(255, 255, 255)},
                        {2, RGB(0, 127, 63), RGB(255, 255, 255)}, {3, RGB(127, 63, 0), RGB(255, 255, 255)},
                        {4, RGB(255, 0, 0), RGB(255, 255, 255)},  {5, RGB(0, 0, 0), RGB(0, 255, 255)},
                        {6, RGB(255, 255, 255), RGB(0, 0, 125)},  {7, RGB(127, 63, 0), RGB(192, 192, 192)},
                        {8, RGB(127, 63, 0), RGB(127, 127, 127)}, {'u', RGB(0, 0, 127), RGB(255, 255, 255)},
                        {-3, RGB(0, 0, 127), RGB(255, 255, 255)}};
  for (const Case& c : cases) {
    platform::win::COLORREF background = 1;
    platform::win::COLORREF text = 1;
    SelectCellColors(c.attribute, &background, &text);
    EXPECT_EQ(text, c.text) << c.attribute;
    EXPECT_EQ(background, c.background) << c.attribute;
  }
}

TEST_F(ScreenTest, LineClassification) {
  // Three rows of a grid; the cell looked at is in the middle row unless the case says otherwise.
  struct Case {
    const char* what;
    std::string above;
    std::string row;
    std::string below;
    int column;
    int horizontal;
    int vertical;
    int language = 1;
  };
  const std::string cp437Box = "\xDA\xC4\xC2\xBF";
  const Case cases[] = {
      {"dash between dashes", "", " --- ", "", 2, 0, -99},
      {"first dash", "", " --- ", "", 1, -1, -99},
      {"last dash", "", " --- ", "", 3, 1, -99},
      {"lone dash", "", "  -  ", "", 2, -99, -99},
      {"bar before a dash", "", " |-- ", "", 1, -1, 0},
      {"bar after a dash", "", " --| ", "", 3, 1, 0},
      {"bar between bars", " |", " |", " |", 1, -99, 0},
      {"lone bar", "", " | ", "", 1, -99, 0},
      {"dash closing a bar above", " |", " |--", "", 1, -1, 1},
      {"bar opening downwards", "", " |--", " |", 1, -1, -1},
      {"box corner top-left", "", " " + cp437Box, "", 1, -1, -1},
      {"box horizontal", "", " " + cp437Box, "", 2, 0, -99},
      {"box tee down", "", " " + cp437Box, "", 3, 0, -1},
      {"box corner top-right", "", " " + cp437Box, "", 4, 1, -1},
      {"box vertical", "", " \xB3", "", 1, -99, 0},
      {"box bottom-left", "", " \xC0", "", 1, -1, 1},
      {"box bytes with language 6", "", " " + cp437Box, "", 1, -99, -99, 6},
      {"dashes with language 6", "", " --- ", "", 2, 0, -99, 6},
  };
  for (const Case& c : cases) {
    std::string grid(3 * 80, ' ');
    grid.replace(0, c.above.size(), c.above);
    grid.replace(80, c.row.size(), c.row);
    grid.replace(160, c.below.size(), c.below);
    SetLanguageFromLetter(c.language == 6 ? "C" : "E");
    EXPECT_EQ(ClassifyHorizontalLine(grid, 80 + c.column), c.horizontal) << c.what;
    EXPECT_EQ(ClassifyVerticalLine(grid, 80 + c.column), c.vertical) << c.what;
  }
  // Cells outside the grid count as blanks.
  EXPECT_EQ(ClassifyVerticalLine(std::string_view(" |"), 1), 0);
  EXPECT_EQ(ClassifyHorizontalLine(std::string_view("-"), 0), -99);
}

TEST_F(ScreenTest, CellValues) {
  Form form;
  form.value(10, '}', "7.5")
      .value(20, '{', "abc  def")
      .value(30, '~', "x y")
      .value(40, ' ', "")
      .value(50, '}', std::string(300, '9'));
  ScreenCells.valueOffsets[60] = 5000;                                               // past the value text
  ScreenCells.valueOffsets[61] = static_cast<std::int32_t>(form.values.size()) + 1;  // no end byte follows
  struct Case {
    int cell;
    std::string value;
  };
  const Case cases[] = {{10, "7.5"}, {20, "abc"}, {30, "x y"}, {40, ""}, {50, std::string(kMaxCellValue, '9')},
                        {60, ""},    {61, " "},   {70, ""},    {-1, ""}, {2000, ""}};
  for (const Case& c : cases) {
    std::array<char, 200> value;
    value.fill('#');
    EXPECT_EQ(GetCellValue(value, c.cell), static_cast<std::int32_t>(c.value.size())) << c.cell;
    EXPECT_EQ(std::string(value.data()), c.value) << c.cell;
  }
  // A small buffer takes what fits.
  std::array<char, 3> small;
  EXPECT_EQ(GetCellValue(small, 10), 2);
  EXPECT_EQ(std::string(small.data()), "7.");
}

TEST_F(ScreenTest, PaintsAFormWithAlignedValues) {
  Form form;
  // A leader stretched to a value whose last digit carries "}".
  form.text(0, "Total........ 7.5").value(16, '}', "7.5");
  // A left-aligned value holding two adjacent blanks shows the part before them.
  form.text(80, "Name abc  def").value(85, '{', "abc  def");
  // A value centred on its marker cell.
  form.text(170, "abc").value(171, '~', "abc");
  // A column of "=" in rows 3 to 5 aligns without markers.
  form.text(257, "ab =").text(337, "cd =").text(417, "ef =");
  // The same in rows 21 and 22, where markers have no effect.
  form.text(1697, "gh =").text(1777, "ij =").text(1716, "xy 12").value(1720, '}', "99");
  form.draw();

  const std::vector<DrawnText> expected = {
      {"Total............. ", 5, 0},  // five dots more, so that the leader reaches the value
      {"7.5", 165 + kCw - 3 * kTextChar, 0},
      {"Name ", 5, 20},
      {"abc", 55, 20},
      {"def ", 105, 20},
      {"abc", 115 - (3 * kTextChar - kCw) / 2, 40},
      {"ab =", 205 + kCw - 4 * kTextChar, 60},
      {"cd =", 205 + kCw - 4 * kTextChar, 80},
      {"ef =", 205 + kCw - 4 * kTextChar, 100},
      {"gh =", 205 + kCw - 4 * kTextChar, 420},
      {"xy 12 ", 365, 420},
      {"ij =", 205 + kCw - 4 * kTextChar, 440},
  };
  EXPECT_EQ(writtenTexts(), expected);
  for (const auto& e : entries()) {
    EXPECT_EQ(e.textColor, RGB(0, 0, 127));
    EXPECT_EQ(e.backgroundMode, platform::win::OPAQUE);
  }
  // The whole screen was painted, so nothing was stored.
  EXPECT_EQ(ScreenCells.characters[0], '\0');
}

TEST_F(ScreenTest, RunsEndBeforeTheirLastCell) {
  Form form;
  // "Hello" in its own attribute with no blank after it: its last cell is not drawn; a run of
  // one cell draws nothing.
  form.text(0, "Hello", 2).text(5, "X", 3).text(6, "  ", 0);
  form.draw(0, 80);
  EXPECT_EQ(writtenTexts(), (std::vector<DrawnText>{{"Hell", 5, 0}}));
  // A part of the screen is stored.
  EXPECT_EQ(std::string_view(ScreenCells.characters.data(), 6), "HelloX");
  EXPECT_EQ(ScreenCells.attributes[5], 3);
}

TEST_F(ScreenTest, FieldsAndShadedRows) {
  Form form;
  form.text(480, "Flow").text(490, "12.5    ", kFieldAttribute);
  form.attribute(560, 80, kShadedRowAttribute).text(562, "Notes", kShadedRowAttribute);
  form.draw(480, 160);

  const auto drawn = texts();
  ASSERT_EQ(drawn.size(), 4U);
  EXPECT_EQ(drawn[0], (DrawnText{"Flow ", 5, 120}));
  EXPECT_EQ(drawn[1], (DrawnText{"12.5    ", 105, 120}));
  EXPECT_EQ(drawn[2], (DrawnText{std::string(81, ' '), 0, 140}));
  EXPECT_EQ(drawn[3], (DrawnText{"Notes ", 25, 140}));
  const auto& list = entries();
  const auto field = std::find_if(list.begin(), list.end(), [](const auto& e) { return e.text == "12.5    "; });
  EXPECT_EQ(field->backgroundColor, RGB(0, 255, 255));
  EXPECT_EQ(field->font.charWidth, 8);  // the field font
  const auto shade = std::find_if(list.begin(), list.end(), [](const auto& e) { return e.text.size() == 81; });
  EXPECT_EQ(shade->backgroundColor, RGB(192, 192, 192));
  // The field is ruled along its top and bottom.
  EXPECT_EQ(lines(), (std::vector<std::array<int, 4>>{{105, 120, 185, 120}, {105, 140, 185, 140}}));
}

TEST_F(ScreenTest, StatusRowTakesTheCaptionColours) {
  Form form;
  form.attribute(kStatusCell, 80, kStatusAttribute).text(kStatusCell, "Ready", kStatusAttribute);
  form.text(kStatusCell + 64, "F1 Help", kStatusAttribute);
  std::copy(form.characters.begin(), form.characters.end(), ScreenCells.characters.begin());
  std::copy(form.attributes.begin(), form.attributes.end(), ScreenCells.attributes.begin());

  gdi::setSysColor(platform::win::COLOR_ACTIVECAPTION, RGB(1, 2, 3));
  gdi::setSysColor(platform::win::COLOR_CAPTIONTEXT, RGB(4, 5, 6));
  gdi::setSysColor(platform::win::COLOR_INACTIVECAPTION, RGB(7, 8, 9));
  gdi::setSysColor(platform::win::COLOR_INACTIVECAPTIONTEXT, RGB(10, 11, 12));
  struct Case {
    void (*change)();
    platform::win::COLORREF text;
    platform::win::COLORREF background;
  };
  const Case cases[] = {{PaintAllCells, RGB(255, 255, 255), RGB(0, 0, 125)},
                        {ActivateStatusLine, RGB(4, 5, 6), RGB(1, 2, 3)},
                        {DeactivateStatusLine, RGB(10, 11, 12), RGB(7, 8, 9)}};
  for (const Case& c : cases) {
    gdi::clearWindowDisplayList(window);
    c.change();
    const std::string left = "Ready" + std::string(59, ' ');
    const std::string right = "F1 Help" + std::string(8, ' ');
    EXPECT_EQ(texts(), (std::vector<DrawnText>{{std::string(81, ' '), 0, 480}, {left, 5, 480}, {right, 645, 480}}));
    for (const auto& e : entries()) {
      EXPECT_EQ(e.textColor, c.text);
      EXPECT_EQ(e.backgroundColor, c.background);
    }
  }
}

TEST_F(ScreenTest, BoxBytesAndCodePage) {
  Form form;
  form.text(0,
            "\x81"
            "ber \xC4\xC4\xC4");
  struct Case {
    const char* language;
    std::string drawn;
  };
  // Language 6 draws box-drawing bytes as text and converts nothing.
  for (const Case& c : {Case{"E",
                             "\xFC"
                             "ber "},
                        Case{"C",
                             "\x81"
                             "ber \xC4\xC4\xC4 "}}) {
    SetLanguageFromLetter(c.language);
    gdi::clearWindowDisplayList(window);
    form.draw(0, 80);
    EXPECT_EQ(writtenTexts(), (std::vector<DrawnText>{{c.drawn, 5, 0}})) << c.language;
  }
}

TEST_F(ScreenTest, BoxLinesRulesAndFieldFrames) {
  Form form;
  form.text(82, "\xDA\xC4\xC4\xBF").text(162, "\xB3  \xB3").text(242, "\xC0\xC4\xC4\xD9");
  form.text(410, "-----");
  form.attribute(640, 80, 'u').attribute(720, 80, 'v');
  form.attribute(820, 5, kFieldAttribute).attribute(870, 10, kFieldAttribute);
  form.text(1610, "---").attribute(1600, 80, kShadedRowAttribute);
  std::copy(form.characters.begin(), form.characters.end(), ScreenCells.characters.begin());
  std::copy(form.attributes.begin(), form.attributes.end(), ScreenCells.attributes.begin());
  DrawBoxLines(0, 25);

  std::vector<std::array<int, 4>> expected = {
      {30, 30, 60, 30},      // box top, from the middle of its corners
      {30, 70, 60, 70},      // box bottom
      {30, 30, 30, 70},      // box sides
      {60, 30, 60, 70},      //
      {110, 110, 150, 110},  // a line of dashes
      {5, 180, 790, 180},    // row rule over 79 cells less half a cell, as on the page
      {5, 200, 600, 200},    // row rule over 60 cells less half a cell
      {0, 400, 800, 400},    // the top of a shaded row 20, and no other line in it
      {0, 459, 800, 459},    // the bottom of row 22
  };
  auto found = lines();
  std::sort(found.begin(), found.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);

  // One frame: the field that ends the row gets none.
  std::vector<std::vector<std::array<int, 2>>> frames;
  for (const auto& e : entries()) {
    if (e.kind != gdi::EntryKind::Line || e.points.size() != 5) continue;
    auto& frame = frames.emplace_back();
    for (const POINT& p : e.points) frame.push_back({p.x, p.y});
  }
  EXPECT_EQ(
      frames,
      (std::vector<std::vector<std::array<int, 2>>>{{{203, 200}, {255, 200}, {255, 220}, {203, 220}, {203, 200}}}));
}

TEST_F(ScreenTest, BoundsOfCellsAndBuffers) {
  // Ten cells at the end of the screen: a larger count is cut, and nothing past the caller's ten
  // cells is read or stored.
  const std::vector<char> characters(10, 'x');
  const std::vector<std::int8_t> attributes(10, 1);
  DrawCellRun(characters.data(), attributes.data(), 100, 1990);
  EXPECT_EQ(std::string_view(ScreenCells.characters.data() + 1990, 10), "xxxxxxxxxx");
  gdi::clearWindowDisplayList(window);
  // Nothing for a first cell outside the screen or a count below 1.
  for (auto [first, count] : {std::pair{-1, 10}, std::pair{2000, 10}, std::pair{0, -5}, std::pair{0, 0}}) {
    DrawCellRun(characters.data(), attributes.data(), count, first);
  }
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(ScreenCells.characters[0], '\0');

  // A stretch with its leader dots is cut to 599 characters.
  HDC hdc = GetDC(window);
  const std::string longText = "a..b" + std::string(700, 'c');
  DrawLeaders(hdc, longText.data(), 0, static_cast<std::int32_t>(longText.size()));
  DrawLeaders(hdc, "a..b", 0, 4);
  ReleaseDC(window, hdc);
  const auto drawn = texts();
  ASSERT_EQ(drawn.size(), 2U);
  EXPECT_EQ(drawn[0].text, longText.substr(0, kMaxLeaderText));
  EXPECT_EQ(drawn[1].text, "a...b");  // the dot that the long text had no room for
}

TEST_F(ScreenTest, InstallDirectory) {
  const auto module = reinterpret_cast<platform::win::HMODULE>(0x4000);
  struct Case {
    const char* what;
    const char* moduleName;   // null: no module handle
    const char* environment;  // null: "KVOM" unset
    std::size_t buffer;
    std::int32_t result;
    std::string directory;
  };
  const Case cases[] = {
      {"module under XEQ", "c:\\Kvom\\Xeq\\kvomwexa.dll", "D:\\OTHER\\", 64, 0, "C:\\KVOM\\"},
      {"first XEQ counts", "C:\\A\\XEQ\\XEQ\\K.DLL", nullptr, 64, 0, "C:\\A\\"},
      {"cut to the buffer", "C:\\KVOM\\XEQ\\K.DLL", nullptr, 4, 0, "C:\\"},
      {"no XEQ: the environment", "C:\\KVOM\\BIN\\K.DLL", "D:\\Kvom\\", 64, 0, "D:\\Kvom\\"},
      {"no module: the environment", nullptr, "D:\\Kvom\\", 5, 0, "D:\\K"},
      {"neither", "C:\\KVOM\\BIN\\K.DLL", nullptr, 64, -1, "untouched"},
  };
  for (const Case& c : cases) {
    if (c.moduleName != nullptr) gdi::setModuleFileName(module, c.moduleName);
    if (c.environment != nullptr) {
      setenv("KVOM", c.environment, 1);
    } else {
      unsetenv("KVOM");
    }
    std::vector<char> buffer(c.buffer, '\0');
    std::copy_n("untouched", std::min<std::size_t>(10, c.buffer), buffer.begin());
    EXPECT_EQ(FindInstallDir(c.moduleName != nullptr ? module : nullptr, buffer), c.result) << c.what;
    EXPECT_EQ(std::string(buffer.data()), c.directory.substr(0, c.buffer - 1)) << c.what;
  }
  unsetenv("KVOM");
}

TEST_F(ScreenTest, EnvironmentWordsAndNames) {
  setenv("KVOM_SCREEN_TEST", "value-of-it", 1);
  std::array<char, 6> small{};
  EXPECT_EQ(GetEnvValue("KVOM_SCREEN_TEST", 0, small, 0), 5);
  EXPECT_EQ(std::string(small.data()), "value");
  std::array<char, 16> kept{'o', 'l', 'd'};
  EXPECT_EQ(GetEnvValue("KVOM_SCREEN_UNSET", 0, kept, 0), 3);  // left as it was
  unsetenv("KVOM_SCREEN_TEST");

  struct Case {
    std::string line;
    std::int32_t count;
    std::vector<std::string> words;
  };
  std::string many;
  std::vector<std::string> first19;
  for (int i = 1; i <= 25; ++i) {
    many += "w" + std::to_string(i) + " ";
    if (i <= 19) first19.push_back("w" + std::to_string(i));
  }
  const Case cases[] = {
      {"", 0, {}}, {"   ", 0, {}}, {"  one two  three ", 4, {"one", "two", "three"}}, {many, 20, first19}};
  for (const Case& c : cases) {
    std::int32_t count = -1;
    WordTable words{};
    SplitWords(c.line.c_str(), &count, words);
    EXPECT_EQ(count, c.count) << c.line;
    EXPECT_EQ(words[0], nullptr);
    std::vector<std::string> found;
    for (std::size_t i = 1; i < words.size() && words[i] != nullptr; ++i) found.emplace_back(words[i]);
    EXPECT_EQ(found, c.words) << c.line;
  }
}

TEST_F(ScreenTest, CaseNamesCutToTheirBuffers) {
  copyTerminated(exports::RunPathStrings.caseName, "EXCHANGER-CASE");
  copyTerminated(exports::RunPathStrings.filePrefix, "KVX");
  std::array<char, 9> caseName;
  std::array<char, 3> prefix;
  GetCaseNames(caseName, prefix);
  EXPECT_EQ(std::string(caseName.data()), "EXCHANGE");
  EXPECT_EQ(std::string(prefix.data()), "KV");
  exports::RunPathStrings = {};
}

TEST_F(ScreenTest, FailedContextsAndSelectionsDrawNothingAndLeakNothing) {
  Form form;
  form.text(0, "Total  ").text(kStatusCell, "Ready", kStatusAttribute);
  for (const char* operation : {"GetDC", "BeginPaint", "SelectObject", "TextOutA"}) {
    gdi::failOperation(operation);
    PaintAllCells();
    PaintScreen();
    DrawBoxLines(0, 25);
    PutCell('x', 1, 5);
    DrawTextAt(1, 1, "text");
    InvalidateCells(0, 10);
    gdi::failOperation(operation, 0, 0);
    EXPECT_EQ(gdi::openWindowContexts(), 0) << operation;
    EXPECT_EQ(gdi::liveObjects(), objectsBefore) << operation;
  }
  // Without a context nothing at all was drawn.
  gdi::clearWindowDisplayList(window);
  gdi::failOperation("GetDC");
  PaintAllCells();
  PutCell('x', 1, 5);
  gdi::failOperation("GetDC", 0, 0);
  EXPECT_TRUE(entries().empty());
}

TEST_F(ScreenTest, CaretBeepExitAndWord) {
  ASSERT_TRUE(CreateCaret(window, nullptr, 2, kCh));
  MoveCaretToCell(0);
  EXPECT_EQ(gdi::caret()->position.x, kMargin);
  EXPECT_EQ(gdi::caret()->position.y, kCh);
  MoveCaretToCell(2000);  // no such cell: the caret stays
  MoveCaretToCell(163);
  EXPECT_EQ(gdi::caret()->position.x, 35);
  EXPECT_EQ(gdi::caret()->position.y, 60);
  DestroyCaret();

  SoundBeep();
  EXPECT_EQ(gdi::beeps(), std::vector<platform::win::UINT>{0});

  standins::windows::catchExits(true);
  ExitProgram();
  EXPECT_EQ(standins::windows::exitRequests(), std::vector<int>{0});

  EXPECT_EQ(GetScreenWord(), 0);
  EXPECT_EQ(SetScreenWord(42), 42);
  EXPECT_EQ(GetScreenWord(), 42);
  SetScreenWord(0);
  EXPECT_EQ(ReportCommandHook(), 0);
}

TEST_F(ScreenTest, WholeScreenOperations) {
  Form form;
  form.text(0, "Form text").text(kStatusCell, "status", 1);
  ScreenCells.characters[kStatusCell] = 'S';
  ScreenCells.attributes[kStatusCell] = 6;
  // Loading a form keeps the status row.
  LoadScreen(form.characters.data(), form.attributes.data());
  EXPECT_EQ(std::string_view(ScreenCells.characters.data(), 9), "Form text");
  EXPECT_EQ(ScreenCells.characters[kStatusCell], 'S');
  EXPECT_EQ(ScreenCells.attributes[kStatusCell], 6);
  EXPECT_FALSE(writtenTexts().empty());

  gdi::clearWindowDisplayList(window);
  PaintScreen();
  EXPECT_EQ(gdi::paintCount(window), 1);
  EXPECT_EQ(writtenTexts().front(), (DrawnText{"Form text ", 5, 0}));

  PutCell('\x81', kFieldAttribute, 85);
  EXPECT_EQ(ScreenCells.characters[85], '\x81');
  EXPECT_EQ(ScreenCells.attributes[85], kFieldAttribute);
  EXPECT_EQ(writtenTexts().back(), (DrawnText{"\xFC", 55, 20}));

  DrawTextAt(3, 4, "free text");
  EXPECT_EQ(writtenTexts().back(), (DrawnText{"free text", 3, 4}));

  InvalidateCells(81, 2);
  EXPECT_EQ(gdi::paintCount(window), 2);
  EXPECT_FALSE(gdi::invalidRect(window).has_value());
}

// Reading the language setting applies no language: a Chinese setting read leaves the report
// language number, so a cell is still converted from the OEM code page.
TEST_F(ScreenTest, ReadingTheLanguageKeepsTheCodePageConversion) {
  test::ScratchDirectory scratch;
  scratch.write("REVURUDE.INI", "[Setting]\r\nLanguage=CHINESE\r\n");
  standins::windows::setWindowsDirectory(test::windowsDir(scratch.path()));
  std::array<char, 3> code{};
  GET_LANGUAGE(code.data(), 3);
  EXPECT_EQ(std::string(code.data(), 3), "CHI");
  PutCell('\x81', kFieldAttribute, 85);
  EXPECT_EQ(writtenTexts().back(), (DrawnText{"\xFC", 55, 20}));
}

TEST_F(ScreenTest, PicturesInTheirCells) {
  PageLayout.PagePictureFlag = 0;
  struct Case {
    const char* what;
    std::int32_t firstCell;
    std::int32_t lastCell;
    platform::win::RECT rect;
  };
  const Case cases[] = {
      {"from the first cell's point to the last cell's", 85, 250, {55, 20, 105, 60}},
      {"whole rows span the window", 160, 399, {0, 40, kWidth, 100}},
  };
  for (const Case& c : cases) {
    loadPlot(c.firstCell, c.lastCell);
    DrawScreenPictures();
    // The plot keeps its aspect: it fills the rectangle on one axis and is centred on the other.
    const platform::win::RECT f = PictureTable.slots[0].plot.FittedPlotRect;
    const bool fillsWidth = f.left == c.rect.left && f.right == c.rect.right;
    const bool fillsHeight = f.top == c.rect.top && f.bottom == c.rect.bottom;
    EXPECT_TRUE(fillsWidth || fillsHeight) << c.what;
    EXPECT_LE(std::abs((f.left - c.rect.left) - (c.rect.right - f.right)), 1) << c.what;
    EXPECT_LE(std::abs((f.top - c.rect.top) - (c.rect.bottom - f.bottom)), 1) << c.what;
    freePictures();
  }

  // Pictures in "<" brackets lie under the text, the others over it.
  Form form;
  form.text(0, "Text  ");
  std::copy(form.characters.begin(), form.characters.end(), ScreenCells.characters.begin());
  for (const std::int32_t bracket : {1, 0}) {
    loadPlot(0, 399);
    PictureBracketFlag = bracket;
    gdi::clearWindowDisplayList(window);
    RedrawScreen();
    const auto& list = entries();
    const auto index = [&](gdi::EntryKind kind) {
      return std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.kind == kind; }) - list.begin();
    };
    // The plot's area is cleared with a rectangle before it is drawn.
    EXPECT_EQ(index(gdi::EntryKind::Rectangle) < index(gdi::EntryKind::Text), bracket == 1) << bracket;
    freePictures();
  }
}

// A filled form painted into an 80 x 25 cell window and written as a PNG for people to look at.
TEST_F(ScreenTest, FormPicture) {
  HWND formWindow = gdi::createWindow(960, 525);
  // Fonts as tall as a cell; the field font as wide as one, as the host program makes them.
  HFONT text = CreateFontA(21, 0, 0, 0, platform::win::FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  HFONT field = CreateFontA(21, 12, 0, 0, platform::win::FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Courier New");
  SetScreenWindow(formWindow);
  SetScreenMetrics({field, text, 960, 525});
  ReadCaptionColors(1);

  Form form;
  const auto row = [](int r, int column = 0) { return r * 80 + column; };
  const auto right = [&](int r, int lastColumn, std::string_view v) {
    form.text(row(r, lastColumn) - static_cast<int>(v.size()) + 1, v).value(row(r, lastColumn), '}', v);
  };
  const std::string rule(56, '\xC4');
  form.attribute(row(0), 80, 2).text(row(0), " HEAT EXCHANGER RATING", 2).text(row(0, 58), "Case DEMO-1", 2);
  form.text(row(1, 1), "\xDA" + rule + "\xBF");
  const char* labels[] = {"Hot side inlet temperature", "Hot side outlet temperature",
                          "Cold side flow rate",        "Heat duty",
                          "Overall coefficient",        "Pressure drop, tube side"};
  const char* values[] = {"120.0", "85.5", "12.75", "1234.5", "456.0", "0.35"};
  const char* units[] = {"C", "C", "kg/s", "kW", "W/m2K", "bar"};
  for (int i = 0; i < 6; ++i) {
    const int r = 2 + i;
    form.text(row(r, 1), "\xB3 " + std::string(labels[i]) + " " + std::string(35 - std::strlen(labels[i]), '.'));
    right(r, 44, values[i]);
    form.text(row(r, 46), units[i]).text(row(r, 58), "\xB3");
  }
  form.text(row(8, 1), "\xC3" + rule + "\xB4");
  form.text(row(9, 1), "\xB3 Shell type").text(row(9, 24), "BEM").value(row(9, 24), '{', "BEM");
  form.text(row(10, 1), "\xB3 Flow arrangement").text(row(10, 24), "counter-current");
  form.value(row(10, 31), '~', "counter-current");
  form.text(row(11, 1), "\xB3 Tube material").text(row(11, 24), "Carbon steel").value(row(11, 24), '{', "Carbon steel");
  for (int r = 9; r <= 11; ++r) form.text(row(r, 58), "\xB3");
  form.text(row(12, 1), "\xC0" + rule + "\xD9");

  form.text(row(14, 2), "Number of tube passes").text(row(14, 26), "   2   ", kFieldAttribute);
  form.text(row(15, 2), "Fouling resistance").text(row(15, 26), " 0.00018 ", kFieldAttribute);
  form.text(row(16, 2), "Q  = U A dT").text(row(17, 2), "dT = 35.2 K").text(row(18, 2), "A  = 76.9 m2");
  form.text(row(16, 44), "|------------------------------|");
  form.text(row(17, 44), "| Area margin").text(row(17, 67), "+12 %").text(row(17, 75), "|");
  form.text(row(18, 44), "|------------------------------|");
  form.attribute(row(20), 80, kShadedRowAttribute).text(row(20, 1), "Messages", kShadedRowAttribute);
  form.attribute(row(21), 80, 4).text(row(21, 2), "Warning: tube side velocity below 1 m/s", 4);
  form.attribute(row(22), 80, 3).text(row(22, 2), "Note: fouling taken from the databank", 3);
  form.attribute(row(23), 80, kRuleToEndAttribute).text(row(23, 2), "F2 Save    F3 Print    F10 Quit", 'u');
  form.attribute(row(24), 80, kStatusAttribute).text(row(24), " Ready", kStatusAttribute);
  form.text(row(24, 64), "F1 Help", kStatusAttribute);
  std::copy_n(form.characters.begin() + kStatusCell, 80, ScreenCells.characters.begin() + kStatusCell);
  std::copy_n(form.attributes.begin() + kStatusCell, 80, ScreenCells.attributes.begin() + kStatusCell);

  // The plot covers rows 1 to 12 right of the box.
  PageLayout.PagePictureFlag = 0;
  loadPlot(row(1, 61), row(12, 78));
  LoadScreen(form.characters.data(), form.attributes.data());
  freePictures();
  const std::filesystem::path dir = KVOM_PICTURE_DIR;
  std::filesystem::create_directories(dir);
  EXPECT_TRUE(gdi::writeWindowPng(formWindow, (dir / "screen_form.png").string()));

  SetScreenWindow(window);
  SetScreenMetrics({fieldFont, textFont, kWidth, kHeight});
  EXPECT_TRUE(DeleteObject(text));
  EXPECT_TRUE(DeleteObject(field));
  gdi::destroyWindow(formWindow);
}

}  // namespace
}  // namespace kvom::report
