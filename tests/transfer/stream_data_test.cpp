#include "transfer/stream_data.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/number_text.h"
#include "common/unset.h"
#include "run/unit_factors.h"
#include "tests/support/curve_fixture.h"

namespace kvom::transfer {
namespace {

// One write as writes() lists it.
std::string write(std::string_view name, double value, std::int64_t state) {
  return std::string(name) + "=" + formatReal(value) + " " + std::to_string(state);
}

constexpr std::string_view kHot1 = "HOT_IN", kHot2 = "HOT_OUT", kCold1 = "COLD_IN", kCold2 = "COLD_OUT";

// The writes of the first hot and cold records that the fixture puts, as writes() lists them.
std::vector<std::string> hotSide(std::int64_t state) {
  return {write("FlRaHS", 12.5, state), write("TempInHS", 420.0, state), write("PresOperInHS", 3.0e5, state),
          write("VapFrcInHS", 0.25, state), write("FlRaNCHS", 0.75, state)};
}
const std::vector<std::string> kColdSide = {write("FlRaCS", 8.0, 1),
                                            write("TempInCS", 300.0, 1),
                                            write("PresOperInCS", 2.0e5, 1),
                                            write("VapFrcInCS", 0.0, 1),
                                            "ApplTypeHS=0 -",
                                            "ApplTypeCS=0 -"};

class StreamDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run::SET_UNIT_FACTORS(4.0f);
    fixture::putStream(kHot1, fixture::streamRecord(12.5, 420.0, 3.0e5, 0.25, 1.0, {1, 6}, {0.5, 0.75}));
    fixture::putStream(kHot2, fixture::streamRecord(99.0, 99.0, 99.0, 99.0));
    fixture::putStream(kCold1, fixture::streamRecord(8.0, 300.0, 2.0e5, 0.0));
    fixture::putStream(kCold2, fixture::streamRecord(77.0, 77.0, 77.0, 77.0));
  }
  void send(std::int64_t hotSwitch, std::int64_t coldSwitch) {
    std::int64_t status = -1;
    SEND_STREAM_DATA(hotSwitch, kHot1, kHot2, coldSwitch, kCold1, kCold2, engine.data(), status);
  }
  // The variables written, in order, each with the state set after it ("-" for none).
  std::vector<std::string> writes() const {
    std::vector<std::string> out;
    for (const auto& entry : engine.log()) {
      std::istringstream words(entry);
      std::string operation, name, value;
      words >> operation >> name >> value;
      if (operation == "SetValueText") out.push_back(name + "=" + value + " -");
      if (operation == "SetValueState") out.back().replace(out.back().size() - 1, 1, value);
    }
    return out;
  }

  fixture::TestEngine engine;
};

