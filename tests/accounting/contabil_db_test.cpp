// Ledger and bank-book postings on a real database: the ORDEM of a posting's
// rows, the parameters that switch the ledger off, the accounts a receivable
// or payable posting takes (the most specific financial combination, the
// type's own rules), what the user is told, the bank movements, the
// deletions, the closing-date guard and the date a bank receipt is booked on.
#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "accounting/contabil.hpp"
#include "foundation/session.hpp"
#include "platform/db/database_error.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::exec;
using Rows = std::vector<std::string>;

const TDateTime kData = EncodeDate(2026, 3, 10);

class Contabil : public test::DatabaseTest {
 protected:
  void SetUp() override {
    for (const char* table :
         {"CONTABIL_001", "CONTACOR_001", "CENTRO_RATEIO_001", "CLASSE_CONTA_001", "NAT_CONTA_001",
          "CONTA_CONT_001", "SUBGRUPO_001", "HISTCP_001", "TABSIT_001", "CADCONTA_001", "PAGTO_001", "LOG"})
      exec(std::string("DELETE FROM ") + table);
    set_param(30, "S");
    set_param(40, "S");
    exec("INSERT INTO CADCONTA_001 (CONTA, BANCO, PENDENTE) VALUES ('0001', '341', 'N')");
    exec("INSERT INTO CADCONTA_001 (CONTA, BANCO, PENDENTE) VALUES ('0003', '001', 'S')");
    exec("INSERT INTO SUBGRUPO_001 (CODIGO, DESCRICAO) VALUES ('101', 'VENDAS DE TECIDOS')");
    // The chart: the accounts the types are tagged with, and result accounts.
    const struct {
      const char* codigo;
      const char* tipo;
      const char* descricao;
      const char* resultado;
    } kChart[] = {
        {"BANCO", nullptr, "BANCO ITAU", "N"},
        {"CLIENTE", nullptr, "CLIENTE SANTA RITA", "N"},
        {"FORNEC", nullptr, "FORNECEDOR FIOS", "N"},
        {"T-RJ", "RJ", "JUROS RECEBIDOS", "S"},
        {"T-RD", "RD", "DESCONTOS CONCEDIDOS", "S"},
        {"T-RA", "RA", "ADIANTAMENTOS", "N"},
        {"T-RV", "RV", "DEVOLUCOES", "S"},
        {"T-RT", "RT", "TARIFAS", "S"},
        {"T-RC", "RC", "CUSTAS", "S"},
        {"T-PJ", "PJ", "JUROS PAGOS", "S"},
        {"T-PD", "PD", "DESCONTOS OBTIDOS", "S"},
        {"T-PV", "PV", "VARIACAO", "S"},
        {"RECEITA", nullptr, "RECEITA DE VENDAS", "S"},
    };
    for (const auto& c : kChart) {
      exec("INSERT INTO CONTA_CONT_001 (CODIGO, TIPO, DESCRICAO, CT_RESULT) VALUES (:C, :T, :D, :R)",
           {c.codigo, c.tipo ? Variant(c.tipo) : Variant::MakeNull(), c.descricao, c.resultado});
    }
    exec(
        "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, CONTAC, CONTAD) VALUES ('000611', 'SANTA RITA', "
        "'CLIENTE', 'FORNEC') MATCHING (CODCLI)");
    Tabela.IBTransaction.CommitRetaining();
  }

  void TearDown() override {
    Tabela.SufixoContabil.clear();
    Tabela.ContaReconciliacao = DateNull;
    test::DatabaseTest::TearDown();
  }

  static void set_param(int codigo, const std::string& valor) { test::set_parameter("FIN", codigo, valor); }

  static void classe(const std::string& conta, const std::string& historico, const std::string& cls,
                     const std::string& carteira, const std::string& ocorrencia,
                     const std::string& natureza) {
    exec(
        "INSERT INTO CLASSE_CONTA_001 (CONTA, HISTORICO, CLASSE, CARTEIRA, OCORRENCIA, CODCLI, CONTA_CONT) "
        "VALUES (:A, :H, :C, :W, :O, '0', :N)",
        {conta, historico, cls, carteira, ocorrencia, natureza});
  }

  static void natureza(const std::string& codigo, Variant credito, Variant debito) {
    exec("INSERT INTO NAT_CONTA_001 (CODIGO, TIPO, CONTA_C, CONTA_D) VALUES (:C, 'VF', :CC, :CD)",
         {codigo, credito, debito});
  }

