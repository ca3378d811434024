#pragma once
// A scratch installation where the report library prints and previews report files on the
// stand-ins: a program, case and current directory known to the library, the settings file with
// the pages per sheet, the stand-in printer as the default, an owner window and a preview window.
// Shared by the printing benchmark and the page-digest tool.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "exports/run_paths_setup.h"
#include "platform/windows/profile.h"
#include "report/page_layout.h"
#include "report/pictures.h"
#include "report/plot_object.h"
#include "report/preview.h"
#include "report/printing.h"
#include "report/settings.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/gdi/printer_standin.h"
#include "standins/gdi/window_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/standin_helpers.h"

namespace kvom::bench {

namespace fs = std::filesystem;

class PrintRoom {
 public:
  // A preview window of this client size shows a sheet of two pages.
  static constexpr int kPreviewWidth = 1100;
  static constexpr int kPreviewHeight = 850;

  explicit PrintRoom(int pagesPerSheet) {
    std::string pattern = (fs::temp_directory_path() / "kvom-print-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a scratch directory");
    root_ = pattern;
    test::resetStandins();
    for (const fs::path& directory : {programDir(), root_ / "case", currentDir()}) fs::create_directories(directory);
    copyText(exports::RunPathStrings.programDir, test::windowsDir(programDir()));
    copyText(exports::RunPathStrings.caseDir, test::windowsDir(root_ / "case"));
    saved_ = fs::current_path();
    fs::current_path(currentDir());
    report::PictureTable = {};
    report::PictureBracketFlag = 1;
    report::PageLayout = {};
    report::PrintState = {};
    report::SetLanguageFromLetter("E");
    standins::windows::setWindowsDirectory(test::windowsDir(root_));
    standins::gdi::setOutputFolder((root_ / "out").string());
    if (!standins::gdi::setDefaultPrinter("Stand-in Printer")) throw std::runtime_error("no stand-in printer");
    const char* output = pagesPerSheet == 4 ? "4 per 1" : pagesPerSheet == 2 ? "2 per 1" : "1 per 1";
    WritePrivateProfileStringA("Print Format", "Output", output, report::kSettingsFile);
    standins::gdi::setPdfOutput(false);
    owner_ = standins::gdi::createWindow(640, 480);
    preview_ = standins::gdi::createWindow(kPreviewWidth, kPreviewHeight);
  }
  PrintRoom(const PrintRoom&) = delete;
  PrintRoom& operator=(const PrintRoom&) = delete;
  ~PrintRoom() {
    report::FreeAllPictures();
    report::PlotObject none;
    report::FreePlot(none);
    std::error_code ignored;
    fs::current_path(saved_, ignored);
    fs::remove_all(root_, ignored);
  }

  fs::path programDir() const { return root_ / "program"; }
  // Reports and their containers go here: a container is found by its bare name.
  fs::path currentDir() const { return root_ / "current"; }
  static std::string windowsPath(const fs::path& native) { return standins::windows::toWindowsPath(native.string()); }
  platform::win::HWND previewWindow() const { return preview_; }

  // Prints the report on the stand-in printer (print dialog, all pages, one copy) and gives the
  // job's record; the jobs before it and the call log are forgotten first.
  const standins::gdi::PrintJobRecord& print(const std::string& report) {
    standins::gdi::clearPrintJobs();
    standins::gdi::clearCallLog();
    report::PrintReport(owner_, nullptr, report.c_str(), 0);
    if (standins::gdi::printJobs().empty()) throw std::runtime_error("the report printed no job");
    return standins::gdi::printJobs().back();
  }

  // Reads the report into the preview cache and draws every cached sheet into the preview window,
  // the window's list emptied before each; each sheet's list goes to the visitor when one is given.
  template <typename Visitor>
  int preview(const std::string& report, Visitor&& visit) {
    standins::gdi::clearCallLog();
    if (report::PreparePreview(preview_, 0, report.c_str()) == 0) return 0;
    const int sheets = report::PreviewSheetCount();
    for (int sheet = 0; sheet < sheets; ++sheet) {
      standins::gdi::clearWindowDisplayList(preview_);
      report::DrawPreviewSheet(0, preview_, sheet);
      visit(standins::gdi::windowDisplayList(preview_));
    }
    return sheets;
  }
  int preview(const std::string& report) {
    return preview(report, [](const std::vector<standins::gdi::DisplayEntry>&) {});
  }

 private:
  static void copyText(std::span<char> target, const std::string& text) {
    const std::size_t length = std::min(text.size(), target.size() - 1);
    std::memcpy(target.data(), text.data(), length);
    target[length] = '\0';
  }

  fs::path root_;
  fs::path saved_;
  platform::win::HWND owner_ = nullptr;
  platform::win::HWND preview_ = nullptr;
};

}  // namespace kvom::bench
