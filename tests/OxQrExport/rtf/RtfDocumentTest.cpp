// The RTF document: head, pages, text lines, text blocks and boxes, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "OxQrConsts/OxQrConsts.h"
#include "OxQrExport/rtf/RtfMarkup.h"
#include "RtfFilterFixture.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "platform/Errors.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

using test::RtfFilterTest;

std::size_t Count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (auto at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

// Width in twips of a text measured on the screen, computed as the filter does.
double TextTwips(const TFont& font, const std::string& text) {
  return TextExtent(font, text).cx / TQRPrinter().HorizontalFactor() * (1440.0 / 254.0);
}

// The frame width of a single line: the measured text plus room that keeps it on one line.
std::string LineFrame(const TFont& font, const std::string& text) {
  const double w = TextTwips(font, text);
  return std::to_string(RoundHalfEven(w + std::max(w * 0.05, 90.0)));
}

TEST_F(RtfFilterTest, OnePageDocumentByteForByte) {
  Settings().Title = "Sales {Q1 \\ report";
  Settings().Author = "M\xfcller";
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Run(f, 1, [&](int) { f.WriteText(100, 200, font_, clWhite, TAlignment::taLeftJustify, "Hello"); });
  EXPECT_EQ(File(),
            "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fcharset0 Arial;}}"
            "{\\colortbl;\\red0\\green0\\blue0;}"
            "{\\info{\\title Sales \\{Q1 \\\\ report}{\\author M\\'fcller}{\\keywords }"
            "{\\doccomm Produced by: OxQRFilters V2.11 for QRReport (https://oxqrfilters.example.org)}"
            "{\\creatim\\yr2026\\mo3\\dy7\\hr9\\min5}}"
            "\\viewkind1\\paperw11906\\paperh16838\\margl0\\margr0\\margt0\\margb0\\headery0\\footery0\r\n"
            "{\r\n"
            "\\par\\pard\\sbys\\pvpg\\phpg\\absw" +
                LineFrame(font_, "Hello") +
                "\\posy1134\\posx567\\f0\\cf1\\fs20\\ql Hello \r\n"
                "\\par\\pard\\sl-20}\r\n"
                "}");
}

TEST_F(RtfFilterTest, InformationGroupTakesTheReportTitleAndTheSubject) {
  Settings().Subject = "Q1";
  Settings().Keywords = "sales";
  printer_.Title = "Customers {all}";
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Run(f, 1, [](int) {});
  EXPECT_NE(File().find("{\\info{\\title Customers \\{all\\}}{\\subject Q1}{\\author }{\\keywords sales}"),
            std::string::npos);
}

TEST_F(RtfFilterTest, EveryPageButTheLastEndsWithABreakAfterItsFrames) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Run(f, 3, [&](int k) { f.WriteText(100, 200, font_, clWhite, TAlignment::taLeftJustify, "p" + std::to_string(k)); });
  const std::string body = Body(File());
  const std::string line = "\\par\\pard\\sbys\\pvpg\\phpg\\absw" + LineFrame(font_, "p1") + "\\posy1134\\posx567";
  EXPECT_EQ(body, "{\r\n" + line + "\\f0\\cf1\\fs20\\ql p1 \r\n\\par\\pard\\sl-20\\page}\r\n" +
                      "{\r\n" + line + "\\f0\\cf1\\fs20\\ql p2 \r\n\\par\\pard\\sl-20\\page}\r\n" +
                      "{\r\n" + line + "\\f0\\cf1\\fs20\\ql p3 \r\n\\par\\pard\\sl-20}\r\n}");
}

TEST_F(RtfFilterTest, PaperOrientationAndPageFrame) {
  printer_.Orientation = TPrinterOrientation::poLandscape;
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Start(f, 1);
  // A frame on top and left in a colour no text uses.
  f.PageFrame = std::make_unique<TQRFrame>();
  f.PageFrame->DrawTop = f.PageFrame->DrawLeft = true;
  f.PageFrame->Color = clTeal;
  f.PageFrame->Width = 2;
  f.OpenPage();
  f.ClosePage();
  f.FinishJob();
  const std::string file = File();
  EXPECT_NE(file.find("{\\colortbl;\\red0\\green128\\blue128;}"), std::string::npos);
  EXPECT_NE(file.find("\\headery0\\footery0"), std::string::npos);
  EXPECT_NE(file.find("\\margb0\\landscape\\headery0\\footery0\\pgbrdrhead\\pgbrdrfoot"
                      "\\pgbrdrt\\brdrs\\brdrw60\\brdrcf1\\pgbrdrl\\brdrs\\brdrw60\\brdrcf1\r\n"),
            std::string::npos);
}