  // A receipt or payment of 100.00 on account 0001 (the financial account is
  // EntidadeD for receivables, EntidadeC for payables).
  static void lanca(const std::string& lancto, const std::string& tipo,
                    const std::string& carteira = "109-06", const std::string& observacao = "") {
    const bool pagamento = tipo[0] == 'P';
    LancaContabilidade(lancto, "DOC1", "000611/1", pagamento ? "0001" : "000611",
                       pagamento ? "000611" : "0001", "E", tipo, "101", "0001", 100.0, kData, carteira,
                       observacao);
  }

  // The committed ledger rows, as another station sees them.
  static Rows ledger() {
    test::OtherStation other;
    return test::rows(
        "SELECT LANCAMENTO, ORDEM, CONTA_D, CONTA_C, CONTA_R, TIPO, OBSERVACAO, CAST(VALOR AS VARCHAR(30)) "
        "FROM CONTABIL_001 ORDER BY LANCAMENTO, ORDEM",
        {}, other.db());
  }

  static Rows movements() {
    test::OtherStation other;
    return test::rows(
        "SELECT LANCAMENTO, BANCO, CONTA, DOCTO, GRUPO, HISTORICO, TIPO_DOC, PENDENTE, OBSERVACAO, "
        "CAST(VALOR AS VARCHAR(30)) FROM CONTACOR_001 ORDER BY LANCAMENTO, DOCTO",
        {}, other.db());
  }

  // Every dialog shown, as "CAPTION/TEXT".
  Rows shown() const {
    Rows out;
    for (const DialogRecord& r : dialogs_.records()) out.push_back(r.caption + "/" + r.text);
    return out;
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

TEST_F(Contabil, RowsOfAPostingAreNumberedFromOne) {
  EXPECT_EQ(ProximoOrdemLancamento("L1"), 1);
  lanca("L1", "CC");
  EXPECT_EQ(ProximoOrdemLancamento("L1"), 2);
  lanca("L1", "CC");
  lanca("L2", "CC");
  EXPECT_EQ(ProximoOrdemLancamento("L1"), 3);
  // A key longer than LANCAMENTO has no rows.
  EXPECT_EQ(ProximoOrdemLancamento("L1-A-KEY-FAR-TOO-LONG-FOR-ITS-COLUMN"), 1);
  const Rows got = ledger();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].substr(0, 5), "L1|1|");
  EXPECT_EQ(got[1].substr(0, 5), "L1|2|");
  EXPECT_EQ(got[2].substr(0, 5), "L2|1|");
}

TEST_F(Contabil, AConnectionGivenIsWrittenAndCommittedThere) {
  test::OtherStation station;
  LancaContabilidade("L1", "D", "N", "RECEITA", "BANCO", "E", "CC", "101", "0001", 10, kData, "", "",
                     &station.db());
  LancaContaCorrente("L1", "DOC", "", "0001", "", "", "R", "N", "E", "", 10, kData, kData, kData, "",
                     &station.db());
  EXPECT_EQ(ProximoOrdemLancamento("L1", &station.db()), 2);
  // Committed where they were written: a third station sees them.
  EXPECT_EQ(ledger().size(), 1u);
  EXPECT_EQ(movements().size(), 1u);
  DeletaContaCorrente("L1", &station.db());
  EXPECT_EQ(ledger(), Rows{});
  EXPECT_EQ(movements(), Rows{});
}

TEST_F(Contabil, AnOrdemTakenByAnotherStationMeanwhileGoesToTheNextRow) {
  test::OtherStation other;
  int calls = 0;
  const int ordem = post_with_next_ordem("L9", [&](int o) {
    if (++calls == 1) {
      // Another station writes the same ORDEM first and commits.
      exec("INSERT INTO CONTABIL_001 (LANCAMENTO, ORDEM, TIPO) VALUES ('L9', :O, 'XX')", {o}, other.db());
      other.db().DefaultTransaction().Commit();
    }
    exec("INSERT INTO CONTABIL_001 (LANCAMENTO, ORDEM, TIPO) VALUES ('L9', :O, 'CC')", {o});
  });
  Tabela.IBTransaction.CommitRetaining();
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(ordem, 2);
  EXPECT_EQ(test::rows("SELECT ORDEM, TIPO FROM CONTABIL_001 WHERE LANCAMENTO = 'L9' ORDER BY ORDEM"),
            (Rows{"1|XX", "2|CC"}));
  // Any other failure is the caller's.
  EXPECT_THROW(
      post_with_next_ordem("L9", [](int) { exec("INSERT INTO CONTABIL_001 (LANCAMENTO) VALUES ('L9')"); }),
      EDatabaseError);
}

