// `zpk demo` step for the trims requirement list: the trims of two demo
// orders (shirts and jackets) exploded through their technical sheets, then
// the same orders again with a 5% surcharge on every consumption.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "inventory/exp_aviamentos.hpp"
#include "platform/rtl/numbers.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

// The requirement rows, one line each.
void show(std::ostream& out, TClientDataSet& ds) {
  out << fmt::format("  {:<7} {:<9} {:<6} {:<13} {:>9} {:>9} {:>6} {:>8} {:>7} {:>8}\n", "NUMERO", "CODIGO",
                     "COR", "DESCCOR", "CONSUMO", "ESTOQUE", "PECAS", "UNIT", "UNIDADE", "TOTAL");
  for (ds.First(); !ds.Eof(); ds.Next()) {
    auto num = [&](const char* field, const char* pattern) {
      return ds.FieldByName(field).IsNull() ? std::string()
                                            : FormatFloat(pattern, ds.FieldByName(field).AsFloat());
    };
    out << fmt::format("  {:<7} {:<9} {:<6} {:<13} {:>9} {:>9} {:>6} {:>8} {:>7} {:>8}\n",
                       ds.FieldByName("NUMERO").AsString(), ds.FieldByName("CODIGO").AsString(),
                       ds.FieldByName("COR").AsString(), ds.FieldByName("DESCCOR").AsString(),
                       num("CONSUMO", "0.##"), num("ESTOQUE", "0.##"), num("PECAS", "0"),
                       num("UNIT", "0.000"), ds.FieldByName("UNIDADE").AsString(), num("TOTAL", "0.00"));
  }
}

const RegisterDemo trims{
    {355, "Trims requirement list of two orders", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       TClientDataSet ds;
       TExpAviamentos exp(ds);
       exp.EmissaoIni = exp.EntregaIni = exp.FaturaIni = "01/01/2000";
       exp.EmissaoFim = exp.EntregaFim = exp.FaturaFim = "12/31/2099";
       exp.ListaPedidos = "'AV0001','AV0002'";
       exp.Executa(ds);
       out << "Orders AV0001 (shirts: the black ones take no label, size XG is outside the sheet's range) "
              "and\n"
              "AV0002 (jackets: thread follows the colour shares 60% white / 40% navy, navy has no thread\n"
              "colour and lands on 99999; cuff buttons in size GG only). PECAS: the orders' open pieces.\n";
       show(out, ds);

       TClientDataSet com_acrescimo;
       TExpAviamentos exp5(com_acrescimo);
       exp5.EmissaoIni = exp5.EntregaIni = exp5.FaturaIni = "01/01/2000";
       exp5.EmissaoFim = exp5.EntregaFim = exp5.FaturaFim = "12/31/2099";
       exp5.PedidoUnico = "AV0002";
       exp5.PercAcrescimo = 5;
       exp5.Executa(com_acrescimo);
       out << "AV0002 with PercAcrescimo 5: every consumption 5% higher, the shared thread too:\n";
       show(out, com_acrescimo);
     }}};

}  // namespace
}  // namespace zpk::cli
