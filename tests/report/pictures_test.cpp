#include "report/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/windows/gdi.h"
#include "platform/windows/metafile.h"
#include "report/page_layout.h"
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

void writeBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

void put32(std::string& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A small enhanced metafile: a line from (0, 0) to (100, 50) in a frame of that size.
std::string lineEnhancedMetafile() {
  std::string bytes;
  const auto record = [&bytes](std::uint32_t type, std::initializer_list<std::uint32_t> values) {
    put32(bytes, type);
    put32(bytes, static_cast<std::uint32_t>(8 + 4 * values.size()));
    for (std::uint32_t value : values) put32(bytes, value);
  };
  // Header: bounds, frame (0.01 mm at 96 pixels per inch), signature, version, bytes, records,
  // handles and reserved, description, palette, device size in pixels and millimetres.
  record(EMR_HEADER,
         {0, 0, 100, 50, 0, 0, 2646, 1323, ENHMETA_SIGNATURE, 0x10000, 0, 4, 1, 0, 0, 0, 1920, 1080, 508, 286});
  record(EMR_MOVETOEX, {0, 0});
  record(EMR_LINETO, {100, 50});
  record(EMR_EOF, {0, 16, 20});
  const auto size = static_cast<std::uint32_t>(bytes.size());
  std::memcpy(bytes.data() + 48, &size, 4);  // nBytes
  return bytes;
}

struct Mapping {
  int mode = 0;
  POINT windowOrigin{}, viewportOrigin{};
  SIZE windowExtent{}, viewportExtent{};
  RECT clip{};

  static Mapping of(HDC dc) {
    Mapping m;
    m.mode = GetMapMode(dc);
    GetWindowOrgEx(dc, &m.windowOrigin);
    GetViewportOrgEx(dc, &m.viewportOrigin);
    GetWindowExtEx(dc, &m.windowExtent);
    GetViewportExtEx(dc, &m.viewportExtent);
    GetClipBox(dc, &m.clip);
    return m;
  }
  bool operator==(const Mapping& o) const {
    return mode == o.mode && windowOrigin.x == o.windowOrigin.x && windowOrigin.y == o.windowOrigin.y &&
           viewportOrigin.x == o.viewportOrigin.x && viewportOrigin.y == o.viewportOrigin.y &&
           windowExtent.cx == o.windowExtent.cx && windowExtent.cy == o.windowExtent.cy &&
           viewportExtent.cx == o.viewportExtent.cx && viewportExtent.cy == o.viewportExtent.cy && clip == o.clip;
  }
};

class PicturesTest : public test::PictureFixture {
 protected:
  std::string programPath(const std::string& name) const { return windowsPathOf(programDir()) + name; }

  // Writes the line metafile: placeable with the bounding box, or plain.
  void writeLineMetafile(const std::string& name, const RECT* box) const {
    const HMETAFILE metafile = lineMetafile();
    const std::string path = programPath(name);
    ASSERT_EQ(
        box != nullptr ? WritePlaceableMetafile(metafile, path.c_str(), *box) : WriteMetafile(metafile, path.c_str()),
        1);
    DeleteMetaFile(metafile);
  }

  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& box : standins::gdi::messageBoxes()) texts.push_back(box.text);
    return texts;
  }
};

TEST_F(PicturesTest, PictureTextTakesAngleBracketsBeforeBracesAndSetsTheFlag) {
  for (const char* name : {"A.KVD", "B.KVD", "C.KVD"}) writeBoxPlot(currentDir() / name, 4, 2);
  LoadPagePictures("{A.KVD 1 1 10 5} text <B.KVD 1 6 10 10> more {C.KVD 11 1 20 5}");
  ASSERT_EQ(PictureTable.count, 2);
  EXPECT_EQ(PictureTable.slots[0].firstCell, 400);
  EXPECT_EQ(PictureTable.slots[0].lastCell, 729);
  EXPECT_EQ(PictureTable.slots[1].firstCell, 10);
  EXPECT_EQ(PictureTable.slots[1].lastCell, 339);
  EXPECT_EQ(PictureTable.slots[1].kind, kPicturePlot);
  EXPECT_EQ(PictureBracketFlag, 0);
  FreeAllPictures();

  LoadPagePictures("{A.KVD 1 1 2 2} <B.KVD 1 1 2 2>");
  EXPECT_EQ(PictureTable.count, 1);
  EXPECT_EQ(PictureBracketFlag, 1);
}

