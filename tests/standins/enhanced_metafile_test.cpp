// Enhanced metafiles read from files and played stretched into a rectangle.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/windows/gdi.h"
#include "platform/windows/metafile.h"
#include "standins/gdi/gdi_standin.h"
#include "tests/standins/scratch_dir_test.h"
#include "tests/support/standin_helpers.h"

using namespace platform::win;
namespace gdi = standins::gdi;
namespace fs = std::filesystem;

namespace {

// Writes a small enhanced metafile: a header for a reference device of 1000 x 1000 pixels on
// 100 x 100 mm with a frame of the whole device, the records given, and the end record.
class EmfWriter {
 public:
  void add(DWORD type, std::initializer_list<std::uint32_t> values) {
    std::vector<std::uint8_t> body;
    for (std::uint32_t v : values) put(body, v);
    addRaw(type, body);
  }
  void addRaw(DWORD type, std::vector<std::uint8_t> body) {
    body.resize((body.size() + 3) / 4 * 4, 0);
    put(records_, type);
    put(records_, static_cast<std::uint32_t>(8 + body.size()));
    records_.insert(records_.end(), body.begin(), body.end());
    ++count_;
  }
  // An EMR_EXTTEXTOUTA or W record of the text at (x, y).
  void text(std::int32_t x, std::int32_t y, const std::string& chars, bool wide) {
    std::vector<std::uint8_t> body;
    for (std::uint32_t v : {0u, 0u, 0u, 0u, 1u, 0u, 0u}) put(body, v);  // bounds, graphics mode, scales
    put(body, static_cast<std::uint32_t>(x));
    put(body, static_cast<std::uint32_t>(y));
    put(body, static_cast<std::uint32_t>(chars.size()));
    put(body, 76);                                                  // the characters follow the record's fixed part
    for (std::uint32_t v : {0u, 0u, 0u, 0u, 0u, 0u}) put(body, v);  // options, rectangle, no advances
    for (char c : chars) {
      body.push_back(static_cast<std::uint8_t>(c));
      if (wide) body.push_back(0);
    }
    addRaw(wide ? EMR_EXTTEXTOUTW : EMR_EXTTEXTOUTA, body);
  }
  void font(std::uint32_t index, std::int32_t height, const std::string& face) {
    std::vector<std::uint8_t> body;
    for (std::uint32_t v : {index, static_cast<std::uint32_t>(height), 0u, 0u, 0u, 400u}) put(body, v);
    for (int i = 0; i < 8; ++i) body.push_back(0);
    for (int i = 0; i < 32; ++i) {
      body.push_back(i < static_cast<int>(face.size()) ? static_cast<std::uint8_t>(face[i]) : 0);
      body.push_back(0);
    }
    addRaw(EMR_EXTCREATEFONTINDIRECTW, body);
  }
  std::vector<std::uint8_t> finish() {
    add(EMR_EOF, {0, 16, 20});
    std::vector<std::uint8_t> out;
    const auto total = static_cast<std::uint32_t>(88 + records_.size());
    for (std::uint32_t v : {EMR_HEADER, 88u,   0u,         0u, 999u, 999u, 0u, 0u,    10000u, 10000u, ENHMETA_SIGNATURE,
                            0x10000u,   total, count_ + 1, 4u, 0u,   0u,   0u, 1000u, 1000u,  100u,   100u}) {
      put(out, v);
    }
    out.insert(out.end(), records_.begin(), records_.end());
    return out;
  }

