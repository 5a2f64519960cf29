#pragma once
// The value axis of a chart: a range widened to "nice" ticks (steps of 1, 2 or 5 times a
// power of ten) and the texts of its ticks and of date categories.
#include <cstdint>
#include <string>
#include <vector>

namespace oxqr {

struct TAxisTicks {
  double Min = 0;   // the axis' first tick, at or below the lowest value
  double Max = 1;   // the axis' last tick, at or above the highest value
  double Step = 1;  // 1, 2 or 5 x 10^n
  std::vector<double> Values;  // Min, Min + Step, ... Max
};

// Ticks for values from `low` to `high` (either order) with at most `maxTicks` intervals
// (at least 1). The range always holds zero, so that bars start at the axis; an empty
// range (all values equal, or none) still gets one interval. Values that are not finite
// are treated as zero, so that a chart of bad data still draws an axis.
TAxisTicks NiceTicks(double low, double high, int maxTicks);

// A tick's text: as many decimals as the step needs, the locale's decimal separator and
// thousands separators ("1,250,000", "0.25", "-1,500").
std::string TickText(double value, double step);

// How date categories are labelled, chosen from the dates shown.
enum class TDateLabelStyle : std::uint8_t {
  Year,       // "2025": every date is the 1st of January
  MonthYear,  // "Mar 2025": every date is the 1st of a month
  DayMonth,   // "09 Mar 2025"
};

// The style that fits every one of `days` (days since 1899-12-30).
TDateLabelStyle DateLabelStyleFor(const std::vector<std::int64_t>& days);
// The text of the date `day` (days since 1899-12-30) in `style`.
std::string DateLabel(std::int64_t day, TDateLabelStyle style);

}  // namespace oxqr