TEST_F(RtfFilterTest, FileThatCannotBeCreatedAbortsAndLeavesNoFile) {
  std::vector<std::string> errors;
  QRExportSettings().OnErrorMessage = [&](TOxQRExportFilter*, const std::string& m) { errors.push_back(m); };
  int pagesEnded = 0;
  QRExportSettings().OnEndPage = [&](TOxQRExportFilter*) { ++pagesEnded; };
  TOxQRRTFFilter f(Dir() + "missing/out.rtf");
  Run(f, 2, [&](int) { f.WriteText(100, 200, font_, clWhite, TAlignment::taLeftJustify, "lost"); });
  EXPECT_TRUE(f.Aborted());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind(SFileNotCreated, 0), 0u) << errors[0];
  EXPECT_EQ(pagesEnded, 0);
  EXPECT_TRUE(std::filesystem::is_empty(Dir()));
}

TEST_F(RtfFilterTest, AnOlderFileIsReplacedWhole) {
  WriteFileBytes(Dir() + "out.rtf", "old report");
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Start(f, 1);
  f.OpenPage();
  EXPECT_EQ(File(), "old report");  // still there while the new one is written
  f.ClosePage();
  f.FinishJob();
  EXPECT_EQ(File().substr(0, 6), "{\\rtf1");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir()), {}), 1);
}

// Lines outside text blocks: each carries its own codes, is placed by its left edge, and
// its frame leaves room so that readers that measure wider keep it on one line.
TEST_F(RtfFilterTest, LinesOutsideBlocksArePlacedByTheirLeftEdge) {
  TFont bold = font_;
  bold.Size = 10;
  bold.Style = {TFontStyle::fsBold, TFontStyle::fsUnderline};
  TFont times = font_;
  times.Name = "Times New Roman";
  times.Charset = 0;
  times.Size = 12;
  times.Color = clRed;
  times.Style = {TFontStyle::fsItalic, TFontStyle::fsStrikeOut};
  const std::string longText(60, 'W');
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Run(f, 1, [&](int) {
    f.WriteText(100, 200, bold, clWhite, TAlignment::taLeftJustify, "Left");
    f.WriteText(1000, 300, times, clWhite, TAlignment::taRightJustify, "Right");
    f.WriteText(1000, 400, font_, clWhite, TAlignment::taCenter, longText);
  });
  const double right = TextTwips(times, "Right");
  const double centre = TextTwips(font_, longText);
  ASSERT_GT(centre * 0.05, 90.0);  // the long line gets 5 %, the short ones 90 twips
  EXPECT_EQ(Body(File()), "{\r\n"
                          "\\par\\pard\\sbys\\pvpg\\phpg\\absw" + LineFrame(bold, "Left") +
                              "\\posy1134\\posx567\\f0\\cf1\\fs20 \\b \\ul\\ql Left  \\b0 \\ul0\r\n"
                              "\\par\\pard\\sbys\\pvpg\\phpg\\absw" + LineFrame(times, "Right") + "\\posy1701\\posx" +
                              std::to_string(RoundHalfEven(1000 * 1440 / 254.0 - right)) +
                              "\\f1\\cf2\\fs24 \\i \\strike\\ql Right  \\i0 \\strike0\r\n"
                              "\\par\\pard\\sbys\\pvpg\\phpg\\absw" + LineFrame(font_, longText) + "\\posy2268\\posx" +
                              std::to_string(RoundHalfEven(1000 * 1440 / 254.0 - centre / 2)) +
                              "\\f0\\cf1\\fs20\\ql " + longText + " \r\n"
                              "\\par\\pard\\sl-20}\r\n}");
  EXPECT_NE(File().find("{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset0 Times New Roman;}}"), std::string::npos);
  EXPECT_NE(File().find("{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}"), std::string::npos);
}

