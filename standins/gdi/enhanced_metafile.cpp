// Enhanced metafiles read from files and played stretched into a rectangle. The records the
// stand-in knows (lines, polylines, rectangles, ellipses, arcs, text, pens, brushes, fonts, the
// mapping, saved states and clipping) are drawn; other records are passed over.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/metafile.h"
#include "standins/gdi/gdi_state.h"
#include "standins/gdi/mapping.h"
#include "standins/gdi/metafile_records.h"

using namespace standins::gdi;
using namespace standins::gdi::detail;
namespace win = platform::win;

namespace {

std::uint32_t dwordAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  if (at + 4 > bytes.size()) return 0;
  return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                                    (static_cast<std::uint32_t>(bytes[at + 3]) << 24));
}

std::int32_t longAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::int32_t>(dwordAt(bytes, at));
}

std::int16_t shortAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  if (at + 2 > bytes.size()) return 0;
  return static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// The header fields every enhanced metafile has (up to szlMillimeters), and those with the first
// extension (up to bOpenGL); the second extension adds szlMicrometers.
constexpr std::size_t baseHeaderSize = offsetof(win::ENHMETAHEADER, cbPixelFormat);
constexpr std::size_t firstExtensionSize = offsetof(win::ENHMETAHEADER, szlMicrometers);

// How many bytes of the header record are header fields: the record, ended early by a
// description or pixel format placed within it, taken down to one of the three known sizes; 0
// when not even the base fields are there.
std::size_t headerFieldsSize(std::span<const std::uint8_t> bytes) {
  std::size_t size = std::min<std::size_t>(dwordAt(bytes, offsetof(win::ENHMETAHEADER, nSize)), bytes.size());
  const auto endsAt = [&](std::size_t countAt, std::size_t offsetAt) {
    const std::uint32_t offset = dwordAt(bytes, offsetAt);
    if (dwordAt(bytes, countAt) != 0 && offset >= baseHeaderSize) size = std::min<std::size_t>(size, offset);
  };
  endsAt(offsetof(win::ENHMETAHEADER, nDescription), offsetof(win::ENHMETAHEADER, offDescription));
  if (size >= firstExtensionSize) {
    endsAt(offsetof(win::ENHMETAHEADER, cbPixelFormat), offsetof(win::ENHMETAHEADER, offPixelFormat));
  }
  for (std::size_t known : {sizeof(win::ENHMETAHEADER), firstExtensionSize, baseHeaderSize}) {
    if (size >= known) return known;
  }
  return 0;
}

// The header as far as the file holds its fields; the fields it lacks are 0.
win::ENHMETAHEADER headerOf(std::span<const std::uint8_t> bytes) {
  win::ENHMETAHEADER h{};
  std::memcpy(&h, bytes.data(), headerFieldsSize(bytes));
  return h;
}

// The width and height of a rectangle, taken in 64 bits: the corners may lie at the ends of the
// 32-bit range.
std::int64_t widthOf(const win::RECT& r) { return std::int64_t{r.right} - r.left; }
std::int64_t heightOf(const win::RECT& r) { return std::int64_t{r.bottom} - r.top; }

// Whether the rectangle's width and height are 32-bit numbers, as those of any picture are.
bool soundExtent(const win::RECT& r) {
  const auto fits = [](std::int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; };
  return fits(widthOf(r)) && fits(heightOf(r));
}

bool validEnhanced(std::span<const std::uint8_t> bytes) {
  if (headerFieldsSize(bytes) == 0) return false;
  const win::ENHMETAHEADER h = headerOf(bytes);
  return h.iType == win::EMR_HEADER && h.dSignature == win::ENHMETA_SIGNATURE && h.nSize <= bytes.size() &&
         h.nBytes >= h.nSize && h.nBytes <= bytes.size() && soundExtent(h.rclBounds) && soundExtent(h.rclFrame);
}

const Object* findEnhanced(win::HENHMETAFILE metafile) {
  const Object* o = findObject(id(metafile));
  return o != nullptr && o->kind == ObjectKind::EnhancedMetafile ? o : nullptr;
}

std::string enhancedName(win::HENHMETAFILE metafile) { return objectName(reinterpret_cast<win::HGDIOBJ>(metafile)); }

