// One execute step at the full size of the engine's heating-curve layout (5 curves of 24 points on
// each side, 50 components, three phases per point), against a floor measured in the same run: the
// same engine operations, in the same order, made directly on the engine stand-in with texts
// prepared beforehand. The sequence is the one the step makes, taken from the engine's operation
// log once; the timed runs make no log. The repetitions of both sides are interleaved; the report
// ends with both median times and their ratio.

#include <benchmark/benchmark.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bench/ratio_reporter.h"
#include "common/unset.h"
#include "platform/com.h"
#include "platform/com_ptr.h"
#include "platform/engine.h"
#include "run/engine_registry.h"
#include "run/steps.h"
#include "standins/com/com_standin.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "standins/repository/repository_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/curve_fixture.h"

namespace {

namespace fs = std::filesystem;
using platform::ComPtr;

constexpr int kCurvesPerSide = 5;
constexpr int kPoints = 24;
constexpr int kComponents = 50;
constexpr std::size_t kIdLength = 32;
constexpr std::size_t kIdCount = 24;
constexpr std::size_t kCasePathLength = 256;

// ---------------------------------------------------------------------------------------------
// The unit: its case file, streams, ten curves and unit input, and the host's execute arguments.

class Unit {
 public:
  Unit() {
    std::string pattern = (fs::temp_directory_path() / "kvom-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a scratch directory");
    directory_ = pattern;
    std::ofstream(directory_ / "unit.QDX", std::ios::binary) << "WEXA-CASE 1\r\nS TubeLng 1 6.0\r\n";

    standins::host::reset();
    standins::windows::reset();
    standins::com::reset();
    standins::engine::reset();
    standins::repository::reset();
    standins::engine::setMessages(std::vector<int>{});

    setId(1, "UNIT_OUT");
    setId(4, "HOT_IN");
    setId(5, "COLD_IN");
    setId(6, "HOT_OUT");
    setId(7, "COLD_OUT");
    setId(20, "UNIT_IN");
    fixture::putStream("HOT_IN", fixture::streamRecord(2.0, 420.0, 500000, 0.0));
    fixture::putStream("COLD_IN", fixture::streamRecord(3.0, 300.0, 300000, 0.0));
    const fixture::Curve curve = fixture::sampleCurve(kPoints, {2, 4, 5}, kComponents);
    for (int i = 1; i <= 2 * kCurvesPerSide; ++i) {
      const std::string name = "CURVE_" + std::to_string(i);
      setId(static_cast<std::size_t>(7 + i), name);
      fixture::putCurve(name, curve);
    }
    standins::repository::Record unitInput;
    unitInput.integers.assign(10, kvom::UNSET_INTEGER);
    unitInput.reals.assign(23, kvom::UNSET_REAL);
    unitInput.integers[4] = 2;  // rating
    unitInput.reals[0] = 250000;
    unitInput.reals[18] = 6.0;
    standins::repository::putRecord("UNIT_IN", "WEXA_PLUS_UNIT_INPUT", unitInput);

    casePath_.assign(kCasePathLength, ' ');
    const std::string path = standins::windows::toWindowsPath((directory_ / "unit.QDX").string());
    casePath_.replace(0, path.size(), path);
    blockKey_ = "UNIT-1              ";
    options_ = {kCurvesPerSide, kCurvesPerSide, 1, 1, 0, 0, 0, 0, 1};
    messages_.assign(32767, 0);
  }
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;
  ~Unit() {
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
  }

  void execute() {
    const std::int64_t idCount = kIdCount;
    const std::int64_t optionCount = static_cast<std::int64_t>(options_.size());
    std::int64_t messageCount = 0;
    kvom::run::PREPARE_EXECUTE(idCount, ids_.data(), kIdLength, optionCount, options_.data(), 0, nullptr, nullptr,
                               casePath_.data(), static_cast<std::int64_t>(casePath_.size()), blockKey_.data(),
                               static_cast<std::int64_t>(blockKey_.size()), messageCount, messages_.data());
    benchmark::DoNotOptimize(messageCount);
  }

 private:
  void setId(std::size_t n, std::string_view text) { ids_.replace((n - 1) * kIdLength, text.size(), text); }

