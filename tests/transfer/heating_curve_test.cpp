#include "transfer/heating_curve.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/unset.h"
#include "run/case_ids.h"
#include "run/unit_factors.h"
#include "tests/support/curve_fixture.h"

namespace kvom::transfer {
namespace {

class HeatingCurveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run::SET_UNIT_FACTORS(4.0f);
    run::CaseIds = {};
    for (std::size_t i = 0; i < run::kCurveListSize; ++i) {
      run::CaseIds.hotNames[i].assign("HOT" + std::to_string(i + 1));
      run::CaseIds.coldNames[i].assign("COLD" + std::to_string(i + 1));
    }
  }
  void send(fixture::CurveRecords records, std::int64_t index, std::string_view name, std::int64_t state = 1) {
    const auto& integers = records.components.integers;
    const std::int64_t compositionSwitch = integers.size() > 0 ? integers[0] : 0;
    const std::int64_t nc = integers.size() > 1 ? integers[1] : 0;
    SEND_HEATING_CURVE(state, engine->data(), index, name, records.point.integers, records.phase.integers,
                       records.thermodynamic.reals, records.phase.reals, records.composition.reals,
                       records.components.reals, nc, compositionSwitch);
  }
  void send(const fixture::Curve& curve, std::int64_t index, std::string_view name, std::int64_t state = 1) {
    send(fixture::curveRecords(curve), index, name, state);
  }
  // The names of the arrays written at an element.
  std::vector<std::string> arraysAt(int element) const {
    std::vector<std::string> names;
    for (const auto& entry : engine->log("SetElementText")) {
      std::istringstream words(entry);
      std::string operation, name;
      int index = 0;
      words >> operation >> name >> index;
      if (index == element) names.push_back(name);
    }
    return names;
  }
  std::size_t writesTo(std::string_view prefix) const {
    std::size_t n = 0;
    for (const auto& entry : engine->log("SetElementText"))
      n += entry.starts_with("SetElementText " + std::string(prefix));
    return n;
  }

  // A new engine in place of the one before (which is released first).
  void renew() {
    engine.reset();
    engine = std::make_unique<fixture::TestEngine>();
  }

  std::unique_ptr<fixture::TestEngine> engine = std::make_unique<fixture::TestEngine>();
};

// Where the curves of each side lie in the engine's arrays.
TEST_F(HeatingCurveTest, ElementLayoutOfBothSides) {
  struct Case {
    const char* name;
    std::int64_t index;
    int reference, firstPoint, firstComponent;
    const char* curveCount;
    const char* pointCount;
  };
  const Case cases[] = {
      {"HOT2", 2, 2, 25, 1, "NumCurvHS", "NumPtsOnCrvHS"},
      {"COLD1", 1, 6, 121, 51, "NumCurvCS", "NumPtsOnCrvCS"},
      {"COLD5", 5, 10, 217, 51, "NumCurvCS", "NumPtsOnCrvCS"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    renew();
    send(fixture::sampleCurve(3, {2}, 2), c.index, c.name, 3);
    EXPECT_EQ(engine->elementValue("PressureReference", c.reference), 1000.0);
    EXPECT_EQ(engine->elementState("PressureReference", c.reference), 3);
    for (int p = 1; p <= 3; ++p) {
      EXPECT_EQ(engine->elementValue("Temperature", c.firstPoint + p - 1), 100.0 + p);
      EXPECT_EQ(engine->elementValue("VaporMassFraction", c.firstPoint + p - 1), p / 100.0);
      EXPECT_EQ(engine->elementValue("SpecificEnthalpy", c.firstPoint + p - 1), 2000.0 + p);
      EXPECT_EQ(engine->elementValue("VaporDensity", c.firstPoint + p - 1), 10000.0 * p + 3);
    }
    EXPECT_EQ(engine->element("Temperature", c.firstPoint + 3), "");
    EXPECT_EQ(engine->elementValue("CompMolecularWeight", c.firstComponent), 100001.0);
    EXPECT_EQ(engine->elementValue("CompCriticalPressure", c.firstComponent + 1), 200002.0);
    EXPECT_EQ(engine->elementValue("CompDipoleMoment", c.firstComponent + 1), 700002.0);
    EXPECT_EQ(engine->scalarValue(c.curveCount), static_cast<double>(c.index));
    EXPECT_EQ(engine->scalarState(c.curveCount), 1) << "the curve count is always set with state 1";
    EXPECT_EQ(engine->scalarValue(c.pointCount), 3.0);
    EXPECT_EQ(engine->scalarState(c.pointCount), 3);
  }
}

TEST_F(HeatingCurveTest, PhaseTableByKind) {
  fixture::Curve curve = fixture::sampleCurve(1, {2, 4, 5}, 0);
  send(curve, 1, "HOT1");
  struct Expected {
    const char* array;
    double value;
  };
  const Expected expected[] = {
      {"VaporMolecularWeight", 10002},       {"VaporDensity", 10003},
      {"VaporSpecificHeat", 10004},          {"VaporViscosity", 10005},
      {"VaporThermalConductivity", 10006},   {"Diffusivity", 10008},
      {"LiquidMolecularWeight", 20002},      {"LiquidDensity", 20003},
      {"LiquidSpecificHeat", 20004},         {"LiquidViscosity", 20005},
      {"LiquidThermalConductivity", 20006},  {"LiquidSurfaceTension", 20007},
      {"Liquid2MolecularWeight", 30002},     {"Liquid2Density", 30003},
      {"Liquid2SpecificHeat", 30004},        {"Liquid2Viscosity", 30005},
      {"Liquid2ThermalConductivity", 30006}, {"Liquid2SurfaceTension", 30007},
      {"Liquid2MassFraction", 30010},
  };
  for (const auto& e : expected) EXPECT_EQ(engine->elementValue(e.array, 1), e.value) << e.array;
  // PressureReference, the three point arrays and the phase table's arrays.
  EXPECT_EQ(arraysAt(1).size(), 4 + std::size(expected));
}

// A phase of a kind other than 2, 4 or 5 writes nothing but keeps its place: the phase after it
// takes the following block of phase reals and compositions.
TEST_F(HeatingCurveTest, OtherPhaseKindsKeepTheirPlace) {
  for (const std::int64_t kind : {std::int64_t{1}, std::int64_t{3}, std::int64_t{0}, UNSET_INTEGER}) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    renew();
    fixture::Curve curve = fixture::sampleCurve(4, {2}, 2);
    curve.points[2].phases[0].kind = kind;
    send(curve, 1, "HOT1");
    EXPECT_EQ(arraysAt(3), (std::vector<std::string>{"VaporMassFraction", "Temperature", "SpecificEnthalpy"}));
    EXPECT_EQ(engine->elementValue("VaporDensity", 4), 40003.0);
    EXPECT_EQ(engine->elementValue("Comp01VapMoleFrc", 4), 4 + 1 / 1000.0);
    EXPECT_EQ(engine->elementValue("Comp02VapMoleFrc", 4), 4 + 2 / 1000.0);
  }
}

