#include "RtfMarkup.h"

#include <charconv>
#include <cstdio>

#include "OxQrExport/core/NumberText.h"
#include "platform/Types.h"
#include "platform/RtfUnicode.h"

namespace oxqr {

std::string RtfNumber(double value) { return RoundedNumber(value); }

void AppendRtfInt(std::string& out, long long value) {
  char buf[24];
  const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  out.append(buf, end);
}

void AppendRtfNumber(std::string& out, double value) { AppendRtfInt(out, RoundHalfEven(value)); }

std::string RtfEscapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendRtfEscapedText(out, text);
  return out;
}

void AppendRtfEscapedText(std::string& out, std::string_view text) {
  static constexpr char digits[] = "0123456789abcdef";
  auto plain = [](unsigned char c) { return c >= 0x20 && c < 0x80 && c != '\\' && c != '{' && c != '}'; };
  std::size_t i = 0;
  while (i < text.size()) {
    // Most text needs no escape: a run of plain bytes is copied in one piece.
    std::size_t end = i;
    while (end < text.size() && plain(static_cast<unsigned char>(text[end]))) ++end;
    out.append(text.data() + i, end - i);
    if (end == text.size()) return;
    i = end;
    if (const std::size_t len = AppendRtfUnicodeAt(out, text, i); len > 0) {
      i += len;
      continue;
    }
    const char ch = text[i++];
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\' || c == '{' || c == '}') {
      const char escaped[2] = {'\\', ch};
      out.append(escaped, 2);
    } else {  // a control character or a byte above 127
      const char escaped[4] = {'\\', '\'', digits[c >> 4], digits[c & 0x0F]};
      out.append(escaped, 4);
    }
  }
}

std::string HexLE(unsigned long value, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*lX", digits, value);
  const std::string be(buf);
  std::string le;
  le.reserve(be.size());
  for (std::size_t i = be.size(); i >= 2; i -= 2) le += be.substr(i - 2, 2);
  return le;
}

std::string HexBytes(std::string_view bytes) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    out += digits[c >> 4];
    out += digits[c & 0x0F];
  }
  return out;
}

std::string RtfRectObject(double x1, double y1, double x2, double y2) {
  std::string out;
  TRtfWriter w(out);
  AppendRtfRectObject(w, x1, y1, x2, y2);
  return out;
}

void AppendRtfRectObject(TRtfWriter& out, double x1, double y1, double x2, double y2) {
  out << "{\\*\\do\\dobxpage\\dobypage\\dprect\\dpx";
  out.Number(x1) << "\\dpy";
  out.Number(y1) << "\\dpxsize";
  out.Number(x2 - x1 + 1) << "\\dpysize";
  out.Number(y2 - y1 + 1);
}

std::string RtfLineObject(double x1, double y1, double x2, double y2, std::string_view linePart) {
  std::string out;
  TRtfWriter w(out);
  AppendRtfLineObject(w, x1, y1, x2, y2, linePart);
  return out;
}

void AppendRtfLineObject(TRtfWriter& out, double x1, double y1, double x2, double y2, std::string_view linePart) {
  out << "{\\*\\do\\dobxpage\\dobypage\\dpline\\dpptx0\\dppty0\\dpptx";
  out.Number(x2 - x1) << "\\dppty";
  out.Number(y2 - y1) << "\\dpx";
  out.Number(x1) << "\\dpy";
  out.Number(y1) << "\\dpxsize";
  out.Number(x2 - x1 + 1) << "\\dpysize";
  out.Number(y2 - y1 + 1) << "\\dplinesolid" << linePart;
}

std::string MetafileWrapper(unsigned long words, int width, int height) {
  const auto w = static_cast<unsigned long>(width);
  const auto h = static_cast<unsigned long>(height);
  // Header: memory metafile, 9-word header, version 0x0300, total size, no objects, largest record.
  std::string s = "010009000003" + HexLE(words + 36, 8) + "0000" + HexLE(words, 8) + "0000";
  s += "050000000b0200000000";                                  // SetWindowOrg 0, 0
  s += "050000000c02" + HexLE(h, 4) + HexLE(w, 4);              // SetWindowExt
  s += "05000000090200000000050000000102ffffff000400000007010300";  // text black, back white, stretch mode 3
  // StretchDIB: size, function, SRCCOPY, colour use; source and destination height, width, y, x.
  s += HexLE(words, 8) + "430f2000cc000000" + HexLE(h, 4) + HexLE(w, 4) + "00000000" + HexLE(h, 4) + HexLE(w, 4) +
       "00000000";
  s += "\r\n";
  return s;
}

}  // namespace oxqr
