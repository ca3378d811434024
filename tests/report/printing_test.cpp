#include "report/printing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/windows/gdi.h"
#include "platform/windows/profile.h"
#include "report/page_layout.h"
#include "report/plot_object.h"
#include "report/settings.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/gdi/printer_standin.h"
#include "standins/gdi/window_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/report/report_lines.h"
#include "tests/support/picture_fixture.h"
#include "tests/support/standin_helpers.h"

namespace kvom::report {
namespace {

namespace gdi = standins::gdi;
using test::row;

class PrintingTest : public test::PictureFixture {
 protected:
  void SetUp() override {
    PictureFixture::SetUp();
    PageLayout = {};
    PrintState = {};
    SetLanguageFromLetter("E");
    standins::windows::setWindowsDirectory(windowsPathOf(scratch.path()));
    gdi::setOutputFolder((scratch.path() / "out").string());
    ASSERT_TRUE(gdi::setDefaultPrinter("Stand-in Printer"));
    owner = gdi::createWindow(640, 480);
  }
  void TearDown() override {
    // Every job, failed or not, gives back its context, its dialog and the owner window's input.
    EXPECT_EQ(gdi::liveContexts(), 0);
    EXPECT_TRUE(gdi::windowEnabled(owner));
    for (const gdi::DialogRecord& dialog : gdi::dialogs()) EXPECT_FALSE(dialog.live);
    for (platform::win::HFONT* font : {&PageLayout.titleFont, &PageLayout.boldFont, &PageLayout.normalFont}) {
      if (*font != nullptr) DeleteObject(*font);
      *font = nullptr;
    }
    gdi::destroyWindow(owner);
    PictureFixture::TearDown();
  }

  // Another job on fresh stand-ins: the fonts of the last one are gone with them.
  void freshPrinter() {
    gdi::reset();
    PageLayout.titleFont = PageLayout.boldFont = PageLayout.normalFont = nullptr;
    standins::windows::setWindowsDirectory(windowsPathOf(scratch.path()));
    gdi::setOutputFolder((scratch.path() / "out").string());
    ASSERT_TRUE(gdi::setDefaultPrinter("Stand-in Printer"));
    owner = gdi::createWindow(640, 480);
  }

  std::string writeReport(const std::string& content) {
    std::ofstream(currentDir() / "RUN.KVO", std::ios::binary) << content;
    return windowsPathOf(currentDir()) + "RUN.KVO";
  }
  static void setPagesPerSheet(const char* value) {
    WritePrivateProfileStringA("Print Format", "Output", value, kSettingsFile);
  }
  // The texts of each printed sheet, "|" between pages of paper.
  static std::string printedSheets() {
    std::string sheets;
    for (const gdi::PrintJobRecord& job : gdi::printJobs()) {
      for (const gdi::Page& page : job.pages) {
        if (!sheets.empty()) sheets += "|";
        std::string texts;
        for (const gdi::DisplayEntry& entry : page.entries) {
          if (entry.text.empty()) continue;
          if (!texts.empty()) texts += " ";
          texts += entry.text.substr(0, entry.text.find_last_not_of(' ') + 1);
        }
        sheets += texts;
      }
    }
    return sheets;
  }
  const std::string& lastMessage() const {
    static const std::string none;
    return gdi::messageBoxes().empty() ? none : gdi::messageBoxes().back().text;
  }