// A line wider than the paper, or than the box that clips it, is written as the page shows
// it: the characters on the paper and inside the box, so that no reader wraps it.
TEST_F(RtfFilterTest, LinesAreCutToWhatThePageShows) {
  std::string text;
  for (int i = 0; text.size() < 600; ++i) text += "Northwind Trading " + std::to_string(i) + " ";
  struct Case {
    const char* Name;
    double X;  // anchor, Native
    TAlignment Align;
    double ClipLeft, ClipRight;  // Native; equal: no clip of the control
  };
  const Case cases[] = {
      {"PastThePapersRightEdge", 150, TAlignment::taLeftJustify, 0, 0},
      {"PastTheLeftEdgeRightAligned", 1000, TAlignment::taRightJustify, 0, 0},
      {"ClippedByItsBox", 150, TAlignment::taLeftJustify, 150, 750},
      {"CentredInItsBox", 1000, TAlignment::taCenter, 600, 1400},
      {"FitsAndStaysWhole", 150, TAlignment::taLeftJustify, 150, 2000},
  };
  const int paper = TQRPrinter().ToDeviceWidth(2100);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string line = std::string(c.Name) == "FitsAndStaysWhole" ? "Short line" : text;
    // What the page draws: the line's pixels from its anchor, cut to the paper and the box.
    const TQRPrinter screen;
    const int width = TextExtent(font_, line).cx;
    const int anchor = screen.ToDeviceX(c.X);
    const int left = anchor - (c.Align == TAlignment::taRightJustify ? width : c.Align == TAlignment::taCenter ? width / 2 : 0);
    // A character shows when its cell lies on the paper and its middle inside the box.
    const int lo = c.ClipRight > c.ClipLeft ? screen.ToDeviceX(c.ClipLeft) : 0;
    const int hi = c.ClipRight > c.ClipLeft ? screen.ToDeviceX(c.ClipRight) : paper;
    auto at = [&](std::size_t k) { return left + TextExtent(font_, line.substr(0, k)).cx; };
    std::size_t first = 0;
    while (first < line.size() && !(at(first) >= 0 && at(first) + at(first + 1) >= 2 * lo)) ++first;
    std::size_t end = line.size();
    while (end > first && !(at(end) <= paper && at(end - 1) + at(end) <= 2 * hi)) --end;
    const std::string shown = line.substr(first, end - first);
    ASSERT_FALSE(shown.empty());

    TOxQRRTFFilter f(Dir() + "cut.rtf");
    Run(f, 1, [&](int) {
      f.TextClipLeft = c.ClipLeft;
      f.TextClipRight = c.ClipRight;
      f.WriteText(c.X, 200, font_, clWhite, c.Align, line);
    });
    const std::string body = Body(File("cut.rtf"));
    EXPECT_NE(body.find("\\ql " + shown + " \r\n"), std::string::npos) << body.substr(0, 300);
    // The frame starts where the characters shown start on the page (within a pixel).
    const double posx = (left + TextExtent(font_, line.substr(0, first)).cx) / screen.HorizontalFactor() * 1440 / 254;
    const auto posxAt = body.find("\\posx");
    ASSERT_NE(posxAt, std::string::npos);
    EXPECT_NEAR(std::stod(body.substr(posxAt + 5)), posx, 15.0);
  }
}

