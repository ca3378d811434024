#include "run/execute_step.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "common/fixed_text.h"
#include "platform/com_ptr.h"
#include "run/case_backup.h"
#include "run/case_ids.h"
#include "run/engine_registry.h"
#include "run/input_step.h"
#include "run/steps.h"
#include "run/unit_factors.h"
#include "transfer/curve_records.h"
#include "transfer/curve_reset.h"
#include "transfer/diagnostics.h"
#include "transfer/engine_text.h"
#include "transfer/repository_trees.h"
#include "transfer/stream_data.h"
#include "transfer/unit_input.h"

namespace kvom::run {
namespace {

// The words of the host's execute options.
enum ExecuteWord : std::size_t {
  kHotCount,
  kColdCount,
  kHotSideFlag,
  kColdSideFlag,
  kHotPressureDropOption,
  kColdPressureDropOption,
  kDiagnosticLevel,
  kDiagnosticUnit,
  kLastCallFromSimulator,
  kExecuteWords
};
using ExecuteOptions = std::array<std::int64_t, kExecuteWords>;

constexpr std::int64_t kOutputObjectElement = 1;
constexpr std::int64_t kInputObjectElement = 20;

constexpr float kSiUnitSet = 4.0f;
constexpr std::int64_t kBuildOnly = 1;   // CREATE_OUTPUT_TREE without results
constexpr std::int64_t kSendAll = 2;     // transfer switch: every value, state 1
constexpr std::int64_t kNoCurves = 2;    // side flag: the side takes no heating curve
constexpr std::int64_t kIntoEngine = 0;  // SEND_UNIT_INPUT's mode of the run
constexpr std::int16_t kRunOption = 0;

// Messages after which the engine saves the case.
constexpr std::array<std::int64_t, 5> kSaveMessages = {6, 53, 40, 39, 48};

// The program mode the unit input left at the last execute step: a record without one runs on it.
std::int64_t ExecuteProgramMode = 0;

// Curve objects 1 to count of a side's list, unless the side takes no curves.
void readSideCurves(platform::EngineData* data, std::int64_t sideFlag, std::int64_t count, const CurveNameList& names,
                    std::int64_t& status) {
  if (sideFlag == kNoCurves) return;
  const std::int64_t listed = std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(names.size()));
  for (std::int64_t i = 1; i <= listed; ++i) {
    transfer::READ_CURVE_RECORDS(kSendAll, data, i, names[static_cast<std::size_t>(i - 1)].view(), status);
  }
}

bool asksForSave(std::int64_t message) {
  return std::find(kSaveMessages.begin(), kSaveMessages.end(), message) != kSaveMessages.end();
}

// The host's message-number array. The host gives no size for it: it must have room for as many
// entries as an engine can report.
std::span<std::int64_t> messageRoom(std::int64_t* messageNumbers) {
  if (messageNumbers == nullptr) return {};
  return {messageNumbers, transfer::kMaxEngineMessages};
}

// Backs up the case, sends the input, runs the engine, stores the results and hands its messages
// to the host; the engine saves the case after each message that asks for it.
void EXECUTE_ENGINE_CASE(std::string_view blockKey, FixedText casePath, std::string_view outputObject,
                         std::string_view inputObject, const CaseIdsRecord& ids, const ExecuteOptions& options,
                         std::int64_t& messageCount, std::span<std::int64_t> messageNumbers) {
  platform::EngineData* borrowed = nullptr;
  const auto engine = retained(requireEngineWithCase(blockKey, casePath.view(), borrowed));
  const auto data = retained(borrowed);

  backUpCase(casePath.view());

  std::int64_t status = 0;
  transfer::CREATE_OUTPUT_TREE(outputObject, kBuildOnly, data.get(), status);
  transfer::SEND_STREAM_DATA(kSendAll, ids.element4.view(), ids.element6.view(), kSendAll, ids.element5.view(),
                             ids.element7.view(), data.get(), status);
  transfer::RESET_CURVE_ARRAYS(ids.hotSideFlag, ids.coldSideFlag, data.get());
  readSideCurves(data.get(), ids.hotSideFlag, ids.hotCount, ids.hotNames, status);
  readSideCurves(data.get(), ids.coldSideFlag, ids.coldCount, ids.coldNames, status);

  // The pressure outputs serve the heating-curve request only.
  double hotPressure = 0.0;
  double coldPressure = 0.0;
  transfer::SEND_UNIT_INPUT(kIntoEngine, kSendAll, inputObject, data.get(), hotPressure, coldPressure,
                            ExecuteProgramMode, options[kHotPressureDropOption], options[kColdPressureDropOption],
                            hotPressure, coldPressure, status);
  transfer::SEND_DIAGNOSTICS(data.get(), options[kDiagnosticLevel], options[kDiagnosticUnit],
                             options[kLastCallFromSimulator]);

  const transfer::EngineString programName(kProgramName);
  const platform::HRESULT ran = engine->RunProgram(programName.get(), kRunOption);

  platform::EngineData* stored = data.get();
  storeEngineData(blockKey, stored);

  // A run that failed leaves the engine with the outputs and messages of the run before: none of
  // them is this run's, so the output object keeps no results, the host gets no messages and the
  // case, whose inputs were never calculated, is not saved.
  if (ran < 0) {
    messageCount = 0;
    return;
  }

  transfer::CREATE_OUTPUT_TREE(outputObject, transfer::kStoreResultsMode, data.get(), status);
  transfer::FETCH_ENGINE_MESSAGES(data.get(), messageCount, messageNumbers);

  const auto listed = static_cast<std::size_t>(
      std::clamp<std::int64_t>(messageCount, 0, static_cast<std::int64_t>(messageNumbers.size())));
  for (const std::int64_t message : messageNumbers.first(listed)) {
    if (!asksForSave(message)) continue;
    saveCase(*engine.get(), casePath);
    engine->RefreshCase();
  }
}

}  // namespace

void PREPARE_EXECUTE(const std::int64_t& identifierCount, const char* identifiers, std::int64_t identifierLength,
                     const std::int64_t& size3, std::int64_t* executeOptions, const std::int64_t&, const void*,
                     const void*, char* casePath, std::int64_t casePathLength, const char* blockKey,
                     std::int64_t blockKeyLength, std::int64_t& messageCount, std::int64_t* messageNumbers) {
  const HostIdentifiers host(identifiers, identifierCount, identifierLength);
  const auto options = hostWords<kExecuteWords>(executeOptions, size3);
  writeCaseIdsForExecute(CaseIds, host, options[kHotCount], options[kColdCount], options[kHotSideFlag],
                         options[kColdSideFlag]);
  SET_UNIT_FACTORS(kSiUnitSet);

  const std::string_view path = callerText(casePath, casePathLength);
  EXECUTE_ENGINE_CASE(callerText(blockKey, blockKeyLength), FixedText(casePath, path.size()),
                      host.element(kOutputObjectElement), host.element(kInputObjectElement), CaseIds, options,
                      messageCount, messageRoom(messageNumbers));
}

}  // namespace kvom::run
