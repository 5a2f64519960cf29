// The RTF format's small emitters, byte for byte.
#include <gtest/gtest.h>

#include "OxQrExport/rtf/RtfMarkup.h"
#include "platform/Bitmap.h"
#include "platform/Streams.h"

namespace oxqr {
namespace {

struct EscapeCase {
  const char* Name;
  std::string In;
  std::string Out;
};

class RtfEscapeTextCases : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(RtfEscapeTextCases, WritesSevenBitText) { EXPECT_EQ(RtfEscapeText(GetParam().In), GetParam().Out); }

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfEscapeTextCases,
    ::testing::Values(EscapeCase{"Braces", "a{b}\\c", "a\\{b\\}\\\\c"},
                      EscapeCase{"Plain", "Total: 12.50 (net)", "Total: 12.50 (net)"},
                      // "Müller café € 1½" in code page 1252
                      EscapeCase{"AboveAscii", "M\xfcller caf\xe9 \x80 1\xbd", "M\\'fcller caf\\'e9 \\'80 1\\'bd"},
                      EscapeCase{"ControlCharacters", std::string("a\tb\x01", 4), "a\\'09b\\'01"},
                      EscapeCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(RtfMarkup, HexLEReversesBytePairs) {
  EXPECT_EQ(HexLE(78, 8), "4E000000");
  EXPECT_EQ(HexLE(2, 4), "0200");
  EXPECT_EQ(HexLE(0x12345678, 8), "78563412");
  EXPECT_EQ(HexLE(0xABCD, 4), "CDAB");
  EXPECT_EQ(HexBytes(std::string("\x00\x7f\xff\x1a", 4)), "007FFF1A");
}

TEST(RtfMarkup, NumbersRoundHalfToEven) {
  EXPECT_EQ(RtfNumber(2.5), "2");
  EXPECT_EQ(RtfNumber(3.5), "4");
  EXPECT_EQ(RtfNumber(-0.4), "0");
  EXPECT_EQ(RtfNumber(11905.511811), "11906");
}

TEST(RtfMarkup, DrawingObjectsCountTheirEndPixel) {
  EXPECT_EQ(RtfRectObject(100, 200, 400, 260),
            "{\\*\\do\\dobxpage\\dobypage\\dprect\\dpx100\\dpy200\\dpxsize301\\dpysize61");
  EXPECT_EQ(RtfLineObject(100, 200, 400, 200, "<line>"),
            "{\\*\\do\\dobxpage\\dobypage\\dpline\\dpptx0\\dppty0\\dpptx300\\dppty0\\dpx100\\dpy200\\dpxsize301"
            "\\dpysize1\\dplinesolid<line>");
}

// A 2 x 2 bitmap of 24 bits: a 70-byte file, 42 words in its record.
TEST(RtfMarkup, MetafileWrapperOfATwoByTwoBitmap) {
  TBitmap bitmap(2, 2, TPixelFormat::pf24bit);
  TMemoryStream file;
  bitmap.SaveToStream(file);
  ASSERT_EQ(file.Size(), 70);
  const unsigned long words = static_cast<unsigned long>(file.Size()) / 2 + 7;
  EXPECT_EQ(MetafileWrapper(words, 2, 2),
            "0100090000034E00000000002A0000000000"                       // header
            "050000000b0200000000"                                       // SetWindowOrg 0, 0
            "050000000c0202000200"                                       // SetWindowExt 2, 2
            "05000000090200000000050000000102ffffff000400000007010300"   // colours, stretch mode
            "2A000000430f2000cc000000"                                   // StretchDIB head
            "0200020000000000"                                           // source
            "0200020000000000"                                           // destination
            "\r\n");
}

}  // namespace
}  // namespace oxqr