// A text block: the frame paragraph, the codes of its second line, the lines with "\par "
// from the second on, then the codes that close the styles.
TEST_F(RtfFilterTest, TextBlockIsOneFramedParagraph) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  TQRCustomBand band(TQRBandType::rbDetail);
  auto& memo = band.Add<TQRMemo>();
  band.Add<TQRLabel>();  // printed later: the band stays open
  memo.Size = TQRSize{400, 254, 508, 1270};  // Height, Left, Top, Width: 1 x 2 x 5 inches
  memo.Frame.SetAll(true);
  memo.Frame.Color = clNavy;
  memo.Color = clYellow;
  TFont bold = font_;
  bold.Style = {TFontStyle::fsBold};
  f.BeginTextBlock(memo, 0, 0);
  f.WriteText(254, 508, font_, clYellow, TAlignment::taCenter, "one");
  f.WriteText(254, 550, bold, clYellow, TAlignment::taCenter, "two");
  f.WriteText(254, 590, font_, clYellow, TAlignment::taCenter, "three");
  f.EndTextBlock(memo, 0, 0, false);
  EXPECT_EQ(f.BandBuffer,
            "\\par\\pard\\box\\brdrs\\brdrw15\\brsp0\\brdrcf2\\pvpg\\phpg\\absw7200\\absh2268\\posy2880\\posx1440"
            "\\shading10000\\cfpat3\\cbpat3 \r\n"
            "\\f0\\cf1\\fs20 \\b\\qc\r\n"
            "one\r\n"
            "\\par two\r\n"
            "\\par three\r\n"
            " \\b0\r\n");
  f.ClosePage();
  f.FinishJob();
}

// The page's open band is written when the page closes, and only there: what the band
// receives on the next page is written after it, not together with it again.
TEST_F(RtfFilterTest, OpenBandAtThePageEndIsWrittenOnce) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  TQRCustomBand band(TQRBandType::rbDetail);
  auto& first = band.Add<TQRLabel>();
  auto& last = band.Add<TQRLabel>();  // never exported: the band stays open
  first.Size = last.Size = TQRSize{50, 100, 100, 500};
  first.Color = last.Color = clWhite;
  Run(f, 2, [&](int k) {
    const std::string text = "page" + std::to_string(k);
    f.BeginTextBlock(first, 0, 0);
    f.WriteText(100, 100, font_, clWhite, TAlignment::taLeftJustify, text);
    f.EndTextBlock(first, 0, 0, false);
  });
  const std::string file = File();
  EXPECT_EQ(Count(file, "page1"), 1u);
  EXPECT_EQ(Count(file, "page2"), 1u);
  EXPECT_LT(file.find("page1"), file.find("\\page}"));
  EXPECT_GT(file.find("page2"), file.find("\\page}"));
}

// Readers paint a framed paragraph white. A text frame without a fill of its own that lies
// on a filled band box takes the box's colour as its background, so that white text on a
// coloured band stays readable; frames off the box or on a white band stay as they are, and
// a frame with its own fill keeps only that one.
TEST_F(RtfFilterTest, UnfilledFramesOnAFilledBandTakeItsColour) {
  for (const TColor bandColor : {clNavy, clWhite}) {
    SCOPED_TRACE(bandColor == clNavy ? "navy band" : "white band");
    TOxQRRTFFilter f(Dir() + "out.rtf");
    TQRCustomBand band(TQRBandType::rbDetail);
    band.Color = bandColor;
    band.Size.Height = 200;
    band.Size.Width = 1900;
    auto& inside = band.Add<TQRLabel>();
    auto& own = band.Add<TQRLabel>();
    auto& below = band.Add<TQRLabel>();  // the last one closes the band
    inside.Size = TQRSize{50, 100, 50, 500};
    own.Size = TQRSize{50, 700, 50, 500};
    below.Size = TQRSize{50, 100, 300, 500};  // under the band's box, off it
    inside.Transparent = below.Transparent = true;
    own.Color = clYellow;
    Run(f, 1, [&](int) {
      for (auto* label : {&inside, &own, &below}) {
        f.BeginTextBlock(*label, 0, 0);
        f.WriteText(label->Size.Left, label->Size.Top, font_, clWhite, TAlignment::taLeftJustify, "text");
        f.EndTextBlock(*label, 0, 0, false);
      }
    });
    const std::string file = File();
    // Colour numbers as the table lists them.
    const std::string table = file.substr(file.find("{\\colortbl;"), file.find('}', file.find("{\\colortbl;")));
    auto number = [&](const std::string& entry) {
      const std::string before = table.substr(0, table.find(entry));
      return std::to_string(std::count(before.begin(), before.end(), ';'));
    };
    std::vector<std::string> heads;
    for (std::size_t at = file.find("\\par\\pard\\pvpg"); at != std::string::npos;
         at = file.find("\\par\\pard\\pvpg", at + 1))
      heads.push_back(file.substr(at, file.find("\r\n", at) - at));
    ASSERT_EQ(heads.size(), 3u);
    const std::string yellow = number("\\red255\\green255\\blue0;");
    const std::string navy = bandColor == clNavy ? "\\cbpat" + number("\\red0\\green0\\blue128;") : "";
    EXPECT_EQ(heads[0], "\\par\\pard\\pvpg\\phpg\\absh283\\posy283\\posx567" + navy + " ");
    EXPECT_EQ(heads[1], "\\par\\pard\\pvpg\\phpg\\absh283\\posy283\\posx3969\\shading10000\\cfpat" + yellow +
                            "\\cbpat" + yellow + " ");
    EXPECT_EQ(heads[2], "\\par\\pard\\pvpg\\phpg\\absh283\\posy1701\\posx567 ");
    // A filled band's box comes first, under its frames.
    if (bandColor == clNavy) {
      EXPECT_LT(file.find("\\dprect"), file.find("\\par\\pard\\pvpg"));
    }
  }
}

