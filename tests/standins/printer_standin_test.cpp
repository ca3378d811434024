// The stand-in printer: the print dialog, printer contexts, jobs that become PDF files, the abort
// procedure, failures; and the modeless dialog and message queue that a cancel button needs.

#include "standins/gdi/printer_standin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows/gdi.h"
#include "platform/windows/memory.h"
#include "platform/windows/printing.h"
#include "platform/windows/profile.h"
#include "platform/windows/window.h"
#include "standins/gdi/window_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/standins/scratch_dir_test.h"

using namespace platform::win;
namespace gdi = standins::gdi;

namespace {

class PrinterStandinTest : public kvom::test::ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    // The profile and the jobs stay in this test's directory, away from tests running beside it.
    standins::windows::setWindowsDirectory(windowsPath(""));
    gdi::setOutputFolder(nativePath("out").string());
    blocksBefore_ = standins::windows::liveMemoryBlocks();
  }

  // The default printer's context through the dialog without a dialog, as a print routine asks.
  HDC defaultPrinterContext() {
    PRINTDLGA pd = dialogRecord(PD_RETURNDEFAULT | PD_RETURNDC);
    if (!PrintDlgA(&pd)) return nullptr;
    GlobalFree(pd.hDevMode);
    GlobalFree(pd.hDevNames);
    return pd.hDC;
  }

  static PRINTDLGA dialogRecord(DWORD flags) {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.Flags = flags;
    pd.nMinPage = 1;
    pd.nMaxPage = 1000;
    return pd;
  }

  // Nothing left behind: contexts, objects, memory blocks.
  void expectAllGivenBack() const {
    EXPECT_EQ(gdi::liveContexts(), 0);
    EXPECT_EQ(gdi::liveObjects(), 0);
    EXPECT_EQ(standins::windows::liveMemoryBlocks(), blocksBefore_);
  }

  std::size_t blocksBefore_ = 0;
};

// A page with a frame and a line of text.
void printPage(HDC hdc, const char* text) {
  ASSERT_GT(StartPage(hdc), 0);
  Rectangle(hdc, 150, 150, GetDeviceCaps(hdc, HORZRES) - 150, GetDeviceCaps(hdc, VERTRES) - 150);
  TextOutA(hdc, 300, 300, text, static_cast<int>(std::strlen(text)));
  ASSERT_GT(EndPage(hdc), 0);
}

std::string pdfInfo(const std::string& path) { return kvom::test::runCommand("pdfinfo '" + path + "' 2>&1"); }

TEST_F(PrinterStandinTest, AJobBecomesOnePdfWithAPagePerPrintedPage) {
  ASSERT_TRUE(gdi::setDefaultPrinter("Stand-in Printer"));
  HDC hdc = defaultPrinterContext();
  ASSERT_NE(hdc, nullptr);
  EXPECT_EQ(gdi::contextKind(hdc), gdi::ContextKind::Printer);
  EXPECT_EQ(GetDeviceCaps(hdc, HORZRES), 2480);
  EXPECT_EQ(GetDeviceCaps(hdc, VERTRES), 3508);
  EXPECT_EQ(GetDeviceCaps(hdc, LOGPIXELSY), 300);

  DOCINFOA doc{sizeof doc, "Report 7", nullptr, nullptr, 0};
  const int job = StartDocA(hdc, &doc);
  ASSERT_GT(job, 0);
  TextOutA(hdc, 0, 0, "outside", 7);  // drawn outside a page: not printed
  for (const char* text : {"one", "two", "three"}) printPage(hdc, text);
  ASSERT_GT(EndDoc(hdc), 0);
  EXPECT_TRUE(DeleteDC(hdc));

  ASSERT_EQ(gdi::printJobs().size(), 1u);
  const gdi::PrintJobRecord& printed = gdi::printJobs()[0];
  EXPECT_EQ(printed.outcome, gdi::JobOutcome::Printed);
  EXPECT_EQ(printed.document, "Report 7");
  ASSERT_EQ(printed.pages.size(), 3u);
  ASSERT_EQ(printed.pages[1].entries.size(), 2u);
  EXPECT_EQ(printed.pages[1].entries[1].text, "two");
  EXPECT_EQ(printed.pdfPath, nativePath("out/Report_7_" + std::to_string(job) + ".pdf").string());

  const std::string info = pdfInfo(printed.pdfPath);
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  // Kept for people to look at.
  const std::filesystem::path pictures = KVOM_PICTURE_DIR;
  std::filesystem::create_directories(pictures);
  std::filesystem::copy_file(printed.pdfPath, pictures / "printer_job.pdf",
                             std::filesystem::copy_options::overwrite_existing);
  expectAllGivenBack();
}

