#include "transfer/curve_reset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/curve_fixture.h"

namespace kvom::transfer {
namespace {

using standins::engine::Collection;

// The reset operations in the log, each as "<operation> <array> <arguments>".
std::vector<std::string> resets(const fixture::TestEngine& engine) {
  std::vector<std::string> out;
  for (const auto& entry : engine.log()) {
    if (entry.starts_with("Reset")) out.push_back(entry);
  }
  return out;
}

TEST(CurveReset, SelectionFollowsTheSideFlags) {
  struct Case {
    std::int64_t hot, cold;
    const char* reference;  // the reset of PressureReference
    const char* others;     // the reset of every other array, without its name
  };
  const Case cases[] = {
      {1, 2, "ResetSideReference PressureReference 1 0", "ResetSide 1 0"},
      {2, 0, "ResetSideReference PressureReference 2 0", "ResetSide 2 0"},
      {0, 1, "ResetBothSides PressureReference -1 0", "ResetBothSides -1 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("flags " + std::to_string(c.hot) + " and " + std::to_string(c.cold));
    fixture::TestEngine engine;
    RESET_CURVE_ARRAYS(c.hot, c.cold, engine.data());
    const auto calls = resets(engine);
    ASSERT_EQ(calls.size(), 129u);
    EXPECT_EQ(calls[0], c.reference);
    const std::string others = c.others;
    const std::string operation = others.substr(0, others.find(' '));
    const std::string arguments = others.substr(others.find(' '));
    for (std::size_t n = 1; n < calls.size(); ++n) {
      EXPECT_TRUE(calls[n].starts_with(operation + " ") && calls[n].ends_with(arguments)) << calls[n];
    }
    EXPECT_EQ(engine.log("GetItem").size(), 129u);
  }
}

TEST(CurveReset, BothFlagsTwoResetNothing) {
  fixture::TestEngine engine;
  RESET_CURVE_ARRAYS(2, 2, engine.data());
  EXPECT_EQ(engine.log(), std::vector<std::string>{"GetInputArrays"});
}

TEST(CurveReset, ListOrderAndComponentNames) {
  fixture::TestEngine engine;
  RESET_CURVE_ARRAYS(0, 0, engine.data());
  std::vector<std::string> names;
  for (const auto& call : resets(engine)) names.push_back(call.substr(15, call.find(' ', 15) - 15));
  ASSERT_EQ(names.size(), 129u);
  const std::vector<std::pair<std::size_t, std::string>> expected = {
      {0, "PressureReference"},     {1, "Temperature"},           {3, "SpecificEnthalpy"},  {4, "VaporMolecularWeight"},
      {9, "LiquidMolecularWeight"}, {21, "Liquid2MassFraction"},  {22, "Comp01LiqMoleFrc"}, {23, "Comp01VapMoleFrc"},
      {38, "Comp09LiqMoleFrc"},     {39, "Comp09VapMoleFrc"},     {40, "Comp10LiqMoleFrc"}, {41, "Comp10VapMoleFrc"},
      {121, "Comp50VapMoleFrc"},    {122, "CompMolecularWeight"}, {128, "CompDipoleMoment"}};
  for (const auto& [n, name] : expected) EXPECT_EQ(names[n], name) << "entry " << n + 1;
  for (const auto& name : names) {
    EXPECT_NE(name, "Diffusivity");
    EXPECT_EQ(name.find("Liq2MoleFrc"), std::string::npos) << name;
  }
  EXPECT_EQ(componentArrayName(7, "VapMoleFrc"), "Comp07VapMoleFrc");
  EXPECT_EQ(componentArrayName(12, "Liq2MoleFrc"), "Comp12Liq2MoleFrc");
}

// A one-side reset clears that side's half of an array and leaves the other side's values.
TEST(CurveReset, OneSideKeepsTheOtherSide) {
  fixture::TestEngine engine;
  for (const int index : {1, 121}) engine.setElement(Collection::InputArrays, "Temperature", index, "300.0");
  for (const int index : {5, 6}) engine.setElement(Collection::InputArrays, "PressureReference", index, "1.0");
  RESET_CURVE_ARRAYS(1, 2, engine.data());
  EXPECT_EQ(engine.element("Temperature", 1), "");
  EXPECT_EQ(engine.element("Temperature", 121), "300.0");
  EXPECT_EQ(engine.element("PressureReference", 5), "");
  EXPECT_EQ(engine.element("PressureReference", 6), "1.0");
}

TEST(CurveReset, ArrayTheEngineLacksIsSkipped) {
  fixture::TestEngine engine;
  standins::engine::dropVariable("Temperature", Collection::InputArrays);
  RESET_CURVE_ARRAYS(0, 0, engine.data());
  const auto calls = resets(engine);
  EXPECT_EQ(calls.size(), 128u);
  EXPECT_EQ(engine.log("GetItem").size(), 129u);
  EXPECT_EQ(calls[1], "ResetBothSides VaporMassFraction -1 0");
}

}  // namespace
}  // namespace kvom::transfer
