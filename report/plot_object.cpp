#include "report/plot_object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exports/run_paths_setup.h"
#include "platform/windows/clipboard.h"
#include "platform/windows/files.h"
#include "platform/windows/gdi.h"
#include "platform/windows/metafile.h"
#include "platform/windows/window.h"
#include "report/file_names.h"
#include "report/guarded_output.h"
#include "report/movable_block.h"
#include "report/page_layout.h"
#include "report/pictures.h"
#include "report/plot_file.h"

namespace kvom::report {

using namespace platform::win;

BitmapSelectionRecord BitmapSelection;

namespace {

constexpr std::size_t kMaxCasePath = 255;
constexpr std::size_t kMaxTitle = 79;
// Record counts above this would overflow the block sizes (count * 25 + 1) in 32 bits.
constexpr std::int32_t kMaxRecords = (std::numeric_limits<std::int32_t>::max() - 1) / 25;
// Extra text above this would overflow its block size (extra size + 10).
constexpr std::int32_t kMaxExtraSize = std::numeric_limits<std::int32_t>::max() - 10;

constexpr const char* kNoMemory = "Sorry, not enough memory to open more file.";

void ShowError(const char* text, const char* caption) { MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONHAND); }

bool UsableCounts(std::int32_t count, std::int32_t extraSize) {
  return count >= 1 && count <= kMaxRecords && extraSize >= 0 && extraSize <= kMaxExtraSize;
}

// The case directory followed by the name; none when the name is missing or the whole path would
// not fit 255 characters.
std::optional<std::string> CasePath(const char* name) {
  if (name == nullptr) return std::nullopt;
  const char* directory = exports::GetCaseDir();
  std::string path = directory != nullptr ? directory : "";
  path += name;
  if (path.size() > kMaxCasePath) return std::nullopt;
  return path;
}

// Extent times 1000 cut toward zero, kept within 32 bits.
std::int32_t ScaledExtent(float extent) {
  const double scaled = std::trunc(static_cast<double>(extent) * 1000.0);
  if (!std::isfinite(scaled)) return 0;
  return static_cast<std::int32_t>(std::clamp(scaled, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                                              static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}

std::span<const PlotRecord> RecordView(const BlockLock& lock, std::int32_t count) {
  if (!lock.locked() || count <= 0) return {};
  const std::size_t available = lock.bytes().size() / sizeof(PlotRecord);
  return {reinterpret_cast<const PlotRecord*>(lock.bytes().data()),
          std::min(static_cast<std::size_t>(count), available)};
}

std::span<const char> TextView(const BlockLock& lock) {
  if (!lock.locked()) return {};
  return {reinterpret_cast<const char*>(lock.bytes().data()), lock.bytes().size()};
}

// Creates the plotter's shared pens that are missing: the dotted one, then the solid one.
void CreateSharedPens() {
  PlotterState& state = plotterState();
  if (state.solidPen != nullptr) return;
  if (state.dottedPen == nullptr) state.dottedPen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  state.solidPen = CreatePen(PS_SOLID, 10, RGB(0, 0, 0));
}

void DeleteSharedObjects() {
  PlotterState& state = plotterState();
  for (HGDIOBJ* object : {&state.plotFont, &state.solidPen, &state.dottedPen}) {
    if (*object != nullptr) DeleteObject(std::exchange(*object, nullptr));
  }
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool WriteBytes(std::FILE* file, const void* data, std::size_t size) {
  return size == 0 || std::fwrite(data, 1, size, file) == size;
}

PlotBlockHeader BlockHeader(const char* title, std::int32_t count, std::int32_t extraSize, float xExtent,
                            float yExtent) {
  PlotBlockHeader header;
  std::memcpy(header.magic.data(), "BFD2.0", 6);
  if (title != nullptr) {
    const std::size_t length = std::min(std::strlen(title), kMaxTitle);
    std::memcpy(header.title.data(), title, length);
  }
  header.recordCount = count;
  header.extraSize = extraSize;
  header.xExtent = xExtent;
  header.yExtent = yExtent;
  return header;
}

// How a writer puts its block into the container.
enum class BlockWrite { kReplace, kAppend };

// The container's stream: a replaced container is written beside the old one, an append is cut
// back when it fails, so that a failed write leaves the container as it was.
GuardedOutput OpenContainer(const std::string& target, BlockWrite how) {
  return how == BlockWrite::kReplace ? GuardedOutput::replace(target, "wb") : GuardedOutput::append(target, "ab");
}

// Writes the parts of a block and commits them; shows the message of a failed write.
void WriteBlock(GuardedOutput& file, std::initializer_list<std::span<const char>> parts) {
  for (const std::span<const char> part : parts) {
    if (!WriteBytes(file.get(), part.data(), part.size())) {
      file.discard();
      break;
    }
  }
  if (!file.commit()) ShowError("Can not write to file", "K-VOM");
}

template <typename T>
std::span<const char> BytesOf(const T& value) {
  return {reinterpret_cast<const char*>(&value), sizeof value};
}

// Reads block 1 of the source plot and writes it as one block of the target container.
void WritePlotBlock(const std::string& source, const std::string& target, BlockWrite how, const char* title,
                    const char* extraMemoryCaption) {
  // One read of the plot gives the counts and then the records: a container is opened once, and a
  // plot text that does not read again as it was counted (removed or changed meanwhile) writes
  // nothing, so that the container is never given a block of another size than its header says.
  PlotRead plot(source.c_str(), 1);
  const std::int32_t count = plot.count();
  const std::int32_t extraSize = plot.extraSize();
  if (!UsableCounts(count, extraSize)) return;

  MovableBlock extra;
  if (extraSize > 0) {
    extra = MovableBlock::allocate(static_cast<std::size_t>(extraSize) + 10);
    if (!extra) return ShowError(kNoMemory, extraMemoryCaption);
  }
  MovableBlock records = MovableBlock::allocate(static_cast<std::size_t>(count) * sizeof(PlotRecord) + 1);
  if (!records) return ShowError(kNoMemory, "K-VOM");

  const BlockLock recordLock(records.get());
  const BlockLock extraLock(extra.get());
  if (!recordLock.locked() || (extra && !extraLock.locked())) return ShowError(kNoMemory, "K-VOM");
  const std::span<PlotRecord> recordSpan(reinterpret_cast<PlotRecord*>(recordLock.bytes().data()),
                                         static_cast<std::size_t>(count));
  // The reader wants room for a NUL after the last text.
  const std::span<char> extraSpan = extra ? std::span<char>(reinterpret_cast<char*>(extraLock.bytes().data()),
                                                            static_cast<std::size_t>(extraSize) + 1)
                                          : std::span<char>();
  float xExtent = 0;
  float yExtent = 0;
  std::int32_t readCount = count;
  if (!plot.read(readCount, recordSpan, extraSpan, xExtent, yExtent) || readCount != count) return;

  GuardedOutput file = OpenContainer(target, how);
  if (!file) return ShowError("Can not create file", "K-VOM");
  const PlotBlockHeader header = BlockHeader(title, count, extraSize, xExtent, yExtent);
  WriteBlock(file, {BytesOf(header),
                    {reinterpret_cast<const char*>(recordSpan.data()),
                     static_cast<std::size_t>(count) * sizeof(PlotRecord)},
                    {extraSpan.data(), static_cast<std::size_t>(extraSize)}});
}

}  // namespace

void SetBitmapSelection(HBITMAP bitmap, const RECT& area) {
  BitmapSelection.bitmap = bitmap;
  BitmapSelection.area = area;
}

std::int32_t LoadPlot(PlotObject& plot, const char* path, std::int32_t block) {
  if (path == nullptr) return 0;
  // One opening of the file gives the counts and then the block.
  PlotRead source(path, block);
  const std::int32_t count = source.count();
  const std::int32_t extraSize = source.extraSize();
  if (!UsableCounts(count, extraSize)) return 0;

  MovableBlock(std::exchange(plot.records, nullptr)).reset();
  MovableBlock(std::exchange(plot.extraText, nullptr)).reset();

  MovableBlock extra;
  if (extraSize > 0) {
    extra = MovableBlock::allocate(static_cast<std::size_t>(extraSize) + 1);
    if (!extra) {
      ShowError(kNoMemory, "Open File Error");
      return 0;
    }
  }
  MovableBlock records = MovableBlock::allocate(static_cast<std::size_t>(count) * sizeof(PlotRecord));
  if (!records) {
    ShowError(kNoMemory, "Open File Error");
    return 0;
  }

  float xExtent = 0;
  float yExtent = 0;
  std::int32_t readCount = count;
  {
    const BlockLock recordLock(records.get());
    const BlockLock extraLock(extra.get());
    if (!recordLock.locked() || (extra && !extraLock.locked())) return 0;
    const std::span<PlotRecord> recordSpan(reinterpret_cast<PlotRecord*>(recordLock.bytes().data()),
                                           static_cast<std::size_t>(count));
    // The reader wants room for a NUL after the last text.
    const std::span<char> extraSpan = extra ? std::span<char>(reinterpret_cast<char*>(extraLock.bytes().data()),
                                                              static_cast<std::size_t>(extraSize) + 1)
                                            : std::span<char>();
    source.read(readCount, recordSpan, extraSpan, xExtent, yExtent);
  }

  plot.xExtent = ScaledExtent(xExtent);
  plot.yExtent = ScaledExtent(yExtent);
  plot.recordCount = std::clamp(readCount, 0, count);
  plot.records = records.release();
  plot.extraText = extra.release();
  plot.FittedPlotRect = {};
  return 1;
}

void FreePlot(PlotObject& plot) {
  for (HGLOBAL* block : {&plot.records, &plot.extraText}) {
    if (*block == nullptr) continue;
    while (GlobalUnlock(*block) != FALSE) {
    }
    MovableBlock(std::exchange(*block, nullptr)).reset();
  }
  DeleteSharedObjects();
}

RECT FitPlotRect(const RECT& rect, std::int32_t xExtent, std::int32_t yExtent) {
  RECT fitted = rect;
  const LONG width = rect.right - rect.left;
  const LONG height = rect.bottom - rect.top;
  if (xExtent == 0 || yExtent == 0 || width <= 0 || height <= 0) return fitted;
  double w = width;
  double h = height;
  const double aspect = static_cast<double>(xExtent) / yExtent;
  const double ratio = w / h;
  if (ratio > aspect) {
    w = h * aspect;
  } else if (aspect > ratio) {
    h = w / aspect;
  }
  const auto roundUp = [](double value) {
    const auto whole = static_cast<LONG>(value);
    return value > whole ? whole + 1 : whole;
  };
  const LONG fittedWidth = roundUp(w);
  const LONG fittedHeight = roundUp(h);
  if (std::abs(fittedWidth - width) > 1) {
    fitted.left = rect.left + (width - fittedWidth) / 2;
    fitted.right = fitted.left + fittedWidth;
  } else if (std::abs(fittedHeight - height) > 1) {
    fitted.top = rect.top + (height - fittedHeight) / 2;
    fitted.bottom = fitted.top + fittedHeight;
  }
  return fitted;
}

void DrawPlotInRect(PictureSlot& slot, HWND /*window*/, HDC dc, const RECT& rect) {
  PlotObject& plot = slot.plot;
  const std::int32_t xExtent = plot.xExtent;
  const std::int32_t yExtent = plot.yExtent;
  // A plot without extent has no aspect to fit nor a window to map.
  if (plot.records == nullptr || xExtent <= 0 || yExtent <= 0) return;

  CreateSharedPens();
  const BlockLock recordLock(plot.records);
  const BlockLock extraLock(plot.extraText);
  const std::span<const PlotRecord> records = RecordView(recordLock, plot.recordCount);
  const std::span<const char> extraText = TextView(extraLock);
  PlotterState& state = plotterState();
  state.storedOffset = {0, 0};
  state.storedOrigin = {xExtent, yExtent};

  const RECT& last = plot.FittedPlotRect;
  if (rect.left != last.left || rect.top != last.top || rect.right != last.right || rect.bottom != last.bottom) {
    plot.FittedPlotRect = FitPlotRect(rect, xExtent, yExtent);
  }
  const RECT fitted = plot.FittedPlotRect;
  const LONG width = fitted.right - fitted.left;
  const LONG height = fitted.bottom - fitted.top;
  if (width <= 0 || height <= 0) return;

  if (PageLayout.deviceMode == kDeviceMetafile) {
    const float scale = static_cast<float>(width) * 1000.0f / static_cast<float>(xExtent);
    DrawPlotRecords(dc, records, extraText, POINT{width, height}, POINT{fitted.left, fitted.top}, scale);
    return;
  }

  const bool onScreen = PageLayout.PagePictureFlag == 0;
  RECT window{0, 0, xExtent, yExtent};
  if (onScreen) {
    slot.drawnRect = fitted;
    if (slot.plotWindow.right == 0) {
      slot.plotWindow = window;
    } else {
      window = slot.plotWindow;
    }
  }
  SetMapMode(dc, MM_ISOTROPIC);
  SetWindowOrgEx(dc, window.left, window.top, nullptr);
  SetWindowExtEx(dc, window.right - window.left, window.bottom - window.top, nullptr);
  SetViewportOrgEx(dc, fitted.left, fitted.top, nullptr);
  SetViewportExtEx(dc, width, height, nullptr);

  HRGN clip = nullptr;
  if (onScreen) {
    // Clear the plot's area without a frame, inside a clip of the fitted rectangle.
    clip = CreateRectRgn(fitted.left, fitted.top, fitted.right + 1, fitted.bottom + 1);
    if (clip != nullptr) SelectClipRgn(dc, clip);
    const HGDIOBJ previousPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, window.left, window.top, window.right, window.bottom);
    if (previousPen != nullptr) SelectObject(dc, previousPen);
  }
  DrawPlotScaled(dc, records, extraText);
  if (clip != nullptr) DeleteObject(clip);
}

void ConvertPlotFile(const char* name) {
  std::optional<std::string> path = CasePath(name);
  if (!path) return;
  if (!ExtensionDot(*path)) *path += ".KVD";
  // A container is already in the converted form; rewriting it would keep only its first block.
  if (EqualNoCase(FileExtension(*path).value_or(""), "BFD")) return;
  const std::string target = path->substr(0, *ExtensionDot(*path)) + ".BFD";
  if (target.size() > kMaxCasePath) return;
  WritePlotBlock(*path, target, BlockWrite::kReplace, nullptr, "K-OVM");
}

void AppendPlotBlock(const char* source, const char* target, const char* title) {
  const std::optional<std::string> sourcePath = CasePath(source);
  const std::optional<std::string> targetPath = CasePath(target);
  if (!sourcePath || !targetPath) return;
  WritePlotBlock(*sourcePath, *targetPath, BlockWrite::kAppend, title, "K-VOM");
}

void AppendFileBlock(const char* source, const char* target, const char* title) {
  const std::optional<std::string> sourcePath = CasePath(source);
  const std::optional<std::string> targetPath = CasePath(target);
  if (!sourcePath || !targetPath) return;

  std::vector<char> bytes;
  {
    const File input(platform::crt::openFile(sourcePath->c_str(), "rb"));
    if (!input) return;
    if (std::fseek(input.get(), 0, SEEK_END) != 0) return;
    const long size = std::ftell(input.get());
    if (size < 0 || size > std::numeric_limits<std::int32_t>::max()) return;
    std::rewind(input.get());
    bytes.resize(static_cast<std::size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), input.get()) != bytes.size()) return;
  }

