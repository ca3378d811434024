#include "report/plot_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/windows/codepage.h"
#include "platform/windows/files.h"
#include "platform/windows/gdi.h"
#include "platform/windows/window.h"
#include "report/file_names.h"

namespace kvom::report {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

constexpr float kRadiansPerDegree = std::numbers::pi_v<float> / 180.0f;

// The line in a buffer, as far as its NUL.
std::string_view lineText(std::span<const char> buffer) {
  return {buffer.data(), ::strnlen(buffer.data(), buffer.size())};
}

char column(std::string_view line, std::size_t index) { return index < line.size() ? line[index] : ' '; }

int digitValue(char c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

// A signed whole number from the columns: leading blanks, an optional sign, digits up to the
// first other character. No digits read as 0; values beyond 32 bits saturate.
std::int64_t readWhole(std::string_view line, std::size_t first, std::size_t width) {
  std::size_t index = first;
  const std::size_t end = first + width;
  while (index < end && column(line, index) == ' ') ++index;
  bool negative = false;
  if (index < end && (column(line, index) == '-' || column(line, index) == '+')) {
    negative = column(line, index) == '-';
    ++index;
  }
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (; index < end && digitValue(column(line, index)) >= 0; ++index) {
    value = std::min(value * 10 + digitValue(column(line, index)), kLimit);
  }
  return negative ? -value : value;
}

// Plot values as device integers: cut toward zero, kept inside 32 bits, NaN as 0.
std::int32_t toDeviceInt(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLow = std::numeric_limits<std::int32_t>::min();
  constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::clamp(std::trunc(value), kLow, kHigh));
}

// Reader of plot texts: one open file and its name between calls.
struct PlotTextReader {
  FileHandle file;
  std::string name;
};

PlotTextReader& plotTextReader() {
  static PlotTextReader reader;
  return reader;
}

}  // namespace

void ParseFixedFields(std::string_view line, std::string_view codes, std::span<const PlotField> destinations) {
  // The line end is no part of the line: its columns read as blanks.
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  std::size_t position = 0;
  std::size_t next = 0;
  for (std::size_t code = 0; code + 3 <= codes.size(); code += 3) {
    const char letter = codes[code];
    const int first = digitValue(codes[code + 1]);
    const int second = digitValue(codes[code + 2]);
    if (first < 0 || second < 0) continue;
    const std::size_t width = letter == 'F' ? std::size_t(first) : std::size_t(first * 10 + second);
    const PlotField* destination = nullptr;
    if (letter == 'A' || letter == 'F' || letter == 'I') {
      if (next < destinations.size()) destination = &destinations[next];
      ++next;
    } else if (letter != 'X') {
      continue;  // takes no column
    }
    if (destination != nullptr) {
      if (letter == 'A') {
        if (const auto* text = std::get_if<std::span<char>>(destination); text != nullptr && !text->empty()) {
          const std::size_t length = std::min({width, kMaxFieldChars, text->size() - 1});
          for (std::size_t i = 0; i < length; ++i) (*text)[i] = column(line, position + i);
          (*text)[length] = '\0';
        }
      } else if (letter == 'F') {
        if (float* const* number = std::get_if<float*>(destination); number != nullptr && *number != nullptr) {
          **number = static_cast<float>(static_cast<double>(readWhole(line, position, width)) / std::pow(10.0, second));
        }
      } else if (std::int32_t* const* integer = std::get_if<std::int32_t*>(destination);
                 integer != nullptr && *integer != nullptr) {
        **integer = static_cast<std::int32_t>(readWhole(line, position, std::min(width, kMaxFieldChars)));
      }
    }
    position += width;
  }
}

int ReadPlotLine(std::span<char, kPlotLineSize> buffer, const char* name, int closeFlag) {
  PlotTextReader& reader = plotTextReader();
  const auto closeReader = [&reader] {
    reader.file.reset();
    reader.name.clear();
  };
  if (closeFlag != 0 || name == nullptr) {
    closeReader();
    return 0;
  }
  bool firstLine = false;
  if (!reader.file || reader.name != name) {
    closeReader();
    reader.file.reset(platform::crt::openFile(name, "r"));
    if (!reader.file) return 0;
    reader.name = name;
    firstLine = true;
  }
  buffer[0] = '\0';
  bool got = std::fgets(buffer.data(), static_cast<int>(buffer.size()), reader.file.get()) != nullptr;
  if (got && firstLine && std::strncmp(buffer.data(), "VER", 3) == 0) {
    got = std::fgets(buffer.data(), static_cast<int>(buffer.size()), reader.file.get()) != nullptr;
  }
  if (!got) {
    buffer[0] = '\0';
    closeReader();
    return 0;
  }
  return 1;
}

