#include "exports/run_paths_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "run/run_paths.h"
#include "standins/host/host_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::exports {
namespace {

using kvom::test::windowsDir;

class RunPathsSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standins::host::reset();
    standins::windows::reset();
    standins::windows::setTempPath(windowsDir(scratch.path()));
  }
  void TearDown() override {
    standins::host::reset();
    standins::windows::reset();
  }
  void setUp(const std::string& casePath, const char* prefix = "R01") {
    SetUpRunPaths("C:\\KVOM\\", casePath.c_str(), "1", "/AS", prefix);
  }
  test::ScratchDirectory scratch;
};

TEST_F(RunPathsSetupTest, CasePathGivesDirectoryAndName) {
  struct Case {
    std::string casePath;
    std::string caseDir;
    std::string caseName;
  };
  const Case cases[] = {
      {"D:\\work\\run1.QDX" + std::string(20, ' '), "D:\\work\\", "run1"},
      {"run1.QDX  ", "", "run1"},
      {"D:\\work\\a.b.QDX", "D:\\work\\", "a.b"},
      {"D:\\work\\", "D:\\work\\", ""},
      {"D:\\work\\noext   ", "D:\\work\\", "noext"},
      {"D:\\work.d\\unit", "D:\\work.d\\", "unit"},
      {"D:run1.QDX", "D:", "run1"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    setUp(c.casePath);
    EXPECT_STREQ(GetCaseDir(), c.caseDir.c_str()) << c.casePath;
    EXPECT_STREQ(GetCaseName(), c.caseName.c_str()) << c.casePath;
    EXPECT_EQ(run::RunPaths.caseDir.trimmed(), c.caseDir) << c.casePath;
    EXPECT_EQ(run::RunPaths.caseName.trimmed(), c.caseName) << c.casePath;
  }
}

TEST_F(RunPathsSetupTest, EveryTextReachesBothRecords) {
  SetUpRunPaths("C:\\KVOM\\", "D:\\work\\run1.QDX", "1", "/AS", "R01");
  EXPECT_STREQ(GetProgramDir(), "C:\\KVOM\\");
  EXPECT_STREQ(GetFilePrefix(), "R01");
  EXPECT_EQ(run::RunPaths.programDir.trimmed(), "C:\\KVOM\\");
  EXPECT_EQ(run::RunPaths.tempDir.trimmed(), GetTempDir());
  EXPECT_EQ(run::RunPaths.code.view(), "1 ");
  EXPECT_EQ(run::RunPaths.runOption.trimmed(), "/AS");
  EXPECT_EQ(run::RunPaths.filePrefix.trimmed(), "R01");

  // The execute export's empty run option and an over-long program directory and prefix.
  const std::string longDir = "C:\\" + std::string(300, 'p') + "\\";
  SetUpRunPaths(longDir.c_str(), "D:\\work\\run1.QDX", "1", "", "PREFIX-OF-20-CHARS!!");
  EXPECT_EQ(std::string(GetProgramDir()), longDir.substr(0, kPathBufferSize - 1));
  EXPECT_STREQ(GetFilePrefix(), "PREFIX-OF-20-CH");
  EXPECT_TRUE(run::RunPaths.runOption.isBlank());
}

TEST_F(RunPathsSetupTest, TempDirectoryPrefersKvomTemp) {
  const std::string base = windowsDir(scratch.path());
  const std::string longBase = windowsDir(scratch.path() / std::string(249 - base.size(), 'l'));
  std::filesystem::create_directories(standins::windows::toNativePath(longBase + "KVOMTEMP\\"));
  const std::string tooLong = "\\" + std::string(260, 't') + "\\";

  struct Case {
    const char* what;
    std::optional<std::string> tempPath;  // nullopt: the temp path cannot be had
    bool withKvomTemp;
    std::string expected;
  };
  const Case cases[] = {
      {"absent", base, false, base},
      {"present", base, true, base + "KVOMTEMP\\"},
      {"no room for KVOMTEMP\\", longBase, false, longBase},
      {"temp path beyond the buffer", tooLong, false, "D:\\work\\"},
      {"no temp path", std::nullopt, false, "D:\\work\\"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(scratch.path() / "KVOMTEMP");
    if (c.withKvomTemp) std::filesystem::create_directory(scratch.path() / "KVOMTEMP");
    standins::windows::setTempPath(c.tempPath);
    standins::windows::failTempPath(!c.tempPath.has_value());
    setUp("D:\\work\\run1.QDX");
    EXPECT_STREQ(GetTempDir(), c.expected.c_str()) << c.what;
  }
}

// Files of a run laid down in a real temp directory and case directory.
class CleanUpTest : public RunPathsSetupTest {
 protected:
  std::set<std::string> remaining(const std::filesystem::path& directory) const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
      if (entry.is_regular_file()) names.insert(entry.path().filename().string());
    }
    return names;
  }
  std::filesystem::path temp() const { return scratch.path() / "KVOMTEMP"; }
  std::filesystem::path caseDir() const { return scratch.path() / "case"; }

  void layDownFiles() {
    for (const char* name : {"R01a.TMP", "R01.BEX", "R01b.KVB", "R01c.XML", "R02a.TMP", "X.TMP", "R01a.txt"}) {
      scratch.write(temp() / name);
    }
    for (const char* name : {"R01x.XML", "R01y.TMP", "other.XML", "R01.QDX"}) scratch.write(caseDir() / name);
  }
  void setUpCase(const char* prefix) { setUp(windowsDir(caseDir()) + "run1.QDX   ", prefix); }
};

