#include "run/run_paths.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/host_library.h"
#include "platform/windows/files.h"

namespace kvom::run {

RunPathsRecord RunPaths;

namespace {

// Databanks that are looked for in the user databank directory before the fallback.
constexpr std::array<std::string_view, 21> kUserDatabanks = {
    "D_FXPRIV", "D_IDPRIV", "D_VAPRIV", "G_COMPNA", "G_PROFIL", "N_MTLDEF", "N_MTLDIN",
    "N_MTLCDP", "N_MTLJIS", "N_MTLEN",  "N_PARTNO", "N_PRIVI",  "N_PRIVP",  "N_ZorviI",
    "N_ZorviP", "N_STDLAB", "N_STDMTL", "N_STDOPR", "N_STDWLD", "N_STDPRC", "N_HORSUP",
};

// Language files all live in the program's DAT\LAN\.
constexpr std::array<std::string_view, 8> kLanguageExtensions = {"LAN", "ENG", "GER", "FRE",
                                                                 "ITA", "SPA", "CHI", "JPN"};

bool isUserDatabank(std::string_view name) {
  return std::find(kUserDatabanks.begin(), kUserDatabanks.end(), name) != kUserDatabanks.end();
}

bool isLanguageFile(std::string_view kind) {
  return std::find(kLanguageExtensions.begin(), kLanguageExtensions.end(), kind) != kLanguageExtensions.end();
}

// A file (not a directory) at the path.
bool fileExists(const std::string& path) {
  const platform::win::DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != platform::win::INVALID_FILE_ATTRIBUTES &&
         (attributes & platform::win::FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string join(std::initializer_list<std::string_view> parts) {
  std::string path;
  for (std::string_view part : parts) path += part;
  return path;
}

// The databank path: the user databank directory when the listed databank is there, else the
// fallback that the flag selects. A candidate longer than the result field counts as missing there
// and is not tested: cut to the field, it would name another file.
std::string locateDatabank(std::string_view name, std::int64_t flag) {
  if (isUserDatabank(name)) {
    std::string candidate = join({RunPaths.userDataDir.trimmed(), name, ".PDA"});
    if (candidate.size() <= kRunPathLength && fileExists(candidate)) return candidate;
  }
  if (flag == 1) return join({RunPaths.programDir.trimmed(), "DAT\\PDA\\", name, ".PDA"});
  return join({RunPaths.caseDir.trimmed(), name, ".PDA"});
}

// The whole path of the data file, before any cut.
std::string dataFilePath(std::string_view name, std::string_view extension, std::int64_t flag) {
  const std::string_view trimmedName = trimRight(name);
  const std::string_view trimmedExtension = trimRight(extension);
  const std::string_view kind = extension.substr(0, 3);
  const std::string fileName = join({trimmedName, ".", trimmedExtension});

  if (kind == "TMP") return join({RunPaths.tempDir.trimmed(), fileName});
  if (kind == "PDA") return locateDatabank(trimmedName, flag);
  if (kind == "RPD") return join({RunPaths.programDir.trimmed(), "XEQ\\", fileName});
  if (isLanguageFile(kind)) return join({RunPaths.programDir.trimmed(), "DAT\\LAN\\", fileName});
  return join({RunPaths.caseDir.trimmed(), fileName});
}

}  // namespace

void STORE_RUN_PATHS(const char* programDir, std::int64_t programDirLength, const char* tempDir,
                     std::int64_t tempDirLength, const char* caseDir, std::int64_t caseDirLength, const char* code,
                     std::int64_t codeLength, const char* caseName, std::int64_t caseNameLength, const char* runOption,
                     std::int64_t runOptionLength, const char* filePrefix, std::int64_t filePrefixLength) {
  RunPaths.programDir.assign(callerText(programDir, programDirLength));
  RunPaths.tempDir.assign(callerText(tempDir, tempDirLength));
  RunPaths.caseDir.assign(callerText(caseDir, caseDirLength));
  RunPaths.code.assign(callerText(code, codeLength));
  RunPaths.caseName.assign(callerText(caseName, caseNameLength));
  RunPaths.runOption.assign(callerText(runOption, runOptionLength));
  RunPaths.filePrefix.assign(callerText(filePrefix, filePrefixLength));

  // The host library writes characters 1 to n; the rest of the field is blank. Blanking first
  // keeps nothing of the previous run when the library writes fewer characters than it reports,
  // and a negative length leaves the field all blank.
  RunPathText& field = RunPaths.userDataDir;
  field.blank();
  const std::int32_t written = PellantGetUserDataDir(field.chars.data(), static_cast<std::int32_t>(kRunPathLength));
  if (written <= 0) {
    field.blank();
  } else if (static_cast<std::size_t>(written) < kRunPathLength) {
    std::fill(field.chars.begin() + written, field.chars.end(), ' ');
  }
}

std::optional<std::string> locateFittingDataFile(std::string_view name, std::string_view extension,
                                                 std::int64_t flag) {
  std::string path = dataFilePath(name, extension, flag);
  if (path.size() > kRunPathLength) return std::nullopt;
  return path;
}

void LOCATE_DATA_FILE(char* result, std::int64_t resultLength, const char* name, std::int64_t nameLength,
                      const char* extension, std::int64_t extensionLength, const std::int64_t& flag) {
  const std::string path = dataFilePath(callerText(name, nameLength), callerText(extension, extensionLength), flag);
  if (result == nullptr || resultLength <= 0) return;
  FixedText(result, static_cast<std::size_t>(resultLength)).assign(std::string_view(path).substr(0, kRunPathLength));
}

}  // namespace kvom::run
