#pragma once
// A scratch installation for the picture and plot-object tests: a program directory, a case
// directory and a current directory, each known to the report library, small plot texts and
// metafiles written in a line, and the check that every graphics object and memory block made
// during a test is gone again.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "exports/run_paths_setup.h"
#include "platform/windows/types.h"
#include "tests/support/adapter.h"

// Rectangles compared and printed in test expectations.
namespace platform::win {
bool operator==(const RECT& a, const RECT& b);
std::ostream& operator<<(std::ostream& out, const RECT& rect);
}  // namespace platform::win

namespace kvom::test {

// The points of every line on the surface of the context, in device units, in drawing order.
std::vector<platform::win::POINT> linePoints(platform::win::HDC dc);

class PictureFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Native paths of the three directories, and their Windows path texts (ending in a backslash).
  std::filesystem::path programDir() const { return scratch.path() / "program"; }
  std::filesystem::path caseDir() const { return scratch.path() / "case"; }
  std::filesystem::path currentDir() const { return scratch.path() / "current"; }
  static std::string windowsPathOf(const std::filesystem::path& native);

  // A plot text of the lines (CR LF ends); returns its native path.
  std::filesystem::path writePlotText(const std::filesystem::path& path, const std::vector<std::string>& lines) const;
  // A plot text of a box 0..width by 0..height drawn as four lines, with one text "BOX" at (1, 1)
  // when withText is set: records M, D, D, D, D (and S).
  std::filesystem::path writeBoxPlot(const std::filesystem::path& path, double width, double height,
                                     bool withText = false) const;
  // A memory metafile with one line from (10, 20) to (110, 70).
  static platform::win::HMETAFILE lineMetafile();

  test::ScratchDirectory scratch;

 private:
  exports::RunPathStringsRecord savedPaths_{};
  std::filesystem::path savedCurrent_;
  std::size_t memoryBlocks_ = 0;
};

}  // namespace kvom::test
