#include "report/plot_object.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/windows/clipboard.h"
#include "platform/windows/gdi.h"
#include "platform/windows/memory.h"
#include "platform/windows/metafile.h"
#include "report/page_layout.h"
#include "report/pictures.h"
#include "report/plot_file.h"
#include "report/report_file.h"
#include "report/text_copy.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/gdi/window_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/picture_fixture.h"
#include "tests/support/plot_fixture.h"
#include "tests/support/standin_helpers.h"

namespace kvom::report {
namespace {

using namespace platform::win;
namespace fs = std::filesystem;
using standins::gdi::ObjectKind;

struct ReadBack {
  std::vector<PlotRecord> records;
  std::string extraText;
  float xExtent = 0;
  float yExtent = 0;
};

ReadBack readPlot(const std::string& path, int block) {
  std::int32_t count = 0;
  std::int32_t extra = 0;
  CountPlot(path.c_str(), count, extra, block);
  ReadBack plot;
  plot.records.resize(static_cast<std::size_t>(std::max(count, 0)));
  plot.extraText.assign(static_cast<std::size_t>(std::max(extra, 0)) + 1, '\0');
  ReadPlot(path.c_str(), count, plot.records, plot.extraText, plot.xExtent, plot.yExtent, block);
  plot.records.resize(static_cast<std::size_t>(std::max(count, 0)));
  plot.extraText.resize(static_cast<std::size_t>(std::max(extra, 0)));
  return plot;
}

void expectSamePlot(const ReadBack& actual, const ReadBack& expected, const std::string& label) {
  ASSERT_EQ(actual.records.size(), expected.records.size()) << label;
  for (std::size_t i = 0; i < actual.records.size(); ++i) {
    EXPECT_EQ(actual.records[i].bytes, expected.records[i].bytes) << label << " record " << i;
  }
  EXPECT_EQ(actual.extraText, expected.extraText) << label;
  EXPECT_FLOAT_EQ(actual.xExtent, expected.xExtent) << label;
  EXPECT_FLOAT_EQ(actual.yExtent, expected.yExtent) << label;
}

class PlotObjectTest : public test::PictureFixture {
 protected:
  std::string casePath(const std::string& name) const { return windowsPathOf(caseDir()) + name; }

  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& box : standins::gdi::messageBoxes()) texts.push_back(box.text + " | " + box.caption);
    return texts;
  }

  PictureSlot slot;
  void TearDown() override {
    FreePlot(slot.plot);
    test::PictureFixture::TearDown();
  }
};

TEST_F(PlotObjectTest, LoadsPlotTextsAndContainerBlocks) {
  writeBoxPlot(caseDir() / "TEXT.KVD", 4, 2, /*withText=*/true);
  writeBoxPlot(caseDir() / "BARE.kvd", 4, 2);
  const test::PlotBlock blocks[] = {
      {"one", {test::plotRecord('M', {0, 0}), test::plotRecord('D', {1, 1})}, "", 1, 1},
      {"two",
       {test::plotRecord('M', {0, 0}), test::plotRecord('D', {3, 1}), test::plotRecord('D', {3, 0})},
       "",
       3.25f,
       1.5f},
  };
  test::writePlotContainer(caseDir() / "TWO.BFD", blocks);
  struct Case {
    const char* file;
    std::int32_t block;
    std::int32_t count;
    std::int32_t x;
    std::int32_t y;
    const char* extraText;  // none: no extra-text block
  };
  const Case cases[] = {
      {"TEXT.KVD", 7, 6, 4000, 2000, "BOX"},  // the block number means nothing for a plot text
      {"BARE.kvd", 1, 5, 4000, 2000, nullptr},
      {"TWO.BFD", 2, 3, 3250, 1500, nullptr},
      {"TWO.BFD", 0, 2, 1000, 1000, nullptr},  // outside 1..100: block 1
  };
  for (const Case& c : cases) {
    PlotObject plot;
    ASSERT_EQ(LoadPlot(plot, casePath(c.file).c_str(), c.block), 1) << c.file;
    EXPECT_EQ(plot.recordCount, c.count) << c.file;
    EXPECT_EQ(plot.xExtent, c.x) << c.file;
    EXPECT_EQ(plot.yExtent, c.y) << c.file;
    ASSERT_NE(plot.records, nullptr);
    EXPECT_EQ(GlobalSize(plot.records), static_cast<std::size_t>(c.count) * 25) << c.file;
    EXPECT_EQ(standins::windows::memoryLockCount(plot.records), 0u) << c.file;
    if (c.extraText == nullptr) {
      EXPECT_EQ(plot.extraText, nullptr) << c.file;
    } else {
      ASSERT_NE(plot.extraText, nullptr) << c.file;
      EXPECT_STREQ(static_cast<const char*>(GlobalLock(plot.extraText)), c.extraText) << c.file;
      GlobalUnlock(plot.extraText);
    }
    FreePlot(plot);
    EXPECT_EQ(plot.records, nullptr);
  }
}

