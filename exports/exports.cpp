#include "exports/exports.h"

#include <array>
#include <string_view>

#include "common/fixed_text.h"
#include "exports/export_guard.h"
#include "exports/module_handle.h"
#include "exports/run_paths_setup.h"
#include "platform/host_library.h"
#include "report/report_hooks.h"
#include "run/engine_registry.h"
#include "run/steps.h"

namespace kvom::exports {

namespace {

// Raised when the host's case path does not fit the case-path buffer; the mapping reports it as 39.
constexpr std::int64_t kCasePathTooLongError = 1102;

constexpr const char* kRunCode = "1";
constexpr const char* kSaveRunOption = "/AS";
constexpr const char* kExecuteRunOption = "";

// Copies the host's case path with all its declared characters, trailing blanks included, and a NUL.
// Blanks beyond the buffer's 255 characters may be dropped; false, with nothing copied, when the
// path itself is longer than that (a cut path would name another file).
bool takeCasePath(PathBuffer& buffer, const char* casePath, std::int64_t casePathLength) {
  const std::string_view declared = callerText(casePath, casePathLength);
  if (trimRight(declared).size() >= kPathBufferSize) return false;
  copyTerminated(buffer, declared);
  return true;
}

// The input, execute and output calls' steps from the file prefix to the run-path set-up. A case
// path that does not fit is refused through the guard before any path is set up.
void setUpRun(const char* casePath, std::int64_t casePathLength, const char* runOption) {
  std::array<char, kFilePrefixSize> filePrefix{};
  PellantGetFilePrefix(filePrefix.data());
  filePrefix.back() = '\0';

  PathBuffer casePathBuffer{};
  if (!takeCasePath(casePathBuffer, casePath, casePathLength)) {
    const std::int64_t code = kCasePathTooLongError;
    PellantRaiseError(&code);
  }
  SetUpRunPaths(PellantGetProgramDir(ModuleHandle), casePathBuffer.data(), kRunCode, runOption, filePrefix.data());
}

}  // namespace

}  // namespace kvom::exports

using namespace kvom::exports;

extern "C" void KLOM_WEXA_INPUT(const std::int64_t* identifierCount, const char* identifiers, const std::int64_t* size3,
                                const std::int64_t* argument4, const std::int64_t* size5, const void* argument6,
                                const void* argument7, char* casePath, const char* blockKey, std::int64_t* status,
                                std::int64_t identifierLength, std::int64_t casePathLength,
                                std::int64_t blockKeyLength) {
  PellantRegisterModule(ModuleHandle);
  std::int32_t errorCode = 0;
  runGuarded(errorCode, [&] {
    kvom::report::SetScreenWindow(nullptr);
    PellantSetInputFlags(1, 0);
    setUpRun(casePath, casePathLength, kSaveRunOption);
    *status = 0;
    kvom::run::PREPARE_INPUT(*identifierCount, identifiers, identifierLength, *size3, argument4, *size5, argument6,
                             argument7, casePath, casePathLength, blockKey, blockKeyLength, *status);
  });
  mapErrorCode(kStatusRules, errorCode, *status);
}

extern "C" void KLOM_WEXA_EXECUTE(const std::int64_t* identifierCount, const char* identifiers,
                                  const std::int64_t* size3, std::int64_t* executeOptions, const std::int64_t* size5,
                                  const void* argument6, const void* argument7, char* casePath, const char* blockKey,
                                  std::int64_t* messageCount, std::int64_t* messageNumbers,
                                  std::int64_t identifierLength, std::int64_t casePathLength,
                                  std::int64_t blockKeyLength) {
  PellantRegisterModule(ModuleHandle);
  std::int32_t errorCode = 0;
  // The execute export reports no status: a caught failure shows only in the message count, which
  // is zeroed before anything can fail, so that a failure before the engine's messages are fetched
  // leaves it at 0.
  runGuarded(errorCode, [&] {
    *messageCount = 0;
    kvom::report::SetScreenWindow(nullptr);
    setUpRun(casePath, casePathLength, kExecuteRunOption);
    kvom::run::PREPARE_EXECUTE(*identifierCount, identifiers, identifierLength, *size3, executeOptions, *size5,
                               argument6, argument7, casePath, casePathLength, blockKey, blockKeyLength, *messageCount,
                               messageNumbers);
    kvom::report::CloseValueFile();
    CleanUpRunFiles();
  });
}

extern "C" void KLOM_WEXA_OUTPUT(const std::int64_t* identifierCount, const char* identifiers,
                                 const std::int64_t* size3, std::int64_t* outputOptions, const std::int64_t* size5,
                                 const double* argument6, const void* argument7, char* casePath, const char* blockKey,
                                 std::int64_t* status, std::int64_t identifierLength, std::int64_t casePathLength,
                                 std::int64_t blockKeyLength) {
  PellantRegisterModule(ModuleHandle);
  std::int32_t errorCode = 0;
  runGuarded(errorCode, [&] {
    kvom::report::SetScreenWindow(nullptr);
    setUpRun(casePath, casePathLength, kSaveRunOption);
    *status = 0;
    kvom::run::PREPARE_OUTPUT(*identifierCount, identifiers, identifierLength, *size3, outputOptions, *size5, argument6,
                              argument7, casePath, casePathLength, blockKey, blockKeyLength, *status);
    CleanUpRunFiles();
  });
  mapErrorCode(kOutputStatusRules, errorCode, *status);
}

extern "C" void KLOM_WEXA_HCURVE(const std::int64_t* side, const std::int64_t* size2, const char* identifiers,
                                 const std::int64_t* size4, std::int64_t* options, const std::int64_t* size6,
                                 double* levels, const std::int64_t* size8, const char* text9, std::int64_t* status,
                                 std::int64_t identifierLength, std::int64_t text9Length) {
  PellantRegisterModule(ModuleHandle);
  std::int32_t errorCode = 0;
  runGuarded(errorCode, [&] {
    kvom::run::SET_HCURVE_PRESSURES(*side, *size2, identifiers, identifierLength, *size4, options, *size6, levels,
                                    *size8, text9, text9Length, *status);
  });
  mapErrorCode(kStatusRules, errorCode, *status);
}

extern "C" void KLOM_SETMULTICASEINFO(char* first, char* second, const char* blockKey, std::int64_t* status,
                                      std::int64_t firstLength, std::int64_t secondLength,
                                      std::int64_t blockKeyLength) {
  PellantRegisterModule(ModuleHandle);
  std::int32_t errorCode = 0;
  runGuarded(errorCode, [&] {
    kvom::run::PASS_MULTICASE_INFO(first, firstLength, second, secondLength, blockKey, blockKeyLength,
                                   kvom::run::kProgramName.data(),
                                   static_cast<std::int64_t>(kvom::run::kProgramName.size()));
  });
  mapErrorCode(kStatusRules, errorCode, *status);
}

// Unguarded: an exception in the shut-down reaches the host.
extern "C" void KLOM_WEXA_EXIT(void) { kvom::run::CLOSE_ALL_ENGINES(); }
