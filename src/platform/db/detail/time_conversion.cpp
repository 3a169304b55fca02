#include "platform/db/detail/time_conversion.hpp"

#include <cmath>

namespace zpk::detail {

namespace {

constexpr int32_t kIscDateOf18991230 = 15018;     // days from 1858-11-17 to 1899-12-30
constexpr double kTimeUnitsPerDay = 864000000.0;  // ISC_TIME counts 1/10000 s

}  // namespace

int32_t to_isc_date(double days) {
  int32_t date = 0;
  uint32_t time = 0;
  to_isc_timestamp(days, date, time);
  return date;
}

uint32_t to_isc_time(double days) {
  int32_t date = 0;
  uint32_t time = 0;
  to_isc_timestamp(days, date, time);
  return time;
}

void to_isc_timestamp(double days, int32_t& date, uint32_t& time) {
  // The runtime's convention: the whole part is the day (negative before
  // 1899-12-30), the fraction's magnitude is the time of that day.
  double whole = std::trunc(days);
  int64_t units = std::llround(std::fabs(days - whole) * kTimeUnitsPerDay);
  if (units >= static_cast<int64_t>(kTimeUnitsPerDay)) {
    units -= static_cast<int64_t>(kTimeUnitsPerDay);
    whole += 1;
  }
  date = static_cast<int32_t>(whole) + kIscDateOf18991230;
  time = static_cast<uint32_t>(units);
}

double from_isc_date(int32_t date) {
  return static_cast<double>(date - kIscDateOf18991230);
}

double from_isc_time(uint32_t time) {
  return time / kTimeUnitsPerDay;
}

double from_isc_timestamp(int32_t date, uint32_t time) {
  const double day = from_isc_date(date);
  const double frac = from_isc_time(time);
  return day < 0 ? day - frac : day + frac;
}

}  // namespace zpk::detail
