#pragma once
// Plot files and the plotter.
//
// A plot is a list of 25-byte records (lines, arcs, ellipses, arrows, texts) with one block of
// extra text that holds the texts' characters. Plots come as fixed-column plot texts (".KVD", read
// only) and as plot containers (".BFD", a file of appended blocks). The readers turn either into
// records, extra text and extents; the plotter plays records into a device context through a
// mapping of origin, offset and scale.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <variant>

#include "platform/windows/types.h"

namespace kvom::report {

static_assert(std::endian::native == std::endian::little, "plot records and block headers are little-endian");

// One plot record: the type letter, then six single-precision slots, byte-packed (25 bytes), as
// it is stored in memory blocks and containers. Slots are numbered 1 to 6.
struct PlotRecord {
  std::array<unsigned char, 25> bytes{};

  char type() const { return static_cast<char>(bytes[0]); }
  void setType(char type) { bytes[0] = static_cast<unsigned char>(type); }
  float slot(int number) const {
    float value;
    std::memcpy(&value, bytes.data() + 1 + 4 * (number - 1), sizeof value);
    return value;
  }
  void setSlot(int number, float value) { std::memcpy(bytes.data() + 1 + 4 * (number - 1), &value, sizeof value); }
};
static_assert(sizeof(PlotRecord) == 25 && alignof(PlotRecord) == 1);

// The header in front of each block of a plot container (104 bytes, little-endian).
struct PlotBlockHeader {
  std::array<char, 8> magic{};   // "BFD2.0", NUL filled
  std::array<char, 80> title{};  // NUL-terminated, at most 79 characters
  std::int32_t recordCount = 0;
  std::int32_t extraSize = 0;  // bytes of extra text after the records
  float xExtent = 0;
  float yExtent = 0;
};
static_assert(sizeof(PlotBlockHeader) == 104 && offsetof(PlotBlockHeader, recordCount) == 88 &&
              offsetof(PlotBlockHeader, yExtent) == 100);

inline constexpr std::size_t kPlotLineSize = 256;  // a line, its line end and the NUL
inline constexpr int kMaxPlotBlock = 100;          // block numbers outside 1..100 mean block 1
inline constexpr std::size_t kMaxFieldChars = 84;  // an A or I field takes at most this many
inline constexpr std::size_t kMaxPlotTextChars = 99;
// The tallest font a plot text gets, in device units (a metafile keeps a font height in 16 bits).
inline constexpr std::int32_t kMaxFontHeight = 32767;

// Where ParseFixedFields puts one A, F or I field: a text buffer (NUL-terminated, cut to its
// size), a single-precision number or a 32-bit integer.
using PlotField = std::variant<std::span<char>, float*, std::int32_t*>;

// Reads fixed columns of the line by three-character field codes: Ann text, Fwd number of w
// columns with d implied decimals, Inn integer, Xnn skipped columns; any other letter takes no
// column. One destination is used per A, F or I code, in order; a destination of another kind is
// left alone. Columns past the end of the line (or its line end) read as blanks; a numeric field
// without digits reads as 0.
void ParseFixedFields(std::string_view line, std::string_view codes, std::span<const PlotField> destinations);

// Puts the next line of the named plot text (at most 255 characters with its line end, NUL
// terminated) into the buffer and returns 1; 0 at the end of the file or when it cannot be opened.
// A first line beginning with "VER" is skipped. A different name closes the open file and opens
// the new one. With closeFlag set, closes the open file and returns 0.
int ReadPlotLine(std::span<char, kPlotLineSize> buffer, const char* name, int closeFlag);

// Reads a whole plot text: records into `records`, texts into `extraText`, the extents. Nothing is
// stored past either span; `count` is the number of records stored.
void ReadPlotText(const char* name, std::int32_t& count, std::span<PlotRecord> records, std::span<char> extraText,
                  float& xExtent, float& yExtent);
// The number of records ReadPlotText stores for the file and the total length of its texts.
void CountPlotText(const char* name, std::int32_t& count, std::int32_t& extraSize);

// The largest x and y that the arc of a C or E record reaches.
void ArcExtent(float& largestX, float& largestY, const PlotRecord& record);

// Positions the open container at the header of the block (outside 1..100: block 1). Returns 0.
int SeekPlotBlock(std::FILE* file, int block);
// Record count and extra size of one block of a container; both 0 when the block is missing or
// its header is damaged. A container that cannot be opened leaves both untouched.
void ReadPlotBlockHeader(const char* name, std::int32_t& count, std::int32_t& extraSize, int block);
// Reads one block: at most records.size() records and extraText.size() bytes of extra text.
void ReadPlotBlock(const char* name, std::int32_t& count, std::span<PlotRecord> records, std::span<char> extraText,
                   float& xExtent, float& yExtent, int block);

// The number of sound blocks of an open container, counted from its first: a block ends the count
// when its header is missing or damaged or its records and extra text do not lie inside the file.
std::int32_t CountContainerBlocks(std::FILE* file);
// Writes the first `count` blocks of an open container (null: a container that is not there) to
// `to`, each header, records and extra text as they stand, so that block k of the copy is block k
// of the container. A block that the container lacks (fewer sound blocks) is written as an empty
// block: a header of 0 records and 0 extra text, which shows nothing. False when a read or a
// write fails.
bool CopyContainerBlocks(std::FILE* from, std::int32_t count, std::FILE* to);

// By the extension after the name's last '.' (".KVD" plot text, ".BFD" container, any case);
// another extension, or none, leaves every output untouched.
void ReadPlot(const char* name, std::int32_t& count, std::span<PlotRecord> records, std::span<char> extraText,
              float& xExtent, float& yExtent, int block);
void CountPlot(const char* name, std::int32_t& count, std::int32_t& extraSize, int block);

// One plot read with a single opening of its container: the counts of CountPlot when it is made,
// then the records, extra text and extents of ReadPlot into room the caller has made for them.
// A plot text is scanned for each step as CountPlot and ReadPlot scan it.
class PlotRead {
 public:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  using File = std::unique_ptr<std::FILE, Closer>;

