// `zpk call` entries for the e-mail hand-off. With a desktop session the
// desktop's mail program opens the message; without one an .eml draft is
// written to the user's e-mail folder:
//
//   zpk call EnviaOutLook ana@loja.com "" "" Assunto Corpo /tmp/a.pdf False True -
//   zpk call SendMapiMail "ana@loja.com;bia@loja.com" "" "" Assunto Corpo /tmp/a.pdf
#include "messaging/email.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(EnviaOutLook),
                   {"Para", "CC", "CCo", "Assunto", "Corpo", "Anexos", "Html", "Exibir", "Erro"});
  register_routine(ZPK_ROUTINE(SendEMail), {"Handle", "Dados"});
  register_routine(ZPK_ROUTINE(SendMapiMail), {"Para", "CC", "CCo", "Assunto", "Corpo", "Anexos"});
  register_routine(ZPK_ROUTINE(EnviaEmail),
                   {"Assunto", "Corpo", "Anexo", "EmailPara", "NomePara", "EmailDe", "NomeDe"});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
