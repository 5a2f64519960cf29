#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QPainter>

#include "TestImages.h"
#include "platform/Bitmap.h"
#include "platform/Errors.h"
#include "platform/Metafile.h"
#include "platform/MetafileBinary.h"
#include "platform/MetafileStore.h"
#include "platform/Streams.h"
#include "platform/TextMetrics.h"

using namespace oxqr;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kRed = 0xFFFF0000;

// Draws `draw` once straight onto a bitmap and once recorded and played back; both
// pictures must agree to the pixel, and the direct one is returned.
template <typename Fn>
QImage DrawBothWays(int w, int h, Fn&& draw) {
  TBitmap direct(w, h);
  draw(direct.Canvas());
  TMetafile mf(w, h);
  TMetafileCanvas recorder(mf);
  draw(recorder);
  QImage played(w, h, QImage::Format_RGB32);
  played.fill(Qt::white);
  {
    QPainter p(&played);
    PlayMetafile(p, mf);
  }
  EXPECT_EQ(played, direct.Image()) << "recorded and direct drawing disagree";
  return direct.Image();
}

// The bounding box of the pixels that are not white.
QRect Ink(const QImage& img, QRgb background = kWhite) {
  QRect r;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixel(x, y) != background) r |= QRect(x, y, 1, 1);
  return r;
}

}  // namespace

TEST(CanvasTest, RectangleCoversLeftToRightMinusOne) {
  const QImage img = DrawBothWays(20, 20, [](TCanvas& c) {
    c.Brush.Color = clRed;
    c.Rectangle(2, 3, 10, 8);
  });
  EXPECT_EQ(Ink(img), QRect(QPoint(2, 3), QPoint(9, 7)));
  for (int x = 2; x <= 9; ++x) {
    EXPECT_EQ(img.pixel(x, 3), kBlack) << x;
    EXPECT_EQ(img.pixel(x, 7), kBlack) << x;
  }
  for (int y = 3; y <= 7; ++y) {
    EXPECT_EQ(img.pixel(2, y), kBlack) << y;
    EXPECT_EQ(img.pixel(9, y), kBlack) << y;
  }
  for (int y = 4; y <= 6; ++y)
    for (int x = 3; x <= 8; ++x) EXPECT_EQ(img.pixel(x, y), kRed) << x << "," << y;
}

TEST(CanvasTest, PenAndBrushStyles) {
  const QImage noPen = DrawBothWays(20, 20, [](TCanvas& c) {
    c.Pen.Style = TPenStyle::psClear;
    c.Brush.Color = clRed;
    c.Rectangle(2, 3, 10, 8);
  });
  EXPECT_EQ(Ink(noPen), QRect(QPoint(2, 3), QPoint(9, 7)));
  EXPECT_EQ(noPen.pixel(2, 3), kRed);

  const QImage noBrush = DrawBothWays(20, 20, [](TCanvas& c) {
    c.Brush.Style = TBrushStyle::bsClear;
    c.Rectangle(2, 3, 10, 8);
  });
  EXPECT_EQ(noBrush.pixel(5, 5), kWhite);
  EXPECT_EQ(noBrush.pixel(2, 5), kBlack);

  const QImage wide = DrawBothWays(20, 20, [](TCanvas& c) {
    c.Pen.Width = 3;
    c.Brush.Color = clRed;
    c.Rectangle(0, 0, 12, 12);
  });
  EXPECT_EQ(Ink(wide), QRect(0, 0, 12, 12));
  EXPECT_EQ(wide.pixel(2, 6), kBlack);
  EXPECT_EQ(wide.pixel(3, 6), kRed);
  EXPECT_EQ(wide.pixel(9, 6), kBlack);
  EXPECT_EQ(wide.pixel(8, 6), kRed);

  const QImage hatched = DrawBothWays(20, 20, [](TCanvas& c) {
    c.Brush.Style = TBrushStyle::bsCross;
    c.Brush.Color = clRed;
    c.FillRect(Rect(0, 0, 16, 16));
  });
  int red = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) red += hatched.pixel(x, y) == kRed;
  EXPECT_GT(red, 16);
  EXPECT_LT(red, 200);  // a pattern, not a solid fill
  EXPECT_EQ(Ink(hatched).right(), 15);
}

