// Printers: printer contexts, the print dialog, jobs and pages, the abort procedure, and the PDF
// file each printed job becomes.

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "platform/windows/memory.h"
#include "platform/windows/profile.h"
#include "standins/gdi/gdi_state.h"
#include "standins/windows/windows_standin.h"

using namespace standins::gdi;
using namespace standins::gdi::detail;
namespace win = platform::win;

namespace {

PrintingSystem& ps() { return state().printing; }

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

PrinterSettings* findPrinter(std::string_view name) {
  for (PrinterSettings& p : ps().printers) {
    if (sameName(p.name, name)) return &p;
  }
  return nullptr;
}

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The default printer as the profile names it ("name,driver,port"); null when there is none or
// it is not installed.
PrinterSettings* defaultPrinter() {
  char entry[256] = {};
  GetProfileStringA("windows", "device", "", entry, sizeof entry);
  const std::string_view text(entry);
  const std::string name = trimmed(text.substr(0, text.find(',')));
  return name.empty() ? nullptr : findPrinter(name);
}

// A printer's settings with what a device mode says over them.
PrinterSettings withDeviceMode(PrinterSettings printer, const win::DEVMODEA* mode) {
  if (mode == nullptr) return printer;
  if ((mode->dmFields & win::DM_ORIENTATION) != 0) printer.landscape = mode->dmOrientation == win::DMORIENT_LANDSCAPE;
  if ((mode->dmFields & win::DM_PAPERSIZE) != 0) {
    const short paper = mode->dmPaperSize;
    if (paper == win::DMPAPER_A4 || paper == win::DMPAPER_A3 || paper == win::DMPAPER_A5 ||
        paper == win::DMPAPER_LETTER) {
      printer.paperSize = paper;
    }
  }
  if ((mode->dmFields & win::DM_PRINTQUALITY) != 0 && mode->dmPrintQuality > 0) printer.dpi = mode->dmPrintQuality;
  return printer;
}

win::DEVMODEA deviceMode(const PrinterSettings& printer, int copies) {
  win::DEVMODEA mode{};
  std::memcpy(mode.dmDeviceName, printer.name.data(),
              std::min<std::size_t>(printer.name.size(), win::CCHDEVICENAME - 1));
  mode.dmSpecVersion = win::DM_SPECVERSION;
  mode.dmSize = sizeof mode;
  mode.dmFields = win::DM_ORIENTATION | win::DM_PAPERSIZE | win::DM_COPIES | win::DM_PRINTQUALITY;
  mode.dmOrientation = printer.landscape ? win::DMORIENT_LANDSCAPE : win::DMORIENT_PORTRAIT;
  mode.dmPaperSize = printer.paperSize;
  mode.dmCopies = static_cast<win::SHORT>(copies);
  mode.dmPrintQuality = static_cast<win::SHORT>(printer.dpi);
  mode.dmYResolution = static_cast<win::SHORT>(printer.dpi);
  return mode;
}

// Puts the bytes into the caller's block (resized) or into a new movable one; null when memory
// runs out, the caller's block then left as it was.
win::HGLOBAL fillBlock(win::HGLOBAL block, const void* bytes, std::size_t size) {
  win::HGLOBAL target =
      block != nullptr ? GlobalReAlloc(block, size, win::GMEM_MOVEABLE) : GlobalAlloc(win::GHND, size);
  if (target == nullptr) return nullptr;
  void* address = GlobalLock(target);
  if (address == nullptr) {
    if (block == nullptr) GlobalFree(target);
    return nullptr;
  }
  std::memcpy(address, bytes, size);
  GlobalUnlock(target);
  return target;
}

std::vector<char> deviceNames(const PrinterSettings& printer, bool isDefault) {
  std::vector<char> bytes(sizeof(win::DEVNAMES));
  win::DEVNAMES names{};
  auto append = [&bytes](const std::string& text) {
    const auto offset = static_cast<win::WORD>(bytes.size());
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back('\0');
    return offset;
  };
  names.wDriverOffset = append(printer.driver);
  names.wDeviceOffset = append(printer.name);
  names.wOutputOffset = append(printer.port);
  names.wDefault = isDefault ? win::DN_DEFAULTPRN : 0;
  std::memcpy(bytes.data(), &names, sizeof names);
  return bytes;
}

// The device name of a DEVNAMES block, or empty.
std::string deviceNameOf(win::HGLOBAL block) {
  const std::size_t size = GlobalSize(block);
  const auto* bytes = static_cast<const char*>(GlobalLock(block));
  if (bytes == nullptr) return {};
  std::string name;
  if (size > sizeof(win::DEVNAMES)) {
    win::DEVNAMES names{};
    std::memcpy(&names, bytes, sizeof names);
    if (names.wDeviceOffset < size)
      name.assign(bytes + names.wDeviceOffset, strnlen(bytes + names.wDeviceOffset, size - names.wDeviceOffset));
  }
  GlobalUnlock(block);
  return name;
}

// A copy of a DEVMODEA block, or nothing when it is too small. A record of an older version is
// shorter (its dmSize says how long): the fields it lacks are 0; it must reach past the printer's
// settings that the stand-in reads.
std::optional<win::DEVMODEA> deviceModeOf(win::HGLOBAL block) {
  constexpr std::size_t shortest = offsetof(win::DEVMODEA, dmColor);
  const std::size_t size = block != nullptr ? GlobalSize(block) : 0;
  if (size < shortest) return std::nullopt;
  const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(block));
  if (bytes == nullptr) return std::nullopt;
  win::WORD recordSize = 0;
  std::memcpy(&recordSize, bytes + offsetof(win::DEVMODEA, dmSize), sizeof recordSize);
  std::optional<win::DEVMODEA> mode;
  if (recordSize >= shortest && recordSize <= size) {
    mode.emplace();
    std::memcpy(&*mode, bytes, std::min<std::size_t>(recordSize, sizeof(win::DEVMODEA)));
  }
  GlobalUnlock(block);
  return mode;
}

