// The chart as the filters see it: ChartBitmap of a chart fed from a dataset.
#include <gtest/gtest.h>

#include "ChartTestSupport.h"
#include "charting/DBChart.h"
#include "charting/SliceColors.h"

namespace oxqr {
namespace {

using test::CountPixels;
using test::Near;
using test::TFakeAnimals;

// The look of the sample report's chart, at its size (182.1 x 134.7 mm).
void SetUpSampleLook(TQRDBChart& chart, TDataSet& data) {
  chart.SetBoundsMM(3.5, 2.0, 182.1, 134.7);
  chart.DataSet = &data;
  chart.LabelField = "NAME";
  chart.ValueField = "WEIGHT";
  chart.Chart.Title = "How they weigh!";
  chart.Chart.TitleFont.Name = "Arial";
  chart.Chart.TitleFont.Size = 12;
  chart.Chart.TitleFont.Style = {TFontStyle::fsBold};
  chart.Chart.TitleFont.Color = clBlue;
  chart.Chart.TitleAlignment = TAlignment::taLeftJustify;
  chart.Chart.Color = RGBColor(124, 237, 158);
  chart.Chart.Gradient = {true, clWhite, RGBColor(124, 237, 158)};
  chart.Chart.SeriesColor = clRed;
}

bool IsColor(QRgb p, TColor c) { return p == qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

TEST(ChartRender, SlicesTitleAndGradientWhereTheyBelong) {
  TFakeAnimals animals({{"Ant", "10"}, {"Bear", "30"}, {"Cow", "60"}});
  animals.Open();
  TQRDBChart chart;
  SetUpSampleLook(chart, animals);

  const auto bitmap = chart.ChartBitmap(clWhite);
  // Native x 96 / 254, rounded: 1821 -> 688.25, 1347 -> 509.07.
  ASSERT_EQ(bitmap->Width(), 688);
  ASSERT_EQ(bitmap->Height(), 509);
  ASSERT_EQ(chart.ScreenWidth(), 688);
  ASSERT_EQ(chart.ScreenHeight(), 509);
  const QImage& img = bitmap->Image();

  // Each slice fills with its own shade, in proportion to its value (the legend's
  // markers add a few pixels of each colour).
  const std::vector<TColor> colors = SliceColors(clRed, 3);
  std::vector<int> counts;
  for (TColor c : colors) counts.push_back(CountPixels(img, [c](QRgb p) { return IsColor(p, c); }));
  ASSERT_GT(counts[0], 500);
  EXPECT_NEAR(double(counts[1]) / counts[0], 3.0, 0.45);
  EXPECT_NEAR(double(counts[2]) / counts[0], 6.0, 0.9);

  // The title is blue, at the top left.
  const QRect title = test::PixelBounds(img, test::IsTitleBlue);
  ASSERT_FALSE(title.isNull());
  EXPECT_LT(title.left(), 30);
  EXPECT_LT(title.top(), 30);
  EXPECT_LT(title.right(), img.width() / 3);
  EXPECT_LT(title.bottom(), 50);
  EXPECT_GT(title.width(), 60);  // a line of text, not a speck

  // The panel runs from white at the top to the green at the bottom, with no frame.
  EXPECT_TRUE(Near(img.pixel(img.width() - 2, 1), 255, 255, 255, 6));
  EXPECT_TRUE(Near(img.pixel(1, img.height() - 1), 124, 237, 158, 6));
  EXPECT_TRUE(Near(img.pixel(img.width() - 1, img.height() - 1), 124, 237, 158, 6));
}

TEST(ChartRender, BackgroundShowsWhereThePanelIsNotPainted) {
  TQRDBChart chart;
  chart.SetBoundsMM(0, 0, 50, 40);
  chart.Slices = {{"a", 1}, {"b", 2}};
  chart.Chart.MarksVisible = false;
  chart.Chart.LegendVisible = false;
  chart.Chart.Color = clNone;
  const auto onYellow = chart.ChartBitmap(clYellow);
  EXPECT_EQ(onYellow->Image().pixel(0, 0), qRgb(255, 255, 0));
  chart.Chart.Color = clAqua;
  EXPECT_EQ(chart.ChartBitmap(clYellow)->Image().pixel(0, 0), qRgb(0, 255, 255));
  // Without marks and legend the pie takes the middle.
  const QImage& img = onYellow->Image();
  EXPECT_TRUE(IsColor(img.pixel(img.width() / 2 + 3, img.height() / 2 + 3), clRed) ||
              IsColor(img.pixel(img.width() / 2 + 3, img.height() / 2 + 3), SliceColors(clRed, 2)[1]));
}

TEST(ChartRender, ReadsEveryRecordAndSkipsNulls) {
  TFakeAnimals animals({{"Ant", "1.5"}, {"Bee", std::nullopt}, {"Cat", "4"}});
  TQRDBChart chart;
  chart.DataSet = &animals;
  chart.LabelField = "NAME";
  chart.ValueField = "WEIGHT";
  chart.Slices = {{"unused", 1}};
  EXPECT_TRUE(chart.ReadSlices().empty());  // a closed dataset shows nothing

  animals.Open();
  const auto slices = chart.ReadSlices();
  ASSERT_EQ(slices.size(), 2u);
  EXPECT_EQ(slices[0].Label, "Ant");
  EXPECT_DOUBLE_EQ(slices[0].Value, 1.5);
  EXPECT_EQ(slices[1].Label, "Cat");
  // Read again from the first record, wherever the cursor stood.
  EXPECT_EQ(chart.ReadSlices().size(), 2u);

  chart.ValueField = "HEIGHT";
  EXPECT_THROW(chart.ReadSlices(), EDatabaseError);
}

TEST(ChartRender, EmptyControlGivesAnEmptyBitmap) {
  TQRDBChart chart;  // no size
  const auto bitmap = chart.ChartBitmap(clWhite);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_TRUE(bitmap->Empty());
}

}  // namespace
}  // namespace oxqr