  fs::path directory_;
  std::string ids_ = std::string(kIdCount * kIdLength, ' ');
  std::string casePath_;
  std::string blockKey_;
  std::array<std::int64_t, 9> options_{};
  std::vector<std::int64_t> messages_;
};

// ---------------------------------------------------------------------------------------------
// The floor: the logged operations replayed with prepared texts.

enum class Op {
  GetInputArrays,
  GetInputScalars,
  GetOutputArrays,
  GetOutputScalars,
  GetItem,
  GetValueText,
  SetValueText,
  SetValueState,
  ClearValue,
  GetElementText,
  SetElementText,
  GetElementString,
  SetElementState,
  ResetBothSides,
  GetElementCount,
  ResetSide,
  ResetSideReference,
  RunProgram,
  RefreshCase,
};

struct Step {
  Op op;
  int collection = 0;  // GetItem: 0 to 3 as the collections' order
  int item = 0;        // the variable's slot
  platform::BSTR text = nullptr;
  std::int16_t index = 0;
  std::int16_t second = 0;
  std::int64_t state = 0;
};

class Replay {
 public:
  Replay(platform::EngineApplication* application, platform::EngineData* data, const std::vector<std::string>& log)
      : application_(application), data_(data) {
    for (const std::string& entry : log) parse(entry);
    scalars_.resize(names_.size());
    arrays_.resize(names_.size());
  }
  Replay(const Replay&) = delete;
  Replay& operator=(const Replay&) = delete;
  ~Replay() {
    for (platform::BSTR text : texts_) SysFreeString(text);
  }

  std::size_t size() const { return steps_.size(); }

  void run() {
    for (const Step& step : steps_) perform(step);
    for (auto& collection : collections_) collection.reset();
  }

 private:
  static constexpr std::array<std::string_view, 4> kCollections = {"InputArrays", "InputScalars", "OutputArrays",
                                                                   "OutputScalars"};

  platform::BSTR prepared(std::string_view text) {
    texts_.push_back(standins::com::allocString(text));
    return texts_.back();
  }
  int slot(std::string_view name) {
    const auto [found, added] = names_.emplace(std::string(name), static_cast<int>(names_.size()));
    return found->second;
  }
  static std::string_view word(std::string_view& rest) {
    const std::size_t blank = rest.find(' ');
    const std::string_view first = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    return first;
  }
  template <typename T>
  static T number(std::string_view text) {
    T value{};
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
  }

  void parse(std::string_view entry) {
    word(entry);  // the engine's number
    const std::string_view operation = word(entry);
    static const std::map<std::string_view, Op> kOps = {{"GetInputArrays", Op::GetInputArrays},
                                                        {"GetInputScalars", Op::GetInputScalars},
                                                        {"GetOutputArrays", Op::GetOutputArrays},
                                                        {"GetOutputScalars", Op::GetOutputScalars},
                                                        {"GetItem", Op::GetItem},
                                                        {"GetValueText", Op::GetValueText},
                                                        {"SetValueText", Op::SetValueText},
                                                        {"SetValueState", Op::SetValueState},
                                                        {"ClearValue", Op::ClearValue},
                                                        {"GetElementText", Op::GetElementText},
                                                        {"SetElementText", Op::SetElementText},
                                                        {"GetElementString", Op::GetElementString},
                                                        {"SetElementState", Op::SetElementState},
                                                        {"ResetBothSides", Op::ResetBothSides},
                                                        {"GetElementCount", Op::GetElementCount},
                                                        {"ResetSide", Op::ResetSide},
                                                        {"ResetSideReference", Op::ResetSideReference},
                                                        {"RunProgram", Op::RunProgram},
                                                        {"RefreshCase", Op::RefreshCase}};
    const auto known = kOps.find(operation);
    if (known == kOps.end()) throw std::runtime_error("cannot replay: " + std::string(operation));
    Step step{known->second};
    switch (step.op) {
      case Op::GetItem: {
        const std::string_view collection = word(entry);
        for (std::size_t c = 0; c < kCollections.size(); ++c) {
          if (kCollections[c] == collection) step.collection = static_cast<int>(c);
        }
        step.item = slot(entry);
        step.text = prepared(entry);
        break;
      }
      case Op::GetValueText:
      case Op::ClearValue:
      case Op::GetElementCount:
        step.item = slot(entry);
        break;
      case Op::SetValueText:
        step.item = slot(word(entry));
        step.text = prepared(entry);
        break;
      case Op::SetValueState:
        step.item = slot(word(entry));
        step.state = number<std::int64_t>(entry);
        break;
      case Op::GetElementText:
      case Op::GetElementString:
        step.item = slot(word(entry));
        step.index = number<std::int16_t>(entry);
        break;
      case Op::SetElementText:
        step.item = slot(word(entry));
        step.index = number<std::int16_t>(word(entry));
        step.text = prepared(entry);
        break;
      case Op::SetElementState:
        step.item = slot(word(entry));
        step.index = number<std::int16_t>(word(entry));
        step.state = number<std::int64_t>(entry);
        break;
      case Op::ResetBothSides:
      case Op::ResetSide:
      case Op::ResetSideReference:
        step.item = slot(word(entry));
        step.index = number<std::int16_t>(word(entry));
        step.second = number<std::int16_t>(entry);
        break;
      case Op::RunProgram:
        step.text = prepared(word(entry));
        break;
      default:
        break;
    }
    steps_.push_back(step);
  }

