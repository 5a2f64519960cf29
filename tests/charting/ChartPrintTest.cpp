// The chart control on a page: a sharp picture stretched into the control's rectangle.
#include <gtest/gtest.h>

#include <variant>

#include "ChartTestSupport.h"
#include "charting/DBChart.h"
#include "engine/Report.h"

namespace oxqr {
namespace {

std::vector<MrBitmap> Pictures(const TMetafile& page) {
  std::vector<MrBitmap> out;
  for (const TMetaRecord& r : page.Records)
    if (const auto* b = std::get_if<MrBitmap>(&r)) out.push_back(*b);
  return out;
}

TEST(ChartPrint, DrawsThreeTimesSharperIntoItsDeviceRectangle) {
  test::TFakeAnimals animals({{"Ant", "10"}, {"Bear", "30"}});
  animals.Open();
  TQRReport report;
  report.Page.SetPaper(TQRPaperSize::Letter);
  report.Page.SetMarginsMM(12.7, 12.7, 12.7, 12.7);
  auto& band = report.AddBand(TQRBandType::rbDetail);
  band.SetHeightMM(143.8);
  auto& chart = band.Add<TQRDBChart>();
  chart.SetBoundsMM(3.5, 2.0, 182.1, 134.7);
  chart.DataSet = &animals;
  chart.LabelField = "NAME";
  chart.ValueField = "WEIGHT";

  report.Prepare();
  ASSERT_EQ(report.QRPrinter().PageCount(), 1);
  const auto pictures = Pictures(*report.QRPrinter().Page(1));
  ASSERT_EQ(pictures.size(), 1u);
  const MrBitmap& picture = pictures[0];
  // The band sits at the margins (127, 127); the chart 35 and 20 further in.
  const TQRPrinter& printer = report.QRPrinter();
  EXPECT_EQ(picture.Dest, Rect(printer.ToDeviceX(162), printer.ToDeviceY(147), printer.ToDeviceX(162 + 1821),
                               printer.ToDeviceY(147 + 1347)));
  ASSERT_NE(picture.Image, nullptr);
  EXPECT_EQ(picture.Image->width(), 3 * chart.ScreenWidth());
  EXPECT_EQ(picture.Image->height(), 3 * chart.ScreenHeight());
  // The same slices as the filters' picture: red is there.
  EXPECT_GT(test::CountPixels(*picture.Image, [](QRgb p) { return p == qRgb(255, 0, 0); }), 1000);
}

TEST(ChartPrint, DisabledChartDrawsNothing) {
  TQRReport report;
  auto& band = report.AddBand(TQRBandType::rbDetail);
  band.SetHeightMM(50);
  auto& chart = band.Add<TQRDBChart>();
  chart.SetBoundsMM(0, 0, 40, 40);
  chart.Slices = {{"a", 1}};
  chart.Enabled = false;
  report.Prepare();
  ASSERT_EQ(report.QRPrinter().PageCount(), 1);
  EXPECT_TRUE(Pictures(*report.QRPrinter().Page(1)).empty());
}

}  // namespace
}  // namespace oxqr
