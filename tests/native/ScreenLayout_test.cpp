// Where the backdrop, the progress window and the billboards go on common
// screen sizes, and at which colour depths the backdrop has its gradient.
#include "ScreenLayout.h"

#include <gtest/gtest.h>

TEST(ScreenLayout, GradientFadesFromBrightBlueAndOnlyAtSixteenBitsAndMore) {
  EXPECT_FALSE(BackdropHasGradient(8));
  EXPECT_TRUE(BackdropHasGradient(16));
  EXPECT_TRUE(BackdropHasGradient(32));
  EXPECT_EQ(GradientRowColor(0, 768), (TRgb{0, 64, 255}));
  EXPECT_EQ(GradientRowColor(384, 768), (TRgb{0, 36, 146}));
  EXPECT_EQ(GradientRowColor(767, 768), (TRgb{0, 9, 38}));
  for (int row = 1; row < 600; ++row) {
    const TRgb above = GradientRowColor(row - 1, 600), here = GradientRowColor(row, 600);
    ASSERT_LE(here.blue, above.blue) << row;
    ASSERT_LE(here.green, above.green) << row;
  }
}

TEST(ScreenLayout, ProgressWindowAndBillboardsOnCommonScreens) {
  struct Row {
    int width, height;
    TPlacement progress, billboard;
  };
  for (const Row& r :
       {Row{1024, 768, {318, 595}, {259, 141}}, Row{800, 600, {206, 444}, {147, 65}}}) {
    const TPlacement progress = ProgressWindowPlacement(r.width, r.height, 387, 96);
    EXPECT_EQ(progress, r.progress) << r.width;
    EXPECT_EQ(BillboardPlacement(r.width, progress.top, 505, 313), r.billboard) << r.width;
  }
}
