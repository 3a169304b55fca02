#include "foundation/calendario.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_set>

#include "documents/tempo.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {

namespace {

constexpr int kSunday = 1;
constexpr int kSaturday = 7;

// Position of the date's weekday in a week that starts on Monday (1) and ends on Sunday (7).
int weekday_from_monday(TDateTime day) {
  const int dow = DayOfWeek(day);  // 1 = Sunday ... 7 = Saturday
  return dow == kSunday ? 7 : dow - 1;
}

bool is_weekend(TDateTime day) {
  const int dow = DayOfWeek(day);
  return dow == kSunday || dow == kSaturday;
}

int64_t day_number(TDateTime day) {
  return static_cast<int64_t>(DateOf(day).Value);
}

// The dates the calendar table can hold (Firebird DATE: years 1 to 9999).
// Past them the runtime no longer tells weekdays apart, so every walk checks.
TDateTime first_date() {
  static const TDateTime first = EncodeDate(1, 1, 1);
  return first;
}
TDateTime last_date() {
  static const TDateTime last = EncodeDate(9999, 12, 31);
  return last;
}

bool in_range(TDateTime day) {
  return DateOf(day) >= first_date() && DateOf(day) <= last_date();
}

[[noreturn]] void outside_calendar() {
  throw EConvertError("Date outside the calendar (years 1 to 9999)");
}

void check_range(TDateTime day) {
  if (!in_range(day)) outside_calendar();
}

// The calendar look-up of one date: a row with DIA_UTIL "N" is a holiday.
bool is_holiday(TDateTime day) {
  check_range(day);
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT FIRST 1 DATA FROM " + DBLocal("ANO") + " WHERE DATA = :DATA AND DIA_UTIL = 'N'");
  q.ParamByName("DATA").AsDate = day;
  q.Open();
  return !q.IsEmpty();
}

// The holidays around a walk over the calendar, read a block of days at a time
// in the walk's direction, so that a walk of many days costs a few statements
// instead of one per day.
class HolidayWindow {
 public:
  // Blocks of `block_days` days (at least one) from each day the walk reaches outside the last block.
  HolidayWindow(int direction, int block_days)
      : direction_(direction), block_days_(std::max(block_days, 1)), table_(DBLocal("ANO")) {}

  bool contains(TDateTime day) {
    const int64_t n = day_number(day);
    if (n < first_ || n > last_) load(day);
    return holidays_.count(n) != 0;
  }

 private:
  void load(TDateTime day) {
    check_range(day);
    TDateTime from = DateOf(day);
    TDateTime to = DateOf(day);
    if (direction_ > 0) {
      to = std::min(to + (block_days_ - 1), last_date());
    } else {
      from = std::max(from - (block_days_ - 1), first_date());
    }
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("SELECT DATA FROM " + table_ + " WHERE DATA BETWEEN :INICIO AND :FIM AND DIA_UTIL = 'N'");
    q.ParamByName("INICIO").AsDate = from;
    q.ParamByName("FIM").AsDate = to;
    q.Open();
    holidays_.clear();
    for (; !q.Eof(); q.Next()) holidays_.insert(day_number(q.FieldByName("DATA").AsDateTime()));
    first_ = day_number(from);
    last_ = day_number(to);
  }

