#include "report/page_drawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/gdi.h"
#include "platform/windows/metafile.h"
#include "platform/windows/window.h"
#include "report/page_layout.h"
#include "report/pictures.h"
#include "report/settings.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/gdi/window_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/picture_fixture.h"

namespace kvom::report {
namespace {

namespace gdi = standins::gdi;
using platform::win::HDC;
using platform::win::HFONT;
using platform::win::POINT;
using platform::win::RECT;
using platform::win::SIZE;

// A page of 1000 x 1400 pixels; cells of 10 x 20 in MM_TEXT, so page points are pixels. The
// page fonts are Arial of height 16: 7 pixels a character by the measure model.
constexpr int kPageWidth = 1000;
constexpr int kPageHeight = 1400;
constexpr CellSize kCell{10, 20};
constexpr int kChar = 7;

HFONT makeFont(int weight) {
  return CreateFontA(16, 0, 0, 0, weight, 0, 0, 0, platform::win::ANSI_CHARSET, 0, 0, 0, 0, "Arial");
}

struct Drawn {
  std::string text;
  int x;
  int y;
  bool operator==(const Drawn&) const = default;
};
void PrintTo(const Drawn& d, std::ostream* out) { *out << '"' << d.text << "\" at " << d.x << "," << d.y; }

struct Segment {
  POINT from;
  POINT to;
  bool operator==(const Segment& o) const {
    return from.x == o.from.x && from.y == o.from.y && to.x == o.to.x && to.y == o.to.y;
  }
};
void PrintTo(const Segment& s, std::ostream* out) {
  *out << "(" << s.from.x << "," << s.from.y << ")-(" << s.to.x << "," << s.to.y << ")";
}

class PageDrawingTest : public test::PictureFixture {
 protected:
  void SetUp() override {
    PictureFixture::SetUp();
    PageLayout = {};
    SetLanguageFromLetter("E");
    ClearPrintPage();
    PageLayout.titleFont = makeFont(900);
    PageLayout.boldFont = makeFont(800);
    PageLayout.normalFont = makeFont(400);
    dc = gdi::createPageContext(kPageWidth, kPageHeight, 100);
    ownPen = GetCurrentObject(dc, platform::win::OBJ_PEN);
    ownFont = GetCurrentObject(dc, platform::win::OBJ_FONT);
    objectsBefore = gdi::liveObjects();
  }
  void TearDown() override {
    // Every routine leaves the context's own pen and font selected and frees what it made.
    EXPECT_EQ(GetCurrentObject(dc, platform::win::OBJ_PEN), ownPen);
    EXPECT_EQ(GetCurrentObject(dc, platform::win::OBJ_FONT), ownFont);
    EXPECT_EQ(gdi::liveObjects(), objectsBefore);
    DeleteDC(dc);
    for (HFONT* font : {&PageLayout.titleFont, &PageLayout.boldFont, &PageLayout.normalFont}) {
      if (*font != nullptr) {
        EXPECT_TRUE(DeleteObject(*font));
      }
      *font = nullptr;
    }
    PageLayout = {};
    ClearPrintPage();
    PictureFixture::TearDown();
  }

  // Writes text into a row from a column on; the row type into column 80; markers by column.
  static void row(int r, int column, std::string_view text, char type = ' ', std::string_view markers = {}) {
    std::copy(text.begin(), text.end(), PrintPage.text.begin() + r * 80 + column);
    PrintPage.text[r * 80 + 79] = type;
    PrintPage.markers[r * 80 + 79] = type;
    for (std::size_t i = 0; i < markers.size(); ++i) {
      if (markers[i] != ' ') PrintPage.markers[r * 80 + column + i] = markers[i];
    }
  }

  std::vector<Drawn> texts() const {
    std::vector<Drawn> out;
    for (const auto& e : gdi::displayList(dc)) {
      if (e.kind == gdi::EntryKind::Text) out.push_back({e.text, e.points[0].x, e.points[0].y});
    }
    return out;
  }
  std::vector<Segment> lines() const {
    std::vector<Segment> out;
    for (const auto& e : gdi::displayList(dc)) {
      if (e.kind == gdi::EntryKind::Line) out.push_back({e.points.front(), e.points.back()});
    }
    return out;
  }

