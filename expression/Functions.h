#pragma once
// The function table: every function an expression may call, as data (name, argument
// types, result type, implementation, an example for the reference). None of them touches
// files, the network, the environment or the process. A null argument gives a null result;
// if, coalesce, isnull, min/max of several values and the totals are forms of the checker.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "expression/Compiled.h"

namespace oxqr::expr {

// What an argument accepts.
enum class TArgType : std::uint8_t { Number, Text, Boolean, DateLike, Formattable };
// What a function gives: a type, or the type of its first argument.
enum class TResultType : std::uint8_t { Number, Text, Boolean, Date, DateTime, FirstArgument };

using TFunctionImpl = void (*)(const TValue* args, std::size_t count, TValue& out, TEvalContext& ctx);

struct TFunction {
  std::string_view Name;
  std::array<TArgType, 3> Args;
  std::uint8_t MinArgs;
  std::uint8_t MaxArgs;
  TResultType Result;
  TFunctionImpl Impl;
  std::string_view Example;  // for the reference and the table test
};

std::span<const TFunction> Functions();
// Names compare without regard to case; nullptr when there is none.
const TFunction* FindFunction(std::string_view name);

// Date helpers shared with the nodes.
struct TYmd {
  int Year, Month, Day;
};
TYmd DateOf(std::int64_t ms);
// nullopt-free: out of the calendar (years 1..9999) gives false.
bool MsOfDate(int year, int month, int day, std::int64_t& ms);

}  // namespace oxqr::expr
