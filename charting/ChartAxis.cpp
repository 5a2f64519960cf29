#include "ChartAxis.h"

#include <algorithm>
#include <cmath>

#include "data/DisplayFormat.h"

namespace oxqr {

namespace {

double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

// The smallest step 1, 2 or 5 x 10^n at least `rough`.
double NiceStep(double rough) {
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= rough * (1 - 1e-9)) return m * power;
  return 10 * power;
}

}  // namespace

TAxisTicks NiceTicks(double low, double high, int maxTicks) {
  low = Finite(low);
  high = Finite(high);
  if (low > high) std::swap(low, high);
  low = std::min(low, 0.0);
  high = std::max(high, 0.0);
  maxTicks = std::max(maxTicks, 1);
  TAxisTicks t;
  if (high - low <= 0 || !std::isfinite(high - low)) {
    // No spread, or one beyond doubles: a single interval of 1 (or of the value's size).
    const double size = std::max(std::abs(low), std::abs(high));
    t.Step = size > 0 && std::isfinite(size) ? NiceStep(size) : 1;
    if (!std::isfinite(high - low)) t.Step = NiceStep(std::max(std::abs(low), std::abs(high)) / maxTicks * 2);
  } else {
    t.Step = NiceStep((high - low) / maxTicks);
  }
  t.Min = std::floor(low / t.Step + 1e-9) * t.Step;
  t.Max = std::ceil(high / t.Step - 1e-9) * t.Step;
  if (t.Max <= t.Min) t.Max = t.Min + t.Step;
  const long count = std::lround((t.Max - t.Min) / t.Step);
  for (long i = 0; i <= count && i <= 1000; ++i) {
    double v = t.Min + static_cast<double>(i) * t.Step;
    if (std::abs(v) < t.Step * 1e-9) v = 0;  // no "-0" from rounding
    t.Values.push_back(v);
  }
  return t;
}

std::string TickText(double value, double step) {
  int decimals = 0;
  if (step > 0 && step < 1) decimals = std::min(10, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
  std::string mask = "#,##0";
  if (decimals > 0) mask += "." + std::string(static_cast<std::size_t>(decimals), '0');
  if (std::abs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;
  return FormatFloat(mask, value);
}

TDateLabelStyle DateLabelStyleFor(const std::vector<std::int64_t>& days) {
  TDateLabelStyle style = TDateLabelStyle::Year;
  for (const std::int64_t d : days) {
    const TDateTimeParts p = SerialToDateTime(static_cast<double>(d));
    if (p.Day != 1) return TDateLabelStyle::DayMonth;
    if (p.Month != 1) style = TDateLabelStyle::MonthYear;
  }
  return style;
}

std::string DateLabel(std::int64_t day, TDateLabelStyle style) {
  const TDateTimeParts p = SerialToDateTime(static_cast<double>(day));
  switch (style) {
    case TDateLabelStyle::Year: return FormatDateTime("yyyy", p);
    case TDateLabelStyle::MonthYear: return FormatDateTime("mmm yyyy", p);
    case TDateLabelStyle::DayMonth: break;
  }
  return FormatDateTime("dd mmm yyyy", p);
}

}  // namespace oxqr
