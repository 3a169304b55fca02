// The accounting composer on a real database: the accounts an invoice's
// amounts gather to, apportionment over accounts, the confirmation form
// (answered through the dialog port, which may edit the work datasets), the
// fiscal and financial writers (ORDEM after the key's last, cost-centre rows,
// all or nothing) and the financial gathering rules.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "accounting/tcontabil.hpp"
#include "platform/db/database_error.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/engine_sql.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::exec;
using Rows = std::vector<std::string>;

// The gathered postings as "credit|debit|amount|type", amounts with two decimals.
Rows postings() {
  Rows out;
  TClientDataSet& t = *TbDadosContabeis;
  for (t.First(); !t.Eof(); t.Next()) {
    out.push_back(t.FieldByName("ContaC").AsString() + "|" + t.FieldByName("ContaD").AsString() + "|" +
                  FormatFloat("0.00", t.FieldByName("Valor").AsFloat()) + "|" +
                  t.FieldByName("Tipo").AsString());
  }
  return out;
}

// The cost-centre rows as "ordem|account|centre|amount".
Rows centres() {
  Rows out;
  TClientDataSet& t = *TbContCentroCusto;
  for (t.First(); !t.Eof(); t.Next()) {
    out.push_back(t.FieldByName("Ordem").AsString() + "|" + t.FieldByName("Conta").AsString() + "|" +
                  t.FieldByName("CentroCusto").AsString() + "|" +
                  FormatFloat("0.00", t.FieldByName("Valor_Rat").AsFloat()));
  }
  return out;
}

// The ledger rows, amounts in cents read back as the runtime prints a number
// (decimal comma, no trailing zeros: 20,00 reads "20").
Rows ledger(TTIDatabase& db = Tabela.IBDatabase) {
  return test::rows(
      "SELECT LANCAMENTO, ORDEM, CONTA_C, CONTA_D, CONTA_R, CAST(VALOR AS NUMERIC(18,2)), TIPO, "
      "COALESCE(CODCLI,'') "
      "FROM CONTABIL_001 ORDER BY LANCAMENTO, ORDEM",
      {}, db);
}

Rows split_rows(TTIDatabase& db = Tabela.IBDatabase) {
  return test::rows(
      "SELECT LANCAMENTO, ORDEM, CONTA, NUMERO, TIPO, CENTROCUSTO, CAST(VALOR_RAT AS NUMERIC(18,2)) "
      "FROM CENTRO_RATEIO_001 ORDER BY LANCAMENTO, ORDEM, CENTROCUSTO",
      {}, db);
}

