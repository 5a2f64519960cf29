#include "PdfSyntax.h"

#include <cmath>
#include <cstdio>

#include <QString>

#include "platform/CodePage.h"

namespace oxqr::pdf {

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
