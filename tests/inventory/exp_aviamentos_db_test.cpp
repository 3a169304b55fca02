// The trims requirement list on a real database. One small catalogue: a shirt
// whose sheet has buttons and a label for sizes P and M (the black shirt
// leaves the label out) and thread that follows the shirt's colour shares
// (60% black, mapped; 40% navy, not mapped), and a product whose shares are
// not registered. Two orders select it; each test reads the whole dataset.
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/lookups.hpp"
#include "inventory/exp_aviamentos.hpp"
#include "platform/rtl/errors.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using Rows = std::vector<std::string>;

class ExpAviamentos : public test::DatabaseTest {
 protected:
  void SetUp() override {
    const char* const kRows[] = {
        "INSERT INTO {CADCOR} (COR, DESCRICAO) VALUES ('T1', 'BRANCO')",
        "INSERT INTO {CADCOR} (COR, DESCRICAO) VALUES ('T2', 'PRETO')",
        "INSERT INTO {CADCOR} (COR, DESCRICAO) VALUES ('T3', 'AZUL')",
        "INSERT INTO {MATERIAL} (CODIGO, DESCRICAO, GRUPO, UNIDADE) VALUES ('AVT-BOT', 'BOTAO', 'AVI', 'UN')",
        "INSERT INTO {MATERIAL} (CODIGO, DESCRICAO, GRUPO, UNIDADE) VALUES ('AVT-ETQ', 'ETIQUETA', 'ETQ', "
        "'UN')",
        "INSERT INTO {MATERIAL} (CODIGO, DESCRICAO, GRUPO, UNIDADE) VALUES ('AVT-LIN', 'LINHA', 'AVI', 'M')",
        "INSERT INTO {MAT_PRECO} (CODIGO, PRECO_1) VALUES ('AVT-BOT', 0.5)",
        "INSERT INTO {MAT_PRECO} (CODIGO, PRECO_1) VALUES ('AVT-LIN', 0.01)",
        "INSERT INTO {MAT_ITEN} (CODIGO, COR, DEPOSITO, LOTE, QTDE, PRECO_MED) VALUES ('AVT-BOT', 'T1', "
        "'01', '', "
        "100, 0.4)",
        "INSERT INTO {MAT_ITEN} (CODIGO, COR, DEPOSITO, LOTE, QTDE, PRECO_MED) VALUES ('AVT-BOT', 'T1', "
        "'02', 'L', "
        "50.125, 0.45)",
        // Stock of the thread in the colour a share resolves to (the sheet says "E").
        "INSERT INTO {MAT_ITEN} (CODIGO, COR, DEPOSITO, LOTE, QTDE, PRECO_MED) VALUES ('AVT-LIN', 'T2', "
        "'01', '', "
        "777, 0.009)",
        "INSERT INTO {PCPFAIXA} (FAIXA, TAM01, TAM02) VALUES ('AVTF', 'P', 'M')",
        "INSERT INTO {PCPFT2} (CODIGO, ID, INSUMO, CONSUMO, FAIXA, APLICACAO) VALUES ('AVT-CAM', 1, "
        "'AVT-BOT', 6, "
        "'AVTF', 'FRENTE')",
        "INSERT INTO {PCPFT2} (CODIGO, ID, INSUMO, CONSUMO, FAIXA, APLICACAO) VALUES ('AVT-CAM', 2, "
        "'AVT-ETQ', 1, "
        "'AVTF', 'GOLA')",
        "INSERT INTO {PCPFT2} (CODIGO, ID, INSUMO, CONSUMO, FAIXA, APLICACAO) VALUES ('AVT-CAM', 3, "
        "'AVT-LIN', 100, "
        "'AVTF', 'COSTURA')",
        "INSERT INTO {PCPFT3} (CODIGO, COR, ID, INSUMO, FAIXA, APLICACAO, COR_I) VALUES ('AVT-CAM', 'T1', 1, "
        "'AVT-BOT', 'AVTF', 'FRENTE', 'T1')",
        "INSERT INTO {PCPFT3} (CODIGO, COR, ID, INSUMO, FAIXA, APLICACAO, COR_I) VALUES ('AVT-CAM', 'T1', 2, "
        "'AVT-ETQ', 'AVTF', 'GOLA', 'T1')",
        "INSERT INTO {PCPFT3} (CODIGO, COR, ID, INSUMO, FAIXA, APLICACAO, COR_I) VALUES ('AVT-CAM', 'T1', 3, "
        "'AVT-LIN', 'AVTF', 'COSTURA', 'E')",
        "INSERT INTO {PCPFT3} (CODIGO, COR, ID, INSUMO, FAIXA, APLICACAO, COR_I) VALUES ('AVT-CAM', 'T2', 1, "
        "'AVT-BOT', 'AVTF', 'FRENTE', 'T2')",
        "INSERT INTO {PCPFT3} (CODIGO, COR, ID, INSUMO, FAIXA, APLICACAO, COR_I) VALUES ('AVT-CAM', 'T2', 2, "
        "'AVT-ETQ', 'AVTF', 'GOLA', '*****')",
        "INSERT INTO {PCPFT3} (CODIGO, COR, ID, INSUMO, FAIXA, APLICACAO, COR_I) VALUES ('AVT-CAM', 'T2', 3, "
        "'AVT-LIN', 'AVTF', 'COSTURA', 'T2')",
        // Shares: first quality only, positive only.
        "INSERT INTO {PA_ITEN} (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, PERCENTUAL) VALUES ('AVT-CAM', 'T2', "
        "'M', "
        "'1', '01', '', 60)",
        "INSERT INTO {PA_ITEN} (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, PERCENTUAL) VALUES ('AVT-CAM', 'T3', "
        "'M', "
        "'1', '01', '', 40)",
        "INSERT INTO {PA_ITEN} (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, PERCENTUAL) VALUES ('AVT-CAM', 'T1', "
        "'M', "
        "'2', '01', '', 50)",
        "INSERT INTO {PA_ITEN} (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, PERCENTUAL) VALUES ('AVT-CAM', 'T1', "
        "'P', "
        "'1', '01', '', 0)",
        // A product spreading its thread over shares it does not have ("e" counts as "E").
        "INSERT INTO {PCPFT2} (CODIGO, ID, INSUMO, CONSUMO, FAIXA, APLICACAO) VALUES ('AVT-SEM', 1, "
        "'AVT-LIN', 50, "
        "'AVTF', 'COSTURA')",
        "INSERT INTO {PCPFT3} (CODIGO, COR, ID, INSUMO, FAIXA, APLICACAO, COR_I) VALUES ('AVT-SEM', 'T1', 1, "
        "'AVT-LIN', 'AVTF', 'COSTURA', 'e')",
        "INSERT INTO {PEDIDO} (NUMERO, CODCLI, DT_EMISSAO, ENTREGA, DT_FATURA, PED_CLI) VALUES ('AVT001', "
        "'000701', '2026-01-10', '2026-02-10', '2026-02-15', 'O''BRIEN')",
        "INSERT INTO {PEDIDO} (NUMERO, CODCLI, DT_EMISSAO, ENTREGA, DT_FATURA) VALUES ('AVT002', '000702', "
        "'2026-01-20', '2026-02-20', '2026-02-25')",
        "INSERT INTO {PEDIDO} (NUMERO, CODCLI, DT_EMISSAO, ENTREGA, DT_FATURA) VALUES ('AVT003', '000702', "
        "'2026-01-20', '2026-02-20', '2026-02-25')",
        // Size GG is outside the sheet lines' range.
        "INSERT INTO {PED_ITEN} (NUMERO, CODIGO, COR, TAM, QTDE, QTDE_F, QTDE_CANC) VALUES ('AVT001', "
        "'AVT-CAM', "
        "'T1', 'P', 10, 2, 1)",
        "INSERT INTO {PED_ITEN} (NUMERO, CODIGO, COR, TAM, QTDE, QTDE_F, QTDE_CANC) VALUES ('AVT001', "
        "'AVT-CAM', "
        "'T1', 'M', 5, 0, 0)",
        "INSERT INTO {PED_ITEN} (NUMERO, CODIGO, COR, TAM, QTDE, QTDE_F, QTDE_CANC) VALUES ('AVT001', "
        "'AVT-CAM', "
        "'T1', 'GG', 7, 0, 0)",
        "INSERT INTO {PED_ITEN} (NUMERO, CODIGO, COR, TAM, QTDE, QTDE_F, QTDE_CANC) VALUES ('AVT001', "
        "'AVT-CAM', "
        "'T2', 'M', 4, 3, 0)",
        "INSERT INTO {PED_ITEN} (NUMERO, CODIGO, COR, TAM, QTDE, QTDE_F, QTDE_CANC) VALUES ('AVT002', "
        "'AVT-CAM', "
        "'T1', 'M', 3, 0, 0)",
        "INSERT INTO {PED_ITEN} (NUMERO, CODIGO, COR, TAM, QTDE, QTDE_F, QTDE_CANC) VALUES ('AVT003', "
        "'AVT-SEM', "
        "'T1', 'P', 2, 0, 0)",
        "INSERT INTO {PED_ITEN} (NUMERO, CODIGO, COR, TAM, QTDE, QTDE_F, QTDE_CANC) VALUES ('AVT003', "
        "'AVT-SEM', "
        "'T1', 'M', 3, 0, 0)",
    };
    for (const char* sql : kRows) test::exec(DBLocal_SQL(sql));
  }