std::string hexText(win::DWORD value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
  return buffer;
}

std::string defaultOutputFolder() {
  return (std::filesystem::temp_directory_path() / ("kvom_printer_" + std::to_string(::getpid()))).string();
}

// The document's name made a file name: letters, digits, '.', '-' and '_' kept, others '_'.
std::string fileNameOf(const std::string& document, int job) {
  std::string name = document.substr(0, 64);
  for (char& c : name) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '.' && c != '-' && c != '_') c = '_';
  }
  if (name.empty()) name = "document";
  return name + '_' + std::to_string(job) + ".pdf";
}

PrintJobRecord* recordOf(const PrinterJob& job) {
  for (PrintJobRecord& r : ps().jobs) {
    if (r.number == job.number) return &r;
  }
  return nullptr;
}

// The ended pages of the job: all of the surface's but the last, which is being drawn.
std::vector<Page> endedPages(const Surface& surface) { return {surface.pages.begin(), surface.pages.end() - 1}; }

// The printer context and its job, or nulls.
std::pair<Context*, std::shared_ptr<PrinterJob>> printerOf(win::HDC hdc) {
  Context* context = findContext(hdc);
  if (context == nullptr || !context->job) return {nullptr, nullptr};
  return {context, context->job};
}

// Closes the job with the outcome, keeping the pages it ended.
void closeJob(PrinterJob& job, const Surface& surface, JobOutcome outcome) {
  if (PrintJobRecord* r = recordOf(job)) {
    r->outcome = outcome;
    r->pages = endedPages(surface);
  }
  job.started = false;
  job.pageOpen = false;
}

// Calls the abort procedure as the spooler does while it works; a FALSE ends the job. The
// procedure pumps messages and may run any code, this context's deletion included, so the job is
// held by its own reference and the context found again afterwards.
bool spoolerGoesOn(win::HDC hdc, const std::shared_ptr<PrinterJob>& job) {
  if (job->abortProcedure == nullptr || job->abortProcedure(hdc, 0) != win::FALSE) return true;
  if (job->started) {
    Context* context = findContext(hdc);
    if (context != nullptr && context->surface) {
      closeJob(*job, *context->surface, JobOutcome::Aborted);
      context->surface->pages.assign(1, Page{});
    } else if (PrintJobRecord* r = recordOf(*job)) {
      r->outcome = JobOutcome::Aborted;
      job->started = false;
    }
    job->abandoned = true;
  }
  return false;
}

// Counts every StartPage and EndPage call, whatever its result, for the cancel clicks that wait
// for page steps.
struct PageStep {
  PageStep() = default;
  PageStep(const PageStep&) = delete;
  PageStep& operator=(const PageStep&) = delete;
  ~PageStep() { pageStepDone(); }
};

