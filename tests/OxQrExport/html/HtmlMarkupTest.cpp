// The HTML emitters that need no filter: text escaping, URLs, font shorthands, character sets.
#include <gtest/gtest.h>

#include "OxQrExport/html/HtmlFilter.h"
#include "OxQrExport/html/HtmlMarkup.h"

namespace oxqr {
namespace {

struct TextCase {
  const char* name;
  std::string line;
  std::string stored;
};

class HtmlEncodeText : public ::testing::TestWithParam<TextCase> {};

TEST_P(HtmlEncodeText, StoresTheLineAsMarkup) {
  TOxQRHTMLFilter filter("unused.htm");
  EXPECT_EQ(filter.EncodeText(GetParam().line), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Lines, HtmlEncodeText,
                         ::testing::Values(TextCase{"Blanks", "Total  due", "Total&nbsp;&nbsp;due"},
                                           TextCase{"RawMarkupPrefix", "\x01\x01\x01<B>x</B>", "<B>x</B>"},
                                           TextCase{"RawPrefixKeepsBlanks", "\x01\x01\x01<B>a b</B>", "<B>a b</B>"},
                                           TextCase{"TwoPrefixCharsAreText", "\x01\x01<B>", "\x01\x01&lt;B&gt;"},
                                           TextCase{"MarkupCharactersInData", "Smith & Jones <Ltd>",
                                                    "Smith&nbsp;&amp;&nbsp;Jones&nbsp;&lt;Ltd&gt;"},
                                           TextCase{"EntityLikeData", "x<y, y>z, &copy 2024",
                                                    "x&lt;y,&nbsp;y&gt;z,&nbsp;&amp;copy&nbsp;2024"},
                                           TextCase{"QuotesAndEightBitBytesStay", "\"O'Brien\" \xE9t\xE9",
                                                    "\"O'Brien\"&nbsp;\xE9t\xE9"},
                                           TextCase{"Empty", "", ""}),
                         [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(HtmlMarkup, EscapesAttributeValuesAndEncodesFileReferences) {
  EXPECT_EQ(html::EscapeMarkup("O\"Brien & Sons <x>"), "O&quot;Brien &amp; Sons &lt;x&gt;");
  EXPECT_EQ(html::EncodeUrl("Q1 #2_I0001.jpg"), "Q1 %232_I0001.jpg");
  EXPECT_EQ(html::EncodeUrl("100%?\"x\".htm"), "100%25%3F%22x%22.htm");
  EXPECT_EQ(html::EncodeUrl("pics/sales_I0001.jpg"), "pics/sales_I0001.jpg");
  // Bytes above 127 (UTF-8 or code page text alike) and reserved bytes, so that the link does
  // not depend on the page's character set.
  EXPECT_EQ(html::EncodeUrl("r \xC3\xA9#1/caf\xE9.htm"), "r %C3%A9%231/caf%E9.htm");
  EXPECT_EQ(html::EncodeUrl("a:b;c&d=e[1]@x+y'z'(1)!$*,\\t<>`^{|}"),
            "a%3Ab%3Bc%26d%3De%5B1%5D%40x%2By%27z%27%281%29%21%24%2A%2C%5Ct%3C%3E%60%5E%7B%7C%7D");
}

TEST(HtmlMarkup, FontShorthandPutsItalicBeforeBoldAndDecorationsAfterTheFace) {
  TOxQrFontAttrib f;
  f.Name = "Arial";
  f.Size = 10;
  EXPECT_EQ(html::FontShorthand(f), "10pt Arial; color:#000000");
  f.Style = {TFontStyle::fsBold};
  EXPECT_EQ(html::FontShorthand(f), "bold 10pt Arial; color:#000000");
  f.Name = "Times New Roman";
  f.Size = 12;
  f.Color = clRed;
  f.Style = {TFontStyle::fsBold, TFontStyle::fsItalic, TFontStyle::fsUnderline, TFontStyle::fsStrikeOut};
  EXPECT_EQ(html::FontShorthand(f),
            "italic bold 12pt Times New Roman; text-decoration: underline line-through; color:#FF0000");
  f.Style = {TFontStyle::fsStrikeOut};
  EXPECT_EQ(html::FontShorthand(f), "12pt Times New Roman; text-decoration: line-through; color:#FF0000");
}

// A face readers would not find by its name is followed by the face that draws it and its
// generic family; faces they find stay alone.
TEST(HtmlMarkup, FontFamilyListAddsTheDrawnFaceWhereReadersLackTheNamedOne) {
  const std::pair<const char*, const char*> cases[] = {
      {"Arial", "Arial"},
      {"Courier New", "Courier New"},
      {"DejaVu Serif", "DejaVu Serif"},
      {"Impact", "Impact, DejaVu Sans Condensed, sans-serif"},
      {"No Such Face 123", "No Such Face 123, Liberation Sans, sans-serif"},
  };
  for (const auto& [name, list] : cases) EXPECT_EQ(html::FontFamilyList(name), list) << name;
  TOxQrFontAttrib f;
  f.Name = "Impact";
  f.Size = 16;
  EXPECT_EQ(html::FontShorthand(f), "16pt Impact, DejaVu Sans Condensed, sans-serif; color:#000000");
}

TEST(HtmlMarkup, CharsetNamesTheSetOfTheCodePagesBytes) {
  const std::pair<int, const char*> cases[] = {
      {1252, "ISO-8859-1"},   {1250, "windows-1250"},
      {1251, "windows-1251"}, {1253, "windows-1253"},
      {1256, "windows-1256"}, {1254, "ISO-8859-9"},
      {874, "ISO-8859-11"},   {932, "Windows-932"},
      {1257, "ISO-8859-13"},  {437, ""},
  };
  for (const auto& [codePage, charset] : cases) EXPECT_EQ(html::CharsetOfCodePage(codePage), charset) << codePage;
}

TEST(HtmlMarkup, NavigatorLinksLeadNowhereWithoutAFile) {
  const std::string file = "Q1 #2_0002.htm";
  EXPECT_EQ(html::NavigatorLink(&file, "Next Page", "&#9654;"),
            "<A HREF=\"Q1 %232_0002.htm\" TITLE=\"Next Page\">&#9654;</A>");
  EXPECT_EQ(html::NavigatorLink(nullptr, "First Page", "First"), "<A TITLE=\"First Page\">First</A>");
}

TEST(HtmlMarkup, GraphicNavigatorWritesArrowsEveryFontHas) {
  const auto wingdings = html::NavigatorContents(false, false, "F", "P", "N", "L");
  EXPECT_EQ(wingdings.First + wingdings.Prev + wingdings.Next + wingdings.Last, "&#9650;&#9664;&#9654;&#9660;");
  EXPECT_EQ(wingdings.FontName, "Wingdings");
  EXPECT_EQ(wingdings.MeasureText, u"\u25B2 ");
  const auto webdings = html::NavigatorContents(false, true, "F", "P", "N", "L");
  EXPECT_EQ(webdings.First + webdings.Prev + webdings.Next + webdings.Last, "&#9198;&#9664;&#9654;&#9197;");
  EXPECT_EQ(webdings.FontName, "Webdings");
  const auto text = html::NavigatorContents(true, true, "<<", "Back", "Next", "End & out");
  EXPECT_EQ(text.First + "|" + text.Last, "&lt;&lt;|End &amp; out");
  EXPECT_EQ(text.FontName, "Arial");
}

}  // namespace
}  // namespace oxqr
