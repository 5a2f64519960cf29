#include "CsvFields.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace oxqr {

std::string CsvQuote(std::string_view field, char separator) {
  if (field.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string_view::npos) return std::string(field);
  std::string out = "\"";
  for (const char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string PlainNumberText(double value) {
  char buf[64];
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    std::snprintf(buf, sizeof buf, "%.0f", value);
    return value == 0 ? "0" : buf;  // no "-0"
  }
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, ec == std::errc() ? end : buf);
}

std::string IsoDateText(double serial, bool withTime, bool timeOnly) {
  // Whole seconds of the serial, rounded, so that 13:44:59.9999 shows as 13:45:00.
  const auto seconds = static_cast<long long>(std::llround(serial * 86400.0));
  long long days = seconds / 86400;
  long long secs = seconds % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  char time[16];
  std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", secs / 3600, secs / 60 % 60, secs % 60);
  if (timeOnly) return time;
  // Civil date from days since 1970-01-01 (the serial's epoch is 25569 days earlier).
  const long long z = days - 25569 + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  const long long y = yoe + era * 400 + (m <= 2);
  char date[48];
  std::snprintf(date, sizeof date, "%04lld-%02lld-%02lld", y, m, d);
  return withTime ? std::string(date) + "T" + time : std::string(date);
}

std::string GuardFormula(std::string text) {
  if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
    text.insert(text.begin(), '\'');
  return text;
}

}  // namespace oxqr