TEST_F(Contabil, ParametersAndPlaceholderEntitiesSwitchPostingOff) {
  const struct {
    const char* fin30;
    const char* fin40;
    const char* tipo;
    const char* entidade_c;
    const char* entidade_d;
    bool written;
  } kCases[] = {
      {"S", "S", "CC", "RECEITA", "BANCO", true},  {"S", "S", "CP", "BANCO", "FORNEC", true},
      {"N", "S", "CC", "RECEITA", "BANCO", false}, {"N", "S", "RR", "000611", "0001", false},
      {"S", "N", "CP", "BANCO", "FORNEC", false},  {"S", "N", "CR", "RECEITA", "BANCO", false},
      {"S", "N", "CC", "RECEITA", "BANCO", true},  {"S", "N", "RR", "000611", "0001", true},
      {"S", "S", "CC", "000", "BANCO", false},     {"S", "S", "RR", "000611", "000", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.fin30) + c.fin40 + " " + c.tipo + " " + c.entidade_c + "/" + c.entidade_d);
    exec("DELETE FROM CONTABIL_001");
    set_param(30, c.fin30);
    set_param(40, c.fin40);
    Tabela.IBTransaction.CommitRetaining();
    LancaContabilidade("L1", "D", "N", c.entidade_c, c.entidade_d, "E", c.tipo, "101", "0001", 10, kData, "",
                       "");
    EXPECT_EQ(ledger().size(), c.written ? 1u : 0u);
  }
}

