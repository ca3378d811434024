#include "run/input_step.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/fixed_text.h"
#include "platform/com.h"
#include "platform/repository.h"
#include "platform/windows/files.h"
#include "run/case_ids.h"
#include "run/engine_registry.h"
#include "run/run_paths.h"
#include "run/steps.h"
#include "transfer/engine_text.h"
#include "transfer/repository_trees.h"

namespace kvom::run {
namespace {

// Codes of the input step; the status word receives the code when it is above 0.
constexpr std::int64_t kCaseFileCreatable = 1;
constexpr std::int64_t kDefinitionsNotLoaded = 5;
constexpr std::int64_t kCaseFileNotCreatable = 8;

// RPREAD's status for a file that did not load.
constexpr std::int64_t kNotLoaded = 1;

// The repository definition files, loaded in this order.
constexpr std::array<std::string_view, 3> kDefinitionFiles = {"B_PRVT", "B_STHE", "B_MSG"};
constexpr std::string_view kDefinitionExtension = "RPD";
constexpr std::int64_t kPlainFlag = 0;  // the locator's flag; no definition file is a databank
constexpr std::int64_t kInputObjectElement = 20;

// Loads the definition files in order; false at the first that does not load (the rest are not
// tried).
bool loadDefinitions() {
  for (const std::string_view name : kDefinitionFiles) {
    // A path too long for the locator's field does not load: cut, it would name another file.
    std::optional<std::string> located = locateFittingDataFile(name, kDefinitionExtension, kPlainFlag);
    if (!located) return false;
    // The library takes the name as two NULs and the path with a NUL counted in its length.
    std::string& path = *located;
    path.push_back('\0');
    const std::array<char, 2> noName{'\0', '\0'};
    std::int64_t status = 0;
    RPREAD(noName.data(), static_cast<std::int64_t>(noName.size()), path.data(), static_cast<std::int64_t>(path.size()),
           &status);
    if (status == kNotLoaded) return false;
  }
  return true;
}

// 0 when the case file exists; otherwise whether one could be created there. The probe file is
// deleted as it is closed, so nothing is left on disk.
std::int64_t probeCaseFile(std::string_view casePath) {
  const std::string path(trimRight(casePath));
  if (GetFileAttributesA(path.c_str()) != platform::win::INVALID_FILE_ATTRIBUTES) return 0;
  const platform::win::HANDLE probe = CreateFileA(
      path.c_str(), platform::win::GENERIC_READ | platform::win::GENERIC_WRITE, 0, nullptr, platform::win::CREATE_NEW,
      platform::win::FILE_ATTRIBUTE_NORMAL | platform::win::FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (probe == platform::win::INVALID_HANDLE_VALUE) return kCaseFileNotCreatable;
  CloseHandle(probe);
  return kCaseFileCreatable;
}

// Opens the object library when no engine exists yet, fetches or creates the engine of the block
// key and has it open the case file.
platform::EngineApplication* openCase(std::string_view blockKey, std::string_view casePath,
                                      platform::EngineData*& data) {
  // The object library is opened once, with the first engine; the shut-down closes it.
  if (!anyEngineAlive()) OleInitialize(nullptr);

  platform::EngineApplication* engine = requireEngine(blockKey, data);
  const transfer::EngineString path(casePath);
  std::int32_t opened = 0;
  engine->OpenCase(path.get(), 0, &opened);
  markCaseOpened(blockKey);
  return engine;
}

}  // namespace

void OPEN_ENGINE_CASE(std::string_view blockKey, std::string_view casePath, std::string_view inputObject) {
  platform::EngineData* data = nullptr;
  openCase(blockKey, casePath, data);

  std::int64_t status = 0;
  transfer::CREATE_INPUT_TREE(inputObject, data, status);
}

platform::EngineApplication* requireEngineWithCase(std::string_view blockKey, std::string_view casePath,
                                                   platform::EngineData*& data) {
  if (caseOpened(blockKey)) return requireEngine(blockKey, data);
  return openCase(blockKey, casePath, data);
}

void PREPARE_INPUT(const std::int64_t& identifierCount, const char* identifiers, std::int64_t identifierLength,
                   const std::int64_t&, const std::int64_t*, const std::int64_t&, const void*, const void*,
                   char* casePath, std::int64_t casePathLength, const char* blockKey, std::int64_t blockKeyLength,
                   std::int64_t& status) {
  status = 0;
  const std::string_view casePathText = callerText(casePath, casePathLength);
  std::int64_t code = 0;
  if (!loadDefinitions()) {
    code = kDefinitionsNotLoaded;
  } else {
    code = probeCaseFile(casePathText);
  }
  // The engine opens the case whatever the outcome above.
  const HostIdentifiers host(identifiers, identifierCount, identifierLength);
  OPEN_ENGINE_CASE(callerText(blockKey, blockKeyLength), casePathText, host.element(kInputObjectElement));
  if (code > 0) status = code;
}

}  // namespace kvom::run
