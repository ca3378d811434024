#include "standins/engine/engine_standin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/number_text.h"
#include "platform/com.h"
#include "platform/com_ptr.h"
#include "platform/engine.h"
#include "platform/host_library.h"
#include "standins/com/com_standin.h"
#include "standins/host/host_standin.h"
#include "standins/windows/windows_standin.h"

namespace engine = standins::engine;
namespace com = standins::com;
using engine::Collection;
using platform::ComPtr;

namespace {

// An engine string owned for the length of a call.
class Text {
 public:
  explicit Text(std::string_view text) : text_(com::allocString(text)) {}
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  ~Text() { SysFreeString(text_); }
  platform::BSTR get() const { return text_; }
  platform::BSTR* address() { return &text_; }
  std::string str() const { return com::fromString(text_); }

 private:
  platform::BSTR text_;
};

// Takes over a string the engine handed out.
std::string take(platform::BSTR text) {
  std::string result = text == nullptr ? "<null>" : com::fromString(text);
  SysFreeString(text);
  return result;
}

class EngineStandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::reset();
    com::reset();
    standins::host::reset();
    standins::windows::reset();
    baseline_ = engine::liveObjects();
    app_ = create();
    ASSERT_TRUE(app_);
    app_->SetOperatingMode(3);
    app_->InitializeProgram(Text("Wexa").get(), 1, 1, data_.receive());
    ASSERT_TRUE(data_);
    dir_ = std::filesystem::temp_directory_path() /
           ("engine_standin_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    data_.reset();
    app_.reset();
    std::filesystem::remove_all(dir_);
    EXPECT_EQ(engine::liveObjects(), baseline_);
    engine::reset();
    standins::host::reset();
  }

  static ComPtr<platform::EngineApplication> create() {
    ComPtr<platform::EngineApplication> app;
    CoCreateInstance(platform::CLSID_WexaEngine, nullptr, 7, platform::IID_EngineApplication,
                     reinterpret_cast<void**>(app.receive()));
    return app;
  }

  ComPtr<platform::VariableCollection> collection(Collection which) const {
    ComPtr<platform::VariableCollection> items;
    platform::VariableCollection** out = items.receive();
    if (which == Collection::InputArrays) data_->GetInputArrays(out);
    if (which == Collection::InputScalars) data_->GetInputScalars(out);
    if (which == Collection::OutputArrays) data_->GetOutputArrays(out);
    if (which == Collection::OutputScalars) data_->GetOutputScalars(out);
    return items;
  }
  ComPtr<platform::IUnknown> item(Collection which, std::string_view name) const {
    ComPtr<platform::IUnknown> found;
    collection(which)->GetItem(Text(name).get(), found.receive());
    return found;
  }
  template <typename Variable>
  ComPtr<Variable> variable(Collection which, std::string_view name, const platform::IID& iid) const {
    ComPtr<Variable> found;
    if (auto unknown = item(which, name)) unknown->QueryInterface(iid, reinterpret_cast<void**>(found.receive()));
    return found;
  }
  ComPtr<platform::ScalarVariable> scalar(Collection which, std::string_view name) const {
    return variable<platform::ScalarVariable>(which, name, platform::IID_ScalarVariable);
  }
  ComPtr<platform::ArrayVariable> array(Collection which, std::string_view name) const {
    return variable<platform::ArrayVariable>(which, name, platform::IID_ArrayVariable);
  }
  std::string windowsPath(std::string_view file) const {
    return standins::windows::toWindowsPath((dir_ / std::string(file)).string());
  }

  long baseline_ = 0;
  ComPtr<platform::EngineApplication> app_;
  ComPtr<platform::EngineData> data_;
  std::filesystem::path dir_;
};

