// TDateTime conversions through std::chrono's civil calendar, and the
// runtime's FormatDateTime tokens with Portuguese day and month names.
#include "platform/rtl/datetime.hpp"

#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/rtl/errors.hpp"

namespace zpk {
namespace {

namespace chr = std::chrono;

constexpr int64_t kMsPerDay = 86400000;
// 1899-12-30 counted from 1970-01-01.
constexpr int kEpochShift = -25569;

const char* const kShortDayNames[] = {"dom", "seg", "ter", "qua", "qui", "sex", "sáb"};
const char* const kLongDayNames[] = {"domingo",      "segunda-feira", "terça-feira", "quarta-feira",
                                     "quinta-feira", "sexta-feira",   "sábado"};
const char* const kShortMonthNames[] = {"jan", "fev", "mar", "abr", "mai", "jun",
                                        "jul", "ago", "set", "out", "nov", "dez"};
const char* const kLongMonthNames[] = {"janeiro", "fevereiro", "março",    "abril",   "maio",     "junho",
                                       "julho",   "agosto",    "setembro", "outubro", "novembro", "dezembro"};

// A moment as whole days from 1899-12-30 and milliseconds into the day, the
// way the runtime's stored values split it: the value is rounded to the millisecond first
// (which may carry into the next day), and a negative value keeps its time as
// the fraction counting away from zero (-1.25 is 29/12/1899 06:00).
struct Stamp {
  int64_t day = 0;
  int64_t ms = 0;
};

// Day numbers of 0001-01-01 and 9999-12-31, the range the calendar covers.
constexpr int64_t kMinDay = -693593;
constexpr int64_t kMaxDay = 2958465;

Stamp to_stamp(TDateTime dt) {
  // Outside the calendar (or NaN) the stamp is one day past its end, which
  // decodes as 0/0/0 instead of overflowing.
  if (!(std::fabs(dt.Value) <= kMaxDay + 1.0)) return Stamp{kMaxDay + 1, 0};
  const double total = std::nearbyint(dt.Value * static_cast<double>(kMsPerDay));
  const auto t = static_cast<int64_t>(total);
  Stamp s;
  s.day = t / kMsPerDay;  // truncates towards zero
  s.ms = (t < 0 ? -t : t) % kMsPerDay;
  return s;
}

// A date part and a time fraction put together by the runtime's rule (the time fraction
// counts away from zero for dates before 1899-12-30).
double compose(double date, double time) {
  return date < 0 ? date - time : date + time;
}

bool civil_of(int64_t day, Word& y, Word& m, Word& d) {
  if (day < kMinDay || day > kMaxDay) {
    y = m = d = 0;
    return false;
  }
  const chr::year_month_day ymd{chr::sys_days{chr::days{day + kEpochShift}}};
  y = static_cast<Word>(static_cast<int>(ymd.year()));
  m = static_cast<Word>(static_cast<unsigned>(ymd.month()));
  d = static_cast<Word>(static_cast<unsigned>(ymd.day()));
  return true;
}

double day_number(Word year, Word month, Word day) {
  const chr::sys_days sd{chr::year{year} / chr::month{month} / chr::day{day}};
  return static_cast<double>(sd.time_since_epoch().count() - kEpochShift);
}

struct LocalNow {
  std::tm tm{};
  int ms = 0;
};

LocalNow local_now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  LocalNow n;
  localtime_r(&ts.tv_sec, &n.tm);
  n.ms = static_cast<int>(ts.tv_nsec / 1000000);
  return n;
}

[[noreturn]] void raise_convert(std::string_view text, const char* what) {
  throw EConvertError("'" + std::string(text) + "' is not a valid " + what);
}

// ---- FormatDateTime -------------------------------------------------------

char upper_ascii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool starts_with_ci(std::string_view s, size_t i, std::string_view what) {
  if (s.size() - i < what.size()) return false;
  for (size_t k = 0; k < what.size(); ++k)
    if (upper_ascii(s[i + k]) != upper_ascii(what[k])) return false;
  return true;
}

void put_number(std::string& out, int value, int width) {
  char buf[12];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  for (int k = n; k < width; ++k) out.push_back('0');
  while (n > 0) out.push_back(buf[--n]);
}

struct Parts {
  Word year = 0, month = 0, day = 0, hour = 0, min = 0, sec = 0, msec = 0;
  int dow = 0;  // 0 = Sunday
  bool has_time = false;
};

// Whether an am/pm marker follows in the pattern (which makes hours 12-hour).
bool uses_12_hour(std::string_view p, size_t from) {
  for (size_t i = from; i < p.size(); ++i) {
    const char c = p[i];
    if (c == '\'' || c == '"') {
      const size_t close = p.find(c, i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    } else if (starts_with_ci(p, i, "am/pm") || starts_with_ci(p, i, "a/p") || starts_with_ci(p, i, "ampm")) {
      return true;
    }
  }
  return false;
}

void format_into(std::string& out, std::string_view p, const Parts& t, const TFormatSettings& fs, int depth) {
  char last = 0;  // last letter token, upper case: "M" after "H" means minutes
  for (size_t i = 0; i < p.size();) {
    const char c = p[i];
    const char u = upper_ascii(c);
    if (c == '\'' || c == '"') {
      const size_t close = p.find(c, i + 1);
      const size_t end = close == std::string_view::npos ? p.size() : close;
      out.append(p.substr(i + 1, end - i - 1));
      i = end == p.size() ? end : end + 1;
      continue;
    }
    if (c == '/') {
      out.push_back(fs.DateSeparator);
      ++i;
      continue;
    }
    if (c == ':') {
      out.push_back(fs.TimeSeparator);
      ++i;
      continue;
    }
    if (u == 'A') {
      // am/pm markers; a lone "a" is a literal.
      const bool pm = t.hour >= 12;
      if (starts_with_ci(p, i, "am/pm")) {
        const bool lower = c == 'a';
        out.append(pm ? (lower ? "pm" : "PM") : (lower ? "am" : "AM"));
        i += 5;
      } else if (starts_with_ci(p, i, "a/p")) {
        const bool lower = c == 'a';
        out.push_back(pm ? (lower ? 'p' : 'P') : (lower ? 'a' : 'A'));
        i += 3;
      } else if (starts_with_ci(p, i, "ampm")) {
        out.append(pm ? fs.TimePMString : fs.TimeAMString);
        i += 4;
      } else {
        out.push_back(c);
        ++i;
      }
      last = 'A';
      continue;
    }
    if (u < 'A' || u > 'Z') {
      out.push_back(c);
      ++i;
      continue;
    }
    // A letter token: count its repetitions in either case.
    size_t n = 1;
    while (i + n < p.size() && upper_ascii(p[i + n]) == u) ++n;
    char token = u;
    if (token == 'M' && last == 'H') token = 'N';
    switch (token) {
      case 'Y':
        if (n <= 2)
          put_number(out, t.year % 100, 2);
        else
          put_number(out, t.year, 4);
        break;
      case 'M':
        if (n <= 2)
          put_number(out, t.month, static_cast<int>(n));
        else if (t.month >= 1 && t.month <= 12)
          out.append(n == 3 ? kShortMonthNames[t.month - 1] : kLongMonthNames[t.month - 1]);
        break;
      case 'D':
        if (n <= 2)
          put_number(out, t.day, static_cast<int>(n));
        else if (n == 3)
          out.append(kShortDayNames[t.dow]);
        else if (n == 4)
          out.append(kLongDayNames[t.dow]);
        else if (depth < 2)
          format_into(out, n == 5 ? fs.ShortDateFormat : fs.LongDateFormat, t, fs, depth + 1);
        break;
      case 'H': {
        int h = t.hour;
        if (uses_12_hour(p, i + n)) {
          h %= 12;
          if (h == 0) h = 12;
        }
        put_number(out, h, n >= 2 ? 2 : 1);
        break;
      }
      case 'N':
        put_number(out, t.min, n >= 2 ? 2 : 1);
        break;
      case 'S':
        put_number(out, t.sec, n >= 2 ? 2 : 1);
        break;
      case 'Z':
        put_number(out, t.msec, n >= 3 ? 3 : 1);
        break;
      case 'T':
        if (depth < 2) format_into(out, n == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, t, fs, depth + 1);
        break;
      case 'C':
        if (depth < 2) {
          format_into(out, fs.ShortDateFormat, t, fs, depth + 1);
          if (t.has_time) {
            out.push_back(' ');
            format_into(out, fs.LongTimeFormat, t, fs, depth + 1);
          }
        }
        break;
      default:
        out.append(p.substr(i, n));
        break;
    }
    last = token;
    i += n;
  }
}

Parts parts_of(TDateTime dt) {
  Parts t;
  const Stamp s = to_stamp(dt);
  civil_of(s.day, t.year, t.month, t.day);
  t.hour = static_cast<Word>(s.ms / 3600000);
  t.min = static_cast<Word>(s.ms / 60000 % 60);
  t.sec = static_cast<Word>(s.ms / 1000 % 60);
  t.msec = static_cast<Word>(s.ms % 1000);
  t.has_time = s.ms != 0;
  const chr::weekday wd{chr::sys_days{chr::days{s.day + kEpochShift}}};
  t.dow = static_cast<int>(wd.c_encoding());
  return t;
}

// ---- Reading dates and times ------------------------------------------------

enum class DateOrder { DMY, MDY, YMD };

DateOrder order_of(std::string_view short_date_format) {
  for (char c : short_date_format) {
    switch (upper_ascii(c)) {
      case 'D':
        return DateOrder::DMY;
      case 'M':
        return DateOrder::MDY;
      case 'Y':
        return DateOrder::YMD;
      default:
        break;
    }
  }
  return DateOrder::DMY;
}

class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}
  void blanks() {
    while (i_ < s_.size() && s_[i_] == ' ') ++i_;
  }
  bool number(int& value, int& digits) {
    blanks();
    value = 0;
    digits = 0;
    while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') {
      if (digits < 9) value = value * 10 + (s_[i_] - '0');
      ++digits;
      ++i_;
    }
    return digits > 0 && digits <= 9;
  }
  bool ch(char c) {
    blanks();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool ci(std::string_view word) {
    blanks();
    if (!starts_with_ci(s_, i_, word)) return false;
    i_ += word.size();
    return true;
  }
  bool at_end() {
    blanks();
    return i_ == s_.size();
  }
  size_t pos() const { return i_; }
  void seek(size_t p) { i_ = p; }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

int current_year() {
  return local_now().tm.tm_year + 1900;
}

bool scan_date(Scanner& sc, double& result, const TFormatSettings& fs) {
  int n1, l1, n2, l2, n3 = 0, l3 = 0;
  if (!sc.number(n1, l1) || !sc.ch(fs.DateSeparator) || !sc.number(n2, l2)) return false;
  DateOrder order = order_of(fs.ShortDateFormat);
  int y, m, d;
  int year_digits;
  if (sc.ch(fs.DateSeparator)) {
    if (!sc.number(n3, l3)) return false;
    if (l1 > 2) order = DateOrder::YMD;
    switch (order) {
      case DateOrder::MDY:
        y = n3, year_digits = l3, m = n1, d = n2;
        break;
      case DateOrder::DMY:
        y = n3, year_digits = l3, m = n2, d = n1;
        break;
      default:
        y = n1, year_digits = l1, m = n2, d = n3;
        break;
    }
  } else {
    // Two numbers: day and month of the current year.
    y = current_year();
    year_digits = 4;
    if (order == DateOrder::DMY) {
      d = n1, m = n2;
    } else {
      m = n1, d = n2;
    }
  }
  if (year_digits <= 2 && y <= 99) {
    const int window_start = current_year() - fs.TwoDigitYearCenturyWindow;
    y += window_start / 100 * 100;
    if (fs.TwoDigitYearCenturyWindow > 0 && y < window_start) y += 100;
  }
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 ||
      d > DaysInAMonth(static_cast<Word>(y), static_cast<Word>(m)))
    return false;
  result = day_number(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d));
  return true;
}

