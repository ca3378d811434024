// The graphics stand-in: mapping, object selection and saved states, the object table, the text
// measure model, clipping, display lists and injected failures.

#include "standins/gdi/gdi_standin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/windows/gdi.h"
#include "standins/host/host_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

using namespace platform::win;
namespace gdi = standins::gdi;

namespace {

class GdiStandinTest : public ::testing::Test {
 protected:
  void SetUp() override { kvom::test::resetStandins(); }
  void TearDown() override { kvom::test::resetStandins(); }
  // A page of 3000 x 2000 pixels at 300 per inch.
  HDC page() { return gdi::createPageContext(3000, 2000, 300); }
};

POINT toDevice(HDC hdc, POINT p) {
  LPtoDP(hdc, &p, 1);
  return p;
}

bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }

TEST_F(GdiStandinTest, FixedMappingModesScaleByTheDeviceResolutionWithYUp) {
  struct Case {
    int mode;
    POINT logical;
    POINT device;
  };
  const Case cases[] = {
      {MM_TEXT, {100, 50}, {100, 50}},          {MM_LOMETRIC, {254, 127}, {300, -150}},
      {MM_LOMETRIC, {100, 0}, {118, 0}},        {MM_HIMETRIC, {2540, -1270}, {300, 150}},
      {MM_LOENGLISH, {100, 50}, {300, -150}},   {MM_HIENGLISH, {1000, 500}, {300, -150}},
      {MM_TWIPS, {1440, 720}, {300, -150}},     {MM_TWIPS, {1, 1}, {0, 0}},
      {MM_LOENGLISH, {-100, -50}, {-300, 150}},
  };
  HDC hdc = page();
  for (const Case& c : cases) {
    SetMapMode(hdc, c.mode);
    const POINT d = toDevice(hdc, c.logical);
    EXPECT_TRUE(d == c.device) << "mode " << c.mode << " (" << c.logical.x << "," << c.logical.y << ") gave (" << d.x
                               << "," << d.y << ")";
  }
}

TEST_F(GdiStandinTest, AnisotropicMappingUsesOriginsAndExtentsAndRoundsHalvesAway) {
  HDC hdc = page();
  EXPECT_EQ(SetMapMode(hdc, MM_ANISOTROPIC), MM_TEXT);
  SetWindowOrgEx(hdc, 10, 10, nullptr);
  SetWindowExtEx(hdc, 100, 200, nullptr);
  SetViewportOrgEx(hdc, 5, 5, nullptr);
  SetViewportExtEx(hdc, 50, -100, nullptr);
  EXPECT_TRUE(toDevice(hdc, {110, 210}) == (POINT{55, -95}));
  EXPECT_TRUE(toDevice(hdc, {11, 11}) == (POINT{6, 4}));  // 0.5 and -0.5 round away from zero
  POINT back{55, -95};
  DPtoLP(hdc, &back, 1);
  EXPECT_TRUE(back == (POINT{110, 210}));

  // Back to the text mode: one unit per pixel again, the origins stay.
  SetMapMode(hdc, MM_TEXT);
  EXPECT_TRUE(toDevice(hdc, {110, 210}) == (POINT{105, 205}));
  // Extents count only in the two scalable modes.
  EXPECT_TRUE(SetWindowExtEx(hdc, 7, 7, nullptr));
  SIZE extent{};
  GetWindowExtEx(hdc, &extent);
  EXPECT_EQ(extent.cx, 1);
}

