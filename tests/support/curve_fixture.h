#pragma once
// Stream and heating-curve records as the host writes them, built in a line or two and put into the
// repository stand-in.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/engine.h"
#include "standins/engine/engine_standin.h"
#include "standins/repository/repository_standin.h"

namespace fixture {

using standins::repository::Record;

// A KVOM_MS_DATA record: flow, inlet temperature, inlet pressure, inlet vapour fraction, flow
// multiplier, then the codes and flows of up to six items (reals 6 to 11).
Record streamRecord(double flow, double temperature, double pressure, double vaporFraction, double multiplier = 1.0,
                    std::vector<std::int64_t> itemCodes = {}, std::vector<double> itemFlows = {});
void putStream(std::string_view object, const Record& record);

// One phase of a point: its kind, its block of ten phase reals and its mole fractions.
struct CurvePhase {
  std::int64_t kind = 2;
  std::array<double, 10> block{};
  std::vector<double> moleFractions;
};

struct CurvePoint {
  double temperature = 0, pressure = 0, enthalpy = 0, vaporFraction = 0;
  std::vector<CurvePhase> phases;
};

struct Curve {
  std::vector<CurvePoint> points;
  std::int64_t compositionSwitch = 3;
  std::int64_t componentCount = 0;
  std::vector<double> componentProperties;  // 7 blocks of componentCount
};

// A curve whose values tell where they came from, with the given phase kinds at every point and
// nc components:
//   point p:            temperature 100 + p, pressure 1000 p, enthalpy 2000 + p, vapour fraction p / 100
//   phase j, position q: 10000 j + q
//   mole fraction of component k in phase j: j + k / 1000
//   property m (1 to 7) of component k: 100000 m + k
Curve sampleCurve(int points, std::vector<std::int64_t> kinds = {2}, int nc = 0);

// The five records in the order STHE_HRC_POINT, STHE_HRC_THERMODYNAMIC, STHE_HRC_PHASE,
// STHE_HRC_PHASE_COMPOSITION, STHE_HRC_COMPONENT_PROPERTIES.
struct CurveRecords {
  Record point, thermodynamic, phase, composition, components;
};
CurveRecords curveRecords(const Curve& curve);
void putCurve(std::string_view object, const CurveRecords& records);
inline void putCurve(std::string_view object, const Curve& curve) { putCurve(object, curveRecords(curve)); }

inline constexpr std::array<std::string_view, 5> kCurveRecordKeys = {"STHE_HRC_POINT", "STHE_HRC_THERMODYNAMIC",
                                                                     "STHE_HRC_PHASE", "STHE_HRC_PHASE_COMPOSITION",
                                                                     "STHE_HRC_COMPONENT_PROPERTIES"};

// A fresh engine of the stand-in and its data object, with the engine, object-library, host and
// repository stand-ins reset; the operation log starts empty.
class TestEngine {
 public:
  TestEngine();
  TestEngine(const TestEngine&) = delete;
  TestEngine& operator=(const TestEngine&) = delete;

  platform::EngineData* data() const { return data_.get(); }

  // The operation log without the engine's "e1 " prefix; with an operation, only its entries.
  std::vector<std::string> log(std::string_view operation = {}) const;
  void clearLog() const;

  // The text of an input scalar or of an input element, and the value it reads as (nullopt when
  // the engine holds no text there).
  std::optional<std::string> scalar(std::string_view name) const;
  std::optional<std::int64_t> scalarState(std::string_view name) const;
  std::optional<double> scalarValue(std::string_view name) const;
  std::optional<std::string> element(std::string_view array, int index) const;
  std::optional<double> elementValue(std::string_view array, int index) const;
  std::optional<std::int64_t> elementState(std::string_view array, int index) const;
  // Sets an element of an input or output array as if an earlier call had written it.
  void setElement(standins::engine::Collection collection, std::string_view array, int index,
                  std::string_view text) const;

 private:
  platform::ComPtr<platform::EngineApplication> application_;
  platform::ComPtr<platform::EngineData> data_;
};

}  // namespace fixture
