// The worksheet records, byte for byte.
#include <gtest/gtest.h>

#include <ostream>

#include <string>

#include "OxQrExport/excel/BiffRecords.h"
#include "excel/SheetRecords.h"

namespace oxqr {
namespace {

using testing::HexBytes;

template <class Emit>
std::string Bytes(Emit&& emit) {
  TMemoryStream s;
  emit(s);
  return HexBytes(s.Bytes());
}

TEST(BiffRecords, FileHeadAndEnd) {
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteBof(s); }), "09 08 06 00 00 00 10 00 00 00");
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteBof2(s); }), "09 00 04 00 02 00 10 00");
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteDimensions(s); }), "00 02 0A 00 00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteXf(s); }), "43 00 04 00 00 00 00 00");
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteXf(s, 5); }), "43 00 04 00 00 00 05 00");
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteEof(s); }), "0A 00 00 00");
}

TEST(BiffRecords, CodePageNamesWindowsLatinByItsOwnNumber) {
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteCodePage(s, 1252); }), "42 00 02 00 01 80");
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteCodePage(s, 1250); }), "42 00 02 00 E2 04");
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteCodePage(s, 1251); }), "42 00 02 00 E3 04");
}

TEST(BiffRecords, FontHeightInTwipsAndStyleFlags) {
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteFont(s, "Arial", 10, {}); }),
            "31 00 0A 00 C8 00 00 00 05 41 72 69 61 6C");
  EXPECT_EQ(Bytes([](TStream& s) {
              biff::WriteFont(s, "Ab", 12, {TFontStyle::fsBold, TFontStyle::fsItalic, TFontStyle::fsUnderline,
                                            TFontStyle::fsStrikeOut});
            }),
            "31 00 07 00 F0 00 0F 00 02 41 62");
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteFont(s, "A", 8, {TFontStyle::fsItalic}); }),
            "31 00 06 00 A0 00 02 00 01 41");
}

TEST(BiffRecords, LabelCarriesRowColumnAttributesAndAtMost255Characters) {
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteLabel(s, 1, 0, {0, 0, 0}, "Total"); }),
            "04 00 0D 00 01 00 00 00 00 00 00 05 54 6F 74 61 6C");
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteLabel(s, 0x1234, 0xFF, {0, 0xC0, 3}, "x"); }),
            "04 00 09 00 34 12 FF 00 00 C0 03 01 78");
  TMemoryStream s;
  biff::WriteLabel(s, 0, 0, {0, 0, 0}, std::string(300, 'a'));
  ASSERT_EQ(s.Bytes().size(), 4u + 8u + 255u);
  EXPECT_EQ(HexBytes(s.Bytes().substr(0, 12)), "04 00 07 01 00 00 00 00 00 00 00 FF");
}

TEST(BiffRecords, FormatIsALengthPrefixedString) {
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteFormat(s, "0.0"); }), "1E 00 04 00 03 30 2E 30");
}

struct NumericCase {
  const char* Name;
  double Value;
  const char* Expected;
  friend void PrintTo(const NumericCase& c, std::ostream* os) { *os << c.Name; }
};

class BiffNumeric : public ::testing::TestWithParam<NumericCase> {};

// Whole numbers 0 .. 65535 fit the 16-bit INTEGER; every other value is a NUMBER.
TEST_P(BiffNumeric, IntegerOnlyForUnsigned16BitValues) {
  EXPECT_EQ(Bytes([](TStream& s) { biff::WriteNumeric(s, 2, 1, {0, 0x40, 0}, GetParam().Value); }),
            GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, BiffNumeric,
    ::testing::Values(NumericCase{"Zero", 0, "02 00 09 00 02 00 01 00 00 40 00 00 00"},
                      NumericCase{"Max16Bit", 65535, "02 00 09 00 02 00 01 00 00 40 00 FF FF"},
                      NumericCase{"Above16Bit", 65536, "03 00 0F 00 02 00 01 00 00 40 00 00 00 00 00 00 00 F0 40"},
                      NumericCase{"MinusOne", -1, "03 00 0F 00 02 00 01 00 00 40 00 00 00 00 00 00 00 F0 BF"},
                      NumericCase{"Max32Bit", 2147483647,
                                  "03 00 0F 00 02 00 01 00 00 40 00 00 00 C0 FF FF FF DF 41"},
                      NumericCase{"Fraction", 1234.5, "03 00 0F 00 02 00 01 00 00 40 00 00 00 00 00 00 4A 93 40"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace oxqr
