// `zpk call` entries for the ledger and bank-book postings, their deletions,
// the closing-date guard and the booking date of a bank receipt. The
// connection argument is "-" (the call's own); dates are dd/mm/yyyy.
//
//   zpk call --db x LancaContabilidade R1 DOC 000610/1 000610 0001 E RR 101 0001 1500.25 06/03/2026 109-06 ""
//   zpk call --db x LancaContaCorrente R1 DOC "" 0001 "" "" R N E "" 1500.25 06/03/2026 10/03/2026 06/03/2026
//   "" zpk call --db x ProximoOrdemLancamento R1 zpk call --db x DataContabilizacaoBancaria 06/03/2026 02
//   True zpk call --db x PeriodoConciliado 31/12/2024 CX
#include "accounting/contabil.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(LancaContabilidade),
                   {"Lancto", "Docto", "Numero", "EntidadeC", "EntidadeD", "Operacao", "Tipo", "Classe",
                    "Historico", "Valor", "Data", "Carteira", "Observacao", "Database"})
      .uses_database();
  register_routine(
      ZPK_ROUTINE(LancaContaCorrente),
      {"Lancto", "Docto", "Complemento", "Conta", "Grupo", "Historico", "Tipo", "Pendente", "Operacao",
       "Observacao", "Valor", "DataLancamento", "DataContabil", "DataVencimento", "TipoDoc", "Database"})
      .uses_database();
  register_routine(ZPK_ROUTINE(DeletaCentroRateio), {"Numero", "Tipo", "GravaLog"}).uses_database();
  register_routine(ZPK_ROUTINE(DeletaContabilidadeFiscal), {"Numero", "Tipo", "CodCli", "Lancto", "Database"})
      .uses_database();
  register_routine(ZPK_ROUTINE(DeletaContabilidadeFinan), {"Lancto", "Database"}).uses_database();
  register_routine(ZPK_ROUTINE(DeletaContaCorrente), {"Lancto", "Database"}).uses_database();
  register_routine(ZPK_ROUTINE(ProximoOrdemLancamento), {"Lancto", "Database"}).uses_database();
  register_routine(ZPK_ROUTINE(PeriodoConciliado), {"Data", "Tipo"}).uses_database();
  register_routine(ZPK_ROUTINE(DataContabilizacaoBancaria), {"Data", "Situacao", "UsaSituacao"})
      .uses_database();
  register_routine(ZPK_ROUTINE(LancamentoPendente), {"Conta", "Historico"}).uses_database();
  register_routine(ZPK_ROUTINE(ExisteAP), {"CodCre", "Valor", "Vencimento"}).uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
