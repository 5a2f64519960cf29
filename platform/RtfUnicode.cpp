#include "RtfUnicode.h"

#include <cstdint>

#include "CodePage.h"
#include "Utf8.h"

namespace oxqr {
namespace {

void AppendUnit(std::string& out, char16_t unit) {
  out += "\\u" + std::to_string(static_cast<std::int16_t>(unit)) + "?";
}

}  // namespace

void AppendRtfUnicode(std::string& out, char32_t c) {
  if (c < 0x10000) {
    AppendUnit(out, static_cast<char16_t>(c));
    return;
  }
  const char32_t v = c - 0x10000;
  AppendUnit(out, static_cast<char16_t>(0xD800 + (v >> 10)));
  AppendUnit(out, static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
}

std::size_t AppendRtfUnicodeAt(std::string& out, std::string_view text, std::size_t i) {
  if (static_cast<unsigned char>(text[i]) < 0x80 || !UnicodeMode()) return 0;
  char32_t c = 0;
  const std::size_t len = DecodeUtf8At(text, i, &c);
  if (len > 0) AppendRtfUnicode(out, c);
  return len;
}

}  // namespace oxqr
