// The export-aware chart: it prints like the chart it derives from and hands itself to a
// document filter after drawing itself.
#include <gtest/gtest.h>

#include <variant>

#include "ChartTestSupport.h"
#include "OxQrCtrls/ChartControl.h"
#include "engine/Printer.h"
#include "engine/Report.h"
#include "tests/OxQrExport/document/RecordingFilter.h"

namespace oxqr {
namespace {

int PictureRecords(const TMetafile* page) {
  int n = 0;
  if (page != nullptr)
    for (const TMetaRecord& r : page->Records) n += std::holds_alternative<MrBitmap>(r) ? 1 : 0;
  return n;
}

// Notes, for every WritePicture, the offsets and how many pictures the page being
// printed already holds.
class TChartRecordingFilter final : public test::TRecordingFilter {
 public:
  using TRecordingFilter::TRecordingFilter;
  struct Call {
    const TQRPrintable* Control;
    int X, Y;
    bool Continuing;
    int PicturesOnPage;
  };
  std::vector<Call> Calls;
  std::vector<int> BitmapWidths;

  void WritePicture(const TQRPrintable& Control, int X, int Y, bool Continuing) override {
    TQRPrinter* printer = Control.ParentPrinter();
    Calls.push_back({&Control, X, Y, Continuing, PictureRecords(printer ? printer->PrintingPage() : nullptr)});
    BitmapWidths.push_back(ControlBitmap(Control, TPixelFormat::pf24bit)->Width());
    TRecordingFilter::WritePicture(Control, X, Y, Continuing);
  }
};

struct ChartReport {
  test::TFakeAnimals Animals{{{"Ant", "10"}, {"Bear", "30"}, {"Cow", "60"}}};
  TQRReport Report;
  TOxQRChart* Chart = nullptr;

  ChartReport() {
    Animals.Open();
    auto& band = Report.AddBand(TQRBandType::rbDetail);
    band.Name = "Detail";
    band.SetHeightMM(100);
    Chart = &band.Add<TOxQRChart>();
    Chart->Name = "Chart";
    Chart->SetBoundsMM(3.5, 2.0, 120, 90);
    Chart->DataSet = &Animals;
    Chart->LabelField = "NAME";
    Chart->ValueField = "WEIGHT";
  }
};

TEST(ChartControl, WritesItsPictureToADocumentFilterAfterDrawingIt) {
  ChartReport r;
  r.Report.Prepare();
  EXPECT_EQ(PictureRecords(r.Report.QRPrinter().Page(1)), 1);

  TChartRecordingFilter filter("memory");
  r.Report.ExportToFilter(filter);
  ASSERT_EQ(filter.Calls.size(), 1u);
  const auto& call = filter.Calls[0];
  EXPECT_EQ(call.Control, r.Chart);
  EXPECT_FALSE(call.Continuing);
  EXPECT_EQ(call.PicturesOnPage, 1);  // the chart was drawn before the hook
  EXPECT_EQ(call.X, 0);  // the band's place: no margins, the first band of the page
  EXPECT_EQ(call.Y, 0);
  // The filters' picture is the control at screen size.
  EXPECT_EQ(filter.BitmapWidths[0], r.Chart->ScreenWidth());
  EXPECT_EQ(filter.Count("RenderPicture:Chart"), 1u);
}

TEST(ChartControl, PrintsExactlyLikeTheEngineChart) {
  ChartReport r;
  r.Report.Prepare();
  TQRReport plainReport;
  auto& band = plainReport.AddBand(TQRBandType::rbDetail);
  band.SetHeightMM(100);
  auto& plainChart = band.Add<TQRDBChart>();
  plainChart.SetBoundsMM(3.5, 2.0, 120, 90);
  plainChart.DataSet = &r.Animals;
  plainChart.LabelField = "NAME";
  plainChart.ValueField = "WEIGHT";
  plainReport.Prepare();
  const TMetafile& aware = *r.Report.QRPrinter().Page(1);
  const TMetafile& engine = *plainReport.QRPrinter().Page(1);
  ASSERT_EQ(PictureRecords(&aware), 1);
  ASSERT_EQ(PictureRecords(&engine), 1);
  const auto& a = std::get<MrBitmap>(aware.Records.back());
  const auto& e = std::get<MrBitmap>(engine.Records.back());
  EXPECT_EQ(a.Dest, e.Dest);
  EXPECT_TRUE(*a.Image == *e.Image);
}

}  // namespace
}  // namespace oxqr
