#include "CellNumbers.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "platform/Locale.h"

namespace oxqr {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string RemoveThousandSeparators(std::string_view text, char thousands) {
  std::string t;
  t.reserve(text.size());
  for (const char c : text)
    if (c != thousands) t += c;
  return t;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::optional<double> ParseStrictDecimal(std::string_view text, char decimal) {
  const std::string_view t = TrimBlanks(text);
  // Check the shape by hand and build the text from_chars reads ('.' as separator, no '+').
  std::string plain;
  plain.reserve(t.size());
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    if (t[i] == '-') plain += '-';
    ++i;
  }
  int digits = 0;
  bool separator = false;
  for (; i < t.size(); ++i) {
    if (IsDigit(t[i])) {
      ++digits;
      plain += t[i];
    } else if (t[i] == decimal && !separator) {
      separator = true;
      plain += '.';
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) plain += t[i++];
    int expDigits = 0;
    for (; i < t.size() && IsDigit(t[i]); ++i, ++expDigits) plain += t[i];
    if (expDigits == 0) return std::nullopt;
  }
  if (i != t.size()) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<double> CellTextValue(std::string_view text) {
  return ParseStrictDecimal(RemoveThousandSeparators(text, ThousandSeparator()), DecimalSeparator());
}

}  // namespace oxqr
