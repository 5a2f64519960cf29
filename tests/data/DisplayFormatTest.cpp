// Display formats of field values: numeric masks, currency and dates.
#include <gtest/gtest.h>

#include <optional>

#include "data/DisplayFormat.h"
#include "platform/Locale.h"

namespace oxqr {
namespace {

// Pins the US separators for a test and restores the previous ones.
class DisplayFormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    decimal_ = DecimalSeparator();
    thousand_ = ThousandSeparator();
    SetDecimalSeparator('.');
    SetThousandSeparator(',');
  }
  void TearDown() override {
    SetDecimalSeparator(decimal_);
    SetThousandSeparator(thousand_);
  }

 private:
  char decimal_ = '.';
  char thousand_ = ',';
};

TEST_F(DisplayFormatTest, NumericMasks) {
  const struct {
    const char* Format;
    double Value;
    const char* Expected;
  } cases[] = {
      {"'#'0000", 1003, "#1003"},
      {"'#'0000", 7, "#0007"},
      {"'#'0000", 123456, "#123456"},
      {"0.00", 3.14159, "3.14"},
      {"0.00", 2.675, "2.68"},  // decided on the decimal digits, not the binary value
      {"0.00", -0.001, "0.00"},  // no minus sign on a number shown as zero
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0.00", 999.995, "1,000.00"},
      {"#,##0.00", -1234.5, "-1,234.50"},
      {"0.##", 1, "1"},
      {"0.##", 1.5, "1.5"},
      {"#", 0, ""},
      {"000", 7, "007"},
      {"#,##0;(#,##0)", -1234, "(1,234)"},
      {"0;-0;\"zero\"", 0, "zero"},
      {"\"$\"#,##0.00 \"net\"", 42, "$42.00 net"},
      {"00-00", 1234, "12-34"},
      {"0.0E+00", 12345, "1.2E+04"},
      {"", 0.5, "0.5"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFloat(c.Format, c.Value), c.Expected) << c.Format << " " << c.Value;
}

TEST_F(DisplayFormatTest, CurrencyUsesTheLocaleSeparators) {
  EXPECT_EQ(FormatCurrency(1234.5), "$1,234.50");
  EXPECT_EQ(FormatCurrency(0), "$0.00");
  EXPECT_EQ(FormatCurrency(-5), "-$5.00");
  EXPECT_EQ(FormatCurrency(1234567.005), "$1,234,567.01");
  SetDecimalSeparator(',');
  SetThousandSeparator('.');
  EXPECT_EQ(FormatCurrency(1234.5), "$1.234,50");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
}

TEST_F(DisplayFormatTest, DateMasks) {
  const TDateTimeParts dt{2026, 3, 5, 14, 7, 9, 0};
  const struct {
    const char* Format;
    const char* Expected;
  } cases[] = {
      {"dd/mm/yyyy", "05/03/2026"},
      {"mm/dd/yy", "03/05/26"},
      {"m/d/yyyy", "3/5/2026"},
      {"dddd, mmmm d", "Thursday, March 5"},
      {"ddd d mmm yyyy", "Thu 5 Mar 2026"},
      {"hh:mm", "14:07"},  // m right after an hour means minutes
      {"h:nn AM/PM", "2:07 PM"},
      {"h:nn:ss am/pm", "2:07:09 pm"},
      {"yyyy-mm-dd\"T\"hh:nn", "2026-03-05T14:07"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.Format, dt), c.Expected) << c.Format;
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", TDateTimeParts{2026, 1, 1, 0, 5}), "12:05 AM");
  EXPECT_EQ(FormatDateTime("h:nn AM/PM", TDateTimeParts{2026, 1, 1, 12, 0}), "12:00 PM");
}

TEST(IsoDateTime, ParsesStoredTextAndRejectsNonsense) {
  EXPECT_EQ(ParseIsoDateTime("2024-02-29"), (TDateTimeParts{2024, 2, 29}));
  EXPECT_EQ(ParseIsoDateTime("2024-02-29 08:30:15"), (TDateTimeParts{2024, 2, 29, 8, 30, 15}));
  const auto t = ParseIsoDateTime("21:05:00");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->Hour, 21);
  EXPECT_EQ(t->Minute, 5);
  EXPECT_FALSE(ParseIsoDateTime("tomorrow"));
  EXPECT_FALSE(ParseIsoDateTime("2024-13-01"));
  EXPECT_DOUBLE_EQ(DateTimeToSerial({1899, 12, 30}), 0.0);
  EXPECT_DOUBLE_EQ(DateTimeToSerial({2000, 1, 1, 12, 0, 0}), 36526.5);
}

// The usual stored forms are read directly, everything else by the scanner: both readings
// must agree at the seams between them.
TEST(IsoDateTime, StoredFormsAndTheirNearMisses) {
  struct Case {
    const char* Text;
    std::optional<TDateTimeParts> Expected;
  };
  const Case cases[] = {
      {"2024-02-29T08:30:15", TDateTimeParts{2024, 2, 29, 8, 30, 15}},
      {"2024-02-29 08:30:15.250", TDateTimeParts{2024, 2, 29, 8, 30, 15, 250}},
      {"2024-02-29 08:30:15.5", TDateTimeParts{2024, 2, 29, 8, 30, 15, 5}},
      {"2024-02-29x08:30:15", TDateTimeParts{2024, 2, 29, 8, 30, 15}},
      {"2024-02-29 08:30", TDateTimeParts{2024, 2, 29, 8, 30}},
      {"2024-2-29", TDateTimeParts{2024, 2, 29}},
      {" 2024-02-29", TDateTimeParts{2024, 2, 29}},
      {"2024-02-29 24:00:00", std::nullopt},
      {"2024-00-10", std::nullopt},
      {"2024-02-29 08:60:00.000", std::nullopt},
      {"20a4-02-29", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIsoDateTime(c.Text), c.Expected) << c.Text;
}

}  // namespace
}  // namespace oxqr
