#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetricsF>

#include "platform/CodePage.h"
#include "platform/TextMetrics.h"

using namespace oxqr;

namespace {

TFont MakeFont(const std::string& name, int size, TFontStyles style = {}) {
  TFont f;
  f.Name = name;
  f.Size = size;
  f.Style = style;
  return f;
}

}  // namespace

TEST(FontSubstitutionTest, TableAndFallback) {
  const struct { const char* requested; const char* used; } cases[] = {
      {"Arial", "Liberation Sans"},          {"arial", "Liberation Sans"},
      {"MS Sans Serif", "Liberation Sans"},  {"Helvetica", "Liberation Sans"},
      {"Times New Roman", "Liberation Serif"}, {"Courier New", "Liberation Mono"},
      {"Courier", "Liberation Mono"},        {"Impact", "DejaVu Sans Condensed"},
      {"No Such Face 123", "Liberation Sans"}, {"", "Liberation Sans"},
      {"DejaVu Serif", "DejaVu Serif"},      // installed faces are used as they are
  };
  for (const auto& c : cases) EXPECT_EQ(SubstituteFontName(c.requested), c.used) << c.requested;
}

// What documents tell a reader: faces a reader's font configuration finds under the
// requested name need nothing more; the others name the face that draws them.
TEST(FontSubstitutionTest, DrawnFaceSaysWhetherReadersFindItByName) {
  const struct {
    const char* requested;
    const char* family;
    bool bold;
    TFaceKind kind;
    bool foundByName;
  } cases[] = {
      {"Arial", "Liberation Sans", false, TFaceKind::Sans, true},
      {"Times New Roman", "Liberation Serif", false, TFaceKind::Serif, true},
      {"Courier New", "Liberation Mono", false, TFaceKind::Mono, true},
      {"DejaVu Serif", "DejaVu Serif", false, TFaceKind::Serif, true},  // installed
      {"Impact", "DejaVu Sans Condensed", true, TFaceKind::Sans, false},
      {"MS Sans Serif", "Liberation Sans", false, TFaceKind::Sans, false},
      {"No Such Face 123", "Liberation Sans", false, TFaceKind::Sans, false},
  };
  for (const auto& c : cases) {
    const TDrawnFace face = DrawnFace(c.requested);
    EXPECT_EQ(face.Family, c.family) << c.requested;
    EXPECT_EQ(face.Bold, c.bold) << c.requested;
    EXPECT_EQ(face.Kind, c.kind) << c.requested;
    EXPECT_EQ(face.FoundByName, c.foundByName) << c.requested;
  }
}

TEST(FontSubstitutionTest, QtUsesTheSubstituteFace) {
  for (const char* name : {"Arial", "Times New Roman", "Courier New", "Impact"}) {
    const QFontInfo info(ToQFont(MakeFont(name, 10)));
    EXPECT_EQ(info.family().toStdString(), SubstituteFontName(name)) << name;
  }
  const QFont impact = ToQFont(MakeFont("Impact", 10));
  EXPECT_TRUE(impact.bold());  // the substitute stands in for a heavy face
  const QFont arial = ToQFont(MakeFont("Arial", 10, {TFontStyle::fsItalic, TFontStyle::fsUnderline}));
  EXPECT_EQ(arial.pixelSize(), 13);
  EXPECT_TRUE(arial.italic());
  EXPECT_TRUE(arial.underline());
  EXPECT_FALSE(arial.bold());
  EXPECT_EQ(ToQFont(MakeFont("Arial", 10), 300).pixelSize(), 42);
}

TEST(TextExtentTest, ArialAtTenPointsMeasuresLikeTheScreen) {
  // Liberation Sans has Arial's advance widths: W is 1933/2048 em, 12.27 pixels at 13 px.
  EXPECT_EQ(TextExtent(MakeFont("Arial", 10), "W"), (TSize{12, 15}));
  EXPECT_EQ(TextExtent(MakeFont("Arial", 10), ""), (TSize{0, 0}));
  EXPECT_EQ(TextExtent(MakeFont("Arial", 10), "W"), TextExtent(MakeFont("Arial", 10), "W"));
  EXPECT_EQ(FontAscent(MakeFont("Arial", 10)), 12);
}

TEST(TextExtentTest, WidthGrowsWithTextAndStyle) {
  const TFont arial = MakeFont("Arial", 10);
  int last = 0;
  for (const char* s : {"i", "iW", "iWW", "iWW and some more text"}) {
    const int w = TextExtent(arial, s).cx;
    EXPECT_GT(w, last) << s;
    last = w;
  }
  EXPECT_GT(TextExtent(MakeFont("Arial", 20), "Hello").cx, TextExtent(arial, "Hello").cx);
  EXPECT_GT(TextExtent(MakeFont("Arial", 20), "Hello").cy, TextExtent(arial, "Hello").cy);
  EXPECT_GT(TextExtent(MakeFont("Arial", 10, {TFontStyle::fsBold}), "Hello world").cx,
            TextExtent(arial, "Hello world").cx);
  // 8-bit text goes through the code page: E9 is e acute, as wide as e.
  EXPECT_EQ(TextExtent(arial, "\xE9\xE9\xE9\xE9").cx, TextExtent(arial, "eeee").cx);
}

