#pragma once
// State shared by the parts of the graphics stand-in: surfaces, device contexts, the object table,
// the call log and injected failures.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/clipboard.h"
#include "platform/windows/gdi.h"
#include "platform/windows/printing.h"
#include "platform/windows/window.h"
#include "standins/failure_schedule.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/gdi/mapping.h"
#include "standins/gdi/printer_standin.h"
#include "standins/gdi/window_standin.h"

namespace standins::gdi::detail {

namespace win = platform::win;

// What a context draws on: a window's client area, a bitmap, a page, the screen.
struct Surface {
  int width = 0;
  int height = 0;
  int dpiX = 96;
  int dpiY = 96;
  win::COLORREF background = 0xFFFFFF;
  bool discards = false;  // the stock 1 x 1 bitmap of a fresh memory context keeps nothing
  std::vector<Page> pages{1};
};

// The capabilities a context reports.
struct Device {
  int width = 0;  // HORZRES, VERTRES
  int height = 0;
  int dpiX = 96;
  int dpiY = 96;
  bool printer = false;  // page contexts: physical size and technology of a printer
};

struct Object {
  ObjectKind kind = ObjectKind::Pen;
  std::string stockName;  // not empty for stock objects
  win::LOGPEN pen{};
  win::LOGBRUSH brush{};
  win::LOGFONTA font{};
  win::RECT region{};
  std::shared_ptr<Surface> bitmap;
  std::uintptr_t selectedIn = 0;   // bitmaps: the memory context that holds it
  std::vector<std::uint8_t> bits;  // metafiles: the plain metafile's bits, or the enhanced metafile's bytes
};

struct MetafileRecorder;

// The job of a printer context: a document from StartDocA to EndDoc, its pages on the context's
// surface. The surface's last page is the one being drawn; the pages before it were ended.
struct PrinterJob {
  std::string printer;
  win::ABORTPROC abortProcedure = nullptr;
  bool started = false;  // a document is open
  bool pageOpen = false;
  bool abandoned = false;  // the abort procedure ended the document: every call fails until a new one
  int number = 0;
  std::string document;
  std::string output;  // the file of DOCINFOA::lpszOutput, as a path of this machine; empty: the folder
};

// The part of a context that SaveDC saves.
struct ContextState {
  Mapping mapping;
  std::uintptr_t pen = 0;
  std::uintptr_t brush = 0;
  std::uintptr_t font = 0;
  std::uintptr_t bitmap = 0;  // memory contexts
  win::COLORREF textColor = 0;
  win::COLORREF backgroundColor = 0xFFFFFF;
  int backgroundMode = win::OPAQUE;
  win::UINT textAlign = 0;
  win::POINT position{0, 0};
  std::optional<win::RECT> clip;  // device units
};

struct Context {
  ContextKind kind = ContextKind::Window;
  Device device;
  std::shared_ptr<Surface> surface;  // null for memory contexts (their bitmap) and information contexts
  ContextState current;
  std::vector<ContextState> saved;
  // Contexts of GetDC and BeginPaint: the window they belong to (0 for the screen's).
  bool fromWindow = false;
  std::uintptr_t window = 0;
  std::shared_ptr<MetafileRecorder> recorder;  // metafile contexts
  std::shared_ptr<PrinterJob> job;             // printer contexts
};

// A window: its client surface and what waits to be painted.
struct Window {
  std::shared_ptr<Surface> surface;
  std::optional<win::RECT> invalid;
  bool erase = false;
  int paints = 0;
  bool visible = true;
  bool enabled = true;
  win::WNDPROC procedure = nullptr;        // set by tests; dialogs have none
  win::DLGPROC dialogProcedure = nullptr;  // dialogs
  std::size_t dialog = 0;                  // dialogs: 1 + their index in the record of dialogs
};

// The printers, the print dialog, the jobs and the thread's message queue.
struct PrintingSystem {
  std::vector<PrinterSettings> printers{PrinterSettings{}};
  std::optional<std::string> outputFolder;  // nullopt: the default below the temp directory
  bool writesPdf = true;                     // false: EndDoc keeps the pages and writes no PDF
  PrintDialogAnswer answer;
  std::vector<PrintDialogCall> dialogCalls;
  win::DWORD dialogError = 0;
  std::vector<PrintJobRecord> jobs;
  int nextJob = 1;
  std::vector<DialogRecord> dialogs;
  std::vector<win::MSG> queue;
  win::DWORD messageTime = 0;
  // Cancel clicks waiting for page steps: the steps still to pass and the dialog (null: the newest).
  std::vector<std::pair<int, std::uintptr_t>> pendingClicks;
};

// The windows, caret, system colours, message boxes, beeps, module names and the clipboard.
struct WindowSystem {
  std::map<std::uintptr_t, Window> windows;
  std::optional<CaretState> caret;
  std::map<int, win::COLORREF> sysColors;  // set by tests, over the defaults
  std::vector<MessageBoxCall> messageBoxes;
  int messageBoxAnswer = win::IDOK;
  std::vector<win::UINT> beeps;
  std::map<std::uintptr_t, std::string> moduleNames;  // 0: the program's
  // The clipboard: whether it is open and by which window, who else holds it, and its items.
  bool clipboardOpen = false;
  std::uintptr_t clipboardOwner = 0;
  std::optional<std::uintptr_t> clipboardHolder;
  std::vector<std::pair<win::UINT, win::HANDLE>> clipboardItems;
};

struct State {
  // Handles are numbers from one counter that reset() does not restart, so a stale handle never
  // finds a newer context or object.
  std::uintptr_t nextHandle = 0x100;
  std::map<std::uintptr_t, Context> contexts;
  std::map<std::uintptr_t, Object> objects;  // stock objects included
  std::map<int, std::uintptr_t> stock;       // stock index -> handle
  std::uintptr_t stockBitmap = 0;
  std::vector<std::string> log;
  FailureSchedule failing;
  int invalidDeletes = 0;
  int invalidContextDeletes = 0;
  Device screen{1920, 1080, 96, 96, false};
  WindowSystem windowSystem;
  PrintingSystem printing;
};

State& state();
// Creates the stock objects when the state is new or was reset.
void ensureStockObjects();

void record(std::string entry);
bool failsNow(std::string_view operation);
// Every operation starts here: raises an armed error, logs the call, and tells whether it is to
// fail.
bool enter(std::string_view operation, std::string_view arguments);

std::uintptr_t id(const void* handle);
Context* findContext(win::HDC hdc);
Object* findObject(win::HGDIOBJ object);
Object* findObject(std::uintptr_t handle);
win::HDC toContextHandle(std::uintptr_t handle);
win::HGDIOBJ toObjectHandle(std::uintptr_t handle);

// Names for the log.
std::string contextName(win::HDC hdc);
std::string objectName(win::HGDIOBJ object);
std::string colorText(win::COLORREF color);
std::string textArgument(const char* text, int count);

// The surface the context draws on (null when it draws on nothing).
Surface* targetSurface(Context& context);
std::uintptr_t newContext(Context context);
std::uintptr_t newObject(Object object);
ContextState defaultState(ContextKind kind);
// Whether a live context has the object selected now.
bool isSelected(std::uintptr_t handle);

// Windows.
Window* findWindow(win::HWND window);
std::string windowName(win::HWND window);
bool writeSurfacePng(const Surface& surface, const std::string& path);
// Frees what the clipboard holds (as EmptyClipboard does), without logging.
void freeClipboardItems();

// Printers: a printer context for the named printer (null when no such printer is installed), and
// the end of a job whose context is deleted (discarded as AbortDoc would).
win::HDC createPrinterContext(const char* device, const win::DEVMODEA* settings);
void discardJob(Context& context);
// Writes the pages as a PDF document, each page at the surface's physical size.
bool writePagesPdf(const Surface& surface, const std::vector<Page>& pages, const std::string& path);
// Windows: counts a StartPage or EndPage call and posts the cancel clicks that were waiting for it.
void pageStepDone();
// Calls a window's procedure (a dialog's or one set by a test) with the message; 0 when it has none.
win::LRESULT deliver(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

// Metafiles: deletes a metafile or enhanced metafile object without logging; false when it is
// none.
bool deleteMetafileObject(std::uintptr_t handle, ObjectKind kind);

}  // namespace standins::gdi::detail
