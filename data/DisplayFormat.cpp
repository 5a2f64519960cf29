#include "data/DisplayFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/Locale.h"

namespace oxqr {

namespace {

// Digits of |value| rounded half-up to `decimals` places, taken from its 15 significant
// digits so that binary noise (2.675 stored as 2.67499...) does not decide the rounding.
struct TDecimalDigits {
  std::string Int;   // no leading zeros; empty for zero
  std::string Frac;  // exactly `decimals` digits
};

TDecimalDigits RoundDecimal(double value, int decimals) {
  value = std::fabs(value);
  TDecimalDigits out;
  if (!std::isfinite(value)) return {"0", std::string(decimals, '0')};
  // The same digits as printf's "%.14e", without its locale and stream machinery.
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific, 14).ptr;
  *end = '\0';
  std::string mant;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (std::isdigit(static_cast<unsigned char>(*p))) mant += *p;
  const int exp = std::atoi(p + 1);
  // value = 0.mant x 10^(exp + 1); build digits with the point after `point` digits.
  int point = exp + 1;
  std::string digits = mant;
  if (point < 0) {
    digits.insert(0, static_cast<std::size_t>(-point), '0');
    point = 0;
  }
  const int keep = point + decimals;
  if (static_cast<int>(digits.size()) < keep) digits.append(static_cast<std::size_t>(keep) - digits.size(), '0');
  const bool roundUp = keep >= 0 && keep < static_cast<int>(digits.size()) && digits[static_cast<std::size_t>(keep)] >= '5';
  digits.resize(static_cast<std::size_t>(std::max(keep, 0)));
  if (roundUp) {
    int i = keep - 1;
    for (; i >= 0 && digits[static_cast<std::size_t>(i)] == '9'; --i) digits[static_cast<std::size_t>(i)] = '0';
    if (i >= 0) {
      ++digits[static_cast<std::size_t>(i)];
    } else {
      digits.insert(digits.begin(), '1');
      ++point;
    }
  }
  out.Int = digits.substr(0, static_cast<std::size_t>(point));
  out.Frac = digits.substr(static_cast<std::size_t>(point));
  const auto nz = out.Int.find_first_not_of('0');
  out.Int = nz == std::string::npos ? std::string() : out.Int.substr(nz);
  return out;
}

std::string GroupThousands(const std::string& digits) {
  std::string out;
  const char sep = ThousandSeparator();
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0 && sep) out += sep;
    out += digits[i];
  }
  return out;
}

// Splits a mask into its sections at ';' outside quotes.
std::vector<std::string> SplitSections(std::string_view format) {
  std::vector<std::string> sections(1);
  char quote = 0;
  for (char c : format) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

// One numeric mask section, read into its parts.
struct TNumberMask {
  std::string Prefix, Suffix;
  // Integer placeholders ('0', '#') and literals between them, in order.
  std::vector<std::pair<char, std::string>> IntTokens;  // ('0'|'#'|'L', literal)
  int MinInt = 0;      // '0's in the integer part
  int MinFrac = 0;     // up to the last '0' after the point
  int MaxFrac = 0;     // all placeholders after the point
  bool Thousands = false;
  bool Scientific = false;
  bool ExpSignAlways = false;
  int ExpDigits = 0;
};

TNumberMask ParseMask(const std::string& s) {
  TNumberMask m;
  bool seenDigit = false, afterPoint = false;
  std::string pendingLiteral;
  auto flushLiteral = [&](std::string& to) { to += pendingLiteral; pendingLiteral.clear(); };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"' || c == '\'') {
      const auto end = s.find(c, i + 1);
      pendingLiteral += s.substr(i + 1, (end == std::string::npos ? s.size() : end) - i - 1);
      i = end == std::string::npos ? s.size() : end;
    } else if ((c == 'E' || c == 'e') && seenDigit && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) {
      m.Scientific = true;
      m.ExpSignAlways = s[i + 1] == '+';
      i += 2;
      while (i < s.size() && s[i] == '0') { ++m.ExpDigits; ++i; }
      --i;
    } else if (c == '0' || c == '#') {
      if (!seenDigit) flushLiteral(m.Prefix);
      seenDigit = true;
      if (afterPoint) {
        ++m.MaxFrac;
        if (c == '0') m.MinFrac = m.MaxFrac;
        pendingLiteral.clear();
      } else {
        if (!pendingLiteral.empty()) m.IntTokens.push_back({'L', pendingLiteral});
        pendingLiteral.clear();
        m.IntTokens.push_back({c, {}});
        if (c == '0') ++m.MinInt;
      }
    } else if (c == '.' && !afterPoint && !m.Scientific) {
      if (!seenDigit) flushLiteral(m.Prefix);
      seenDigit = true;
      afterPoint = true;
    } else if (c == ',' && !afterPoint) {
      m.Thousands = true;
    } else {
      pendingLiteral += c;
    }
  }
  (seenDigit ? m.Suffix : m.Prefix) += pendingLiteral;
  return m;
}

