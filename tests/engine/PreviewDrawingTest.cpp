#include <gtest/gtest.h>

#include "ReportFixture.h"
#include "engine/ExportFilter.h"
#include "platform/Metafile.h"

namespace oxqr {
namespace {

TEST(PreviewDrawing, BandBackgroundGoesUnderItsControlsAndCoversTheStretchedHeight) {
  TQRReport report;
  test::NoMargins(report);
  auto& band = test::AddBand(report, TQRBandType::rbDetail, 100);
  band.Color = clAqua;
  band.Frame.SetAll(true);
  auto& memo = band.Add<TQRMemo>();
  memo.AutoStretch = true;
  memo.Transparent = true;
  memo.Size = TQRSize{45, 0, 0, 1000};
  memo.Lines = {"a", "b", "c", "d", "e", "f"};
  report.Prepare();

  const auto& records = report.QRPrinter().Page(1)->Records;
  ASSERT_FALSE(records.empty());
  const auto* fill = std::get_if<MrFillRect>(&records.front());
  ASSERT_NE(fill, nullptr) << "the background is the first record";
  EXPECT_EQ(fill->Brush.Color, clAqua);
  EXPECT_EQ(fill->R.Left, 0);
  EXPECT_EQ(fill->R.Right, 794);
  int texts = 0, lastTextBottom = 0;
  for (const auto& r : records)
    if (const auto* t = std::get_if<MrText>(&r)) {
      ++texts;
      lastTextBottom = t->Y + 10;
    }
  EXPECT_EQ(texts, 6);
  EXPECT_GE(fill->R.Bottom, lastTextBottom);
  EXPECT_GT(fill->R.Bottom, report.QRPrinter().ToDeviceY(100));
  // The band frame is drawn over the controls, as the last records.
  EXPECT_TRUE(std::holds_alternative<MrLine>(records.back()));
}

TEST(PreviewDrawing, ExportRunDrawsNothingOnItsOwnPrinter) {
  TQRReport report;
  test::NoMargins(report);
  report.Frame.SetAll(true);
  auto& band = test::AddBand(report, TQRBandType::rbDetail, 100);
  band.Color = clAqua;
  test::AddLabel(band, "x").Frame.SetAll(true);
  report.Prepare();
  const std::size_t previewRecords = report.QRPrinter().Page(1)->Records.size();
  EXPECT_GE(previewRecords, 10u);  // background, text, 4 + 4 frame lines

  class Peek : public TQRExportFilter {
   public:
    using TQRExportFilter::TQRExportFilter;
    void ClosePage() override {
      if (Report->QRPrinter().PageCount() > 0) Recorded = Report->QRPrinter().Page(1)->Records.size();
    }
    std::size_t Recorded = 99;
  } peek("x");
  report.ExportToFilter(peek);
  EXPECT_EQ(peek.Recorded, 0u);
  EXPECT_EQ(report.QRPrinter().Page(1)->Records.size(), previewRecords);
}

}  // namespace
}  // namespace oxqr
