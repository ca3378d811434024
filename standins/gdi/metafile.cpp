// Plain metafiles: metafile contexts record the calls they are given as metafile records; a closed
// metafile keeps its bits, which can be copied out, read from and written to files, and played into
// any context.

#include "platform/windows/metafile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/windows/files.h"
#include "standins/gdi/gdi_state.h"
#include "standins/gdi/metafile_records.h"

using namespace standins::gdi;
using namespace standins::gdi::detail;
namespace win = platform::win;

namespace {

constexpr std::size_t headerBytes = sizeof(win::METAHEADER);
constexpr win::WORD headerWords = headerBytes / 2;

std::uint16_t word(long long value) { return static_cast<std::uint16_t>(value & 0xFFFF); }
std::int16_t signedWord(std::uint16_t value) { return static_cast<std::int16_t>(value); }

void putWord(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putDword(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  putWord(bytes, static_cast<std::uint16_t>(value & 0xFFFF));
  putWord(bytes, static_cast<std::uint16_t>(value >> 16));
}

// Text bytes as words, padded with a zero byte to an even count.
void putTextWords(std::vector<std::uint16_t>& words, const char* text, int count) {
  for (int i = 0; i < count; i += 2) {
    const auto low = static_cast<std::uint8_t>(text[i]);
    const auto high = i + 1 < count ? static_cast<std::uint8_t>(text[i + 1]) : std::uint8_t{0};
    words.push_back(static_cast<std::uint16_t>(low | (high << 8)));
  }
}

std::string metafileName(const void* handle) {
  return objectName(static_cast<win::HGDIOBJ>(const_cast<void*>(handle)));
}

const Object* findMetafile(const void* handle, ObjectKind kind) {
  const Object* o = findObject(id(handle));
  return o != nullptr && o->kind == kind ? o : nullptr;
}

win::HMETAFILE newMetafile(std::vector<std::uint8_t> bits) {
  Object o;
  o.kind = ObjectKind::Metafile;
  o.bits = std::move(bits);
  return reinterpret_cast<win::HMETAFILE>(newObject(std::move(o)));
}

// Whether bits start with a sound metafile header. The size it gives may run past the bits (a
// short read leaves the rest of a buffer zero): playing stops at the end record, a record of no
// size or the end of the bits, whichever comes first.
bool validHeader(std::span<const std::uint8_t> bits) {
  if (bits.size() < headerBytes) return false;
  win::METAHEADER h{};
  std::memcpy(&h, bits.data(), headerBytes);
  return (h.mtType == 1 || h.mtType == 2) && h.mtHeaderSize == headerWords &&
         (h.mtVersion == 0x0300 || h.mtVersion == 0x0100);
}

bool writeFile(const char* path, std::span<const std::uint8_t> bytes) {
  std::FILE* file = platform::crt::openFile(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed;
}

// A metafile's bits as a disk metafile (type 2) or a memory one (type 1).
std::vector<std::uint8_t> withType(std::vector<std::uint8_t> bits, bool onDisk) {
  if (bits.size() >= 2) bits[0] = onDisk ? 2 : 1, bits[1] = 0;
  return bits;
}

// The records of a metafile, one at a time.
class RecordReader {
 public:
  explicit RecordReader(std::span<const std::uint8_t> bits) : bits_(bits), at_(headerBytes) {
    win::METAHEADER h{};
    std::memcpy(&h, bits.data(), headerBytes);
    end_ = std::min<std::size_t>(bits.size(), static_cast<std::size_t>(h.mtSize) * 2);
  }

  // The next record's function and parameter words; false at the end.
  bool next(win::WORD& function, std::vector<std::uint16_t>& parameters) {
    if (at_ + 6 > end_) return false;
    const std::uint32_t size = read(at_) | (static_cast<std::uint32_t>(read(at_ + 2)) << 16);
    function = read(at_ + 4);
    if (size < 3 || function == win::META_EOF) return false;
    const std::size_t bytes = static_cast<std::size_t>(size) * 2;
    if (bytes > end_ - at_) return false;
    parameters.clear();
    for (std::size_t p = at_ + 6; p < at_ + bytes; p += 2) parameters.push_back(read(p));
    at_ += bytes;
    return true;
  }

 private:
  std::uint16_t read(std::size_t p) const { return static_cast<std::uint16_t>(bits_[p] | (bits_[p + 1] << 8)); }
  std::span<const std::uint8_t> bits_;
  std::size_t at_;
  std::size_t end_ = 0;
};

// Plays records into a context: the metafile's object table maps to objects made for the play,
// which are deselected and deleted at the end; the context's own objects come back.
class Player {
 public:
  explicit Player(win::HDC hdc) : hdc_(hdc) {
    const Context* c = findContext(hdc);
    original_ = {toObjectHandle(c->current.pen), toObjectHandle(c->current.brush), toObjectHandle(c->current.font)};
  }
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;
  ~Player() {
    for (win::HGDIOBJ o : original_) {
      if (findObject(o) != nullptr) SelectObject(hdc_, o);
    }
    for (win::HGDIOBJ o : slots_) {
      if (o != nullptr && o != placeholder()) DeleteObject(o);
    }
  }

  void play(win::WORD function, const std::vector<std::uint16_t>& p);

 private:
  int arg(const std::vector<std::uint16_t>& p, std::size_t i) const { return i < p.size() ? signedWord(p[i]) : 0; }
  win::COLORREF color(const std::vector<std::uint16_t>& p, std::size_t i) const {
    return i + 1 < p.size() ? static_cast<win::COLORREF>(p[i] | (static_cast<std::uint32_t>(p[i + 1]) << 16)) : 0;
  }
  void keep(win::HGDIOBJ object) {
    const auto free = std::find(slots_.begin(), slots_.end(), nullptr);
    if (free != slots_.end()) {
      *free = object;
    } else {
      slots_.push_back(object);
    }
  }
  // Unknown object records still take a slot, so that later indexes stay right; a placeholder
  // marks it.
  static win::HGDIOBJ placeholder() { return reinterpret_cast<win::HGDIOBJ>(std::uintptr_t{1}); }
  void keepPlaceholder() { keep(placeholder()); }
  win::HGDIOBJ slot(std::size_t index) const {
    if (index >= slots_.size() || slots_[index] == placeholder()) return nullptr;
    return slots_[index];
  }
  void text(const std::vector<std::uint16_t>& p, bool extended);
  void dibBlit(const std::vector<std::uint16_t>& p, bool stretchDib);

  win::HDC hdc_;
  std::array<win::HGDIOBJ, 3> original_{};
  std::vector<win::HGDIOBJ> slots_;
};

void Player::text(const std::vector<std::uint16_t>& p, bool extended) {
  auto byteAt = [&p](std::size_t wordIndex, std::size_t i) {
    const std::uint16_t w = p[wordIndex + i / 2];
    return static_cast<char>(i % 2 == 0 ? w & 0xFF : w >> 8);
  };
  if (!extended) {
    // count, text, y, x
    if (p.empty()) return;
    const std::size_t count = p[0];
    const std::size_t textWords = (count + 1) / 2;
    if (p.size() < 1 + textWords + 2) return;
    std::string s;
    for (std::size_t i = 0; i < count; ++i) s += byteAt(1, i);
    TextOutA(hdc_, arg(p, 2 + textWords), arg(p, 1 + textWords), s.data(), static_cast<int>(count));
    return;
  }
  // y, x, count, options, [rect], text, [advances]
  if (p.size() < 4) return;
  const std::size_t count = p[2];
  const win::UINT options = p[3];
  std::size_t at = 4;
  std::optional<win::RECT> rect;
  if ((options & (win::ETO_OPAQUE | win::ETO_CLIPPED)) != 0 && p.size() >= at + 4) {
    rect = win::RECT{arg(p, at), arg(p, at + 1), arg(p, at + 2), arg(p, at + 3)};
    at += 4;
  }
  const std::size_t textWords = (count + 1) / 2;
  if (p.size() < at + textWords) return;
  std::string s;
  for (std::size_t i = 0; i < count; ++i) s += byteAt(at, i);
  at += textWords;
  std::vector<int> advances;
  if (p.size() >= at + count) {
    for (std::size_t i = 0; i < count; ++i) advances.push_back(arg(p, at + i));
  }
  ExtTextOutA(hdc_, arg(p, 1), arg(p, 0), options, rect ? &*rect : nullptr, s.data(), static_cast<win::UINT>(count),
              advances.empty() ? nullptr : advances.data());
}

// A device-independent bitmap (24 or 32 bits a pixel, uncompressed) stretched onto the target.
void Player::dibBlit(const std::vector<std::uint16_t>& p, bool stretchDib) {
  // META_DIBSTRETCHBLT: rop (2), source height, width, y, x, target height, width, y, x, bitmap.
  // META_STRETCHDIB:    rop (2), usage, source height, width, y, x, target height, width, y, x, bitmap.
  const std::size_t fields = stretchDib ? 11 : 10;
  if (p.size() < fields + 20) return;
  const std::size_t b = stretchDib ? 3 : 2;
  const int targetHeight = arg(p, b + 4), targetWidth = arg(p, b + 5), targetY = arg(p, b + 6), targetX = arg(p, b + 7);
  std::vector<std::uint8_t> dib;
  for (std::size_t i = fields; i < p.size(); ++i) putWord(dib, p[i]);
  auto dword = [&dib](std::size_t at) {
    return static_cast<std::uint32_t>(dib[at] | (dib[at + 1] << 8) | (dib[at + 2] << 16) |
                                      (static_cast<std::uint32_t>(dib[at + 3]) << 24));
  };
  const std::uint32_t infoSize = dword(0);
  const auto width = static_cast<std::int32_t>(dword(4));
  const auto height = static_cast<std::int32_t>(dword(8));
  const int bitCount = dib[14] | (dib[15] << 8);
  if (infoSize < 40 || width <= 0 || height == 0 || (bitCount != 24 && bitCount != 32) || dword(16) != 0) return;
  // No bitmap is larger than 32767 pixels a side; larger sizes are damaged records.
  const long long tall = height < 0 ? -static_cast<long long>(height) : height;
  if (width > 32767 || tall > 32767) return;
  const int rows = static_cast<int>(tall);
  const std::size_t stride = ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
  if (dib.size() < infoSize + stride * static_cast<std::size_t>(rows)) return;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) {
    const int sourceRow = height > 0 ? rows - 1 - row : row;  // positive heights are stored bottom up
    const std::uint8_t* line = dib.data() + infoSize + stride * static_cast<std::size_t>(sourceRow);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* px = line + static_cast<std::size_t>(x) * (bitCount / 8);
      pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
          static_cast<std::uint32_t>(px[0] | (px[1] << 8) | (px[2] << 16));
    }
  }
  drawPixels(hdc_, targetX, targetY, targetWidth, targetHeight, width, rows, std::move(pixels));
}

void Player::play(win::WORD function, const std::vector<std::uint16_t>& p) {
  switch (function) {
    case win::META_SETMAPMODE:
      SetMapMode(hdc_, arg(p, 0));
      break;
    case win::META_SETWINDOWORG:
      SetWindowOrgEx(hdc_, arg(p, 1), arg(p, 0), nullptr);
      break;
    case win::META_SETWINDOWEXT:
      SetWindowExtEx(hdc_, arg(p, 1), arg(p, 0), nullptr);
      break;
    case win::META_SETVIEWPORTORG:
      SetViewportOrgEx(hdc_, arg(p, 1), arg(p, 0), nullptr);
      break;
    case win::META_SETVIEWPORTEXT:
      SetViewportExtEx(hdc_, arg(p, 1), arg(p, 0), nullptr);
      break;
    case win::META_SETBKMODE:
      SetBkMode(hdc_, arg(p, 0));
      break;
    case win::META_SETBKCOLOR:
      SetBkColor(hdc_, color(p, 0));
      break;
    case win::META_SETTEXTCOLOR:
      SetTextColor(hdc_, color(p, 0));
      break;
    case win::META_SETTEXTALIGN:
      SetTextAlign(hdc_, p.empty() ? 0 : p[0]);
      break;
    case win::META_MOVETO:
      MoveToEx(hdc_, arg(p, 1), arg(p, 0), nullptr);
      break;
    case win::META_LINETO:
      LineTo(hdc_, arg(p, 1), arg(p, 0));
      break;
    case win::META_POLYLINE: {
      const std::size_t count = p.empty() ? 0 : p[0];
      if (p.size() < 1 + 2 * count) break;
      std::vector<win::POINT> points;
      for (std::size_t i = 0; i < count; ++i) points.push_back({arg(p, 1 + 2 * i), arg(p, 2 + 2 * i)});
      Polyline(hdc_, points.data(), static_cast<int>(count));
      break;
    }
    case win::META_RECTANGLE:
      Rectangle(hdc_, arg(p, 3), arg(p, 2), arg(p, 1), arg(p, 0));
      break;
    case win::META_ELLIPSE:
      Ellipse(hdc_, arg(p, 3), arg(p, 2), arg(p, 1), arg(p, 0));
      break;
    case win::META_ARC:
      Arc(hdc_, arg(p, 7), arg(p, 6), arg(p, 5), arg(p, 4), arg(p, 3), arg(p, 2), arg(p, 1), arg(p, 0));
      break;
    case win::META_PATBLT:
      PatBlt(hdc_, arg(p, 5), arg(p, 4), arg(p, 3), arg(p, 2), color(p, 0));
      break;
    case win::META_TEXTOUT:
      text(p, false);
      break;
    case win::META_EXTTEXTOUT:
      text(p, true);
      break;
    case win::META_SAVEDC:
      SaveDC(hdc_);
      break;
    case win::META_RESTOREDC:
      RestoreDC(hdc_, arg(p, 0));
      break;
    case win::META_INTERSECTCLIPRECT:
      IntersectClipRect(hdc_, arg(p, 3), arg(p, 2), arg(p, 1), arg(p, 0));
      break;
    case win::META_CREATEPENINDIRECT: {
      const win::LOGPEN pen{p.empty() ? 0u : p[0], {arg(p, 1), arg(p, 2)}, color(p, 3)};
      win::HPEN made = CreatePenIndirect(&pen);
      made != nullptr ? keep(made) : keepPlaceholder();
      break;
    }
    case win::META_CREATEBRUSHINDIRECT: {
      const win::LOGBRUSH brush{p.empty() ? 0u : p[0], color(p, 1), 0};
      win::HBRUSH made = CreateBrushIndirect(&brush);
      made != nullptr ? keep(made) : keepPlaceholder();
      break;
    }
    case win::META_CREATEFONTINDIRECT: {
      win::LOGFONTA font{};
      font.lfHeight = arg(p, 0);
      font.lfWidth = arg(p, 1);
      font.lfEscapement = arg(p, 2);
      font.lfOrientation = arg(p, 3);
      font.lfWeight = arg(p, 4);
      std::vector<std::uint8_t> bytes;
      for (std::size_t i = 5; i < p.size(); ++i) putWord(bytes, p[i]);
      bytes.resize(std::max<std::size_t>(bytes.size(), 8));
      font.lfItalic = bytes[0];
      font.lfUnderline = bytes[1];
      font.lfStrikeOut = bytes[2];
      font.lfCharSet = bytes[3];
      font.lfOutPrecision = bytes[4];
      font.lfClipPrecision = bytes[5];
      font.lfQuality = bytes[6];
      font.lfPitchAndFamily = bytes[7];
      const std::size_t face = std::min<std::size_t>(bytes.size() - 8, win::LF_FACESIZE - 1);
      std::memcpy(font.lfFaceName, bytes.data() + 8, face);
      win::HFONT made = CreateFontIndirectA(&font);
      made != nullptr ? keep(made) : keepPlaceholder();
      break;
    }
    case 0x00F7:  // palette
    case 0x01F9:  // pattern brush
    case 0x0142:  // device-independent pattern brush
    case 0x06FF:  // region
      keepPlaceholder();
      break;
    case win::META_SELECTOBJECT:
      if (win::HGDIOBJ o = slot(p.empty() ? slots_.size() : p[0])) SelectObject(hdc_, o);
      break;
    case win::META_DELETEOBJECT: {
      const std::size_t index = p.empty() ? slots_.size() : p[0];
      if (index >= slots_.size()) break;
      if (win::HGDIOBJ o = slot(index)) {
        // An object in use gives way to the context's own one first.
        const Object* object = findObject(o);
        const Context* c = findContext(hdc_);
        if (object != nullptr && c != nullptr) {
          const std::uintptr_t used = object->kind == ObjectKind::Pen     ? c->current.pen
                                      : object->kind == ObjectKind::Brush ? c->current.brush
                                                                          : c->current.font;
          if (used == id(o))
            SelectObject(hdc_, original_[object->kind == ObjectKind::Pen     ? 0
                                         : object->kind == ObjectKind::Brush ? 1
                                                                             : 2]);
        }
        DeleteObject(o);
      }
      slots_[index] = nullptr;
      break;
    }
    case win::META_DIBSTRETCHBLT:
      dibBlit(p, false);
      break;
    case win::META_STRETCHDIB:
      dibBlit(p, true);
      break;
    default:
      break;  // records the stand-in does not draw
  }
}

}  // namespace