TEST_F(Contabil, TheMostSpecificFinancialCombinationChoosesTheNature) {
  // Each nature debits an account named after it, so the debit tells which won.
  for (const char* n : {"N-HC", "N-A", "N-AH", "N-AHC", "N-AHCW", "N-AHCWO", "N-OTHER"}) natureza(n, "C", n);
  using Row = std::vector<std::string>;  // CONTA, HISTORICO, CLASSE, CARTEIRA, OCORRENCIA, nature
  const struct {
    const char* name;
    std::vector<Row> rows;
    const char* carteira;
    const char* debit;
  } kCases[] = {
      {"history and class alone", {{"0", "0001", "101", "0", "0", "N-HC"}}, "109-06", "N-HC"},
      {"the account over history and class",
       {{"0", "0001", "101", "0", "0", "N-HC"}, {"0001", "0", "0", "0", "0", "N-A"}},
       "109-06",
       "N-A"},
      {"account and history",
       {{"0001", "0", "0", "0", "0", "N-A"}, {"0001", "0001", "0", "0", "0", "N-AH"}},
       "109-06",
       "N-AH"},
      {"account, history, class and wallet over account and history",
       {{"0001", "0001", "0", "0", "0", "N-AH"}, {"0001", "0001", "101", "109", "0", "N-AHCW"}},
       "109-06",
       "N-AHCW"},
      {"another wallet does not match",
       {{"0001", "0001", "0", "0", "0", "N-AH"}, {"0001", "0001", "101", "112", "0", "N-OTHER"}},
       "109-06",
       "N-AH"},
      {"all six",
       {{"0", "0001", "101", "0", "0", "N-HC"},
        {"0001", "0", "0", "0", "0", "N-A"},
        {"0001", "0001", "0", "0", "0", "N-AH"},
        {"0001", "0001", "101", "0", "0", "N-AHC"},
        {"0001", "0001", "101", "109", "0", "N-AHCW"},
        {"0001", "0001", "101", "109", "06", "N-AHCWO"}},
       "1.0.9-06x",  // cleaned to wallet 109, occurrence the two characters after the dash
       "N-AHCWO"},
      {"without a dash no wallet, the occurrence first",
       {{"0001", "0001", "101", "0", "0", "N-AHC"}, {"0001", "0001", "101", "", "06", "N-AHCWO"}},
       "06",
       "N-AHCWO"},
      // No nature: type RT takes its debit from the chart.
      {"no row for the account", {{"0002", "0", "0", "0", "0", "N-OTHER"}}, "109-06", "T-RT"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    exec("DELETE FROM CLASSE_CONTA_001");
    exec("DELETE FROM CONTABIL_001");
    for (const Row& r : c.rows) classe(r[0], r[1], r[2], r[3], r[4], r[5]);
    Tabela.IBTransaction.CommitRetaining();
    lanca("L1", "RT", c.carteira);
    EXPECT_EQ(test::rows("SELECT CONTA_D FROM CONTABIL_001"), Rows{c.debit});
  }
}

TEST_F(Contabil, EachTypeFillsTheSidesTheNatureLeavesEmpty) {
  // The bank's nature names no account (NULL or "0"): every side comes from the type's rule.
  classe("0001", "0", "0", "0", "0", "BANCO");
  const struct {
    const char* tipo;
    const char* row;  // CONTA_D|CONTA_C|CONTA_R|TIPO|OBSERVACAO
  } kCases[] = {
      // Receivables: the history is the credit account's description.
      {"RR", "BANCO|CLIENTE||RR|CLIENTE SANTA RITA"},
      {"RJ", "BANCO|T-RJ|T-RJ|RJ|JUROS RECEBIDOS"},
      {"RD", "T-RD|CLIENTE|T-RD|RD|CLIENTE SANTA RITA"},
      {"RA", "CLIENTE|T-RA||RA|ADIANTAMENTOS"},
      {"RV", "T-RV|CLIENTE|T-RV|RV|CLIENTE SANTA RITA"},
      {"RT", "T-RT|BANCO|T-RT|RT|BANCO ITAU"},
      {"RC", "T-RC|BANCO|T-RC|RC|BANCO ITAU"},
      // Payables: the history is the debit account's description.
      {"PP", "FORNEC|BANCO||PP|FORNECEDOR FIOS"},
      {"PJ", "T-PJ|BANCO|T-PJ|PJ|JUROS PAGOS"},
      {"PD", "FORNEC|T-PD|T-PD|PD|FORNECEDOR FIOS"},
      {"PV", "FORNEC|T-PV|T-PV|PV|FORNECEDOR FIOS"},
  };
  for (const bool credit_zero : {false, true}) {
    exec("DELETE FROM NAT_CONTA_001");
    natureza("BANCO", credit_zero ? Variant("0") : Variant::MakeNull(),
             credit_zero ? Variant::MakeNull() : "0");
    for (const auto& c : kCases) {
      SCOPED_TRACE(std::string(c.tipo) + (credit_zero ? " credit 0" : " debit 0"));
      exec("DELETE FROM CONTABIL_001");
      Tabela.IBTransaction.CommitRetaining();
      dialogs_.clear();
      lanca("L1", c.tipo);
      EXPECT_EQ(ledger(), Rows{std::string("L1|1|") + c.row + "|100.0000"});
      EXPECT_EQ(shown(), Rows{});
    }
  }
}

TEST_F(Contabil, ANaturesOwnAccountsStayAndTheCreditWinsAsResultAccount) {
  classe("0001", "0", "0", "0", "0", "MP");
  natureza("MP", "RECEITA", "T-RD");  // both result accounts
  Tabela.IBTransaction.CommitRetaining();
  lanca("L1", "RR", "109-06", "RECEBIMENTO O'BRIEN; --");
  EXPECT_EQ(ledger(), Rows{"L1|1|T-RD|RECEITA|RECEITA|RR|RECEBIMENTO O'BRIEN; --|100.0000"});
}

TEST_F(Contabil, AMissingAccountIsToldAndThePostingWrittenAllTheSame) {
  // No combination, no nature, no customer account: type RR finds nothing.
  LancaContabilidade("L1", "D", "N", "000699", "0001", "E", "RR", "101", "0001", 10, kData, "", "");
  EXPECT_EQ(shown(), (Rows{"ZELVO ERP/Conta Débito não encontrada para lançamento Contábil. '0001'",
                           "ZELVO ERP/Conta Crédito não encontrada para lançamento Contábil. '0001'"}));
  EXPECT_EQ(ledger(), Rows{"L1|1||||RR||10.0000"});
}

TEST_F(Contabil, DirectPostingsStoreTheirAccountsAmountAndTextsAsGiven) {
  const struct {
    const char* lancto;
    double valor;
    const char* observacao;
    const char* row;
  } kCases[] = {
      {"L1", 1234.5678, "", "L1|1|BANCO|RECEITA|RECEITA|CC|VENDAS DE TECIDOS|1234.5678"},
      {"L2", 0.1 + 0.2, "  ", "L2|1|BANCO|RECEITA|RECEITA|CC|VENDAS DE TECIDOS|0.3000"},
      {"L'3;--", 99999999999.99, "ACERTO 'A' -- ;",
       "L'3;--|1|BANCO|RECEITA|RECEITA|CC|ACERTO 'A' -- ;|99999999999.9900"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.lancto);
    LancaContabilidade(c.lancto, "D", "N", "RECEITA", "BANCO", "E", "CC", "101", "0001", c.valor, kData, "",
                       c.observacao);
  }
  Rows expected;
  for (const auto& c : kCases) expected.push_back(c.row);
  Rows got = ledger();
  std::sort(expected.begin(), expected.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, expected);
  test::OtherStation other;
  EXPECT_EQ(
      test::rows("SELECT DATA, DATA_LAN, DOCTO, NUMERO, OPERACAO FROM CONTABIL_001 WHERE LANCAMENTO = 'L1'",
                 {}, other.db()),
      Rows{"10/03/2026|" + FormatDateTime("dd/mm/yyyy", Date()) + "|D|N|E"});
}

TEST_F(Contabil, ATextLongerThanItsColumnIsRefusedNamingIt) {
  const std::string longa(201, 'X');
  try {
    LancaContabilidade("L1", "D", "N", "RECEITA", "BANCO", "E", "CC", "101", "0001", 1, kData, "", longa);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.is_truncation());
    EXPECT_NE(e.message().find("OBSERVACAO"), std::string::npos) << e.message();
  }
  EXPECT_THROW(LancaContabilidade("L1", "D", "N", "RECEITA", "BANCO", "E", "CC", "101", "0001",
                                  std::numeric_limits<double>::quiet_NaN(), kData, "", ""),
               EZpkError);
  Tabela.IBTransaction.CommitRetaining();
  EXPECT_EQ(ledger(), Rows{});
}

