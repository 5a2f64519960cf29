// Sample report 1: customers with their orders (master-detail), from the customer and
// orders tables of the DEMODATA database.
#include "Showcase/samples/SampleDrawings.h"
#include "Showcase/samples/SampleParts.h"
#include "Showcase/samples/SampleReports.h"
#include "data/Table.h"

namespace oxqr {

namespace {

class TCustomersReport final : public TSampleReport {
 public:
  explicit TCustomersReport(const TSampleContext& ctx) {
    OpenTables(ctx.DatabasePath);
    QRReport1.Name = "QRReport1";
    QRReport1.ReportTitle = "Customer Orders, Master-Detail";
    QRReport1.DataSet = &Table1;
    SetUpSamplePage(QRReport1, TQRPaperSize::A4, 12.7, 12.7, 10.0, 10.0);

    AddSampleTitleBand(QRReport1, 7.4, "OxQRFilters Master-Detail Demo");
    AddPageHeader();
    TQRCustomBand& detail = AddDetail();
    TQRCustomBand& orderHeader = AddOrderHeader();
    AddOrders(detail, orderHeader);
  }

  std::string Key() const override { return "customers"; }
  std::string Title() const override { return QRReport1.ReportTitle; }
  TQRCustomReport& Report() override { return QRReport1; }

 private:
  void OpenTables(const std::string& database) {
    Table1.DatabaseName = database;
    Table1.TableName = "customer.db";
    DataSource1.DataSet = &Table1;
    Table3.DatabaseName = database;
    Table3.TableName = "orders.db";
    Table3.IndexName = "CustNo";
    Table3.MasterFields = "CustNo";
    Table3.MasterSource = &DataSource1;
    Table1.Open();
    Table3.Open();
    Table3.FieldByName("OrderNo").DisplayFormat = "'#'0000";
  }

  void AddPageHeader() {
    AddSampleLogo(AddSamplePageHeader(QRReport1, 6.6), 183.1, 0, 6.3);
  }

  TQRCustomBand& AddDetail() {
    auto& band = QRReport1.AddBand(TQRBandType::rbDetail);
    band.Name = "DetailBand1";
    band.SetHeightMM(11.1);
    band.Color = clWhite;

    auto& box = band.Add<TOxQRShape>();
    box.Name = "QRShapeBox";
    box.Shape = TQRShapeType::qrsRectangle;
    box.Brush.Style = TBrushStyle::bsClear;
    box.SetBoundsMM(0, 0, 190.0, 10.8);

    auto& dot = band.Add<TOxQRShape>();
    dot.Name = "QRShapeDot";
    dot.Shape = TQRShapeType::qrsCircle;
    dot.Brush.Color = clBlue;
    dot.Pen.Color = clBlue;
    dot.SetBoundsMM(1.1, 1.1, 4.0, 4.0);

    auto& company = AddSampleDBText(band, Table1, "Company", 7.4, 1.1, 110.0);
    company.Font.Style.Include(TFontStyle::fsBold);
    AddSampleDBText(band, Table1, "City", 7.4, 5.6, 52.0);
    AddSampleDBText(band, Table1, "State", 60.3, 5.6, 58.0);
    AddSampleDBText(band, Table1, "Country", 127.0, 5.6, 62.0);
    AddSampleDBText(band, Table1, "Phone", 125.9, 1.1, 63.0);

    auto& phone = band.Add<TOxQRImage>();
    phone.Name = "QRImagePhone";
    phone.Picture = PhoneIcon();
    phone.Stretch = true;
    phone.SetBoundsMM(119.9, 1.1, 4.2, 4.2);
    auto& globe = band.Add<TOxQRImage>();
    globe.Name = "QRImageGlobe";
    globe.Picture = GlobeIcon();
    globe.Stretch = true;
    globe.SetBoundsMM(119.9, 5.6, 4.2, 4.2);
    return band;
  }

  TQRCustomBand& AddOrderHeader() {
    auto& band = QRReport1.AddBand(TQRBandType::rbGroupHeader);
    band.Name = "GroupHeaderBand1";
    band.SetHeightMM(5.3);
    band.Color = clNavy;
    const struct {
      const char* Caption;
      double Left;
      double Width;
    } columns[] = {{"Order #", 48.9, 19.0}, {"Sale Date", 68.8, 46.0}, {"Payment Method", 119.6, 38.0},
                   {"Amount Paid", 164.3, 25.0}};
    for (const auto& c : columns) {
      auto& label = AddSampleLabel(band, c.Caption, c.Left, 0, c.Width);
      label.Font.Style.Include(TFontStyle::fsBold);
      label.Font.Color = clWhite;
      label.Transparent = true;
    }
    return band;
  }

  void AddOrders(TQRCustomBand& detail, TQRCustomBand& header) {
    auto& band = QRReport1.AddBand<TQRSubDetail>();
    band.Name = "QRSubDetail1";
    band.SetHeightMM(5.3);
    band.Color = clWhite;
    band.DataSet = &Table3;
    band.Master = &detail;
    band.HeaderBand = &header;
    band.PrintIfEmpty = true;

    // Right-aligned texts end at their box's right edge.
    auto& orderNo = AddSampleDBText(band, Table3, "OrderNo", 48.7, 0.3, 13.0);
    orderNo.Alignment = TAlignment::taRightJustify;
    AddSampleDBText(band, Table3, "SaleDate", 68.8, 0.3, 45.0);
    AddSampleDBText(band, Table3, "PaymentMethod", 119.6, 0.3, 37.0);
    auto& paid = AddSampleDBText(band, Table3, "AmountPaid", 167.2, 0.3, 20.0);
    paid.Alignment = TAlignment::taRightJustify;

    for (double x : {39.7, 64.3, 115.1, 158.2, 189.7}) {
      auto& line = band.Add<TOxQRShape>();
      line.Shape = TQRShapeType::qrsVertLine;
      line.SetBoundsMM(x, 0, 0.3, 5.3);
    }
    auto& rule = band.Add<TOxQRShape>();
    rule.Name = "QRShapeRule";
    rule.Shape = TQRShapeType::qrsRectangle;
    rule.Brush.Color = clBlack;
    rule.SetBoundsMM(39.7, 5.0, 150.3, 0.3);
  }

  // Tables before the report: the report is destroyed first.
  TTable Table1;
  TTable Table3;
  TDataSource DataSource1;
  TQRReport QRReport1;
};

}  // namespace

std::unique_ptr<TSampleReport> MakeCustomersReport(const TSampleContext& ctx) {
  return std::make_unique<TCustomersReport>(ctx);
}

}  // namespace oxqr