bool scan_time(Scanner& sc, double& result, const TFormatSettings& fs) {
  int h, n = 0, s = 0, ms = 0, digits;
  if (!sc.number(h, digits)) return false;
  bool has_minutes = false;
  if (sc.ch(fs.TimeSeparator)) {
    if (!sc.number(n, digits)) return false;
    has_minutes = true;
    if (sc.ch(fs.TimeSeparator)) {
      if (!sc.number(s, digits)) return false;
      if (sc.ch(fs.DecimalSeparator)) {
        if (!sc.number(ms, digits)) return false;
      }
    }
  }
  // "AM"/"PM" (or the settings' strings) after the time make it 12-hour.
  int half = -1;
  if (sc.ci("AM") || (!fs.TimeAMString.empty() && sc.ci(fs.TimeAMString)))
    half = 0;
  else if (sc.ci("PM") || (!fs.TimePMString.empty() && sc.ci(fs.TimePMString)))
    half = 1;
  if (!has_minutes && half < 0) return false;
  if (half >= 0) {
    if (h < 1 || h > 12) return false;
    h = h % 12 + 12 * half;
  }
  TDateTime t;
  if (!TryEncodeTime(static_cast<Word>(h), static_cast<Word>(n), static_cast<Word>(s), static_cast<Word>(ms),
                     t))
    return false;
  result = t.Value;
  return true;
}

}  // namespace

