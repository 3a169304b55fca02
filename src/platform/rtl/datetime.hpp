// The ERP's date-time value: days since 1899-12-30 as a double (the
// fraction is the time of day), with conversions to and from civil dates
// through std::chrono's calendar. DateNull (0) is the "no date" value.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/format_settings.hpp"

namespace zpk {

using Word = uint16_t;

struct TDateTime {
  double Value = 0.0;

  constexpr TDateTime() = default;
  constexpr explicit TDateTime(double v) : Value(v) {}

  friend constexpr auto operator<=>(TDateTime, TDateTime) = default;
  // Adding or subtracting days.
  friend constexpr TDateTime operator+(TDateTime d, double days) { return TDateTime(d.Value + days); }
  friend constexpr TDateTime operator-(TDateTime d, double days) { return TDateTime(d.Value - days); }
  // Days between two moments.
  friend constexpr double operator-(TDateTime a, TDateTime b) { return a.Value - b.Value; }
  TDateTime& operator+=(double days) {
    Value += days;
    return *this;
  }
  TDateTime& operator-=(double days) {
    Value -= days;
    return *this;
  }
};

inline constexpr TDateTime DateNull{0.0};

// Today at midnight, and the current moment, from the machine's local clock.
TDateTime Date();
TDateTime Now();
TDateTime Time();

// Builds a date; raises EConvertError for an impossible date (31/02).
TDateTime EncodeDate(Word year, Word month, Word day);
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& result);
// Builds a time of day; raises EConvertError outside 00:00:00.000-23:59:59.999.
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& result);
// Date and time of day together (a date before 1899-12-30 keeps its time as the
// runtime stores it: the fraction counts away from zero).
TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec);
// The parts of a moment; the time is taken to the nearest millisecond, which
// may carry into the next day. Dates outside years 1..9999 decode as 0/0/0.
void DecodeDate(TDateTime dt, Word& year, Word& month, Word& day);
void DecodeTime(TDateTime dt, Word& hour, Word& min, Word& sec, Word& msec);

// The date part (midnight) and the time part of a moment.
TDateTime DateOf(TDateTime dt);
TDateTime TimeOf(TDateTime dt);

// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime dt);
Word YearOf(TDateTime dt);
Word MonthOf(TDateTime dt);
Word DayOf(TDateTime dt);
int DaysInAMonth(Word year, Word month);
bool IsLeapYear(Word year);
// The same day `months` months later, clamped to the month's last day.
TDateTime IncMonth(TDateTime dt, int months = 1);
TDateTime IncDay(TDateTime dt, int days = 1);
// The month's last moment (last day, 23:59:59.999) and its first day at midnight.
TDateTime EndOfTheMonth(TDateTime dt);
TDateTime StartOfTheMonth(TDateTime dt);

// Formats with the runtime's tokens: d dd ddd dddd m mm mmm mmmm yy yyyy
// h hh n nn s ss z zzz am/pm, "/" and ":" as the separators of fs, text in
// quotes kept; tokens are case-insensitive ("MM/DD/YYYY" = "mm/dd/yyyy"), and
// "m" right after an hour token means minutes.
std::string FormatDateTime(std::string_view pattern, TDateTime dt,
                           const TFormatSettings& fs = FormatSettings);
// The date in fs.ShortDateFormat ("dd/mm/yyyy") and the general date-time text.
std::string DateToStr(TDateTime dt, const TFormatSettings& fs = FormatSettings);
std::string TimeToStr(TDateTime dt, const TFormatSettings& fs = FormatSettings);
std::string DateTimeToStr(TDateTime dt, const TFormatSettings& fs = FormatSettings);

// Reads a date in the order of fs.ShortDateFormat ("dd/mm/yyyy"; two-digit
// years accepted, "dd/mm" is in the current year, a first number of three or
// four digits means year first); raises EConvertError when the text is not a
// date. StrToDateTime also takes a time "hh:nn[:ss[,zzz]]" after the date (or
// alone), StrToTime only the time.
TDateTime StrToDate(std::string_view text, const TFormatSettings& fs = FormatSettings);
TDateTime StrToDateDef(std::string_view text, TDateTime def, const TFormatSettings& fs = FormatSettings);
bool TryStrToDate(std::string_view text, TDateTime& result, const TFormatSettings& fs = FormatSettings);
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& fs = FormatSettings);
TDateTime StrToTime(std::string_view text, const TFormatSettings& fs = FormatSettings);

}  // namespace zpk
