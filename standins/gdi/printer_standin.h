#pragma once
// Control of the stand-in's printers, print dialog and print jobs, for host programs and tests.
//
// Printers are installed here; the default printer is the one the "device" entry of the
// "windows" section of the profile ("win.ini" in the Windows stand-in's directory) names, written
// "name,driver,port" as on Windows. CreateDCA with a printer's name gives a printer context whose
// page comes from the printer's paper, orientation and resolution, or from the device mode passed.
// A job (StartDocA .. EndDoc) becomes one PDF file, a page per printed page, in the output folder.
// The calls are written to the graphics call log (callLog()) like every other, and failOperation
// takes their names ("PrintDlgA", "CreateDCA", "StartDocA", "StartPage", "EndPage", "EndDoc",
// "AbortDoc", "SetAbortProc", "Escape"). The behaviour is described in standins/gdi/README.md.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/printing.h"
#include "standins/gdi/gdi_standin.h"

namespace standins::gdi {

// An installed printer. reset() leaves one: "Stand-in Printer", driver "standin", port "FILE:", A4
// portrait at 300 pixels per inch (2480 x 3508).
struct PrinterSettings {
  std::string name = "Stand-in Printer";
  std::string driver = "standin";
  std::string port = "FILE:";
  short paperSize = platform::win::DMPAPER_A4;  // DMPAPER_A4, _A3, _A5 or _LETTER
  bool landscape = false;
  int dpi = 300;
};

// Installs the printer, replacing one of the same name (names compare without regard to case).
void addPrinter(const PrinterSettings& printer);
// The printer's page in pixels (width, height) for its paper, orientation and resolution.
platform::win::SIZE pageSize(const PrinterSettings& printer);

// Writes the profile entry that makes the installed printer the default; false when it is not
// installed or the profile cannot be written. removeDefaultPrinter deletes the entry, so that there
// is no default printer.
bool setDefaultPrinter(std::string_view name);
void removeDefaultPrinter();

// What the print dialog answers when it is shown (PD_RETURNDEFAULT shows none and takes the default
// printer as it is). Default: OK, all pages, one copy, the default printer, its orientation.
struct PrintDialogAnswer {
  bool cancel = false;
  std::optional<std::pair<int, int>> pages;  // a range chosen: PD_PAGENUMS with nFromPage, nToPage
  int copies = 1;
  std::optional<std::string> printer;  // another installed printer than the default
  std::optional<bool> landscape;       // the orientation chosen in the dialog
};
void setPrintDialogAnswer(const PrintDialogAnswer& answer);

// Each PrintDlgA call: the owner, the flags given and handed back, and the result.
struct PrintDialogCall {
  platform::win::HWND owner = nullptr;
  platform::win::DWORD flagsIn = 0;
  platform::win::DWORD flagsOut = 0;
  bool shown = false;  // a dialog was shown (not PD_RETURNDEFAULT)
  platform::win::BOOL result = platform::win::FALSE;
};
const std::vector<PrintDialogCall>& printDialogCalls();

// The folder that receives the jobs' PDF files (created when a job is written). Default:
// "kvom_printer_<process id>" below this machine's temp directory.
void setOutputFolder(std::string folder);
std::string outputFolder();

// Whether EndDoc renders a printed job as a PDF file (default: yes). Switched off, a job ends as
// printed with its pages recorded and no file, so that a benchmark times the printing alone.
void setPdfOutput(bool write);

// Every job that was started, in order: printed (EndDoc wrote its PDF), aborted (AbortDoc, the abort
// procedure, or its context deleted while it was open: no PDF), or failed (the PDF could not be
// written). A printed job of no page writes no PDF.
enum class JobOutcome { Open, Printed, Aborted, Failed };
struct PrintJobRecord {
  int number = 0;
  std::string printer;
  std::string document;
  JobOutcome outcome = JobOutcome::Open;
  std::vector<Page> pages;  // the ended pages (those of a printed job, or ended before the abort)
  int width = 0;            // the page size in pixels, and its resolution
  int height = 0;
  int dpi = 0;
  std::string pdfPath;  // the file written; empty when none was
};
const std::vector<PrintJobRecord>& printJobs();
// Forgets the recorded jobs (a long run of jobs would keep every page).
void clearPrintJobs();
// Renders the recorded pages of a job as a PDF file, as EndDoc does; false when it has no page or
// the file cannot be written.
bool writeJobPdf(const PrintJobRecord& job, const std::string& path);

}  // namespace standins::gdi
