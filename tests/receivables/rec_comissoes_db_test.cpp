// The commission split on a real database: what a customer, an order (with
// or without its own split) and a title load, the main representative's row
// first and a lone row always the main one, percentages given before a load,
// the write that replaces a document's split all or nothing (also under
// another company's suffix), invoicing an order's split under its titles,
// the total in fixed point and the hand-over to the split screen.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database_error.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "receivables/rec_comissoes.hpp"
#include "support/database_fixture.hpp"
#include "support/engine_sql.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using Rows = std::vector<std::string>;

class RecComissoes : public test::DatabaseTest {
 protected:
  void SetUp() override {
    test::exec("UPDATE OR INSERT INTO REPRESEN_001 (CODREP, NOME) VALUES ('R1', 'REP UM') MATCHING (CODREP)");
    test::exec(
        "UPDATE OR INSERT INTO REPRESEN_001 (CODREP, NOME) VALUES ('R2', 'REP DOIS') MATCHING (CODREP)");
    test::exec(
        "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, COM1, COM2) VALUES ('000611', 'C1', 3, 1) "
        "MATCHING (CODCLI)");
    test::exec(
        "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, COM1, COM2) VALUES ('000612', 'C2', 2.5, 0) "
        "MATCHING (CODCLI)");
    // Customer 000611 splits between R1 and R2; 000612 has no split.
    test::exec("INSERT INTO CLI_COM_001 (CODCLI, CODREP, COM1, COM2) VALUES ('000611', 'R1', 2, 0.5)");
    test::exec("INSERT INTO CLI_COM_001 (CODCLI, CODREP, COM1, COM2) VALUES ('000611', 'R2', 1.5, 0)");
    // Order CM1 has its own split (R2 alone); CM2 has none. Title CM1/1 has R1's, paid.
    test::exec("INSERT INTO PED_COM_001 (NUMERO, CODREP, COM1, COM2) VALUES ('CM1', 'R2', 4, 1)");
    test::exec(
        "INSERT INTO REC_COM_001 (NUMERO, CODREP, COM1, COM2, DT_COMISSAO) VALUES ('CM1/1', 'R1', 2, 0, "
        "DATE '2026-03-10')");
  }

  // Comissoes as "CODREP|NOME|COM1|COM2|DT_COMISSAO|PRIMEIRO", in its order.
  static Rows linhas(TRecComissoes& r) {
    Rows out;
    TClientDataSet& d = r.Comissoes();
    for (d.First(); !d.Eof(); d.Next()) {
      out.push_back(d.FieldByName("CODREP").AsString() + "|" + d.FieldByName("NOME").AsString() + "|" +
                    FormatFloat("0.00", d.FieldByName("COM1").AsFloat()) + "|" +
                    FormatFloat("0.00", d.FieldByName("COM2").AsFloat()) + "|" +
                    d.FieldByName("DT_COMISSAO").AsString() + "|" + d.FieldByName("PRIMEIRO").AsString());
    }
    return out;
  }
  static Rows gravados(const std::string& table, const std::string& key, const std::string& codigo) {
    return test::rows("SELECT CODREP, COM1, COM2 FROM " + table + " WHERE " + key + " = ? ORDER BY CODREP",
                      {codigo});
  }
};

