#include "report/report_pages.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "report/file_names.h"
#include "report/page_layout.h"

namespace kvom::report {

std::array<PageReference, kPagePictures> PageReferences{};

namespace {

constexpr std::string_view kPictureMark = "$$$";
constexpr std::string_view kPageBreakMark = "[Page break]";
constexpr std::size_t kRowTypeIndex = kCellsPerRow - 1;

// Reads the file in large pieces and hands out its lines: each line, or its next 199 characters
// when it is longer, with its line end kept.
class LineReader {
 public:
  explicit LineReader(std::FILE* file) : file_(file), piece_(kPieceSize) {}

  // False at the end of the file.
  bool next(std::string_view& line) {
    std::size_t length = 0;
    while (length + 1 < line_.size()) {
      if (position_ == end_ && !fill()) break;
      const char* start = piece_.data() + position_;
      const std::size_t room = std::min(line_.size() - 1 - length, end_ - position_);
      const auto* lineEnd = static_cast<const char*>(std::memchr(start, '\n', room));
      const std::size_t taken = lineEnd != nullptr ? static_cast<std::size_t>(lineEnd - start) + 1 : room;
      std::memcpy(line_.data() + length, start, taken);
      length += taken;
      position_ += taken;
      if (lineEnd != nullptr) break;
    }
    line = std::string_view(line_.data(), length);
    return length > 0;
  }

 private:
  static constexpr std::size_t kPieceSize = 64 * 1024;

  bool fill() {
    position_ = 0;
    end_ = std::fread(piece_.data(), 1, piece_.size(), file_);
    return end_ > 0;
  }

