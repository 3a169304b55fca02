// `zpk call` entries for the NF-e access key and the NF-e's number and
// document formats. None reads the database, e.g.
//   zpk call ChaveNFe 35 2607 12ABC34501DE35 55 1 123 1 12345678
//   zpk call LimpaCnpjNFe 12.abc.345/01de-35
#include <utility>

#include "billing/nfe/chave_nfe.hpp"
#include "billing/nfe/gera_nfe.hpp"
#include "routine_adapter.hpp"

// The key routines live in zpk::nfe; registered under their own names.
#define ZPK_NFE_ROUTINE(routine)                                                          \
  ::zpk::cli::make_routine(                                                               \
      #routine, &::zpk::nfe::routine,                                                     \
      [](auto&&... a) -> decltype(::zpk::nfe::routine(std::forward<decltype(a)>(a)...)) { \
        return ::zpk::nfe::routine(std::forward<decltype(a)>(a)...);                      \
      })

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_NFE_ROUTINE(ChaveNFe),
                   {"cUF", "AAMM", "CNPJ", "Modelo", "Serie", "Numero", "tpEmis", "cNF"});
  register_routine(ZPK_NFE_ROUTINE(DigitoChaveNFe), {"Chave43"});
  register_routine(ZPK_ROUTINE(FormataPonto), {"Valor", "Decimais"});
  register_routine(ZPK_ROUTINE(LimpaCnpjNFe), {"Documento"});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
