// Drawing: lines, shapes, text and block transfers, each mapped to device units and appended to
// the display list of the context's surface.

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "standins/gdi/gdi_state.h"
#include "standins/gdi/metafile_records.h"

using namespace standins::gdi;
using namespace standins::gdi::detail;
namespace win = platform::win;

namespace {

std::string numbers(win::HDC hdc, std::initializer_list<long long> values) {
  std::string text = contextName(hdc);
  for (long long v : values) text += ' ' + std::to_string(v);
  return text;
}

// The context and surface of a drawing call; null when the context is unknown or draws on nothing
// (an information context).
struct Target {
  Context* context = nullptr;
  Surface* surface = nullptr;
};

Target drawTarget(win::HDC hdc) {
  Target t;
  t.context = findContext(hdc);
  if (t.context == nullptr || t.context->kind == ContextKind::Information) return {};
  t.surface = targetSurface(*t.context);
  if (t.surface == nullptr) return {};
  return t;
}

// A shape in a metafile context: its corners (and arc points) in the record's reverse order.
bool recordShape(win::HDC hdc, EntryKind kind, std::initializer_list<win::POINT> logical) {
  if (recorderOf(hdc) == nullptr) return false;
  const std::vector<win::POINT> p(logical);
  switch (kind) {
    case EntryKind::Rectangle:
      return recordCall(hdc, win::META_RECTANGLE, {p[1].y, p[1].x, p[0].y, p[0].x});
    case EntryKind::Ellipse:
      return recordCall(hdc, win::META_ELLIPSE, {p[1].y, p[1].x, p[0].y, p[0].x});
    default:
      return recordCall(hdc, win::META_ARC, {p[3].y, p[3].x, p[2].y, p[2].x, p[1].y, p[1].x, p[0].y, p[0].x});
  }
}

win::POINT device(const Context& context, int x, int y) { return toDevice(context.current.mapping, {x, y}); }

// The far corner of a block: position plus size, held within the coordinate range.
int farEdge(int position, int size) {
  const long long edge = static_cast<long long>(position) + size;
  return static_cast<int>(
      std::clamp<long long>(edge, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

PenStyle devicePen(const Context& context) {
  PenStyle pen;
  if (const Object* o = findObject(context.current.pen)) {
    pen.style = static_cast<int>(o->pen.lopnStyle);
    pen.color = o->pen.lopnColor;
    const double width = std::fabs(o->pen.lopnWidth.x * scaleX(context.current.mapping));
    pen.width = std::max(1.0, std::round(width));
  }
  return pen;
}

BrushStyle brushOf(std::uintptr_t handle) {
  BrushStyle brush;
  if (const Object* o = findObject(handle); o != nullptr && o->kind == ObjectKind::Brush) {
    brush.hollow = o->brush.lbStyle == win::BS_NULL;
    brush.color = o->brush.lbColor;
  } else {
    brush.hollow = true;
  }
  return brush;
}

FontStyle deviceFont(const Context& context) {
  FontStyle font;
  if (const Object* o = findObject(context.current.font)) font.description = o->font;
  const TextMeasure m = measureFont(font.description);
  const double sx = std::fabs(scaleX(context.current.mapping));
  const double sy = std::fabs(scaleY(context.current.mapping));
  font.fixedPitch = m.fixedPitch;
  font.height = m.height * sy;
  font.ascent = m.ascent * sy;
  font.charWidth = m.charWidth * sx;
  font.angle = font.description.lfEscapement / 10.0;
  return font;
}

DisplayEntry entry(const Context& context, EntryKind kind) {
  DisplayEntry e;
  e.kind = kind;
  e.pen = devicePen(context);
  e.brush = brushOf(context.current.brush);
  e.textColor = context.current.textColor;
  e.backgroundColor = context.current.backgroundColor;
  e.backgroundMode = context.current.backgroundMode;
  e.textAlign = context.current.textAlign;
  e.clip = context.current.clip;
  return e;
}

void append(Surface& surface, DisplayEntry e) {
  if (!surface.discards) surface.pages.back().entries.push_back(std::move(e));
}

win::BOOL shape(win::HDC hdc, EntryKind kind, std::initializer_list<win::POINT> logical) {
  if (recordShape(hdc, kind, logical)) return win::TRUE;
  Target t = drawTarget(hdc);
  if (t.surface == nullptr) return win::FALSE;
  DisplayEntry e = entry(*t.context, kind);
  for (win::POINT p : logical) e.points.push_back(device(*t.context, p.x, p.y));
  // Corners in ascending order, as Windows normalises a rectangle.
  if (e.points.size() >= 2) {
    win::POINT& a = e.points[0];
    win::POINT& b = e.points[1];
    if (a.x > b.x) std::swap(a.x, b.x);
    if (a.y > b.y) std::swap(a.y, b.y);
  }
  append(*t.surface, std::move(e));
  return win::TRUE;
}

win::BOOL text(win::HDC hdc, int x, int y, win::UINT options, const win::RECT* rect, const char* chars, int count,
               const int* advances, bool extended) {
  if (count < 0 || (chars == nullptr && count > 0)) return win::FALSE;
  if (recordText(hdc, x, y, options, rect, chars, count, advances, extended)) return win::TRUE;
  Target t = drawTarget(hdc);
  if (t.surface == nullptr) return win::FALSE;
  const Context& c = *t.context;
  DisplayEntry e = entry(c, EntryKind::Text);
  e.points.push_back(device(c, x, y));
  e.text.assign(chars != nullptr ? chars : "", static_cast<std::size_t>(count));
  e.font = deviceFont(c);
  if (advances != nullptr) {
    const double sx = std::fabs(scaleX(c.current.mapping));
    for (int i = 0; i < count; ++i) e.advances.push_back(advances[i] * sx);
  }
  if (rect != nullptr && (options & (win::ETO_OPAQUE | win::ETO_CLIPPED)) != 0) {
    const win::POINT a = device(c, rect->left, rect->top);
    const win::POINT b = device(c, rect->right, rect->bottom);
    const win::RECT r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    if ((options & win::ETO_OPAQUE) != 0) e.opaqueRect = r;
    if ((options & win::ETO_CLIPPED) != 0) {
      win::RECT clip = e.clip.value_or(r);
      clip = {std::max(clip.left, r.left), std::max(clip.top, r.top), std::min(clip.right, r.right),
              std::min(clip.bottom, r.bottom)};
      e.clip = clip;
    }
  }
  append(*t.surface, std::move(e));
  return win::TRUE;
}

// A copy of what the source surface shows now, for a block transfer.
std::shared_ptr<const Snapshot> snapshotOf(const Surface& surface) {
  auto snapshot = std::make_shared<Snapshot>();
  snapshot->width = surface.width;
  snapshot->height = surface.height;
  snapshot->background = surface.background;
  snapshot->entries = surface.pages.back().entries;
  return snapshot;
}

bool usesSource(win::DWORD rop) { return rop != win::BLACKNESS && rop != win::WHITENESS && rop != win::PATCOPY; }

win::BOOL fill(win::HDC hdc, int x, int y, int width, int height, win::DWORD rop) {
  if (recordCall(hdc, win::META_PATBLT, {rop & 0xFFFF, rop >> 16, height, width, y, x})) return win::TRUE;
  Target t = drawTarget(hdc);
  if (t.surface == nullptr) return win::FALSE;
  DisplayEntry e = entry(*t.context, EntryKind::Fill);
  e.rop = rop;
  if (rop == win::BLACKNESS) e.brush = {false, 0x000000};
  if (rop == win::WHITENESS) e.brush = {false, 0xFFFFFF};
  win::POINT a = device(*t.context, x, y);
  win::POINT b = device(*t.context, farEdge(x, width), farEdge(y, height));
  e.points = {{std::min(a.x, b.x), std::min(a.y, b.y)}, {std::max(a.x, b.x), std::max(a.y, b.y)}};
  append(*t.surface, std::move(e));
  return win::TRUE;
}

win::BOOL blit(win::HDC target, int x, int y, int width, int height, win::HDC source, int xSource, int ySource,
               int widthSource, int heightSource, win::DWORD rop) {
  if (!usesSource(rop)) return fill(target, x, y, width, height, rop);
  Target s = drawTarget(source);
  if (recorderOf(target) != nullptr) {
    // A metafile keeps the source's pixels of the block.
    if (s.surface == nullptr) return win::FALSE;
    const win::POINT a = device(*s.context, xSource, ySource);
    const win::POINT b = device(*s.context, farEdge(xSource, widthSource), farEdge(ySource, heightSource));
    const win::RECT part{std::max(0, std::min(a.x, b.x)), std::max(0, std::min(a.y, b.y)),
                         std::min(s.surface->width, std::max(a.x, b.x)),
                         std::min(s.surface->height, std::max(a.y, b.y))};
    return recordBlit(target, x, y, width, height, *s.surface, part, rop) ? win::TRUE : win::FALSE;
  }
  Target t = drawTarget(target);
  if (t.surface == nullptr || s.surface == nullptr) return win::FALSE;
  DisplayEntry e = entry(*t.context, EntryKind::Blit);
  e.rop = rop;
  e.points = {device(*t.context, x, y), device(*t.context, farEdge(x, width), farEdge(y, height)),
              device(*s.context, xSource, ySource),
              device(*s.context, farEdge(xSource, widthSource), farEdge(ySource, heightSource))};
  e.snapshot = snapshotOf(*s.surface);
  append(*t.surface, std::move(e));
  return win::TRUE;
}

}  // namespace

namespace standins::gdi::detail {

bool drawPixels(win::HDC hdc, int x, int y, int width, int height, int pixelWidth, int pixelHeight,
                std::vector<std::uint32_t> pixels) {
  if (!enter("StretchDIBits", numbers(hdc, {x, y, width, height, pixelWidth, pixelHeight}))) return false;
  auto picture = std::make_shared<Snapshot>();
  picture->width = pixelWidth;
  picture->height = pixelHeight;
  picture->pixels = std::move(pixels);
  if (recorderOf(hdc) != nullptr) {
    Surface source;
    source.width = pixelWidth;
    source.height = pixelHeight;
    DisplayEntry e;
    e.kind = EntryKind::Blit;
    e.rop = win::SRCCOPY;
    e.points = {{0, 0}, {pixelWidth, pixelHeight}, {0, 0}, {pixelWidth, pixelHeight}};
    e.snapshot = std::move(picture);
    source.pages.back().entries.push_back(std::move(e));
    return recordBlit(hdc, x, y, width, height, source, {0, 0, pixelWidth, pixelHeight}, win::SRCCOPY);
  }
  Target t = drawTarget(hdc);
  if (t.surface == nullptr) return false;
  DisplayEntry e = entry(*t.context, EntryKind::Blit);
  e.rop = win::SRCCOPY;
  e.points = {device(*t.context, x, y),
              device(*t.context, farEdge(x, width), farEdge(y, height)),
              {0, 0},
              {pixelWidth, pixelHeight}};
  e.snapshot = std::move(picture);
  append(*t.surface, std::move(e));
  return true;
}

}  // namespace standins::gdi::detail

extern "C" {

win::BOOL MoveToEx(win::HDC hdc, int x, int y, win::POINT* previous) {
  if (!enter("MoveToEx", numbers(hdc, {x, y}))) return win::FALSE;
  Context* context = findContext(hdc);
  if (context == nullptr) return win::FALSE;
  recordCall(hdc, win::META_MOVETO, {y, x});
  if (previous != nullptr) *previous = context->current.position;
  context->current.position = {x, y};
  return win::TRUE;
}

win::BOOL GetCurrentPositionEx(win::HDC hdc, win::POINT* position) {
  const Context* context = findContext(hdc);
  if (context == nullptr || position == nullptr) return win::FALSE;
  *position = context->current.position;
  return win::TRUE;
}

win::BOOL LineTo(win::HDC hdc, int x, int y) {
  if (!enter("LineTo", numbers(hdc, {x, y}))) return win::FALSE;
  if (recordCall(hdc, win::META_LINETO, {y, x})) {
    findContext(hdc)->current.position = {x, y};
    return win::TRUE;
  }
  Target t = drawTarget(hdc);
  if (t.surface == nullptr) return win::FALSE;
  DisplayEntry e = entry(*t.context, EntryKind::Line);
  const win::POINT from = t.context->current.position;
  e.points = {device(*t.context, from.x, from.y), device(*t.context, x, y)};
  t.context->current.position = {x, y};
  append(*t.surface, std::move(e));
  return win::TRUE;
}

win::BOOL Polyline(win::HDC hdc, const win::POINT* points, int count) {
  std::string arguments = numbers(hdc, {count});
  for (int i = 0; points != nullptr && i < count; ++i) {
    arguments += ' ' + std::to_string(points[i].x) + ',' + std::to_string(points[i].y);
  }
  if (!enter("Polyline", arguments)) return win::FALSE;
  if (points == nullptr || count < 2) return win::FALSE;
  if (recordPolyline(hdc, points, count)) return win::TRUE;
  Target t = drawTarget(hdc);
  if (t.surface == nullptr) return win::FALSE;
  DisplayEntry e = entry(*t.context, EntryKind::Line);
  for (int i = 0; i < count; ++i) e.points.push_back(device(*t.context, points[i].x, points[i].y));
  append(*t.surface, std::move(e));
  return win::TRUE;
}

win::BOOL Rectangle(win::HDC hdc, int left, int top, int right, int bottom) {
  if (!enter("Rectangle", numbers(hdc, {left, top, right, bottom}))) return win::FALSE;
  return shape(hdc, EntryKind::Rectangle, {{left, top}, {right, bottom}});
}

win::BOOL Ellipse(win::HDC hdc, int left, int top, int right, int bottom) {
  if (!enter("Ellipse", numbers(hdc, {left, top, right, bottom}))) return win::FALSE;
  return shape(hdc, EntryKind::Ellipse, {{left, top}, {right, bottom}});
}

win::BOOL Arc(win::HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
  if (!enter("Arc", numbers(hdc, {left, top, right, bottom, xStart, yStart, xEnd, yEnd}))) return win::FALSE;
  return shape(hdc, EntryKind::Arc, {{left, top}, {right, bottom}, {xStart, yStart}, {xEnd, yEnd}});
}

int FillRect(win::HDC hdc, const win::RECT* rect, win::HBRUSH brush) {
  std::string arguments = contextName(hdc);
  if (rect != nullptr) {
    arguments += ' ' + std::to_string(rect->left) + ' ' + std::to_string(rect->top) + ' ' +
                 std::to_string(rect->right) + ' ' + std::to_string(rect->bottom);
  }
  if (!enter("FillRect", arguments + ' ' + objectName(brush))) return 0;
  const Object* o = findObject(brush);
  if (rect == nullptr || o == nullptr || o->kind != ObjectKind::Brush) return 0;
  if (recorderOf(hdc) != nullptr) {
    // A metafile fills with the brush selected for the fill, then selects the previous brush again.
    Context& c = *findContext(hdc);
    const std::uintptr_t previous = c.current.brush;
    recordSelect(hdc, id(brush));
    recordCall(hdc, win::META_PATBLT,
               {win::PATCOPY & 0xFFFF, win::PATCOPY >> 16, rect->bottom - rect->top, rect->right - rect->left,
                rect->top, rect->left});
    recordSelect(hdc, previous);
    return 1;
  }
  Target t = drawTarget(hdc);
  if (t.surface == nullptr) return 0;
  DisplayEntry e = entry(*t.context, EntryKind::FillRect);
  e.brush = brushOf(id(brush));
  e.points = {device(*t.context, rect->left, rect->top), device(*t.context, rect->right, rect->bottom)};
  win::POINT& a = e.points[0];
  win::POINT& b = e.points[1];
  if (a.x > b.x) std::swap(a.x, b.x);
  if (a.y > b.y) std::swap(a.y, b.y);
  append(*t.surface, std::move(e));
  return 1;
}

win::BOOL TextOutA(win::HDC hdc, int x, int y, const char* chars, int count) {
  if (!enter("TextOutA", numbers(hdc, {x, y}) + ' ' + textArgument(chars, count))) return win::FALSE;
  return text(hdc, x, y, 0, nullptr, chars, count, nullptr, false);
}

win::BOOL ExtTextOutA(win::HDC hdc, int x, int y, win::UINT options, const win::RECT* rect, const char* chars,
                      win::UINT count, const int* advances) {
  std::string arguments = numbers(hdc, {x, y, options});
  if (rect != nullptr) {
    arguments += ' ' + std::to_string(rect->left) + ',' + std::to_string(rect->top) + ',' +
                 std::to_string(rect->right) + ',' + std::to_string(rect->bottom);
  }
  if (!enter("ExtTextOutA", arguments + ' ' + textArgument(chars, static_cast<int>(count)))) return win::FALSE;
  return text(hdc, x, y, options, rect, chars, static_cast<int>(count), advances, true);
}

win::BOOL GetTextExtentPoint32A(win::HDC hdc, const char* chars, int count, win::SIZE* size) {
  if (!enter("GetTextExtentPoint32A", contextName(hdc) + ' ' + textArgument(chars, count))) return win::FALSE;
  const Context* context = findContext(hdc);
  if (context == nullptr || size == nullptr || count < 0 || (chars == nullptr && count > 0)) return win::FALSE;
  win::LOGFONTA font{};
  if (const Object* o = findObject(context->current.font)) font = o->font;
  const TextMeasure m = measureFont(font);
  const long long width = static_cast<long long>(count) * m.charWidth;
  *size = {static_cast<win::LONG>(std::min<long long>(width, std::numeric_limits<win::LONG>::max())), m.height};
  return win::TRUE;
}

win::BOOL GetTextMetricsA(win::HDC hdc, win::TEXTMETRICA* metrics) {
  if (!enter("GetTextMetricsA", contextName(hdc))) return win::FALSE;
  const Context* context = findContext(hdc);
  if (context == nullptr || metrics == nullptr) return win::FALSE;
  win::LOGFONTA font{};
  if (const Object* o = findObject(context->current.font)) font = o->font;
  const TextMeasure m = measureFont(font);
  win::TEXTMETRICA tm{};
  tm.tmHeight = m.height;
  tm.tmAscent = m.ascent;
  tm.tmDescent = m.height - m.ascent;
  tm.tmAveCharWidth = m.charWidth;
  tm.tmMaxCharWidth = m.charWidth;
  tm.tmWeight = font.lfWeight != 0 ? font.lfWeight : win::FW_NORMAL;
  tm.tmDigitizedAspectX = context->device.dpiX;
  tm.tmDigitizedAspectY = context->device.dpiY;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFF;
  tm.tmDefaultChar = '?';
  tm.tmBreakChar = ' ';
  tm.tmItalic = font.lfItalic;
  tm.tmUnderlined = font.lfUnderline;
  tm.tmStruckOut = font.lfStrikeOut;
  tm.tmPitchAndFamily = static_cast<win::BYTE>((font.lfPitchAndFamily & 0xF0) | win::TMPF_TRUETYPE |
                                               (m.fixedPitch ? 0 : win::TMPF_FIXED_PITCH));
  tm.tmCharSet = font.lfCharSet;
  *metrics = tm;
  return win::TRUE;
}

win::BOOL BitBlt(win::HDC target, int x, int y, int width, int height, win::HDC source, int xSource, int ySource,
                 win::DWORD rop) {
  if (!enter("BitBlt", numbers(target, {x, y, width, height}) + ' ' + contextName(source) + ' ' +
                           std::to_string(xSource) + ' ' + std::to_string(ySource) + ' ' + std::to_string(rop))) {
    return win::FALSE;
  }
  return blit(target, x, y, width, height, source, xSource, ySource, width, height, rop);
}

win::BOOL StretchBlt(win::HDC target, int x, int y, int width, int height, win::HDC source, int xSource, int ySource,
                     int widthSource, int heightSource, win::DWORD rop) {
  if (!enter("StretchBlt", numbers(target, {x, y, width, height}) + ' ' + contextName(source) + ' ' +
                               std::to_string(xSource) + ' ' + std::to_string(ySource) + ' ' +
                               std::to_string(widthSource) + ' ' + std::to_string(heightSource) + ' ' +
                               std::to_string(rop))) {
    return win::FALSE;
  }
  return blit(target, x, y, width, height, source, xSource, ySource, widthSource, heightSource, rop);
}

win::BOOL PatBlt(win::HDC hdc, int x, int y, int width, int height, win::DWORD rop) {
  if (!enter("PatBlt", numbers(hdc, {x, y, width, height, rop}))) return win::FALSE;
  return fill(hdc, x, y, width, height, rop);
}

}  // extern "C"
