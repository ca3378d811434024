#include "transfer/design_copy_back.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "standins/engine/engine_standin.h"
#include "tests/support/curve_fixture.h"
#include "tests/support/unit_input_fixture.h"

namespace kvom::transfer {
namespace {

using standins::engine::Collection;

void copyBack(const fixture::TestEngine& engine) {
  std::int64_t status = 0;
  COPY_DESIGN_TO_INPUT(engine.data(), status);
}

// The design outputs as the engine reports them; row n of the design table holds 100 + n, the
// hot fluid's location (row 17) 1.
void reportDesign() {
  const char* outputs[] = {"BafNum",         "BafSpcCC",   "BafSpcIn",        "BafSpcOut",        "KetlID",
                           "KetlOD",         "ShlID",      "ShlOD",           "ShlParNum",        "ShlSerNum",
                           "TubeLng",        "TubeNum",    "TubePassNum",     "VapBltOD",         "VapBltLng",
                           "VapBltID",       "LocFluidHS", "TempDsgnSS",      "TempDsgnTS",       "PresDsgnSS",
                           "PresDsgnTS",     "BafCutPerc", "BafCutPercInner", "BafCutPercInterm", "BafSpcCenHshl",
                           "BafSpcCenInOut", "ExchInHt",   "HtLiqCol",        "ExchOutHt"};
  int row = 0;
  for (const char* name : outputs) {
    ++row;
    fixture::setOutputScalar(name, row == 17 ? "1" : std::to_string(100 + row));
  }
}

// The texts written into an input array, by index, from the engine's log.
std::vector<std::string> elementWrites(const fixture::TestEngine& engine, const std::string& array) {
  std::vector<std::string> texts;
  for (const std::string& entry : engine.log("SetElementText")) {
    const std::string prefix = "SetElementText " + array + " ";
    if (entry.starts_with(prefix)) texts.push_back(entry.substr(prefix.size()));
  }
  return texts;
}

TEST(DesignCopyBack, WritesEveryScalarAsARealWithStateOne) {
  fixture::TestEngine engine;
  reportDesign();
  engine.clearLog();
  copyBack(engine);
  const std::vector<std::string> writes = fixture::valueWrites();
  const std::vector<std::string> expected = {
      "TubeLayoutOption 1 [1]",     "BafNum 101.0 [1]",         "BafSpcCC 102.0 [1]",
      "BafSpcIn 103.0 [1]",         "BafSpcOut 104.0 [1]",      "KetlID 105.0 [1]",
      "KetlOD 106.0 [1]",           "ShlID 107.0 [1]",          "ShlOD 108.0 [1]",
      "ShlParNum 109.0 [1]",        "ShlSerNum 110.0 [1]",      "TubeLng 111.0 [1]",
      "TubeNum 112.0 [1]",          "TubePassNum 113.0 [1]",    "VapBltOD 114.0 [1]",
      "VapBltLng 115.0 [1]",        "VapBltID 116.0 [1]",       "LocFluidHS 1.0 [1]",
      "TempDsgnHS 118.0 [1]",       "TempDsgnCS 119.0 [1]",     "PresDsgnHS 120.0 [1]",
      "PresDsgnCS 121.0 [1]",       "BafCutPerc 122.0 [1]",     "BafCutPercInner 123.0 [1]",
      "BafCutPercInterm 124.0 [1]", "BafSpcCenHshl 125.0 [1]",  "BafSpcCenInOut 126.0 [1]",
      "HtInPipAbvRef 127.0 [1]",    "HtLiqLevAbvRef 128.0 [1]", "HtOutPipAbvRef 129.0 [1]"};
  EXPECT_EQ(writes, expected);
}

TEST(DesignCopyBack, DesignConditionsFollowTheHotFluid) {
  struct Case {
    const char* what;
    std::optional<std::string> location;  // nullopt: the engine has no LocFluidHS
    bool hotInShell;
  };
  const Case cases[] = {
      {"in the shell", "1", true},          {"below 1", "0", true},
      {"in the tubes", "2", false},         {"just above 1", "1.5", false},
      {"not reported", std::nullopt, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fixture::TestEngine engine;
    fixture::setOutputScalar("TempDsgnSS", "410");
    fixture::setOutputScalar("TempDsgnTS", "320");
    fixture::setOutputScalar("PresDsgnSS", "900000");
    fixture::setOutputScalar("PresDsgnTS", "1500000");
    if (c.location) {
      fixture::setOutputScalar("LocFluidHS", *c.location);
    } else {
      standins::engine::dropVariable("LocFluidHS", Collection::OutputScalars);
    }
    copyBack(engine);
    const double shellTemperature = 410, tubeTemperature = 320, shellPressure = 9.0e5, tubePressure = 1.5e6;
    EXPECT_EQ(engine.scalarValue("TempDsgnHS"), c.hotInShell ? shellTemperature : tubeTemperature);
    EXPECT_EQ(engine.scalarValue("TempDsgnCS"), c.hotInShell ? tubeTemperature : shellTemperature);
    EXPECT_EQ(engine.scalarValue("PresDsgnHS"), c.hotInShell ? shellPressure : tubePressure);
    EXPECT_EQ(engine.scalarValue("PresDsgnCS"), c.hotInShell ? tubePressure : shellPressure);
  }
}

TEST(DesignCopyBack, AValueTheEngineDoesNotReportGoesAsZero) {
  struct Case {
    const char* what;
    bool drop;
    std::string text;
  };
  const Case cases[] = {{"missing", true, ""}, {"empty text", false, ""}, {"blank text", false, "   "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fixture::TestEngine engine;
    reportDesign();
    if (c.drop) {
      standins::engine::dropVariable("VapBltOD", Collection::OutputScalars);
    } else {
      standins::engine::forceOutputText("VapBltOD", 0, c.text);
    }
    copyBack(engine);
    EXPECT_EQ(engine.scalar("VapBltOD"), "0.0");
    EXPECT_EQ(engine.scalar("VapBltLng"), "115.0") << "the values after it are untouched";
  }
}

TEST(DesignCopyBack, EachSidesNozzleArraysShareOneCount) {
  // Diameters of the shell (SS) and tube (TS) side, and the nozzle numbers; nullopt: no array.
  using Elements = std::optional<std::vector<std::string>>;
  struct Case {
    const char* what;
    Elements odSS, odTS, numSS, numTS;
    std::vector<std::string> wantOdSS, wantNumSS, wantOdTS, wantNumTS;
  };
  const Elements none = std::nullopt;
  const Case cases[] = {
      {"two shell-side and three tube-side nozzles",
       std::vector<std::string>{"0.1", "0.2"},
       std::vector<std::string>{"0.3", "0.4", "0.5"},
       std::vector<std::string>{"1", "2"},
       std::vector<std::string>{"3", "4", "5"},
       {"1 0.1", "2 0.2"},
       {"1 1", "2 2"},
       {"1 0.3", "2 0.4", "3 0.5"},
       {"1 3", "2 4", "3 5"}},
      {"no nozzle numbers: they go as 0",
       std::vector<std::string>{"0.1", "0.2"},
       none,
       none,
       none,
       {"1 0.1", "2 0.2"},
       {"1 0", "2 0"},
       {},
       {}},
      {"the later array's count holds for both",
       std::vector<std::string>{"0.1", "0.2", "0.3"},
       none,
       std::vector<std::string>{"7", "8"},
       none,
       {"1 0.1", "2 0.2"},
       {"1 7", "2 8"},
       {},
       {}},
      {"a later array without elements",
       std::vector<std::string>{"0.1", "0.2"},
       none,
       std::vector<std::string>{},
       none,
       {},
       {},
       {},
       {}},
      {"more elements than a side's table holds",
       std::vector<std::string>{"0.1", "0.2", "0.3", "0.4", "0.5"},
       none,
       std::vector<std::string>{"1", "2", "3", "4", "5"},
       none,
       {"1 0.1", "2 0.2", "3 0.3"},
       {"1 1", "2 2", "3 3"},
       {},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fixture::TestEngine engine;
    const auto report = [&](const char* name, const Elements& elements) {
      if (!elements) {
        standins::engine::dropVariable(name, Collection::OutputArrays);
        return;
      }
      standins::engine::setElementCount(1, Collection::OutputArrays, name, static_cast<int>(elements->size()));
      for (std::size_t i = 0; i < elements->size(); ++i) {
        engine.setElement(Collection::OutputArrays, name, static_cast<int>(i + 1), (*elements)[i]);
      }
    };
    report("arNozODSS", c.odSS);
    report("arNozODTS", c.odTS);
    report("arNozNumSS", c.numSS);
    report("arNozNumTS", c.numTS);
    engine.clearLog();
    copyBack(engine);
    EXPECT_EQ(elementWrites(engine, "NozActualODSS"), c.wantOdSS);
    EXPECT_EQ(elementWrites(engine, "NozNumSS"), c.wantNumSS);
    EXPECT_EQ(elementWrites(engine, "NozActualODTS"), c.wantOdTS);
    EXPECT_EQ(elementWrites(engine, "NozNumTS"), c.wantNumTS);
    for (const std::string& entry : engine.log("SetElementState")) EXPECT_TRUE(entry.ends_with(" 1")) << entry;
  }
}

TEST(DesignCopyBack, ANozzleArrayIsReadFromItsOneLookup) {
  // The engine fails the last lookup of arNozNumSS that a copy-back makes: the array then counts
  // as one the engine lacks, and the shell side keeps the count of its diameters.
  const auto setUp = [](const fixture::TestEngine& engine) {
    for (const char* name : {"arNozODSS", "arNozNumSS"}) {
      standins::engine::setElementCount(1, Collection::OutputArrays, name, 2);
    }
    engine.setElement(Collection::OutputArrays, "arNozODSS", 1, "0.1");
    engine.setElement(Collection::OutputArrays, "arNozODSS", 2, "0.2");
    engine.setElement(Collection::OutputArrays, "arNozNumSS", 1, "7");
    engine.setElement(Collection::OutputArrays, "arNozNumSS", 2, "8");
    engine.clearLog();
  };
  int lookupsBefore = 0;  // GetItem calls before the last lookup of arNozNumSS
  {
    fixture::TestEngine engine;
    setUp(engine);
    copyBack(engine);
    const std::vector<std::string> lookups = engine.log("GetItem");
    const auto last = std::find(lookups.rbegin(), lookups.rend(), "GetItem OutputArrays arNozNumSS");
    ASSERT_NE(last, lookups.rend());
    lookupsBefore = static_cast<int>(lookups.rend() - last) - 1;
  }
  fixture::TestEngine engine;
  setUp(engine);
  standins::engine::failOperation("GetItem", lookupsBefore, 1);
  copyBack(engine);
  EXPECT_EQ(elementWrites(engine, "NozActualODSS"), (std::vector<std::string>{"1 0.1", "2 0.2"}));
  EXPECT_EQ(elementWrites(engine, "NozNumSS"), (std::vector<std::string>{"1 0", "2 0"}));
}

}  // namespace
}  // namespace kvom::transfer
