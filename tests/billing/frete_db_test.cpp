// The freight quotation on a real database, band by band: toll fractions,
// the charges and their minimums, the open last band, the ICMS gross-up and
// TRT, the value and postal-code ranges, and the carrier, nature and
// tax-code checks of the invoicing screens.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "billing/frete.hpp"
#include "foundation/lookups.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

// Destinations of the demo geography: São Paulo (18 %), Rio de Janeiro (12 %).
constexpr const char* kSaoPaulo = "01010-000";
constexpr const char* kRio = "20040-000";

class Frete : public test::DatabaseTest {
 protected:
  // A carrier "FQ" with price table "FQ" serving every postal code as region "R1".
  void SetUp() override {
    test::DatabaseTest::SetUp();
    exec("INSERT INTO {TABTRAN} (CODIGO, CODTRAN, ATIVO) VALUES ('FQ', '', 'S')");
    exec(
        "INSERT INTO {TRANS_REGIAO} (CODTRAN, TABELA, CEP, CEP_FIM) VALUES ('FQ', 'R1', '00000-000', "
        "'99999-999')");
  }

  static void exec(const std::string& sql, const test::SqlParams& params = {}) {
    test::exec(DBLocal_SQL(sql), params);
  }

  // One band of table "FQ", region "R1": every column not given is 0 (or
  // NULL for the value range), TP_ICMS "N" unless given.
  static void band(const char* tp_faixa, double peso_ini, double peso_fim,
                   std::vector<std::pair<std::string, Variant>> columns) {
    std::string names = "CODTRAN, REGIAO, TP_FAIXA, PESO_INI, PESO_FIM";
    std::string marks = "'FQ', 'R1', ?, ?, ?";
    test::SqlParams params{Variant(std::string(tp_faixa)), Variant(peso_ini), Variant(peso_fim)};
    bool icms_given = false;
    for (auto& [name, value] : columns) {
      names += ", " + name;
      marks += ", ?";
      params.push_back(value);
      icms_given = icms_given || name == "TP_ICMS";
    }
    if (!icms_given) {
      names += ", TP_ICMS";
      marks += ", 'N'";
    }
    exec("INSERT INTO {TABPRE_TRAN} (" + names + ") VALUES (" + marks + ")", params);
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

TEST_F(Frete, TollIsChargedPerStartedHundredKilos) {
  band("P", 0, 1000, {{"PEDAGIO", 10.0}});
  const struct {
    double peso;
    double expected;
  } kCases[] = {{250, 30}, {300, 30}, {301, 40}, {100, 10}, {0.5, 10}, {0, 10}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.peso);
    EXPECT_DOUBLE_EQ(ValorFrete("", "FQ", 500, c.peso, 0, kSaoPaulo), c.expected);
  }
}

TEST_F(Frete, ChargesTakeTheLargerOfTheirPercentageAndTheirMinimum) {
  // Value 2000: GRIS 0.3 % = 6 (min 5), ad valorem 0.5 % = 10 (min 12), TRF 1 % = 20
  // (min 0), TDE 0 % (min 7), TADM 0.25 % = 5; fixed fees 1 + 2 + 3; band price 100.
  band("P", 0, 1000,
       {{"PRECO", 100.0},
        {"GRIS", 0.3},
        {"GRIS_MIN", 5.0},
        {"AD_VALOR", 0.5},
        {"AD_VALOR_MIN", 12.0},
        {"TRF", 1.0},
        {"TDE_MIN", 7.0},
        {"TADM", 0.25},
        {"TAXA", 1.0},
        {"SUFRAMA", 2.0},
        {"SEFAZ", 3.0}});
  EXPECT_DOUBLE_EQ(ValorFrete("", "FQ", 2000, 50, 0, kSaoPaulo), 100 + 6 + 12 + 20 + 7 + 5 + 6);
}

TEST_F(Frete, AdValoremAppliesFromItsInvoiceValueOnly) {
  band("P", 0, 1000, {{"PRECO", 100.0}, {"AD_VALOR", 1.0}, {"AD_VALOR_NF", 1000.0}});
  const struct {
    double valor;
    double expected;
  } kCases[] = {{999.99, 100}, {1000, 110}, {3000, 130}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.valor);
    EXPECT_DOUBLE_EQ(ValorFrete("", "FQ", c.valor, 50, 0, kSaoPaulo), c.expected);
  }
}

