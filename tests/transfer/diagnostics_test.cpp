#include "transfer/diagnostics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/curve_fixture.h"

namespace kvom::transfer {
namespace {

using standins::engine::Collection;

TEST(Diagnostics, SendsTheThreeWordsUnchanged) {
  fixture::TestEngine engine;
  SEND_DIAGNOSTICS(engine.data(), -3, 0, 123456789012);
  EXPECT_EQ(engine.log(), (std::vector<std::string>{
                              "GetInputScalars",
                              "GetItem InputScalars DiagnosticLevel",
                              "SetValueText DiagnosticLevel -3",
                              "SetValueState DiagnosticLevel 1",
                              "GetItem InputScalars DiagnosticUnit",
                              "SetValueText DiagnosticUnit 0",
                              "SetValueState DiagnosticUnit 1",
                              "GetItem InputScalars LastCallFromSimulator",
                              "SetValueText LastCallFromSimulator 123456789012",
                              "SetValueState LastCallFromSimulator 1",
                          }));
}

// The engine's messages as element texts of arZorviMsgs; the host's entries start at -1.
TEST(Diagnostics, FetchesMessageNumbersInTheEnginesOrder) {
  struct Case {
    const char* what;
    std::vector<std::string> elements;
    std::size_t room;
    std::int64_t count;
    std::vector<std::int64_t> entries;  // the first four entries of the host's array after the fetch
    int failingRead = 0;                // the element whose GetElementString fails (0: none)
  };
  const Case cases[] = {
      {"no messages", {}, 4, 0, {-1, -1, -1, -1}},
      {"three messages", {"53", "6", "2"}, 4, 3, {53, 6, 2, -1}},
      {"an empty element repeats the one before", {"12", "", "48"}, 4, 3, {12, 12, 48, -1}},
      {"an empty first element leaves the host's entry", {"", "7"}, 4, 2, {-1, 7, -1, -1}},
      {"more messages than the host's room", {"1", "2", "3", "4"}, 2, 2, {1, 2, -1, -1}},
      {"a read that fails leaves the host's entry", {"12", "6", "48"}, 4, 3, {12, -1, 48, -1}, 2},
      {"an empty element after a failed read reads nothing", {"12", "6", ""}, 4, 3, {12, -1, -1, -1}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fixture::TestEngine engine;
    const int elements = static_cast<int>(c.elements.size());
    standins::engine::setElementCount(1, Collection::OutputArrays, "arZorviMsgs", elements);
    for (int i = 1; i <= elements; ++i) {
      engine.setElement(Collection::OutputArrays, "arZorviMsgs", i, c.elements[static_cast<std::size_t>(i - 1)]);
    }
    if (c.failingRead > 0) standins::engine::failOperation("GetElementString", c.failingRead - 1, 1);
    std::vector<std::int64_t> host(4, -1);
    std::int64_t count = 0;
    FETCH_ENGINE_MESSAGES(engine.data(), count, std::span(host).first(c.room));
    EXPECT_EQ(count, c.count);
    EXPECT_EQ(host, c.entries);
    // Only elements 1 to what the host can take are asked for.
    EXPECT_EQ(engine.log("GetElementString").size(), std::min<std::size_t>(c.elements.size(), c.room));
  }
}

TEST(Diagnostics, EngineWithoutMessageArrayReportsNone) {
  fixture::TestEngine engine;
  standins::engine::dropVariable("arZorviMsgs");
  std::vector<std::int64_t> host(3, -1);
  std::int64_t count = 0;
  FETCH_ENGINE_MESSAGES(engine.data(), count, host);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(host, (std::vector<std::int64_t>{-1, -1, -1}));
  EXPECT_EQ(engine.log(), (std::vector<std::string>{"GetOutputArrays", "GetItem OutputArrays arZorviMsgs"}));
}

// The largest count a 2-byte count can say: the fetch ends, the count names no entry that was not
// written, and nothing is written beyond the entries it names.
TEST(Diagnostics, CountAtTheTwoByteLimit) {
  fixture::TestEngine engine;
  standins::engine::setElementCount(1, Collection::OutputArrays, "arZorviMsgs", 32767);
  for (int i = 1; i <= 32767; ++i) engine.setElement(Collection::OutputArrays, "arZorviMsgs", i, std::to_string(i));
  std::vector<std::int64_t> host(kMaxEngineMessages + 1, -1);
  std::int64_t count = 0;
  FETCH_ENGINE_MESSAGES(engine.data(), count, host);
  ASSERT_EQ(count, 32767);
  for (std::int64_t i = 1; i <= count; ++i) ASSERT_EQ(host[static_cast<std::size_t>(i - 1)], i);
  for (std::size_t i = static_cast<std::size_t>(count); i < host.size(); ++i) ASSERT_EQ(host[i], -1) << i;
}

}  // namespace
}  // namespace kvom::transfer