TEST_F(PicturesTest, AtMostTenPicturesAndFailedReferencesReuseTheirSlot) {
  writeBoxPlot(currentDir() / "P.KVD", 4, 2);
  std::string text = "<MISSING.KVD 1 1 2 2>";
  for (int i = 0; i < 11; ++i) text += "<P 1 1 2 2>";
  LoadPagePictures(text.c_str());
  EXPECT_EQ(PictureTable.count, 10);
  for (const PictureSlot& slot : PictureTable.slots) EXPECT_EQ(slot.kind, kPicturePlot);
}

TEST_F(PicturesTest, BadReferencesLoadNothing) {
  writeBoxPlot(currentDir() / "P.KVD", 4, 2);
  writeBytes(programDir() / "NOTES.TXT", "text");
  const std::string longName(76, 'N');
  writeBoxPlot(currentDir() / (longName + ".KVD"), 4, 2);  // 80 characters with the extension
  struct Case {
    std::string reference;
    std::int32_t loaded;
  };
  const Case cases[] = {
      {"P.KVD 1 1 2 2", 1},
      {"P.KVD 1 1 2", 0},                           // four fields
      {"P.KVD 1 x 2 2", 0},                         // not a number
      {"P.KVD", 0},                                 // name alone
      {longName + ".KVD 1 1 2 2", 0},               // name of 80 characters
      {"P.KVD 1 1 2 2" + std::string(70, ' '), 0},  // reference of 83 characters
      {"P.KVD 1 99999999999 2 2", 0},               // number beyond 32 bits
      {"P.KVD 1 30000000 2 2", 0},                  // cell beyond 32 bits
      {"MISSING.KVD 1 1 2 2", 0},
      {"NOTES.TXT 1 1 2 2", 0},  // unknown extension
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LoadPicture(0, c.reference.c_str(), 0, 1), c.loaded) << c.reference;
    EXPECT_EQ(PictureTable.slots[0].kind, c.loaded == 1 ? kPicturePlot : kPictureEmpty) << c.reference;
    FreePicture(0);
  }
  EXPECT_EQ(LoadPicture(10, "P.KVD 1 1 2 2", 0, 1), 0);
  EXPECT_EQ(LoadPicture(-1, "P.KVD 1 1 2 2", 0, 1), 0);
}

TEST_F(PicturesTest, PlotsAreLookedForAsNamedThenUnderTheProgramDirectory) {
  writeBoxPlot(currentDir() / "PLOT.KVD", 4, 2);                     // five records
  writeBoxPlot(programDir() / "PLOT.KVD", 4, 2, /*withText=*/true);  // six
  ASSERT_EQ(LoadPicture(0, "PLOT 1 1 2 2", 100, 1), 1);
  EXPECT_EQ(PictureTable.slots[0].plot.recordCount, 5);
  EXPECT_EQ(PictureTable.slots[0].firstCell, 100);
  EXPECT_EQ(PictureTable.slots[0].lastCell, 181);
  FreePicture(0);
  fs::remove(currentDir() / "PLOT.KVD");
  ASSERT_EQ(LoadPicture(0, "PLOT 1 1 2 2", 0, 1), 1);
  EXPECT_EQ(PictureTable.slots[0].plot.recordCount, 6);
  FreePicture(0);

  // Metafiles only ever come from the program directory.
  const HMETAFILE metafile = lineMetafile();
  ASSERT_EQ(WriteMetafile(metafile, (windowsPathOf(currentDir()) + "HERE.WMF").c_str()), 1);
  DeleteMetaFile(metafile);
  EXPECT_EQ(LoadPicture(0, "HERE.WMF 1 1 2 2", 0, 1), 0);
  writeLineMetafile("THERE.wmf", nullptr);
  EXPECT_EQ(LoadPicture(0, "THERE.wmf 1 1 2 2", 0, 1), 1);
  EXPECT_EQ(PictureTable.slots[0].kind, kPicturePlain);
}

