// The stock look-ups on a real database: balances with and without filters,
// the average cost after an entry, unit conversions and their guards, the
// last purchase price and its preference for the price list, the price to
// propose, and the deletion checks with what the user is shown.
#include <string>

#include <gtest/gtest.h>

#include "foundation/lookups.hpp"
#include "inventory/stock_queries.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

class StockQueries : public test::DatabaseTest {
 protected:
  // Runs a statement (with "{TABLE}" placeholders) in the shared transaction,
  // which is rolled back after the test.
  // Table names in braces become the company's.
  static void exec(const std::string& sql) { test::exec(DBLocal_SQL(sql)); }

  static void units() {
    exec("INSERT INTO {UNIDADE} (UNIDADE, QTDE) VALUES ('SQDZ', 12)");
    exec("INSERT INTO {UNIDADE} (UNIDADE, QTDE) VALUES ('SQUN', 1)");
    exec("INSERT INTO {UNIDADE} (UNIDADE, QTDE) VALUES ('SQ0', 0)");
  }

  static void product_balance(const char* cor, const char* tam, const char* tipo, const char* deposito,
                              const char* lote, double quantidade) {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add(
        DBLocal_SQL("INSERT INTO {PA_ITEN} (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, QUANTIDADE) "
                    "VALUES ('SQ-P', :COR, :TAM, :TIPO, :DEPOSITO, :LOTE, :Q)"));
    q.ParamByName("COR").AsString = cor;
    q.ParamByName("TAM").AsString = tam;
    q.ParamByName("TIPO").AsString = tipo;
    q.ParamByName("DEPOSITO").AsString = deposito;
    q.ParamByName("LOTE").AsString = lote;
    q.ParamByName("Q").AsFloat = quantidade;
    q.ExecSQL();
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

TEST_F(StockQueries, QtdeEstoqueAddsUpTheRowsItsFiltersLeave) {
  product_balance("01", "M", "1", "01", "A", 5);
  product_balance("01", "M", "2", "02", "B", 7);
  product_balance("01", "M", "1", "01", "B", -2);
  product_balance("01", "G", "1", "01", "A", 100);
  exec("INSERT INTO {MAT_ITEN} (CODIGO, COR, DEPOSITO, LOTE, QTDE) VALUES ('SQ-M', '02', '01', 'A', 3.5)");
  exec("INSERT INTO {MAT_ITEN} (CODIGO, COR, DEPOSITO, LOTE, QTDE) VALUES ('SQ-M', '02', '02', 'B', 1.5)");

  const struct {
    const char *codigo, *cor, *tam, *lote, *deposito, *tipo, *origem;
    double expected;
  } kCases[] = {
      {"SQ-P", "01", "M", "", "", "", "P", 10},  // every row of the size
      {"SQ-P", "01", "M", "B", "", "", "P", 5},
      {"SQ-P", "01", "M", "", "01", "", "P", 3},
      {"SQ-P", "01", "M", "", "", "2", "P", 7},
      {"SQ-P", "01", "", "", "", "", "P", 0},  // the size always takes part
      {"SQ-P", "09", "M", "", "", "", "P", 0},
      {"SQ-M", "02", "", "", "", "", "M", 5},
      {"SQ-M", "02", "XX", "", "", "ZZ", "", 5},  // size and quality ignored
      {"SQ-M", "02", "", "B", "02", "", "M", 1.5},
      {"SQ-M", "02", "", "A", "02", "", "M", 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.codigo) + " " + c.lote + "/" + c.deposito + "/" + c.tipo);
    EXPECT_DOUBLE_EQ(QtdeEstoque(c.codigo, c.cor, c.tam, c.lote, c.deposito, c.tipo, c.origem), c.expected);
  }
}

TEST_F(StockQueries, CalculaPrecoMedioWeighsStockAndEntry) {
  units();
  exec("INSERT INTO {PRODUTO} (CODIGO, CUSTO) VALUES ('SQ-P', 10)");
  exec("INSERT INTO {PRODUTO} (CODIGO, CUSTO) VALUES ('SQ-NOCOST', 0)");
  product_balance("01", "M", "1", "01", "A", 4);
  product_balance("01", "G", "1", "01", "A", 6);
  exec(
      "INSERT INTO {PA_ITEN} (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, QUANTIDADE) "
      "VALUES ('SQ-NOCOST', '01', 'M', '1', '01', 'A', 10)");

  const struct {
    const char *codigo, *unidade, *cor;
    double qtde, preco, expected;
  } kCases[] = {
      {"SQ-P", "SQDZ", "01", 2, 1, 3.6471},  // (10 x 10 + 24 x 1) / 34, four decimals
      {"SQ-P", "SQUN", "01", 10, 20, 15},    // (100 + 200) / 20
      {"SQ-P", "SQDZ", "99", 2, 1.5, 1.5},   // no stock of the colour: the entry's price
      {"SQ-P", "SQ0", "99", 5, 2, 2},        // a unit counting 0 counts as 1
      {"SQ-P", "NOPE", "99", 5, 2, 2},       // so does a unit not registered
      {"SQ-NOCOST", "SQUN", "01", 2, 7, 7},  // no cost yet: the entry's price
      {"SQ-P", "SQUN", "99", 0, 5, 0},       // nothing in stock, nothing coming in
      {"SQ-P", "SQUN", "01", -10, 5, 0},     // an entry cancelling the balance out
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.codigo) + " " + c.unidade + " " + c.cor + " " + std::to_string(c.qtde));
    EXPECT_NEAR(CalculaPrecoMedio(c.codigo, c.unidade, c.cor, "S", c.qtde, c.preco), c.expected, 1e-9);
  }
}

