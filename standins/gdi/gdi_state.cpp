// State of the graphics stand-in and its control functions.

#include "standins/gdi/gdi_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "standins/host/host_standin.h"

namespace standins::gdi {
namespace detail {

namespace {

struct StockFont {
  int index;
  const char* name;
  int height;
  int pitchAndFamily;
  const char* face;
};

// The stock fonts: a proportional system face and fixed-pitch faces, of screen sizes.
constexpr StockFont stockFonts[] = {
    {win::OEM_FIXED_FONT, "OEM_FIXED_FONT", 16, win::FIXED_PITCH | win::FF_MODERN, "Terminal"},
    {win::ANSI_FIXED_FONT, "ANSI_FIXED_FONT", 16, win::FIXED_PITCH | win::FF_MODERN, "Courier New"},
    {win::ANSI_VAR_FONT, "ANSI_VAR_FONT", 16, win::VARIABLE_PITCH | win::FF_SWISS, "Arial"},
    {win::SYSTEM_FONT, "SYSTEM_FONT", 16, win::VARIABLE_PITCH | win::FF_SWISS, "System"},
    {win::DEVICE_DEFAULT_FONT, "DEVICE_DEFAULT_FONT", 16, win::VARIABLE_PITCH | win::FF_SWISS, "System"},
    {win::SYSTEM_FIXED_FONT, "SYSTEM_FIXED_FONT", 16, win::FIXED_PITCH | win::FF_MODERN, "Fixedsys"},
    {win::DEFAULT_GUI_FONT, "DEFAULT_GUI_FONT", 13, win::VARIABLE_PITCH | win::FF_SWISS, "Arial"},
};

std::uintptr_t addStock(Object object) {
  State& s = state();
  const std::uintptr_t handle = s.nextHandle++;
  s.objects.emplace(handle, std::move(object));
  return handle;
}

Object stockPen(const char* name, int style, win::COLORREF color) {
  Object o;
  o.kind = ObjectKind::Pen;
  o.stockName = name;
  o.pen = {static_cast<win::UINT>(style), {1, 0}, color};
  return o;
}

Object stockBrush(const char* name, win::UINT style, win::COLORREF color) {
  Object o;
  o.kind = ObjectKind::Brush;
  o.stockName = name;
  o.brush = {style, color, 0};
  return o;
}

const char* kindPrefix(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::Pen:
      return "pen";
    case ObjectKind::Brush:
      return "brush";
    case ObjectKind::Font:
      return "font";
    case ObjectKind::Region:
      return "rgn";
    case ObjectKind::Bitmap:
      return "bmp";
    case ObjectKind::Metafile:
      return "mf";
    case ObjectKind::EnhancedMetafile:
      return "emf";
  }
  return "obj";
}

}  // namespace

State& state() {
  static State instance;
  return instance;
}

void ensureStockObjects() {
  State& s = state();
  if (!s.stock.empty()) return;
  s.stock[win::WHITE_BRUSH] = addStock(stockBrush("WHITE_BRUSH", win::BS_SOLID, 0xFFFFFF));
  s.stock[win::LTGRAY_BRUSH] = addStock(stockBrush("LTGRAY_BRUSH", win::BS_SOLID, 0xC0C0C0));
  s.stock[win::GRAY_BRUSH] = addStock(stockBrush("GRAY_BRUSH", win::BS_SOLID, 0x808080));
  s.stock[win::DKGRAY_BRUSH] = addStock(stockBrush("DKGRAY_BRUSH", win::BS_SOLID, 0x404040));
  s.stock[win::BLACK_BRUSH] = addStock(stockBrush("BLACK_BRUSH", win::BS_SOLID, 0x000000));
  s.stock[win::NULL_BRUSH] = addStock(stockBrush("NULL_BRUSH", win::BS_NULL, 0));
  s.stock[win::WHITE_PEN] = addStock(stockPen("WHITE_PEN", win::PS_SOLID, 0xFFFFFF));
  s.stock[win::BLACK_PEN] = addStock(stockPen("BLACK_PEN", win::PS_SOLID, 0x000000));
  s.stock[win::NULL_PEN] = addStock(stockPen("NULL_PEN", win::PS_NULL, 0));
  for (const StockFont& f : stockFonts) {
    Object o;
    o.kind = ObjectKind::Font;
    o.stockName = f.name;
    o.font.lfHeight = f.height;
    o.font.lfWeight = win::FW_NORMAL;
    o.font.lfPitchAndFamily = static_cast<win::BYTE>(f.pitchAndFamily);
    std::snprintf(o.font.lfFaceName, sizeof o.font.lfFaceName, "%s", f.face);
    s.stock[f.index] = addStock(std::move(o));
  }
  Object bitmap;
  bitmap.kind = ObjectKind::Bitmap;
  bitmap.stockName = "DEFAULT_BITMAP";
  bitmap.bitmap = std::make_shared<Surface>();
  bitmap.bitmap->width = 1;
  bitmap.bitmap->height = 1;
  bitmap.bitmap->background = 0;
  bitmap.bitmap->discards = true;
  s.stockBitmap = addStock(std::move(bitmap));
}

void record(std::string entry) { state().log.push_back(std::move(entry)); }

bool failsNow(std::string_view operation) { return state().failing.failsNow(operation); }

bool enter(std::string_view operation, std::string_view arguments) {
  host::raiseIfArmed(operation);
  ensureStockObjects();
  std::string entry(operation);
  if (!arguments.empty()) {
    entry += ' ';
    entry += arguments;
  }
  record(std::move(entry));
  return !failsNow(operation);
}

std::uintptr_t id(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

Context* findContext(win::HDC hdc) {
  const auto it = state().contexts.find(id(hdc));
  return it != state().contexts.end() ? &it->second : nullptr;
}

Object* findObject(std::uintptr_t handle) {
  const auto it = state().objects.find(handle);
  return it != state().objects.end() ? &it->second : nullptr;
}

Object* findObject(win::HGDIOBJ object) { return findObject(id(object)); }

win::HDC toContextHandle(std::uintptr_t handle) { return reinterpret_cast<win::HDC>(handle); }

win::HGDIOBJ toObjectHandle(std::uintptr_t handle) { return reinterpret_cast<win::HGDIOBJ>(handle); }

std::string contextName(win::HDC hdc) {
  if (hdc == nullptr) return "0";
  return "dc" + std::to_string(id(hdc));
}

std::string objectName(win::HGDIOBJ object) {
  if (object == nullptr) return "0";
  const Object* o = findObject(object);
  if (o == nullptr) return "obj" + std::to_string(id(object));
  if (!o->stockName.empty()) return "stock:" + o->stockName;
  return kindPrefix(o->kind) + std::to_string(id(object));
}

std::string colorText(win::COLORREF color) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%06X", static_cast<unsigned>(color & 0xFFFFFFu));
  return buffer;
}

std::string textArgument(const char* text, int count) {
  if (text == nullptr || count <= 0) return {};
  return std::string(text, static_cast<std::size_t>(count));
}

Surface* targetSurface(Context& context) {
  if (context.kind == ContextKind::Memory) {
    Object* bitmap = findObject(context.current.bitmap);
    return bitmap != nullptr ? bitmap->bitmap.get() : nullptr;
  }
  return context.surface.get();
}

std::uintptr_t newContext(Context context) {
  State& s = state();
  const std::uintptr_t handle = s.nextHandle++;
  if (context.kind == ContextKind::Memory) {
    context.current.bitmap = s.stockBitmap;
  }
  s.contexts.emplace(handle, std::move(context));
  return handle;
}

std::uintptr_t newObject(Object object) {
  State& s = state();
  const std::uintptr_t handle = s.nextHandle++;
  s.objects.emplace(handle, std::move(object));
  return handle;
}

ContextState defaultState(ContextKind) {
  ensureStockObjects();
  ContextState c;
  c.pen = state().stock.at(win::BLACK_PEN);
  c.brush = state().stock.at(win::WHITE_BRUSH);
  c.font = state().stock.at(win::SYSTEM_FONT);
  return c;
}

bool isSelected(std::uintptr_t handle) {
  for (const auto& [_, context] : state().contexts) {
    // A metafile context only records its selections; what it selected may be deleted.
    if (context.kind == ContextKind::Metafile) continue;
    const ContextState& c = context.current;
    if (c.pen == handle || c.brush == handle || c.font == handle || c.bitmap == handle) return true;
  }
  return false;
}

}  // namespace detail