namespace {

// One pass over a plot text, shared by the reader and the counter so that both always agree:
// every record is counted, and stored while `records` has room; texts are stored while
// `extraText` has room for them and their NUL.
struct PlotTextScan {
  std::int32_t count = 0;
  std::int32_t extraSize = 0;
  float xExtent = 0;
  float yExtent = 0;
};

PlotTextScan scanPlotText(const char* name, std::span<PlotRecord> records, std::span<char> extraText) {
  PlotTextScan scan;
  std::array<char, kPlotLineSize> buffer{};
  const auto nextLine = [&](std::string_view& line) {
    if (ReadPlotLine(buffer, name, 0) == 0) return false;
    line = lineText(buffer);
    return true;
  };
  const auto raise = [&scan](float x, float y) {
    scan.xExtent = std::max(scan.xExtent, x);
    scan.yExtent = std::max(scan.yExtent, y);
  };

  ReadPlotLine(buffer, nullptr, 1);  // start at the first line, whatever was read before
  float s = 1;
  float ox = 0;
  float oy = 0;
  PlotRecord work;
  std::string_view line;
  while (nextLine(line)) {
    std::array<char, 2> type{};
    float x = 0;
    float y = 0;
    std::int32_t unused = 0;
    const PlotField main[] = {std::span<char>(type), &x, &y, &unused};
    ParseFixedFields(line, "A01F84F84I02", main);
    const char letter = type[0];
    if (letter == 'T') {
      raise(x * s + ox, y * s + oy);
      break;
    }
    if (letter != 'F' && letter != 'L' && letter != 'O' && letter != 'V') {
      x = x * s + ox;
      y = y * s + oy;
      raise(x, y);
    }
    bool store = false;
    switch (letter) {
      case 'A': {
        float headX = 0, headY = 0, bar = 0;
        const PlotField extra[] = {&headX, &headY, &bar};
        if (!nextLine(line)) return scan;
        ParseFixedFields(line, "X01F84F84F84", extra);
        headX = headX * s + ox;
        headY = headY * s + oy;
        raise(headX, headY);
        work.setSlot(1, x);
        work.setSlot(2, y);
        work.setSlot(3, headX);
        work.setSlot(4, headY);
        work.setSlot(5, bar * s);
        store = true;
        break;
      }
      case 'C': {
        float radius = 0, start = 0, sweep = 0;
        const PlotField extra[] = {&radius, &start, &sweep};
        if (!nextLine(line)) return scan;
        ParseFixedFields(line, "F84F73F73", extra);
        radius *= s;
        if (radius < 0) {
          radius = -radius;  // the point is the centre
        } else {             // the point is where the arc starts
          x -= radius * std::cos(start * kRadiansPerDegree);
          y -= radius * std::sin(start * kRadiansPerDegree);
        }
        work.setSlot(1, x);
        work.setSlot(2, y);
        work.setSlot(3, radius);
        work.setSlot(4, start);
        work.setSlot(5, sweep);
        store = true;
        break;
      }
      case 'E': {
        float radiusX = 0, radiusY = 0, start = 0, sweep = 0;
        const PlotField extra[] = {&radiusX, &radiusY, &start, &sweep};
        if (!nextLine(line)) return scan;
        ParseFixedFields(line, "X01F84F84F73F73", extra);
        work.setSlot(1, x);
        work.setSlot(2, y);
        work.setSlot(3, radiusX * s);
        work.setSlot(4, radiusY * s);
        work.setSlot(5, start);
        work.setSlot(6, sweep);
        store = true;
        break;
      }
      case 'D':
      case 'M':
        work.setSlot(1, x);
        work.setSlot(2, y);
        store = true;
        break;
      case 'F':
        s = x / 1000;
        break;
      case 'L':
        work.setSlot(1, x);
        store = true;
        break;
      case 'O':
        ox += x * s;
        oy += y * s;
        break;
      case 'S': {
        float height = 0, angle = 0;
        std::int32_t length = 0;
        const PlotField extra[] = {&height, &angle, &length};
        if (!nextLine(line)) return scan;
        ParseFixedFields(line, "F54F63I02", extra);
        // A text line holds at most 84 characters; a negative count holds none.
        length = std::clamp<std::int32_t>(length, 0, kMaxFieldChars);
        if (!nextLine(line)) return scan;
        const std::size_t offset = static_cast<std::size_t>(scan.extraSize);
        if (offset + static_cast<std::size_t>(length) < extraText.size()) {
          const std::string codes = "A" + std::to_string(length / 10) + std::to_string(length % 10);
          const PlotField text[] = {extraText.subspan(offset, static_cast<std::size_t>(length) + 1)};
          ParseFixedFields(line, codes, text);
        }
        height = height * 1.45f * s;
        work.setSlot(1, x);
        work.setSlot(2, y);
        work.setSlot(3, height);
        work.setSlot(4, angle);
        work.setSlot(5, static_cast<float>(length));
        work.setSlot(6, static_cast<float>(offset));
        scan.extraSize += length;
        raise(scan.xExtent, y + height);
        store = true;
        break;
      }
      case 'V':
        if (const auto kind = toDeviceInt(x); kind == 3 || kind == 4) {
          if (!nextLine(line)) return scan;
        }
        break;
      default:
        break;
    }
    if (store) {
      work.setType(letter);
      if (static_cast<std::size_t>(scan.count) < records.size()) records[static_cast<std::size_t>(scan.count)] = work;
      ++scan.count;
      if (letter == 'C' || letter == 'E') {
        float largestX = 0, largestY = 0;
        ArcExtent(largestX, largestY, work);
        raise(largestX, largestY);
      }
    }
  }
  return scan;
}

}  // namespace

