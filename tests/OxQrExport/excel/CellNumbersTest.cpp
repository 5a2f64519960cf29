// Which cell texts are numbers: whole decimal texts only.
#include <gtest/gtest.h>

#include <ostream>

#include <optional>
#include <string>

#include "OxQrExport/excel/CellNumbers.h"
#include "OxQrExport/excel/NumberFormats.h"

namespace oxqr {
namespace {

struct DecimalCase {
  const char* Name;
  const char* Text;
  char Decimal;
  std::optional<double> Expected;
  friend void PrintTo(const DecimalCase& c, std::ostream* os) { *os << c.Name; }
};

class StrictDecimal : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(StrictDecimal, WholeTextOrNothing) {
  const auto& c = GetParam();
  EXPECT_EQ(ParseStrictDecimal(c.Text, c.Decimal), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrictDecimal,
    ::testing::Values(DecimalCase{"Integer", "1234", '.', 1234}, DecimalCase{"Signed", "-7", '.', -7},
                      DecimalCase{"PlusSign", "+42", '.', 42}, DecimalCase{"Decimals", "1234.50", '.', 1234.5},
                      DecimalCase{"LeadingPoint", ".5", '.', 0.5}, DecimalCase{"TrailingPoint", "5.", '.', 5},
                      DecimalCase{"Exponent", "1E5", '.', 100000}, DecimalCase{"NegativeExponent", "25e-1", '.', 2.5},
                      DecimalCase{"Blanks", "  42 ", '.', 42}, DecimalCase{"CommaDecimal", "3,25", ',', 3.25},
                      DecimalCase{"TrailingLetters", "12abc", '.', std::nullopt},
                      DecimalCase{"NotANumber", "nan", '.', std::nullopt},
                      DecimalCase{"Infinity", "inf", '.', std::nullopt},
                      DecimalCase{"Hexadecimal", "0x1A", '.', std::nullopt},
                      DecimalCase{"Empty", "", '.', std::nullopt}, DecimalCase{"SignOnly", "-", '.', std::nullopt},
                      DecimalCase{"PointOnly", ".", '.', std::nullopt},
                      DecimalCase{"TwoPoints", "1.2.3", '.', std::nullopt},
                      DecimalCase{"ExponentWithoutDigits", "1e", '.', std::nullopt},
                      DecimalCase{"InnerBlank", "1 234", '.', std::nullopt},
                      DecimalCase{"OtherSeparator", "3.25", ',', std::nullopt},
                      DecimalCase{"Overflow", "1e400", '.', std::nullopt},
                      DecimalCase{"Date", "12/24/2026", '.', std::nullopt},
                      DecimalCase{"Currency", "$1234.50", '.', std::nullopt}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CellNumbers, ThousandSeparatorsGoBeforeTheTest) {
  EXPECT_EQ(RemoveThousandSeparators("1,234,567.5", ','), "1234567.5");
  EXPECT_EQ(ParseStrictDecimal(RemoveThousandSeparators("1.234,5", '.'), ','), 1234.5);
}

TEST(NumberFormats, DisplayFormatsBecomeWorksheetFormats) {
  EXPECT_EQ(WorksheetFormat("'#'0000"), "\"#\"0000");
  EXPECT_EQ(WorksheetFormat("#,##0.00;(#,##0.00)"), "#,##0.00;(#,##0.00)");
  EXPECT_EQ(WorksheetFormat("dd/mm/yyyy hh:nn"), "dd/mm/yyyy hh:mm");
  EXPECT_EQ(FieldWorksheetFormat(TFieldType::ftCurrency, "", false), "$#,##0.00");
  EXPECT_EQ(FieldWorksheetFormat(TFieldType::ftDate, "", false), "m/d/yyyy");
  EXPECT_EQ(FieldWorksheetFormat(TFieldType::ftDateTime, "", true), "m/d/yyyy h:mm:ss AM/PM");
  EXPECT_EQ(FieldWorksheetFormat(TFieldType::ftFloat, "", false), "General");
  EXPECT_EQ(FieldWorksheetFormat(TFieldType::ftInteger, "'#'0000", false), "\"#\"0000");
}

}  // namespace
}  // namespace oxqr
