// Pictures of the graphics stand-in, read back by independent readers (pdfinfo, pdftoppm, the PNG
// header). The sample sheet and window are kept in KVOM_PICTURE_DIR for people to look at.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/windows/gdi.h"
#include "standins/gdi/gdi_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

using namespace platform::win;
namespace gdi = standins::gdi;

namespace {

std::filesystem::path pictureDir() {
  std::filesystem::path dir = KVOM_PICTURE_DIR;
  std::filesystem::create_directories(dir);
  return dir;
}

std::string field(const std::string& report, const std::string& name) {
  const std::size_t at = report.find(name + ":");
  if (at == std::string::npos) return {};
  std::size_t start = report.find_first_not_of(' ', at + name.size() + 1);
  return report.substr(start, report.find('\n', start) - start);
}

// Width and height from a PNG file's header chunk.
std::pair<std::uint32_t, std::uint32_t> pngSize(const std::filesystem::path& path) {
  const std::string bytes = kvom::test::readFile(path);
  if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0 || bytes.compare(12, 4, "IHDR") != 0) return {0, 0};
  auto big = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
  };
  return {big(16), big(20)};
}

HFONT font(int height, const char* face, int weight = FW_NORMAL, int angle = 0, bool italic = false) {
  return CreateFontA(height, 0, angle, angle, weight, italic ? 1 : 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, PROOF_QUALITY, 0, face);
}

// Text with its font selected for the call only.
void write(HDC hdc, int x, int y, const char* text, HFONT f, UINT align = TA_LEFT | TA_TOP) {
  HGDIOBJ old = SelectObject(hdc, f);
  SetTextAlign(hdc, align);
  TextOutA(hdc, x, y, text, static_cast<int>(std::strlen(text)));
  SelectObject(hdc, old);
}

void line(HDC hdc, int x1, int y1, int x2, int y2) {
  MoveToEx(hdc, x1, y1, nullptr);
  LineTo(hdc, x2, y2);
}

