#include "host/adapter.h"

#include <dlfcn.h>

namespace host {

Adapter::Adapter(const std::string& path) : path_(path) {
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) {
    const char* reason = dlerror();
    throw AdapterLoadError("cannot load the adapter " + path + ": " + (reason ? reason : "unknown reason"));
  }
  try {
    input = reinterpret_cast<InputExport>(entry("KLOM_WEXA_INPUT"));
    execute = reinterpret_cast<ExecuteExport>(entry("KLOM_WEXA_EXECUTE"));
    output = reinterpret_cast<OutputExport>(entry("KLOM_WEXA_OUTPUT"));
    heatingCurve = reinterpret_cast<HeatingCurveExport>(entry("KLOM_WEXA_HCURVE"));
    multiCase = reinterpret_cast<MultiCaseExport>(entry("KLOM_SETMULTICASEINFO"));
    exit = reinterpret_cast<ExitExport>(entry("KLOM_WEXA_EXIT"));
    reportFormCommand =
        reinterpret_cast<ReportFormCommandEntry>(entry("_ZN4kvom6report17ReportFormCommandEPKcPcS3_S2_S3_"));
    writePageBreak = reinterpret_cast<ReportBreakEntry>(entry("_ZN4kvom6report14WritePageBreakEv"));
    writeComponentBreak = reinterpret_cast<ReportBreakEntry>(entry("_ZN4kvom6report19WriteComponentBreakEv"));
    writeTocBreak = reinterpret_cast<ReportBreakEntry>(entry("_ZN4kvom6report13WriteTocBreakEv"));
    writeSectionStart = reinterpret_cast<SectionStartEntry>(entry("_ZN4kvom6report17WriteSectionStartEPKci"));
    writeSectionEnd = reinterpret_cast<ReportBreakEntry>(entry("_ZN4kvom6report15WriteSectionEndEv"));
    printReport = reinterpret_cast<PrintReportEntry>(
        entry("_ZN4kvom6report11PrintReportEPN8platform3win6HWND__EPNS2_11HINSTANCE__EPKci"));
    preparePreview =
        reinterpret_cast<PreparePreviewEntry>(entry("_ZN4kvom6report14PreparePreviewEPN8platform3win6HWND__EiPKc"));
    previewSheetCount = reinterpret_cast<PreviewSheetCountEntry>(entry("_ZN4kvom6report17PreviewSheetCountEv"));
    drawPreviewSheet =
        reinterpret_cast<DrawPreviewSheetEntry>(entry("_ZN4kvom6report16DrawPreviewSheetEiPN8platform3win6HWND__Ei"));
    copyReportText = reinterpret_cast<CopyReportTextEntry>(entry("_ZN4kvom6report14CopyReportTextEPKcS2_"));
    convertPlotFile = reinterpret_cast<ConvertPlotFileEntry>(entry("CONVERT_PLOT_FILE"));
    reportLanguageCode = static_cast<const std::array<char, 3>*>(entry("_ZN4kvom6report18ReportLanguageCodeE"));
  } catch (...) {
    dlclose(library_);
    throw;
  }
}

Adapter::~Adapter() { dlclose(library_); }

void* Adapter::entry(const char* name) const {
  void* address = dlsym(library_, name);
  if (address == nullptr) throw AdapterLoadError("the adapter " + path_ + " has no entry point " + name);
  return address;
}

}  // namespace host