int startDocument(win::HDC hdc, std::string document, const char* output) {
  auto [context, job] = printerOf(hdc);
  if (context == nullptr || job->started) return win::SP_ERROR;
  job->started = true;
  job->abandoned = false;
  job->pageOpen = false;
  job->number = ps().nextJob++;
  job->document = std::move(document);
  job->output = output != nullptr && *output != '\0' ? standins::windows::toNativePath(output) : std::string();
  context->surface->pages.assign(1, Page{});
  PrintJobRecord r;
  r.number = job->number;
  r.printer = job->printer;
  r.document = job->document;
  r.width = context->surface->width;
  r.height = context->surface->height;
  r.dpi = context->surface->dpiX;
  ps().jobs.push_back(std::move(r));
  return job->number;
}

int startPage(win::HDC hdc) {
  auto [context, job] = printerOf(hdc);
  if (context == nullptr || !job->started || job->pageOpen) return win::SP_ERROR;
  if (!spoolerGoesOn(hdc, job)) return win::SP_APPABORT;
  context = findContext(hdc);
  if (context == nullptr) return win::SP_ERROR;
  // What was drawn outside a page is not printed.
  context->surface->pages.back() = Page{};
  job->pageOpen = true;
  return 1;
}

int endPage(win::HDC hdc) {
  auto [context, job] = printerOf(hdc);
  if (context == nullptr || !job->started || !job->pageOpen) return win::SP_ERROR;
  if (!spoolerGoesOn(hdc, job)) return win::SP_APPABORT;
  context = findContext(hdc);
  if (context == nullptr) return win::SP_ERROR;
  context->surface->pages.emplace_back();
  job->pageOpen = false;
  return 1;
}

int endDocument(win::HDC hdc) {
  auto [context, job] = printerOf(hdc);
  if (context == nullptr || !job->started) return win::SP_ERROR;
  Surface& surface = *context->surface;
  // A page still open is ended with the document, so that what was drawn on it is printed.
  if (job->pageOpen) surface.pages.emplace_back();
  if (surface.pages.size() == 1 || !ps().writesPdf) {
    closeJob(*job, surface, JobOutcome::Printed);
    return 1;
  }
  std::filesystem::path path = job->output;
  if (path.empty()) {
    const std::filesystem::path folder = ps().outputFolder.value_or(defaultOutputFolder());
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    path = folder / fileNameOf(job->document, job->number);
  }
  const std::vector<Page> pages = endedPages(surface);
  const bool written = writePagesPdf(surface, pages, path.string());
  closeJob(*job, surface, written ? JobOutcome::Printed : JobOutcome::Failed);
  if (!written) return win::SP_OUTOFDISK;
  recordOf(*job)->pdfPath = path.string();
  return 1;
}

int abortDocument(win::HDC hdc) {
  auto [context, job] = printerOf(hdc);
  if (context == nullptr) return win::SP_ERROR;
  if (job->abandoned) {
    job->abandoned = false;  // the abort procedure ended it already
    return 1;
  }
  if (!job->started) return win::SP_ERROR;
  closeJob(*job, *context->surface, JobOutcome::Aborted);
  context->surface->pages.assign(1, Page{});
  return 1;
}

}  // namespace

namespace standins::gdi::detail {

win::HDC createPrinterContext(const char* device, const win::DEVMODEA* settings) {
  const PrinterSettings* printer = device != nullptr ? findPrinter(trimmed(device)) : nullptr;
  if (printer == nullptr) return nullptr;
  const PrinterSettings page = withDeviceMode(*printer, settings);
  const win::SIZE size = pageSize(page);
  Context context;
  context.kind = ContextKind::Printer;
  context.device = {size.cx, size.cy, page.dpi, page.dpi, true};
  context.surface = std::make_shared<Surface>();
  context.surface->width = size.cx;
  context.surface->height = size.cy;
  context.surface->dpiX = page.dpi;
  context.surface->dpiY = page.dpi;
  context.current = defaultState(ContextKind::Printer);
  context.job = std::make_shared<PrinterJob>();
  context.job->printer = printer->name;
  return toContextHandle(newContext(std::move(context)));
}

void discardJob(Context& context) {
  if (!context.job || !context.job->started || !context.surface) return;
  closeJob(*context.job, *context.surface, JobOutcome::Aborted);
}

}  // namespace standins::gdi::detail