std::string FormatWithMask(const TNumberMask& m, double value) {
  int exponent = 0;
  if (m.Scientific && value != 0) {
    exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    int intPlaces = 0;
    for (const auto& t : m.IntTokens) intPlaces += t.first != 'L';
    exponent -= std::max(intPlaces, 1) - 1;
    value /= std::pow(10.0, exponent);
  }
  TDecimalDigits d = RoundDecimal(value, m.MaxFrac);
  while (static_cast<int>(d.Frac.size()) > m.MinFrac && d.Frac.back() == '0') d.Frac.pop_back();

  std::string intDigits = d.Int;
  if (static_cast<int>(intDigits.size()) < m.MinInt) intDigits.insert(0, m.MinInt - intDigits.size(), '0');

  std::string number;
  const bool literalsInside = std::any_of(m.IntTokens.begin(), m.IntTokens.end(), [](const auto& t) { return t.first == 'L'; });
  if (!literalsInside) {
    number = m.Thousands ? GroupThousands(intDigits) : intDigits;
  } else {
    // Fill the placeholders from the right; the leftmost one takes the remaining digits.
    std::size_t left = intDigits.size();
    std::vector<std::string> parts(m.IntTokens.size());
    std::size_t firstPlaceholder = m.IntTokens.size();
    for (std::size_t i = 0; i < m.IntTokens.size(); ++i)
      if (m.IntTokens[i].first != 'L') { firstPlaceholder = i; break; }
    for (std::size_t i = m.IntTokens.size(); i-- > 0;) {
      const auto& t = m.IntTokens[i];
      if (t.first == 'L') { parts[i] = t.second; continue; }
      if (i == firstPlaceholder) { parts[i] = intDigits.substr(0, left); left = 0; continue; }
      if (left > 0) parts[i] = intDigits[--left];
    }
    for (const auto& part : parts) number += part;
  }
  if (!d.Frac.empty()) number += DecimalSeparator() + d.Frac;
  if (m.Scientific) {
    number += 'E';
    if (exponent < 0) number += '-';
    else if (m.ExpSignAlways) number += '+';
    std::string e = std::to_string(std::abs(exponent));
    if (static_cast<int>(e.size()) < m.ExpDigits) e.insert(0, m.ExpDigits - e.size(), '0');
    number += e;
  }
  return m.Prefix + number + m.Suffix;
}

constexpr std::array<const char*, 12> kShortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kLongMonths = {"January", "February", "March",     "April",   "May",      "June",
                                                     "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kShortDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kLongDays = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// Days from 1970-01-01 (proleptic Gregorian calendar).
long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153L * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int DayOfWeek(const TDateTimeParts& dt) {  // 0 = Sunday
  const long days = DaysFromCivil(dt.Year, dt.Month, dt.Day);
  return static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
}

std::string Pad(int v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), '0');
  return s;
}

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view word) {
  if (s.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[at + i])) != word[i]) return false;
  return true;
}

std::size_t RunLength(std::string_view s, std::size_t at) {
  const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[at])));
  std::size_t n = 0;
  while (at + n < s.size() && std::tolower(static_cast<unsigned char>(s[at + n])) == c) ++n;
  return n;
}

}  // namespace

std::string FloatToStr(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, std::fabs(value) < 1e15 ? "%.15g" : "%.14E", value);
  std::string s = buf;
  for (char& c : s)
    if (c == '.') c = DecimalSeparator();
  return s;
}