  // An explosion with wide date limits over orders AVT001 and AVT002.
  static TExpAviamentos explosao(TClientDataSet& ds) {
    TExpAviamentos e(ds);
    e.EmissaoIni = e.EntregaIni = e.FaturaIni = "01/01/2000";
    e.EmissaoFim = e.EntregaFim = e.FaturaFim = "12/31/2099";
    e.PedidoIni = "AVT001";
    e.PedidoFim = "AVT002";
    return e;
  }

  // Every row in the dataset's order: NUMERO|CODIGO|COR|CONSUMO (4 decimals).
  static Rows consumos(TClientDataSet& ds) {
    Rows rows;
    for (ds.First(); !ds.Eof(); ds.Next()) {
      rows.push_back(fmt::format("{}|{}|{}|{:.4f}", ds.FieldByName("NUMERO").AsString(),
                                 ds.FieldByName("CODIGO").AsString(), ds.FieldByName("COR").AsString(),
                                 ds.FieldByName("CONSUMO").AsFloat()));
    }
    return rows;
  }

  // Every column of every row (numbers with 4 decimals, null as "-").
  static Rows tudo(TClientDataSet& ds) {
    Rows rows;
    for (ds.First(); !ds.Eof(); ds.Next()) {
      std::string row;
      for (int i = 0; i < ds.FieldCount(); ++i) {
        TField& f = ds.Fields(i);
        if (i > 0) row += "|";
        if (f.IsNull()) {
          row += "-";
        } else if (f.DataType() == ftFloat) {
          row += fmt::format("{:.4f}", f.AsFloat());
        } else {
          row += f.AsString();
        }
      }
      rows.push_back(row);
    }
    return rows;
  }
};

