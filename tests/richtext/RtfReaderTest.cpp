// The RTF reader and writer: what a table of small documents reads as, that writing and
// reading again gives the same model, and that malformed input keeps what was read.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"

namespace oxqr {
namespace {

struct TReadCase {
  const char* Name;
  std::string Rtf;
  std::string Plain;  // PlainText of the whole document
};

const TReadCase kReadCases[] = {
    {"plain_paragraphs", R"({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}}\pard one\par two\par three})", "one\r\ntwo\r\nthree"},
    {"trailing_par_keeps_empty_paragraph", R"({\rtf1\ansi one\par })", "one\r\n"},
    {"hex_escape_and_unicode_skip", R"({\rtf1\ansi\ansicpg1252 caf\'e9 \uc1\u8364?x\uc2\u8364??y})", "caf\xe9 \x80x\x80y"},
    {"unicode_outside_code_page", R"({\rtf1\ansi\uc1\u1046?z})", "?z"},
    {"surrogate_pair", R"({\rtf1\ansi\uc1\u-10179?\u-8704?!})", "?!"},
    {"escaped_specials", R"({\rtf1\ansi a\\b\{c\}d\~e})", "a\\b{c}d\xa0" "e"},
    {"tab_and_line", R"({\rtf1\ansi a\tab b\line c})", "a\tb\vc"},
    {"ignorable_and_info_groups", R"({\rtf1\ansi{\info{\title T}{\author A}}{\*\generator X;}{\*\unknowndest zzz}text})", "text"},
    {"picture_skipped_with_binary", "{\\rtf1\\ansi a{\\pict\\wmetafile8 0102{ff}}b{\\pict\\bin3 }}{}c}", "abc"},
    {"field_result_kept", R"({\rtf1\ansi {\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}} end})", "link end"},
    {"symbols", R"({\rtf1\ansi \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})", "\x97\x96\x95\x91\x92\x93\x94"},
    {"unknown_words_ignored", R"({\rtf1\ansi\foo12\bar-3 x\zzz y})", "xy"},
    {"not_rtf_is_plain_text", "line 1\r\nline 2\nline 3", "line 1\r\nline 2\r\nline 3"},
    {"plain_text_drops_control_characters", std::string("{\\rt\x01x\0y\tz", 10), "{\\rtxy\tz"},
};

// A failing case shows its name rather than the bytes of the case.
void PrintTo(const TReadCase& c, std::ostream* os) { *os << c.Name; }

class RtfReadCases : public ::testing::TestWithParam<TReadCase> {};

TEST_P(RtfReadCases, ReadsTextAndRoundTrips) {
  SetAnsiCodePage(1252);
  const TRtfReadResult r = ReadRtf(GetParam().Rtf);
  EXPECT_TRUE(r.Ok()) << r.Error;
  EXPECT_EQ(r.Document.PlainText(), GetParam().Plain);
  const std::string written = WriteRtf(r.Document);
  const TRtfReadResult again = ReadRtf(written);
  EXPECT_TRUE(again.Ok()) << again.Error;
  EXPECT_EQ(again.Document, r.Document) << written;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RtfReadCases, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(RtfReader, ReadsCharacterAndParagraphFormats) {
  const std::string rtf =
      "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}{\\f1\\fswiss\\fcharset0 Arial;}}"
      "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
      "\\pard\\qc\\li720\\ri360\\fi-180\\sb120\\sa240\\sl-300\\slmult0 plain "
      "\\b bold\\b0  \\i\\f0\\fs28 ital\\i0  \\ul u\\ulnone  \\strike s\\strike0  \\cf1 red\\cf0  \\highlight2 hi\\highlight0\\par"
      "\\pard\\qj {\\plain reset}\\par\\pard\\qr r}";
  const TRtfReadResult r = ReadRtf(rtf);
  ASSERT_TRUE(r.Ok()) << r.Error;
  ASSERT_EQ(r.Document.Paragraphs.size(), 3u);
  const TRichParagraph& p = r.Document.Paragraphs[0];
  EXPECT_EQ(p.Format.Align, TRichAlign::raCenter);
  EXPECT_EQ(p.Format.LeftIndent, 720);
  EXPECT_EQ(p.Format.RightIndent, 360);
  EXPECT_EQ(p.Format.FirstIndent, -180);
  EXPECT_EQ(p.Format.SpaceBefore, 120);
  EXPECT_EQ(p.Format.SpaceAfter, 240);
  EXPECT_EQ(p.Format.LineSpacing, -300);
  auto runWith = [&](const std::string& text) -> const TRichRun& {
    for (const auto& run : p.Runs)
      if (run.Text == text) return run;
    ADD_FAILURE() << "no run " << text;
    return p.Runs.front();
  };
  EXPECT_EQ(runWith("plain ").Format.FontName, "Arial");  // \deff1
  EXPECT_EQ(runWith("plain ").Format.SizeHalfPoints, 24);
  EXPECT_TRUE(runWith("bold").Format.Bold);
  EXPECT_TRUE(runWith("ital").Format.Italic);
  EXPECT_EQ(runWith("ital").Format.FontName, "Times New Roman");
  EXPECT_EQ(runWith("ital").Format.Family, TRichFontFamily::froman);
  EXPECT_EQ(runWith("ital").Format.SizeHalfPoints, 28);
  EXPECT_TRUE(runWith("u").Format.Underline);
  EXPECT_TRUE(runWith("s").Format.StrikeOut);
  EXPECT_EQ(runWith("red").Format.Color, RGBColor(255, 0, 0));
  EXPECT_EQ(runWith("hi").Format.Highlight, RGBColor(0, 0, 255));
  EXPECT_EQ(runWith("hi").Format.Color, clNone);
  EXPECT_EQ(r.Document.Paragraphs[1].Format.Align, TRichAlign::raJustify);
  EXPECT_FALSE(r.Document.Paragraphs[1].Runs[0].Format.Bold);
  EXPECT_EQ(r.Document.Paragraphs[2].Format.Align, TRichAlign::raRight);
}

TEST(RtfWriter, WritesInRichEditStyle) {
  SetAnsiCodePage(1252);
  const TRichDocument doc = LoadRtf(
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}{\\colortbl ;\\red255\\green0\\blue0;}"
      "\\pard\\f0\\fs20 a \\cf1\\b red\\par next}");
  EXPECT_EQ(WriteRtf(doc),
            "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n"
            "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
            "\\viewkind4\\uc1\\pard\\f0\\fs20 a \\cf1\\b red\\par\r\n"
            "next\r\n}\r\n");
}

// A face readers would not find by its name carries the face that draws it as its
// alternative; the document reads back equal, alternative and all.
TEST(RtfWriter, FaceReadersLackNamesTheDrawnFace) {
  SetAnsiCodePage(1252);
  const TRichDocument doc = LoadRtf(
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fswiss\\fcharset0 Impact;}}"
      "\\pard\\f0\\fs20 a \\f1 heading}");
  const std::string rtf = WriteRtf(doc);
  EXPECT_EQ(rtf.substr(0, rtf.find("\r\n")),
            "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
            "{\\f1\\fswiss\\fcharset0 Impact{\\*\\falt DejaVu Sans Condensed};}}");
  EXPECT_EQ(WriteRtf(LoadRtf(rtf)), rtf);
  EXPECT_EQ(LoadRtf(rtf).Paragraphs[0].Runs.back().Format.FontName, "Impact");
}