namespace {

// ReadPlotText, giving the whole scan: its count and extra size tell what the text held.
PlotTextScan readPlotText(const char* name, std::int32_t& count, std::span<PlotRecord> records,
                          std::span<char> extraText, float& xExtent, float& yExtent) {
  const PlotTextScan scan = scanPlotText(name, records, extraText);
  std::array<char, kPlotLineSize> buffer{};
  ReadPlotLine(buffer, name, 1);
  count = std::min(scan.count, static_cast<std::int32_t>(records.size()));
  xExtent = scan.xExtent;
  yExtent = scan.yExtent;
  return scan;
}

}  // namespace

void ReadPlotText(const char* name, std::int32_t& count, std::span<PlotRecord> records, std::span<char> extraText,
                  float& xExtent, float& yExtent) {
  readPlotText(name, count, records, extraText, xExtent, yExtent);
}

void CountPlotText(const char* name, std::int32_t& count, std::int32_t& extraSize) {
  const PlotTextScan scan = scanPlotText(name, {}, {});
  std::array<char, kPlotLineSize> buffer{};
  ReadPlotLine(buffer, name, 1);
  count = scan.count;
  extraSize = scan.extraSize;
}

void ArcExtent(float& largestX, float& largestY, const PlotRecord& record) {
  const bool circle = record.type() == 'C';
  const float centreX = record.slot(1);
  const float centreY = record.slot(2);
  const float radiusX = record.slot(3);
  const float radiusY = circle ? radiusX : record.slot(4);
  const std::int32_t start = toDeviceInt(record.slot(circle ? 4 : 5));
  const std::int32_t sweep = toDeviceInt(record.slot(circle ? 5 : 6));
  const auto pointAt = [&](std::int64_t degrees) {
    const float radians = static_cast<float>(degrees) * kRadiansPerDegree;
    return std::pair{radiusX * std::cos(radians) + centreX, radiusY * std::sin(radians) + centreY};
  };
  std::tie(largestX, largestY) = pointAt(start);
  // One full turn reaches every point of the arc; further turns add none.
  const std::int64_t steps = std::min<std::int64_t>(std::abs(static_cast<std::int64_t>(sweep)), 360);
  const std::int64_t step = sweep < 0 ? -1 : 1;
  for (std::int64_t k = 0; k <= steps; ++k) {
    const auto [x, y] = pointAt(start + k * step);
    largestX = std::max(largestX, x);
    largestY = std::max(largestY, y);
  }
}

