// Rich text embedded in the RTF document: the piece's tables merge into the document's,
// every reference follows its entry, and the text sits in a borderless text box.
#include <gtest/gtest.h>

#include "OxQrExport/rtf/RtfRichPiece.h"
#include "RtfFilterFixture.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "platform/Streams.h"

namespace oxqr {
namespace {

using test::RtfFilterTest;

// The line spacing words a paragraph of `face` at `halfPoints` gets.
std::string Spacing(const std::string& face, int halfPoints) {
  return "\\sl" + std::to_string(RtfRichTextLineSpacing(face, halfPoints)) + "\\slmult1";
}

std::size_t Count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (auto at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

// A piece as the rich text control streams it out: a teal heading in Times New Roman, then
// Arial text with a red word on a yellow highlight. Its colour table starts with the
// automatic colour, so \cf1 is its first real entry.
const std::string kColouredPiece =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}"
    "{\\f1\\fnil\\fcharset0 Arial;}}\r\n"
    "{\\colortbl ;\\red0\\green128\\blue128;\\red255\\green0\\blue0;\\red255\\green255\\blue0;}\r\n"
    "\\viewkind4\\uc1\\pard\\cf1\\f0\\fs28 Heading\\par\r\n"
    "\\cf0\\f1\\fs20 Some \\cf2\\highlight3 red\\cf0\\highlight0  text\r\n}\r\n";

TEST_F(RtfFilterTest, RichTextFontsFollowTheReportsFonts) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  TOxQrFontAttrib a;
  a.Name = "Arial";
  TOxQrFontAttrib c = a;
  c.Name = "Courier New";
  f.FontIndex(a);
  f.FontIndex(c);
  const std::string box = f.RichTextBox(kColouredPiece, TOxQrRect{100, 200, 3000, 600});
  ASSERT_EQ(f.FontTable.size(), 4u);
  EXPECT_EQ(f.FontTable[2], "RTFDummyFont");
  EXPECT_EQ(f.FontTable[3], "RTFDummyFont");
  EXPECT_EQ(f.ExtraFontText, "{\\f2\\fnil\\fcharset0 Times New Roman;}{\\f3\\fnil\\fcharset0 Arial;}");
  EXPECT_NE(box.find("\\f2\\expnd-1\\expndtw-6\\fs28" + Spacing("Times New Roman", 28) + " Heading"),
            std::string::npos) << box;
  EXPECT_NE(box.find("\\f3\\expnd-1\\expndtw-6\\fs20" + Spacing("Arial", 20) + " Some "), std::string::npos) << box;
  EXPECT_EQ(box.find("\\f0"), std::string::npos);
  EXPECT_EQ(box.find("\\f1"), std::string::npos);
  f.ClosePage();
  f.FinishJob();
  EXPECT_NE(File().find("{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset0 Courier New;}"
                        "{\\f2\\fnil\\fcharset0 Times New Roman;}{\\f3\\fnil\\fcharset0 Arial;}}"),
            std::string::npos);
  EXPECT_EQ(File().find("RTFDummyFont"), std::string::npos);
}

TEST_F(RtfFilterTest, RichTextColoursPointAtTheirOwnEntries) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  f.ColorIndex(clBlack);  // document colour 1
  const std::string box = f.RichTextBox(kColouredPiece, TOxQrRect{100, 200, 3000, 600});
  ASSERT_EQ(f.ColorTable.size(), 4u);
  EXPECT_EQ(f.ColorTable[1], "\\red0\\green128\\blue128;");  // document colour 2
  EXPECT_EQ(f.ColorTable[2], "\\red255\\green0\\blue0;");    // 3
  EXPECT_EQ(f.ColorTable[3], "\\red255\\green255\\blue0;");  // 4
  EXPECT_NE(box.find("\\cf2"), std::string::npos) << box;
  EXPECT_NE(box.find("\\cf3\\highlight4"), std::string::npos) << box;
  EXPECT_NE(box.find("\\cf0\\highlight0"), std::string::npos) << box;  // back to automatic and none
  EXPECT_EQ(box.find("\\cf1"), std::string::npos) << box;
  f.ClosePage();
  f.FinishJob();
  EXPECT_NE(File().find("{\\colortbl;\\red0\\green0\\blue0;\\red0\\green128\\blue128;\\red255\\green0\\blue0;"
                        "\\red255\\green255\\blue0;}"),
            std::string::npos);
}

