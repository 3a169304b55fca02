// `zpk demo` step for the trims requirement list: two demo orders (shirts and
// jackets) are placed and their trims exploded through the technical sheets,
// then one of them again with a 5% surcharge on every consumption. The orders
// are placed here, not seeded, so the seeded order book stays the base one.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "foundation/lookups.hpp"
#include "inventory/exp_aviamentos.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
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

// Places orders AV0001 (customer 000701, shirts) and AV0002 (000702,
// jackets) again, with their items, and commits.
void place_orders() {
  TTIQuery q(Tabela.IBDatabase);
  const struct {
    const char *numero, *codcli, *emissao, *entrega, *fatura, *ped_cli;
  } kPedidos[] = {{"AV0001", "000701", "2026-03-02", "2026-04-15", "2026-04-20", "BV-118"},
                  {"AV0002", "000702", "2026-03-05", "2026-04-30", "2026-05-05", "OS-2026-07"}};
  for (const auto& p : kPedidos) {
    q.SQL.Text =
        "UPDATE OR INSERT INTO " + DBLocal("PEDIDO") +
        " (NUMERO, LOCADO, CODCLI, DT_EMISSAO, ENTREGA, DT_FATURA, PED_CLI)"
        " VALUES (:N, '0', :C, CAST(:E AS DATE), CAST(:EN AS DATE), CAST(:F AS DATE), :P) MATCHING (NUMERO)";
    q.ParamByName("N").AsString = p.numero;
    q.ParamByName("C").AsString = p.codcli;
    q.ParamByName("E").AsString = p.emissao;
    q.ParamByName("EN").AsString = p.entrega;
    q.ParamByName("F").AsString = p.fatura;
    q.ParamByName("P").AsString = p.ped_cli;
    q.ExecSQL();
    q.SQL.Text = "DELETE FROM " + DBLocal("PED_ITEN") + " WHERE NUMERO = :N";
    q.ParamByName("N").AsString = p.numero;
    q.ExecSQL();
  }
  const struct {
    const char *numero, *codigo, *cor, *tam;
    int ordem;
    double qtde, preco;
  } kItens[] = {{"AV0001", "AV-CAMISA", "AV01", "P", 1, 10, 89.9},
                {"AV0001", "AV-CAMISA", "AV01", "M", 2, 20, 89.9},
                {"AV0001", "AV-CAMISA", "AV02", "M", 3, 12, 89.9},
                {"AV0001", "AV-CAMISA", "AV01", "XG", 4, 3, 94.9},
                {"AV0002", "AV-JAQUETA", "AV02", "G", 1, 6, 159.9},
                {"AV0002", "AV-JAQUETA", "AV02", "GG", 2, 4, 159.9}};
  q.SQL.Text = "INSERT INTO " + DBLocal("PED_ITEN") +
               " (NUMERO, CODIGO, COR, TAM, ORDEM, QTDE, QTDE_F, QTDE_CANC, PRECO)"
               " VALUES (:N, :C, :COR, :T, :O, :Q, 0, 0, :P)";
  for (const auto& i : kItens) {
    q.ParamByName("N").AsString = i.numero;
    q.ParamByName("C").AsString = i.codigo;
    q.ParamByName("COR").AsString = i.cor;
    q.ParamByName("T").AsString = i.tam;
    q.ParamByName("O").AsInteger = i.ordem;
    q.ParamByName("Q").AsFloat = i.qtde;
    q.ParamByName("P").AsFloat = i.preco;
    q.ExecSQL();
  }
  Tabela.IBDatabase.DefaultTransaction().CommitRetaining();
}

const RegisterDemo trims{
    {355, "Trims requirement list of two orders", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       place_orders();
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
