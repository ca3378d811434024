#include <string>
#include <string_view>

#include "common/fixed_text.h"
#include "platform/com_ptr.h"
#include "platform/host_library.h"
#include "run/case_backup.h"
#include "run/case_ids.h"
#include "run/engine_registry.h"
#include "run/execute_step.h"
#include "run/input_step.h"
#include "run/steps.h"
#include "run/unit_factors.h"
#include "transfer/design_copy_back.h"
#include "transfer/unit_input.h"
#include "transfer/value_transfer.h"

namespace kvom::run {
namespace {

// The words of the host's output options (word 0 is not read; 6 and 7 are not used).
enum OutputWord : std::size_t {
  kHotCount = 1,
  kColdCount = 2,
  kHotPressureDropOption = 3,
  kColdPressureDropOption = 4,
  kUpdateSwitch = 5,
  kOutputWords = 8
};
using OutputOptions = std::array<std::int64_t, kOutputWords>;

constexpr std::int64_t kInputObjectElement = 20;

constexpr float kSiUnitSet = 4.0f;
constexpr std::int64_t kIntoEngine = 0;  // SEND_UNIT_INPUT's mode of the run
constexpr std::int64_t kUpdateCase = 2;  // update switch: update the engine's input and save the case
constexpr std::int64_t kDesignMode = 1;  // program mode whose calculated geometry is copied back

// The program mode the unit input left at the last output step: a record without one runs on it.
std::int64_t OutputProgramMode = 0;

// Brings the engine's input up to date and saves the case (update switch 2), or puts the case
// file back as it was before the execute step; the backup goes either way.
void FINISH_ENGINE_CASE(std::string_view blockKey, FixedText casePath, std::string_view inputObject,
                        const OutputOptions& options) {
  platform::EngineData* borrowed = nullptr;
  const auto engine = retained(requireEngineWithCase(blockKey, casePath.view(), borrowed));
  const auto data = retained(borrowed);
  const std::int64_t& updateSwitch = options[kUpdateSwitch];

  std::int64_t status = 0;
  double hotPressure = 0.0;
  double coldPressure = 0.0;
  transfer::SEND_UNIT_INPUT(kIntoEngine, updateSwitch, inputObject, data.get(), hotPressure, coldPressure,
                            OutputProgramMode, options[kHotPressureDropOption], options[kColdPressureDropOption],
                            hotPressure, coldPressure, status);
  if (updateSwitch == kUpdateCase && OutputProgramMode == kDesignMode)
    transfer::COPY_DESIGN_TO_INPUT(data.get(), status);

  // The backup belongs to the path as the host gave it, before a save can rewrite it. It is deleted
  // only once the case file is the one this step is to leave; after a failure it stays, so that a
  // later output call can still restore from it, and the failure reaches the host.
  const std::string caseBefore(casePath.trimmed());
  if (updateSwitch == kUpdateCase) {
    transfer::clearScalar(transfer::inputScalars(data.get()).get(), "Calc_RecapStorage");
    if (!saveCase(*engine.get(), casePath)) PellantRaiseError(&kCaseSaveFailedError);
  } else if (!restoreCase(caseBefore)) {
    PellantRaiseError(&kCaseRestoreFailedError);
  }
  engine->RefreshCase();
  deleteBackup(caseBefore);
}

}  // namespace

void PREPARE_OUTPUT(const std::int64_t& identifierCount, const char* identifiers, std::int64_t identifierLength,
                    const std::int64_t& size3, std::int64_t* outputOptions, const std::int64_t&, const double*,
                    const void*, char* casePath, std::int64_t casePathLength, const char* blockKey,
                    std::int64_t blockKeyLength, std::int64_t& status) {
  const HostIdentifiers host(identifiers, identifierCount, identifierLength);
  const auto options = hostWords<kOutputWords>(outputOptions, size3);
  writeCaseIdsForOutput(CaseIds, host, options[kHotCount], options[kColdCount]);
  status = 0;

  const std::string_view path = callerText(casePath, casePathLength);
  const auto trimmedLength = static_cast<std::int64_t>(trimRight(path).size());
  PellantSetCaseFile(path.data(), static_cast<std::int64_t>(path.size()), &trimmedLength);
  SET_UNIT_FACTORS(kSiUnitSet);

  FINISH_ENGINE_CASE(callerText(blockKey, blockKeyLength), FixedText(casePath, path.size()),
                     host.element(kInputObjectElement), options);
}

}  // namespace kvom::run
