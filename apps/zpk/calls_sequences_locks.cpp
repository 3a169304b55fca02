// `zpk call` entries for codes and reserved codes, record locks and the audit
// log. All take --db (path or host:path), --empresa and --usuario before the
// routine's name.
#include <ostream>
#include <string>

#include "foundation/audit_log.hpp"
#include "foundation/record_locks.hpp"
#include "foundation/sequences.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

const std::string& arg(const CallContext& ctx, size_t index) {
  return ctx.args.at(index);
}

// oplInclusao..oplMovimentacao, by name, by number (0-3) or by the stored text.
TOperacaoLog operacao_arg(const std::string& text) {
  const TOperacaoLog all[] = {oplInclusao, oplAlteracao, oplExclusao, oplMovimentacao};
  const char* names[] = {"oplInclusao", "oplAlteracao", "oplExclusao", "oplMovimentacao"};
  for (int i = 0; i < 4; ++i) {
    if (text == names[i] || text == std::to_string(i) || text == operacao_log_text(all[i])) return all[i];
  }
  throw EConvertError("'" + text +
                      "' is not an operation (oplInclusao, oplAlteracao, oplExclusao, oplMovimentacao)");
}

using LockRoutine = bool (*)(std::string_view, std::string_view);

void register_lock(const std::string& name, LockRoutine routine) {
  RegisterCall(name, {"NUMERO OPCAO", 2, 2, [routine](CallContext& ctx) {
                        CallSession session(ctx.options);
                        print_bool(ctx.out, routine(arg(ctx, 0), arg(ctx, 1)));
                      }});
}

const bool registered = [] {
  RegisterCall("Proximo", {"TABELA CAMPO [TAMANHO]", 2, 3, [](CallContext& ctx) {
                             CallSession session(ctx.options);
                             const int tamanho = ctx.args.size() > 2 ? arg_int(ctx, 2) : 6;
                             print_text(ctx.out, Proximo(arg(ctx, 0), arg(ctx, 1), tamanho));
                           }});
  RegisterCall("ReservaCodigo", {"TABELA CAMPO VALOR(SQL literal)", 3, 3, [](CallContext& ctx) {
                                   CallSession session(ctx.options);
                                   ReservaCodigo(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2));
                                 }});
  RegisterCall("LiberaCodigos", {"TABELA CAMPO VALOR(SQL literal)", 3, 3, [](CallContext& ctx) {
                                   CallSession session(ctx.options);
                                   LiberaCodigos(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2));
                                 }});
  RegisterCall("CodigoReservado", {"TABELA CAMPO VALOR(SQL literal)", 3, 3, [](CallContext& ctx) {
                                     CallSession session(ctx.options);
                                     print_bool(ctx.out,
                                                CodigoReservado(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2)));
                                   }});
  RegisterCall("SequenciaBaixa", {"PREFIXO", 1, 1, [](CallContext& ctx) {
                                    CallSession session(ctx.options);
                                    print_text(ctx.out, SequenciaBaixa(arg(ctx, 0)));
                                  }});
  RegisterCall("SequenciaMovimentoPA_MOV", {"", 0, 0, [](CallContext& ctx) {
                                              CallSession session(ctx.options);
                                              print_number(ctx.out, SequenciaMovimentoPA_MOV());
                                            }});
  RegisterCall("SequenciaMovimentoMAT_MOV", {"", 0, 0, [](CallContext& ctx) {
                                               CallSession session(ctx.options);
                                               print_number(ctx.out, SequenciaMovimentoMAT_MOV());
                                             }});
  register_lock("PedidoLocado", PedidoLocado);
  register_lock("OrcamentoLocado", OrcamentoLocado);
  register_lock("ProgramacaoLocado", ProgramacaoLocado);
  RegisterCall("GeraLog", {"TELA DESCRICAO OPERACAO CHAVE [FORM]", 4, 5, [](CallContext& ctx) {
                             CallSession session(ctx.options);
                             const TOperacaoLog operacao = operacao_arg(arg(ctx, 2));
                             if (ctx.args.size() > 4) {
                               GeraLog(arg(ctx, 0), arg(ctx, 1), operacao, arg(ctx, 3), arg(ctx, 4));
                             } else {
                               GeraLog(arg(ctx, 0), arg(ctx, 1), operacao, arg(ctx, 3));
                             }
                           }});
  // The viewer's rows, one line each: user|date|time|screen|description|operation|company.
  RegisterCall("AcessaLog",
               {"TELA CHAVE [TODASEMPRESAS]", 2, 3, [](CallContext& ctx) {
                  CallSession session(ctx.options);
                  show_consulta_log = [&ctx](TFmConsultaLog& form) {
                    TClientDataSet& t = form.tbLog;
                    for (t.First(); !t.Eof(); t.Next()) {
                      print_text(ctx.out, t.FieldByName("Usuario").AsString() + "|" +
                                              t.FieldByName("Data").AsString() + "|" +
                                              FormatDateTime("hh:nn:ss", t.FieldByName("Hora").AsDateTime()) +
                                              "|" + t.FieldByName("Tela").AsString() + "|" +
                                              t.FieldByName("Descricao").AsString() + "|" +
                                              t.FieldByName("Operacao").AsString() + "|" +
                                              t.FieldByName("Empresa").AsString());
                    }
                  };
                  struct Reset {
                    ~Reset() { show_consulta_log = nullptr; }
                  } reset;
                  AcessaLog(arg(ctx, 0), arg(ctx, 1), ctx.args.size() > 2 && arg_bool(ctx, 2));
                }});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