TEST_F(EngineStandinTest, CatalogueLookups) {
  struct Case {
    Collection collection;
    std::string_view name;
    int size;  // -1: missing, 0: scalar (or empty array), otherwise the element count
  };
  const Case cases[] = {
      {Collection::InputScalars, "TubeLng", 0},
      {Collection::InputScalars, "TubeLng   ", 0},  // trailing blanks do not count
      {Collection::InputScalars, " TubeLng", -1},   // leading ones do
      {Collection::InputScalars, "tubelng", -1},    // exact case
      {Collection::InputScalars, "HtldTotal", -1},  // the output's spelling
      {Collection::OutputScalars, "HtldTotal", 0},
      {Collection::OutputScalars, "HtLdTotal", -1},
      {Collection::InputArrays, "TubeLng", -1},
      {Collection::InputArrays, "PressureReference", 10},
      {Collection::InputArrays, "Temperature", 240},
      {Collection::InputArrays, "Comp07VapMoleFrc", 240},
      {Collection::InputArrays, "Comp50Liq2MoleFrc", 240},
      {Collection::InputArrays, "Comp51LiqMoleFrc", -1},
      {Collection::InputArrays, "Comp7VapMoleFrc", -1},
      {Collection::InputArrays, "CompDipoleMoment", 100},
      {Collection::OutputArrays, "arNozODSS", 3},
      {Collection::OutputArrays, "arZorviMsgs", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name));
    const auto found = item(c.collection, c.name);
    ASSERT_EQ(static_cast<bool>(found), c.size >= 0);
    if (!found) continue;
    const bool isArray = c.collection == Collection::InputArrays || c.collection == Collection::OutputArrays;
    void* object = nullptr;
    EXPECT_EQ(found->QueryInterface(platform::IID_ScalarVariable, &object) == platform::S_OK, !isArray);
    if (object) static_cast<platform::IUnknown*>(object)->Release();
    object = nullptr;
    EXPECT_EQ(found->QueryInterface(platform::IID_ArrayVariable, &object) == platform::S_OK, isArray);
    if (object) static_cast<platform::IUnknown*>(object)->Release();
    if (isArray) {
      std::int16_t count = -1;
      array(c.collection, c.name)->GetElementCount(&count);
      EXPECT_EQ(count, c.size);
      EXPECT_EQ(engine::catalogueArraySize(c.collection, c.name), c.size);
    }
  }
}

TEST_F(EngineStandinTest, ValueTextsAndStates) {
  engine::clearOperationLog();
  auto tube = scalar(Collection::InputScalars, "TubeLng");
  tube->SetValueText(Text("0.5").get());
  tube->SetValueState(1);
  platform::BSTR text = nullptr;
  tube->GetValueText(&text);
  EXPECT_EQ(take(text), "0.5");
  EXPECT_EQ(engine::scalarText(1, Collection::InputScalars, "TubeLng"), "0.5");
  EXPECT_EQ(engine::scalarState(1, Collection::InputScalars, "TubeLng"), 1);

  tube->ClearValue();
  tube->GetValueText(&text);
  ASSERT_NE(text, nullptr);  // an empty text is an empty string, not null
  EXPECT_EQ(take(text), "");
  EXPECT_EQ(engine::scalarState(1, Collection::InputScalars, "TubeLng"), 0);

  auto temperature = array(Collection::InputArrays, "Temperature");
  temperature->SetElementText(25, Text("300").get());
  temperature->SetElementState(25, -1);
  temperature->GetElementString(25, &text);
  EXPECT_EQ(take(text), "300");
  EXPECT_EQ(engine::elementState(1, Collection::InputArrays, "Temperature", 25), -1);

  const std::vector<std::string> expected = {"e1 GetInputScalars",
                                             "e1 GetItem InputScalars TubeLng",
                                             "e1 SetValueText TubeLng 0.5",
                                             "e1 SetValueState TubeLng 1",
                                             "e1 GetValueText TubeLng",
                                             "e1 ClearValue TubeLng",
                                             "e1 GetValueText TubeLng",
                                             "e1 GetInputArrays",
                                             "e1 GetItem InputArrays Temperature",
                                             "e1 SetElementText Temperature 25 300",
                                             "e1 SetElementState Temperature 25 -1",
                                             "e1 GetElementString Temperature 25"};
  EXPECT_EQ(engine::operationLog(), expected);

  engine::setLogging(false);
  tube->SetValueText(Text("1").get());
  EXPECT_EQ(engine::operationLog().size(), expected.size());
  EXPECT_EQ(engine::scalarText(1, Collection::InputScalars, "TubeLng"), "1");
}

