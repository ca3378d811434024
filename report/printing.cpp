#include "report/printing.h"

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "platform/windows/files.h"
#include "platform/windows/gdi.h"
#include "platform/windows/memory.h"
#include "platform/windows/profile.h"
#include "report/file_names.h"
#include "report/page_layout.h"
#include "report/report_pages.h"
#include "report/settings.h"

namespace kvom::report {

using platform::win::HDC;
using platform::win::HINSTANCE;
using platform::win::HWND;

PrintStateRecord PrintState{};

namespace {

constexpr const char* kCaption = "Print";
constexpr const char* kDocumentName = "KVOM Output";
constexpr const char* kCancelledText = "Print job has been canceled by user.";

void tell(HWND owner, const char* text, platform::win::UINT icon) { MessageBoxA(owner, text, kCaption, icon); }
void warn(HWND owner, const char* text) { tell(owner, text, platform::win::MB_ICONEXCLAMATION); }
void stop(HWND owner, const char* text) { tell(owner, text, platform::win::MB_ICONSTOP); }

// The end of every job: the printer context goes, the owner window takes input again and the
// cancel dialog goes.
void cleanUp(HWND owner) {
  if (PrintState.printer != nullptr) DeleteDC(PrintState.printer);
  PrintState.printer = nullptr;
  PrintState.pageOpen = false;
  if (owner != nullptr) EnableWindow(owner, platform::win::TRUE);
  if (PrintState.cancelDialog != nullptr) DestroyWindow(PrintState.cancelDialog);
  PrintState.cancelDialog = nullptr;
}

// Frees the print dialog's device-mode and device-names blocks.
void freeDialogBlocks() {
  if (PrintState.dialog.hDevMode != nullptr) GlobalFree(PrintState.dialog.hDevMode);
  if (PrintState.dialog.hDevNames != nullptr) GlobalFree(PrintState.dialog.hDevNames);
  PrintState.dialog.hDevMode = nullptr;
  PrintState.dialog.hDevNames = nullptr;
}

// Chooses the printer, the range and the copies; false after a message.
bool choosePrinter(HWND owner) {
  if (PrintState.defaultPrinterMode != 0) {
    PrintState.printer = OpenDefaultPrinter();
    PrintState.copies = 1;
    PrintState.firstPage = 1;
    PrintState.lastPage = kAllPagesLast;
    if (PrintState.printer == nullptr) {
      warn(owner, "No default printer.\n\n Use Control Panel to install and select a default printer.");
      return false;
    }
    return true;
  }

  platform::win::PRINTDLGA& dialog = PrintState.dialog;
  dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.Flags = platform::win::PD_RETURNDEFAULT;
  if (!PrintDlgA(&dialog)) {
    freeDialogBlocks();
    warn(owner, "No default printer.\n\n Use Control Panel to install and select a default printer.");
    return false;
  }
  // Two pages to a sheet are printed side by side on landscape paper.
  if (auto* mode = static_cast<platform::win::DEVMODEA*>(GlobalLock(dialog.hDevMode)); mode != nullptr) {
    mode->dmOrientation =
        PageLayout.pagesPerSheet == 2 ? platform::win::DMORIENT_LANDSCAPE : platform::win::DMORIENT_PORTRAIT;
    mode->dmFields |= platform::win::DM_ORIENTATION;
    GlobalUnlock(dialog.hDevMode);
  }

  dialog.Flags = platform::win::PD_RETURNDC | platform::win::PD_NOSELECTION;
  dialog.nFromPage = 1;
  dialog.nToPage = 1;
  dialog.nMinPage = 1;
  dialog.nMaxPage = kAllPagesLast;
  const platform::win::BOOL chosen = PrintDlgA(&dialog);
  freeDialogBlocks();
  if (!chosen || dialog.hDC == nullptr) {
    if (dialog.hDC != nullptr) DeleteDC(dialog.hDC);
    warn(owner, "Can not send to printer.");
    if (owner != nullptr) UpdateWindow(owner);
    return false;
  }
  PrintState.printer = dialog.hDC;
  if ((dialog.Flags & platform::win::PD_PAGENUMS) != 0) {
    PrintState.firstPage = dialog.nFromPage;
    PrintState.lastPage = dialog.nToPage;
  } else {
    PrintState.firstPage = 1;
    PrintState.lastPage = kAllPagesLast;
  }
  PrintState.copies = dialog.nCopies;
  if (PrintState.copies < 1 || PrintState.lastPage < PrintState.firstPage) {
    DeleteDC(PrintState.printer);
    PrintState.printer = nullptr;
    warn(owner, "Incorrect setup for the printer.\n\nPlease try again.");
    return false;
  }
  return true;
}

std::int32_t startJob(HWND owner, HINSTANCE instance) {
  PrintState.cancelFlag = 0;
  PrintState.pageOpen = false;
  if (!choosePrinter(owner)) return 0;

  if (owner != nullptr) EnableWindow(owner, platform::win::FALSE);
  PrintState.cancelDialog = CreateDialogParamA(instance, "PRINTDIALOGENG", owner, PrintCancelProc, 0);
  if (PrintState.cancelDialog == nullptr) {
    cleanUp(owner);
    warn(owner, "Unable to create a message dialog.");
    return 0;
  }
  ShowWindow(PrintState.cancelDialog, platform::win::SW_SHOWNORMAL);
  UpdateWindow(PrintState.cancelDialog);
  PrintState.copiesLeft = PrintState.copies;

  const char* failure = nullptr;
  if (SetAbortProc(PrintState.printer, PrintAbortProc) < 1) {
    failure = "Can not create abort procedure.";
  } else {
    const platform::win::DOCINFOA document{sizeof(platform::win::DOCINFOA), kDocumentName, nullptr, nullptr, 0};
    if (StartDocA(PrintState.printer, &document) <= 0 &&
        Escape(PrintState.printer, platform::win::STARTDOC, static_cast<int>(std::string_view(kDocumentName).size()),
               kDocumentName, nullptr) <= 0) {
      failure = "Can not start the print job.";
    }
  }
  if (failure != nullptr) {
    stop(owner, failure);
    cleanUp(owner);
    return 0;
  }
  PrintState.cellSize = CreatePrintFonts(PrintState.printer);
  return 1;
}

// Draws page p of n rows at sheet position s on the open physical page.
void drawPage(HWND owner, std::int32_t position, std::int32_t rowCount) {
  HDC dc = PrintState.printer;
  PlacePageOnSheet(owner, dc, position, 5, 7);
  MapPageOnSheet(owner, dc, PrintState.cellSize, position);
  DrawPageBody(dc, rowCount, PrintState.cellSize);
  // Pictures over the text.
  DrawPagePictureList(owner, dc, PrintState.cellSize, position, rowCount);
}

// Starts or ends a physical page; a failure aborts the job. A page call fails when the user
// cancelled, and then that is what the user is told.
std::int32_t pageStep(HWND owner, int (*step)(HDC), bool opens, const char* failure) {
  if (step(PrintState.printer) <= 0) {
    AbortPrint(owner, PrintState.printer, PrintState.cancelFlag != 0 ? kCancelledText : failure);
    return 0;
  }
  PrintState.pageOpen = opens;
  return 1;
}

// Ends the physical page if one is open; 0 after AbortPrint.
std::int32_t endSheet(HWND owner) { return PrintState.pageOpen ? EndPrintPage(owner) : 1; }

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Hands the pages of one copy to the job.
class PrinterSink final : public PageSink {
 public:
  PrinterSink(HWND owner, HINSTANCE instance) : owner_(owner), instance_(instance) {}

