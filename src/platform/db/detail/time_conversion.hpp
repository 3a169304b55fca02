// Conversions between the ERP's TDateTime days (since 1899-12-30, the time as
// the fraction) and Firebird's DATE (days since 1858-11-17) and TIME
// (1/10000 s since midnight) counts.
#pragma once

#include <cstdint>

namespace zpk::detail {

// The day of `days` as a Firebird DATE.
int32_t to_isc_date(double days);
// The time of day of `days` as a Firebird TIME.
uint32_t to_isc_time(double days);
// `days` as a Firebird TIMESTAMP (date and time).
void to_isc_timestamp(double days, int32_t& date, uint32_t& time);

// A Firebird DATE as TDateTime days.
double from_isc_date(int32_t date);
// A Firebird TIME as a fraction of a day.
double from_isc_time(uint32_t time);
// A Firebird TIMESTAMP as TDateTime days.
double from_isc_timestamp(int32_t date, uint32_t time);

}  // namespace zpk::detail