namespace standins::gdi::detail {

void MetafileRecorder::add(win::WORD function, std::span<const std::uint16_t> parameters) {
  const auto size = static_cast<std::uint32_t>(3 + parameters.size());
  words.push_back(static_cast<std::uint16_t>(size & 0xFFFF));
  words.push_back(static_cast<std::uint16_t>(size >> 16));
  words.push_back(function);
  words.insert(words.end(), parameters.begin(), parameters.end());
  maxRecord = std::max(maxRecord, size);
}

std::uint16_t MetafileRecorder::slotOf(std::uintptr_t handle, const Object& object) {
  const auto found = std::find(slots.begin(), slots.end(), handle);
  if (found != slots.end()) return static_cast<std::uint16_t>(found - slots.begin());
  std::vector<std::uint16_t> p;
  win::WORD function = 0;
  switch (object.kind) {
    case ObjectKind::Pen:
      function = win::META_CREATEPENINDIRECT;
      p = {word(object.pen.lopnStyle), word(object.pen.lopnWidth.x), word(object.pen.lopnWidth.y),
           word(object.pen.lopnColor), word(object.pen.lopnColor >> 16)};
      break;
    case ObjectKind::Brush:
      function = win::META_CREATEBRUSHINDIRECT;
      p = {word(object.brush.lbStyle), word(object.brush.lbColor), word(object.brush.lbColor >> 16),
           word(static_cast<long long>(object.brush.lbHatch))};
      break;
    default: {
      function = win::META_CREATEFONTINDIRECT;
      const win::LOGFONTA& f = object.font;
      p = {word(f.lfHeight), word(f.lfWidth), word(f.lfEscapement), word(f.lfOrientation), word(f.lfWeight)};
      const char bytes[8] = {static_cast<char>(f.lfItalic),       static_cast<char>(f.lfUnderline),
                             static_cast<char>(f.lfStrikeOut),    static_cast<char>(f.lfCharSet),
                             static_cast<char>(f.lfOutPrecision), static_cast<char>(f.lfClipPrecision),
                             static_cast<char>(f.lfQuality),      static_cast<char>(f.lfPitchAndFamily)};
      putTextWords(p, bytes, 8);
      // The face name with its terminating NUL, padded to whole words.
      const std::size_t length = strnlen(f.lfFaceName, win::LF_FACESIZE - 1);
      std::string face(f.lfFaceName, length);
      face.push_back('\0');
      putTextWords(p, face.data(), static_cast<int>(face.size()));
      break;
    }
  }
  add(function, p);
  const auto free = std::find(slots.begin(), slots.end(), std::uintptr_t{0});
  if (free != slots.end()) {
    *free = handle;
    return static_cast<std::uint16_t>(free - slots.begin());
  }
  slots.push_back(handle);
  return static_cast<std::uint16_t>(slots.size() - 1);
}

std::vector<std::uint8_t> MetafileRecorder::bits(bool onDisk) const {
  std::vector<std::uint8_t> out;
  const auto total = static_cast<std::uint32_t>(headerWords + words.size() + 3);
  putWord(out, onDisk ? 2 : 1);
  putWord(out, headerWords);
  putWord(out, 0x0300);
  putDword(out, total);
  putWord(out, static_cast<std::uint16_t>(slots.size()));
  putDword(out, std::max<std::uint32_t>(maxRecord, 3));
  putWord(out, 0);
  for (std::uint16_t w : words) putWord(out, w);
  putDword(out, 3);  // the end record
  putWord(out, win::META_EOF);
  return out;
}

MetafileRecorder* recorderOf(win::HDC hdc) {
  Context* c = findContext(hdc);
  return c != nullptr && c->kind == ContextKind::Metafile ? c->recorder.get() : nullptr;
}

bool recordCall(win::HDC hdc, win::WORD function, std::initializer_list<long long> parameters) {
  MetafileRecorder* r = recorderOf(hdc);
  if (r == nullptr) return false;
  std::vector<std::uint16_t> p;
  for (long long v : parameters) p.push_back(word(v));
  r->add(function, p);
  return true;
}

bool recordColor(win::HDC hdc, win::WORD function, win::COLORREF color) {
  return recordCall(hdc, function, {color & 0xFFFF, color >> 16});
}

bool recordText(win::HDC hdc, int x, int y, win::UINT options, const win::RECT* rect, const char* text, int count,
                const int* advances, bool extended) {
  MetafileRecorder* r = recorderOf(hdc);
  if (r == nullptr) return false;
  std::vector<std::uint16_t> p;
  if (!extended) {
    p.push_back(word(count));
    putTextWords(p, text, count);
    p.push_back(word(y));
    p.push_back(word(x));
    r->add(win::META_TEXTOUT, p);
    return true;
  }
  p = {word(y), word(x), word(count), word(options)};
  if (rect != nullptr && (options & (win::ETO_OPAQUE | win::ETO_CLIPPED)) != 0) {
    for (long v : {rect->left, rect->top, rect->right, rect->bottom}) p.push_back(word(v));
  } else {
    p[3] = word(options & ~(win::ETO_OPAQUE | win::ETO_CLIPPED));
  }
  putTextWords(p, text, count);
  if (advances != nullptr) {
    for (int i = 0; i < count; ++i) p.push_back(word(advances[i]));
  }
  r->add(win::META_EXTTEXTOUT, p);
  return true;
}

bool recordPolyline(win::HDC hdc, const win::POINT* points, int count) {
  MetafileRecorder* r = recorderOf(hdc);
  if (r == nullptr) return false;
  std::vector<std::uint16_t> p{word(count)};
  for (int i = 0; i < count; ++i) {
    p.push_back(word(points[i].x));
    p.push_back(word(points[i].y));
  }
  r->add(win::META_POLYLINE, p);
  return true;
}

void recordSelect(win::HDC hdc, std::uintptr_t handle) {
  MetafileRecorder* r = recorderOf(hdc);
  const Object* o = findObject(handle);
  if (r == nullptr || o == nullptr) return;
  if (o->kind != ObjectKind::Pen && o->kind != ObjectKind::Brush && o->kind != ObjectKind::Font) return;
  const std::uint16_t index = r->slotOf(handle, *o);
  const std::uint16_t p[] = {index};
  r->add(win::META_SELECTOBJECT, p);
}

void recordDelete(std::uintptr_t handle) {
  for (auto& [_, context] : state().contexts) {
    if (!context.recorder) continue;
    auto& slots = context.recorder->slots;
    const auto found = std::find(slots.begin(), slots.end(), handle);
    if (found == slots.end()) continue;
    const std::uint16_t p[] = {static_cast<std::uint16_t>(found - slots.begin())};
    context.recorder->add(win::META_DELETEOBJECT, p);
    *found = 0;
  }
}

bool recordBlit(win::HDC target, int x, int y, int width, int height, const Surface& source, win::RECT sourceRect,
                win::DWORD rop) {
  MetafileRecorder* r = recorderOf(target);
  if (r == nullptr) return false;
  const int w = sourceRect.right - sourceRect.left;
  const int h = sourceRect.bottom - sourceRect.top;
  if (w <= 0 || h <= 0) return true;
  const std::vector<std::uint32_t> pixels = renderPixels(source, sourceRect);
  // A 24-bit bottom-up bitmap: its header, then rows of blue, green, red padded to four bytes.
  const std::size_t stride = ((static_cast<std::size_t>(w) * 24 + 31) / 32) * 4;
  std::vector<std::uint8_t> dib;
  putDword(dib, 40);
  putDword(dib, static_cast<std::uint32_t>(w));
  putDword(dib, static_cast<std::uint32_t>(h));
  putWord(dib, 1);
  putWord(dib, 24);
  putDword(dib, 0);
  putDword(dib, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(h)));
  for (int i = 0; i < 4; ++i) putDword(dib, 0);
  for (int row = h - 1; row >= 0; --row) {
    const std::size_t start = dib.size();
    for (int col = 0; col < w; ++col) {
      const std::uint32_t px =
          pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(w) + static_cast<std::size_t>(col)];
      dib.push_back(static_cast<std::uint8_t>(px & 0xFF));
      dib.push_back(static_cast<std::uint8_t>((px >> 8) & 0xFF));
      dib.push_back(static_cast<std::uint8_t>((px >> 16) & 0xFF));
    }
    dib.resize(start + stride, 0);
  }
  std::vector<std::uint16_t> p{word(rop), word(rop >> 16), word(h),     word(w), 0,
                               0,         word(height),    word(width), word(y), word(x)};
  for (std::size_t i = 0; i < dib.size(); i += 2) p.push_back(static_cast<std::uint16_t>(dib[i] | (dib[i + 1] << 8)));
  r->add(win::META_DIBSTRETCHBLT, p);
  return true;
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const char* windowsPath) {
  std::FILE* file = platform::crt::openFile(windowsPath, "rb");
  if (file == nullptr) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return bytes;
}

