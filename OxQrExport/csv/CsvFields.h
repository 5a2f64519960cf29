#pragma once
// The fields of a CSV line (RFC 4180): quoting, plain numbers and dates, and the guard that
// keeps a text from being read as a formula.
#include <string>
#include <string_view>

namespace oxqr {

// `field` as written between separators: in double quotes, with its quotes doubled, when it
// holds the separator, a quote, CR or LF; unchanged otherwise.
std::string CsvQuote(std::string_view field, char separator);

// A number as a reader parses it whatever its locale: "1234.5", "-3", "1e+20".
std::string PlainNumberText(double value);

// A date serial (days since 1899-12-30, the fraction the time of day) in ISO 8601:
// "2025-12-09", "2025-12-09T13:45:00" with `withTime`, "13:45:00" when `timeOnly`.
std::string IsoDateText(double serial, bool withTime, bool timeOnly);

// `text` with a leading ' when it starts with = + - @ tab or CR, which a spreadsheet would
// take for the start of a formula.
std::string GuardFormula(std::string text);

}  // namespace oxqr