TEST_F(GdiStandinTest, IsotropicMappingShrinksTheViewportOnTheAxisWithLargerUnits) {
  struct Case {
    SIZE window;
    SIZE viewport;
    SIZE adjusted;
  };
  const Case cases[] = {
      {{1000, 500}, {400, 400}, {400, 200}},    // y units would be twice as large: y shrinks
      {{1000, 500}, {400, -400}, {400, -200}},  // a flipped axis keeps its sign
      {{500, 1000}, {400, 400}, {200, 400}},    // x shrinks
      {{1000, 1000}, {300, 300}, {300, 300}},   // already equal
      {{10000, 6000}, {320, 320}, {320, 192}},
  };
  for (const Case& c : cases) {
    HDC hdc = page();
    SetMapMode(hdc, MM_ISOTROPIC);
    SetWindowExtEx(hdc, c.window.cx, c.window.cy, nullptr);
    SetViewportExtEx(hdc, c.viewport.cx, c.viewport.cy, nullptr);
    SIZE got{};
    GetViewportExtEx(hdc, &got);
    EXPECT_EQ(got.cx, c.adjusted.cx) << c.window.cx << "x" << c.window.cy;
    EXPECT_EQ(got.cy, c.adjusted.cy) << c.window.cx << "x" << c.window.cy;
    DeleteDC(hdc);
  }
  // A zero extent is refused and changes nothing.
  HDC hdc = page();
  SetMapMode(hdc, MM_ANISOTROPIC);
  EXPECT_FALSE(SetWindowExtEx(hdc, 0, 10, nullptr));
  EXPECT_FALSE(SetMapMode(hdc, 99));
  EXPECT_EQ(GetMapMode(hdc), MM_ANISOTROPIC);
}

TEST_F(GdiStandinTest, SelectReturnsThePreviousObjectAndRestoreBringsBackTheSavedState) {
  HDC hdc = page();
  HPEN red = CreatePen(PS_SOLID, 2, RGB(255, 0, 0));
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  HFONT arial = CreateFontA(100, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  EXPECT_EQ(SelectObject(hdc, red), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(hdc, blue), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(hdc, arial), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(SelectObject(hdc, red), red);

  const int level = SaveDC(hdc);
  EXPECT_EQ(level, 1);
  SelectObject(hdc, GetStockObject(NULL_PEN));
  SetMapMode(hdc, MM_LOMETRIC);
  SetTextColor(hdc, RGB(1, 2, 3));
  SetBkMode(hdc, TRANSPARENT);
  SetTextAlign(hdc, TA_RIGHT | TA_BASELINE);
  IntersectClipRect(hdc, 0, 0, 100, -100);
  MoveToEx(hdc, 7, 8, nullptr);
  EXPECT_EQ(SaveDC(hdc), 2);
  SelectObject(hdc, GetStockObject(WHITE_PEN));

  EXPECT_FALSE(RestoreDC(hdc, 3));  // no such level
  EXPECT_TRUE(RestoreDC(hdc, level));
  EXPECT_EQ(GetCurrentObject(hdc, OBJ_PEN), red);
  EXPECT_EQ(GetCurrentObject(hdc, OBJ_BRUSH), blue);
  EXPECT_EQ(GetCurrentObject(hdc, OBJ_FONT), arial);
  EXPECT_EQ(GetMapMode(hdc), MM_TEXT);
  EXPECT_EQ(GetTextColor(hdc), 0u);
  EXPECT_EQ(GetBkMode(hdc), OPAQUE);
  EXPECT_EQ(GetTextAlign(hdc), 0u);
  RECT box{};
  GetClipBox(hdc, &box);
  EXPECT_EQ(box.right, 3000);
  POINT position{};
  GetCurrentPositionEx(hdc, &position);
  EXPECT_TRUE(position == (POINT{0, 0}));
  EXPECT_FALSE(RestoreDC(hdc, -1));  // both levels are gone

  // A relative restore; an object deleted since the save gives way to the default.
  SaveDC(hdc);
  SelectObject(hdc, GetStockObject(BLACK_PEN));
  DeleteObject(red);
  EXPECT_TRUE(RestoreDC(hdc, -1));
  EXPECT_EQ(GetCurrentObject(hdc, OBJ_PEN), GetStockObject(BLACK_PEN));
}

TEST_F(GdiStandinTest, ObjectTableCountsLiveObjectsAndRefusedDeletes) {
  HDC hdc = page();
  HPEN pen = CreatePen(PS_DOT, 1, 0);
  HBRUSH brush = CreateSolidBrush(0);
  HFONT font = CreateFontA(10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  HRGN region = CreateRectRgn(0, 0, 10, 10);
  HBITMAP bitmap = CreateCompatibleBitmap(hdc, 10, 10);
  GetStockObject(WHITE_BRUSH);
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Pen), 1);
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Brush), 1);
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Font), 1);
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Region), 1);
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Bitmap), 1);

  // A selected object is not deleted; after it is deselected it is.
  HGDIOBJ old = SelectObject(hdc, pen);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(gdi::invalidDeletes(), 1);
  SelectObject(hdc, old);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));  // twice
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_EQ(gdi::invalidDeletes(), 3);
  // Stock objects are neither counted nor deleted, and deleting one does no harm.
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), OBJ_PEN);
  EXPECT_EQ(gdi::invalidDeletes(), 3);
  for (HGDIOBJ o : {brush, font, region, bitmap}) EXPECT_TRUE(DeleteObject(o));
  EXPECT_EQ(gdi::liveObjects(), 0);

  // After a reset, handles held from before are unknown: refused, never a crash.
  HBRUSH stale = CreateSolidBrush(0);
  gdi::reset();
  EXPECT_EQ(SelectObject(hdc, stale), nullptr);
  EXPECT_FALSE(DeleteObject(stale));
  EXPECT_FALSE(DeleteDC(hdc));
  EXPECT_EQ(gdi::invalidDeletes(), 1);
  EXPECT_EQ(gdi::invalidContextDeletes(), 1);
  EXPECT_EQ(SelectObject(page(), GetStockObject(BLACK_PEN)), GetStockObject(BLACK_PEN));
}

