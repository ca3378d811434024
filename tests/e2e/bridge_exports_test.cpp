// The bridge routines as a host program's logic layer reaches them: looked up by their plain names
// in the loaded adapter and called with fixed-length texts, their lengths last.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "standins/host/host_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::test {
namespace {

template <typename Function>
Function bridge(const char* name) {
  adapter();
  static void* const library = dlopen(KVOM_ADAPTER_PATH, RTLD_NOW | RTLD_NOLOAD);
  void* symbol = library != nullptr ? dlsym(library, name) : nullptr;
  if (symbol == nullptr) throw std::runtime_error(std::string("bridge routine missing: ") + name);
  return reinterpret_cast<Function>(symbol);
}

using TextFunction = void (*)(char*, std::int64_t);
using SendPath = std::int64_t (*)(const char*, std::int64_t);
using DateTime = void (*)(char*, char*, std::int32_t*, std::int64_t, std::int64_t);
using Flag = void (*)(std::int32_t*);
using NoArguments = void (*)();

class BridgeExportsTest : public ::testing::Test {
 protected:
  void SetUp() override { resetStandins(); }
  void TearDown() override { resetStandins(); }
};

TEST_F(BridgeExportsTest, ClockSecondsStartAtZeroAndCountWholeSeconds) {
  const auto getDateTime = bridge<DateTime>("GET_DATE_TIME");
  std::array<char, 8> date{};
  std::array<char, 8> time{};
  std::int32_t seconds = -1;
  getDateTime(date.data(), time.data(), &seconds, 8, 8);
  EXPECT_EQ(seconds, 0);
  EXPECT_EQ(date[2], '/');
  EXPECT_EQ(time[2], ':');
  standins::windows::advanceClock(2500);
  getDateTime(date.data(), time.data(), &seconds, 8, 8);
  EXPECT_TRUE(seconds == 2 || seconds == 3) << seconds;
}

TEST_F(BridgeExportsTest, TextsCrossWithTheirLengths) {
  standins::host::setHostDir("D:\\HOST\\");
  std::string result(256, '#');
  bridge<TextFunction>("GET_HOST_DIR")(result.data(), 256);
  EXPECT_EQ(result, "D:\\HOST\\" + std::string(248, ' '));

  const std::string path = std::string(85, 'P');
  EXPECT_EQ(bridge<SendPath>("SEND_PATH_TO_HOST")(path.data(), 85), 80);
  EXPECT_EQ(standins::host::lastSentPath(), std::string(80, 'P'));

  std::int32_t enabled = -1;
  bridge<Flag>("RTF_OUTPUT_ENABLED")(&enabled);
  EXPECT_EQ(enabled, 0);
  bridge<NoArguments>("REPORT_NOOP")();
  bridge<NoArguments>("EMPTY_BRIDGE")();
}

}  // namespace
}  // namespace kvom::test