std::string FormatFloat(std::string_view format, double value) {
  if (format.empty()) return FloatToStr(value);
  const auto sections = SplitSections(format);
  const bool negative = value < 0;
  if (value == 0 && sections.size() >= 3 && !sections[2].empty()) return FormatWithMask(ParseMask(sections[2]), 0);
  if (negative && sections.size() >= 2 && !sections[1].empty()) return FormatWithMask(ParseMask(sections[1]), -value);
  const std::string text = FormatWithMask(ParseMask(sections[0]), value);
  // No minus sign when the rounded number shows as zero.
  const bool showsNonZero = text.find_first_of("123456789") != std::string::npos;
  return negative && showsNonZero ? "-" + text : text;
}

std::string FormatCurrency(double value) {
  const TDecimalDigits d = RoundDecimal(value, 2);
  const std::string amount = "$" + GroupThousands(d.Int.empty() ? "0" : d.Int) + DecimalSeparator() + d.Frac;
  const bool nonZero = !d.Int.empty() || d.Frac != "00";
  return value < 0 && nonZero ? "-" + amount : amount;
}

std::string FormatDateTime(std::string_view f, const TDateTimeParts& dt) {
  const bool twelveHour = [&] {
    for (std::size_t i = 0; i < f.size(); ++i)
      if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p") || StartsWithNoCase(f, i, "ampm")) return true;
    return false;
  }();
  std::string out;
  bool afterHour = false;
  for (std::size_t i = 0; i < f.size();) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(f[i])));
    if (f[i] == '"' || f[i] == '\'') {
      const auto end = f.find(f[i], i + 1);
      out += f.substr(i + 1, (end == std::string_view::npos ? f.size() : end) - i - 1);
      i = end == std::string_view::npos ? f.size() : end + 1;
      continue;
    }
    if (c == 'a' && StartsWithNoCase(f, i, "am/pm")) {
      const bool upper = std::isupper(static_cast<unsigned char>(f[i]));
      out += dt.Hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
      i += 5;
      continue;
    }
    if (c == 'a' && StartsWithNoCase(f, i, "a/p")) {
      const bool upper = std::isupper(static_cast<unsigned char>(f[i]));
      out += dt.Hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
      i += 3;
      continue;
    }
    if (c == 'a' && StartsWithNoCase(f, i, "ampm")) {
      out += dt.Hour < 12 ? "AM" : "PM";
      i += 4;
      continue;
    }
    const std::size_t n = std::string_view("dmyhnsz").find(c) != std::string_view::npos ? RunLength(f, i) : 1;
    bool hourToken = false;
    switch (c) {
      case 'd':
        if (n == 1 || n == 2) out += Pad(dt.Day, static_cast<int>(n));
        else if (n == 3) out += kShortDays[DayOfWeek(dt)];
        else if (n == 4) out += kLongDays[DayOfWeek(dt)];
        else out += FormatDateTime(kDefaultDateFormat, dt);
        break;
      case 'm':
        if (afterHour && n <= 2) out += Pad(dt.Minute, static_cast<int>(n));
        else if (n <= 2) out += Pad(dt.Month, static_cast<int>(n));
        else if (n == 3) out += kShortMonths[(dt.Month + 11) % 12];
        else out += kLongMonths[(dt.Month + 11) % 12];
        break;
      case 'y':
        out += n <= 2 ? Pad(dt.Year % 100, 2) : Pad(dt.Year, 4);
        break;
      case 'h': {
        int h = dt.Hour;
        if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
        out += Pad(h, n >= 2 ? 2 : 1);
        hourToken = true;
        break;
      }
      case 'n': out += Pad(dt.Minute, n >= 2 ? 2 : 1); break;
      case 's': out += Pad(dt.Second, n >= 2 ? 2 : 1); break;
      case 'z': out += Pad(dt.Millisecond, n >= 3 ? 3 : 1); break;
      default: out += f[i]; break;
    }
    // 'm' right after an hour (literals between allowed) means minutes.
    if (hourToken) afterHour = true;
    else if (std::string_view("dmysz").find(c) != std::string_view::npos || c == 'n') afterHour = false;
    i += n;
  }
  return out;
}

