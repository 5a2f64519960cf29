// The barcode controls: what libzint refuses and how it is reported, modules in whole
// pixels, and the symbol as each document format receives it.
#include <gtest/gtest.h>

#include <algorithm>

#include "OxQrCtrls/Barcode.h"
#include "OxQrExport/html/HtmlFilter.h"
#include "OxQrExport/pdf/PdfFilter.h"
#include "OxQrExport/text/TextFilter.h"
#include "engine/Layout.h"
#include "engine/Report.h"
#include "platform/Bitmap.h"
#include "platform/Files.h"
#include "platform/TextMetrics.h"
#include "tests/OxQrExport/support/ExportTestSupport.h"
#include "tests/engine/FakeDataSet.h"

namespace oxqr {
namespace {

using testing::ExportTest;

TOxQrBarcodeDrawing Lay(TOxQRSymbology symbology, const std::string& data, int width, int height,
                        int modulePixels = 0) {
  TOxQRBarcodeOptions options;
  options.Symbology = symbology;
  options.ModulePixels = modulePixels;
  TOxQrBarcodeDrawing drawing;
  drawing.Box = Bounds(0, 0, width, height);
  LayOutBarcode(data, options, drawing);
  return drawing;
}

TEST(BarcodeLayout, RefusesDataAndBoxesTheSymbolCannotHave) {
  struct Case {
    const char* Name;
    TOxQRSymbology Symbology;
    std::string Data;
    int Width, Height;
    const char* Message;
  };
  using S = TOxQRSymbology;
  const Case cases[] = {
      {"LettersInEan13", S::syEAN13, "59012A412345", 400, 150, "Invalid character"},
      {"WrongEan13CheckDigit", S::syEAN13, "5901234123458", 400, 150, "check digit"},
      {"ShortEan13", S::syEAN13, "12345", 400, 150, "EAN-13 takes 12 digits"},
      {"WrongUpcaCheckDigit", S::syUPCA, "036000291453", 400, 150, "check digit"},
      {"TildeInCode39", S::syCode39, "AB~C", 400, 150, "Invalid character"},
      {"LettersInInterleaved2of5", S::syInterleaved2of5, "12AB", 400, 150, "Invalid character"},
      {"TooLongForQrCode", S::syQRCode, std::string(8000, '7'), 2000, 2000, "too long"},
      {"TooLongForDataMatrix", S::syDataMatrix, std::string(4000, 'x'), 2000, 2000, "too long"},
      {"QrCodeInATinyBox", S::syQRCode, "https://ship.example/c/1005", 20, 20, "too small"},
      {"Code128TooWide", S::syCode128, "1234567890ABCDEFGHIJ", 80, 60, "too small"},
      {"Code128TooLowForItsText", S::syCode128, "1221", 300, 12, "too small"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    try {
      Lay(c.Symbology, c.Data, c.Width, c.Height);
      ADD_FAILURE() << "no error";
    } catch (const EBarcodeError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
    }
  }
}

// Bounding box of the bars.
TRect Extent(const TOxQrBarcodeDrawing& d) {
  TRect r = d.Bars.front();
  for (const TRect& b : d.Bars)
    r = Rect(std::min(r.Left, b.Left), std::min(r.Top, b.Top), std::max(r.Right, b.Right), std::max(r.Bottom, b.Bottom));
  return r;
}

TEST(BarcodeLayout, ModulesAreWholePixelsInsideTheBox) {
  using S = TOxQRSymbology;
  const struct {
    S Symbology;
    const char* Data;
    bool TwoDimensional;
  } cases[] = {{S::syCode128, "CUST-1221", false},  {S::syEAN13, "590123412345", false},
               {S::syUPCA, "03600029145", false},    {S::syCode39, "LABEL-42", false},
               {S::syInterleaved2of5, "12345678", false}, {S::syQRCode, "https://ship.example/c/1005", true},
               {S::syDataMatrix, "1005", true},       {S::syPDF417, "Shipping label", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(SymbologyName(c.Symbology));
    const TOxQrBarcodeDrawing d = Lay(c.Symbology, c.Data, 900, 700, 3);
    ASSERT_FALSE(d.Bars.empty());
    EXPECT_EQ(d.Data, c.Data);
    const TRect all = Extent(d);
    EXPECT_GE(all.Left, 0);
    EXPECT_GE(all.Top, 0);
    EXPECT_LE(all.Right, 900);
    EXPECT_LE(all.Bottom, 700);
    for (const TRect& b : d.Bars) {
      EXPECT_EQ((b.Left - all.Left) % 3, 0);
      EXPECT_EQ(b.Width() % 3, 0);
      if (c.TwoDimensional) {
        EXPECT_EQ((b.Top - all.Top) % 3, 0);
        EXPECT_EQ(b.Height() % 3, 0);
      }
    }
  }
}

TEST(BarcodeLayout, FitsTheLargestWholeModuleAndCentres) {
  // "hello" is a 21 x 21 QR code; with its quiet zone 29 modules: 6 pixels each in 200.
  const TOxQrBarcodeDrawing qr = Lay(TOxQRSymbology::syQRCode, "hello", 200, 200);
  EXPECT_EQ(Extent(qr), Bounds((200 - 29 * 6) / 2 + 4 * 6, (200 - 29 * 6) / 2 + 4 * 6, 21 * 6, 21 * 6));
  // Module runs of a row are one rectangle: no two bars of a row touch.
  for (const TRect& a : qr.Bars)
    for (const TRect& b : qr.Bars) EXPECT_FALSE(a.Top == b.Top && a.Right == b.Left);

  // A linear symbol's bars take the box's height left by its text (under ten modules).
  const TOxQrBarcodeDrawing code = Lay(TOxQRSymbology::syCode128, "1221", 400, 200);  // 5 pixels a module
  ASSERT_EQ(code.Texts.size(), 1u);
  EXPECT_EQ(code.Texts[0].Text, "1221");
  const TRect bars = Extent(code);
  EXPECT_GE(bars.Height(), 200 - 10 * 5);
  EXPECT_LE(bars.Bottom, code.Texts[0].Top + 1);
  EXPECT_LE(code.Texts[0].Top + TextExtent(code.Texts[0].Font, "1221").cy, 200 + 2);
}

TEST(BarcodeLayout, EmptyDataPrintsNothing) {
  const TOxQrBarcodeDrawing d = Lay(TOxQRSymbology::syEAN13, "", 300, 100);
  EXPECT_TRUE(d.Bars.empty());
  EXPECT_TRUE(d.Texts.empty());
}

class BarcodeReport : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    QRExportSettings().OnErrorMessage = [this](TOxQRExportFilter*, const std::string& m) { Messages.push_back(m); };
    report.Page.SetMarginsMM(0, 0, 0, 0);
    band.Name = "Detail";
    band.SetHeightMM(30);
  }
  std::vector<std::string> Messages;
  TQRReport report;
  TQRCustomBand& band = report.AddBand(TQRBandType::rbDetail);
};

bool Dark(const TBitmap& page, int x, int y) { return qGray(page.Image().pixel(x, y)) < 128; }

TEST_F(BarcodeReport, ABadRecordIsReportedOnceAndPrintsAnEmptyFrameWhileTheOthersPrint) {
  test::FakeDataSet data("Items", {"Code"},
                         {{{"Code", "5901234123457"}}, {{"Code", "5901234123458"}}, {{"Code", "4006381333931"}}});
  report.DataSet = &data;
  auto& ean = band.Add<TOxQRDBBarcode>();
  ean.Name = "EanCode";
  ean.Symbology = TOxQRSymbology::syEAN13;
  ean.DataSet = &data;
  ean.DataField = "Code";
  ean.SetBoundsMM(10, 2, 60, 25);

  report.Prepare();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].rfind("Barcode \"EanCode\", record 2: ", 0), 0u) << Messages[0];
  EXPECT_NE(Messages[0].find("check digit"), std::string::npos) << Messages[0];