  std::FILE* file_;
  std::vector<char> piece_;
  std::size_t position_ = 0;
  std::size_t end_ = 0;
  std::array<char, kReportLineSize> line_{};
};

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// Copies up to 80 characters into a blank row, blanking NULs and line ends (and tabs when asked).
void fillRow(std::span<char> row, std::string_view source, bool blankTabs) {
  std::fill(row.begin(), row.end(), ' ');
  const std::size_t count = std::min(source.size(), row.size());
  for (std::size_t k = 0; k < count; ++k) {
    const char c = source[k];
    row[k] = (c == '\0' || isLineEnd(c) || (blankTabs && c == '\t')) ? ' ' : c;
  }
}

// Picture references waiting for the next row line.
struct PendingReferences {
  std::array<std::string, kPagePictures> references;
  std::size_t count = 0;
};

}  // namespace

void ClearPageBuffers() {
  ClearPrintPage();
  PageReferences = {};
}

bool CompletesSheet(std::int32_t position, std::int32_t pagesPerSheet) {
  if (pagesPerSheet == 2) return position % 2 == 0;
  if (pagesPerSheet == 4) return position % 4 == 0;
  return true;
}

std::optional<std::string_view> PictureLineReference(std::string_view line) {
  if (!line.starts_with(kPictureMark)) return std::nullopt;
  const std::string_view reference = line.substr(kPictureMark.size(), kPictureLineReference);
  return reference.substr(0, reference.find_first_of("\r\n"));
}

bool IsContainerReference(std::string_view reference) {
  return IsContainerName(reference.substr(0, reference.find(' ')));
}

bool RewriteContainerReference(std::string_view reference, std::string_view reportFile, PageReference& result) {
  result = {};
  const std::size_t blank = reference.find(' ');
  std::string text;
  const bool container = IsContainerReference(reference);
  if (container) {
    text = ReportContainerName(reportFile);
    if (blank != std::string_view::npos) text.append(reference.substr(blank));
  } else {
    text.assign(reference);
  }
  // A reference too long for LoadPicture is kept empty: it loads nothing.
  if (text.size() < result.size()) std::copy(text.begin(), text.end(), result.begin());
  return container;
}

bool DrawPagePictureList(platform::win::HWND window, platform::win::HDC dc, const CellSize& cellSize,
                         std::int32_t position, std::int32_t rowCount) {
  constexpr std::int32_t kSlot = 0;
  const auto count = static_cast<std::size_t>(std::clamp(PrintPage.pictureCount, 0, std::int32_t{kPagePictures}));
  if (count == 0) return false;
  PictureSlot& slot = PictureTable.slots[kSlot];
  const PictureSlot kept = std::exchange(slot, PictureSlot{});
  for (std::size_t k = 0; k < count; ++k) {
    if (LoadPicture(kSlot, PageReferences[k].data(), PrintPage.pictureRows[k] * kCellsPerRow,
                    PrintPage.blockNumbers[k]) != 1) {
      FreePicture(kSlot);
      continue;
    }
    if (slot.kind == kPicturePlot && slot.lastCell / kCellsPerRow >= rowCount - 1) {
      slot.lastCell = kMaxPageRows * kCellsPerRow + slot.lastCell % kCellsPerRow;
    }
    DrawPagePictures(kSlot, window, dc, cellSize, position);
    FreePicture(kSlot);
  }
  slot = kept;
  return true;
}

void PlacePageOnSheet(platform::win::HWND window, platform::win::HDC dc, std::int32_t position,
                      std::int32_t leftColumnsOfTwo, std::int32_t leftColumnsOfFour) {
  constexpr std::int32_t kRightColumns = 4;
  const bool left = position % 2 != 0;
  const std::int32_t quarter = ((position - 1) % 4 + 4) % 4;
  PageLayout.columnOffset = 0;
  PageLayout.rowOffset = 0;
  if (PageLayout.pagesPerSheet == 2) {
    PageLayout.columnOffset = left ? leftColumnsOfTwo : kRightColumns;
    PageLayout.rowOffset = 3;
    if (left) DrawSheetFrame(window, dc, 2);
  } else if (PageLayout.pagesPerSheet == 4) {
    PageLayout.columnOffset = left ? leftColumnsOfFour : kRightColumns;
    PageLayout.rowOffset = quarter < 2 ? 3 : 2;
    if (quarter == 0) DrawSheetFrame(window, dc, 4);
  }
}

bool ReadReportPages(std::FILE* file, const PageRules& rules, std::int32_t& blockCounter, PageSink& sink) {
  ClearPageBuffers();
  PendingReferences pending;
  std::int32_t rowCount = 0;
  LineReader reader(file);
  std::string_view line;

  while (reader.next(line)) {
    const std::optional<std::string_view> reference = PictureLineReference(line);
    if (reference && pending.count < kPagePictures) {
      pending.references[pending.count++] = std::string(*reference);
    } else if (StartsNoCase(line, kPageBreakMark)) {
      if (rowCount > 0) {
        if (!sink.pageDone(PageEnd::kPageBreak, rowCount)) return false;
        ClearPageBuffers();
        rowCount = 0;
      }
    } else {
      auto text = std::span(PrintPage.text).subspan(static_cast<std::size_t>(rowCount) * kCellsPerRow, kCellsPerRow);
      auto markers =
          std::span(PrintPage.markers).subspan(static_cast<std::size_t>(rowCount) * kCellsPerRow, kCellsPerRow);
      if (rules.fontMode == 1) {
        // Plain rows: no type, no markers, and pictures stay pending.
        fillRow(text, line, true);
        std::fill(markers.begin(), markers.end(), ' ');
      } else {
        const std::size_t tab = rules.splitAtLastTab ? line.rfind('\t') : line.find('\t');
        char type = ' ';
        std::string_view rowText = line;
        std::string_view rowMarkers;
        if (tab != std::string_view::npos) {
          type = tab + 1 < line.size() ? line[tab + 1] : ' ';
          if (tab >= kCellsPerRow) {
            rowText = line.substr(0, kCellsPerRow);
            rowMarkers = line.substr(std::min(tab + 2, line.size()), kCellsPerRow);
          }
        }
        if (type == '\0' || isLineEnd(type)) type = ' ';

        if (type == '1') {
          if (rowCount > 0) {
            if (!sink.pageDone(PageEnd::kNewPage, rowCount)) return false;
          }
          ClearPageBuffers();
          rowCount = 0;
          text = std::span(PrintPage.text).first(kCellsPerRow);
          markers = std::span(PrintPage.markers).first(kCellsPerRow);
        }

        // The pending pictures belong to this row. Every container reference takes its block
        // number, so that the pictures after a dropped one still find their own blocks.
        for (std::size_t k = 0; k < pending.count; ++k) {
          PageReference reference{};
          const bool container = RewriteContainerReference(pending.references[k], rules.reportFile, reference);
          if (container) ++blockCounter;
          const auto index = static_cast<std::size_t>(PrintPage.pictureCount);
          if (index >= kPagePictures) continue;
          PageReferences[index] = reference;
          PrintPage.pictureRows[index] = rowCount;
          PrintPage.blockNumbers[index] = container ? blockCounter : 0;
          ++PrintPage.pictureCount;
        }
        pending.count = 0;

        fillRow(text, rowText, false);
        fillRow(markers, rowMarkers, false);
        text[kRowTypeIndex] = type;
        markers[kRowTypeIndex] = type;
      }
      if (rowCount < kMaxPageRows) ++rowCount;
    }
    if (!sink.keepReading()) return true;
  }
  if (rowCount > 0) return sink.pageDone(PageEnd::kFileEnd, rowCount);
  return true;
}

}  // namespace kvom::report
