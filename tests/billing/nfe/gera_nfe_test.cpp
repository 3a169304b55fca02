// Generating the NF-e of the demo invoice 009001 (company 001, three items,
// issued to the Rio de Janeiro customer 000901): header codes, dates with the
// station's time zone, the recipient's registration rules, GTINs, the
// apportioned freight, refused chassis and the dataset's filter afterwards.
#include "billing/nfe/gera_nfe.hpp"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/nfe/nfe_error.hpp"
#include "billing/nota_dataset.hpp"
#include "foundation/lookups.hpp"
#include "foundation/station_settings.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

class GeraNFeTest : public test::DatabaseTest {
 protected:
  void SetUp() override {
    set_program_folder(folder_.path());
    GravaIni("NFe", "Fuso", "-03:00", "NFe.ini");
    RelogioNFe = [this] { return agora_; };
  }
  void TearDown() override {
    RelogioNFe = nullptr;
    ITpTrasNFe = ITpEntrega = ITpImpNFe = IFinNFe = 0;
    set_program_folder({});
    test::DatabaseTest::TearDown();
  }

  // The demo invoice's dataset, read from the database as it stands now.
  void monta(const std::string& fatura = "009001") {
    TTIQuery q(Tabela.IBDatabase);
    ASSERT_GT(MontaDataSetNota(q, cds_, fatura), 0);
  }
  // GeraNFe on the dataset monta read.
  void gera() { ASSERT_TRUE(GeraNFe(nfe_, cds_, chave_, lote_)); }
  std::string doc(const char* nome) const { return nfe_.Valor(nome); }
  std::string item(size_t i, const char* nome) const {
    auto it = nfe_.Itens().at(i).find(nome);
    return it == nfe_.Itens().at(i).end() ? "<unset>" : it->second;
  }

  test::TempFolder folder_{"gera_nfe"};
  TDateTime agora_ = EncodeDateTime(2025, 6, 3, 14, 25, 36, 0);  // a Tuesday
  nfe::TNFeCampos nfe_;
  TClientDataSet cds_;
  std::string chave_, lote_;
};

TEST_F(GeraNFeTest, IssueAndPresenceCodesAndTheTimeZoneOnEveryDateTime) {
  const struct {
    int tpTras, entrega;
    const char *tpEmis, *indPres, *indIntermed;
    bool contingencia;
  } kCases[] = {{1, 1, "1", "1", "", false}, {3, 5, "6", "9", "0", true}, {6, 0, "6", "0", "", true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.tpEmis);
    ITpTrasNFe = c.tpTras;
    ITpEntrega = c.entrega;
    monta();
    gera();
    EXPECT_EQ(doc("tpEmis_B22"), c.tpEmis);
    EXPECT_EQ(doc("indPres_B25b"), c.indPres);
    // The intermediary indicator follows the presence issued (5 goes out as 9).
    EXPECT_EQ(doc("indIntermed_B25c"), c.indIntermed);
    EXPECT_EQ(doc("dhEmi_B09"), "2025-06-02T14:25:36-03:00");
    EXPECT_EQ(doc("dhSaiEnt_B10"), "2025-06-02T14:25:36-03:00");
    EXPECT_EQ(doc("dhCont_B28"), c.contingencia ? "2025-06-03T14:25:36-03:00" : "");
    EXPECT_EQ(doc("xJust_B29").empty(), !c.contingencia);
    EXPECT_EQ(doc("nNF_B08"), "9001");
    EXPECT_EQ(doc("idDest_B11a"), "2");  // CFOP 6401: interstate
    EXPECT_EQ(chave_.size(), 44u);
    EXPECT_NE(lote_.find("<nNF>9001</nNF>"), std::string::npos);
  }
}

TEST_F(GeraNFeTest, NumberAndExitDateFromTheStoredInvoice) {
  // Invoice numbers are the six digits followed by the series.
  test::exec("UPDATE " + DBLocal("NOTAITEN") + " SET FATURA = '0001231' WHERE FATURA = '009001'");
  test::exec("UPDATE " + DBLocal("NOTA") +
             " SET FATURA = '0001231', DT_SAIDA = DATE '1899-12-30' WHERE FATURA = '009001'");
  monta("0001231");
  gera();
  EXPECT_EQ(doc("nNF_B08"), "123");
  EXPECT_EQ(doc("dhSaiEnt_B10"), "");  // day zero: no exit yet
  EXPECT_EQ(nfe_.Itens().size(), 3u);
}

