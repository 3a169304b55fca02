// Commission rules on a real database: the eleven levels from the most
// specific rule to the least, the lowest discount bound winning within a
// level, bands and terms, a zero rule passing on; the recalculation of an
// order (average by FIN 10, written item percentages kept, the order's split
// taken from the customer's) and its all-or-nothing write.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database_error.hpp"
#include "platform/rtl/variant.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "receivables/comissao_item.hpp"
#include "support/database_fixture.hpp"
#include "support/engine_sql.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

// A rule; nullptr stands for NULL in the item columns.
struct Regra {
  const char* codrep = "R1";
  double desc_de = 0;
  double desc_ate = 100;
  std::optional<int> prazo_de = std::nullopt;
  std::optional<int> prazo_ate = std::nullopt;
  const char* regiao = nullptr;
  const char* produto = nullptr;
  const char* grupo = nullptr;
  const char* linha = nullptr;
  const char* marca = nullptr;
  double comissao = 0;
};

Variant text_or_null(const char* v) {
  return v ? Variant(std::string(v)) : Variant::MakeNull();
}

void regra(const Regra& r) {
  test::exec(
      "INSERT INTO GRUPO_COMISSAO_001 (CODREP, DESC_DE, DESC_ATE, PRAZO_DE, PRAZO_ATE, REGIAO, PRODUTO, "
      "GRUPO,"
      " LINHA, MARCA, COMISSAO) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {r.codrep, r.desc_de, r.desc_ate, r.prazo_de ? Variant(*r.prazo_de) : Variant::MakeNull(),
       r.prazo_ate ? Variant(*r.prazo_ate) : Variant::MakeNull(), text_or_null(r.regiao),
       text_or_null(r.produto), text_or_null(r.grupo), text_or_null(r.linha), text_or_null(r.marca),
       r.comissao});
}

class ComissaoItem : public test::DatabaseTest {
 protected:
  void SetUp() override { test::exec("DELETE FROM GRUPO_COMISSAO_001"); }

  // The item every look-up below asks about.
  static double busca(double desconto = 0, int prazo = 30, const char* codrep = "R1") {
    return BuscarComissaoItem(codrep, "SUL", "P1", "G1", "L1", "M1", desconto, prazo);
  }
};

TEST_F(ComissaoItem, MostSpecificLevelWinsAndEachLevelCounts) {
  // One rule per level, its percentage the level's number; an empty cell is
  // NULL or the empty string alike.
  const Regra kLevels[] = {
      {.regiao = "SUL", .produto = "P1", .grupo = "", .comissao = 1},
      {.regiao = "SUL", .grupo = "G1", .linha = "L1", .marca = "", .comissao = 2},
      {.regiao = "SUL", .produto = "", .grupo = "G1", .comissao = 3},
      {.regiao = "SUL", .linha = "L1", .comissao = 4},
      {.regiao = "SUL", .marca = "M1", .comissao = 5},
      {.regiao = "SUL", .comissao = 6},
      {.regiao = "", .produto = "P1", .comissao = 7},
      {.grupo = "G1", .linha = "L1", .comissao = 8},
      {.grupo = "G1", .comissao = 9},
      {.linha = "L1", .comissao = 10},
      {.marca = "M1", .comissao = 11},
  };
  // Rules that name another item, region or representative never count.
  regra({.regiao = "NORTE", .produto = "P1", .comissao = 50});
  regra({.produto = "P2", .comissao = 51});
  regra({.codrep = "R2", .regiao = "SUL", .produto = "P1", .comissao = 52});
  regra({.grupo = "G1", .linha = "L1", .marca = "M1", .comissao = 53});  // no level names three columns
  for (const Regra& r : kLevels) regra(r);

  for (int level = 1; level <= 11; ++level) {
    SCOPED_TRACE(level);
    EXPECT_DOUBLE_EQ(busca(), level);
    test::exec("DELETE FROM GRUPO_COMISSAO_001 WHERE COMISSAO = ?", {level});
  }
  EXPECT_DOUBLE_EQ(busca(), 0);
}

