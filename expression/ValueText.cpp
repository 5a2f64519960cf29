#include "expression/ValueText.h"

#include "expression/Functions.h"
#include "platform/Locale.h"

namespace oxqr::expr {

std::string_view TypeName(TType type) {
  switch (type) {
    case TType::Null: return "null";
    case TType::Number: return "number";
    case TType::Text: return "text";
    case TType::Boolean: return "boolean";
    case TType::Date: return "date";
    case TType::DateTime: return "date-time";
  }
  return {};
}

std::string_view TypeWithArticle(TType type) {
  switch (type) {
    case TType::Null: return "null";
    case TType::Number: return "a number";
    case TType::Text: return "a text";
    case TType::Boolean: return "a boolean";
    case TType::Date: return "a date";
    case TType::DateTime: return "a date-time";
  }
  return {};
}

TDateTimeParts PartsOf(std::int64_t ms) {
  const TYmd d = DateOf(ms);
  std::int64_t rest = ms - TValue::FloorDay(ms);
  TDateTimeParts p;
  p.Year = d.Year;
  p.Month = d.Month;
  p.Day = d.Day;
  p.Millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  p.Second = static_cast<int>(rest % 60);
  rest /= 60;
  p.Minute = static_cast<int>(rest % 60);
  p.Hour = static_cast<int>(rest / 60);
  return p;
}

std::int64_t MsOf(const TDateTimeParts& p) {
  std::int64_t ms = 0;
  MsOfDate(p.Year, p.Month, p.Day, ms);
  return ms + ((p.Hour * 60LL + p.Minute) * 60 + p.Second) * 1000 + p.Millisecond;
}

void AppendValueText(const TValue& v, std::string_view mask, std::string& out) {
  if (v.Null) return;
  switch (v.Type) {
    case TType::Null:
      return;
    case TType::Text:
      out += v.Text;
      return;
    case TType::Boolean:
      out += v.Bool ? "True" : "False";
      return;
    case TType::Number: {
      if (!mask.empty()) {
        out += FormatFloat(mask, v.Num.ToDouble());
        return;
      }
      std::string s = v.Num.ToString();
      for (char& c : s)
        if (c == '.') c = DecimalSeparator();
      out += s;
      return;
    }
    case TType::Date:
    case TType::DateTime: {
      const TDateTimeParts p = PartsOf(v.Ms);
      if (!mask.empty()) {
        out += FormatDateTime(mask, p);
      } else {
        out += FormatDateTime(kDefaultDateFormat, p);
        if (v.Type == TType::DateTime && p.HasTime()) out += " " + FormatDateTime(kDefaultTimeFormat, p);
      }
      return;
    }
  }
}

}  // namespace oxqr::expr
