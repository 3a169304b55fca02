// `zpk call` entries for the freight quotation and the nature, tax-code and
// carrier checks of the invoicing screens, e.g.
//   zpk call --db X ValorFrete 000001 T001 1500.00 250 0 ""
#include "billing/frete.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(ValorFrete),
                   {"Cliente", "Transportadora", "ValorNota", "Peso", "Quantidade", "Cep"})
      .uses_database();
  register_routine(ZPK_ROUTINE(ValidaNatureza), {"Cliente", "Natureza"}).uses_database();
  register_routine(ZPK_ROUTINE(TrocaCST), {"Tipo", "Codigo"}).uses_database();
  register_routine(ZPK_ROUTINE(ValidaTransportadora), {"Transportadora"}).uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