  GuardedOutput output = OpenContainer(*targetPath, BlockWrite::kAppend);
  if (!output) return;
  const PlotBlockHeader header = BlockHeader(title, 1, static_cast<std::int32_t>(bytes.size()), 1.0f, 1.0f);
  PlotRecord move;
  move.setType('M');
  WriteBlock(output, {BytesOf(header), BytesOf(move.bytes), bytes});
}

void PlotToMetafile(const char* plotName, const char* metafileName, std::int32_t width, std::int32_t height) {
  const std::optional<std::string> plotPath = CasePath(plotName);
  const std::optional<std::string> metafilePath = CasePath(metafileName);
  if (!plotPath || !metafilePath) return;

  PlotObject plot;
  if (LoadPlot(plot, plotPath->c_str(), 1) == 0 || plot.records == nullptr) return;
  // Frees the plot's blocks (not the shared pens) on every way out.
  const MovableBlock records(plot.records);
  const MovableBlock extra(plot.extraText);
  const std::int32_t xExtent = plot.xExtent;
  const std::int32_t yExtent = plot.yExtent;
  if (xExtent <= 0) return;

  CreateSharedPens();
  const BlockLock recordLock(plot.records);
  const BlockLock extraLock(plot.extraText);

  const HDC metafileDc = CreateMetaFileA(nullptr);
  if (metafileDc == nullptr) return;
  SetMapMode(metafileDc, MM_ANISOTROPIC);
  SetBkMode(metafileDc, TRANSPARENT);
  SetWindowOrgEx(metafileDc, 0, 0, nullptr);
  SetWindowExtEx(metafileDc, width, height, nullptr);

  // The plot is 9800 units wide, 80 units in from the left.
  constexpr int kPlotWidth = 9800;
  const auto bottom = static_cast<LONG>(std::trunc((yExtent - 1000.0) / xExtent * kPlotWidth));
  const float scale = static_cast<float>(kPlotWidth) * 1000.0f / static_cast<float>(xExtent);
  DrawPlotRecords(metafileDc, RecordView(recordLock, plot.recordCount), TextView(extraLock), POINT{kPlotWidth, bottom},
                  POINT{80, static_cast<LONG>(std::trunc(scale))}, scale);

  const HMETAFILE metafile = CloseMetaFile(metafileDc);
  if (metafile == nullptr) return;
  WritePlaceableMetafile(metafile, metafilePath->c_str(), RECT{0, 0, kPlotWidth, bottom});
  DeleteMetaFile(metafile);
}

