// `zpk demo` step for receivable titles: the three instalments of an invoice
// numbered with the company's separator, a rewrite after a partial payment
// (the payment stays), a collection batch numbered and sent, a protest
// instruction recorded for the bank, and the titles as stored.
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "platform/db/query.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "receivables/movimento_receber.hpp"
#include "receivables/rec_duplicata.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

constexpr const char* kCliente = "000510";
constexpr const char* kFatura = "005101";

// The demo's customer, with none of its titles, batches or instructions left
// from an earlier run.
void reset_customer() {
  demo_exec(
      "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, TIPO, CNPJ, CEP, CREDITO, BLOQUEIO) VALUES "
      "('000510', 'TECELAGEM SANTA RITA LTDA', '2', '45.723.174/0001-10', '89010-000', 20000, 'N') "
      "MATCHING (CODCLI)");
  demo_exec(
      "DELETE FROM REC_MOV_001 WHERE NUMERO IN (SELECT NUMERO FROM RECEBER_001 WHERE CODCLI = '000510')");
  demo_exec("DELETE FROM RECEBER_001 WHERE CODCLI = '000510'");
}

void list_titles(std::ostream& out) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(
      "SELECT NUMERO, DT_VENCTO, ORIGINAL, VALOR2, VAL_ORIGIN, VALOR_PAGO, JUROS, STATUS, BORDERO, NRBANCO");
  q.SQL.Add("FROM RECEBER_001 WHERE CODCLI = :CODCLI ORDER BY NUMERO");
  q.ParamByName("CODCLI").AsString = kCliente;
  q.Open();
  out << "  NUMERO     VENCTO      ORIGINAL    VALOR2   ORIGEM    PAGO  JUROS ST BORDERO NRBANCO\n";
  for (; !q.Eof(); q.Next()) {
    out << fmt::format("  {:<10} {:<11} {:<11} {:>7} {:>7} {:>7} {:>6} {:<2} {:>7} {}\n",
                       q.FieldByName("NUMERO").AsString(), q.FieldByName("DT_VENCTO").AsString(),
                       q.FieldByName("ORIGINAL").AsString(), demo_money(q.FieldByName("VALOR2").AsCurrency()),
                       demo_money(q.FieldByName("VAL_ORIGIN").AsCurrency()),
                       demo_money(q.FieldByName("VALOR_PAGO").AsCurrency()),
                       demo_money(q.FieldByName("JUROS").AsCurrency()), q.FieldByName("STATUS").AsString(),
                       q.FieldByName("BORDERO").AsString(), q.FieldByName("NRBANCO").AsString());
  }
}

const RegisterDemo kTitles{
    {510, "Receivable titles: an invoice's instalments, a rewrite, a collection batch, a bank instruction",
     [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       reset_customer();

       // Invoice 005101 of 1000.00 in three instalments of whole cents; the
       // last one takes what the division leaves.
       const Currency total = Currency::FromRaw(10000000);
       const Currency parcela = Currency::FromRaw(total.Raw() / 3 / 100 * 100);
       out << fmt::format("Invoice {} of {} for customer {} in three instalments (separator \"{}\"):\n",
                          kFatura, demo_money(total), kCliente, SepDupli());
       TRecDuplicata d(TStatusDuplicata::tpDuplicata);
       d.CodCli = kCliente;
       d.Fatura = kFatura;
       d.ValorFatura = total;
       d.DataEmissao = EncodeDate(2026, 3, 2);
       d.CodRep = "R01";
       d.Comissao1 = Currency::FromRaw(25000);
       d.Historico = "NF " + std::string(kFatura);
       d.Banco = "341";
       for (int i = 1; i <= 3; ++i) {
         d.Numero = kFatura + SepDupli() + std::to_string(i);
         d.Valor = i < 3 ? parcela : total - parcela - parcela;
         d.DataVencimento = IncDay(d.DataEmissao, 30 * i);
         d.IncluiDuplicata();
         out << fmt::format("  IncluiDuplicata {} {} due {}\n", d.Numero, demo_money(d.Valor),
                            DateToStr(d.DataVencimento));
       }
       Tabela.IBTransaction.CommitRetaining();

       const std::string segunda = kFatura + SepDupli() + "2";
       out << "The customer pays 100.00 of " << segunda << "; the rest is moved to 15/05/2026:\n";
       demo_exec("UPDATE RECEBER_001 SET VALOR_PAGO = 100 WHERE NUMERO = '" + segunda + "'");
       d.Numero = segunda;
       d.Valor = parcela;
       d.DataVencimento = EncodeDate(2026, 5, 15);
       d.AlteraDuplicata();
       Tabela.IBTransaction.CommitRetaining();
       out << "  AlteraDuplicata " << segunda << ": the payment, creation amount and due date stay\n";

       const std::string bordero = ProximoNumeroBordero("r");
       out << "ProximoNumeroBordero(r) = " << bordero
           << "; the batch goes to the bank through account 0001:\n";
       demo_exec("INSERT INTO BORDERO_001 (NUMERO, TIPO, CONTA, CARTEIRA, DATA) VALUES (" + bordero +
                 ", 'R', '0001', '109', CURRENT_DATE)");
       for (int i = 1; i <= 3; ++i) {
         demo_exec(
             fmt::format("UPDATE RECEBER_001 SET BORDERO = {}, NRBANCO = '1090051010{}' WHERE NUMERO = '{}'",
                         bordero, i, kFatura + SepDupli() + std::to_string(i)));
       }
       Tabela.IBTransaction.CommitRetaining();

       const std::string terceira = kFatura + SepDupli() + "3";
       GravaMovimentoReceber(terceira, "PROTESTAR");
       TTIQuery q(Tabela.IBDatabase);
       q.SQL.Add("SELECT INSTRUCAO, CONTA, CARTEIRA FROM REC_MOV_001 WHERE NUMERO = :NUMERO");
       q.ParamByName("NUMERO").AsString = terceira;
       q.Open();
       out << fmt::format(
           "GravaMovimentoReceber({}, PROTESTAR): REC_MOV code {} (bank 341), account {}, portfolio {}\n",
           terceira, q.FieldByName("INSTRUCAO").AsString(), q.FieldByName("CONTA").AsString(),
           q.FieldByName("CARTEIRA").AsString());

       out << "Titles of customer " << kCliente << ":\n";
       list_titles(out);
     }}};

}  // namespace
}  // namespace zpk::cli
