#pragma once
// The directories and names of the current run as the logic layer keeps them, and the data-file
// locator that turns a data file's name and extension into its full path.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/fixed_text.h"

namespace kvom::run {

inline constexpr std::size_t kRunPathLength = 256;
using RunPathText = FixedField<kRunPathLength>;

// Blank padded texts; a directory is blank or ends with a backslash. Blank before the first store.
struct RunPathsRecord {
  RunPathText programDir;    // the installation directory
  RunPathText tempDir;       // where the run's temp files go
  RunPathText caseDir;       // the case file's directory, or blank
  RunPathText userDataDir;   // the user databank directory from the host library, or blank
  FixedField<6> filePrefix;  // the run's file-name prefix, cut to 6
  FixedField<2> code;        // "1" from every export that sets up the run paths
  RunPathText caseName;      // the case file's name without directory and extension
  RunPathText runOption;     // "/AS" (input, output) or blank (execute)
};

// One per process; rewritten whole by every input, execute and output call.
extern RunPathsRecord RunPaths;

// Stores the seven texts (each followed by its length; a negative length counts as 0) blank padded
// or cut, and asks the host library for the user databank directory.
void STORE_RUN_PATHS(const char* programDir, std::int64_t programDirLength, const char* tempDir,
                     std::int64_t tempDirLength, const char* caseDir, std::int64_t caseDirLength, const char* code,
                     std::int64_t codeLength, const char* caseName, std::int64_t caseNameLength, const char* runOption,
                     std::int64_t runOptionLength, const char* filePrefix, std::int64_t filePrefixLength);

// Fills result (resultLength characters, callers pass 256) with the full path of the data file: the
// directory that the extension's first three characters select, then the trimmed name, a full stop
// and the trimmed extension; the path is cut at 256 characters and blank padded. Listed databanks
// (extension "PDA...") are taken from the user databank directory when present there with a path
// that fits the field, otherwise from the program's DAT\PDA\ (flag 1) or the case directory (any
// other flag).
void LOCATE_DATA_FILE(char* result, std::int64_t resultLength, const char* name, std::int64_t nameLength,
                      const char* extension, std::int64_t extensionLength, const std::int64_t& flag);

// The path LOCATE_DATA_FILE forms (name and extension as fixed-length texts), for callers that
// test, open or delete the file: none when it is longer than the 256-character result field, where
// the cut path would name another file.
std::optional<std::string> locateFittingDataFile(std::string_view name, std::string_view extension,
                                                 std::int64_t flag);

}  // namespace kvom::run
