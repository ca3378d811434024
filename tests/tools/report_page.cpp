// Draws one page of a report file the way a printed page is drawn and writes it as PNG, for people
// to look at a report that the host program left.
//
//   report_page REPORT.KVO PAGE OUT.png
//
// A page starts at a form row of type '1'; pages are counted from 1. Pictures, breaks and section
// lines are left out. Paths are paths of this machine.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/windows/gdi.h"
#include "report/page_drawing.h"
#include "report/page_layout.h"
#include "report/settings.h"
#include "standins/gdi/gdi_standin.h"

namespace {

using kvom::report::PrintPage;

struct FormRow {
  std::string text;  // 80 columns
  char type = ' ';
  std::string markers;
};

// The form rows of the report: 80 columns of text, TAB, the row type, the markers.
std::vector<std::vector<FormRow>> readPages(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<std::vector<FormRow>> pages;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 82 || line[80] != '\t') continue;
    FormRow row{line.substr(0, 80), line[81], line.substr(82)};
    if (row.type == '1' || pages.empty()) pages.emplace_back();
    pages.back().push_back(row);
  }
  return pages;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s REPORT.KVO PAGE OUT.png\n", argv[0]);
    return 2;
  }
  const std::vector<std::vector<FormRow>> pages = readPages(argv[1]);
  const long page = std::strtol(argv[2], nullptr, 10);
  if (page < 1 || static_cast<std::size_t>(page) > pages.size()) {
    std::fprintf(stderr, "%s has %zu pages, no page %s\n", argv[1], pages.size(), argv[2]);
    return 1;
  }

  kvom::report::ClearPrintPage();
  const std::vector<FormRow>& rows = pages[static_cast<std::size_t>(page - 1)];
  const int count = static_cast<int>(std::min<std::size_t>(rows.size(), kvom::report::kPageRows));
  for (int r = 0; r < count; ++r) {
    const FormRow& row = rows[static_cast<std::size_t>(r)];
    char* text = PrintPage.text.data() + r * 80;
    char* markers = PrintPage.markers.data() + r * 80;
    std::copy_n(row.text.begin(), 79, text);
    std::copy_n(row.markers.begin(), std::min<std::size_t>(row.markers.size(), 79), markers);
    text[79] = markers[79] = row.type;
  }

  kvom::report::SetLanguageFromLetter("E");
  kvom::report::PageLayout.pagesPerSheet = 1;
  const platform::win::HDC dc = standins::gdi::createPageContext(1240, 1754, 150);
  const kvom::report::CellSize cell = kvom::report::CreatePrintFonts(dc);
  kvom::report::MapPageOnSheet(nullptr, dc, cell, 1);
  kvom::report::DrawPageBody(dc, count, cell);
  const bool written = standins::gdi::writePng(dc, argv[3]);
  for (auto* font : {&kvom::report::PageLayout.titleFont, &kvom::report::PageLayout.boldFont,
                     &kvom::report::PageLayout.normalFont}) {
    if (*font != nullptr) DeleteObject(*font);
  }
  DeleteDC(dc);
  if (!written) {
    std::fprintf(stderr, "cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