TEST_F(GdiStandinTest, ABitmapLivesInOneMemoryContextAtATime) {
  HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  HDC first = CreateCompatibleDC(screen);
  HDC second = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 20);
  HGDIOBJ stock = SelectObject(first, bitmap);
  EXPECT_NE(stock, nullptr);
  EXPECT_EQ(SelectObject(second, bitmap), nullptr);
  EXPECT_EQ(SelectObject(screen, bitmap), nullptr);  // not into a context of a device
  EXPECT_FALSE(DeleteObject(bitmap));
  DeleteDC(first);  // releases the bitmap
  EXPECT_NE(SelectObject(second, bitmap), nullptr);
  SelectObject(second, stock);
  EXPECT_TRUE(DeleteObject(bitmap));
  DeleteDC(second);
  DeleteDC(screen);
  EXPECT_EQ(gdi::liveContexts(), 0);
}

TEST_F(GdiStandinTest, TextMeasuresFollowTheFixedModel) {
  struct Case {
    int height;
    int width;
    BYTE pitchAndFamily;
    const char* face;
    LONG charWidth;
    LONG cellHeight;
    LONG ascent;
  };
  const Case cases[] = {
      {100, 0, 0, "Arial", 44, 100, 80},
      {100, 0, 0, "Courier New", 52, 100, 80},
      {100, 30, 0, "Arial", 30, 100, 80},            // an explicit width wins
      {-20, 0, 0, "Arial", 9, 20, 16},               // negative heights count as their size
      {0, 0, 0, "Arial", 7, 16, 13},                 // the default height
      {105, 0, 0, "arial", 46, 105, 84},             // faces compare without case
      {30, 0, 0, "DejaVu Sans Mono", 16, 30, 24},    // a face that says so is fixed pitch
      {30, 0, FIXED_PITCH, "Anything", 16, 30, 24},  // so is a fixed-pitch description
      {30, 0, FF_MODERN, "Anything", 16, 30, 24},    // or the modern family
      {30, 0, FIXED_PITCH, "Arial", 13, 30, 24},     // a known face decides
      {1, 0, 0, "Arial", 1, 1, 1},                   // never narrower than one unit
      {200'033'072, 0, 0, "Arial", 14417, 32767, 26214},  // no font is taller than 32767
      {INT_MAX, 0, 0, "Courier New", 17039, 32767, 26214},
      {INT_MIN, 0, 0, "Arial", 14417, 32767, 26214},
      {30, INT_MIN, 0, "Arial", 32767, 30, 24},  // nor wider
  };
  HDC hdc = page();
  for (const Case& c : cases) {
    HFONT font = CreateFontA(c.height, c.width, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, c.pitchAndFamily, c.face);
    HGDIOBJ old = SelectObject(hdc, font);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32A(hdc, "Total", 5, &size));
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(hdc, &tm));
    EXPECT_EQ(size.cx, 5 * c.charWidth) << c.face << " " << c.height;
    EXPECT_EQ(size.cy, c.cellHeight) << c.face << " " << c.height;
    EXPECT_EQ(tm.tmAveCharWidth, c.charWidth) << c.face << " " << c.height;
    EXPECT_EQ(tm.tmHeight, c.cellHeight) << c.face << " " << c.height;
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_EQ(tm.tmAscent, c.ascent) << c.face << " " << c.height;
    SelectObject(hdc, old);
    DeleteObject(font);
  }
  SIZE empty{};
  EXPECT_TRUE(GetTextExtentPoint32A(hdc, "", 0, &empty));
  EXPECT_EQ(empty.cx, 0);
  EXPECT_FALSE(GetTextExtentPoint32A(hdc, "x", -1, &empty));
}

