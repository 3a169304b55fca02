// `zpk demo` step for commissions: order CM520 of customer 000601, sold by
// R601 on price table SUL, gets its items' percentages from the rules; the
// order's split comes from the customer's (it has none of its own) with the
// average on the main representative's row; invoicing writes that split
// under each title of the order.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "receivables/comissao_item.hpp"
#include "receivables/rec_comissoes.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

// Numbers with a decimal point, like the rest of the command line's output.
std::string num(double value, const char* pattern = "0.00") {
  std::string text = FormatFloat(pattern, value);
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  return text;
}

// The order as a sales screen leaves it, before any recalculation; its old
// split and titles (an earlier run) go.
void write_order() {
  demo_exec(
      "UPDATE OR INSERT INTO PEDIDO_001 (NUMERO, LOCADO, CODCLI, CODREP, TAB_PRE, DT_EMISSAO, PGTO, COM1, "
      "COM2) "
      "VALUES ('CM520', '0', '000601', 'R601', 'SUL', '2026-03-02', '030', 0, 0) MATCHING (NUMERO)");
  demo_exec("DELETE FROM PED_ITEN_001 WHERE NUMERO = 'CM520'");
  demo_exec("DELETE FROM PED_COM_001 WHERE NUMERO = 'CM520'");
  demo_exec("DELETE FROM REC_COM_001 WHERE NUMERO STARTING WITH 'CM520/'");
  const char* itens[] = {
      "('CM520', 'TEC-001', '001', 'U', 1, 100, 0, 18.90, '5,00')",
      "('CM520', 'TEC-002', '002', 'U', 2, 40, 0, 32.50, '0')",
      "('CM520', 'CAM-001', '001', 'M', 3, 50, 0, 24.90, '3,5')",
      "('CM520', 'AMOSTRA', '', '', 4, 10, 0, 0, '')",
  };
  for (const char* item : itens) {
    demo_exec(std::string(
                  "INSERT INTO PED_ITEN_001 (NUMERO, CODIGO, COR, TAM, ORDEM, QTDE, QTDE_F, PRECO, DESCONTO) "
                  "VALUES ") +
              item);
  }
  const char* titulos[] = {
      "('CM520/1', '000601', 'R601', 'CM520', 2217.50, '2026-04-01', '2026-03-02', 'N')",
      "('CM520/2', '000601', 'R601', 'CM520', 2217.50, '2026-05-01', '2026-03-02', 'N')",
  };
  for (const char* t : titulos) {
    demo_exec(
        std::string("UPDATE OR INSERT INTO RECEBER_001 (NUMERO, CODCLI, CODREP, PEDIDO, VALOR2, DT_VENCTO, "
                    "DT_EMISSAO, STATUS) VALUES ") +
        t + " MATCHING (NUMERO)");
  }
  Tabela.IBTransaction.CommitRetaining();
}

void list_split(std::ostream& out, TRecComissoes& r) {
  TClientDataSet& rows = r.Comissoes();
  for (rows.First(); !rows.Eof(); rows.Next()) {
    out << fmt::format("    {:<5} {:<26} COM1 {:>6}  COM2 {:>5}{}\n", rows.FieldByName("CODREP").AsString(),
                       rows.FieldByName("NOME").AsString(), num(rows.FieldByName("COM1").AsFloat(), "0.0000"),
                       num(rows.FieldByName("COM2").AsFloat()),
                       rows.FieldByName("PRIMEIRO").AsBoolean() ? "  (main)" : "");
  }
}

const RegisterDemo kComissoes{
    {520, "Commissions: an order's rules, average and split, written under its titles",
     [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       write_order();
       out << "Order CM520 of 000601, representative R601, price table SUL, terms 30 days.\n";

       out << "The order has no split of its own; it loads its customer's:\n";
       for (const bool todos : {false, true}) {
         TRecComissoes r(ctVendas);
         r.Codigo = "CM520";
         r.CodCli = "000601";
         r.CodRep = "R601";
         r.BuscaComissoes(todos);
         out << (todos ? "  BuscaComissoes(True), every representative of the customer:\n"
                       : "  BuscaComissoes(False), the order's representative only:\n");
         list_split(out, r);
       }

       RecalcularComissaoPedido("CM520");
       out << "RecalcularComissaoPedido(CM520), FIN 10 = " << Trim(BuscaParametro("FIN", 10)) << " (COM1):\n";
       TTIQuery q(Tabela.IBDatabase);
       q.SQL.Add(
           "SELECT CODIGO, DESCONTO, (QTDE + QTDE_F) * PRECO AS VALOR, PERC_COMISSAO FROM PED_ITEN_001 "
           "WHERE NUMERO = 'CM520' ORDER BY ORDEM");
       q.Open();
       for (; !q.Eof(); q.Next()) {
         out << fmt::format("  {:<8} discount {:<5} value {:>8}  commission {:>4} %\n",
                            q.FieldByName("CODIGO").AsString(), q.FieldByName("DESCONTO").AsString(),
                            num(q.FieldByName("VALOR").AsFloat()),
                            num(q.FieldByName("PERC_COMISSAO").AsFloat()));
       }
       out << "    (TEC-001: R601's product rule; TEC-002: the knitted-goods rule for everybody;\n"
              "     CAM-001: garments on table SUL; AMOSTRA: no rule)\n";
       q.Close();
       q.SQL.Text = "SELECT COM1, COM2 FROM PEDIDO_001 WHERE NUMERO = 'CM520'";
       q.Open();
       out << fmt::format("  order COM1 {} (94.50 + 39.00 + 31.125 over 4435.00), COM2 {} (customer's)\n",
                          num(q.FieldByName("COM1").AsFloat(), "0.0000"),
                          num(q.FieldByName("COM2").AsFloat()));

       out << "Invoicing: the order's split written under each title (ctFatPedido):\n";
       TRecComissoes fat(ctFatPedido);
       fat.Codigo = "CM520";
       fat.CodRep = "R601";
       fat.BuscaComissoes(true);
       list_split(out, fat);
       for (const char* titulo : {"CM520/1", "CM520/2"}) fat.GravarDados(titulo);
       Tabela.IBTransaction.CommitRetaining();
       for (const char* titulo : {"CM520/1", "CM520/2"}) {
         TRecComissoes dup(ctDuplicata);
         dup.Codigo = titulo;
         dup.CodRep = "R601";
         dup.BuscaComissoes(true);
         out << "  title " << titulo << " (ctDuplicata), total "
             << num(dup.ValorTotalComissoes().ToDouble(), "0.0000") << ":\n";
         list_split(out, dup);
       }
     }}};

}  // namespace
}  // namespace zpk::cli
