#pragma once
// A value as a report prints it: null as nothing, numbers as plain decimals ("1250.5",
// the locale's decimal separator) or through a display mask ("#,##0.00"), dates in the
// default date display or a date mask ("mmmm yyyy"), date-times with their time when they
// have one, booleans as True/False, texts as they are.
#include <string>
#include <string_view>

#include "data/DisplayFormat.h"
#include "expression/Value.h"

namespace oxqr::expr {

void AppendValueText(const TValue& value, std::string_view mask, std::string& out);
TDateTimeParts PartsOf(std::int64_t ms);
std::int64_t MsOf(const TDateTimeParts& parts);

}  // namespace oxqr::expr