struct BoxCase {
  const char* Name;
  bool Fill;
  bool Top, Right, Bottom, Left;
  int Width;
  std::string Expected;
};

class RtfBoxes : public RtfFilterTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(RtfBoxes, DrawingObjects) {
  const BoxCase& c = GetParam();
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  TQRFrame frame;
  frame.DrawTop = c.Top;
  frame.DrawRight = c.Right;
  frame.DrawBottom = c.Bottom;
  frame.DrawLeft = c.Left;
  frame.Width = c.Width;
  frame.Color = clNavy;
  std::string out;
  f.RenderBox(TOxQrRect{100, 200, 300, 60}, clWhite, out, true, true, false, c.Fill, frame);
  EXPECT_EQ(out, c.Expected);
}

const std::string kLine = "\\dplinecor0\\dplinecog0\\dplinecob128\\dplinew15";
const std::string kWhiteFill =
    "\\dpfillfgcr255\\dpfillfgcg255\\dpfillfgcb255\\dpfillbgcr255\\dpfillbgcg255\\dpfillbgcb255\\dpfillpat1";
const std::string kRect = "{\\*\\do\\dobxpage\\dobypage\\dprect\\dpx100\\dpy200\\dpxsize301\\dpysize61";
const std::string kLineObject = "{\\*\\do\\dobxpage\\dobypage\\dpline\\dpptx0\\dppty0";

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfBoxes,
    ::testing::Values(
        // A filled box always carries the background colour words: readers fill from them.
        BoxCase{"WhiteBandFill", true, false, false, false, false, 1,
                "{\\lang1024 " + kRect + "\\dplinehollow" + kLine + kWhiteFill + "}}"},
        BoxCase{"AllSidesNoFill", false, true, true, true, true, 1,
                "{\\lang1024 " + kRect + "\\dplinesolid" + kLine + "\\dpfillpat0}}"},
        BoxCase{"AllSidesOfWidthZero", false, true, true, true, true, 0,
                "{\\lang1024 " + kRect + "\\dplinehollow\\dplinecor0\\dplinecog0\\dplinecob128\\dplinew0"
                                         "\\dpfillpat0}}"},
        BoxCase{"TopAndLeft", false, true, false, false, true, 1,
                "{\\lang1024 " + kLineObject + "\\dpptx300\\dppty0\\dpx100\\dpy200\\dpxsize301\\dpysize1" +
                    "\\dplinesolid" + kLine + "}" + kLineObject +
                    "\\dpptx0\\dppty60\\dpx100\\dpy200\\dpxsize1\\dpysize61\\dplinesolid" + kLine + "}}"},
        BoxCase{"FilledWithRightAndBottom", true, false, true, true, false, 1,
                "{\\lang1024 " + kRect + "\\dplinehollow" + kLine + kWhiteFill + "}" + kLineObject +
                    "\\dpptx0\\dppty60\\dpx400\\dpy200\\dpxsize1\\dpysize61\\dplinesolid" + kLine + "}" +
                    kLineObject + "\\dpptx300\\dppty0\\dpx100\\dpy260\\dpxsize301\\dpysize1\\dplinesolid" + kLine +
                    "}}"},
        BoxCase{"Nothing", false, false, false, false, false, 1, "{\\lang1024 }"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(RtfFilterTest, BorderedBlocksAddNoParagraphs) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  TQRFrame frame;
  frame.DrawTop = frame.DrawBottom = true;
  frame.Color = clRed;
  EXPECT_EQ(f.ParagraphBorder(frame),
            "\\brdrt\\brdrs\\brdrw15\\brsp0\\brdrcf1\\brdrb\\brdrs\\brdrw15\\brsp0\\brdrcf1");
  EXPECT_EQ(f.ParagraphBorder(TQRFrame()), "");
}

// Table numbers follow first use, ignore letter case and never change.
TEST_F(RtfFilterTest, TablesNumberByFirstUse) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  TOxQrFontAttrib arial;
  arial.Name = "Arial";
  TOxQrFontAttrib lower = arial;
  lower.Name = "ARIAL";
  TOxQrFontAttrib symbol = arial;
  symbol.Charset = SYMBOL_CHARSET;
  TOxQrFontAttrib accented = arial;
  accented.Name = "Caf\xe9 Sans";
  EXPECT_EQ(f.FontIndex(arial), 0);
  EXPECT_EQ(f.FontIndex(symbol), 1);
  EXPECT_EQ(f.FontIndex(lower), 0);
  EXPECT_EQ(f.FontIndex(accented), 2);
  EXPECT_EQ(f.ColorIndex(clRed), 1);
  EXPECT_EQ(f.ColorIndex(clNavy), 2);
  EXPECT_EQ(f.ColorIndex(0x0000FF), 1);
  f.ClosePage();
  f.FinishJob();
  EXPECT_NE(File().find("{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset2 Arial;}"
                        "{\\f2\\fswiss\\fcharset0 Caf\\'e9 Sans{\\*\\falt Liberation Sans};}}"),
            std::string::npos);
}