  platform::win::HWND owner = nullptr;
};

gdi::PrintDialogAnswer answer(std::optional<std::pair<int, int>> pages, int copies, bool cancel = false) {
  gdi::PrintDialogAnswer result;
  result.pages = pages;
  result.copies = copies;
  result.cancel = cancel;
  return result;
}

std::string pagesReport(int count) {
  std::string report;
  for (int k = 1; k <= count; ++k) report += row("P" + std::to_string(k), '1') + row("x");
  return report;
}

TEST_F(PrintingTest, PagesGoOnSheetsWithinTheRange) {
  struct Case {
    const char* pagesPerSheet;
    std::optional<std::pair<int, int>> range;
    int copies;
    std::string report;
    std::string sheets;
  };
  const std::string broken = row("A") + "[Page break]\n" + row("B") + row("C", '1') + row("D", '1');
  const Case cases[] = {
      {"1 per 1", {}, 1, pagesReport(3), "P1 x|P2 x|P3 x"},
      {"2 per 1", {}, 1, pagesReport(5), "P1 x P2 x|P3 x P4 x|P5 x"},
      {"4 per 1", {}, 1, pagesReport(5), "P1 x P2 x P3 x P4 x|P5 x"},
      // Pages keep their sheet positions: page 2 on the right of the first sheet.
      {"2 per 1", std::pair{2, 3}, 1, pagesReport(5), "P2 x|P3 x"},
      {"1 per 1", std::pair{4, 9}, 1, pagesReport(5), "P4 x|P5 x"},
      // A page break ends the sheet at once.
      {"2 per 1", {}, 1, broken, "A|B C|D"},
      {"2 per 1", {}, 2, pagesReport(3), "P1 x P2 x|P3 x|P1 x P2 x|P3 x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sheets);
    freshPrinter();
    setPagesPerSheet(c.pagesPerSheet);
    gdi::setPrintDialogAnswer(answer(c.range, c.copies));
    EXPECT_EQ(PrintReport(owner, nullptr, writeReport(c.report).c_str(), 0), 0);
    EXPECT_EQ(printedSheets(), c.sheets);
    ASSERT_EQ(gdi::printJobs().size(), 1u);
    EXPECT_EQ(gdi::printJobs()[0].outcome, gdi::JobOutcome::Printed);
    EXPECT_EQ(gdi::printJobs()[0].document, "KVOM Output");
    EXPECT_TRUE(gdi::messageBoxes().empty()) << lastMessage();
  }
}

TEST_F(PrintingTest, TwoPagesToASheetArePrintedSideBySideOnLandscapePaper) {
  setPagesPerSheet("2 per 1");
  PrintReport(owner, nullptr, writeReport(pagesReport(2)).c_str(), 0);
  ASSERT_EQ(gdi::printJobs().size(), 1u);
  const gdi::PrintJobRecord& job = gdi::printJobs()[0];
  EXPECT_GT(job.width, job.height);
  std::vector<int> x;
  for (const gdi::DisplayEntry& entry : job.pages.at(0).entries) {
    if (entry.text.starts_with("P")) x.push_back(entry.points.at(0).x);
  }
  ASSERT_EQ(x.size(), 2u);
  EXPECT_LT(x[0], job.width / 2);
  EXPECT_GT(x[1], job.width / 2);
  const std::string info = test::runCommand("pdfinfo '" + job.pdfPath + "' 2>&1");
  EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
}

TEST_F(PrintingTest, ContainerPicturesComeFromTheReportsOwnContainerAndReachTheLastRow) {
  writeBoxPlot(caseDir() / "BOX.KVD", 40, 10);
  ConvertPlotFile("BOX");
  std::filesystem::copy_file(caseDir() / "BOX.BFD", currentDir() / "RUN.BFD");
  // The picture spans rows 2 to 5 of a page of 3 rows: it is stretched to the page's last row.
  PrintReport(owner, nullptr, writeReport(row("Curves", '1') + "$$$ANY.BFD 1 2 80 5\r\n" + row("a") + row("b")).c_str(),
              0);
  ASSERT_EQ(gdi::printJobs().size(), 1u);
  const gdi::PrintJobRecord& job = gdi::printJobs()[0];
  ASSERT_EQ(job.pages.size(), 1u);
  int lowest = 0;
  int lines = 0;
  for (const gdi::DisplayEntry& entry : job.pages[0].entries) {
    if (entry.kind != gdi::EntryKind::Line) continue;
    ++lines;
    for (const platform::win::POINT& point : entry.points) lowest = std::max(lowest, static_cast<int>(point.y));
  }
  EXPECT_GE(lines, 4);
  EXPECT_GT(lowest, job.height / 2);
}

TEST_F(PrintingTest, TheDefaultPrinterPrintsWithoutADialog) {
  PrintReport(owner, nullptr, writeReport(pagesReport(2)).c_str(), 1);
  EXPECT_TRUE(gdi::printDialogCalls().empty());
  EXPECT_EQ(printedSheets(), "P1 x|P2 x");
}

TEST_F(PrintingTest, CancelInTheMiddleEndsTheJob) {
  // The click arrives while the second sheet is started; the abort procedure sees it there.
  gdi::postCancelClick(2);
  PrintReport(owner, nullptr, writeReport(pagesReport(4)).c_str(), 0);
  ASSERT_EQ(gdi::printJobs().size(), 1u);
  EXPECT_EQ(gdi::printJobs()[0].outcome, gdi::JobOutcome::Aborted);
  EXPECT_EQ(gdi::printJobs()[0].pdfPath, "");
  EXPECT_EQ(lastMessage(), "Print job has been canceled by user.");
  EXPECT_EQ(gdi::messageBoxes().size(), 1u);
  EXPECT_EQ(PrintAbortProc(nullptr, 0), platform::win::FALSE);
}

TEST_F(PrintingTest, FailuresAreToldAndTheJobIsGone) {
  struct Case {
    const char* failing;
    int defaultMode;
    std::string message;
    platform::win::UINT icon;
  };
  const Case cases[] = {
      {"no default", 0, "No default printer.\n\n Use Control Panel to install and select a default printer.",
       platform::win::MB_ICONEXCLAMATION},
      {"no default", 1, "No default printer.\n\n Use Control Panel to install and select a default printer.",
       platform::win::MB_ICONEXCLAMATION},
      {"cancel", 0, "Can not send to printer.", platform::win::MB_ICONEXCLAMATION},
      {"range", 0, "Incorrect setup for the printer.\n\nPlease try again.", platform::win::MB_ICONEXCLAMATION},
      {"CreateDialogParamA", 0, "Unable to create a message dialog.", platform::win::MB_ICONEXCLAMATION},
      {"SetAbortProc", 0, "Can not create abort procedure.", platform::win::MB_ICONSTOP},
      {"StartDocA", 0, "Can not start the print job.", platform::win::MB_ICONSTOP},
      {"StartPage", 0, "Cann't start a new page", platform::win::MB_ICONSTOP},
      {"EndPage", 0, "Cann't finish current page", platform::win::MB_ICONSTOP},
      {"EndDoc", 0, "Printing error occured.", platform::win::MB_ICONSTOP},
  };
  const std::string report = writeReport(pagesReport(2));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failing);
    freshPrinter();
    const std::string_view failing = c.failing;
    if (failing == "no default") {
      gdi::removeDefaultPrinter();
    } else if (failing == "cancel") {
      gdi::setPrintDialogAnswer(answer({}, 1, true));
    } else if (failing == "range") {
      gdi::setPrintDialogAnswer(answer(std::pair{3, 2}, 1));
    } else if (failing == "StartDocA") {
      gdi::failOperation("StartDocA");
      gdi::failOperation("Escape");
    } else {
      gdi::failOperation(failing);
    }
    PrintReport(owner, nullptr, report.c_str(), c.defaultMode);
    ASSERT_EQ(gdi::messageBoxes().size(), 1u);
    EXPECT_EQ(gdi::messageBoxes()[0].text, c.message);
    EXPECT_EQ(gdi::messageBoxes()[0].caption, "Print");
    EXPECT_EQ(gdi::messageBoxes()[0].style, c.icon);
    for (const gdi::PrintJobRecord& job : gdi::printJobs()) EXPECT_NE(job.outcome, gdi::JobOutcome::Printed);
    EXPECT_EQ(gdi::liveContexts(), 0);
    EXPECT_TRUE(gdi::windowEnabled(owner));
  }
}

TEST_F(PrintingTest, AReportWithNothingToPrintLeavesNoJob) {
  for (const std::string& path :
       {writeReport("$$$P.WMF 1 1 2 2\n[Page break]\n"), windowsPathOf(currentDir()) + "MISSING.KVO"}) {
    PrintReport(owner, nullptr, path.c_str(), 0);
    EXPECT_TRUE(gdi::messageBoxes().empty());
  }
  for (const gdi::PrintJobRecord& job : gdi::printJobs()) EXPECT_EQ(job.outcome, gdi::JobOutcome::Aborted);
}

TEST(OpenDefaultPrinter, ReadsNameDriverAndPortFromTheProfile) {
  test::resetStandins();
  const std::string dir = test::windowsDir(std::filesystem::temp_directory_path()) + "kvom_print_profile\\";
  std::filesystem::create_directories(standins::windows::toNativePath(dir));
  standins::windows::setWindowsDirectory(dir);
  struct Case {
    const char* entry;
    bool opens;
  };
  for (const Case c : {Case{"Stand-in Printer, standin, FILE:", true}, Case{"Stand-in Printer,standin", true},
                       Case{"Stand-in Printer", true}, Case{"", false}, Case{"Unknown,x,y", false}}) {
    WriteProfileStringA("windows", "device", c.entry);
    platform::win::HDC dc = OpenDefaultPrinter();
    EXPECT_EQ(dc != nullptr, c.opens) << c.entry;
    if (dc != nullptr) {
      EXPECT_EQ(gdi::contextKind(dc), gdi::ContextKind::Printer);
      DeleteDC(dc);
    }
  }
  std::filesystem::remove_all(standins::windows::toNativePath(dir));
  test::resetStandins();
}

}  // namespace
}  // namespace kvom::report
