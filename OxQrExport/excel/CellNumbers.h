#pragma once
// Deciding whether a cell text is a number, and which: the locale's thousands separators
// are dropped, then only a whole decimal text counts (blanks around it allowed): an
// optional sign, digits with at most one decimal separator, an optional exponent. Texts
// such as "nan", "inf", "0x1A" or "12abc" stay text.
#include <optional>
#include <string>
#include <string_view>

namespace oxqr {

// `text` without any `thousands` character.
std::string RemoveThousandSeparators(std::string_view text, char thousands);
// `text` without leading and trailing blanks.
std::string_view TrimBlanks(std::string_view text);
// The value of a whole decimal text (after TrimBlanks) with `decimal` as its decimal
// separator; nothing for any other text or a value out of the double range.
std::optional<double> ParseStrictDecimal(std::string_view text, char decimal);
// The cell text's value with the platform locale's separators (thousands removed first).
std::optional<double> CellTextValue(std::string_view text);

}  // namespace oxqr
