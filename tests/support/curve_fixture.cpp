#include "tests/support/curve_fixture.h"

#include <stdexcept>
#include <string>

#include "common/number_text.h"
#include "platform/com.h"
#include "standins/com/com_standin.h"
#include "standins/host/host_standin.h"

namespace fixture {

Record streamRecord(double flow, double temperature, double pressure, double vaporFraction, double multiplier,
                    std::vector<std::int64_t> itemCodes, std::vector<double> itemFlows) {
  Record record;
  record.integers = std::move(itemCodes);
  record.reals = {flow, temperature, pressure, vaporFraction, multiplier};
  record.reals.insert(record.reals.end(), itemFlows.begin(), itemFlows.end());
  return record;
}

void putStream(std::string_view object, const Record& record) {
  standins::repository::putRecord(object, "KVOM_MS_DATA", record);
}

Curve sampleCurve(int points, std::vector<std::int64_t> kinds, int nc) {
  Curve curve;
  curve.componentCount = nc;
  int phase = 0;
  for (int p = 1; p <= points; ++p) {
    CurvePoint point{100.0 + p, 1000.0 * p, 2000.0 + p, p / 100.0, {}};
    for (const auto kind : kinds) {
      ++phase;
      CurvePhase item;
      item.kind = kind;
      for (int q = 1; q <= 10; ++q) item.block[static_cast<std::size_t>(q - 1)] = 10000.0 * phase + q;
      for (int k = 1; k <= nc; ++k) item.moleFractions.push_back(phase + k / 1000.0);
      point.phases.push_back(item);
    }
    curve.points.push_back(point);
  }
  for (int m = 1; m <= 7; ++m) {
    for (int k = 1; k <= nc; ++k) curve.componentProperties.push_back(100000.0 * m + k);
  }
  return curve;
}

CurveRecords curveRecords(const Curve& curve) {
  CurveRecords records;
  for (const auto& point : curve.points) {
    records.point.integers.push_back(static_cast<std::int64_t>(point.phases.size()));
    records.thermodynamic.reals.insert(records.thermodynamic.reals.end(),
                                       {point.temperature, point.pressure, point.enthalpy, point.vaporFraction});
    for (const auto& phase : point.phases) {
      records.phase.integers.push_back(phase.kind);
      records.phase.reals.insert(records.phase.reals.end(), phase.block.begin(), phase.block.end());
      records.composition.reals.insert(records.composition.reals.end(), phase.moleFractions.begin(),
                                       phase.moleFractions.end());
    }
  }
  records.components.integers = {curve.compositionSwitch, curve.componentCount};
  records.components.reals = curve.componentProperties;
  return records;
}

void putCurve(std::string_view object, const CurveRecords& records) {
  const Record* parts[] = {&records.point, &records.thermodynamic, &records.phase, &records.composition,
                           &records.components};
  for (std::size_t r = 0; r < kCurveRecordKeys.size(); ++r) {
    standins::repository::putRecord(object, kCurveRecordKeys[r], *parts[r]);
  }
}

namespace {

using standins::engine::Collection;
constexpr int kEngine = 1;  // the first engine after a reset
constexpr std::string_view kPrefix = "e1 ";

std::optional<double> valueOf(const std::optional<std::string>& text) {
  if (!text || text->empty()) return std::nullopt;
  return kvom::readReal(*text);
}

}  // namespace

TestEngine::TestEngine() {
  standins::engine::reset();
  standins::com::reset();
  standins::host::reset();
  standins::repository::reset();
  const platform::CLSID classId = platform::CLSID_WexaEngine;
  CoCreateInstance(classId, nullptr,
                   platform::CLSCTX_INPROC_SERVER | platform::CLSCTX_INPROC_HANDLER | platform::CLSCTX_LOCAL_SERVER,
                   platform::IID_EngineApplication, reinterpret_cast<void**>(application_.receive()));
  if (!application_) throw std::runtime_error("the engine stand-in could not be created");
  const platform::BSTR program = standins::com::allocString("Wexa");
  application_->InitializeProgram(program, 1, 1, data_.receive());
  SysFreeString(program);
  if (!data_) throw std::runtime_error("the engine stand-in gave no data object");
  standins::engine::clearOperationLog();
}

std::vector<std::string> TestEngine::log(std::string_view operation) const {
  std::vector<std::string> entries;
  for (std::string_view entry : standins::engine::operationLog()) {
    if (entry.starts_with(kPrefix)) entry.remove_prefix(kPrefix.size());
    if (!operation.empty() &&
        !(entry.starts_with(operation) && (entry.size() == operation.size() || entry[operation.size()] == ' '))) {
      continue;
    }
    entries.emplace_back(entry);
  }
  return entries;
}

void TestEngine::clearLog() const { standins::engine::clearOperationLog(); }

std::optional<std::string> TestEngine::scalar(std::string_view name) const {
  return standins::engine::scalarText(kEngine, Collection::InputScalars, name);
}
std::optional<std::int64_t> TestEngine::scalarState(std::string_view name) const {
  return standins::engine::scalarState(kEngine, Collection::InputScalars, name);
}
std::optional<double> TestEngine::scalarValue(std::string_view name) const { return valueOf(scalar(name)); }
std::optional<std::string> TestEngine::element(std::string_view array, int index) const {
  return standins::engine::elementText(kEngine, Collection::InputArrays, array, index);
}
std::optional<double> TestEngine::elementValue(std::string_view array, int index) const {
  return valueOf(element(array, index));
}
std::optional<std::int64_t> TestEngine::elementState(std::string_view array, int index) const {
  return standins::engine::elementState(kEngine, Collection::InputArrays, array, index);
}
void TestEngine::setElement(Collection collection, std::string_view array, int index, std::string_view text) const {
  standins::engine::setElement(kEngine, collection, array, index, text);
}

}  // namespace fixture
