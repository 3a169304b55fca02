// The runtime's Currency: a fixed-point amount with four decimals held in an
// int64, so sums of money are exact to the hundredth of a cent.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace zpk {

class Currency {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Currency() = default;
  // From a double, rounded to the nearest ten-thousandth (half away from zero, on
  // its 18 significant decimal digits); raises EZpkError for NaN, infinities and
  // values beyond the range (about 9.2e14).
  Currency(double value);  // NOLINT(google-explicit-constructor): Delphi assigns doubles freely
  static constexpr Currency FromRaw(int64_t raw) {
    Currency c;
    c.raw_ = raw;
    return c;
  }

  constexpr int64_t Raw() const { return raw_; }
  double ToDouble() const { return static_cast<double>(raw_) / kScale; }
  explicit operator double() const { return ToDouble(); }

  friend constexpr auto operator<=>(Currency, Currency) = default;
  friend Currency operator+(Currency a, Currency b) { return FromRaw(a.raw_ + b.raw_); }
  friend Currency operator-(Currency a, Currency b) { return FromRaw(a.raw_ - b.raw_); }
  friend Currency operator-(Currency a) { return FromRaw(-a.raw_); }
  // Products and quotients are rounded to four decimals (half away from zero);
  // a division by zero yields zero rather than an infinite amount.
  friend Currency operator*(Currency a, double b);
  friend Currency operator/(Currency a, double b);
  Currency& operator+=(Currency b) {
    raw_ += b.raw_;
    return *this;
  }
  Currency& operator-=(Currency b) {
    raw_ -= b.raw_;
    return *this;
  }

 private:
  int64_t raw_ = 0;
};

// "1234,5678" style text with the decimal separator of the format settings.
std::string CurrToStr(Currency value);

}  // namespace zpk
