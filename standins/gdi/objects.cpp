// Pens, brushes, fonts, regions and bitmaps: one handle table, selection into contexts, deletion.

#include <cstring>
#include <string>
#include <utility>

#include "standins/gdi/gdi_state.h"
#include "standins/gdi/metafile_records.h"

using namespace standins::gdi;
using namespace standins::gdi::detail;
namespace win = platform::win;

namespace {

// Windows draws dashed and dotted pens wider than one unit as solid lines.
int effectivePenStyle(int style, int width) {
  const bool patterned =
      style == win::PS_DASH || style == win::PS_DOT || style == win::PS_DASHDOT || style == win::PS_DASHDOTDOT;
  return patterned && width > 1 ? win::PS_SOLID : style;
}

bool knownPenStyle(int style) { return style >= win::PS_SOLID && style <= win::PS_INSIDEFRAME; }

win::HGDIOBJ makePen(int style, int width, win::COLORREF color) {
  if (!knownPenStyle(style)) return nullptr;
  Object o;
  o.kind = ObjectKind::Pen;
  o.pen = {static_cast<win::UINT>(effectivePenStyle(style, width)), {width < 0 ? 0 : width, 0}, color};
  return toObjectHandle(newObject(std::move(o)));
}

win::HGDIOBJ makeBrush(win::UINT style, win::COLORREF color) {
  if (style != win::BS_SOLID && style != win::BS_NULL) return nullptr;
  Object o;
  o.kind = ObjectKind::Brush;
  o.brush = {style, color, 0};
  return toObjectHandle(newObject(std::move(o)));
}

win::HGDIOBJ makeFont(win::LOGFONTA font) {
  font.lfFaceName[win::LF_FACESIZE - 1] = '\0';
  Object o;
  o.kind = ObjectKind::Font;
  o.font = font;
  return toObjectHandle(newObject(std::move(o)));
}

std::string fontArguments(const win::LOGFONTA& f) {
  std::string text;
  for (long v : {static_cast<long>(f.lfHeight), static_cast<long>(f.lfWidth), static_cast<long>(f.lfEscapement),
                 static_cast<long>(f.lfOrientation), static_cast<long>(f.lfWeight), static_cast<long>(f.lfItalic),
                 static_cast<long>(f.lfUnderline), static_cast<long>(f.lfStrikeOut), static_cast<long>(f.lfCharSet),
                 static_cast<long>(f.lfOutPrecision), static_cast<long>(f.lfClipPrecision),
                 static_cast<long>(f.lfQuality), static_cast<long>(f.lfPitchAndFamily)}) {
    text += std::to_string(v);
    text += ' ';
  }
  text += std::string(f.lfFaceName, strnlen(f.lfFaceName, sizeof f.lfFaceName));
  return text;
}

// Selecting a region sets the clip region; the result is the region type as a handle value.
win::HGDIOBJ selectRegion(Context& context, const Object& region) {
  context.current.clip = region.region;
  const win::RECT& r = region.region;
  const int type = r.right > r.left && r.bottom > r.top ? win::SIMPLEREGION : win::NULLREGION;
  return reinterpret_cast<win::HGDIOBJ>(static_cast<std::uintptr_t>(type));
}

}  // namespace