  bool pageDone(PageEnd end, std::int32_t rowCount) override {
    ++page_;
    ++position_;
    if (PrintJobStep(owner_, instance_, "PRINT", position_, page_, rowCount) == 0) return false;
    switch (end) {
      case PageEnd::kPageBreak:
        // A page break ends the sheet; the next page starts a new one.
        position_ = 0;
        return endSheet(owner_) != 0;
      case PageEnd::kNewPage:
        if (inRange() && CompletesSheet(position_, PageLayout.pagesPerSheet)) return endSheet(owner_) != 0;
        return true;
      case PageEnd::kFileEnd:
        return true;
    }
    return true;
  }
  // The copy ends with the last page of the range.
  bool keepReading() override { return page_ < PrintState.lastPage; }

  std::int32_t pages() const { return page_; }

 private:
  bool inRange() const { return page_ >= PrintState.firstPage && page_ <= PrintState.lastPage; }

  HWND owner_;
  HINSTANCE instance_;
  std::int32_t page_ = 0;
  std::int32_t position_ = 0;
};

}  // namespace

std::int32_t PrintReport(HWND owner, HINSTANCE instance, const char* reportFile, std::int32_t defaultPrinterMode) {
  PrintState.defaultPrinterMode = defaultPrinterMode;
  PageLayout.deviceMode = kDevicePrinter;
  PageLayout.pagesPerSheet = ReadPagesPerSheet();
  if (PrintJobStep(owner, instance, "INITIALIZATION", 0, 0, 0) == 0) return 0;

  bool printedAny = false;
  for (std::int32_t copy = 0; copy < PrintState.copies; ++copy) {
    PrintState.containerBlocks = 0;
    std::unique_ptr<std::FILE, FileCloser> file(reportFile != nullptr ? platform::crt::openFile(reportFile, "r")
                                                                      : nullptr);
    if (!file) break;
    PrinterSink sink(owner, instance);
    const PageRules rules{.fontMode = PageLayout.fontMode, .splitAtLastTab = true, .reportFile = reportFile};
    if (!ReadReportPages(file.get(), rules, PrintState.containerBlocks, sink)) return 0;
    // Each copy ends its last sheet, so that the next copy starts on a new one.
    if (endSheet(owner) == 0) return 0;
    printedAny = printedAny || sink.pages() > 0;
    --PrintState.copiesLeft;
  }

  if (printedAny) {
    PrintJobStep(owner, instance, "END", 0, 0, 0);
  } else {
    // Nothing to print (or no report to read): the job goes without a trace.
    AbortDoc(PrintState.printer);
    cleanUp(owner);
  }
  return 0;
}

std::int32_t PrintJobStep(HWND owner, HINSTANCE instance, const char* stage, std::int32_t position, std::int32_t page,
                          std::int32_t rowCount) {
  const std::string_view step = stage != nullptr ? stage : "";
  if (step == "INITIALIZATION") return startJob(owner, instance);

  if (step == "PRINT" && PrintState.printer != nullptr && page >= PrintState.firstPage && page <= PrintState.lastPage) {
    if (!PrintState.pageOpen && StartPrintPage(owner) == 0) return 0;
    drawPage(owner, position, rowCount);
  }

  // The common end of every step.
  if (PrintState.printer == nullptr) return 0;
  if (PrintState.cancelFlag != 0) {
    AbortDoc(PrintState.printer);
    stop(owner, kCancelledText);
    cleanUp(owner);
    return 0;
  }
  if (step == "END") {
    if (EndDoc(PrintState.printer) <= 0) {
      AbortDoc(PrintState.printer);
      stop(owner, "Printing error occured.");
    }
    cleanUp(owner);
    return 0;
  }
  return 1;
}

std::int32_t StartPrintPage(HWND owner) { return pageStep(owner, StartPage, true, "Cann't start a new page"); }

std::int32_t EndPrintPage(HWND owner) { return pageStep(owner, EndPage, false, "Cann't finish current page"); }

void AbortPrint(HWND owner, HDC printer, const char* text) {
  if (printer != nullptr) AbortDoc(printer);
  stop(owner, text);
  if (printer != nullptr && printer != PrintState.printer) DeleteDC(printer);
  cleanUp(owner);
}

platform::win::BOOL PrintAbortProc(HDC /*printer*/, int /*code*/) {
  platform::win::MSG message{};
  while (PrintState.cancelFlag == 0 && PeekMessageA(&message, nullptr, 0, 0, platform::win::PM_REMOVE)) {
    if (PrintState.cancelDialog == nullptr || !IsDialogMessageA(PrintState.cancelDialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return PrintState.cancelFlag == 0 ? platform::win::TRUE : platform::win::FALSE;
}

platform::win::INT_PTR PrintCancelProc(HWND /*dialog*/, platform::win::UINT message, platform::win::WPARAM /*wParam*/,
                                       platform::win::LPARAM /*lParam*/) {
  if (message == platform::win::WM_INITDIALOG) return platform::win::TRUE;
  if (message == platform::win::WM_COMMAND) {
    PrintState.cancelFlag = 1;
    return platform::win::TRUE;
  }
  return platform::win::FALSE;
}

HDC OpenDefaultPrinter() {
  std::array<char, 81> entry{};
  GetProfileStringA("windows", "device", "", entry.data(), static_cast<platform::win::DWORD>(entry.size()));
  const std::string_view text(entry.data());
  auto skipBlanks = [](std::string_view part) {
    const std::size_t start = part.find_first_not_of(' ');
    return start == std::string_view::npos ? std::string_view{} : part.substr(start);
  };
  const std::size_t firstComma = text.find(',');
  const std::string name(text.substr(0, firstComma));
  std::string driver;
  std::string port;
  bool hasDriver = false;
  bool hasPort = false;
  if (firstComma != std::string_view::npos) {
    const std::string_view rest = skipBlanks(text.substr(firstComma + 1));
    const std::size_t secondComma = rest.find(',');
    driver = std::string(rest.substr(0, secondComma));
    hasDriver = true;
    if (secondComma != std::string_view::npos) {
      port = std::string(skipBlanks(rest.substr(secondComma + 1)));
      hasPort = true;
    }
  }
  if (name.empty()) return nullptr;
  return CreateDCA(hasDriver ? driver.c_str() : nullptr, name.c_str(), hasPort ? port.c_str() : nullptr, nullptr);
}

}  // namespace kvom::report
