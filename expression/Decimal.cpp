#include "expression/Decimal.h"

#include <charconv>
#include <cmath>

namespace oxqr::expr {
namespace {

using M = TDecimal::TMantissa;

constexpr M Pow10(int n) {
  M p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

bool MulOverflows(M a, M b, M& out) { return __builtin_mul_overflow(a, b, &out); }

// m / 10^n rounded half away from zero.
M DropDigits(M m, int n) {
  if (n <= 0) return m;
  if (n > 38) return 0;
  const M p = Pow10(n);
  M q = m / p;
  const M r = m % p;
  const M twice = (r < 0 ? -r : r) * 2;
  if (twice >= p) q += m < 0 ? -1 : 1;
  return q;
}

// Brings both to the larger scale; false when that does not fit.
bool Align(const TDecimal& a, const TDecimal& b, M& am, M& bm, int& scale) {
  scale = std::max(a.Scale(), b.Scale());
  return !MulOverflows(a.Mantissa(), Pow10(scale - a.Scale()), am) &&
         !MulOverflows(b.Mantissa(), Pow10(scale - b.Scale()), bm);
}

}  // namespace

std::optional<TDecimal> TDecimal::Make(M mantissa, int scale) {
  if (scale < 0) {
    M m;
    if (MulOverflows(mantissa, Pow10(-scale), m)) return std::nullopt;
    return TDecimal(m, 0);
  }
  if (scale > kMaxScale) return TDecimal(DropDigits(mantissa, scale - kMaxScale), kMaxScale);
  return TDecimal(mantissa, scale);
}

std::optional<TDecimal> TDecimal::FromDouble(double v) {
  if (!std::isfinite(v) || std::fabs(v) >= 1e20) return std::nullopt;
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  if (ec != std::errc()) return std::nullopt;
  // Shortest fixed text of a tiny value can hold more places than we keep: round them.
  std::string_view text(buf, static_cast<std::size_t>(end - buf));
  const auto dot = text.find('.');
  if (dot != std::string_view::npos && text.size() - dot - 1 > kMaxScale) {
    std::string digits(text.substr(0, dot));
    digits += text.substr(dot + 1);
    M m = 0;
    bool negative = false;
    for (char c : digits) {
      if (c == '-') negative = true;
      else m = m * 10 + (c - '0');
    }
    if (negative) m = -m;
    return Make(m, static_cast<int>(text.size() - dot - 1));
  }
  return Parse(text);
}

std::optional<TDecimal> TDecimal::Parse(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  M m = 0;
  int scale = 0, digits = 0;
  bool dot = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !dot) {
      dot = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    if (dot && scale == kMaxScale) continue;  // places beyond the kept ones are dropped
    if (MulOverflows(m, 10, m)) return std::nullopt;
    m += c - '0';
    ++digits;
    if (dot) ++scale;
  }
  if (digits == 0) return std::nullopt;
  return TDecimal(negative ? -m : m, scale);
}

double TDecimal::ToDouble() const {
  // Through text: the nearest double to the exact value.
  const std::string s = ToString();
  double v = 0;
  std::from_chars(s.data(), s.data() + s.size(), v);
  return v;
}

std::optional<std::int64_t> TDecimal::ToInt() const {
  const M whole = m_ / Pow10(scale_);
  if (whole > INT64_MAX || whole < INT64_MIN) return std::nullopt;
  return static_cast<std::int64_t>(whole);
}

std::string TDecimal::ToString() const {
  const TDecimal n = Normalized();
  M m = n.m_ < 0 ? -n.m_ : n.m_;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m != 0);
  if (n.scale_ > 0) {
    if (digits.size() <= static_cast<std::size_t>(n.scale_))
      digits.insert(0, static_cast<std::size_t>(n.scale_) - digits.size() + 1, '0');
    digits.insert(digits.size() - static_cast<std::size_t>(n.scale_), 1, '.');
  }
  return (n.m_ < 0 ? "-" : "") + digits;
}