class Composer : public test::DatabaseTest {
 protected:
  void SetUp() override {
    for (const char* table : {"CONTABIL_001", "CENTRO_RATEIO_001", "CONT_RATEIO_001"})
      exec(std::string("DELETE FROM ") + table);
    test::set_parameter("FIN", 30, "S");
    test::set_parameter("FIN", 40, "S");
    test::set_parameter("FIN", 70, "N");
    test::set_parameter("PRO", 230, "S");
    const struct {
      const char* codigo;
      const char* tipo;
      const char* result;
    } kChart[] = {{"T.R1", nullptr, "S"},    {"T.R2", nullptr, "S"},   {"T.R3", nullptr, "S"},
                  {"T.FORN", nullptr, "N"},  {"T.CLI", nullptr, "N"},  {"T.VENDA", nullptr, "S"},
                  {"T.BANCO", nullptr, "N"}, {"T.DEVOL", nullptr, "N"}};
    for (const auto& c : kChart) {
      exec(
          "UPDATE OR INSERT INTO CONTA_CONT_001 (CODIGO, TIPO, DESCRICAO, CT_RESULT) VALUES (:C, :T, :D, :R) "
          "MATCHING (CODIGO)",
          {c.codigo, c.tipo ? Variant(c.tipo) : Variant::MakeNull(), std::string("CONTA ") + c.codigo,
           c.result});
    }
    exec(
        "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, CONTAC, CONTAD) VALUES "
        "('T62001', 'TECIDOS O''BRIEN', 'T.CLI', 'T.FORN') MATCHING (CODCLI)");
    // Purchase nature (goods to T.R1, freight to T.R3, the supplier credited),
    // a return nature, and a sales nature (goods credited to sales, a debit
    // note debited to T.DEVOL).
    exec(
        "UPDATE OR INSERT INTO NATUREZA_001 (NATUREZA, TIPO, NAT_CONT) VALUES ('T1101', 'E', 'TNC') MATCHING "
        "(NATUREZA)");
    exec(
        "UPDATE OR INSERT INTO NATUREZA_001 (NATUREZA, TIPO, NAT_CONT) VALUES ('T1202', 'D', 'TNC') MATCHING "
        "(NATUREZA)");
    exec(
        "UPDATE OR INSERT INTO NATUREZA_001 (NATUREZA, TIPO, NAT_CONT) VALUES ('T5101', 'S', 'TNV') MATCHING "
        "(NATUREZA)");
    const struct {
      const char* codigo;
      const char* tipo;
      const char* credito;
      const char* debito;
    } kNatures[] = {{"TNC", "VF", "0", "T.R1"},
                    {"TNC", "FR", "0", "T.R3"},
                    {"TNV", "VF", "T.VENDA", "0"},
                    {"TNV", "DB", "T.VENDA", "T.DEVOL"}};
    for (const auto& n : kNatures) {
      exec(
          "UPDATE OR INSERT INTO NAT_CONTA_001 (CODIGO, TIPO, CONTA_C, CONTA_D) VALUES (:C, :T, :CC, :CD) "
          "MATCHING (CODIGO, TIPO)",
          {n.codigo, n.tipo, n.credito, n.debito});
    }
    exec(
        "UPDATE OR INSERT INTO CENTROCUSTO_001 (CODIGO, DESCRICAO) VALUES ('T1', 'CENTRO T1') MATCHING "
        "(CODIGO)");
    Tabela.IBTransaction.CommitRetaining();
  }

  void rule(const char* codigo, const char* tipo, const char* tipo_val, const char* conta, double perc,
            const char* ccusto = "T1", double perc_cc = 100) {
    exec(
        "INSERT INTO CONT_RATEIO_001 (CODIGO, TIPO, TIPO_VAL, CONTA, PERC_CONTA, CCUSTO, PERC_CCUSTO) "
        "VALUES (:A, :B, :C, :D, :E, :F, :G)",
        {codigo, tipo, tipo_val ? Variant(tipo_val) : Variant::MakeNull(), conta, perc, ccusto, perc_cc});
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService installed_{dialogs_};
  const TDateTime data_ = EncodeDate(2026, 3, 10);
};

TEST_F(Composer, InvoiceAmountsGatherToTheNaturesAccountsWithTheEntityStandingInForZero) {
  const struct {
    const char* tipo;
    const char* natureza;
    const char* tipo_valor;
    double valor;
    Rows expected;
    const char* observacao;
  } kCases[] = {
      {"E", "T1101", "VF", 150.5, {"T.FORN|T.R1|150,50|EF"}, "Nota Fiscal 000123 de TECIDOS O'BRIEN"},
      {"E", "T1202", "VF", 10, {"T.CLI|T.R1|10,00|EF"}, nullptr},  // a return credits the customer
      {"S", "T5101", "VF", 99.99, {"T.VENDA|T.CLI|99,99|SF"}, "Nota Fiscal 000123 p\\ TECIDOS O'BRIEN"},
      {"S", "T5101", "DB", 5, {"T.CLI|T.DEVOL|5,00|SF"}, nullptr},  // a debit note credits the customer
      {"E", "T1101", "XX", 10, {}, nullptr},                        // no account for that value type
      {"E", "NOPE", "VF", 10, {}, nullptr},                         // unknown nature
      {"E", "T1101", "VF", 0, {}, nullptr},
      {"X", "T1101", "VF", 10, {}, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.tipo) + " " + c.natureza + " " + c.tipo_valor);
    TContabil contabil;
    contabil.SetContabilidadeFiscal("000123", c.tipo, c.natureza, "T62001", "", c.tipo_valor, c.valor, data_,
                                    nullptr);
    EXPECT_EQ(postings(), c.expected);
    if (c.observacao) EXPECT_EQ(TbDadosContabeis->FieldByName("Observacao").AsString(), c.observacao);
  }
}