// A picture opens its container once for the counts and the block together, and loads what
// CountPlot and ReadPlot give; a block whose header is damaged loads nothing, after one opening.
TEST_F(PlotObjectTest, APictureOpensItsContainerOnce) {
  const test::PlotBlock blocks[] = {
      {"one", {test::plotRecord('M', {0, 0}), test::plotRecord('D', {1, 1})}, "", 1, 1},
      {"two", {test::plotRecord('M', {0, 0}), test::plotRecord('S', {1, 1, 0.2f, 0, 0, 3})}, "ABC", 2.5f, 1.5f},
      {"three",
       {test::plotRecord('M', {0, 0}), test::plotRecord('D', {3, 1}), test::plotRecord('D', {3, 0})},
       "",
       3,
       2},
  };
  test::writePlotContainer(caseDir() / "THREE.BFD", blocks);
  test::writePlotContainer(caseDir() / "BAD.BFD", std::span(blocks).first(1));
  {
    std::fstream file(caseDir() / "BAD.BFD", std::ios::in | std::ios::out | std::ios::binary);
    const std::int32_t count = -1;
    file.seekp(88);
    file.write(reinterpret_cast<const char*>(&count), sizeof count);
  }
  struct Case {
    const char* file;
    std::int32_t block;
    bool loads;
  };
  const Case cases[] = {{"THREE.BFD", 3, true},
                        {"THREE.BFD", 2, true},
                        {"THREE.BFD", 1, true},
                        {"THREE.BFD", 101, true},
                        {"BAD.BFD", 1, false}};
  for (const Case& c : cases) {
    const std::string path = casePath(c.file);
    const std::string label = std::string(c.file) + " block " + std::to_string(c.block);
    const ReadBack expected = readPlot(path, c.block);
    standins::windows::clearCallLog();
    PlotObject plot;
    ASSERT_EQ(LoadPlot(plot, path.c_str(), c.block), c.loads ? 1 : 0) << label;
    const auto& calls = standins::windows::callLog();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "openFile " + path + " rb"), 1) << label;
    if (!c.loads) continue;
    ASSERT_EQ(plot.recordCount, static_cast<std::int32_t>(expected.records.size())) << label;
    const auto* records = static_cast<const PlotRecord*>(GlobalLock(plot.records));
    for (std::size_t i = 0; i < expected.records.size(); ++i) {
      EXPECT_EQ(records[i].bytes, expected.records[i].bytes) << label << " record " << i;
    }
    GlobalUnlock(plot.records);
    EXPECT_EQ(plot.xExtent, static_cast<std::int32_t>(expected.xExtent * 1000)) << label;
    EXPECT_EQ(plot.yExtent, static_cast<std::int32_t>(expected.yExtent * 1000)) << label;
    EXPECT_EQ(plot.extraText != nullptr, !expected.extraText.empty()) << label;
    if (plot.extraText != nullptr) {
      EXPECT_EQ(static_cast<const char*>(GlobalLock(plot.extraText)), expected.extraText) << label;
      GlobalUnlock(plot.extraText);
    }
    FreePlot(plot);
  }
}

TEST_F(PlotObjectTest, APlotWithoutRecordsLeavesTheObjectAsItWas) {
  writeBoxPlot(caseDir() / "BOX.KVD", 4, 2);
  writeBoxPlot(caseDir() / "BOX.TXT", 4, 2);
  // A container block that claims more records than any block could hold.
  test::writePlotContainer(caseDir() / "HUGE.BFD",
                           std::vector<test::PlotBlock>{{"", {test::plotRecord('M', {0, 0})}, "", 1, 1}});
  {
    std::fstream file(caseDir() / "HUGE.BFD", std::ios::in | std::ios::out | std::ios::binary);
    const std::int32_t count = 0x7FFFFFFF;
    file.seekp(88);
    file.write(reinterpret_cast<const char*>(&count), sizeof count);
  }
  ASSERT_EQ(LoadPlot(slot.plot, casePath("BOX.KVD").c_str(), 1), 1);
  const PlotObject loaded = slot.plot;
  const std::size_t blocks = standins::windows::liveMemoryBlocks();
  for (const char* file : {"MISSING.KVD", "BOX.TXT", "BOX", "HUGE.BFD"}) {
    EXPECT_EQ(LoadPlot(slot.plot, casePath(file).c_str(), 1), 0) << file;
    EXPECT_EQ(slot.plot.records, loaded.records) << file;
    EXPECT_EQ(slot.plot.recordCount, loaded.recordCount) << file;
    EXPECT_EQ(standins::windows::liveMemoryBlocks(), blocks) << file;
  }
}