  int direction_;
  int block_days_;
  std::string table_;
  std::unordered_set<int64_t> holidays_;
  int64_t first_ = 1;  // the range read so far (empty until the first load)
  int64_t last_ = 0;
};

// DiaUtil with the holiday test supplied by the caller (a single look-up, or a window).
template <class IsHoliday>
bool dia_util(TDateTime day, int dias_semana, IsHoliday&& holiday) {
  if (dias_semana < 1 || dias_semana > 7) return false;
  if (weekday_from_monday(day) > dias_semana) return false;
  return !holiday(day);
}

void information(const std::string& text) {
  MessageBox(text, "ZELVO Sistemas", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

TDateTime VerificaDiaUtil(TDateTime Data, bool /*Flag*/) {
  // Mostly the date itself or a weekend and a holiday or two away.
  HolidayWindow holidays(+1, 7);
  for (;; Data += 1) {
    check_range(Data);
    if (!is_weekend(Data) && !holidays.contains(Data)) return Data;
  }
}

bool DiaUtil(TDateTime Data, int DiasSemana) {
  check_range(Data);
  return dia_util(Data, DiasSemana, is_holiday);
}

std::string AtrasoDiaUtil(TDateTime Data1, TDateTime Data2) {
  const TDateTime from = DateOf(Data1);
  const TDateTime to = DateOf(Data2) - 1;
  if (to < from) return "N";
  // Firebird's weekday: 0 = Sunday ... 6 = Saturday.
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT FIRST 1 DATA FROM " + DBLocal("ANO") +
            " WHERE DATA BETWEEN :INICIO AND :FIM AND DIA_UTIL = 'N'"
            " AND EXTRACT(WEEKDAY FROM DATA) BETWEEN 1 AND 5 ORDER BY DATA DESC");
  q.ParamByName("INICIO").AsDate = std::max(from, first_date());
  q.ParamByName("FIM").AsDate = std::min(to, last_date());
  q.Open();
  return q.IsEmpty() ? "N" : "S";
}

double TempoNumerico(std::string_view Hora, bool EmMinutos) {
  auto part = [&](int start, const char* message) -> double {
    int value = 0;
    if (TryStrToInt(Copy(Hora, start, 2), value)) return value;
    information(message);
    return 0;
  };
  const double hours = part(1, "Hora cadastrada de forma incorreta.");
  const double minutes = part(4, "Minuto cadastrado de forma incorreta.");
  const double seconds = part(7, "Segundo cadastrada de forma incorreta.");
  const double result =
      EmMinutos ? hours * 60 + minutes + seconds / 60 : hours + (minutes + seconds / 60) / 60;
  return StrToFloat(FormatFloat("0.0000", result));
}

int PrazoMedio(std::string_view Numero) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT PGTO FROM " + DBLocal("PEDIDO") + " WHERE NUMERO = :NUMERO");
  q.ParamByName("NUMERO").AsString = std::string(Numero);
  q.Open();
  const std::string terms = Trim(q.FieldByName("PGTO").AsString());
  return TotalDias(terms.empty() ? std::string_view("0") : std::string_view(terms));
}

TDateTime CalculaDataSetor(TDateTime Data, int DiasSemana, int Dias, double Duracao,
                           std::string_view Direcao) {
  int direction = 0;
  if (Direcao == "I") direction = +1;
  if (Direcao == "F") direction = -1;
  if (direction == 0) return Data;

  double wanted = Dias;
  if (Dias < 1) wanted = std::isfinite(Duracao) ? std::ceil(Duracao) : 0;
  // Monday is a working day for every DiasSemana from 1 to 7; outside them no
  // day ever counts and the walk would not end.
  if (wanted < 1 || DiasSemana < 1 || DiasSemana > 7) return Data;
  // N working days lie at least N calendar days away.
  if (wanted > last_date() - first_date() || !in_range(Data + direction * wanted)) outside_calendar();

  const auto count = static_cast<int64_t>(wanted);
  // N working days of a W-day week span about 7N/W calendar days; a week more covers holidays.
  HolidayWindow holidays(direction, static_cast<int>(std::min(wanted * 7 / DiasSemana + 7, 366.0)));
  auto holiday = [&](TDateTime day) { return holidays.contains(day); };
  for (int64_t counted = 0; counted < count;) {
    Data += direction;
    check_range(Data);
    const int dow = DayOfWeek(Data);
    if (!dia_util(Data, DiasSemana, holiday)) continue;
    if (DiasSemana == 6 && dow == kSunday) continue;
    if (DiasSemana == 5 && (dow == kSunday || dow == kSaturday)) continue;
    ++counted;
  }
  return Data;
}

}  // namespace zpk
