// Currency: four exact decimals, rounding half away from zero on the decimal
// digits of the double it comes from.
#include "platform/rtl/currency.hpp"

#include <gtest/gtest.h>

#include "platform/rtl/errors.hpp"

namespace zpk {
namespace {

TEST(Currency, RoundsDoublesToFourDecimals) {
  const struct {
    double value;
    int64_t raw;
  } kCases[] = {
      {0, 0},
      {1.5, 15000},
      {0.125, 1250},
      {1.00005, 10001},  // 1.0000500000000001...
      {-1.00005, -10001},
      {0.00005, 1},  // 0.0000500000000000000024
      {0.000049999, 0},
      {2.675, 26750},
      {1234567.891234, 12345678912},
      {0.1 + 0.2, 3000},
      {-0.00004, 0},
      {922337203685477.0, 9223372036854770000},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(Currency(c.value).Raw(), c.raw);
  }
  EXPECT_THROW(Currency(1e16), EZpkError);
  EXPECT_THROW(Currency(-1e16), EZpkError);
}

TEST(Currency, SumsAreExact) {
  Currency sum;
  for (int i = 0; i < 10; ++i) sum += 0.1;
  EXPECT_EQ(sum, Currency(1.0));
  EXPECT_EQ(Currency(10.1) - Currency(0.1), Currency(10.0));
  EXPECT_EQ(-Currency(2.5), Currency(-2.5));
  EXPECT_LT(Currency(-0.0001), Currency(0.0));
}

TEST(Currency, ProductsAndQuotientsRoundToFourDecimals) {
  const struct {
    double a, b;
    bool divide;
    int64_t raw;
  } kCases[] = {
      {10.5, 3, false, 315000},     {1.2345, 0.5, false, 6173},  // 0.61725 -> 0.6173
      {-1.2345, 0.5, false, -6173}, {19.99, 0.15, false, 29985}, {10, 3, true, 33333},
      {20, 3, true, 66667},         {-20, 3, true, -66667},      {1, 8, true, 1250},
      {0.0001, 2, true, 1},         {100, 0, true, 0},  // no infinite amounts
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.a) + (c.divide ? " / " : " * ") + std::to_string(c.b));
    const Currency r = c.divide ? Currency(c.a) / c.b : Currency(c.a) * c.b;
    EXPECT_EQ(r.Raw(), c.raw);
  }
}

TEST(CurrToStr, WritesTheDecimalsThatMatter) {
  const struct {
    double value;
    const char* want;
  } kCases[] = {
      {1234.5678, "1234,5678"}, {1.5, "1,5"}, {10, "10"}, {0, "0"}, {-0.0001, "-0,0001"}, {-12.3, "-12,3"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(CurrToStr(Currency(c.value)), c.want);
  }
  EXPECT_EQ(CurrToStr(Currency::FromRaw(INT64_MIN)), "-922337203685477,5808");
  EXPECT_DOUBLE_EQ(Currency(1234.5678).ToDouble(), 1234.5678);
}

}  // namespace
}  // namespace zpk
