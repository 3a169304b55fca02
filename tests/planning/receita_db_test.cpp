// Dye-recipe costing on a real database: each component's cost to the cent,
// the preparation and the price modes, the dosage rules, and which recipes a
// recalculation selects and what it stores.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "planning/receita.hpp"
#include "planning/regras_dosagem.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "platform/ui/progress_bar.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::exec;
using Rows = std::vector<std::string>;

class ReceitaTest : public test::DatabaseTest {};

void material(const std::string& codigo, double reposicao, double concentracao = 0,
              const std::string& linha = "", const std::string& grupo = "") {
  exec(
      "UPDATE OR INSERT INTO MATERIAL_001 (CODIGO, REPOSICAO, CONCENTRACAO, LINHA, GRUPO) VALUES (?, ?, ?, "
      "?, ?) "
      "MATCHING (CODIGO)",
      {codigo, reposicao, concentracao, linha, grupo});
}

// A recipe head on a bath of `proporcao` litres per kg and a variant of `indice` % fibre 1.
void receita(const std::string& codigo, const std::string& cor, const std::string& variante, double indice,
             double proporcao, const std::string& preparacao = "") {
  exec("UPDATE OR INSERT INTO VARIANTE_001 (CODIGO, INDICE) VALUES (?, ?) MATCHING (CODIGO)",
       {variante, indice});
  const std::string banho = "T-B" + std::to_string(static_cast<int>(proporcao));
  exec("UPDATE OR INSERT INTO BANHO_001 (CODIGO, PROPORCAO) VALUES (?, ?) MATCHING (CODIGO)",
       {banho, proporcao});
  exec(
      "INSERT INTO RECEITA_001 (CODIGO, COR, VARIANTE, PREPARACAO, COD_BANHO, CUSTO) VALUES (?, ?, ?, ?, ?, "
      "0)",
      {codigo, cor, variante, preparacao, banho});
}

void componente(const std::string& receita, const std::string& variante, const std::string& mat,
                const std::string& fibra, const std::string& unidade, double qtde,
                const std::string& regra = "") {
  exec(
      "INSERT INTO MAT_TIN_001 (RECEITA, VARIANTE, CODIGO, FIBRA, UNIDADE, QTDE, REGRA) VALUES (?, ?, ?, ?, "
      "?, ?, ?)",
      {receita, variante, mat, fibra, unidade, qtde, regra});
}

void regra(const std::string& codigo, const std::string& tipo, const std::string& linha, double de,
           double ate, double resultado) {
  exec("INSERT INTO TNG_REGRA_001 (CODIGO, TIPO, LINHA, QTDE_DE, QTDE_ATE, QTDE_R) VALUES (?, ?, ?, ?, ?, ?)",
       {codigo, tipo, linha, de, ate, resultado});
}

TEST_F(ReceitaTest, CostsEachComponentPerKgToTheCent) {
  material("T-SUB", 4);
  exec("INSERT INTO CONTRATIPO_001 (CODIGO, MATERIAL, CONCENT, ATIVO) VALUES ('T-SUB', 'T-ATIVO', 150, 'S')");
  exec(
      "INSERT INTO CONTRATIPO_001 (CODIGO, MATERIAL, CONCENT, ATIVO) VALUES ('T-SUB', 'T-INATIVO', 150, "
      "'N')");
  const struct {
    const char* caso;
    const char* mat;
    double preco, concentracao, indice, proporcao;
    const char* fibra;
    const char* unidade;
    double qtde;
    const char* regra;
    double custo;
  } kCases[] = {
      // 2 g/l x 10 l/kg = 2000 g per 100 kg -> 2 kg x 50 = 100 -> 1.00 per kg.
      {"GL on the whole fabric", "T-GL", 50, 0, 40, 10, "", "GL", 2, "", 1.00},
      // 1 % x 60 % cotton = 600 g -> 0.6 kg x 20 = 12 -> 0.12 per kg.
      {"% on fibre 2", "T-F2", 20, 0, 40, 10, "2", "%", 1, "", 0.12},
      {"% on fibre 1", "T-F1", 20, 0, 40, 10, "1", "%", 1, "", 0.08},
      {"strength 50 % halves the grams", "T-CONC", 50, 50, 0, 10, "", "GL", 2, "", 0.50},
      // 150 % of 10 g/l = 15 kg at the substitute's 4 -> 60 -> 0.60.
      {"active substitute", "T-ATIVO", 3, 0, 0, 10, "", "GL", 10, "", 0.60},
      {"inactive substitute", "T-INATIVO", 3, 0, 0, 10, "", "GL", 10, "", 0.30},
      {"rule without a row keeps QTDE", "T-REGRA", 50, 0, 0, 10, "", "GL", 2, "T-NADA", 1.00},
      {"another unit costs nothing", "T-KG", 50, 0, 0, 10, "", "KG", 2, "", 0},
      // 1 % = 1 kg per 100 kg at 12.5 -> 0.125 per kg: half away from zero.
      {"half a cent goes up", "T-MEIO", 12.5, 0, 0, 10, "", "%", 1, "", 0.13},
      {"half a cent goes up from an even cent", "T-MEIO2", 62.5, 0, 0, 10, "", "%", 1, "", 0.63},
  };
  int n = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    const std::string codigo = "T-C" + std::to_string(++n);
    material(c.mat, c.preco, c.concentracao);
    receita(codigo, "C1", "T-V" + std::to_string(n), c.indice, c.proporcao);
    componente(codigo, "T-V" + std::to_string(n), c.mat, c.fibra, c.unidade, c.qtde, c.regra);
    EXPECT_DOUBLE_EQ(CustoReceita(codigo, "C1", "T-V" + std::to_string(n), "R"), c.custo);
    // Without the code the colour and variant alone find it.
    EXPECT_DOUBLE_EQ(CustoReceita("", "C1", "T-V" + std::to_string(n), "R"), c.custo);
  }
}