namespace {

constexpr std::int64_t kRecordBytes = sizeof(PlotRecord);
// The piece in which a block's body is copied.
constexpr std::int64_t kCopyPiece = 65536;

// The size of an open file in bytes; the file is left at its start.
std::int64_t sizeOf(std::FILE* file) {
  const std::int64_t size = std::fseek(file, 0, SEEK_END) == 0 ? std::max(0L, std::ftell(file)) : 0;
  std::rewind(file);
  return size;
}

// The bytes of a block after its header: its records and its extra text.
std::int64_t bodySize(const PlotBlockHeader& header) { return header.recordCount * kRecordBytes + header.extraSize; }

// Reads the header at the file's position. A block is sound when its counts are not negative and
// its records and extra text lie inside the file.
bool readSoundHeader(std::FILE* file, std::int64_t fileSize, PlotBlockHeader& header) {
  if (std::fread(&header, sizeof header, 1, file) != 1) return false;
  if (header.recordCount < 0 || header.extraSize < 0) return false;
  const long position = std::ftell(file);
  return position >= 0 && bodySize(header) <= fileSize - position;
}

// Moves the file past the sound block at its position; false when there is none.
bool skipBlock(std::FILE* file, std::int64_t fileSize) {
  PlotBlockHeader header;
  if (!readSoundHeader(file, fileSize, header)) return false;
  const std::int64_t body = bodySize(header);
  return body == 0 || std::fseek(file, static_cast<long>(body), SEEK_CUR) == 0;
}

// Positions the file at the header of the block; when the block is not there, at the end.
void seekBlock(std::FILE* file, std::int64_t fileSize, int block) {
  if (block < 1 || block > kMaxPlotBlock) block = 1;
  std::rewind(file);
  for (int skipped = 1; skipped < block; ++skipped) {
    if (!skipBlock(file, fileSize)) {
      std::fseek(file, 0, SEEK_END);
      return;
    }
  }
}

// Shown when a container cannot be opened; the outputs stay untouched.
void showOpenError() {
  MessageBoxA(nullptr, "Can not open file", "Open Error", platform::win::MB_OK | platform::win::MB_ICONHAND);
}

FileHandle openContainer(const char* name) {
  FileHandle file(name != nullptr ? platform::crt::openFile(name, "rb") : nullptr);
  if (!file) showOpenError();
  return file;
}

}  // namespace

int SeekPlotBlock(std::FILE* file, int block) {
  seekBlock(file, sizeOf(file), block);
  return 0;
}

namespace {

// Opens the container at the block and reads the block's header; false when the file cannot be
// opened. The file is left after the header.
bool openBlock(const char* name, int block, PlotRead::File& file, PlotBlockHeader& header, bool& sound) {
  file.reset(openContainer(name).release());
  if (!file) return false;
  // The blocks before this one are walked on the open file at every read, a header each: places
  // kept from an earlier read could hold another block once the file has been rewritten at the
  // same size, or once the name finds another file, and neither size nor time tells that for sure.
  const std::int64_t fileSize = sizeOf(file.get());
  seekBlock(file.get(), fileSize, block);
  sound = readSoundHeader(file.get(), fileSize, header);
  return true;
}

// Reads the records and extra text of a sound block from after its header; true when every
// record and extra byte that the room holds was read.
bool readBlockBody(std::FILE* file, const PlotBlockHeader& header, std::int32_t& count, std::span<PlotRecord> records,
                   std::span<char> extraText, float& xExtent, float& yExtent) {
  const std::size_t stored = std::min(static_cast<std::size_t>(header.recordCount), records.size());
  const std::size_t read = std::fread(records.data(), sizeof(PlotRecord), stored, file);
  std::fseek(file, static_cast<long>((header.recordCount - static_cast<std::int64_t>(stored)) * kRecordBytes),
             SEEK_CUR);
  const std::size_t extraBytes = std::min(static_cast<std::size_t>(header.extraSize), extraText.size());
  const std::size_t extraRead = extraBytes > 0 ? std::fread(extraText.data(), 1, extraBytes, file) : 0;
  count = static_cast<std::int32_t>(read);
  xExtent = header.xExtent;
  yExtent = header.yExtent;
  return read == stored && extraRead == extraBytes;
}

}  // namespace

