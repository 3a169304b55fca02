// The shipped stock list (reports/layout/WESTOQUE.prt) over a real database:
// its own query reads the company's balances, each group closes with its
// count and totals, the grand total is the balances' own sum, and every page
// says "Página N de M".
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "reporting/layout_datasets.hpp"
#include "reporting/report.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

class WEstoque : public test::DatabaseTest {
 protected:
  // Group WQGRP: WQ-1 (cost 2.50) 3 + 1.5, WQ-2 (cost 1.10) 10: 14.50 pieces
  // worth 7.50 + 3.75 + 11.00 = 22.25; WQ-3 has no product row.
  void SetUp() override {
    test::exec(
        "INSERT INTO PRODUTO_001 (CODIGO, DESCRICAO, GRUPO, CUSTO, UNIDADE) VALUES ('WQ-1', 'MALHA WQ', "
        "'WQGRP', 2.5, "
        "'KG')");
    test::exec(
        "INSERT INTO PRODUTO_001 (CODIGO, DESCRICAO, GRUPO, CUSTO, UNIDADE) VALUES ('WQ-2', 'FIO WQ', "
        "'WQGRP', 1.1, "
        "'KG')");
    for (const char* row : {"'WQ-1', '01', 3", "'WQ-1', '02', 1.5", "'WQ-2', '01', 10", "'WQ-3', '01', 4"}) {
      test::exec(
          std::string(
              "INSERT INTO PA_ITEN_001 (CODIGO, COR, QUANTIDADE, TAM, TIPO, DEPOSITO, LOTE) VALUES (") +
          row + ", 'U', '1', '0001', 'WQ')");
    }
    // The layout's query runs in a transaction of its own: it sees committed rows.
    Tabela.IBTransaction.CommitRetaining();
  }

  // Every text of every page, in order.
  static std::vector<std::string> texts(const TprReport& report) {
    std::vector<std::string> all;
    for (int p = 0; p < report.GetEndPagesCount(); ++p)
      for (const auto& o : report.GetEndPage(p).Objects)
        if (o.Kind == TprObjectKind::Text) all.push_back(o.Text);
    return all;
  }
};

TEST_F(WEstoque, GroupsTheBalancesWithTheirTotalsAndPageNumbers) {
  TprReport report;
  report.LoadTemplateFromFile(std::string(ZPK_SOURCE_DIR) + "/reports/layout/WESTOQUE.prt");
  auto& empresa = report.Variables.AddVariable();
  empresa.Name = "vEmpresa";
  empresa.SetAsString("001");
  LayoutDataSets datasets(report, Tabela.IBDatabase);
  ASSERT_TRUE(report.Prepare());
  const auto all = texts(report);
  const auto after = [&](const std::string& label) -> std::vector<std::string> {
    for (size_t i = 0; i + 2 < all.size(); ++i)
      if (all[i] == label) return {all[i + 1], all[i + 2]};
    return {"missing: " + label};
  };
  EXPECT_EQ(after("Total do grupo WQGRP (3 itens)"), (std::vector<std::string>{"14,50", "22,25"}));

  const int count = static_cast<int>(test::number("SELECT COUNT(*) FROM PA_ITEN_001"));
  const double quantity = test::number("SELECT SUM(QUANTIDADE) FROM PA_ITEN_001");
  const double value = test::number(
      "SELECT SUM(CAST(I.QUANTIDADE * COALESCE(P.CUSTO, 0) AS NUMERIC(18,2))) FROM PA_ITEN_001 I "
      "LEFT JOIN PRODUTO_001 P ON P.CODIGO = I.CODIGO");
  EXPECT_EQ(after("Total geral (" + std::to_string(count) + " itens)"),
            (std::vector<std::string>{FormatFloat("#,##0.00", quantity), FormatFloat("#,##0.00", value)}));
  // A balance without its product row is still listed, under "(sem grupo)".
  EXPECT_NE(std::find(all.begin(), all.end(), "WQ-3"), all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), "Grupo (sem grupo)"), all.end());
  const int pages = report.GetEndPagesCount();
  for (int p = 1; p <= pages; ++p) {
    const std::string mark = "Página " + std::to_string(p) + " de " + std::to_string(pages);
    EXPECT_EQ(std::count(all.begin(), all.end(), mark), 1) << mark;
  }
}

}  // namespace
}  // namespace zpk