TEST_F(ReceitaTest, AddsThePreparationAndPricesByTheHighestAverageCost) {
  // The demo recipe: dyes 45 + 6, salt by rule 60 g/l 30, substitute 60,
  // preparation 12 + 3 = 156 per 100 kg.
  EXPECT_DOUBLE_EQ(CustoReceita("RC-ART1", "RC-MAR", "RC-V40", "R"), 1.56);

  material("T-MED", 999);
  material("T-MEDSUB", 999);
  exec(
      "INSERT INTO CONTRATIPO_001 (CODIGO, MATERIAL, CONCENT, ATIVO) VALUES ('T-MEDSUB', 'T-MED2', 100, "
      "'S')");
  material("T-MED2", 999);
  for (const auto& [mat, lote, preco] : {std::tuple{"T-MED", "1", 40.0},
                                         {"T-MED", "2", 50.0},
                                         {"T-MEDSUB", "1", 30.0},
                                         {"T-MED2", "1", 70.0}}) {
    exec(
        "INSERT INTO MAT_ITEN_001 (CODIGO, COR, DEPOSITO, LOTE, PRECO_MED, QTDE) VALUES (?, '0', '0000', ?, "
        "?, 1)",
        {mat, lote, preco});
  }
  receita("T-M", "C1", "T-VM", 0, 10);
  componente("T-M", "T-VM", "T-MED", "", "GL", 2);   // 2 kg x 50
  componente("T-M", "T-VM", "T-MED2", "", "GL", 1);  // 1 kg x 30 (the substitute's)
  EXPECT_DOUBLE_EQ(CustoReceita("T-M", "C1", "T-VM", "M"), 1.30);
  EXPECT_DOUBLE_EQ(CustoReceita("T-M", "C1", "T-VM", "R"), 29.97);
  EXPECT_THROW(CustoReceita("T-M", "C1", "T-VM", "X"), EZpkError);
}

TEST_F(ReceitaTest, RuleDosageFollowsTheLineTotalThenTheFallBacks) {
  // The demo recipe holds 2 % of reactive dye on fibre 2: salt 60 g/l.
  EXPECT_DOUBLE_EQ(CalculaQtdeRegra("RC-ART1", "RC-V40", "RC-SAL", 0, 0, 0, "", "", ""), 60);
  // Counted at 50 % of fibre 2 the total is 1 %: 40 g/l.
  EXPECT_DOUBLE_EQ(CalculaQtdeRegra("RC-ART1", "RC-V40", "RC-SAL", 0, 50, 0, "", "", ""), 40);

  // A recipe and its preparation holding the same amount of the line on one
  // fibre: both count (2 %), not one of them.
  material("T-DYE", 10, 100, "RCREAT");
  exec(
      "INSERT INTO PREPARACAO_001 (CODIGO, MATERIAL, FIBRA, UNIDADE, QTDE) VALUES ('T-PD', 'T-DYE', '2', "
      "'%', 1)");
  receita("T-RD", "C1", "T-VD", 40, 10, "T-PD");
  componente("T-RD", "T-VD", "T-DYE", "2", "%", 1);
  EXPECT_DOUBLE_EQ(CalculaQtdeRegra("T-RD", "T-VD", "RC-SAL", 0, 0, 0, "", "", ""), 60);

  regra("T-FB", "L", "RCREAT", 50, 60, 1);  // the line total never reaches it
  regra("T-FB", "M", "LM", 5, 10, 11);
  regra("T-FB", "P", "LP", 0, 0, 22);
  regra("T-FB", "C", "LC", 0, 0, 33);
  const struct {
    double qtde_m;
    const char *linha_m, *linha_p, *linha_c;
    double esperado;
  } kCases[] = {
      {7, "LM", "LP", "LC", 11}, {4, "LM", "LP", "LC", 22}, {0, "LM", "LP", "LC", 22},
      {7, "", "", "LC", 33},     {7, "XX", "", "", 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.linha_m) + "/" + c.linha_p + "/" + c.linha_c + " " + std::to_string(c.qtde_m));
    EXPECT_DOUBLE_EQ(
        CalculaQtdeRegra("T-RD", "T-VD", "T-FB", 0, 0, c.qtde_m, c.linha_m, c.linha_p, c.linha_c),
        c.esperado);
  }
}