TEST_F(PicturesTest, ExtensionIsTakenFromTheFileNameNotADirectory) {
  writeBoxPlot(programDir() / "dir.wmf" / "PLOT.KVD", 4, 2);
  writeBoxPlot(programDir() / "dir.kvd" / "PLOT", 4, 2);
  EXPECT_EQ(LoadPictureFile(0, programPath("dir.wmf\\PLOT.KVD").c_str(), 1), 1);
  EXPECT_EQ(PictureTable.slots[0].kind, kPicturePlot);
  FreePicture(0);
  EXPECT_EQ(LoadPictureFile(0, programPath("dir.kvd\\PLOT").c_str(), 1), 0);
  EXPECT_EQ(PictureTable.slots[0].kind, kPictureEmpty);
}

// Each kind drawn into a window context that has a mapping and a clip of its own.
TEST_F(PicturesTest, DrawsEachKindIntoItsRectangleAndRestoresTheContext) {
  writeBytes(programDir() / "LINE.EMF", lineEnhancedMetafile());
  const RECT box{0, 0, 200, 100};
  writeLineMetafile("PLACED.WMF", &box);
  writeLineMetafile("PLAIN.WMF", nullptr);
  writeBoxPlot(programDir() / "BOX.KVD", 4, 2);
  const RECT target{100, 50, 300, 150};
  struct Case {
    const char* file;
    std::int32_t kind;
    std::vector<POINT> expected;  // device points of the lines; empty: only checked to lie in the target
  };
  const Case cases[] = {
      {"LINE.EMF", kPictureEnhanced, {}},
      {"PLACED.WMF", kPicturePlaceable, {{110, 70}, {210, 120}}},
      {"PLAIN.WMF", kPicturePlain, {{10, 20}, {110, 70}}},  // unscaled, the rectangle ignored
      {"BOX.KVD", kPicturePlot, {}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(LoadPictureFile(0, programPath(c.file).c_str(), 1), 1) << c.file;
    EXPECT_EQ(PictureTable.slots[0].kind, c.kind) << c.file;
    const HDC dc = standins::gdi::createWindowContext(400, 300);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 2, 2, nullptr);
    SetViewportExtEx(dc, 2, 2, nullptr);
    IntersectClipRect(dc, 0, 0, 350, 250);
    const Mapping before = Mapping::of(dc);

    DrawPicture(0, nullptr, dc, target);

    EXPECT_TRUE(Mapping::of(dc) == before) << c.file;
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT) << c.file;
    const std::vector<POINT> points = test::linePoints(dc);
    ASSERT_FALSE(points.empty()) << c.file;
    if (!c.expected.empty()) {
      ASSERT_EQ(points.size(), c.expected.size()) << c.file;
      for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_NEAR(points[i].x, c.expected[i].x, 1) << c.file << " point " << i;
        EXPECT_NEAR(points[i].y, c.expected[i].y, 1) << c.file << " point " << i;
      }
    } else {
      for (const POINT& p : points) {
        EXPECT_TRUE(p.x >= target.left && p.x <= target.right && p.y >= target.top && p.y <= target.bottom)
            << c.file << " (" << p.x << ", " << p.y << ")";
      }
    }
    DeleteDC(dc);
    FreePicture(0);
  }
}

