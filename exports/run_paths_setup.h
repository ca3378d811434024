#pragma once
// The run's directories and names as the outer layer and the report library read them, derived
// from the host's case path on every input, execute and output call, and the deletion of the
// run's temp files after the execute and output steps.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kvom::exports {

inline constexpr std::size_t kPathBufferSize = 256;
inline constexpr std::size_t kFilePrefixSize = 16;
using PathBuffer = std::array<char, kPathBufferSize>;

// NUL-terminated, empty at load; each holds at most one character less than its size.
struct RunPathStringsRecord {
  PathBuffer tempDir{};     // ends with a backslash unless it is empty
  PathBuffer caseDir{};     // ends with a backslash, or is empty
  PathBuffer programDir{};  // ends with a backslash
  std::array<char, kFilePrefixSize> filePrefix{};
  PathBuffer caseName{};  // without directory and extension
};

extern RunPathStringsRecord RunPathStrings;

// Derives the run paths from the case path and hands them on to the logic layer's RunPaths.
// All five texts are NUL-terminated (null counts as empty); a text longer than its string is cut.
// - case directory: the text up to and including the last backslash; with no backslash but a
//   drive colon, the text up to and including the last colon; else empty.
// - case name: the text after that, cut at its last full stop, without trailing blanks.
// - temp directory: the platform's temp path followed by "KVOMTEMP\" when that exists, else the
//   temp path itself; the case directory when there is no temp path.
void SetUpRunPaths(const char* programDir, const char* casePath, const char* code, const char* runOption,
                   const char* filePrefix);

const char* GetProgramDir();
const char* GetTempDir();
const char* GetCaseDir();
const char* GetCaseName();
const char* GetFilePrefix();

// Deletes the run's temp files: prefix*.TMP, prefix*.BEX and prefix*.KVB in the temp directory,
// then prefix*.XML in the case directory. Returns the result of the last deletion pass; with an
// empty prefix nothing is deleted (the patterns would match the files of every run) and -1 is
// returned.
std::int32_t CleanUpRunFiles();

// Deletes every file that matches directory followed by pattern ("*.TMP" appended when the search
// text has no full stop), in the folder that the search looked in (below the directory when the
// pattern has a folder part). Returns -1 when the search finds nothing or cannot start (a search
// text beyond 255 characters), otherwise the result of closing the search (non-zero on success). A
// match that is a folder is left alone, as is one whose full path would not fit 255 characters and
// one that cannot be deleted.
std::int32_t DeleteMatchingFiles(const char* directory, const char* pattern);

}  // namespace kvom::exports