TEST_F(ReceitaTest, CompositionRuleScalesOnAThousand) {
  material("T-FIB1", 0, 0, "", "G1");
  material("T-FIB2", 0, 0, "", "G1");
  material("T-FIB3", 0, 0, "", "G2");
  for (const auto& [comp, perc] : {std::pair{"T-FIB1", 30.0}, {"T-FIB2", 20.0}, {"T-FIB3", 50.0}}) {
    exec("INSERT INTO COMP_MATERIAL_001 (CODIGO, MATERIAL, PERC) VALUES (?, 'T-MIX', ?)", {comp, perc});
  }
  regra("T-G", "G", "G1", 0, 49.99, 5);
  regra("T-G", "G", "G1", 50, 60, 10);
  // Group G1 holds 50 % of T-MIX: 10 / 100 x (1000 - 50).
  EXPECT_DOUBLE_EQ(CalculaPercRegra("T-MIX", "T-G"), 95);
  // Nothing of the group: Perc 0, 5 / 100 x 1000.
  EXPECT_DOUBLE_EQ(CalculaPercRegra("T-OUTRO", "T-G"), 50);
  EXPECT_DOUBLE_EQ(CalculaPercRegra("T-MIX", "T-NENHUMA"), 0);
}

class RecalculaTest : public test::DatabaseTest {};

// The recipes of the log, sorted.
Rows selecionadas(const Rows& log) {
  Rows out = log;
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(RecalculaTest, SelectsWhatEachFilterMeans) {
  material("T-MAT", 50);
  material("T-OUT", 20);
  exec("INSERT INTO PREPARACAO_001 (CODIGO, MATERIAL, UNIDADE, QTDE) VALUES ('T-P1', 'T-MAT', 'GL', 1)");
  exec("INSERT INTO PREPARACAO_001 (CODIGO, MATERIAL, UNIDADE, QTDE) VALUES ('T-P2', 'T-OUT', 'GL', 1)");
  receita("T-RA", "C1", "T-V1", 0, 10);
  componente("T-RA", "T-V1", "T-MAT", "", "GL", 1);
  receita("T-RB", "C1", "T-V2", 0, 10);
  componente("T-RB", "T-V2", "T-MAT", "", "GL", 1);
  receita("T-RC", "C1", "T-V1", 0, 10, "T-P1");
  componente("T-RC", "T-V1", "T-OUT", "", "GL", 1);
  receita("T-RD", "C1", "T-V2", 0, 10, "T-P1");
  componente("T-RD", "T-V2", "T-OUT", "", "GL", 1);
  receita("T-RE", "C1", "T-V1", 0, 10, "T-P2");
  componente("T-RE", "T-V1", "T-OUT", "", "GL", 1);
  const auto linha = [](const char* r, const char* v) {
    return std::string("Atualizado Receita ") + r + " Variante " + v;
  };
  const struct {
    const char *material, *variante, *preparacoes;
    Rows esperadas;
  } kCases[] = {
      {"T-MAT",
       "",
       "",
       {linha("T-RA", "T-V1"), linha("T-RB", "T-V2"), linha("T-RC", "T-V1"), linha("T-RD", "T-V2")}},
      // The variant holds for the recipes reached through the preparation too (not T-RD).
      {"T-MAT", "T-V1", "", {linha("T-RA", "T-V1"), linha("T-RC", "T-V1")}},
      {"", "T-V1", "", {linha("T-RA", "T-V1"), linha("T-RC", "T-V1"), linha("T-RE", "T-V1")}},
      {"", "", "'T-P2'", {linha("T-RE", "T-V1")}},
      {"", "T-V2", "'T-P1', 'T-P2'", {linha("T-RD", "T-V2")}},
      {"T-NINGUEM", "", "", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.material) + "|" + c.variante + "|" + c.preparacoes);
    Rows log;
    TProgressBar barra;
    EXPECT_EQ(RecalculaReceitas(c.material, c.variante, c.preparacoes, &log, &barra), !c.esperadas.empty());
    EXPECT_EQ(selecionadas(log), c.esperadas);
  }

  // No filter: every recipe, each once.
  Rows log;
  TProgressBar barra;
  EXPECT_TRUE(RecalculaReceitas("", "", "", &log, &barra));
  EXPECT_EQ(static_cast<double>(log.size()),
            test::number("SELECT COUNT(*) FROM (SELECT DISTINCT CODIGO, COR, VARIANTE FROM RECEITA_001)"));
}

