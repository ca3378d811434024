// Makes the sample pictures of examples/pictures/ from a plot: the plot as a placeable metafile
// (through the report library's plot-to-metafile writer) and the plot text's blocks appended to a
// plot container; then reads the metafile back as a page picture and draws it on a landscape page
// of the graphics stand-in, written as PNG, so that people can look at it.
//
//   picture_samples PLOT.KVD OUTDIR
//
// writes OUTDIR/<name>.WMF (placeable metafile), OUTDIR/<name>.png (the metafile on a page) and
// OUTDIR/<name>.BFD (the plot converted to a container). Paths are paths of this machine.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "exports/run_paths_setup.h"
#include "platform/windows/gdi.h"
#include "report/page_layout.h"
#include "report/pictures.h"
#include "report/plot_object.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/windows/windows_standin.h"

namespace {

namespace fs = std::filesystem;

void setCaseDir(const fs::path& directory) {
  const std::string windows = standins::windows::toWindowsPath(fs::absolute(directory).string()) + "\\";
  auto& caseDir = kvom::exports::RunPathStrings.caseDir;
  const std::size_t length = std::min(windows.size(), caseDir.size() - 1);
  std::memcpy(caseDir.data(), windows.data(), length);
  caseDir[length] = '\0';
}

int makeSamples(const fs::path& plot, const fs::path& outDir) {
  fs::create_directories(outDir);
  const std::string stem = plot.stem().string();
  // The writers work on names in the case directory: work on a copy of the plot there.
  fs::copy_file(plot, outDir / plot.filename(), fs::copy_options::overwrite_existing);
  setCaseDir(outDir);

  kvom::report::PlotToMetafile(plot.filename().string().c_str(), (stem + ".WMF").c_str(), 9800, 8000);
  kvom::report::ConvertPlotFile(plot.filename().string().c_str());
  if (fs::absolute(outDir / plot.filename()) != fs::absolute(plot)) fs::remove(outDir / plot.filename());

  // The metafile as a page picture: 11 x 8.5 inches at 100 pixels per inch, half an inch margin.
  const std::string metafilePath = std::string(kvom::exports::GetCaseDir()) + stem + ".WMF";
  if (kvom::report::LoadPictureFile(0, metafilePath.c_str(), 1) != 1) {
    std::fprintf(stderr, "cannot read %s\n", metafilePath.c_str());
    return 1;
  }
  // The page rectangle gets the aspect of the metafile's bounding box.
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: picture_samples PLOT.KVD OUTDIR\n");
    return 2;
  }
  return makeSamples(argv[1], argv[2]);
}
