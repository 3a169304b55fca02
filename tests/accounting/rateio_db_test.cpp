// Cost-centre apportionment on a real database: a rule's percentages over an
// amount, a material's own cost centre, a stored split copied onto a posting,
// and when the apportionment-by-class form is needed.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "accounting/rateio.hpp"
#include "accounting/tcontabil.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::exec;
using Rows = std::vector<std::string>;

// The cost-centre rows as "ordem|account|centre|description|percent|amount".
Rows centres() {
  Rows out;
  TClientDataSet& t = *TbContCentroCusto;
  for (t.First(); !t.Eof(); t.Next()) {
    out.push_back(t.FieldByName("Ordem").AsString() + "|" + t.FieldByName("Conta").AsString() + "|" +
                  t.FieldByName("CentroCusto").AsString() + "|" + t.FieldByName("Descricao").AsString() +
                  "|" + FormatFloat("0.00", t.FieldByName("Perc_Rat").AsFloat()) + "|" +
                  FormatFloat("0.00", t.FieldByName("Valor_Rat").AsFloat()));
  }
  return out;
}

class Rateio : public test::DatabaseTest {
 protected:
  void SetUp() override {
    for (const char* table : {"CENTRO_RATEIO_001", "CONT_RATEIO_001"})
      exec(std::string("DELETE FROM ") + table);
    test::set_parameter("FIN", 30, "S");
    test::set_parameter("FIN", 40, "S");
    for (const char* c : {"C1", "C2", "C3", "C9"}) {
      exec("UPDATE OR INSERT INTO CENTROCUSTO_001 (CODIGO, DESCRICAO) VALUES (:C, :D) MATCHING (CODIGO)",
           {c, std::string("CENTRO ") + c});
    }
    const struct {
      const char* ccusto;
      double perc;
    } kThirds[] = {{"C1", 33.33}, {"C2", 33.33}, {"C3", 33.34}};
    for (const auto& t : kThirds) {
      exec(
          "INSERT INTO CONT_RATEIO_001 (CODIGO, TIPO, TIPO_VAL, CONTA, PERC_CONTA, CCUSTO, PERC_CCUSTO) "
          "VALUES ('MAT01', 'M', 'VF', 'R1', 100, :C, :P)",
          {t.ccusto, t.perc});
    }
    exec(
        "UPDATE OR INSERT INTO MATERIAL_001 (CODIGO, DESCRICAO, CDCENTRO) VALUES ('MAT09', 'FIO', 'C9') "
        "MATCHING (CODIGO)");
    Tabela.IBTransaction.CommitRetaining();
    contabil_ = std::make_unique<TContabil>();
    // A posting for the split to hang off.
    TbDadosContabeis->AppendRecord(
        {"1", Variant(), Variant(), "F1", "R1", Variant(), Variant(), "+", "EF", 100.0});
  }

  std::unique_ptr<TContabil> contabil_;
  HeadlessDialogs dialogs_;
  ScopedDialogService installed_{dialogs_};
};

TEST_F(Rateio, AnAmountIsSplitByTheRulesPercentagesOrGoesWholeToTheMaterialsCentre) {
  const struct {
    const char* name;
    const char* material;
    const char* tipo_valor;
    std::vector<double> valores;
    Rows expected;
  } kCases[] = {
      {"thirds",
       "MAT01",
       "VF",
       {100},
       {"1|R1|C1|CENTRO C1|33,33|33,33", "1|R1|C2|CENTRO C2|33,33|33,33", "1|R1|C3|CENTRO C3|33,34|33,34"}},
      {"two amounts accumulate",
       "MAT01",
       "VF",
       {60, 40},
       {"1|R1|C1|CENTRO C1|33,33|33,33", "1|R1|C2|CENTRO C2|33,33|33,33", "1|R1|C3|CENTRO C3|33,34|33,34"}},
      {"no rule for the value type", "MAT01", "FR", {10}, {"1|R1|||100,00|10,00"}},
      {"material's own centre", "MAT09", "VF", {25.5}, {"1|R1|C9|CENTRO C9|100,00|25,50"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TbContCentroCusto->EmptyDataSet();
    TbDadosContabeis->First();
    for (double v : c.valores) contabil_->GravaRaterioCentroCusto("R1", c.material, "M", c.tipo_valor, v);
    EXPECT_EQ(centres(), c.expected);
  }
}

TEST_F(Rateio, AStoredSplitIsCopiedWithWholePercentages) {
  exec(
      "INSERT INTO CENTRO_RATEIO_001 (LANCAMENTO, ORDEM, CONTA, NUMERO, TIPO, CENTROCUSTO, PERC_RAT, "
      "VALOR_RAT) "
      "VALUES ('F1', 1, 'R1', '000200', 'EF', 'C1', 33.33, 33.33)");
  exec(
      "INSERT INTO CENTRO_RATEIO_001 (LANCAMENTO, ORDEM, CONTA, NUMERO, TIPO, CENTROCUSTO, PERC_RAT, "
      "VALOR_RAT) "
      "VALUES ('F1', 2, 'R1', '000200', 'EF', 'C2', 50, 50)");
  contabil_->BuscaRaterioCentroCusto("000200", "EF", 1, 200.01);
  contabil_->BuscaRaterioCentroCusto(" ", "EF", 1, 200);  // no document: nothing
  EXPECT_EQ(centres(), Rows{"1|R1|C1|CENTRO C1|33,00|66,00"});
}

TEST_F(Rateio, TheClassFormOpensOnlyWhereTheParametersAskForIt) {
  exec("INSERT INTO CENTRO_RATEIO_001 (NUMERO, TIPO, DATA) VALUES ('000300', 'VF', '2026-02-03')");
  Tabela.IBTransaction.CommitRetaining();
  const struct {
    const char* tipo;
    const char* fin80;
    const char* fin100;
    const char* reply;
    bool form;
    bool result;
  } kCases[] = {
      {"DV", "S", "N", nullptr, false, true},    {"CR", "S", "N", nullptr, false, true},
      {"CP", "N", "S", nullptr, false, true},    {"OP", "N", "S", nullptr, false, true},
      {"DV", "N", "S", "Cancelar", true, false}, {"CP", "S", "N", "Ok", true, true},
      {"VF", "N", "N", nullptr, true, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.tipo) + " FIN80=" + c.fin80 + " FIN100=" + c.fin100);
    test::set_parameter("FIN", 80, c.fin80);
    test::set_parameter("FIN", 100, c.fin100);
    dialogs_.clear();
    if (c.reply) dialogs_.reply(c.reply);
    oDadosRateioClasse = {};
    EXPECT_EQ(SetRateioClasse("000300", "201", c.tipo, Currency(150.25), "000299", true, DateNull, true),
              c.result);
    ASSERT_EQ(dialogs_.records().size(), c.form ? 1u : 0u);
    if (!c.form) continue;
    EXPECT_EQ(dialogs_.last().caption, "TfmLancRateio");
    EXPECT_EQ(oDadosRateioClasse.RetornoOK, c.result);
    EXPECT_EQ(oDadosRateioClasse.Valor, std::string(c.tipo) == "DV" ? Currency(-150.25) : Currency(150.25));
    EXPECT_EQ(oDadosRateioClasse.NumeroAnt, "000299");
    // The date comes from the document's stored split where none is given.
    EXPECT_EQ(oDadosRateioClasse.Data.Value, std::string(c.tipo) == "VF" ? EncodeDate(2026, 2, 3).Value : 0);
  }
}

}  // namespace
}  // namespace zpk
