#include "tests/support/picture_fixture.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "platform/windows/gdi.h"
#include "platform/windows/metafile.h"
#include "report/page_layout.h"
#include "report/pictures.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/gdi/window_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/plot_fixture.h"
#include "tests/support/standin_helpers.h"

namespace platform::win {

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::ostream& operator<<(std::ostream& out, const RECT& rect) {
  return out << "{" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom << "}";
}

}  // namespace platform::win

namespace kvom::test {

namespace {

void copyText(std::span<char> target, const std::string& text) {
  const std::size_t length = std::min(text.size(), target.size() - 1);
  std::memcpy(target.data(), text.data(), length);
  target[length] = '\0';
}

}  // namespace

std::vector<platform::win::POINT> linePoints(platform::win::HDC dc) {
  std::vector<platform::win::POINT> points;
  for (const standins::gdi::DisplayEntry& entry : standins::gdi::displayList(dc)) {
    if (entry.kind == standins::gdi::EntryKind::Line)
      points.insert(points.end(), entry.points.begin(), entry.points.end());
  }
  return points;
}

void PictureFixture::SetUp() {
  resetStandins();
  for (const auto& directory : {programDir(), caseDir(), currentDir(), scratch.path() / "windows"}) {
    std::filesystem::create_directories(directory);
  }
  // A settings file of the test's own: tests run side by side in processes of their own.
  standins::windows::setWindowsDirectory(windowsDir(scratch.path() / "windows"));
  savedPaths_ = exports::RunPathStrings;
  copyText(exports::RunPathStrings.programDir, windowsPathOf(programDir()));
  copyText(exports::RunPathStrings.caseDir, windowsPathOf(caseDir()));
  savedCurrent_ = std::filesystem::current_path();
  std::filesystem::current_path(currentDir());
  report::PictureTable = {};
  report::PictureBracketFlag = 1;
  report::PageLayout.deviceMode = report::kDevicePrinter;
  report::PageLayout.PagePictureFlag = 0;
  memoryBlocks_ = standins::windows::liveMemoryBlocks();
}

void PictureFixture::TearDown() {
  report::FreeAllPictures();
  report::PlotObject none;
  report::FreePlot(none);  // the plotter's shared pens
  EXPECT_EQ(standins::gdi::liveObjects(), 0) << "graphics objects left alive";
  EXPECT_EQ(standins::gdi::invalidDeletes(), 0);
  EXPECT_EQ(standins::windows::liveMemoryBlocks(), memoryBlocks_) << "memory blocks left allocated";
  EXPECT_EQ(standins::windows::invalidMemoryFrees(), 0);
  std::filesystem::current_path(savedCurrent_);
  exports::RunPathStrings = savedPaths_;
  report::PageLayout.deviceMode = report::kDevicePrinter;
  report::PageLayout.PagePictureFlag = 0;
}

std::string PictureFixture::windowsPathOf(const std::filesystem::path& native) { return windowsDir(native); }

std::filesystem::path PictureFixture::writePlotText(const std::filesystem::path& path,
                                                    const std::vector<std::string>& lines) const {
  std::string content;
  for (const std::string& line : lines) content += line + "\r\n";
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::filesystem::path PictureFixture::writeBoxPlot(const std::filesystem::path& path, double width, double height,
                                                   bool withText) const {
  std::vector<std::string> lines = {plotLine('M', 0, 0), plotLine('D', width, 0), plotLine('D', width, height),
                                    plotLine('D', 0, height), plotLine('D', 0, 0)};
  if (withText) {
    lines.push_back(plotLine('S', 1, 1));
    lines.push_back(fixedField(0.2, 5, 4) + fixedField(0, 6, 3) + "03");
    lines.push_back("BOX");
  }
  return writePlotText(path, lines);
}

platform::win::HMETAFILE PictureFixture::lineMetafile() {
  const platform::win::HDC dc = CreateMetaFileA(nullptr);
  MoveToEx(dc, 10, 20, nullptr);
  LineTo(dc, 110, 70);
  return CloseMetaFile(dc);
}

}  // namespace kvom::test
