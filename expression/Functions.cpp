// The functions of the language, one small implementation each, and their table.
#include "expression/Functions.h"

#include <algorithm>
#include <cctype>

#include "data/DisplayFormat.h"
#include "expression/ValueText.h"
#include "platform/Locale.h"

namespace oxqr::expr {
namespace {

constexpr std::string_view kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                            "July",    "August",   "September", "October", "November", "December"};

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1899-12-30 (civil calendar arithmetic, proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;  // 1970-01-01 is serial 25569
}

std::int64_t Days(std::int64_t ms) { return TValue::FloorDay(ms) / kMsPerDay; }

int IntArg(const TValue& v, int lo, int hi, bool& ok) {
  const auto i = v.Num.ToInt();
  if (!i || *i < lo || *i > hi) {
    ok = false;
    return 0;
  }
  return static_cast<int>(*i);
}

void SetNumberOrNull(TValue& out, const std::optional<TDecimal>& d, TEvalContext& ctx) {
  if (d) return out.SetNumber(*d);
  ctx.Count(&TEvalCounters::OutOfRange);
  out.SetNull(TType::Number);
}

void SetInt(TValue& out, std::int64_t v) { out.SetNumber(TDecimal::FromInt(v)); }

// ---- numbers --------------------------------------------------------------------------

void FnRound(const TValue* a, std::size_t n, TValue& out, TEvalContext& ctx) {
  bool ok = true;
  const int places = n > 1 ? IntArg(a[1], -TDecimal::kMaxScale, TDecimal::kMaxScale, ok) : 0;
  if (!ok) {
    ctx.Count(&TEvalCounters::OutOfRange);
    return out.SetNull(TType::Number);
  }
  SetNumberOrNull(out, a[0].Num.Round(places), ctx);
}
void FnAbs(const TValue* a, std::size_t, TValue& out, TEvalContext&) { out.SetNumber(a[0].Num.Abs()); }
void FnFloor(const TValue* a, std::size_t, TValue& out, TEvalContext&) { out.SetNumber(a[0].Num.Floor()); }
void FnCeil(const TValue* a, std::size_t, TValue& out, TEvalContext&) { out.SetNumber(a[0].Num.Ceil()); }

// ---- texts ----------------------------------------------------------------------------

void FnUpper(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  out.SetText(a[0].Text);
  for (char& c : out.Text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
void FnLower(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  out.SetText(a[0].Text);
  for (char& c : out.Text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
void FnTrim(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  std::string_view s = a[0].Text;
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  out.SetText(s);
}
std::size_t Count(const TValue& v) {
  const auto i = v.Num.ToInt();
  return !i || *i < 0 ? 0 : static_cast<std::size_t>(*i);
}
void FnLeft(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  out.SetText(std::string_view(a[0].Text).substr(0, Count(a[1])));
}
void FnRight(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  const std::string_view s = a[0].Text;
  const std::size_t k = std::min(Count(a[1]), s.size());
  out.SetText(s.substr(s.size() - k));
}
// substr(text, start[, length]), start counted from 1.
void FnSubstr(const TValue* a, std::size_t n, TValue& out, TEvalContext&) {
  const std::string_view s = a[0].Text;
  const std::size_t start = std::max<std::size_t>(Count(a[1]), 1) - 1;
  if (start >= s.size()) return out.SetText({});
  out.SetText(s.substr(start, n > 2 ? Count(a[2]) : std::string_view::npos));
}
void FnLen(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  SetInt(out, static_cast<std::int64_t>(a[0].Text.size()));
}
void FnContains(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  out.SetBool(a[0].Text.find(a[1].Text) != std::string::npos);
}
void FnStartsWith(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  out.SetBool(std::string_view(a[0].Text).starts_with(a[1].Text));
}
void FnReplace(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  const std::string& s = a[0].Text;
  const std::string& from = a[1].Text;
  if (from.empty()) return out.SetText(s);
  std::string r;
  std::size_t at = 0;
  for (std::size_t hit; (hit = s.find(from, at)) != std::string::npos; at = hit + from.size())
    r.append(s, at, hit - at).append(a[2].Text);
  r.append(s, at, std::string::npos);
  out.SetText(r);
}
void FnFormat(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  std::string text;
  AppendValueText(a[0], a[1].Text, text);
  out.SetText(text);
}
void FnText(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  std::string text;
  AppendValueText(a[0], {}, text);
  out.SetText(text);
}
void FnNumber(const TValue* a, std::size_t, TValue& out, TEvalContext& ctx) {
  std::string_view s = a[0].Text;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (const auto d = TDecimal::Parse(s)) return out.SetNumber(*d);
  ctx.Count(&TEvalCounters::NotANumber);
  out.SetNull(TType::Number);
}

// ---- dates ----------------------------------------------------------------------------

void FnYear(const TValue* a, std::size_t, TValue& out, TEvalContext&) { SetInt(out, DateOf(a[0].Ms).Year); }
void FnMonth(const TValue* a, std::size_t, TValue& out, TEvalContext&) { SetInt(out, DateOf(a[0].Ms).Month); }
void FnDay(const TValue* a, std::size_t, TValue& out, TEvalContext&) { SetInt(out, DateOf(a[0].Ms).Day); }
// 1 = Monday .. 7 = Sunday. 1899-12-30 was a Saturday.
void FnWeekday(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  const std::int64_t d = Days(a[0].Ms);
  SetInt(out, ((d + 5) % 7 + 7) % 7 + 1);
}
void FnMonthName(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  out.SetText(kMonthNames[DateOf(a[0].Ms).Month - 1]);
}
void FnDate(const TValue* a, std::size_t, TValue& out, TEvalContext& ctx) {
  bool ok = true;
  const int y = IntArg(a[0], 1, 9999, ok), m = IntArg(a[1], 1, 12, ok), d = IntArg(a[2], 1, 31, ok);
  std::int64_t ms = 0;
  if (!ok || !MsOfDate(y, m, d, ms)) {
    ctx.Count(&TEvalCounters::OutOfRange);
    return out.SetNull(TType::Date);
  }
  out.SetDate(TType::Date, ms);
}
void FnAddDays(const TValue* a, std::size_t, TValue& out, TEvalContext& ctx) {
  bool ok = true;
  const int days = IntArg(a[1], -3'700'000, 3'700'000, ok);
  if (!ok) {
    ctx.Count(&TEvalCounters::OutOfRange);
    return out.SetNull(a[0].Type);
  }
  out.SetDate(a[0].Type, a[0].Ms + days * kMsPerDay);
}
// The same day so many months on, or the month's last day when it has fewer.
void FnAddMonths(const TValue* a, std::size_t, TValue& out, TEvalContext& ctx) {
  bool ok = true;
  const int months = IntArg(a[1], -120'000, 120'000, ok);
  const TYmd d = DateOf(a[0].Ms);
  const int total = d.Year * 12 + (d.Month - 1) + months;
  const int y = total / 12, m = total % 12 + 1;
  std::int64_t ms = 0;
  if (!ok || !MsOfDate(y, m, std::min(d.Day, y >= 1 && y <= 9999 ? DaysInMonth(y, m) : 1), ms)) {
    ctx.Count(&TEvalCounters::OutOfRange);
    return out.SetNull(a[0].Type);
  }
  out.SetDate(a[0].Type, ms + (a[0].Ms - TValue::FloorDay(a[0].Ms)));
}
// Whole days from the first date to the second (the times of day left out).
void FnDateDiff(const TValue* a, std::size_t, TValue& out, TEvalContext&) {
  SetInt(out, Days(a[1].Ms) - Days(a[0].Ms));
}
void NowInto(TValue& out, TType type) {
  const TLocalTime now = Now();
  std::int64_t ms = 0;
  MsOfDate(now.Tm.tm_year + 1900, now.Tm.tm_mon + 1, now.Tm.tm_mday, ms);
  if (type == TType::DateTime)
    ms += ((now.Tm.tm_hour * 60 + now.Tm.tm_min) * 60 + now.Tm.tm_sec) * 1000LL + now.Milliseconds;
  out.SetDate(type, ms);
}
void FnToday(const TValue*, std::size_t, TValue& out, TEvalContext&) { NowInto(out, TType::Date); }
void FnNow(const TValue*, std::size_t, TValue& out, TEvalContext&) { NowInto(out, TType::DateTime); }

using A = TArgType;
using R = TResultType;
constexpr TFunction kFunctions[] = {
    {"round", {A::Number, A::Number}, 1, 2, R::Number, FnRound, "round(2.345, 2) = 2.35"},
    {"abs", {A::Number}, 1, 1, R::Number, FnAbs, "abs(-3) = 3"},
    {"floor", {A::Number}, 1, 1, R::Number, FnFloor, "floor(2.7) = 2"},
    {"ceil", {A::Number}, 1, 1, R::Number, FnCeil, "ceil(2.1) = 3"},
    {"upper", {A::Text}, 1, 1, R::Text, FnUpper, "upper('abc') = 'ABC'"},
    {"lower", {A::Text}, 1, 1, R::Text, FnLower, "lower('ABC') = 'abc'"},
    {"trim", {A::Text}, 1, 1, R::Text, FnTrim, "trim('  a  ') = 'a'"},
    {"left", {A::Text, A::Number}, 2, 2, R::Text, FnLeft, "left('Report', 3) = 'Rep'"},
    {"right", {A::Text, A::Number}, 2, 2, R::Text, FnRight, "right('Report', 3) = 'ort'"},
    {"substr", {A::Text, A::Number, A::Number}, 2, 3, R::Text, FnSubstr, "substr('Report', 2, 3) = 'epo'"},
    {"len", {A::Text}, 1, 1, R::Number, FnLen, "len('Report') = 6"},
    {"contains", {A::Text, A::Text}, 2, 2, R::Boolean, FnContains, "contains('Report', 'port') = true"},
    {"startswith", {A::Text, A::Text}, 2, 2, R::Boolean, FnStartsWith, "startswith('Report', 'Re') = true"},
    {"replace", {A::Text, A::Text, A::Text}, 3, 3, R::Text, FnReplace, "replace('a-b-c', '-', '/') = 'a/b/c'"},
    {"format", {A::Formattable, A::Text}, 2, 2, R::Text, FnFormat, "format(1234.5, '#,##0.00') = '1,234.50'"},
    {"text", {A::Formattable}, 1, 1, R::Text, FnText, "text(12.50) = '12.5'"},
    {"number", {A::Text}, 1, 1, R::Number, FnNumber, "number('12.50') = 12.5"},
    {"year", {A::DateLike}, 1, 1, R::Number, FnYear, "year(date(2024, 3, 9)) = 2024"},
    {"month", {A::DateLike}, 1, 1, R::Number, FnMonth, "month(date(2024, 3, 9)) = 3"},
    {"day", {A::DateLike}, 1, 1, R::Number, FnDay, "day(date(2024, 3, 9)) = 9"},
    {"weekday", {A::DateLike}, 1, 1, R::Number, FnWeekday, "weekday(date(2024, 3, 9)) = 6"},
    {"monthname", {A::DateLike}, 1, 1, R::Text, FnMonthName, "monthname(date(2024, 3, 9)) = 'March'"},
    {"date", {A::Number, A::Number, A::Number}, 3, 3, R::Date, FnDate, "date(2024, 2, 29)"},
    {"adddays", {A::DateLike, A::Number}, 2, 2, R::FirstArgument, FnAddDays,
     "adddays(date(2024, 2, 28), 2) = date(2024, 3, 1)"},
    {"addmonths", {A::DateLike, A::Number}, 2, 2, R::FirstArgument, FnAddMonths,
     "addmonths(date(2024, 1, 31), 1) = date(2024, 2, 29)"},
    {"datediff", {A::DateLike, A::DateLike}, 2, 2, R::Number, FnDateDiff,
     "datediff(date(2024, 1, 1), date(2024, 3, 1)) = 60"},
    {"today", {}, 0, 0, R::Date, FnToday, "today()"},
    {"now", {}, 0, 0, R::DateTime, FnNow, "now()"},
};

}  // namespace

std::span<const TFunction> Functions() { return kFunctions; }

const TFunction* FindFunction(std::string_view name) {
  for (const TFunction& f : kFunctions) {
    if (f.Name.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(name[i])) == f.Name[i];
    if (same) return &f;
  }
  return nullptr;
}

TYmd DateOf(std::int64_t ms) {
  // Civil from days (inverse of DaysFromCivil).
  const std::int64_t z = Days(ms) - 25569 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

bool MsOfDate(int year, int month, int day, std::int64_t& ms) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  ms = DaysFromCivil(year, month, day) * kMsPerDay;
  return true;
}

}  // namespace oxqr::expr
