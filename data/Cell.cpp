#include "data/Cell.h"

#include <algorithm>
#include <utility>

#include "platform/CodePage.h"

namespace oxqr {

namespace {

bool IsAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char ch) { return (ch & 0x80) == 0; });
}

}  // namespace

TCell TCell::Integer(std::int64_t v) {
  TCell c;
  c.Kind = TKind::Int;
  c.Int = v;
  c.Real = static_cast<double>(v);
  return c;
}

TCell TCell::Float(double v) {
  TCell c;
  c.Kind = TKind::Real;
  c.Real = v;
  return c;
}

TCell TCell::FromUtf8(std::string utf8) {
  TCell c;
  c.Kind = TKind::Text;
  c.Utf8 = std::move(utf8);
  c.DeriveAnsi();
  return c;
}

void TCell::AssignUtf8(std::string_view utf8) {
  Kind = TKind::Text;
  Int = 0;
  Real = 0;
  Utf8.assign(utf8);
  DeriveAnsi();
}

void TCell::DeriveAnsi() {
  // Most text is plain ASCII, which is the same in every ANSI code page.
  if (IsAscii(Utf8)) Bytes.assign(Utf8);
  else Bytes = Utf8ToAnsi(Utf8);
}

TCell TCell::FromAnsi(const std::string& ansi) {
  TCell c;
  c.Kind = TKind::Text;
  c.Bytes = ansi;
  c.Utf8 = IsAscii(ansi) ? ansi : AnsiToUtf8(ansi);
  return c;
}

TCell TCell::Blob(std::string bytes) {
  TCell c;
  c.Kind = TKind::Blob;
  c.Bytes = std::move(bytes);
  return c;
}

}  // namespace oxqr