TEST(CanvasTest, LinesExcludeTheEndPoint) {
  const QImage img = DrawBothWays(20, 20, [](TCanvas& c) {
    c.Line(2, 5, 8, 5);
    c.Line(15, 12, 15, 2);  // upwards
  });
  for (int x = 2; x <= 7; ++x) EXPECT_EQ(img.pixel(x, 5), kBlack) << x;
  EXPECT_EQ(img.pixel(8, 5), kWhite);
  EXPECT_EQ(img.pixel(1, 5), kWhite);
  for (int y = 3; y <= 12; ++y) EXPECT_EQ(img.pixel(15, y), kBlack) << y;
  EXPECT_EQ(img.pixel(15, 2), kWhite);
  EXPECT_EQ(Ink(img), QRect(QPoint(2, 3), QPoint(15, 12)));

  const QImage diagonal = DrawBothWays(20, 20, [](TCanvas& c) { c.Line(0, 0, 10, 10); });
  EXPECT_EQ(diagonal.pixel(0, 0), kBlack);
  EXPECT_EQ(diagonal.pixel(5, 5), kBlack);
  EXPECT_EQ(diagonal.pixel(10, 10), kWhite);
}

TEST(CanvasTest, EllipseStaysInItsBox) {
  const QImage img = DrawBothWays(30, 30, [](TCanvas& c) {
    c.Brush.Color = clRed;
    c.Ellipse(4, 6, 24, 20);
  });
  EXPECT_EQ(Ink(img), QRect(QPoint(4, 6), QPoint(23, 19)));
  EXPECT_EQ(img.pixel(14, 13), kRed);
  EXPECT_EQ(img.pixel(4, 6), kWhite);  // corners stay outside the curve
}

TEST(CanvasTest, TextTopLeftAnchoredWithOpaqueBackground) {
  TFont font;
  font.Size = 10;
  const TSize extent = TextExtent(font, "Hello");
  const QImage opaque = DrawBothWays(80, 40, [&](TCanvas& c) {
    c.Font = font;
    c.Brush.Color = clRed;
    c.TextOut(5, 7, "Hello");
  });
  EXPECT_EQ(Ink(opaque), QRect(5, 7, extent.cx, extent.cy));
  EXPECT_EQ(opaque.pixel(5, 7), kRed);  // the background, above the capitals

  const QImage clear = DrawBothWays(80, 40, [&](TCanvas& c) {
    c.Font = font;
    c.Brush.Style = TBrushStyle::bsClear;
    c.TextOut(5, 7, "Hello");
  });
  const QRect ink = Ink(clear);
  EXPECT_TRUE(QRect(5, 7, extent.cx, extent.cy).contains(ink)) << ink.x() << "," << ink.y();
  EXPECT_GE(ink.top(), 7 + 1);  // cap height below the ascent line
  EXPECT_LE(ink.bottom(), 7 + FontAscent(font));  // "Hello" has no descenders
}

TEST(CanvasTest, TextRectClips) {
  TFont font;
  font.Size = 20;
  const QImage img = DrawBothWays(120, 60, [&](TCanvas& c) {
    c.Font = font;
    c.Brush.Style = TBrushStyle::bsClear;
    c.TextRect(Rect(10, 10, 40, 25), 10, 10, "WWWWWW");
  });
  const QRect ink = Ink(img);
  EXPECT_FALSE(ink.isEmpty());
  EXPECT_TRUE(QRect(QPoint(10, 10), QPoint(39, 24)).contains(ink));

  const QImage opaque = DrawBothWays(120, 60, [&](TCanvas& c) {
    c.Font = font;
    c.Brush.Color = clRed;
    c.TextRect(Rect(10, 10, 40, 25), 12, 12, "i");
  });
  EXPECT_EQ(Ink(opaque), QRect(QPoint(10, 10), QPoint(39, 24)));  // the whole clip is painted
}

TEST(CanvasTest, TinyShapesStayInTheirBox) {
  const QImage img = DrawBothWays(20, 20, [](TCanvas& c) {
    c.Pen.Width = 4;
    c.Rectangle(5, 5, 8, 8);  // narrower than two pen widths
  });
  EXPECT_EQ(Ink(img), QRect(5, 5, 3, 3));
}

TEST(CanvasTest, BitmapDrawnOntoItself) {
  TBitmap b(8, 4);
  b.Canvas().Brush.Color = clRed;
  b.Canvas().FillRect(Rect(0, 0, 4, 4));
  b.Canvas().Draw(4, 0, b);  // the left half copied into the right half
  EXPECT_EQ(b.Image().pixel(6, 2), kRed);
}

TEST(CanvasTest, StretchDrawAndNestedMetafiles) {
  TBitmap small(2, 2);
  QImage px(2, 2, QImage::Format_RGB32);
  px.fill(Qt::white);
  px.setPixel(0, 0, kRed);
  small.SetImage(px);
  const QImage img = DrawBothWays(30, 30, [&](TCanvas& c) { c.StretchDraw(Rect(10, 10, 20, 20), small); });
  EXPECT_EQ(img.pixel(10, 10), kRed);
  EXPECT_EQ(img.pixel(19, 19), kWhite);
  EXPECT_EQ(img.pixel(9, 9), kWhite);

  TMetafile inner(10, 10);
  {
    TMetafileCanvas c(inner);
    c.Brush.Color = clRed;
    c.Pen.Style = TPenStyle::psClear;
    c.Rectangle(0, 0, 4, 4);
  }
  const QImage nested = DrawBothWays(30, 30, [&](TCanvas& c) { c.Draw(20, 5, inner); });
  EXPECT_EQ(Ink(nested), QRect(20, 5, 4, 4));
}

