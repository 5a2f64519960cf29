#include <gtest/gtest.h>

#include "engine/Report.h"

namespace oxqr {
namespace {

struct UnitCase {
  TQRUnit Units;
  int Zoom;
  double Width, Length, LeftMargin;  // A4 with a 12.7 mm left margin
};

class PageUnits : public ::testing::TestWithParam<UnitCase> {};

TEST_P(PageUnits, GettersReadInTheReportsUnits) {
  const UnitCase& c = GetParam();
  TQRReport report;
  report.Page.SetPaper(TQRPaperSize::A4);
  report.Page.SetMarginsMM(10, 10, 12.7, 5);
  report.SetUnits(c.Units);
  report.SetZoom(c.Zoom);
  EXPECT_NEAR(report.Page.Width(), c.Width, 1e-9);
  EXPECT_NEAR(report.Page.Length(), c.Length, 1e-9);
  EXPECT_NEAR(report.Page.LeftMargin(), c.LeftMargin, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Units, PageUnits,
    ::testing::Values(UnitCase{TQRUnit::Native, 100, 2100, 2970, 127}, UnitCase{TQRUnit::MM, 100, 210, 297, 12.7},
                      UnitCase{TQRUnit::Inches, 100, 2100 / 254.0, 2970 / 254.0, 0.5},
                      UnitCase{TQRUnit::Pixels, 100, 2100 * 96 / 254.0, 2970 * 96 / 254.0, 48},
                      UnitCase{TQRUnit::Pixels, 200, 2100 * 96 / 254.0 * 2, 2970 * 96 / 254.0 * 2, 96},
                      // Zoom scales pixels only.
                      UnitCase{TQRUnit::MM, 200, 210, 297, 12.7}));

TEST(Page, PaperSizesFollowTheOrientation) {
  TQRReport report;
  report.SetUnits(TQRUnit::Inches);
  report.Page.SetPaper(TQRPaperSize::Letter);
  EXPECT_NEAR(report.Page.Width(), 8.5, 1e-9);
  EXPECT_NEAR(report.Page.Length(), 11.0, 1e-9);
  report.Page.Orientation = TPrinterOrientation::poLandscape;
  report.Page.SetPaper(TQRPaperSize::A4);
  EXPECT_DOUBLE_EQ(report.Page.NativeWidth, 2970);
  EXPECT_DOUBLE_EQ(report.Page.NativeLength, 2100);
}

}  // namespace
}  // namespace oxqr
