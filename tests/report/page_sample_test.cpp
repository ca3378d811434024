// Draws a report page of its own (a titled form with box lines, leaders, aligned values and a plot
// picture) on printer pages of the graphics stand-in, one, two and four pages to a sheet, the way
// printing lays them out, and writes each sheet as PNG and PDF into the picture folder of the build
// for people to look at.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/gdi.h"
#include "report/page_drawing.h"
#include "report/page_layout.h"
#include "report/pictures.h"
#include "report/settings.h"
#include "standins/gdi/gdi_standin.h"
#include "tests/support/picture_fixture.h"

namespace kvom::report {
namespace {

namespace gdi = standins::gdi;
namespace fs = std::filesystem;
using platform::win::HDC;

// One row of the page: its text (at most 79 columns), the row type and the markers under the text.
struct SampleRow {
  std::string text;
  char type = ' ';
  std::string markers = {};
};

// Box characters of code page 437.
constexpr char kHz = '\xC4';
constexpr char kVt = '\xB3';

// A form of three columns: 33 cells of names, two of 17 for the hot and the cold side.
constexpr int kNameWidth = 33;
constexpr int kSideWidth = 17;

std::string boxLine(char left, char middle, char right) {
  return left + std::string(kNameWidth, kHz) + middle + std::string(kSideWidth, kHz) + middle +
         std::string(kSideWidth, kHz) + right;
}

std::string padded(std::string_view text, int width) {
  std::string cell(text);
  cell.resize(static_cast<std::size_t>(width), ' ');
  return cell;
}

// A row of the form; each side value stands right-aligned one cell in from its column's right
// edge, with a "}" under its last character.
SampleRow valueRow(std::string_view name, std::string_view hot, std::string_view cold) {
  const auto side = [](std::string_view value) {
    return std::string(static_cast<std::size_t>(kSideWidth - 1) - value.size(), ' ') + std::string(value) + ' ';
  };
  SampleRow row{kVt + padded(name, kNameWidth) + kVt + side(hot) + kVt + side(cold) + kVt};
  row.markers = std::string(row.text.size(), ' ');
  row.markers[1 + kNameWidth + 1 + kSideWidth - 2] = '}';
  row.markers[1 + kNameWidth + 1 + kSideWidth + 1 + kSideWidth - 2] = '}';
  return row;
}

// The column heads, centred on markers in the middle of their columns.
SampleRow headRow() {
  const auto centred = [](std::string_view head) {
    const std::size_t before = (kSideWidth - head.size()) / 2;
    return padded(std::string(before, ' ') + std::string(head), kSideWidth);
  };
  SampleRow row{kVt + padded(" Stream", kNameWidth) + kVt + centred("Hot side") + kVt + centred("Cold side") + kVt,
                'B'};
  row.markers = std::string(row.text.size(), ' ');
  for (std::size_t at : {row.text.find("Hot side") + 4, row.text.find("Cold side") + 4}) row.markers[at] = '~';
  return row;
}

// A line with a right-aligned total whose last digit carries a "}".
SampleRow totalRow(std::string_view text, std::string_view value) {
  SampleRow row{std::string(text)};
  row.markers = std::string(row.text.size(), ' ');
  row.markers[row.text.find(value) + value.size() - 1] = '}';
  return row;
}

std::vector<SampleRow> sampleRows() {
  return {
      {"SHELL AND TUBE EXCHANGER  -  RATING SUMMARY", '1'},
      {"Case DEMO-01                Item E-101                      Units SI", 'u'},
      {""},
      {boxLine('\xDA', '\xC2', '\xBF')},
      headRow(),
      {boxLine('\xC3', '\xC5', '\xB4')},
      valueRow(" Mass flow ........... kg/s", "12.50", "30.00"),
      valueRow(" Inlet temperature ..... \xF8"
               "C",
               "150.00", "20.00"),
      valueRow(" Outlet temperature .... \xF8"
               "C",
               "92.40", "55.10"),
      valueRow(" Pressure drop ......... kPa", "18.20", "41.70"),
      valueRow(" Film coefficient .... W/m2K", "1520.0", "3980.0"),
      {boxLine('\xC0', '\xC1', '\xD9')},
      {""},
      {"PERFORMANCE", 'B'},
      totalRow("  Heat duty ..................................  1234.5  kW", "1234.5"),
      totalRow("  Overall coefficient, clean .................   812.3  W/m2K", "812.3"),
      totalRow("  Overall coefficient, service ...............   640.9  W/m2K", "640.9"),
      {""},
      {"  Area required     = 118.6 m2        Shell passes  = 1"},
      {"  Area available    = 131.0 m2        Tube passes   = 2"},
      {"  Excess area       = 10.5 %          Baffles       = 14", 'v'},
      {""},
      {"SKETCH", 'B'},
  };
}

// The reference of the picture that stands before the row after the sketch title: the plot over
// columns 3 to 77 of the 22 rows that follow.
constexpr std::string_view kPicture = "EXCHANGER.KVD 3 2 77 23";
constexpr int kPictureRow = 22;

void fillPage() {
  ClearPrintPage();
  const std::vector<SampleRow> rows = sampleRows();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const SampleRow& row = rows[r];
    char* text = PrintPage.text.data() + r * 80;
    char* markers = PrintPage.markers.data() + r * 80;
    std::copy_n(row.text.begin(), std::min<std::size_t>(row.text.size(), 79), text);
    std::copy_n(row.markers.begin(), std::min<std::size_t>(row.markers.size(), 79), markers);
    text[79] = markers[79] = row.type;
  }
  std::copy(kPicture.begin(), kPicture.end(), PrintPage.pictureSpecs[0].begin());
  PrintPage.pictureRows[0] = kPictureRow;
  PrintPage.blockNumbers[0] = 1;
  PrintPage.pictureCount = 1;
}

// Printing's page step for sheet position s: cell origin and frame, the page's text and lines,
// then its pictures, a plot reaching the last drawn row stretched to the page's last row.
void printPage(HDC dc, const CellSize& cell, int s, int rows) {
  const int pages = PageLayout.pagesPerSheet;
  const int q = (s - 1) % 4;
  PageLayout.columnOffset = pages == 1 ? 0 : s % 2 == 1 ? (pages == 2 ? 5 : 7) : 4;
  PageLayout.rowOffset = pages == 1 ? 0 : pages == 2 || q < 2 ? 3 : 2;
  if ((pages == 2 && s % 2 == 1) || (pages == 4 && q == 0)) DrawSheetFrame(nullptr, dc, pages);
  MapPageOnSheet(nullptr, dc, cell, s);
  DrawPageBody(dc, rows, cell);
  for (int i = 0; i < PrintPage.pictureCount; ++i) {
    PictureTable.slots[0] = {};
    if (!LoadPicture(0, PrintPage.pictureSpecs[i].data(), PrintPage.pictureRows[i] * 80, PrintPage.blockNumbers[i])) {
      continue;
    }
    PictureSlot& slot = PictureTable.slots[0];
    if (slot.kind == kPicturePlot && slot.lastCell / 80 >= rows - 1) slot.lastCell = 61 * 80 + slot.lastCell % 80;
    DrawPagePictures(0, nullptr, dc, cell, s);
    FreePicture(0);
  }
}

class PageSampleTest : public test::PictureFixture {
 protected:
  void TearDown() override {
    for (auto* font : {&PageLayout.titleFont, &PageLayout.boldFont, &PageLayout.normalFont}) {
      if (*font != nullptr) DeleteObject(*font);
      *font = nullptr;
    }
    PageLayout = {};
    ClearPrintPage();
    PictureFixture::TearDown();
  }
};

TEST_F(PageSampleTest, WritesSheetsOfOneTwoAndFourPages) {
  fs::copy_file(fs::path(KVOM_EXAMPLES_DIR) / "plots" / "EXCHANGER.KVD", currentDir() / "EXCHANGER.KVD");
  const fs::path out = KVOM_PICTURE_DIR;
  fs::create_directories(out);
  SetLanguageFromLetter("E");
  const int rows = kPictureRow + 24;

  struct Sheet {
    int pages;
    int width;
    int height;
    const char* name;
  };
  for (const Sheet& sheet : {Sheet{1, 1240, 1754, "page_1_per_sheet"}, Sheet{2, 1754, 1240, "page_2_per_sheet"},
                             Sheet{4, 1240, 1754, "page_4_per_sheet"}}) {
    PageLayout.pagesPerSheet = sheet.pages;
    const HDC dc = gdi::createPageContext(sheet.width, sheet.height, 150);
    const CellSize cell = CreatePrintFonts(dc);
    for (int s = 1; s <= sheet.pages; ++s) {
      fillPage();
      printPage(dc, cell, s, rows);
    }
    // The page shows its title, its values and its plot.
    int texts = 0;
    int lines = 0;
    for (const auto& e : gdi::displayList(dc)) {
      texts += e.kind == gdi::EntryKind::Text;
      lines += e.kind == gdi::EntryKind::Line;
    }
    EXPECT_GT(texts, 30 * sheet.pages);
    EXPECT_GT(lines, 50 * sheet.pages);
    EXPECT_TRUE(gdi::writePng(dc, (out / (std::string(sheet.name) + ".png")).string()));
    EXPECT_TRUE(gdi::writePdf(dc, (out / (std::string(sheet.name) + ".pdf")).string()));
    DeleteDC(dc);
  }
}

}  // namespace
}  // namespace kvom::report
