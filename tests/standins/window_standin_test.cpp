// The stand-in's windows: contexts of a window, painting and invalidation, the caret, system
// colours, message boxes, beeps and module file names.

#include "standins/gdi/window_standin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/windows/gdi.h"
#include "platform/windows/window.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/standin_helpers.h"

using namespace platform::win;
namespace gdi = standins::gdi;

namespace {

class WindowStandinTest : public ::testing::Test {
 protected:
  void SetUp() override { kvom::test::resetStandins(); }
  void TearDown() override { kvom::test::resetStandins(); }
};

bool sameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(WindowStandinTest, ContextsOfAWindowDrawOnItsSurfaceAndAreGivenBack) {
  HWND window = gdi::createWindow(200, 100);
  RECT client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_TRUE(sameRect(client, {0, 0, 200, 100}));

  HDC hdc = GetDC(window);
  ASSERT_NE(hdc, nullptr);
  MoveToEx(hdc, 10, 20, nullptr);
  LineTo(hdc, 30, 40);
  EXPECT_EQ(gdi::openWindowContexts(), 1);
  EXPECT_EQ(ReleaseDC(window, hdc), 1);
  EXPECT_EQ(gdi::openWindowContexts(), 0);
  EXPECT_EQ(gdi::liveContexts(), 0);
  ASSERT_EQ(gdi::windowDisplayList(window).size(), 1u);
  EXPECT_EQ(gdi::windowDisplayList(window)[0].points[1].y, 40);

  // Another window's context, or one given back twice, is refused.
  HWND other = gdi::createWindow(10, 10);
  HDC second = GetDC(window);
  EXPECT_EQ(ReleaseDC(other, second), 0);
  EXPECT_EQ(ReleaseDC(window, second), 1);
  EXPECT_EQ(ReleaseDC(window, second), 0);

  // A destroyed window's context draws nothing; an unknown window gives none.
  HDC stale = GetDC(other);
  ASSERT_TRUE(gdi::destroyWindow(other));
  EXPECT_FALSE(LineTo(stale, 5, 5));
  EXPECT_EQ(GetDC(other), nullptr);
  EXPECT_EQ(ReleaseDC(other, stale), 1);

  // The screen's context, for no window.
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(gdi::contextKind(screen), gdi::ContextKind::Screen);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(gdi::liveContexts(), 0);
}

TEST_F(WindowStandinTest, PaintingErasesAndValidatesTheInvalidPart) {
  HWND window = gdi::createWindow(200, 100, RGB(0, 0, 255));
  HDC hdc = GetDC(window);
  Rectangle(hdc, 0, 0, 50, 50);
  ReleaseDC(window, hdc);

  // Two invalidations make one rectangle around both; only the client area counts.
  const RECT a{10, 10, 20, 20};
  const RECT b{150, 80, 260, 90};
  EXPECT_TRUE(InvalidateRect(window, &a, FALSE));
  EXPECT_TRUE(InvalidateRect(window, &b, TRUE));
  ASSERT_TRUE(gdi::invalidRect(window));
  EXPECT_TRUE(sameRect(*gdi::invalidRect(window), {10, 10, 200, 90}));
  EXPECT_TRUE(gdi::erasePending(window));

  PAINTSTRUCT paint{};
  HDC painting = BeginPaint(window, &paint);
  ASSERT_NE(painting, nullptr);
  EXPECT_EQ(paint.hdc, painting);
  EXPECT_TRUE(sameRect(paint.rcPaint, {10, 10, 200, 90}));
  // The invalid part was cleared to the window's background, over what was drawn.
  const auto& list = gdi::windowDisplayList(window);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].kind, gdi::EntryKind::FillRect);
  EXPECT_EQ(list[1].brush.color, RGB(0, 0, 255));
  // The painter's drawing is clipped to the invalid part.
  Rectangle(painting, 0, 0, 200, 100);
  ASSERT_TRUE(list.back().clip);
  EXPECT_TRUE(sameRect(*list.back().clip, {10, 10, 200, 90}));
  EXPECT_TRUE(EndPaint(window, &paint));
  EXPECT_FALSE(gdi::invalidRect(window));
  EXPECT_EQ(gdi::openWindowContexts(), 0);
  EXPECT_EQ(gdi::paintCount(window), 1);

  // Erasing the whole client area forgets what was drawn; without erase it stays.
  InvalidateRect(window, nullptr, FALSE);
  EXPECT_TRUE(UpdateWindow(window));
  EXPECT_EQ(gdi::windowDisplayList(window).size(), 3u);
  InvalidateRect(window, nullptr, TRUE);
  EXPECT_TRUE(UpdateWindow(window));
  EXPECT_TRUE(gdi::windowDisplayList(window).empty());
  EXPECT_FALSE(gdi::invalidRect(window));
  EXPECT_EQ(gdi::paintCount(window), 3);
}

TEST_F(WindowStandinTest, TheCaretCountsItsHidingAndKeepsItsPosition) {
  HWND window = gdi::createWindow(100, 100);
  POINT where{};
  EXPECT_FALSE(SetCaretPos(1, 2));
  EXPECT_FALSE(GetCaretPos(&where));

  ASSERT_TRUE(CreateCaret(window, nullptr, 8, 2));
  ASSERT_TRUE(gdi::caret());
  EXPECT_FALSE(gdi::caret()->visible());
  EXPECT_TRUE(ShowCaret(window));
  EXPECT_TRUE(gdi::caret()->visible());
  EXPECT_FALSE(ShowCaret(window));  // already shown
  EXPECT_TRUE(HideCaret(nullptr));
  EXPECT_TRUE(HideCaret(window));
  EXPECT_TRUE(ShowCaret(window));
  EXPECT_FALSE(gdi::caret()->visible());
  EXPECT_TRUE(ShowCaret(window));
  EXPECT_TRUE(gdi::caret()->visible());
  EXPECT_FALSE(HideCaret(gdi::createWindow(5, 5)));  // not the caret's window

  EXPECT_TRUE(SetCaretPos(12, 34));
  ASSERT_TRUE(GetCaretPos(&where));
  EXPECT_EQ(where.x, 12);
  EXPECT_EQ(where.y, 34);
  EXPECT_EQ(gdi::caret()->size.cx, 8);
  EXPECT_TRUE(DestroyCaret());
  EXPECT_FALSE(gdi::caret());
  EXPECT_FALSE(DestroyCaret());
}