TEST_F(GdiStandinTest, DisplayListHoldsDeviceUnitsAndTheAttributesInForce) {
  HDC hdc = page();
  SetMapMode(hdc, MM_ANISOTROPIC);
  SetWindowExtEx(hdc, 1000, 1000, nullptr);
  SetViewportExtEx(hdc, 500, 250, nullptr);
  HPEN pen = CreatePen(PS_SOLID, 10, RGB(255, 0, 0));
  HFONT font = CreateFontA(100, 0, 450, 450, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(hdc, pen);
  SelectObject(hdc, font);
  SetTextAlign(hdc, TA_CENTER | TA_BASELINE);
  SetBkMode(hdc, TRANSPARENT);
  MoveToEx(hdc, 100, 100, nullptr);
  LineTo(hdc, 300, 500);
  TextOutA(hdc, 200, 200, "Q=12", 4);
  Arc(hdc, 400, 400, 0, 0, 400, 200, 200, 0);
  const std::vector<gdi::DisplayEntry>& list = gdi::displayList(hdc);
  ASSERT_EQ(list.size(), 3u);

  EXPECT_EQ(list[0].kind, gdi::EntryKind::Line);
  EXPECT_TRUE(list[0].points[0] == (POINT{50, 25}));
  EXPECT_TRUE(list[0].points[1] == (POINT{150, 125}));
  EXPECT_EQ(list[0].pen.width, 5);  // 10 logical units across
  EXPECT_EQ(list[0].pen.color, RGB(255, 0, 0));

  const gdi::DisplayEntry& text = list[1];
  EXPECT_EQ(text.text, "Q=12");
  EXPECT_TRUE(text.points[0] == (POINT{100, 50}));
  EXPECT_DOUBLE_EQ(text.font.height, 25);
  EXPECT_DOUBLE_EQ(text.font.charWidth, 22);
  EXPECT_DOUBLE_EQ(text.font.angle, 45);
  EXPECT_EQ(text.font.description.lfWeight, FW_BOLD);
  EXPECT_EQ(text.textAlign, TA_CENTER | TA_BASELINE);
  EXPECT_EQ(text.backgroundMode, TRANSPARENT);

  // Box corners in ascending order, then the two radial points.
  const std::vector<POINT> arc = {{0, 0}, {200, 100}, {200, 50}, {100, 0}};
  ASSERT_EQ(list[2].points.size(), arc.size());
  for (std::size_t i = 0; i < arc.size(); ++i) EXPECT_TRUE(list[2].points[i] == arc[i]) << i;

  // The log keeps the logical calls.
  const std::vector<std::string>& log = gdi::callLog();
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "LineTo dc" + std::to_string(reinterpret_cast<std::uintptr_t>(hdc)) + " 300 500"),
            log.end());
}

TEST_F(GdiStandinTest, DashedPensWiderThanOneAreSolidAsOnWindows) {
  HPEN wide = CreatePen(PS_DOT, 2, 0);
  HPEN thin = CreatePen(PS_DOT, 1, 0);
  LOGPEN description{};
  ASSERT_EQ(GetObjectA(wide, sizeof description, &description), static_cast<int>(sizeof description));
  EXPECT_EQ(description.lopnStyle, static_cast<UINT>(PS_SOLID));
  GetObjectA(thin, sizeof description, &description);
  EXPECT_EQ(description.lopnStyle, static_cast<UINT>(PS_DOT));
  EXPECT_EQ(CreatePen(42, 1, 0), nullptr);
}

