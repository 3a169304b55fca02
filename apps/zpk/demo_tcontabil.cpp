// `zpk demo` step for the accounting composer: the fiscal postings of a
// purchase invoice whose goods are apportioned over two expense accounts and
// three cost centres, then a receipt paid in two parts gathered into one
// posting, and the ledger and cost-centre rows as stored.
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "accounting/tcontabil.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

constexpr const char* kNota = "000620";
constexpr const char* kLancamentoNota = "F000620";
constexpr const char* kLancamentoRecebimento = "R000620";

void list_ledger(std::ostream& out) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(
      "SELECT LANCAMENTO, ORDEM, NUMERO, CONTA_D, CONTA_C, CONTA_R, VALOR, TIPO, OBSERVACAO FROM "
      "CONTABIL_001");
  q.SQL.Add("WHERE LANCAMENTO IN (:A, :B) ORDER BY LANCAMENTO, ORDEM");
  q.ParamByName("A").AsString = kLancamentoNota;
  q.ParamByName("B").AsString = kLancamentoRecebimento;
  q.Open();
  out << "  LANCAMENTO ORD NUMERO    DEBITO      CREDITO     RESULTADO      VALOR TP OBSERVACAO\n";
  for (; !q.Eof(); q.Next()) {
    out << fmt::format("  {:<10} {:>3} {:<9} {:<11} {:<11} {:<11} {:>9} {:<2} {}\n",
                       q.FieldByName("LANCAMENTO").AsString(), q.FieldByName("ORDEM").AsInteger(),
                       q.FieldByName("NUMERO").AsString(), q.FieldByName("CONTA_D").AsString(),
                       q.FieldByName("CONTA_C").AsString(), q.FieldByName("CONTA_R").AsString(),
                       demo_money(q.FieldByName("VALOR").AsCurrency()), q.FieldByName("TIPO").AsString(),
                       q.FieldByName("OBSERVACAO").AsString());
  }
  TTIQuery r(Tabela.IBDatabase);
  r.SQL.Add("SELECT R.LANCAMENTO, R.ORDEM, R.CONTA, R.CENTROCUSTO, C.DESCRICAO, R.PERC_RAT, R.VALOR_RAT");
  r.SQL.Add("FROM CENTRO_RATEIO_001 R LEFT JOIN CENTROCUSTO_001 C ON C.CODIGO = R.CENTROCUSTO");
  r.SQL.Add("WHERE R.LANCAMENTO IN (:A, :B) ORDER BY R.LANCAMENTO, R.ORDEM, R.CENTROCUSTO");
  r.ParamByName("A").AsString = kLancamentoNota;
  r.ParamByName("B").AsString = kLancamentoRecebimento;
  r.Open();
  out << "  cost centres:\n";
  for (; !r.Eof(); r.Next()) {
    out << fmt::format("  {:<10} {:>3} {:<11} {:<4} {:<14} {:>6}% {:>9}\n",
                       r.FieldByName("LANCAMENTO").AsString(), r.FieldByName("ORDEM").AsInteger(),
                       r.FieldByName("CONTA").AsString(), r.FieldByName("CENTROCUSTO").AsString(),
                       r.FieldByName("DESCRICAO").AsString(), r.FieldByName("PERC_RAT").AsString(),
                       demo_money(r.FieldByName("VALOR_RAT").AsCurrency()));
  }
}

const RegisterDemo kComposer{
    {620, "Accounting composer: an invoice's postings split over accounts and cost centres, a receipt",
     [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       for (const char* table : {"CONTABIL_001", "CENTRO_RATEIO_001"}) {
         demo_exec(fmt::format("DELETE FROM {} WHERE LANCAMENTO IN ('{}', '{}')", table, kLancamentoNota,
                               kLancamentoRecebimento));
       }
       // The ledger is kept (FIN 30) with the fiscal postings (FIN 40), whatever
       // an earlier step left.
       demo_exec(
           "UPDATE EMP_PARAM SET VALOR = 'S' WHERE TIPO = 'FIN' AND CODIGO IN (30, 40) AND EMPRESA = '001'");
       Tabela.IBTransaction.CommitRetaining();

       const TDateTime data = EncodeDate(2026, 3, 10);
       out << fmt::format(
           "Purchase invoice {} from supplier 000620 (nature 1101CT): goods 1234.50, freight 85.50.\n"
           "The nature's rule puts 60 % of the goods on yarn (spinning 70 %, weaving 30 %) and 40 % on\n"
           "dyes (dyeing); the freight has no rule and is one posting.\n",
           kNota);
       {
         TContabil nota;
         nota.SetContabilidadeFiscal(kNota, "E", "1101CT", "000620", "201", "VF", 1234.50, data, nullptr);
         nota.SetContabilidadeFiscal(kNota, "E", "1101CT", "000620", "201", "FR", 85.50, data, nullptr);
         const bool confirmado = nota.ConfirmaDadosContabilidade(Currency(1320.00));
         out << fmt::format("  gathered {} postings, {} cost-centre rows; ConfirmaDadosContabilidade = {}\n",
                            TbDadosContabeis->RecordCount(), TbContCentroCusto->RecordCount(),
                            confirmado ? "True" : "False");
         if (confirmado) nota.GravaContabilidadeFiscal(kLancamentoNota, false);
         Tabela.IBTransaction.CommitRetaining();
       }

       out << "Customer 000621 pays title 000700/1 into bank account 0620 in two parts, 700.00 and 534.50:\n";
       {
         TContabil recebimento;
         for (const double valor : {700.0, 534.50}) {
           recebimento.SetContabilidadeFinan(kLancamentoRecebimento, "DUP", "000700/1", "000621", "0620", "+",
                                             "RR", "101", "0001", valor, data, "", "");
         }
         out << fmt::format("  gathered {} posting (same accounts, same title: summed)\n",
                            TbDadosContabeis->RecordCount());
         recebimento.GravaContabilidadeFinan();
       }

       out << "Ledger rows:\n";
       list_ledger(out);
     }}};

}  // namespace
}  // namespace zpk::cli
