// Device contexts: creation, capabilities, saved states, mapping, attributes and clipping.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <utility>

#include "standins/gdi/gdi_state.h"
#include "standins/gdi/metafile_records.h"

using namespace standins::gdi;
using namespace standins::gdi::detail;
namespace win = platform::win;

namespace {

std::string numbers(std::initializer_list<long long> values) {
  std::string text;
  for (long long v : values) {
    if (!text.empty()) text += ' ';
    text += std::to_string(v);
  }
  return text;
}

std::string withNumbers(win::HDC hdc, std::initializer_list<long long> values) {
  return contextName(hdc) + ' ' + numbers(values);
}

bool isDisplay(const char* driver) {
  if (driver == nullptr) return false;
  std::string name(driver);
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  return name == "DISPLAY";
}

win::HDC createDisplayContext(ContextKind kind) {
  Context context;
  context.kind = kind;
  context.device = state().screen;
  if (kind == ContextKind::Screen) {
    auto surface = std::make_shared<Surface>();
    surface->width = state().screen.width;
    surface->height = state().screen.height;
    surface->dpiX = state().screen.dpiX;
    surface->dpiY = state().screen.dpiY;
    context.surface = std::move(surface);
  }
  context.current = defaultState(kind);
  return toContextHandle(newContext(std::move(context)));
}

win::RECT normalized(win::POINT a, win::POINT b) {
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

int regionType(const win::RECT& r) {
  return r.right > r.left && r.bottom > r.top ? win::SIMPLEREGION : win::NULLREGION;
}

// Brings a restored state's objects back where they still exist: an object deleted since the save
// gives way to the default, and a bitmap now held by another context stays where it is.
void restoreState(std::uintptr_t self, Context& context, ContextState restored) {
  const ContextState defaults = defaultState(context.kind);
  if (findObject(restored.pen) == nullptr) restored.pen = defaults.pen;
  if (findObject(restored.brush) == nullptr) restored.brush = defaults.brush;
  if (findObject(restored.font) == nullptr) restored.font = defaults.font;
  if (context.kind == ContextKind::Memory && restored.bitmap != context.current.bitmap) {
    Object* bitmap = findObject(restored.bitmap);
    if (bitmap == nullptr || (bitmap->selectedIn != 0 && bitmap->selectedIn != self)) {
      restored.bitmap = context.current.bitmap;
    } else {
      if (Object* old = findObject(context.current.bitmap)) old->selectedIn = 0;
      if (bitmap->stockName.empty()) bitmap->selectedIn = self;
    }
  }
  context.current = restored;
}

// Sets an origin of the mapping, handing back the one it replaces.
win::BOOL setOrigin(std::string_view operation, win::HDC hdc, win::POINT Mapping::*origin, int x, int y,
                    win::POINT* previous) {
  if (!enter(operation, withNumbers(hdc, {x, y}))) return win::FALSE;
  Context* context = findContext(hdc);
  if (context == nullptr) return win::FALSE;
  recordCall(hdc, origin == &Mapping::windowOrigin ? win::META_SETWINDOWORG : win::META_SETVIEWPORTORG, {y, x});
  if (previous != nullptr) *previous = context->current.mapping.*origin;
  context->current.mapping.*origin = {x, y};
  return win::TRUE;
}

// Sets an extent of the mapping through its rule (extents count in the scalable modes only).
win::BOOL setExtent(std::string_view operation, win::HDC hdc, win::SIZE Mapping::*extent,
                    bool (*rule)(Mapping&, int, int, int, int), int x, int y, win::SIZE* previous) {
  if (!enter(operation, withNumbers(hdc, {x, y}))) return win::FALSE;
  Context* context = findContext(hdc);
  if (context == nullptr) return win::FALSE;
  if (recordCall(hdc, extent == &Mapping::windowExtent ? win::META_SETWINDOWEXT : win::META_SETVIEWPORTEXT, {y, x})) {
    // A metafile keeps the extent for the context it will be played into, whatever its mode now.
    if (previous != nullptr) *previous = context->current.mapping.*extent;
    context->current.mapping.*extent = {x, y};
    return win::TRUE;
  }
  if (previous != nullptr) *previous = context->current.mapping.*extent;
  return rule(context->current.mapping, x, y, context->device.dpiX, context->device.dpiY) ? win::TRUE : win::FALSE;
}

template <class Value>
win::BOOL readMapping(win::HDC hdc, Value Mapping::*field, Value* out) {
  const Context* context = findContext(hdc);
  if (context == nullptr || out == nullptr) return win::FALSE;
  *out = context->current.mapping.*field;
  return win::TRUE;
}

}  // namespace

extern "C" {

win::HDC CreateDCA(const char* driver, const char* device, const char* port, const win::DEVMODEA* settings) {
  auto text = [](const char* t) { return std::string(t != nullptr ? t : ""); };
  if (!enter("CreateDCA", text(driver) + ' ' + text(device) + ' ' + text(port))) return nullptr;
  // Any device but the display is a printer, found by its name.
  if (!isDisplay(driver) && !(driver == nullptr && isDisplay(device))) return createPrinterContext(device, settings);
  return createDisplayContext(ContextKind::Screen);
}

win::HDC CreateICA(const char* driver, const char* device, const char* port, const win::DEVMODEA*) {
  auto text = [](const char* t) { return std::string(t != nullptr ? t : ""); };
  if (!enter("CreateICA", text(driver) + ' ' + text(device) + ' ' + text(port))) return nullptr;
  if (!isDisplay(driver) && !(driver == nullptr && isDisplay(device))) return nullptr;
  return createDisplayContext(ContextKind::Information);
}

win::HDC CreateCompatibleDC(win::HDC hdc) {
  if (!enter("CreateCompatibleDC", contextName(hdc))) return nullptr;
  Device device = state().screen;
  if (hdc != nullptr) {
    const Context* reference = findContext(hdc);
    if (reference == nullptr) return nullptr;
    device = reference->device;
  }
  Context context;
  context.kind = ContextKind::Memory;
  context.device = device;
  context.current = defaultState(ContextKind::Memory);
  return toContextHandle(newContext(std::move(context)));
}

win::BOOL DeleteDC(win::HDC hdc) {
  if (!enter("DeleteDC", contextName(hdc))) return win::FALSE;
  const auto it = state().contexts.find(id(hdc));
  if (it == state().contexts.end()) {
    ++state().invalidContextDeletes;
    return win::FALSE;
  }
  if (Object* bitmap = findObject(it->second.current.bitmap)) bitmap->selectedIn = 0;
  // A printer's open job goes with its context, unprinted.
  discardJob(it->second);
  state().contexts.erase(it);
  return win::TRUE;
}

int GetDeviceCaps(win::HDC hdc, int index) {
  if (!enter("GetDeviceCaps", withNumbers(hdc, {index}))) return 0;
  const Context* context = findContext(hdc);
  if (context == nullptr) return 0;
  const Device& d = context->device;
  auto millimetres = [](int pixels, int dpi) { return static_cast<int>(std::lround(pixels * 25.4 / dpi)); };
  switch (index) {
    case win::TECHNOLOGY:
      if (context->kind == ContextKind::Metafile) return win::DT_METAFILE;
      return d.printer ? win::DT_RASPRINTER : win::DT_RASDISPLAY;
    case win::HORZSIZE:
      return millimetres(d.width, d.dpiX);
    case win::VERTSIZE:
      return millimetres(d.height, d.dpiY);
    case win::HORZRES:
      return d.width;
    case win::VERTRES:
      return d.height;
    case win::BITSPIXEL:
      return 24;
    case win::PLANES:
      return 1;
    case win::LOGPIXELSX:
      return d.dpiX;
    case win::LOGPIXELSY:
      return d.dpiY;
    case win::PHYSICALWIDTH:
      return d.printer ? d.width : 0;
    case win::PHYSICALHEIGHT:
      return d.printer ? d.height : 0;
    default:
      return 0;
  }
}

int SaveDC(win::HDC hdc) {
  if (!enter("SaveDC", contextName(hdc))) return 0;
  Context* context = findContext(hdc);
  if (context == nullptr) return 0;
  recordCall(hdc, win::META_SAVEDC, {});
  context->saved.push_back(context->current);
  return static_cast<int>(context->saved.size());
}

win::BOOL RestoreDC(win::HDC hdc, int savedDc) {
  if (!enter("RestoreDC", withNumbers(hdc, {savedDc}))) return win::FALSE;
  Context* context = findContext(hdc);
  if (context == nullptr || savedDc == 0) return win::FALSE;
  recordCall(hdc, win::META_RESTOREDC, {savedDc});
  const int depth = static_cast<int>(context->saved.size());
  const int level = savedDc > 0 ? savedDc : depth + savedDc + 1;
  if (level < 1 || level > depth) return win::FALSE;
  ContextState restored = context->saved[static_cast<std::size_t>(level - 1)];
  context->saved.resize(static_cast<std::size_t>(level - 1));
  restoreState(id(hdc), *context, std::move(restored));
  return win::TRUE;
}

int SetMapMode(win::HDC hdc, int mode) {
  if (!enter("SetMapMode", withNumbers(hdc, {mode}))) return 0;
  Context* context = findContext(hdc);
  if (context == nullptr) return 0;
  const int previous = context->current.mapping.mode;
  if (!setMode(context->current.mapping, mode, context->device.dpiX, context->device.dpiY)) return 0;
  recordCall(hdc, win::META_SETMAPMODE, {mode});
  return previous;
}

int GetMapMode(win::HDC hdc) {
  const Context* context = findContext(hdc);
  return context != nullptr ? context->current.mapping.mode : 0;
}

win::BOOL SetWindowOrgEx(win::HDC hdc, int x, int y, win::POINT* previous) {
  return setOrigin("SetWindowOrgEx", hdc, &Mapping::windowOrigin, x, y, previous);
}

win::BOOL SetViewportOrgEx(win::HDC hdc, int x, int y, win::POINT* previous) {
  return setOrigin("SetViewportOrgEx", hdc, &Mapping::viewportOrigin, x, y, previous);
}

win::BOOL SetWindowExtEx(win::HDC hdc, int x, int y, win::SIZE* previous) {
  return setExtent("SetWindowExtEx", hdc, &Mapping::windowExtent, setWindowExtent, x, y, previous);
}

win::BOOL SetViewportExtEx(win::HDC hdc, int x, int y, win::SIZE* previous) {
  return setExtent("SetViewportExtEx", hdc, &Mapping::viewportExtent, setViewportExtent, x, y, previous);
}

win::BOOL GetWindowOrgEx(win::HDC hdc, win::POINT* origin) { return readMapping(hdc, &Mapping::windowOrigin, origin); }

win::BOOL GetWindowExtEx(win::HDC hdc, win::SIZE* extent) { return readMapping(hdc, &Mapping::windowExtent, extent); }

win::BOOL GetViewportOrgEx(win::HDC hdc, win::POINT* origin) {
  return readMapping(hdc, &Mapping::viewportOrigin, origin);
}

win::BOOL GetViewportExtEx(win::HDC hdc, win::SIZE* extent) {
  return readMapping(hdc, &Mapping::viewportExtent, extent);
}

win::BOOL LPtoDP(win::HDC hdc, win::POINT* points, int count) {
  const Context* context = findContext(hdc);
  if (context == nullptr || count < 0 || (points == nullptr && count > 0)) return win::FALSE;
  for (int i = 0; i < count; ++i) points[i] = toDevice(context->current.mapping, points[i]);
  return win::TRUE;
}

win::BOOL DPtoLP(win::HDC hdc, win::POINT* points, int count) {
  const Context* context = findContext(hdc);
  if (context == nullptr || count < 0 || (points == nullptr && count > 0)) return win::FALSE;
  for (int i = 0; i < count; ++i) points[i] = toLogical(context->current.mapping, points[i]);
  return win::TRUE;
}

win::COLORREF SetTextColor(win::HDC hdc, win::COLORREF color) {
  if (!enter("SetTextColor", contextName(hdc) + ' ' + colorText(color))) return win::CLR_INVALID;
  Context* context = findContext(hdc);
  if (context == nullptr) return win::CLR_INVALID;
  recordColor(hdc, win::META_SETTEXTCOLOR, color);
  return std::exchange(context->current.textColor, color);
}

win::COLORREF GetTextColor(win::HDC hdc) {
  const Context* context = findContext(hdc);
  return context != nullptr ? context->current.textColor : win::CLR_INVALID;
}

win::COLORREF SetBkColor(win::HDC hdc, win::COLORREF color) {
  if (!enter("SetBkColor", contextName(hdc) + ' ' + colorText(color))) return win::CLR_INVALID;
  Context* context = findContext(hdc);
  if (context == nullptr) return win::CLR_INVALID;
  recordColor(hdc, win::META_SETBKCOLOR, color);
  return std::exchange(context->current.backgroundColor, color);
}

win::COLORREF GetBkColor(win::HDC hdc) {
  const Context* context = findContext(hdc);
  return context != nullptr ? context->current.backgroundColor : win::CLR_INVALID;
}

int SetBkMode(win::HDC hdc, int mode) {
  if (!enter("SetBkMode", withNumbers(hdc, {mode}))) return 0;
  Context* context = findContext(hdc);
  if (context == nullptr || (mode != win::TRANSPARENT && mode != win::OPAQUE)) return 0;
  recordCall(hdc, win::META_SETBKMODE, {mode});
  return std::exchange(context->current.backgroundMode, mode);
}

int GetBkMode(win::HDC hdc) {
  const Context* context = findContext(hdc);
  return context != nullptr ? context->current.backgroundMode : 0;
}

win::UINT SetTextAlign(win::HDC hdc, win::UINT align) {
  if (!enter("SetTextAlign", withNumbers(hdc, {align}))) return win::GDI_ERROR;
  Context* context = findContext(hdc);
  if (context == nullptr) return win::GDI_ERROR;
  recordCall(hdc, win::META_SETTEXTALIGN, {align & 0xFFFF, align >> 16});
  return std::exchange(context->current.textAlign, align);
}

win::UINT GetTextAlign(win::HDC hdc) {
  const Context* context = findContext(hdc);
  return context != nullptr ? context->current.textAlign : win::GDI_ERROR;
}

int SelectClipRgn(win::HDC hdc, win::HRGN region) {
  if (!enter("SelectClipRgn", contextName(hdc) + ' ' + objectName(region))) return win::ERROR;
  Context* context = findContext(hdc);
  if (context == nullptr) return win::ERROR;
  if (region == nullptr) {
    context->current.clip.reset();
    return win::SIMPLEREGION;
  }
  const Object* object = findObject(region);
  if (object == nullptr || object->kind != ObjectKind::Region) return win::ERROR;
  context->current.clip = object->region;  // a copy: the caller may delete its region
  return regionType(object->region);
}

int IntersectClipRect(win::HDC hdc, int left, int top, int right, int bottom) {
  if (!enter("IntersectClipRect", withNumbers(hdc, {left, top, right, bottom}))) return win::ERROR;
  Context* context = findContext(hdc);
  if (context == nullptr) return win::ERROR;
  if (recordCall(hdc, win::META_INTERSECTCLIPRECT, {bottom, right, top, left})) return win::SIMPLEREGION;
  const Mapping& m = context->current.mapping;
  win::RECT r = normalized(toDevice(m, {left, top}), toDevice(m, {right, bottom}));
  if (context->current.clip) {
    const win::RECT& c = *context->current.clip;
    r = {std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right), std::min(r.bottom, c.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
  }
  context->current.clip = r;
  return regionType(r);
}

int GetClipBox(win::HDC hdc, win::RECT* box) {
  Context* context = findContext(hdc);
  if (context == nullptr || box == nullptr) return win::ERROR;
  win::RECT device{0, 0, context->device.width, context->device.height};
  if (const Surface* surface = targetSurface(*context)) device = {0, 0, surface->width, surface->height};
  if (context->current.clip) {
    const win::RECT& c = *context->current.clip;
    device = {std::max(device.left, c.left), std::max(device.top, c.top), std::min(device.right, c.right),
              std::min(device.bottom, c.bottom)};
    if (device.right < device.left) device.right = device.left;
    if (device.bottom < device.top) device.bottom = device.top;
  }
  const Mapping& m = context->current.mapping;
  *box = normalized(toLogical(m, {device.left, device.top}), toLogical(m, {device.right, device.bottom}));
  return regionType(device);
}

}  // extern "C"