TEST_F(Contabil, BankMovementsTakeTheAccountsBankAndTheDefaults) {
  const std::string obs = std::string(99, 'a') + "çé";  // 101 characters, 103 bytes
  LancaContaCorrente("L1", "DOC'1", "ignored", "0001", "", "", "R", "N", "E", obs, 1500.25, kData, kData,
                     EncodeDate(2026, 3, 12), "");
  LancaContaCorrente("L2", " ", "", "0003", "2000", "0002", "R", "S", "S", "", 10, kData, kData, kData, "CH");
  EXPECT_EQ(movements(), (Rows{"L1|341|0001|DOC'1|1000|0001|DP|N|" + std::string(99, 'a') + "ç|1500.2500",
                               "L2|001|0003| |2000|0002|CH|S||10.0000"}));
  EXPECT_EQ(shown(), Rows{"ZELVO ERP/Documento inválido."});
  test::OtherStation other;
  EXPECT_EQ(test::rows(
                "SELECT DT_LAN, DT_CONT, DT_VENCTO, TIPO, OPERACAO FROM CONTACOR_001 WHERE LANCAMENTO = 'L1'",
                {}, other.db()),
            Rows{"10/03/2026|10/03/2026|12/03/2026|R|E"});
}

TEST_F(Contabil, AnAccountNotRegisteredIsRefusedAndNothingWritten) {
  for (const char* conta : {"", "  ", "0009", "0001-TOO-LONG-FOR-CONTA"}) {
    SCOPED_TRACE(std::string("'") + conta + "'");
    dialogs_.clear();
    LancaContaCorrente("L1", "DOC", "", conta, "", "", "R", "N", "E", "", 1, kData, kData, kData, "");
    EXPECT_EQ(shown(), Rows{"ZELVO ERP/Conta inválida."});
  }
  EXPECT_EQ(movements(), Rows{});
}

class ContabilDeletions : public Contabil {
 protected:
  void SetUp() override {
    Contabil::SetUp();
    // Invoice 000611 posted under key F1 for two customers, and its receipt
    // AR under key R1 with a cheque and a transfer in the bank book.
    const struct {
      const char* lancamento;
      int ordem;
      const char* numero;
      const char* tipo;
      const char* codcli;
    } kPostings[] = {
        {"F1", 1, "000611", "NF", "000611"}, {"F1", 2, "000611", "NF", "000612"},
        {"R1", 1, "000611", "AR", "000611"}, {"R1", 2, "000611", "AR", "000611"},
        {"X1", 1, "000700", "AR", "000611"},
    };
    for (const auto& p : kPostings) {
      exec("INSERT INTO CONTABIL_001 (LANCAMENTO, ORDEM, NUMERO, TIPO, CODCLI) VALUES (:L, :O, :N, :T, :C)",
           {p.lancamento, p.ordem, p.numero, p.tipo, p.codcli});
    }
    for (const char* row : {"R1|CH", "R1|DP", "R1|", "|DP", "X1|DP"}) {
      const std::string r(row);
      const std::string lanc = r.substr(0, r.find('|'));
      const std::string tipo_doc = r.substr(r.find('|') + 1);
      exec("INSERT INTO CONTACOR_001 (LANCAMENTO, DOCTO, TIPO_DOC) VALUES (:L, :D, :T)",
           {lanc, row, tipo_doc.empty() ? Variant::MakeNull() : Variant(tipo_doc)});
    }
    exec("INSERT INTO CENTRO_RATEIO_001 (LANCAMENTO, ORDEM, NUMERO, TIPO) VALUES ('R1', 1, '000611', 'AR')");
    exec("INSERT INTO CENTRO_RATEIO_001 (LANCAMENTO, ORDEM, NUMERO, TIPO) VALUES ('F1', 1, '000611', 'NF')");
    Tabela.IBTransaction.CommitRetaining();
  }