TDecimal TDecimal::Normalized() const {
  TDecimal d = *this;
  while (d.scale_ > 0 && d.m_ % 10 == 0) {
    d.m_ /= 10;
    --d.scale_;
  }
  return d;
}

std::optional<TDecimal> operator+(const TDecimal& a, const TDecimal& b) {
  M am, bm, sum;
  int scale;
  if (!Align(a, b, am, bm, scale) || __builtin_add_overflow(am, bm, &sum)) return std::nullopt;
  return TDecimal(sum, scale);
}

std::optional<TDecimal> operator-(const TDecimal& a, const TDecimal& b) { return a + (-b); }

std::optional<TDecimal> operator*(const TDecimal& a, const TDecimal& b) {
  TDecimal x = a.Normalized(), y = b.Normalized();
  M m;
  // Places beyond those the result keeps are dropped from the operands until it fits.
  while (MulOverflows(x.m_, y.m_, m)) {
    if (x.scale_ + y.scale_ <= TDecimal::kMaxScale) return std::nullopt;
    TDecimal& wider = x.scale_ >= y.scale_ ? x : y;
    wider = TDecimal(DropDigits(wider.m_, 1), wider.scale_ - 1);
  }
  return TDecimal::Make(m, x.scale_ + y.scale_);
}

std::optional<TDecimal> operator/(const TDecimal& a, const TDecimal& b) {
  if (b.m_ == 0) return std::nullopt;
  const TDecimal x = a.Normalized(), y = b.Normalized();
  // x.m * 10^e / y.m has scale e + x.scale - y.scale; aim for kMaxScale + 1 places
  // (one to round), fewer when the numerator would not fit.
  for (int e = TDecimal::kMaxScale + 1 + y.scale_ - x.scale_; e >= 0; --e) {
    if (e > 38) continue;
    M num;
    if (MulOverflows(x.m_, Pow10(e), num)) continue;
    const int scale = e + x.scale_ - y.scale_;
    M q = num / y.m_;
    const M r = num % y.m_;
    const M ar = r < 0 ? -r : r, ab = y.m_ < 0 ? -y.m_ : y.m_;
    if (ar * 2 >= ab && ar != 0) q += ((num < 0) != (y.m_ < 0)) ? -1 : 1;
    auto result = TDecimal::Make(q, scale);
    return result ? std::optional(result->Normalized()) : std::nullopt;
  }
  return std::nullopt;
}

std::optional<TDecimal> operator%(const TDecimal& a, const TDecimal& b) {
  if (b.m_ == 0) return std::nullopt;
  M am, bm;
  int scale;
  if (!Align(a, b, am, bm, scale)) return std::nullopt;
  return TDecimal(am % bm, scale);
}

int Compare(const TDecimal& a, const TDecimal& b) {
  M am, bm;
  int scale;
  if (Align(a, b, am, bm, scale)) return am < bm ? -1 : am > bm ? 1 : 0;
  // Too far apart to align: the signs and magnitudes decide through doubles.
  const double x = a.ToDouble(), y = b.ToDouble();
  return x < y ? -1 : x > y ? 1 : 0;
}

std::optional<TDecimal> TDecimal::Round(int places) const {
  if (places < -kMaxScale || places > kMaxScale) return std::nullopt;
  if (places >= scale_) return *this;
  const M m = DropDigits(m_, scale_ - places);
  return Make(m, places);
}

TDecimal TDecimal::Floor() const {
  const M p = Pow10(scale_);
  M q = m_ / p;
  if (m_ % p != 0 && m_ < 0) --q;
  return TDecimal(q, 0);
}

TDecimal TDecimal::Ceil() const {
  const M p = Pow10(scale_);
  M q = m_ / p;
  if (m_ % p != 0 && m_ > 0) ++q;
  return TDecimal(q, 0);
}

}  // namespace oxqr::expr
