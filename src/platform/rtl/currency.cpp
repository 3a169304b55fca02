// Currency conversions and products, rounded half away from zero on the
// decimal digits of the value (the same rule as FormatFloat and RoundTo).
#include "platform/rtl/currency.hpp"

#include <cmath>

#include "platform/rtl/detail/decimal.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/format_settings.hpp"

namespace zpk {
namespace {

[[noreturn]] void raise_overflow() {
  throw EZpkError("Currency value out of range");
}

// The value (in units of 1/10000) rounded half away from zero to a whole unit.
int64_t units_of(long double scaled) {
  if (std::isnan(scaled) || std::isinf(scaled)) raise_overflow();
  detail::Decimal d = detail::to_decimal(scaled);
  detail::round_decimals(d, 0);
  int64_t raw;
  if (!detail::decimal_to_int64(d, raw)) raise_overflow();
  return raw;
}

}  // namespace

Currency::Currency(double value) {
  if (std::isnan(value) || std::isinf(value)) raise_overflow();
  // Round on the digits of the double itself (so 0.00125 -> 0.0013), then scale
  // exactly by moving the decimal point four places.
  detail::Decimal d = detail::to_decimal(value);
  detail::round_decimals(d, 4);
  d.exp += 4;
  if (!detail::decimal_to_int64(d, raw_)) raise_overflow();
}

Currency operator*(Currency a, double b) {
  return Currency::FromRaw(units_of(static_cast<long double>(a.raw_) * static_cast<long double>(b)));
}

Currency operator/(Currency a, double b) {
  // A division by zero yields zero rather than an infinite amount.
  if (b == 0) return Currency{};
  return Currency::FromRaw(units_of(static_cast<long double>(a.raw_) / static_cast<long double>(b)));
}

std::string CurrToStr(Currency value) {
  const int64_t raw = value.Raw();
  const uint64_t mag = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  std::string out;
  if (raw < 0) out.push_back('-');
  out += std::to_string(mag / Currency::kScale);
  uint64_t frac = mag % Currency::kScale;
  if (frac != 0) {
    char digits[4];
    for (int i = 3; i >= 0; --i) {
      digits[i] = static_cast<char>('0' + frac % 10);
      frac /= 10;
    }
    int n = 4;
    while (digits[n - 1] == '0') --n;
    out.push_back(FormatSettings.DecimalSeparator);
    out.append(digits, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace zpk