void ReadPlotBlockHeader(const char* name, std::int32_t& count, std::int32_t& extraSize, int block) {
  PlotRead::File file;
  PlotBlockHeader header;
  bool sound = false;
  if (!openBlock(name, block, file, header, sound)) return;
  count = sound ? header.recordCount : 0;
  extraSize = sound ? header.extraSize : 0;
}

void ReadPlotBlock(const char* name, std::int32_t& count, std::span<PlotRecord> records, std::span<char> extraText,
                   float& xExtent, float& yExtent, int block) {
  PlotRead::File file;
  PlotBlockHeader header;
  bool sound = false;
  if (!openBlock(name, block, file, header, sound)) return;
  if (!sound) {
    count = 0;
    return;
  }
  readBlockBody(file.get(), header, count, records, extraText, xExtent, yExtent);
}

std::int32_t CountContainerBlocks(std::FILE* file) {
  if (file == nullptr) return 0;
  const std::int64_t fileSize = sizeOf(file);
  std::int32_t count = 0;
  while (count < std::numeric_limits<std::int32_t>::max() && skipBlock(file, fileSize)) ++count;
  return count;
}

bool CopyContainerBlocks(std::FILE* from, std::int32_t count, std::FILE* to) {
  const std::int64_t fileSize = from != nullptr ? sizeOf(from) : 0;
  std::vector<char> buffer;
  bool blocksLeft = from != nullptr;
  for (std::int32_t copied = 0; copied < count; ++copied) {
    PlotBlockHeader header;
    blocksLeft = blocksLeft && readSoundHeader(from, fileSize, header);
    if (!blocksLeft) {
      if (from != nullptr && std::ferror(from) != 0) return false;
      const PlotBlockHeader empty{};
      if (std::fwrite(&empty, sizeof empty, 1, to) != 1) return false;
      continue;
    }
    if (std::fwrite(&header, sizeof header, 1, to) != 1) return false;
    // The body is copied in pieces, so that a large block needs no buffer of its size.
    std::int64_t left = bodySize(header);
    if (left > 0 && buffer.empty()) buffer.resize(kCopyPiece);
    while (left > 0) {
      const std::size_t piece = static_cast<std::size_t>(std::min<std::int64_t>(left, kCopyPiece));
      if (std::fread(buffer.data(), 1, piece, from) != piece) return false;
      if (std::fwrite(buffer.data(), 1, piece, to) != piece) return false;
      left -= static_cast<std::int64_t>(piece);
    }
  }
  return true;
}

namespace {

enum class PlotForm { none, text, container };

// The form of a plot by the extension of its file name (after the last '.' of the last path part).
PlotForm plotForm(const char* name) {
  if (name == nullptr) return PlotForm::none;
  const std::optional<std::string_view> extension = FileExtension(name);
  if (!extension) return PlotForm::none;
  if (EqualNoCase(*extension, "KVD")) return PlotForm::text;
  if (EqualNoCase(*extension, "BFD")) return PlotForm::container;
  return PlotForm::none;
}

}  // namespace

void ReadPlot(const char* name, std::int32_t& count, std::span<PlotRecord> records, std::span<char> extraText,
              float& xExtent, float& yExtent, int block) {
  switch (plotForm(name)) {
    case PlotForm::text:
      ReadPlotText(name, count, records, extraText, xExtent, yExtent);
      break;
    case PlotForm::container:
      ReadPlotBlock(name, count, records, extraText, xExtent, yExtent, block);
      break;
    case PlotForm::none:
      break;
  }
}

void CountPlot(const char* name, std::int32_t& count, std::int32_t& extraSize, int block) {
  switch (plotForm(name)) {
    case PlotForm::text:
      CountPlotText(name, count, extraSize);
      break;
    case PlotForm::container:
      ReadPlotBlockHeader(name, count, extraSize, block);
      break;
    case PlotForm::none:
      break;
  }
}

PlotRead::PlotRead(const char* name, int block) : name_(name) {
  switch (plotForm(name)) {
    case PlotForm::text:
      text_ = true;
      CountPlotText(name, count_, extraSize_);
      break;
    case PlotForm::container:
      if (openBlock(name, block, file_, header_, sound_) && sound_) {
        count_ = header_.recordCount;
        extraSize_ = header_.extraSize;
      }
      break;
    case PlotForm::none:
      break;
  }
}

