// `zpk call` entries for invoice numbers and NF-e lots. The number box of
// ProximaNotaFiscal is answered with --answer (":cancel" closes it); the order
// being invoiced is the session's (--set vPedidoFat=...).
//
//   zpk call --db x ReservaNotaFiscal 1
//   zpk call --db x --set vPedidoFat=NF0001 --answer 000130 ProximaNotaFiscal 1 False
#include "billing/nota_fiscal.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(ProximaNotaFiscal), {"Serie", "SemPergunta"}).uses_database();
  register_routine(ZPK_ROUTINE(ReservaNotaFiscal), {"Serie"}).uses_database();
  register_routine(ZPK_ROUTINE(DeletaNumeroNotaFiscal), {"Nota"}).uses_database();
  register_routine(ZPK_ROUTINE(ProximoLoteNFe)).uses_database();
  register_routine(ZPK_ROUTINE(IdentificadorNota), {"Numero", "Serie"});
  register_routine(ZPK_ROUTINE(VersaoNFe));
  return true;
}();

}  // namespace
}  // namespace zpk::cli