void CopyBitmapToClipboard(HWND window, std::int32_t mode) {
  if (BitmapSelection.bitmap == nullptr) return;
  const RECT area = BitmapSelection.area;
  const LONG width = area.right - area.left;
  const LONG height = area.bottom - area.top;

  HMETAFILE metafile = nullptr;
  MovableBlock picture;
  if (mode == 0) {
    const HDC windowDc = GetDC(window);
    const HDC memoryDc = CreateCompatibleDC(windowDc);
    const HDC metafileDc = CreateMetaFileA(nullptr);
    if (memoryDc != nullptr && metafileDc != nullptr) {
      const HGDIOBJ previousBitmap = SelectObject(memoryDc, BitmapSelection.bitmap);
      BitBlt(metafileDc, 0, 0, width, height, memoryDc, area.left, area.top, SRCCOPY);
      if (previousBitmap != nullptr) SelectObject(memoryDc, previousBitmap);
    }
    if (memoryDc != nullptr) DeleteDC(memoryDc);
    if (windowDc != nullptr) ReleaseDC(window, windowDc);
    if (metafileDc != nullptr) metafile = CloseMetaFile(metafileDc);
    if (metafile == nullptr) return;

    picture = MovableBlock::allocate(sizeof(METAFILEPICT));
    const BlockLock lock(picture.get());
    if (!lock.locked()) {
      DeleteMetaFile(metafile);
      return;
    }
    auto* record = reinterpret_cast<METAFILEPICT*>(lock.bytes().data());
    record->mm = MM_TEXT;
    record->xExt = width;
    record->yExt = height;
    record->hMF = CopyMetaFileA(metafile, nullptr);
  }

  if (OpenClipboard(window) != FALSE) {
    EmptyClipboard();
    if (mode == 0) {
      // The clipboard owns the picture block and its metafile copy once it takes them.
      if (SetClipboardData(CF_METAFILEPICT, picture.get()) != nullptr) {
        picture.release();
      }
    } else if (SetClipboardData(CF_BITMAP, BitmapSelection.bitmap) != nullptr) {
      BitmapSelection.bitmap = nullptr;
    }
    CloseClipboard();
  }
  if (picture) {
    // Not taken: the metafile copy in the block is still ours.
    const BlockLock lock(picture.get());
    if (lock.locked()) {
      auto* record = reinterpret_cast<METAFILEPICT*>(lock.bytes().data());
      if (record->hMF != nullptr) DeleteMetaFile(record->hMF);
    }
  }
  if (metafile != nullptr) DeleteMetaFile(metafile);
}

}  // namespace kvom::report