  PlotRead(const char* name, int block);
  PlotRead(const PlotRead&) = delete;
  PlotRead& operator=(const PlotRead&) = delete;

  // Both 0 when the plot gave none.
  std::int32_t count() const { return count_; }
  std::int32_t extraSize() const { return extraSize_; }
  // As ReadPlot; once. True when the read gave every record and extra byte that the counts said
  // (a plot text is scanned again, and may have been removed or changed since it was counted).
  bool read(std::int32_t& count, std::span<PlotRecord> records, std::span<char> extraText, float& xExtent,
            float& yExtent);

 private:
  const char* name_;
  bool text_ = false;
  File file_;
  PlotBlockHeader header_;
  bool sound_ = false;
  std::int32_t count_ = 0;
  std::int32_t extraSize_ = 0;
};

// The plotter's state, one for the library. The owner of a loaded plot sets the stored origin and
// offset and creates the shared pens before it draws.
struct PlotterState {
  platform::win::POINT storedOrigin{};
  platform::win::POINT storedOffset{};
  platform::win::HPEN solidPen = nullptr;
  platform::win::HPEN dottedPen = nullptr;

  // The drawing in progress.
  platform::win::POINT origin{};
  platform::win::POINT offset{};
  float scale = 1;
  platform::win::HFONT plotFont = nullptr;
  platform::win::HFONT savedFont = nullptr;  // the context's own font, selected again at the end
  int fontHeight = -1;
  int fontAngle = -1;
  bool hollowBrushSelected = false;  // arcs need not select it themselves
};
PlotterState& plotterState();

// Plays the records into the device context: plot (x, y) goes to device
// (trunc(x*scale) + offset.x, origin.y - trunc(y*scale) + offset.y). The context's pen and font are
// selected again afterwards; nothing the drawing creates outlives it.
void DrawPlotRecords(platform::win::HDC dc, std::span<const PlotRecord> records, std::span<const char> extraText,
                     platform::win::POINT origin, platform::win::POINT offset, float scale);
// DrawPlotRecords with the stored origin and offset and scale 1000.
void DrawPlotScaled(platform::win::HDC dc, std::span<const PlotRecord> records, std::span<const char> extraText);

// Steps of a drawing in progress, in plot units.
void PlotMoveTo(platform::win::HDC dc, float x, float y);
void PlotLineTo(platform::win::HDC dc, float x, float y);
void PlotArc(platform::win::HDC dc, float centreX, float centreY, float radiusX, float radiusY, float start,
             float sweep);
void PlotArrow(platform::win::HDC dc, float headX, float headY, float tailX, float tailY, float barHalfLength);
// Draws at most 99 characters of the text (OEM code page) with the given point 1.2 heights below
// the text's top, perpendicular to its baseline.
void DrawPlotText(platform::win::HDC dc, float x, float y, std::string_view text, float height, float angle);
// Selects a new plot font (height in device units, bounded by kMaxFontHeight, angle in whole
// degrees) and deletes the one it replaces.
void CreatePlotFont(platform::win::HDC dc, int height, int angle);

// A trace hook of the plotter's steps; it does nothing.
inline void TracePlotStep(const char* /*label*/, int /*x*/, int /*y*/) {}

}  // namespace kvom::report
