#pragma once
// Number text the document formats write: the same digits whatever the C or platform locale.
#include <string>

namespace oxqr {

// Fixed point with four decimals and '.': "595.2756", "-12.0000". A value that rounds to zero
// is written "0.0000" (never "-0.0000").
std::string FixedNumber4(double value);

// The value rounded half to even, as integer text: 2.5 gives "2", -3.5 gives "-4".
std::string RoundedNumber(double value);

}  // namespace oxqr