 private:
  static void put(std::vector<std::uint8_t>& bytes, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::vector<std::uint8_t> records_;
  std::uint32_t count_ = 0;
};

class EnhancedMetafileTest : public kvom::test::ScratchDirTest {
 protected:
  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream(nativePath(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return windowsPath(name);
  }
};

std::vector<std::uint8_t> samplePicture() {
  EmfWriter emf;
  emf.add(EMR_CREATEPEN, {1, PS_SOLID, 10, 0, RGB(255, 0, 0)});
  emf.add(EMR_SELECTOBJECT, {1});
  emf.add(EMR_MOVETOEX, {100, 200});
  emf.add(EMR_LINETO, {300, 400});
  emf.add(EMR_POLYLINE16, {0, 0, 0, 0, 3, 0, 500 | (500u << 16), 1000});
  emf.add(EMR_CREATEBRUSHINDIRECT, {2, BS_SOLID, RGB(0, 255, 0), 0});
  emf.add(EMR_SELECTOBJECT, {2});
  emf.add(EMR_RECTANGLE, {100, 100, 900, 500});
  emf.add(EMR_ELLIPSE, {0, 0, 200, 100});
  emf.add(EMR_ARC, {0, 0, 400, 400, 400, 200, 200, 0});
  emf.font(3, 100, "Arial");
  emf.add(EMR_SELECTOBJECT, {3});
  emf.add(EMR_SETTEXTCOLOR, {RGB(0, 0, 255)});
  emf.text(100, 800, "Total", false);
  emf.text(600, 800, "7.5", true);
  emf.add(EMR_SELECTOBJECT, {0x80000000u | BLACK_PEN});
  emf.add(EMR_DELETEOBJECT, {1});
  // Its own mapping: ten device pixels a unit.
  emf.add(EMR_SETMAPMODE, {MM_ANISOTROPIC});
  emf.add(EMR_SETWINDOWEXTEX, {100, 100});
  emf.add(EMR_SETVIEWPORTEXTEX, {1000, 1000});
  emf.add(EMR_LINETO, {50, 50});
  emf.add(1234, {1, 2, 3});  // a record the stand-in does not know
  return emf.finish();
}

// What the picture draws in the rectangle (10, 20, 510, 270): half its size across, a quarter
// down.
void drawExpected(HDC hdc) {
  HPEN pen = CreatePen(PS_SOLID, 5, RGB(255, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
  HFONT font = CreateFontA(25, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SaveDC(hdc);
  SelectObject(hdc, pen);
  MoveToEx(hdc, 60, 70, nullptr);
  LineTo(hdc, 160, 120);
  const POINT points[] = {{10, 20}, {260, 145}, {510, 20}};
  Polyline(hdc, points, 3);
  SelectObject(hdc, brush);
  Rectangle(hdc, 60, 45, 460, 145);
  Ellipse(hdc, 10, 20, 110, 45);
  Arc(hdc, 10, 20, 210, 120, 210, 70, 110, 20);
  SelectObject(hdc, font);
  SetTextColor(hdc, RGB(0, 0, 255));
  TextOutA(hdc, 60, 220, "Total", 5);
  TextOutA(hdc, 310, 220, "7.5", 3);
  SelectObject(hdc, GetStockObject(BLACK_PEN));
  LineTo(hdc, 260, 145);
  RestoreDC(hdc, -1);
  for (HGDIOBJ o : {pen, brush, font}) DeleteObject(o);
}

TEST_F(EnhancedMetafileTest, APictureIsPlayedStretchedIntoTheRectangle) {
  HENHMETAFILE picture = GetEnhMetaFileA(write("SAMPLE.EMF", samplePicture()).c_str());
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::EnhancedMetafile), 1);

  // The sample's header has the base fields alone.
  ENHMETAHEADER header{};
  EXPECT_EQ(GetEnhMetaFileHeader(picture, 0, nullptr), 88u);
  ASSERT_EQ(GetEnhMetaFileHeader(picture, sizeof header, &header), 88u);
  EXPECT_EQ(header.rclFrame.right, 10000);
  EXPECT_EQ(header.nRecords, 24u);
  EXPECT_EQ(header.nBytes, samplePicture().size());
  EXPECT_EQ(header.szlDevice.cx, 1000);

  HDC page = gdi::createPageContext(600, 400, 96);
  const COLORREF textColor = GetTextColor(page);
  const RECT rect{10, 20, 510, 270};
  ASSERT_TRUE(PlayEnhMetaFile(page, picture, &rect));
  HDC expected = gdi::createPageContext(600, 400, 96);
  drawExpected(expected);

  const auto& played = gdi::displayList(page);
  const auto& drawn = gdi::displayList(expected);
  ASSERT_EQ(played.size(), drawn.size());
  for (std::size_t i = 0; i < played.size(); ++i) {
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(played[i].kind, drawn[i].kind);
    ASSERT_EQ(played[i].points.size(), drawn[i].points.size());
    for (std::size_t p = 0; p < played[i].points.size(); ++p) {
      EXPECT_EQ(played[i].points[p].x, drawn[i].points[p].x);
      EXPECT_EQ(played[i].points[p].y, drawn[i].points[p].y);
    }
    EXPECT_EQ(played[i].pen.width, drawn[i].pen.width);
    EXPECT_EQ(played[i].pen.color, drawn[i].pen.color);
    EXPECT_EQ(played[i].brush.color, drawn[i].brush.color);
    EXPECT_EQ(played[i].text, drawn[i].text);
    EXPECT_EQ(played[i].font.height, drawn[i].font.height);
    EXPECT_STREQ(played[i].font.description.lfFaceName, drawn[i].font.description.lfFaceName);
    EXPECT_EQ(played[i].textColor, drawn[i].textColor);
  }

  // The context is as it was, and every object the picture made is gone.
  EXPECT_EQ(GetTextColor(page), textColor);
  EXPECT_EQ(GetCurrentObject(page, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(gdi::liveObjects(), 1);
  EXPECT_TRUE(DeleteEnhMetaFile(picture));
  EXPECT_FALSE(DeleteEnhMetaFile(picture));
  EXPECT_EQ(gdi::liveObjects(), 0);
  EXPECT_EQ(gdi::invalidDeletes(), 1);
}

TEST_F(EnhancedMetafileTest, DamagedRecordsDrawNothingAndTheRestStillPlays) {
  struct Damaged {
    DWORD type;
    std::initializer_list<std::uint32_t> values;
  };
  const Damaged cases[] = {
      {EMR_POLYLINE16, {0, 0, 0, 0, 0xFFFFFFFFu, 0}},  // more points than the record holds
      {EMR_POLYLINE, {0, 0, 0, 0, 0x20000000u, 0}},    // likewise, where the size would wrap
      {EMR_EXTTEXTOUTA, {0, 0, 0, 0, 1, 0, 0, 5, 5, 3, 0xFFFFFFF0u, 0, 0, 0, 0, 0, 0}},  // text outside
      {EMR_CREATEPEN, {0xFFFFFFFFu, PS_SOLID, 1, 0, 0}},                                 // an index beyond any table
      {EMR_SELECTOBJECT, {99}},
      {EMR_DELETEOBJECT, {99}},
      {EMR_EXTCREATEFONTINDIRECTW, {1, 10}},  // cut short
  };
  for (const Damaged& c : cases) {
    SCOPED_TRACE("record " + std::to_string(c.type));
    EmfWriter emf;
    emf.add(c.type, c.values);
    emf.add(EMR_LINETO, {300, 400});
    HENHMETAFILE picture = GetEnhMetaFileA(write("DAMAGED.EMF", emf.finish()).c_str());
    ASSERT_NE(picture, nullptr);
    HDC page = gdi::createPageContext(600, 400, 96);
    const RECT rect{0, 0, 1000, 1000};
    EXPECT_TRUE(PlayEnhMetaFile(page, picture, &rect));
    ASSERT_EQ(gdi::displayList(page).size(), 1u);
    EXPECT_EQ(gdi::displayList(page)[0].points[1].x, 300);
    DeleteEnhMetaFile(picture);
    DeleteDC(page);
    EXPECT_EQ(gdi::liveObjects(), 0);
  }
}

// A header record with the fields of the given length (88, 100 or 108 bytes) written at their
// offsets in the file, then a description and a pixel format within the record when asked for,
// and the end record.
std::vector<std::uint8_t> pictureWithHeader(std::size_t fields, bool description, bool pixelFormat) {
  const std::u16string text = u"Pic";
  const std::size_t descriptionBytes = description ? (text.size() + 2) * 2 : 0;  // two NULs end it
  const std::size_t descriptionAt = fields;
  const std::size_t pixelFormatAt = descriptionAt + (descriptionBytes + 3) / 4 * 4;
  const std::size_t headerBytes = pixelFormatAt + (pixelFormat ? 40 : 0);
  std::vector<std::uint8_t> bytes(headerBytes + 20, 0);
  const auto put = [&bytes](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(0, EMR_HEADER);
  put(4, static_cast<std::uint32_t>(headerBytes));
  put(16, 99);  // bounds: 0, 0, 99, 49
  put(20, 49);
  put(32, 2000);  // frame: 0, 0, 2000, 1000
  put(36, 1000);
  put(40, ENHMETA_SIGNATURE);
  put(44, 0x10000);
  put(48, static_cast<std::uint32_t>(bytes.size()));
  put(52, 2);
  put(56, 1);  // handles
  if (description) {
    put(60, static_cast<std::uint32_t>(text.size() + 2));
    put(64, static_cast<std::uint32_t>(descriptionAt));
    for (std::size_t i = 0; i < text.size(); ++i) bytes[descriptionAt + 2 * i] = static_cast<std::uint8_t>(text[i]);
  }
  put(72, 1024);  // device: 1024 x 768 pixels on 320 x 240 mm
  put(76, 768);
  put(80, 320);
  put(84, 240);
  if (fields >= 100 && pixelFormat) {
    put(88, 40);
    put(92, static_cast<std::uint32_t>(pixelFormatAt));
  }
  if (fields >= 108) {
    put(100, 320000);
    put(104, 240000);
  }
  for (std::size_t i = 0; pixelFormat && i < 40; ++i) bytes[pixelFormatAt + i] = 0x11;
  std::size_t at = headerBytes;
  for (std::uint32_t v : {EMR_EOF, 20u, 0u, 16u, 20u}) {
    put(at, v);
    at += 4;
  }
  return bytes;
}

TEST_F(EnhancedMetafileTest, HeadersOfEveryLengthReadAtTheirFieldOffsets) {
  struct Case {
    const char* name;
    std::size_t fields;
    bool description;
    bool pixelFormat;
  };
  const Case cases[] = {
      {"base fields", 88, false, false},
      {"base fields and a description", 88, true, false},
      {"first extension, description and pixel format", 100, true, true},
      {"second extension", 108, false, false},
      {"second extension and a pixel format", 108, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> bytes = pictureWithHeader(c.fields, c.description, c.pixelFormat);
    HENHMETAFILE picture = GetEnhMetaFileA(write("HEADER.EMF", bytes).c_str());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(GetEnhMetaFileHeader(picture, 0, nullptr), c.fields);
    ENHMETAHEADER header{};
    ASSERT_EQ(GetEnhMetaFileHeader(picture, sizeof header, &header), c.fields);
    EXPECT_EQ(header.rclBounds.right, 99);
    EXPECT_EQ(header.rclFrame.right, 2000);
    EXPECT_EQ(header.rclFrame.bottom, 1000);
    EXPECT_EQ(header.nBytes, bytes.size());
    EXPECT_EQ(header.nRecords, 2u);
    EXPECT_EQ(header.nHandles, 1u);
    EXPECT_EQ(header.nDescription, c.description ? 5u : 0u);
    EXPECT_EQ(header.szlDevice.cy, 768);
    EXPECT_EQ(header.szlMillimeters.cx, 320);
    // What follows the fields in the record (the description, the pixel format) is no field.
    EXPECT_EQ(header.cbPixelFormat, c.fields >= 100 && c.pixelFormat ? 40u : 0u);
    EXPECT_EQ(header.szlMicrometers.cx, c.fields >= 108 ? 320000 : 0);
    // A buffer shorter than the fields gets what fits.
    ENHMETAHEADER start{};
    EXPECT_EQ(GetEnhMetaFileHeader(picture, 16, &start), 16u);
    EXPECT_EQ(start.rclBounds.left, 0);
    EXPECT_EQ(start.nSize, header.nSize);
    EXPECT_EQ(start.rclFrame.right, 0);

    HDC page = gdi::createPageContext(100, 100, 96);
    const RECT rect{0, 0, 10, 10};
    EXPECT_TRUE(PlayEnhMetaFile(page, picture, &rect));
    DeleteDC(page);
    DeleteEnhMetaFile(picture);
  }
  // A header record shorter than the base fields holds no picture.
  std::vector<std::uint8_t> shortHeader = pictureWithHeader(88, false, false);
  shortHeader[4] = 84;
  EXPECT_EQ(GetEnhMetaFileA(write("SHORT.EMF", shortHeader).c_str()), nullptr);
  EXPECT_EQ(gdi::liveObjects(), 0);
}

// A header whose frame (or, without millimetres, bounds) spans more than a 32-bit extent holds
// no picture: such files are refused. Extents that fit, however far out, still play.
TEST_F(EnhancedMetafileTest, FramesBeyondTheCoordinateRangeAreRefused) {
  constexpr std::int32_t lo = INT32_MIN;
  constexpr std::int32_t hi = INT32_MAX;
  struct Case {
    const char* name;
    std::array<std::int32_t, 4> bounds;  // left, top, right, bottom
    std::array<std::int32_t, 4> frame;
    bool millimetres;  // without them the bounds are the frame
    bool refused;
  };
  const Case cases[] = {
      {"frame from the lowest left", {0, 0, 100, 50}, {lo, 0, 2646, 1323}, true, true},
      {"frame from the lowest top", {0, 0, 100, 50}, {0, lo, 2646, 1323}, true, true},
      {"frame to the highest right", {0, 0, 100, 50}, {-1, 0, hi, 1323}, true, true},
      {"frame to the highest bottom", {0, 0, 100, 50}, {0, -1, 2646, hi}, true, true},
      {"frame turned from highest to lowest", {0, 0, 100, 50}, {hi, hi, lo, lo}, true, true},
      {"bounds from lowest to highest", {lo, lo, hi, hi}, {0, 0, 2646, 1323}, false, true},
      {"bounds beyond the range beside a sound frame", {lo, 0, hi, 50}, {0, 0, 2646, 1323}, true, true},
      {"frame of the widest extent", {0, 0, 100, 50}, {0, 0, hi, hi}, true, false},
      {"frame at the lowest edge", {0, 0, 100, 50}, {lo, lo, -1, -1}, true, false},
      {"bounds of the widest extent", {lo, lo, -1, -1}, {0, 0, 0, 0}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> bytes = pictureWithHeader(88, false, false);
    const auto put = [&bytes](std::size_t at, std::int32_t v) {
      for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
    };
    for (std::size_t i = 0; i < 4; ++i) {
      put(8 + 4 * i, c.bounds[i]);
      put(24 + 4 * i, c.frame[i]);
    }
    if (!c.millimetres) {
      put(80, 0);
      put(84, 0);
    }
    HENHMETAFILE picture = GetEnhMetaFileA(write("EDGE.EMF", bytes).c_str());
    if (c.refused) {
      EXPECT_EQ(picture, nullptr);
      if (picture != nullptr) DeleteEnhMetaFile(picture);
      continue;
    }
    ASSERT_NE(picture, nullptr);
    HDC page = gdi::createPageContext(100, 100, 96);
    const RECT rect{0, 0, 10, 10};
    EXPECT_TRUE(PlayEnhMetaFile(page, picture, &rect));
    DeleteDC(page);
    DeleteEnhMetaFile(picture);
  }
  EXPECT_EQ(gdi::liveObjects(), 0);
}

// Points far from the picture's window origin are placed without overflow; a point beyond the
// range of coordinates is held at its edge.
TEST_F(EnhancedMetafileTest, PointsAtTheEdgesOfTheRangeStayInIt) {
  EmfWriter emf;
  emf.add(EMR_SETWINDOWORGEX, {static_cast<std::uint32_t>(INT32_MIN), 0});
  emf.add(EMR_LINETO, {static_cast<std::uint32_t>(INT32_MAX), 0});
  emf.add(EMR_SETWINDOWORGEX, {static_cast<std::uint32_t>(INT32_MAX), 0});
  emf.add(EMR_LINETO, {static_cast<std::uint32_t>(INT32_MIN), 0});
  HENHMETAFILE picture = GetEnhMetaFileA(write("FAR.EMF", emf.finish()).c_str());
  ASSERT_NE(picture, nullptr);
  HDC page = gdi::createPageContext(600, 400, 96);
  const RECT rect{0, 0, 1000, 1000};
  ASSERT_TRUE(PlayEnhMetaFile(page, picture, &rect));
  const auto& drawn = gdi::displayList(page);
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].points.back().x, INT32_MAX);
  EXPECT_EQ(drawn[1].points.back().x, INT32_MIN);
  DeleteDC(page);
  DeleteEnhMetaFile(picture);
}

TEST_F(EnhancedMetafileTest, FilesThatHoldNoPictureAreRefused) {
  std::vector<std::uint8_t> good = samplePicture();
  std::vector<std::uint8_t> signature = good;
  signature[40] = 'X';
  std::vector<std::uint8_t> cut(good.begin(), good.end() - 8);  // shorter than its header says
  std::vector<std::uint8_t> tiny(good.begin(), good.begin() + 40);
  for (const auto& [name, bytes] :
       {std::pair{"SIGN.EMF", signature}, std::pair{"CUT.EMF", cut}, std::pair{"TINY.EMF", tiny}}) {
    EXPECT_EQ(GetEnhMetaFileA(write(name, bytes).c_str()), nullptr) << name;
  }
  EXPECT_EQ(GetEnhMetaFileA(windowsPath("MISSING.EMF").c_str()), nullptr);
  gdi::failOperation("GetEnhMetaFileA", 0, 1);
  const std::string path = write("GOOD.EMF", good);
  EXPECT_EQ(GetEnhMetaFileA(path.c_str()), nullptr);
  HENHMETAFILE picture = GetEnhMetaFileA(path.c_str());
  ASSERT_NE(picture, nullptr);

  // Playing needs a rectangle and a context.
  HDC page = gdi::createPageContext(100, 100, 96);
  EXPECT_FALSE(PlayEnhMetaFile(page, picture, nullptr));
  const RECT rect{0, 0, 10, 10};
  EXPECT_FALSE(PlayEnhMetaFile(nullptr, picture, &rect));
  EXPECT_FALSE(PlayEnhMetaFile(page, nullptr, &rect));
  EXPECT_EQ(GetEnhMetaFileHeader(nullptr, 0, nullptr), 0u);
  DeleteEnhMetaFile(picture);
  EXPECT_EQ(gdi::liveObjects(), 0);
}

}  // namespace