TEST_F(GeraNFeTest, AStoredKeyKeepsTheNumericCodeAndTheKey) {
  monta();
  gera();
  // Seconds 36, day 03, minutes 25, Tuesday 2, day 154 x 0.024 = 3.696 -> 4.
  ASSERT_EQ(doc("cNF_B03"), "36032524");
  const std::string primeira = chave_;
  EXPECT_EQ(primeira.substr(35, 8), "36032524");
  test::exec("UPDATE " + DBLocal("NOTA") + " SET CHAVE_NFE = ? WHERE FATURA = '009001'", {primeira});
  agora_ = EncodeDateTime(2025, 6, 9, 8, 1, 2, 0);
  monta();
  gera();
  EXPECT_EQ(doc("cNF_B03"), "36032524");
  EXPECT_EQ(chave_, primeira);
}

TEST_F(GeraNFeTest, CommitmentRowsAreNoItemsAndTheFilterComesBack) {
  test::exec("UPDATE " + DBLocal("NOTAITEN") +
             " SET EMPENHO = 'S' WHERE FATURA = '009001' AND CODIGO = 'MAL-900'");
  monta();
  cds_.Filter = "ITEM_CODIGO <> 'X'";
  cds_.Filtered = false;
  gera();
  ASSERT_EQ(nfe_.Itens().size(), 2u);
  EXPECT_EQ(item(0, "cProd_I02"), "AMO-900");
  EXPECT_EQ(item(1, "cProd_I02"), "CAM-900");
  EXPECT_EQ(std::string(cds_.Filter), "ITEM_CODIGO <> 'X'");
  EXPECT_FALSE(cds_.Filtered);
  EXPECT_EQ(cds_.RecordCount(), 3);
}

TEST_F(GeraNFeTest, RecipientRegistrationRules) {
  const struct {
    const char *tipo, *inscricao, *simples, *pais, *consFinal;
    const char *cnpj, *cpf, *indIEDest, *ie, *indFinal, *estrangeiro;
  } kCases[] = {
      {"2", "86.123.456", "N", "1058", "N", "56789012000139", "Null", "1", "86123456", "0", ""},
      {"2", "ISENTO", "N", "1058", "N", "56789012000139", "Null", "2", "", "0", ""},
      {"2", "ISENTO", "M", "1058", "N", "56789012000139", "Null", "9", "", "1", ""},
      {"2", "86.123.456", "N", "1058", "S", "56789012000139", "Null", "9", "86123456", "1", ""},
      {"1", "ISENTO", "N", "1058", "S", "Null", "56789012000139", "9", "", "1", ""},
      {"2", "AR-30712", "N", "0639", "N", "56789012000139", "Null", "9", "", "0", "AR-30712"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.inscricao) + "/" + c.simples + "/" + c.pais + "/" + c.consFinal);
    test::exec("UPDATE " + DBLocal("ENTIDADE") +
                   " SET TIPO = ?, INSCRICAO = ?, SIMPLES = ?, COD_PAIS = ? WHERE CODCLI = '000901'",
               {c.tipo, c.inscricao, c.simples, c.pais});
    test::exec("UPDATE " + DBLocal("NATUREZA") + " SET CONS_FINAL = ? WHERE NATUREZA = '6401'",
               {c.consFinal});
    monta();
    gera();
    EXPECT_EQ(doc("CNPJ_E02"), c.cnpj);
    EXPECT_EQ(doc("CPF_E03"), c.cpf);
    EXPECT_EQ(doc("indIEDest_E16a"), c.indIEDest);
    EXPECT_EQ(doc("IE_E17"), c.ie);
    EXPECT_EQ(doc("indFinal_B25a"), c.indFinal);
    EXPECT_EQ(doc("idEstrangeiro_E03a"), c.estrangeiro);
    EXPECT_EQ(doc("cPais_E14"), c.pais);
    EXPECT_EQ(lote_.find(">Null<"), std::string::npos);  // the missing document is left out
  }
}

TEST_F(GeraNFeTest, TagXmlNLeavesTheEmailOut) {
  monta();
  gera();
  EXPECT_EQ(doc("email_E19"), "compras@carioca.example");
  GravaIni("EMAIL", "TagXML", "N", "NFe.ini");
  monta();
  gera();
  EXPECT_EQ(doc("email_E19"), "");
  EXPECT_EQ(lote_.find("<email>"), std::string::npos);
}

