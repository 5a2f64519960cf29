// The page model over reports run by the engine: which items a band of export-aware
// controls produces, in which order, and when the band is closed.
#include <gtest/gtest.h>

#include <algorithm>

#include "OxQrCtrls/ExportControls.h"
#include "engine/Printer.h"
#include "engine/Report.h"
#include "tests/OxQrExport/document/RecordingFilter.h"

namespace oxqr {
namespace {

using test::TRecordingFilter;

bool Contains(const std::vector<std::string>& log, const std::string& entry) {
  return std::find(log.begin(), log.end(), entry) != log.end();
}

std::size_t IndexOf(const std::vector<std::string>& log, const std::string& entry) {
  return static_cast<std::size_t>(std::find(log.begin(), log.end(), entry) - log.begin());
}

// A one-page report with one detail band, exported through the recording format.
struct ReportRun {
  TQRReport report;
  TQRCustomBand& band = report.AddBand(TQRBandType::rbDetail);
  TRecordingFilter filter{"memory"};

  ReportRun() {
    band.Name = "Detail";
    band.SetHeightMM(40);
  }
  template <class T>
  T& Label(const std::string& name, const std::string& caption, double top) {
    auto& l = band.Add<T>();
    l.Name = name;
    l.Caption = caption;
    l.SetBoundsMM(10, top, 60, 5);
    return l;
  }
  void Export(bool optimize = true) {
    filter.Optimize = optimize;
    report.Prepare();
    report.ExportToFilter(filter);
  }
};

TEST(DocumentFilterBands, PlainEngineControlsOpenNoBand) {
  ReportRun run;
  run.Label<TQRLabel>("Plain", "Hello", 2);
  run.Export();
  EXPECT_FALSE(Contains(run.filter.Log, "BeginBand"));
  EXPECT_EQ(run.filter.Count("EndBand:Detail"), 0u);
  EXPECT_TRUE(Contains(run.filter.Log, "Text:Hello"));
  EXPECT_NE(run.filter.Written().find("text:Hello\r\n"), std::string::npos);
}

TEST(DocumentFilterBands, OptimizeBackgroundDecidesTheBandBox) {
  struct Case {
    bool optimize;
    TColor bandColor;
    bool frameTop;
    bool expectBox;
    bool expectFill;
  };
  const Case cases[] = {
      {true, clWhite, false, false, false},  // white band, optimised: nothing to paint
      {false, clWhite, false, true, true},   // not optimised: always a filled box
      {true, clYellow, false, true, true},   // coloured band
      {true, clWhite, true, true, false},    // framed white band: a frame without fill
  };
  for (const auto& c : cases) {
    ReportRun run;
    run.band.Color = c.bandColor;
    run.band.Frame.DrawTop = c.frameTop;
    run.Label<TOxQRLabel>("L", "Hello", 2);
    run.Export(c.optimize);
    SCOPED_TRACE(testing::Message() << "optimize " << c.optimize << " colour " << c.bandColor);
    ASSERT_EQ(run.filter.Count("EndBand:Detail"), 1u);
    const auto bandBox = std::find_if(run.filter.Boxes.begin(), run.filter.Boxes.end(),
                                      [](const auto& b) { return !b.TextFrame; });
    ASSERT_EQ(bandBox != run.filter.Boxes.end(), c.expectBox);
    if (!c.expectBox) {
      EXPECT_EQ(run.filter.Boxes.size(), 1u);  // only the label's own box
      continue;
    }
    EXPECT_EQ(bandBox->Fill, c.expectFill);
    EXPECT_TRUE(bandBox->FixedWidth && bandBox->FixedHeight);
    // The band's box is written before the band's buffered items.
    const std::string tag = "box" + std::to_string(bandBox - run.filter.Boxes.begin());
    EXPECT_EQ(run.filter.Written().rfind(tag + "\r\nbox0\r\ntext:Hello\r\n", 0), 0u) << run.filter.Written();
  }
}

TEST(DocumentFilterBands, TextBlockBoxPrecedesItsLines) {
  ReportRun run;
  auto& memo = run.band.Add<TOxQRMemo>();
  memo.Name = "Memo";
  memo.Lines = {"one", "two", "three"};
  memo.SetBoundsMM(10, 2, 60, 30);  // taller than its three lines
  run.Export();

  const auto& log = run.filter.Log;
  const std::vector<std::string> expected = {"BeginTextBlock:Memo", "BeginBand",         "BlockText:one",
                                             "BlockText:two",       "BlockText:three",   "EndTextBlock:Memo",
                                             "RenderBox",           "EndBand:Detail"};
  const auto start = IndexOf(log, "BeginTextBlock:Memo");
  ASSERT_LT(start + expected.size(), log.size() + 1);
  EXPECT_EQ(std::vector<std::string>(log.begin() + static_cast<std::ptrdiff_t>(start),
                                     log.begin() + static_cast<std::ptrdiff_t>(start + expected.size())),
            expected);
  EXPECT_EQ(run.filter.Written(), "box0\r\ntext:one\r\ntext:two\r\ntext:three\r\n");

  const auto& box = run.filter.Boxes[0];
  EXPECT_TRUE(box.TextFrame);
  EXPECT_TRUE(box.FixedHeight);  // the lines need less than the control's height
  EXPECT_TRUE(box.FixedWidth);   // a memo is not auto-sized
  EXPECT_EQ(box.Rect.Height, run.report.QRPrinter().ToDeviceY(memo.Size.Height));
}

TEST(DocumentFilterBands, LastEnabledControlClosesTheBand) {
  {
    ReportRun run;
    run.Label<TOxQRLabel>("A", "first", 2);
    run.Label<TOxQRLabel>("B", "hidden", 10).Enabled = false;  // printed by nobody
    run.Export();
    const auto& log = run.filter.Log;
    ASSERT_EQ(run.filter.Count("EndBand:Detail"), 1u);
    EXPECT_EQ(IndexOf(log, "EndBand:Detail"), IndexOf(log, "EndTextBlock:A") + 2);  // after the label's box
    ASSERT_EQ(run.filter.BandRects.size(), 1u);
    EXPECT_EQ(run.filter.BandRects[0].Height, run.report.QRPrinter().ToDeviceY(run.band.Size.Height));
    EXPECT_EQ(run.filter.BandRects[0].Width, run.report.QRPrinter().ToDeviceX(run.band.Size.Width));
  }
  {
    // A plain engine control after the export-aware one: the band is never ended.
    ReportRun run;
    run.Label<TOxQRLabel>("A", "first", 2);
    run.Label<TQRLabel>("P", "plain", 10);
    run.Export();
    EXPECT_EQ(run.filter.Count("EndBand:Detail"), 0u);
    EXPECT_TRUE(run.filter.BandOpen);
  }
}

}  // namespace
}  // namespace oxqr