bool deleteMetafileObject(std::uintptr_t handle, ObjectKind kind) {
  const auto it = state().objects.find(handle);
  if (it == state().objects.end() || it->second.kind != kind) return false;
  state().objects.erase(it);
  return true;
}

}  // namespace standins::gdi::detail

extern "C" {

win::HDC CreateMetaFileA(const char* file) {
  if (!enter("CreateMetaFileA", file != nullptr ? file : "0")) return nullptr;
  Context context;
  context.kind = ContextKind::Metafile;
  context.device = state().screen;
  context.current = defaultState(ContextKind::Metafile);
  context.recorder = std::make_shared<MetafileRecorder>();
  if (file != nullptr) context.recorder->file = file;
  return toContextHandle(newContext(std::move(context)));
}

win::HMETAFILE CloseMetaFile(win::HDC hdc) {
  const bool fails = !enter("CloseMetaFile", contextName(hdc));
  const auto it = state().contexts.find(id(hdc));
  if (it == state().contexts.end() || it->second.kind != ContextKind::Metafile) return nullptr;
  const std::shared_ptr<MetafileRecorder> recorder = it->second.recorder;
  state().contexts.erase(it);
  if (fails) return nullptr;
  const bool onDisk = !recorder->file.empty();
  std::vector<std::uint8_t> bits = recorder->bits(onDisk);
  if (onDisk && !writeFile(recorder->file.c_str(), bits)) return nullptr;
  return newMetafile(std::move(bits));
}

win::HMETAFILE CopyMetaFileA(win::HMETAFILE metafile, const char* file) {
  if (!enter("CopyMetaFileA", metafileName(metafile) + ' ' + (file != nullptr ? file : "0"))) return nullptr;
  const Object* o = findMetafile(metafile, ObjectKind::Metafile);
  if (o == nullptr) return nullptr;
  std::vector<std::uint8_t> bits = withType(o->bits, file != nullptr);
  if (file != nullptr && !writeFile(file, bits)) return nullptr;
  return newMetafile(std::move(bits));
}

win::BOOL DeleteMetaFile(win::HMETAFILE metafile) {
  if (!enter("DeleteMetaFile", metafileName(metafile))) return win::FALSE;
  if (!deleteMetafileObject(id(metafile), ObjectKind::Metafile)) {
    ++state().invalidDeletes;
    return win::FALSE;
  }
  return win::TRUE;
}

win::HMETAFILE GetMetaFileA(const char* file) {
  if (!enter("GetMetaFileA", file != nullptr ? file : "0")) return nullptr;
  if (file == nullptr) return nullptr;
  std::optional<std::vector<std::uint8_t>> bits = readWholeFile(file);
  if (!bits || !validHeader(*bits)) return nullptr;
  return newMetafile(std::move(*bits));
}

win::UINT GetMetaFileBitsEx(win::HMETAFILE metafile, win::UINT size, void* buffer) {
  if (!enter("GetMetaFileBitsEx", metafileName(metafile) + ' ' + std::to_string(size))) return 0;
  const Object* o = findMetafile(metafile, ObjectKind::Metafile);
  if (o == nullptr) return 0;
  const auto needed = static_cast<win::UINT>(o->bits.size());
  if (buffer == nullptr) return needed;
  if (size < needed) return 0;
  std::memcpy(buffer, o->bits.data(), needed);
  return needed;
}

win::HMETAFILE SetMetaFileBitsEx(win::UINT size, const win::BYTE* bits) {
  if (!enter("SetMetaFileBitsEx", std::to_string(size))) return nullptr;
  if (bits == nullptr) return nullptr;
  const std::span<const std::uint8_t> given(bits, size);
  if (!validHeader(given)) return nullptr;
  return newMetafile(withType({given.begin(), given.end()}, false));
}

win::BOOL PlayMetaFile(win::HDC hdc, win::HMETAFILE metafile) {
  if (!enter("PlayMetaFile", contextName(hdc) + ' ' + metafileName(metafile))) return win::FALSE;
  const Object* o = findMetafile(metafile, ObjectKind::Metafile);
  if (o == nullptr || findContext(hdc) == nullptr) return win::FALSE;
  // The bits are copied: a record played may not touch the metafile, but the table may move.
  const std::vector<std::uint8_t> bits = o->bits;
  RecordReader reader(bits);
  Player player(hdc);
  win::WORD function = 0;
  std::vector<std::uint16_t> parameters;
  while (reader.next(function, parameters)) player.play(function, parameters);
  return win::TRUE;
}

}  // extern "C"