TEST_F(Frete, WeightFreightByTonneBandPriceMinimumAndOpenLastBand) {
  // Bands 0-100 at 200/t plus 5, 100.01-300 at a flat 80 with a minimum of 90,
  // and the open last band from 300.01 at 0.50 per kg above its start.
  band("P", 0, 100, {{"PRECO_TON", 200.0}, {"PRECO", 5.0}});
  band("P", 100.01, 300, {{"PRECO", 80.0}, {"FRETE_MIN", 90.0}, {"PRECO_EXC", 0.5}});
  band("P", 300.01, 99999, {{"PRECO", 150.0}, {"PRECO_EXC", 0.5}});
  const struct {
    double peso;
    double expected;
  } kCases[] = {
      {60, 200 * 60 / 1000.0 + 5},        // 17.00
      {250, 90},                          // the minimum over the flat 80
      {400, 150 + (400 - 300.01) * 0.5},  // start price plus the excess
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.peso);
    EXPECT_NEAR(ValorFrete("", "FQ", 100, c.peso, 0, kSaoPaulo), c.expected, 1e-9);
  }
}

TEST_F(Frete, OpenLastBandByTonneAndByThirdQuantity) {
  // The excess price is read with four decimals: 0.12345 counts as 0.1235.
  band("P", 0, 500, {{"PRECO_TON", 100.0}});
  band("P", 500, 99999, {{"PRECO_TON", 100.0}, {"PRECO", 7.0}, {"PRECO_EXC", 0.12345}});
  EXPECT_NEAR(ValorFrete("", "FQ", 100, 900, 0, kSaoPaulo), 100 * 500 / 1000.0 + 400 * 0.1235 + 7, 1e-9);

  // A "C" band measures the third quantity (pieces, volumes) instead of the weight.
  exec("DELETE FROM {TABPRE_TRAN}");
  band("C", 0, 10, {{"PRECO", 30.0}});
  band("C", 10, 9999, {{"PRECO", 30.0}, {"PRECO_EXC", 2.0}});
  EXPECT_DOUBLE_EQ(ValorFrete("", "FQ", 100, 900, 4, kSaoPaulo), 30);
  EXPECT_DOUBLE_EQ(ValorFrete("", "FQ", 100, 900, 25, kSaoPaulo), 30 + 15 * 2);
}

TEST_F(Frete, IcmsIsIncludedUnlessTheBandSaysNoAndTrtComesOnTop) {
  band("P", 0, 1000, {{"PRECO", 880.0}, {"TRT", 1.0}, {"TP_ICMS", std::string("S")}});
  // 880.00 grossed up at Rio's 12 % is 1000.00; TRT 1 % of it is 10.00.
  EXPECT_NEAR(ValorFrete("", "FQ", 100, 10, 0, kRio), 1010, 1e-9);
  exec("UPDATE {TABPRE_TRAN} SET TP_ICMS = NULL");
  EXPECT_NEAR(ValorFrete("", "FQ", 100, 10, 0, kRio), 1010, 1e-9);
  exec("UPDATE {TABPRE_TRAN} SET TP_ICMS = 'N', TRT_MIN = 20");
  EXPECT_NEAR(ValorFrete("", "FQ", 100, 10, 0, kRio), 880 + 20, 1e-9);
  // A postal code outside the registered cities has no state rate: nothing to include.
  exec("UPDATE {TABPRE_TRAN} SET TP_ICMS = 'S', TRT_MIN = 0");
  EXPECT_NEAR(ValorFrete("", "FQ", 100, 10, 0, "99999-000"), 880 + 8.8, 1e-9);
}