TEST_F(PlotObjectTest, OutOfMemoryIsShownAndNothingIsKept) {
  writeBoxPlot(caseDir() / "TEXT.KVD", 4, 2, /*withText=*/true);
  for (int skip : {0, 1}) {  // the extra-text block, then the record block
    standins::gdi::clearMessageBoxes();
    standins::windows::failOperation("GlobalAlloc", skip, 1);
    PlotObject plot;
    EXPECT_EQ(LoadPlot(plot, casePath("TEXT.KVD").c_str(), 1), 0) << skip;
    EXPECT_EQ(plot.records, nullptr);
    EXPECT_EQ(plot.extraText, nullptr);
    EXPECT_EQ(messages(), std::vector<std::string>{"Sorry, not enough memory to open more file. | Open File Error"});
    standins::windows::failOperation("GlobalAlloc", 0, 0);
  }
}

TEST(FitPlotRectTest, KeepsTheAspectAndCentres) {
  struct Case {
    const char* label;
    RECT rect;
    std::int32_t x;
    std::int32_t y;
    RECT fitted;
  };
  const Case cases[] = {
      {"too wide: narrowed and centred", {0, 0, 400, 100}, 4000, 2000, {100, 0, 300, 100}},
      {"too tall: shortened and centred", {10, 10, 110, 410}, 1000, 1000, {10, 160, 110, 260}},
      {"one unit off: left alone", {0, 0, 201, 100}, 2000, 1000, {0, 0, 201, 100}},
      {"width rounded up", {0, 0, 100, 30}, 1000, 300, {0, 0, 100, 30}},
      {"zero extent: left alone", {0, 0, 400, 100}, 0, 1000, {0, 0, 400, 100}},
      {"empty rectangle: left alone", {5, 5, 5, 100}, 1000, 1000, {5, 5, 5, 100}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitPlotRect(c.rect, c.x, c.y), c.fitted) << c.label;
  }
}

TEST_F(PlotObjectTest, DrawsOnTheScreenFittedClippedAndRemembered) {
  writeBoxPlot(caseDir() / "BOX.KVD", 4, 2);
  ASSERT_EQ(LoadPlot(slot.plot, casePath("BOX.KVD").c_str(), 1), 1);
  const HDC dc = standins::gdi::createWindowContext(500, 300);
  DrawPlotInRect(slot, nullptr, dc, RECT{0, 0, 400, 100});
  EXPECT_EQ(slot.plot.FittedPlotRect, (RECT{100, 0, 300, 100}));
  EXPECT_EQ(slot.drawnRect, (RECT{100, 0, 300, 100}));
  EXPECT_EQ(slot.plotWindow, (RECT{0, 0, 4000, 2000}));
  EXPECT_EQ(GetMapMode(dc), MM_ISOTROPIC);
  EXPECT_EQ(standins::gdi::liveObjects(ObjectKind::Region), 0);
  EXPECT_EQ(standins::gdi::liveObjects(ObjectKind::Pen), 2);  // the shared solid and dotted pens
  const std::vector<POINT> points = test::linePoints(dc);
  ASSERT_FALSE(points.empty());
  for (const POINT& p : points) {
    EXPECT_TRUE(p.x >= 100 && p.x <= 300 && p.y >= 0 && p.y <= 100) << p.x << ", " << p.y;
  }
  // Every entry is clipped to the fitted rectangle.
  for (const auto& entry : standins::gdi::displayList(dc)) {
    ASSERT_TRUE(entry.clip.has_value());
    EXPECT_EQ(*entry.clip, (RECT{100, 0, 301, 101}));
  }

  // A second plot of another shape drawn into the first one's fitted rectangle is fitted itself.
  PictureSlot square;
  writeBoxPlot(caseDir() / "SQUARE.KVD", 2, 2);
  ASSERT_EQ(LoadPlot(square.plot, casePath("SQUARE.KVD").c_str(), 1), 1);
  DrawPlotInRect(square, nullptr, dc, RECT{100, 0, 300, 100});
  EXPECT_EQ(square.plot.FittedPlotRect, (RECT{150, 0, 250, 100}));
  EXPECT_EQ(slot.plot.FittedPlotRect, (RECT{100, 0, 300, 100}));
  FreePlot(square.plot);

  // Freeing any plot removes the shared pens; the next drawing makes them again.
  EXPECT_EQ(standins::gdi::liveObjects(ObjectKind::Pen), 0);
  DrawPlotInRect(slot, nullptr, dc, slot.plot.FittedPlotRect);
  EXPECT_EQ(standins::gdi::liveObjects(ObjectKind::Pen), 2);
  DeleteDC(dc);
}

