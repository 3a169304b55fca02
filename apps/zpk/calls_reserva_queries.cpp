// `zpk call` entries for reservations and the stock look-ups, and the station
// workload "baixa-reserva". A TReserva operation takes its Commit flag, then
// the object's properties as NAME=value, e.g.
//   zpk call --db X GravarReservaProduto True ENumero=000123 ECodigo=CAM-001 ECor=01 ETam=M EQuantidade=5
// and prints the rows it changed.
#include <ostream>
#include <string>

#include "inventory/reserva.hpp"
#include "inventory/stock_queries.hpp"
#include "routine_adapter.hpp"
#include "station.hpp"

namespace zpk::cli {

template <>
struct CallClass<TReserva> {
  static const char* name() { return "TReserva"; }

  static const PropertyTable<TReserva>& properties() {
    static const PropertyTable<TReserva> kTable = [] {
      PropertyTable<TReserva> t;
      t.add("ECodigo", &TReserva::ECodigo)
          .add("ECor", &TReserva::ECor)
          .add("EData", &TReserva::EData)
          .add("EDeposito", &TReserva::EDeposito)
          .add("ELote", &TReserva::ELote)
          .add("ENumero", &TReserva::ENumero)
          .add("EQuantidade", &TReserva::EQuantidade)
          .add("EQuantidade_B", &TReserva::EQuantidade_B)
          .add("ETam", &TReserva::ETam)
          .add("ETipo", &TReserva::ETipo)
          .add("EQuantidade_E", &TReserva::EQuantidade_E);
      return t;
    }();
    return kTable;
  }

  static void report(std::ostream& out, const TReserva& r) {
    print_var(out, "RowsAffected", std::to_string(r.rows_affected()));
  }
};

namespace {

const bool registered = [] {
  register_routine(ZPK_METHOD(TReserva, GravarReservaProduto), {"Commit"}).uses_database();
  register_routine(ZPK_METHOD(TReserva, GravarReservaMaterial), {"Commit"}).uses_database();
  register_routine(ZPK_METHOD(TReserva, BaixarReservaProduto), {"Commit"}).uses_database();
  register_routine(ZPK_METHOD(TReserva, BaixarReservaMaterial), {"Commit"}).uses_database();
  register_routine(ZPK_METHOD(TReserva, ExcluirReservaProduto), {"Commit"}).uses_database();
  register_routine(ZPK_METHOD(TReserva, ExcluirReservaMaterial), {"Commit"}).uses_database();

  register_routine(ZPK_ROUTINE(QtdeEstoque), {"Codigo", "Cor", "Tam", "Lote", "Deposito", "Tipo", "Origem"})
      .uses_database();
  register_routine(ZPK_ROUTINE(CalculaPrecoMedio), {"Codigo", "Unidade", "Cor", "Operacao", "Qtde", "Preco"})
      .uses_database();
  register_routine(ZPK_ROUTINE(ConverteUnidade), {"UnOrigem", "UnDestino", "UnResultado", "Qtde"})
      .uses_database();
  register_routine(ZPK_ROUTINE(QuantidadeConv), {"Codigo", "Unidade", "Tipo", "Qtde"}).uses_database();
  register_routine(ZPK_ROUTINE(QtdeUnCompra), {"Codigo", "Unidade", "Tipo", "Qtde"}).uses_database();
  register_routine(ZPK_ROUTINE(Ultimo_Preco), {"Codigo", "Fornecedor"}).uses_database();
  register_routine(ZPK_ROUTINE(Busca_Preco), {"Codigo", "Fornecedor", "Cor", "Tipo", "Tinturaria"})
      .uses_database();
  register_routine(ZPK_ROUTINE(ValidaExclusaoMaterial), {"Codigo"}).uses_database();
  register_routine(ZPK_ROUTINE(ValidaExclusaoProduto), {"Codigo"}).uses_database();
  return true;
}();

// Each operation writes one unit of the product reservation down and commits;
// prints the rows it changed.
const RegisterStationWorkload kBaixaReserva{"baixa-reserva",
                                            {"NUMERO CODIGO COR TAM LOTE DEPOSITO", [](StationContext& ctx) {
                                               TReserva r;
                                               r.ENumero = ctx.args.at(0);
                                               r.ECodigo = ctx.args.at(1);
                                               r.ECor = ctx.args.at(2);
                                               r.ETam = ctx.args.at(3);
                                               r.ELote = ctx.args.at(4);
                                               r.EDeposito = ctx.args.at(5);
                                               r.EQuantidade = 1;
                                               r.EQuantidade_B = 1;
                                               for (int i = 0; i < ctx.count; ++i) {
                                                 r.BaixarReservaProduto(true);
                                                 ctx.out << r.rows_affected() << '\n';
                                               }
                                             }}};

}  // namespace
}  // namespace zpk::cli
