// Metafiles of the graphics stand-in: records written by metafile contexts, their bits, files and
// playing them back into other contexts.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/windows/gdi.h"
#include "platform/windows/metafile.h"
#include "standins/gdi/gdi_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/standins/scratch_dir_test.h"
#include "tests/support/standin_helpers.h"

using namespace platform::win;
namespace gdi = standins::gdi;
namespace fs = std::filesystem;

namespace {

class MetafileStandinTest : public kvom::test::ScratchDirTest {
 protected:
  // A page under an anisotropic mapping with y up, as a plot is drawn.
  static HDC mappedPage() {
    HDC page = gdi::createPageContext(1200, 900, 150);
    SetMapMode(page, MM_ANISOTROPIC);
    SetWindowExtEx(page, 2000, 1000, nullptr);
    SetViewportExtEx(page, 1000, -500, nullptr);
    SetViewportOrgEx(page, 100, 700, nullptr);
    return page;
  }
};

// Drawing that uses every kind of record a metafile context writes.
void drawScene(HDC hdc) {
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, RGB(0, 0, 128));
  SetBkColor(hdc, RGB(255, 255, 0));
  HPEN thick = CreatePen(PS_SOLID, 10, RGB(255, 0, 0));
  HBRUSH fill = CreateSolidBrush(RGB(0, 255, 0));
  HFONT font = CreateFontA(-120, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH, "Courier New");
  HGDIOBJ oldPen = SelectObject(hdc, thick);
  HGDIOBJ oldBrush = SelectObject(hdc, fill);
  HGDIOBJ oldFont = SelectObject(hdc, font);
  MoveToEx(hdc, 10, 20, nullptr);
  LineTo(hdc, 300, 400);
  const POINT points[] = {{0, 0}, {100, 50}, {200, -30}, {-40, 10}};
  Polyline(hdc, points, 4);
  Rectangle(hdc, 50, 60, 500, 300);
  Ellipse(hdc, 600, 100, 400, 0);
  Arc(hdc, 0, 0, 400, 400, 400, 200, 200, 0);
  // A second pen replaces the first, which is deleted; a third takes its place in the table.
  HPEN dotted = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  SelectObject(hdc, dotted);
  DeleteObject(thick);
  LineTo(hdc, 0, 0);
  HPEN blue = CreatePen(PS_DASH, 1, RGB(0, 0, 255));
  SelectObject(hdc, blue);
  LineTo(hdc, 50, 50);
  SetTextAlign(hdc, TA_RIGHT | TA_BASELINE);
  TextOutA(hdc, 700, 800, "Total", 5);
  const RECT box{100, 100, 900, 200};
  const int advances[] = {70, 70, 80};
  ExtTextOutA(hdc, 120, 180, ETO_OPAQUE | ETO_CLIPPED, &box, "7.5", 3, advances);
  ExtTextOutA(hdc, 120, 280, 0, nullptr, "odd", 3, nullptr);
  SaveDC(hdc);
  IntersectClipRect(hdc, 0, 0, 250, 250);
  Rectangle(hdc, 0, 0, 1000, 1000);
  RestoreDC(hdc, -1);
  const RECT area{10, 10, 110, 60};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(hdc, &area, red);
  PatBlt(hdc, 0, 0, 40, 40, BLACKNESS);
  Ellipse(hdc, 0, 0, 10, 10);  // with the green brush again
  SelectObject(hdc, oldPen);
  SelectObject(hdc, oldBrush);
  SelectObject(hdc, oldFont);
  for (HGDIOBJ o : {static_cast<HGDIOBJ>(dotted), blue, fill, red, font}) DeleteObject(o);
}

