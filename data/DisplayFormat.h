#pragma once
// Display formats of field values: numeric masks built from digit placeholders, quoted
// literals and sections ("'#'0000", "#,##0.00", "pos;neg;zero"), date and time masks
// ("dd/mm/yyyy", "h:nn AM/PM") and the default currency and date displays. Separators come from
// the platform's locale (DecimalSeparator, ThousandSeparator).
#include <optional>
#include <string>
#include <string_view>

namespace oxqr {

// A calendar date and time of day as stored in the database.
struct TDateTimeParts {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
  bool HasTime() const { return Hour || Minute || Second || Millisecond; }
  friend bool operator==(const TDateTimeParts&, const TDateTimeParts&) = default;
};

// Default displays: dates "m/d/yyyy" and times "h:nn:ss AM/PM", the US short date and long
// time; a date-time whose time is midnight shows as its date only.
inline constexpr std::string_view kDefaultDateFormat = "m/d/yyyy";
inline constexpr std::string_view kDefaultTimeFormat = "h:nn:ss AM/PM";

// Formats `value` with a numeric mask; an empty mask gives FloatToStr.
std::string FormatFloat(std::string_view format, double value);
// 15 significant digits, no exponent below 1e15, the locale's decimal separator.
std::string FloatToStr(double value);
// "$1,234.50"; negative amounts as "-$1,234.50".
std::string FormatCurrency(double value);
std::string FormatDateTime(std::string_view format, const TDateTimeParts& dt);

// Parses "yyyy-mm-dd", "hh:mm[:ss[.zzz]]" or "yyyy-mm-dd hh:mm[:ss]" (also with 'T').
std::optional<TDateTimeParts> ParseIsoDateTime(std::string_view text);
// Days since 1899-12-30 plus the fraction of the day (the TDateTime serial).
double DateTimeToSerial(const TDateTimeParts& dt);
// The date and time of a serial (to the nearest millisecond); the inverse of DateTimeToSerial.
TDateTimeParts SerialToDateTime(double serial);

}  // namespace oxqr