// Plays the records of an enhanced metafile into a rectangle of a context. The picture's own
// mapping takes its logical units to the reference device's pixels; its frame, in those pixels,
// is stretched onto the rectangle.
class EnhancedPlayer {
 public:
  EnhancedPlayer(win::HDC hdc, std::span<const std::uint8_t> bytes, const win::RECT& rect) : hdc_(hdc), bytes_(bytes) {
    const win::ENHMETAHEADER h = headerOf(bytes);
    win::RECT frame = h.rclBounds;
    if (h.szlMillimeters.cx > 0 && h.szlMillimeters.cy > 0) {
      // The frame is in hundredths of a millimetre; the reference device has szlDevice pixels on
      // szlMillimeters.
      const double px = static_cast<double>(h.szlDevice.cx) / (h.szlMillimeters.cx * 100.0);
      const double py = static_cast<double>(h.szlDevice.cy) / (h.szlMillimeters.cy * 100.0);
      frameLeft_ = h.rclFrame.left * px;
      frameTop_ = h.rclFrame.top * py;
      frameWidth_ = static_cast<double>(widthOf(h.rclFrame)) * px;
      frameHeight_ = static_cast<double>(heightOf(h.rclFrame)) * py;
    } else {
      frameLeft_ = frame.left;
      frameTop_ = frame.top;
      frameWidth_ = static_cast<double>(widthOf(frame));
      frameHeight_ = static_cast<double>(heightOf(frame));
    }
    if (frameWidth_ == 0) frameWidth_ = 1;
    if (frameHeight_ == 0) frameHeight_ = 1;
    rect_ = rect;
    dpiX_ = h.szlMillimeters.cx > 0 ? static_cast<int>(std::lround(h.szlDevice.cx * 25.4 / h.szlMillimeters.cx)) : 96;
    dpiY_ = h.szlMillimeters.cy > 0 ? static_cast<int>(std::lround(h.szlDevice.cy * 25.4 / h.szlMillimeters.cy)) : 96;
  }

  void play() {
    const int saved = SaveDC(hdc_);
    const std::size_t end = headerOf(bytes_).nBytes;
    std::size_t at = 0;
    while (at + 8 <= end) {
      const std::uint32_t type = dwordAt(bytes_, at);
      const std::uint32_t size = dwordAt(bytes_, at + 4);
      if (size < 8 || size % 4 != 0 || size > end - at || type == win::EMR_EOF) break;
      record(type, bytes_.subspan(at, size));
      at += size;
    }
    if (saved != 0) RestoreDC(hdc_, saved);
    for (win::HGDIOBJ o : handles_) {
      if (o != nullptr) DeleteObject(o);
    }
  }

 private:
  // Logical units of the picture to logical units of the target.
  win::POINT map(std::int32_t x, std::int32_t y) const {
    // Kept in fractions until the target's units, so that a fine picture is not rounded twice.
    const double dx = (static_cast<double>(x) - mapping_.windowOrigin.x) * standins::gdi::detail::scaleX(mapping_) +
                      mapping_.viewportOrigin.x;
    const double dy = (static_cast<double>(y) - mapping_.windowOrigin.y) * standins::gdi::detail::scaleY(mapping_) +
                      mapping_.viewportOrigin.y;
    const double tx = rect_.left + (dx - frameLeft_) * static_cast<double>(widthOf(rect_)) / frameWidth_;
    const double ty = rect_.top + (dy - frameTop_) * static_cast<double>(heightOf(rect_)) / frameHeight_;
    return {coordinate(tx), coordinate(ty)};
  }
  // A target coordinate, held within the range of coordinates.
  static win::LONG coordinate(double v) {
    return static_cast<win::LONG>(std::lround(std::clamp(v, double{INT32_MIN}, double{INT32_MAX})));
  }
  double scaleX() const {
    return std::fabs(standins::gdi::detail::scaleX(mapping_) * static_cast<double>(widthOf(rect_)) / frameWidth_);
  }
  double scaleY() const {
    return std::fabs(standins::gdi::detail::scaleY(mapping_) * static_cast<double>(heightOf(rect_)) / frameHeight_);
  }

