// `zpk call` entries for barcodes, lot numbers, lot checks and item
// substitutions, e.g.
//   zpk call --db X Gera_EAN13 CAM-001 01 M P
//   zpk call --db X ProximoRolo 2026 M
//   zpk call --db X BuscarDtValidadeLote TEC-001 L0042 --answer ok
#include "inventory/codigo_barras.hpp"
#include "inventory/lotes.hpp"
#include "inventory/substituicao.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(Gera_EAN13), {"Codigo", "Cor", "Tam", "Tipo"}).uses_database();
  register_routine(ZPK_ROUTINE(Gera_EAN28), {"Codigo", "Cor", "Tam"}).uses_database();
  register_routine(ZPK_ROUTINE(ExisteBarra), {"Campo", "Codigo", "Cor", "Tam", "Tipo"}).uses_database();
  register_routine(ZPK_ROUTINE(VerificaLimiteBarraEAN13), {"Barra"}).uses_database();
  register_routine(ZPK_ROUTINE(ProximoRolo), {"Prefixo", "Tipo"}).uses_database();
  register_routine(ZPK_ROUTINE(ProximaOrdemTecelB), {"Prefixo"}).uses_database();
  register_routine(ZPK_ROUTINE(BuscarDtValidadeLote), {"Codigo", "Lote"}).uses_database();
  register_routine(ZPK_ROUTINE(VerificaStatusLaudo), {"Codigo", "Lote", "Tela"}).uses_database();
  register_routine(ZPK_ROUTINE(GravaSubstituicao),
                   {"Codigo", "Cor", "CorDest", "CodigoOrig", "TpIten", "TpMov", "NumDocto", "Qtde"})
      .uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
