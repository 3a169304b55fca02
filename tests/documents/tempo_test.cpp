#include "documents/tempo.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "platform/rtl/errors.hpp"

namespace zpk {
namespace {

TEST(TotalDias, AveragesGroupsOfThreeCharacters) {
  const struct {
    const char* prazo;
    int dias;
  } kCases[] = {
      {"030060090", 60}, {"030", 30}, {"0", 0}, {"  030060  ", 45},  // the text is trimmed before it is cut
      {"030   090", 40},  // a blank group counts 0 but is still a group
      {"03006", 18},      // a short last group: 030 and 06
      {"030045", 38},     // 37.5: ties go to the even number
      {"030031", 30},     // 30.5
      {"", 0},            // no group to divide by
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.prazo);
    EXPECT_EQ(TotalDias(c.prazo), c.dias);
  }
}

TEST(TotalDias, RaisesForAGroupThatIsNotANumber) {
  EXPECT_THROW(TotalDias("030A60"), EConvertError);
}

TEST(PrazoMedioNota, AveragesAtMostNineGroups) {
  const char* ten_groups = "030030030030030030030030030900";
  EXPECT_EQ(PrazoMedioNota(ten_groups), 30);
  EXPECT_EQ(TotalDias(ten_groups), 117);
  EXPECT_EQ(PrazoMedioNota("030060090"), 60);
  EXPECT_EQ(PrazoMedioNota("   "), 0);
  // Ties go to the even number, as with TotalDias.
  EXPECT_EQ(PrazoMedioNota("002003"), 2);
  EXPECT_EQ(PrazoMedioNota("003004"), 4);
}

TEST(SomaTempoString, AddsWithCarries) {
  const struct {
    const char* a;
    const char* b;
    const char* soma;
  } kCases[] = {
      {"01:45:50", "00:20:15", "02:06:05"},  {"00:59:59", "00:00:01", "01:00:00"},
      {"99:30:00", "01:30:00", "101:00:00"}, {"1:2:3", "0:0:0", "01:02:03"},
      {"01:30", "00:45", "02:15:00"},  // missing seconds count 0
      {"00:00:130", "", "00:02:10"},   // more than 59 seconds carry as well
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.a) + " + " + c.b);
    EXPECT_EQ(SomaTempoString(c.a, c.b), c.soma);
  }
  EXPECT_THROW(SomaTempoString("aa:00:00", "00:00:01"), EConvertError);
}

TEST(TempoString, WritesDecimalHoursAsHhMmSs) {
  const struct {
    double horas;
    const char* texto;
  } kCases[] = {
      {1.5, "01:30:00"},
      {0.25, "00:15:00"},
      {1.1, "01:06:00"},  // 0.1 h is 6 minutes, not 5:59 of binary noise
      {0.7, "00:42:00"},
      {2.0 + 30.0 / 3600.0, "02:00:30"},
      {100.5, "100:30:00"},
      {0.0, "00:00:00"},
      {1.0 + 59.999 / 3600.0, "01:01:00"},  // rounds up to the minute, never ":60"
      {1e-17, "00:00:00"},                  // residue of a subtraction, not one hour
      {-1.5, "-01:30:00"},
      {std::numeric_limits<double>::quiet_NaN(), "00:00:00"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.horas);
    EXPECT_EQ(TempoString(c.horas), c.texto);
  }
}

TEST(JurosCompostos, CompoundsPerThirtyDaysProRata) {
  EXPECT_DOUBLE_EQ(JurosCompostos(0.02, 100, 30), 102);
  EXPECT_DOUBLE_EQ(JurosCompostos(0.02, 100, 60), 104.04);
  EXPECT_DOUBLE_EQ(JurosCompostos(0.02, 100, 0), 100);
  EXPECT_DOUBLE_EQ(JurosCompostos(0.02, 100, 15), 100 * std::sqrt(1.02));
  EXPECT_DOUBLE_EQ(JurosCompostos(0.02, 100, -30), 100 / 1.02);
  EXPECT_EQ(JurosCompostos(-1, 100, 30), 0);  // -100% over whole periods takes it all
}

TEST(JurosCompostos, RefusesAResultThatIsNoAmount) {
  const struct {
    double taxa, valor;
    int dias;
  } kCases[] = {
      {-1.5, 100, 15},           // -150% has no real value over part of a period
      {-1, 100, -30},            // nor -100% before it
      {-2, 100, 45},             // nor -200%
      {1e10, 100, 3000},         // past the Double range
      {0.02, 1e308, 36000},      // the same through the amount
      {0.02, std::nan(""), 30},  // no amount to begin with
      {0.02, HUGE_VAL, 30},      //
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.taxa << " " << c.valor << " " << c.dias);
    EXPECT_THROW(JurosCompostos(c.taxa, c.valor, c.dias), EConvertError);
  }
}

TEST(ValidaData, AcceptsOnlyRealCalendarDates) {
  const struct {
    const char* texto;
    bool valida;
  } kCases[] = {
      {"29/02/2024", true},       {"29/02/2023", false}, {"31/04/2024", false}, {"01/13/2024", false},
      {"00/01/2024", false},      {"01/01/0000", false}, {" 1/ 2/2024", true},  // parts are trimmed
      {"15/08/2024 10:00", true},  // only characters 1 to 10 are read
      {"aa/01/2024", false},      {"1/2/2024", false},   {"", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.texto);
    EXPECT_EQ(ValidaData(c.texto), c.valida);
  }
}

TEST(HoraSQL, WritesThePlaceholderWithUsDateAndLongTime) {
  const TDateTime moment = EncodeDateTime(2024, 3, 5, 14, 7, 9, 0);
  EXPECT_EQ(HoraSQL(moment, true), "HORA[03/05/2024 14:07:09,True]");
  EXPECT_EQ(HoraSQL(moment, false), "HORA[03/05/2024 14:07:09,False]");
}

TEST(DateNull, IsTheDateOf30December1899) {
  EXPECT_EQ(StrToDateTime("30/12/1899 00:00:00"), DateNull);
  EXPECT_EQ(DateNull.Value, 0.0);
}

}  // namespace
}  // namespace zpk
