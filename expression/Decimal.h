#pragma once
// TDecimal: an exact decimal number, a 128-bit integer mantissa with a scale of 0 to 18
// decimal places. Money stays exact: 0.10 + 0.20 is 0.30, and a sum of a million amounts in
// cents has no rounding error. Multiplication keeps up to 18 places (rounding half away
// from zero beyond), division gives 18 places. An operation whose result does not fit
// (about 1.7e20 at 18 places, 1.7e38 whole) answers nullopt, which evaluation turns into
// null with a counted message.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oxqr::expr {

class TDecimal {
 public:
  static constexpr int kMaxScale = 18;
  using TMantissa = __int128;

  constexpr TDecimal() = default;
  static constexpr TDecimal FromInt(std::int64_t v) { return TDecimal(v, 0); }
  // The shortest decimal text that reads back as `v` (0.1 stays 0.1); nullopt for
  // infinities, NaN and magnitudes beyond the range.
  static std::optional<TDecimal> FromDouble(double v);
  // "-12.50", "3", "1e3" is not read (no exponent); nullopt for anything else.
  static std::optional<TDecimal> Parse(std::string_view text);
  static std::optional<TDecimal> Make(TMantissa mantissa, int scale);

  TMantissa Mantissa() const { return m_; }
  int Scale() const { return scale_; }
  bool IsZero() const { return m_ == 0; }
  bool IsNegative() const { return m_ < 0; }
  double ToDouble() const;
  // The whole part (towards zero); nullopt beyond int64.
  std::optional<std::int64_t> ToInt() const;
  // Plain text with '.' and without trailing zeros after the point ("12.5", "-3", "0.001").
  std::string ToString() const;

  friend std::optional<TDecimal> operator+(const TDecimal& a, const TDecimal& b);
  friend std::optional<TDecimal> operator-(const TDecimal& a, const TDecimal& b);
  friend std::optional<TDecimal> operator*(const TDecimal& a, const TDecimal& b);
  // nullopt also for a zero divisor (callers check first to count it apart).
  friend std::optional<TDecimal> operator/(const TDecimal& a, const TDecimal& b);
  friend std::optional<TDecimal> operator%(const TDecimal& a, const TDecimal& b);
  TDecimal operator-() const { return TDecimal(-m_, scale_); }
  friend int Compare(const TDecimal& a, const TDecimal& b);
  friend bool operator==(const TDecimal& a, const TDecimal& b) { return Compare(a, b) == 0; }

  // Rounded to `places` decimal places (-18..18), half away from zero.
  std::optional<TDecimal> Round(int places) const;
  TDecimal Floor() const;
  TDecimal Ceil() const;
  TDecimal Abs() const { return m_ < 0 ? -*this : *this; }
  // Without trailing zeros after the point.
  TDecimal Normalized() const;

 private:
  constexpr TDecimal(TMantissa m, int scale) : m_(m), scale_(static_cast<std::int8_t>(scale)) {}
  TMantissa m_ = 0;
  std::int8_t scale_ = 0;
};

}  // namespace oxqr::expr
