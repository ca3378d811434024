#include "exports/outer_routines.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <ctime>
#include <string>

#include "exports/module_handle.h"
#include "exports/run_paths_setup.h"
#include "standins/host/host_standin.h"
#include "standins/windows/windows_standin.h"

namespace kvom::exports {
namespace {

class OuterRoutinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standins::host::reset();
    standins::windows::reset();
  }
  void TearDown() override { SetUp(); }
};

TEST_F(OuterRoutinesTest, StartProgramFilePassesTheArgumentsUpToTheFirstBlankOne) {
  SetUpRunPaths("C:\\KVOM\\", "D:\\work\\run1.QDX", "1", "", "R01");
  struct Case {
    std::array<const char*, 4> arguments;
    std::string started;
  };
  const Case cases[] = {
      {{"-a", "-b", "-c", "-d"}, "spawnv 1 C:\\KVOM\\TOOL.EXE C:\\KVOM\\TOOL.EXE -a -b -c -d"},
      {{"-a", " -b", "-c", "-d"}, "spawnv 1 C:\\KVOM\\TOOL.EXE C:\\KVOM\\TOOL.EXE -a"},
      {{" ", "-b", "-c", "-d"}, "spawnv 1 C:\\KVOM\\TOOL.EXE C:\\KVOM\\TOOL.EXE"},
      {{"-a", "-b", "", "-d"}, "spawnv 1 C:\\KVOM\\TOOL.EXE C:\\KVOM\\TOOL.EXE -a -b"},
  };
  for (const Case& c : cases) {
    StartProgramFile(1, "TOOL.EXE", c.arguments[0], c.arguments[1], c.arguments[2], c.arguments[3]);
    ASSERT_FALSE(standins::windows::startedPrograms().empty());
    EXPECT_EQ(standins::windows::startedPrograms().back(), c.started);
  }
  // A program path that would not fit is not started.
  const std::string longName(300, 'n');
  const std::size_t started = standins::windows::startedPrograms().size();
  EXPECT_EQ(StartProgramFile(1, longName.c_str(), "-a", "-b", "-c", "-d"), -1);
  EXPECT_EQ(standins::windows::startedPrograms().size(), started);
}

TEST_F(OuterRoutinesTest, RunCommandLineShowsTheWindow) {
  RunCommandLine("NOTEPAD.EXE C:\\RUN\\A.KVO");
  ASSERT_FALSE(standins::windows::startedPrograms().empty());
  EXPECT_EQ(standins::windows::startedPrograms().back(), "WinExec 1 NOTEPAD.EXE C:\\RUN\\A.KVO");
}

TEST_F(OuterRoutinesTest, FormatTimeStampWritesSixHexDigits) {
  const auto before = static_cast<unsigned long>(std::time(nullptr)) & 0xFFFFFFul;
  std::array<char, 8> stamp;
  stamp.fill('#');
  FormatTimeStamp(stamp);
  const auto after = static_cast<unsigned long>(std::time(nullptr)) & 0xFFFFFFul;
  EXPECT_EQ(stamp[6], '\0');
  EXPECT_EQ(std::string(stamp.data()).find_first_not_of("0123456789ABCDEF"), std::string::npos);
  const unsigned long written = std::strtoul(stamp.data(), nullptr, 16);
  EXPECT_TRUE(written == before || written == after) << stamp.data();

  std::array<char, 4> small;
  small.fill('#');
  FormatTimeStamp(small);
  EXPECT_EQ(small[3], '\0');
}

TEST_F(OuterRoutinesTest, HostProductKeyExistsNeedsAllThreeKeys) {
  std::int32_t flag = -1;
  HostProductKeyExists(flag);
  EXPECT_EQ(flag, 1);
  standins::windows::addRegistryKey(std::string("HKLM\\SOFTWARE\\") + kMakerKey);
  HostProductKeyExists(flag);
  EXPECT_EQ(flag, 1);
  standins::windows::addRegistryKey(std::string("HKLM\\SOFTWARE\\") + kMakerKey + "\\" + kHostProductKey);
  HostProductKeyExists(flag);
  EXPECT_EQ(flag, 0);
}

TEST_F(OuterRoutinesTest, ReadLegacySettingReadsWithinTheCallersArea) {
  const std::string key = std::string("HKCU\\SOFTWARE\\VA and VBA Program Settings\\") + kLegacyProductKey + "\\Paths";
  standins::windows::setRegistryValue(key, "Data", "C:\\DATA\\");
  struct Case {
    const char* subKey;
    const char* valueName;
    std::size_t capacity;
    std::int32_t result;
    std::string text;
  };
  const Case cases[] = {
      {"Paths", "Data", 32, 1, "C:\\DATA\\"},
      {"Paths", "Data", 9, 1, "C:\\DATA\\"},  // eight characters and the terminator
      {"Paths", "Data", 8, 0, ""},
      {"Paths", "Missing", 32, 0, ""},
      {"Other", "Data", 32, 0, ""},
  };
  for (const Case& c : cases) {
    std::array<char, 40> data{};
    EXPECT_EQ(ReadLegacySetting(c.subKey, c.valueName, std::span<char>(data.data(), c.capacity)), c.result)
        << c.subKey << " " << c.valueName << " " << c.capacity;
    if (c.result == 1) {
      EXPECT_STREQ(data.data(), c.text.c_str());
    }
    EXPECT_EQ(data[c.capacity], '\0') << "nothing written past the area";
  }
}

TEST(DllMainTest, KeepsTheHandleUntilProcessDetach) {
  void* const loaded = ModuleHandle;
  int module = 0;
  struct Case {
    std::uint32_t reason;
    void* expected;
  };
  const Case cases[] = {
      {kProcessAttach, &module}, {kThreadDetach, &module}, {kThreadAttach, &module},
      {kProcessDetach, nullptr}, {kThreadAttach, &module},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DllMain(&module, c.reason, nullptr), 1);
    EXPECT_EQ(ModuleHandle, c.expected) << "reason " << c.reason;
  }
  DllMain(loaded, kProcessAttach, nullptr);
}

}  // namespace
}  // namespace kvom::exports
