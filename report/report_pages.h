#pragma once
// Turning the lines of a report file into pages of PrintPage, as printing and the preview both do.
// A report line is a picture line ("$$$" and a picture reference for the next row), a page-break
// line ("[Page break]" in any case) or a row line (80 text columns, a tab, the row type and the
// marker cells). A row of type "1" opens a new page; a page holds at most 61 rows.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

#include "common/export.h"
#include "report/page_drawing.h"
#include "report/pictures.h"

namespace kvom::report {

inline constexpr std::size_t kReportLineSize = 200;          // a line is read 199 characters at a time
inline constexpr std::size_t kPictureLineReference = 29;     // characters of a picture line's reference
inline constexpr std::int32_t kMaxPageRows = kPageRows - 1;  // 61 rows are drawn; later ones overwrite the last
inline constexpr std::size_t kPageReferenceSize = kMaxPictureReference + 1;

using PageReference = std::array<char, kPageReferenceSize>;

// The picture references of the page in PrintPage, NUL-terminated. They are wider than a picture
// line's 29 characters because a container reference is rewritten from the report's own name.
KVOM_EXPORT extern std::array<PageReference, kPagePictures> PageReferences;

// How the page reader splits and numbers.
struct PageRules {
  // 1: each row is its first 80 characters, without type, markers or pictures.
  std::int32_t fontMode = 0;
  // Printing splits a row line at its last tab, the preview at its first.
  bool splitAtLastTab = true;
  // The report file; a ".BFD" picture refers to the container named after it.
  std::string_view reportFile;
};

// Why a page ends.
enum class PageEnd { kPageBreak, kNewPage, kFileEnd };

// What the reader does with its pages.
class PageSink {
 public:
  virtual ~PageSink() = default;
  // The page in PrintPage and PageReferences holds rowCount rows (at least 1). False stops the
  // reading.
  virtual bool pageDone(PageEnd end, std::int32_t rowCount) = 0;
  // Asked after every line; false stops the reading with no further page.
  virtual bool keepReading() { return true; }
};

// Reads the open report file to its end and hands each page to the sink. The container-block
// counter counts the ".BFD" pictures met and numbers them. False when the sink stopped it.
KVOM_EXPORT bool ReadReportPages(std::FILE* file, const PageRules& rules, std::int32_t& blockCounter, PageSink& sink);

// Empties PrintPage and PageReferences.
KVOM_EXPORT void ClearPageBuffers();

// The reference of a picture line ("$$$" at the line's start) as the readers take it: at most
// kPictureLineReference characters after the mark, cut at a line end; none for any other line.
KVOM_EXPORT std::optional<std::string_view> PictureLineReference(std::string_view line);
// Whether a reference ("name column row column row") names a plot container: the extension of its
// file name, up to the first blank, is ".BFD".
KVOM_EXPORT bool IsContainerReference(std::string_view reference);

// A ".BFD" reference ("name column row column row", the extension of the file name deciding)
// rewritten to the container named after the report file (ReportContainerName), then the
// reference from its first blank on. Other references come back unchanged; true when the reference was a container one.
KVOM_EXPORT bool RewriteContainerReference(std::string_view reference, std::string_view reportFile,
                                           PageReference& result);

// Draws the pictures of the page in PrintPage at sheet position n: each is loaded in turn into a
// cleared picture slot (the slot's own picture is put back afterwards), drawn and freed. A plot
// that reaches the last drawn row or below is stretched down to the page's last row. False when
// the page has no pictures.
KVOM_EXPORT bool DrawPagePictureList(platform::win::HWND window, platform::win::HDC dc, const CellSize& cellSize,
                                     std::int32_t position, std::int32_t rowCount);

// Sets the cell origin of the page at sheet position n (from 1) and draws the sheet's frame with
// its first page: on sheets of 2 and 4 pages the odd (left) pages start leftColumns cells in (the
// first value for 2, the second for 4), the even ones 4; the pages start 3 rows down, those of
// the lower half of a 4-page sheet 2. One page to a sheet has no offset and no frame.
KVOM_EXPORT void PlacePageOnSheet(platform::win::HWND window, platform::win::HDC dc, std::int32_t position,
                                  std::int32_t leftColumnsOfTwo, std::int32_t leftColumnsOfFour);

// 1, 2 or 4 pages per sheet: whether page position s is the last one of its sheet.
KVOM_EXPORT bool CompletesSheet(std::int32_t position, std::int32_t pagesPerSheet);

}  // namespace kvom::report