TEST_F(GeraNFeTest, GtinFromTheBarcodes) {
  const struct {
    const char *barra, *barraCli, *ean, *eanTrib;
  } kCases[] = {
      {"", "", "SEM GTIN", "SEM GTIN"},
      {"7891234567895", "", "7891234567895", "7891234567895"},                 // valid 789
      {"7891234567890", "", "SEM GTIN", "SEM GTIN"},                           // wrong check digit
      {"5901234123457", "", "SEM GTIN", "SEM GTIN"},                           // valid, not Brazilian
      {"7891234567895", "17891234567892", "17891234567892", "7891234567895"},  // EAN-14 first
      {"7891234567895", "7901234567891", "7901234567891", "7901234567891"},    // customer's EAN-13
      {"7891234567895", "17891234567893", "7891234567895", "7891234567895"},   // bad EAN-14 ignored
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.barra) + "/" + c.barraCli);
    monta();
    cds_.First();
    cds_.Edit();
    cds_.FieldByName("ITEM_BARRA").AsString = c.barra;
    cds_.FieldByName("ITEM_BARRACLI").AsString = c.barraCli;
    cds_.Post();
    gera();
    EXPECT_EQ(item(0, "cEAN_I03"), c.ean);
    EXPECT_EQ(item(0, "cEANTrib_I12"), c.eanTrib);
  }
}

TEST_F(GeraNFeTest, FreightSpreadOverThreeItemsAddsUpToTheHeader) {
  // Items in the dataset's order: AMO-900 150.00, CAM-900 2500.00 and, last,
  // MAL-900 800.00, of 3450.00 in products.
  const struct {
    double frete;
    const char *amo, *cam, *mal;
    long centavos;
  } kCases[] = {
      {10.00, "0.43", "7.25", "2.32", 1000},
      {0.10, "<unset>", "0.07", "0.03", 10},  // under a cent: none; the last takes what is left
      {100.01, "4.35", "72.47", "23.19", 10001},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.frete);
    test::exec("UPDATE " + DBLocal("NOTA") + " SET VAL_FRETE = ? WHERE FATURA = '009001'", {c.frete});
    monta();
    gera();
    ASSERT_EQ(nfe_.Itens().size(), 3u);
    ASSERT_EQ(item(2, "cProd_I02"), "MAL-900");
    EXPECT_EQ(item(0, "vFrete_I15"), c.amo);
    EXPECT_EQ(item(1, "vFrete_I15"), c.cam);
    EXPECT_EQ(item(2, "vFrete_I15"), c.mal);
    long soma = 0;
    for (size_t i = 0; i < 3; ++i)
      if (item(i, "vFrete_I15") != "<unset>") soma += std::lround(std::stod(item(i, "vFrete_I15")) * 100);
    EXPECT_EQ(soma, c.centavos);
    EXPECT_EQ(item(0, "indTot_I17b"), "1");
  }
}

TEST_F(GeraNFeTest, AnInvalidChassisStopsTheGenerationAndTheFilterComesBack) {
  const struct {
    const char* chassi;
    bool valido;
  } kCases[] = {
      {"9BWZZZ377VT004251", true}, {"9BWZZZ377VT00425", false}, {"9BWZZZ377VT00425O", false}, {"", false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.chassi);
    monta();
    for (cds_.First(); !cds_.Eof(); cds_.Next()) {
      cds_.Edit();
      cds_.FieldByName("ITEM_CLA_FIS_ESP_FIS").AsString = "VEICULO";
      cds_.FieldByName("NOTA_DOCTO2").AsString = c.chassi;
      cds_.Post();
    }
    if (c.valido) {
      gera();
      EXPECT_EQ(item(0, "chassi_J03"), c.chassi);
    } else {
      try {
        GeraNFe(nfe_, cds_, chave_, lote_);
        ADD_FAILURE() << "accepted";
      } catch (const EZpkError& e) {
        EXPECT_STREQ(e.what(), "Número do Chassi inválido. Impossível continuar.");
      }
      EXPECT_FALSE(cds_.Filtered);
      EXPECT_EQ(std::string(cds_.Filter), "");
    }
  }
}

TEST_F(GeraNFeTest, AnAlphanumericCnpjKeepsItsLettersInTheEmitterAndTheKey) {
  test::ScopedValue<std::string> cnpj(Tabela.company.cnpj, "12.abc.345/01DE-35");
  monta();
  gera();
  EXPECT_EQ(doc("CNPJ_C02"), "12ABC34501DE35");
  EXPECT_EQ(chave_.substr(6, 14), "12ABC34501DE35");
  EXPECT_NE(lote_.find("<CNPJ>12ABC34501DE35</CNPJ>"), std::string::npos);
}

