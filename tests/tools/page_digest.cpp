// Prints a report file on the stand-in printer and previews it, and writes what was drawn: one
// line per display-list entry (kind, device points, text, font, pen, brush, colours, alignment,
// clip), page by page, and a digest of those lines. Two builds that give the same digest drew the
// same pages.
//
//   page_digest REPORT.KVO [PAGES_PER_SHEET [DUMP.txt [JOB.pdf]]]
//   page_digest --generated PAGES [PAGES_PER_SHEET [DUMP.txt [JOB.pdf]]]
//
// A report's container (the same name with ".BFD") is taken along when it is there; --generated
// uses the printing benchmark's report of that many pages.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/print_room.h"
#include "tests/support/long_report.h"

namespace {

namespace fs = std::filesystem;
namespace gdi = standins::gdi;

void describe(std::ostream& out, const gdi::DisplayEntry& e) {
  out << static_cast<int>(e.kind);
  for (const platform::win::POINT& p : e.points) out << ' ' << p.x << ',' << p.y;
  if (e.kind == gdi::EntryKind::Text) {
    const platform::win::LOGFONTA& f = e.font.description;
    out << " \"" << e.text << "\" font " << f.lfHeight << '/' << f.lfWidth << '/' << f.lfWeight << '/'
        << static_cast<int>(f.lfItalic) << '/' << f.lfEscapement << '/' << f.lfFaceName << ' ' << e.font.height << '/'
        << e.font.charWidth << " colour " << e.textColor << '/' << e.backgroundColor << '/' << e.backgroundMode
        << " align " << e.textAlign;
    for (double advance : e.advances) out << ' ' << advance;
  } else {
    out << " pen " << e.pen.style << '/' << e.pen.width << '/' << e.pen.color << " brush " << e.brush.hollow << '/'
        << e.brush.color;
  }
  if (e.clip) out << " clip " << e.clip->left << ',' << e.clip->top << ',' << e.clip->right << ',' << e.clip->bottom;
  if (e.opaqueRect) out << " opaque " << e.opaqueRect->left << ',' << e.opaqueRect->top;
  out << '\n';
}

std::uint64_t digest(const std::string& text) {
  std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || (std::string(argv[1]) == "--generated" && argc < 3)) {
    std::fprintf(stderr, "usage: %s REPORT.KVO|--generated PAGES [PAGES_PER_SHEET [DUMP.txt [JOB.pdf]]]\n", argv[0]);
    return 2;
  }
  const bool generated = std::string(argv[1]) == "--generated";
  const int next = generated ? 3 : 2;
  const int perSheet = argc > next ? std::atoi(argv[next]) : 2;
  const char* dumpPath = argc > next + 1 ? argv[next + 1] : nullptr;
  const char* pdfPath = argc > next + 2 ? argv[next + 2] : nullptr;

  kvom::bench::PrintRoom room(perSheet);
  fs::path report;
  if (generated) {
    report = kvom::test::writeLongReport(room.currentDir(), "BENCH", std::atoi(argv[2]));
  } else {
    const fs::path source = argv[1];
    report = room.currentDir() / source.filename();
    fs::copy_file(source, report);
    fs::path container = source;
    container.replace_extension(".BFD");
    if (fs::exists(container)) fs::copy_file(container, room.currentDir() / container.filename());
  }
  const std::string windowsReport = room.windowsPath(report);

  std::ostringstream printed;
  const gdi::PrintJobRecord& job = room.print(windowsReport);
  for (std::size_t page = 0; page < job.pages.size(); ++page) {
    printed << "sheet " << page + 1 << '\n';
    for (const gdi::DisplayEntry& e : job.pages[page].entries) describe(printed, e);
  }
  const std::size_t sheets = job.pages.size();
  if (pdfPath != nullptr && !gdi::writeJobPdf(job, pdfPath)) std::fprintf(stderr, "cannot write %s\n", pdfPath);

  std::ostringstream previewed;
  int sheet = 0;
  room.preview(windowsReport, [&](const std::vector<gdi::DisplayEntry>& entries) {
    previewed << "preview sheet " << ++sheet << '\n';
    for (const gdi::DisplayEntry& e : entries) describe(previewed, e);
  });

  std::printf("print   %016llx (%zu sheets)\npreview %016llx (%d sheets)\n",
              static_cast<unsigned long long>(digest(printed.str())), sheets,
              static_cast<unsigned long long>(digest(previewed.str())), sheet);
  if (dumpPath != nullptr) std::ofstream(dumpPath) << printed.str() << previewed.str();
  return 0;
}
