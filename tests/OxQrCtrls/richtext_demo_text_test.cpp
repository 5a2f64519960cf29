// The demonstration text of the rich text sample report: it must read without errors,
// show every kind of formatting the control carries, and run over at least three pages
// of the sample's Letter page.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "OxQrCtrls/RichText.h"
#include "engine/Report.h"

namespace oxqr {
namespace {

TEST(RichTextDemoText, ReadsCleanlyWithEveryFormatAndFillsThreePages) {
  TQRReport report;
  report.Page.SetPaper(TQRPaperSize::Letter);
  report.Page.SetMarginsMM(12.7, 12.7, 12.7, 12.7);
  auto& band = report.AddBand(TQRBandType::rbDetail);
  band.SetHeightMM(16.8);
  auto& rich = band.Add<TOxQRRichText>();
  rich.SetBoundsMM(0, 1.5, 190.3, 11.9);
  rich.AutoStretch = true;
  ASSERT_NO_THROW(rich.Editor().LoadFromFile(std::string(OXQR_TEST_SOURCE_DIR) + "/Showcase/resources/RichTextDemo.RTF"));

  std::set<std::string> fonts;
  std::set<TColor> colors;
  std::set<TRichAlign> aligns;
  std::set<int> sizes;
  bool bold = false, italic = false, underline = false, strike = false;
  for (const auto& p : rich.Editor().Document().Paragraphs) {
    aligns.insert(p.Format.Align);
    for (const auto& r : p.Runs) {
      fonts.insert(r.Format.FontName);
      colors.insert(r.Format.Color);
      sizes.insert(r.Format.SizeHalfPoints);
      bold |= r.Format.Bold;
      italic |= r.Format.Italic;
      underline |= r.Format.Underline;
      strike |= r.Format.StrikeOut;
    }
  }
  EXPECT_GE(fonts.size(), 3u);
  EXPECT_GE(colors.size(), 4u);
  EXPECT_EQ(aligns.size(), 4u);
  EXPECT_GE(sizes.size(), 4u);
  EXPECT_TRUE(bold && italic && underline && strike);

  report.Prepare();
  EXPECT_GE(report.QRPrinter().PageCount(), 3);
}

}  // namespace
}  // namespace oxqr
