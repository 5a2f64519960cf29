// Quoting, plain values and the formula guard of CSV fields.
#include <gtest/gtest.h>

#include "OxQrExport/csv/CsvFields.h"

namespace oxqr {
namespace {

TEST(CsvFields, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(CsvQuote("plain text", ','), "plain text");
  EXPECT_EQ(CsvQuote("a,b", ','), "\"a,b\"");
  EXPECT_EQ(CsvQuote("a,b", ';'), "a,b");
  EXPECT_EQ(CsvQuote("a;b", ';'), "\"a;b\"");
  EXPECT_EQ(CsvQuote("a\tb", '\t'), "\"a\tb\"");
  EXPECT_EQ(CsvQuote("say \"hi\"", ','), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(CsvQuote("two\r\nlines", ','), "\"two\r\nlines\"");
  EXPECT_EQ(CsvQuote("", ','), "");
}

TEST(CsvFields, NumbersAreUnformatted) {
  EXPECT_EQ(PlainNumberText(1234.5), "1234.5");
  EXPECT_EQ(PlainNumberText(-3), "-3");
  EXPECT_EQ(PlainNumberText(-0.0), "0");
  EXPECT_EQ(PlainNumberText(0.1), "0.1");
  EXPECT_EQ(PlainNumberText(123456789012), "123456789012");
  EXPECT_EQ(PlainNumberText(1e20), "1e+20");
}

TEST(CsvFields, DatesInIso8601) {
  EXPECT_EQ(IsoDateText(46000, false, false), "2025-12-09");
  EXPECT_EQ(IsoDateText(2, false, false), "1900-01-01");
  EXPECT_EQ(IsoDateText(60, false, false), "1900-02-28");
  EXPECT_EQ(IsoDateText(46000.5729166667, true, false), "2025-12-09T13:45:00");
  EXPECT_EQ(IsoDateText(0.25, false, true), "06:00:00");
  EXPECT_EQ(IsoDateText(-1, false, false), "1899-12-29");
  EXPECT_EQ(IsoDateText(45351, false, false), "2024-02-29");
}

TEST(CsvFields, FormulaGuard) {
  for (const char* formula : {"=1+1", "+1", "-2", "@SUM(A1)", "\tx", "\rx"})
    EXPECT_EQ(GuardFormula(formula), std::string("'") + formula) << formula;
  for (const char* text : {"", "1+1", "a=b", " =1", "'quoted"}) EXPECT_EQ(GuardFormula(text), text) << text;
}

}  // namespace
}  // namespace oxqr
