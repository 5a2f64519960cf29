#include "PdfSyntax.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include <QString>

#include "OxQrExport/core/DocumentFunctions.h"
#include "platform/CodePage.h"

namespace oxqr::pdf {

void AppendNumber(std::string& out, double value) {
  // value * 10^4 rounded to the nearest integer gives the digits. The product is off the
  // exact one by at most half a unit in its last place (under 2.5e-7 below 2^31), so
  // unless it lies that close to a half, both round the same way; the rare value near a
  // half (and any large or non-finite one) goes through the exact conversion.
  const double scaled = value * 10000.0;
  if (std::fabs(scaled) < 2147483648.0) {
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;  // exact
    if (std::fabs(fraction - 0.5) > 1e-6) {
      long long n = static_cast<long long>(whole) + (fraction > 0.5 ? 1 : 0);
      if (n < 0) {
        out += '-';
        n = -n;
      }
      AppendInt(out, n / 10000);
      const auto decimals = static_cast<int>(n % 10000);
      const char digits[5] = {'.', static_cast<char>('0' + decimals / 1000), static_cast<char>('0' + decimals / 100 % 10),
                              static_cast<char>('0' + decimals / 10 % 10), static_cast<char>('0' + decimals % 10)};
      out.append(digits, 5);
      return;
    }
  }
  out += FixedNumber4(value);
}

void AppendInt(std::string& out, long long value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

const std::string& ColorText(TColor color) {
  // Most recently used first; a report draws with a few colours only.
  thread_local std::array<std::pair<TColor, std::string>, 8> recent{};
  thread_local std::size_t used = 0;
  for (std::size_t i = 0; i < used; ++i) {
    if (recent[i].first != color) continue;
    if (i > 0) std::swap(recent[i], recent[i - 1]);
    return recent[i > 0 ? i - 1 : 0].second;
  }
  if (used < recent.size()) ++used;
  const std::size_t slot = used - 1;  // the least recently used when full
  recent[slot] = {color, ColorToPDF(color)};
  return recent[slot].second;
}

std::string EscapeString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\\' || c == '(' || c == ')') out += '\\';
    out += c;
  }
  return out;
}

std::string UnescapeString(std::string_view escaped) {
  std::string out;
  out.reserve(escaped.size());
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == '\\' && i + 1 < escaped.size()) ++i;
    out += escaped[i];
  }
  return out;
}

std::string EscapeName(std::string_view name) {
  static constexpr std::string_view kDelimiters = "()<>[]{}/%#";
  std::string out;
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < '!' || c > '~' || kDelimiters.find(ch) != std::string_view::npos) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "#%02X", c);
      out += hex;
    } else {
      out += ch;
    }
  }
  return out;
}

std::string InfoString(std::string_view ansiText) {
  bool ascii = true;
  for (char c : ansiText) ascii = ascii && static_cast<unsigned char>(c) < 128;
  if (ascii) return "(" + EscapeString(ansiText) + ")";
  const QString text = AnsiToQString(ansiText);
  std::string out = "<FEFF";
  for (const char16_t unit : text.toStdU16String()) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(unit));
    out += hex;
  }
  return out + ">";
}

std::string UtcOffsetText(int biasMinutes) {
  int bias = biasMinutes;
  char part[16];
  std::snprintf(part, sizeof part, "%.2d", bias / -60);
  std::string out = part;
  if (out.front() != '-') {
    out.insert(0, "+");
    bias = -bias;
  }
  std::snprintf(part, sizeof part, "%.2d", bias % 60);
  return out + "'" + part + "'";
}

std::string XrefEntry(std::int64_t offset) {
  char entry[32];
  std::snprintf(entry, sizeof entry, "%.10lld %.5d %s\r\n", static_cast<long long>(offset), 0, "n");
  return entry;
}

}  // namespace oxqr::pdf
