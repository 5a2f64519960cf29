#pragma once
// Types and values of the expression language. A value is null or holds one of the types;
// numbers are exact decimals, dates count milliseconds from 1899-12-30 00:00 (the serial of
// the data layer), texts are report text (the code page of report strings). Numbers,
// booleans and dates live in the value itself, so evaluating them allocates nothing.
#include <cstdint>
#include <string>
#include <string_view>

#include "expression/Decimal.h"

namespace oxqr::expr {

// Null is the type of the literal null only: it fits wherever a value of any type does.
enum class TType : std::uint8_t { Null, Number, Text, Boolean, Date, DateTime };

// "a number", "a text", "a boolean", "a date", "a date-time", "null": for messages.
std::string_view TypeWithArticle(TType type);
// "number", "text", ...
std::string_view TypeName(TType type);
inline bool IsDateLike(TType t) { return t == TType::Date || t == TType::DateTime; }

inline constexpr std::int64_t kMsPerDay = 86'400'000;

struct TValue {
  TType Type = TType::Null;  // the runtime value is null when Null is set
  bool Null = true;
  bool Bool = false;
  std::int64_t Ms = 0;  // Date, DateTime
  TDecimal Num;
  std::string Text;

  void SetNull(TType type) {
    Type = type;
    Null = true;
  }
  void SetNumber(const TDecimal& d) {
    Type = TType::Number;
    Null = false;
    Num = d;
  }
  void SetBool(bool b) {
    Type = TType::Boolean;
    Null = false;
    Bool = b;
  }
  void SetDate(TType type, std::int64_t ms) {
    Type = type;
    Null = false;
    Ms = type == TType::Date ? FloorDay(ms) : ms;
  }
  void SetText(std::string_view s) {
    Type = TType::Text;
    Null = false;
    Text.assign(s.data(), s.size());
  }
  static std::int64_t FloorDay(std::int64_t ms) {
    std::int64_t d = ms / kMsPerDay;
    if (ms % kMsPerDay != 0 && ms < 0) --d;
    return d * kMsPerDay;
  }
};

}  // namespace oxqr::expr