TEST_F(Frete, AStateRateOfAHundredPercentGivesNoQuoteInsteadOfInfinity) {
  band("P", 0, 1000, {{"PRECO", 100.0}, {"TP_ICMS", std::string("S")}, {"TRT_MIN", 5.0}});
  test::exec(DBLocal_SQL("UPDATE {TABUF} SET ALIQUOTA = 100 WHERE SIGLA_EST = 'RJ'"));
  const double quote = ValorFrete("", "FQ", 100, 10, 0, kRio);
  EXPECT_TRUE(std::isfinite(quote));
  EXPECT_EQ(quote, 0);
}

TEST_F(Frete, BandsMatchTheInvoiceValueRangeOrAnyValueWhenItIsEmpty) {
  band("P", 0, 1000, {{"PRECO", 50.0}, {"VALOR_DE", 0.0}, {"VALOR_ATE", 0.0}});
  EXPECT_DOUBLE_EQ(ValorFrete("", "FQ", 123456.78, 10, 0, kSaoPaulo), 50);
  exec("UPDATE {TABPRE_TRAN} SET VALOR_DE = NULL, VALOR_ATE = NULL");
  EXPECT_DOUBLE_EQ(ValorFrete("", "FQ", 5, 10, 0, kSaoPaulo), 50);
  exec("UPDATE {TABPRE_TRAN} SET VALOR_DE = 1000, VALOR_ATE = 2000");
  EXPECT_DOUBLE_EQ(ValorFrete("", "FQ", 1500, 10, 0, kSaoPaulo), 50);
  EXPECT_DOUBLE_EQ(ValorFrete("", "FQ", 2500, 10, 0, kSaoPaulo), 0);  // no band: no quote
  // A "V" band is chosen by the invoice value itself.
  exec("DELETE FROM {TABPRE_TRAN}");
  band("V", 0, 999.99, {{"PRECO", 40.0}});
  band("V", 1000, 1e9, {{"PRECO", 70.0}});
  EXPECT_DOUBLE_EQ(ValorFrete("", "FQ", 800, 10, 0, kSaoPaulo), 40);
  EXPECT_DOUBLE_EQ(ValorFrete("", "FQ", 1800, 10, 0, kSaoPaulo), 70);
}

TEST_F(Frete, RegionComesFromThePostalCodeOrTheCustomersDeliveryAddress) {
  exec("DELETE FROM {TRANS_REGIAO}");
  exec(
      "INSERT INTO {TRANS_REGIAO} (CODTRAN, TABELA, CEP, CEP_FIM) VALUES ('FQ', 'R1', '01000-000', "
      "'19999-999')");
  exec(
      "INSERT INTO {TRANS_REGIAO} (CODTRAN, TABELA, CEP, CEP_FIM) VALUES ('FQ', 'R2', '20000-000', "
      "'28999-999')");
  band("P", 0, 1000, {{"PRECO", 10.0}});
  exec(
      "INSERT INTO {TABPRE_TRAN} (CODTRAN, REGIAO, TP_FAIXA, PESO_INI, PESO_FIM, PRECO, TP_ICMS) "
      "VALUES ('FQ', 'R2', 'P', 0, 1000, 20, 'N')");
  exec(
      "INSERT INTO {ENTIDADE} (CODCLI, NOME, CEP, CEP_ENT) VALUES ('FQ-1', 'CLIENTE', '01010-000', "
      "'20040-000')");
  // A second carrier quoting with FQ's table.
  exec("INSERT INTO {TABTRAN} (CODIGO, CODTRAN) VALUES ('FQ2', 'FQ')");
  EXPECT_DOUBLE_EQ(ValorFrete("FQ-1", "FQ", 100, 10, 0, kSaoPaulo), 10);
  EXPECT_DOUBLE_EQ(ValorFrete("FQ-1", "FQ", 100, 10, 0, ""), 20);          // delivery address in Rio
  EXPECT_DOUBLE_EQ(ValorFrete("FQ-1", "FQ2", 100, 10, 0, ""), 20);         // the other carrier's table
  EXPECT_DOUBLE_EQ(ValorFrete("FQ-1", "FQ", 100, 10, 0, "30110-000"), 0);  // no region
  // Codes with quotes and comment marks find nothing and change no statement.
  EXPECT_DOUBLE_EQ(ValorFrete("x' OR '1'='1", "FQ' --", 100, 10, 0, "1' OR 1;"), 0);
  // A postal code longer than any stored one is refused by name, not looked up.
  try {
    ValorFrete("", "FQ", 100, 10, 0, "01010-000' OR 1=1 --");
    ADD_FAILURE() << "a 20-character postal code was looked up";
  } catch (const EZpkError& e) {
    EXPECT_NE(std::string(e.what()).find("CEP"), std::string::npos) << e.what();
  }
}