TEST_F(EngineStandinTest, ElementIndexBounds) {
  auto reference = array(Collection::InputArrays, "PressureReference");
  for (const std::int16_t index : {std::int16_t{0}, std::int16_t{-1}, std::int16_t{11}}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(reference->SetElementText(index, Text("7").get()), platform::E_INVALIDARG);
    EXPECT_EQ(reference->SetElementState(index, 1), platform::E_INVALIDARG);
    char16_t stale[] = u"stale";
    platform::BSTR text = stale;
    EXPECT_EQ(reference->GetElementText(index, &text), platform::E_INVALIDARG);
    EXPECT_EQ(text, nullptr);
  }
  EXPECT_EQ(reference->SetElementText(1, Text("1").get()), platform::S_OK);
  EXPECT_EQ(reference->SetElementText(10, Text("10").get()), platform::S_OK);
  for (int i = 1; i <= 10; ++i) {
    EXPECT_EQ(engine::elementText(1, Collection::InputArrays, "PressureReference", i), i == 1    ? "1"
                                                                                       : i == 10 ? "10"
                                                                                                 : "");
  }
}

TEST_F(EngineStandinTest, ResetsFollowTheCurveLayout) {
  enum class Op { Both, Side, Reference };
  struct Case {
    std::string_view name;
    Op op;
    std::int16_t side;
    int firstCleared, lastCleared;  // 0, 0: none
    platform::HRESULT result;
  };
  const Case cases[] = {
      {"PressureReference", Op::Reference, 1, 1, 5, platform::S_OK},
      {"PressureReference", Op::Reference, 2, 6, 10, platform::S_OK},
      {"PressureReference", Op::Both, 0, 1, 10, platform::S_OK},
      {"Temperature", Op::Side, 1, 1, 120, platform::S_OK},
      {"Comp12LiqMoleFrc", Op::Side, 2, 121, 240, platform::S_OK},
      {"CompMolecularWeight", Op::Side, 1, 1, 50, platform::S_OK},
      {"CompMolecularWeight", Op::Side, 2, 51, 100, platform::S_OK},
      {"Remarks", Op::Side, 2, 6, 10, platform::S_OK},
      {"Temperature", Op::Both, 0, 1, 240, platform::S_OK},
      {"Temperature", Op::Side, 3, 0, 0, platform::E_INVALIDARG},
      {"Temperature", Op::Side, 0, 0, 0, platform::E_INVALIDARG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " side " + std::to_string(c.side));
    auto variable = array(Collection::InputArrays, c.name);
    std::int16_t count = 0;
    variable->GetElementCount(&count);
    for (std::int16_t i = 1; i <= count; ++i) {
      variable->SetElementText(i, Text("x").get());
      variable->SetElementState(i, 1);
    }
    std::int16_t side = c.side;
    const platform::HRESULT result = c.op == Op::Both   ? variable->ResetBothSides(-1, 0)
                                     : c.op == Op::Side ? variable->ResetSide(&side, 0)
                                                        : variable->ResetSideReference(&side, 0);
    EXPECT_EQ(result, c.result);
    for (int i = 1; i <= count; ++i) {
      const bool cleared = i >= c.firstCleared && i <= c.lastCleared;
      ASSERT_EQ(engine::elementText(1, Collection::InputArrays, c.name, i), cleared ? "" : "x") << i;
      ASSERT_EQ(engine::elementState(1, Collection::InputArrays, c.name, i), cleared ? 0 : 1) << i;
    }
  }
}