TEST_F(GdiStandinTest, ClippingIsKeptInDeviceUnitsAndEntriesCarryIt) {
  HDC hdc = page();
  SetMapMode(hdc, MM_ANISOTROPIC);
  SetWindowExtEx(hdc, 2, 2, nullptr);
  SetViewportExtEx(hdc, 1, 1, nullptr);
  EXPECT_EQ(IntersectClipRect(hdc, 100, 100, 300, 300), SIMPLEREGION);
  EXPECT_EQ(IntersectClipRect(hdc, 200, 0, 1000, 1000), SIMPLEREGION);
  RECT box{};
  EXPECT_EQ(GetClipBox(hdc, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 200);
  EXPECT_EQ(box.bottom, 300);
  LineTo(hdc, 10, 10);
  ASSERT_TRUE(gdi::displayList(hdc).back().clip.has_value());
  const RECT clip = *gdi::displayList(hdc).back().clip;
  EXPECT_EQ(clip.left, 100);
  EXPECT_EQ(clip.top, 50);
  EXPECT_EQ(clip.right, 150);
  EXPECT_EQ(clip.bottom, 150);

  // A region is copied at selection: deleting it keeps the clip; a null region removes it.
  HRGN region = CreateRectRgn(10, 20, 30, 40);
  EXPECT_EQ(SelectClipRgn(hdc, region), SIMPLEREGION);
  DeleteObject(region);
  LineTo(hdc, 0, 0);
  EXPECT_EQ(gdi::displayList(hdc).back().clip->right, 30);
  EXPECT_EQ(SelectClipRgn(hdc, nullptr), SIMPLEREGION);
  LineTo(hdc, 5, 5);
  EXPECT_FALSE(gdi::displayList(hdc).back().clip.has_value());
  EXPECT_EQ(IntersectClipRect(hdc, 0, 0, 10, 10), SIMPLEREGION);
  EXPECT_EQ(IntersectClipRect(hdc, 20, 20, 30, 30), NULLREGION);
}

TEST_F(GdiStandinTest, ContextsReportTheirDevice) {
  struct Case {
    HDC hdc;
    int index;
    int value;
  };
  gdi::setScreen(1280, 1024, 96);
  HDC page = gdi::createPageContext(2480, 3508, 300);
  HDC window = gdi::createWindowContext(640, 480);
  HDC info = CreateICA("display", nullptr, nullptr, nullptr);
  HDC memory = CreateCompatibleDC(page);
  const Case cases[] = {
      {page, HORZRES, 2480},
      {page, VERTRES, 3508},
      {page, LOGPIXELSX, 300},
      {page, HORZSIZE, 210},
      {page, VERTSIZE, 297},
      {page, PHYSICALWIDTH, 2480},
      {page, TECHNOLOGY, DT_RASPRINTER},
      {page, PHYSICALOFFSETX, 0},
      {window, HORZRES, 1280},
      {window, LOGPIXELSY, 96},
      {window, PHYSICALWIDTH, 0},
      {window, TECHNOLOGY, DT_RASDISPLAY},
      {info, VERTRES, 1024},
      {memory, LOGPIXELSX, 300},
      {memory, HORZRES, 2480},
  };
  for (const Case& c : cases) EXPECT_EQ(GetDeviceCaps(c.hdc, c.index), c.value) << c.index;
  EXPECT_EQ(gdi::contextKind(info), gdi::ContextKind::Information);
  EXPECT_EQ(CreateDCA("SomePrinter", nullptr, nullptr, nullptr), nullptr);
  // An information context measures but draws nothing.
  SIZE size{};
  EXPECT_TRUE(GetTextExtentPoint32A(info, "ab", 2, &size));
  EXPECT_FALSE(TextOutA(info, 0, 0, "ab", 2));
  EXPECT_FALSE(gdi::writePng(info, "/nonexistent/never.png"));
}

TEST_F(GdiStandinTest, BlockTransferCopiesWhatTheSourceShowedThen) {
  HDC window = gdi::createWindowContext(200, 100);
  HDC memory = CreateCompatibleDC(window);
  HBITMAP bitmap = CreateCompatibleBitmap(window, 50, 40);
  HGDIOBJ old = SelectObject(memory, bitmap);
  // Drawing into a memory context without its own bitmap keeps nothing.
  HDC bare = CreateCompatibleDC(window);
  EXPECT_TRUE(LineTo(bare, 5, 5));
  EXPECT_TRUE(gdi::displayList(bare).empty());

  PatBlt(memory, 0, 0, 50, 40, WHITENESS);
  Rectangle(memory, 5, 5, 45, 35);
  EXPECT_TRUE(StretchBlt(window, 10, 10, 100, 80, memory, 0, 0, 50, 40, SRCCOPY));
  Ellipse(memory, 0, 0, 10, 10);  // after the copy: not in it

  ASSERT_EQ(gdi::bitmapContent(bitmap).size(), 3u);
  const gdi::DisplayEntry& blit = gdi::displayList(window).back();
  EXPECT_EQ(blit.kind, gdi::EntryKind::Blit);
  ASSERT_TRUE(blit.snapshot != nullptr);
  EXPECT_EQ(blit.snapshot->entries.size(), 2u);
  EXPECT_EQ(blit.snapshot->width, 50);
  const std::vector<POINT> corners = {{10, 10}, {110, 90}, {0, 0}, {50, 40}};
  for (std::size_t i = 0; i < corners.size(); ++i) EXPECT_TRUE(blit.points[i] == corners[i]) << i;

  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  DeleteDC(bare);
}

TEST_F(GdiStandinTest, InjectedFailuresFailTheWayWindowsDoesAndChangeNothing) {
  HDC hdc = page();
  gdi::failOperation("CreatePen", 1, 1);
  HPEN first = CreatePen(PS_SOLID, 1, 0);
  HPEN second = CreatePen(PS_SOLID, 1, 0);
  HPEN third = CreatePen(PS_SOLID, 1, 0);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(second, nullptr);
  EXPECT_NE(third, nullptr);
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Pen), 2);

  struct Case {
    const char* operation;
    bool (*call)(HDC);
  };
  const Case cases[] = {
      {"CreateCompatibleDC", [](HDC h) { return CreateCompatibleDC(h) != nullptr; }},
      {"CreateCompatibleBitmap", [](HDC h) { return CreateCompatibleBitmap(h, 8, 8) != nullptr; }},
      {"CreateFontA", [](HDC) { return CreateFontA(10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial") != nullptr; }},
      {"SelectObject", [](HDC h) { return SelectObject(h, GetStockObject(NULL_PEN)) != nullptr; }},
      {"TextOutA", [](HDC h) { return TextOutA(h, 0, 0, "x", 1) != FALSE; }},
      {"LineTo", [](HDC h) { return LineTo(h, 1, 1) != FALSE; }},
      {"GetTextMetricsA",
       [](HDC h) {
         TEXTMETRICA tm{};
         return GetTextMetricsA(h, &tm) != FALSE;
       }},
  };
  for (const Case& c : cases) {
    const std::size_t entries = gdi::displayList(hdc).size();
    const int objects = gdi::liveObjects();
    const int contexts = gdi::liveContexts();
    gdi::failOperation(c.operation, 0, 1);
    EXPECT_FALSE(c.call(hdc)) << c.operation;
    EXPECT_EQ(gdi::displayList(hdc).size(), entries) << c.operation;
    EXPECT_EQ(gdi::liveObjects(), objects) << c.operation;
    EXPECT_EQ(gdi::liveContexts(), contexts) << c.operation;
    EXPECT_TRUE(c.call(hdc)) << c.operation << " fails once only";
  }
  EXPECT_EQ(GetCurrentObject(hdc, OBJ_PEN), GetStockObject(NULL_PEN));

  kvom::test::ScratchDirectory scratch;
  const std::filesystem::path png = scratch.path() / "x.png";
  gdi::failOperation("writePng", 0, 1);
  EXPECT_FALSE(gdi::writePng(hdc, png.string()));
  EXPECT_FALSE(std::filesystem::exists(png));
  EXPECT_FALSE(gdi::writePdf(hdc, (scratch.path() / "missing" / "x.pdf").string()));

  // An armed error is raised before the call does anything.
  standins::host::raiseAt("CreateSolidBrush", 1400);
  EXPECT_ANY_THROW(CreateSolidBrush(0));
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Brush), 0);
}

}  // namespace