TEST_F(Frete, ValidaNaturezaFitsTheCfopToTheCustomersState) {
  // The company is in São Paulo; customer 000001 too, 000002 in Rio.
  test::ScopedValue state(Tabela.company.state, std::string("SP"));
  exec("INSERT INTO {NATUREZA} (NATUREZA, TIPO, CFOP) VALUES ('VDA-SP', 'V', '5102')");
  exec("INSERT INTO {NATUREZA} (NATUREZA, TIPO, CFOP) VALUES ('VDA-FORA', 'V', '6102')");
  exec("INSERT INTO {NATUREZA} (NATUREZA, TIPO, CFOP) VALUES ('SEM-CFOP', 'V', '')");
  const struct {
    const char* cliente;
    const char* natureza;
    bool expected;
  } kCases[] = {
      {"000001", "VDA-SP", true},  {"000001", "VDA-FORA", false}, {"000001", "5101", true},
      {"000001", "3101", false},   {"000001", "2102", false},     {"000001", "SEM-CFOP", true},
      {"000002", "VDA-SP", false}, {"000002", "VDA-FORA", true},  {"000002", "1101", false},
      {"000002", "7101", true},    {"NINGUEM", "6102", true},     {"NINGUEM", "5102", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.cliente) + " " + c.natureza);
    EXPECT_EQ(ValidaNatureza(c.cliente, c.natureza), c.expected);
  }
}

TEST_F(Frete, TrocaCstAndValidaTransportadora) {
  exec("INSERT INTO {TABTRI} (TIPO, CODIGO, COD_ENT) VALUES ('IC', '10', '60')");
  exec("INSERT INTO {TABTRI} (TIPO, CODIGO, COD_ENT) VALUES ('IC', '20', '')");
  const struct {
    const char* tipo;
    const char* codigo;
    const char* expected;
  } kCst[] = {{"IC", "10", "60"}, {"IC", "20", "20"}, {"IP", "10", "10"}, {"IC", "99", "99"}, {"IC", "", ""}};
  for (const auto& c : kCst) {
    SCOPED_TRACE(std::string(c.tipo) + "/" + c.codigo);
    EXPECT_EQ(TrocaCST(c.tipo, c.codigo), c.expected);
  }

  exec("INSERT INTO {TABTRAN} (CODIGO, ATIVO) VALUES ('FQ-N', 'N')");
  exec("INSERT INTO {TABTRAN} (CODIGO, ATIVO) VALUES ('FQ-NULL', NULL)");
  exec("INSERT INTO {TABTRAN} (CODIGO, ATIVO) VALUES ('FQ-VAZIO', '')");
  const struct {
    const char* codigo;
    bool expected;
  } kCarriers[] = {{"FQ", true}, {"FQ-N", false}, {"FQ-NULL", true}, {"FQ-VAZIO", true}, {"NINGUEM", false}};
  for (const auto& c : kCarriers) {
    SCOPED_TRACE(c.codigo);
    EXPECT_EQ(ValidaTransportadora(c.codigo), c.expected);
  }
}

}  // namespace
}  // namespace zpk
