// Value axes: ranges widened to nice ticks, and the texts of ticks and date categories.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "charting/ChartAxis.h"
#include "data/DisplayFormat.h"
#include "platform/Locale.h"

namespace oxqr {
namespace {

struct TTickCase {
  const char* Name;
  double Low, High;
  int MaxTicks;
  double Min, Max, Step;
};

class NiceTicksTest : public testing::TestWithParam<TTickCase> {};

TEST_P(NiceTicksTest, CoversTheRangeWithNiceSteps) {
  const TTickCase& c = GetParam();
  const TAxisTicks t = NiceTicks(c.Low, c.High, c.MaxTicks);
  EXPECT_DOUBLE_EQ(t.Min, c.Min);
  EXPECT_DOUBLE_EQ(t.Max, c.Max);
  EXPECT_DOUBLE_EQ(t.Step, c.Step);
  ASSERT_FALSE(t.Values.empty());
  EXPECT_DOUBLE_EQ(t.Values.front(), t.Min);
  EXPECT_NEAR(t.Values.back(), t.Max, t.Step * 1e-9);
  EXPECT_LE(static_cast<int>(t.Values.size()) - 1, std::max(c.MaxTicks, 1) + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, NiceTicksTest,
    testing::Values(TTickCase{"ZeroToHundred", 0, 100, 5, 0, 100, 20},
                    TTickCase{"PositiveStartsAtZero", 37, 93, 5, 0, 100, 20},
                    TTickCase{"Sales", 0, 18234.5, 5, 0, 20000, 5000},
                    TTickCase{"Millions", 0, 1'250'000, 6, 0, 1'500'000, 500'000},
                    TTickCase{"Fractions", 0, 0.73, 4, 0, 0.8, 0.2},
                    TTickCase{"NegativeOnly", -47, -3, 5, -50, 0, 10},
                    TTickCase{"AcrossZero", -120, 340, 5, -200, 400, 100},
                    TTickCase{"ReversedBounds", 93, 37, 5, 0, 100, 20},
                    TTickCase{"AllZero", 0, 0, 5, 0, 1, 1},
                    TTickCase{"OneValue", 7, 7, 5, 0, 8, 2},
                    TTickCase{"OneTickOnly", 0, 95, 1, 0, 100, 100},
                    TTickCase{"NoTicksAsked", 0, 95, 0, 0, 100, 100},
                    TTickCase{"NotANumber", std::nan(""), 50, 5, 0, 50, 10},
                    TTickCase{"Infinite", 0, std::numeric_limits<double>::infinity(), 5, 0, 1, 1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(NiceTicks, HugeRangesStayBounded) {
  const TAxisTicks t = NiceTicks(-1e308, 1e308, 5);
  EXPECT_TRUE(std::isfinite(t.Step));
  EXPECT_LE(t.Values.size(), 1001u);
  EXPECT_LE(t.Min, -1e308);
}

TEST(TickText, DecimalsFollowTheStepAndThousandsAreSeparated) {
  const struct {
    double Value, Step;
    const char* Text;
  } cases[] = {{1'250'000, 250'000, "1,250,000"}, {0.25, 0.05, "0.25"}, {-1500, 500, "-1,500"},
               {0.4, 0.2, "0.4"},                 {0, 0.2, "0.0"},       {1e-17, 0.1, "0.0"}};
  for (const auto& c : cases) EXPECT_EQ(TickText(c.Value, c.Step), c.Text) << c.Value;
}

TEST(TickText, UsesTheLocaleSeparators) {
  SetThousandSeparator('.');
  SetDecimalSeparator(',');
  EXPECT_EQ(TickText(12500.5, 0.5), "12.500,5");
  SetThousandSeparator(',');
  SetDecimalSeparator('.');
}

TEST(DateLabels, StyleFitsEveryDate) {
  const auto day = [](int y, int m, int d) {
    return static_cast<std::int64_t>(DateTimeToSerial(TDateTimeParts{y, m, d}));
  };
  EXPECT_EQ(DateLabelStyleFor({day(2024, 1, 1), day(2025, 1, 1)}), TDateLabelStyle::Year);
  EXPECT_EQ(DateLabelStyleFor({day(2025, 1, 1), day(2025, 3, 1)}), TDateLabelStyle::MonthYear);
  EXPECT_EQ(DateLabelStyleFor({day(2025, 3, 1), day(2025, 3, 9)}), TDateLabelStyle::DayMonth);
  EXPECT_EQ(DateLabel(day(2025, 3, 1), TDateLabelStyle::MonthYear), "Mar 2025");
  EXPECT_EQ(DateLabel(day(2025, 3, 9), TDateLabelStyle::DayMonth), "09 Mar 2025");
  EXPECT_EQ(DateLabel(day(2024, 1, 1), TDateLabelStyle::Year), "2024");
}

}  // namespace
}  // namespace oxqr