TEST(TextExtentTest, NoKerningSoWidthIsTheSumOfCharacters) {
  const TFont big = MakeFont("Arial", 72);  // 96 px: kerning of "AV" would show
  const TFontMetricsInfo m = GetFontMetrics(big);
  const double expected = (m.Widths['A'] + m.Widths['V'] + m.Widths['A']) * 96 / 1000.0;
  EXPECT_NEAR(TextExtent(big, "AVA").cx, expected, 1.0);
}

// Plain ASCII is measured from per-font advances kept after the first measure; the widths
// must be those of the shaper measuring each text whole, for every face and style, with
// neighbours that could ligate or kern, blanks at either end and text that needs shaping.
TEST(TextExtentTest, KeptAdvancesMeasureAsTheShaperDoes) {
  const char* texts[] = {"fi fl ffi ff", "  two blanks at each end  ", "AVA To Wa Yo", "W.W,W;W", "1,234.56 $",
                         "x", "caf\xE9 au lait", "tab\there", "Tt~`^_|{}"};
  const TFontStyles styles[] = {{}, {TFontStyle::fsBold}, {TFontStyle::fsItalic, TFontStyle::fsUnderline}};
  for (const char* face : {"Arial", "Times New Roman", "Courier New", "Impact"})
    for (const int size : {7, 10, 13, 36})
      for (const TFontStyles style : styles) {
        const TFont font = MakeFont(face, size, style);
        const QFontMetricsF shaper(ToQFont(font));
        for (int pass = 0; pass < 2; ++pass)  // measured fresh, then from what was kept
          for (const char* text : texts) {
            const auto whole = static_cast<int>(RoundHalfEven(shaper.horizontalAdvance(AnsiToQString(text))));
            EXPECT_EQ(TextExtent(font, text).cx, whole) << face << " " << size << " [" << text << "]";
          }
      }
}

TEST(FontMetricsTest, ArialMetricsAtThousandUnits) {
  const TFontMetricsInfo m = GetFontMetrics(MakeFont("Arial", 10));
  EXPECT_EQ(m.FamilyName, "Liberation Sans");
  EXPECT_EQ(m.Widths[' '], 278);
  EXPECT_EQ(m.Widths['W'], 944);
  EXPECT_EQ(m.Widths['i'], 222);
  EXPECT_EQ(m.Widths[0x80], 556);  // the euro sign through code page 1252
  EXPECT_EQ(m.Widths[0x0D], 0);    // control characters have no width
  EXPECT_EQ(m.Ascent, 905);
  EXPECT_EQ(m.Descent, 212);
  EXPECT_GT(m.CapHeight, 600);
  EXPECT_LT(m.CapHeight, m.Ascent);
  EXPECT_GT(m.MaxWidth, m.AvgWidth);
  EXPECT_LT(m.BBoxLeft, 0);
  EXPECT_LT(m.BBoxBottom, 0);
  EXPECT_GT(m.BBoxTop, m.Ascent - 1);
  EXPECT_FALSE(m.FixedPitch);
  EXPECT_EQ(m.PitchAndFamily, 0x27);  // swiss, TrueType, vector, variable pitch
  EXPECT_EQ(m.ItalicAngle, 0);
  EXPECT_LT(m.UnderscorePosition, 0);
  EXPECT_GT(m.UnderscoreSize, 0);
  EXPECT_GT(m.StrikeoutPosition, 0);
  EXPECT_GT(m.StrikeoutSize, 0);
  EXPECT_EQ(m.Charset, ANSI_CHARSET);
}

TEST(FontMetricsTest, PitchFamilyAndSlantOfOtherFaces) {
  const TFontMetricsInfo mono = GetFontMetrics(MakeFont("Courier New", 10));
  EXPECT_TRUE(mono.FixedPitch);
  EXPECT_EQ(mono.PitchAndFamily, 0x36);  // modern, TrueType, vector; bit 0 clear = fixed
  for (int c = 32; c < 127; ++c) EXPECT_EQ(mono.Widths[c], 600) << c;

  const TFontMetricsInfo serif = GetFontMetrics(MakeFont("Times New Roman", 10));
  EXPECT_EQ(serif.PitchAndFamily, 0x17);  // roman
  EXPECT_EQ(serif.FamilyName, "Liberation Serif");

  const TFontMetricsInfo italic = GetFontMetrics(MakeFont("Arial", 10, {TFontStyle::fsItalic}));
  EXPECT_TRUE(italic.Italic);
  EXPECT_EQ(italic.ItalicAngle, -12);

  const TFontMetricsInfo bold = GetFontMetrics(MakeFont("Arial", 10, {TFontStyle::fsBold}));
  EXPECT_EQ(bold.Widths['b'], 611);  // the bold face's own width (regular b is 556)
}
