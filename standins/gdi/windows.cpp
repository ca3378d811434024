// Windows: client surfaces and their contexts, painting and invalidation, the caret, system
// colours, message boxes, beeps and module file names.

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "standins/gdi/gdi_state.h"
#include "standins/windows/windows_standin.h"

using namespace standins::gdi;
using namespace standins::gdi::detail;
namespace win = platform::win;

namespace {

WindowSystem& ws() { return state().windowSystem; }

std::string rectText(const win::RECT& r) {
  return std::to_string(r.left) + ' ' + std::to_string(r.top) + ' ' + std::to_string(r.right) + ' ' +
         std::to_string(r.bottom);
}

win::HWND toWindowHandle(std::uintptr_t handle) { return reinterpret_cast<win::HWND>(handle); }

// The colours of the classic Windows scheme.
constexpr std::array<win::COLORREF, 21> defaultSysColors{
    win::RGB(192, 192, 192),  // COLOR_SCROLLBAR
    win::RGB(0, 128, 128),    // COLOR_BACKGROUND
    win::RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    win::RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    win::RGB(192, 192, 192),  // COLOR_MENU
    win::RGB(255, 255, 255),  // COLOR_WINDOW
    win::RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    win::RGB(0, 0, 0),        // COLOR_MENUTEXT
    win::RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    win::RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    win::RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    win::RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    win::RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    win::RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    win::RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    win::RGB(192, 192, 192),  // COLOR_BTNFACE
    win::RGB(128, 128, 128),  // COLOR_BTNSHADOW
    win::RGB(128, 128, 128),  // COLOR_GRAYTEXT
    win::RGB(0, 0, 0),        // COLOR_BTNTEXT
    win::RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    win::RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
};

win::RECT clientRect(const Window& w) { return {0, 0, w.surface->width, w.surface->height}; }

win::RECT unite(const win::RECT& a, const win::RECT& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// Clears the invalid part of the window to its background, as the default erase of a paint does.
// Clearing the whole client area forgets what was drawn; a part is covered by a fill.
void eraseInvalid(Window& w) {
  if (!w.erase || !w.invalid) return;
  w.erase = false;
  const win::RECT client = clientRect(w);
  const win::RECT& r = *w.invalid;
  if (r.left <= 0 && r.top <= 0 && r.right >= client.right && r.bottom >= client.bottom) {
    w.surface->pages.assign(1, Page{});
    return;
  }
  DisplayEntry e;
  e.kind = EntryKind::FillRect;
  e.brush = {false, w.surface->background};
  e.points = {{r.left, r.top}, {r.right, r.bottom}};
  w.surface->pages.back().entries.push_back(std::move(e));
}

// A context that draws on the window's surface.
win::HDC windowContext(std::uintptr_t window, const Window& w) {
  Context context;
  context.kind = ContextKind::Window;
  context.device = state().screen;
  context.surface = w.surface;
  context.current = defaultState(ContextKind::Window);
  context.fromWindow = true;
  context.window = window;
  return toContextHandle(newContext(std::move(context)));
}

std::string programFileName() {
  std::array<char, 4096> buffer{};
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return "C:\\KVOM.EXE";
  return standins::windows::toWindowsPath(std::string(buffer.data(), static_cast<std::size_t>(length)));
}

}  // namespace

namespace standins::gdi::detail {

Window* findWindow(win::HWND window) {
  const auto it = ws().windows.find(id(window));
  return it != ws().windows.end() ? &it->second : nullptr;
}

std::string windowName(win::HWND window) {
  if (window == nullptr) return "0";
  return "wnd" + std::to_string(id(window));
}

}  // namespace standins::gdi::detail

namespace standins::gdi {

platform::win::HWND createWindow(int clientWidth, int clientHeight, platform::win::COLORREF background) {
  ensureStockObjects();
  if (clientWidth < 0 || clientHeight < 0) return nullptr;
  Window w;
  w.surface = std::make_shared<Surface>();
  w.surface->width = clientWidth;
  w.surface->height = clientHeight;
  w.surface->dpiX = state().screen.dpiX;
  w.surface->dpiY = state().screen.dpiY;
  w.surface->background = background;
  const std::uintptr_t handle = state().nextHandle++;
  ws().windows.emplace(handle, std::move(w));
  record("createWindow " + std::to_string(clientWidth) + ' ' + std::to_string(clientHeight) + " wnd" +
         std::to_string(handle));
  return toWindowHandle(handle);
}

bool destroyWindow(platform::win::HWND window) {
  const auto it = ws().windows.find(id(window));
  if (it == ws().windows.end()) return false;
  for (auto& [_, context] : state().contexts) {
    if (context.fromWindow && context.window == it->first) context.surface.reset();
  }
  if (ws().caret && ws().caret->window == window) ws().caret.reset();
  // A dialog's record outlives it; the messages waiting for the window do not.
  if (it->second.dialog != 0) state().printing.dialogs[it->second.dialog - 1].live = false;
  std::erase_if(state().printing.queue, [window](const win::MSG& m) { return m.hwnd == window; });
  ws().windows.erase(it);
  return true;
}

int liveWindows() { return static_cast<int>(ws().windows.size()); }

const std::vector<DisplayEntry>& windowDisplayList(platform::win::HWND window) {
  static const std::vector<DisplayEntry> none;
  const Window* w = findWindow(window);
  return w != nullptr ? w->surface->pages.back().entries : none;
}

void clearWindowDisplayList(platform::win::HWND window) {
  if (Window* w = findWindow(window)) w->surface->pages.assign(1, Page{});
}

bool writeWindowPng(platform::win::HWND window, const std::string& path) {
  if (!enter("writeWindowPng", windowName(window) + ' ' + path)) return false;
  const Window* w = findWindow(window);
  return w != nullptr && writeSurfacePng(*w->surface, path);
}

std::optional<platform::win::RECT> invalidRect(platform::win::HWND window) {
  const Window* w = findWindow(window);
  return w != nullptr ? w->invalid : std::nullopt;
}

bool erasePending(platform::win::HWND window) {
  const Window* w = findWindow(window);
  return w != nullptr && w->invalid && w->erase;
}

int openWindowContexts() {
  return static_cast<int>(std::count_if(state().contexts.begin(), state().contexts.end(),
                                        [](const auto& entry) { return entry.second.fromWindow; }));
}

int paintCount(platform::win::HWND window) {
  const Window* w = findWindow(window);
  return w != nullptr ? w->paints : 0;
}

std::optional<CaretState> caret() { return ws().caret; }

void setSysColor(int index, platform::win::COLORREF color) { ws().sysColors[index] = color; }

const std::vector<MessageBoxCall>& messageBoxes() { return ws().messageBoxes; }

void clearMessageBoxes() { ws().messageBoxes.clear(); }

void setMessageBoxAnswer(int answer) { ws().messageBoxAnswer = answer; }

const std::vector<platform::win::UINT>& beeps() { return ws().beeps; }

void setModuleFileName(platform::win::HMODULE module, std::string windowsPath) {
  ws().moduleNames[id(module)] = std::move(windowsPath);
}

}  // namespace standins::gdi

extern "C" {

win::HDC GetDC(win::HWND window) {
  if (!enter("GetDC", windowName(window))) return nullptr;
  if (window == nullptr) {
    // The whole screen, given back with ReleaseDC like a window's context.
    Context context;
    context.kind = ContextKind::Screen;
    context.device = state().screen;
    context.surface = std::make_shared<Surface>();
    context.surface->width = state().screen.width;
    context.surface->height = state().screen.height;
    context.surface->dpiX = state().screen.dpiX;
    context.surface->dpiY = state().screen.dpiY;
    context.current = defaultState(ContextKind::Screen);
    context.fromWindow = true;
    return toContextHandle(newContext(std::move(context)));
  }
  const Window* w = findWindow(window);
  if (w == nullptr) return nullptr;
  return windowContext(id(window), *w);
}

int ReleaseDC(win::HWND window, win::HDC hdc) {
  if (!enter("ReleaseDC", windowName(window) + ' ' + contextName(hdc))) return 0;
  const auto it = state().contexts.find(id(hdc));
  if (it == state().contexts.end() || !it->second.fromWindow || it->second.window != id(window)) return 0;
  state().contexts.erase(it);
  return 1;
}

win::HDC BeginPaint(win::HWND window, win::PAINTSTRUCT* paint) {
  if (!enter("BeginPaint", windowName(window))) return nullptr;
  Window* w = findWindow(window);
  if (w == nullptr || paint == nullptr) return nullptr;
  ++w->paints;
  eraseInvalid(*w);
  *paint = {};
  paint->rcPaint = w->invalid.value_or(win::RECT{0, 0, 0, 0});
  paint->fErase = win::FALSE;  // erased above
  paint->hdc = windowContext(id(window), *w);
  // The painter draws only into the invalid part.
  findContext(paint->hdc)->current.clip = paint->rcPaint;
  return paint->hdc;
}

win::BOOL EndPaint(win::HWND window, const win::PAINTSTRUCT* paint) {
  if (!enter("EndPaint", windowName(window) + ' ' + (paint != nullptr ? contextName(paint->hdc) : "0"))) {
    return win::FALSE;
  }
  Window* w = findWindow(window);
  if (w == nullptr || paint == nullptr) return win::FALSE;
  w->invalid.reset();
  w->erase = false;
  const auto it = state().contexts.find(id(paint->hdc));
  if (it != state().contexts.end() && it->second.fromWindow && it->second.window == id(window)) {
    state().contexts.erase(it);
  }
  return win::TRUE;
}

win::BOOL InvalidateRect(win::HWND window, const win::RECT* rect, win::BOOL erase) {
  if (!enter("InvalidateRect",
             windowName(window) + ' ' + (rect != nullptr ? rectText(*rect) : "0") + ' ' + std::to_string(erase))) {
    return win::FALSE;
  }
  Window* w = findWindow(window);
  if (w == nullptr) return win::FALSE;
  const win::RECT client = clientRect(*w);
  win::RECT r = rect != nullptr ? *rect : client;
  // Only the client area can be invalid.
  r = {std::max(r.left, client.left), std::max(r.top, client.top), std::min(r.right, client.right),
       std::min(r.bottom, client.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) return win::TRUE;
  w->invalid = w->invalid ? unite(*w->invalid, r) : r;
  if (erase != win::FALSE) w->erase = true;
  return win::TRUE;
}

win::BOOL UpdateWindow(win::HWND window) {
  if (!enter("UpdateWindow", windowName(window))) return win::FALSE;
  Window* w = findWindow(window);
  if (w == nullptr) return win::FALSE;
  // No window procedure runs here: the default painting erases what is due and validates.
  if (w->invalid) {
    ++w->paints;
    eraseInvalid(*w);
    w->invalid.reset();
  }
  return win::TRUE;
}

win::BOOL GetClientRect(win::HWND window, win::RECT* rect) {
  if (!enter("GetClientRect", windowName(window))) return win::FALSE;
  const Window* w = findWindow(window);
  if (w == nullptr || rect == nullptr) return win::FALSE;
  *rect = clientRect(*w);
  return win::TRUE;
}

win::BOOL CreateCaret(win::HWND window, win::HBITMAP bitmap, int width, int height) {
  if (!enter("CreateCaret", windowName(window) + ' ' + objectName(bitmap) + ' ' + std::to_string(width) + ' ' +
                                std::to_string(height))) {
    return win::FALSE;
  }
  if (findWindow(window) == nullptr) return win::FALSE;
  CaretState c;
  c.window = window;
  c.size = {width, height};
  ws().caret = c;  // a new caret replaces the old one, hidden
  return win::TRUE;
}

win::BOOL DestroyCaret() {
  if (!enter("DestroyCaret", {})) return win::FALSE;
  if (!ws().caret) return win::FALSE;
  ws().caret.reset();
  return win::TRUE;
}

win::BOOL ShowCaret(win::HWND window) {
  if (!enter("ShowCaret", windowName(window))) return win::FALSE;
  auto& c = ws().caret;
  if (!c || (window != nullptr && window != c->window) || c->hideLevel == 0) return win::FALSE;
  --c->hideLevel;
  return win::TRUE;
}

win::BOOL HideCaret(win::HWND window) {
  if (!enter("HideCaret", windowName(window))) return win::FALSE;
  auto& c = ws().caret;
  if (!c || (window != nullptr && window != c->window)) return win::FALSE;
  ++c->hideLevel;
  return win::TRUE;
}

win::BOOL SetCaretPos(int x, int y) {
  if (!enter("SetCaretPos", std::to_string(x) + ' ' + std::to_string(y))) return win::FALSE;
  if (!ws().caret) return win::FALSE;
  ws().caret->position = {x, y};
  return win::TRUE;
}

win::BOOL GetCaretPos(win::POINT* point) {
  if (!ws().caret || point == nullptr) return win::FALSE;
  *point = ws().caret->position;
  return win::TRUE;
}

win::DWORD GetSysColor(int index) {
  if (!enter("GetSysColor", std::to_string(index))) return 0;
  if (const auto it = ws().sysColors.find(index); it != ws().sysColors.end()) return it->second;
  if (index < 0 || static_cast<std::size_t>(index) >= defaultSysColors.size()) return 0;
  return defaultSysColors[static_cast<std::size_t>(index)];
}

win::BOOL MessageBeep(win::UINT type) {
  if (!enter("MessageBeep", std::to_string(type))) return win::FALSE;
  ws().beeps.push_back(type);
  return win::TRUE;
}

int MessageBoxA(win::HWND owner, const char* text, const char* caption, win::UINT type) {
  const std::string shownCaption = caption != nullptr ? caption : "Error";
  if (!enter("MessageBoxA", windowName(owner) + ' ' + std::to_string(type) + ' ' + shownCaption + ": " +
                                (text != nullptr ? text : ""))) {
    return 0;
  }
  // A box with only an OK button can answer nothing else.
  const int answer = (type & 0xF) == win::MB_OK ? win::IDOK : ws().messageBoxAnswer;
  ws().messageBoxes.push_back({owner, text != nullptr ? text : "", shownCaption, type, answer});
  return answer;
}

win::DWORD GetModuleFileNameA(win::HMODULE module, char* buffer, win::DWORD size) {
  if (!enter("GetModuleFileNameA", "mod" + std::to_string(id(module)) + ' ' + std::to_string(size))) return 0;
  std::string name;
  if (const auto it = ws().moduleNames.find(id(module)); it != ws().moduleNames.end()) {
    name = it->second;
  } else if (module == nullptr) {
    name = programFileName();
  } else {
    return 0;
  }
  if (buffer == nullptr || size == 0) return 0;
  // Cut to the buffer, always terminated; a cut name returns the buffer's size.
  const std::size_t copied = std::min<std::size_t>(name.size(), size - 1);
  std::memcpy(buffer, name.data(), copied);
  buffer[copied] = '\0';
  return copied < name.size() ? size : static_cast<win::DWORD>(copied);
}

}  // extern "C"
