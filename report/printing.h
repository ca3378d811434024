#pragma once
// Printing a report file: the printer is chosen in the print dialog (or is the default printer),
// a modeless dialog lets the user cancel, and the report's pages go 1, 2 or 4 to a sheet as the
// settings file says, within the chosen page range and as many times as the copies asked for.

#include <cstdint>

#include "common/export.h"
#include "platform/windows/printing.h"
#include "platform/windows/types.h"
#include "platform/windows/window.h"
#include "report/page_drawing.h"

namespace kvom::report {

inline constexpr std::int32_t kAllPagesLast = 1000;

// One job at a time.
struct PrintStateRecord {
  std::int32_t cancelFlag = 0;  // 1 once a button of the cancel dialog was pressed
  platform::win::HWND cancelDialog = nullptr;
  platform::win::HDC printer = nullptr;
  platform::win::PRINTDLGA dialog{};
  std::int32_t defaultPrinterMode = 0;  // non-zero: the default printer without a dialog
  std::int32_t copies = 1;
  std::int32_t copiesLeft = 0;
  std::int32_t firstPage = 1;
  std::int32_t lastPage = kAllPagesLast;
  std::int32_t containerBlocks = 0;  // ".BFD" pictures met in the current copy
  CellSize cellSize;
  // A physical page is started only when a report page is drawn on it, so that every page that
  // reaches the printer holds something and a sheet with drawn pages is always ended.
  bool pageOpen = false;
};
KVOM_EXPORT extern PrintStateRecord PrintState;

// Prints the report file; failures are told in message boxes. Returns 0.
KVOM_EXPORT std::int32_t PrintReport(platform::win::HWND owner, platform::win::HINSTANCE instance,
                                     const char* reportFile, std::int32_t defaultPrinterMode);
// One step of the job: "INITIALIZATION" chooses the printer and starts the document, "PRINT"
// draws page p of n rows at sheet position s when p is in the range, "END" ends the document.
// 1 to go on, 0 once the job has ended (failed, cancelled or finished); then the printer context
// is deleted, the owner window enabled and the cancel dialog destroyed.
KVOM_EXPORT std::int32_t PrintJobStep(platform::win::HWND owner, platform::win::HINSTANCE instance, const char* stage,
                                      std::int32_t position, std::int32_t page, std::int32_t rowCount);
// Start and end a physical page: 1, or 0 after AbortPrint.
KVOM_EXPORT std::int32_t StartPrintPage(platform::win::HWND owner);
KVOM_EXPORT std::int32_t EndPrintPage(platform::win::HWND owner);
// Aborts the document, tells the text, deletes the printer context, enables the owner window and
// destroys the cancel dialog.
KVOM_EXPORT void AbortPrint(platform::win::HWND owner, platform::win::HDC printer, const char* text);
// The abort procedure of the printer context: keeps the thread's messages moving while the
// spooler works; FALSE once the user cancelled.
KVOM_EXPORT platform::win::BOOL PrintAbortProc(platform::win::HDC printer, int code);
// The cancel dialog's procedure: any button sets the cancel flag.
KVOM_EXPORT platform::win::INT_PTR PrintCancelProc(platform::win::HWND dialog, platform::win::UINT message,
                                                   platform::win::WPARAM wParam, platform::win::LPARAM lParam);
// A printer context of the default printer of the profile ("windows", "device": name, driver,
// port); null when there is none.
KVOM_EXPORT platform::win::HDC OpenDefaultPrinter();

}  // namespace kvom::report