bool PlotRead::read(std::int32_t& count, std::span<PlotRecord> records, std::span<char> extraText, float& xExtent,
                    float& yExtent) {
  if (text_) {
    // The text is opened again for this scan: it holds what was counted only when nothing
    // removed or changed it meanwhile.
    const PlotTextScan scan = readPlotText(name_, count, records, extraText, xExtent, yExtent);
    return scan.count == count_ && scan.extraSize == extraSize_;
  }
  if (file_ && !sound_) {
    count = 0;  // no block was counted, and none is read
    return true;
  }
  if (!file_) return false;
  const bool whole = readBlockBody(file_.get(), header_, count, records, extraText, xExtent, yExtent);
  file_.reset();
  return whole;
}

PlotterState& plotterState() {
  static PlotterState state;
  return state;
}

namespace {

using platform::win::HDC;
using platform::win::HGDIOBJ;
using platform::win::POINT;

// Plot values to device units under the active mapping; the product is taken in the precision of
// the value.
template <typename Real>
POINT devicePoint(Real x, Real y) {
  const PlotterState& state = plotterState();
  const Real scale = static_cast<Real>(state.scale);
  return {toDeviceInt(std::trunc(static_cast<double>(x * scale)) + state.offset.x),
          toDeviceInt(state.origin.y - std::trunc(static_cast<double>(y * scale)) + state.offset.y)};
}

// Keeps what a drawing changes in the context and gives it back at the end, whichever way the
// drawing ends: the context's own pen and font are selected again and the plot font is deleted.
class PlotDrawing {
 public:
  explicit PlotDrawing(HDC dc) : dc_(dc) {
    PlotterState& state = plotterState();
    state.savedFont = nullptr;
    selectPen(state.solidPen);
    // Arcs and ellipses are drawn without a fill: the hollow brush stays selected for the whole
    // drawing instead of once per arc.
    savedBrush_ = SelectObject(dc_, GetStockObject(platform::win::HOLLOW_BRUSH));
    state.hollowBrushSelected = savedBrush_ != nullptr;
  }
  PlotDrawing(const PlotDrawing&) = delete;
  PlotDrawing& operator=(const PlotDrawing&) = delete;
  // Selects one of the shared pens (none: nothing). The context's own pen is the one the first
  // selection replaces, whichever pen that is.
  void selectPen(HGDIOBJ pen) {
    if (pen == nullptr) return;
    const HGDIOBJ previous = SelectObject(dc_, pen);
    if (savedPen_ == nullptr) savedPen_ = previous;
  }
  ~PlotDrawing() {
    PlotterState& state = plotterState();
    if (savedPen_ != nullptr) SelectObject(dc_, savedPen_);
    if (savedBrush_ != nullptr) SelectObject(dc_, savedBrush_);
    state.hollowBrushSelected = false;
    if (state.savedFont != nullptr) SelectObject(dc_, state.savedFont);
    if (state.plotFont != nullptr) DeleteObject(state.plotFont);
    state.plotFont = nullptr;
    state.savedFont = nullptr;
  }

 private:
  HDC dc_;
  HGDIOBJ savedPen_ = nullptr;
  HGDIOBJ savedBrush_ = nullptr;
};

// A text height in device units as a font can have it: cut toward zero, at most kMaxFontHeight
// either way (a fuzzed record's height times the scale can be anything).
std::int32_t fontHeight(double height) { return std::clamp(toDeviceInt(height), -kMaxFontHeight, kMaxFontHeight); }

// The text of an S record: its count of characters at its offset in the extra text, or nothing
// when they do not lie inside the extra text or are more than a text may hold.
std::optional<std::string_view> recordText(const PlotRecord& record, std::span<const char> extraText) {
  const std::int32_t length = toDeviceInt(record.slot(5));
  const std::int32_t offset = toDeviceInt(record.slot(6));
  if (length < 0 || length > static_cast<std::int32_t>(kMaxPlotTextChars) || offset < 0) return std::nullopt;
  if (static_cast<std::size_t>(offset) + static_cast<std::size_t>(length) > extraText.size()) return std::nullopt;
  return std::string_view(extraText.data() + offset, static_cast<std::size_t>(length));
}

}  // namespace