namespace standins::gdi {

void addPrinter(const PrinterSettings& printer) {
  if (PrinterSettings* known = findPrinter(printer.name)) {
    *known = printer;
  } else {
    ps().printers.push_back(printer);
  }
}

platform::win::SIZE pageSize(const PrinterSettings& printer) {
  // Paper in tenths of a millimetre, portrait.
  int width = 2100;
  int height = 2970;
  switch (printer.paperSize) {
    case win::DMPAPER_A3:
      width = 2970;
      height = 4200;
      break;
    case win::DMPAPER_A5:
      width = 1480;
      height = 2100;
      break;
    case win::DMPAPER_LETTER:
      width = 2159;
      height = 2794;
      break;
    default:
      break;
  }
  if (printer.landscape) std::swap(width, height);
  auto pixels = [&printer](int tenths) { return static_cast<win::LONG>(std::lround(tenths / 254.0 * printer.dpi)); };
  return {pixels(width), pixels(height)};
}

bool setDefaultPrinter(std::string_view name) {
  const PrinterSettings* printer = findPrinter(name);
  if (printer == nullptr) return false;
  const std::string entry = printer->name + ',' + printer->driver + ',' + printer->port;
  return WriteProfileStringA("windows", "device", entry.c_str()) != win::FALSE;
}

void removeDefaultPrinter() { WriteProfileStringA("windows", "device", nullptr); }

void setPrintDialogAnswer(const PrintDialogAnswer& answer) { ps().answer = answer; }

const std::vector<PrintDialogCall>& printDialogCalls() { return ps().dialogCalls; }

void setOutputFolder(std::string folder) { ps().outputFolder = std::move(folder); }

std::string outputFolder() { return ps().outputFolder.value_or(defaultOutputFolder()); }

const std::vector<PrintJobRecord>& printJobs() { return ps().jobs; }

void clearPrintJobs() { ps().jobs.clear(); }

void setPdfOutput(bool write) { ps().writesPdf = write; }

bool writeJobPdf(const PrintJobRecord& job, const std::string& path) {
  detail::Surface surface;
  surface.width = job.width;
  surface.height = job.height;
  surface.dpiX = surface.dpiY = job.dpi;
  return detail::writePagesPdf(surface, job.pages, path);
}

}  // namespace standins::gdi