TEST_F(PrinterStandinTest, PageSizeFollowsPrinterAndDeviceMode) {
  gdi::addPrinter({"Plotter", "plotdrv", "LPT2:", DMPAPER_LETTER, false, 600});
  struct Case {
    const char* printer;
    DWORD fields;
    SHORT orientation;
    SHORT paper;
    int width;
    int height;
  };
  const Case cases[] = {
      {"Stand-in Printer", 0, 0, 0, 2480, 3508},
      {"Stand-in Printer", DM_ORIENTATION, DMORIENT_LANDSCAPE, 0, 3508, 2480},
      {"stand-in printer", DM_PAPERSIZE, 0, DMPAPER_A3, 3508, 4961},
      {"Plotter", 0, 0, 0, 5100, 6600},
      {"Plotter", DM_ORIENTATION | DM_PAPERSIZE, DMORIENT_LANDSCAPE, DMPAPER_A5, 4961, 3496},
  };
  for (const Case& c : cases) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmFields = c.fields;
    mode.dmOrientation = c.orientation;
    mode.dmPaperSize = c.paper;
    HDC hdc = CreateDCA("any", c.printer, "port", &mode);
    ASSERT_NE(hdc, nullptr) << c.printer;
    EXPECT_EQ(GetDeviceCaps(hdc, HORZRES), c.width) << c.printer << ' ' << c.fields;
    EXPECT_EQ(GetDeviceCaps(hdc, VERTRES), c.height) << c.printer << ' ' << c.fields;
    EXPECT_EQ(GetDeviceCaps(hdc, TECHNOLOGY), DT_RASPRINTER);
    DeleteDC(hdc);
  }
  EXPECT_EQ(CreateDCA("winspool", "No Such Printer", "LPT1:", nullptr), nullptr);
  expectAllGivenBack();
}

