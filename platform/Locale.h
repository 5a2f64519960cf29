#pragma once
// Locale and clock of the platform, with setters so that tests can pin them.
#include <ctime>
#include <optional>

namespace oxqr {

char DecimalSeparator();
char ThousandSeparator();
void SetDecimalSeparator(char c);
void SetThousandSeparator(char c);

// Local date and time as broken-down fields (tm_year etc. as in <ctime>) and the
// milliseconds part; pinned when SetFixedNow was called.
struct TLocalTime {
  std::tm Tm{};
  int Milliseconds = 0;
};
TLocalTime Now();
void SetFixedNow(std::optional<TLocalTime> fixed);

// Minutes to add to local time to get UTC (GetTimeZoneInformation's Bias), pinned
// when SetTimeZoneBias was called.
int TimeZoneBiasMinutes();
void SetTimeZoneBias(std::optional<int> minutes);

}  // namespace oxqr
