#include "NumberText.h"

#include <charconv>

#include "platform/Types.h"

namespace oxqr {

std::string FixedNumber4(double value) {
  // to_chars never consults the C or C++ locale, so the separator is always '.'.
  char buf[64];
  const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 4);
  if (ec != std::errc()) return "0.0000";
  std::string s(buf, ptr);
  if (s == "-0.0000") s.erase(0, 1);
  return s;
}

std::string RoundedNumber(double value) { return std::to_string(RoundHalfEven(value)); }

}  // namespace oxqr
