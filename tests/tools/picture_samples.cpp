// Makes the sample pictures of examples/pictures/ from plot texts: the first plot as a placeable
// metafile (through the report library's plot-to-metafile writer), read back as a page picture and
// drawn on a landscape page of the graphics stand-in, written as PNG so that people can look at it;
// and every plot appended as a block, titled with its name, to one plot container.
//
//   picture_samples OUTDIR PLOT.KVD [PLOT.KVD ...]
//
// writes OUTDIR/<first name>.WMF, OUTDIR/<first name>.png and OUTDIR/SAMPLES.BFD (replaced). Paths
// are paths of this machine.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "exports/run_paths_setup.h"
#include "platform/windows/gdi.h"
#include "report/page_layout.h"
#include "report/pictures.h"
#include "report/plot_object.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/windows/windows_standin.h"

namespace {

namespace fs = std::filesystem;
using kvom::report::PlotObject;

void setCaseDir(const fs::path& directory) {
  const std::string windows = standins::windows::toWindowsPath(fs::absolute(directory).string()) + "\\";
  auto& caseDir = kvom::exports::RunPathStrings.caseDir;
  const std::size_t length = std::min(windows.size(), caseDir.size() - 1);
  std::memcpy(caseDir.data(), windows.data(), length);
  caseDir[length] = '\0';
}

// The writers work on names in the case directory (OUTDIR): each plot is copied there while it is
// used, unless it is there already.
class CaseCopy {
 public:
  CaseCopy(const fs::path& plot, const fs::path& outDir) : copy_(outDir / plot.filename()) {
    if (!fs::exists(copy_) || !fs::equivalent(plot, copy_)) {
      fs::copy_file(plot, copy_, fs::copy_options::overwrite_existing);
      made_ = true;
    }
  }
  ~CaseCopy() {
    if (made_) fs::remove(copy_);
  }
  std::string name() const { return copy_.filename().string(); }

 private:
  fs::path copy_;
  bool made_ = false;
};

int writeMetafileAndPage(const fs::path& plot, const fs::path& outDir) {
  const CaseCopy copy(plot, outDir);
  const std::string stem = plot.stem().string();
  // The metafile's window is the plot's bounding box in the writer's units (9800 wide), so that it
  // plays undistorted wherever that box is mapped.
  PlotObject loaded;
  const std::string casePlot = std::string(kvom::exports::GetCaseDir()) + copy.name();
  if (kvom::report::LoadPlot(loaded, casePlot.c_str(), 1) != 1 || loaded.xExtent <= 0) {
    std::fprintf(stderr, "no plot in %s\n", plot.string().c_str());
    return 1;
  }
  const auto height = static_cast<std::int32_t>((loaded.yExtent - 1000.0) / loaded.xExtent * 9800);
  kvom::report::FreePlot(loaded);
  kvom::report::PlotToMetafile(copy.name().c_str(), (stem + ".WMF").c_str(), 9800, height);

  // The metafile as a page picture: 11 x 8.5 inches at 100 pixels per inch, half an inch margin,
  // the page rectangle given the aspect of the metafile's bounding box.
  const std::string metafilePath = std::string(kvom::exports::GetCaseDir()) + stem + ".WMF";
  if (kvom::report::LoadPictureFile(0, metafilePath.c_str(), 1) != 1) {
    std::fprintf(stderr, "cannot read %s\n", metafilePath.c_str());
    return 1;
  }
  const auto& header = kvom::report::PictureTable.slots[0].placeableHeader;
  const auto word = [&header](std::size_t offset) {
    return static_cast<std::int16_t>(header[offset] | (header[offset + 1] << 8));
  };
  const platform::win::RECT area =
      kvom::report::FitPlotRect(platform::win::RECT{50, 50, 1050, 800}, word(10) - word(6), word(12) - word(8));
  const platform::win::HDC dc = standins::gdi::createPageContext(1100, 850, 100);
  kvom::report::PageLayout.PagePictureFlag = 1;
  kvom::report::DrawPicture(0, nullptr, dc, area);
  kvom::report::PageLayout.PagePictureFlag = 0;
  kvom::report::FreeAllPictures();
  const bool written = standins::gdi::writePng(dc, (outDir / (stem + ".png")).string());
  DeleteDC(dc);
  if (!written) std::fprintf(stderr, "cannot write %s.png\n", stem.c_str());
  return written ? 0 : 1;
}

void writeContainer(const std::vector<fs::path>& plots, const fs::path& outDir) {
  fs::remove(outDir / "SAMPLES.BFD");
  for (const fs::path& plot : plots) {
    const CaseCopy copy(plot, outDir);
    kvom::report::AppendPlotBlock(copy.name().c_str(), "SAMPLES.BFD", plot.stem().string().c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: picture_samples OUTDIR PLOT.KVD [PLOT.KVD ...]\n");
    return 2;
  }
  const fs::path outDir = argv[1];
  const std::vector<fs::path> plots(argv + 2, argv + argc);
  fs::create_directories(outDir);
  setCaseDir(outDir);
  writeContainer(plots, outDir);
  return writeMetafileAndPage(plots.front(), outDir);
}
