// TDateTime: the civil calendar around 1899-12-30, month arithmetic, the
// runtime's FormatDateTime tokens and the reading of dates and times.
#include "platform/rtl/datetime.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "support/scoped.hpp"

namespace zpk {
namespace {

TEST(EncodeDate, CountsDaysFromDecember30Of1899) {
  const struct {
    Word y, m, d;
    double want;
  } kCases[] = {
      {1899, 12, 30, 0},    {1899, 12, 31, 1},  {1900, 1, 1, 2},
      {1900, 3, 1, 61},     {1899, 12, 29, -1}, {2000, 1, 1, 36526},
      {2024, 2, 29, 45351}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d));
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d).Value, c.want);
    Word y, m, d;
    DecodeDate(TDateTime(c.want), y, m, d);
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(m, c.m);
    EXPECT_EQ(d, c.d);
  }
}

TEST(EncodeDate, RejectsImpossibleDates) {
  const struct {
    Word y, m, d;
  } kCases[] = {{2023, 2, 29}, {1900, 2, 29}, {2100, 2, 29}, {2024, 4, 31}, {2024, 13, 1},
                {2024, 0, 1},  {2024, 1, 0},  {0, 1, 1},     {10000, 1, 1}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d));
    EXPECT_THROW(EncodeDate(c.y, c.m, c.d), EConvertError);
    TDateTime r(7);
    EXPECT_FALSE(TryEncodeDate(c.y, c.m, c.d, r));
    EXPECT_EQ(r.Value, 7);
  }
  TDateTime leap;
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, leap));  // 2000 is a leap year
  EXPECT_EQ(leap, EncodeDate(2000, 3, 1) - 1.0);
}

TEST(EncodeDate, WalksEveryDayOfTwoCenturiesConsecutively) {
  // Day by day from 1896 to 2104: consecutive numbers, valid civil dates that
  // follow each other, and the text form reads back to the same day.
  TDateTime day = EncodeDate(1896, 1, 1);
  Word py = 1895, pm = 12, pd = 31;
  while (day <= EncodeDate(2104, 12, 31)) {
    Word y, m, d;
    DecodeDate(day, y, m, d);
    const bool next_in_month = y == py && m == pm && d == pd + 1;
    const bool next_month = d == 1 && pd == DaysInAMonth(py, pm) &&
                            ((y == py && m == pm + 1) || (y == py + 1 && m == 1 && pm == 12));
    ASSERT_TRUE(next_in_month || next_month) << y << "-" << m << "-" << d;
    ASSERT_EQ(EncodeDate(y, m, d), day);
    ASSERT_EQ(StrToDate(DateToStr(day)), day) << DateToStr(day);
    py = y, pm = m, pd = d;
    day += 1;
  }
}

TEST(Calendar, LeapYearsAndMonthLengths) {
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_EQ(DaysInAMonth(2024, 2), 29);
  EXPECT_EQ(DaysInAMonth(1900, 2), 28);
  EXPECT_EQ(DaysInAMonth(2023, 4), 30);
  EXPECT_EQ(DaysInAMonth(2023, 12), 31);
}

TEST(DecodeTime, SplitsTheFractionAndHandlesNegativeDates) {
  Word h, n, s, ms;
  DecodeTime(EncodeTime(13, 5, 9, 7), h, n, s, ms);
  EXPECT_EQ((std::vector<Word>{h, n, s, ms}), (std::vector<Word>{13, 5, 9, 7}));
  // Before 1899-12-30 the fraction still counts forward in the day.
  Word y, m, d;
  DecodeDate(TDateTime(-1.25), y, m, d);
  DecodeTime(TDateTime(-1.25), h, n, s, ms);
  EXPECT_EQ((std::vector<Word>{y, m, d, h, n}), (std::vector<Word>{1899, 12, 29, 6, 0}));
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0).Value, -1.25);
  // A moment a hair before midnight is midnight of the next day, never 24:00.
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", TDateTime(45351.0 - 1e-10)), "29/02/2024 00:00:00.000");
  // Values outside years 1..9999 decode as zeros instead of overflowing.
  for (double v : {1e300, -1e300, 3e6, std::nan("")}) {
    SCOPED_TRACE(v);
    DecodeDate(TDateTime(v), y, m, d);
    EXPECT_EQ((std::vector<Word>{y, m, d}), (std::vector<Word>{0, 0, 0}));
  }
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(10, 60, 0, 0), EConvertError);
}

TEST(DayOfWeek, OneIsSunday) {
  const struct {
    TDateTime dt;
    int want;
  } kCases[] = {
      {EncodeDate(2024, 2, 29), 5}, {EncodeDate(1899, 12, 30), 7},
      {EncodeDate(2000, 1, 1), 7},  {EncodeDate(1899, 12, 24), 1},
      {EncodeDate(2024, 3, 4), 2},  {EncodeDateTime(2024, 3, 9, 23, 59, 0, 0), 7},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.dt.Value);
    EXPECT_EQ(DayOfWeek(c.dt), c.want);
  }
}