void DrawPlotRecords(HDC dc, std::span<const PlotRecord> records, std::span<const char> extraText, POINT origin,
                     POINT offset, float scale) {
  PlotterState& state = plotterState();
  state.fontHeight = -1;
  state.fontAngle = -1;
  SetBkMode(dc, platform::win::TRANSPARENT);
  state.origin = origin;
  state.offset = offset;
  state.scale = scale;
  PlotDrawing drawing(dc);
  CreatePlotFont(dc, 100, 0);

  for (const PlotRecord& record : records) {
    const auto slot = [&record](int number) { return record.slot(number); };
    switch (record.type()) {
      case 'A':
        PlotArrow(dc, slot(3), slot(4), slot(1), slot(2), slot(5));
        break;
      case 'C':
        PlotArc(dc, slot(1), slot(2), slot(3), slot(3), slot(4), slot(5));
        break;
      case 'D':
        PlotLineTo(dc, slot(1), slot(2));
        break;
      case 'E':
        PlotArc(dc, slot(1), slot(2), slot(3), slot(4), slot(5), slot(6));
        break;
      case 'L': {
        drawing.selectPen(toDeviceInt(slot(1)) == 1 ? state.solidPen : state.dottedPen);
        break;
      }
      case 'M':
        PlotMoveTo(dc, slot(1), slot(2));
        break;
      case 'S':
        if (const auto text = recordText(record, extraText))
          DrawPlotText(dc, slot(1), slot(2), *text, slot(3), slot(4));
        break;
      case 'T':
        return;
      default:
        break;
    }
  }
}

void DrawPlotScaled(HDC dc, std::span<const PlotRecord> records, std::span<const char> extraText) {
  const PlotterState& state = plotterState();
  DrawPlotRecords(dc, records, extraText, state.storedOrigin, state.storedOffset, 1000);
}

void PlotMoveTo(HDC dc, float x, float y) {
  const POINT point = devicePoint(x, y);
  TracePlotStep("MOVE TO", point.x, point.y);
  MoveToEx(dc, point.x, point.y, nullptr);
}

void PlotLineTo(HDC dc, float x, float y) {
  const POINT point = devicePoint(x, y);
  TracePlotStep("DRAW LINE", point.x, point.y);
  LineTo(dc, point.x, point.y);
}

void PlotArc(HDC dc, float centreX, float centreY, float radiusX, float radiusY, float start, float sweep) {
  const POINT low = devicePoint(centreX - radiusX, centreY - radiusY);
  const POINT high = devicePoint(centreX + radiusX, centreY + radiusY);
  const int left = std::min(low.x, high.x);
  const int right = std::max(low.x, high.x);
  const int top = std::min(low.y, high.y);
  const int bottom = std::max(low.y, high.y);
  const auto pointAt = [&](double degrees) {
    const double radians = degrees * std::numbers::pi / 180;
    return devicePoint(centreX + radiusX * std::cos(radians), centreY + radiusY * std::sin(radians));
  };
  const POINT from = pointAt(start);
  POINT to = pointAt(static_cast<double>(start) + sweep);
  if (std::abs(static_cast<std::int64_t>(to.x) - from.x) < 2) to.x = from.x;
  if (std::abs(static_cast<std::int64_t>(to.y) - from.y) < 2) to.y = from.y;

  // An arc whose ends meet is drawn whole; for a short sweep (a zero sweep above all) that would be
  // a full ellipse where next to nothing is meant, so nothing is drawn.
  const bool endsMeet = to.x == from.x && to.y == from.y;
  if (!endsMeet || std::abs(sweep) >= 180) {
    const HGDIOBJ brush =
        plotterState().hollowBrushSelected ? nullptr : SelectObject(dc, GetStockObject(platform::win::HOLLOW_BRUSH));
    if (std::abs(sweep) > 359.99f) {
      Ellipse(dc, left, top, right, bottom);
    } else if (sweep < 0) {
      Arc(dc, left, top, right, bottom, to.x, to.y, from.x, from.y);
    } else {
      Arc(dc, left, top, right, bottom, from.x, from.y, to.x, to.y);
    }
    if (brush != nullptr) SelectObject(dc, brush);
  }
  MoveToEx(dc, to.x, to.y, nullptr);
}