// A reader that lacks a face finds the one that drew it: faces its font configuration
// would not find by name get their family and the drawn face as the alternative; faces it
// finds (Arial, metric-compatible stand-ins, installed faces) keep their plain entry.
TEST_F(RtfFilterTest, FacesReadersLackNameTheDrawnFace) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  for (const char* name : {"Arial", "Impact", "Courier New", "MS Sans Serif", "DejaVu Serif"}) {
    TOxQrFontAttrib font;
    font.Name = name;
    f.FontIndex(font);
  }
  f.ClosePage();
  f.FinishJob();
  EXPECT_NE(File().find("{\\fonttbl{\\f0\\fcharset0 Arial;}"
                        "{\\f1\\fswiss\\fcharset0 Impact{\\*\\falt DejaVu Sans Condensed};}"
                        "{\\f2\\fcharset0 Courier New;}"
                        "{\\f3\\fswiss\\fcharset0 MS Sans Serif{\\*\\falt Liberation Sans};}"
                        "{\\f4\\fcharset0 DejaVu Serif;}}"),
            std::string::npos)
      << File().substr(0, 400);
}

// The default charset is written as the code page's, so that readers decode \'hh with it.
TEST_F(RtfFilterTest, DefaultCharsetFollowsTheCodePage) {
  SetAnsiCodePage(1251);
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Run(f, 1, [&](int) { f.WriteText(100, 200, font_, clWhite, TAlignment::taLeftJustify, "\xc4\xe0"); });
  const std::string file = File();
  EXPECT_EQ(file.rfind("{\\rtf1\\ansi\\ansicpg1251\\deff0\\deftab720{\\fonttbl{\\f0\\fcharset204 Arial;}}", 0), 0u);
  EXPECT_NE(file.find("\\ql \\'c4\\'e0 \r\n"), std::string::npos);
}

