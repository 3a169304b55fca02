// The invoice dataset on a real database: lines of the same key merged to the
// cent with their ICMS recomputed, the printed description and code, and
// invoice numbers that find nothing.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/nota_dataset.hpp"
#include "foundation/lookups.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

class NotaDataSet : public test::DatabaseTest {
 protected:
  static void nota(const std::string& fatura, const std::string& tipfat) {
    test::exec("INSERT INTO " + DBLocal("NOTA") +
                   " (FATURA, SERIE, CODCLI, NATUREZA, TIPFAT, DT_EMISSAO, MENSAGEM) VALUES (?, '1', "
                   "'000201', '5101', "
                   "?, DATE '2025-05-02', 'PEDIDO DO CLIENTE 77')",
               {fatura, tipfat});
  }
  struct Line {
    int ordem;
    const char* codigo;
    const char* cor;
    const char* tipo_it;
    double qtde, valor, base_icms, perc_icms, base_ipi;
    const char* lote = "";
  };
  static void line(const std::string& fatura, const Line& l) {
    test::exec(
        "INSERT INTO " + DBLocal("NOTAITEN") +
            " (FATURA, CODIGO, COR, TAMANHO, DESCRICAO, EMPENHO, ORDEM, TIPO_IT, QTDE, QTDE_TRIB, VALOR, "
            "PRECO, BASE_ICMS, PERC_ICMS, BASE_IPI, PERC_IPI, BASE_PIS, BASE_COFINS, VOLUMES, LOTE, "
            "VALOR_ST) VALUES (?, ?, ?, 'M', 'CAMISETA', 'N', ?, ?, ?, ?, ?, 1, ?, ?, ?, 5, ?, ?, 1, ?, ?)",
        {fatura, l.codigo, l.cor, l.ordem, l.tipo_it, l.qtde, l.qtde, l.valor, l.base_icms, l.perc_icms,
         l.base_ipi, l.valor, l.valor, l.lote, l.base_ipi / 5});
  }
  static std::vector<std::string> column(TClientDataSet& cds, const char* name) {
    std::vector<std::string> values;
    for (cds.First(); !cds.Eof(); cds.Next()) values.push_back(cds.FieldByName(name).AsString);
    return values;
  }
};