  HDC dc = nullptr;
  platform::win::HGDIOBJ ownPen = nullptr;
  platform::win::HGDIOBJ ownFont = nullptr;
  int objectsBefore = 0;
};

// Rows of a page and what the text drawing writes for them, in order.
struct TextCase {
  const char* name;
  std::string_view text;
  std::string_view markers;
  std::vector<Drawn> expected;
};

class PageTextTest : public PageDrawingTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(PageTextTest, DrawsRunsAndAlignedValues) {
  const TextCase& c = GetParam();
  row(1, 0, c.text, ' ', c.markers);
  DrawPageBody(dc, 3, kCell);
  EXPECT_EQ(texts(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, PageTextTest,
                         ::testing::Values(
                             // The run before the value is drawn up to the value's first cell, its leader stretched to
                             // reach there (5 dots more: 13 cells from 91 pixels of text); 12.5 ends on the right edge
                             // of the marker cell (column 18, 170 + 10 - 4 * 7).
                             TextCase{"RightAligned",
                                      "Total ....... 12.5",
                                      "                 }",
                                      {{"Total ............ ", 0, 20}, {"12.5", 152, 20}}},
                             // A leader without markers: 4 more dots bring the blank after it to its own cell (110).
                             TextCase{"LeaderOnly", "Name ...... 12", "", {{"Name .......... 12 ", 0, 20}}},
                             // A left-aligned value ends at the double blank; the rest is a run of its own.
                             TextCase{"LeftAligned", "  ABC  DEF", "  {", {{"ABC", 20, 20}, {"DEF ", 70, 20}}},
                             // A centred value: its middle on the middle of the marker cell (30 + 5 - 21 / 2).
                             TextCase{"Centred", "  XYZ", "   ~", {{"XYZ", 25, 20}}},
                             // Box characters are no text; OEM letters are drawn in the ANSI code page.
                             TextCase{"BoxAndOem", "\xB3 Gr\x81n \xB3", "", {{"Gr\xFCn ", 20, 20}}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageDrawingTest, EqualSignsInAColumnAlignWithoutMarkers) {
  row(0, 0, "  Area = 12");
  row(1, 0, "  L    = 3");
  DrawPageText(dc, 2, kCell);
  // Each "=" ends on the right edge of its own cell (column 8, x 70 + 10).
  int aligned = 0;
  for (const Drawn& d : texts()) {
    if (!d.text.empty() && d.text.back() == '=') {
      EXPECT_EQ(d.x + static_cast<int>(d.text.size()) * kChar, 80) << d.text;
      ++aligned;
    }
  }
  EXPECT_EQ(aligned, 2);
}

TEST_F(PageDrawingTest, ValuesAreMeasuredOnTheMeasuringContextInThePageFont) {
  // A page font twice the size (14 pixels a character); the measuring context's own font is the
  // system font of 7.
  DeleteObject(PageLayout.normalFont);
  PageLayout.normalFont = CreateFontA(32, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  PageLayout.measuringContext = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(GetPreviewDC(), nullptr);
  row(0, 0, "  12.5", ' ', "     }");
  struct Case {
    int failures;  // measures that fail: the target's first, then the measuring context's
    int x;
  };
  // Right edge at 60: measured 4 x 14, or 4 cells of 10 when nothing can measure.
  for (const Case& c : {Case{0, 4}, Case{1, 4}, Case{2, 20}}) {
    gdi::clearDisplayList(dc);
    if (c.failures > 0) gdi::failOperation("GetTextExtentPoint32A", 0, c.failures);
    DrawPageBody(dc, 1, kCell);
    EXPECT_EQ(texts(), (std::vector<Drawn>{{"12.5", c.x, 0}})) << c.failures;
  }
  EXPECT_EQ(GetCurrentObject(PageLayout.measuringContext, platform::win::OBJ_FONT),
            GetStockObject(platform::win::SYSTEM_FONT));
  DeleteDC(PageLayout.measuringContext);
  PageLayout.measuringContext = nullptr;
}

TEST_F(PageDrawingTest, RowTypesChooseTheFonts) {
  row(0, 0, "Title", 'T');
  row(1, 0, "Plain", ' ');
  row(2, 0, "Heading", 'H');
  row(3, 0, "Rule", 'u');
  DrawPageText(dc, 4, kCell);
  std::vector<int> weights;
  for (const auto& e : gdi::displayList(dc)) {
    if (e.kind == gdi::EntryKind::Text) weights.push_back(e.font.description.lfWeight);
  }
  EXPECT_EQ(weights, (std::vector<int>{900, 400, 800, 400}));
}

// Calls of the graphics log that start with the words.
int loggedCalls(std::string_view start, std::string_view end = {}) {
  return static_cast<int>(std::count_if(gdi::callLog().begin(), gdi::callLog().end(), [&](const std::string& entry) {
    return entry.starts_with(start) && entry.ends_with(end);
  }));
}

TEST_F(PageDrawingTest, APageSelectsEachFontChangeMeasuresTheDotOncePerFontAndConvertsOnce) {
  row(0, 0, "Title", 'T');
  for (int r = 1; r <= 8; ++r) row(r, 0, "Item ...... 12   Gr\x81n", r <= 4 ? ' ' : 'H');
  gdi::clearCallLog();
  standins::windows::clearCallLog();
  DrawPageText(dc, 9, kCell);

  // The title font, the normal font for rows 1 to 4, the bold one for 5 to 8, and the context's own
  // font again at the end.
  EXPECT_EQ(loggedCalls("SelectObject"), 4);
  EXPECT_EQ(loggedCalls("GetTextExtentPoint32A", " ...."), 2);
  const auto& log = standins::windows::callLog();
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& e) { return e.starts_with("OemToCharBuffA"); }),
            1);
  EXPECT_TRUE(texts().back().text.starts_with("Gr\xFCn"));
}

TEST_F(PageDrawingTest, FixedFontModeWritesWholeRowsUnconverted) {
  PageLayout.fontMode = kFontModeFixed;
  row(0, 0, "AB\xC4\xC4\x81 = 1", ' ', "   }");
  DrawPageText(dc, 1, kCell);
  std::string expected(80, ' ');
  expected.replace(0, 9, "AB  \x81 = 1");
  EXPECT_EQ(texts(), (std::vector<Drawn>{{expected, 0, 0}}));
}

TEST_F(PageDrawingTest, LanguageSixDrawsBoxBytesAsText) {
  SetLanguageFromLetter("C");
  row(0, 0, "\xB3 Gr\x81n \xB3");
  DrawPageBody(dc, 1, kCell);
  SetLanguageFromLetter("E");
  EXPECT_EQ(texts(), (std::vector<Drawn>{{"\xB3 Gr\x81n \xB3 ", 0, 0}}));
  EXPECT_TRUE(lines().empty());
}

TEST_F(PageDrawingTest, NothingForNoRowsOrNoCells) {
  row(0, 0, "Text \xC4\xC4\xC4", 'u');
  DrawPageBody(dc, -1, kCell);
  DrawPageBody(dc, 0, kCell);
  DrawPageBody(dc, 1, CellSize{0, 20});
  DrawPageLeaders(dc, PrintPage.text, 0, 5, CellSize{0, 0});
  DrawPageLeaders(dc, PrintPage.text, 0, 0, kCell);
  DrawPageLeaders(dc, PrintPage.text, -3, 5, kCell);
  EXPECT_TRUE(gdi::displayList(dc).empty());
}

TEST_F(PageDrawingTest, LeadersStretchWithinTheirBuffer) {
  struct Case {
    std::string text;
    CellSize cell;
    std::string expected;
  };
  const std::vector<Case> cases = {
      // Cells as narrow as the characters leave no room for more dots.
      {"Name ...... 12", {kChar, 20}, "Name ...... 12"},
      // A leader that reaches the end of the run ends there: 2 more dots reach its end (50).
      {"Ab...", kCell, "Ab" + std::string(5, '.')},
      // Wide cells ask for thousands of dots; the line holds 599 characters.
      {"X.." + std::string(60, ' ') + "1", {10000, 20}, "X" + std::string(537, '.') + std::string(60, ' ') + "1"},
  };
  for (const Case& c : cases) {
    gdi::clearDisplayList(dc);
    DrawPageLeaders(dc, c.text, 0, static_cast<std::int32_t>(c.text.size()), c.cell);
    ASSERT_EQ(texts().size(), 1u) << c.text;
    EXPECT_EQ(texts()[0].text, c.expected) << c.text;
  }
}

TEST_F(PageDrawingTest, BoxCharactersBecomeLines) {
  row(0, 0, "", 'u');
  row(1, 2, "\xDA\xC4\xC4\xC4\xBF", 'v');
  row(2, 2, "\xB3   \xB3");
  row(3, 2, "\xC0\xC4\xC4\xC4\xD9   \xB3");
  // A rule that reaches the row-type column is not drawn; one that stops short of it is.
  row(2, 70, "---------", '-');
  row(3, 70, "--------");
  // Row 4 is below the drawn rows: blanked, so the line in column 10 closes there.
  row(4, 10, "\xB3");
  DrawPageBody(dc, 4, kCell);
  const std::vector<Segment> expected = {
      {{0, 20}, {785, 20}},    // rule of row 0 over 79 cells less half a cell
      {{0, 40}, {595, 40}},    // rule of row 1 over 60 cells
      {{25, 30}, {65, 30}},    // top of the box, inset half a cell at its corners
      {{25, 70}, {65, 70}},    // bottom
      {{705, 70}, {775, 70}},  // the dashes of row 3, inset at both ends
      {{25, 30}, {25, 70}},    // left side
      {{65, 30}, {65, 70}},    // right side
      {{105, 60}, {105, 80}},  // column 10: row 3 closed by the blank row 4
  };
  EXPECT_EQ(lines(), expected);
  EXPECT_EQ(std::string_view(PrintPage.text.data() + 320, 80), std::string(80, ' '));
}

// Sheet positions of 1, 2 and 4 pages per sheet and where the page goes on a 1000 x 1400 sheet.
struct SheetCase {
  int pagesPerSheet;
  int position;
  POINT origin;
  SIZE extent;
  RECT picture;  // cells (10, 2) to (50, 10) on that page
};

class SheetPositionTest : public PageDrawingTest, public ::testing::WithParamInterface<SheetCase> {};

TEST_P(SheetPositionTest, MapsPageAndPictureOntoTheSheet) {
  const SheetCase& c = GetParam();
  PageLayout.pagesPerSheet = c.pagesPerSheet;
  MapPageOnSheet(nullptr, dc, kCell, c.position);
  EXPECT_EQ(GetMapMode(dc), platform::win::MM_ANISOTROPIC);
  POINT origin{};
  SIZE extent{};
  GetViewportOrgEx(dc, &origin);
  GetViewportExtEx(dc, &extent);
  EXPECT_EQ(origin.x, c.origin.x);
  EXPECT_EQ(origin.y, c.origin.y);
  EXPECT_EQ(extent.cx, c.extent.cx);
  EXPECT_EQ(extent.cy, c.extent.cy);
  // A page shared with others holds 10 more columns and 6 more rows, the room its cell origin
  // moves it by and as much again on the far side.
  GetWindowExtEx(dc, &extent);
  EXPECT_EQ(extent.cx, c.pagesPerSheet == 1 ? 800 : 900);
  EXPECT_EQ(extent.cy, c.pagesPerSheet == 1 ? 1240 : 1360);

  // A placeable metafile whose bounding box is its one line: the line shows the rectangle.
  SetMapMode(dc, platform::win::MM_TEXT);
  PictureSlot& slot = PictureTable.slots[0];
  slot.kind = kPicturePlaceable;
  slot.metafile = lineMetafile();
  slot.placeableHeader = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 10, 0, 20, 0, 110, 0, 70, 0};
  slot.firstCell = 2 * 80 + 10;
  slot.lastCell = 10 * 80 + 50;
  PictureTable.count = 1;
  DrawPagePictures(0, nullptr, dc, kCell, c.position);
  const std::vector<Segment> drawn = lines();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0], (Segment{{c.picture.left, c.picture.top}, {c.picture.right, c.picture.bottom}}));
  EXPECT_EQ(PageLayout.PagePictureFlag, 0);
  FreeAllPictures();
}

INSTANTIATE_TEST_SUITE_P(Positions, SheetPositionTest,
                         ::testing::Values(SheetCase{1, 1, {0, 0}, {1000, 1400}, {125, 45, 625, 225}},
                                           SheetCase{2, 1, {0, 0}, {500, 1400}, {55, 41, 277, 205}},
                                           SheetCase{2, 2, {500, 0}, {500, 1400}, {555, 41, 777, 205}},
                                           SheetCase{2, 3, {0, 0}, {500, 1400}, {55, 41, 277, 205}},
                                           SheetCase{4, 1, {0, 0}, {500, 700}, {55, 20, 277, 102}},
                                           SheetCase{4, 2, {500, 0}, {500, 700}, {555, 20, 777, 102}},
                                           SheetCase{4, 3, {0, 700}, {500, 700}, {55, 720, 277, 802}},
                                           SheetCase{4, 4, {500, 700}, {500, 700}, {555, 720, 777, 802}},
                                           SheetCase{4, 5, {0, 0}, {500, 700}, {55, 20, 277, 102}}),
                         [](const auto& info) {
                           return std::to_string(info.param.pagesPerSheet) + "PerSheetPosition" +
                                  std::to_string(info.param.position);
                         });

TEST_F(PageDrawingTest, PreviewWindowAndMetafilePageAreas) {
  const platform::win::HWND window = gdi::createWindow(640, 480);
  PageLayout.deviceMode = kDevicePreview;
  SIZE area = GetDeviceArea(window, dc);
  EXPECT_EQ(area.cx, 640);
  EXPECT_EQ(area.cy, 480);
  PageLayout.deviceMode = kDeviceMetafile;
  area = GetDeviceArea(window, dc);
  EXPECT_EQ(area.cx, 4320);
  EXPECT_EQ(area.cy, 5750);
  // The metafile page keeps its own mapping.
  MapPageOnSheet(window, dc, kCell, 1);
  EXPECT_EQ(GetMapMode(dc), platform::win::MM_TEXT);
  gdi::destroyWindow(window);
}

TEST_F(PageDrawingTest, SheetFramesOfTwoAndFourPages) {
  DrawSheetFrame(nullptr, dc, 1);
  EXPECT_TRUE(gdi::displayList(dc).empty());

  // u = 1000 / 160; v = 1400 / 62 (two pages) or 1400 / 124 (four). The right edge lies at
  // 166 u, past the sheet.
  DrawSheetFrame(nullptr, dc, 2);
  DrawSheetFrame(nullptr, dc, 4);
  std::vector<std::vector<int>> shapes;
  for (const auto& e : gdi::displayList(dc)) {
    std::vector<int> shape{static_cast<int>(e.kind)};
    for (const POINT& p : e.points) shape.insert(shape.end(), {p.x, p.y});
    shapes.push_back(shape);
  }
  const int rect = static_cast<int>(gdi::EntryKind::Rectangle);
  const int line = static_cast<int>(gdi::EntryKind::Line);
  EXPECT_EQ(shapes, (std::vector<std::vector<int>>{{rect, 18, 45, 1037, 1377},
                                                   {line, 500, 45, 500, 1377},
                                                   {rect, 31, 22, 1037, 1377},
                                                   {line, 500, 22, 500, 1377},
                                                   {line, 31, 700, 1037, 700}}));
}

TEST_F(PageDrawingTest, PrintFontsGiveTheCellSize) {
  struct Case {
    int pagesPerSheet;
    int fontMode;
    CellSize expected;
  };
  // The normal font of height 100 in Arial: 44 wide by the measure model.
  const std::vector<Case> cases = {{1, kFontModeProportional, {48, 110}},
                                   {2, kFontModeFixed, {39, 100}},
                                   {4, kFontModeProportional, {44, 100}},
                                   {4, kFontModeFixed, {39, 100}}};
  for (const Case& c : cases) {
    PageLayout.pagesPerSheet = c.pagesPerSheet;
    PageLayout.fontMode = c.fontMode;
    const CellSize size = CreatePrintFonts(dc);
    EXPECT_EQ(size.width, c.expected.width) << c.pagesPerSheet << " " << c.fontMode;
    EXPECT_EQ(size.height, c.expected.height) << c.pagesPerSheet << " " << c.fontMode;
  }
  platform::win::LOGFONTA title{};
  GetObjectA(PageLayout.titleFont, sizeof title, &title);
  EXPECT_EQ(title.lfHeight, 105);
  EXPECT_EQ(title.lfWeight, 800);
  EXPECT_EQ(title.lfQuality, platform::win::PROOF_QUALITY);
  EXPECT_STREQ(title.lfFaceName, "Arial");
  // Each call replaced the three fonts of the one before; only the last three are alive.
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Font), 3);
}

TEST_F(PageDrawingTest, MetafilePageRecordsTheTextAtItsPagePoints) {
  PageLayout.deviceMode = kDeviceMetafile;
  PageLayout.columnOffset = 2;
  row(0, 0, "Caption");
  const HDC recorder = CreateMetaFileA(nullptr);
  ASSERT_NE(recorder, nullptr);
  MapPageOnSheet(nullptr, recorder, kCell, 1);
  DrawPageBody(recorder, 1, kCell);
  const platform::win::HMETAFILE metafile = CloseMetaFile(recorder);
  ASSERT_NE(metafile, nullptr);
  PlayMetaFile(dc, metafile);
  DeleteMetaFile(metafile);
  EXPECT_EQ(texts(), (std::vector<Drawn>{{"Caption ", 20, 0}}));
}

}  // namespace
}  // namespace kvom::report
