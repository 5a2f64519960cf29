// Every symbology the decoder knows, drawn as our page pictures draw it and turned by
// each rotation, read back by zbarimg with its data.
#include <gtest/gtest.h>

#include <algorithm>

#include "OxQrCtrls/BarcodeSymbol.h"
#include "platform/Bitmap.h"
#include "tests/OxQrExport/support/ExportTestSupport.h"
#include "tests/OxQrExport/support/ReaderSupport.h"

namespace oxqr {
namespace {

using namespace oxqr::testing;

class BarcodeDecode : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    if (!HaveProgram("zbarimg")) GTEST_SKIP() << "zbarimg is not installed";
  }
};

TEST_F(BarcodeDecode, ZbarReadsEverySymbologyAtEveryRotation) {
  using S = TOxQRSymbology;
  using R = TOxQRRotation;
  // zbar reads UPC-A as EAN-13 with a leading zero; it reads neither Data Matrix nor
  // (reliably) PDF417, whose layout the unit tests check instead.
  const struct {
    S Symbology;
    std::string Data;
    std::string Read;
  } cases[] = {
      {S::syCode128, "CUST-1221", "CUST-1221"},
      {S::syEAN13, "5901234123457", "5901234123457"},
      {S::syEAN13, "400638133393", "4006381333931"},
      {S::syUPCA, "036000291452", "0036000291452"},
      {S::syCode39, "LABEL-42", "LABEL-42"},
      {S::syInterleaved2of5, "12345678", "12345678"},
      {S::syQRCode, "https://ship.example/c/1033?to=M%C3%BCller+Peak+Traders", ""},
  };
  for (const auto& c : cases) {
    for (const R rotation : {R::ro0, R::ro90, R::ro180, R::ro270}) {
      const int turn = static_cast<int>(rotation) * 90;
      SCOPED_TRACE(std::string(SymbologyName(c.Symbology)) + " at " + std::to_string(turn));
      TOxQRBarcodeOptions options;
      options.Symbology = c.Symbology;
      options.Rotation = rotation;
      const bool upright = turn % 180 == 0;
      TOxQrBarcodeDrawing drawing;
      // A label-sized box at 96 pixels per inch: 80 x 24 mm, or a 25 mm square for QR.
      const bool square = c.Symbology == S::syQRCode;
      const int w = square ? 94 : 300, h = square ? 94 : 90;
      drawing.Box = upright ? Bounds(0, 0, w, h) : Bounds(0, 0, h, w);
      LayOutBarcode(c.Data, options, drawing);
      // On a white margin, as on a page.
      TBitmap page(drawing.Box.Width() + 40, drawing.Box.Height() + 40);
      page.Canvas().Brush.Color = clWhite;
      page.Canvas().FillRect(Bounds(0, 0, page.Width(), page.Height()));
      PaintBarcode(page.Canvas(), drawing, 20, 20);
      const std::string png = Dir() + "code.png";
      ASSERT_TRUE(page.Image().save(QString::fromStdString(png)));
      const TShellRun r = RunShell("zbarimg --nodbus --quiet --raw " + ShellQuote(png) + " 2>/dev/null");
      EXPECT_EQ(r.Output, (c.Read.empty() ? c.Data : c.Read) + "\n");
    }
  }
}

}  // namespace
}  // namespace oxqr
