#include "host/report_output.h"

#include <algorithm>
#include <system_error>

#include "platform/windows/profile.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/gdi/printer_standin.h"
#include "standins/gdi/window_standin.h"

namespace host {
namespace {

namespace fs = std::filesystem;
namespace gdi = standins::gdi;

// A preview window of a sheet of paper at 100 pixels per inch: A4 upright, or lying for two pages
// side by side.
constexpr int kPaperShort = 827;
constexpr int kPaperLong = 1169;

// The message boxes the library showed since the count given, one line.
std::string messagesSince(std::size_t count) {
  std::string text;
  const auto& boxes = gdi::messageBoxes();
  for (std::size_t k = count; k < boxes.size(); ++k) {
    if (!text.empty()) text += "; ";
    text += boxes[k].caption + ": " + boxes[k].text;
  }
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
  return text;
}

ReportOutput print(Adapter& adapter, const PrintSettings& settings, const fs::path& folder,
                   const std::string& reportPath) {
  ReportOutput result{"printed", "", ""};
  gdi::setOutputFolder(folder.string());
  if (!gdi::setDefaultPrinter("Stand-in Printer")) {
    result.details = "no printer";
    return result;
  }
  gdi::PrintDialogAnswer answer;
  if (settings.pages) answer.pages = std::pair<int, int>(settings.pages->first, settings.pages->second);
  answer.copies = static_cast<int>(settings.copies);
  gdi::setPrintDialogAnswer(answer);

  const std::size_t jobsBefore = gdi::printJobs().size();
  const std::size_t messagesBefore = gdi::messageBoxes().size();
  platform::win::HWND owner = gdi::createWindow(640, 480);
  adapter.printReport(owner, nullptr, reportPath.c_str(), 0);
  gdi::destroyWindow(owner);

  const auto& jobs = gdi::printJobs();
  if (jobs.size() > jobsBefore && !jobs.back().pdfPath.empty()) {
    result.file = fs::path(jobs.back().pdfPath).filename().string();
    result.details = std::to_string(jobs.back().pages.size()) + " sheet(s), " + std::to_string(settings.pagesPerSheet) +
                     " page(s) per sheet";
  }
  const std::string messages = messagesSince(messagesBefore);
  if (!messages.empty()) result.details = messages;
  if (result.file.empty() && result.details.empty()) result.details = "nothing printed";
  return result;
}

ReportOutput preview(Adapter& adapter, const PrintSettings& settings, const fs::path& folder,
                     const std::string& reportPath) {
  ReportOutput result{"preview", "", ""};
  const bool lying = settings.pagesPerSheet == 2;
  platform::win::HWND window = gdi::createWindow(lying ? kPaperLong : kPaperShort, lying ? kPaperShort : kPaperLong);
  const std::size_t messagesBefore = gdi::messageBoxes().size();
  if (adapter.preparePreview(window, 0, reportPath.c_str()) != 0) {
    const std::int32_t sheets = adapter.previewSheetCount();
    const auto sheet = static_cast<std::int32_t>(std::min<std::int64_t>(settings.previewSheet, sheets));
    adapter.drawPreviewSheet(0, window, sheet - 1);
    const std::string name = "KVH_sheet" + std::to_string(sheet) + ".png";
    if (gdi::writeWindowPng(window, (folder / name).string())) {
      result.file = name;
      result.details = "sheet " + std::to_string(sheet) + " of " + std::to_string(sheets);
    }
  }
  const std::string messages = messagesSince(messagesBefore);
  if (!messages.empty()) result.details = messages;
  gdi::destroyWindow(window);
  return result;
}

}  // namespace

std::vector<ReportOutput> outputReport(Adapter& adapter, const PrintSettings& settings, const fs::path& folder,
                                       const std::string& reportPath) {
  // The library reads the pages per sheet from its settings file.
  const std::string perSheet = std::to_string(settings.pagesPerSheet) + " per 1";
  WritePrivateProfileStringA("Print Format", "Output", perSheet.c_str(), "REVURUDE.INI");

  std::vector<ReportOutput> outputs;
  if (settings.print) outputs.push_back(print(adapter, settings, folder, reportPath));
  if (settings.preview) outputs.push_back(preview(adapter, settings, folder, reportPath));
  if (settings.textCopy) {
    const std::string target = reportPath.substr(0, reportPath.rfind('.')) + ".KVX";
    adapter.copyReportText(reportPath.c_str(), target.c_str());
    const std::string name = target.substr(target.find_last_of("\\:") + 1);
    std::error_code ignored;
    const bool made = fs::exists(folder / name, ignored);
    outputs.push_back({"text copy", made ? name : "", made ? "the rows' text, without row types and pictures" : ""});
  }
  return outputs;
}

}  // namespace host