TEST_F(PlotObjectTest, APenThatCannotBeMadeLeavesTheContextsPenAndNoObject) {
  // The dotted pen is made first, then the solid one; an 'L 0' record selects the dotted pen.
  using test::plotLine;
  writePlotText(caseDir() / "DOTS.KVD", {plotLine('M', 0, 0), plotLine('L', 0, 0), plotLine('D', 4, 2),
                                         plotLine('L', 1, 0), plotLine('D', 0, 2), plotLine('L', 0, 0)});
  struct Case {
    const char* label;
    int skip;
    int times;
  };
  const Case cases[] = {{"no dotted pen", 0, 1}, {"no solid pen", 1, 1}, {"no pen at all", 0, -1}};
  for (const Case& c : cases) {
    ASSERT_EQ(LoadPlot(slot.plot, casePath("DOTS.KVD").c_str(), 1), 1) << c.label;
    const HDC dc = standins::gdi::createWindowContext(500, 300);
    const HGDIOBJ contextPen = GetCurrentObject(dc, OBJ_PEN);
    standins::gdi::failOperation("CreatePen", c.skip, c.times);
    DrawPlotInRect(slot, nullptr, dc, RECT{0, 0, 400, 200});
    standins::gdi::failOperation("CreatePen", 0, 0);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), contextPen) << c.label;
    FreePlot(slot.plot);
    EXPECT_EQ(standins::gdi::liveObjects(), 0) << c.label;
    EXPECT_EQ(standins::gdi::invalidDeletes(), 0) << c.label;
    DeleteDC(dc);
  }
}

TEST_F(PlotObjectTest, DrawsOnAMetafilePageAtTheRectangle) {
  writeBoxPlot(caseDir() / "BOX.KVD", 4, 2);
  ASSERT_EQ(LoadPlot(slot.plot, casePath("BOX.KVD").c_str(), 1), 1);
  PageLayout.deviceMode = kDeviceMetafile;
  PageLayout.PagePictureFlag = 1;
  const HDC dc = standins::gdi::createPageContext(800, 600, 100);
  DrawPlotInRect(slot, nullptr, dc, RECT{100, 100, 500, 300});
  const std::vector<POINT> points = test::linePoints(dc);
  ASSERT_FALSE(points.empty());
  const auto has = [&points](LONG x, LONG y) {
    return std::any_of(points.begin(), points.end(), [&](const POINT& p) { return p.x == x && p.y == y; });
  };
  EXPECT_TRUE(has(100, 300));                     // plot (0, 0): left, bottom
  EXPECT_TRUE(has(500, 100));                     // plot (4, 2): right, top
  EXPECT_EQ(slot.drawnRect, (RECT{0, 0, 0, 0}));  // not on the screen
  DeleteDC(dc);
}

TEST_F(PlotObjectTest, PlotWithoutExtentDrawsNothing) {
  test::writePlotContainer(
      caseDir() / "FLAT.BFD",
      std::vector<test::PlotBlock>{{"", {test::plotRecord('M', {0, 0}), test::plotRecord('D', {1, 0})}, "", 1, 0}});
  ASSERT_EQ(LoadPlot(slot.plot, casePath("FLAT.BFD").c_str(), 1), 1);
  const HDC dc = standins::gdi::createWindowContext(100, 100);
  DrawPlotInRect(slot, nullptr, dc, RECT{0, 0, 100, 100});
  EXPECT_TRUE(standins::gdi::displayList(dc).empty());
  DeleteDC(dc);
}

TEST_F(PlotObjectTest, ConvertsAPlotTextIntoAContainer) {
  writeBoxPlot(caseDir() / "PLOT.KVD", 4, 2, /*withText=*/true);
  writeBoxPlot(caseDir() / "sub.dir" / "PLOT.KVD", 3, 1, /*withText=*/true);
  for (const char* name : {"PLOT", "sub.dir\\PLOT", "PLOT.KVD"}) {
    ConvertPlotFile(name);
    const std::string base = casePath(name).substr(0, casePath(name).find(".KVD"));
    expectSamePlot(readPlot(base + ".BFD", 1), readPlot(base + ".KVD", 1), name);
  }
  const std::string bytes = test::readFile(caseDir() / "PLOT.BFD");
  ASSERT_EQ(bytes.size(), 104u + 6 * 25 + 3);
  EXPECT_EQ(bytes.substr(0, 8), std::string("BFD2.0\0\0", 8));
  EXPECT_EQ(bytes[8], '\0');  // no title
  EXPECT_FALSE(fs::exists(caseDir() / "sub.BFD"));

  // A container is already converted: all its blocks stay.
  const test::PlotBlock blocks[] = {{"one", {test::plotRecord('M', {0, 0})}, "", 1, 1},
                                    {"two", {test::plotRecord('M', {1, 1})}, "", 2, 2}};
  test::writePlotContainer(caseDir() / "TWO.BFD", blocks);
  const std::string before = test::readFile(caseDir() / "TWO.BFD");
  ConvertPlotFile("TWO.BFD");
  EXPECT_EQ(test::readFile(caseDir() / "TWO.BFD"), before);
  EXPECT_TRUE(standins::gdi::messageBoxes().empty());
}

