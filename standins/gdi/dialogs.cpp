// Modeless dialogs, showing and enabling windows, and the thread's message queue.

#include <algorithm>
#include <string>
#include <utility>

#include "standins/gdi/gdi_state.h"

using namespace standins::gdi;
using namespace standins::gdi::detail;
namespace win = platform::win;

namespace {

PrintingSystem& ps() { return state().printing; }

win::HWND toWindowHandle(std::uintptr_t handle) { return reinterpret_cast<win::HWND>(handle); }

std::string messageText(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  return windowName(window) + ' ' + std::to_string(message) + ' ' + std::to_string(wParam) + ' ' +
         std::to_string(lParam);
}

std::string templateText(const char* name) {
  if (name == nullptr) return "#0";
  if (win::IS_INTRESOURCE(name)) return '#' + std::to_string(reinterpret_cast<std::uintptr_t>(name));
  return name;
}

void post(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  ps().queue.push_back({window, message, wParam, lParam, ++ps().messageTime, {0, 0}});
}

// The newest dialog still alive, or null.
win::HWND newestDialog() {
  for (auto it = ps().dialogs.rbegin(); it != ps().dialogs.rend(); ++it) {
    if (it->live) return it->window;
  }
  return nullptr;
}

void postCancel(win::HWND dialog) {
  if (dialog == nullptr) dialog = newestDialog();
  if (findWindow(dialog) == nullptr) return;
  record("postCancelClick " + windowName(dialog));
  post(dialog, win::WM_COMMAND, win::MAKEWPARAM(static_cast<win::WORD>(win::IDCANCEL), win::BN_CLICKED), 0);
}

bool inFilter(const win::MSG& m, win::HWND window, win::UINT low, win::UINT high) {
  // A window of -1 asks for the messages of the thread itself (posted to no window).
  if (window == reinterpret_cast<win::HWND>(static_cast<std::intptr_t>(-1))) {
    if (m.hwnd != nullptr) return false;
  } else if (window != nullptr && m.hwnd != window) {
    return false;
  }
  return (low == 0 && high == 0) || (m.message >= low && m.message <= high);
}

}  // namespace

namespace standins::gdi::detail {

win::LRESULT deliver(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  const Window* w = findWindow(window);
  if (w == nullptr) return 0;
  // The procedure may destroy the window or make others: take what it needs first.
  if (const win::DLGPROC dialogProcedure = w->dialogProcedure) {
    return dialogProcedure(window, message, wParam, lParam);
  }
  if (const win::WNDPROC procedure = w->procedure) return procedure(window, message, wParam, lParam);
  return 0;
}

void pageStepDone() {
  std::vector<win::HWND> due;
  auto& clicks = ps().pendingClicks;
  for (auto& [steps, dialog] : clicks) {
    if (--steps <= 0) due.push_back(toWindowHandle(dialog));
  }
  std::erase_if(clicks, [](const auto& click) { return click.first <= 0; });
  for (win::HWND dialog : due) postCancel(dialog);
}

}  // namespace standins::gdi::detail

namespace standins::gdi {

bool windowVisible(platform::win::HWND window) {
  const Window* w = findWindow(window);
  return w != nullptr && w->visible;
}

bool windowEnabled(platform::win::HWND window) {
  const Window* w = findWindow(window);
  return w != nullptr && w->enabled;
}

void setWindowProcedure(platform::win::HWND window, platform::win::WNDPROC procedure) {
  if (Window* w = findWindow(window)) w->procedure = procedure;
}

const std::vector<DialogRecord>& dialogs() { return ps().dialogs; }

std::vector<platform::win::MSG> queuedMessages() { return ps().queue; }

void postCancelClick(int afterPageSteps, platform::win::HWND dialog) {
  if (afterPageSteps <= 0) {
    postCancel(dialog);
    return;
  }
  ps().pendingClicks.emplace_back(afterPageSteps, id(dialog));
}

}  // namespace standins::gdi

