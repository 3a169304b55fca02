// `zpk call` entries for users and access rights. Acessa, ValidaSenha,
// NomeUsuarioSenha and ValidaLimiteUsuario read the database (--db, --empresa,
// --usuario as the current user); the session's password is --set vSenha=...,
// and the supervisor's password box of Acessa is answered with --answer.
// Passwords are never printed; given as "-" (ValidaSenha's Senha, the text
// Gera_FB_PASS derives from, --set vSenha=-) they are read from standard
// input, so that ps does not show them.
#include "foundation/access_rights.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(Acessa), {"NomeForm", "Operacao", "TipoMinimo", "Relatorio"})
      .uses_database()
      .shows("vSupervisor");
  register_routine(ZPK_ROUTINE(ValidaSenha), {"Tipo", "Senha"})
      .uses_database()
      .secret("Senha")
      .shows("vSupervisor");
  register_routine(ZPK_ROUTINE(NomeUsuarioSenha)).uses_database();
  register_routine(ZPK_ROUTINE(ValidaLimiteUsuario), {"Tipo", "Valor", "Avisar"}).uses_database();
  register_routine(ZPK_ROUTINE(RtnCodificar), {"Texto", "Chave"});
  register_routine(ZPK_ROUTINE(Gera_FB_PASS), {"Texto"}).secret("Texto");
  return true;
}();

}  // namespace
}  // namespace zpk::cli