TEST_F(Composer, TwoAmountsApportionedToTheSameAccountsAccumulate) {
  rule("TNC", "N", "VF", "T.R1", 50);
  rule("TNC", "N", "VF", "T.R2", 50);
  Tabela.IBTransaction.CommitRetaining();
  TContabil contabil;
  contabil.SetContabilidadeFiscal("000124", "E", "T1101", "T62001", "", "VF", 100, data_, nullptr);
  contabil.SetContabilidadeFiscal("000124", "E", "T1101", "T62001", "", "VF", 50, data_, nullptr);
  EXPECT_EQ(postings(), (Rows{"T.FORN|T.R1|75,00|EF", "T.FORN|T.R2|75,00|EF"}));
  EXPECT_EQ(TbDadosContabeis->FieldByName("Observacao").AsString(), "NF.000124 de TECIDOS O'BRIEN");
  EXPECT_EQ(centres(), (Rows{"1|T.R1|T1|75,00", "2|T.R2|T1|75,00"}));
  EXPECT_DOUBLE_EQ(contabil.Valor, 150);
}

TEST_F(Composer, ItemRulesApportionEachItemByTheFirstRuleThatHasRows) {
  rule("MAT01", "M", nullptr, "T.R2", 100);  // the item's own rule
  rule("TNC", "N", "VF", "T.R3", 100);       // the nature's, for the other items
  exec(
      "UPDATE OR INSERT INTO MATERIAL_001 (CODIGO, DESCRICAO, GRUPO) VALUES ('MAT01', 'FIO', 'G1') MATCHING "
      "(CODIGO)");
  Tabela.IBTransaction.CommitRetaining();
  const std::vector<std::string> itens{"M;MAT01;40,00", "M;MAT02;60,10", "M;MAT03;0"};
  TContabil contabil;
  contabil.SetContabilidadeFiscal("000125", "E", "T1101", "T62001", "", "VF", 100.10, data_, &itens);
  EXPECT_EQ(postings(), (Rows{"T.FORN|T.R2|40,00|EF", "T.FORN|T.R3|60,10|EF"}));
}

TEST_F(Composer, AThirdShareIsGatheredInCentsAndTheRemainingCentGoesToTheLastPosting) {
  for (const char* conta : {"T.R1", "T.R2", "T.R3"}) rule("TNC", "N", "VF", conta, 33.333);
  Tabela.IBTransaction.CommitRetaining();
  TContabil contabil;
  contabil.SetContabilidadeFiscal("000126", "E", "T1101", "T62001", "", "VF", 100, data_, nullptr);
  EXPECT_EQ(postings(), (Rows{"T.FORN|T.R1|33,33|EF", "T.FORN|T.R2|33,33|EF", "T.FORN|T.R3|33,33|EF"}));

  EXPECT_TRUE(contabil.ConfirmaDadosContabilidade(Currency(100.004)));
  EXPECT_EQ(FValorNF, Currency(100));
  EXPECT_TRUE(dialogs_.records().empty());
  contabil.GravaContabilidadeFiscal("F000126", false);
  EXPECT_EQ(ledger(),
            (Rows{"F000126|1|T.FORN|T.R1|T.R1|33,33|EF|T62001", "F000126|2|T.FORN|T.R2|T.R2|33,33|EF|T62001",
                  "F000126|3|T.FORN|T.R3|T.R3|33,34|EF|T62001"}));
  EXPECT_EQ(split_rows(), (Rows{"F000126|1|T.R1|000126|EF|T1|33,33", "F000126|2|T.R2|000126|EF|T1|33,33",
                                "F000126|3|T.R3|000126|EF|T1|33,34"}));
}

