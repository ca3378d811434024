// Draws a plot file on a landscape page of the graphics stand-in and writes it as PNG and PDF, the
// way a printed page draws a plot picture; or bundles the first blocks of plot files into a plot
// container.
//
//   plot_pictures PLOT BLOCK OUTBASE             writes OUTBASE.png and OUTBASE.pdf
//   plot_pictures --container OUT.BFD TITLE PLOT [TITLE PLOT ...]
//
// Paths are paths of this machine.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/windows/gdi.h"
#include "report/plot_file.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/plot_fixture.h"

namespace {

using kvom::report::PlotRecord;

struct LoadedPlot {
  std::vector<PlotRecord> records;
  std::string extraText;
  float xExtent = 0;
  float yExtent = 0;
};

bool load(const std::string& nativePath, int block, LoadedPlot& plot) {
  const std::string path = standins::windows::toWindowsPath(nativePath);
  std::int32_t count = 0;
  std::int32_t extraSize = 0;
  kvom::report::CountPlot(path.c_str(), count, extraSize, block);
  if (count < 1 || extraSize < 0) return false;
  plot.records.resize(static_cast<std::size_t>(count));
  plot.extraText.assign(static_cast<std::size_t>(extraSize) + 1, '\0');
  kvom::report::ReadPlot(path.c_str(), count, plot.records, plot.extraText, plot.xExtent, plot.yExtent, block);
  plot.records.resize(static_cast<std::size_t>(count));
  plot.extraText.resize(static_cast<std::size_t>(extraSize));
  return count > 0 && plot.xExtent > 0 && plot.yExtent > 0;
}

int drawPage(const std::string& plotPath, int block, const std::string& outBase) {
  LoadedPlot plot;
  if (!load(plotPath, block, plot)) {
    std::fprintf(stderr, "no plot in %s\n", plotPath.c_str());
    return 1;
  }
  constexpr int kWidth = 1100;  // 11 x 8.5 inches at 100 pixels per inch
  constexpr int kHeight = 850;
  constexpr int kMargin = 50;
  const platform::win::HDC dc = standins::gdi::createPageContext(kWidth, kHeight, 100);

  // The plot's extents in thousandths, fitted into the page inside its margins with the aspect kept.
  const int x = static_cast<int>(plot.xExtent * 1000);
  const int y = static_cast<int>(plot.yExtent * 1000);
  const double fit = std::min(double(kWidth - 2 * kMargin) / x, double(kHeight - 2 * kMargin) / y);
  const int width = static_cast<int>(x * fit);
  const int height = static_cast<int>(y * fit);
  SetMapMode(dc, platform::win::MM_ISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, x, y, nullptr);
  SetViewportOrgEx(dc, (kWidth - width) / 2, (kHeight - height) / 2, nullptr);
  SetViewportExtEx(dc, width, height, nullptr);

  kvom::report::PlotterState& state = kvom::report::plotterState();
  state.dottedPen = CreatePen(platform::win::PS_DOT, 1, 0);
  state.solidPen = CreatePen(platform::win::PS_SOLID, 10, 0);
  state.storedOrigin = {x, y};
  state.storedOffset = {0, 0};
  kvom::report::DrawPlotScaled(dc, plot.records, plot.extraText);
  DeleteObject(state.solidPen);
  DeleteObject(state.dottedPen);

  const bool written = standins::gdi::writePng(dc, outBase + ".png") && standins::gdi::writePdf(dc, outBase + ".pdf");
  DeleteDC(dc);
  if (!written) std::fprintf(stderr, "cannot write %s.png or .pdf\n", outBase.c_str());
  return written ? 0 : 1;
}

int writeContainer(const std::string& outPath, const std::vector<std::string>& titlesAndPlots) {
  std::vector<kvom::test::PlotBlock> blocks;
  for (std::size_t i = 0; i + 1 < titlesAndPlots.size(); i += 2) {
    LoadedPlot plot;
    if (!load(titlesAndPlots[i + 1], 1, plot)) {
      std::fprintf(stderr, "no plot in %s\n", titlesAndPlots[i + 1].c_str());
      return 1;
    }
    blocks.push_back({titlesAndPlots[i], plot.records, plot.extraText, plot.xExtent, plot.yExtent});
  }
  kvom::test::writePlotContainer(outPath, blocks);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.size() >= 4 && arguments[0] == "--container" && arguments.size() % 2 == 0) {
    return writeContainer(arguments[1], std::vector(arguments.begin() + 2, arguments.end()));
  }
  if (arguments.size() == 3) return drawPage(arguments[0], std::stoi(arguments[1]), arguments[2]);
  std::fprintf(stderr,
               "usage: plot_pictures PLOT BLOCK OUTBASE\n"
               "       plot_pictures --container OUT.BFD TITLE PLOT [TITLE PLOT ...]\n");
  return 2;
}
