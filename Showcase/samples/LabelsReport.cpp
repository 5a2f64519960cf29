// Sample report 5: a sheet of shipping labels, three across and ten down an A4 page, from
// the customer table of the DEMODATA database. Each label carries the address, a Code 128
// of the customer number and a QR code of a tracking address naming the company.
#include <cctype>
#include <cstdio>

#include "OxQrCtrls/Barcode.h"
#include "Showcase/samples/RecordRows.h"
#include "Showcase/samples/SampleParts.h"
#include "Showcase/samples/SampleReports.h"
#include "data/Table.h"
#include "platform/CodePage.h"

namespace oxqr {

namespace {

constexpr int kAcross = 3;
constexpr double kLabelWidth = 70.0;  // mm
constexpr double kLabelHeight = 29.5;

// A query value: letters and digits kept, blanks as '+', everything else percent-encoded
// from its UTF-8 bytes.
std::string QueryText(const std::string& utf8) {
  std::string out;
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) != 0 && c < 0x80) {
      out += ch;
    } else if (c == ' ') {
      out += '+';
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

// "City, ST 12345", the state left out when there is none.
std::string CityLine(TDataSet& customers) {
  const std::string state = customers.FieldByName("State").AsString();
  return customers.FieldByName("City").AsString() + (state.empty() ? "" : ", " + state) + " " +
         customers.FieldByName("Zip").AsString();
}

class TLabelsReport final : public TSampleReport {
 public:
  explicit TLabelsReport(const TSampleContext& ctx) : Rows(Customers, kAcross, {{"CityLine", CityLine}}) {
    Customers.DatabaseName = ctx.DatabasePath;
    Customers.TableName = "customer.db";
    Customers.IndexName = "CustNo";
    Rows.Open();
    QRReport5.Name = "QRReport5";
    QRReport5.ReportTitle = "Shipping Labels";
    QRReport5.DataSet = &Rows;
    SetUpSamplePage(QRReport5, TQRPaperSize::A4, 1.0, 0.0, 0.0, 0.0);

    auto& band = QRReport5.AddBand(TQRBandType::rbDetail);
    band.Name = "DetailBand5";
    band.SetHeightMM(kLabelHeight);
    band.Color = clWhite;
    for (int k = 1; k <= kAcross; ++k) AddLabel(band, k, (k - 1) * kLabelWidth);
  }

  std::string Key() const override { return "labels"; }
  std::string Title() const override { return QRReport5.ReportTitle; }
  TQRCustomReport& Report() override { return QRReport5; }

  // The text the QR code of label `k` encodes for the current row ("" for an empty place).
  std::string TrackingText(int k) {
    TField* custNo = Rows.FindField("CustNo" + std::to_string(k));
    TField* company = Rows.FindField("Company" + std::to_string(k));
    if (custNo == nullptr || company == nullptr || custNo->IsNull()) return {};
    return "https://ship.example/c/" + custNo->AsString() + "?to=" + QueryText(AnsiToUtf8(company->AsString()));
  }

 private:
  void AddLabel(TQRCustomBand& band, int k, double left) {
    const std::string n = std::to_string(k);
    auto& company = AddSampleDBText(band, Rows, "Company" + n, left + 3, 1.5, 40);
    company.Font.Style.Include(TFontStyle::fsBold);
    company.Font.Size = 8;
    company.AutoSize = false;
    const double lines[] = {5.0, 8.3, 11.6};
    const char* fields[] = {"Addr1", "CityLine", "Country"};
    for (int i = 0; i < 3; ++i) {
      auto& line = AddSampleDBText(band, Rows, fields[i] + n, left + 3, lines[i], 40);
      line.Font.Size = 7;
      line.AutoSize = false;
    }

    auto& code = band.Add<TOxQRDBBarcode>();
    code.Name = "QRBarcodeCustNo" + n;
    code.DataSet = &Rows;
    code.DataField = "CustNo" + n;
    code.Symbology = TOxQRSymbology::syCode128;
    code.Font.Size = 7;
    code.SetBoundsMM(left + 1, 15.5, 42.5, 12.5);

    auto& qr = band.Add<TOxQRBarcode>();
    qr.Name = "QRBarcodeTracking" + n;
    qr.Symbology = TOxQRSymbology::syQRCode;
    qr.TextProvider = [this, k] { return TrackingText(k); };
    // Three pixels a module at 96 pixels per inch, so that renderings at other resolutions
    // still show clean modules: low error correction keeps every address in a 33-module
    // symbol, and the label's white around it is the quiet zone.
    qr.ErrorLevel = TOxQRErrorLevel::elLow;
    qr.QuietZone = false;
    qr.SetBoundsMM(left + 42.5, 1.25, 27.0, 27.0);
  }

  // Declared before the report, which is destroyed first.
  TTable Customers;
  TRecordRows Rows;
  TQRReport QRReport5;
};

}  // namespace

std::unique_ptr<TSampleReport> MakeLabelsReport(const TSampleContext& ctx) {
  return std::make_unique<TLabelsReport>(ctx);
}

}  // namespace oxqr
