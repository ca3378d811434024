#pragma once
// A test with fresh stand-ins and a scratch directory of its own, removed afterwards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/standin_helpers.h"

namespace kvom::test {

class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetStandins();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("kvom_" + std::string(info->test_suite_name()) + "_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    resetStandins();
    std::filesystem::remove_all(dir_);
  }
  // A file of the directory, as a Windows path and as a path of this machine.
  std::string windowsPath(const std::string& name) const { return windowsDir(dir_) + name; }
  std::filesystem::path nativePath(const std::string& name) const { return dir_ / name; }

  std::filesystem::path dir_;
};

}  // namespace kvom::test
