// A metafile recorded by the graphics stand-in, written as a placeable metafile file, opens in an
// independent reader (wmf2svg) and shows its lines, shapes and texts there. The file and the SVG
// drawn from it are kept in KVOM_PICTURE_DIR.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/windows/gdi.h"
#include "platform/windows/metafile.h"
#include "tests/support/standin_helpers.h"

using namespace platform::win;
namespace fs = std::filesystem;

namespace {

// The 22-byte placeable header (bounding box, 1000 units per inch, checksum) and the bits.
std::string placeableFile(HMETAFILE metafile, std::int16_t width, std::int16_t height) {
  const std::uint16_t words[10] = {
      0xCDD7, 0x9AC6, 0, 0, 0, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 1000, 0, 0};
  std::uint16_t checksum = 0;
  for (std::uint16_t w : words) checksum ^= w;
  std::string file;
  for (std::uint16_t w : words) file += {static_cast<char>(w & 0xFF), static_cast<char>(w >> 8)};
  file += {static_cast<char>(checksum & 0xFF), static_cast<char>(checksum >> 8)};
  std::vector<char> bits(GetMetaFileBitsEx(metafile, 0, nullptr));
  GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data());
  return file + std::string(bits.begin(), bits.end());
}

TEST(WmfReaderTest, APlaceableFileOfTheBitsOpensInWmf2svg) {
  kvom::test::resetStandins();
  if (kvom::test::runCommand("command -v wmf2svg").empty()) {
    GTEST_FAIL() << "wmf2svg is missing: run scripts/install-deps";
  }
  HDC recorder = CreateMetaFileA(nullptr);
  SetMapMode(recorder, MM_ANISOTROPIC);
  SetBkMode(recorder, TRANSPARENT);
  SetWindowOrgEx(recorder, 0, 0, nullptr);
  SetWindowExtEx(recorder, 9800, 5000, nullptr);
  HPEN pen = CreatePen(PS_SOLID, 10, RGB(200, 0, 0));
  HFONT font = CreateFontA(300, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  SelectObject(recorder, pen);
  SelectObject(recorder, font);
  SelectObject(recorder, GetStockObject(NULL_BRUSH));
  MoveToEx(recorder, 100, 100, nullptr);
  LineTo(recorder, 9000, 4500);
  const POINT curve[] = {{500, 4000}, {2000, 1000}, {3500, 4000}, {5000, 1000}};
  Polyline(recorder, curve, 4);
  Rectangle(recorder, 200, 200, 9600, 4800);
  Arc(recorder, 6000, 1000, 8000, 3000, 8000, 2000, 6000, 2000);
  TextOutA(recorder, 1000, 600, "Total", 5);
  ExtTextOutA(recorder, 7000, 600, 0, nullptr, "7.5", 3, nullptr);
  HMETAFILE metafile = CloseMetaFile(recorder);
  DeleteObject(pen);
  DeleteObject(font);

  // Both files stay in the picture folder for people to look at.
  const fs::path dir = KVOM_PICTURE_DIR;
  fs::create_directories(dir);
  std::ofstream(dir / "metafile.wmf", std::ios::binary) << placeableFile(metafile, 9800, 5000);
  DeleteMetaFile(metafile);
  const std::string messages = kvom::test::runCommand("wmf2svg -o '" + (dir / "metafile.svg").string() + "' '" +
                                                      (dir / "metafile.wmf").string() + "' 2>&1");
  const std::string svg = kvom::test::readFile(dir / "metafile.svg");

  ASSERT_FALSE(svg.empty()) << messages;
  EXPECT_NE(svg.find(">Total<"), std::string::npos) << svg;
  EXPECT_NE(svg.find(">7.5<"), std::string::npos) << svg;
  // The line and the polyline, the rectangle and the arc.
  const std::regex shape("<(line|polyline|rect|path|ellipse)\\b");
  const auto shapes = std::distance(std::sregex_iterator(svg.begin(), svg.end(), shape), std::sregex_iterator());
  EXPECT_GE(shapes, 4) << svg;
  // The line runs from the top left down to the right: the window's y axis points down.
  std::smatch line;
  ASSERT_TRUE(std::regex_search(
      svg, line, std::regex(R"re(<line x1="([0-9.]+)" y1="([0-9.]+)" x2="([0-9.]+)" y2="([0-9.]+)")re")));
  EXPECT_LT(std::stod(line[1]), 10.0);
  EXPECT_GT(std::stod(line[3]), 600.0);
  EXPECT_GT(std::stod(line[4]), std::stod(line[2]) + 300.0);
}

}  // namespace