// A rating summary sheet of A4 at 150 pixels per inch: ruled table in a fixed-pitch face, values
// right-aligned in a proportional face, shapes, arcs, turned texts, a clipped panel, a plot-like
// drawing in an isotropic mapping and a bitmap copied in.
void drawSampleSheet(HDC hdc) {
  SetBkMode(hdc, TRANSPARENT);
  HFONT title = font(46, "Arial", FW_BOLD);
  HFONT body = font(30, "Arial");
  HFONT mono = font(28, "Courier New");
  HFONT small = font(24, "Arial", FW_NORMAL, 0, true);
  HPEN rule = CreatePen(PS_SOLID, 3, RGB(0, 0, 0));
  HPEN thin = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HGDIOBJ oldPen = SelectObject(hdc, rule);

  write(hdc, 120, 90, "Shell-and-tube exchanger - rating summary", title);
  line(hdc, 120, 150, 1120, 150);
  write(hdc, 1120, 160, "Case E-101, sheet 1 of 1", small, TA_RIGHT | TA_TOP);

  // Fixed-pitch table: every character in its cell, so the columns line up.
  const char* rows[][4] = {{"Item", "", "Hot side", "Cold side"},
                           {"Inlet temperature", "C", "150.0", "20.0"},
                           {"Outlet temperature", "C", "85.4", "61.2"},
                           {"Mass flow", "kg/s", "12.50", "9.75"},
                           {"Pressure drop", "kPa", "34.1", "18.9"}};
  int y = 230;
  for (const auto& [item, unit, hot, cold] : rows) {
    char row[64];
    std::snprintf(row, sizeof row, "%-19s%-5s%9s%11s", item, unit, hot, cold);
    write(hdc, 120, y, row, mono);
    y += 40;
  }
  SelectObject(hdc, thin);
  line(hdc, 120, 268, 120 + 44 * 15, 268);

  // Proportional labels with numbers right-aligned on one edge.
  const char* labels[][2] = {{"Duty", "1 250.4 kW"}, {"Overall coefficient", "812.7 W/m2K"}, {"Area", "48.30 m2"}};
  y = 470;
  for (const auto& [label, value] : labels) {
    write(hdc, 120, y, label, body);
    write(hdc, 700, y, value, body, TA_RIGHT | TA_TOP);
    y += 44;
  }

  // Shapes: a filled, framed box with text, an ellipse, a hollow rectangle.
  HPEN blue = CreatePen(PS_SOLID, 2, RGB(0, 0, 128));
  HBRUSH sky = CreateSolidBrush(RGB(200, 225, 255));
  HBRUSH sun = CreateSolidBrush(RGB(255, 220, 90));
  SelectObject(hdc, blue);
  HGDIOBJ oldBrush = SelectObject(hdc, sky);
  Rectangle(hdc, 780, 450, 1120, 600);
  SetTextColor(hdc, RGB(0, 0, 128));
  write(hdc, 950, 525, "Design margin 12 %", body, TA_CENTER | TA_BASELINE);
  SetTextColor(hdc, RGB(0, 0, 0));
  SelectObject(hdc, sun);
  Ellipse(hdc, 120, 660, 420, 860);
  SelectObject(hdc, GetStockObject(NULL_BRUSH));
  Rectangle(hdc, 460, 660, 760, 860);

  // Arcs counter-clockwise from the start radial to the end radial, solid, dashed and dotted.
  HPEN arcPen = CreatePen(PS_SOLID, 4, RGB(160, 0, 0));
  HPEN dashed = CreatePen(PS_DASH, 1, RGB(0, 100, 0));
  HPEN dotted = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  SelectObject(hdc, arcPen);
  Arc(hdc, 800, 660, 1100, 860, 1100, 760, 950, 660);  // upper right quarter
  SelectObject(hdc, dashed);
  Arc(hdc, 800, 660, 1100, 860, 950, 660, 950, 860);  // left half
  SelectObject(hdc, dotted);
  line(hdc, 800, 900, 1100, 900);
  SelectObject(hdc, dashed);
  line(hdc, 800, 920, 1100, 920);

  // Turned texts: 0, 45 and 90 degrees counter-clockwise around their top-left corners.
  HFONT level = font(30, "Arial", FW_NORMAL, 0);
  HFONT slanted = font(30, "Arial", FW_NORMAL, 450);
  HFONT upright = font(30, "Arial", FW_BOLD, 900);
  write(hdc, 160, 1250, "Temperature 0 deg", level);
  write(hdc, 160, 1200, "Rising at 45 deg", slanted);
  write(hdc, 120, 1250, "Along the axis", upright);

  // An opaque label and a clipped panel: text and lines stop at the panel's edge.
  SetBkMode(hdc, OPAQUE);
  SetBkColor(hdc, RGB(255, 255, 160));
  write(hdc, 460, 960, " Opaque note on yellow ", body);
  SetBkMode(hdc, TRANSPARENT);
  SelectObject(hdc, thin);
  Rectangle(hdc, 460, 1040, 760, 1260);
  const int saved = SaveDC(hdc);
  IntersectClipRect(hdc, 461, 1041, 759, 1259);
  for (int x = 400; x < 800; x += 30) line(hdc, x, 1000, x + 200, 1300);
  write(hdc, 430, 1120, "Clipped to the panel", title);
  RestoreDC(hdc, saved);

  // A plot-like drawing in an isotropic mapping: plot units grow upward.
  SaveDC(hdc);
  SetMapMode(hdc, MM_ISOTROPIC);
  SetWindowOrgEx(hdc, 0, 0, nullptr);
  SetWindowExtEx(hdc, 10000, -6000, nullptr);
  SetViewportOrgEx(hdc, 800, 1300, nullptr);
  SetViewportExtEx(hdc, 320, 320, nullptr);
  SelectObject(hdc, thin);
  line(hdc, 0, 0, 10000, 0);
  line(hdc, 0, 0, 0, 6000);
  POINT curve[11];
  for (int i = 0; i <= 10; ++i) curve[i] = {i * 1000, 5800 - (10 - i) * (10 - i) * 55};
  SelectObject(hdc, arcPen);
  Polyline(hdc, curve, 11);
  RestoreDC(hdc, -1);

  // A bitmap drawn off screen and copied onto the sheet.
  HDC memory = CreateCompatibleDC(hdc);
  HBITMAP bitmap = CreateCompatibleBitmap(hdc, 300, 120);
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  PatBlt(memory, 0, 0, 300, 120, WHITENESS);
  HBRUSH green = CreateSolidBrush(RGB(0, 150, 80));
  const RECT panel{10, 10, 290, 110};
  FillRect(memory, &panel, green);
  SetBkMode(memory, TRANSPARENT);
  SetTextColor(memory, RGB(255, 255, 255));
  write(memory, 150, 45, "Bitmap copy", body, TA_CENTER | TA_TOP);
  BitBlt(hdc, 120, 1400, 300, 120, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldBitmap);
  DeleteDC(memory);

  SelectObject(hdc, oldPen);
  SelectObject(hdc, oldBrush);
  for (HGDIOBJ o : {HGDIOBJ(title), HGDIOBJ(body), HGDIOBJ(mono), HGDIOBJ(small), HGDIOBJ(rule), HGDIOBJ(thin),
                    HGDIOBJ(blue), HGDIOBJ(sky), HGDIOBJ(sun), HGDIOBJ(arcPen), HGDIOBJ(dashed), HGDIOBJ(dotted),
                    HGDIOBJ(level), HGDIOBJ(slanted), HGDIOBJ(upright), HGDIOBJ(bitmap), HGDIOBJ(green)}) {
    DeleteObject(o);
  }
}