TEST_F(ComissaoItem, BandsTermsAndTheWinnerWithinALevel) {
  const struct {
    const char* name;
    std::vector<Regra> regras;
    double desconto;
    int prazo;
    double expected;
  } kCases[] = {
      {"the lowest DESC_DE wins, a '*' rule over the representative's",
       {{.desc_de = 5, .desc_ate = 20, .produto = "P1", .comissao = 7},
        {.codrep = "*", .desc_de = 0, .desc_ate = 20, .produto = "P1", .comissao = 4}},
       6,
       30,
       4},
      {"the representative's rule when its DESC_DE is the lower",
       {{.desc_de = 0, .desc_ate = 20, .produto = "P1", .comissao = 7},
        {.codrep = "*", .desc_de = 2, .desc_ate = 20, .produto = "P1", .comissao = 4}},
       6,
       30,
       7},
      {"discount band bounds are inclusive",
       {{.desc_de = 5, .desc_ate = 10, .produto = "P1", .comissao = 3}},
       10,
       30,
       3},
      {"a discount above the band",
       {{.desc_de = 5, .desc_ate = 10, .produto = "P1", .comissao = 3}},
       10.01,
       30,
       0},
      {"a discount below the band",
       {{.desc_de = 5, .desc_ate = 10, .produto = "P1", .comissao = 3}},
       4.99,
       30,
       0},
      {"terms 0 and 0 match any term",
       {{.prazo_de = 0, .prazo_ate = 0, .produto = "P1", .comissao = 3}},
       0,
       120,
       3},
      {"terms NULL match any term", {{.produto = "P1", .comissao = 3}}, 0, 120, 3},
      {"terms 0 to 30 match 30",
       {{.prazo_de = 0, .prazo_ate = 30, .produto = "P1", .comissao = 3}},
       0,
       30,
       3},
      {"terms 0 to 30 do not match 31",
       {{.prazo_de = 0, .prazo_ate = 30, .produto = "P1", .comissao = 3}},
       0,
       31,
       0},
      {"a zero rule passes on to the next level",
       {{.regiao = "SUL", .produto = "P1", .comissao = 0}, {.grupo = "G1", .comissao = 2.75}},
       0,
       30,
       2.75},
      {"a zero winner passes on although a lower rule of its level has one",
       {{.desc_de = 0, .produto = "P1", .comissao = 0},
        {.desc_de = 1, .produto = "P1", .comissao = 9},
        {.marca = "M1", .comissao = 1.5}},
       2,
       30,
       1.5},
      {"another representative's rule", {{.codrep = "R2", .produto = "P1", .comissao = 3}}, 0, 30, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    test::exec("DELETE FROM GRUPO_COMISSAO_001");
    for (const Regra& r : c.regras) regra(r);
    EXPECT_DOUBLE_EQ(busca(c.desconto, c.prazo), c.expected);
  }
}

TEST_F(ComissaoItem, ValuesLongerThanTheirColumnsMatchNothingAndQuotesAreTexts) {
  regra({.codrep = "*", .produto = "P'1--", .comissao = 4});
  regra({.codrep = "*", .grupo = "G1", .comissao = 2});
  EXPECT_DOUBLE_EQ(BuscarComissaoItem("R1", "SUL", "P'1--", "", "", "", 0, 0), 4);
  // A product code longer than the column skips the product levels only.
  EXPECT_DOUBLE_EQ(BuscarComissaoItem("R1", "SUL", std::string(40, 'P'), "G1", "", "", 0, 0), 2);
  EXPECT_DOUBLE_EQ(BuscarComissaoItem("REPRESENTANTE", "SUL", "P'1--", "", "", "", 0, 0), 4);
}

// Orders for the recalculation: customer C1 (COM1 3, COM2 1), representatives
// R1 (defaults 4 and 2) and R2, products P1 (group G1) and P2 (group G2).
class RecalculoComissao : public ComissaoItem {
 protected:
  void SetUp() override {
    ComissaoItem::SetUp();
    test::exec("DELETE FROM CLI_COM_001 WHERE CODCLI = '000601'");
    test::exec(
        "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, COM1, COM2) VALUES ('000601', 'C1', 3, 1) "
        "MATCHING (CODCLI)");
    test::exec(
        "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, COM1, COM2) VALUES ('000602', 'C2', 0, 0) "
        "MATCHING (CODCLI)");
    test::exec(
        "UPDATE OR INSERT INTO REPRESEN_001 (CODREP, NOME, COMISSAO, COMISSAO2) VALUES ('R1', 'REP UM', 4, "
        "2) "
        "MATCHING (CODREP)");
    test::exec(
        "UPDATE OR INSERT INTO REPRESEN_001 (CODREP, NOME, COMISSAO, COMISSAO2) VALUES ('R2', 'REP DOIS', 1, "
        "0) "
        "MATCHING (CODREP)");
    test::exec("UPDATE OR INSERT INTO PRODUTO_001 (CODIGO, GRUPO) VALUES ('P1', 'G1') MATCHING (CODIGO)");
    test::exec("UPDATE OR INSERT INTO PRODUTO_001 (CODIGO, GRUPO) VALUES ('P2', 'G2') MATCHING (CODIGO)");
    regra({.codrep = "*", .grupo = "G1", .comissao = 5});
    Tabela.IBTransaction.CommitRetaining();
  }
  static void parametro(const std::string& valor) { test::set_parameter("FIN", 10, valor); }
  // Order numero of customer codcli and R1 with two items of 1000: P1 (5 %
  // by rule) and P2 (no rule).
  static void pedido(const std::string& numero, const char* codcli = "000601") {
    test::exec(
        "INSERT INTO PEDIDO_001 (NUMERO, CODCLI, CODREP, PGTO, COM1, COM2) VALUES (?, ?, 'R1', '030', 0, 0)",
        {numero, codcli});
    test::exec(
        "INSERT INTO PED_ITEN_001 (NUMERO, CODIGO, COR, TAM, ORDEM, QTDE, QTDE_F, PRECO, DESCONTO) VALUES "
        "(?, 'P1', '01', 'M', 1, 80, 20, 10, '2,5')",
        {numero});
    test::exec(
        "INSERT INTO PED_ITEN_001 (NUMERO, CODIGO, COR, TAM, ORDEM, QTDE, QTDE_F, PRECO, DESCONTO) VALUES "
        "(?, 'P2', NULL, NULL, 2, 100, 0, 10, NULL)",
        {numero});
  }
  static std::vector<std::string> itens(const std::string& numero) {
    return test::rows("SELECT CODIGO, PERC_COMISSAO FROM PED_ITEN_001 WHERE NUMERO = ? ORDER BY ORDEM",
                      {numero});
  }
  static std::vector<std::string> split(const std::string& numero) {
    return test::rows(
        "SELECT CODREP, COM1, COM2 FROM PED_COM_001 WHERE NUMERO = ? "
        "ORDER BY CODREP",
        {numero});
  }
  static std::string comissoes_pedido(const std::string& numero) {
    return test::rows("SELECT COM1, COM2 FROM PEDIDO_001 WHERE NUMERO = ?", {numero}).at(0);
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

TEST_F(RecalculoComissao, AverageGoesWhereFin10Says) {
  // 1000 at 5 % and 1000 without a rule: 50 over 2000 is 2.5 %. Without a
  // split of its own or of its customer, R1 gets one row with the
  // customer's defaults, and the average replaces what the mode names.
  const struct {
    const char* modo;
    const char* pedido;
    const char* split;
  } kCases[] = {
      {"1", "2,5|1", "R1|2,5|1"},
      {"2", "3|2,5", "R1|3|2,5"},
      {"3", "2,5|2,5", "R1|2,5|2,5"},
      {"9", "3|1", "R1|3|1"},
  };
  int n = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.modo);
    const std::string numero = "CM10" + std::to_string(++n);
    pedido(numero);
    parametro(c.modo);
    RecalcularComissaoPedido(numero);
    EXPECT_EQ(itens(numero), (std::vector<std::string>{"P1|5", "P2|0"}));
    EXPECT_EQ(comissoes_pedido(numero), c.pedido);
    EXPECT_EQ(split(numero), (std::vector<std::string>{c.split}));
    test::OtherStation other;  // committed
    EXPECT_EQ(test::number("SELECT COUNT(*) FROM LOG WHERE CHAVE = ? AND DESCRICAO = ?",
                           {numero, "AJUSTE DE COMISSAO NOS ITENS DO PEDIDO " + numero}, other.db()),
              1);
  }
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(RecalculoComissao, RerunKeepsWrittenItemPercentagesButRecomputesTheAverage) {
  parametro("1");
  pedido("CM201");
  RecalcularComissaoPedido("CM201");
  test::exec("UPDATE GRUPO_COMISSAO_001 SET COMISSAO = 10");
  RecalcularComissaoPedido("CM201");
  EXPECT_EQ(itens("CM201"), (std::vector<std::string>{"P1|5", "P2|0"}));
  // The order's split now exists: its main row gets 1000 at 10 % over 2000.
  EXPECT_EQ(comissoes_pedido("CM201"), "5|1");
  EXPECT_EQ(split("CM201"), (std::vector<std::string>{"R1|5|1"}));
}

TEST_F(RecalculoComissao, OrderWithoutItsOwnSplitTakesTheCustomersWhole) {
  parametro("1");
  test::exec("INSERT INTO CLI_COM_001 (CODCLI, CODREP, COM1, COM2) VALUES ('000601', 'R1', 2, 0.5)");
  test::exec("INSERT INTO CLI_COM_001 (CODCLI, CODREP, COM1, COM2) VALUES ('000601', 'R2', 1.5, 0)");
  pedido("CM301");
  RecalcularComissaoPedido("CM301");
  EXPECT_EQ(split("CM301"), (std::vector<std::string>{"R1|2,5|0,5", "R2|1,5|0"}));
}

TEST_F(RecalculoComissao, NoRuleKeepsTheDefaultsAndAnUnknownOrderIsTold) {
  parametro("3");
  pedido("CM401", "000602");  // customer without percentages: R1's defaults
  test::exec("DELETE FROM GRUPO_COMISSAO_001");
  RecalcularComissaoPedido("CM401");
  EXPECT_EQ(itens("CM401"), (std::vector<std::string>{"P1|0", "P2|0"}));
  EXPECT_EQ(comissoes_pedido("CM401"), "4|2");
  EXPECT_TRUE(split("CM401").empty());

  RecalcularComissaoPedido("CM499");
  ASSERT_EQ(dialogs_.records().size(), 1u);
  EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
  EXPECT_EQ(dialogs_.last().text, "Pedido inválido.");
  EXPECT_EQ(dialogs_.last().type, mtInformation);
  EXPECT_EQ(test::number("SELECT COUNT(*) FROM LOG WHERE CHAVE = 'CM499'"), 0);
}

// A failing statement late in the recalculation (here the order's update,
// refused by a trigger) undoes the item percentages, the split and the log.
class RecalculoComissaoFalha : public RecalculoComissao {};

TEST_F(RecalculoComissaoFalha, AFailingStatementWritesNothing) {
  test::refuse_rows("T_COMISSAO_TESTE", "PEDIDO_001", "UPDATE", "NUMERO", "CM501");
  parametro("1");
  pedido("CM501");
  Tabela.IBTransaction.CommitRetaining();

  EXPECT_THROW(RecalcularComissaoPedido("CM501"), EDatabaseError);
  EXPECT_EQ(itens("CM501"), (std::vector<std::string>{"P1|", "P2|"}));
  EXPECT_TRUE(split("CM501").empty());
  EXPECT_EQ(comissoes_pedido("CM501"), "0|0");
  EXPECT_EQ(test::number("SELECT COUNT(*) FROM LOG WHERE CHAVE = 'CM501'"), 0);
}

}  // namespace
}  // namespace zpk
