// Amounts in cents: FormatFloatC lets a trailing 5 go up where the runtime's
// FormatFloat sees the binary value just below it; to_cents rounds as the
// pattern "0.00" does and never lets inf or NaN through.
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "billing/cents.hpp"
#include "platform/rtl/numbers.hpp"

namespace zpk {
namespace {

TEST(FormatFloatC, ATrailingFiveAlwaysGoesUp) {
  const struct {
    const char* pattern;
    double value;
    const char* expected;
    const char* plain;  // FormatFloat of the same value, for contrast
  } kCases[] = {
      {"0.00", 2.675, "2,68", "2,67"},  // held as 2.67499999...
      {"0.00", 1.005, "1,01", "1,00"},
      {"0.00", 39.996, "40,00", "40,00"},
      {"0.00", 2.674, "2,67", "2,67"},
      {"0.00", 2.6749, "2,67", "2,67"},         // the digit after the cents is 4
      {"0.00", 12.5, "12,50", "12,50"},         // fewer decimals than the pattern keeps
      {"0.0000", 1.00005, "1,0001", "1,0001"},  // held just above: both go up
      {"0", 0.5, "1", "1"},
      {"0.00", 0, "0,00", "0,00"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.pattern) + " " + std::to_string(c.value));
    EXPECT_EQ(FormatFloatC(c.pattern, c.value), c.expected);
    EXPECT_EQ(FormatFloat(c.pattern, c.value), c.plain);
  }
}

TEST(ToCents, RoundsLikeThePatternAndNeverGivesInfOrNaN) {
  const struct {
    double value, expected;
  } kCases[] = {
      {39.996, 40.00},
      {12.344999, 12.34},
      {0.125, 0.13},  // exactly representable: half away from zero
      {-0.125, -0.13},
      {1234567.891, 1234567.89},
      {0.005, 0.01},
      {-0.005, -0.01},
      {1.5045, 1.50},
      {2.675, 2.67},  // just below 2.675 in binary
      {100, 100},
      {std::numeric_limits<double>::infinity(), 0},
      {-std::numeric_limits<double>::infinity(), 0},
      {std::nan(""), 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(to_cents(c.value), c.expected);
  }
  EXPECT_EQ(divide_or_zero(10, 0), 0);
  EXPECT_EQ(divide_or_zero(1e308, 1e-308), 0);
  EXPECT_EQ(divide_or_zero(10, 4), 2.5);
}

}  // namespace
}  // namespace zpk