TDateTime Date() {
  const LocalNow n = local_now();
  return TDateTime(day_number(static_cast<Word>(n.tm.tm_year + 1900), static_cast<Word>(n.tm.tm_mon + 1),
                              static_cast<Word>(n.tm.tm_mday)));
}

TDateTime Now() {
  const LocalNow n = local_now();
  const double date = day_number(static_cast<Word>(n.tm.tm_year + 1900), static_cast<Word>(n.tm.tm_mon + 1),
                                 static_cast<Word>(n.tm.tm_mday));
  // A leap second (tm_sec 60) is counted as the last second of the minute.
  const int sec = n.tm.tm_sec > 59 ? 59 : n.tm.tm_sec;
  const double ms = ((n.tm.tm_hour * 60.0 + n.tm.tm_min) * 60.0 + sec) * 1000.0 + n.ms;
  return TDateTime(date + ms / kMsPerDay);
}

TDateTime Time() {
  return TimeOf(Now());
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
    return false;
  result = TDateTime(day_number(year, month, day));
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime r;
  if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
  return r;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& result) {
  if (hour > 23 || min > 59 || sec > 59 || msec > 999) return false;
  const int64_t ms = ((int64_t{hour} * 60 + min) * 60 + sec) * 1000 + msec;
  result = TDateTime(static_cast<double>(ms) / kMsPerDay);
  return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime r;
  if (!TryEncodeTime(hour, min, sec, msec, r)) throw EConvertError("Invalid argument to time encode");
  return r;
}

TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec) {
  const TDateTime d = EncodeDate(year, month, day);
  const TDateTime t = EncodeTime(hour, min, sec, msec);
  return TDateTime(compose(d.Value, t.Value));
}

void DecodeDate(TDateTime dt, Word& year, Word& month, Word& day) {
  civil_of(to_stamp(dt).day, year, month, day);
}

void DecodeTime(TDateTime dt, Word& hour, Word& min, Word& sec, Word& msec) {
  const int64_t ms = to_stamp(dt).ms;
  hour = static_cast<Word>(ms / 3600000);
  min = static_cast<Word>(ms / 60000 % 60);
  sec = static_cast<Word>(ms / 1000 % 60);
  msec = static_cast<Word>(ms % 1000);
}

TDateTime DateOf(TDateTime dt) {
  return TDateTime(std::trunc(dt.Value));
}

TDateTime TimeOf(TDateTime dt) {
  return TDateTime(std::fabs(dt.Value - std::trunc(dt.Value)));
}

int DayOfWeek(TDateTime dt) {
  const chr::weekday wd{chr::sys_days{chr::days{to_stamp(dt).day + kEpochShift}}};
  return static_cast<int>(wd.c_encoding()) + 1;
}

Word YearOf(TDateTime dt) {
  Word y, m, d;
  DecodeDate(dt, y, m, d);
  return y;
}

Word MonthOf(TDateTime dt) {
  Word y, m, d;
  DecodeDate(dt, y, m, d);
  return m;
}