  TBitmap page(794, 1123);
  page.Canvas().Draw(0, 0, *report.QRPrinter().Page(1));
  for (int record = 0; record < 3; ++record) {
    SCOPED_TRACE(record + 1);
    const TRect box = NativeToDevice(&report.QRPrinter(), 100, 20 + 300 * record, 600, 250);
    int darkInside = 0;
    for (int x = box.Left + 2; x < box.Right - 2; ++x) darkInside += Dark(page, x, box.Top + box.Height() / 3);
    if (record == 1) {  // the frame alone
      EXPECT_EQ(darkInside, 0);
      EXPECT_TRUE(Dark(page, box.Left, box.Top + box.Height() / 2));
      EXPECT_TRUE(Dark(page, box.Right - 1, box.Top + box.Height() / 2));
      EXPECT_TRUE(Dark(page, box.Left + box.Width() / 2, box.Top));
      EXPECT_TRUE(Dark(page, box.Left + box.Width() / 2, box.Bottom - 1));
    } else {
      EXPECT_GT(darkInside, 40);
    }
  }

  // The export run writes the good records' data and does not repeat the message.
  TOxQRTextFilter text(Dir() + "items.txt");
  report.ExportToFilter(text);
  const std::string written = ReadFileBytes(Dir() + "items.txt");
  EXPECT_NE(written.find("5901234123457"), std::string::npos) << written;
  EXPECT_NE(written.find("4006381333931"), std::string::npos) << written;
  EXPECT_EQ(written.find("5901234123458"), std::string::npos) << written;
  EXPECT_EQ(Messages.size(), 1u);
}