extern "C" {

win::HWND CreateDialogParamA(win::HINSTANCE instance, const char* templateName, win::HWND parent,
                             win::DLGPROC procedure, win::LPARAM parameter) {
  const std::string name = templateText(templateName);
  if (!enter("CreateDialogParamA", name + ' ' + windowName(parent))) return nullptr;
  if (procedure == nullptr || (parent != nullptr && findWindow(parent) == nullptr)) return nullptr;
  // A dialog is a window of its own, hidden until shown, whose procedure gets every message.
  const win::HWND dialog = createWindow(200, 100, win::RGB(192, 192, 192));
  Window* w = findWindow(dialog);
  w->visible = false;
  w->dialogProcedure = procedure;
  ps().dialogs.push_back({dialog, name, instance, parent, true});
  w->dialog = ps().dialogs.size();
  procedure(dialog, win::WM_INITDIALOG, 0, parameter);
  return dialog;
}

win::BOOL DestroyWindow(win::HWND window) {
  if (!enter("DestroyWindow", windowName(window))) return win::FALSE;
  if (findWindow(window) == nullptr) return win::FALSE;
  deliver(window, win::WM_DESTROY, 0, 0);
  // The procedure may have destroyed it already.
  destroyWindow(window);
  return win::TRUE;
}

win::BOOL IsWindow(win::HWND window) { return findWindow(window) != nullptr ? win::TRUE : win::FALSE; }

win::BOOL ShowWindow(win::HWND window, int command) {
  if (!enter("ShowWindow", windowName(window) + ' ' + std::to_string(command))) return win::FALSE;
  Window* w = findWindow(window);
  if (w == nullptr) return win::FALSE;
  return std::exchange(w->visible, command != win::SW_HIDE) ? win::TRUE : win::FALSE;
}

win::BOOL IsWindowVisible(win::HWND window) { return windowVisible(window) ? win::TRUE : win::FALSE; }

win::BOOL EnableWindow(win::HWND window, win::BOOL enable) {
  if (!enter("EnableWindow", windowName(window) + ' ' + std::to_string(enable))) return win::FALSE;
  Window* w = findWindow(window);
  if (w == nullptr) return win::FALSE;
  return std::exchange(w->enabled, enable != win::FALSE) ? win::FALSE : win::TRUE;
}

win::BOOL IsWindowEnabled(win::HWND window) { return windowEnabled(window) ? win::TRUE : win::FALSE; }

win::BOOL PostMessageA(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  if (!enter("PostMessageA", messageText(window, message, wParam, lParam))) return win::FALSE;
  if (window != nullptr && findWindow(window) == nullptr) return win::FALSE;
  post(window, message, wParam, lParam);
  return win::TRUE;
}

win::LRESULT SendMessageA(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  if (!enter("SendMessageA", messageText(window, message, wParam, lParam))) return 0;
  return deliver(window, message, wParam, lParam);
}

win::BOOL PeekMessageA(win::MSG* message, win::HWND window, win::UINT filterMin, win::UINT filterMax,
                       win::UINT remove) {
  if (!enter("PeekMessageA", windowName(window) + ' ' + std::to_string(filterMin) + ' ' + std::to_string(filterMax) +
                                 ' ' + std::to_string(remove))) {
    return win::FALSE;
  }
  auto& queue = ps().queue;
  const auto it = std::find_if(queue.begin(), queue.end(),
                               [&](const win::MSG& m) { return inFilter(m, window, filterMin, filterMax); });
  if (it == queue.end() || message == nullptr) return win::FALSE;
  *message = *it;
  if ((remove & win::PM_REMOVE) != 0) queue.erase(it);
  return win::TRUE;
}

win::BOOL IsDialogMessageA(win::HWND dialog, win::MSG* message) {
  if (!enter("IsDialogMessageA", windowName(dialog))) return win::FALSE;
  const Window* w = findWindow(dialog);
  if (w == nullptr || w->dialog == 0 || message == nullptr || message->hwnd != dialog) return win::FALSE;
  deliver(dialog, message->message, message->wParam, message->lParam);
  return win::TRUE;
}

win::BOOL TranslateMessage(const win::MSG* message) {
  if (!enter("TranslateMessage", message != nullptr ? windowName(message->hwnd) : "0")) return win::FALSE;
  if (message == nullptr || message->message != win::WM_KEYDOWN) return win::FALSE;
  // Keys of letters, digits and the blank give their character, unshifted.
  const win::WPARAM key = message->wParam;
  const bool letter = key >= 'A' && key <= 'Z';
  if (!letter && !(key >= '0' && key <= '9') && key != ' ') return win::FALSE;
  post(message->hwnd, win::WM_CHAR, letter ? key - 'A' + 'a' : key, message->lParam);
  return win::TRUE;
}

win::LRESULT DispatchMessageA(const win::MSG* message) {
  if (!enter("DispatchMessageA", message != nullptr
                                     ? messageText(message->hwnd, message->message, message->wParam, message->lParam)
                                     : "0")) {
    return 0;
  }
  if (message == nullptr) return 0;
  return deliver(message->hwnd, message->message, message->wParam, message->lParam);
}

}  // extern "C"