TEST(IncMonth, ClampsToTheMonthEndAndKeepsTheTime) {
  const struct {
    TDateTime from;
    int months;
    TDateTime want;
  } kCases[] = {
      {EncodeDate(2024, 1, 31), 1, EncodeDate(2024, 2, 29)},
      {EncodeDate(2023, 1, 31), 1, EncodeDate(2023, 2, 28)},
      {EncodeDate(2024, 3, 31), -1, EncodeDate(2024, 2, 29)},
      {EncodeDate(2024, 12, 15), 1, EncodeDate(2025, 1, 15)},
      {EncodeDate(2024, 1, 31), -13, EncodeDate(2022, 12, 31)},
      {EncodeDate(2024, 2, 29), 12, EncodeDate(2025, 2, 28)},
      {EncodeDate(2024, 5, 31), 0, EncodeDate(2024, 5, 31)},
      {EncodeDateTime(2024, 1, 31, 10, 30, 0, 0), 1, EncodeDateTime(2024, 2, 29, 10, 30, 0, 0)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(DateToStr(c.from) + " + " + std::to_string(c.months));
    EXPECT_EQ(IncMonth(c.from, c.months), c.want);
  }
  EXPECT_EQ(IncDay(EncodeDate(2024, 2, 28), 2), EncodeDate(2024, 3, 1));
}

TEST(MonthBounds, FirstDayAndLastMoment) {
  const TDateTime dt = EncodeDateTime(2024, 2, 10, 15, 0, 0, 0);
  EXPECT_EQ(StartOfTheMonth(dt), EncodeDate(2024, 2, 1));
  EXPECT_EQ(EndOfTheMonth(dt), EncodeDateTime(2024, 2, 29, 23, 59, 59, 999));
  EXPECT_EQ(DateOf(dt), EncodeDate(2024, 2, 10));
  EXPECT_NEAR(TimeOf(dt).Value, 0.625, 1e-9);
  EXPECT_EQ(YearOf(dt), 2024);
  EXPECT_EQ(MonthOf(dt), 2);
  EXPECT_EQ(DayOf(dt), 10);
}

TEST(FormatDateTime, KnowsTheRuntimeTokensInAnyCase) {
  const TDateTime dt = EncodeDateTime(2024, 3, 5, 13, 7, 9, 45);
  const struct {
    const char* pattern;
    const char* want;
  } kCases[] = {
      {"MM/DD/YYYY", "03/05/2024"},
      {"mm/dd/yyyy", "03/05/2024"},
      {"dd/mm/yyyy", "05/03/2024"},
      {"YYYY-MM-DD", "2024-03-05"},
      {"yyMMddHHmmss", "240305130709"},  // "mm" after an hour is minutes
      {"hh:nn:ss", "13:07:09"},
      {"hh:mm", "13:07"},
      {"YYMM", "2403"},
      {"d/m/yy", "5/3/24"},
      {"h:n:s z", "13:7:9 45"},
      {"hh:nn:ss.zzz", "13:07:09.045"},
      {"ddd, dd 'de' mmm", "ter, 05 de mar"},
      {"dddd, d \"de\" mmmm \"de\" yyyy", "terça-feira, 5 de março de 2024"},
      {"hh:nn am/pm", "01:07 pm"},
      {"hh:nn AM/PM", "01:07 PM"},
      {"h a/p", "1 p"},
      {"'hoje é' dd", "hoje é 05"},
      {"c", "05/03/2024 13:07:09"},
      {"ddddd", "05/03/2024"},
      {"t", "13:07"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(FormatDateTime(c.pattern, dt), c.want);
  }
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5)), "05/03/2024");
  EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", EncodeDate(2024, 12, 7)), "sáb sábado dez dezembro");
  EXPECT_EQ(FormatDateTime("hh am/pm", EncodeTime(0, 0, 0, 0)), "12 am");
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", EncodeDate(1850, 6, 1)), "01/06/1850");
}

TEST(FormatDateTime, UsesTheSeparatorsOfTheSettings) {
  TFormatSettings fs;
  fs.DateSeparator = '-';
  fs.TimeSeparator = '.';
  const TDateTime dt = EncodeDateTime(2024, 3, 5, 13, 7, 9, 0);
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", dt, fs), "05-03-2024 13.07");
  EXPECT_EQ(FormatDateTime("dd'/'mm", dt, fs), "05/03");
  EXPECT_EQ(DateTimeToStr(dt), "05/03/2024 13:07:09");
  EXPECT_EQ(TimeToStr(dt), "13:07:09");
}