  void keep(std::uint32_t index, win::HGDIOBJ object) {
    if (index >= 65536) {
      if (object != nullptr) DeleteObject(object);
      return;
    }
    if (handles_.size() <= index) handles_.resize(index + 1, nullptr);
    if (handles_[index] != nullptr) DeleteObject(handles_[index]);
    handles_[index] = object;
  }

  void select(std::uint32_t index) {
    if ((index & 0x80000000u) != 0) {
      if (win::HGDIOBJ stock = GetStockObject(static_cast<int>(index & 0x7FFFFFFFu))) SelectObject(hdc_, stock);
      return;
    }
    if (index < handles_.size() && handles_[index] != nullptr) SelectObject(hdc_, handles_[index]);
  }

  void remove(std::uint32_t index) {
    if (index >= handles_.size() || handles_[index] == nullptr) return;
    // An object in use gives way to a stock one first.
    const Context* c = findContext(hdc_);
    const std::uintptr_t handle = id(handles_[index]);
    if (c != nullptr && c->current.pen == handle) SelectObject(hdc_, GetStockObject(win::BLACK_PEN));
    if (c != nullptr && c->current.brush == handle) SelectObject(hdc_, GetStockObject(win::WHITE_BRUSH));
    if (c != nullptr && c->current.font == handle) SelectObject(hdc_, GetStockObject(win::SYSTEM_FONT));
    DeleteObject(handles_[index]);
    handles_[index] = nullptr;
  }

  win::RECT mappedRect(std::span<const std::uint8_t> r, std::size_t at) const {
    const win::POINT a = map(longAt(r, at), longAt(r, at + 4));
    const win::POINT b = map(longAt(r, at + 8), longAt(r, at + 12));
    return {a.x, a.y, b.x, b.y};
  }

  void text(std::span<const std::uint8_t> r, bool wide) {
    // bounds (16), graphics mode, x scale, y scale, then the text record: reference point, count,
    // offset of the characters, options, rectangle, offset of the advances.
    constexpr std::size_t t = 8 + 16 + 12;
    if (r.size() < t + 40) return;
    const win::POINT at = map(longAt(r, t), longAt(r, t + 4));
    const std::uint32_t count = dwordAt(r, t + 8);
    const std::uint32_t offset = dwordAt(r, t + 12);
    const win::UINT options = dwordAt(r, t + 16);
    const win::RECT box = mappedRect(r, t + 20);
    const std::size_t width = wide ? 2 : 1;
    if (count > r.size() || offset > r.size() || count * width > r.size() - offset) return;
    std::string chars;
    for (std::uint32_t i = 0; i < count; ++i) {
      // Wide characters beyond the ANSI range show as a question mark.
      const std::uint32_t c = wide ? static_cast<std::uint16_t>(shortAt(r, offset + 2 * i)) : r[offset + i];
      chars += c < 256 ? static_cast<char>(c) : '?';
    }
    const win::RECT normal{std::min(box.left, box.right), std::min(box.top, box.bottom), std::max(box.left, box.right),
                           std::max(box.top, box.bottom)};
    const bool boxed = (options & (win::ETO_OPAQUE | win::ETO_CLIPPED)) != 0;
    ExtTextOutA(hdc_, at.x, at.y, options, boxed ? &normal : nullptr, chars.data(), count, nullptr);
  }

  void font(std::span<const std::uint8_t> r) {
    if (r.size() < 12 + 28 + 64) return;
    win::LOGFONTA f{};
    f.lfHeight = static_cast<win::LONG>(std::lround(longAt(r, 12) * scaleY()));
    f.lfWidth = static_cast<win::LONG>(std::lround(longAt(r, 16) * scaleX()));
    f.lfEscapement = longAt(r, 20);
    f.lfOrientation = longAt(r, 24);
    f.lfWeight = longAt(r, 28);
    f.lfItalic = r[32];
    f.lfUnderline = r[33];
    f.lfStrikeOut = r[34];
    f.lfCharSet = r[35];
    f.lfOutPrecision = r[36];
    f.lfClipPrecision = r[37];
    f.lfQuality = r[38];
    f.lfPitchAndFamily = r[39];
    for (int i = 0; i < win::LF_FACESIZE - 1; ++i) {
      const auto c = static_cast<std::uint16_t>(shortAt(r, 40 + 2 * static_cast<std::size_t>(i)));
      if (c == 0) break;
      f.lfFaceName[i] = c < 256 ? static_cast<char>(c) : '?';
    }
    keep(dwordAt(r, 8), CreateFontIndirectA(&f));
  }