TEST_F(EngineStandinTest, CaseFileRoundTrip) {
  const std::string path = windowsPath("UNIT.QDX");
  engine::setScalar(1, Collection::InputScalars, "TubeLng", "stale");

  std::int32_t result = -1;
  EXPECT_EQ(app_->OpenCase(Text(path).get(), 0, &result), platform::S_OK);
  EXPECT_EQ(result, 2);  // no file: an empty case
  EXPECT_EQ(engine::scalarText(1, Collection::InputScalars, "TubeLng"), "");
  EXPECT_EQ(engine::casePath(1), path);

  // Texts as they may come: leading blanks, a backslash, a line break, an empty text with a state.
  engine::setScalar(1, Collection::InputScalars, "TubeLng", " 0.5", 1);
  engine::setScalar(1, Collection::InputScalars, "ShlID", "a\\b\r\nc", -1);
  engine::setScalar(1, Collection::InputScalars, "BafNum", "", 1);
  engine::setElement(1, Collection::InputArrays, "Temperature", 240, "300", 1);
  engine::setElement(1, Collection::InputArrays, "Remarks", 1, "RPDUMP now", 1);
  engine::setScalar(1, Collection::OutputScalars, "Area", "12");

  Text casePath(path);
  std::int16_t flag = 1, saved = 0;
  EXPECT_EQ(app_->SaveCase(casePath.address(), &flag, &saved), platform::S_OK);
  EXPECT_EQ(saved, 1);
  EXPECT_EQ(casePath.str(), path);
  std::ifstream file(dir_ / "UNIT.QDX", std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  EXPECT_EQ(content.str().rfind("WEXA-CASE 1\r\n", 0), 0u);

  engine::setScalar(1, Collection::InputScalars, "TubeLng", "9");
  engine::setScalar(1, Collection::InputScalars, "TubeNum", "100");
  engine::setElement(1, Collection::InputArrays, "Temperature", 240, "");
  EXPECT_EQ(app_->RefreshCase(), platform::S_OK);

  const auto expectSaved = [](int number) {
    EXPECT_EQ(engine::scalarText(number, Collection::InputScalars, "TubeLng"), " 0.5");
    EXPECT_EQ(engine::scalarState(number, Collection::InputScalars, "TubeLng"), 1);
    EXPECT_EQ(engine::scalarText(number, Collection::InputScalars, "ShlID"), "a\\b\r\nc");
    EXPECT_EQ(engine::scalarState(number, Collection::InputScalars, "ShlID"), -1);
    EXPECT_EQ(engine::scalarState(number, Collection::InputScalars, "BafNum"), 1);
    EXPECT_EQ(engine::scalarText(number, Collection::InputScalars, "TubeNum"), "");
    EXPECT_EQ(engine::elementText(number, Collection::InputArrays, "Temperature", 240), "300");
    EXPECT_EQ(engine::elementText(number, Collection::InputArrays, "Remarks", 1), "RPDUMP now");
  };
  expectSaved(1);
  EXPECT_EQ(engine::scalarText(1, Collection::OutputScalars, "Area"), "12");  // results stay on refresh

  // Another engine opening the file reads the same case, without results.
  auto second = create();
  ComPtr<platform::EngineData> secondData;
  second->InitializeProgram(Text("Wexa").get(), 1, 1, secondData.receive());
  engine::setScalar(2, Collection::OutputScalars, "Area", "12");
  EXPECT_EQ(second->OpenCase(Text(path).get(), 0, &result), platform::S_OK);
  EXPECT_EQ(result, 1);
  expectSaved(2);
  EXPECT_EQ(engine::scalarText(2, Collection::OutputScalars, "Area"), "");

  // A file that is no case leaves the engine as it was.
  std::ofstream(dir_ / "BAD.QDX") << "not a case\n";
  EXPECT_EQ(second->OpenCase(Text(windowsPath("BAD.QDX")).get(), 0, &result), platform::E_FAIL);
  EXPECT_EQ(result, 0);
  expectSaved(2);
  EXPECT_EQ(engine::casePath(2), path);
}

TEST_F(EngineStandinTest, SaveCaseRewritesThePathWhenAsked) {
  const std::string rewritten = windowsPath("OTHER.QDX");
  engine::rewriteSavePath(rewritten);
  engine::setScalar(1, Collection::InputScalars, "TubeLng", "2.5");
  const long stringsBefore = com::liveStrings();
  {
    Text casePath(windowsPath("UNIT.QDX"));
    std::int16_t flag = 1, saved = 0;
    EXPECT_EQ(app_->SaveCase(casePath.address(), &flag, &saved), platform::S_OK);
    EXPECT_EQ(casePath.str(), rewritten);
    EXPECT_EQ(com::liveStrings(), stringsBefore + 1);  // the old string was freed
  }
  EXPECT_TRUE(std::filesystem::exists(dir_ / "OTHER.QDX"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "UNIT.QDX"));
  EXPECT_EQ(engine::casePath(1), rewritten);

  // A case that cannot be written is reported and changes nothing.
  engine::rewriteSavePath(std::nullopt);
  Text missingDir(windowsPath("NO_SUCH_DIR/UNIT.QDX"));
  std::int16_t flag = 1, saved = 1;
  EXPECT_EQ(app_->SaveCase(missingDir.address(), &flag, &saved), platform::E_FAIL);
  EXPECT_EQ(saved, 0);
  EXPECT_EQ(engine::casePath(1), rewritten);
}

TEST_F(EngineStandinTest, MultiCaseTextsComeBackInUpperCase) {
  Text first("case a  ");
  Text second("Run 2");
  EXPECT_EQ(app_->SetMultiCaseInfo(first.address(), second.address()), platform::S_OK);
  EXPECT_EQ(first.str(), "CASE A");
  EXPECT_EQ(second.str(), "RUN 2");
  EXPECT_EQ(engine::multiCaseInfo(1), std::make_pair(std::string("CASE A"), std::string("RUN 2")));
}

TEST_F(EngineStandinTest, FaultInjection) {
  // A dropped variable is missing for engines alive now and created later, in its collection only.
  engine::dropVariable("TubeLng", Collection::InputScalars);
  engine::dropVariable("Area");
  EXPECT_FALSE(item(Collection::InputScalars, "TubeLng"));
  EXPECT_TRUE(item(Collection::OutputScalars, "TubeLng"));
  EXPECT_FALSE(item(Collection::OutputScalars, "Area"));

  // Forced output texts, whatever they hold.
  const std::string longText(80, '7');
  engine::forceOutputText("HtldTotal", 0, "not a number");
  engine::forceOutputText("arZorviMsgs", 2, longText);
  engine::setElementCount(1, Collection::OutputArrays, "arZorviMsgs", 2);
  platform::BSTR text = nullptr;
  scalar(Collection::OutputScalars, "HtldTotal")->GetValueText(&text);
  EXPECT_EQ(take(text), "not a number");
  array(Collection::OutputArrays, "arZorviMsgs")->GetElementString(2, &text);
  EXPECT_EQ(take(text), longText);

  // A failing operation returns E_FAIL, changes nothing and leaves its out arguments null.
  auto tube = scalar(Collection::OutputScalars, "TubeLng");
  engine::failOperation("SetValueText", 1, 1);
  EXPECT_EQ(tube->SetValueText(Text("1").get()), platform::S_OK);
  EXPECT_EQ(tube->SetValueText(Text("2").get()), platform::E_FAIL);
  EXPECT_EQ(engine::scalarText(1, Collection::OutputScalars, "TubeLng"), "1");
  EXPECT_EQ(tube->SetValueText(Text("3").get()), platform::S_OK);

  engine::failOperation("GetItem");
  ComPtr<platform::IUnknown> found;
  EXPECT_EQ(collection(Collection::InputArrays)->GetItem(Text("Temperature").get(), found.receive()), platform::E_FAIL);
  EXPECT_FALSE(found);
  EXPECT_EQ(engine::operationLog().back(), "e1 GetItem InputArrays Temperature");

  // The host's armed fault comes before anything else.
  standins::host::raiseAt("ClearValue", 1400);
  EXPECT_THROW(tube->ClearValue(), platform::RaisedError);
  EXPECT_EQ(engine::scalarText(1, Collection::OutputScalars, "TubeLng"), "3");
}

TEST_F(EngineStandinTest, TerminatedEngineFailsLaterOperations) {
  auto tube = scalar(Collection::InputScalars, "TubeLng");
  tube->SetValueText(Text("1").get());
  EXPECT_EQ(app_->Terminate(), platform::S_OK);
  EXPECT_TRUE(engine::terminated(1));

  engine::clearOperationLog();
  EXPECT_EQ(tube->SetValueText(Text("2").get()), platform::E_FAIL);
  ComPtr<platform::VariableCollection> items;
  EXPECT_EQ(data_->GetInputScalars(items.receive()), platform::E_FAIL);
  EXPECT_FALSE(items);
  EXPECT_EQ(app_->RunProgram(Text("Wexa").get(), 0), platform::E_FAIL);
  EXPECT_EQ(engine::scalarText(1, Collection::InputScalars, "TubeLng"), "1");
  const std::vector<std::string> expected = {"e1 SetValueText TubeLng 2", "e1 GetInputScalars", "e1 RunProgram Wexa 0"};
  EXPECT_EQ(engine::operationLog(), expected);
}

TEST_F(EngineStandinTest, ReferenceCounting) {
  EXPECT_EQ(engine::applicationReferences(1), 1u);
  {
    ComPtr<platform::EngineApplication> copy = app_;
    EXPECT_EQ(engine::applicationReferences(1), 2u);
  }
  EXPECT_EQ(engine::applicationReferences(1), 1u);

  // The engine hands out its one data object.
  ComPtr<platform::EngineData> again;
  app_->InitializeProgram(Text("Wexa").get(), 1, 1, again.receive());
  EXPECT_EQ(again.get(), data_.get());

  // Every object lives as long as someone holds it, the engine's state with it.
  auto tube = scalar(Collection::InputScalars, "TubeLng");
  again.reset();
  data_.reset();
  app_.reset();
  EXPECT_EQ(engine::applicationReferences(1), 0u);
  EXPECT_EQ(engine::liveObjects(), baseline_ + 1);
  EXPECT_EQ(tube->SetValueText(Text("4").get()), platform::S_OK);
  EXPECT_EQ(engine::scalarText(1, Collection::InputScalars, "TubeLng"), "4");
  tube.reset();
  EXPECT_EQ(engine::liveObjects(), baseline_);

  // A second engine counts on; the class registers again after it was removed.
  com::unregisterClass(platform::CLSID_WexaEngine);
  EXPECT_FALSE(create());
  engine::registerEngineClass();
  EXPECT_TRUE(create());
  EXPECT_EQ(engine::enginesCreated(), 2);
}

}  // namespace