TEST_F(BarcodeReport, TheExportRunDrawsWhatTheControlNowSays) {
  auto& code = band.Add<TOxQRBarcode>();
  code.Name = "Code";
  code.Text = "590123412345";
  code.SetBoundsMM(10, 2, 60, 25);
  report.Prepare();
  ASSERT_TRUE(Messages.empty());
  // Changed after the preview: the export run encodes anew instead of reusing its symbol.
  code.Text = "ABC-42";
  code.ShowText = false;
  TOxQRTextFilter text(Dir() + "a.txt");
  report.ExportToFilter(text);
  EXPECT_NE(ReadFileBytes(Dir() + "a.txt").find("ABC-42"), std::string::npos);
  code.Symbology = TOxQRSymbology::syEAN13;
  TOxQRTextFilter again(Dir() + "b.txt");
  report.ExportToFilter(again);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("Invalid character"), std::string::npos) << Messages[0];
}

std::size_t CountOf(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (auto at = s.find(what); at != std::string::npos; at = s.find(what, at + what.size())) ++n;
  return n;
}

TEST_F(BarcodeReport, PdfFillsOneRectanglePerRunAndHtmlHasOneSvgPerSymbol) {
  std::size_t runs = 0;
  for (const char* data : {"hello", "https://ship.example/c/1005"}) {
    auto& qr = band.Add<TOxQRBarcode>();
    qr.Symbology = TOxQRSymbology::syQRCode;
    qr.Text = data;
    qr.SetBoundsMM(runs == 0 ? 10 : 80, 2, 25, 25);
    runs += qr.MakeDrawing(qr.DeviceRect(0, 0), 96 / 254.0, 96 / 254.0).Bars.size();
  }
  report.Prepare();

  QRExportSettings().HTML.SingleFile = true;
  TOxQRHTMLFilter html(Dir() + "q.htm");
  report.ExportToFilter(html);
  const std::string page = ReadFileBytes(Dir() + "q.htm");
  EXPECT_EQ(CountOf(page, "<svg "), 2u);
  EXPECT_EQ(CountOf(page, "</svg>"), 2u);
  EXPECT_EQ(CountOf(page, "h-"), runs);  // one closed rectangle per run

  QRExportSettings().PDF.Compressed = false;
  TOxQRPDFFilter pdf(Dir() + "q.pdf");
  report.ExportToFilter(pdf);
  const std::string file = ReadFileBytes(Dir() + "q.pdf");
  // The black runs follow their colour and end in one fill each symbol.
  std::size_t filled = 0;
  for (auto at = file.find("0.0000 0.0000 0.0000 rg"); at != std::string::npos;
       at = file.find("0.0000 0.0000 0.0000 rg", at + 1)) {
    const auto end = file.find("\r\nf\r\n", at);
    filled += CountOf(file.substr(at, end - at), " re");
  }
  EXPECT_EQ(filled, runs);
  EXPECT_TRUE(Messages.empty());
}

}  // namespace
}  // namespace oxqr