void PlotArrow(HDC dc, float headX, float headY, float tailX, float tailY, float barHalfLength) {
  constexpr float kPi = std::numbers::pi_v<float>;
  float direction;  // from the head to the tail
  if (std::abs(tailX - headX) < 1e-5f) {
    direction = tailY > headY ? kPi / 2 : -kPi / 2;
  } else if (std::abs(tailY - headY) < 1e-5f) {
    direction = tailX > headX ? 0 : kPi;
  } else {
    direction = std::atan((tailY - headY) / (tailX - headX));
    if (headX > tailX) direction += kPi;
  }
  const float barb = 10 * kRadiansPerDegree;
  PlotMoveTo(dc, tailX, tailY);
  PlotLineTo(dc, headX, headY);
  PlotLineTo(dc, headX + 0.12f * std::cos(direction + barb), headY + 0.12f * std::sin(direction + barb));
  PlotLineTo(dc, headX + 0.12f * std::cos(direction - barb), headY + 0.12f * std::sin(direction - barb));
  PlotLineTo(dc, headX, headY);

  // The bar through the head, across the shaft.
  float firstX = headX - barHalfLength * std::sin(direction);
  float firstY = headY + barHalfLength * std::cos(direction);
  const float secondX = headX + barHalfLength * std::sin(direction);
  const float secondY = headY - barHalfLength * std::cos(direction);
  if (std::abs(firstX - secondX) < 0.02f) firstX = secondX;
  if (std::abs(firstY - secondY) < 0.02f) firstY = secondY;
  PlotMoveTo(dc, firstX, firstY);
  PlotLineTo(dc, secondX, secondY);
}

void DrawPlotText(HDC dc, float x, float y, std::string_view text, float height, float angle) {
  std::array<char, kMaxPlotTextChars + 1> ansi{};
  const std::size_t length = std::min(text.size(), kMaxPlotTextChars);
  if (OemToCharBuffA(text.data(), ansi.data(), static_cast<platform::win::DWORD>(length)) == 0) {
    std::copy_n(text.data(), length, ansi.data());  // unconverted rather than lost
  }

  PlotterState& state = plotterState();
  const std::int32_t h = fontHeight(height * state.scale);
  const std::int32_t a = toDeviceInt(angle);
  if (h != state.fontHeight || a != state.fontAngle) {
    state.fontHeight = h;
    state.fontAngle = a;
    CreatePlotFont(dc, h, a);
  }
  // The top-left corner of the text lies 1.2 heights above the point, across the baseline.
  const double radians = a * std::numbers::pi / 180;
  const double rise = 1.2 * h;
  const int left =
      toDeviceInt(std::trunc(static_cast<double>(x * state.scale) - rise * std::sin(radians)) + state.offset.x);
  const int top = toDeviceInt(
      state.origin.y - std::trunc(static_cast<double>(y * state.scale) + rise * std::cos(radians)) + state.offset.y);
  const POINT point = devicePoint(x, y);
  TracePlotStep("SYMBOL", point.x, point.y);
  TextOutA(dc, left, top, ansi.data(), static_cast<int>(length));
  MoveToEx(dc, point.x, point.y, nullptr);
}

void CreatePlotFont(HDC dc, int height, int angle) {
  PlotterState& state = plotterState();
  const int tenths = (angle % 360) * 10;  // the same direction, without overflow
  const HGDIOBJ font =
      CreateFontA(fontHeight(height), 0, tenths, tenths, platform::win::FW_NORMAL, 0, 0, 0, platform::win::ANSI_CHARSET,
                  platform::win::OUT_DEFAULT_PRECIS, platform::win::CLIP_DEFAULT_PRECIS, platform::win::PROOF_QUALITY,
                  platform::win::DEFAULT_PITCH, "Arial");
  if (font == nullptr) return;  // the text keeps the font in use
  const HGDIOBJ previous = SelectObject(dc, font);
  if (previous == nullptr) {
    DeleteObject(font);
    return;
  }
  if (state.plotFont != nullptr) {
    DeleteObject(state.plotFont);
  } else if (state.savedFont == nullptr) {
    state.savedFont = previous;  // the context's own font, to select again after the drawing
  }
  state.plotFont = font;
}

}  // namespace kvom::report