namespace {

// Two streams whose heating curves give both sides a specific heat of 2000 J/(kg K).
class EngineModelTest : public EngineStandinTest {
 protected:
  void SetUp() override {
    EngineStandinTest::SetUp();
    const std::pair<std::string_view, std::string_view> scalars[] = {
        {"FlRaHS", "2"},        {"TempInHS", "100"},     {"PresOperInHS", "300000"}, {"FlRaCS", "4"},
        {"TempInCS", "20"},     {"PresOperInCS", "2e5"}, {"HtLdTotal", "120000"},    {"TubeNum", "100"},
        {"TubeLng", "6"},       {"PrDrAlloHS", "10000"}, {"EstPrDrCS", "500"},       {"LocFluidHS", "1"},
        {"NumPtsOnCrvHS", "2"}, {"NumPtsOnCrvCS", "2"}};
    for (const auto& [name, text] : scalars) ASSERT_TRUE(engine::setScalar(1, Collection::InputScalars, name, text));
    const std::tuple<std::string_view, int, std::string_view> elements[] = {
        {"Temperature", 1, "100"},      {"Temperature", 2, "50"},          {"SpecificEnthalpy", 1, "200000"},
        {"SpecificEnthalpy", 2, "1e5"}, {"Temperature", 121, "20"},        {"Temperature", 122, "60"},
        {"SpecificEnthalpy", 121, "0"}, {"SpecificEnthalpy", 122, "80000"}};
    for (const auto& [name, index, text] : elements) {
      ASSERT_TRUE(engine::setElement(1, Collection::InputArrays, name, index, text));
    }
  }

