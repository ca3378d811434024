#include "exports/run_paths_setup.h"

#include <cstring>
#include <string_view>

#include "common/fixed_text.h"
#include "platform/host_library.h"
#include "platform/windows/files.h"
#include "report/report_hooks.h"
#include "run/run_paths.h"

namespace kvom::exports {

RunPathStringsRecord RunPathStrings;

namespace {

constexpr std::string_view kTempSubdirectory = "KVOMTEMP\\";
constexpr std::array<std::string_view, 3> kTempPatterns = {"*.TMP", "*.BEX", "*.KVB"};
constexpr std::string_view kCasePattern = "*.XML";

std::string_view textOf(const char* text) { return text == nullptr ? std::string_view{} : std::string_view(text); }

template <std::size_t N>
std::string_view textOf(const std::array<char, N>& buffer) {
  return {buffer.data(), ::strnlen(buffer.data(), N)};
}

// The folder part of a search text: up to its last separator, or a bare drive ("D:R01*.TMP").
std::string_view searchedFolder(std::string_view search) {
  if (const std::size_t separator = search.find_last_of("\\/"); separator != std::string_view::npos) {
    return search.substr(0, separator + 1);
  }
  return search.size() >= 2 && search[1] == ':' ? search.substr(0, 2) : std::string_view{};
}

template <std::size_t N>
std::int64_t lengthOf(const std::array<char, N>& buffer) {
  return static_cast<std::int64_t>(textOf(buffer).size());
}

// The platform's temp path followed by "KVOMTEMP\" when that exists, else the temp path; the case
// directory when the platform gives no temp path that fits.
void setUpTempDir(RunPathStringsRecord& paths) {
  PathBuffer platformTemp{};
  const platform::win::DWORD length = GetTempPathA(kPathBufferSize - 1, platformTemp.data());
  if (length == 0 || length >= kPathBufferSize - 1) {
    paths.tempDir = paths.caseDir;
    return;
  }
  const std::string_view tempPath(platformTemp.data(), length);
  copyTerminated(paths.tempDir, tempPath);
  PathBuffer candidate{};
  if (copyTerminated(candidate, tempPath) && appendTerminated(candidate, kTempSubdirectory) &&
      GetFileAttributesA(candidate.data()) != platform::win::INVALID_FILE_ATTRIBUTES) {
    paths.tempDir = candidate;
  }
}

}  // namespace

void SetUpRunPaths(const char* programDir, const char* casePath, const char* code, const char* runOption,
                   const char* filePrefix) {
  RunPathStringsRecord& paths = RunPathStrings;
  copyTerminated(paths.programDir, textOf(programDir));

  const std::string_view path = textOf(casePath);
  std::string_view name = path;
  if (const std::size_t slash = path.rfind('\\'); slash != std::string_view::npos) {
    copyTerminated(paths.caseDir, path.substr(0, slash + 1));
    name = path.substr(slash + 1);
  } else if (const std::size_t colon = path.rfind(':'); colon != std::string_view::npos) {
    // Only a drive: the case file lies in that drive's current directory, which "D:" names.
    copyTerminated(paths.caseDir, path.substr(0, colon + 1));
    name = path.substr(colon + 1);
  } else {
    copyTerminated(paths.caseDir, "");
  }
  // The last full stop starts the extension; the host's trailing blanks go with it, or on their own
  // when the name has no extension.
  if (const std::size_t stop = name.rfind('.'); stop != std::string_view::npos) name = name.substr(0, stop);
  copyTerminated(paths.caseName, trimRight(name));

  setUpTempDir(paths);
  copyTerminated(paths.filePrefix, textOf(filePrefix));

  const std::string_view codeText = textOf(code);
  const std::string_view optionText = textOf(runOption);
  run::STORE_RUN_PATHS(paths.programDir.data(), lengthOf(paths.programDir), paths.tempDir.data(),
                       lengthOf(paths.tempDir), paths.caseDir.data(), lengthOf(paths.caseDir), codeText.data(),
                       static_cast<std::int64_t>(codeText.size()), paths.caseName.data(), lengthOf(paths.caseName),
                       optionText.data(), static_cast<std::int64_t>(optionText.size()), paths.filePrefix.data(),
                       lengthOf(paths.filePrefix));
}

const char* GetProgramDir() { return RunPathStrings.programDir.data(); }
const char* GetTempDir() { return RunPathStrings.tempDir.data(); }
const char* GetCaseDir() { return RunPathStrings.caseDir.data(); }
const char* GetCaseName() { return RunPathStrings.caseName.data(); }
const char* GetFilePrefix() { return RunPathStrings.filePrefix.data(); }

std::int32_t CleanUpRunFiles() {
  PellantPrepareFileAccess();
  const std::string_view prefix = textOf(RunPathStrings.filePrefix);
  if (prefix.empty()) return -1;

  // The prefix has at most 15 characters, so every pattern fits.
  PathBuffer pattern{};
  const auto deleteIn = [&](const char* directory, std::string_view suffix) {
    copyTerminated(pattern, prefix);
    appendTerminated(pattern, suffix);
    return DeleteMatchingFiles(directory, pattern.data());
  };
  std::int32_t result = -1;
  for (std::string_view suffix : kTempPatterns) result = deleteIn(GetTempDir(), suffix);
  result = deleteIn(GetCaseDir(), kCasePattern);
  return result;
}

std::int32_t DeleteMatchingFiles(const char* directory, const char* pattern) {
  PathBuffer path{};
  if (!copyTerminated(path, textOf(directory)) || !appendTerminated(path, textOf(pattern))) return -1;
  if (textOf(path).find('.') == std::string_view::npos && !appendTerminated(path, "*.TMP")) return -1;

  // The search looks in the folder that the search text names, which a pattern with a folder part
  // of its own (a prefix holding a backslash) takes below the directory: each match lies there.
  PathBuffer folder{};
  copyTerminated(folder, searchedFolder(textOf(path)));
  const std::string_view folderText = textOf(folder);

  platform::win::WIN32_FIND_DATAA found{};
  const platform::win::HANDLE search = FindFirstFileA(path.data(), &found);
  if (search == platform::win::INVALID_HANDLE_VALUE || search == nullptr) return -1;
  do {
    // A folder of a matching name is the user's, never a temp file.
    if ((found.dwFileAttributes & platform::win::FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    const std::size_t nameLength = ::strnlen(found.cFileName, platform::win::MAX_PATH);
    if (folderText.size() + nameLength < kPathBufferSize) {
      report::JoinPath(path.data(), folder.data(), found.cFileName);
      platform::crt::removeFile(path.data());
    }
  } while (FindNextFileA(search, &found) != platform::win::FALSE);
  return FindClose(search);
}

}  // namespace kvom::exports
