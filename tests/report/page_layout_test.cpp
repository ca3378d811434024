#include "report/page_layout.h"

#include <gtest/gtest.h>

namespace kvom::report {
namespace {

TEST(PageLayoutTest, FontModeChoosesTheFace) {
  const PageLayoutRecord saved = PageLayout;
  PageLayout.columns = 132;
  SetPrintFontMode(1);
  EXPECT_STREQ(PageLayout.faceName.data(), "Courier New");
  EXPECT_EQ(PageLayout.columns, 80);
  SetPrintFontMode(5);
  EXPECT_EQ(PageLayout.fontMode, 5);
  EXPECT_STREQ(PageLayout.faceName.data(), "Courier New");
  SetPrintFontMode(0);
  EXPECT_EQ(PageLayout.fontMode, 0);
  EXPECT_STREQ(PageLayout.faceName.data(), "Arial");
  PageLayout = saved;
}

}  // namespace
}  // namespace kvom::report