TEST_F(RecalculaTest, StoresEachColoursCostAndReportsProgress) {
  material("T-CORANTE", 50);
  material("T-NADA", 50);
  receita("T-RX", "AZUL", "T-VX", 0, 10);
  receita("T-RX", "VERDE", "T-VX", 0, 20);  // another bath: twice the litres
  componente("T-RX", "T-VX", "T-CORANTE", "", "GL", 2);
  receita("T-RZ", "AZUL", "T-VZ", 0, 10);
  componente("T-RZ", "T-VZ", "T-NADA", "", "KG", 2);
  exec("UPDATE RECEITA_001 SET CUSTO = 9.99 WHERE CODIGO = 'T-RZ'");

  HeadlessDialogs dialogs;
  ScopedDialogService guard(dialogs);
  {
    std::vector<std::string> log{"linha antiga"};
    TProgressBar barra("Receitas");
    ASSERT_TRUE(RecalculaReceitas("", "T-VX", "", &log, &barra));
    EXPECT_EQ(log.size(), 2u);  // cleared first, one line per colour
    EXPECT_TRUE(dialogs.progress_visible());
    ASSERT_FALSE(dialogs.progress_history().empty());
    EXPECT_EQ(dialogs.progress_history().back().position, 2);
    EXPECT_EQ(dialogs.progress_history().back().maximum, 2);
    EXPECT_EQ(dialogs.progress_history().back().text, "Receitas");
  }
  EXPECT_FALSE(dialogs.progress_visible());
  EXPECT_TRUE(RecalculaReceitas("T-NADA", "", "", nullptr, nullptr));

  // Committed, each colour with the cost of its own bath; a cost of 0 keeps the stored one.
  test::OtherStation other;
  EXPECT_EQ(
      test::rows("SELECT CODIGO, COR, CUSTO FROM RECEITA_001 WHERE CODIGO IN ('T-RX', 'T-RZ') ORDER BY 1, 2",
                 {}, other.db()),
      (Rows{"T-RX|AZUL|1", "T-RX|VERDE|2", "T-RZ|AZUL|9,99"}));
}

TEST_F(RecalculaTest, CodesAreBoundAndPreparationsMustBeLiterals) {
  const std::string estranho = "T-O'B;--";
  material(estranho, 50);
  exec("INSERT INTO PREPARACAO_001 (CODIGO, MATERIAL, UNIDADE, QTDE) VALUES ('T-P''Q', ?, 'GL', 1)",
       {estranho});
  receita("T-RQ", "C1", "T-VQ", 0, 10, "T-P'Q");
  componente("T-RQ", "T-VQ", "T-OUT2", "", "GL", 1);
  Rows log;
  TProgressBar barra;
  EXPECT_TRUE(RecalculaReceitas(estranho, "", "", &log, &barra));
  EXPECT_EQ(log, Rows{"Atualizado Receita T-RQ Variante T-VQ"});
  EXPECT_TRUE(RecalculaReceitas("", "", "'T-P''Q'", &log, &barra));
  EXPECT_EQ(log, Rows{"Atualizado Receita T-RQ Variante T-VQ"});

  exec("UPDATE RECEITA_001 SET CUSTO = 7 WHERE CODIGO = 'T-RQ'");
  for (const char* lista : {"'T-P''Q') OR (1 = 1", "T-P1", "'A'; DELETE FROM RECEITA_001"}) {
    SCOPED_TRACE(lista);
    EXPECT_THROW(RecalculaReceitas("", "", lista, &log, &barra), EZpkError);
  }
  EXPECT_DOUBLE_EQ(test::number("SELECT CUSTO FROM RECEITA_001 WHERE CODIGO = 'T-RQ'"), 7);
}

}  // namespace
}  // namespace zpk