// A block line that nearly fills its frame gets room on the side away from its alignment,
// as a single line does; lines well inside their frame keep it as it is.
TEST_F(RtfFilterTest, FullBlockLinesGetRoomAwayFromTheirAlignment) {
  struct Case {
    TAlignment Align;
    double WidthTwips;  // of the control
    double Shift;       // how far the frame's left edge moves, in parts of the added room
  };
  const std::string text = "Our thanks go to the sponsors, the";
  const double line = TextTwips(font_, text);
  const double room = std::max(line * 0.05, 90.0);
  for (const Case& c : {Case{TAlignment::taLeftJustify, line, 0}, Case{TAlignment::taRightJustify, line, 1},
                        Case{TAlignment::taCenter, line + 10, 0.5}, Case{TAlignment::taLeftJustify, line * 2, 0}}) {
    SCOPED_TRACE(static_cast<int>(c.Align));
    TOxQRRTFFilter f(Dir() + "out.rtf");
    Open(f);
    TQRCustomBand band(TQRBandType::rbDetail);
    auto& memo = band.Add<TQRMemo>();
    band.Add<TQRLabel>();  // keeps the band open
    memo.Size = TQRSize{100, 1000, 500, c.WidthTwips * 254 / 1440};
    f.BeginTextBlock(memo, 0, 0);
    f.WriteText(1000, 500, font_, clWhite, c.Align, text);
    f.WriteText(1000, 540, font_, clWhite, c.Align, "short");
    f.EndTextBlock(memo, 0, 0, false);
    const double added = std::max(0.0, line + room - c.WidthTwips);
    const double width = c.WidthTwips + added;
    const double left = 1000 * 1440 / 254.0 - added * c.Shift;
    EXPECT_EQ(f.BandBuffer.substr(0, f.BandBuffer.find("\\posy")),
              "\\par\\pard\\pvpg\\phpg\\absw" + RtfNumber(width) + "\\absh567");
    EXPECT_NE(f.BandBuffer.find("\\posy2835\\posx" + RtfNumber(left) + " \r\n"), std::string::npos) << f.BandBuffer;
    f.ClosePage();
    f.FinishJob();
  }
}

// A body stream that refuses to grow beyond a limit, as memory that runs out.
class TBoundedStream final : public TStream {
 public:
  explicit TBoundedStream(std::size_t limit) : limit_(limit) {}
  void Write(const void* data, std::size_t count) override {
    if (data_.size() + count > limit_) throw EStreamError("out of memory");
    data_.append(static_cast<const char*>(data), count);
  }
  using TStream::Write;
  std::size_t Read(void* data, std::size_t count) override {
    const std::size_t n = std::min(count, data_.size() - pos_);
    data_.copy(static_cast<char*>(data), n, pos_);
    pos_ += n;
    return n;
  }
  std::int64_t Position() const override { return static_cast<std::int64_t>(pos_); }
  void SetPosition(std::int64_t pos) override { pos_ = static_cast<std::size_t>(pos); }
  std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }

 private:
  std::size_t limit_;
  std::string data_;
  std::size_t pos_ = 0;
};

class TSmallMemoryRtfFilter final : public TOxQRRTFFilter {
 public:
  using TOxQRRTFFilter::TOxQRRTFFilter;

 protected:
  std::unique_ptr<TStream> CreateBodyStream() override { return std::make_unique<TBoundedStream>(300); }
};

TEST_F(RtfFilterTest, BodyThatOutgrowsMemoryContinuesInTheSpillFile) {
  auto pages = [&](TOxQRRTFFilter& f, std::vector<std::string>* spill) {
    return [&f, spill, this](int k) {
      for (int i = 0; i < 5; ++i)
        f.WriteText(100, 200 + 50 * i, font_, clWhite, TAlignment::taLeftJustify,
                    "page " + std::to_string(k) + " line " + std::to_string(i));
      // One piece larger than the whole memory goes straight to the file.
      if (k == 2) f.WriteBody(std::string(400, ' ') + "\r\n");
      if (spill && f.Spilled) spill->push_back(f.SpillFileName);
    };
  };
  TOxQRRTFFilter plain(Dir() + "plain.rtf");
  Run(plain, 3, pages(plain, nullptr));
  EXPECT_FALSE(plain.Spilled);

  std::vector<std::string> spillNames;
  TSmallMemoryRtfFilter small(Dir() + "small.rtf");
  Run(small, 3, pages(small, &spillNames));
  EXPECT_TRUE(small.Spilled);
  ASSERT_FALSE(spillNames.empty());
  // The body spills into the output's own temporary file beside it, which becomes the file.
  EXPECT_EQ(spillNames.front().rfind(Dir() + ".small.rtf.", 0), 0u) << spillNames.front();
  EXPECT_FALSE(FileExists(spillNames.front()));
  EXPECT_EQ(File("small.rtf"), File("plain.rtf"));
}