TEST_F(ExpAviamentos, ExplodesTheSelectedOrdersIntoOneRowPerOrderMaterialAndColour) {
  TClientDataSet ds;
  TExpAviamentos e = explosao(ds);
  e.Executa(ds);
  // NUMERO|CODIGO|DESCRICAO|COR|DESCCOR|CONSUMO|ESTOQUE|PECAS|PRECO_MED|UNIT|UNIDADE|TOTAL|GRUPO, ordered by
  // order, material and colour description. AVT001: buttons 10x6 + 5x6 in white, 4x6 in black; the label for
  // the white shirts only; thread 60%/40% of (10 + 5) x 100 in black and on "99999", plus 4 x 100 of the
  // black shirt added to the black row. Size GG adds nothing. PECAS (the open pieces of both orders, size GG
  // too) sit on the row changed last.
  EXPECT_EQ(tudo(ds), (Rows{
                          "AVT001|AVT-BOT|BOTAO|T1|BRANCO|90.0000|150.1250|-|0.4500|0.5000|UN|45.0000|AVI",
                          "AVT001|AVT-BOT|BOTAO|T2|PRETO|24.0000|0.0000|-|0.0000|0.5000|UN|12.0000|AVI",
                          "AVT001|AVT-ETQ|ETIQUETA|T1|BRANCO|15.0000|0.0000|-|0.0000|0.0000|UN|0.0000|ETQ",
                          "AVT001|AVT-LIN|LINHA|99999|-|600.0000|0.0000|-|0.0000|0.0100|M|6.0000|AVI",
                          "AVT001|AVT-LIN|LINHA|T2|PRETO|1300.0000|777.0000|-|0.0090|0.0100|M|13.0000|AVI",
                          "AVT002|AVT-BOT|BOTAO|T1|BRANCO|18.0000|150.1250|-|0.4500|0.5000|UN|9.0000|AVI",
                          "AVT002|AVT-ETQ|ETIQUETA|T1|BRANCO|3.0000|0.0000|-|0.0000|0.0000|UN|0.0000|ETQ",
                          "AVT002|AVT-LIN|LINHA|99999|-|120.0000|0.0000|29.0000|0.0000|0.0100|M|1.2000|AVI",
                          "AVT002|AVT-LIN|LINHA|T2|PRETO|180.0000|777.0000|-|0.0090|0.0100|M|1.8000|AVI",
                      }));
}