TEST_F(StockQueries, ConverteUnidadeGoesThroughBaseUnits) {
  units();
  const struct {
    const char *origem, *destino;
    double qtde, expected;
    const char* resultado;
  } kCases[] = {
      {"SQDZ", "SQUN", 2, 24, "SQUN"},
      {"SQUN", "SQDZ", 24, 2, "SQDZ"},
      {"SQUN", "NOPE", 2, 2, "NOPE"},  // destination not registered: unchanged
      {"SQDZ", "SQDZ", 2, 2, "SQDZ"},
      {"", "SQUN", 2, 2, ""},
      {"SQDZ", "", 2, 2, "SQDZ"},
      // A unit registered with 0, or an origin not registered, counts one
      // base unit: the quantity never vanishes.
      {"SQDZ", "SQ0", 2, 24, "SQ0"},
      {"SQ0", "SQDZ", 24, 2, "SQDZ"},
      {"NOPE", "SQUN", 2, 2, "SQUN"},
      {"NOPE", "SQDZ", 24, 2, "SQDZ"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.origem) + " -> " + c.destino);
    std::string resultado = "unchanged";
    EXPECT_DOUBLE_EQ(ConverteUnidade(c.origem, c.destino, resultado, c.qtde), c.expected);
    EXPECT_EQ(resultado, c.resultado);
  }
}

TEST_F(StockQueries, PurchaseConversionUsesDivisorOnlyWhenSwitchedOn) {
  units();
  exec("INSERT INTO {MATERIAL} (CODIGO, DIVISOR) VALUES ('SQ-M', 4)");
  exec("INSERT INTO {MATERIAL} (CODIGO, DIVISOR) VALUES ('SQ-NODIV', NULL)");

  const struct {
    const char* parametro;
    const char *codigo, *unidade, *tipo;
    double qtde, conv, compra;
  } kCases[] = {
      {"N", "SQ-M", "SQDZ", "M", 2, 24, 2.0 / 12},  // switched off: the unit's factor
      {"N", "", "SQ0", "P", 2, 2, 2},               // factor 0: unchanged
      {"N", "", "", "P", 2, 2, 2},
      {"N", "", "NOPE", "P", 3, 3, 3},
      {"N", "", "SQDZ", "P", -1, -1, -1},           // a result below 0 gives the quantity
      {"S", "SQ-M", "SQDZ", "M", 2, 8, 0.5},        // the material's divisor
      {"S", "SQ-NODIV", "SQDZ", "M", 2, 2, 2},      // no divisor: factor 0
      {"S", "SQ-M", "SQDZ", "P", 2, 24, 2.0 / 12},  // a product: the unit
      {"S", "", "SQDZ", "M", 2, 24, 2.0 / 12},      // no code: the unit
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.parametro) + " " + c.codigo + " " + c.unidade + " " + c.tipo);
    test::set_parameter("COM", 30, c.parametro);
    EXPECT_NEAR(QuantidadeConv(c.codigo, c.unidade, c.tipo, c.qtde), c.conv, 1e-12);
    EXPECT_NEAR(QtdeUnCompra(c.codigo, c.unidade, c.tipo, c.qtde), c.compra, 1e-12);
  }
  EXPECT_TRUE(dialogs_.records().empty());
}

class Prices : public StockQueries {
 protected:
  void SetUp() override {
    exec("INSERT INTO {NATUREZA} (NATUREZA, TIPO) VALUES ('SQ-V', 'V')");
    exec("INSERT INTO {NATUREZA} (NATUREZA, TIPO) VALUES ('SQ-R', 'R')");
    invoice("1", "2025-01-10", "SQ-V", 5.123456);
    invoice("2", "2025-02-10", "SQ-V", 6.1234567);
    invoice("3", "2025-03-10", "SQ-R", 9);  // not a purchase
    exec("INSERT INTO {MATERIAL} (CODIGO, PRECO) VALUES ('SQ-M', 2.5)");
    exec("INSERT INTO {MATERIAL} (CODIGO, PRECO) VALUES ('SQ-M2', 3.75)");
    exec("INSERT INTO {PRODUTO} (CODIGO, PRECO) VALUES ('SQ-P', 19.9)");
  }