TEST_F(Composer, RoundingFixesMakeThePostingsAndEachPostingsSplitAddUp) {
  const struct {
    const char* name;
    std::vector<double> valores;  // postings, all debiting result account T.R1
    double total;
    Rows expected_postings;
  } kCases[] = {
      {"a cent over", {50, 50.01}, 100, {"||50,00|", "||50,00|"}},
      {"a cent under", {50, 49.99}, 100, {"||50,00|", "||50,00|"}},
      {"a whole unit over is left", {50, 51}, 100, {"||50,00|", "||51,00|"}},
      {"equal", {60, 40}, 100, {"||60,00|", "||40,00|"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TContabil contabil;
    TClientDataSet& t = *TbDadosContabeis;
    TClientDataSet& cc = *TbContCentroCusto;
    int ordem = 0;
    for (double v : c.valores) {
      ++ordem;
      t.AppendRecord({Variant(), Variant(), Variant(), Variant(""), Variant("T.R1"), Variant(), Variant(),
                      Variant(), Variant(), v});
      // Each posting's split in three unrounded thirds.
      for (double part : {v / 3, v / 3, v / 3})
        cc.AppendRecord({ordem, "T.R1", "T1", Variant(), 33.33, part});
    }
    contabil.AcertaValoresRateio(c.total);
    Rows got;
    for (t.First(); !t.Eof(); t.Next()) {
      got.push_back("||" + FormatFloat("0.00", t.FieldByName("Valor").AsFloat()) + "|");
    }
    EXPECT_EQ(got, c.expected_postings);
    // Every posting's own rows add up to it, to the ten-thousandth.
    for (t.First(); !t.Eof(); t.Next()) {
      Currency soma;
      for (cc.First(); !cc.Eof(); cc.Next()) {
        if (cc.FieldByName("Ordem").AsInteger() == t.RecNo())
          soma += Currency(cc.FieldByName("Valor_Rat").AsFloat());
      }
      EXPECT_EQ(soma, Currency(t.FieldByName("Valor").AsFloat())) << "posting " << t.RecNo();
    }
  }
}

// A host whose confirmation form puts a missing account right before answering.
class FixingForm : public HeadlessDialogs {
 public:
  int show_message(const MessageRequest& request) override {
    if (request.kind == DialogKind::modal_form && TbDadosContabeis != nullptr) {
      TClientDataSet& t = *TbDadosContabeis;
      for (t.First(); !t.Eof(); t.Next()) {
        if (t.FieldByName("ContaD").AsString().empty()) {
          t.Edit();
          t.FieldByName("ContaD").AsString = "T.R2";
          t.Post();
        }
      }
    }
    return HeadlessDialogs::show_message(request);
  }
};

TEST_F(Composer, TheConfirmationFormOpensForAMissingAccountOrAlwaysWithFin70) {
  const struct {
    const char* conta_d;
    const char* fin70;
    const char* reply;  // nullptr: unattended
    bool form;
    bool result;
  } kCases[] = {
      {"T.R1", "N", nullptr, false, true},          {"", "N", nullptr, true, true},
      {"NAO.EXISTE", "N", "Cancelar", true, false}, {"T.R1", "S", "Ok", true, true},
      {"T.R1", "S", "Cancelar", true, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.conta_d) + " FIN70=" + c.fin70);
    test::set_parameter("FIN", 70, c.fin70);
    dialogs_.clear();
    if (c.reply) dialogs_.reply(c.reply);
    TContabil contabil;
    contabil.Valor = 10;
    TbDadosContabeis->AppendRecord(
        {"1", Variant(), Variant(), "T.FORN", c.conta_d, Variant(), Variant(), "+", "EF", 10});
    EXPECT_EQ(contabil.ConfirmaDadosContabilidade(Currency(10)), c.result);
    ASSERT_EQ(dialogs_.records().size(), c.form ? 1u : 0u);
    if (c.form) {
      EXPECT_EQ(dialogs_.last().kind, DialogKind::modal_form);
      EXPECT_EQ(dialogs_.last().caption, "TfmLancCont");
    } else {
      EXPECT_EQ(contabil.Valor, 0);
    }
  }
}

TEST_F(Composer, TheHostFormMayCorrectThePostingsBeforeTheyAreWritten) {
  FixingForm form;
  ScopedDialogService installed(form);
  exec("INSERT INTO CONTABIL_001 (LANCAMENTO, ORDEM, VALOR) VALUES ('F000127', 1, 1)");
  TContabil contabil;
  contabil.Valor = 20;
  TbDadosContabeis->AppendRecord({"000127", Variant(), "000127", "T.FORN", "", Variant(), "OBS", "+", "EF",
                                  20.0, data_, Variant(), "T62001"});
  ASSERT_TRUE(contabil.ConfirmaDadosContabilidade(Currency(20)));
  contabil.GravaContabilidadeFiscal("F000127", false);
  EXPECT_EQ(ledger(), (Rows{"F000127|1||||1||", "F000127|2|T.FORN|T.R2|T.R2|20|EF|T62001"}));
}

TEST_F(Composer, AFailingStatementLeavesNoPostingAndNoSplitOfTheDocument) {
  // A cost-centre row the database refuses, after two postings were written.
  test::refuse_rows("T_TESTE_RATEIO", "CENTRO_RATEIO_001", "INSERT", "CENTROCUSTO", "FAIL");
  for (const bool financial : {false, true}) {
    SCOPED_TRACE(financial ? "financial" : "fiscal");
    TContabil contabil;
    TClientDataSet& t = *TbDadosContabeis;
    for (int i = 1; i <= 3; ++i) {
      t.AppendRecord({"000128", "L128", "000128", "T.FORN", "T.R" + std::to_string(i), Variant(), "OBS", "+",
                      "EF", 10.0 * i, data_});
      TbContCentroCusto->AppendRecord(
          {i, "T.R" + std::to_string(i), i == 3 ? "FAIL" : "T1", Variant(), 100, 10.0 * i});
    }
    if (financial) {
      EXPECT_THROW(contabil.GravaContabilidadeFinan(), EDatabaseError);
      EXPECT_EQ(t.RecordCount(), 3);  // kept for another try
    } else {
      EXPECT_THROW(contabil.GravaContabilidadeFiscal("F000128", false), EDatabaseError);
    }
    EXPECT_EQ(ledger(), Rows{});
    EXPECT_EQ(split_rows(), Rows{});
  }
  test::drop_refusal("T_TESTE_RATEIO", "CENTRO_RATEIO_001");
}

TEST_F(Composer, FinancialAmountsGatherByTypeAndSwitches) {
  exec(
      "UPDATE OR INSERT INTO CONTA_CONT_001 (CODIGO, TIPO, DESCRICAO, CT_RESULT) VALUES ('T.JUROS', 'RJ', "
      "'JUROS', 'S') "
      "MATCHING (CODIGO)");
  exec("UPDATE CONTA_CONT_001 SET TIPO = NULL WHERE TIPO = 'RJ' AND CODIGO <> 'T.JUROS'");
  exec(
      "UPDATE OR INSERT INTO CLASSE_CONTA_001 (CONTA, HISTORICO, CLASSE, CARTEIRA, OCORRENCIA, CODCLI, "
      "CONTA_CONT) "
      "VALUES ('T01', '0', '0', '0', '0', '0', 'T.BANCO') MATCHING (CONTA, HISTORICO, CLASSE, CARTEIRA, "
      "OCORRENCIA, CODCLI)");
  // The history with the account as entity has the last word.
  exec(
      "UPDATE OR INSERT INTO CLASSE_CONTA_001 (CONTA, HISTORICO, CLASSE, CARTEIRA, OCORRENCIA, CODCLI, "
      "CONTA_CONT) "
      "VALUES ('0', 'H9', '0', '0', '0', 'T01', 'T.R3') MATCHING (CONTA, HISTORICO, CLASSE, CARTEIRA, "
      "OCORRENCIA, CODCLI)");
  rule("T.JUROS", "CT", nullptr, "T.JUROS", 100, "T1", 100);
  Tabela.IBTransaction.CommitRetaining();
  const struct {
    const char* name;
    const char* tipo;
    const char* entidade_c;
    const char* entidade_d;
    const char* historico;
    const char* fin40;
    const char* pro230;
    Rows expected;
  } kCases[] = {
      {"receipt", "RR", "T62001", "T01", "0001", "S", "S", {"T.CLI|T.BANCO|10,00|RR"}},
      {"seventh look-up", "RR", "T62001", "T01", "H9", "S", "S", {"T.CLI|T.R3|10,00|RR"}},
      {"interest", "RJ", "T62001", "T01", "0001", "S", "S", {"T.JUROS|T.BANCO|10,00|RJ"}},
      {"direct", "CP", "T.FORN", "T.R1", "", "S", "S", {"T.FORN|T.R1|10,00|CP"}},
      {"direct, FIN 40 off", "CP", "T.FORN", "T.R1", "", "N", "S", {}},
      {"CC with FIN 40 off", "CC", "T.FORN", "T.R1", "", "N", "S", {"T.FORN|T.R1|10,00|CC"}},
      {"OP with PRO 230 off", "OP", "T.FORN", "T.R1", "", "S", "N", {}},
      {"000", "CC", "000", "T.R1", "", "S", "S", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    test::set_parameter("FIN", 40, c.fin40);
    test::set_parameter("PRO", 230, c.pro230);
    TContabil contabil;
    contabil.SetContabilidadeFinan("L1", "DOC", "000129/1", c.entidade_c, c.entidade_d, "+", c.tipo, "",
                                   c.historico, 10, data_, "", "");
    EXPECT_EQ(postings(), c.expected);
  }
  test::set_parameter("FIN", 40, "S");
  // The interest posting's result account is split over its cost centres.
  TContabil contabil;
  contabil.SetContabilidadeFinan("L1", "DOC", "000129/1", "T62001", "T01", "+", "RJ", "", "0001", 12.5, data_,
                                 "", "");
  EXPECT_EQ(centres(), Rows{"1|T.JUROS|T1|12,50"});
  // Written with the posting: the result account becomes its CONTA_R.
  contabil.GravaContabilidadeFinan();
  EXPECT_EQ(ledger(), Rows{"L1|1|T.JUROS|T.BANCO|T.JUROS|12,5|RJ|"});
  EXPECT_EQ(split_rows(), Rows{"L1|1|T.JUROS|000129/1|RJ|T1|12,5"});
}

TEST_F(Composer, ReceiptsOfOneTitleAreSummedAndOnlyPostingsWithAKeyAreWritten) {
  exec(
      "UPDATE OR INSERT INTO CLASSE_CONTA_001 (CONTA, HISTORICO, CLASSE, CARTEIRA, OCORRENCIA, CODCLI, "
      "CONTA_CONT) "
      "VALUES ('T01', '0', '0', '0', '0', '0', 'T.BANCO') MATCHING (CONTA, HISTORICO, CLASSE, CARTEIRA, "
      "OCORRENCIA, CODCLI)");
  Tabela.IBTransaction.CommitRetaining();
  TContabil contabil;
  contabil.SetContabilidadeFinan("L130", "DOC", "000130/1", "T62001", "T01", "+", "RR", "", "0001", 60, data_,
                                 "", "");
  contabil.SetContabilidadeFinan("L130", "DOC", "000130/1", "T62001", "T01", "+", "RR", "", "0001", 40.25,
                                 data_, "", "2a parcela");
  contabil.SetContabilidadeFinan("L130", "DOC", "000130/2", "T62001", "T01", "+", "RR", "", "0001", 5, data_,
                                 "", "");
  contabil.SetContabilidadeFinan("", "DOC", "000131/1", "T62001", "T01", "+", "RR", "", "0001", 7, data_, "",
                                 "");
  EXPECT_EQ(postings(), (Rows{"T.CLI|T.BANCO|100,25|RR", "T.CLI|T.BANCO|5,00|RR", "T.CLI|T.BANCO|7,00|RR"}));

  contabil.GravaContabilidadeFinan();
  EXPECT_TRUE(TbDadosContabeis->IsEmpty());
  test::OtherStation other;  // committed
  EXPECT_EQ(ledger(other.db()), (Rows{"L130|1|T.CLI|T.BANCO||100,25|RR|", "L130|2|T.CLI|T.BANCO||5|RR|"}));
}

TEST_F(Composer, WithAccountingOffNothingIsGatheredOrWritten) {
  test::set_parameter("FIN", 30, "N");
  test::set_parameter("FIN", 40, "N");
  TContabil contabil;
  EXPECT_EQ(TbDadosContabeis, nullptr);
  contabil.SetContabilidadeFiscal("000132", "E", "T1101", "T62001", "", "VF", 10, data_, nullptr);
  contabil.SetContabilidadeFinan("L1", "DOC", "000132", "T.FORN", "T.R1", "+", "CC", "", "", 10, data_, "",
                                 "");
  EXPECT_TRUE(contabil.ConfirmaDadosContabilidade(Currency(10)));
  contabil.GravaContabilidadeFiscal("F000132", false);
  contabil.GravaContabilidadeFinan();
  EXPECT_EQ(ledger(), Rows{});
}

}  // namespace
}  // namespace zpk