TEST_F(RtfFilterTest, RichTextBoxKeepsItsGeometryAfterTheText) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  const std::string piece =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n"
      "\\viewkind4\\uc1\\pard\\lang1049\\f0\\fs20 Hi\\par\r\n}\r\n";
  EXPECT_EQ(f.RichTextBox(piece, TOxQrRect{100.4, 200.6, 3000, 600}),
            "\\par\\pard\\pvpg\\phpg\\posx100\\posy201\\absw20\\absh-20 \r\n"
            "{\\lang1024{\\*\\do\\dobxpage\\dobypage\\dptxbx{\\dptxbxtext{"
            "{\\plain\r\n\\viewkind1\\uc1\\pard\\f0\\expnd-1\\expndtw-6\\fs20" + Spacing("Arial", 20) +
                " Hi\\par\r\n}"
            "}}\\dpx100\\dpy201\\dpxsize3001\\dpysize601\\dplinehollow}}\r\n");
}

// Readers set a paragraph's lines by its spacing as it stands where its text begins: each
// paragraph gets the spacing of the font and size its text starts with, unless it has
// spacing of its own (until \pard ends that); group ends restore the font and size.
TEST(RtfRichPieceSpacing, EveryParagraphByTheFontItsTextStartsWith) {
  TRtfTableSink sink;
  int fonts = 0;
  sink.AddFont = [&](const std::string&) { return fonts++; };
  sink.AddColor = [](const std::string&) { return 1; };
  sink.LineSpacing = [](const std::string& face, int halfPoints) { return (face == "A" ? 1000 : 2000) + halfPoints; };
  const std::string piece =
      "{\\rtf1\\deff0{\\fonttbl{\\f0 A;}{\\f1 B;}}\\pard\\f1\\fs30 one\\par two {\\fs40 big}\\par\\pard\\sl-300 own\\par"
      "{\\f0 \\fs18 three}\\par\\pard\\plain four}";
  EXPECT_EQ(MergeRichTextPiece(piece, sink).Body,
            "{\\plain\\pard\\f1\\expnd-1\\expndtw-6\\fs30\\sl2030\\slmult1 one\\par\\sl2030\\slmult1 two "
            "{\\expnd-1\\expndtw-6\\fs40 big}\\par\\pard\\sl-300 own\\par{\\f0\\expnd-1\\expndtw-6\\fs18 three}"
            "\\par\\pard\\plain\\sl1024\\slmult1 four}");
}

// Our layout sets 10-point Arial at whole pixels without the font's line gap; readers add
// the gap, so their lines must be drawn closer together than single spacing.
TEST(RtfRichPieceSpacing, ReaderLinesOfArialAreSetCloser) {
  const int sl = RtfRichTextLineSpacing("Arial", 20);
  EXPECT_GT(sl, 200);
  EXPECT_LT(sl, 240);
  EXPECT_EQ(RtfRichTextLineSpacing("Arial", 0), 0);
}

struct PieceCase {
  const char* Name;
  std::string Piece;
  std::string Body;  // the text between "{\dptxbxtext{" and the geometry; "@" for the line spacing
  const char* Face = "";  // of the line spacing
  int HalfPoints = 0;
};

class RtfRichPieces : public RtfFilterTest, public ::testing::WithParamInterface<PieceCase> {};

