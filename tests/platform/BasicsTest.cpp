#include <gtest/gtest.h>

#include <QColor>

#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Locale.h"
#include "platform/PixelFormat.h"
#include "platform/Types.h"

using namespace oxqr;

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
  const struct { double in; long long out; } cases[] = {
      {0.5, 0},  {1.5, 2},   {2.5, 2},   {3.5, 4},  {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
      {2.49, 2}, {2.51, 3},  {-2.51, -3}, {0.0, 0}, {7.0, 7},  {1e6 + 0.5, 1000000},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(RoundHalfEvenTest, NonFiniteValuesDoNotOverflow) {
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
  EXPECT_GT(RoundHalfEven(1e300), 0);
  EXPECT_LT(RoundHalfEven(-1e300), 0);
}

TEST(FontTest, PixelHeightFollowsPointsTimesPpiOver72) {
  const struct { int size; int ppi; int px; } cases[] = {
      {10, 96, 13}, {8, 96, 11}, {9, 96, 12}, {12, 96, 16}, {-10, 96, 13}, {15, 96, 20}, {10, 72, 10}, {0, 96, 0},
  };
  for (const auto& c : cases) {
    TFont f;
    f.Size = c.size;
    EXPECT_EQ(f.PixelHeight(c.ppi), c.px) << c.size << "pt at " << c.ppi;
  }
}

TEST(PixelFormatTest, BitsPerPixel) {
  EXPECT_EQ(BitsPerPixel(TPixelFormat::pf1bit), 1);
  EXPECT_EQ(BitsPerPixel(TPixelFormat::pf4bit), 4);
  EXPECT_EQ(BitsPerPixel(TPixelFormat::pf8bit), 8);
  EXPECT_EQ(BitsPerPixel(TPixelFormat::pf15bit), 16);
  EXPECT_EQ(BitsPerPixel(TPixelFormat::pf16bit), 16);
  EXPECT_EQ(BitsPerPixel(TPixelFormat::pf24bit), 24);
  EXPECT_EQ(BitsPerPixel(TPixelFormat::pfCustom), 24);
  EXPECT_EQ(BitsPerPixel(TPixelFormat::pf32bit), 32);
  EXPECT_EQ(BitsPerPixel(TPixelFormat::pfDevice), 32);
}

TEST(ColorTest, SystemColoursResolveThroughTheTable) {
  EXPECT_TRUE(IsSystemColor(clWindow));
  EXPECT_FALSE(IsSystemColor(clRed));
  EXPECT_FALSE(IsSystemColor(clNone));
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
  EXPECT_EQ(ColorToRGB(clBtnFace), clSilver);
  EXPECT_EQ(ColorToRGB(clInfoBk), RGBColor(255, 255, 225));
  EXPECT_EQ(ColorToRGB(clRed), clRed);
  EXPECT_EQ(ColorToRGB(clNone), clWhite);
  EXPECT_EQ(ColorToRGB(clDefault), clBlack);
  EXPECT_EQ(ColorToRGB(SystemColor(200)), clBlack);  // outside the table

  SetSystemColor(15, RGBColor(1, 2, 3));
  EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(1, 2, 3));
  SetSystemColor(15, clSilver);
}

TEST(ColorTest, ToQColorSwapsTheByteOrder) {
  EXPECT_EQ(ToQColor(RGBColor(10, 20, 30)), QColor(10, 20, 30));
  EXPECT_EQ(ToQColor(clInfoBk), QColor(255, 255, 225));
  EXPECT_EQ(ToQColor(clNone), QColor(Qt::white));
}

TEST(LocaleTest, PinnedClockAndTimeZone) {
  TLocalTime fixed;
  fixed.Tm.tm_year = 124;
  fixed.Tm.tm_mon = 1;
  fixed.Tm.tm_mday = 29;
  fixed.Milliseconds = 250;
  SetFixedNow(fixed);
  EXPECT_EQ(Now().Tm.tm_mday, 29);
  EXPECT_EQ(Now().Milliseconds, 250);
  SetFixedNow(std::nullopt);
  EXPECT_GE(Now().Tm.tm_year, 124);

  SetTimeZoneBias(-60);
  EXPECT_EQ(TimeZoneBiasMinutes(), -60);
  SetTimeZoneBias(std::nullopt);
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(TimeZoneBiasMinutes(), 0);
}

TEST(LocaleTest, SeparatorsDefaultAndCanBeSet) {
  EXPECT_EQ(DecimalSeparator(), '.');
  EXPECT_EQ(ThousandSeparator(), ',');
  SetDecimalSeparator(',');
  SetThousandSeparator('.');
  EXPECT_EQ(DecimalSeparator(), ',');
  EXPECT_EQ(ThousandSeparator(), '.');
  SetDecimalSeparator('.');
  SetThousandSeparator(',');
}