TEST_F(StreamDataTest, SwitchesSelectTheSidesAndGiveTheState) {
  struct Case {
    std::int64_t hotSwitch, coldSwitch;
    std::vector<std::string> expected;
  };
  const std::vector<std::string>& cold = kColdSide;
  auto both = hotSide(1);
  both.insert(both.end(), cold.begin(), cold.end());
  const Case cases[] = {
      {2, 2, both}, {1, 2, cold}, {2, 1, hotSide(1)}, {1, 1, {}}, {3, 1, hotSide(2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("hot switch " + std::to_string(c.hotSwitch) + ", cold switch " + std::to_string(c.coldSwitch));
    engine.clearLog();
    send(c.hotSwitch, c.coldSwitch);
    EXPECT_EQ(writes(), c.expected);
  }
  // Only the first stream record of each side is read.
  for (const auto& call : standins::repository::callLog()) {
    EXPECT_EQ(call.find("_OUT"), std::string::npos) << call;
  }
}

TEST_F(StreamDataTest, UnsetRealsGoAsZeroAndFactorsDivide) {
  fixture::putStream(kHot1, fixture::streamRecord(UNSET_REAL, 420.0, UNSET_REAL, 9.99e34));
  fixture::putStream(kCold1, fixture::streamRecord(8.0, UNSET_REAL, 9.99e34, 0.5));
  send(2, 2);
  EXPECT_EQ(engine.scalarValue("FlRaHS"), 0.0);
  EXPECT_EQ(engine.scalarValue("PresOperInHS"), 0.0);
  EXPECT_EQ(engine.scalarValue("VapFrcInHS"), 9.99e34);
  EXPECT_EQ(engine.scalarValue("TempInCS"), 0.0);
  EXPECT_EQ(engine.scalarValue("PresOperInCS"), 9.99e34);

  // Unit set 1: flows by word 5, pressures by word 19, temperatures and fractions unchanged.
  run::SET_UNIT_FACTORS(1.0f);
  fixture::putStream(kHot1, fixture::streamRecord(12.5, 420.0, 3.0e5, 0.25, 1.0, {6}, {0.5}));
  send(2, 2);
  EXPECT_EQ(engine.scalarValue("FlRaHS"), 12.5 / static_cast<double>(0.000126f));
  EXPECT_EQ(engine.scalarValue("FlRaNCHS"), 0.5 / static_cast<double>(0.000126f));
  EXPECT_EQ(engine.scalarValue("PresOperInHS"), 3.0e5 / static_cast<double>(6894.757f));
  EXPECT_EQ(engine.scalarValue("TempInHS"), 420.0);
  EXPECT_EQ(engine.scalarValue("VapFrcInHS"), 0.25);
}

TEST_F(StreamDataTest, ItemFlowsCodedSix) {
  struct Case {
    const char* what;
    std::vector<std::int64_t> codes;
    std::vector<std::string> expected;  // FlRaNCHS texts in order
  };
  const std::vector<double> flows = {1.5, 2.5, 3.5, 4.5, 5.5, 6.5};  // reals 6 to 11
  const Case cases[] = {
      {"items 2 and 5 coded 6: reals 7 then 10", {1, 6, 3, 4, 6, 2}, {"2.5", "5.5"}},
      {"no item coded 6", {1, 2, 3, 4, 5, 0}, {}},
      {"a code past the integers the record holds counts as 0", {6}, {"1.5"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fixture::putStream(kHot1, fixture::streamRecord(1.0, 2.0, 3.0, 0.0, 1.0, c.codes, flows));
    engine.clearLog();
    send(2, 1);
    std::vector<std::string> sent;
    for (const auto& entry : engine.log("SetValueText")) {
      if (entry.starts_with("SetValueText FlRaNCHS ")) sent.push_back(entry.substr(22));
    }
    EXPECT_EQ(sent, c.expected);
    if (!c.expected.empty()) {
      EXPECT_EQ(engine.scalar("FlRaNCHS"), c.expected.back()) << "the last write counts";
    }
  }
}

// Records that hold more than the transfer's storage or fewer values than it uses: nothing is read
// past an array, and a value the record does not have goes as 0.
TEST_F(StreamDataTest, RecordsTooLongOrTooShort) {
  fixture::Record huge =
      fixture::streamRecord(4.0, 5.0, 6.0, 0.5, 1.0, std::vector<std::int64_t>(40, 6), std::vector<double>(300, 7.0));
  huge.texts.assign(500, "TEXT");
  huge.integerCompanions.assign(50, 1);
  huge.realCompanions.assign(50, 1);
  huge.textCompanions.assign(50, 1);
  fixture::putStream(kHot1, huge);
  fixture::Record shortRecord;
  shortRecord.reals = {8.0, 300.0};
  fixture::putStream(kCold1, shortRecord);
  send(2, 2);
  EXPECT_EQ(engine.scalarValue("FlRaHS"), 4.0);
  EXPECT_EQ(engine.scalarValue("VapFrcInHS"), 0.5);
  EXPECT_EQ(engine.log("SetValueText FlRaNCHS").size(), 6u);
  EXPECT_EQ(engine.scalarValue("TempInCS"), 300.0);
  EXPECT_EQ(engine.scalarValue("PresOperInCS"), 0.0);
  EXPECT_EQ(engine.scalarValue("VapFrcInCS"), 0.0);
}

// Ways in which a stream record cannot be read, each with the status the repository gives.
struct UnreadableStream {
  const char* what;
  std::string_view object;
  void (*prepare)(std::string_view object);
  std::int64_t status;
};
const UnreadableStream kUnreadableStreams[] = {
    {"no object", "NO_SUCH_STREAM", [](std::string_view) {}, 1},
    {"no stream record", "PLAIN",
     [](std::string_view object) {
       standins::repository::putRecord(object, "OTHER_RECORD", fixture::streamRecord(1.0, 1.0, 1.0, 0.0));
     },
     2},
    {"a record without data", "EMPTY", [](std::string_view object) { fixture::putStream(object, {}); }, 3},
    {"a blank name", "", [](std::string_view) {}, 7},
    {"RPGETD fails after a good RPGETS", "FAILING",
     [](std::string_view object) {
       fixture::putStream(object, fixture::streamRecord(5.0, 5.0, 5.0, 0.5));
       standins::repository::setDataFailure(object, "KVOM_MS_DATA", 1);
     },
     1},
};

// A side whose record cannot be read sends none of its values, not zeros; the engine keeps what
// it held, and the other side goes as usual.
TEST_F(StreamDataTest, ASideWhoseRecordCannotBeReadSendsNothing) {
  // The two application types are no values of the record: they go with the cold switch.
  std::vector<std::string> hot = hotSide(1);
  hot.insert(hot.end(), {"ApplTypeHS=0 -", "ApplTypeCS=0 -"});
  for (const UnreadableStream& c : kUnreadableStreams) {
    SCOPED_TRACE(c.what);
    c.prepare(c.object);
    std::int64_t status = -1;
    engine.clearLog();
    SEND_STREAM_DATA(2, c.object, kHot2, 2, kCold1, kCold2, engine.data(), status);
    EXPECT_EQ(writes(), kColdSide);
    engine.clearLog();
    SEND_STREAM_DATA(2, kHot1, kHot2, 2, c.object, kCold2, engine.data(), status);
    EXPECT_EQ(writes(), hot);
    EXPECT_EQ(status, c.status) << "the status of the last read";
  }
}

TEST_F(StreamDataTest, ReadStreamDataReturnsFlowTimesMultiplier) {
  fixture::putStream("S", fixture::streamRecord(10.0, 350.0, 4.0e5, 0.3, 2.5));
  double flow = -1, pressure = -1, temperature = -1, vaporFraction = -1;
  std::int64_t status = -1;
  EXPECT_TRUE(READ_STREAM_DATA("S", flow, pressure, temperature, vaporFraction, status));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(flow, 25.0);
  EXPECT_EQ(pressure, 4.0e5);
  EXPECT_EQ(temperature, 350.0);
  EXPECT_EQ(vaporFraction, 0.3);

  // More than the reader's room, and a missing object.
  fixture::Record huge =
      fixture::streamRecord(1.0, 2.0, 3.0, 0.5, 4.0, std::vector<std::int64_t>(20, 1), std::vector<double>(200, 9.0));
  huge.texts.assign(200, std::string(60, 'X'));
  fixture::putStream("BIG", huge);
  EXPECT_TRUE(READ_STREAM_DATA("BIG", flow, pressure, temperature, vaporFraction, status))
      << "what lies beyond the reader's room is left unread";
  EXPECT_EQ(flow, 4.0);
  EXPECT_EQ(pressure, 3.0);
}

// A record that cannot be read returns nothing: the caller's values stay, the status tells why.
TEST_F(StreamDataTest, ReadStreamDataOfARecordThatCannotBeRead) {
  for (const UnreadableStream& c : kUnreadableStreams) {
    SCOPED_TRACE(c.what);
    c.prepare(c.object);
    double flow = -1, pressure = -2, temperature = -3, vaporFraction = -4;
    std::int64_t status = -1;
    EXPECT_FALSE(READ_STREAM_DATA(c.object, flow, pressure, temperature, vaporFraction, status));
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(flow, -1);
    EXPECT_EQ(pressure, -2);
    EXPECT_EQ(temperature, -3);
    EXPECT_EQ(vaporFraction, -4);
  }
}

}  // namespace
}  // namespace kvom::transfer