TEST_F(PicturesTest, PlaceableMetafileWrittenAndReadBack) {
  const RECT box{-5, 10, 195, 110};
  writeLineMetafile("BACK.WMF", &box);
  const std::string bytes = test::readFile(programDir() / "BACK.WMF");
  ASSERT_GT(bytes.size(), kPlaceableHeaderSize + 18);
  const auto word = [&bytes](std::size_t offset) {
    return static_cast<std::int16_t>(static_cast<unsigned char>(bytes[offset]) |
                                     (static_cast<unsigned char>(bytes[offset + 1]) << 8));
  };
  EXPECT_EQ(static_cast<std::uint16_t>(word(0)), 0xCDD7);
  EXPECT_EQ(static_cast<std::uint16_t>(word(2)), 0x9AC6);
  EXPECT_EQ(word(6), -5);
  EXPECT_EQ(word(8), 10);
  EXPECT_EQ(word(10), 195);  // the right edge, as readers of such files expect
  EXPECT_EQ(word(12), 110);
  EXPECT_EQ(word(14), 1000);

  PlaceableHeader header{};
  PictureSlot slot;
  const HMETAFILE metafile = ReadWindowsMetafile(programPath("BACK.WMF").c_str(), header, slot);
  ASSERT_NE(metafile, nullptr);
  EXPECT_EQ(slot.kind, kPicturePlaceable);
  const HDC dc = standins::gdi::createPageContext(400, 300, 100);
  MapPlaceableWindow(nullptr, dc, header, RECT{0, 0, 400, 200});
  POINT origin{};
  SIZE extent{};
  GetWindowOrgEx(dc, &origin);
  GetWindowExtEx(dc, &extent);
  EXPECT_EQ(GetMapMode(dc), MM_ANISOTROPIC);
  EXPECT_EQ(origin.x, -5);
  EXPECT_EQ(origin.y, 10);
  EXPECT_EQ(extent.cx, 200);
  EXPECT_EQ(extent.cy, 100);
  ASSERT_EQ(PlayMetaFile(dc, metafile), TRUE);
  const std::vector<POINT> points = test::linePoints(dc);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0].x, 30);  // (10 + 5) * 2
  EXPECT_EQ(points[0].y, 20);  // (20 - 10) * 2
  DeleteDC(dc);
  DeleteMetaFile(metafile);
}

TEST(PlaceableChecksumTest, XorOfTheFirstTenWords) {
  PlaceableHeader header{0xD7, 0xCD, 0xC6, 0x9A};
  header[14] = 0xE8;  // 1000 units per inch
  header[15] = 0x03;
  header[20] = 0xFF;  // the checksum itself is not summed
  EXPECT_EQ(PlaceableChecksum(header), 0xCDD7 ^ 0x9AC6 ^ 0x03E8);
}

TEST_F(PicturesTest, DamagedMetafileFilesAreRefusedWithAMessage) {
  const RECT box{0, 0, 200, 100};
  writeLineMetafile("GOOD.WMF", &box);
  const std::string good = test::readFile(programDir() / "GOOD.WMF");
  struct Case {
    const char* label;
    std::string bytes;
    const char* message;  // none: refused silently as a plain metafile that does not read
    std::int32_t kind;
  };
  const Case cases[] = {
      {"key and a short header", good.substr(0, 12), "Unable to read placeable header", 0},
      {"short metafile header", good.substr(0, 30), "Unable to read metafile header", 0},
      {"two bytes", "\xD7\xCD", nullptr, kPicturePlain},
      {"empty", "", nullptr, kPicturePlain},
  };
  for (const Case& c : cases) {
    standins::gdi::clearMessageBoxes();
    writeBytes(programDir() / "BAD.WMF", c.bytes);
    PlaceableHeader header{};
    PictureSlot slot;
    EXPECT_EQ(ReadWindowsMetafile(programPath("BAD.WMF").c_str(), header, slot), nullptr) << c.label;
    EXPECT_EQ(slot.kind, c.kind) << c.label;
    if (c.message != nullptr) {
      ASSERT_EQ(standins::gdi::messageBoxes().size(), 1u) << c.label;
      EXPECT_EQ(standins::gdi::messageBoxes()[0].text, c.message) << c.label;
      EXPECT_EQ(standins::gdi::messageBoxes()[0].style, MB_ICONHAND) << c.label;
    } else {
      EXPECT_TRUE(standins::gdi::messageBoxes().empty()) << c.label;
    }
    EXPECT_EQ(LoadPictureFile(0, programPath("BAD.WMF").c_str(), 1), 0) << c.label;
    EXPECT_EQ(PictureTable.slots[0].kind, kPictureEmpty) << c.label;
  }

  standins::gdi::clearMessageBoxes();
  standins::windows::failOperation("GlobalAlloc", 0, 1);
  PlaceableHeader header{};
  PictureSlot slot;
  EXPECT_EQ(ReadWindowsMetafile(programPath("GOOD.WMF").c_str(), header, slot), nullptr);
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0], "Unable to allocate memory for metafile bits");
}

