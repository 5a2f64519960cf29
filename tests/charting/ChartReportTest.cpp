// The chart sample report: one page whose chart shows the animals table, handed to a
// document filter as one picture.
#include <gtest/gtest.h>

#include <variant>

#include "ChartTestSupport.h"
#include "OxQrCtrls/ChartControl.h"
#include "Showcase/samples/SampleReports.h"
#include "engine/Printer.h"
#include "tests/OxQrExport/document/RecordingFilter.h"
#include "tests/data/TestDatabases.h"

namespace oxqr {
namespace {

const TOxQRChart* FindChart(TQRCustomReport& report) {
  for (const auto& band : report.Bands())
    for (const auto& control : band->Controls())
      if (const auto* chart = dynamic_cast<const TOxQRChart*>(control.get())) return chart;
  return nullptr;
}

TEST(ChartReport, OnePageWithTheAnimalsChart) {
  const auto sample = MakeChartReport({test::DemoDatabase(), OXQR_TEST_SOURCE_DIR});
  EXPECT_EQ(sample->Key(), "chart");
  TQRCustomReport& report = sample->Report();
  const TOxQRChart* chart = FindChart(report);
  ASSERT_NE(chart, nullptr);
  const auto slices = chart->ReadSlices();
  ASSERT_EQ(slices.size(), 10u);  // every animal of the table
  EXPECT_EQ(slices.front().Label, "Brown Bear");
  EXPECT_DOUBLE_EQ(slices.front().Value, 310);

  report.Prepare();
  ASSERT_EQ(report.QRPrinter().PageCount(), 1);
  const TMetafile& page = *report.QRPrinter().Page(1);
  const MrBitmap* picture = nullptr;
  for (const TMetaRecord& r : page.Records)
    if (const auto* b = std::get_if<MrBitmap>(&r); b && b->Image->width() > 1000) picture = b;
  ASSERT_NE(picture, nullptr);
  // 182.1 x 134.7 mm at the screen's 96 pixels per inch.
  EXPECT_NEAR(picture->Dest.Width(), 688, 1);
  EXPECT_NEAR(picture->Dest.Height(), 509, 1);
  // The title is blue, near the chart's top left corner.
  const QRect title = test::PixelBounds(*picture->Image, test::IsTitleBlue);
  ASSERT_FALSE(title.isNull());
  EXPECT_LT(title.left(), 3 * 30);
  EXPECT_LT(title.bottom(), 3 * 50);

  test::TRecordingFilter filter("memory");
  report.ExportToFilter(filter);
  EXPECT_EQ(filter.Count("WritePicture:QRChart1"), 1u);
  EXPECT_EQ(filter.Count("RenderPicture:QRChart1"), 1u);
}

}  // namespace
}  // namespace oxqr
