// The page model of the document formats: which items a band produces, in which order,
// and where their markup goes, over reports run by the engine and over direct hook calls.
#include <gtest/gtest.h>

#include <algorithm>

#include "RecordingFilter.h"
#include "engine/Band.h"
#include "engine/Printer.h"
#include "engine/Report.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

using test::TRecordingFilter;

bool Contains(const std::vector<std::string>& log, const std::string& entry) {
  return std::find(log.begin(), log.end(), entry) != log.end();
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
  TQRShape& Shape(TQRShapeType type, TBrushStyle brush = TBrushStyle::bsSolid) {
    auto& s = band.Add<TQRShape>();
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

TEST(DocumentFilterTextBlocks, BoxFlagsFollowTheControlAndItsLines) {
  struct Case {
    const char* what;
    bool autoSize;
    int lines;
    double heightNative;
    bool fixedWidth;
    bool fixedHeight;
    bool computedHeight;  // the box takes the lines' height instead of the control's
  };
  const Case cases[] = {
      {"one-line auto-sized label", true, 1, 50, false, true, false},
      {"five lines taller than the control", false, 5, 50, true, false, true},
      {"one line taller than the control", false, 1, 20, true, false, false},
      {"three lines in a tall control", false, 3, 300, true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OpenPage p;
    auto& label = p.band.Add<TQRLabel>();
    label.AutoSize = c.autoSize;
    label.Size = TQRSize{c.heightNative, 100, 40, 500};
    p.filter.BeginTextBlock(label, 0, 1000);
    for (int i = 0; i < c.lines; ++i)
      p.filter.WriteText(100, 1040 + 40 * i, label.Font, clWhite, TAlignment::taLeftJustify, "line");
    p.filter.EndTextBlock(label, 0, 1000, false);
    ASSERT_FALSE(p.filter.Boxes.empty());
    const auto& box = p.filter.Boxes[0];
    EXPECT_TRUE(box.TextFrame);
    EXPECT_EQ(box.FixedWidth, c.fixedWidth);
    EXPECT_EQ(box.FixedHeight, c.fixedHeight);
    const double linesHeight = (TextExtent(label.Font, "W").cy * c.lines + 2) / p.printer.VerticalFactor();
    EXPECT_EQ(box.Rect.Height, p.printer.ToDeviceY(c.computedHeight ? linesHeight : c.heightNative));
    EXPECT_EQ(box.Rect.Top, p.printer.ToDeviceY(1040));
    // The box, then the block's lines (the band ended with its only control).
    EXPECT_EQ(p.filter.Written().rfind("box0\r\ntext:line\r\n", 0), 0u);
  }
}

TEST(DocumentFilterTextBlocks, BackgroundFillOfTextBlocks) {
  struct Case {
    bool transparent;
    bool optimize;
    TColor control;
    bool fill;
  };
  const Case cases[] = {{true, false, clYellow, false},  // transparent: never a background
                        {false, false, clWhite, true},   // not optimised: always one
                        {false, true, clWhite, false},   // optimised, same colour as the band
                        {false, true, clYellow, true}};
  for (const auto& c : cases) {
    OpenPage p(false);
    p.filter.Optimize = c.optimize;
    p.filter.StartJob(2100, 2970, TFont{});
    p.filter.ClosePage();
    p.filter.OpenPage();
    auto& label = p.band.Add<TQRLabel>();
    label.Transparent = c.transparent;
    label.Color = c.control;
    p.filter.BeginTextBlock(label, 0, 0);
    p.filter.EndTextBlock(label, 0, 0, false);
    ASSERT_FALSE(p.filter.Boxes.empty());
    EXPECT_EQ(p.filter.Boxes[0].Fill, c.fill) << c.transparent << c.optimize << c.control;
  }
}

// Items and text lines go through buffers kept from one to the next: a format that writes
// nothing for an item (the text formats draw no boxes) adds an empty line, not the markup of
// the item before, and each line's record holds that line's text alone.
TEST(DocumentFilterState, KeptBuffersCarryNothingFromTheItemBefore) {
  OpenPage p;
  p.filter.SilentBoxes = true;
  auto& circle = p.Shape(TQRShapeType::qrsCircle);
  auto& label = p.band.Add<TQRLabel>();  // the band's last control: its block ends the band
  label.Name = "Label";
  p.filter.WriteShape(circle, 0, 0, false);
  p.filter.BeginTextBlock(label, 0, 0);
  p.filter.WriteText(100, 40, label.Font, clWhite, TAlignment::taLeftJustify, "first line");
  p.filter.WriteText(100, 80, label.Font, clWhite, TAlignment::taLeftJustify, "2nd");
  p.filter.EndTextBlock(label, 0, 0, false);
  EXPECT_EQ(p.filter.Written(), "shape:Shape\r\n\r\ntext:first line\r\ntext:2nd\r\n");
}

TEST(DocumentFilterState, NothingHappensWithoutAnOpenPage) {
  OpenPage p(false);
  p.filter.StartJob(2100, 2970, TFont{});
  p.filter.ClosePage();  // the engine's close before page 1
  auto& label = p.band.Add<TQRLabel>();
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

  // Each line goes its measured height (with "W"), in Native, below the previous one,
  // so no two lines share a text row.
  const TFont font = p.filter.ReportFont.ToFont();
  const double factor = p.printer.VerticalFactor();
  const double y2 = 500 + TextExtent(font, "First lineW").cy / factor;
  const double y3 = y2 + TextExtent(font, "SecondW").cy / factor;
  ASSERT_EQ(p.filter.TextY.size(), 3u);
  EXPECT_EQ(p.filter.TextY[1], p.printer.ToDeviceY(y2));
  EXPECT_EQ(p.filter.TextY[2], p.printer.ToDeviceY(y3));
}

TEST(DocumentFilterRichText, DefaultLineBreakerKeepsTheShownText) {
  struct Case {
    const char* rtf;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {R"({\rtf1{\*\generator Writer;}{\colortbl ;\red255\green0\blue0;}\pard A\tab B\par\u233?C\par})",
       {"A\tB", "\xE9" "C"}},
      {R"({\rtf1 one\line two \{x\}\par\par last})", {"one", "two {x}", "", "last"}},
      {"plain text\r\nsecond\r\n", {"plain text", "second"}},
  };
  for (const auto& c : cases) {
    TMemoryStream s(c.rtf);
    EXPECT_EQ(TOxQRDocumentFilter::PlainRichTextLines(s, 100, 100), c.lines) << c.rtf;
  }
}

TEST(DocumentFilterPictures, ScaleToDPIStretchesToTheResolution) {
  const TRecordingFilter filter("memory");
  EXPECT_EQ(filter.ScaleToDPI(nullptr, 300), nullptr);
  const TBitmap picture(72, 36);
  const auto scaled = filter.ScaleToDPI(&picture, 150);
  ASSERT_NE(scaled, nullptr);
  EXPECT_EQ(scaled->Width(), 150);
  EXPECT_EQ(scaled->Height(), 75);
}

}  // namespace
}  // namespace oxqr
