// The ICMS amounts of an invoice item on a real database: each routine's rule
// chosen by classification, customer and operation, the worked examples to
// the cent, the state's rates where the rule has none, the texts the rule
// imposes, and the divisions that stored rates can leave without a divisor.
#include <string>

#include <gtest/gtest.h>

#include "billing/icms.hpp"
#include "foundation/lookups.hpp"
#include "platform/rtl/variant.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

// Amounts compared to the cent with no floating-point noise left over.
void expect_amount(double actual, double expected, const char* what) {
  EXPECT_NEAR(actual, expected, 1e-9) << what;
}

// A rule row of REDUCAO; a null mode is stored as NULL.
struct Rule {
  const char* tabfis;
  const char* estado;
  const char* tipo;
  const char* tributacao;
  const char* mod_calc;
  double reducao = 0;
  double aliq_int = 0;
  double aliq_st = 0;
  double red_st = 0;
  double perc_fcp = 0;
  const char* natureza = nullptr;
  const char* tabtrib = nullptr;
  const char* destaca_imp = "S";
  const char* tp_oper = "V";
};

Variant text_or_null(const char* s) {
  return s != nullptr ? Variant(s) : Variant::MakeNull();
}

class Icms : public test::DatabaseTest {
 protected:
  static void exec(const std::string& sql, const test::SqlParams& params = {}) {
    test::exec(DBLocal_SQL(sql), params);
  }

  // A state with its rates, reached from the postal code "CEP-<uf>".
  static void state(const char* uf, double aliquota, double aliq_int, double fcp) {
    exec("INSERT INTO {TABUF} (SIGLA_EST, ALIQUOTA, ALIQ_INT, PERC_FCP) VALUES (?, ?, ?, ?)",
         {uf, aliquota, aliq_int, fcp});
    exec("INSERT INTO {CIDADE} (COD_CID, NOME_CID, COD_EST) VALUES (?, 'CIDADE', ?)",
         {std::string("C-") + uf, uf});
    exec("INSERT INTO {CADCEP} (CEP, COD_CID) VALUES (?, ?)",
         {std::string("CEP-") + uf, std::string("C-") + uf});
  }

  static void customer(const char* code, const char* uf, const char* tipo, const char* simples,
                       double aliq_st = 0, const char* suframa = nullptr) {
    exec(
        "INSERT INTO {ENTIDADE} (CODCLI, NOME, TIPO, SIMPLES, CEP, ALIQ_ST, SUFRAMA) VALUES (?, 'CLIENTE', "
        "?, ?, ?, ?, ?)",
        {code, tipo, simples, std::string("CEP-") + uf, aliq_st, text_or_null(suframa)});
  }

  static void rule(const Rule& r) {
    exec(
        "INSERT INTO {REDUCAO} (TABFIS, ESTADO, TIPO, TRIBUTACAO, TP_OPER, MOD_CALC, REDUCAO, ALIQ_INT, "
        "ALIQ_ST,"
        " RED_ST, PERC_FCP, NATUREZA, TABTRIB, DESTACA_IMP) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?)",
        {r.tabfis, r.estado, r.tipo, r.tributacao, r.tp_oper, text_or_null(r.mod_calc), r.reducao, r.aliq_int,
         r.aliq_st, r.red_st, r.perc_fcp, text_or_null(r.natureza), text_or_null(r.tabtrib),
         text_or_null(r.destaca_imp)});
  }

  static void nature(const char* code, const char* tipo, const char* cons_final, const char* cfop) {
    exec("INSERT INTO {NATUREZA} (NATUREZA, DESCRICAO, TIPO, CONS_FINAL, CFOP) VALUES (?, 'TESTE', ?, ?, ?)",
         {code, tipo, cons_final, cfop});
  }
};

