// The clipboard stand-in: one window at a time, one item per format, and ownership of what it
// holds.

#include <gtest/gtest.h>

#include <cstring>

#include "platform/windows/clipboard.h"
#include "platform/windows/gdi.h"
#include "platform/windows/memory.h"
#include "platform/windows/metafile.h"
#include "standins/gdi/window_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/standin_helpers.h"

using namespace platform::win;
namespace gdi = standins::gdi;

namespace {

class ClipboardStandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kvom::test::resetStandins();
    blocksAtStart_ = standins::windows::liveMemoryBlocks();
    window_ = gdi::createWindow(100, 100);
  }
  void TearDown() override { kvom::test::resetStandins(); }

  // A METAFILEPICT block holding a small memory metafile, as a caller hands it over.
  static HGLOBAL metafilePicture() {
    HDC recorder = CreateMetaFileA(nullptr);
    Rectangle(recorder, 0, 0, 10, 10);
    HGLOBAL block = GlobalAlloc(GHND, sizeof(METAFILEPICT));
    auto* picture = static_cast<METAFILEPICT*>(GlobalLock(block));
    *picture = {MM_TEXT, 10, 10, CloseMetaFile(recorder)};
    GlobalUnlock(block);
    return block;
  }

  // What the clipboard still owns: live metafiles, bitmaps and memory blocks.
  void expectHeld(int metafiles, int bitmaps, std::size_t blocks) const {
    EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Metafile), metafiles);
    EXPECT_EQ(gdi::liveObjects(gdi::ObjectKind::Bitmap), bitmaps);
    EXPECT_EQ(standins::windows::liveMemoryBlocks(), blocksAtStart_ + blocks);
  }

  std::size_t blocksAtStart_ = 0;
  HWND window_ = nullptr;
};

TEST_F(ClipboardStandinTest, TheClipboardOwnsWhatIsSetUntilItIsEmptied) {
  ASSERT_TRUE(OpenClipboard(window_));
  EXPECT_TRUE(EmptyClipboard());
  HGLOBAL picture = metafilePicture();
  EXPECT_EQ(SetClipboardData(CF_METAFILEPICT, picture), picture);
  HDC hdc = GetDC(window_);
  HBITMAP bitmap = CreateCompatibleBitmap(hdc, 8, 8);
  ReleaseDC(window_, hdc);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_EQ(gdi::clipboardFormats(), (std::vector<UINT>{CF_METAFILEPICT, CF_BITMAP}));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  expectHeld(1, 1, 1);

  // Reading needs the clipboard open; what is read stays the clipboard's.
  EXPECT_EQ(GetClipboardData(CF_METAFILEPICT), nullptr);
  ASSERT_TRUE(OpenClipboard(window_));
  auto block = static_cast<HGLOBAL>(GetClipboardData(CF_METAFILEPICT));
  ASSERT_EQ(block, picture);
  const auto* held = static_cast<const METAFILEPICT*>(GlobalLock(block));
  EXPECT_EQ(held->xExt, 10);
  EXPECT_GT(GetMetaFileBitsEx(held->hMF, 0, nullptr), 0u);
  GlobalUnlock(block);

  // A new item of a format replaces the old one, which is freed.
  EXPECT_NE(SetClipboardData(CF_METAFILEPICT, metafilePicture()), nullptr);
  expectHeld(1, 1, 1);

  EXPECT_TRUE(EmptyClipboard());
  EXPECT_TRUE(gdi::clipboardFormats().empty());
  expectHeld(0, 0, 0);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(CloseClipboard());
  EXPECT_EQ(standins::windows::invalidMemoryFrees(), 0);
  EXPECT_EQ(gdi::invalidDeletes(), 0);
}

TEST_F(ClipboardStandinTest, RefusedItemsStayTheCallersAndAResetFreesTheRest) {
  HGLOBAL picture = metafilePicture();
  struct Case {
    const char* what;
    void (*arrange)(HWND);
  };
  const Case cases[] = {
      {"not open", [](HWND) {}},
      {"held by another window",
       [](HWND) {
         gdi::holdClipboard(reinterpret_cast<HWND>(std::uintptr_t{0x77}));
         OpenClipboard(nullptr);
       }},
      {"SetClipboardData fails",
       [](HWND w) {
         OpenClipboard(w);
         gdi::failOperation("SetClipboardData", 0, 1);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.arrange(window_);
    EXPECT_EQ(SetClipboardData(CF_METAFILEPICT, picture), nullptr);
    EXPECT_TRUE(gdi::clipboardFormats().empty());
    CloseClipboard();
    gdi::releaseClipboard();
  }
  expectHeld(1, 0, 1);

  // Another window's open clipboard cannot be opened, nor can one that fails.
  ASSERT_TRUE(OpenClipboard(window_));
  EXPECT_FALSE(OpenClipboard(gdi::createWindow(5, 5)));
  EXPECT_TRUE(OpenClipboard(window_));
  CloseClipboard();
  gdi::failOperation("OpenClipboard", 0, 1);
  EXPECT_FALSE(OpenClipboard(window_));
  EXPECT_FALSE(gdi::clipboardOpen());
  EXPECT_FALSE(EmptyClipboard());

  // Items that are nothing the clipboard could own.
  OpenClipboard(window_);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, GetStockObject(BLACK_PEN)), nullptr);
  EXPECT_EQ(SetClipboardData(CF_METAFILEPICT, nullptr), nullptr);
  EXPECT_EQ(SetClipboardData(CF_METAFILEPICT, picture), picture);
  CloseClipboard();

  kvom::test::resetStandins();
  EXPECT_EQ(standins::windows::liveMemoryBlocks(), blocksAtStart_);
  EXPECT_TRUE(gdi::clipboardFormats().empty());
}

}  // namespace