  void record(std::uint32_t type, std::span<const std::uint8_t> r) {
    switch (type) {
      case win::EMR_SETMAPMODE:
        setMode(mapping_, longAt(r, 8), dpiX_, dpiY_);
        break;
      case win::EMR_SETWINDOWORGEX:
        mapping_.windowOrigin = {longAt(r, 8), longAt(r, 12)};
        break;
      case win::EMR_SETVIEWPORTORGEX:
        mapping_.viewportOrigin = {longAt(r, 8), longAt(r, 12)};
        break;
      case win::EMR_SETWINDOWEXTEX:
        setWindowExtent(mapping_, longAt(r, 8), longAt(r, 12), dpiX_, dpiY_);
        break;
      case win::EMR_SETVIEWPORTEXTEX:
        setViewportExtent(mapping_, longAt(r, 8), longAt(r, 12), dpiX_, dpiY_);
        break;
      case win::EMR_SETBKMODE:
        SetBkMode(hdc_, longAt(r, 8));
        break;
      case win::EMR_SETTEXTALIGN:
        SetTextAlign(hdc_, dwordAt(r, 8));
        break;
      case win::EMR_SETTEXTCOLOR:
        SetTextColor(hdc_, dwordAt(r, 8));
        break;
      case win::EMR_SETBKCOLOR:
        SetBkColor(hdc_, dwordAt(r, 8));
        break;
      case win::EMR_SAVEDC:
        savedMappings_.push_back(mapping_);
        SaveDC(hdc_);
        break;
      case win::EMR_RESTOREDC: {
        const std::int32_t level = longAt(r, 8);
        if (level < 0 && static_cast<std::size_t>(-level) <= savedMappings_.size()) {
          mapping_ = savedMappings_[savedMappings_.size() - static_cast<std::size_t>(-level)];
          savedMappings_.resize(savedMappings_.size() - static_cast<std::size_t>(-level));
          RestoreDC(hdc_, level);
        }
        break;
      }
      case win::EMR_INTERSECTCLIPRECT: {
        const win::RECT c = mappedRect(r, 8);
        IntersectClipRect(hdc_, c.left, c.top, c.right, c.bottom);
        break;
      }
      case win::EMR_MOVETOEX: {
        const win::POINT p = map(longAt(r, 8), longAt(r, 12));
        MoveToEx(hdc_, p.x, p.y, nullptr);
        break;
      }
      case win::EMR_LINETO: {
        const win::POINT p = map(longAt(r, 8), longAt(r, 12));
        LineTo(hdc_, p.x, p.y);
        break;
      }
      case win::EMR_POLYLINE:
      case win::EMR_POLYLINE16: {
        const bool small = type == win::EMR_POLYLINE16;
        const std::uint32_t count = dwordAt(r, 24);
        const std::size_t each = small ? 4 : 8;
        if (count > (r.size() - std::min<std::size_t>(r.size(), 28)) / each) break;
        std::vector<win::POINT> points;
        for (std::uint32_t i = 0; i < count; ++i) {
          const std::size_t at = 28 + i * each;
          points.push_back(small ? map(shortAt(r, at), shortAt(r, at + 2)) : map(longAt(r, at), longAt(r, at + 4)));
        }
        Polyline(hdc_, points.data(), static_cast<int>(points.size()));
        break;
      }
      case win::EMR_RECTANGLE:
      case win::EMR_ELLIPSE: {
        const win::RECT b = mappedRect(r, 8);
        type == win::EMR_RECTANGLE ? Rectangle(hdc_, b.left, b.top, b.right, b.bottom)
                                   : Ellipse(hdc_, b.left, b.top, b.right, b.bottom);
        break;
      }
      case win::EMR_ARC: {
        const win::RECT b = mappedRect(r, 8);
        const win::POINT s = map(longAt(r, 24), longAt(r, 28));
        const win::POINT e = map(longAt(r, 32), longAt(r, 36));
        Arc(hdc_, b.left, b.top, b.right, b.bottom, s.x, s.y, e.x, e.y);
        break;
      }
      case win::EMR_EXTTEXTOUTA:
        text(r, false);
        break;
      case win::EMR_EXTTEXTOUTW:
        text(r, true);
        break;
      case win::EMR_CREATEPEN: {
        const auto width = static_cast<int>(std::lround(longAt(r, 16) * scaleX()));
        keep(dwordAt(r, 8), CreatePen(longAt(r, 12), width, dwordAt(r, 24)));
        break;
      }
      case win::EMR_CREATEBRUSHINDIRECT: {
        const win::LOGBRUSH brush{dwordAt(r, 12), dwordAt(r, 16), dwordAt(r, 20)};
        keep(dwordAt(r, 8), CreateBrushIndirect(&brush));
        break;
      }
      case win::EMR_EXTCREATEFONTINDIRECTW:
        font(r);
        break;
      case win::EMR_SELECTOBJECT:
        select(dwordAt(r, 8));
        break;
      case win::EMR_DELETEOBJECT:
        remove(dwordAt(r, 8));
        break;
      default:
        break;
    }
  }