TEST_F(Icms, DeferralDefersTheRulesShareOfTheItemsIcms) {
  state("XA", 12, 18, 0);
  customer("IC-A", "XA", "2", "N");
  rule({"D8", "XA", "2", "N", "8", 33.33, 0, 0, 0, 0, "5102", "051"});
  rule({"D10", "XA", "2", "N", "10", 50});
  rule({"DN", "XA", "2", "N", "8", 33.33, 0, 0, 0, 0, "5102", "051", "N"});

  const struct {
    const char* tabfis;
    const char* tp_oper;
    double base, aliquota;
    double result, diferido, icms_operacao;
    const char* natureza;  // after the call; the caller passes "KEEP"
  } kCases[] = {
      // 33.33 % of 120.00 is 39.996: 40.00 in cents.
      {"D8", "", 1000, 12, 33.33, 40.00, 0, "5102"},
      {"D8", "V", 1000, 12, 33.33, 40.00, 0, "5102"},
      {"D8", "D", 1000, 12, 0, 0, 0, "KEEP"},  // no rule for returns
      // 880.00 with the 12 % inside the price is 1000.00, whose ICMS is 120.00.
      {"D10", "", 880, 12, 50, 60.00, 120.00, "KEEP"},
      // A rule that does not show the tax defers nothing, percentage or not.
      {"DN", "", 1000, 12, 33.33, 0, 0, "5102"},
      // A rate of 100 leaves no base to gross up.
      {"D10", "", 880, 100, 50, 0, 0, "KEEP"},
      {"NONE", "", 1000, 12, 0, 0, 0, "KEEP"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.tabfis) + " aliquota " + std::to_string(c.aliquota));
    std::string natureza = "KEEP", tabtrib = "KEEP";
    double diferido = -1, operacao = -1;
    const double result = CalculaDiferimentoICMS(c.tabfis, "IC-A", c.tp_oper, c.base, c.aliquota, natureza,
                                                 tabtrib, diferido, operacao);
    expect_amount(result, c.result, "result");
    expect_amount(diferido, c.diferido, "ValorDiferido");
    expect_amount(operacao, c.icms_operacao, "ValorICMSOperacao");
    EXPECT_EQ(natureza, c.natureza);
    EXPECT_EQ(tabtrib, std::string(c.natureza) == "5102" ? "051" : "KEEP");
  }
}

TEST_F(Icms, ReductionAndExemptionReadTheirOwnModes) {
  state("XB", 12, 18, 0);
  customer("IC-B", "XB", "2", "N");
  customer("IC-AM", "XB", "2", "S", 0, "200100300");
  customer("IC-BLANK", "XB", "2", "S", 0, "");
  rule({"R9", "XB", "2", "N", "9", 41.67, 0, 0, 0, 0, "5101", "020", "S"});
  rule({"R9", "XB", "2", "N", "8", 10});  // another mode of the same item
  rule({"R9E", "XB", "2", "N", "9", 25, 0, 0, 0, 0, nullptr, nullptr, nullptr});
  rule({"S11", "XB", "2", "S", "11", 0, 7, 0, 0, 0, "6109", "040"});

  std::string natureza = "KEEP", tabtrib = "KEEP", destaca = "KEEP";
  EXPECT_EQ(CalculaReducaoICMS("R9", "IC-B", "", natureza, tabtrib, destaca), 41.67);
  EXPECT_EQ(natureza + "|" + tabtrib + "|" + destaca, "5101|020|S");
  natureza = tabtrib = destaca = "KEEP";
  EXPECT_EQ(CalculaReducaoICMS("R9E", "IC-B", "V", natureza, tabtrib, destaca), 25);
  EXPECT_EQ(natureza + "|" + tabtrib + "|" + destaca, "KEEP|KEEP|KEEP");
  EXPECT_EQ(CalculaReducaoICMS("S11", "IC-B", "V", natureza, tabtrib, destaca), 0);

  const struct {
    const char* cliente;
    double expected;
  } kCases[] = {
      {"IC-AM", 86.42},  // 7 % of 1234.56 is 86.4192
      {"IC-BLANK", 0},   // a blank SUFRAMA registration is none
      {"IC-B", 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.cliente);
    natureza = tabtrib = "KEEP";
    expect_amount(CalculaDesoneracaoICMS("S11", c.cliente, "", 1234.56, natureza, tabtrib), c.expected,
                  "exempted");
    EXPECT_EQ(natureza, c.expected > 0 ? "6109" : "KEEP");
  }
}