TEST(StrToDate, ReadsDayMonthYear) {
  const struct {
    const char* text;
    TDateTime want;
  } kCases[] = {
      {"29/02/2024", EncodeDate(2024, 2, 29)},  {"1/2/2024", EncodeDate(2024, 2, 1)},
      {" 01/02/2024 ", EncodeDate(2024, 2, 1)}, {"31/12/1899", EncodeDate(1899, 12, 31)},
      {"2024/12/25", EncodeDate(2024, 12, 25)},  // a long first number is the year
      {"05/03/0024", EncodeDate(24, 3, 5)},      // four digits are taken as written
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StrToDate(c.text), c.want);
  }
}

TEST(StrToDate, PutsTwoDigitYearsInTheWindowAroundToday) {
  const int this_year = YearOf(Date());
  for (int yy = 0; yy <= 99; ++yy) {
    SCOPED_TRACE(yy);
    char text[16];
    std::snprintf(text, sizeof text, "15/06/%02d", yy);
    const Word y = YearOf(StrToDate(text));
    EXPECT_EQ(y % 100, yy);
    EXPECT_GE(y, this_year - 50);
    EXPECT_LT(y, this_year + 50);
  }
  // Day and month alone are in the current year.
  EXPECT_EQ(StrToDate("15/06"), EncodeDate(static_cast<Word>(this_year), 6, 15));
}

TEST(StrToDate, RejectsWhatIsNotADate) {
  const char* const kCases[] = {"",          "abc",        "31/02/2024",  "29/02/2023",
                                "1/13/2024", "01-02-2024", "01/02/2024x", "01/02/2024 10:00",
                                "0/1/2024",  "01//2024",   "01/02/10000"};
  for (const char* text : kCases) {
    SCOPED_TRACE(text);
    EXPECT_THROW(StrToDate(text), EConvertError);
    EXPECT_EQ(StrToDateDef(text, TDateTime(3)), TDateTime(3));
  }
  try {
    StrToDate("32/01/2024");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'32/01/2024' is not a valid date");
  }
}

TEST(StrToDateTime, ReadsDateWithOptionalTime) {
  EXPECT_EQ(StrToDateTime("05/03/2024 10:30"), EncodeDateTime(2024, 3, 5, 10, 30, 0, 0));
  EXPECT_EQ(StrToDateTime("05/03/2024 10:30:15"), EncodeDateTime(2024, 3, 5, 10, 30, 15, 0));
  EXPECT_EQ(StrToDateTime("05/03/2024"), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDateTime("29/12/1899 06:00"), TDateTime(-1.25));
  EXPECT_EQ(StrToTime("10:30:15"), EncodeTime(10, 30, 15, 0));
  EXPECT_EQ(StrToTime("10:30:15,250"), EncodeTime(10, 30, 15, 250));
  EXPECT_EQ(StrToTime("1:05 PM"), EncodeTime(13, 5, 0, 0));
  EXPECT_EQ(StrToTime("12:00 am"), EncodeTime(0, 0, 0, 0));
  const TDateTime dt = EncodeDateTime(2024, 2, 29, 23, 59, 58, 0);
  EXPECT_EQ(StrToDateTime(DateTimeToStr(dt)), dt);
  const char* const kBad[] = {"05/03/2024 25:00", "05/03/2024 10", "10:60", "abc", "05/03/2024 10:30 x"};
  for (const char* text : kBad) {
    SCOPED_TRACE(text);
    EXPECT_THROW(StrToDateTime(text), EConvertError);
  }
  EXPECT_THROW(StrToTime("05/03/2024"), EConvertError);
}

// The clock reads the local wall time: in a zone three hours behind UTC, Now
// is the UTC moment less three hours, and Date is its day at midnight.
TEST(Clock, ReadsTheLocalWallTime) {
  struct ZoneReread {
    ~ZoneReread() { ::tzset(); }  // after TZ is restored: later tests see the machine's zone
  } reread;
  test::ScopedEnv tz("TZ", "<-03>3");  // UTC-3 written out: no time-zone database needed
  ::tzset();
  const std::time_t before = std::time(nullptr);
  const TDateTime now = Now();
  const TDateTime today = Date();
  const std::time_t after = std::time(nullptr);

  // 1970-01-01 is day 25569; the local moment is UTC - 3 h.
  const auto local_days = [](std::time_t t) { return 25569.0 + (static_cast<double>(t) - 3 * 3600) / 86400; };
  EXPECT_GE(now.Value, local_days(before) - 1.0 / 86400);
  EXPECT_LE(now.Value, local_days(after + 1));
  EXPECT_EQ(Frac(today.Value), 0.0);
  EXPECT_GE(today.Value, std::floor(local_days(before)));
  EXPECT_LE(today.Value, std::floor(local_days(after)));
  EXPECT_GE(Time().Value, 0.0);
  EXPECT_LT(Time().Value, 1.0);
}

}  // namespace
}  // namespace zpk