extern "C" {

win::HPEN CreatePen(int style, int width, win::COLORREF color) {
  if (!enter("CreatePen", std::to_string(style) + ' ' + std::to_string(width) + ' ' + colorText(color))) {
    return nullptr;
  }
  return makePen(style, width, color);
}

win::HPEN CreatePenIndirect(const win::LOGPEN* pen) {
  if (!enter("CreatePenIndirect", pen == nullptr
                                      ? std::string("0")
                                      : std::to_string(pen->lopnStyle) + ' ' + std::to_string(pen->lopnWidth.x) + ' ' +
                                            colorText(pen->lopnColor))) {
    return nullptr;
  }
  if (pen == nullptr) return nullptr;
  return makePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

win::HBRUSH CreateSolidBrush(win::COLORREF color) {
  if (!enter("CreateSolidBrush", colorText(color))) return nullptr;
  return makeBrush(win::BS_SOLID, color);
}

win::HBRUSH CreateBrushIndirect(const win::LOGBRUSH* brush) {
  if (!enter("CreateBrushIndirect",
             brush == nullptr ? std::string("0") : std::to_string(brush->lbStyle) + ' ' + colorText(brush->lbColor))) {
    return nullptr;
  }
  if (brush == nullptr) return nullptr;
  return makeBrush(brush->lbStyle, brush->lbColor);
}

win::HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, win::DWORD italic,
                       win::DWORD underline, win::DWORD strikeOut, win::DWORD charSet, win::DWORD outPrecision,
                       win::DWORD clipPrecision, win::DWORD quality, win::DWORD pitchAndFamily, const char* face) {
  win::LOGFONTA font{};
  font.lfHeight = height;
  font.lfWidth = width;
  font.lfEscapement = escapement;
  font.lfOrientation = orientation;
  font.lfWeight = weight;
  font.lfItalic = static_cast<win::BYTE>(italic);
  font.lfUnderline = static_cast<win::BYTE>(underline);
  font.lfStrikeOut = static_cast<win::BYTE>(strikeOut);
  font.lfCharSet = static_cast<win::BYTE>(charSet);
  font.lfOutPrecision = static_cast<win::BYTE>(outPrecision);
  font.lfClipPrecision = static_cast<win::BYTE>(clipPrecision);
  font.lfQuality = static_cast<win::BYTE>(quality);
  font.lfPitchAndFamily = static_cast<win::BYTE>(pitchAndFamily);
  if (face != nullptr) std::strncpy(font.lfFaceName, face, win::LF_FACESIZE - 1);
  if (!enter("CreateFontA", fontArguments(font))) return nullptr;
  return makeFont(font);
}

win::HFONT CreateFontIndirectA(const win::LOGFONTA* font) {
  if (!enter("CreateFontIndirectA", font == nullptr ? std::string("0") : fontArguments(*font))) return nullptr;
  if (font == nullptr) return nullptr;
  return makeFont(*font);
}

win::HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  if (!enter("CreateRectRgn", std::to_string(left) + ' ' + std::to_string(top) + ' ' + std::to_string(right) + ' ' +
                                  std::to_string(bottom))) {
    return nullptr;
  }
  Object o;
  o.kind = ObjectKind::Region;
  o.region = {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  return toObjectHandle(newObject(std::move(o)));
}

win::HBITMAP CreateCompatibleBitmap(win::HDC hdc, int width, int height) {
  if (!enter("CreateCompatibleBitmap", contextName(hdc) + ' ' + std::to_string(width) + ' ' + std::to_string(height))) {
    return nullptr;
  }
  const Context* context = findContext(hdc);
  // A bitmap larger than 32767 pixels a side is more memory than the system gives.
  if (context == nullptr || width < 0 || height < 0 || width > 32767 || height > 32767) return nullptr;
  Object o;
  o.kind = ObjectKind::Bitmap;
  o.bitmap = std::make_shared<Surface>();
  // A bitmap of no size is a 1 x 1 bitmap; a new bitmap's bits are all zero (black).
  o.bitmap->width = width == 0 || height == 0 ? 1 : width;
  o.bitmap->height = width == 0 || height == 0 ? 1 : height;
  o.bitmap->dpiX = context->device.dpiX;
  o.bitmap->dpiY = context->device.dpiY;
  o.bitmap->background = 0;
  return toObjectHandle(newObject(std::move(o)));
}

win::HGDIOBJ GetStockObject(int index) {
  if (!enter("GetStockObject", std::to_string(index))) return nullptr;
  const auto it = state().stock.find(index);
  return it != state().stock.end() ? toObjectHandle(it->second) : nullptr;
}

win::HGDIOBJ SelectObject(win::HDC hdc, win::HGDIOBJ object) {
  if (!enter("SelectObject", contextName(hdc) + ' ' + objectName(object))) return nullptr;
  Context* context = findContext(hdc);
  Object* o = findObject(object);
  if (context == nullptr || o == nullptr) return nullptr;
  ContextState& c = context->current;
  recordSelect(hdc, id(object));
  switch (o->kind) {
    case ObjectKind::Pen:
      return toObjectHandle(std::exchange(c.pen, id(object)));
    case ObjectKind::Brush:
      return toObjectHandle(std::exchange(c.brush, id(object)));
    case ObjectKind::Font:
      return toObjectHandle(std::exchange(c.font, id(object)));
    case ObjectKind::Region:
      return selectRegion(*context, *o);
    case ObjectKind::Bitmap: {
      // Only memory contexts hold bitmaps, and a bitmap sits in one context at a time.
      if (context->kind != ContextKind::Memory) return nullptr;
      if (c.bitmap == id(object)) return object;
      if (o->selectedIn != 0) return nullptr;
      if (Object* previous = findObject(c.bitmap)) previous->selectedIn = 0;
      if (o->stockName.empty()) o->selectedIn = id(hdc);
      return toObjectHandle(std::exchange(c.bitmap, id(object)));
    }
    case ObjectKind::Metafile:
    case ObjectKind::EnhancedMetafile:
      return nullptr;
  }
  return nullptr;
}

win::HGDIOBJ GetCurrentObject(win::HDC hdc, win::UINT type) {
  const Context* context = findContext(hdc);
  if (context == nullptr) return nullptr;
  const ContextState& c = context->current;
  switch (type) {
    case win::OBJ_PEN:
      return toObjectHandle(c.pen);
    case win::OBJ_BRUSH:
      return toObjectHandle(c.brush);
    case win::OBJ_FONT:
      return toObjectHandle(c.font);
    case win::OBJ_BITMAP:
      return toObjectHandle(c.bitmap);
    default:
      return nullptr;
  }
}

win::BOOL DeleteObject(win::HGDIOBJ object) {
  if (!enter("DeleteObject", objectName(object))) return win::FALSE;
  const auto it = state().objects.find(id(object));
  if (it == state().objects.end()) {
    ++state().invalidDeletes;
    return win::FALSE;
  }
  // Deleting a stock object is harmless and does nothing.
  if (!it->second.stockName.empty()) return win::TRUE;
  if (isSelected(it->first) || it->second.kind == ObjectKind::Metafile ||
      it->second.kind == ObjectKind::EnhancedMetafile) {
    ++state().invalidDeletes;
    return win::FALSE;
  }
  recordDelete(it->first);
  state().objects.erase(it);
  return win::TRUE;
}

win::DWORD GetObjectType(win::HGDIOBJ object) {
  const Object* o = findObject(object);
  if (o == nullptr) return 0;
  switch (o->kind) {
    case ObjectKind::Pen:
      return win::OBJ_PEN;
    case ObjectKind::Brush:
      return win::OBJ_BRUSH;
    case ObjectKind::Font:
      return win::OBJ_FONT;
    case ObjectKind::Region:
      return win::OBJ_REGION;
    case ObjectKind::Bitmap:
      return win::OBJ_BITMAP;
    case ObjectKind::Metafile:
      return win::OBJ_METAFILE;
    case ObjectKind::EnhancedMetafile:
      return win::OBJ_ENHMETAFILE;
  }
  return 0;
}

int GetObjectA(win::HGDIOBJ object, int size, void* buffer) {
  const Object* o = findObject(object);
  if (o == nullptr) return 0;
  const void* source = nullptr;
  int needed = 0;
  switch (o->kind) {
    case ObjectKind::Pen:
      source = &o->pen;
      needed = sizeof o->pen;
      break;
    case ObjectKind::Brush:
      source = &o->brush;
      needed = sizeof o->brush;
      break;
    case ObjectKind::Font:
      source = &o->font;
      needed = sizeof o->font;
      break;
    default:
      return 0;
  }
  if (buffer == nullptr) return needed;
  if (size < needed) return 0;
  std::memcpy(buffer, source, static_cast<std::size_t>(needed));
  return needed;
}

}  // extern "C"