TEST_F(Icms, SubstitutionByModeAndByTheCustomersFactor) {
  state("XC", 12, 18, 0);
  state("XD", 12, 18, 2);
  state("XE", 12, 0, 2);
  customer("IC-C", "XC", "2", "N");
  customer("IC-D", "XD", "2", "N");
  customer("IC-F", "XD", "2", "N", 0.35);
  customer("IC-Z", "XE", "2", "N", 0.35);

  // Every case: BaseICMS 100.00 and an item ST base of 100.00 coming in.
  const struct {
    const char* cliente;
    const char* mode;
    double reducao, aliq_int, aliq_st, red_st, perc_fcp;
    double aliq_icms, quantidade, base_st_in;
    double result, base_st, mva, fcp;
  } kCases[] = {
      // 140.00 at 18 % is 25.20, less the own 12.00.
      {"IC-C", "4", 0.40, 18, 0, 0, 0, 12, 1, 100, 13.20, 140.00, 40, 0},
      {"IC-C", "0", 0.40, 18, 0, 0, 2, 12, 1, 100, 13.20, 140.00, 40, 2.80},
      // No mode counts as "0"; no rate of the rule takes the state's.
      {"IC-D", nullptr, 0.40, 0, 0, 0, 0, 12, 1, 100, 13.20, 140.00, 40, 2.80},
      {"IC-C", "4", 0.40, 18, 0, 10, 0, 12, 1, 100, 10.68, 126.00, 40, 0},
      {"IC-C", "4", 0.40, 18, 7, 0, 0, 12, 1, 100, 18.20, 140.00, 40, 0},
      // Own ICMS above the ST: a negative amount and no FCP.
      {"IC-D", "4", 0, 7, 0, 0, 0, 12, 1, 100, -5.00, 100.00, 0, 0},
      // 10 units at 15.00: base 150.00, 18 % of it 27.00, less 12 % of 100.00.
      {"IC-C", "5", 15, 18, 0, 0, 0, 12, 10, 100, 15.00, 150.00, 50, 0},
      {"IC-C", "5", 15, 18, 0, 0, 0, 0, 10, 100, 15.00, 150.00, 50, 0},  // the state's 12 %
      // No item base: no own ICMS and no added value to state.
      {"IC-D", "5", 15, 18, 0, 0, 0, 12, 10, 0, 27.00, 150.00, 0, 3.00},
      {"IC-D", "1", 0.40, 18, 0, 0, 0, 12, 1, 100, 0, 100, -1, 0},
      {"IC-D", "2", 0.40, 18, 0, 0, 0, 12, 1, 100, 0, 100, -1, 0},
      {"IC-D", "3", 0.40, 18, 0, 0, 0, 12, 1, 100, 0, 100, -1, 0},
      // The customer's factor overrides every mode: 35.00 of ST, and the base
      // that 35.00 + 12.00 make at the state's 18 %.
      {"IC-F", "4", 0.40, 18, 0, 0, 0, 12, 1, 100, 35.00, 47 / 0.18, 35, 5.22},
      {"IC-F", "2", 0.40, 18, 0, 0, 0, 12, 1, 100, 35.00, 47 / 0.18, 35, 5.22},
      {"IC-F", "5", 15, 18, 0, 0, 0, 12, 10, 100, 35.00, 47 / 0.18, 35, 5.22},
      // A state without an internal rate gives no base (and so no FCP).
      {"IC-Z", "4", 0.40, 18, 0, 0, 0, 12, 1, 100, 35.00, 0, 35, 0},
  };
  int n = 0;
  for (const auto& c : kCases) {
    const std::string tabfis = "ST" + std::to_string(++n);
    SCOPED_TRACE(tabfis + " " + c.cliente + " mode " + (c.mode ? c.mode : "NULL"));
    const std::string uf = std::string(c.cliente) == "IC-C"   ? "XC"
                           : std::string(c.cliente) == "IC-Z" ? "XE"
                                                              : "XD";
    rule({tabfis.c_str(), uf.c_str(), "2", "N", c.mode, c.reducao, c.aliq_int, c.aliq_st, c.red_st,
          c.perc_fcp, "6401", "10", "S"});
    double base_st = c.base_st_in, mva = -1, fcp = -1;
    std::string natureza, tabtrib, destaca;
    const double result = CalculaSubstituicaoTributariaICMS(
        tabfis, c.cliente, "", 100, c.aliq_icms, c.quantidade, base_st, mva, fcp, natureza, tabtrib, destaca);
    expect_amount(result, c.result, "result");
    expect_amount(base_st, c.base_st, "BaseST");
    expect_amount(mva, c.mva, "MVA");
    expect_amount(fcp, c.fcp, "ValorFCPST");
    EXPECT_EQ(natureza + "|" + tabtrib + "|" + destaca, "6401|10|S");
  }

  // Without a rule the item's figures stay, but the FCP is cleared.
  double base_st = 100, mva = 7, fcp = 9;
  std::string natureza = "KEEP", tabtrib = "KEEP", destaca = "KEEP";
  EXPECT_EQ(CalculaSubstituicaoTributariaICMS("NONE", "IC-C", "V", 100, 12, 1, base_st, mva, fcp, natureza,
                                              tabtrib, destaca),
            0);
  EXPECT_EQ(base_st, 100);
  EXPECT_EQ(mva, 7);
  EXPECT_EQ(fcp, 0);
  EXPECT_EQ(natureza + tabtrib + destaca, "KEEPKEEPKEEP");
}