TEST_F(PicturesTest, APlaceableHeaderWithAWrongChecksumIsReadAllTheSame) {
  const RECT box{0, 0, 200, 100};
  writeLineMetafile("GOOD.WMF", &box);
  std::string bytes = test::readFile(programDir() / "GOOD.WMF");
  PlaceableHeader written{};
  std::memcpy(written.data(), bytes.data(), written.size());
  EXPECT_EQ(PlaceableChecksum(written), written[20] | (written[21] << 8)) << "the writer sets the right checksum";
  bytes[20] = static_cast<char>(bytes[20] ^ 1);
  writeBytes(programDir() / "SUMLESS.WMF", bytes);
  EXPECT_EQ(LoadPictureFile(0, programPath("SUMLESS.WMF").c_str(), 1), 1);
  EXPECT_EQ(PictureTable.slots[0].kind, kPicturePlaceable);
  EXPECT_EQ(PictureTable.slots[0].placeableHeader[20], static_cast<unsigned char>(bytes[20]));
  EXPECT_TRUE(standins::gdi::messageBoxes().empty());
  FreePicture(0);
}

TEST_F(PicturesTest, APlainMetafileWrittenAsPlaceableReadsBackAsWritten) {
  // Three lines; the header's size field (16-bit words) is then set to each case's count.
  const HDC recorder = CreateMetaFileA(nullptr);
  for (int i = 0; i < 3; ++i) {
    MoveToEx(recorder, 10 * i, 0, nullptr);
    LineTo(recorder, 10 * i + 5, 50);
  }
  const HMETAFILE recorded = CloseMetaFile(recorder);
  std::string bits(GetMetaFileBitsEx(recorded, 0, nullptr), '\0');
  ASSERT_EQ(GetMetaFileBitsEx(recorded, static_cast<UINT>(bits.size()), bits.data()), bits.size());
  DeleteMetaFile(recorded);
  const std::uint32_t words = static_cast<std::uint32_t>(bits.size() / 2);
  struct Case {
    const char* label;
    std::uint32_t sizeWords;
    bool written;
  };
  const Case cases[] = {
      {"the whole metafile", words, true},
      {"a size field short of the file", words / 2, true},
      {"a size field of the header alone", 9, true},
      {"a size field beyond the file", words + 40, true},
      {"a size field short of its own header", 4, false},
  };
  const auto playedLines = [](HMETAFILE metafile) {
    const HDC dc = standins::gdi::createPageContext(200, 200, 100);
    PlayMetaFile(dc, metafile);
    const std::vector<POINT> points = test::linePoints(dc);
    DeleteDC(dc);
    return points;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::string plain = bits;
    for (int i = 0; i < 4; ++i) plain[6 + i] = static_cast<char>((c.sizeWords >> (8 * i)) & 0xFF);
    writeBytes(programDir() / "PLAIN.WMF", plain);
    PlaceableHeader header{};
    PictureSlot slot;
    const HMETAFILE loaded = ReadWindowsMetafile(programPath("PLAIN.WMF").c_str(), header, slot);
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(slot.kind, kPicturePlain);
    fs::remove(programDir() / "PLACED.WMF");
    ASSERT_EQ(WritePlaceableMetafile(loaded, programPath("PLACED.WMF").c_str(), RECT{0, 0, 200, 100}), c.written);
    if (!c.written) {
      EXPECT_FALSE(fs::exists(programDir() / "PLACED.WMF"));
      DeleteMetaFile(loaded);
      continue;
    }
    const std::string file = test::readFile(programDir() / "PLACED.WMF");
    const std::string written = file.substr(kPlaceableHeaderSize);
    EXPECT_EQ(written.size(), std::min<std::size_t>(2ull * c.sizeWords, plain.size()));
    const HMETAFILE back = ReadWindowsMetafile(programPath("PLACED.WMF").c_str(), header, slot);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(slot.kind, kPicturePlaceable);
    std::string readBack(GetMetaFileBitsEx(back, 0, nullptr), '\0');
    GetMetaFileBitsEx(back, static_cast<UINT>(readBack.size()), readBack.data());
    ASSERT_EQ(readBack.size(), written.size());
    EXPECT_EQ(readBack.substr(2), written.substr(2)) << "all but the memory or disk type";
    const std::vector<POINT> shown = playedLines(loaded);
    const std::vector<POINT> shownBack = playedLines(back);
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), shownBack.begin(), shownBack.end(),
                           [](POINT a, POINT b) { return a.x == b.x && a.y == b.y; }))
        << shown.size() << " points against " << shownBack.size();
    DeleteMetaFile(back);
    DeleteMetaFile(loaded);
  }
}