TEST_F(PrinterStandinTest, TheDefaultPrinterIsTheProfileEntry) {
  gdi::addPrinter({"Office Laser", "laserdrv", "LPT1:", DMPAPER_A3, true, 150});
  ASSERT_TRUE(WriteProfileStringA("windows", "device", " Office Laser , laserdrv, LPT1:"));

  PRINTDLGA pd = dialogRecord(PD_RETURNDEFAULT);
  ASSERT_TRUE(PrintDlgA(&pd));
  EXPECT_EQ(pd.hDC, nullptr);
  const auto* names = static_cast<const char*>(GlobalLock(pd.hDevNames));
  DEVNAMES header{};
  std::memcpy(&header, names, sizeof header);
  EXPECT_STREQ(names + header.wDriverOffset, "laserdrv");
  EXPECT_STREQ(names + header.wDeviceOffset, "Office Laser");
  EXPECT_STREQ(names + header.wOutputOffset, "LPT1:");
  EXPECT_EQ(header.wDefault, DN_DEFAULTPRN);
  GlobalUnlock(pd.hDevNames);
  const auto* mode = static_cast<const DEVMODEA*>(GlobalLock(pd.hDevMode));
  EXPECT_EQ(mode->dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(mode->dmPaperSize, DMPAPER_A3);
  GlobalUnlock(pd.hDevMode);
  GlobalFree(pd.hDevMode);
  GlobalFree(pd.hDevNames);

  // The profile's driver and port reach the printer by its name.
  HDC hdc = CreateDCA("laserdrv", "Office Laser", "LPT1:", nullptr);
  ASSERT_NE(hdc, nullptr);
  EXPECT_EQ(GetDeviceCaps(hdc, HORZRES), 2480);  // A3 landscape at 150 per inch
  DeleteDC(hdc);

  gdi::removeDefaultPrinter();
  PRINTDLGA none = dialogRecord(PD_RETURNDEFAULT | PD_RETURNDC);
  EXPECT_FALSE(PrintDlgA(&none));
  EXPECT_EQ(CommDlgExtendedError(), PDERR_NODEFAULTPRN);
  EXPECT_EQ(none.hDevMode, nullptr);
  expectAllGivenBack();
}

TEST_F(PrinterStandinTest, ThePrintDialogGivesTheAnswerSet) {
  gdi::addPrinter({"Office Laser", "laserdrv", "LPT1:"});
  ASSERT_TRUE(gdi::setDefaultPrinter("Stand-in Printer"));
  struct Case {
    const char* name;
    gdi::PrintDialogAnswer answer;
    DWORD flags;
    BOOL result;
    DWORD error;
    DWORD flagsOut;
    WORD from;
    WORD to;
    WORD copies;
    const char* device;
    bool landscape;
  };
  const Case cases[] = {
      {"all pages",
       {},
       PD_NOSELECTION | PD_RETURNDC,
       TRUE,
       0,
       PD_NOSELECTION | PD_RETURNDC,
       0,
       0,
       1,
       "Stand-in Printer",
       false},
      {"range and copies",
       {false, std::pair{2, 3}, 2, {}, {}},
       PD_RETURNDC,
       TRUE,
       0,
       PD_RETURNDC | PD_PAGENUMS,
       2,
       3,
       2,
       "Stand-in Printer",
       false},
      {"no page numbers",
       {false, std::pair{2, 3}, 1, {}, {}},
       PD_RETURNDC | PD_NOPAGENUMS,
       TRUE,
       0,
       PD_RETURNDC | PD_NOPAGENUMS,
       0,
       0,
       1,
       "Stand-in Printer",
       false},
      {"other printer, landscape",
       {false, {}, 1, "Office Laser", true},
       PD_RETURNDC,
       TRUE,
       0,
       PD_RETURNDC,
       0,
       0,
       1,
       "Office Laser",
       true},
      {"cancelled", {true, {}, 1, {}, {}}, PD_RETURNDC, FALSE, 0, PD_RETURNDC, 0, 0, 0, nullptr, false},
      {"unknown printer",
       {false, {}, 1, "Gone", {}},
       PD_RETURNDC,
       FALSE,
       PDERR_PRINTERNOTFOUND,
       PD_RETURNDC,
       0,
       0,
       0,
       nullptr,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gdi::setPrintDialogAnswer(c.answer);
    PRINTDLGA pd = dialogRecord(c.flags);
    ASSERT_EQ(PrintDlgA(&pd), c.result);
    EXPECT_EQ(CommDlgExtendedError(), c.error);
    EXPECT_EQ(pd.Flags, c.flagsOut);
    EXPECT_EQ(pd.nFromPage, c.from);
    EXPECT_EQ(pd.nToPage, c.to);
    EXPECT_EQ(pd.nCopies, c.copies);
    ASSERT_FALSE(gdi::printDialogCalls().empty());
    EXPECT_TRUE(gdi::printDialogCalls().back().shown);
    if (!c.result) {
      EXPECT_EQ(pd.hDC, nullptr);
      EXPECT_EQ(pd.hDevMode, nullptr);
      continue;
    }
    const auto* mode = static_cast<const DEVMODEA*>(GlobalLock(pd.hDevMode));
    EXPECT_STREQ(reinterpret_cast<const char*>(mode->dmDeviceName), c.device);
    EXPECT_EQ(mode->dmOrientation, c.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
    GlobalUnlock(pd.hDevMode);
    EXPECT_EQ(GetDeviceCaps(pd.hDC, HORZRES) > GetDeviceCaps(pd.hDC, VERTRES), c.landscape);
    DeleteDC(pd.hDC);
    GlobalFree(pd.hDevMode);
    GlobalFree(pd.hDevNames);
  }
  PRINTDLGA wrongSize = dialogRecord(PD_RETURNDC);
  wrongSize.lStructSize = 12;
  EXPECT_FALSE(PrintDlgA(&wrongSize));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);
  expectAllGivenBack();
}

// The dialog takes the caller's settings from its device mode as far as the record's dmSize
// says: an older version's record is shorter; a size beyond the block, or short of the printer's
// settings, makes no record.
TEST_F(PrinterStandinTest, TheDialogReadsTheCallersDeviceModeByItsSize) {
  ASSERT_TRUE(gdi::setDefaultPrinter("Stand-in Printer"));
  constexpr std::size_t older = offsetof(DEVMODEA, dmFormName);  // a record of an early version
  struct Case {
    const char* name;
    std::size_t block;
    std::size_t recordSize;
    bool landscape;
  };
  const Case cases[] = {
      {"whole record", sizeof(DEVMODEA), sizeof(DEVMODEA), true},
      {"whole record and driver data", sizeof(DEVMODEA) + 64, sizeof(DEVMODEA), true},
      {"older, shorter record", older, older, true},
      {"size beyond the block", older, sizeof(DEVMODEA), false},
      {"size short of the settings", sizeof(DEVMODEA), offsetof(DEVMODEA, dmFields), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HGLOBAL block = GlobalAlloc(GHND, c.block);
    ASSERT_NE(block, nullptr);
    auto* bytes = static_cast<std::uint8_t*>(GlobalLock(block));
    std::memset(bytes, 0xFF, c.block);  // what is not written is no setting of any size
    const auto put = [bytes](std::size_t at, auto value) { std::memcpy(bytes + at, &value, sizeof value); };
    put(offsetof(DEVMODEA, dmSize), static_cast<WORD>(c.recordSize));
    put(offsetof(DEVMODEA, dmDriverExtra), static_cast<WORD>(c.block - std::min(c.block, c.recordSize)));
    put(offsetof(DEVMODEA, dmFields), DM_ORIENTATION);
    put(offsetof(DEVMODEA, dmOrientation), DMORIENT_LANDSCAPE);
    GlobalUnlock(block);

    gdi::setPrintDialogAnswer({});
    PRINTDLGA pd = dialogRecord(PD_RETURNDC);
    pd.hDevMode = block;
    ASSERT_TRUE(PrintDlgA(&pd));
    EXPECT_EQ(GetDeviceCaps(pd.hDC, HORZRES) > GetDeviceCaps(pd.hDC, VERTRES), c.landscape);
    const auto* mode = static_cast<const DEVMODEA*>(GlobalLock(pd.hDevMode));
    EXPECT_EQ(mode->dmSize, sizeof(DEVMODEA));
    EXPECT_EQ(mode->dmOrientation, c.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
    GlobalUnlock(pd.hDevMode);
    DeleteDC(pd.hDC);
    GlobalFree(pd.hDevMode);
    GlobalFree(pd.hDevNames);
  }
  expectAllGivenBack();
}

// An abort procedure that answers FALSE at a chosen call.
int abortCalls = 0;
int abortAtCall = 0;
HDC abortContext = nullptr;
BOOL countingAbortProc(HDC hdc, int code) {
  EXPECT_EQ(hdc, abortContext);
  EXPECT_EQ(code, 0);
  return ++abortCalls == abortAtCall ? FALSE : TRUE;
}

TEST_F(PrinterStandinTest, TheAbortProcedureIsCalledAtEveryPageStepAndCanEndTheJob) {
  HDC hdc = CreateDCA(nullptr, "Stand-in Printer", nullptr, nullptr);
  abortContext = hdc;
  abortCalls = 0;
  abortAtCall = 0;
  ASSERT_GT(SetAbortProc(hdc, countingAbortProc), 0);
  DOCINFOA doc{sizeof doc, "whole", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(hdc, &doc), 0);
  printPage(hdc, "1");
  printPage(hdc, "2");
  ASSERT_GT(EndDoc(hdc), 0);
  EXPECT_EQ(abortCalls, 4);

  // FALSE at the third call (the second StartPage): that call reports it, the job is over.
  abortCalls = 0;
  abortAtCall = 3;
  doc.lpszDocName = "cut";
  ASSERT_GT(StartDocA(hdc, &doc), 0);
  printPage(hdc, "1");
  EXPECT_EQ(StartPage(hdc), SP_APPABORT);
  EXPECT_EQ(EndPage(hdc), SP_ERROR);
  EXPECT_EQ(EndDoc(hdc), SP_ERROR);
  EXPECT_GT(AbortDoc(hdc), 0);
  DeleteDC(hdc);

  ASSERT_EQ(gdi::printJobs().size(), 2u);
  EXPECT_EQ(gdi::printJobs()[0].outcome, gdi::JobOutcome::Printed);
  EXPECT_EQ(gdi::printJobs()[1].outcome, gdi::JobOutcome::Aborted);
  EXPECT_TRUE(gdi::printJobs()[1].pdfPath.empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(nativePath("out")), {}), 1);
  expectAllGivenBack();
}

TEST_F(PrinterStandinTest, WithThePdfStepOffAJobKeepsItsPagesAndCanBeRenderedLater) {
  gdi::setPdfOutput(false);
  HDC hdc = CreateDCA(nullptr, "Stand-in Printer", nullptr, nullptr);
  DOCINFOA doc{sizeof doc, "quiet", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(hdc, &doc), 0);
  for (const char* text : {"one", "two"}) printPage(hdc, text);
  EXPECT_GT(EndDoc(hdc), 0);
  DeleteDC(hdc);

  ASSERT_EQ(gdi::printJobs().size(), 1u);
  const gdi::PrintJobRecord job = gdi::printJobs()[0];
  EXPECT_EQ(job.outcome, gdi::JobOutcome::Printed);
  EXPECT_EQ(job.pages.size(), 2u);
  EXPECT_TRUE(job.pdfPath.empty());
  EXPECT_FALSE(std::filesystem::exists(nativePath("out")));

  const std::string later = nativePath("later.pdf").string();
  ASSERT_TRUE(gdi::writeJobPdf(job, later));
  EXPECT_NE(pdfInfo(later).find("Pages:           2"), std::string::npos) << pdfInfo(later);
  gdi::clearPrintJobs();
  EXPECT_TRUE(gdi::printJobs().empty());
  expectAllGivenBack();
}

TEST_F(PrinterStandinTest, AbortedAndUnfinishedJobsLeaveNoFile) {
  // Started by the old escape, aborted by it.
  HDC hdc = CreateDCA(nullptr, "Stand-in Printer", nullptr, nullptr);
  ASSERT_GT(Escape(hdc, STARTDOC, 6, "escape and more", nullptr), 0);
  printPage(hdc, "x");
  EXPECT_GT(Escape(hdc, ABORTDOC, 0, nullptr, nullptr), 0);
  EXPECT_EQ(Escape(hdc, 4711, 0, nullptr, nullptr), 0);
  // A context deleted with its job open.
  DOCINFOA doc{sizeof doc, "left open", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(hdc, &doc), 0);
  ASSERT_GT(StartPage(hdc), 0);
  DeleteDC(hdc);

  ASSERT_EQ(gdi::printJobs().size(), 2u);
  EXPECT_EQ(gdi::printJobs()[0].document, "escape");
  EXPECT_EQ(gdi::printJobs()[0].outcome, gdi::JobOutcome::Aborted);
  EXPECT_EQ(gdi::printJobs()[0].pages.size(), 1u);
  EXPECT_EQ(gdi::printJobs()[1].outcome, gdi::JobOutcome::Aborted);
  EXPECT_FALSE(std::filesystem::exists(nativePath("out")) && !std::filesystem::is_empty(nativePath("out")));
  expectAllGivenBack();
}

TEST_F(PrinterStandinTest, InjectedFailuresReachTheCaller) {
  ASSERT_TRUE(gdi::setDefaultPrinter("Stand-in Printer"));
  for (const char* operation : {"StartDocA", "StartPage", "EndPage", "EndDoc"}) {
    SCOPED_TRACE(operation);
    gdi::failOperation(operation, 0, 1);
    HDC hdc = defaultPrinterContext();
    ASSERT_NE(hdc, nullptr);
    DOCINFOA doc{sizeof doc, operation, nullptr, nullptr, 0};
    int result = StartDocA(hdc, &doc);
    if (result > 0) result = StartPage(hdc);
    if (result > 0) result = EndPage(hdc);
    if (result > 0) result = EndDoc(hdc);
    EXPECT_LE(result, 0);
    if (std::string_view(operation) != "StartDocA") {
      EXPECT_GT(AbortDoc(hdc), 0);
    }
    EXPECT_TRUE(DeleteDC(hdc));
  }
  for (const gdi::PrintJobRecord& job : gdi::printJobs()) EXPECT_EQ(job.outcome, gdi::JobOutcome::Aborted);
  EXPECT_EQ(gdi::printJobs().size(), 3u);

  gdi::failOperation("CreateDCA", 0, 1);
  PRINTDLGA pd = dialogRecord(PD_RETURNDC);
  EXPECT_FALSE(PrintDlgA(&pd));
  EXPECT_EQ(CommDlgExtendedError(), PDERR_CREATEICFAILURE);
  gdi::failOperation("PrintDlgA", 0, 1);
  EXPECT_FALSE(PrintDlgA(&pd));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_DIALOGFAILURE);
  expectAllGivenBack();
}

// The cancel dialog and the abort procedure of a print routine, pumping the thread's messages.
bool cancelled = false;
HWND cancelDialog = nullptr;
std::vector<UINT> dialogMessages;
std::vector<UINT> ownerMessages;

INT_PTR cancelProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  dialogMessages.push_back(message);
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
    cancelled = true;
    return TRUE;
  }
  return FALSE;
}