// A form window of 80 x 25 cells of 8 x 16 pixels: opaque runs in cell colours, a framed input
// field, box lines, and a status row in caption colours.
void drawSampleWindow(HDC hdc) {
  HFONT text = font(16, "Arial");
  HFONT field = font(16, "Courier New");
  HGDIOBJ oldFont = SelectObject(hdc, text);
  SetBkMode(hdc, OPAQUE);
  auto cells = [&](int column, int row, const char* chars, COLORREF ink, COLORREF paper, HFONT f) {
    SelectObject(hdc, f);
    SetTextColor(hdc, ink);
    SetBkColor(hdc, paper);
    TextOutA(hdc, column * 8 + 4, row * 16, chars, static_cast<int>(std::strlen(chars)));
  };
  cells(2, 1, "EXCHANGER GEOMETRY", RGB(0, 0, 127), RGB(255, 255, 255), text);
  cells(2, 3, "Shell inside diameter ......", RGB(0, 0, 0), RGB(255, 255, 255), text);
  cells(34, 3, "  0.7366", RGB(0, 0, 0), RGB(0, 255, 255), field);
  cells(44, 3, "m", RGB(0, 127, 63), RGB(255, 255, 255), text);
  cells(2, 4, "Tube length ................", RGB(0, 0, 0), RGB(255, 255, 255), text);
  cells(34, 4, "  6.0960", RGB(0, 0, 0), RGB(0, 255, 255), field);
  cells(44, 4, "m", RGB(0, 127, 63), RGB(255, 255, 255), text);
  cells(2, 6, "Warning: baffle cut outside the usual range", RGB(255, 0, 0), RGB(255, 255, 255), text);
  // Frames of the input fields and a box around the form.
  for (int row : {3, 4}) {
    MoveToEx(hdc, 34 * 8 + 2, row * 16, nullptr);
    LineTo(hdc, 42 * 8 + 4, row * 16);
    LineTo(hdc, 42 * 8 + 4, row * 16 + 16);
    LineTo(hdc, 34 * 8 + 2, row * 16 + 16);
    LineTo(hdc, 34 * 8 + 2, row * 16);
  }
  MoveToEx(hdc, 8, 8, nullptr);
  LineTo(hdc, 632, 8);
  LineTo(hdc, 632, 376);
  LineTo(hdc, 8, 376);
  LineTo(hdc, 8, 8);
  std::string status(81, ' ');
  cells(0, 24, status.c_str(), RGB(255, 255, 255), RGB(0, 0, 125), field);
  cells(0, 24, "F1 Help   F2 Save   F10 Calculate", RGB(255, 255, 255), RGB(0, 0, 125), text);
  SelectObject(hdc, oldFont);
  DeleteObject(text);
  DeleteObject(field);
}

class GdiPictureTest : public ::testing::Test {
 protected:
  void SetUp() override { kvom::test::resetStandins(); }
  void TearDown() override { kvom::test::resetStandins(); }
};

