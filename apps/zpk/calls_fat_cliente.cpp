// `zpk call` entries for the customer's credit position (TFatCliente) and
// the order block. A method's own arguments come first, then the object's
// properties as NAME=value (Codcli=000301 ValorFaturamento=500.00):
//
//   zpk call --db x ValorEmAberto Codcli=000301
//   zpk call --db x LimiteCredito P Codcli=000301 ValorFaturamento=500
//   zpk call --db x BloqueioPedidoFinanceiro 000430 000301 500 -
//
// MaiorFaturamento, MaiorAcumulo and UltimoFaturamento leave their update to
// the caller's commit, as the billing screen commits the invoice; the call
// commits after them. The connection (Database) is the session's.
#include <ostream>

#include "billing/fat_cliente.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {

template <>
struct CallClass<TFatCliente> {
  static const char* name() { return "TFatCliente"; }

  static const PropertyTable<TFatCliente>& properties() {
    static const PropertyTable<TFatCliente> kTable = [] {
      PropertyTable<TFatCliente> t;
      t.add("Codcli", &TFatCliente::FCodCli)
          .add("ValorFaturamento", &TFatCliente::FValorFat)
          .add("VlrLimite", &TFatCliente::FVlrLimite);
      return t;
    }();
    return kTable;
  }

  // The properties after a method that returns nothing.
  static void report(std::ostream& out, const TFatCliente& f) {
    print_var(out, "Codcli", f.FCodCli);
    print_var(out, "ValorFaturamento", number_text(f.FValorFat));
  }
};

namespace {

const bool registered = [] {
  register_routine(ZPK_METHOD(TFatCliente, ValorEmAberto)).uses_database();
  register_routine(ZPK_METHOD(TFatCliente, ValorPedidos)).uses_database();
  register_routine(ZPK_METHOD(TFatCliente, ValorAntecipa)).uses_database();
  register_routine(ZPK_METHOD(TFatCliente, ValorDevol)).uses_database();
  register_routine(ZPK_METHOD(TFatCliente, LimiteCredito), {"Tipo"}).uses_database();
  register_routine(ZPK_METHOD(TFatCliente, MaiorFaturamento)).uses_database().commits();
  register_routine(ZPK_METHOD(TFatCliente, MaiorAcumulo)).uses_database().commits();
  register_routine(ZPK_METHOD(TFatCliente, UltimoFaturamento)).uses_database().commits();
  register_routine(ZPK_ROUTINE(BloqueioPedidoFinanceiro), {"Pedido", "Cliente", "Valor", "CodMensagem"})
      .uses_database();
  register_routine(ZPK_ROUTINE(DuplicatasVencidas), {"Cliente"}).uses_database();
  register_routine(ZPK_ROUTINE(DuplicatasAtraso), {"Cliente"}).uses_database();
  register_routine(ZPK_ROUTINE(PeriodoLimiteAnalise), {"Cliente"}).uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