  void perform(const Step& step) {
    switch (step.op) {
      case Op::GetInputArrays:
        data_->GetInputArrays(collections_[0].receive());
        break;
      case Op::GetInputScalars:
        data_->GetInputScalars(collections_[1].receive());
        break;
      case Op::GetOutputArrays:
        data_->GetOutputArrays(collections_[2].receive());
        break;
      case Op::GetOutputScalars:
        data_->GetOutputScalars(collections_[3].receive());
        break;
      case Op::GetItem: {
        ComPtr<platform::IUnknown> item;
        collections_[static_cast<std::size_t>(step.collection)]->GetItem(step.text, item.receive());
        const auto slot = static_cast<std::size_t>(step.item);
        if (!item) break;
        if (step.collection % 2 == 0) {
          item->QueryInterface(platform::IID_ArrayVariable, reinterpret_cast<void**>(arrays_[slot].receive()));
        } else {
          item->QueryInterface(platform::IID_ScalarVariable, reinterpret_cast<void**>(scalars_[slot].receive()));
        }
        break;
      }
      case Op::GetValueText: {
        platform::BSTR text = nullptr;
        scalar(step)->GetValueText(&text);
        SysFreeString(text);
        break;
      }
      case Op::SetValueText:
        scalar(step)->SetValueText(step.text);
        break;
      case Op::SetValueState:
        scalar(step)->SetValueState(step.state);
        break;
      case Op::ClearValue:
        scalar(step)->ClearValue();
        break;
      case Op::GetElementText:
      case Op::GetElementString: {
        platform::BSTR text = nullptr;
        if (step.op == Op::GetElementText) {
          array(step)->GetElementText(step.index, &text);
        } else {
          array(step)->GetElementString(step.index, &text);
        }
        SysFreeString(text);
        break;
      }
      case Op::SetElementText:
        array(step)->SetElementText(step.index, step.text);
        break;
      case Op::SetElementState:
        array(step)->SetElementState(step.index, step.state);
        break;
      case Op::ResetBothSides:
        array(step)->ResetBothSides(step.index, step.second);
        break;
      case Op::GetElementCount: {
        std::int16_t count = 0;
        array(step)->GetElementCount(&count);
        benchmark::DoNotOptimize(count);
        break;
      }
      case Op::ResetSide:
      case Op::ResetSideReference: {
        std::int16_t side = step.index;
        if (step.op == Op::ResetSide) {
          array(step)->ResetSide(&side, step.second);
        } else {
          array(step)->ResetSideReference(&side, step.second);
        }
        break;
      }
      case Op::RunProgram:
        application_->RunProgram(step.text, 0);
        break;
      case Op::RefreshCase:
        application_->RefreshCase();
        break;
    }
  }

  platform::ScalarVariable* scalar(const Step& step) { return scalars_[static_cast<std::size_t>(step.item)].get(); }
  platform::ArrayVariable* array(const Step& step) { return arrays_[static_cast<std::size_t>(step.item)].get(); }

  platform::EngineApplication* application_;
  platform::EngineData* data_;
  std::vector<Step> steps_;
  std::vector<platform::BSTR> texts_;
  std::map<std::string, int> names_;
  std::array<ComPtr<platform::VariableCollection>, 4> collections_;
  std::vector<ComPtr<platform::ScalarVariable>> scalars_;
  std::vector<ComPtr<platform::ArrayVariable>> arrays_;
};

// ---------------------------------------------------------------------------------------------

struct Setting {
  Unit unit;
  std::unique_ptr<Replay> replay;

  Setting() {
    unit.execute();  // creates the engine, so that the logged step is one of the timed kind
    standins::engine::clearOperationLog();
    unit.execute();
    const auto& entries = kvom::run::EngineRegistry.entries;
    if (entries.size() != 1) throw std::runtime_error("the step made no engine");
    replay = std::make_unique<Replay>(entries.front().application.get(), entries.front().data.get(),
                                      standins::engine::operationLog());
    standins::engine::clearOperationLog();
    standins::engine::setLogging(false);
  }
};

Setting& setting() {
  static Setting instance;
  return instance;
}

void ExecuteStep(benchmark::State& state) {
  Setting& s = setting();
  for (auto _ : state) s.unit.execute();
  state.counters["engine_operations"] = static_cast<double>(s.replay->size());
}
BENCHMARK(ExecuteStep)->Unit(benchmark::kMillisecond)->Repetitions(9);

void EngineOperationsOnly(benchmark::State& state) {
  Setting& s = setting();
  for (auto _ : state) s.replay->run();
  state.counters["engine_operations"] = static_cast<double>(s.replay->size());
}
BENCHMARK(EngineOperationsOnly)->Unit(benchmark::kMillisecond)->Repetitions(9);

}  // namespace

int main(int argc, char** argv) {
  kvom::bench::RatioReporter reporter("ExecuteStep", "execute step", "EngineOperationsOnly", "engine operations alone");
  const int result = kvom::bench::RunInterleaved(argc, argv, reporter);
  kvom::run::CLOSE_ALL_ENGINES();
  return result;
}
