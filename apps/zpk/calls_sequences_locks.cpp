// `zpk call` entries for codes and reserved codes, record locks and the audit
// log. All take --db (path or host:path), --empresa and --usuario before the
// routine's name. The lock this station holds is the session's
// (--set sPedidoLocado=...), printed after the lock routines.
#include <functional>
#include <ostream>
#include <string>

#include "foundation/audit_log.hpp"
#include "foundation/record_locks.hpp"
#include "foundation/sequences.hpp"
#include "platform/rtl/datetime.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

// The log viewer's rows, one line each: user|date|time|screen|description|operation|company.
void print_log_rows(CallContext& ctx, const std::function<void()>& call) {
  show_consulta_log = [&ctx](TFmConsultaLog& form) {
    TClientDataSet& t = form.tbLog;
    for (t.First(); !t.Eof(); t.Next()) {
      print_text(ctx.out, t.FieldByName("Usuario").AsString() + "|" + t.FieldByName("Data").AsString() + "|" +
                              FormatDateTime("hh:nn:ss", t.FieldByName("Hora").AsDateTime()) + "|" +
                              t.FieldByName("Tela").AsString() + "|" + t.FieldByName("Descricao").AsString() +
                              "|" + t.FieldByName("Operacao").AsString() + "|" +
                              t.FieldByName("Empresa").AsString());
    }
  };
  struct Reset {
    ~Reset() { show_consulta_log = nullptr; }
  } reset;
  call();
}

const bool registered = [] {
  register_routine(ZPK_ROUTINE(Proximo), {"NomeTabela", "Campo", "Tamanho", "Flag"}).uses_database();
  register_routine(ZPK_ROUTINE(ReservaCodigo), {"NomeTabela", "Campo", "Valor"}).uses_database();
  register_routine(ZPK_ROUTINE(LiberaCodigos), {"NomeTabela", "Campo", "Valor"}).uses_database();
  register_routine(ZPK_ROUTINE(CodigoReservado), {"NomeTabela", "Campo", "Valor"}).uses_database();
  register_routine(ZPK_ROUTINE(SequenciaBaixa), {"Prefixo"}).uses_database();
  register_routine(ZPK_ROUTINE(SequenciaMovimentoPA_MOV)).uses_database();
  register_routine(ZPK_ROUTINE(SequenciaMovimentoMAT_MOV)).uses_database();
  register_routine(ZPK_ROUTINE(PedidoLocado), {"Numero", "Opcao"}).uses_database().shows("sPedidoLocado");
  register_routine(ZPK_ROUTINE(OrcamentoLocado), {"Numero", "Opcao"})
      .uses_database()
      .shows("sOrcamentoLocado");
  register_routine(ZPK_ROUTINE(ProgramacaoLocado), {"Numero", "Opcao"})
      .uses_database()
      .shows("sProgramacaoLocado");
  // Operacao: oplInclusao..oplMovimentacao, its number (0-3) or the stored text.
  register_routine(ZPK_ROUTINE(GeraLog), {"Tela", "Descricao", "Operacao", "Chave", "Form"}).uses_database();
  register_routine(ZPK_ROUTINE(AcessaLog), {"Tela", "Chave", "TodasEmpresas"})
      .uses_database()
      .wraps(print_log_rows);
  return true;
}();

}  // namespace
}  // namespace zpk::cli
