// Sample report 2: sporting events with their pictures and long descriptions, from the
// events table of the DEMODATA database.
#include "Showcase/samples/SampleDrawings.h"
#include "Showcase/samples/SampleParts.h"
#include "Showcase/samples/SampleReports.h"
#include "data/Table.h"

namespace oxqr {

namespace {

class TEventsReport final : public TSampleReport {
 public:
  explicit TEventsReport(const TSampleContext& ctx) {
    Table2.DatabaseName = ctx.DatabasePath;
    Table2.TableName = "events.db";
    Table2.Open();

    QRReport2.Name = "QRReport2";
    QRReport2.ReportTitle = "Sporting Events";
    QRReport2.DataSet = &Table2;
    SetUpSamplePage(QRReport2, TQRPaperSize::A4, 12.7, 12.7, 12.7, 12.7);
    QRReport2.Frame.Color = clBlue;
    QRReport2.Frame.SetAll(true);

    AddSampleTitleBand(QRReport2, 7.4, "OxQRFilters Graphics Demo");
    AddPageHeader();
    AddDetail();
    AddPageFooter();
  }

  std::string Key() const override { return "events"; }
  std::string Title() const override { return QRReport2.ReportTitle; }
  TQRCustomReport& Report() override { return QRReport2; }

 private:
  void AddPageHeader() {
    auto& band = AddSamplePageHeader(QRReport2, 6.6);
    auto& logo = band.Add<TOxQRImage>();
    logo.Name = "QRImageLogo";
    logo.Picture = SampleLogo();
    logo.Center = true;
    logo.AutoSize = true;
    logo.Frame.SetAll(true);
    // Auto-sized: the control takes the picture's size (24 pixels = 6.35 mm).
    const double side = logo.Picture.Width() * 25.4 / 96.0;
    logo.SetBoundsMM(177.8, 0, side, side);
  }

  void AddDetail() {
    auto& band = QRReport2.AddBand(TQRBandType::rbDetail);
    band.Name = "DetailBand1";
    band.SetHeightMM(33.6);
    band.Color = clInfoBk;
    band.Frame.SetAll(true);
    band.Frame.Color = clBlack;

    auto& caption = AddSampleLabel(band, "Event:", 2.1, 2.1, 11.5);
    caption.Font.Style.Include(TFontStyle::fsBold);
    caption.Font.Color = clGreen;
    caption.Transparent = true;

    auto& name = AddSampleDBText(band, Table2, "Event_Name", 13.8, 2.1, 80.0);
    name.Font.Name = "Times New Roman";
    name.Font.Style.Include(TFontStyle::fsBold);
    name.Transparent = true;

    auto& date = AddSampleDBText(band, Table2, "Event_Date", 152.4, 2.1, 28.0);
    date.Color = RGBColor(240, 202, 166);
    date.Frame.DrawTop = true;
    date.Frame.DrawBottom = true;

    // The memo grows with its text and continues on the next page when it must.
    auto& description = AddSampleDBText(band, Table2, "Event_Description", 13.8, 7.4, 53.2);
    description.SetBoundsMM(13.8, 7.4, 53.2, 24.0);
    description.AutoSize = false;
    description.WordWrap = true;
    description.AutoStretch = true;
    description.Color = RGBColor(240, 251, 255);
    description.Frame.SetAll(true);

    auto& price = AddSampleDBText(band, Table2, "Ticket_price", 152.4, 27.3, 28.0);
    price.Font.Style.Include(TFontStyle::fsStrikeOut);
    price.Color = RGBColor(192, 220, 192);
    price.Frame.SetAll(true);

    auto& photo = band.Add<TOxQRDBImage>();
    photo.Name = "QRDBImageEvent_Photo";
    photo.DataSet = &Table2;
    photo.DataField = "Event_Photo";
    photo.Stretch = true;
    photo.Frame.SetAll(true);
    photo.Frame.Color = clRed;
    photo.SetBoundsMM(95.2, 2.1, 52.1, 29.9);
  }

  void AddPageFooter() {
    auto& band = QRReport2.AddBand(TQRBandType::rbPageFooter);
    band.Name = "PageFooterBand1";
    band.SetHeightMM(5.6);
    band.Color = clNavy;

    auto& printed = band.Add<TOxQRSysData>();
    printed.Name = "QRSysDataPrinted";
    printed.Data = TQRSysDataType::qrsDateTime;
    printed.Text_ = " Printed on: ";
    printed.Font.Color = clSilver;
    printed.Transparent = true;
    printed.AlignToBand = true;
    printed.Alignment = TAlignment::taLeftJustify;
    printed.SetBoundsMM(0, 0.5, 70.0, 4.5);

    auto& page = band.Add<TOxQRSysData>();
    page.Name = "QRSysDataPage";
    page.Data = TQRSysDataType::qrsPageNumber;
    page.Text_ = "Page: ";
    page.Font.Color = clSilver;
    page.Transparent = true;
    page.AlignToBand = true;
    page.Alignment = TAlignment::taRightJustify;
    page.SetBoundsMM(150.0, 0.5, 34.6, 4.5);
  }

  TTable Table2;  // before the report: the report is destroyed first
  TQRReport QRReport2;
};

}  // namespace

std::unique_ptr<TSampleReport> MakeEventsReport(const TSampleContext& ctx) {
  return std::make_unique<TEventsReport>(ctx);
}

}  // namespace oxqr
