// `zpk demo` steps for the business-day calendar and the time and term
// arithmetic: a receivable due on a Saturday before a Monday holiday, its
// lateness check, a production date counted in working days, and time texts.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "foundation/calendario.hpp"
#include "documents/tempo.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

std::string day(TDateTime d) {
  return FormatDateTime("dd/mm/yyyy (dddd)", d);
}

const char* yes_no(bool value) {
  return value ? "True" : "False";
}

const RegisterDemo business_days{
    {204, "Business days, dates and time arithmetic", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       CalendarDataSet& calendario = Tabela.CalendarioDiaUtil;
       calendario.Open();
       out << fmt::format("{} holds {} non-business days; in April 2025:\n", calendario.table_name(),
                          calendario.RecordCount());
       for (calendario.First(); !calendario.Eof(); calendario.Next()) {
         const TDateTime d = calendario.FieldByName("Data").AsDateTime();
         if (YearOf(d) == 2025 && MonthOf(d) == 4) out << "  " << day(d) << '\n';
       }

       const TDateTime vencimento = EncodeDate(2025, 4, 19);
       const TDateTime util = VerificaDiaUtil(vencimento);
       out << fmt::format("A title due on {}\n  VerificaDiaUtil -> {}\n", day(vencimento), day(util));
       out << fmt::format(
           "DiaUtil(19/04/2025, 5) = {}, DiaUtil(19/04/2025, 6) = {}, DiaUtil(21/04/2025, 6) = {}\n",
           yes_no(DiaUtil(vencimento, 5)), yes_no(DiaUtil(vencimento, 6)),
           yes_no(DiaUtil(EncodeDate(2025, 4, 21), 6)));
       out << fmt::format(
           "Due on Friday 18/04, paid on 22/04: AtrasoDiaUtil = \"{}\" (a weekday holiday in between)\n",
           AtrasoDiaUtil(EncodeDate(2025, 4, 18), EncodeDate(2025, 4, 22)));
       out << fmt::format("Due on 15/04, paid on 17/04: AtrasoDiaUtil = \"{}\"\n",
                          AtrasoDiaUtil(EncodeDate(2025, 4, 15), EncodeDate(2025, 4, 17)));
       const TDateTime inicio = EncodeDate(2025, 4, 17);
       out << fmt::format("A sector job of 2.5 days starting {}, five-day week:\n  CalculaDataSetor -> {}\n",
                          day(inicio), day(CalculaDataSetor(inicio, 5, 0, 2.5, "I")));
       out << fmt::format("Order 000001 (terms 030060090): PrazoMedio = {} days\n", PrazoMedio("000001"));
       out << fmt::format("SomaTempoString(01:45:50, 00:20:15) = {}\n",
                          SomaTempoString("01:45:50", "00:20:15"));
       out << fmt::format("TempoString(1.1) = {}\n", TempoString(1.1));
       out << fmt::format("TotalDias(030060090) = {}, PrazoMedioNota(028035042) = {}\n",
                          TotalDias("030060090"), PrazoMedioNota("028035042"));
       out << fmt::format("JurosCompostos(0.02, 100, 30) = {}, over 45 days = {}\n",
                          FormatFloat("0.00", JurosCompostos(0.02, 100, 30)),
                          FormatFloat("0.00", JurosCompostos(0.02, 100, 45)));
       out << fmt::format("ValidaData(29/02/2025) = {}, HoraSQL(22/04/2025 09:30, True) = {}\n",
                          yes_no(ValidaData("29/02/2025")),
                          HoraSQL(EncodeDateTime(2025, 4, 22, 9, 30, 0, 0), true));
     }}};

}  // namespace
}  // namespace zpk::cli
