#include "transfer/value_transfer.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <vector>

#include "common/unset.h"
#include "run/unit_factors.h"
#include "standins/com/com_standin.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "tests/support/unit_input_fixture.h"

namespace kvom::transfer {
namespace {

using standins::engine::Collection;
using Texts = std::vector<std::string>;

class ValueTransferTest : public ::testing::Test {
 protected:
  void clearLog() { engine.clearLog(); }
  void setOutputElement(std::string_view name, int index, std::string_view text) {
    engine.setElement(Collection::OutputArrays, name, index, text);
  }

  fixture::TestEngine engine;  // resets the stand-ins
};

TEST_F(ValueTransferTest, WritesReachTheEngineAsTextsWithTheirState) {
  const auto scalars = inputScalars(engine.data());
  clearLog();
  writeScalar(scalars.get(), "ShlID", 0.5);
  writeScalar(scalars.get(), "TubeNum", std::int64_t{-5}, -1);
  writeScalar(scalars.get(), "BafNum", 12.0);  // a real stays a real text
  writeScalar(scalars.get(), "ApplTypeHS", EngineValue::literal("0"), std::nullopt);
  clearScalar(scalars.get(), "HtLdTotal");
  EXPECT_EQ(fixture::valueWrites(),
            (Texts{"ShlID 0.5 [1]", "TubeNum -5 [-1]", "BafNum 12.0 [1]", "ApplTypeHS 0", "clear HtLdTotal"}));
  EXPECT_EQ(engine.scalar("TubeNum"), "-5");
  EXPECT_EQ(engine.scalarState("TubeNum"), -1);
}

TEST_F(ValueTransferTest, TheEngineReadsBackTheValueThatWasFormatted) {
  const auto scalars = inputScalars(engine.data());
  for (const double value : {0.1, 1.0 / 3.0, 9.99e34, -2.5e-300, 101325.0}) {
    writeScalar(scalars.get(), "TubeLng", value);
    double back = 0.0;
    ASSERT_TRUE(readScalar(scalars.get(), "TubeLng", back));
    EXPECT_EQ(back, value);
  }
}

TEST_F(ValueTransferTest, WithUnitSetFourAConvertedValueCrossesUnchanged) {
  const run::UnitFactorsRecord saved = run::UnitFactors;
  run::SET_UNIT_FACTORS(4.0f);
  const auto scalars = inputScalars(engine.data());
  writeScalar(scalars.get(), "PresOperOutHS", toEngineUnits(123456.789, run::unitFactor(run::factor::kPressure)));
  EXPECT_EQ(engine.scalar("PresOperOutHS"), "123456.789");
  EXPECT_EQ(fromEngineUnits(0.3, run::unitFactor(run::factor::kVelocity)), 0.3);
  run::UnitFactors = saved;
}

TEST_F(ValueTransferTest, AFactorIsWidenedBeforeItDividesOrMultiplies) {
  const float factor = 0.0254f;
  EXPECT_EQ(toEngineUnits(1.0, factor), 1.0 / static_cast<double>(factor));
  EXPECT_EQ(fromEngineUnits(2.0, factor), 2.0 * static_cast<double>(factor));
  EXPECT_NE(fromEngineUnits(2.0, factor), 2.0 * 0.0254);
}

TEST_F(ValueTransferTest, AVariableTheEngineLacksIsSkippedByWritesAndClearings) {
  standins::engine::dropVariable("ShlID");
  const auto scalars = inputScalars(engine.data());
  const auto arrays = inputArrays(engine.data());
  clearLog();
  writeScalar(scalars.get(), "ShlID", 1.0);
  clearScalar(scalars.get(), "ShlID");
  writeElement(arrays.get(), "NoSuchArray", 1, 1.0);
  writeElements(arrays.get(), "NoSuchArray", std::vector<double>{1.0, 2.0});
  EXPECT_TRUE(fixture::valueWrites().empty());
  EXPECT_TRUE(engine.log("SetElementText").empty());
  // Without a data object nothing is called at all.
  writeScalar(inputScalars(nullptr).get(), "TubeLng", 1.0);
  double target = 7.0;
  EXPECT_FALSE(readScalar(outputScalars(nullptr).get(), "TubeLng", target));
  EXPECT_EQ(target, 7.0);
}

struct ReadCase {
  const char* description;
  std::optional<std::string> text;  // nullopt: the engine lacks the variable
  double expectedReal;
  std::int64_t expectedInteger;
};

TEST_F(ValueTransferTest, AReadLeavesThePresetUnlessTheTextReadsAsANumberOfTheTargetsKind) {
  const ReadCase cases[] = {
      {"a real", "  2.5", 2.5, UNSET_INTEGER},
      {"an integer", "7", 7.0, 7},
      {"a D exponent", "1.5D2", 150.0, 150},
      {"a whole number in real form", "2.0", 2.0, 2},
      {"a three-digit exponent without its letter", "0.1000000-100", 1e-101, UNSET_INTEGER},
      {"the first of several values", "3,4", 3.0, 3},
      {"empty", "", UNSET_REAL, UNSET_INTEGER},
      {"blank", "      ", UNSET_REAL, UNSET_INTEGER},
      {"not a number", "n/a", UNSET_REAL, UNSET_INTEGER},
      {"longer than the value text", std::string(50, ' ') + "1234567", UNSET_REAL, UNSET_INTEGER},
      {"longer than the value text only by blanks", "12.5" + std::string(60, ' '), 12.5, UNSET_INTEGER},
      {"a value, blanks and more past the value text", "12" + std::string(60, ' ') + "7", UNSET_REAL, UNSET_INTEGER},
      {"missing", std::nullopt, UNSET_REAL, UNSET_INTEGER},
  };
  for (const ReadCase& c : cases) {
    const fixture::TestEngine e;
    if (c.text) {
      standins::engine::forceOutputText("FoulResSS", 0, *c.text);
    } else {
      standins::engine::dropVariable("FoulResSS");
    }
    const auto scalars = outputScalars(e.data());
    double real = UNSET_REAL;
    std::int64_t integer = UNSET_INTEGER;
    EXPECT_EQ(readScalar(scalars.get(), "FoulResSS", real), c.expectedReal != UNSET_REAL) << c.description;
    readScalar(scalars.get(), "FoulResSS", integer);
    EXPECT_EQ(real, c.expectedReal) << c.description;
    EXPECT_EQ(integer, c.expectedInteger) << c.description;
  }
}

TEST_F(ValueTransferTest, AScalarReadKeptAsTextIsBlankedFirst) {
  fixture::setInputScalar("PresOperInCS", "250000.5");
  const auto scalars = inputScalars(engine.data());
  ValueText text;
  text.assign("old contents");
  EXPECT_TRUE(readScalarText(scalars.get(), "PresOperInCS", text));
  EXPECT_EQ(text.trimmed(), "250000.5");
  standins::engine::dropVariable("PresOperInCS");
  EXPECT_FALSE(readScalarText(scalars.get(), "PresOperInCS", text));
  EXPECT_TRUE(text.isBlank());
}

TEST_F(ValueTransferTest, AnElementWithAnEmptyTextRepeatsTheElementBeforeIt) {
  setOutputElement("arNozODSS", 1, "0.1");
  setOutputElement("arNozODSS", 3, "0.3");
  const auto arrays = outputArrays(engine.data());
  std::array<double, 3> targets{-1.0, -1.0, -1.0};
  EXPECT_EQ(readElements(arrays.get(), "arNozODSS", targets), 3);
  EXPECT_EQ(targets, (std::array<double, 3>{0.1, 0.1, 0.3}));

  // A first element without a text keeps its preset.
  const fixture::TestEngine e;
  e.setElement(Collection::OutputArrays, "arNozNumSS", 2, "4");
  std::array<std::int64_t, 3> numbers{-1, -1, -1};
  readElements(outputArrays(e.data()).get(), "arNozNumSS", numbers);
  EXPECT_EQ(numbers, (std::array<std::int64_t, 3>{-1, 4, 4}));
}

TEST_F(ValueTransferTest, AnElementReadNeverWritesPastItsTargets) {
  for (int i = 1; i <= 3; ++i) setOutputElement("arNozODTS", i, std::to_string(i));
  std::array<double, 4> storage{0.0, 0.0, -9.0, -9.0};
  const std::int16_t count =
      readElements(outputArrays(engine.data()).get(), "arNozODTS", std::span<double>(storage).first(2));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(storage, (std::array<double, 4>{1.0, 2.0, -9.0, -9.0}));
  EXPECT_EQ(readElements(outputArrays(engine.data()).get(), "NoSuchArray", std::span<double>(storage)), 0);
}

TEST_F(ValueTransferTest, AnArrayOfTheLargestCountIsReadToItsLastElement) {
  // The messages array is as long as the engine's 2-byte count allows.
  std::vector<int> reported(32767, 2);
  reported.back() = 48;
  standins::engine::setMessages(reported);
  platform::ComPtr<platform::EngineApplication> application;
  CoCreateInstance(platform::CLSID_WexaEngine, nullptr, platform::CLSCTX_INPROC_SERVER, platform::IID_EngineApplication,
                   reinterpret_cast<void**>(application.receive()));
  ASSERT_TRUE(application);
  platform::ComPtr<platform::EngineData> data;
  const platform::BSTR program = standins::com::allocString("Wexa");
  application->InitializeProgram(program, 1, 1, data.receive());
  application->RunProgram(program, 0);
  SysFreeString(program);

  std::vector<std::int64_t> messages(32768, -1);
  EXPECT_EQ(readElements(outputArrays(data.get()).get(), "arZorviMsgs", messages, ElementKind::Text), 32767);
  EXPECT_EQ(messages[32765], 2);
  EXPECT_EQ(messages[32766], 48);
  EXPECT_EQ(messages[32767], -1);
}

TEST_F(ValueTransferTest, ElementWritesGoFromIndexOneWithTheirState) {
  const auto arrays = inputArrays(engine.data());
  clearLog();
  writeElements(arrays.get(), "NozActualODSS", std::vector<double>{0.2, 0.3}, -1);
  writeElements(arrays.get(), "NozNumSS", std::vector<std::int64_t>{2, 1});
  writeElement(arrays.get(), "PressureReference", 4, EngineValue(5.0));
  EXPECT_EQ(
      engine.log("SetElementText"),
      (Texts{"SetElementText NozActualODSS 1 0.2", "SetElementText NozActualODSS 2 0.3", "SetElementText NozNumSS 1 2",
             "SetElementText NozNumSS 2 1", "SetElementText PressureReference 4 5.0"}));
  EXPECT_EQ(
      engine.log("SetElementState"),
      (Texts{"SetElementState NozActualODSS 1 -1", "SetElementState NozActualODSS 2 -1", "SetElementState NozNumSS 1 1",
             "SetElementState NozNumSS 2 1", "SetElementState PressureReference 4 1"}));
}

// A number text is written into a string kept from an earlier text of its length: texts of one
// length follow each other, shorter and longer ones come between them, and nothing of an earlier
// text shows in a later one. The element write makes one string per length, not one per value.
TEST_F(ValueTransferTest, ElementTextsAreRewrittenInStringsKeptPerLength) {
  const auto arrays = inputArrays(engine.data());
  const std::vector<double> values = {1.5, 2.5, 123.25, 3.5, -0.125, 7.0, 12.0, 1e+35, 9.5};
  const long before = standins::com::liveStrings();
  // The name and four lengths among the values make five strings: a sixth would raise.
  standins::host::raiseAt("SysAllocStringLen", 1400, 5);
  clearLog();
  writeElements(arrays.get(), "NozActualODSS", values);
  standins::host::reset();
  EXPECT_EQ(engine.log("SetElementText"),
            (Texts{"SetElementText NozActualODSS 1 1.5", "SetElementText NozActualODSS 2 2.5",
                   "SetElementText NozActualODSS 3 123.25", "SetElementText NozActualODSS 4 3.5",
                   "SetElementText NozActualODSS 5 -0.125", "SetElementText NozActualODSS 6 7.0",
                   "SetElementText NozActualODSS 7 12.0", "SetElementText NozActualODSS 8 1e+35",
                   "SetElementText NozActualODSS 9 9.5"}));
  EXPECT_EQ(standins::com::liveStrings(), before);
}

TEST_F(ValueTransferTest, AnElementReadKeptAsTextTakesOnlyAnElementTheArrayHas) {
  const auto arrays = inputArrays(engine.data());
  engine.setElement(Collection::InputArrays, "Remarks", 1, "RPDUMP now");
  ValueText text;
  EXPECT_TRUE(readElementText(arrays.get(), "Remarks", 1, text));
  EXPECT_EQ(text.trimmed(), "RPDUMP now");
  const int size = standins::engine::catalogueArraySize(Collection::InputArrays, "Remarks").value();
  EXPECT_FALSE(readElementText(arrays.get(), "Remarks", static_cast<std::int16_t>(size + 1), text));
  EXPECT_TRUE(text.isBlank());
  EXPECT_FALSE(readElementText(arrays.get(), "NoSuchArray", 1, text));
}

TEST_F(ValueTransferTest, EveryEngineStringIsFreed) {
  const long before = standins::com::liveStrings();
  {
    const auto scalars = inputScalars(engine.data());
    writeScalar(scalars.get(), "TubeLng", 2.0);
    double back = 0.0;
    readScalar(scalars.get(), "TubeLng", back);
    ValueText text;
    readScalarText(scalars.get(), "TubeLng", text);
  }
  EXPECT_EQ(standins::com::liveStrings(), before);
}

}  // namespace
}  // namespace kvom::transfer