TEST_F(Icms, DadosSTItemComparesTheModeAsText) {
  state("XC", 12, 18, 0);
  customer("IC-C", "XC", "2", "N");
  rule({"DS10", "XC", "2", "N", "10", 0, 0, 0, 10});  // "10" sorts before "5"
  rule({"DS4", "XC", "2", "N", "4", 0, 20, 0, 0});
  rule({"DS6", "XC", "2", "N", "6", 0, 20, 0, 5});

  const struct {
    const char* tabfis;
    const char* tp_oper;
    double red_st, aliq_interna;
  } kCases[] = {
      {"DS10", "V", 10, 18},
      {"DS4", "V", 0, 20},
      {"DS6", "V", 0, 0},
      {"DS4", "", 0, 0},  // the operation type is taken as given
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.tabfis);
    double red_st = -1, aliq = -1;
    DadosSTItem(c.tabfis, "IC-C", c.tp_oper, red_st, aliq, "");
    EXPECT_EQ(red_st, c.red_st);
    EXPECT_EQ(aliq, c.aliq_interna);
  }
}

class Difal : public Icms {
 protected:
  void SetUp() override {
    // A final consumer in a state with 7 % interstate, 20.5 % internal, 2 % FCP.
    state("XF", 7, 20.5, 2);
    customer("IC-CF", "XF", "1", "M");
    nature("IC61", "V", "S", "6108");
    nature("2999", "V", "S", "");
  }

  struct Outputs {
    double fcp = 99, difal = 99, base = 99, aliq = 99;
  };

  static Outputs difal(const char* natureza, const char* tabfis, double aliq_icms, double base,
                       double perc_reducao = 0, const char* cliente = "IC-CF") {
    Outputs o;
    EXPECT_EQ(CalculaDIFALICMS(natureza, cliente, tabfis, aliq_icms, base, perc_reducao, o.fcp, o.difal,
                               o.base, o.aliq, TDateTime{}, false),
              0);
    return o;
  }
};

TEST_F(Difal, NothingIsOwedOutsideInterstateSalesToFinalConsumers) {
  nature("IC51", "V", "S", "5102");
  nature("ICNC", "V", "N", "6102");
  nature("ICR", "R", "S", "6108");
  nature("ICX5", "V", "S", "");  // no CFOP: the code itself is tested
  for (const char* natureza : {"IC51", "ICNC", "ICR", "ICX5", "NOPE"}) {
    SCOPED_TRACE(natureza);
    const Outputs o = difal(natureza, "DF0", 7, 1000);
    EXPECT_EQ(o.fcp, 0);
    EXPECT_EQ(o.difal, 0);
    EXPECT_EQ(o.base, 0);
    EXPECT_EQ(o.aliq, 0);
  }
}