  // A purchase invoice of supplier F1 with one line of material SQ-M.
  static void invoice(const char* numero, const char* data, const char* natureza, double valor) {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add(
        DBLocal_SQL("INSERT INTO {NOTA_ENTRA} (NOTAFISCAL, SERIE, CREDOR, DT_ENTRADA) "
                    "VALUES (:N, '1', 'F1', :D)"));
    q.ParamByName("N").AsString = numero;
    q.ParamByName("D").AsString = data;
    q.ExecSQL();
    TTIQuery i(Tabela.IBDatabase);
    i.SQL.Add(
        DBLocal_SQL("INSERT INTO {NF_ENTRA_ITEN} (NUMERO, SERIE, CODCRE, CODIGO, NATUREZA, VALOR) "
                    "VALUES (:N, '1', 'F1', 'SQ-M', :NAT, :V)"));
    i.ParamByName("N").AsString = numero;
    i.ParamByName("NAT").AsString = natureza;
    i.ParamByName("V").AsFloat = valor;
    i.ExecSQL();
  }
};

TEST_F(Prices, UltimoPrecoPrefersThePriceListThenTheLatestPurchase) {
  EXPECT_DOUBLE_EQ(Ultimo_Preco("SQ-M", "F1"), 6.12346);  // latest purchase, five decimals
  EXPECT_DOUBLE_EQ(Ultimo_Preco("SQ-M", "F2"), 0);
  EXPECT_DOUBLE_EQ(Ultimo_Preco("SQ-M2", "F1"), 0);

  exec("INSERT INTO {CONV_MATERIAL} (CODFOR, CODIGO_MAT, PRECO) VALUES ('F1', 'SQ-M', 0)");
  EXPECT_DOUBLE_EQ(Ultimo_Preco("SQ-M", "F1"), 6.12346);  // a listed 0 falls back to the invoices
  exec("UPDATE {CONV_MATERIAL} SET PRECO = 0.01 WHERE CODFOR = 'F1'");
  EXPECT_DOUBLE_EQ(Ultimo_Preco("SQ-M", "F1"), 0.01);
  exec("INSERT INTO {CONV_MATERIAL} (CODFOR, CODIGO_MAT, PRECO) VALUES ('F2', 'SQ-M', 1.234567)");
  EXPECT_DOUBLE_EQ(Ultimo_Preco("SQ-M", "F2"), 1.23457);
}

TEST_F(Prices, BuscaPrecoFallsBackFromPurchasesToTheRegister) {
  exec("INSERT INTO {CADCORTI} (CODIGO, CODCLI, COR, CUSTO) VALUES ('SQ-M', 'T1', '02', 3.3)");
  exec("INSERT INTO {CADCORTI} (CODIGO, CODCLI, COR, CUSTO) VALUES ('SQ-M', 'T1', '03', 4.4)");
  exec("INSERT INTO {CADCORTI} (CODIGO, CODCLI, COR, CUSTO) VALUES ('SQ-M2', 'T1', '02', 0)");
  exec("INSERT INTO {CONV_MATERIAL} (CODFOR, CODIGO_MAT, PRECO) VALUES ('T2', 'SQ-M', 7.5)");

  const struct {
    const char *codigo, *fornecedor, *cor, *tipo, *tinturaria;
    double expected;
  } kCases[] = {
      {"SQ-M", "T1", "03", "M", "S", 4.4},    // dye house price of the colour
      {"SQ-M2", "T1", " ", "M", "S", 0},      // a row with 0 is still the answer
      {"SQ-M", "T1", "09", "M", "S", 0},      // no row, no price list entry
      {"SQ-M", "T2", "", "M", "S", 7.5},      // no row: the price list
      {"SQ-M", "F1", "", "M", "N", 6.12346},  // the last purchase
      {"SQ-M2", "F1", "", "M", "N", 3.75},    // no purchase: the material register
      {"SQ-M2", "F1", "", "S", "N", 0},       // a service has no register price
      {"SQ-P", "F1", "", "P", "N", 19.9},     // the product register
      {"SQ-X", "F1", "", "P", "N", 0},        // unknown code
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.codigo) + " " + c.fornecedor + " " + c.cor + " " + c.tipo + c.tinturaria);
    EXPECT_DOUBLE_EQ(Busca_Preco(c.codigo, c.fornecedor, c.cor, c.tipo, c.tinturaria), c.expected);
  }
}