void expectSameEntries(const std::vector<gdi::DisplayEntry>& actual, const std::vector<gdi::DisplayEntry>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    const gdi::DisplayEntry& a = actual[i];
    const gdi::DisplayEntry& e = expected[i];
    SCOPED_TRACE("entry " + std::to_string(i));
    // A metafile fills a rectangle by a pattern block transfer with the brush.
    if (e.kind == gdi::EntryKind::FillRect) {
      EXPECT_EQ(a.kind, gdi::EntryKind::Fill);
      EXPECT_EQ(a.rop, PATCOPY);
    } else {
      EXPECT_EQ(a.kind, e.kind);
      EXPECT_EQ(a.rop, e.rop);
    }
    ASSERT_EQ(a.points.size(), e.points.size());
    for (std::size_t p = 0; p < a.points.size(); ++p) {
      EXPECT_EQ(a.points[p].x, e.points[p].x);
      EXPECT_EQ(a.points[p].y, e.points[p].y);
    }
    EXPECT_EQ(a.pen.style, e.pen.style);
    EXPECT_EQ(a.pen.width, e.pen.width);
    EXPECT_EQ(a.pen.color, e.pen.color);
    EXPECT_EQ(a.brush.hollow, e.brush.hollow);
    EXPECT_EQ(a.brush.color, e.brush.color);
    EXPECT_EQ(a.text, e.text);
    EXPECT_EQ(a.advances, e.advances);
    EXPECT_EQ(a.font.height, e.font.height);
    EXPECT_EQ(a.font.charWidth, e.font.charWidth);
    EXPECT_STREQ(a.font.description.lfFaceName, e.font.description.lfFaceName);
    EXPECT_EQ(a.font.description.lfWeight, e.font.description.lfWeight);
    EXPECT_EQ(a.textColor, e.textColor);
    EXPECT_EQ(a.backgroundColor, e.backgroundColor);
    EXPECT_EQ(a.backgroundMode, e.backgroundMode);
    EXPECT_EQ(a.textAlign, e.textAlign);
    EXPECT_EQ(a.clip.has_value(), e.clip.has_value());
    if (a.clip && e.clip) {
      EXPECT_EQ(a.clip->left, e.clip->left);
      EXPECT_EQ(a.clip->bottom, e.clip->bottom);
    }
    EXPECT_EQ(a.opaqueRect.has_value(), e.opaqueRect.has_value());
  }
}

HMETAFILE recordScene() {
  HDC recorder = CreateMetaFileA(nullptr);
  EXPECT_EQ(gdi::contextKind(recorder), gdi::ContextKind::Metafile);
  drawScene(recorder);
  return CloseMetaFile(recorder);
}

std::vector<std::uint8_t> bitsOf(HMETAFILE metafile) {
  std::vector<std::uint8_t> bits(GetMetaFileBitsEx(metafile, 0, nullptr));
  EXPECT_EQ(GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data()), bits.size());
  return bits;
}

std::uint16_t wordAt(const std::vector<std::uint8_t>& bits, std::size_t offset) {
  return static_cast<std::uint16_t>(bits[offset] | (bits[offset + 1] << 8));
}

TEST_F(MetafileStandinTest, APlayedMetafileDrawsWhatDrawingDirectlyDraws) {
  HDC direct = mappedPage();
  drawScene(direct);
  const int objectsBefore = gdi::liveObjects();
  EXPECT_EQ(objectsBefore, 0);

  HMETAFILE metafile = recordScene();
  ASSERT_NE(metafile, nullptr);
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Metafile), 1);
  EXPECT_EQ(gdi::liveObjects(), 1);  // every object the scene made is gone, the metafile stays
  HDC played = mappedPage();
  HGDIOBJ pen = GetCurrentObject(played, OBJ_PEN);
  ASSERT_TRUE(PlayMetaFile(played, metafile));
  expectSameEntries(gdi::displayList(played), gdi::displayList(direct));
  // A picture of it for people to look at.
  fs::create_directories(KVOM_PICTURE_DIR);
  EXPECT_TRUE(gdi::writePng(played, (fs::path(KVOM_PICTURE_DIR) / "metafile_played.png").string()));

  // Playing leaves the target's objects selected and deletes what it made.
  EXPECT_EQ(GetCurrentObject(played, OBJ_PEN), pen);
  EXPECT_EQ(gdi::liveObjects(), 1);
  EXPECT_EQ(gdi::invalidDeletes(), 0);

  // Into another metafile and from there onto a page: the same again.
  HDC copy = CreateMetaFileA(nullptr);
  ASSERT_TRUE(PlayMetaFile(copy, metafile));
  HMETAFILE second = CloseMetaFile(copy);
  HDC again = mappedPage();
  ASSERT_TRUE(PlayMetaFile(again, second));
  expectSameEntries(gdi::displayList(again), gdi::displayList(direct));

  EXPECT_TRUE(DeleteMetaFile(metafile));
  EXPECT_TRUE(DeleteMetaFile(second));
  EXPECT_EQ(gdi::liveObjects(), 0);
  EXPECT_FALSE(DeleteMetaFile(metafile));
  EXPECT_EQ(gdi::invalidDeletes(), 1);
}