TEST_F(PlotObjectTest, AppendsBlocksInCallOrder) {
  writeBoxPlot(caseDir() / "A.KVD", 4, 2, /*withText=*/true);
  writeBoxPlot(caseDir() / "B.KVD", 1, 3);
  AppendPlotBlock("A.KVD", "ALL.BFD", "first");
  AppendPlotBlock("B.KVD", "ALL.BFD", "second");
  AppendPlotBlock("ALL.BFD", "ALL.BFD", std::string(100, 'T').c_str());  // its own block 1; title cut
  expectSamePlot(readPlot(casePath("ALL.BFD"), 1), readPlot(casePath("A.KVD"), 1), "block 1");
  expectSamePlot(readPlot(casePath("ALL.BFD"), 2), readPlot(casePath("B.KVD"), 1), "block 2");
  expectSamePlot(readPlot(casePath("ALL.BFD"), 3), readPlot(casePath("A.KVD"), 1), "block 3");
  const std::string bytes = test::readFile(caseDir() / "ALL.BFD");
  EXPECT_STREQ(bytes.c_str() + 8, "first");
  const std::size_t third = (104 + 6 * 25 + 3) + (104 + 5 * 25);
  EXPECT_EQ(std::string(bytes.c_str() + third + 8), std::string(79, 'T'));
}

TEST_F(PlotObjectTest, AppendsAnyFileAsOneBlock) {
  for (const std::string& content : {std::string(), std::string("\x01\x00xyz", 5)}) {
    std::ofstream(caseDir() / "DATA.BIN", std::ios::binary) << content;
    fs::remove(caseDir() / "FILE.BFD");
    AppendFileBlock("DATA.BIN", "FILE.BFD", "data");
    PlotBlockHeader header;
    std::memcpy(header.magic.data(), "BFD2.0", 6);
    std::memcpy(header.title.data(), "data", 4);
    header.recordCount = 1;
    header.extraSize = static_cast<std::int32_t>(content.size());
    header.xExtent = 1;
    header.yExtent = 1;
    const PlotRecord move = test::plotRecord('M', {0, 0});
    const std::string expected = std::string(reinterpret_cast<const char*>(&header), sizeof header) +
                                 std::string(reinterpret_cast<const char*>(move.bytes.data()), 25) + content;
    EXPECT_EQ(test::readFile(caseDir() / "FILE.BFD"), expected) << content.size();
  }
  AppendFileBlock("MISSING.BIN", "FILE.BFD", "none");
  EXPECT_EQ(fs::file_size(caseDir() / "FILE.BFD"), 104u + 25 + 5);
}

TEST_F(PlotObjectTest, WriterFailuresAreShownAndFreeEverything) {
  writeBoxPlot(caseDir() / "PLOT.KVD", 4, 2, /*withText=*/true);
  struct Case {
    const char* label;
    int allocationToFail;  // -1: none
    const char* target;
    std::optional<std::uint64_t> writeLimit;
    const char* message;
  };
  const Case cases[] = {
      {"no memory for the extra text", 0, "OUT.BFD", std::nullopt,
       "Sorry, not enough memory to open more file. | K-VOM"},
      {"no memory for the records", 1, "OUT.BFD", std::nullopt, "Sorry, not enough memory to open more file. | K-VOM"},
      {"cannot create", -1, "NO\\SUCH\\DIR.BFD", std::nullopt, "Can not create file | K-VOM"},
      {"disk full", -1, "OUT.BFD", 50, "Can not write to file | K-VOM"},
  };
  for (const Case& c : cases) {
    standins::gdi::clearMessageBoxes();
    if (c.allocationToFail >= 0) standins::windows::failOperation("GlobalAlloc", c.allocationToFail, 1);
    standins::windows::failWritesAfter(c.writeLimit);
    AppendPlotBlock("PLOT.KVD", c.target, "title");
    standins::windows::failWritesAfter(std::nullopt);
    standins::windows::failOperation("GlobalAlloc", 0, 0);
    EXPECT_EQ(messages(), std::vector<std::string>{c.message}) << c.label;
  }
  // The converter names the extra-text shortage with its own caption.
  standins::gdi::clearMessageBoxes();
  standins::windows::failOperation("GlobalAlloc", 0, 1);
  ConvertPlotFile("PLOT");
  EXPECT_EQ(messages(), std::vector<std::string>{"Sorry, not enough memory to open more file. | K-OVM"});
  EXPECT_FALSE(fs::exists(caseDir() / "PLOT.BFD"));

  // A folder of the container's name is a container that cannot be opened, for either writer.
  fs::create_directories(caseDir() / "PLOT.BFD");
  for (void (*write)() : {+[] { ConvertPlotFile("PLOT"); }, +[] { AppendPlotBlock("PLOT.KVD", "PLOT.BFD", "t"); }}) {
    standins::gdi::clearMessageBoxes();
    write();
    EXPECT_EQ(messages(), std::vector<std::string>{"Can not create file | K-VOM"});
    EXPECT_TRUE(fs::is_directory(caseDir() / "PLOT.BFD"));
  }
  EXPECT_EQ(test::fileNames(caseDir()), std::vector<std::string>{"PLOT.KVD"});
}