TEST(MetafileTest, PlaybackScalesAndMoves) {
  TMetafile mf(10, 10);
  {
    TMetafileCanvas c(mf);
    c.Pen.Style = TPenStyle::psClear;
    c.Brush.Color = clRed;
    c.Rectangle(1, 1, 4, 3);
  }
  QImage img(40, 40, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter p(&img);
    PlayMetafile(p, mf, 10, 20, 2.0);
  }
  EXPECT_EQ(Ink(img), QRect(12, 22, 6, 4));
}

namespace {

TMetafile SamplePage() {
  TMetafile mf(300, 200);
  TMetafileCanvas c(mf);
  c.Font.Name = "Times New Roman";
  c.Font.Size = 12;
  c.Font.Style = TFontStyles{TFontStyle::fsBold, TFontStyle::fsUnderline};
  c.Font.Color = clNavy;
  c.TextOut(10, 10, "Caf\xE9 total");
  c.TextRect(Rect(5, 5, 50, 20), 6, 6, "clipped");
  c.Pen = TPen{clRed, 2, TPenStyle::psDash};
  c.Brush = TBrush{clInfoBk, TBrushStyle::bsDiagCross};
  c.Rectangle(1, 2, 30, 40);
  c.Ellipse(3, 4, 50, 60);
  c.Line(0, 0, 100, 50);
  c.FillRect(Rect(7, 8, 9, 10));
  TBitmap pic(3, 2);
  c.StretchDraw(Rect(100, 100, 130, 120), pic);
  return mf;
}

}  // namespace

TEST(MetafileTest, SaveLoadRoundTrip) {
  const TMetafile mf = SamplePage();
  TMemoryStream s;
  mf.SaveToStream(s);
  s.SetPosition(0);
  const TMetafile back = TMetafile::LoadFromStream(s);
  EXPECT_TRUE(back == mf);
  EXPECT_EQ(back.Records.size(), 7u);
  EXPECT_EQ(std::get<MrText>(back.Records[0]).Text, "Caf\xE9 total");

  TMetafile changed = mf;
  std::get<MrLine>(changed.Records[4]).To.X = 101;
  EXPECT_FALSE(changed == mf);
  TMetafile otherPicture = mf;
  QImage img = std::get<MrBitmap>(otherPicture.Records[6]).Image->copy();
  img.setPixel(0, 0, kBlack);
  std::get<MrBitmap>(otherPicture.Records[6]).Image = std::make_shared<const QImage>(img);
  EXPECT_FALSE(otherPicture == mf);
}

TEST(MetafileTest, TruncatedOrGarbledInputThrowsInvalidData) {
  TMemoryStream s;
  SamplePage().SaveToStream(s);
  const std::string bytes = s.Bytes();
  for (std::size_t n = 0; n < bytes.size(); n += (n < 200 ? 1 : 37)) {
    TMemoryStream cut(bytes.substr(0, n));
    EXPECT_THROW(TMetafile::LoadFromStream(cut), EInvalidData) << n;
  }
  auto patched = [&](std::size_t at, std::uint32_t v) {
    std::string b = bytes;
    std::memcpy(b.data() + at, &v, 4);
    return b;
  };
  for (const std::string& b : {patched(14, 0xFFFFFFFF),     // absurd record count
                               patched(0, 0x12345678),      // wrong magic
                               patched(6, 0xFFFFFFFF),      // negative width
                               patched(27, 0x7FFFFFF0),     // string length beyond the end
                               patched(19, 0x7FFFFFFF)}) {  // coordinate out of range
    TMemoryStream in(b);
    EXPECT_THROW(TMetafile::LoadFromStream(in), EInvalidData);
  }
  std::string badTag = bytes;
  badTag[18] = 42;
  TMemoryStream in(badTag);
  EXPECT_THROW(TMetafile::LoadFromStream(in), EInvalidData);
}

TEST(MetafileTest, RandomDamageNeverCrashes) {
  TMemoryStream s;
  SamplePage().SaveToStream(s);
  const std::string good = s.Bytes();
  std::uint32_t seed = 777;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int i = 0; i < 500; ++i) {
    std::string b = good;
    for (int k = 0; k < 2; ++k) b[(next() >> 8) % b.size()] = static_cast<char>(next() >> 16);
    TMemoryStream in(b);
    try {
      TMetafile::LoadFromStream(in);
    } catch (const EInvalidData&) {
    }
  }
}