TEST_F(CleanUpTest, DeletesExactlyThePrefixFiles) {
  layDownFiles();
  setUpCase("R01");
  ASSERT_STREQ(GetTempDir(), windowsDir(temp()).c_str());
  standins::host::clearCallLog();

  EXPECT_NE(CleanUpRunFiles(), -1);
  EXPECT_EQ(remaining(temp()), (std::set<std::string>{"R01c.XML", "R02a.TMP", "X.TMP", "R01a.txt"}));
  EXPECT_EQ(remaining(caseDir()), (std::set<std::string>{"R01y.TMP", "other.XML", "R01.QDX"}));
  EXPECT_EQ(standins::host::callLog(), std::vector<std::string>{"PellantPrepareFileAccess"});
}

TEST_F(CleanUpTest, AnEmptyPrefixDeletesNothing) {
  layDownFiles();
  setUpCase("");
  EXPECT_EQ(CleanUpRunFiles(), -1);
  EXPECT_EQ(remaining(temp()).size(), 7u);
  EXPECT_EQ(remaining(caseDir()).size(), 4u);
}

TEST_F(CleanUpTest, AFolderOfAMatchingNameStays) {
  layDownFiles();
  std::filesystem::create_directory(temp() / "R01keep.TMP");
  std::filesystem::create_directory(caseDir() / "R01saved.XML");
  setUpCase("R01");
  standins::windows::clearCallLog();

  EXPECT_NE(CleanUpRunFiles(), -1);
  EXPECT_TRUE(std::filesystem::is_directory(temp() / "R01keep.TMP"));
  EXPECT_TRUE(std::filesystem::is_directory(caseDir() / "R01saved.XML"));
  EXPECT_EQ(remaining(temp()), (std::set<std::string>{"R01c.XML", "R02a.TMP", "X.TMP", "R01a.txt"}));
  EXPECT_EQ(remaining(caseDir()), (std::set<std::string>{"R01y.TMP", "other.XML", "R01.QDX"}));
  // The folders are not even handed to the removal.
  for (const std::string& call : standins::windows::callLog()) {
    EXPECT_EQ(call.find("R01keep"), std::string::npos) << call;
    EXPECT_EQ(call.find("R01saved"), std::string::npos) << call;
  }
}

TEST_F(CleanUpTest, APrefixWithAFolderPartDeletesInThatFolderOnly) {
  for (const char* prefix : {"sub\\R01", "sub/R01"}) {
    SCOPED_TRACE(prefix);
    for (const char* name : {"R01a.TMP", "R01b.KVB"}) {
      scratch.write(temp() / name);
      scratch.write(temp() / "sub" / name);
    }
    scratch.write(caseDir() / "R01x.XML");
    scratch.write(caseDir() / "sub" / "R01x.XML");
    setUpCase(prefix);

    EXPECT_NE(CleanUpRunFiles(), -1);
    EXPECT_EQ(remaining(temp() / "sub"), std::set<std::string>{});
    EXPECT_EQ(remaining(caseDir() / "sub"), std::set<std::string>{});
    EXPECT_EQ(remaining(temp()), (std::set<std::string>{"R01a.TMP", "R01b.KVB"}));
    EXPECT_EQ(remaining(caseDir()), std::set<std::string>{"R01x.XML"});
  }
}

TEST_F(CleanUpTest, DeleteMatchingFilesBoundsItsPaths) {
  layDownFiles();
  const std::string dir = windowsDir(temp());
  EXPECT_EQ(DeleteMatchingFiles(dir.c_str(), "R09*.TMP"), -1);
  // A pattern without a full stop looks for .TMP files.
  EXPECT_NE(DeleteMatchingFiles(dir.c_str(), "R01"), -1);
  EXPECT_FALSE(remaining(temp()).contains("R01a.TMP"));
  EXPECT_TRUE(remaining(temp()).contains("R01.BEX"));

  // A directory that leaves no room for the pattern: no search at all.
  const std::string tooLong = dir + std::string(250, 'x') + "\\";
  EXPECT_EQ(DeleteMatchingFiles(tooLong.c_str(), "*.BEX"), -1);
  EXPECT_TRUE(remaining(temp()).contains("R01.BEX"));

  // In a deep directory, a match whose full path would pass 255 characters is left alone.
  const std::filesystem::path deep = temp() / std::string(236 - dir.size(), 'd');
  const std::string deepDir = windowsDir(deep);
  const std::string longName = "R01" + std::string(20, 'n') + ".TMP";
  scratch.write(deep / "R01.TMP");
  scratch.write(deep / longName);
  ASSERT_LT(deepDir.size() + 7, kPathBufferSize);
  ASSERT_GE(deepDir.size() + longName.size(), kPathBufferSize);
  EXPECT_NE(DeleteMatchingFiles(deepDir.c_str(), "R01*.TMP"), -1);
  EXPECT_EQ(remaining(deep), std::set<std::string>{longName});
}

}  // namespace
}  // namespace kvom::exports
