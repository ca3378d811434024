// Printing and previewing a report of 500 pages of 56 rows (forms with box lines, tables of
// right-aligned values under centred heads, dotted leaders, left-aligned values, '=' columns, rule
// rows, and a heating-curve plot from the report's own container every tenth page), two pages per
// sheet, on the stand-in printer with its PDF step switched off, each against a floor measured in
// the same run: the report read line by line with fgets, then a job on the same paper that holds
// the job's own texts at the same device points and as many LineTo appends as the job's other
// entries (for the preview: the lines of the cached pages, and their sheets drawn the same way
// into the preview window). The repetitions of all four are interleaved; the report ends with the
// median times and their ratios, the PDF rendering time per printed page, and the peak memory of
// a 100- and a 2,000-page job.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/print_room.h"
#include "bench/ratio_reporter.h"
#include "platform/windows/gdi.h"
#include "platform/windows/printing.h"
#include "tests/support/long_report.h"

namespace {

namespace gdi = standins::gdi;
using platform::win::HDC;

constexpr int kPages = 500;
constexpr int kPagesPerSheet = 2;

// What a sheet holds for the floor: its texts at their device points, and its other entries.
struct FloorSheet {
  std::vector<std::pair<platform::win::POINT, std::string>> texts;
  std::size_t others = 0;
};

void addFloorSheet(const std::vector<gdi::DisplayEntry>& entries, std::vector<FloorSheet>& sheets) {
  FloorSheet sheet;
  for (const gdi::DisplayEntry& entry : entries) {
    if (entry.kind == gdi::EntryKind::Text && !entry.points.empty()) {
      sheet.texts.emplace_back(entry.points.front(), entry.text);
    } else {
      ++sheet.others;
    }
  }
  sheets.push_back(std::move(sheet));
}

std::size_t entryCount(const std::vector<FloorSheet>& sheets, bool texts) {
  std::size_t count = 0;
  for (const FloorSheet& sheet : sheets) count += texts ? sheet.texts.size() : sheet.others;
  return count;
}

// Reads the first `lines` lines of the file with fgets (all when negative).
void readLines(const std::string& path, long lines) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) throw std::runtime_error("cannot read the report");
  char buffer[256];
  long read = 0;
  while ((lines < 0 || read < lines) && std::fgets(buffer, sizeof buffer, file) != nullptr) ++read;
  std::fclose(file);
  benchmark::DoNotOptimize(read);
}

// One sheet of the floor: a font selected once, the texts, and the appends.
void drawFloorSheet(HDC dc, platform::win::HFONT font, const FloorSheet& sheet) {
  const platform::win::HGDIOBJ previous = SelectObject(dc, font);
  for (const auto& [at, text] : sheet.texts) TextOutA(dc, at.x, at.y, text.data(), static_cast<int>(text.size()));
  MoveToEx(dc, 0, 0, nullptr);
  for (std::size_t k = 0; k < sheet.others; ++k) LineTo(dc, static_cast<int>(k % 3000), static_cast<int>(k % 2000));
  SelectObject(dc, previous);
}

class Bench {
 public:
  Bench() : room_(kPagesPerSheet) {
    const auto report = kvom::test::writeLongReport(room_.currentDir(), "BENCH", kPages);
    native_ = report.string();
    windows_ = room_.windowsPath(report);
    font_ = CreateFontA(100, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 2, 0, "Arial");

    // The job once, for its sheets and paper.
    const gdi::PrintJobRecord& job = print();
    job_ = job;
    printCalls_ = gdi::callLog().size();
    for (const gdi::Page& page : job_.pages) addFloorSheet(page.entries, printSheets_);
    mode_.dmSize = sizeof mode_;
    mode_.dmFields = platform::win::DM_ORIENTATION;
    mode_.dmOrientation =
        job_.width > job_.height ? platform::win::DMORIENT_LANDSCAPE : platform::win::DMORIENT_PORTRAIT;
    printFloor();
    printFloorCalls_ = gdi::callLog().size();

    // The preview once, for its sheets, and the lines the cache takes: those of the cached pages.
    room_.preview(windows_, [this](const std::vector<gdi::DisplayEntry>& entries) {
      addFloorSheet(entries, previewSheets_);
    });
    previewCalls_ = gdi::callLog().size();
    previewLines_ = cachedLines(static_cast<long>(previewSheets_.size()) * kPagesPerSheet);
    previewFloor();
    previewFloorCalls_ = gdi::callLog().size();
  }
  ~Bench() {
    if (font_ != nullptr) DeleteObject(font_);
  }

  const gdi::PrintJobRecord& print() { return room_.print(windows_); }

  void printFloor() {
    gdi::clearPrintJobs();
    gdi::clearCallLog();
    readLines(native_, -1);
    HDC dc = CreateDCA(nullptr, job_.printer.c_str(), nullptr, &mode_);
    const platform::win::DOCINFOA document{sizeof(platform::win::DOCINFOA), "floor", nullptr, nullptr, 0};
    StartDocA(dc, &document);
    for (const FloorSheet& sheet : printSheets_) {
      StartPage(dc);
      drawFloorSheet(dc, font_, sheet);
      EndPage(dc);
    }
    EndDoc(dc);
    DeleteDC(dc);
  }

  int preview() { return room_.preview(windows_); }

  void previewFloor() {
    gdi::clearCallLog();
    readLines(native_, previewLines_);
    const platform::win::HWND window = room_.previewWindow();
    for (const FloorSheet& sheet : previewSheets_) {
      gdi::clearWindowDisplayList(window);
      HDC dc = GetDC(window);
      drawFloorSheet(dc, font_, sheet);
      ReleaseDC(window, dc);
    }
  }