TEST_F(GeraNFeTest, ReferencedDocumentsOfEveryModel) {
  const std::string k55 = "35250612345678000195550010000012341000012345";
  const std::string k57 = "35250612345678000195570010000004321000043210";
  const char* kRef = " (FATURA, DOCTO, CHAVE, MODELO) VALUES ('009001', ?, ?, ?)";
  test::exec("INSERT INTO " + DBLocal("NOTA_REF") + kRef, {"1234", k55, "55"});
  test::exec("INSERT INTO " + DBLocal("NOTA_REF") + kRef, {"432", k57, "57"});
  test::exec("INSERT INTO " + DBLocal("NOTA_REF") + kRef, {"77", "", "2D"});
  test::exec("INSERT INTO " + DBLocal("NOTA_REF") + kRef, {"5566", "", "01"});
  test::exec("INSERT INTO " + DBLocal("TIPO_FISCAL") +
             " (CODIGO, DESCRICAO, ABREVI) VALUES ('NF1', 'NOTA MODELO 1', '01')");
  test::exec("INSERT INTO " + DBLocal("NOTA_ENTRA") +
             " (NOTAFISCAL, SERIE, CREDOR, DT_EMISSAO, TIPO) VALUES ('5566', '2', '000901', DATE "
             "'2024-11-20', 'NF1')");
  monta();
  gera();
  const auto& refs = nfe_.Partes("NRef");
  ASSERT_EQ(refs.size(), 4u);
  auto valor = [&](size_t i, const char* nome) {
    if (i >= refs.size()) return std::string("<none>");
    auto it = refs[i].find(nome);
    return it == refs[i].end() ? std::string("<unset>") : it->second;
  };
  // NOTA_REF's key is (FATURA, DOCTO): rows come in the database's order, so find them by field.
  size_t i55 = 9, i57 = 9, iECF = 9, i01 = 9;
  for (size_t n = 0; n < refs.size(); ++n) {
    if (refs[n].count("refNFe_BA02")) i55 = n;
    if (refs[n].count("refCTe_BA19")) i57 = n;
    if (refs[n].count("mod_BA21")) iECF = n;
    if (refs[n].count("mod_BA07")) i01 = n;
  }
  EXPECT_EQ(valor(i55, "refNFe_BA02"), k55);
  EXPECT_EQ(valor(i57, "refCTe_BA19"), k57);
  EXPECT_EQ(valor(iECF, "nECF_BA22"), "77");
  EXPECT_EQ(valor(iECF, "nCOO_BA23"), "77");
  EXPECT_EQ(valor(i01, "cUF_BA04"), "33");
  EXPECT_EQ(valor(i01, "AAMM_BA05"), "2411");
  EXPECT_EQ(valor(i01, "CNPJ_BA06"), "56789012000139");
  EXPECT_EQ(valor(i01, "mod_BA07"), "01");
  EXPECT_EQ(valor(i01, "serie_BA08"), "2");
  EXPECT_EQ(valor(i01, "nNF_BA09"), "5566");
  EXPECT_NE(lote_.find("<refNF><cUF>33</cUF><AAMM>2411</AAMM><CNPJ>56789012000139</CNPJ><mod>01</"
                       "mod><serie>2</serie><nNF>5566</nNF></refNF>"),
            std::string::npos);
  EXPECT_NE(lote_.find("<refECF><mod>2D</mod><nECF>77</nECF><nCOO>77</nCOO></refECF>"), std::string::npos);
  EXPECT_NE(lote_.find("<refCTe>" + k57 + "</refCTe>"), std::string::npos);
}

TEST_F(GeraNFeTest, XmlReadersFromTheParameterAndTheDeliveryDocument) {
  const struct {
    const char *parametro, *entrega;
    std::vector<std::string> cnpj, cpf;
  } kCases[] = {
      {"", "", {}, {}},
      {"11.222.333/0001-81", "", {"11222333000181"}, {}},
      {"123.456.789-09", "98.765.432/0001-98", {"98765432000198"}, {"12345678909"}},
      {"", "56.789.012/0001-39", {}, {}},  // the recipient itself reads it anyway
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.parametro) + "/" + c.entrega);
    test::set_parameter("FAT", 140, c.parametro, "001");
    test::exec("UPDATE " + DBLocal("ENTIDADE") + " SET CNPJ_ENT = ? WHERE CODCLI = '000901'", {c.entrega});
    monta();
    gera();
    std::vector<std::string> cnpj, cpf;
    for (const auto& p : nfe_.Partes("autXML")) {
      if (p.count("CNPJ_GA02")) cnpj.push_back(p.at("CNPJ_GA02"));
      if (p.count("CPF_GA03")) cpf.push_back(p.at("CPF_GA03"));
    }
    EXPECT_EQ(cnpj, c.cnpj);
    EXPECT_EQ(cpf, c.cpf);
  }
}