TEST_F(MetafileStandinTest, RecordsAreThoseOfTheWindowsMetafileFormat) {
  HDC recorder = CreateMetaFileA(nullptr);
  SetMapMode(recorder, MM_ANISOTROPIC);
  SetWindowOrgEx(recorder, 0, 0, nullptr);
  SetWindowExtEx(recorder, 9800, 5000, nullptr);
  SetTextColor(recorder, RGB(1, 2, 3));
  HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  SelectObject(recorder, pen);
  MoveToEx(recorder, 10, -20, nullptr);
  LineTo(recorder, 30, 40);
  TextOutA(recorder, 5, 6, "abc", 3);
  SelectObject(recorder, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
  const std::vector<std::uint8_t> bits = bitsOf(CloseMetaFile(recorder));

  const std::vector<std::vector<std::uint16_t>> records = {
      {4, 0, META_SETMAPMODE, MM_ANISOTROPIC},
      {5, 0, META_SETWINDOWORG, 0, 0},
      {5, 0, META_SETWINDOWEXT, 5000, 9800},
      {5, 0, META_SETTEXTCOLOR, 0x0201, 0x0003},
      {8, 0, META_CREATEPENINDIRECT, PS_DOT, 1, 0, 0, 0},
      {4, 0, META_SELECTOBJECT, 0},
      {5, 0, META_MOVETO, static_cast<std::uint16_t>(-20), 10},
      {5, 0, META_LINETO, 40, 30},
      {8, 0, META_TEXTOUT, 3, 'a' | ('b' << 8), 'c', 6, 5},
      {8, 0, META_CREATEPENINDIRECT, PS_SOLID, 1, 0, 0, 0},  // the stock pen joins the table
      {4, 0, META_SELECTOBJECT, 1},
      {4, 0, META_DELETEOBJECT, 0},
      {3, 0, META_EOF},
  };
  std::vector<std::uint16_t> expected;
  for (const auto& r : records) expected.insert(expected.end(), r.begin(), r.end());

  ASSERT_EQ(bits.size(), 18 + expected.size() * 2);
  EXPECT_EQ(wordAt(bits, 0), 1);       // memory metafile
  EXPECT_EQ(wordAt(bits, 2), 9);       // header words
  EXPECT_EQ(wordAt(bits, 4), 0x0300);  // version
  EXPECT_EQ(wordAt(bits, 6) | (wordAt(bits, 8) << 16), bits.size() / 2);
  EXPECT_EQ(wordAt(bits, 10), 2);  // objects at most alive at once
  EXPECT_EQ(wordAt(bits, 12), 8);  // largest record
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(wordAt(bits, 18 + 2 * i), expected[i]) << "word " << i;
  }
  EXPECT_EQ(gdi::liveObjects(), 1);
}

TEST_F(MetafileStandinTest, BitsMakeTheSameMetafileAgain) {
  HMETAFILE metafile = recordScene();
  const std::vector<std::uint8_t> bits = bitsOf(metafile);
  std::vector<std::uint8_t> small(bits.size() - 1);
  EXPECT_EQ(GetMetaFileBitsEx(metafile, static_cast<UINT>(small.size()), small.data()), 0u);

  HMETAFILE copy = SetMetaFileBitsEx(static_cast<UINT>(bits.size()), bits.data());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(bitsOf(copy), bits);

  // Bits in a larger zero-filled block (a short read) play the same as far as they go.
  std::vector<std::uint8_t> padded(bits.begin(), bits.end() - 6);  // without its end record
  padded.resize(padded.size() + 64, 0);
  const std::uint32_t words = static_cast<std::uint32_t>(padded.size() / 2);
  std::memcpy(padded.data() + 6, &words, 4);
  HMETAFILE short_ = SetMetaFileBitsEx(static_cast<UINT>(padded.size()), padded.data());
  ASSERT_NE(short_, nullptr);
  HDC a = mappedPage();
  HDC b = mappedPage();
  PlayMetaFile(a, metafile);
  PlayMetaFile(b, short_);
  expectSameEntries(gdi::displayList(b), gdi::displayList(a));

  // Bits that are no metafile make none.
  const std::vector<std::vector<std::uint8_t>> bad = {
      {}, {1, 0, 9, 0}, std::vector<std::uint8_t>(40, 0), std::vector<std::uint8_t>(40, 0xFF)};
  for (const auto& b : bad) EXPECT_EQ(SetMetaFileBitsEx(static_cast<UINT>(b.size()), b.data()), nullptr);
  EXPECT_EQ(SetMetaFileBitsEx(10, nullptr), nullptr);
  for (HMETAFILE m : {metafile, copy, short_}) DeleteMetaFile(m);
  EXPECT_EQ(gdi::liveObjects(), 0);
}