TEST_F(GdiPictureTest, SampleSheetReadsBackAsOneA4PageAndAnImageOfDeviceSize) {
  HDC page = gdi::createPageContext(1240, 1754, 150);
  drawSampleSheet(page);
  EXPECT_EQ(gdi::liveObjects(), 0);
  EXPECT_EQ(gdi::invalidDeletes(), 0);

  const std::filesystem::path pdf = pictureDir() / "sample_sheet.pdf";
  const std::filesystem::path png = pictureDir() / "sample_sheet.png";
  ASSERT_TRUE(gdi::writePdf(page, pdf.string()));
  ASSERT_TRUE(gdi::writePng(page, png.string()));

  const std::string info = kvom::test::runCommand("pdfinfo '" + pdf.string() + "' 2>&1");
  EXPECT_EQ(field(info, "Pages"), "1") << info;
  // 1240 x 1754 pixels at 150 per inch: 595.2 x 841.92 points, A4.
  EXPECT_EQ(field(info, "Page size").substr(0, 22), "595.2 x 841.92 pts (A4") << info;
  EXPECT_EQ(pngSize(png), std::make_pair(1240u, 1754u));

  // The PDF also renders through a second reader: 60 pixels per inch of 8.27 inches is 496 wide.
  const std::filesystem::path rendered = pictureDir() / "sample_sheet_pdf";
  kvom::test::runCommand("pdftoppm -png -r 60 -singlefile '" + pdf.string() + "' '" + rendered.string() + "' 2>&1");
  EXPECT_EQ(pngSize(rendered.string() + ".png").first, 496u);
  DeleteDC(page);
}

TEST_F(GdiPictureTest, WindowSurfaceWritesAnImageOfItsClientSize) {
  HDC window = gdi::createWindowContext(640, 400);
  drawSampleWindow(window);
  const std::filesystem::path png = pictureDir() / "sample_window.png";
  ASSERT_TRUE(gdi::writePng(window, png.string()));
  EXPECT_EQ(pngSize(png), std::make_pair(640u, 400u));
  EXPECT_EQ(gdi::liveObjects(), 0);
  DeleteDC(window);
}

// The box around the dark pixels of a grey image (PGM) within an area (right and bottom
// excluded); right < left when the area holds none.
RECT inkBox(const std::filesystem::path& pgm, RECT area) {
  const std::string bytes = kvom::test::readFile(pgm);
  int width = 0, height = 0, maximum = 0, consumed = 0;
  if (std::sscanf(bytes.c_str(), "P5 %d %d %d%n", &width, &height, &maximum, &consumed) != 3) return {0, 0, -1, -1};
  const std::size_t start = static_cast<std::size_t>(consumed) + 1;
  if (bytes.size() < start + static_cast<std::size_t>(width) * height) return {0, 0, -1, -1};
  RECT box{area.right, area.bottom, -1, -1};
  for (int y = std::max(0, area.top); y < std::min(height, area.bottom); ++y) {
    for (int x = std::max(0, area.left); x < std::min(width, area.right); ++x) {
      if (static_cast<unsigned char>(bytes[start + static_cast<std::size_t>(y) * width + x]) < 128) {
        box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
      }
    }
  }
  return box;
}

// Prints the page as a PDF and reads it back as a grey image of one pixel per device pixel.
std::filesystem::path printAndRead(HDC page, const kvom::test::ScratchDirectory& scratch, int dpi) {
  const std::filesystem::path pdf = scratch.path() / "page.pdf";
  if (!gdi::writePdf(page, pdf.string())) return {};
  kvom::test::runCommand("pdftoppm -gray -r " + std::to_string(dpi) + " -singlefile '" + pdf.string() + "' '" +
                         (scratch.path() / "page").string() + "'");
  return scratch.path() / "page.pgm";
}