TEST_F(PicturesTest, FailedMetafileWriteLeavesNoFileAndNothingAllocated) {
  writeBytes(programDir() / "OLD.WMF", "previous content");
  struct Case {
    const char* label;
    const char* operation;  // of the Windows stand-in; none: a full disk
  };
  const Case cases[] = {{"no memory", "GlobalAlloc"}, {"cannot create", "openFile"}, {"disk full", nullptr}};
  for (const Case& c : cases) {
    const HMETAFILE metafile = lineMetafile();
    for (const char* name : {"NEW.WMF", "OLD.WMF"}) {
      if (c.operation != nullptr) {
        standins::windows::failOperation(c.operation, 0, 1);
      } else {
        standins::windows::failWritesAfter(30);
      }
      EXPECT_EQ(WritePlaceableMetafile(metafile, programPath(name).c_str(), RECT{0, 0, 10, 10}), 0)
          << c.label << " " << name;
      standins::windows::failWritesAfter(std::nullopt);
    }
    EXPECT_FALSE(fs::exists(programDir() / "NEW.WMF")) << c.label;
    EXPECT_EQ(test::readFile(programDir() / "OLD.WMF"), "previous content") << c.label;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(programDir())) files.push_back(entry.path().filename());
    EXPECT_EQ(files, std::vector<fs::path>{"OLD.WMF"}) << c.label;
    DeleteMetaFile(metafile);
  }
}

TEST_F(PicturesTest, PictureAtPointFindsOnlyPlotsDrawnOnTheScreen) {
  PictureTable.count = 4;
  PictureTable.slots[0].kind = kPicturePlot;
  PictureTable.slots[0].drawnRect = {10, 10, 50, 50};
  PictureTable.slots[1].kind = kPicturePlaceable;  // a metafile is never hit
  PictureTable.slots[1].drawnRect = {0, 0, 100, 100};
  PictureTable.slots[2].kind = kPicturePlot;  // not drawn yet
  PictureTable.slots[3].kind = kPicturePlot;
  PictureTable.slots[3].drawnRect = {40, 40, 80, 800};
  const auto pack = [](std::uint32_t x, std::uint32_t y) { return x | (y << 16); };
  struct Case {
    std::uint32_t point;
    std::int32_t found;
    std::int32_t index;
  };
  const Case cases[] = {
      {pack(10, 10), 1, 0},  {pack(50, 50), 1, 0},      {pack(45, 45), 1, 0},  // edges included, first wins
      {pack(60, 700), 1, 3}, {pack(0, 0), 0, -1},       {pack(5, 5), 0, -1},
      {pack(81, 60), 0, -1}, {pack(60, 0xFFFF), 0, -1},
  };
  for (const Case& c : cases) {
    std::int32_t index = -1;
    EXPECT_EQ(PictureAtPoint(c.point, index), c.found) << std::hex << c.point;
    EXPECT_EQ(index, c.index) << std::hex << c.point;
  }
  PictureTable = {};
}

}  // namespace
}  // namespace kvom::report