// Metafile bits of the given records (each: function, parameters), with header and end record.
std::vector<std::uint8_t> bitsOfRecords(const std::vector<std::vector<std::uint16_t>>& records) {
  std::vector<std::uint16_t> words{1, 9, 0x0300, 0, 0, 0, 0, 0, 0};
  for (const auto& r : records) {
    words.push_back(static_cast<std::uint16_t>(2 + r.size()));
    words.push_back(0);
    words.insert(words.end(), r.begin(), r.end());
  }
  words.insert(words.end(), {3, 0, META_EOF});
  words[3] = static_cast<std::uint16_t>(words.size());
  std::vector<std::uint8_t> bits;
  for (std::uint16_t w : words)
    bits.insert(bits.end(), {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8)});
  return bits;
}

TEST_F(MetafileStandinTest, DamagedRecordsDrawNothingAndTheRestStillPlays) {
  std::vector<std::uint16_t> hugeBitmap{META_DIBSTRETCHBLT, 0x0020, 0x00CC, 1, 1, 0, 0, 10, 10, 0, 0};
  hugeBitmap.insert(hugeBitmap.end(), {40, 0, 0xFFFF, 0x7FFF, 0, 0x8000, 1, 24});  // width 2^31 - 1, height -2^31
  hugeBitmap.resize(hugeBitmap.size() + 14, 0);
  const std::vector<std::vector<std::uint16_t>> damaged = {
      {META_POLYLINE, 1000, 0, 0, 10, 10},              // more points than the record holds
      {META_TEXTOUT, 500, 'a', 0, 0},                   // more characters than the record holds
      {META_EXTTEXTOUT, 0, 0, 9999, ETO_OPAQUE, 1, 2},  // likewise, with a rectangle cut short
      hugeBitmap,
      {META_SELECTOBJECT, 7},  // an index with no object
      {META_DELETEOBJECT, 40000},
      {META_ARC, 1, 2},  // too few parameters: zeros for the rest
  };
  for (const auto& record : damaged) {
    SCOPED_TRACE("function " + std::to_string(record[0]));
    const std::vector<std::uint8_t> bits = bitsOfRecords({record, {META_LINETO, 40, 30}});
    HMETAFILE metafile = SetMetaFileBitsEx(static_cast<UINT>(bits.size()), bits.data());
    ASSERT_NE(metafile, nullptr);
    HDC page = gdi::createPageContext(100, 100, 96);
    EXPECT_TRUE(PlayMetaFile(page, metafile));
    const auto& list = gdi::displayList(page);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.back().points.back().x, 30);
    EXPECT_LE(list.size(), 2u);
    DeleteMetaFile(metafile);
    DeleteDC(page);
  }
  // A record running past the end stops the play there.
  std::vector<std::uint8_t> cut = bitsOfRecords({{META_LINETO, 40, 30}});
  cut[18] = 0xFF;
  HMETAFILE metafile = SetMetaFileBitsEx(static_cast<UINT>(cut.size()), cut.data());
  HDC page = gdi::createPageContext(100, 100, 96);
  EXPECT_TRUE(PlayMetaFile(page, metafile));
  EXPECT_TRUE(gdi::displayList(page).empty());
  DeleteMetaFile(metafile);
  EXPECT_EQ(gdi::liveObjects(), 0);
  EXPECT_EQ(gdi::invalidDeletes(), 0);
}

TEST_F(MetafileStandinTest, MetafilesAreWrittenToAndReadFromFiles) {
  HDC recorder = CreateMetaFileA(windowsPath("DISK.WMF").c_str());
  drawScene(recorder);
  HMETAFILE disk = CloseMetaFile(recorder);
  ASSERT_NE(disk, nullptr);
  const std::string file = kvom::test::readFile(nativePath("DISK.WMF"));
  ASSERT_GT(file.size(), 18u);
  EXPECT_EQ(file[0], 2);  // a disk metafile

  HMETAFILE read = GetMetaFileA(windowsPath("DISK.WMF").c_str());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(bitsOf(read), bitsOf(disk));

  // A copy in memory and one in a file.
  HMETAFILE memory = CopyMetaFileA(read, nullptr);
  EXPECT_EQ(bitsOf(memory)[0], 1);
  HMETAFILE copied = CopyMetaFileA(memory, windowsPath("COPY.WMF").c_str());
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(kvom::test::readFile(nativePath("COPY.WMF")), file);

  HDC a = mappedPage();
  HDC b = mappedPage();
  PlayMetaFile(a, memory);
  drawScene(b);
  expectSameEntries(gdi::displayList(a), gdi::displayList(b));

  // Files that hold no plain metafile, and files that cannot be written.
  std::ofstream(nativePath("PLACE.WMF"), std::ios::binary) << std::string("\xD7\xCD\xC6\x9A", 4) << file;
  std::ofstream(nativePath("TEXT.WMF")) << "not a metafile at all";
  for (const char* name : {"PLACE.WMF", "TEXT.WMF", "MISSING.WMF"}) {
    EXPECT_EQ(GetMetaFileA(windowsPath(name).c_str()), nullptr) << name;
  }
  standins::windows::failOperation("openFile", 0, 1);
  HDC failing = CreateMetaFileA(windowsPath("FAIL.WMF").c_str());
  EXPECT_EQ(CloseMetaFile(failing), nullptr);
  EXPECT_EQ(gdi::liveContexts(), 2);  // the two pages: the metafile context is gone
  standins::windows::failOperation("openFile", 0, 1);
  EXPECT_EQ(CopyMetaFileA(read, windowsPath("FAIL.WMF").c_str()), nullptr);

  for (HMETAFILE m : {disk, read, memory, copied}) EXPECT_TRUE(DeleteMetaFile(m));
  EXPECT_EQ(gdi::liveObjects(), 0);
}

