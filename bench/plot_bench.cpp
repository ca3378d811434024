// A plot of 10,000 records read from a plot container and drawn onto a printer-sized page, against
// a floor measured in the same run: the same block read with one fread, and as many display-list
// appends as the drawing makes, made directly with LineTo on the same page. The repetitions of both
// sides are interleaved; the report ends with both median times and their ratio.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "platform/windows/gdi.h"
#include "report/plot_file.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/plot_fixture.h"

namespace {

namespace fs = std::filesystem;
using kvom::report::PlotRecord;
using kvom::test::plotRecord;

constexpr int kRecords = 10'000;

// A container with one block of lines, arcs, arrows, pen changes and texts (in runs of ten of one
// height, as labels come), and a page of 8.5 x 11 inches at 300 pixels per inch with the plotter's
// shared pens.
class PlotPage {
 public:
  PlotPage() {
    std::string pattern = (fs::temp_directory_path() / "kvom-plot-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a scratch directory");
    directory_ = pattern;
    native_ = (directory_ / "PLOT.BFD").string();
    windowsPath_ = standins::windows::toWindowsPath(native_);

    kvom::test::PlotBlock block{"bench", {}, {}, 10, 10};
    for (int i = 0; static_cast<int>(block.records.size()) < kRecords; ++i) {
      const float x = static_cast<float>(i % 97) / 10;
      const float y = static_cast<float>(i % 89) / 10;
      block.records.push_back(plotRecord('M', {x, y}));
      block.records.push_back(plotRecord('D', {x + 0.5f, y}));
      block.records.push_back(plotRecord('D', {x + 0.5f, y + 0.5f}));
      block.records.push_back(plotRecord('D', {x, y + 0.5f}));
      block.records.push_back(plotRecord('C', {x, y, 0.3f, 0, 270}));
      block.records.push_back(plotRecord('E', {x, y, 0.4f, 0.2f, 0, 360}));
      block.records.push_back(plotRecord('A', {x, y, x + 1, y + 1, 0.1f}));
      block.records.push_back(plotRecord('L', {static_cast<float>(i % 2)}));
      block.records.push_back(plotRecord(
          'S', {x, y, 0.2f + static_cast<float>(i / 10 % 3) / 10, 0, 6, static_cast<float>(block.extraText.size())}));
      block.extraText += "TEXT" + std::to_string(10 + i % 90);
      block.records.push_back(plotRecord('D', {x, y}));
    }
    block.records.resize(kRecords);
    kvom::test::writePlotContainer(native_, std::vector{block});
    fileSize_ = static_cast<std::size_t>(fs::file_size(native_));

    dc_ = standins::gdi::createPageContext(2550, 3300, 300);
    kvom::report::PlotterState& state = kvom::report::plotterState();
    state.dottedPen = CreatePen(platform::win::PS_DOT, 1, 0);
    state.solidPen = CreatePen(platform::win::PS_SOLID, 3, 0);
    draw();
    appends_ = standins::gdi::displayList(dc_).size();
  }
  ~PlotPage() {
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
  }

  // Reads the block as a loaded plot does (counts first, then the block) and draws it.
  void draw() {
    standins::gdi::clearDisplayList(dc_);
    standins::gdi::clearCallLog();
    standins::windows::clearCallLog();
    std::int32_t count = 0;
    std::int32_t extraSize = 0;
    kvom::report::CountPlot(windowsPath_.c_str(), count, extraSize, 1);
    records_.resize(static_cast<std::size_t>(count));
    extraText_.assign(static_cast<std::size_t>(extraSize) + 1, '\0');
    float x = 0;
    float y = 0;
    kvom::report::ReadPlot(windowsPath_.c_str(), count, records_, extraText_, x, y, 1);
    kvom::report::DrawPlotRecords(dc_, records_, extraText_, platform::win::POINT{0, 3200}, platform::win::POINT{50, 0},
                                  250);
  }

  // The floor: the whole file in one read, then the drawing's number of appends made directly.
  void floor() {
    standins::gdi::clearDisplayList(dc_);
    standins::gdi::clearCallLog();
    standins::windows::clearCallLog();
    buffer_.resize(fileSize_);
    std::FILE* file = std::fopen(native_.c_str(), "rb");
    if (file == nullptr || std::fread(buffer_.data(), 1, buffer_.size(), file) != buffer_.size()) {
      throw std::runtime_error("cannot read the plot");
    }
    std::fclose(file);
    MoveToEx(dc_, 0, 0, nullptr);
    for (std::size_t i = 0; i < appends_; ++i) LineTo(dc_, static_cast<int>(i % 2500), static_cast<int>(i % 3200));
  }

  std::size_t appends() const { return appends_; }

 private:
  fs::path directory_;
  std::string native_;
  std::string windowsPath_;
  std::size_t fileSize_ = 0;
  platform::win::HDC dc_ = nullptr;
  std::size_t appends_ = 0;
  std::vector<PlotRecord> records_;
  std::string extraText_;
  std::vector<char> buffer_;
};

PlotPage& page() {
  static PlotPage instance;
  return instance;
}

void PlotFromContainer(benchmark::State& state) {
  PlotPage& p = page();
  for (auto _ : state) p.draw();
  state.counters["appends"] = static_cast<double>(p.appends());
}
BENCHMARK(PlotFromContainer)->Unit(benchmark::kMillisecond)->Repetitions(9);

void ReadAndAppendsOnly(benchmark::State& state) {
  PlotPage& p = page();
  for (auto _ : state) p.floor();
  state.counters["appends"] = static_cast<double>(p.appends());
}
BENCHMARK(ReadAndAppendsOnly)->Unit(benchmark::kMillisecond)->Repetitions(9);

}  // namespace

int main(int argc, char** argv) {
  kvom::bench::RatioReporter reporter("PlotFromContainer", "plot read and drawn", "ReadAndAppendsOnly",
                                      "one read and the appends alone");
  return kvom::bench::RunInterleaved(argc, argv, reporter);
}
