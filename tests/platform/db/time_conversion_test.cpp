// Conversions between TDateTime days and Firebird's DATE/TIME counts: days
// before 1899-12-30 keep their time as a positive fraction, and a time that
// rounds to midnight moves to the next day.
#include <cstdint>

#include <gtest/gtest.h>

#include "platform/db/detail/time_conversion.hpp"

namespace zpk::detail {
namespace {

constexpr uint32_t kUnitsPerDay = 864000000;  // 1/10000 s

TEST(TimeConversion, DaysMapToFirebirdDateAndTime) {
  const struct {
    double days;
    int32_t date;
    uint32_t time;
    double back;  // read back, to the nearest ten-thousandth of a second
  } kCases[] = {
      {0, 15018, 0, 0},                                          // 1899-12-30, the TDateTime epoch
      {1.5, 15019, kUnitsPerDay / 2, 1.5},                       // 1899-12-31 12:00
      {45658.25, 60676, kUnitsPerDay / 4, 45658.25},             // 2025-01-01 06:00
      {-1.25, 15017, kUnitsPerDay / 4, -1.25},                   // 1899-12-29 06:00: the fraction's magnitude
      {-693593, 15018 - 693593, 0, -693593},                     // 0001-01-01
      {2.99999999999, 15021, 0, 3},                              // rounds to the next midnight
      {10.0000115740740741, 15028, 10000, 10.0000115740740741},  // one second past midnight
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.days);
    int32_t date = 0;
    uint32_t time = 0;
    to_isc_timestamp(c.days, date, time);
    EXPECT_EQ(date, c.date);
    EXPECT_EQ(time, c.time);
    EXPECT_EQ(to_isc_date(c.days), c.date);
    EXPECT_EQ(to_isc_time(c.days), c.time);
    EXPECT_NEAR(from_isc_timestamp(date, time), c.back, 1e-9);
  }
  EXPECT_EQ(from_isc_date(15018), 0.0);
  EXPECT_EQ(from_isc_time(kUnitsPerDay / 2), 0.5);
}

}  // namespace
}  // namespace zpk::detail
