// `zpk call` entries for business days, dates, time texts and payment terms.
// Dates are written "dd/mm/yyyy" (optionally with " hh:nn:ss") and printed the
// same way; the calendar routines and PrazoMedio read the database (--db,
// --empresa before the routine's name), the others need none.
#include "foundation/calendario.hpp"
#include "documents/tempo.hpp"
#include "platform/rtl/datetime.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(VerificaDiaUtil), {"Data", "Flag"}).uses_database();
  register_routine(ZPK_ROUTINE(DiaUtil), {"Data", "DiasSemana"}).uses_database();
  register_routine(ZPK_ROUTINE(AtrasoDiaUtil), {"Data1", "Data2"}).uses_database();
  register_routine(ZPK_ROUTINE(CalculaDataSetor), {"Data", "DiasSemana", "Dias", "Duracao", "Direcao"})
      .uses_database();
  register_routine(ZPK_ROUTINE(PrazoMedio), {"Numero"}).uses_database();
  register_routine(ZPK_ROUTINE(TempoNumerico), {"Hora", "EmMinutos"});

  register_constant("DateNull", DateNull);
  register_routine(ZPK_ROUTINE(ValidaData), {"Data"});
  register_routine(ZPK_ROUTINE(HoraSQL), {"Data", "Flag"});
  register_routine(ZPK_ROUTINE(TempoString), {"Horas"});
  register_routine(ZPK_ROUTINE(SomaTempoString), {"Tempo1", "Tempo2"});
  register_routine(ZPK_ROUTINE(TotalDias), {"Prazo"});
  register_routine(ZPK_ROUTINE(PrazoMedioNota), {"Prazo"});
  register_routine(ZPK_ROUTINE(JurosCompostos), {"Taxa", "Valor", "Dias"});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
