#pragma once
// The adapter as a host sees it: a shared library loaded at run time and its six entry points,
// declared with the host's calling convention (every argument by reference, then the lengths of
// the texts by value).

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/windows/types.h"

namespace host {

using InputExport = void (*)(const std::int64_t* identifierCount, const char* identifiers, const std::int64_t* size3,
                             const std::int64_t* argument4, const std::int64_t* size5, const void* argument6,
                             const void* argument7, char* casePath, const char* blockKey, std::int64_t* status,
                             std::int64_t identifierLength, std::int64_t casePathLength, std::int64_t blockKeyLength);
using ExecuteExport = void (*)(const std::int64_t* identifierCount, const char* identifiers, const std::int64_t* size3,
                               std::int64_t* executeOptions, const std::int64_t* size5, const void* argument6,
                               const void* argument7, char* casePath, const char* blockKey, std::int64_t* messageCount,
                               std::int64_t* messageNumbers, std::int64_t identifierLength, std::int64_t casePathLength,
                               std::int64_t blockKeyLength);
using OutputExport = void (*)(const std::int64_t* identifierCount, const char* identifiers, const std::int64_t* size3,
                              std::int64_t* outputOptions, const std::int64_t* size5, const double* argument6,
                              const void* argument7, char* casePath, const char* blockKey, std::int64_t* status,
                              std::int64_t identifierLength, std::int64_t casePathLength, std::int64_t blockKeyLength);
using HeatingCurveExport = void (*)(const std::int64_t* side, const std::int64_t* size2, const char* identifiers,
                                    const std::int64_t* size4, std::int64_t* options, const std::int64_t* size6,
                                    double* levels, const std::int64_t* size8, const char* text9, std::int64_t* status,
                                    std::int64_t identifierLength, std::int64_t text9Length);
using MultiCaseExport = void (*)(char* first, char* second, const char* blockKey, std::int64_t* status,
                                 std::int64_t firstLength, std::int64_t secondLength, std::int64_t blockKeyLength);
using ExitExport = void (*)();

// The report library's routines, which the adapter exports by their C++ linker names.
using ReportFormCommandEntry = void (*)(const char* command, char* screenCode, char* values, const char* pictureText,
                                        char* result);
using ReportBreakEntry = void (*)();
using SectionStartEntry = void (*)(const char* title, std::int32_t length);
using PrintReportEntry = std::int32_t (*)(platform::win::HWND owner, platform::win::HINSTANCE instance,
                                          const char* reportFile, std::int32_t defaultPrinterMode);
using PreparePreviewEntry = std::int32_t (*)(platform::win::HWND window, std::int32_t unused, const char* reportFile);
using PreviewSheetCountEntry = std::int32_t (*)();
using DrawPreviewSheetEntry = void (*)(std::int32_t unused, platform::win::HWND window, std::int32_t sheet);
using ConvertPlotFileEntry = void (*)(const char* plotName, std::int64_t plotNameLength);
using CopyReportTextEntry = std::int32_t (*)(const char* source, const char* target);

// The library cannot be loaded or lacks an entry point.
class AdapterLoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Loads the library on construction and unloads it on destruction.
class Adapter {
 public:
  explicit Adapter(const std::string& path);
  ~Adapter();
  Adapter(const Adapter&) = delete;
  Adapter& operator=(const Adapter&) = delete;

  InputExport input = nullptr;
  ExecuteExport execute = nullptr;
  OutputExport output = nullptr;
  HeatingCurveExport heatingCurve = nullptr;
  MultiCaseExport multiCase = nullptr;
  ExitExport exit = nullptr;

  ReportFormCommandEntry reportFormCommand = nullptr;
  ReportBreakEntry writePageBreak = nullptr;
  ReportBreakEntry writeComponentBreak = nullptr;
  ReportBreakEntry writeTocBreak = nullptr;
  SectionStartEntry writeSectionStart = nullptr;
  ReportBreakEntry writeSectionEnd = nullptr;

  PrintReportEntry printReport = nullptr;
  PreparePreviewEntry preparePreview = nullptr;
  PreviewSheetCountEntry previewSheetCount = nullptr;
  DrawPreviewSheetEntry drawPreviewSheet = nullptr;
  CopyReportTextEntry copyReportText = nullptr;
  ConvertPlotFileEntry convertPlotFile = nullptr;  // CONVERT_PLOT_FILE
  // The code of the language the report's forms are read in: three blanks until one is chosen.
  const std::array<char, 3>* reportLanguageCode = nullptr;

 private:
  void* entry(const char* name) const;

  std::string path_;
  void* library_ = nullptr;
};

}  // namespace host
