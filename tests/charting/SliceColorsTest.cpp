// Slice colours of a one-colour pie: shades of the series colour that stay apart.
#include <gtest/gtest.h>

#include <set>

#include "charting/SliceColors.h"

namespace oxqr {
namespace {

TEST(SliceColors, ShadesOfTheSeriesColourThatDifferFromEachOther) {
  for (int count : {1, 2, 3, 5, 8, 12}) {
    SCOPED_TRACE(count);
    const std::vector<TColor> colors = SliceColors(clRed, count);
    ASSERT_EQ(colors.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(colors[0], clRed);
    EXPECT_EQ(std::set<TColor>(colors.begin(), colors.end()).size(), colors.size());
    for (TColor c : colors) {
      // Still red: towards white raises green and blue together, towards black lowers red.
      EXPECT_GT(GetRValue(c), GetGValue(c));
      EXPECT_EQ(GetGValue(c), GetBValue(c));
      EXPECT_LE(GetGValue(c), 153);  // at most 60 % towards white
      EXPECT_GE(GetRValue(c), 102);  // at most 60 % towards black
    }
  }
}

TEST(SliceColors, ResolvesSystemColoursAndAnswersNothingForNoSlices) {
  EXPECT_TRUE(SliceColors(clRed, 0).empty());
  EXPECT_TRUE(SliceColors(clRed, -3).empty());
  EXPECT_EQ(SliceColors(clInfoBk, 1).front(), ColorToRGB(clInfoBk));
}

}  // namespace
}  // namespace oxqr