TEST_F(HeatingCurveTest, CompositionCondition) {
  struct Case {
    const char* what;
    const char* name;
    int nc;
    int missingProperties;
    std::int64_t compositionSwitch;
    bool properties, compositions;
  };
  const Case cases[] = {
      {"hot curve, 7 NC reals, switch 3", "HOT1", 3, 0, 3, true, true},
      {"7 NC - 1 reals", "HOT1", 3, 1, 3, false, false},
      {"switch other than 3", "HOT1", 3, 0, 2, true, false},
      {"cold curve", "COLD1", 3, 0, 3, true, false},
      {"no components", "HOT1", 0, 0, 3, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    renew();
    fixture::Curve curve = fixture::sampleCurve(2, {2, 4}, c.nc);
    curve.compositionSwitch = c.compositionSwitch;
    curve.componentProperties.resize(curve.componentProperties.size() - static_cast<std::size_t>(c.missingProperties));
    send(curve, 1, c.name);
    EXPECT_EQ(writesTo("CompMolecularWeight "), c.properties ? static_cast<std::size_t>(c.nc) : 0u);
    EXPECT_EQ(writesTo("CompDipoleMoment "), c.properties ? static_cast<std::size_t>(c.nc) : 0u);
    // Two points with a vapour and a liquid phase each.
    EXPECT_EQ(writesTo("Comp0"), c.compositions ? static_cast<std::size_t>(4 * c.nc) : 0u);
    // The scalars and the point and phase values go in every case.
    EXPECT_EQ(writesTo("PressureReference "), 1u);
    EXPECT_EQ(writesTo("LiquidDensity "), 2u);
    if (c.compositions) {
      // Phase 4 (the liquid of point 2) holds mole fractions 4 + k / 1000.
      EXPECT_EQ(engine->elementValue("Comp03LiqMoleFrc", 2), 4 + 3 / 1000.0);
      EXPECT_EQ(engine->elementValue("Comp01VapMoleFrc", 1), 1 + 1 / 1000.0);
    }
  }
}

TEST_F(HeatingCurveTest, UnsetValues) {
  fixture::Curve curve = fixture::sampleCurve(2, {2}, 1);
  curve.points[0].temperature = UNSET_REAL;
  curve.points[1].temperature = 2.0e35;
  curve.points[0].phases[0].block[2] = UNSET_REAL;  // density
  curve.componentProperties[0] = UNSET_REAL;
  send(curve, 1, "HOT1");
  EXPECT_EQ(engine->elementValue("Temperature", 1), 0.0);
  EXPECT_EQ(engine->elementValue("Temperature", 2), 0.0);
  EXPECT_EQ(engine->elementValue("VaporDensity", 1), 0.0);
  EXPECT_EQ(engine->elementValue("CompMolecularWeight", 1), UNSET_REAL) << "component properties go as they are";
}

TEST_F(HeatingCurveTest, NameOfNeitherOrBothLists) {
  send(fixture::sampleCurve(2, {2}, 1), 1, "OTHER");
  EXPECT_EQ(engine->log(), (std::vector<std::string>{"GetInputArrays", "GetInputScalars"}));

  run::CaseIds.coldNames[0].assign("HOT1");
  engine->clearLog();
  send(fixture::sampleCurve(2, {2}, 1), 1, "HOT1");
  EXPECT_EQ(engine->scalarValue("NumCurvHS"), 1.0);
  EXPECT_EQ(engine->scalarValue("NumCurvCS"), 1.0);
  EXPECT_EQ(engine->elementValue("CompMolecularWeight", 1), 100001.0);
  EXPECT_EQ(engine->elementValue("CompMolecularWeight", 51), 100001.0);
  EXPECT_EQ(engine->element("Temperature", 1), "");
  EXPECT_EQ(engine->elementValue("Temperature", 121), 101.0);
  EXPECT_EQ(engine->element("Comp01VapMoleFrc", 1), "");
  EXPECT_EQ(engine->elementValue("Comp01VapMoleFrc", 121), 1 + 1 / 1000.0);
}

// Curves, points and components beyond the layout: nothing lands in an element of another curve
// or of the other side.
TEST_F(HeatingCurveTest, BeyondTheLayout) {
  // A sixth curve has no elements of its own.
  run::CaseIds.hotNames[5].assign("HOT6");
  send(fixture::sampleCurve(2, {2}, 1), 6, "HOT6");
  EXPECT_EQ(engine->log(), (std::vector<std::string>{"GetInputArrays", "GetInputScalars"}));

  // Of 30 points the first 24 are sent, and the point count says so.
  engine->clearLog();
  send(fixture::sampleCurve(30, {2}, 0), 1, "HOT1");
  EXPECT_EQ(engine->elementValue("Temperature", 24), 124.0);
  EXPECT_EQ(engine->element("Temperature", 25), "");
  EXPECT_EQ(engine->scalarValue("NumPtsOnCrvHS"), 24.0);

  // Of 55 components the first 50 are sent; the hot side's curves touch no cold component element.
  engine->clearLog();
  send(fixture::sampleCurve(1, {2}, 55), 1, "HOT1");
  EXPECT_EQ(writesTo("CompMolecularWeight "), 50u);
  EXPECT_EQ(engine->element("CompMolecularWeight", 51), "");
  EXPECT_EQ(engine->elementValue("CompCriticalPressure", 50), 200050.0) << "blocks of NC = 55";
  EXPECT_EQ(engine->elementValue("Comp50VapMoleFrc", 1), 1 + 50 / 1000.0);
  EXPECT_EQ(writesTo("Comp5"), 1u);
  for (const auto& entry : engine->log("GetItem")) EXPECT_EQ(entry.find("Comp51"), std::string::npos) << entry;
}

// Records that hold fewer values than the points, phases and components ask for: what is missing
// goes as 0, and nothing is read past a record.
TEST_F(HeatingCurveTest, ShortRecords) {
  fixture::CurveRecords records = fixture::curveRecords(fixture::sampleCurve(3, {2, 4}, 2));
  records.thermodynamic.reals.resize(5);  // point 1 and the temperature of point 2
  records.phase.integers.resize(3);       // the liquid of point 2 and both phases of point 3 have no kind
  records.phase.reals.resize(25);         // phase 3 has half a block
  records.composition.reals.resize(5);    // phase 3 has one mole fraction
  send(records, 1, "HOT1");
  EXPECT_EQ(engine->elementValue("Temperature", 2), 102.0);
  EXPECT_EQ(engine->elementValue("SpecificEnthalpy", 2), 0.0);
  EXPECT_EQ(engine->elementValue("Temperature", 3), 0.0);
  EXPECT_EQ(engine->elementValue("VaporMolecularWeight", 2), 30002.0);
  EXPECT_EQ(engine->elementValue("Diffusivity", 2), 0.0);
  EXPECT_EQ(engine->elementValue("Comp01VapMoleFrc", 2), 3 + 1 / 1000.0);
  EXPECT_EQ(engine->elementValue("Comp02VapMoleFrc", 2), 0.0);
  EXPECT_EQ(engine->element("LiquidDensity", 2), "");
  EXPECT_EQ(arraysAt(3), (std::vector<std::string>{"VaporMassFraction", "Temperature", "SpecificEnthalpy"}));
}

}  // namespace
}  // namespace kvom::transfer
