// `zpk demo` step for the ledger and bank books: the receipt of a demo title
// posted to the ledger (type "RR": the bank's ledger account debited, the
// customer's own account credited) and to the bank book on the date the bank
// credits it, a period already reconciled refused, and the rows as stored.
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "accounting/contabil.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

constexpr const char* kCliente = "000610";
constexpr const char* kTitulo = "006101/1";
constexpr const char* kLancamento = "DEMO-610";

void show_dialogs(std::ostream& out, HeadlessDialogs& dialogs) {
  for (const DialogRecord& r : dialogs.records()) out << "  [" << r.caption << "] " << r.text << '\n';
  dialogs.clear();
}

// The demo's customer with its own ledger account, and none of its postings
// left from an earlier run.
void reset() {
  demo_exec(
      "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, TIPO, CNPJ, CEP, CONTAC) VALUES "
      "('000610', 'MALHARIA SAO BENTO LTDA', '2', '45.723.174/0001-10', '89010-000', '1.1.03.001') "
      "MATCHING (CODCLI)");
  DeletaContaCorrente(kLancamento);
}

void list_rows(std::ostream& out) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT ORDEM, TIPO, CONTA_D, CONTA_C, CONTA_R, VALOR, DATA, OBSERVACAO FROM CONTABIL_001");
  q.SQL.Add("WHERE LANCAMENTO = :L ORDER BY ORDEM");
  q.ParamByName("L").AsString = kLancamento;
  q.Open();
  out << "Ledger rows of posting " << kLancamento << " (CONTABIL):\n";
  out << "  ORDEM TIPO DEBITO      CREDITO     RESULTADO   VALOR     DATA        HISTORICO\n";
  for (; !q.Eof(); q.Next()) {
    out << fmt::format("  {:>5} {:<4} {:<11} {:<11} {:<11} {:>9} {:<11} {}\n",
                       q.FieldByName("ORDEM").AsString(), q.FieldByName("TIPO").AsString(),
                       q.FieldByName("CONTA_D").AsString(), q.FieldByName("CONTA_C").AsString(),
                       q.FieldByName("CONTA_R").AsString(), demo_money(q.FieldByName("VALOR").AsCurrency()),
                       q.FieldByName("DATA").AsString(), q.FieldByName("OBSERVACAO").AsString());
  }
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT BANCO, CONTA, DOCTO, DT_LAN, DT_CONT, VALOR, PENDENTE, TIPO_DOC FROM CONTACOR_001");
  q.SQL.Add("WHERE LANCAMENTO = :L ORDER BY DOCTO");
  q.ParamByName("L").AsString = kLancamento;
  q.Open();
  out << "Bank movements of posting " << kLancamento << " (CONTACOR):\n";
  for (; !q.Eof(); q.Next()) {
    out << fmt::format("  bank {} account {} doc {} posted {} booked {} {} pending {} {}\n",
                       q.FieldByName("BANCO").AsString(), q.FieldByName("CONTA").AsString(),
                       q.FieldByName("DOCTO").AsString(), q.FieldByName("DT_LAN").AsString(),
                       q.FieldByName("DT_CONT").AsString(), demo_money(q.FieldByName("VALOR").AsCurrency()),
                       q.FieldByName("PENDENTE").AsString(), q.FieldByName("TIPO_DOC").AsString());
  }
}

const RegisterDemo kContabil{
    {610, "Ledger and bank books: a title's receipt posted, its booking date, a reconciled period refused",
     [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       HeadlessDialogs dialogs;
       ScopedDialogService guard(dialogs);
       reset();

       // Title 006101/1 of 1500.25 received through the collection account
       // 0001 (bank 341) on Friday 06/03/2026, situation 02: a 2-day float.
       const TDateTime recebido = EncodeDate(2026, 3, 6);
       const double valor = 1500.25;
       out << fmt::format("Receipt of title {} of customer {}: {} on {} through account 0001\n", kTitulo,
                          kCliente, demo_money(valor), DateToStr(recebido));
       const TDateTime creditado = DataContabilizacaoBancaria(recebido, "02", true);
       out << fmt::format(
           "  DataContabilizacaoBancaria({}, 02, True) = {} (Friday, 2-day float, weekend spanned)\n",
           DateToStr(recebido), DateToStr(creditado));
       out << fmt::format("  DataContabilizacaoBancaria(07/03/2026, \"\", False) = {} (a Saturday)\n",
                          DateToStr(DataContabilizacaoBancaria(EncodeDate(2026, 3, 7), "", false)));

       const std::string pendente = LancamentoPendente("0001", "0001");
       LancaContaCorrente(kLancamento, kTitulo, "", "0001", "", "0001", "R", pendente, "E",
                          "RECEBIMENTO " + std::string(kTitulo), valor, recebido, creditado, recebido, "");
       LancaContabilidade(kLancamento, kTitulo, kTitulo, kCliente, "0001", "E", "RR", "101", "0001", valor,
                          creditado, "109-06", "");
       out << fmt::format(
           "  LancaContaCorrente and LancaContabilidade type RR under posting {} (pending {})\n", kLancamento,
           pendente);
       // Interest of the late payment, credited to the account tagged RJ.
       LancaContabilidade(kLancamento, kTitulo, kTitulo, kCliente, "0001", "E", "RJ", "101", "0001", 12.5,
                          creditado, "109-06", "");
       out << fmt::format("  LancaContabilidade type RJ (interest 12.50): next ORDEM would be {}\n",
                          ProximoOrdemLancamento(kLancamento));
       show_dialogs(out, dialogs);

       out << "A movement dated 31/12/2024, when the company is reconciled up to that day:\n";
       out << "  PeriodoConciliado(31/12/2024, CX) = "
           << (PeriodoConciliado(EncodeDate(2024, 12, 31), "CX") ? "True" : "False") << '\n';
       show_dialogs(out, dialogs);
       out << "  PeriodoConciliado(02/01/2025, CX) = "
           << (PeriodoConciliado(EncodeDate(2025, 1, 2), "CX") ? "True" : "False") << '\n';

       list_rows(out);
     }}};

}  // namespace
}  // namespace zpk::cli