// A full disk part way into a block, for each writer: the container keeps exactly what it held
// (a new one is not left behind), no replacement in the making is left, and the writer says so.
TEST_F(PlotObjectTest, AFullDiskLeavesTheContainerAsItWas) {
  std::vector<std::string> lines{test::plotLine('M', 0, 0)};
  for (int i = 1; i <= 30; ++i) lines.push_back(test::plotLine('D', i, i % 7));
  writePlotText(caseDir() / "BIG.KVD", lines);  // a block of 104 + 31 * 25 bytes
  std::ofstream(caseDir() / "DATA.BIN", std::ios::binary) << std::string(700, 'd');
  struct Writer {
    const char* name;
    const char* target;
    void (*write)();
  };
  const Writer writers[] = {
      {"ConvertPlotFile", "BIG.BFD", [] { ConvertPlotFile("BIG"); }},
      {"AppendPlotBlock", "ALL.BFD", [] { AppendPlotBlock("BIG.KVD", "ALL.BFD", "big"); }},
      {"AppendFileBlock", "ALL.BFD", [] { AppendFileBlock("DATA.BIN", "ALL.BFD", "data"); }},
  };
  const std::string old = std::string(104, '\0') + "an earlier container";
  for (const Writer& writer : writers) {
    for (const bool existing : {true, false}) {
      for (const std::uint64_t limit : {0u, 40u, 400u}) {
        const std::string label = std::string(writer.name) + (existing ? " over a container" : " into none") +
                                  ", full after " + std::to_string(limit);
        fs::remove(caseDir() / writer.target);
        if (existing) std::ofstream(caseDir() / writer.target, std::ios::binary) << old;
        standins::gdi::clearMessageBoxes();
        standins::windows::failWritesAfter(limit);
        writer.write();
        standins::windows::failWritesAfter(std::nullopt);
        if (existing) {
          EXPECT_EQ(test::readFile(caseDir() / writer.target), old) << label;
        } else {
          EXPECT_FALSE(fs::exists(caseDir() / writer.target)) << label;
        }
        for (const auto& entry : fs::directory_iterator(caseDir())) {
          EXPECT_EQ(entry.path().filename().string().find('~'), std::string::npos) << label << ": " << entry.path();
        }
        EXPECT_EQ(messages(), std::vector<std::string>{"Can not write to file | K-VOM"}) << label;
      }
    }
    // With room, the block is written.
    writer.write();
    EXPECT_GT(fs::file_size(caseDir() / writer.target), 700u) << writer.name;
  }
}

// The plot is removed or locked after it was counted: the next open of a file fails. Nothing is
// written, and the container stays as it was.
TEST_F(PlotObjectTest, APlotThatCannotBeReadWritesNothing) {
  writeBoxPlot(caseDir() / "BOX.KVD", 4, 2, /*withText=*/true);
  const test::PlotBlock blocks[] = {{"one", {test::plotRecord('M', {0, 0}), test::plotRecord('D', {1, 1})}, "", 1, 1}};
  test::writePlotContainer(caseDir() / "SRC.BFD", blocks);
  struct Writer {
    const char* name;
    const char* target;
    void (*write)();
  };
  const Writer writers[] = {
      {"ConvertPlotFile", "BOX.BFD", [] { ConvertPlotFile("BOX"); }},
      {"AppendPlotBlock of a plot text", "ALL.BFD", [] { AppendPlotBlock("BOX.KVD", "ALL.BFD", "box"); }},
      {"AppendPlotBlock of a container", "ALL.BFD", [] { AppendPlotBlock("SRC.BFD", "ALL.BFD", "src"); }},
  };
  const std::string old = std::string(104, '\0') + "an earlier container";
  for (const Writer& writer : writers) {
    for (const bool existing : {true, false}) {
      SCOPED_TRACE(std::string(writer.name) + (existing ? " over a container" : " into none"));
      fs::remove(caseDir() / writer.target);
      if (existing) std::ofstream(caseDir() / writer.target, std::ios::binary) << old;
      standins::windows::failOperation("openFile", 1, 1);
      writer.write();
      standins::windows::failOperation("openFile", 0, 0);
      if (existing) {
        EXPECT_EQ(test::readFile(caseDir() / writer.target), old);
      } else {
        EXPECT_FALSE(fs::exists(caseDir() / writer.target));
      }
      EXPECT_EQ(test::fileNames(caseDir()).size(), existing ? 3u : 2u) << "nothing is left beside the container";
    }
  }
}