  static Rows left(const std::string& table) {
    test::OtherStation other;
    const std::string key = table == "CONTACOR_001" ? "DOCTO" : "LANCAMENTO, ORDEM";
    return test::rows("SELECT " + key + " FROM " + table + " ORDER BY " + key, {}, other.db(), ":");
  }
};

TEST_F(ContabilDeletions, AReceiptsDeletionKeepsItsCheques) {
  for (const char* lancto : {"R1", ""}) {  // the key given, or found from the document
    SCOPED_TRACE(std::string("key '") + lancto + "'");
    SetUp();
    DeletaContabilidadeFiscal("000611", "AR", "", lancto);
    EXPECT_EQ(left("CONTABIL_001"), (Rows{"F1:1", "F1:2", "X1:1"}));
    EXPECT_EQ(left("CONTACOR_001"), (Rows{"R1|CH", "X1|DP", "|DP"}));
    test::OtherStation other;
    EXPECT_EQ(test::rows("SELECT TELA, DESCRICAO, CHAVE, OPERACAO FROM LOG", {}, other.db()),
              Rows{"FUNCAO CONTABIL|EXCLUSAO DO LANCAMENTO R1|R1|Exclusão"});
    exec("DELETE FROM LOG");
  }
}

TEST_F(ContabilDeletions, ADocumentWithoutPostingsLeavesMovementsWithoutAKeyAlone) {
  DeletaContabilidadeFiscal("000999", "AR", "", "");
  EXPECT_EQ(left("CONTACOR_001"), (Rows{"R1|", "R1|CH", "R1|DP", "X1|DP", "|DP"}));
  EXPECT_EQ(left("CONTABIL_001").size(), 5u);
}

TEST_F(ContabilDeletions, FiscalPostingsGoByDocumentTypeAndCustomer) {
  DeletaContabilidadeFiscal("000611", "NF", "000612", "F1");
  EXPECT_EQ(left("CONTABIL_001"), (Rows{"F1:1", "R1:1", "R1:2", "X1:1"}));
  DeletaContabilidadeFiscal("000611", "NF", "", "F1");
  EXPECT_EQ(left("CONTABIL_001"), (Rows{"R1:1", "R1:2", "X1:1"}));
  // Bank movements go only with receipts and payments.
  EXPECT_EQ(left("CONTACOR_001").size(), 5u);
}

TEST_F(ContabilDeletions, TheSecondLedgerLosesTheSameRowsAndItsSuffixMustBeAName) {
  TTIDatabase& db = Tabela.IBDatabase;
  db.execute_direct(
      "CREATE TABLE CONTABIL_001_B (LANCAMENTO VARCHAR(20), NUMERO VARCHAR(20), TIPO VARCHAR(2), CODCLI "
      "VARCHAR(10))");
  Tabela.IBTransaction.Commit();
  exec("INSERT INTO CONTABIL_001_B (LANCAMENTO, NUMERO, TIPO) VALUES ('F1', '000611', 'NF')");
  exec("INSERT INTO CONTABIL_001_B (LANCAMENTO, NUMERO, TIPO) VALUES ('X1', '000700', 'AR')");
  Tabela.IBTransaction.CommitRetaining();

  for (const char* bad : {"_001_B; DELETE FROM LOG", "_001 B", "_001'", "_00É"}) {
    SCOPED_TRACE(bad);
    Tabela.SufixoContabil = bad;
    EXPECT_THROW(DeletaContabilidadeFiscal("000611", "AR", "", "R1"), EZpkError);
    Tabela.IBTransaction.CommitRetaining();
    EXPECT_EQ(left("CONTABIL_001").size(), 5u) << "nothing deleted";
    EXPECT_EQ(left("CONTACOR_001").size(), 5u) << "nothing deleted";
  }
  Tabela.SufixoContabil = " _001_B ";
  DeletaContabilidadeFiscal("000611", "NF", "", "F1");
  EXPECT_EQ(left("CONTABIL_001"), (Rows{"R1:1", "R1:2", "X1:1"}));
  test::OtherStation other;
  EXPECT_EQ(test::rows("SELECT LANCAMENTO FROM CONTABIL_001_B", {}, other.db()), Rows{"X1"});
}

