#include "SourceDate.h"

#include <charconv>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "CliOptions.h"
#include "platform/Locale.h"

namespace oxqr::cli {

void PinClockFromEnvironment() {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  if (!text || !*text) return;
  const std::string_view s(text);
  long long seconds = -1;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), seconds);
  if (ec != std::errc() || end != s.data() + s.size() || seconds < 0)
    throw EUsage("SOURCE_DATE_EPOCH must be a whole number of seconds, not \"" + std::string(s) + "\"");
  const std::time_t t = static_cast<std::time_t>(seconds);
  TLocalTime now;
  gmtime_r(&t, &now.Tm);
  SetFixedNow(now);
  SetTimeZoneBias(0);
}

}  // namespace oxqr::cli