using detail::state;

namespace {

std::shared_ptr<detail::Surface> makeSurface(int width, int height, int dpiX, int dpiY) {
  auto surface = std::make_shared<detail::Surface>();
  surface->width = width;
  surface->height = height;
  surface->dpiX = dpiX;
  surface->dpiY = dpiY;
  return surface;
}

const std::vector<Page>& noPages() {
  static const std::vector<Page> none;
  return none;
}

const std::vector<DisplayEntry>& noEntries() {
  static const std::vector<DisplayEntry> none;
  return none;
}

}  // namespace

void reset() {
  // Stock objects are constants of the system: they keep their handles. The clipboard gives back
  // the memory blocks it owns.
  detail::freeClipboardItems();
  detail::State& s = state();
  detail::State fresh;
  fresh.nextHandle = s.nextHandle;
  fresh.stock = s.stock;
  fresh.stockBitmap = s.stockBitmap;
  for (const auto& [handle, object] : s.objects) {
    if (!object.stockName.empty()) fresh.objects.emplace(handle, object);
  }
  s = std::move(fresh);
}

platform::win::HDC createWindowContext(int width, int height) {
  detail::ensureStockObjects();
  if (width < 0 || height < 0) return nullptr;
  detail::Context context;
  context.kind = ContextKind::Window;
  context.device = state().screen;
  context.surface = makeSurface(width, height, state().screen.dpiX, state().screen.dpiY);
  context.current = detail::defaultState(ContextKind::Window);
  const std::uintptr_t handle = detail::newContext(std::move(context));
  detail::record("createWindowContext " + std::to_string(width) + ' ' + std::to_string(height) + " dc" +
                 std::to_string(handle));
  return detail::toContextHandle(handle);
}

