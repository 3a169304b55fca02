// `zpk call` entries for the functions report layouts call in their
// expressions. None reads the database; Sequencia counts within the one call.
#include "reporting/funcoes_relatorio.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(ArredondaParaCima), {"Valor"});
  register_routine(ZPK_ROUTINE(ReplaceStr), {"Texto", "De", "Para"});
  register_routine(ZPK_ROUTINE(Formata), {"Valor", "Casas"});
  register_routine(ZPK_ROUTINE(CHR1), {"Codigo"});
  register_routine(ZPK_ROUTINE(FV), {"Valor", "Casas"});
  register_routine(ZPK_ROUTINE(DataExtenso), {"Data"});
  register_routine(ZPK_ROUTINE(Sequencia), {"Tamanho"});
  register_routine(ZPK_ROUTINE(JuroComposto), {"Valor", "Taxa", "Periodos"});
  register_routine(ZPK_ROUTINE(CalculaParcelas), {"Prazos", "Data", "Total"});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
