// Business-day routines against a company calendar with holidays (ANO), the
// calendar dataset of the data module, the average terms of an order, and
// time texts whose errors the user is told about.
#include "foundation/calendario.hpp"

#include <string>

#include <gtest/gtest.h>

#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"

namespace zpk {
namespace {

TDateTime D(Word year, Word month, Word day) {
  return EncodeDate(year, month, day);
}

void add_calendar_day(TDateTime day, const char* dia_util, const std::string& table = "ANO_001") {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("INSERT INTO " + table + " (DATA, DIA_UTIL) VALUES (:DATA, :DIA_UTIL)");
  q.ParamByName("DATA").AsDate = day;
  q.ParamByName("DIA_UTIL").AsString = dia_util;
  q.ExecSQL();
}

int calendar_rows(const std::string& table) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT COUNT(*) AS N FROM " + table);
  q.Open();
  return q.FieldByName("N").AsInteger();
}

// A 2024 calendar (the demo data holds later years): Carnival Monday, holidays on a Friday, a Wednesday, two
// days in a row and a Saturday; a Tuesday and a Saturday marked as working days.
class CalendarioTest : public test::DatabaseTest {
 protected:
  void SetUp() override {
    add_calendar_day(D(2024, 2, 12), "N");   // Monday
    add_calendar_day(D(2024, 2, 13), "S");   // Tuesday, explicitly a working day
    add_calendar_day(D(2024, 6, 1), "S");    // Saturday marked as working
    add_calendar_day(D(2024, 9, 7), "N");    // Saturday
    add_calendar_day(D(2024, 11, 15), "N");  // Friday
    add_calendar_day(D(2024, 11, 20), "N");  // Wednesday
    add_calendar_day(D(2024, 12, 24), "N");  // Tuesday
    add_calendar_day(D(2024, 12, 25), "N");  // Wednesday
  }
};

TEST_F(CalendarioTest, VerificaDiaUtilSkipsWeekendsAndHolidays) {
  const struct {
    TDateTime data;
    TDateTime esperado;
    const char* caso;
  } kCases[] = {
      {D(2024, 2, 10), D(2024, 2, 13), "Saturday before a Monday holiday: Tuesday"},
      {D(2024, 2, 11), D(2024, 2, 13), "Sunday before a Monday holiday"},
      {D(2024, 2, 12), D(2024, 2, 13), "the holiday itself"},
      {D(2024, 2, 13), D(2024, 2, 13), "a row marked S is a business day"},
      {D(2024, 2, 14), D(2024, 2, 14), "an ordinary Wednesday"},
      {D(2024, 11, 15), D(2024, 11, 18), "Friday holiday: Monday"},
      {D(2024, 12, 24), D(2024, 12, 26), "two holidays in a row"},
      {D(2024, 6, 1), D(2024, 6, 3), "a Saturday is skipped even when marked S"},
      {D(2024, 11, 15) + 0.6, D(2024, 11, 18) + 0.6, "the time of day is kept"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    EXPECT_EQ(VerificaDiaUtil(c.data, true), c.esperado);
  }
}

TEST_F(CalendarioTest, DiaUtilCountsTheWeekFromMonday) {
  const struct {
    TDateTime data;
    int dias_semana;
    bool util;
  } kCases[] = {
      {D(2024, 2, 10), 5, false},  {D(2024, 2, 10), 6, true},  {D(2024, 2, 10), 7, true},  // Saturday
      {D(2024, 2, 11), 6, false},  {D(2024, 2, 11), 7, true},                              // Sunday
      {D(2024, 2, 12), 5, false},  {D(2024, 2, 12), 7, false},                             // holiday Monday
      {D(2024, 2, 13), 1, false},  {D(2024, 2, 13), 2, true},                              // Tuesday
      {D(2024, 2, 14), 3, true},   {D(2024, 2, 14), 2, false},                             // Wednesday
      {D(2024, 2, 14), 0, false},  {D(2024, 2, 14), 8, false},  // counts outside 1..7
      {D(2024, 9, 7), 6, false},                                // holiday Saturday
      {D(2024, 11, 15), 5, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(DateToStr(c.data) + " with " + std::to_string(c.dias_semana));
    EXPECT_EQ(DiaUtil(c.data, c.dias_semana), c.util);
  }
}

TEST_F(CalendarioTest, AtrasoDiaUtilLooksForWeekdayHolidaysBeforeTheSecondDate) {
  const struct {
    TDateTime primeira;
    TDateTime segunda;
    const char* atraso;
    const char* caso;
  } kCases[] = {
      {D(2024, 11, 15), D(2024, 11, 18), "S", "Friday holiday within Friday..Sunday"},
      {D(2024, 11, 16), D(2024, 11, 18), "N", "only the weekend after it"},
      {D(2024, 11, 14), D(2024, 11, 15), "N", "the second date itself is not examined"},
      {D(2024, 9, 6), D(2024, 9, 9), "N", "a holiday on a Saturday does not count"},
      {D(2024, 1, 1), D(2024, 12, 31), "S", "a whole year"},
      {D(2024, 11, 20), D(2024, 11, 10), "N", "second date before the first"},
      {D(2024, 11, 15), D(2024, 11, 15), "N", "the same date"},
      {D(2024, 11, 15) + 0.75, D(2024, 11, 16) + 0.25, "S", "days are whole calendar days"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    EXPECT_EQ(AtrasoDiaUtil(c.primeira, c.segunda), c.atraso);
  }
}

TEST_F(CalendarioTest, CalculaDataSetorWalksWorkingDays) {
  const struct {
    TDateTime data;
    int dias_semana;
    int dias;
    double duracao;
    const char* direcao;
    TDateTime esperado;
    const char* caso;
  } kCases[] = {
      {D(2024, 11, 8), 5, 5, 0, "I", D(2024, 11, 18), "five days forward over a Friday holiday"},
      {D(2024, 11, 18), 5, 5, 0, "F", D(2024, 11, 8), "and back"},
      {D(2024, 11, 8), 6, 2, 0, "I", D(2024, 11, 11), "six-day week: Saturday counts, Sunday not"},
      {D(2024, 11, 8), 7, 2, 0, "I", D(2024, 11, 10), "seven-day week"},
      {D(2024, 11, 14), 7, 1, 0, "I", D(2024, 11, 16), "a holiday never counts"},
      {D(2024, 2, 9), 5, 1, 0, "I", D(2024, 2, 13), "Carnival Monday"},
      {D(2024, 11, 8), 5, 0, 2.3, "I", D(2024, 11, 13), "no days: the duration rounded up"},
      {D(2024, 11, 8), 5, -1, 0, "I", D(2024, 11, 8), "nothing to count"},
      {D(2024, 11, 8), 5, 3, 0, "X", D(2024, 11, 8), "unknown direction"},
      {D(2024, 11, 8), 5, 3, 0, "i", D(2024, 11, 8), "directions are upper case"},
      {D(2024, 11, 8), 0, 3, 0, "I", D(2024, 11, 8), "a week without working days"},
      {D(2024, 11, 8), 9, 3, 0, "F", D(2024, 11, 8), "a count beyond the week"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    EXPECT_EQ(CalculaDataSetor(c.data, c.dias_semana, c.dias, c.duracao, c.direcao), c.esperado);
  }
}

// Long walks read the calendar a block at a time: they must agree with a walk
// that asks DiaUtil day by day, across block edges and holidays.
TEST_F(CalendarioTest, LongWalksAgreeWithDayByDayLookUps) {
  for (int dias_semana : {5, 6, 7}) {
    for (int direction : {+1, -1}) {
      const TDateTime start = direction > 0 ? D(2024, 1, 3) : D(2024, 12, 30);
      TDateTime walked = start;
      for (int counted = 0; counted < 250;) {
        walked += direction;
        const int dow = DayOfWeek(walked);
        if (DiaUtil(walked, dias_semana) && !(dias_semana == 6 && dow == 1) &&
            !(dias_semana == 5 && (dow == 1 || dow == 7))) {
          ++counted;
        }
      }
      SCOPED_TRACE(std::to_string(dias_semana) + (direction > 0 ? " forward" : " backward"));
      EXPECT_EQ(CalculaDataSetor(start, dias_semana, 250, 0, direction > 0 ? "I" : "F"), walked);
    }
  }
}

// A month of collective holidays: the walks cross many blocks of the calendar.
TEST_F(CalendarioTest, WalksCrossAMonthOfHolidays) {
  for (TDateTime d = D(2024, 7, 1); d <= D(2024, 7, 31); d += 1) add_calendar_day(d, "N");
  EXPECT_EQ(VerificaDiaUtil(D(2024, 7, 1)), D(2024, 8, 1));
  EXPECT_EQ(CalculaDataSetor(D(2024, 6, 28), 5, 1, 0, "I"), D(2024, 8, 1));
  EXPECT_EQ(CalculaDataSetor(D(2024, 8, 1), 7, 1, 0, "F"), D(2024, 6, 30));
  EXPECT_EQ(CalculaDataSetor(D(2024, 8, 2), 5, 2, 0, "F"), D(2024, 6, 28));
  EXPECT_EQ(AtrasoDiaUtil(D(2024, 6, 1), D(2024, 7, 2)), "S");
}

TEST_F(CalendarioTest, WalksBeyondTheCalendarRaise) {
  EXPECT_THROW(CalculaDataSetor(D(9999, 12, 20), 5, 30, 0, "I"), EConvertError);
  EXPECT_THROW(CalculaDataSetor(D(2024, 1, 1), 5, 0, 1e12, "F"), EConvertError);
  EXPECT_THROW(VerificaDiaUtil(D(9999, 12, 31) + 1), EConvertError);
  EXPECT_THROW(DiaUtil(D(9999, 12, 31) + 1, 5), EConvertError);
  // A holiday on the last day pushes the walk past it.
  add_calendar_day(D(9999, 12, 31), "N");
  EXPECT_EQ(CalculaDataSetor(D(9999, 12, 28), 5, 2, 0, "I"), D(9999, 12, 30));
  EXPECT_THROW(CalculaDataSetor(D(9999, 12, 28), 5, 3, 0, "I"), EConvertError);
  EXPECT_THROW(VerificaDiaUtil(D(9999, 12, 31)), EConvertError);
}

TEST_F(CalendarioTest, CalendarDataSetLocatesHolidaysAndRereadsOnOpen) {
  CalendarDataSet& calendario = Tabela.CalendarioDiaUtil;
  calendario.Open();
  EXPECT_EQ(calendario.RecordCount(), calendar_rows("ANO_001"));
  EXPECT_EQ(calendario.FieldByName("Data").AsDateTime(), D(2024, 2, 12));  // ordered by date
  EXPECT_EQ(calendario.FieldByName("Dia_Util").AsString(), "N");
  EXPECT_TRUE(calendario.Locate("Data;Dia_Util", VarArrayOf({D(2024, 11, 15), "N"})));
  EXPECT_FALSE(calendario.Locate("Data;Dia_Util", VarArrayOf({D(2024, 2, 13), "N"})));
  EXPECT_FALSE(calendario.Locate("Data;Dia_Util", VarArrayOf({D(2024, 11, 14), "N"})));

  add_calendar_day(D(2024, 11, 14), "N");
  calendario.Open();
  EXPECT_TRUE(calendario.Locate("Data;Dia_Util", VarArrayOf({D(2024, 11, 14), "N"})));

  // Another company has a calendar of its own.
  add_calendar_day(D(2024, 5, 30), "N", "ANO_002");
  Tabela.select_company("002");
  calendario.Open();
  EXPECT_EQ(calendario.table_name(), "ANO_002");
  EXPECT_EQ(calendario.RecordCount(), calendar_rows("ANO_002"));
  EXPECT_TRUE(calendario.Locate("Data;Dia_Util", VarArrayOf({D(2024, 5, 30), "N"})));
  EXPECT_TRUE(DiaUtil(D(2024, 11, 15), 5));  // a holiday of company 001 only
  EXPECT_FALSE(DiaUtil(D(2024, 5, 30), 5));
}

TEST_F(CalendarioTest, PrazoMedioAveragesTheOrdersTerms) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("INSERT INTO PEDIDO_001 (NUMERO, PGTO) VALUES (:NUMERO, :PGTO)");
  const struct {
    const char* numero;
    const char* pgto;  // nullptr: NULL
    int prazo;
  } kCases[] = {
      {"900001", "030060090", 60},
      {"900002", nullptr, 0},
      {"900003", "   ", 0},
      {"9000'4", "028", 28},  // a quote in the key is only a character
  };
  for (const auto& c : kCases) {
    q.ParamByName("NUMERO").AsString = c.numero;
    if (c.pgto) {
      q.ParamByName("PGTO").AsString = c.pgto;
    } else {
      q.ParamByName("PGTO").Clear();
    }
    q.ExecSQL();
  }
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.numero);
    EXPECT_EQ(PrazoMedio(c.numero), c.prazo);
  }
  EXPECT_EQ(PrazoMedio("999999"), 0);  // no such order
}

class TempoNumericoTest : public ::testing::Test {
 protected:
  HeadlessDialogs dialogs_;
  ScopedDialogService scope_{dialogs_};
};

TEST_F(TempoNumericoTest, ReadsHoursOrMinutesToFourDecimals) {
  const struct {
    const char* hora;
    double horas;
    double minutos;
  } kCases[] = {
      {"01:30:00", 1.5, 90},
      {"02:15:45", 2.2625, 135.75},
      {"00:00:30", 0.0083, 0.5},
      {"00:00:01", 0.0003, 0.0167},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.hora);
    EXPECT_DOUBLE_EQ(TempoNumerico(c.hora), c.horas);
    EXPECT_DOUBLE_EQ(TempoNumerico(c.hora, true), c.minutos);
  }
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(TempoNumericoTest, AWrongPartCountsZeroAndIsReported) {
  EXPECT_DOUBLE_EQ(TempoNumerico("xx:30:00"), 0.5);
  ASSERT_EQ(dialogs_.records().size(), 1u);
  EXPECT_EQ(dialogs_.last().kind, DialogKind::message_box);
  EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
  EXPECT_EQ(dialogs_.last().text, "Hora cadastrada de forma incorreta.");

  dialogs_.clear();
  EXPECT_DOUBLE_EQ(TempoNumerico("", true), 0);
  ASSERT_EQ(dialogs_.records().size(), 3u);
  EXPECT_EQ(dialogs_.records()[1].text, "Minuto cadastrado de forma incorreta.");
  EXPECT_EQ(dialogs_.records()[2].text, "Segundo cadastrada de forma incorreta.");
}

}  // namespace
}  // namespace zpk
