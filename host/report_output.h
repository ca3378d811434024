#pragma once
// What the host does with the run's report file once it is written: prints it on the stand-in
// printer (a PDF), previews a sheet of it in a window written as a PNG, and makes its text copy.

#include <filesystem>
#include <string>
#include <vector>

#include "host/adapter.h"
#include "host/scenario.h"

namespace host {

// A file the report output left, or what went wrong instead.
struct ReportOutput {
  std::string what;     // "printed", "preview", "text copy"
  std::string file;     // the file's name in the folder; empty when none was made
  std::string details;  // pages, sheets, or the message the library showed
};

// Prints, previews and copies the report file (a Windows path) as the settings ask; the files are
// made in the folder.
std::vector<ReportOutput> outputReport(Adapter& adapter, const PrintSettings& settings,
                                       const std::filesystem::path& folder, const std::string& reportPath);

}  // namespace host
