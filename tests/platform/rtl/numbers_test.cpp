// Number formatting and reading: the runtime's patterns and rounding (18
// significant digits, half away from zero), decimal comma, conversion errors.
#include "platform/rtl/numbers.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/rtl/errors.hpp"

namespace zpk {
namespace {

TEST(FormatFloat, FollowsPatternsAndRoundsOnDecimalDigits) {
  const struct {
    const char* pattern;
    double value;
    const char* want;
  } kCases[] = {
      {"0.00", 39.996, "40,00"},
      {"0.00", 2.675, "2,67"},  // 2.67499999999999982236431605997495353221893310546875
      {"0.00", 1.005, "1,00"},  // just below the half too
      {"0.00", 0.125, "0,13"},  // an exact half goes away from zero
      {"0.00", -0.125, "-0,13"},
      {"0.00", 2.345, "2,35"},  // 2.34500000000000019...
      {"0.00", 1.115, "1,11"},  // 1.11499999999999999...
      {"#,##0.00", 1234567.891, "1.234.567,89"},
      {"#,##0.00", -1234.5, "-1.234,50"},
      {"#,##0.00", 0, "0,00"},
      {"#,##0.00", 999.999, "1.000,00"},
      {"#,##0.00", 123.4, "123,40"},
      {"#,##0", 999999.5, "1.000.000"},
      {"R$ #,##0.00", 1234.5, "R$ 1.234,50"},
      {"R$ #,##0.00", -1234.5, "-R$ 1.234,50"},
      {"'R$' #,##0.00", 12, "R$ 12,00"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0", 0.4, "0"},
      {"#0.00", -0.001, "0,00"},  // rounds to zero: no sign
      {"0.00", -0.004999, "0,00"},
      {"0.00", -0.005, "-0,01"},
      {"0.0000", 3.14159265, "3,1416"},
      {"0.00000", 0.000005, "0,00001"},
      {"0.00", 1e17, "100000000000000000,00"},
      {"00000", 42, "00042"},
      {"#.##", 0.5, ",5"},
      {"0.##", 5, "5"},
      {"0.0#", 1.25, "1,25"},
      {"0.0#", 1.2, "1,2"},
      {"#", 0, ""},
      {"000-000", 123456, "123-456"},
      {"0.00;(0.00)", -5, "(5,00)"},
      {"0.00;(0.00);zero", 0, "zero"},
      {"0.00;(0.00);zero", -0.001, "zero"},
      {"0.00;;zero", -2, "-2,00"},  // empty negative section: the first one, with "-"
      {"0.00E+00", 1234.5, "1,23E+03"},
      {"0.00E+00", 0.000123, "1,23E-04"},
      {"0.00E-00", 1234.5, "1,23E03"},
      {"00.0E+0", -98765, "-98,8E+3"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.pattern) + " " + std::to_string(c.value));
    EXPECT_EQ(FormatFloat(c.pattern, c.value), c.want);
  }
}

TEST(FormatFloat, PrintsEveryCentValueExactly) {
  // Values that are whole cents must come back as those cents, in both
  // directions through the text.
  for (int64_t cents = -300000; cents <= 300000; cents += 7) {
    const double value = static_cast<double>(cents) / 100.0;
    const int64_t mag = cents < 0 ? -cents : cents;
    char want[40];
    std::snprintf(want, sizeof want, "%s%lld,%02lld", cents < 0 ? "-" : "", static_cast<long long>(mag / 100),
                  static_cast<long long>(mag % 100));
    const std::string text = FormatFloat("0.00", value);
    ASSERT_EQ(text, want) << value;
    ASSERT_EQ(StrToFloat(text), value) << text;
  }
}

TEST(FormatFloat, UsesTheGivenSeparators) {
  TFormatSettings fs;
  fs.DecimalSeparator = '.';
  fs.ThousandSeparator = ',';
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, fs), "1,234,567.89");
  EXPECT_EQ(FormatFloat("0.00", 39.996, fs), "40.00");
}

TEST(FloatToStr, GeneralFormWithFifteenDigits) {
  const struct {
    double value;
    const char* want;
  } kCases[] = {
      {1234.5, "1234,5"},
      {0.1, "0,1"},
      {10, "10"},
      {0, "0"},
      {-0.0, "0"},
      {-1234.5, "-1234,5"},
      {1.0 / 3, "0,333333333333333"},
      {2.675, "2,675"},
      {0.1 + 0.2, "0,3"},
      {999999999999999, "999999999999999"},
      {1e15, "1E15"},
      {1e20, "1E20"},
      {-1.5e20, "-1,5E20"},
      {0.00001, "0,00001"},
      {1.5e-7, "1,5E-7"},
      {1e-6, "1E-6"},
      {123456789012345678.0, "1,23456789012346E17"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      {std::nan(""), "NAN"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(FloatToStr(c.value), c.want);
  }
}

TEST(FloatToStrF, FormatsByKindPrecisionAndDigits) {
  using enum TFloatFormat;
  const struct {
    double value;
    TFloatFormat format;
    int precision, digits;
    const char* want;
  } kCases[] = {
      {1234.567, ffNumber, 7, 2, "1.234,57"},
      {1234.565, ffNumber, 7, 2, "1.234,57"},  // 1234.5650000000000546...
      {-1234.567, ffNumber, 7, 2, "-1.234,57"},
      {1234567.891, ffNumber, 15, 2, "1.234.567,89"},
      {0.5, ffFixed, 15, 3, "0,500"},
      {1234.567, ffFixed, 15, 0, "1235"},
      {-0.001, ffFixed, 15, 2, "0,00"},
      {1234.567, ffFixed, 5, 2, "1234,60"},  // precision bounds the digits first
      {1234.5, ffCurrency, 15, 2, "R$ 1.234,50"},
      {-1234.5, ffCurrency, 15, 2, "-R$ 1.234,50"},
      {1234.5, ffExponent, 4, 2, "1,235E+03"},
      {-0.00012, ffExponent, 3, 0, "-1,20E-4"},
      {1234.5, ffGeneral, 15, 0, "1234,5"},
      {1234.5, ffGeneral, 3, 0, "1,23E3"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.value) + " " + c.want);
    EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits), c.want);
  }
}