TEST_F(GeraNFeTest, ProductFieldsOfTheDemoItems) {
  monta();
  gera();
  ASSERT_EQ(nfe_.Itens().size(), 3u);
  const struct {
    size_t i;
    const char *campo, *valor;
  } kCases[] = {
      {1, "cProd_I02", "CAM-900"},
      {1, "xProd_I04", "CAMISETA BASICA GOLA CARECA"},
      {1, "NCM_I05", "61091000"},
      {1, "CEST_I05c", "2806400"},
      {1, "indEscala_I05d", "S"},
      {1, "CFOP_I08", "6401"},
      {1, "qCom_I10", "100.0000"},
      {1, "vUnCom_I10a", "25.0000000000"},
      {1, "vProd_I11", "2500.00"},
      {1, "uTrib_I13", "UN"},
      {1, "qTrib_I14", "100.0000"},
      {1, "cEAN_I03", "SEM GTIN"},
      {1, "nItem_H02", "1"},
      {2, "cProd_I02", "MAL-900"},
      {2, "xProd_I04", "MALHA PENTEADA 30/1"},
      {2, "CFOP_I08", "6101"},
      {2, "uCom_I09", "PC"},
      {2, "uTrib_I13", "KG"},            // the fiscal class's unit
      {2, "indEscala_I05d", "<unset>"},  // no CEST, no scale indicator
      {2, "nItem_H02", "2"},
      {0, "nItem_H02", "3"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.campo);
    EXPECT_EQ(item(c.i, c.campo), c.valor);
  }
}

// A description of characters the NF-e cannot carry would leave the item
// without xProd; the generation refuses it naming the field, while one that
// keeps Latin-1 letters goes out with them.
TEST_F(GeraNFeTest, ADescriptionWithNoCharacterTheNFeTakesIsRefusedNamingTheField) {
  const struct {
    const char* descricao;
    const char* xProd;  // nullptr: refused
  } kCases[] = {{"\xF0\x9F\x91\x95\xF0\x9F\x91\x95\xF0\x9F\x91\x95", nullptr},
                {"MALHA \xF0\x9F\x91\x95 AÇÃO", "MALHA  AÇÃO"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.descricao);
    monta();
    for (cds_.First(); !cds_.Eof(); cds_.Next()) {
      cds_.Edit();
      cds_.FieldByName("ITEM_DESCRICAO").AsString = c.descricao;
      cds_.FieldByName("ITEM_DESCRICAO2").AsString = c.descricao;
      cds_.Post();
    }
    if (!c.xProd) {
      try {
        GeraNFe(nfe_, cds_, chave_, lote_);
        ADD_FAILURE() << "no error";
      } catch (const nfe::ENFeError& e) {
        EXPECT_EQ(e.kind(), nfe::NFeErrorKind::invalid_input);
        EXPECT_NE(std::string(e.what()).find("xProd_I04"), std::string::npos) << e.what();
      }
      continue;
    }
    gera();
    EXPECT_EQ(item(0, "xProd_I04"), c.xProd);
    EXPECT_NE(lote_.find(std::string("<xProd>") + c.xProd + "</xProd>"), std::string::npos);
  }
}

// The authoriser refuses a note whose type contradicts its operations: exit
// CFOPs (5, 6, 7) need tpNF 1, entry CFOPs (1, 2, 3) tpNF 0, and the
// generation stops such a note naming the first CFOP that disagrees.
TEST_F(GeraNFeTest, ATypeThatContradictsTheCfopIsRefusedNamingIt) {
  const struct {
    const char* tpBase;
    const char* cfop;
    bool recusada;
  } kCases[] = {{"1", "6401", false},
                {"0", "6401", true},
                {"", "5101", true},
                {"0", "1101", false},
                {"1", "2101", true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.tpBase) + " " + c.cfop);
    monta();
    for (cds_.First(); !cds_.Eof(); cds_.Next()) {
      cds_.Edit();
      cds_.FieldByName("NATUREZA_TP_BASE").AsString = c.tpBase;
      cds_.FieldByName("ITEM_CFOP").AsString = c.cfop;
      cds_.Post();
    }
    if (!c.recusada) {
      gera();
      EXPECT_EQ(item(0, "CFOP_I08"), c.cfop);
      continue;
    }
    try {
      GeraNFe(nfe_, cds_, chave_, lote_);
      ADD_FAILURE() << "no error";
    } catch (const nfe::ENFeError& e) {
      EXPECT_EQ(e.kind(), nfe::NFeErrorKind::invalid_input);
      EXPECT_NE(std::string(e.what()).find(c.cfop), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace zpk
