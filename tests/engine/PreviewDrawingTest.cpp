#include <gtest/gtest.h>

#include "ReportFixture.h"
#include "engine/ExportFilter.h"
#include "platform/Metafile.h"
#include "platform/TextMetrics.h"
#include "engine/Layout.h"
#include "engine/Printer.h"

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

// A turned text keeps its box: each line starts at the corner its turn and alignment give
// (90: the box's bottom edge, reading upwards; 270: the top, reading downwards; 180: the
// bottom right, upside down), clipped to the box, with its font turned; the lines of a
// quarter-turned text lie side by side across the box.
TEST(PreviewDrawing, TurnedTextStartsAtTheCornerOfItsTurnInsideItsBox) {
  struct TCase {
    int Rotation;
    TAlignment Alignment;
    bool AtRight, AtBottom;  // the start's corner of the box (before the alignment moves it)
  };
  const TCase cases[] = {
      {90, TAlignment::taLeftJustify, false, true},     {270, TAlignment::taLeftJustify, true, false},
      {180, TAlignment::taLeftJustify, true, true},     {90, TAlignment::taRightJustify, false, false},
      {270, TAlignment::taRightJustify, true, true},    {180, TAlignment::taRightJustify, false, true},
  };
  for (const TCase& c : cases) {
    TQRReport report;
    test::NoMargins(report);
    auto& band = test::AddBand(report, TQRBandType::rbDetail, 600);
    const bool quarter = c.Rotation != 180;
    auto& label = test::AddLabel(band, "Turned", 100, 50, quarter ? 60 : 400, quarter ? 400 : 60);
    label.AutoSize = false;
    label.Rotation = c.Rotation;
    label.Alignment = c.Alignment;
    report.Prepare();
    const TQRPrinter& printer = report.QRPrinter();
    const TRect box = NativeToDevice(&printer, 100, 50, label.Size.Width, label.Size.Height);
    const int width = TextExtent(label.Font, "Turned").cx;
    const MrText* text = nullptr;
    for (const auto& r : printer.Page(1)->Records)
      if (const auto* t = std::get_if<MrText>(&r)) text = t;
    ASSERT_NE(text, nullptr) << c.Rotation;
    EXPECT_EQ(text->Font.Orientation, c.Rotation * 10);
    EXPECT_TRUE(text->Clipped);
    EXPECT_EQ(text->Clip, box);
    // Right alignment moves the start back along the line by its width.
    int x = c.AtRight ? box.Right : box.Left, y = c.AtBottom ? box.Bottom : box.Top;
    if (c.Alignment == TAlignment::taRightJustify) {
      if (c.Rotation == 90) y = box.Top + width;
      if (c.Rotation == 270) y = box.Bottom - width;
      if (c.Rotation == 180) x = box.Left + width;
    }
    EXPECT_NEAR(text->X, x, 1) << c.Rotation << " " << static_cast<int>(c.Alignment);
    EXPECT_NEAR(text->Y, y, 1) << c.Rotation << " " << static_cast<int>(c.Alignment);
  }

  TQRReport report;
  test::NoMargins(report);
  auto& band = test::AddBand(report, TQRBandType::rbDetail, 600);
  auto& memo = band.Add<TQRMemo>();
  memo.Size = TQRSize{400, 100, 50, 120};
  memo.Rotation = 90;
  memo.Lines = {"first", "second", "third that does not fit across"};
  memo.Lines.push_back("fourth");
  report.Prepare();
  std::vector<const MrText*> lines;
  for (const auto& r : report.QRPrinter().Page(1)->Records)
    if (const auto* t = std::get_if<MrText>(&r)) lines.push_back(t);
  const int lineHeight = TextExtent(memo.Font, "W").cy;
  const auto across = static_cast<std::size_t>(120 * 96 / 254 / lineHeight);  // whole lines across the box
  ASSERT_EQ(lines.size(), std::min<std::size_t>(across, 4)) << "only the lines that fit across, no stretching";
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_NEAR(lines[i]->X - lines[i - 1]->X, lineHeight, 1) << i;
    EXPECT_EQ(lines[i]->Y, lines[0]->Y) << i;
  }
}

}  // namespace
}  // namespace oxqr