TEST(StrToFloat, ReadsTheDecimalSeparatorOfTheSettings) {
  const struct {
    const char* text;
    double want;
  } kCases[] = {
      {"1234,5", 1234.5}, {" 12,5 ", 12.5}, {"-0,001", -0.001}, {"+7", 7},
      {",5", 0.5},        {"5,", 5},        {"1,5E3", 1500},    {"1,5e-3", 0.0015},
      {"0", 0},           {"\t42\r\n", 42}, {"1e-400", 0},      {"0,1", 0.1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StrToFloat(c.text), c.want);
    double v = -1;
    EXPECT_TRUE(TryStrToFloat(c.text, v));
    EXPECT_EQ(v, c.want);
  }
  TFormatSettings point;
  point.DecimalSeparator = '.';
  EXPECT_EQ(StrToFloat("1234.5", point), 1234.5);
  EXPECT_THROW(StrToFloat("1234,5", point), EConvertError);
}

TEST(StrToFloat, RejectsWhatIsNotANumber) {
  const char* const kCases[] = {"",   "   ", "abc", "1.5", "1.234,5", "12a",  "1,2,3", "--1",
                                "1e", "e5",  ",",   "1 2", "1e999",   "R$ 5", "NaN",   "0x10"};
  for (const char* text : kCases) {
    SCOPED_TRACE(text);
    EXPECT_THROW(StrToFloat(text), EConvertError);
    double v = 123;
    EXPECT_FALSE(TryStrToFloat(text, v));
    EXPECT_EQ(v, 123);  // untouched on failure
    EXPECT_EQ(StrToFloatDef(text, -9), -9);
  }
  try {
    StrToFloat("abc");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
  }
}

TEST(StrToInt, ReadsDecimalAndHexadecimal) {
  const struct {
    const char* text;
    int want;
  } kCases[] = {
      {"0", 0},
      {"123", 123},
      {"-123", -123},
      {"+5", 5},
      {"  42", 42},
      {"007", 7},
      {"$FF", 255},
      {"$ff", 255},
      {"0x1F", 31},
      {"x1F", 31},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StrToInt(c.text), c.want);
    EXPECT_EQ(StrToIntDef(c.text, -99), c.want);
  }
  const char* const kBad[] = {"",  "abc",        "12 ", "1,5", "1.0", "2147483648", "-2147483649",
                              "$", "$1FFFFFFFF", "- 1", "12a"};
  for (const char* text : kBad) {
    SCOPED_TRACE(text);
    EXPECT_THROW(StrToInt(text), EConvertError);
    EXPECT_EQ(StrToIntDef(text, -99), -99);
    int v = 5;
    EXPECT_FALSE(TryStrToInt(text, v));
    EXPECT_EQ(v, 5);
  }
  try {
    StrToInt("abc");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

TEST(StrToInt64, CoversTheWholeRange) {
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(StrToInt64("2147483648"), 2147483648LL);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(StrToInt64Def("x", 7), 7);
  EXPECT_EQ(IntToStr(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(IntToStr(0), "0");
}

TEST(RoundTo, RoundsHalfAwayFromZeroOnTheDecimalDigits) {
  const struct {
    double value;
    int decimals;
    double want;
  } kCases[] = {
      {2.675, 2, 2.67},
      {39.996, 2, 40.0},
      {0.125, 2, 0.13},
      {-0.125, 2, -0.13},
      {1.005, 2, 1.0},
      {1234.5, 0, 1235.0},
      {-2.5, 0, -3.0},
      {1.23456, 4, 1.2346},
      {1234.5, -1, 1230.0},
      {1250, -2, 1300.0},
      {0.004, 2, 0.0},
      {0.0, 2, 0.0},
      // 1.15 and 1.45 are stored just below the half.
      {1.15, 1, 1.1},
      {1.45, 1, 1.4},
      {1.25, 1, 1.3},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.value) + " at " + std::to_string(c.decimals));
    EXPECT_EQ(RoundTo(c.value, c.decimals), c.want);
  }
}

TEST(IntegerParts, TruncRoundFracInt) {
  const struct {
    double value;
    int64_t trunc, round;
    double frac;
  } kCases[] = {
      {2.5, 2, 2, 0.5},     {3.5, 3, 4, 0.5},   {-2.5, -2, -2, -0.5},
      {-2.7, -2, -3, -0.7}, {0.49, 0, 0, 0.49}, {1e15, 1000000000000000, 1000000000000000, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(Trunc(c.value), c.trunc);
    EXPECT_EQ(Round(c.value), c.round);
    EXPECT_DOUBLE_EQ(Frac(c.value), c.frac);
    EXPECT_EQ(Int(c.value), static_cast<double>(c.trunc));
  }
  EXPECT_THROW(Trunc(1e19), EZpkError);
  EXPECT_THROW(Round(std::nan("")), EZpkError);
}

}  // namespace
}  // namespace zpk
