#include "report/text_copy.h"

#include <algorithm>
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
#include "report/plot_file.h"
#include "report/report_file.h"
#include "report/report_pages.h"
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

// The plot container of a report: its name with the extension (from the last '.') replaced by
// ".BFD", or with ".BFD" added when it has none.
std::string containerOf(std::string_view report) {
  const std::optional<std::size_t> dot = ExtensionDot(report);
  return std::string(report.substr(0, dot.value_or(report.size()))) + ".BFD";
}

// The container pictures of a report file, counted as the readers count them; none when it
// cannot be read.
std::optional<std::int32_t> containerPictures(const char* report) {
  const File file(platform::crt::openFile(report, "rb"));
  if (!file) return std::nullopt;
  std::int32_t count = 0;
  while (const std::optional<std::string> line = readLine(file.get())) {
    const std::optional<std::string_view> reference = PictureLineReference(*line);
    if (reference && IsContainerReference(*reference)) ++count;
  }
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return count;
}

// The target's container as the merged report numbers it: the blocks of the target's own
// container pictures (empty ones where its container lacks them), then those of the source's.
// A container that the source shares by name keeps every block it has, so that the source's
// pictures keep theirs; any other keeps only the blocks of the target's pictures, as a container
// of a target that is not there yet keeps none. Written beside the container, to take its place
// once the report is appended; none when it cannot be written.
std::optional<GuardedOutput> mergedContainer(const std::string& target, std::int32_t targetPictures,
                                             const std::string& source, std::int32_t sourcePictures, bool shared) {
  const auto open = [](const std::string& name, File& file) {
    if (FileExists(name.c_str()) != 1) return true;
    file.reset(platform::crt::openFile(name.c_str(), "rb"));
    return file != nullptr;
  };
  File kept;
  File added;
  if (!open(target, kept) || !open(source, added)) return std::nullopt;
  GuardedOutput output = GuardedOutput::replace(target, "wb");
  if (!output) return std::nullopt;
  const std::int32_t keptBlocks = shared ? std::max(targetPictures, CountContainerBlocks(kept.get())) : targetPictures;
  if (!CopyContainerBlocks(kept.get(), keptBlocks, output.get()) ||
      !CopyContainerBlocks(added.get(), sourcePictures, output.get())) {
    return std::nullopt;
  }
  return output;
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
  // The readers number the container pictures of a report 1, 2, 3 ... against the container named
  // after it, so the blocks of the source's pictures go into the target's container with them.
  const std::string targetContainer = containerOf(target);
  const std::string sourceContainer = containerOf(source);
  const bool targetThere = FileExists(target) == 1;
  // A report named like a container (a target or a source "X.BFD") is no container of the other.
  const bool aReport = EqualNoCase(targetContainer, target) || EqualNoCase(targetContainer, source) ||
                       SameFile(targetContainer.c_str(), target) || SameFile(targetContainer.c_str(), source);
  if (aReport) return CopyOrAppendFile(source, target, 2);
  // A new target of the source's base name has the source's container, blocks and all.
  const bool shared = SameFile(targetContainer.c_str(), sourceContainer.c_str());
  const std::optional<std::int32_t> sourcePictures = containerPictures(source);
  if (!sourcePictures) return -1;

  const bool merging = *sourcePictures > 0 && !(shared && !targetThere);
  const std::optional<std::int32_t> targetPictures = merging && targetThere ? containerPictures(target) : 0;
  if (!targetPictures) return -1;
  std::optional<GuardedOutput> container =
      merging ? mergedContainer(targetContainer, *targetPictures, sourceContainer, *sourcePictures, shared)
              : std::nullopt;
  if (merging && !container) return -1;

  // Nothing is changed until the report is appended: a failed call leaves every file as it was.
  const FileMark reportBefore(target);
  if (container && !reportBefore.usable()) return -1;
  if (const std::int32_t appended = CopyOrAppendFile(source, target, 2); appended != 0) return appended;
  if (container) {
    if (!container->commit()) {
      reportBefore.restore();
      return -1;
    }
  } else if (!targetThere && !shared && FileExists(targetContainer.c_str()) == 1) {
    // The container of a target that was not there is stale: no picture of the report shows it.
    DeleteFileA(targetContainer.c_str());
  }
  return 0;
}

}  // namespace kvom::report