TEST_F(GdiPictureTest, PrintedTextTakesTheWidthOfTheMeasureModel) {
  struct Case {
    const char* face;
    const char* text;
    UINT align;
    int x;
  };
  // Narrow and wide letters, both kinds of face, left and right alignment.
  const Case cases[] = {
      {"Arial", "Overall coefficient", TA_LEFT, 40}, {"Arial", "WWWWMMMM", TA_LEFT, 40},
      {"Arial", "illicit", TA_RIGHT, 560},           {"Courier New", "12.50", TA_RIGHT, 560},
      {"Courier New", "Mass flow", TA_LEFT, 40},     {"Arial", "1 250.4 kW", TA_RIGHT, 560},
  };
  const int height = 40;
  int y = 10;
  HDC page = gdi::createPageContext(600, 80 * 6, 100);
  std::vector<std::pair<int, int>> model;
  for (const Case& c : cases) {
    HFONT f = font(height, c.face);
    SelectObject(page, f);
    SIZE size{};
    GetTextExtentPoint32A(page, c.text, static_cast<int>(std::strlen(c.text)), &size);
    write(page, c.x, y, c.text, f, c.align | TA_TOP);
    model.push_back(c.align == TA_RIGHT ? std::make_pair(c.x - size.cx, c.x) : std::make_pair(c.x, c.x + size.cx));
    SelectObject(page, GetStockObject(SYSTEM_FONT));
    DeleteObject(f);
    y += 80;
  }
  kvom::test::ScratchDirectory scratch;
  const std::filesystem::path pgm = printAndRead(page, scratch, 100);
  y = 10;
  for (std::size_t i = 0; i < model.size(); ++i, y += 80) {
    const RECT ink = inkBox(pgm, {0, y, 600, y + height});
    const auto [left, right] = model[i];
    // The ink stays within the model's box and reaches close to both of its ends.
    EXPECT_GE(ink.left, left - 1) << cases[i].text;
    EXPECT_LE(ink.right, right + 1) << cases[i].text;
    EXPECT_LE(ink.left, left + height / 5) << cases[i].text;
    EXPECT_GE(ink.right, right - height / 5) << cases[i].text;
  }
  DeleteDC(page);
}

TEST_F(GdiPictureTest, ArcsRunCounterClockwiseAndTextTurnsAndAlignsAsOnWindows) {
  HDC page = gdi::createPageContext(400, 400, 100);
  HPEN pen = CreatePen(PS_SOLID, 3, 0);
  SelectObject(page, pen);
  SetBkMode(page, TRANSPARENT);
  Arc(page, 20, 20, 120, 120, 120, 70, 70, 20);    // from 3 o'clock to 12: the upper right quarter
  Arc(page, 220, 20, 320, 120, 270, 20, 320, 70);  // from 12 to 3 o'clock: three quarters
  HFONT up = font(30, "Arial", FW_NORMAL, 900);
  write(page, 50, 380, "HH", up);  // 26 wide, turned to run upward from its top-left corner
  HFONT level = font(30, "Arial");
  write(page, 200, 300, "HH", level, TA_LEFT | TA_BASELINE);  // ascent 24: the H stand on y 300
  write(page, 300, 300, "HH", level, TA_RIGHT | TA_BOTTOM);   // the cell ends at 300 on both axes
  SelectObject(page, GetStockObject(BLACK_PEN));
  SelectObject(page, GetStockObject(SYSTEM_FONT));
  for (HGDIOBJ o : {HGDIOBJ(pen), HGDIOBJ(up), HGDIOBJ(level)}) DeleteObject(o);

  kvom::test::ScratchDirectory scratch;
  const std::filesystem::path pgm = printAndRead(page, scratch, 100);
  const RECT quarter = inkBox(pgm, {0, 0, 200, 200});
  EXPECT_GE(quarter.left, 66);
  EXPECT_LE(quarter.bottom, 74);
  const RECT threeQuarters = inkBox(pgm, {200, 0, 400, 200});
  EXPECT_LE(threeQuarters.left, 222);
  EXPECT_GE(threeQuarters.bottom, 117);

  const RECT turned = inkBox(pgm, {0, 200, 200, 400});
  EXPECT_GE(turned.left, 50);
  EXPECT_LE(turned.right, 80);
  EXPECT_GE(turned.top, 380 - 26 - 1);
  EXPECT_LE(turned.bottom, 380);
  EXPECT_GT(turned.bottom - turned.top, 15);  // it runs upward, not along the x axis

  const RECT baseline = inkBox(pgm, {150, 250, 250, 350});
  EXPECT_NEAR(baseline.bottom, 299, 1);
  EXPECT_GE(baseline.left, 200);
  const RECT bottomRight = inkBox(pgm, {250, 250, 400, 350});
  EXPECT_LE(bottomRight.right, 300);
  EXPECT_LE(bottomRight.bottom, 300 - 6 + 1);  // the descent lies below the glyphs of H
  EXPECT_GE(bottomRight.left, 300 - 26 - 1);
  DeleteDC(page);
}

}  // namespace