TEST_F(WindowStandinTest, SystemColoursFollowTheClassicSchemeUntilSet) {
  const struct {
    int index;
    COLORREF color;
  } defaults[] = {
      {COLOR_ACTIVECAPTION, RGB(0, 0, 128)},       {COLOR_CAPTIONTEXT, RGB(255, 255, 255)},
      {COLOR_INACTIVECAPTION, RGB(128, 128, 128)}, {COLOR_INACTIVECAPTIONTEXT, RGB(192, 192, 192)},
      {COLOR_WINDOW, RGB(255, 255, 255)},          {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
      {COLOR_BTNFACE, RGB(192, 192, 192)},         {99, 0},
  };
  for (const auto& d : defaults) EXPECT_EQ(GetSysColor(d.index), d.color) << d.index;
  gdi::setSysColor(COLOR_ACTIVECAPTION, RGB(1, 2, 3));
  EXPECT_EQ(GetSysColor(COLOR_ACTIVECAPTION), RGB(1, 2, 3));
  kvom::test::resetStandins();
  EXPECT_EQ(GetSysColor(COLOR_ACTIVECAPTION), RGB(0, 0, 128));
}

TEST_F(WindowStandinTest, MessageBoxesAreLoggedAndAnswerAsSet) {
  HWND owner = gdi::createWindow(10, 10);
  gdi::setMessageBoxAnswer(IDNO);
  const struct {
    const char* caption;
    UINT style;
    int answer;
    const char* shownCaption;
  } cases[] = {
      {"Print", MB_OK | MB_ICONEXCLAMATION, IDOK, "Print"},  // an OK box answers OK
      {"Ask", MB_YESNO | MB_ICONQUESTION, IDNO, "Ask"},
      {nullptr, MB_ICONHAND, IDOK, "Error"},  // the default caption
  };
  for (const auto& c : cases) EXPECT_EQ(MessageBoxA(owner, "Text", c.caption, c.style), c.answer);
  ASSERT_EQ(gdi::messageBoxes().size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(gdi::messageBoxes()[i].caption, cases[i].shownCaption);
    EXPECT_EQ(gdi::messageBoxes()[i].style, cases[i].style);
    EXPECT_EQ(gdi::messageBoxes()[i].owner, owner);
    EXPECT_EQ(gdi::messageBoxes()[i].text, "Text");
  }

  // A box that cannot be shown answers 0 and shows nothing.
  gdi::failOperation("MessageBoxA", 0, 1);
  EXPECT_EQ(MessageBoxA(nullptr, "Lost", "X", MB_OK), 0);
  EXPECT_EQ(gdi::messageBoxes().size(), 3u);

  EXPECT_TRUE(MessageBeep(0));
  EXPECT_TRUE(MessageBeep(MB_ICONHAND));
  ASSERT_EQ(gdi::beeps().size(), 2u);
  EXPECT_EQ(gdi::beeps()[1], MB_ICONHAND);
}

TEST_F(WindowStandinTest, ModuleFileNamesAreCutToTheBufferAndUnknownModulesGiveNone) {
  const auto module = reinterpret_cast<HMODULE>(std::uintptr_t{0x4000});
  gdi::setModuleFileName(module, "D:\\KVOM\\XEQ\\KVOMWEXA.DLL");
  const struct {
    DWORD size;
    DWORD result;
    const char* text;
  } cases[] = {
      {100, 24, "D:\\KVOM\\XEQ\\KVOMWEXA.DLL"},
      {25, 24, "D:\\KVOM\\XEQ\\KVOMWEXA.DLL"},
      {24, 24, "D:\\KVOM\\XEQ\\KVOMWEXA.DL"},  // cut, terminated, the buffer's size returned
      {5, 5, "D:\\K"},
  };
  for (const auto& c : cases) {
    char buffer[100];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetModuleFileNameA(module, buffer, c.size), c.result) << c.size;
    EXPECT_STREQ(buffer, c.text);
  }
  char buffer[260] = "untouched";
  EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(std::uintptr_t{0x5000}), buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "untouched");

  // The program's own name: this test program, as a Windows path.
  ASSERT_GT(GetModuleFileNameA(nullptr, buffer, sizeof buffer), 0u);
  const std::string program =
      standins::windows::toWindowsPath(std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(std::string(buffer), program);
}

TEST_F(WindowStandinTest, AWindowIsWrittenAsAPicture) {
  HWND window = gdi::createWindow(640, 400);
  HDC hdc = GetDC(window);
  TextOutA(hdc, 10, 10, "Cells", 5);
  ReleaseDC(window, hdc);
  std::filesystem::create_directories(KVOM_PICTURE_DIR);
  const auto path = std::filesystem::path(KVOM_PICTURE_DIR) / "window.png";
  ASSERT_TRUE(gdi::writeWindowPng(window, path.string()));
  EXPECT_EQ(kvom::test::readFile(path).substr(1, 3), "PNG");
  EXPECT_FALSE(gdi::writeWindowPng(nullptr, path.string()));
}

}  // namespace