TEST_F(Difal, DestinationShareFcpAndBase) {
  rule({"DF6", "XF", "1", "M", "6", 0, 18, 0, 0, 1});
  rule({"DF7", "XF", "1", "M", "7", 18});
  rule({"DF100", "XF", "1", "M", "7", 18, 100});
  rule({"DFR", "SP", "2", "N", "9", 40});  // the company's own state
  rule({"DFR", "XZ", "2", "N", "9", 40});
  const struct {
    const char* natureza;
    const char* tabfis;
    double aliq_icms, base, perc_reducao;
    const char* crt;
    const char* company_state;
    double fcp, difal, base_difal, aliq_interna;
  } kCases[] = {
      // 20.5 % of 1000.00 less the origin's 70.00; FCP 2 % of the base.
      {"IC61", "DF0", 7, 1000, 0, "3", "SP", 20.00, 135.00, 1000, 20.5},
      {"2999", "DF0", 7, 1000, 0, "3", "SP", 20.00, 135.00, 1000, 20.5},
      {"IC61", "DF0", 7, 1000, 0, "1", "SP", 20.00, 0, 1000, 0},      // simple regime
      {"IC61", "DF0", 25, 1000, 0, "3", "SP", 20.00, 0, 1000, 20.5},  // negative: 0
      // The origin's 2.675 goes up to 2.68: 54.8375 - 2.68.
      {"IC61", "DF0", 1, 267.5, 0, "3", "SP", 5.35, 52.16, 267.5, 20.5},
      {"IC61", "DF6", 7, 1000, 0, "3", "SP", 10.00, 110.00, 1000, 18},
      // Double base: (1000.00 - 70.00) / 0.795 = 1169.81...
      {"IC61", "DF7", 7, 1000, 0, "3", "SP", 23.40, 169.81, 930 / 0.795, 20.5},
      {"IC61", "DF7", 7, 1000, 0, "1", "SP", 23.40, 0, 930 / 0.795, 18},  // the rule's figure stays
      // An internal rate of 100 leaves no double base.
      {"IC61", "DF100", 7, 1000, 0, "3", "SP", 0, 0, 0, 100},
      // The own state's 40 % reduction: 18 % of 600.00 less 70.00; of 750.00
      // when the item's own 20 % reduction is taken out first.
      {"IC61", "DFR", 7, 1000, 0, "3", "SP", 20.00, 38.00, 1000, 20.5},
      {"IC61", "DFR", 7, 1000, 20, "3", "SP", 20.00, 65.00, 1000, 20.5},
      {"IC61", "DFR", 7, 1000, 100, "3", "SP", 20.00, 0, 1000, 20.5},
      // An own state without a rate row counts as rate 1: 6.00 less 5.00.
      {"IC61", "DFR", 0.5, 1000, 0, "3", "XZ", 20.00, 1.00, 1000, 20.5},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.natureza) + " " + c.tabfis + " CRT " + c.crt + " aliq " +
                 std::to_string(c.aliq_icms));
    test::ScopedValue<std::string> crt(Tabela.company.crt, c.crt);
    test::ScopedValue<std::string> uf(Tabela.company.state, c.company_state);
    const Outputs o = difal(c.natureza, c.tabfis, c.aliq_icms, c.base, c.perc_reducao);
    expect_amount(o.fcp, c.fcp, "ValorFCP");
    expect_amount(o.difal, c.difal, "ValorDIFAL");
    expect_amount(o.base, c.base_difal, "BaseDIFAL");
    expect_amount(o.aliq, c.aliq_interna, "AliqInterna");
  }
}

TEST_F(Icms, CodesAreBoundAsTyped) {
  state("XC", 12, 18, 0);
  customer("IC'Q--;", "XC", "2", "N");
  rule({"Q'1", "XC", "2", "N", "9", 12.5});
  std::string natureza, tabtrib, destaca;
  // A stored code with a quote, "--" and ";" finds its own rule.
  EXPECT_EQ(CalculaReducaoICMS("Q'1", "IC'Q--;", "V", natureza, tabtrib, destaca), 12.5);
  // Hostile codes that match nothing find nothing and break nothing.
  const char* kHostile[] = {"IC' OR '1'='1", "X'; DELETE FROM REDUCAO_001; --", "'", "0123456789ABCDEFGHIJ"};
  for (const char* code : kHostile) {
    SCOPED_TRACE(code);
    EXPECT_EQ(CalculaReducaoICMS("Q'1", code, "V", natureza, tabtrib, destaca), 0);
    EXPECT_EQ(CalculaReducaoICMS(code, "IC'Q--;", "V", natureza, tabtrib, destaca), 0);
    double fcp, difal, base, aliq;
    EXPECT_EQ(CalculaDIFALICMS(code, code, code, 7, 100, 0, fcp, difal, base, aliq), 0);
    EXPECT_EQ(difal, 0);
  }
  EXPECT_EQ(test::number(DBLocal_SQL("SELECT COUNT(*) FROM {REDUCAO} WHERE TABFIS = 'Q''1'")), 1);
}

}  // namespace
}  // namespace zpk
