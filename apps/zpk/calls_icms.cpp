// `zpk call` entries for the ICMS calculations of an invoice item, e.g.
//   zpk call --db X CalculaSubstituicaoTributariaICMS 61091000 000102 V 1000 12 10 1000 - - - - -
// prints the ST amount, then BaseST, MVA, ValorFCPST and the rule's texts.
#include "billing/cents.hpp"
#include "billing/icms.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(CalculaDiferimentoICMS),
                   {"TabFis", "Cliente", "TpOper", "Base", "Aliquota", "Natureza", "TabTrib", "ValorDiferido",
                    "ValorICMSOperacao"})
      .uses_database();
  register_routine(ZPK_ROUTINE(CalculaReducaoICMS),
                   {"TabFis", "Cliente", "TpOper", "Natureza", "TabTrib", "DestacaImp"})
      .uses_database();
  register_routine(ZPK_ROUTINE(CalculaDesoneracaoICMS),
                   {"TabFis", "Cliente", "TpOper", "Valor", "Natureza", "TabTrib"})
      .uses_database();
  register_routine(ZPK_ROUTINE(CalculaSubstituicaoTributariaICMS),
                   {"TabFis", "Cliente", "TpOper", "BaseICMS", "AliqICMS", "Quantidade", "BaseST", "MVA",
                    "ValorFCPST", "Natureza", "TabTrib", "DestacaImp"})
      .uses_database();
  register_routine(ZPK_ROUTINE(DadosSTItem),
                   {"TabFis", "Cliente", "TpOper", "RedST", "AliqInterna", "Reservado"})
      .uses_database();
  register_routine(ZPK_ROUTINE(CalculaDIFALICMS),
                   {"Natureza", "Cliente", "TabFis", "AliqICMS", "BaseICMS", "PercReducao", "ValorFCP",
                    "ValorDIFAL", "BaseDIFAL", "AliqInterna", "Data", "Flag"})
      .uses_database();
  register_routine(ZPK_ROUTINE(FormatFloatC), {"Formato", "Valor"});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