TEST_F(ContabilDeletions, APostingGoesWithItsMovementsAndCostCentreRows) {
  DeletaContabilidadeFinan("F1");
  EXPECT_EQ(left("CONTABIL_001"), (Rows{"R1:1", "R1:2", "X1:1"}));
  EXPECT_EQ(left("CENTRO_RATEIO_001"), (Rows{"F1:1", "R1:1"}));

  DeletaContaCorrente("R1");
  EXPECT_EQ(left("CONTABIL_001"), (Rows{"X1:1"}));
  EXPECT_EQ(left("CONTACOR_001"), (Rows{"X1|DP", "|DP"}));  // the cheque too: the movement is undone
  EXPECT_EQ(left("CENTRO_RATEIO_001"), (Rows{"F1:1"}));
}

TEST_F(ContabilDeletions, CostCentreRowsGoByDocumentAndTypeLoggedOnRequest) {
  DeletaCentroRateio("000611", "AR", false);
  Tabela.IBTransaction.CommitRetaining();
  EXPECT_EQ(left("CENTRO_RATEIO_001"), (Rows{"F1:1"}));
  EXPECT_EQ(test::rows("SELECT 1 FROM LOG"), Rows{});
  DeletaCentroRateio("000611", "NF", true);
  EXPECT_EQ(left("CENTRO_RATEIO_001"), Rows{});
  test::OtherStation other;
  EXPECT_EQ(test::rows("SELECT TELA, DESCRICAO, CHAVE, OPERACAO FROM LOG", {}, other.db()),
            Rows{"FUNCAO CONTABIL|EXCLUSAO DO CENTRO RATEIO: 000611 TIPO: NF|000611|Exclusão"});
}

TEST_F(Contabil, AClosingDateBlocksItselfAndEveryDayBefore) {
  exec(
      "UPDATE EMPRESA SET EMP_DTCONT = '2026-01-31', EMP_DTINV = '2026-02-28', EMP_DTFISCAL = NULL "
      "WHERE EMP_PAT = '_001'");
  Tabela.IBTransaction.CommitRetaining();
  Tabela.ContaReconciliacao = EncodeDate(2026, 3, 5);
  const std::string empresa = " na Empresa. Impossível movimentar.";
  const struct {
    TDateTime data;
    const char* tipo;
    bool blocked;
    std::string message;
  } kCases[] = {
      {EncodeDate(2026, 1, 31), "CX", true, "Período já conciliado em 31/01/2026" + empresa},
      {EncodeDateTime(2026, 1, 31, 18, 30, 0, 0), "CX", true,
       "Período já conciliado em 31/01/2026" + empresa},
      {EncodeDate(2026, 2, 1), "CX", false, ""},
      {EncodeDate(2026, 1, 10), "CT", true, "Período já conciliado em 31/01/2026" + empresa},
      {EncodeDate(2026, 3, 5), "CT", true,
       "Período já conciliado em 05/03/2026 na Conta Corrente. Impossível movimentar."},
      {EncodeDate(2026, 3, 6), "CT", false, ""},
      {EncodeDate(2026, 2, 28), "IV", true, "Inventário já fechado em 28/02/2026" + empresa},
      {EncodeDate(2026, 3, 1), "IV", false, ""},
      {EncodeDate(2000, 1, 1), "FI", false, ""},  // no fiscal closing yet
      {EncodeDate(2026, 1, 1), "XX", false, ""},
      {DateNull, "CX", true, "Data inválida."},
      {TDateTime{-3}, "XX", true, "Data inválida."},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(FormatDateTime("dd/mm/yyyy", c.data) + " " + c.tipo);
    dialogs_.clear();
    EXPECT_EQ(PeriodoConciliado(c.data, c.tipo), c.blocked);
    EXPECT_EQ(shown(), c.message.empty() ? Rows{} : Rows{"ZELVO ERP/" + c.message});
  }
  exec("UPDATE EMPRESA SET EMP_DTFISCAL = '2026-01-31' WHERE EMP_PAT = '_001'");
  EXPECT_TRUE(PeriodoConciliado(EncodeDate(2026, 1, 31), "FI"));
  EXPECT_EQ(dialogs_.last().text, "Período Fiscal já conciliado em 31/01/2026" + empresa);
}

