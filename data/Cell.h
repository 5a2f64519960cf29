#pragma once
// One stored value of a record, as every database connection hands it over, and the
// values a query's parameters are set to.
#include <cstdint>
#include <string>
#include <string_view>

namespace oxqr {

struct TCell {
  enum class TKind : std::uint8_t { Null, Int, Real, Text, Blob } Kind = TKind::Null;
  std::int64_t Int = 0;
  double Real = 0;
  std::string Bytes;  // Text: ANSI; Blob: raw bytes
  std::string Utf8;   // Text: as stored (used to link detail tables exactly)

  static TCell Null() { return {}; }
  static TCell Integer(std::int64_t v);
  static TCell Float(double v);
  // Text as the database stores it (UTF-8); the ANSI form the engine prints is derived
  // here, the one place where data text is converted.
  static TCell FromUtf8(std::string utf8);
  // Makes this cell that text, reusing its strings' storage: rows read one after another
  // into the same cells allocate only when a text is longer than any before it.
  void AssignUtf8(std::string_view utf8);
  // Text as the engine holds it (ANSI).
  static TCell FromAnsi(const std::string& ansi);
  static TCell Blob(std::string bytes);

 private:
  void DeriveAnsi();
};

}  // namespace oxqr