TEST_F(NotaDataSet, LinesOfTheSameKeyAddUpToTheCentAndRecomputeTheirIcms) {
  nota("T00001", "");
  // Alone each would carry 0.14 x 12% = 0.0168 -> 0.02; merged the ICMS is
  // 0.28 x 12% = 0.0336 -> 0.03, not the 0.04 of adding rounded values.
  line("T00001", {1, "P-1", "01", "P", 1.5, 0.14, 0.14, 12, 10.05});
  line("T00001", {1, "P-1", "01", "P", 2.25, 0.14, 0.14, 12, 20.10});
  line("T00001", {1, "P-1", "02", "P", 1, 10.01, 10.01, 12, 0});  // another colour: its own line
  line("T00001", {1, "P-1", "01", "P", 1, 10.01, 10.01, 7, 0});   // another rate: its own line
  TTIQuery q(Tabela.IBDatabase);
  TClientDataSet cds;
  ASSERT_EQ(MontaDataSetNota(q, cds, "T00001"), 3);
  bool found = false;
  for (cds.First(); !cds.Eof() && !found; cds.Next()) {
    found = std::string(cds.FieldByName("ITEM_COR").AsString) == "01" &&
            cds.FieldByName("ITEM_PERC_ICMS").AsFloat == 12;
    if (found) break;
  }
  ASSERT_TRUE(found);
  EXPECT_EQ(std::string(cds.FieldByName("ITEM_VALOR").AsString), "0,28");
  EXPECT_EQ(std::string(cds.FieldByName("ITEM_BASE_ICMS").AsString), "0,28");
  EXPECT_EQ(std::string(cds.FieldByName("ITEM_BASE_IPI").AsString), "30,15");
  EXPECT_EQ(std::string(cds.FieldByName("ITEM_BASE_PIS").AsString), "0,28");
  EXPECT_EQ(std::string(cds.FieldByName("ITEM_QTDE").AsString), "3,75");
  EXPECT_EQ(std::string(cds.FieldByName("ITEM_VALOR_ST").AsString), "6,03");
  EXPECT_EQ(std::string(cds.FieldByName("ITEM_VOLUMES").AsString), "2");
  EXPECT_DOUBLE_EQ(cds.FieldByName("ITEM_VAL_ICMS").AsFloat, 0.03);
  // Header columns are repeated on every line, lines numbered in print order.
  EXPECT_EQ(column(cds, "NOTA_MENSAGEM"), (std::vector<std::string>(3, "PEDIDO DO CLIENTE 77")));
  EXPECT_EQ(column(cds, "ITEM_NR_ITEM"), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(column(cds, "CLIENTE_NOME"), (std::vector<std::string>(3, "MALHARIA AURORA LTDA")));
}

TEST_F(NotaDataSet, DescriptionAndCodeFollowTheItemKindAndTheInvoiceKind) {
  test::exec("UPDATE OR INSERT INTO " + DBLocal("PRODUTO") +
             " (CODIGO, DESCRICAO, DESCRICAO2, CODIGO2) VALUES ('P-9', 'X', 'MANGA LONGA', 'CLI-P9') "
             "MATCHING (CODIGO)");
  test::exec("UPDATE OR INSERT INTO " + DBLocal("MATERIAL") +
             " (CODIGO, DESCRICAO, DESCRICAO2, CODIGO2) VALUES ('M-9', 'X', 'FIO 30/1', 'CLI-M9') MATCHING "
             "(CODIGO)");
  test::exec("UPDATE OR INSERT INTO " + DBLocal("CADCOR") +
             " (COR, DESCRICAO) VALUES ('77', 'AZUL') MATCHING (COR)");
  const struct {
    const char* name;
    const char* tipfat;
    const char* codigo;
    const char* tipo_it;
    const char* lote;
    const char* descricao;
    const char* impresso;
  } kCases[] = {
      {"product, own codes", "1", "P-9", "P", "", "CAMISETA MANGA LONGA - Cor: 77-AZUL - Tam: M", "P-9"},
      {"product, customer's codes", "2", "P-9", "P", "L9",
       "CAMISETA MANGA LONGA - Cor: 77-AZUL - Tam: M - Lote: L9", "CLI-P9"},
      {"material, customer's codes", "2", "M-9", "M", "", "CAMISETA FIO 30/1 - Cor: 77-AZUL - Tam: M",
       "CLI-M9"},
      {"item with no second code", "2", "Z-0", "P", "", "CAMISETA - Cor: 77-AZUL - Tam: M", "Z-0"},
  };
  int n = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string fatura = "T1000" + std::to_string(++n);
    nota(fatura, c.tipfat);
    line(fatura, {1, c.codigo, "77", c.tipo_it, 1, 10, 10, 12, 0, c.lote});
    TTIQuery q(Tabela.IBDatabase);
    TClientDataSet cds;
    ASSERT_EQ(MontaDataSetNota(q, cds, fatura), 1);
    EXPECT_EQ(std::string(cds.FieldByName("ITEM_DESCRICAO2").AsString), c.descricao);
    EXPECT_EQ(std::string(cds.FieldByName("ITEM_CODIGO2").AsString), c.impresso);
    EXPECT_EQ(std::string(cds.FieldByName("ITEM_CODIGO_ORIG").AsString), c.codigo);
  }
}

TEST_F(NotaDataSet, AnInvoiceThatDoesNotExistGivesNoRows) {
  nota("T20001", "");
  line("T20001", {1, "P-1", "01", "P", 1, 1, 1, 12, 0});
  for (const char* fatura : {"T99999", "", "T20001' OR '1'='1", "T20001'; DELETE FROM NOTA_001; --"}) {
    SCOPED_TRACE(fatura);
    TTIQuery q(Tabela.IBDatabase);
    TClientDataSet cds;
    EXPECT_EQ(MontaDataSetNota(q, cds, fatura), 0);
    EXPECT_TRUE(cds.IsEmpty());
    EXPECT_NE(cds.FindField("ITEM_DESCRICAO2"), nullptr);
  }
  EXPECT_EQ(test::number("SELECT COUNT(*) FROM " + DBLocal("NOTA") + " WHERE FATURA = 'T20001'"), 1);
}

}  // namespace
}  // namespace zpk