  void count(benchmark::State& state, bool printing, bool floor) const {
    const auto& sheets = printing ? printSheets_ : previewSheets_;
    state.counters["sheets"] = static_cast<double>(sheets.size());
    state.counters["texts"] = static_cast<double>(entryCount(sheets, true));
    state.counters["lines"] = static_cast<double>(entryCount(sheets, false));
    state.counters["calls"] = static_cast<double>(
        printing ? (floor ? printFloorCalls_ : printCalls_) : (floor ? previewFloorCalls_ : previewCalls_));
  }

  // The PDF of the job's sheets, timed per printed sheet (the median of three).
  double pdfMillisecondsPerSheet() const {
    std::vector<double> times;
    const std::string path = (room_.currentDir() / "job.pdf").string();
    for (int k = 0; k < 3; ++k) {
      const auto start = std::chrono::steady_clock::now();
      if (!gdi::writeJobPdf(job_, path)) throw std::runtime_error("cannot render the job");
      times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[1] / static_cast<double>(job_.pages.size());
  }
  std::size_t printedSheets() const { return job_.pages.size(); }

 private:
  // The lines of the report up to the first row of the page after the cached ones.
  long cachedLines(long pages) const {
    std::FILE* file = std::fopen(native_.c_str(), "r");
    char buffer[256];
    long lines = 0;
    long page = 0;
    while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
      ++lines;
      const char* tab = std::strchr(buffer, '\t');
      if (tab != nullptr && tab[1] == '1' && ++page > pages) break;
    }
    std::fclose(file);
    return lines;
  }

  kvom::bench::PrintRoom room_;
  std::string native_;
  std::string windows_;
  platform::win::HFONT font_ = nullptr;
  gdi::PrintJobRecord job_;
  platform::win::DEVMODEA mode_{};
  std::vector<FloorSheet> printSheets_;
  std::vector<FloorSheet> previewSheets_;
  long previewLines_ = 0;
  std::size_t printCalls_ = 0;
  std::size_t printFloorCalls_ = 0;
  std::size_t previewCalls_ = 0;
  std::size_t previewFloorCalls_ = 0;
};

Bench& bench() {
  static Bench instance;
  return instance;
}

void Print(benchmark::State& state) {
  Bench& b = bench();
  for (auto _ : state) b.print();
  b.count(state, true, false);
}
BENCHMARK(Print)->Unit(benchmark::kMillisecond)->Repetitions(7)->Iterations(1);

void PrintFloor(benchmark::State& state) {
  Bench& b = bench();
  for (auto _ : state) b.printFloor();
  b.count(state, true, true);
}
BENCHMARK(PrintFloor)->Unit(benchmark::kMillisecond)->Repetitions(7)->Iterations(1);

void Preview(benchmark::State& state) {
  Bench& b = bench();
  for (auto _ : state) benchmark::DoNotOptimize(b.preview());
  b.count(state, false, false);
}
BENCHMARK(Preview)->Unit(benchmark::kMillisecond)->Repetitions(7)->Iterations(3);

void PreviewFloor(benchmark::State& state) {
  Bench& b = bench();
  for (auto _ : state) b.previewFloor();
  b.count(state, false, true);
}
BENCHMARK(PreviewFloor)->Unit(benchmark::kMillisecond)->Repetitions(7)->Iterations(3);

// The peak resident memory of a process that prints a report of that many pages, and how far it
// rose above what the process held before the job; in a child process, so that nothing of the
// benchmark counts. Megabytes, or negative when the child failed.
std::pair<double, double> peakMemory(int pages) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {-1, -1};
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    double result[2] = {-1, -1};
    try {
      kvom::bench::PrintRoom room(kPagesPerSheet);
      const auto report = kvom::test::writeLongReport(room.currentDir(), "PEAK", pages);
      rusage before{};
      getrusage(RUSAGE_SELF, &before);
      room.print(room.windowsPath(report));
      rusage after{};
      getrusage(RUSAGE_SELF, &after);
      result[0] = static_cast<double>(after.ru_maxrss) / 1024;
      result[1] = static_cast<double>(after.ru_maxrss - before.ru_maxrss) / 1024;
    } catch (...) {
    }
    if (write(pipeEnds[1], result, sizeof result) != static_cast<ssize_t>(sizeof result)) _exit(1);
    _exit(0);
  }
  close(pipeEnds[1]);
  double result[2] = {-1, -1};
  if (child < 0 || read(pipeEnds[0], result, sizeof result) != static_cast<ssize_t>(sizeof result)) {
    result[0] = result[1] = -1;
  }
  close(pipeEnds[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return {result[0], result[1]};
}

std::string memoryNote(int pages, const char* label) {
  const auto [peak, rise] = peakMemory(pages);
  char line[160];
  std::snprintf(line, sizeof line, "peak memory of a %s-page job %.1f MB (%.1f MB above the process before it)",
                label, peak, rise);
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  // Before the benchmark's own report and jobs exist.
  const std::string small = memoryNote(100, "100");
  const std::string large = memoryNote(2000, "2,000");

  kvom::bench::RatioReporter reporter({{"Print", "print", "PrintFloor", "floor"},
                                       {"Preview", "preview", "PreviewFloor", "floor"}});
  const int result = kvom::bench::RunInterleaved(argc, argv, reporter);
  if (result != 0) return result;
  char pdf[160];
  std::snprintf(pdf, sizeof pdf, "PDF rendering %.3f ms per printed page (%zu pages of two report pages), timed alone",
                bench().pdfMillisecondsPerSheet(), bench().printedSheets());
  std::printf("%s\n%s\n%s\n", pdf, small.c_str(), large.c_str());
  return 0;
}