platform::win::HDC createPageContext(int widthPixels, int heightPixels, int dpi) {
  detail::ensureStockObjects();
  if (widthPixels <= 0 || heightPixels <= 0 || dpi <= 0) return nullptr;
  detail::Context context;
  context.kind = ContextKind::Page;
  context.device = {widthPixels, heightPixels, dpi, dpi, true};
  context.surface = makeSurface(widthPixels, heightPixels, dpi, dpi);
  context.current = detail::defaultState(ContextKind::Page);
  const std::uintptr_t handle = detail::newContext(std::move(context));
  detail::record("createPageContext " + std::to_string(widthPixels) + ' ' + std::to_string(heightPixels) + ' ' +
                 std::to_string(dpi) + " dc" + std::to_string(handle));
  return detail::toContextHandle(handle);
}

void setScreen(int width, int height, int dpi) {
  if (width > 0 && height > 0 && dpi > 0) state().screen = {width, height, dpi, dpi, false};
}

std::optional<ContextKind> contextKind(platform::win::HDC hdc) {
  const detail::Context* context = detail::findContext(hdc);
  if (context == nullptr) return std::nullopt;
  return context->kind;
}

int liveContexts() { return static_cast<int>(state().contexts.size()); }

const std::vector<Page>& pages(platform::win::HDC hdc) {
  detail::Context* context = detail::findContext(hdc);
  if (context == nullptr) return noPages();
  const detail::Surface* surface = detail::targetSurface(*context);
  return surface != nullptr ? surface->pages : noPages();
}

const std::vector<DisplayEntry>& displayList(platform::win::HDC hdc) {
  const std::vector<Page>& all = pages(hdc);
  return all.empty() ? noEntries() : all.back().entries;
}

const std::vector<DisplayEntry>& bitmapContent(platform::win::HBITMAP bitmap) {
  const detail::Object* object = detail::findObject(bitmap);
  if (object == nullptr || object->kind != ObjectKind::Bitmap || !object->bitmap) return noEntries();
  return object->bitmap->pages.back().entries;
}

void clearDisplayList(platform::win::HDC hdc) {
  detail::Context* context = detail::findContext(hdc);
  if (context == nullptr) return;
  detail::Surface* surface = detail::targetSurface(*context);
  if (surface != nullptr) surface->pages.assign(1, Page{});
}

const std::vector<std::string>& callLog() { return state().log; }

void clearCallLog() { state().log.clear(); }

int liveObjects(ObjectKind kind) {
  return static_cast<int>(std::count_if(state().objects.begin(), state().objects.end(), [kind](const auto& entry) {
    return entry.second.kind == kind && entry.second.stockName.empty();
  }));
}

int liveObjects() {
  return static_cast<int>(std::count_if(state().objects.begin(), state().objects.end(),
                                        [](const auto& entry) { return entry.second.stockName.empty(); }));
}

int invalidDeletes() { return state().invalidDeletes; }

int invalidContextDeletes() { return state().invalidContextDeletes; }

void failOperation(std::string_view operation, int skip, int times) {
  state().failing.arm(operation, skip, times);
}

}  // namespace standins::gdi