  static double output(std::string_view name) {
    const auto text = engine::scalarText(1, Collection::OutputScalars, name);
    EXPECT_TRUE(text && !text->empty()) << name;
    return text ? kvom::readReal(*text).value_or(-1) : -1;
  }
  std::vector<std::string> messages() const {
    auto list = array(Collection::OutputArrays, "arZorviMsgs");
    std::int16_t count = -1;
    list->GetElementCount(&count);
    std::vector<std::string> numbers;
    for (std::int16_t i = 1; i <= count; ++i) {
      platform::BSTR text = nullptr;
      list->GetElementString(i, &text);
      numbers.push_back(take(text));
    }
    return numbers;
  }
};

TEST_F(EngineModelTest, EnergyBalanceOverTheSentInputs) {
  EXPECT_EQ(messages(), std::vector<std::string>{});  // none before a run
  ASSERT_EQ(app_->RunProgram(Text("Wexa").get(), 0), platform::S_OK);

  // Hot 4000 W/K from 100 to 70, cold 8000 W/K from 20 to 35; LMTD over 65 and 50.
  const double lmtd = 15 / std::log(65.0 / 50.0);
  const double area = 3.14159265358979 * 0.01905 * 6 * 100;
  EXPECT_DOUBLE_EQ(output("HtldTotal"), 120000);
  EXPECT_DOUBLE_EQ(output("TempOutSS"), 70);  // the hot fluid is in the shell
  EXPECT_DOUBLE_EQ(output("TempOutTS"), 35);
  EXPECT_NEAR(output("LMTDEndPoints"), lmtd, 1e-9);
  EXPECT_NEAR(output("Area"), area, 1e-9);
  EXPECT_NEAR(output("OverCoefDirty"), 120000 / (area * lmtd), 1e-9);
  EXPECT_DOUBLE_EQ(output("PresDropCalcSS"), 8000);  // 0.8 of the allowed drop
  EXPECT_DOUBLE_EQ(output("PresOperOutSS"), 292000);
  EXPECT_DOUBLE_EQ(output("PresDropCalcTS"), 500);  // no allowed drop: the estimate
  EXPECT_NEAR(output("VelEntBundleTS"), 4 / (1000 * 100 * 3.14159265358979 * 0.0157 * 0.0157 / 4), 1e-9);
  // Counts and codes go as integer texts, which both integer and real reads take.
  EXPECT_EQ(engine::scalarText(1, Collection::OutputScalars, "TubeNum"), "100");
  EXPECT_EQ(engine::scalarText(1, Collection::OutputScalars, "LocFluidHS"), "1");
  EXPECT_EQ(engine::elementCount(1, Collection::OutputArrays, "arNozODSS"), 2);
  EXPECT_EQ(messages(), std::vector<std::string>{});

  // A design run chooses the tube count for 500 W/(m2 K): 4.20 m2 of 0.359 m2 tubes.
  engine::setScalar(1, Collection::InputScalars, "WexaProgMode", "1");
  app_->RunProgram(Text("Wexa").get(), 0);
  EXPECT_EQ(engine::scalarText(1, Collection::OutputScalars, "TubeNum"), "12");
}

TEST_F(EngineModelTest, ACountBeyondTheIntegerRangeCountsAsNotGiven) {
  struct Case {
    std::string_view name, text;  // an input changed for the run
    std::string_view output;
    std::string_view expected;
  };
  const Case cases[] = {
      {"TubeNum", "1e30", "TubeNum", "100"},       {"TubePassNum", "1e19", "TubePassNum", "1"},
      {"BafNum", "1e300", "BafNum", "19"},         {"WexaCalcMethod", "-1e20", "MethCalculationMethod", "1"},
      {"NumPtsOnCrvHS", "1e10", "TubeNum", "100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " " << c.text);
    ASSERT_TRUE(engine::setScalar(1, Collection::InputScalars, c.name, c.text));
    ASSERT_EQ(app_->RunProgram(Text("Wexa").get(), 0), platform::S_OK);
    EXPECT_EQ(engine::scalarText(1, Collection::OutputScalars, c.output), c.expected);
    engine::setScalar(1, Collection::InputScalars, c.name, "", 0);
  }
}

TEST_F(EngineModelTest, MessagesOfTheModelAndChosenOnes) {
  struct Case {
    std::string_view name, text;  // an input changed for the run
    std::optional<std::vector<int>> chosen;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"FlRaCS", "", std::nullopt, {"2"}},         // a flow not given: defaults
      {"HtLdTotal", "1e9", std::nullopt, {"12"}},  // more than the inlets allow
      {"HtLdTotal", "1e9", std::vector<int>{53, 6, 2}, {"53", "6", "2"}},
      {"HtLdTotal", "120000", std::vector<int>{}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + std::string(c.text));
    const std::string before = *engine::scalarText(1, Collection::InputScalars, c.name);
    engine::setScalar(1, Collection::InputScalars, c.name, c.text);
    engine::setMessages(c.chosen);
    app_->RunProgram(Text("Wexa").get(), 0);
    EXPECT_EQ(messages(), c.expected);
    engine::setScalar(1, Collection::InputScalars, c.name, before);
  }
  // A duty limited to what the inlets allow: the hot side cools to the cold inlet.
  engine::setScalar(1, Collection::InputScalars, "HtLdTotal", "1e9");
  app_->RunProgram(Text("Wexa").get(), 0);
  EXPECT_DOUBLE_EQ(output("HtldTotal"), 4000 * 80);
  EXPECT_DOUBLE_EQ(output("TempOutSS"), 20);
}

}  // namespace