LRESULT ownerProc(HWND, UINT message, WPARAM, LPARAM) {
  ownerMessages.push_back(message);
  return 0;
}

BOOL pumpingAbortProc(HDC, int) {
  MSG m{};
  while (!cancelled && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessageA(cancelDialog, &m)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
  return cancelled ? FALSE : TRUE;
}

TEST_F(PrinterStandinTest, ACancelClickThroughTheQueueReachesTheDialogInTheMiddleOfAJob) {
  cancelled = false;
  dialogMessages.clear();
  ownerMessages.clear();
  HWND owner = gdi::createWindow(640, 480);
  gdi::setWindowProcedure(owner, ownerProc);
  auto* instance = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000});
  cancelDialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(101), owner, cancelProc, 0);
  ASSERT_NE(cancelDialog, nullptr);
  EXPECT_EQ(dialogMessages, std::vector<UINT>{WM_INITDIALOG});
  ASSERT_EQ(gdi::dialogs().size(), 1u);
  EXPECT_EQ(gdi::dialogs()[0].templateName, "#101");
  EXPECT_EQ(gdi::dialogs()[0].parent, owner);
  EXPECT_FALSE(IsWindowVisible(cancelDialog));
  EXPECT_FALSE(ShowWindow(cancelDialog, SW_SHOWNORMAL));
  EXPECT_TRUE(gdi::windowVisible(cancelDialog));
  EXPECT_FALSE(EnableWindow(owner, FALSE));  // was enabled
  EXPECT_FALSE(IsWindowEnabled(owner));

  HDC hdc = CreateDCA(nullptr, "Stand-in Printer", nullptr, nullptr);
  SetAbortProc(hdc, pumpingAbortProc);
  DOCINFOA doc{sizeof doc, "cancelled", nullptr, nullptr, 0};
  ASSERT_GT(StartDocA(hdc, &doc), 0);
  // A key for the owner is translated and dispatched; the click comes after the first page.
  ASSERT_TRUE(PostMessageA(owner, WM_KEYDOWN, 'Q', 0));
  gdi::postCancelClick(2);
  printPage(hdc, "first");
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(gdi::queuedMessages().size(), 1u);
  EXPECT_EQ(StartPage(hdc), SP_APPABORT);
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(ownerMessages, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR}));
  EXPECT_TRUE(gdi::queuedMessages().empty());
  EXPECT_GT(AbortDoc(hdc), 0);
  DeleteDC(hdc);

  EXPECT_TRUE(EnableWindow(owner, TRUE));  // was disabled
  EXPECT_TRUE(DestroyWindow(cancelDialog));
  EXPECT_EQ(dialogMessages.back(), WM_DESTROY);
  EXPECT_FALSE(gdi::dialogs()[0].live);
  EXPECT_FALSE(IsWindow(cancelDialog));
  EXPECT_FALSE(DestroyWindow(cancelDialog));
  // A click for a dialog that is gone is dropped.
  gdi::postCancelClick();
  EXPECT_TRUE(gdi::queuedMessages().empty());
  EXPECT_TRUE(gdi::destroyWindow(owner));
  EXPECT_EQ(gdi::liveWindows(), 0);
  ASSERT_EQ(gdi::printJobs().size(), 1u);
  EXPECT_EQ(gdi::printJobs()[0].outcome, gdi::JobOutcome::Aborted);
  EXPECT_EQ(gdi::printJobs()[0].pages.size(), 1u);

  gdi::failOperation("CreateDialogParamA", 0, 1);
  EXPECT_EQ(CreateDialogParamA(instance, "PRINTCANCEL", nullptr, cancelProc, 0), nullptr);
  expectAllGivenBack();
}

}  // namespace