TEST_F(MetafileStandinTest, FailuresLeaveNothingBehind) {
  gdi::failOperation("CreateMetaFileA", 0, 1);
  EXPECT_EQ(CreateMetaFileA(nullptr), nullptr);
  EXPECT_EQ(gdi::liveContexts(), 0);

  // A close that fails still ends the context; the objects it used can be deleted.
  HDC recorder = CreateMetaFileA(nullptr);
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  SelectObject(recorder, pen);
  gdi::failOperation("CloseMetaFile", 0, 1);
  EXPECT_EQ(CloseMetaFile(recorder), nullptr);
  EXPECT_EQ(gdi::liveContexts(), 0);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(gdi::liveObjects(), 0);

  // Objects that cannot be made while playing are left out; the rest still plays and nothing
  // stays behind.
  HMETAFILE metafile = recordScene();
  gdi::failOperation("CreatePenIndirect", 1, 1);
  HDC page = mappedPage();
  EXPECT_TRUE(PlayMetaFile(page, metafile));
  EXPECT_FALSE(gdi::displayList(page).empty());
  EXPECT_EQ(gdi::liveObjects(), 1);
  EXPECT_EQ(gdi::invalidDeletes(), 0);

  // Handles that are no metafile.
  EXPECT_FALSE(PlayMetaFile(page, nullptr));
  EXPECT_FALSE(PlayMetaFile(nullptr, metafile));
  EXPECT_EQ(GetMetaFileBitsEx(reinterpret_cast<HMETAFILE>(GetStockObject(BLACK_PEN)), 0, nullptr), 0u);
  EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(metafile)));
  EXPECT_EQ(CloseMetaFile(page), nullptr);
  EXPECT_TRUE(DeleteMetaFile(metafile));
  EXPECT_EQ(gdi::liveObjects(), 0);
}

TEST_F(MetafileStandinTest, ABlockTransferKeepsTheSourcePixels) {
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(memory, 20, 10);
  HGDIOBJ old = SelectObject(memory, bitmap);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const RECT left{0, 0, 10, 10};
  FillRect(memory, &left, red);
  const RECT right{10, 0, 20, 10};
  FillRect(memory, &right, GetStockObject(WHITE_BRUSH));

  HDC recorder = CreateMetaFileA(nullptr);
  ASSERT_TRUE(BitBlt(recorder, 5, 6, 20, 10, memory, 0, 0, SRCCOPY));
  HMETAFILE metafile = CloseMetaFile(recorder);
  const std::vector<std::uint8_t> bits = bitsOf(metafile);
  EXPECT_EQ(wordAt(bits, 18 + 4), META_DIBSTRETCHBLT);

  HDC page = gdi::createPageContext(100, 100, 96);
  ASSERT_TRUE(PlayMetaFile(page, metafile));
  ASSERT_EQ(gdi::displayList(page).size(), 1u);
  const gdi::DisplayEntry& e = gdi::displayList(page)[0];
  EXPECT_EQ(e.kind, gdi::EntryKind::Blit);
  EXPECT_EQ(e.points[0].x, 5);
  EXPECT_EQ(e.points[1].y, 16);
  ASSERT_TRUE(e.snapshot);
  ASSERT_EQ(e.snapshot->pixels.size(), 200u);
  EXPECT_EQ(e.snapshot->pixels[0], 0xFF0000u);
  EXPECT_EQ(e.snapshot->pixels[19 + 9 * 20], 0xFFFFFFu);

  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  DeleteObject(red);
  DeleteMetaFile(metafile);
  EXPECT_EQ(gdi::liveObjects(), 0);
}

}  // namespace