namespace {

// The value of the `count` digits at `at`, or -1 when one of them is not a digit.
int Digits(std::string_view s, std::size_t at, std::size_t count) {
  int v = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return -1;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

// The forms databases store ("2024-01-02", "2024-01-02 03:04:05", and with ".678"),
// read without the scanner; nullopt for any other text.
std::optional<TDateTimeParts> ParseStoredDateTime(std::string_view s) {
  if (s.size() != 10 && s.size() != 19 && s.size() != 23) return std::nullopt;
  if (s[4] != '-' || s[7] != '-') return std::nullopt;
  TDateTimeParts dt;
  dt.Year = Digits(s, 0, 4);
  dt.Month = Digits(s, 5, 2);
  dt.Day = Digits(s, 8, 2);
  if (dt.Year < 0 || dt.Month < 0 || dt.Day < 0) return std::nullopt;
  if (s.size() > 10) {
    if ((s[10] != ' ' && s[10] != 'T') || s[13] != ':' || s[16] != ':') return std::nullopt;
    dt.Hour = Digits(s, 11, 2);
    dt.Minute = Digits(s, 14, 2);
    dt.Second = Digits(s, 17, 2);
    if (dt.Hour < 0 || dt.Minute < 0 || dt.Second < 0) return std::nullopt;
  }
  if (s.size() == 23) {
    if (s[19] != '.') return std::nullopt;
    dt.Millisecond = Digits(s, 20, 3);
    if (dt.Millisecond < 0) return std::nullopt;
  }
  return dt;
}

// The scanner's reading of any other text: a date with an optional time after any one
// character, or a time alone. False when neither matches.
bool ParseScannedDateTime(std::string_view text, TDateTimeParts& dt) {
  int ms = 0;
  const std::string s(text);
  char sep = 0;
  if (std::sscanf(s.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d.%3d", &dt.Year, &dt.Month, &dt.Day, &sep, &dt.Hour, &dt.Minute,
                  &dt.Second, &ms) >= 3) {
    dt.Millisecond = ms;
  } else if (std::sscanf(s.c_str(), "%2d:%2d:%2d.%3d", &dt.Hour, &dt.Minute, &dt.Second, &ms) >= 2) {
    dt.Millisecond = ms;
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::optional<TDateTimeParts> ParseIsoDateTime(std::string_view text) {
  TDateTimeParts dt;
  if (const auto stored = ParseStoredDateTime(text)) {
    dt = *stored;
  } else if (!ParseScannedDateTime(text, dt)) {
    return std::nullopt;
  }
  if (dt.Month < 1 || dt.Month > 12 || dt.Day < 1 || dt.Day > 31 || dt.Hour < 0 || dt.Hour > 23 || dt.Minute < 0 ||
      dt.Minute > 59 || dt.Second < 0 || dt.Second > 59)
    return std::nullopt;
  return dt;
}

double DateTimeToSerial(const TDateTimeParts& dt) {
  const long days = DaysFromCivil(dt.Year, dt.Month, dt.Day) - DaysFromCivil(1899, 12, 30);
  const double frac = (dt.Hour * 3600000.0 + dt.Minute * 60000.0 + dt.Second * 1000.0 + dt.Millisecond) / 86400000.0;
  return static_cast<double>(days) + frac;
}

TDateTimeParts SerialToDateTime(double serial) {
  // Whole milliseconds from the epoch, then the civil date of the day count.
  const auto ms = static_cast<long long>(std::llround(serial * 86400000.0));
  long long days = ms / 86400000;
  long long rest = ms % 86400000;
  if (rest < 0) {
    rest += 86400000;
    --days;
  }
  const long z = static_cast<long>(days) + DaysFromCivil(1899, 12, 30) + 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  TDateTimeParts dt;
  dt.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  dt.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  dt.Year = static_cast<int>(yoe + era * 400 + (dt.Month <= 2));
  dt.Hour = static_cast<int>(rest / 3600000);
  dt.Minute = static_cast<int>(rest / 60000 % 60);
  dt.Second = static_cast<int>(rest / 1000 % 60);
  dt.Millisecond = static_cast<int>(rest % 1000);
  return dt;
}

}  // namespace oxqr
