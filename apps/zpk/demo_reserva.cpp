// `zpk demo` steps for reservations and the stock look-ups: an order reserves
// garments and yarn, the invoice writes the reservation down (past zero when
// more is shipped than reserved), and the purchasing screens convert units,
// look up prices and check whether a material may be deleted.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "foundation/lookups.hpp"
#include "inventory/reserva.hpp"
#include "inventory/stock_queries.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

void show_reservations(std::ostream& out, const std::string& table, const std::string& numero) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT * FROM " + DBLocal(table) + " WHERE NUMERO = :NUMERO ORDER BY CODIGO, COR");
  q.ParamByName("NUMERO").AsString = numero;
  q.Open();
  if (q.IsEmpty()) out << fmt::format("  {}: no reservation of document {}\n", table, numero);
  for (; !q.Eof(); q.Next()) {
    const TTIField* tam = q.FindField("TAM");
    out << fmt::format(
        "  {} {} {} {}{} deposit {}: QTDE {}  QTDE_B {}\n", table, q.FieldByName("TIPO").AsString(),
        q.FieldByName("CODIGO").AsString(), q.FieldByName("COR").AsString(),
        tam != nullptr ? "/" + tam->AsString() : std::string(), q.FieldByName("DEPOSITO").AsString(),
        q.FieldByName("QTDE").AsString(), q.FieldByName("QTDE_B").AsString());
  }
}

const RegisterDemo reservations{
    {310, "Reservations of products and materials", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       const std::string pedido = "000001";
       TReserva r;
       r.ENumero = pedido;
       r.ETipo = "PD";
       r.ECodigo = "CAM-001";
       r.ECor = "01";
       r.ETam = "M";
       r.EDeposito = "0001";
       r.EQuantidade = 10;
       r.GravarReservaProduto(true);
       out << fmt::format("Order {} reserves 10 garments CAM-001 01/M (GravarReservaProduto):\n", pedido);
       show_reservations(out, "PED_RESERVA", pedido);

       r.EQuantidade = 6;
       r.EQuantidade_B = 6;
       r.BaixarReservaProduto(true);
       out << "The first invoice ships 6 (BaixarReservaProduto):\n";
       show_reservations(out, "PED_RESERVA", pedido);
       r.BaixarReservaProduto(true);
       out << "A second invoice ships 6 more than are left: the open quantity goes below zero\n";
       show_reservations(out, "PED_RESERVA", pedido);

       TReserva m;
       m.ENumero = "OP-0042";
       m.ETipo = "OP";
       m.ECodigo = "FIO-001";
       m.ECor = "CRU";
       m.EDeposito = "0001";
       m.EQuantidade = 120.5;
       m.GravarReservaMaterial(true);
       out << "Production order OP-0042 reserves 120.5 kg of yarn FIO-001 (GravarReservaMaterial):\n";
       show_reservations(out, "MAT_RESERVA", "OP-0042");
       m.ETipo = "";
       m.EQuantidade = 80;
       m.EQuantidade_B = 80;
       m.BaixarReservaMaterial(true);
       out << "The weaving consumes 80 kg; a blank kind writes down reservations of every kind:\n";
       show_reservations(out, "MAT_RESERVA", "OP-0042");

       TReserva x;
       x.ENumero = pedido;
       x.ExcluirReservaProduto(true);
       out << fmt::format(
           "The order is closed: ExcluirReservaProduto with the number only removed {} row(s)\n",
           x.rows_affected());
       show_reservations(out, "PED_RESERVA", pedido);
     }}};

const RegisterDemo stock_queries{
    {311, "Stock queries, prices, units and deletion checks", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       std::string unidade;
       const double un = ConverteUnidade("DZ", "UN", unidade, 2);
       out << fmt::format("ConverteUnidade(DZ -> UN, 2) = {} {}\n", FormatFloat("0.####", un), unidade);
       const double nada = ConverteUnidade("UN", "ROLO", unidade, 2);
       out << fmt::format("ConverteUnidade(UN -> ROLO, 2) = {} {} (ROLO is not registered)\n",
                          FormatFloat("0.####", nada), unidade);
       out << fmt::format("QuantidadeConv(BOT-001, DZ, M, 3) = {}; QtdeUnCompra(BOT-001, DZ, M, 36) = {}\n",
                          FormatFloat("0.####", QuantidadeConv("BOT-001", "DZ", "M", 3)),
                          FormatFloat("0.####", QtdeUnCompra("BOT-001", "DZ", "M", 36)));
       out << fmt::format("QtdeUnCompra(BOT-001, CX, M, 5) = {} (CX has no factor)\n",
                          FormatFloat("0.####", QtdeUnCompra("BOT-001", "CX", "M", 5)));
       out << fmt::format("QtdeEstoque(FIO-001, CRU, all lots and deposits) = {}\n",
                          FormatFloat("0.####", QtdeEstoque("FIO-001", "CRU", "", "", "", "", "M")));
       out << fmt::format("Ultimo_Preco(FIO-001, F0010) = {} (latest purchase invoice, five decimals)\n",
                          FormatFloat("0.00000", Ultimo_Preco("FIO-001", "F0010")));
       out << fmt::format("Ultimo_Preco(BOT-001, F0011) = {} (the supplier's price list)\n",
                          FormatFloat("0.00000", Ultimo_Preco("BOT-001", "F0011")));
       out << fmt::format("Busca_Preco(TEC-001, T0020, 01, P, S) = {} (dye house price)\n",
                          FormatFloat("0.00", Busca_Preco("TEC-001", "T0020", "01", "P", "S")));
       out << fmt::format("Busca_Preco(BOT-001, F0099, '', M, N) = {} (no purchase: the material register)\n",
                          FormatFloat("0.00", Busca_Preco("BOT-001", "F0099", "", "M", "N")));
       out << fmt::format("CalculaPrecoMedio(CAM-001, DZ, 01, E, 2, 9.5) = {}\n",
                          FormatFloat("0.0000", CalculaPrecoMedio("CAM-001", "DZ", "01", "E", 2, 9.5)));

       HeadlessDialogs dialogs;
       ScopedDialogService guard(dialogs);
       for (const char* codigo : {"FIO-001", "ETQ-001"}) {
         const bool pode = ValidaExclusaoMaterial(codigo);
         out << fmt::format("ValidaExclusaoMaterial({}) = {}\n", codigo, pode ? "True" : "False");
         if (!pode) out << "  " << dialogs.last().caption << ": " << dialogs.last().text << '\n';
       }
       const bool pode = ValidaExclusaoProduto("CAM-001");
       out << fmt::format("ValidaExclusaoProduto(CAM-001) = {}\n", pode ? "True" : "False");
       if (!pode) out << "  " << dialogs.last().caption << ": " << dialogs.last().text << '\n';
     }}};

}  // namespace
}  // namespace zpk::cli