TEST_F(PlotObjectTest, PlotToMetafileWritesAPlaceableMetafile) {
  writeBoxPlot(caseDir() / "BOX.KVD", 4, 3, /*withText=*/true);
  PlotToMetafile("BOX.KVD", "BOX.WMF", 9800, 8000);
  const std::string bytes = test::readFile(caseDir() / "BOX.WMF");
  ASSERT_GT(bytes.size(), kPlaceableHeaderSize);
  PlaceableHeader header{};
  std::memcpy(header.data(), bytes.data(), header.size());
  const auto word = [&header](std::size_t offset) {
    return static_cast<std::int16_t>(header[offset] | (header[offset + 1] << 8));
  };
  EXPECT_EQ(word(10), 9800);
  EXPECT_EQ(word(12), 4900);  // (3000 - 1000) / 4000 * 9800
  EXPECT_EQ(static_cast<std::uint16_t>(word(20)), PlaceableChecksum(header));

  // Read back and played onto a page, the box fills the page's width.
  PictureSlot read;
  const HMETAFILE metafile = ReadWindowsMetafile(casePath("BOX.WMF").c_str(), read.placeableHeader, read);
  ASSERT_NE(metafile, nullptr);
  const HDC dc = standins::gdi::createPageContext(1000, 600, 100);
  MapPlaceableWindow(nullptr, dc, read.placeableHeader, RECT{0, 0, 1000, 500});
  PlayMetaFile(dc, metafile);
  const std::vector<POINT> points = test::linePoints(dc);
  ASSERT_FALSE(points.empty());
  LONG left = 10000, right = -10000;
  for (const POINT& p : points) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
  }
  EXPECT_NEAR(left, 8, 2);  // 80 of 9800 units in
  EXPECT_NEAR(right, 1008, 2);
  DeleteDC(dc);
  DeleteMetaFile(metafile);

  // Nothing to convert: nothing written.
  PlotToMetafile("MISSING.KVD", "NONE.WMF", 9800, 8000);
  EXPECT_FALSE(fs::exists(caseDir() / "NONE.WMF"));
}

// Every writer that replaces its target, each in a folder of its own that is the current directory,
// the case directory empty so that case paths are names there: a target whose name is as long as a
// file name may be is still written, and the files beside a target (an editor's backup, earlier
// copies, the leftover of a write that was cut off) stay as they were.
TEST_F(PlotObjectTest, ReplacingWritersWriteEveryTargetAndLeaveTheFilesBesideIt) {
  exports::RunPathStrings.caseDir[0] = '\0';
  struct Writer {
    const char* name;
    const char* extension;  // of the target
    // Writes the target, a name in the current directory; false when the writer reports a failure.
    bool (*write)(const std::string& target);
  };
  const Writer writers[] = {
      {"CopyReportText", ".KVX", [](const std::string& t) { return CopyReportText("SRC.KVO", t.c_str()) == 0; }},
      {"CopyOrAppendFile", ".KVO", [](const std::string& t) { return CopyOrAppendFile("SRC.KVO", t.c_str(), 1) == 0; }},
      {"WritePlaceableMetafile", ".WMF",
       [](const std::string& t) {
         const HMETAFILE metafile = lineMetafile();
         const bool written = WritePlaceableMetafile(metafile, t.c_str(), RECT{0, 0, 120, 80}) == 1;
         DeleteMetaFile(metafile);
         return written;
       }},
      {"WriteMetafile", ".WMF",
       [](const std::string& t) {
         const HMETAFILE metafile = lineMetafile();
         const bool written = WriteMetafile(metafile, t.c_str()) == 1;
         DeleteMetaFile(metafile);
         return written;
       }},
      {"PlotToMetafile", ".WMF",
       [](const std::string& t) {
         PlotToMetafile("SRC.KVD", t.c_str(), 9800, 8000);
         return true;
       }},
      {"ConvertPlotFile", ".BFD",
       [](const std::string& t) {
         ConvertPlotFile((t.substr(0, t.size() - 4) + ".KVD").c_str());
         return true;
       }},
  };
  const auto files = [] {
    std::map<std::string, std::string> found;
    for (const auto& entry : fs::directory_iterator("."))
      found[entry.path().filename().string()] = test::readFile(entry.path());
    return found;
  };
  constexpr std::size_t kLongestName = 255;
  for (const Writer& writer : writers) {
    const fs::path folder = currentDir() / writer.name;
    writeBoxPlot(folder / "SRC.KVD", 4, 2, /*withText=*/true);
    std::ofstream(folder / "SRC.KVO", std::ios::binary) << "  Duty 1.5 MW \t1{ }\r\n$$$P.KVD  1  1  2  2\r\n";
    fs::current_path(folder);
    const std::string reference = std::string("REF") + writer.extension;
    fs::copy_file("SRC.KVD", "REF.KVD");
    ASSERT_TRUE(writer.write(reference)) << writer.name;
    const std::string expected = test::readFile(reference);
    ASSERT_FALSE(expected.empty()) << writer.name;
    const std::string shortName = std::string("PLOT") + writer.extension;
    const std::string longName = std::string(kLongestName - 4, 'N') + writer.extension;
    for (const std::string& target : {shortName, longName}) {
      const std::string label = std::string(writer.name) + " onto a name of " + std::to_string(target.size());
      std::ofstream(target, std::ios::binary) << "the old target";
      // The plot text the converter reads: the target's base name with the plot text's extension.
      fs::copy_file("SRC.KVD", target.substr(0, target.size() - 4) + ".KVD", fs::copy_options::overwrite_existing);
      for (const std::string& beside : {target + "~", target + "~1", target + "~2", std::string("~KVOM1")}) {
        if (beside.size() <= kLongestName) std::ofstream(beside, std::ios::binary) << "beside: " + beside;
      }
      std::map<std::string, std::string> before = files();
      standins::gdi::clearMessageBoxes();
      EXPECT_TRUE(writer.write(target)) << label;
      EXPECT_TRUE(standins::gdi::messageBoxes().empty()) << label;
      std::map<std::string, std::string> after = files();
      EXPECT_EQ(after[target], expected) << label;
      before.erase(target);
      after.erase(target);
      EXPECT_EQ(after, before) << label << ": only the target changes";
    }
  }
}

