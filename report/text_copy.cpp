#include "report/text_copy.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "exports/run_paths_setup.h"
#include "platform/host_library.h"
#include "platform/windows/files.h"
#include "platform/windows/gdi.h"
#include "report/file_names.h"
#include "report/guarded_output.h"
#include "report/page_layout.h"
#include "report/report_file.h"
#include "report/settings.h"

namespace kvom::report {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Report lines are taken in pieces of at most this many characters.
inline constexpr std::size_t kReportLinePiece = 254;

// Reads one line without its line end (LF, or CR LF); none at the end of the file.
std::optional<std::string> readLine(std::FILE* file) {
  std::string line;
  int c = 0;
  while ((c = std::fgetc(file)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (c == EOF && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// Picture lines and page breaks have no place in a text copy.
bool leftOut(std::string_view piece) { return piece.starts_with("$$$") || piece.starts_with("[Page break]"); }

// Writes the copy of every line; false when a write fails.
bool copyLines(std::FILE* source, std::FILE* target) {
  while (const std::optional<std::string> line = readLine(source)) {
    const std::string_view text = *line;
    std::size_t start = 0;
    do {
      std::string_view piece = text.substr(start, kReportLinePiece);
      start += kReportLinePiece;
      // A row keeps its text columns; its type and markers follow the first tab.
      piece = piece.substr(0, piece.find('\t'));
      if (leftOut(piece)) continue;
      if (std::fwrite(piece.data(), 1, piece.size(), target) != piece.size()) return false;
      if (std::fputs("\r\n", target) == EOF) return false;
    } while (start < text.size());
  }
  return std::ferror(source) == 0;
}

std::string withExtension(const char* base, std::string_view extension) {
  return std::string(base) + std::string(extension);
}

bool isEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

// The checks both entry points make first: the host prepares file access; both names given and
// the source report present.
bool sourceReportReady(const char* targetBase, const char* sourceBase) {
  PellantPrepareFileAccess();
  if (isEmpty(targetBase) || isEmpty(sourceBase)) return false;
  return FileExists(withExtension(sourceBase, ".KVO").c_str()) == 1;
}

// Deletes the three page fonts and forgets them.
void releasePageFonts() {
  for (platform::win::HFONT* font : {&PageLayout.titleFont, &PageLayout.boldFont, &PageLayout.normalFont}) {
    if (*font != nullptr) DeleteObject(*font);
    *font = nullptr;
  }
}

}  // namespace

std::int32_t CopyReportText(const char* source, const char* target) {
  // Emptying the target first would lose a report copied onto itself.
  if (source == nullptr || target == nullptr || EqualNoCase(source, target)) return -1;
  // The source is opened first, so that a report that cannot be read leaves the target alone.
  const File input(platform::crt::openFile(source, "rb"));
  if (!input) return -1;
  // The same report named another way (".\\A.KVO") is refused as well.
  if (SameFile(source, target)) return -1;
  // The copy is written beside an earlier one and replaces it only once it is whole.
  GuardedOutput output = GuardedOutput::replace(target, "wb");
  if (!output) return -1;
  if (!copyLines(input.get(), output.get())) return -1;
  return output.commit() ? 0 : -1;
}

std::int32_t ExportCaseReportText() {
  const std::string caseDir = exports::GetCaseDir();
  const std::string source = caseDir + exports::GetFilePrefix() + ".KVO";
  const std::string target = caseDir + exports::GetCaseName() + ".KVX";
  return CopyReportText(source.c_str(), target.c_str());
}

std::int32_t ExportReportText(const char* targetBase, const char* sourceBase) {
  if (!sourceReportReady(targetBase, sourceBase)) return 0;
  return CopyReportText(withExtension(sourceBase, ".KVO").c_str(), withExtension(targetBase, ".KVX").c_str());
}

std::int32_t AppendReportFiles(std::int32_t, std::int32_t, const char* targetBase, const char* sourceBase,
                               std::int32_t append) {
  if (!sourceReportReady(targetBase, sourceBase)) return 0;
  std::int32_t result = 0;
  if (append != 0) {
    result = AppendReport(withExtension(sourceBase, ".KVO").c_str(), withExtension(targetBase, ".KVO").c_str());
  }
  releasePageFonts();
  return result;
}

std::int32_t AppendReport(const char* source, const char* target) {
  if (source == nullptr || target == nullptr) return -1;
  if (EqualNoCase(source, target)) return -1;
  // The container of the target's plots; a name without an extension gets one.
  const std::string_view targetName = target;
  const std::optional<std::size_t> dot = ExtensionDot(targetName);
  const std::string container = std::string(targetName.substr(0, dot.value_or(targetName.size()))) + ".BFD";
  if (FileExists(container.c_str()) == 1 && FileExists(target) != 1) DeleteFileA(container.c_str());
  return CopyOrAppendFile(source, target, 2);
}

}  // namespace kvom::report
