// `zpk demo` step for the customer information screen: a customer with a
// title paid late in two payments, an overdue one, one to fall due, a
// post-dated cheque and an open order; its statistics row and titles page.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "reporting/informacoes_cliente.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

// Customer 000851 with credit 5000.00: N851-1 (1000.00, due 10/03/2025, paid
// 400.00 on 05/03 and 600.00 on 18/03: 8 days late), N851-2 (800.00 + 12.00
// interest, 300.00 paid, due 10/04/2025: overdue), N851-3 (650.00 due in
// 2030), a cheque of 120.00 to fall due, order D851 with 30 pieces pending at 15.00.
void write_customer() {
  demo_exec(
      "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, CREDITO, BLOQUEIO) VALUES "
      "('000851', 'MALHARIA SERRA AZUL LTDA', 5000, 'N') MATCHING (CODCLI)");
  const char* titulos[] = {
      "('N851-1', '000851', 1000, 1000, 0, 1000, '2025-03-10', '2025-02-08', 'N')",
      "('N851-2', '000851', 800, 800, 12, 300, '2025-04-10', '2025-03-11', 'N')",
      "('N851-3', '000851', 650, 650, 0, 0, '2030-05-10', '2025-04-10', 'N')",
  };
  for (const char* t : titulos) {
    demo_exec(
        std::string("UPDATE OR INSERT INTO RECEBER_001 (NUMERO, CODCLI, VALOR2, VALOR, JUROS, VALOR_PAGO, "
                    "DT_VENCTO, DT_EMISSAO, STATUS) VALUES ") +
        t + " MATCHING (NUMERO)");
  }
  demo_exec(
      "UPDATE OR INSERT INTO RECEBERB_001 (NUMERO, SEQ, DT_PAGTO, VALOR_PAGO) VALUES "
      "('N851-1', 1, '2025-03-05', 400) MATCHING (NUMERO, SEQ)");
  demo_exec(
      "UPDATE OR INSERT INTO RECEBERB_001 (NUMERO, SEQ, DT_PAGTO, VALOR_PAGO) VALUES "
      "('N851-1', 2, '2025-03-18', 600) MATCHING (NUMERO, SEQ)");
  demo_exec(
      "UPDATE OR INSERT INTO RECEBERB_001 (NUMERO, SEQ, DT_PAGTO, VALOR_PAGO) VALUES "
      "('N851-2', 1, '2025-04-01', 300) MATCHING (NUMERO, SEQ)");
  demo_exec(
      "UPDATE OR INSERT INTO CHEQUE_PRE_001 (CODIGO, CODCLI, NUMERO_CH, VALOR, STATUS, DT_VENCTO) VALUES "
      "(851, '000851', '004512', 120, 'P', '2030-01-15') MATCHING (CODIGO)");
  demo_exec(
      "UPDATE OR INSERT INTO PEDIDO_001 (NUMERO, LOCADO, CODCLI, DT_EMISSAO, ENTREGA) "
      "VALUES ('D851', '0', '000851', '2025-05-02', '2025-06-02') MATCHING (NUMERO)");
  demo_exec("DELETE FROM PED_ITEN_001 WHERE NUMERO = 'D851'");
  demo_exec(
      "INSERT INTO PED_ITEN_001 (NUMERO, CODIGO, ORDEM, QTDE, QTDE_F, PRECO) VALUES "
      "('D851', 'MALHA-01', 1, 30, 10, 15)");
}

const RegisterDemo kInformacoes{
    {810, "Customer information: the statistics of a customer", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       write_customer();
       Tabela.IBTransaction.CommitRetaining();

       const TDateTime ini = EncodeDate(2025, 1, 1), fim = EncodeDate(2025, 12, 31);
       TTIQuery q(Tabela.IBDatabase);
       BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpieEstatistica, ini, fim, "000851", 0, 0, false);
       out << "Statistics of customer 000851 (MALHARIA SERRA AZUL LTDA), 01/01/2025-31/12/2025:\n";
       const struct {
         const char* campo;
         const char* texto;
         bool valor = true;  // an amount, shown with cents
       } kLinhas[] = {
           {"EM_ABERTO", "open in the period (512.00 of N851-2 + 650.00 of N851-3)"},
           {"VENCIDO", "overdue (N851-2)"},
           {"A_VENCER", "to fall due (N851-3)"},
           {"TOTAL_TITULOS", "titles issued in the period"},
           {"MAIOR_TITULO", "title of largest amount", false},
           {"ULTIMA_NOTA", "latest title of the period", false},
           {"MEDIA_ATRASO", "average days late (N851-1 paid 8 days after its due date)", false},
           {"VALOR_PEDIDOS", "open orders (30 pieces pending at 15.00)"},
           {"CHEQUES_A_VENCER", "post-dated cheques to fall due"},
           {"CREDITO", "credit limit"},
       };
       for (const auto& l : kLinhas) {
         const std::string valor = l.valor ? FormatFloat("#,##0.00", q.FieldByName(l.campo).AsFloat())
                                           : q.FieldByName(l.campo).AsString();
         out << fmt::format("  {:<17} {:>10}  {}\n", l.campo, valor, l.texto);
       }
       BuscaInformacoesEstatisticas(q, TOpcaoInfEst::TpieTitulo, ini, fim, "000851", 1, 1, false);
       out << "Titles page (by due date): number, due date, open amount, days, payments\n";
       for (q.First(); !q.Eof(); q.Next()) {
         out << fmt::format("  {:<8} {} {:>8} {:>6} {}\n", q.FieldByName("NUMERO").AsString(),
                            q.FieldByName("DT_VENCTO").AsString(),
                            FormatFloat("#,##0.00", q.FieldByName("SALDO").AsFloat()),
                            q.FieldByName("DIAS").AsString(), q.FieldByName("NUM_PARC").AsString());
       }
     }}};

}  // namespace
}  // namespace zpk::cli