TEST_F(RecComissoes, LoadsTheDocumentsSplitMainRepresentativeFirst) {
  const struct {
    const char* name;
    TComissoesTipo tipo;
    const char* codigo;
    const char* codcli;
    const char* codrep;
    bool todos;
    double com1;
    Rows expected;
  } kCases[] = {
      {"customer",
       ctCliente,
       "000611",
       "",
       "R2",
       false,
       0,
       {"R2|REP DOIS|1,50|0,00||True", "R1|REP UM|2,00|0,50||False"}},
      {"order without its own: the representative's row of the customer's",
       ctVendas,
       "CM2",
       "000611",
       "R2",
       false,
       0,
       {"R2|REP DOIS|1,50|0,00||True"}},
      {"order without its own, all rows",
       ctFatPedido,
       "CM2",
       "000611",
       "R2",
       true,
       0,
       {"R2|REP DOIS|1,50|0,00||True", "R1|REP UM|2,00|0,50||False"}},
      {"order with its own, a lone row marked main",
       ctVendas,
       "CM1",
       "000611",
       "R1",
       false,
       0,
       {"R2|REP DOIS|4,00|1,00||True"}},
      {"title, with its payment date",
       ctDuplicata,
       "CM1/1",
       "",
       "R1",
       false,
       0,
       {"R1|REP UM|2,00|0,00|10/03/2026|True"}},
      {"no split: the representative with the customer's defaults",
       ctCliente,
       "000612",
       "000612",
       "R1",
       false,
       0,
       {"R1|REP UM|2,50|0,00||True"}},
      {"no split and an unknown representative", ctCliente, "000612", "000612", "R9", false, 0, {}},
      {"no split and an unknown customer", ctVendas, "CM3", "000699", "R1", true, 0, {}},
      {"Com1 given before the load",
       ctCliente,
       "000611",
       "",
       "R1",
       false,
       3,
       {"R1|REP UM|3,00|0,50||True", "R2|REP DOIS|3,00|0,00||False"}},
      {"Com1 given before a default row",
       ctCliente,
       "000612",
       "000612",
       "R1",
       false,
       3,
       {"R1|REP UM|3,00|0,00||True"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TRecComissoes r(c.tipo);
    r.Codigo = c.codigo;
    r.CodCli = c.codcli;
    r.CodRep = c.codrep;
    r.Com1 = c.com1;
    r.BuscaComissoes(c.todos);
    EXPECT_EQ(linhas(r), c.expected);
    EXPECT_EQ(r.Com1(), 0);
    // Loaded rows stay until the code changes; then the stored values come back.
    r.BuscaComissoes(!c.todos);
    EXPECT_EQ(linhas(r), c.expected);
  }
}

TEST_F(RecComissoes, ChangingTheCodeEmptiesTheSplit) {
  TRecComissoes r(ctCliente);
  r.Codigo = "000611";
  r.Com1 = 3;
  r.BuscaComissoes(false);
  r.Codigo = "000611";
  EXPECT_EQ(r.Comissoes().RecordCount(), 2);
  r.Codigo = "000612";
  EXPECT_TRUE(r.Comissoes().IsEmpty());
  r.Codigo = "000611";
  r.BuscaComissoes(false);
  EXPECT_EQ(linhas(r), (Rows{"R1|REP UM|2,00|0,50||False", "R2|REP DOIS|1,50|0,00||False"}));
}

TEST_F(RecComissoes, InvoicingWritesTheOrdersSplitUnderEachTitle) {
  test::exec(
      "INSERT INTO RECEBER_001 (NUMERO, CODCLI, PEDIDO, VALOR2) VALUES ('CM2/1', '000611', 'CM2', 100)");
  test::exec("INSERT INTO PED_COM_001 (NUMERO, CODREP, COM1, COM2) VALUES ('CM2', 'R1', 3, 0)");
  test::exec("INSERT INTO PED_COM_001 (NUMERO, CODREP, COM1, COM2) VALUES ('CM2', 'R2', 1.25, 0.5)");
  TRecComissoes r(ctFatPedido);
  r.Codigo = "CM2";
  r.CodRep = "R1";
  r.BuscaComissoes(true);
  r.GravarDados("CM2/1");
  r.GravarDados("CM2/2");
  EXPECT_EQ(r.Codigo(), "CM2/2");
  EXPECT_EQ(r.Comissoes().RecordCount(), 2);
  for (const char* titulo : {"CM2/1", "CM2/2"}) {
    SCOPED_TRACE(titulo);
    EXPECT_EQ(gravados("REC_COM_001", "NUMERO", titulo), (Rows{"R1|3|0", "R2|1,25|0,5"}));
  }
  EXPECT_EQ(gravados("PED_COM_001", "NUMERO", "CM2"), (Rows{"R1|3|0", "R2|1,25|0,5"}));
}

TEST_F(RecComissoes, WritingReplacesTheDocumentsRowsAndKeepsDatesAndTexts) {
  // The title's split read, a row added with a payment date, written back.
  TRecComissoes r(ctDuplicata);
  r.Codigo = "CM1/1";
  r.BuscaComissoes(true);
  r.Comissoes().Append();
  r.Comissoes().FieldByName("CODREP").AsString = "R'2";
  r.Comissoes().FieldByName("COM1").AsFloat = 0.75;
  r.Comissoes().FieldByName("DT_COMISSAO").AsDateTime = EncodeDate(2026, 4, 30);
  r.Comissoes().Post();
  r.GravarDados("");
  EXPECT_EQ(
      test::rows("SELECT CODREP, COM1, DT_COMISSAO FROM REC_COM_001 WHERE NUMERO = 'CM1/1' ORDER BY CODREP"),
      (Rows{"R'2|0,75|30/04/2026", "R1|2|10/03/2026"}));

  // An empty split just deletes; another document's rows stay.
  TRecComissoes vazio(ctVendas);
  vazio.Codigo = "CM1";
  vazio.GravarDados("");
  EXPECT_TRUE(gravados("PED_COM_001", "NUMERO", "CM1").empty());
  EXPECT_EQ(gravados("CLI_COM_001", "CODCLI", "000611").size(), 2u);
}

TEST_F(RecComissoes, AFailingRowLeavesTheStoredSplitAsItWas) {
  const struct {
    const char* name;
    const char* codrep;
    const char* codigo;
    const char* named;  // what the error names
  } kCases[] = {
      {"the same representative twice", "R1", "000611", "PK_CLI_COM"},
      {"a customer code longer than its column", "R3", "000611000611", "CODCLI"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TRecComissoes r(ctCliente);
    r.Codigo = "000611";
    r.BuscaComissoes(true);
    r.Comissoes().Append();
    r.Comissoes().FieldByName("CODREP").AsString = c.codrep;
    r.Comissoes().Post();
    try {
      r.GravarDados(c.codigo);
      ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(test::names(e.what(), c.named)) << e.what();
    }
    EXPECT_EQ(gravados("CLI_COM_001", "CODCLI", "000611"), (Rows{"R1|2|0,5", "R2|1,5|0"}));
  }
}

TEST_F(RecComissoes, AnotherCompanysSuffixNamesTheTable) {
  TRecComissoes r(ctCliente);
  r.Codigo = "000611";
  r.BuscaComissoes(true);
  r.Empresa = "_002";
  r.GravarDados("000001");
  EXPECT_EQ(gravados("CLI_COM_002", "CODCLI", "000001"), (Rows{"R1|2|0,5", "R2|1,5|0"}));

  r.Empresa = "_002 WHERE 1=1; --";
  EXPECT_THROW(r.GravarDados("000001"), EZpkError);
  EXPECT_EQ(gravados("CLI_COM_002", "CODCLI", "000001").size(), 2u);
}

TEST_F(RecComissoes, TotalAddsUpInFixedPoint) {
  TRecComissoes r(ctCliente);
  r.Comissoes().AppendRecord({"R1", "", 2.5, 0.1});
  r.Comissoes().AppendRecord({"R2", "", 0.2, 0.1});
  r.Comissoes().AppendRecord({"R3", "", 1.00005, 0});  // 1.0001 at four decimals
  r.Comissoes().Locate("CODREP", "R2");
  EXPECT_EQ(r.ValorTotalComissoes(), Currency::FromRaw(39001));
  EXPECT_EQ(r.Comissoes().FieldByName("CODREP").AsString(), "R2");
}

TEST_F(RecComissoes, ShowModalLoadsTheWholeSplitAndAnswersTheScreensResult) {
  HeadlessDialogs dialogs;
  ScopedDialogService guard(dialogs);
  TRecComissoes r(ctVendas);
  r.Codigo = "CM2";
  r.CodCli = "000611";
  r.CodRep = "R1";
  EXPECT_EQ(r.ShowModal(), 2);  // closed without confirming
  EXPECT_EQ(dialogs.last().kind, DialogKind::modal_form);
  EXPECT_EQ(dialogs.last().caption, "TfmCadPedRep");
  EXPECT_EQ(r.Comissoes().RecordCount(), 2);
  dialogs.reply("OK");
  EXPECT_EQ(r.ShowModal(), 1);
}

}  // namespace
}  // namespace zpk