TEST_F(Contabil, ABankReceiptIsBookedOnABusinessDayAfterItsFloat) {
  exec("INSERT INTO TABSIT_001 (CODIGO, DIAS) VALUES ('01', '0')");
  exec("INSERT INTO TABSIT_001 (CODIGO, DIAS) VALUES ('02', '2')");
  exec("INSERT INTO TABSIT_001 (CODIGO, DIAS) VALUES ('03', ' 3 ')");
  exec("INSERT INTO TABSIT_001 (CODIGO, DIAS) VALUES ('XX', 'dois')");
  Tabela.IBTransaction.CommitRetaining();
  // March 2026: the 6th is a Friday; February 16 and 17 are Carnival holidays.
  const struct {
    TDateTime data;
    const char* situacao;
    bool usa;
    TDateTime expected;
  } kCases[] = {
      {EncodeDate(2026, 3, 7), "", false, EncodeDate(2026, 3, 9)},    // Saturday: Monday
      {EncodeDate(2026, 3, 6), "", false, EncodeDate(2026, 3, 6)},    // a business day stays
      {EncodeDate(2026, 3, 6), "02", true, EncodeDate(2026, 3, 10)},  // Friday + 2 + Saturday and Sunday
      {EncodeDate(2026, 3, 5), "02", true, EncodeDate(2026, 3, 9)},   // Thursday + 2 + Saturday + next Sunday
      {EncodeDate(2026, 3, 4), "03", true, EncodeDate(2026, 3, 9)},  // Wednesday + 3 + Saturday + next Sunday
      {EncodeDate(2026, 3, 3), "03", true, EncodeDate(2026, 3, 6)},  // Tuesday + 3, no weekend spanned
      {EncodeDate(2026, 4, 2), "02", true,
       EncodeDate(2026, 4, 7)},  // Thursday + 2 + Good Friday, Saturday, next Sunday
      {EncodeDate(2026, 3, 6), "02", false, EncodeDate(2026, 3, 6)},   // the situation not used
      {EncodeDate(2026, 3, 6), "99", true, EncodeDate(2026, 3, 9)},    // unknown: one day, Saturday moves on
      {EncodeDate(2026, 3, 7), "01", true, EncodeDate(2026, 3, 9)},    // no float on a Saturday
      {EncodeDate(2026, 3, 6), "XX", true, EncodeDate(2026, 3, 6)},    // a float that is no number: none
      {EncodeDate(2026, 2, 14), "", false, EncodeDate(2026, 2, 18)},   // Saturday before Carnival
      {EncodeDate(2026, 2, 13), "02", true, EncodeDate(2026, 2, 18)},  // lands on Carnival Tuesday
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(FormatDateTime("dd/mm/yyyy", c.data) + " '" + c.situacao + "'");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", DataContabilizacaoBancaria(c.data, c.situacao, c.usa)),
              FormatDateTime("dd/mm/yyyy", c.expected));
  }
}

TEST_F(Contabil, MovementsStartPendingByAccountOrHistory) {
  exec("INSERT INTO HISTCP_001 (HISTORICO, SITUACAO) VALUES ('0001', 'N')");
  exec("INSERT INTO HISTCP_001 (HISTORICO, SITUACAO) VALUES ('0002', 'P')");
  const struct {
    const char* conta;
    const char* historico;
    const char* expected;
  } kCases[] = {
      {"0001", "0001", "N"}, {"0003", "0001", "S"},          {"0001", "0002", "S"},
      {"0009", "0009", "N"}, {"0001-TOO-LONG", "0002", "S"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.conta) + " " + c.historico);
    EXPECT_EQ(LancamentoPendente(c.conta, c.historico), c.expected);
  }
}

TEST_F(Contabil, APayableTitleIsFoundBySupplierExactAmountAndDueDate) {
  exec("INSERT INTO PAGTO_001 (NUM_AP, CODCRE, VALOR, DT_VEN) VALUES ('AP2', '000611', 0.3, '2026-03-10')");
  exec("INSERT INTO PAGTO_001 (NUM_AP, CODCRE, VALOR, DT_VEN) VALUES ('AP1', '000611', 0.3, '2026-03-10')");
  exec(
      "INSERT INTO PAGTO_001 (NUM_AP, CODCRE, VALOR, DT_VEN) VALUES ('AP3', '000611', 1500.25, "
      "'2026-03-10')");
  const struct {
    const char* codcre;
    double valor;
    TDateTime vencimento;
    const char* expected;
  } kCases[] = {
      {"000611", 0.1 + 0.2, kData, "AP1"}, {"000611", 1500.25, kData, "AP3"},
      {"000611", 1500.24, kData, ""},      {"000611", 1500.25, EncodeDate(2026, 3, 11), ""},
      {"000612", 1500.25, kData, ""},      {"O'X; --", 1500.25, kData, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.codcre) + " " + std::to_string(c.valor));
    EXPECT_EQ(ExisteAP(c.codcre, c.valor, c.vencimento), c.expected);
  }
}

}  // namespace
}  // namespace zpk
