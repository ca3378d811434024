#include "report/pictures.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "exports/run_paths_setup.h"
#include "platform/windows/files.h"
#include "platform/windows/gdi.h"
#include "platform/windows/metafile.h"
#include "platform/windows/window.h"
#include "report/file_names.h"
#include "report/guarded_output.h"
#include "report/movable_block.h"
#include "report/settings.h"

namespace kvom::report {

using namespace platform::win;

PictureTableRecord PictureTable;
std::int32_t PictureBracketFlag = 1;

namespace {

constexpr std::size_t kPictureTextChars = 255;
constexpr std::size_t kMaxPath = 255;
constexpr std::size_t kMetaHeaderSize = 18;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void ShowReadError(const char* text) { MessageBoxA(nullptr, text, nullptr, MB_ICONHAND); }

PictureSlot* SlotAt(std::int32_t slot) {
  if (slot < 0 || static_cast<std::size_t>(slot) >= kMaxPictures) return nullptr;
  return &PictureTable.slots[static_cast<std::size_t>(slot)];
}

std::uint16_t Word(std::span<const unsigned char, kPlaceableHeaderSize> header, std::size_t offset) {
  return static_cast<std::uint16_t>(header[offset] | (header[offset + 1] << 8));
}
std::int16_t SignedWord(const PlaceableHeader& header, std::size_t offset) {
  return static_cast<std::int16_t>(Word(header, offset));
}
void PutWord(PlaceableHeader& header, std::size_t offset, std::uint16_t value) {
  header[offset] = static_cast<unsigned char>(value & 0xFF);
  header[offset + 1] = static_cast<unsigned char>(value >> 8);
}
// Coordinates are kept in 16 bits.
void PutCoordinate(PlaceableHeader& header, std::size_t offset, LONG value) {
  PutWord(header, offset, static_cast<std::uint16_t>(static_cast<std::uint32_t>(value) & 0xFFFF));
}

// Reads an integer as "%d" does (blanks, a sign, digits); none when there is no number or it does
// not fit 32 bits.
std::optional<std::int32_t> ReadInteger(const char*& cursor) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(cursor, &end, 10);
  if (end == cursor || errno == ERANGE || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  cursor = end;
  return static_cast<std::int32_t>(value);
}

struct PictureReference {
  std::string name;
  std::array<std::int32_t, 4> numbers{};  // column, row, column, row, 1-based
};

// "name column row column row"; none with fewer than five fields or a name beyond 79 characters.
std::optional<PictureReference> ParseReference(const char* text) {
  const char* cursor = text;
  while (*cursor != '\0' && std::isspace(static_cast<unsigned char>(*cursor))) ++cursor;
  const char* nameEnd = cursor;
  while (*nameEnd != '\0' && !std::isspace(static_cast<unsigned char>(*nameEnd))) ++nameEnd;
  PictureReference reference;
  reference.name.assign(cursor, nameEnd);
  if (reference.name.empty() || reference.name.size() > kMaxPictureReference) return std::nullopt;
  cursor = nameEnd;
  for (std::int32_t& number : reference.numbers) {
    const std::optional<std::int32_t> value = ReadInteger(cursor);
    if (!value) return std::nullopt;
    number = *value;
  }
  return reference;
}

// base + (row - 1) * 80 + (column - 1); none when it leaves 32 bits.
std::optional<std::int32_t> CellNumber(std::int32_t base, std::int32_t column, std::int32_t row) {
  const std::int64_t cell =
      static_cast<std::int64_t>(base) + (static_cast<std::int64_t>(row) - 1) * kCellsPerRow + column - 1;
  if (cell < std::numeric_limits<std::int32_t>::min() || cell > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(cell);
}

// The bytes of a metafile by its header's size field (16-bit words at offset 6).
std::uint64_t MetafileSizeBytes(std::span<const unsigned char, kMetaHeaderSize> metaHeader) {
  const std::uint32_t words = static_cast<std::uint32_t>(metaHeader[6]) | (metaHeader[7] << 8) |
                              (metaHeader[8] << 16) | (static_cast<std::uint32_t>(metaHeader[9]) << 24);
  return 2ull * words;
}

// Writes the bytes of the metafile, after the header when one is given, beside the path and moves
// them into place only when everything was written (as every replacing writer does): a failure
// leaves no partial file and an earlier file of that name as it was. Behind a placeable header go
// the bytes that the metafile's own header counts, which is what a reader takes from such a file:
// bytes past them (never played) are left out, and bits whose header counts fewer bytes than
// itself cannot be read back at all and are not written.
std::int32_t WriteMetafileFile(HMETAFILE metafile, const char* path, const PlaceableHeader* header) {
  if (metafile == nullptr || path == nullptr) return 0;
  const UINT size = GetMetaFileBitsEx(metafile, 0, nullptr);
  if (size == 0) return 0;
  const MovableBlock block = MovableBlock::allocate(size);
  if (!block) return 0;
  const BlockLock lock(block.get());
  if (!lock.locked() || GetMetaFileBitsEx(metafile, size, lock.bytes().data()) != size) return 0;
  std::size_t bytes = size;
  if (header != nullptr) {
    std::array<unsigned char, kMetaHeaderSize> metaHeader{};
    if (size < metaHeader.size()) return 0;
    std::memcpy(metaHeader.data(), lock.bytes().data(), metaHeader.size());
    const std::uint64_t counted = MetafileSizeBytes(metaHeader);
    if (counted < metaHeader.size()) return 0;
    bytes = static_cast<std::size_t>(std::min<std::uint64_t>(counted, size));
  }

  GuardedOutput file = GuardedOutput::replace(path, "wb");
  if (!file) return 0;
  const bool written =
      (header == nullptr || std::fwrite(header->data(), 1, header->size(), file.get()) == header->size()) &&
      std::fwrite(lock.bytes().data(), 1, bytes, file.get()) == bytes;
  if (!written) file.discard();
  return written && file.commit() ? 1 : 0;
}

}  // namespace

std::uint16_t PlaceableChecksum(std::span<const unsigned char, kPlaceableHeaderSize> header) {
  std::uint16_t sum = 0;
  for (std::size_t offset = 0; offset < 20; offset += 2) sum ^= Word(header, offset);
  return sum;
}

void LoadPagePictures(const char* text) {
  PictureTable.count = 0;
  if (text == nullptr) return;
  const std::string copy(text, strnlen(text, kPictureTextChars));
  std::string_view rest = copy;
  while (true) {
    // An angle-bracket reference comes before any braces reference.
    std::size_t open = rest.find('<');
    std::size_t close = std::string_view::npos;
    if (open != std::string_view::npos) {
      close = rest.find('>', open + 1);
      if (close != std::string_view::npos) PictureBracketFlag = 1;
    } else {
      open = rest.find('{');
      if (open != std::string_view::npos) {
        close = rest.find('}', open + 1);
        if (close != std::string_view::npos) PictureBracketFlag = 0;
      }
    }
    if (open == std::string_view::npos || close == std::string_view::npos) return;
    const std::string reference(rest.substr(open + 1, close - open - 1));
    if (LoadPicture(PictureTable.count, reference.c_str(), 0, 1) == 1) ++PictureTable.count;
    if (static_cast<std::size_t>(PictureTable.count) >= kMaxPictures) return;
    rest.remove_prefix(close + 1);
  }
}

std::int32_t LoadPicture(std::int32_t slot, const char* reference, std::int32_t baseCell, std::int32_t block) {
  if (SlotAt(slot) == nullptr || reference == nullptr) return 0;
  if (strnlen(reference, kMaxPictureReference + 1) > kMaxPictureReference) return 0;
  std::optional<PictureReference> parsed = ParseReference(reference);
  if (!parsed) return 0;
  const auto& [c1, r1, c2, r2] = parsed->numbers;
  const std::optional<std::int32_t> firstCell = CellNumber(baseCell, c1, r1);
  const std::optional<std::int32_t> lastCell = CellNumber(baseCell, c2, r2);
  if (!firstCell || !lastCell) return 0;

  std::string& name = parsed->name;
  if (!FileExtension(name)) name += ".KVD";
  const std::string_view extension = *FileExtension(name);
  // Plot files are looked for as named first; everything else lives under the program directory.
  std::string path;
  if ((StartsNoCase(extension, "KVD") || StartsNoCase(extension, "BFD")) && FileExists(name.c_str()) != 0) {
    path = name;
  } else {
    const char* programDir = exports::GetProgramDir();
    path = std::string(programDir != nullptr ? programDir : "") + name;
  }
  if (path.size() > kMaxPath) return 0;
  if (FileExists(path.c_str()) == 0 || LoadPictureFile(slot, path.c_str(), block) == 0) return 0;

  PictureSlot& target = *SlotAt(slot);
  target.firstCell = *firstCell;
  target.lastCell = *lastCell;
  return 1;
}

std::int32_t LoadPictureFile(std::int32_t slot, const char* path, std::int32_t block) {
  PictureSlot* target = SlotAt(slot);
  if (target == nullptr || path == nullptr) return 0;
  const std::optional<std::string_view> extension = FileExtension(path);
  if (!extension) return 0;
  // A slot still holding a picture gives it up rather than losing it.
  if (target->kind != kPictureEmpty) FreePicture(slot);

  if (EqualNoCase(*extension, "EMF")) {
    target->enhancedMetafile = GetEnhMetaFileA(path);
    if (target->enhancedMetafile == nullptr) return 0;
    target->kind = kPictureEnhanced;
    return 1;
  }
  if (EqualNoCase(*extension, "WMF")) {
    target->metafile = ReadWindowsMetafile(path, target->placeableHeader, *target);
    if (target->metafile == nullptr) {
      *target = PictureSlot{};
      return 0;
    }
    return 1;
  }
  if (EqualNoCase(*extension, "KVD") || EqualNoCase(*extension, "BFD")) {
    if (LoadPlot(target->plot, path, block) == 0) return 0;
    target->kind = kPicturePlot;
    return 1;
  }
  return 0;
}

void DrawPicture(std::int32_t slot, HWND window, HDC dc, const RECT& rect) {
  PictureSlot* picture = SlotAt(slot);
  if (picture == nullptr) return;
  SetBkMode(dc, TRANSPARENT);
  // The picture's mapping and clip stay with the picture.
  const int saved = SaveDC(dc);
  switch (picture->kind) {
    case kPictureEnhanced:
      PlayEnhMetaFile(dc, picture->enhancedMetafile, &rect);
      break;
    case kPicturePlaceable:
      MapPlaceableWindow(window, dc, picture->placeableHeader, rect);
      PlayMetaFile(dc, picture->metafile);
      break;
    case kPicturePlain:
      SetMapMode(dc, MM_TEXT);
      PlayMetaFile(dc, picture->metafile);
      break;
    case kPicturePlot:
      DrawPlotInRect(*picture, window, dc, rect);
      break;
    default:
      break;
  }
  if (saved != 0) RestoreDC(dc, saved);
}

std::int32_t PictureAtPoint(std::uint32_t point, std::int32_t& index) {
  const LONG x = static_cast<LONG>(point & 0xFFFFu);
  const LONG y = static_cast<LONG>(point >> 16);
  const auto count = std::min(static_cast<std::size_t>(std::max(PictureTable.count, 0)), kMaxPictures);
  for (std::size_t i = 0; i < count; ++i) {
    const PictureSlot& slot = PictureTable.slots[i];
    const RECT& drawn = slot.drawnRect;
    const bool wasDrawn = drawn.left != 0 || drawn.top != 0 || drawn.right != 0 || drawn.bottom != 0;
    if (slot.kind == kPicturePlot && wasDrawn && x >= drawn.left && x <= drawn.right && y >= drawn.top &&
        y <= drawn.bottom) {
      index = static_cast<std::int32_t>(i);
      return 1;
    }
  }
  return 0;
}

void FreePicture(std::int32_t slot) {
  PictureSlot* picture = SlotAt(slot);
  if (picture == nullptr) return;
  switch (picture->kind) {
    case kPictureEnhanced:
      if (picture->enhancedMetafile != nullptr) DeleteEnhMetaFile(picture->enhancedMetafile);
      break;
    case kPicturePlaceable:
    case kPicturePlain:
      if (picture->metafile != nullptr) DeleteMetaFile(picture->metafile);
      break;
    case kPicturePlot:
      FreePlot(picture->plot);
      break;
    default:
      break;
  }
  *picture = PictureSlot{};
}

void FreeAllPictures() {
  // Every slot that holds a picture, also one loaded past the count.
  for (std::size_t i = 0; i < kMaxPictures; ++i) {
    if (PictureTable.slots[i].kind != kPictureEmpty) FreePicture(static_cast<std::int32_t>(i));
  }
  PictureTable.count = 0;
}

HMETAFILE ReadWindowsMetafile(const char* path, PlaceableHeader& header, PictureSlot& slot) {
  header = {};
  if (path == nullptr) return nullptr;
  File file(platform::crt::openFile(path, "rb"));
  if (!file) return nullptr;

  const std::size_t headerBytes = std::fread(header.data(), 1, header.size(), file.get());
  const bool keyed = headerBytes >= 4 && (static_cast<std::uint32_t>(Word(header, 0)) |
                                          (static_cast<std::uint32_t>(Word(header, 2)) << 16)) == kPlaceableKey;
  if (!keyed) {
    slot.kind = kPicturePlain;
    file.reset();
    return GetMetaFileA(path);
  }
  // The checksum is not tested: many writers leave it wrong, and their pictures are shown all the
  // same.
  if (headerBytes < header.size()) {
    ShowReadError("Unable to read placeable header");
    return nullptr;
  }

  std::array<unsigned char, kMetaHeaderSize> metaHeader{};
  if (std::fread(metaHeader.data(), 1, metaHeader.size(), file.get()) < metaHeader.size()) {
    ShowReadError("Unable to read metafile header");
    return nullptr;
  }
  // No more is taken than the file holds.
  std::uint64_t bytes = MetafileSizeBytes(metaHeader);
  if (std::fseek(file.get(), 0, SEEK_END) == 0) {
    const long fileSize = std::ftell(file.get());
    if (fileSize >= static_cast<long>(kPlaceableHeaderSize)) {
      bytes = std::min<std::uint64_t>(bytes, static_cast<std::uint64_t>(fileSize) - kPlaceableHeaderSize);
    }
  }
  const MovableBlock block = MovableBlock::allocate(static_cast<std::size_t>(bytes));
  const BlockLock lock(block.get());
  if (!block || !lock.locked()) {
    ShowReadError("Unable to allocate memory for metafile bits");
    return nullptr;
  }
  if (std::fseek(file.get(), static_cast<long>(kPlaceableHeaderSize), SEEK_SET) != 0) {
    ShowReadError("Unable to read metafile bits");
    return nullptr;
  }
  std::fread(lock.bytes().data(), 1, static_cast<std::size_t>(bytes), file.get());
  if (std::ferror(file.get()) != 0) {
    ShowReadError("Unable to read metafile bits");
    return nullptr;
  }
  slot.kind = kPicturePlaceable;
  // The metafile keeps its own copy of the bits; the block goes with this scope.
  return SetMetaFileBitsEx(static_cast<UINT>(bytes), reinterpret_cast<const BYTE*>(lock.bytes().data()));
}

void MapPlaceableWindow(HWND /*window*/, HDC dc, const PlaceableHeader& header, const RECT& rect) {
  const int left = SignedWord(header, 6);
  const int top = SignedWord(header, 8);
  const int right = SignedWord(header, 10);
  const int bottom = SignedWord(header, 12);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, left, top, nullptr);
  SetWindowExtEx(dc, std::abs(right - left), std::abs(bottom - top), nullptr);
  SetViewportOrgEx(dc, rect.left, rect.top, nullptr);
  SetViewportExtEx(dc, rect.right - rect.left, rect.bottom - rect.top, nullptr);
}

std::int32_t WritePlaceableMetafile(HMETAFILE metafile, const char* path, const RECT& rect) {
  PlaceableHeader header{};
  PutWord(header, 0, static_cast<std::uint16_t>(kPlaceableKey & 0xFFFF));
  PutWord(header, 2, static_cast<std::uint16_t>(kPlaceableKey >> 16));
  PutCoordinate(header, 6, rect.left);
  PutCoordinate(header, 8, rect.top);
  PutCoordinate(header, 10, rect.right);
  PutCoordinate(header, 12, rect.bottom);
  PutWord(header, 14, 1000);  // units per inch
  PutWord(header, 20, PlaceableChecksum(header));
  return WriteMetafileFile(metafile, path, &header);
}

std::int32_t WriteMetafile(HMETAFILE metafile, const char* path) { return WriteMetafileFile(metafile, path, nullptr); }

}  // namespace kvom::report
