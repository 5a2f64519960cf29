// Sample report 4: a pie chart of how much the animals of the DEMODATA database weigh.
// The report has no dataset of its own; the chart reads the animals table itself.
#include "OxQrCtrls/ChartControl.h"
#include "charting/ChartApplication.h"
#include "Showcase/samples/SampleDrawings.h"
#include "Showcase/samples/SampleParts.h"
#include "Showcase/samples/SampleReports.h"
#include "data/Table.h"

namespace oxqr {

namespace {

// The chart's panel: a gradient from white down to this green, on the same green.
constexpr TColor kChartGreen = RGBColor(124, 237, 158);

class TChartReport final : public TSampleReport {
 public:
  explicit TChartReport(const TSampleContext& ctx) {
    // Before the logo is drawn: drawing would otherwise start a plain QGuiApplication.
    TryEnsureChartApplication();
    tblAnimals.DatabaseName = ctx.DatabasePath;
    tblAnimals.TableName = "animals.dbf";
    tblAnimals.Open();

    QRReport4.Name = "QRReport4";
    QRReport4.ReportTitle = "Chart Demo";
    SetUpSamplePage(QRReport4, TQRPaperSize::Letter, 12.7, 12.7, 12.7, 12.7);
    QRReport4.SetUnits(TQRUnit::Inches);
    QRReport4.SetZoom(120);

    AddSampleTitleBand(QRReport4, 6.2, "OxQRFilters Chart Demo");
    AddPageHeader();
    AddDetail();
  }

  std::string Key() const override { return "chart"; }
  std::string Title() const override { return QRReport4.ReportTitle; }
  TQRCustomReport& Report() override { return QRReport4; }

 private:
  void AddPageHeader() {
    AddSampleLogo(AddSamplePageHeader(QRReport4, 6.2), 185.0, 0.4, 5.3);
  }

  void AddDetail() {
    auto& band = QRReport4.AddBand(TQRBandType::rbDetail);
    band.Name = "DetailBand1";
    band.SetHeightMM(143.8);
    band.Color = clWhite;

    auto& chart = band.Add<TOxQRChart>();
    chart.Name = "QRChart1";
    chart.SetBoundsMM(3.5, 2.0, 182.1, 134.7);
    chart.DataSet = &tblAnimals;
    chart.LabelField = "NAME";
    chart.ValueField = "WEIGHT";

    TPieChart& look = chart.Chart;
    look.Title = "How they weigh!";
    look.TitleFont.Name = "Arial";
    look.TitleFont.Size = 12;
    look.TitleFont.Style = TFontStyles{TFontStyle::fsBold};
    look.TitleFont.Color = clBlue;
    look.TitleAlignment = TAlignment::taLeftJustify;
    look.Color = kChartGreen;
    look.Gradient = TChartGradient{true, clWhite, kChartGreen};
    look.SeriesColor = clRed;
    look.MarksVisible = true;
    look.LegendVisible = true;
  }

  TTable tblAnimals;  // before the report: the report is destroyed first
  TQRReport QRReport4;
};

}  // namespace

std::unique_ptr<TSampleReport> MakeChartReport(const TSampleContext& ctx) {
  return std::make_unique<TChartReport>(ctx);
}

}  // namespace oxqr