// The metafile writers give every character the advance that puts the next one where
// the prefix measured as a string of its own ends. Checked against that measurement for
// every pair of printable ASCII characters (kerning pairs, ligature candidates, spaces at
// either end) and a few longer texts, in the report faces and styles.
TEST(MetafileTest, CharAdvancesEndWhereEachPrefixMeasuresAlone) {
  std::vector<std::string> texts = {"Caf\xE9 cr\xE8me br\xFBl\xE9" "e", "AVAVA Tolley's WAY", "office fluff ffi",
                                    "  two  spaces  ", "1,234.56 $", "x", "\xA0\xA9\xAE\xBD\xD7\xF7",
                                    "Kauai Dive Shoppe 4-976 Sugarloaf Hwy"};
  for (char a = 0x20; a < 0x7F; ++a)
    for (char b = 0x20; b < 0x7F; ++b) texts.push_back(std::string{a, b, 'o'});
  std::vector<TFont> fonts(4);
  fonts[1].Style = {TFontStyle::fsBold};
  fonts[1].Size = 14;
  fonts[2].Name = "Times New Roman";
  fonts[2].Style = {TFontStyle::fsItalic};
  fonts[2].Size = 11;
  fonts[3].Name = "Courier New";
  fonts[3].Size = 8;
  for (const TFont& font : fonts) {
    const QFontMetricsF fm(ToQFont(font));
    for (const std::string& text : texts) {
      const QString s = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
      const std::vector<int> dx = metafile::CharAdvances(font, text);
      ASSERT_EQ(dx.size(), text.size());
      int edge = 0;
      for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        edge += dx[i];
        ASSERT_EQ(edge, static_cast<int>(RoundHalfEven(fm.horizontalAdvance(s.left(static_cast<qsizetype>(i) + 1)))))
            << font.Name << " " << font.Size << " \"" << text << "\" after " << i;
      }
      EXPECT_EQ(edge + dx.back(), TextExtent(font, text).cx) << text;
    }
  }
}

// A turned line is drawn from its reference point along its direction (90: upwards, 180:
// leftwards upside down, 270: downwards), the same recorded or direct, inside the bounds
// TextBounds gives; its turn survives the stored forms of a page, and a store keeps two
// fonts apart that differ only by their turn.
TEST(MetafileTest, TurnedTextDrawsAlongItsDirectionAndKeepsItsTurnWhenStored) {
  struct TCase {
    int Orientation;
    bool Tall;  // the ink is taller than wide
  };
  for (const TCase c : {TCase{0, false}, TCase{900, true}, TCase{1800, false}, TCase{2700, true}}) {
    TFont font;
    font.Size = 14;
    font.Orientation = c.Orientation;
    const QImage img = DrawBothWays(300, 300, [&](TCanvas& canvas) {
      canvas.Font = font;
      canvas.Brush.Style = TBrushStyle::bsClear;
      canvas.TextOut(150, 150, "Turned");
    });
    const QRect ink = Ink(img);
    ASSERT_FALSE(ink.isEmpty()) << c.Orientation;
    EXPECT_EQ(ink.height() > ink.width(), c.Tall) << c.Orientation << ": " << ink.width() << " x " << ink.height();
    MrText rec{150, 150, "Turned", font, false, clWhite, false, {}};
    const TRect bounds = TextBounds(rec);
    EXPECT_GE(ink.left(), bounds.Left - 1) << c.Orientation;
    EXPECT_GE(ink.top(), bounds.Top - 1) << c.Orientation;
    EXPECT_LE(ink.right(), bounds.Right + 1) << c.Orientation;
    EXPECT_LE(ink.bottom(), bounds.Bottom + 1) << c.Orientation;
  }

  TMetafile page(300, 300);
  TFont upright;
  TFont turned = upright;
  turned.Orientation = 900;
  page.Records.push_back(MrText{10, 200, "up", turned, false, clWhite, false, {}});
  page.Records.push_back(MrText{40, 20, "across", upright, false, clWhite, false, {}});
  TMemoryStream s;
  page.SaveToStream(s);
  s.SetPosition(0);
  EXPECT_TRUE(TMetafile::LoadFromStream(s) == page);
  TMetafileStore store(0);
  store.Add(page);
  const TMetafile back = store.Page(0);
  EXPECT_EQ(std::get<MrText>(back.Records[0]).Font.Orientation, 900);
  EXPECT_EQ(std::get<MrText>(back.Records[1]).Font.Orientation, 0);
}
