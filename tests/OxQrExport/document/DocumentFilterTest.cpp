// The page model of the document formats: which items a band produces, in which order,
// and where their markup goes, over reports run by the engine and over direct hook calls.
#include <gtest/gtest.h>

#include <algorithm>

#include "OxQrCtrls/ExportControls.h"
#include "RecordingFilter.h"
#include "engine/Printer.h"
#include "engine/Report.h"
#include "platform/TextMetrics.h"

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

// Direct calls: a started filter with page 1 open on a screen printer.
struct OpenPage {
  TQRPrinter printer;
  TRecordingFilter filter{"memory"};
  TQRCustomBand band{TQRBandType::rbDetail};
  explicit OpenPage(bool start = true) {
    band.Name = "Band";
    band.Size.Width = 1900;
    band.Size.Height = 300;
    filter.SourcePrinter = &printer;
    if (!start) return;
    filter.StartJob(2100, 2970, TFont{});
    filter.ClosePage();
    filter.OpenPage();
  }
  TOxQRShape& Shape(TQRShapeType type, TBrushStyle brush = TBrushStyle::bsSolid) {
    auto& s = band.Add<TOxQRShape>();
    s.Name = "Shape";
    s.Shape = type;
    s.Brush.Style = brush;
    s.Brush.Color = clYellow;
    s.Size = TQRSize{40, 100, 50, 400};  // Height, Left, Top, Width
    return s;
  }
};

TEST(DocumentFilterShapes, HorizontalLineIsATopEdgeAtTheMiddle) {
  OpenPage p;
  auto& line = p.Shape(TQRShapeType::qrsHorLine);
  p.filter.WriteShape(line, 0, 200, false);
  EXPECT_FALSE(Contains(p.filter.Log, "RenderShape:Shape"));
  ASSERT_EQ(p.filter.Boxes.size(), 1u);  // the white band with optimised background adds none
  const auto& box = p.filter.Boxes[0];
  EXPECT_EQ(box.Rect.Top, p.printer.ToDeviceY(200 + 50 + 20));
  EXPECT_EQ(box.Rect.Left, p.printer.ToDeviceX(100));
  EXPECT_TRUE(box.Frame.DrawTop);
  EXPECT_FALSE(box.Frame.DrawBottom || box.Frame.DrawLeft || box.Frame.DrawRight);
  EXPECT_FALSE(box.Fill);
  EXPECT_EQ(p.filter.Count("EndBand:Band"), 1u);  // the only control of its band
}

TEST(DocumentFilterShapes, CirclesAndHatchedRectanglesArePictures) {
  struct Case {
    TQRShapeType type;
    TBrushStyle brush;
    bool picture;
  };
  const Case cases[] = {{TQRShapeType::qrsCircle, TBrushStyle::bsSolid, true},
                        {TQRShapeType::qrsRectangle, TBrushStyle::bsCross, true},
                        {TQRShapeType::qrsRectangle, TBrushStyle::bsSolid, false},
                        {TQRShapeType::qrsRectangle, TBrushStyle::bsClear, false}};
  for (const auto& c : cases) {
    OpenPage p;
    auto& shape = p.Shape(c.type, c.brush);
    p.filter.WriteShape(shape, 0, 0, false);
    SCOPED_TRACE(static_cast<int>(c.brush));
    EXPECT_EQ(p.filter.Count("RenderShape:Shape"), c.picture ? 1u : 0u);
    if (c.picture) {
      EXPECT_TRUE(p.filter.Boxes.empty());
      ASSERT_EQ(p.filter.ShapeRects.size(), 1u);
      EXPECT_EQ(p.filter.ShapeRects[0].Width, p.printer.ToDeviceX(400));
    } else {
      ASSERT_EQ(p.filter.Boxes.size(), 1u);
      const auto& f = p.filter.Boxes[0].Frame;
      EXPECT_TRUE(f.DrawTop && f.DrawBottom && f.DrawLeft && f.DrawRight);
      EXPECT_EQ(p.filter.Boxes[0].Fill, c.brush == TBrushStyle::bsSolid);
    }
  }
}

TEST(DocumentFilterState, NothingHappensWithoutAnOpenPage) {
  OpenPage p(false);
  p.filter.StartJob(2100, 2970, TFont{});
  p.filter.ClosePage();  // the engine's close before page 1
  auto& label = p.band.Add<TOxQRLabel>();
  p.filter.WriteText(100, 100, TFont{}, clWhite, TAlignment::taLeftJustify, "early");
  p.filter.BeginTextBlock(label, 0, 0);
  p.filter.EndTextBlock(label, 0, 0, false);
  EXPECT_FALSE(Contains(p.filter.Log, "Text:early"));
  EXPECT_FALSE(p.filter.InTextBlock || p.filter.BandOpen);
  EXPECT_EQ(p.filter.LinesInBlock, 0);
  EXPECT_TRUE(p.filter.Boxes.empty());
  EXPECT_EQ(p.filter.Written(), "");
}

TEST(DocumentFilterRichText, LinesAreTextBlocksOfTheReportFontAndCloseTheBandOnce) {
  OpenPage p;
  auto& rich = p.band.Add<TQRPrintable>();
  rich.Name = "Rich";
  TMemoryStream rtf(R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\pard\f0\fs20 First line\par Second\par Third \'e9t\'e9\par})");
  rtf.SetPosition(rtf.Size());  // the hook reads from the start whatever the position
  const TBitmap picture(200, 60);
  p.filter.WriteRichText(rich, picture, rtf, 100, 500, false);

  EXPECT_EQ(p.filter.Count("BeginTextBlock:Rich"), 3u);
  EXPECT_TRUE(Contains(p.filter.Log, "BlockText:First line"));
  EXPECT_TRUE(Contains(p.filter.Log, "BlockText:Third \xE9t\xE9"));
  EXPECT_EQ(p.filter.Count("EndBand:Band"), 1u);
  EXPECT_EQ(p.filter.Log.back(), "EndBand:Band");

  // Each line goes twice its measured height (with "W") below the previous one.
  const TFont font = p.filter.ReportFont.ToFont();
  const double y2 = 500 + 2.0 * TextExtent(font, "First lineW").cy;
  const double y3 = y2 + 2.0 * TextExtent(font, "SecondW").cy;
  ASSERT_EQ(p.filter.TextY.size(), 3u);
  EXPECT_EQ(p.filter.TextY[1], p.printer.ToDeviceY(y2));
  EXPECT_EQ(p.filter.TextY[2], p.printer.ToDeviceY(y3));
}

}  // namespace
}  // namespace oxqr