TEST_F(StockQueries, ValidaExclusaoMaterialListsEveryReason) {
  exec("INSERT INTO {PCPFT2} (CODIGO, INSUMO) VALUES ('SQ-P', 'SQ-M')");
  exec("INSERT INTO {CADMATTI} (CODIGO, CODIGO2) VALUES ('SQ-M', 'SQ-M')");
  exec("INSERT INTO {TECEL_ITEN} (CODIGO) VALUES ('SQ-M')");
  exec("INSERT INTO {MAT_ITEN} (CODIGO, COR, DEPOSITO, LOTE, QTDE) VALUES ('SQ-M', '02', '01', 'A', 1)");
  exec("INSERT INTO {MAT_MOV} (CODIGO, QTDE) VALUES ('SQ-M', 1)");
  exec("INSERT INTO {MAT_MOV} (CODIGO, QTDE) VALUES ('SQ-M', 2)");
  exec("INSERT INTO {PED_ITEN} (NUMERO, CODIGO, TIPO) VALUES ('1', 'SQ-M', 'M')");
  exec("INSERT INTO {CO_ITEN} (NUMERO, CODIGO, TP_ITEM) VALUES ('1', 'SQ-M', 'M')");
  // Lines that are not material lines, or a balance that is not positive, do not count.
  exec("INSERT INTO {PED_ITEN} (NUMERO, CODIGO, TIPO) VALUES ('1', 'SQ-M2', 'P')");
  exec("INSERT INTO {CO_ITEN} (NUMERO, CODIGO, TP_ITEM) VALUES ('1', 'SQ-M2', 'P')");
  exec("INSERT INTO {MAT_ITEN} (CODIGO, COR, DEPOSITO, LOTE, QTDE) VALUES ('SQ-M2', '02', '01', 'A', -1)");
  exec("INSERT INTO {CADMATTI} (CODIGO, CODIGO2) VALUES ('SQ-M3', 'SQ-M9')");

  EXPECT_FALSE(ValidaExclusaoMaterial("SQ-M"));
  ASSERT_EQ(dialogs_.records().size(), 1u);
  EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
  EXPECT_EQ(dialogs_.last().type, TMsgDlgType::mtInformation);
  EXPECT_EQ(dialogs_.last().text,
            "Impossível Excluir.\r\n\r\n"
            "- Material na Ficha técnica.\r\n"
            "- Material cadastrado na Tinturaria.\r\n"
            "- Material cadastrado na Tinturaria.\r\n"
            "- Material cadastrado na Tecelagem.\r\n"
            "- Quantidades em estoque. \r\n"
            "- Material com movimentações. \r\n"
            "- Existem pedidos cadastrados com esse material. \r\n"
            "- Existem compras cadastradas com esse material. \r\n");

  dialogs_.clear();
  EXPECT_TRUE(ValidaExclusaoMaterial("SQ-M2"));
  EXPECT_FALSE(ValidaExclusaoMaterial("SQ-M9"));  // its second code at the dye house
  ASSERT_EQ(dialogs_.records().size(), 1u);
  EXPECT_EQ(dialogs_.last().text, "Impossível Excluir.\r\n\r\n- Material cadastrado na Tinturaria.\r\n");
}

TEST_F(StockQueries, ValidaExclusaoProdutoShowsTheFirstReasonOnly) {
  exec("INSERT INTO {PED_ITEN} (NUMERO, CODIGO, TIPO) VALUES ('1', 'SQ-A', 'P')");
  exec(
      "INSERT INTO {PA_ITEN} (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE) VALUES ('SQ-A', '1', 'M', '1', '01', "
      "'')");
  exec("INSERT INTO {PCPFT2} (CODIGO, INSUMO) VALUES ('SQ-B', 'X')");
  exec(
      "INSERT INTO {PA_ITEN} (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE) VALUES ('SQ-C', '1', 'M', '1', '01', "
      "'')");
  const struct {
    const char* codigo;
    const char* message;  // nullptr: may be deleted
  } kCases[] = {
      {"SQ-A", "Impossível Excluir \nExistem registros de produtos na tabela de Itens de Pedidos."},
      {"SQ-B", "Impossível Excluir \nExistem registros de Produtos na tabela de Insumos."},
      {"SQ-C", "Impossível Excluir \nExistem registros de Produtos na tabela de Itens de Produtos."},
      {"SQ-D", nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.codigo);
    dialogs_.clear();
    EXPECT_EQ(ValidaExclusaoProduto(c.codigo), c.message == nullptr);
    if (c.message == nullptr) {
      EXPECT_TRUE(dialogs_.records().empty());
    } else {
      ASSERT_EQ(dialogs_.records().size(), 1u);
      EXPECT_EQ(dialogs_.last().text, c.message);
      EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
    }
  }
}

}  // namespace
}  // namespace zpk