Word DayOf(TDateTime dt) {
  Word y, m, d;
  DecodeDate(dt, y, m, d);
  return d;
}

int DaysInAMonth(Word year, Word month) {
  if (month < 1 || month > 12) return 0;
  const chr::year_month_day_last last{chr::year{year}, chr::month_day_last{chr::month{month}}};
  return static_cast<int>(static_cast<unsigned>(last.day()));
}

bool IsLeapYear(Word year) {
  return chr::year{year}.is_leap();
}

TDateTime IncMonth(TDateTime dt, int months) {
  Word y, m, d;
  DecodeDate(dt, y, m, d);
  // Month arithmetic on a zero-based month count, floor-divided for negatives.
  int64_t total = int64_t{y} * 12 + (m - 1) + months;
  int64_t ny = total >= 0 ? total / 12 : -((-total + 11) / 12);
  const int nm = static_cast<int>(total - ny * 12) + 1;
  if (ny < 1 || ny > 9999) throw EConvertError("Invalid argument to date encode");
  const int dim = DaysInAMonth(static_cast<Word>(ny), static_cast<Word>(nm));
  const Word nd = static_cast<Word>(d > dim ? dim : d);
  const double date = day_number(static_cast<Word>(ny), static_cast<Word>(nm), nd);
  return TDateTime(compose(date, TimeOf(dt).Value));
}

TDateTime IncDay(TDateTime dt, int days) {
  return TDateTime(dt.Value + days);
}

TDateTime EndOfTheMonth(TDateTime dt) {
  Word y, m, d;
  DecodeDate(dt, y, m, d);
  return EncodeDateTime(y, m, static_cast<Word>(DaysInAMonth(y, m)), 23, 59, 59, 999);
}

TDateTime StartOfTheMonth(TDateTime dt) {
  Word y, m, d;
  DecodeDate(dt, y, m, d);
  return EncodeDate(y, m, 1);
}

std::string FormatDateTime(std::string_view pattern, TDateTime dt, const TFormatSettings& fs) {
  std::string out;
  const Parts t = parts_of(dt);
  if (pattern.empty()) {
    format_into(out, "c", t, fs, 0);
  } else {
    format_into(out, pattern, t, fs, 0);
  }
  return out;
}

std::string DateToStr(TDateTime dt, const TFormatSettings& fs) {
  return FormatDateTime(fs.ShortDateFormat, dt, fs);
}

std::string TimeToStr(TDateTime dt, const TFormatSettings& fs) {
  return FormatDateTime(fs.LongTimeFormat, dt, fs);
}

std::string DateTimeToStr(TDateTime dt, const TFormatSettings& fs) {
  return FormatDateTime("c", dt, fs);
}

bool TryStrToDate(std::string_view text, TDateTime& result, const TFormatSettings& fs) {
  Scanner sc(text);
  double d;
  if (!scan_date(sc, d, fs) || !sc.at_end()) return false;
  result = TDateTime(d);
  return true;
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& fs) {
  TDateTime r;
  if (!TryStrToDate(text, r, fs)) raise_convert(text, "date");
  return r;
}

TDateTime StrToDateDef(std::string_view text, TDateTime def, const TFormatSettings& fs) {
  TDateTime r;
  return TryStrToDate(text, r, fs) ? r : def;
}

TDateTime StrToDateTime(std::string_view text, const TFormatSettings& fs) {
  Scanner sc(text);
  double d = 0, t = 0;
  if (scan_date(sc, d, fs)) {
    if (!sc.at_end() && !scan_time(sc, t, fs)) raise_convert(text, "date and time");
  } else {
    sc.seek(0);
    if (!scan_time(sc, t, fs)) raise_convert(text, "date and time");
  }
  if (!sc.at_end()) raise_convert(text, "date and time");
  return TDateTime(compose(d, t));
}

TDateTime StrToTime(std::string_view text, const TFormatSettings& fs) {
  Scanner sc(text);
  double t;
  if (!scan_time(sc, t, fs) || !sc.at_end()) raise_convert(text, "time");
  return TDateTime(t);
}

}  // namespace zpk