extern "C" {

win::BOOL PrintDlgA(win::PRINTDLGA* dialog) {
  const win::DWORD flags = dialog != nullptr ? dialog->Flags : 0;
  const bool shown = (flags & win::PD_RETURNDEFAULT) == 0;
  ps().dialogError = 0;
  PrintDialogCall call{dialog != nullptr ? dialog->hwndOwner : nullptr, flags, flags, shown, win::FALSE};
  auto fail = [&call](win::DWORD error) {
    ps().dialogError = error;
    ps().dialogCalls.push_back(call);
    return win::FALSE;
  };
  if (!enter("PrintDlgA", windowName(call.owner) + ' ' + hexText(flags))) return fail(win::CDERR_DIALOGFAILURE);
  if (dialog == nullptr || dialog->lStructSize != sizeof(win::PRINTDLGA)) return fail(win::CDERR_STRUCTSIZE);
  if (!shown && (dialog->hDevMode != nullptr || dialog->hDevNames != nullptr)) return fail(win::PDERR_RETDEFFAILURE);

  // The printer: the one the caller's device names give, else the default.
  PrinterSettings* const theDefault = defaultPrinter();
  PrinterSettings* printer = nullptr;
  if (shown && dialog->hDevNames != nullptr) printer = findPrinter(deviceNameOf(dialog->hDevNames));
  if (printer == nullptr) printer = theDefault;
  if (printer == nullptr) return fail(win::PDERR_NODEFAULTPRN);
  const PrintDialogAnswer& answer = ps().answer;
  int copies = 1;
  PrinterSettings chosen = *printer;
  if (shown) {
    if (answer.cancel) return fail(0);
    if (answer.printer) {
      printer = findPrinter(*answer.printer);
      if (printer == nullptr) return fail(win::PDERR_PRINTERNOTFOUND);
      chosen = *printer;
    } else if (const auto mode = deviceModeOf(dialog->hDevMode)) {
      chosen = withDeviceMode(chosen, &*mode);
    }
    if (answer.landscape) chosen.landscape = *answer.landscape;
    copies = std::clamp(answer.copies, 1, 0xFFFF);
  }

  const win::DEVMODEA mode = deviceMode(chosen, copies);
  const std::vector<char> names = deviceNames(chosen, printer == theDefault);
  win::HGLOBAL modeBlock = fillBlock(dialog->hDevMode, &mode, sizeof mode);
  if (modeBlock == nullptr) return fail(win::CDERR_MEMALLOCFAILURE);
  win::HGLOBAL namesBlock = fillBlock(dialog->hDevNames, names.data(), names.size());
  if (namesBlock == nullptr) {
    if (dialog->hDevMode == nullptr) GlobalFree(modeBlock);
    return fail(win::CDERR_MEMALLOCFAILURE);
  }
  win::HDC hdc = nullptr;
  if ((flags & win::PD_RETURNDC) != 0) {
    hdc = CreateDCA(chosen.driver.c_str(), chosen.name.c_str(), chosen.port.c_str(), &mode);
    if (hdc == nullptr) {
      if (dialog->hDevMode == nullptr) GlobalFree(modeBlock);
      if (dialog->hDevNames == nullptr) GlobalFree(namesBlock);
      return fail(win::PDERR_CREATEICFAILURE);
    }
  }
  dialog->hDevMode = modeBlock;
  dialog->hDevNames = namesBlock;
  dialog->hDC = hdc;
  dialog->nCopies = static_cast<win::WORD>(copies);
  if (shown) {
    dialog->Flags &= ~(win::PD_SELECTION | win::PD_PAGENUMS);
    if (answer.pages && (flags & win::PD_NOPAGENUMS) == 0) {
      dialog->Flags |= win::PD_PAGENUMS;
      dialog->nFromPage = static_cast<win::WORD>(std::clamp(answer.pages->first, 0, 0xFFFF));
      dialog->nToPage = static_cast<win::WORD>(std::clamp(answer.pages->second, 0, 0xFFFF));
    }
  }
  call.flagsOut = dialog->Flags;
  call.result = win::TRUE;
  ps().dialogCalls.push_back(call);
  return win::TRUE;
}

win::DWORD CommDlgExtendedError() { return ps().dialogError; }

int SetAbortProc(win::HDC hdc, win::ABORTPROC procedure) {
  if (!enter("SetAbortProc", contextName(hdc))) return win::SP_ERROR;
  auto [context, job] = printerOf(hdc);
  if (context == nullptr) return win::SP_ERROR;
  job->abortProcedure = procedure;
  return 1;
}

int StartDocA(win::HDC hdc, const win::DOCINFOA* document) {
  const char* name = document != nullptr && document->lpszDocName != nullptr ? document->lpszDocName : "";
  if (!enter("StartDocA", contextName(hdc) + ' ' + name)) return win::SP_ERROR;
  if (document == nullptr) return win::SP_ERROR;
  return startDocument(hdc, name, document->lpszOutput);
}

int EndDoc(win::HDC hdc) {
  if (!enter("EndDoc", contextName(hdc))) return win::SP_ERROR;
  return endDocument(hdc);
}

int AbortDoc(win::HDC hdc) {
  if (!enter("AbortDoc", contextName(hdc))) return win::SP_ERROR;
  return abortDocument(hdc);
}

int StartPage(win::HDC hdc) {
  const PageStep step;
  if (!enter("StartPage", contextName(hdc))) return win::SP_ERROR;
  return startPage(hdc);
}

int EndPage(win::HDC hdc) {
  const PageStep step;
  if (!enter("EndPage", contextName(hdc))) return win::SP_ERROR;
  return endPage(hdc);
}

int Escape(win::HDC hdc, int escape, int inputBytes, const char* input, void*) {
  if (!enter("Escape", contextName(hdc) + ' ' + std::to_string(escape) + ' ' + std::to_string(inputBytes))) {
    return win::SP_ERROR;
  }
  switch (escape) {
    case win::STARTDOC: {
      if (failsNow("StartDocA")) return win::SP_ERROR;
      // The name is the input's bytes up to a NUL.
      std::string name;
      if (input != nullptr && inputBytes > 0) name.assign(input, strnlen(input, static_cast<std::size_t>(inputBytes)));
      return startDocument(hdc, std::move(name), nullptr);
    }
    case win::ENDDOC:
      return endDocument(hdc);
    case win::ABORTDOC:
      return abortDocument(hdc);
    default:
      return 0;
  }
}

}  // extern "C"