TEST(RtfWriter, RangeCoversExactlyItsCharacters) {
  const TRichDocument doc = LoadRtf("{\\rtf1\\ansi abc\\par {\\b def}\\par ghi}");
  const int n = doc.TextLength();
  ASSERT_EQ(n, 11);
  for (int a = 0; a <= n; ++a) {
    for (int b = a; b <= n; ++b) {
      const TRichDocument part = LoadRtf(RangeAsRtf(doc, a, b));
      EXPECT_EQ(part.TextLength(), b - a) << a << ".." << b;
      EXPECT_EQ(part.PlainText(), doc.PlainText(a, b)) << a << ".." << b;
      EXPECT_EQ(doc.PlainText(0, a) + doc.PlainText(a, b) + doc.PlainText(b, n), doc.PlainText());
    }
  }
  EXPECT_TRUE(LoadRtf(RangeAsRtf(doc, 4, 7)).Paragraphs[0].Runs[0].Format.Bold);
}

struct TBadCase {
  const char* Name;
  std::string Rtf;
  std::string KeptText;  // text the reader must still deliver
};

const TBadCase kBadCases[] = {
    {"missing_closing_brace", "{\\rtf1\\ansi hello {\\b world", "hello world"},
    {"truncated_after_backslash", "{\\rtf1\\ansi abc\\", "abc"},
    {"truncated_hex", "{\\rtf1\\ansi abc\\'4", "abc"},
    {"binary_past_end", "{\\rtf1\\ansi ok\\bin99999 xyz}", "ok"},
    {"deep_nesting", "{\\rtf1\\ansi start" + std::string(100000, '{') + "x" + std::string(100000, '}') + " end}", "start"},
    {"deep_nesting_unclosed", "{\\rtf1\\ansi start" + std::string(100000, '{'), "start"},
};

void PrintTo(const TBadCase& c, std::ostream* os) { *os << c.Name; }

class RtfBadCases : public ::testing::TestWithParam<TBadCase> {};

TEST_P(RtfBadCases, ReportsErrorAndKeepsText) {
  const TRtfReadResult r = ReadRtf(GetParam().Rtf);
  EXPECT_FALSE(r.Ok());
  EXPECT_NE(r.Document.PlainText().find(GetParam().KeptText), std::string::npos) << r.Document.PlainText();
  EXPECT_THROW(LoadRtf(GetParam().Rtf), EInvalidData);
}

INSTANTIATE_TEST_SUITE_P(Malformed, RtfBadCases, ::testing::ValuesIn(kBadCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(RtfReader, AbsurdNumbersAreClamped) {
  const TRtfReadResult r = ReadRtf(
      "{\\rtf1\\ansi\\fs99999999999999999999\\li-99999999999\\uc999999 a\\uc1\\u99999999999 ?\\cf4294967296 b}");
  ASSERT_FALSE(r.Document.Paragraphs.empty());
  const TRichParagraph& p = r.Document.Paragraphs[0];
  EXPECT_LE(p.Runs.at(0).Format.SizeHalfPoints, 3276);
  EXPECT_GE(p.Format.LeftIndent, -31680);
  EXPECT_EQ(r.Document.PlainText().back(), 'b');
}

}  // namespace
}  // namespace oxqr