TEST_F(ExpAviamentos, TipoQtdeChoosesTheQuantityExploded) {
  const struct {
    int tipo;
    Rows rows;
  } kCases[] = {
      // Cancelled: the white P shirt (1 piece) only.
      {1,
       {"AVT001|AVT-BOT|T1|6.0000", "AVT001|AVT-ETQ|T1|1.0000", "AVT001|AVT-LIN|99999|40.0000",
        "AVT001|AVT-LIN|T2|60.0000"}},
      // Invoiced: 2 white P, 3 black M.
      {2,
       {"AVT001|AVT-BOT|T1|12.0000", "AVT001|AVT-BOT|T2|18.0000", "AVT001|AVT-ETQ|T1|2.0000",
        "AVT001|AVT-LIN|99999|80.0000", "AVT001|AVT-LIN|T2|420.0000"}},
      // None: every row listed, every requirement 0.
      {3,
       {"AVT001|AVT-BOT|T1|0.0000", "AVT001|AVT-BOT|T2|0.0000", "AVT001|AVT-ETQ|T1|0.0000",
        "AVT001|AVT-LIN|99999|0.0000", "AVT001|AVT-LIN|T2|0.0000", "AVT002|AVT-BOT|T1|0.0000",
        "AVT002|AVT-ETQ|T1|0.0000", "AVT002|AVT-LIN|99999|0.0000", "AVT002|AVT-LIN|T2|0.0000"}},
      // All three: 13 white P, 5 white M, 7 black M; 3 white M in AVT002.
      {4,
       {"AVT001|AVT-BOT|T1|108.0000", "AVT001|AVT-BOT|T2|42.0000", "AVT001|AVT-ETQ|T1|18.0000",
        "AVT001|AVT-LIN|99999|720.0000", "AVT001|AVT-LIN|T2|1780.0000", "AVT002|AVT-BOT|T1|18.0000",
        "AVT002|AVT-ETQ|T1|3.0000", "AVT002|AVT-LIN|99999|120.0000", "AVT002|AVT-LIN|T2|180.0000"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.tipo);
    TClientDataSet ds;
    TExpAviamentos e = explosao(ds);
    e.TipoQtde = c.tipo;
    e.Executa(ds);
    EXPECT_EQ(consumos(ds), c.rows);
    if (c.tipo == 3) {
      ASSERT_TRUE(ds.Locate("NUMERO;CODIGO;COR", Variant(std::vector<Variant>{"AVT001", "AVT-BOT", "T1"})));
      EXPECT_EQ(ds.FieldByName("ESTOQUE").AsFloat(), 150.125);
      EXPECT_EQ(ds.FieldByName("UNIT").AsFloat(), 0.5);
      EXPECT_EQ(ds.FieldByName("TOTAL").AsFloat(), 0);
    }
  }
}

TEST_F(ExpAviamentos, NoItemSelectedGivesOneRowHoldingOnlyThePieces) {
  TClientDataSet ds;
  TExpAviamentos e = explosao(ds);
  e.EmissaoFim = "01/01/2026";  // before both orders; the pieces ignore dates
  e.Executa(ds);
  EXPECT_EQ(tudo(ds), (Rows{"-|-|-|-|-|-|-|29.0000|-|-|-|-|-"}));
}

TEST_F(ExpAviamentos, ASecondRunAddsToTheFirst) {
  TClientDataSet ds;
  TExpAviamentos e = explosao(ds);
  e.PedidoUnico = "AVT002";
  e.Executa(ds);
  e.Executa(ds);
  EXPECT_EQ(tudo(ds), (Rows{
                          "AVT002|AVT-BOT|BOTAO|T1|BRANCO|36.0000|150.1250|-|0.4500|0.5000|UN|18.0000|AVI",
                          "AVT002|AVT-ETQ|ETIQUETA|T1|BRANCO|6.0000|0.0000|-|0.0000|0.0000|UN|0.0000|ETQ",
                          "AVT002|AVT-LIN|LINHA|99999|-|240.0000|0.0000|3.0000|0.0000|0.0100|M|2.4000|AVI",
                          "AVT002|AVT-LIN|LINHA|T2|PRETO|360.0000|777.0000|-|0.0090|0.0100|M|3.6000|AVI",
                      }));
}

TEST_F(ExpAviamentos, ProductWithoutSharesGetsOneRowPerItem) {
  TClientDataSet ds;
  TExpAviamentos e = explosao(ds);
  e.ListaPedidos = "'AVT003'";
  e.PedidoIni = e.PedidoFim = "";
  e.Executa(ds);
  EXPECT_EQ(tudo(ds), (Rows{
                          "AVT003|AVT-SEM|N. Cadastrado Percentuais.|-|-|-|-|-|-|-|-|-|-",
                          "AVT003|AVT-SEM|N. Cadastrado Percentuais.|-|-|-|-|5.0000|-|-|-|-|-",
                      }));
}

TEST_F(ExpAviamentos, SurchargeIsAPercentageOnBothPaths) {
  TClientDataSet ds;
  TExpAviamentos e = explosao(ds);
  e.PedidoUnico = "AVT002";
  e.PercAcrescimo = 10;
  e.Executa(ds);
  // 3 shirts: buttons 18 + 10%; thread 300 x 60% and 300 x 40%, each + 10%.
  EXPECT_EQ(consumos(ds), (Rows{"AVT002|AVT-BOT|T1|19.8000", "AVT002|AVT-ETQ|T1|3.3000",
                                "AVT002|AVT-LIN|99999|132.0000", "AVT002|AVT-LIN|T2|198.0000"}));
}

TEST_F(ExpAviamentos, CallerTextsAreBoundAsTyped) {
  const struct {
    const char* caso;
    const char* pedido_cliente;
    const char* lista;
    size_t rows;
  } kCases[] = {
      {"quote in the customer reference", "O'BRIEN", "", 5},
      {"a list of quoted numbers", "", "'AVT002', 'AVT9''9'", 4},
      {"a reference that looks like SQL", "' OR 1=1 --", "", 1},  // only the pieces row
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    TClientDataSet ds;
    TExpAviamentos e = explosao(ds);
    e.PedidoCliente = c.pedido_cliente;
    e.ListaPedidos = c.lista;
    e.Executa(ds);
    EXPECT_EQ(ds.RecordCount(), static_cast<int>(c.rows));
  }
}

TEST_F(ExpAviamentos, RefusesWhatItCannotRunAfterSettingThePieces) {
  const struct {
    const char* caso;
    const char* lista;
    int tipo;
    const char* pecas;  // PECAS of the one row left, "" when none is left
  } kCases[] = {
      {"list item that is no literal", "'AVT001') OR (1=1", 0, ""},
      {"undefined TipoQtde", "", 5, "29.0000"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    TClientDataSet ds;
    TExpAviamentos e = explosao(ds);
    e.ListaPedidos = c.lista;
    e.TipoQtde = c.tipo;
    EXPECT_THROW(e.Executa(ds), EZpkError);
    EXPECT_EQ(ds.State(), dsBrowse);
    Rows esperado;
    if (*c.pecas != '\0') esperado.push_back(std::string("-|-|-|-|-|-|-|") + c.pecas + "|-|-|-|-|-");
    EXPECT_EQ(tudo(ds), esperado);
  }
}

}  // namespace
}  // namespace zpk