TEST_P(RtfRichPieces, BodyWithoutHeaderOrTables) {
  TOxQRRTFFilter f(Dir() + "out.rtf");
  Open(f);
  f.FontIndex(TOxQrFontAttrib{});  // the report's font and colour come first
  f.ColorIndex(clBlack);
  const std::string box = f.RichTextBox(GetParam().Piece, TOxQrRect{0, 0, 100, 100});
  const std::string open = "{\\dptxbxtext{";
  const auto begin = box.find(open) + open.size();
  std::string body = GetParam().Body;
  if (const auto at = body.find('@'); at != std::string::npos)
    body.replace(at, 1, Spacing(GetParam().Face, GetParam().HalfPoints));
  EXPECT_EQ(box.substr(begin, box.find("}\\dpx") - begin), body + "}");
}

std::string ManyEntries() {
  std::string s = "{\\rtf1\\ansi\\deff0{\\fonttbl";
  for (int i = 0; i < 12; ++i) s += "{\\f" + std::to_string(i) + "\\fnil F" + std::to_string(i) + ";}";
  s += "}{\\colortbl ;";
  for (int i = 1; i < 12; ++i) s += "\\red" + std::to_string(i) + "\\green0\\blue0;";
  return s + "}\\f11\\cf11 a\\f1\\cf1 b\\f10\\cf10 c}";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfRichPieces,
    ::testing::Values(
        // A piece without colours: no table, but the header and font table still go.
        PieceCase{"NoColourTable", "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n"
                                   "\\viewkind4\\uc1\\pard\\f0\\fs20 plain\r\n}\r\n",
                  "{\\plain\r\n\\viewkind1\\uc1\\pard\\f1\\expnd-1\\expndtw-6\\fs20@ plain\r\n}", "Arial", 20},
        // Ten and more fonts and colours: numbers of two digits follow their entries.
        PieceCase{"TwoDigitNumbers", ManyEntries(), "{\\plain\\f12\\cf12@ a\\f2\\cf2 b\\f11\\cf11 c}", "F11", 24},
        // Dropped words never glue the words before them to the text after them.
        PieceCase{"DroppedLanguage", "{\\rtf1{\\fonttbl{\\f0 A;}}\\b\\lang1049 bold \\lang1049\\b0 x}",
                  "{\\plain\\b bold \\b0 x}"},
        // References to entries the piece lacks: its default font, the automatic colour.
        PieceCase{"UndefinedReferences", "{\\rtf1\\deff1{\\fonttbl{\\f0 A;}{\\f1 B;}}\\f7\\cf3 x}",
                  "{\\plain\\f2\\cf0 x}"},
        // Unbalanced input is closed, so that the document around it stays well formed.
        PieceCase{"Unbalanced", "{\\rtf1{\\fonttbl{\\f0 A;}}{\\b bold {\\i both", "{\\plain{\\b bold {\\i both}}}"},
        // Groups and escapes of the body pass unchanged; the flat font table form is read too.
        PieceCase{"FlatFontTable", "{\\rtf1{\\fonttbl\\f0\\fswiss Arial;\\f1\\froman Times;}\\f1 \\{x\\}\\'e9{\\*\\x y}}",
                  "{\\plain\\f2@\\{x\\}\\'e9{\\*\\x y}}", "Times", 24}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(RtfFilterTest, RichTextInTheBandAndOffWhenSwitchedOff) {
  for (const bool on : {true, false}) {
    SCOPED_TRACE(on);
    Settings().ExportRichText = on;
    TOxQRRTFFilter f(Dir() + "out.rtf");
    Open(f);
    TQRCustomBand band(TQRBandType::rbDetail);
    auto& control = band.Add<TQRLabel>();
    TMemoryStream rtf(kColouredPiece);
    rtf.SetPosition(rtf.Size());  // read from the start whatever the position
    const TBitmap graphic(200, 40);
    f.WriteRichText(control, graphic, rtf, 254, 508, false);
    f.ClosePage();
    f.FinishJob();
    const std::string file = File();
    EXPECT_EQ(Count(file, "\\dptxbx{\\dptxbxtext"), on ? 1u : 0u);
    if (on) {
      EXPECT_NE(file.find("\\dpx1440\\dpy2880\\dpxsize3001\\dpysize601\\dplinehollow"), std::string::npos);
    }
    EXPECT_EQ(Count(file, "{"), Count(file, "}"));
  }
}

}  // namespace
}  // namespace oxqr