  win::HDC hdc_;
  std::span<const std::uint8_t> bytes_;
  win::RECT rect_{};
  double frameLeft_ = 0, frameTop_ = 0, frameWidth_ = 1, frameHeight_ = 1;
  int dpiX_ = 96, dpiY_ = 96;
  Mapping mapping_;
  std::vector<Mapping> savedMappings_;
  std::vector<win::HGDIOBJ> handles_;
};

}  // namespace

extern "C" {

win::HENHMETAFILE GetEnhMetaFileA(const char* file) {
  if (!enter("GetEnhMetaFileA", file != nullptr ? file : "0")) return nullptr;
  if (file == nullptr) return nullptr;
  std::optional<std::vector<std::uint8_t>> read = readWholeFile(file);
  if (!read || !validEnhanced(*read)) return nullptr;
  std::vector<std::uint8_t> bytes = std::move(*read);
  bytes.resize(headerOf(bytes).nBytes);
  Object o;
  o.kind = ObjectKind::EnhancedMetafile;
  o.bits = std::move(bytes);
  return reinterpret_cast<win::HENHMETAFILE>(newObject(std::move(o)));
}

win::BOOL PlayEnhMetaFile(win::HDC hdc, win::HENHMETAFILE metafile, const win::RECT* rect) {
  std::string arguments = contextName(hdc) + ' ' + enhancedName(metafile);
  if (rect != nullptr) {
    arguments += ' ' + std::to_string(rect->left) + ' ' + std::to_string(rect->top) + ' ' +
                 std::to_string(rect->right) + ' ' + std::to_string(rect->bottom);
  }
  if (!enter("PlayEnhMetaFile", arguments)) return win::FALSE;
  const Object* o = findEnhanced(metafile);
  if (o == nullptr || rect == nullptr || findContext(hdc) == nullptr) return win::FALSE;
  const std::vector<std::uint8_t> bytes = o->bits;  // the table may move while objects are made
  EnhancedPlayer(hdc, bytes, *rect).play();
  return win::TRUE;
}

win::BOOL DeleteEnhMetaFile(win::HENHMETAFILE metafile) {
  if (!enter("DeleteEnhMetaFile", enhancedName(metafile))) return win::FALSE;
  if (!deleteMetafileObject(id(metafile), ObjectKind::EnhancedMetafile)) {
    ++state().invalidDeletes;
    return win::FALSE;
  }
  return win::TRUE;
}

win::UINT GetEnhMetaFileHeader(win::HENHMETAFILE metafile, win::UINT size, win::ENHMETAHEADER* header) {
  if (!enter("GetEnhMetaFileHeader", enhancedName(metafile) + ' ' + std::to_string(size))) return 0;
  const Object* o = findEnhanced(metafile);
  if (o == nullptr) return 0;
  const auto available = static_cast<win::UINT>(headerFieldsSize(o->bits));
  if (header == nullptr) return available;
  const win::UINT copied = std::min(size, available);
  std::memcpy(header, o->bits.data(), copied);
  return copied;
}

}  // extern "C"