// The spilled body follows room kept for the head as it stood when the spill started; what
// the head gains or loses after that must not shift or cut the body.
TEST_F(RtfFilterTest, HeadThatChangesAfterTheSpillStartedKeepsTheFileWhole) {
  TFont red = font_;
  red.Color = clRed;
  TFont courier = font_;
  courier.Name = "Courier New";
  const struct {
    const char* Name;
    std::function<void()> AtPageThree;  // changes what the head will hold
    const TFont* Font;                                 // the font of page three's lines
  } cases[] = {
      {"unchanged", [] {}, &font_},
      {"new colour", [] {}, &red},
      {"new font", [] {}, &courier},
      {"clock, same length", [] { SetClockMinute(6); }, &font_},
      {"clock, longer", [] { SetClockMinute(10); }, &font_},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto pages = [&](TOxQRRTFFilter& f) {
      return [&](int k) {
        if (k == 3) c.AtPageThree();
        for (int i = 0; i < 5; ++i)
          f.WriteText(100, 200 + 50 * i, k == 3 ? *c.Font : font_, clWhite, TAlignment::taLeftJustify,
                      "page " + std::to_string(k) + " line " + std::to_string(i));
      };
    };
    SetClockMinute(5);
    TOxQRRTFFilter plain(Dir() + "plain.rtf");
    Run(plain, 4, pages(plain));
    EXPECT_FALSE(plain.Spilled);

    SetClockMinute(5);
    TOxQRRTFFilter budgeted(Dir() + "budgeted.rtf");
    budgeted.BodyMemoryBudget = 300;  // the spill starts on page one
    Run(budgeted, 4, pages(budgeted));
    EXPECT_TRUE(budgeted.Spilled);
    EXPECT_EQ(File("budgeted.rtf"), File("plain.rtf"));
    // No temporary file is left beside the output, whichever way the head found its place.
    for (const auto& entry : std::filesystem::directory_iterator(Dir()))
      EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
  }
}

TEST_F(RtfFilterTest, BodyBeyondItsMemoryBudgetMovesToTheSpillFileUnchanged) {
  constexpr std::size_t kBudget = 300;
  std::size_t mostHeld = 0;
  std::string spillName;
  auto pages = [&](TOxQRRTFFilter& f) {
    return [&](int k) {
      for (int i = 0; i < 5; ++i)
        f.WriteText(100, 200 + 50 * i, font_, clWhite, TAlignment::taLeftJustify,
                    "page " + std::to_string(k) + " line " + std::to_string(i));
      if (k == 2) f.WriteBody(std::string(2 * kBudget, 'x') + "\r\n");  // larger than the whole budget
      mostHeld = std::max(mostHeld, static_cast<std::size_t>(f.Output->Size()));
      if (f.Spilled) spillName = f.SpillFileName;
    };
  };
  TOxQRRTFFilter plain(Dir() + "plain.rtf");
  Run(plain, 3, pages(plain));
  EXPECT_FALSE(plain.Spilled);

  mostHeld = 0;
  TOxQRRTFFilter budgeted(Dir() + "budgeted.rtf");
  budgeted.BodyMemoryBudget = kBudget;
  Run(budgeted, 3, pages(budgeted));
  EXPECT_TRUE(budgeted.Spilled);
  EXPECT_LE(mostHeld, kBudget);
  ASSERT_FALSE(spillName.empty());
  EXPECT_FALSE(FileExists(spillName));
  EXPECT_EQ(File("budgeted.rtf"), File("plain.rtf"));
}

}  // namespace
}  // namespace oxqr