// An independent reader finds the plot's lines and text in the written file.
TEST_F(PlotObjectTest, PlotMetafileOpensInAnotherReader) {
  if (std::system("command -v wmf2svg >/dev/null 2>&1") != 0) GTEST_SKIP() << "wmf2svg is not installed";
  writeBoxPlot(caseDir() / "BOX.KVD", 4, 3, /*withText=*/true);
  PlotToMetafile("BOX.KVD", "BOX.WMF", 9800, 8000);
  const fs::path svg = caseDir() / "BOX.svg";
  const std::string command = "wmf2svg -o '" + svg.string() + "' '" + (caseDir() / "BOX.WMF").string() + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string content = test::readFile(svg);
  EXPECT_NE(content.find("BOX"), std::string::npos) << content;
  EXPECT_TRUE(content.find("<line") != std::string::npos || content.find("<polyline") != std::string::npos ||
              content.find("<path") != std::string::npos)
      << content;
}

TEST_F(PlotObjectTest, CopiesTheSelectionToTheClipboard) {
  const HWND window = standins::gdi::createWindow(200, 100);
  // Nothing selected: the clipboard keeps what it has.
  CopyBitmapToClipboard(window, 0);
  CopyBitmapToClipboard(window, 1);
  EXPECT_TRUE(standins::gdi::clipboardFormats().empty());

  for (std::int32_t mode : {0, 1}) {
    const HDC screen = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 100);
    DeleteDC(screen);
    SetBitmapSelection(bitmap, RECT{10, 20, 60, 50});
    CopyBitmapToClipboard(window, mode);
    EXPECT_FALSE(standins::gdi::clipboardOpen());
    if (mode == 0) {
      ASSERT_EQ(standins::gdi::clipboardFormats(), std::vector<UINT>{CF_METAFILEPICT});
      const HANDLE data = standins::gdi::clipboardData(CF_METAFILEPICT);
      const auto* picture = static_cast<const METAFILEPICT*>(GlobalLock(static_cast<HGLOBAL>(data)));
      ASSERT_NE(picture, nullptr);
      EXPECT_EQ(picture->mm, MM_TEXT);
      EXPECT_EQ(picture->xExt, 50);
      EXPECT_EQ(picture->yExt, 30);
      EXPECT_NE(picture->hMF, nullptr);
      GlobalUnlock(static_cast<HGLOBAL>(data));
      EXPECT_EQ(BitmapSelection.bitmap, bitmap);  // still the caller's
      DeleteObject(bitmap);
      BitmapSelection = {};
    } else {
      EXPECT_EQ(standins::gdi::clipboardFormats(), std::vector<UINT>{CF_BITMAP});
      EXPECT_EQ(standins::gdi::clipboardData(CF_BITMAP), static_cast<HANDLE>(bitmap));
      EXPECT_EQ(BitmapSelection.bitmap, nullptr);  // the clipboard owns it
      CopyBitmapToClipboard(window, 1);            // nothing left to copy
      EXPECT_EQ(standins::gdi::clipboardData(CF_BITMAP), static_cast<HANDLE>(bitmap));
    }
  }
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
  standins::gdi::destroyWindow(window);
}

}  // namespace
}  // namespace kvom::report
