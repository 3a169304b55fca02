// Decimal digits of a binary floating-point value, taken at 18 significant
// digits, and their rounding half away from zero: the one rounding rule behind
// FormatFloat, RoundTo and Currency.
#pragma once

#include <cstdint>

namespace zpk::detail {

// The value is 0.D1D2...Dn x 10^exp (n == 0 for zero); digits are ASCII and
// carry no trailing zeros.
struct Decimal {
  char digits[24];
  int count = 0;
  int exp = 0;
  bool negative = false;
};

// The value at 18 significant digits (correctly rounded from its binary form).
// NaN and infinities are not handled: callers test them first.
Decimal to_decimal(double value);
Decimal to_decimal(long double value);

// Keeps the first `keep` digits, rounding half away from zero on the digit that
// follows; keep <= 0 may round up to a single digit of the next power of ten.
void round_digits(Decimal& d, int keep);

// Rounds to `decimals` places after the decimal point (negative: tens, ...).
inline void round_decimals(Decimal& d, int decimals) {
  round_digits(d, d.exp + decimals);
}

// The integer value of a Decimal that holds no fraction; false on overflow.
bool decimal_to_int64(const Decimal& d, int64_t& out);

}  // namespace zpk::detail
