// Layout of rich text: measuring, drawing and line breaking agree with one another and
// with the position convention, so that pieces printed page by page cover the text once.
#include <gtest/gtest.h>

#include <string>

#include "platform/Bitmap.h"
#include "platform/TextMetrics.h"
#include "richtext/RichLayout.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

namespace oxqr {
namespace {

constexpr int kInch = 1440;

// Paragraphs in several fonts, sizes and alignments, long enough for a few rectangles.
TRichDocument LongDocument(int paragraphs) {
  std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}"
                    "{\\f2\\fmodern Courier New;}}{\\colortbl ;\\red200\\green0\\blue0;}";
  static const char* kAlign[] = {"\\ql", "\\qc", "\\qr", "\\qj"};
  for (int i = 0; i < paragraphs; ++i) {
    rtf += "\\pard" + std::string(kAlign[i % 4]) + "\\sa120\\f" + std::to_string(i % 3) + "\\fs" +
           std::to_string(18 + 2 * (i % 5)) + " Paragraph " + std::to_string(i) + ": ";
    for (int w = 0; w < 40; ++w) rtf += (w % 7 == 3) ? "{\\b bold} " : (w % 11 == 5 ? "{\\cf1\\i red} " : "word ");
    rtf += "\\par ";
  }
  rtf += "last line}";
  return LoadRtf(rtf);
}

TRichFormatRequest Request(int start, int widthTwips, int heightTwips) {
  TRichFormatRequest r;
  r.Start = start;
  r.Rect = Rect(kInch, kInch, kInch + widthTwips, kInch + heightTwips);
  return r;
}

TEST(RichLayout, PiecesCoverTheTextOnce) {
  const TRichDocument doc = LongDocument(40);
  const int length = doc.TextLength();
  std::string joined;
  int pieces = 0;
  for (int start = 0; start < length; ++pieces) {
    const int end = FormatRange(doc, Request(start, 6 * kInch, 3 * kInch));
    ASSERT_GT(end, start);
    ASSERT_LE(end, length);
    joined += LoadRtf(RangeAsRtf(doc, start, end)).PlainText();
    start = end;
  }
  EXPECT_GE(pieces, 3);
  EXPECT_EQ(joined, doc.PlainText());
}

TEST(RichLayout, MeasureGrowsWithTheRectangleAndStopsAtTextLength) {
  const TRichDocument doc = LongDocument(6);
  int previous = 0;
  const TRichMeasure measure(doc, Request(0, 6 * kInch, 0), 12 * kInch);
  for (int h = 0; h <= 12 * kInch; h += kInch / 16) {
    const int end = FormatRange(doc, Request(0, 6 * kInch, h));
    EXPECT_GE(end, previous);
    EXPECT_EQ(measure.FormatRange(h), end) << h;
    previous = end;
  }
  EXPECT_EQ(previous, doc.TextLength());
  TRichFormatRequest middle = Request(doc.TextLength() / 2, 6 * kInch, 0);
  middle.AtLeastOneLine = true;
  const TRichMeasure fromMiddle(doc, middle, 6 * kInch);
  for (int h = 0; h <= 6 * kInch; h += kInch / 16) {
    middle.Rect.Bottom = middle.Rect.Top + h;
    EXPECT_EQ(fromMiddle.FormatRange(h), FormatRange(doc, middle)) << h;
  }
  // A rectangle lower than one line takes nothing, unless one line is forced.
  TRichFormatRequest tiny = Request(0, 6 * kInch, 20);
  EXPECT_EQ(FormatRange(doc, tiny), 0);
  tiny.AtLeastOneLine = true;
  EXPECT_GT(FormatRange(doc, tiny), 0);
}

TEST(RichLayout, FinalParagraphMarkCountsAsPlacedText) {
  const TRichDocument doc = LoadRtf("{\\rtf1\\ansi one\\par two\\par }");
  ASSERT_EQ(doc.TextLength(), 8);
  EXPECT_EQ(FormatRange(doc, Request(0, 3 * kInch, 3 * kInch)), 8);
  EXPECT_EQ(FormatRange(doc, Request(8, 3 * kInch, 3 * kInch)), 8);
  EXPECT_EQ(FormatRange(TRichDocument{}, Request(0, kInch, kInch)), 0);
}

TEST(RichLayout, DrawsInsideTheRectangleWhatItMeasures) {
  const TRichDocument doc = LongDocument(8);
  TBitmap bmp(700, 500);
  // Pixels of the device at 96 ppi: the rectangle (96, 96)-(576, 288).
  const TRichFormatRequest req = Request(0, 5 * kInch, 2 * kInch);
  const int drawn = DrawRange(doc, req, bmp.Canvas());
  EXPECT_EQ(drawn, FormatRange(doc, req));
  int inside = 0, outside = 0;
  for (int y = 0; y < bmp.Height(); ++y) {
    for (int x = 0; x < bmp.Width(); ++x) {
      if (bmp.Image().pixel(x, y) == 0xFFFFFFFFu) continue;
      const bool in = x >= 96 - 2 && x < 576 + 2 && y >= 96 && y < 288 + 1;
      (in ? inside : outside) += 1;
    }
  }
  EXPECT_GT(inside, 1000);
  EXPECT_EQ(outside, 0);
}

TEST(RichLayout, AlignmentPlacesTextInTheRectangle) {
  for (const char* align : {"\\ql", "\\qc", "\\qr"}) {
    const TRichDocument doc = LoadRtf(std::string("{\\rtf1\\ansi\\pard") + align + "\\fs40 WWW}");
    TBitmap bmp(400, 200);
    DrawRange(doc, Request(0, 3 * kInch / 2, kInch / 2), bmp.Canvas());  // pixels 96..240
    int minX = bmp.Width(), maxX = -1;
    for (int y = 0; y < bmp.Height(); ++y)
      for (int x = 0; x < bmp.Width(); ++x)
        if (bmp.Image().pixel(x, y) != 0xFFFFFFFFu) minX = std::min(minX, x), maxX = std::max(maxX, x);
    ASSERT_GE(maxX, 0) << align;
    const int left = 96, right = 96 + 144;
    const double centre = (minX + maxX) / 2.0;
    const std::string a = align;
    if (a == "\\ql") {
      EXPECT_NEAR(minX, left, 4);
    } else if (a == "\\qr") {
      EXPECT_NEAR(maxX, right, 4);
    } else {
      EXPECT_NEAR(centre, (left + right) / 2.0, 4);
    }
  }
}

TEST(RichLayout, LinesAtWidthBreakAtTheWidth) {
  const TRichDocument doc = LoadRtf(
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + std::string(30, 'x') + " " +
      "the quick brown fox jumps over the lazy dog and keeps running far away\\line next\\par\\par end\\par }");
  const auto lines = LinesAtWidth(doc, 150);
  ASSERT_GE(lines.size(), 5u);
  TFont arial;
  for (const auto& line : lines) {
    std::string trimmed = line;
    while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
    EXPECT_LE(TextExtent(arial, trimmed).cx, 152) << line;
  }
  EXPECT_EQ(lines[lines.size() - 1], "end");  // the empty last paragraph holds no line
  EXPECT_EQ(lines[lines.size() - 2], "");
  EXPECT_EQ(lines[lines.size() - 3], "next");
}

}  // namespace
}  // namespace oxqr
