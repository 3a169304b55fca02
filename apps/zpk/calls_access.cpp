// `zpk call` entries for users and access rights. Acessa, ValidaSenha,
// NomeUsuarioSenha and ValidaLimiteUsuario read the database (--db, --empresa,
// --usuario as the current user); the supervisor's password box of Acessa is
// answered with --answer. Passwords are never printed.
#include <ostream>
#include <string>

#include "foundation/access_rights.hpp"
#include "foundation/session.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

const std::string& arg(const CallContext& ctx, size_t index) {
  return ctx.args.at(index);
}

const bool registered = [] {
  RegisterCall("Acessa", {"NOMEFORM OPERACAO TIPOMINIMO [RELATORIO]", 3, 4, [](CallContext& ctx) {
                            CallSession session(ctx.options);
                            vSupervisor.clear();
                            const bool allowed = Acessa(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2),
                                                        ctx.args.size() > 3 ? arg(ctx, 3) : std::string());
                            print_bool(ctx.out, allowed);
                            print_var(ctx.out, "vSupervisor", vSupervisor);
                          }});
  RegisterCall("ValidaSenha", {"TIPO SENHA", 2, 2, [](CallContext& ctx) {
                                 CallSession session(ctx.options);
                                 print_bool(ctx.out, ValidaSenha(arg(ctx, 0), arg(ctx, 1)));
                                 print_var(ctx.out, "vSupervisor", vSupervisor);
                               }});
  RegisterCall("NomeUsuarioSenha", {"SENHA (the session password vSenha)", 1, 1, [](CallContext& ctx) {
                                      CallSession session(ctx.options);
                                      vSenha = arg(ctx, 0);
                                      const std::string nome = NomeUsuarioSenha();
                                      vSenha.clear();
                                      print_text(ctx.out, nome);
                                    }});
  RegisterCall("ValidaLimiteUsuario",
               {"TIPO VALOR [AVISAR]", 2, 3, [](CallContext& ctx) {
                  CallSession session(ctx.options);
                  const bool avisar = ctx.args.size() < 3 || arg_bool(ctx, 2);
                  print_bool(ctx.out, ValidaLimiteUsuario(arg(ctx, 0), arg_double(ctx, 1), avisar));
                }});
  RegisterCall("RtnCodificar", {"TEXTO CHAVE", 2, 2, [](CallContext& ctx) {
                                  print_text(ctx.out, RtnCodificar(arg(ctx, 0), arg(ctx, 1)));
                                }});
  RegisterCall("Gera_FB_PASS",
               {"TEXTO", 1, 1, [](CallContext& ctx) { print_text(ctx.out, Gera_FB_PASS(arg(ctx, 0))); }});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
