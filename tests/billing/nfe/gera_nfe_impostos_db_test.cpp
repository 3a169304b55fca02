// The NF-e's tax groups per item and its invoice-level groups on a real
// database: the demo invoice's figures, the tax situations, the DIFAL
// condition, freight, instalments, payment kinds, the tax reconciliation and
// the documents of alphanumeric CNPJs.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/gera_nfe_grupos.hpp"
#include "billing/nfe/valida_nfe.hpp"
#include "billing/nfe/xml_nfe.hpp"
#include "billing/nota_dataset.hpp"
#include "foundation/lookups.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"

namespace zpk::nfe::detail {
namespace {

namespace fs = std::filesystem;

// The header decisions the identification and recipient groups take.
struct Cabecalho {
  std::string idDest = "2", indFinal = "1", indIEDest = "9", ISUF, finNFe = "1";
};

// One generation on a stored invoice: the dataset filtered to the item rows
// and the groups of this file called in the generation's order.
class Geracao {
 public:
  Geracao(const std::string& Fatura, const Cabecalho& C = {}) {
    TTIQuery q(Tabela.IBDatabase);
    // In line order, so that item i is line i + 1.
    EXPECT_GT(MontaDataSetNota(q, cds, Fatura, NotaOrdem::by_order), 0) << Fatura;
    cds.Filter = "ITEM_EMPENHO = 'N'";
    cds.Filtered = true;
    NFe.NovaNFe();
    G.idDest = C.idDest;
    G.indFinal = C.indFinal;
    G.indIEDest = C.indIEDest;
    G.ISUF = C.ISUF;
    G.finNFe = C.finNFe;
  }
  // The item loop: the tax groups of every item row (with Produto, a
  // product group standing in for the product groups of the generation).
  Geracao& Itens(bool Produto = false) {
    for (cds.First(); !cds.Eof(); cds.Next()) {
      NFe.IncluirItem();
      if (Produto) {
        const std::pair<const char*, std::string> campos[] = {
            {"cProd_I02", G.Texto("ITEM_CODIGO")},
            {"cEAN_I03", "SEM GTIN"},
            {"xProd_I04", G.Texto("ITEM_DESCRICAO")},
            {"NCM_I05", G.Texto("ITEM_CLA_FIS_DESC")},
            {"CFOP_I08", G.Texto("ITEM_CFOP")},
            {"uCom_I09", "UN"},
            {"qCom_I10", FormataPonto(G.Numero("ITEM_QTDE"), 4)},
            {"vUnCom_I10a", FormataPonto(G.Numero("ITEM_PRECO"), 4)},
            {"vProd_I11", FormataPonto(G.Numero("ITEM_VALOR"), 2)},
            {"cEANTrib_I12", "SEM GTIN"},
            {"uTrib_I13", "UN"},
            {"qTrib_I14", FormataPonto(G.Numero("ITEM_QTDE"), 4)},
            {"vUnTrib_I14a", FormataPonto(G.Numero("ITEM_PRECO"), 4)},
            {"indTot_I17b", "1"}};
        for (const auto& [nome, valor] : campos) NFe.Campo(nome) = valor;
      }
      GrupoCOFINS(G);
      GrupoPIS(G);
      GrupoIPI(G);
      GrupoICMS(G);
      GrupoDIFAL(G);
      GrupoTributosAproximados(G);
      NFe.SalvarItem();
    }
    cds.Last();
    return *this;
  }
  // The reconciliation and every invoice-level group.
  Geracao& Nota() {
    ReconciliaImpostos(G);
    GrupoTotais(G);
    GrupoTransporte(G);
    GrupoInformacoesAdicionais(G);
    GrupoCobranca(G);
    GrupoPagamento(G);
    GrupoIntermediador(G);
    GrupoResponsavelTecnico(G);
    return *this;
  }
  // A field of item `i` (0-based), "-" when not written.
  std::string Item(size_t i, const std::string& nome) const {
    const auto& item = NFe.Itens().at(i);
    auto it = item.find(nome);
    return it == item.end() ? "-" : it->second;
  }
  std::string Doc(const std::string& nome) const {
    auto it = NFe.Documento().find(nome);
    return it == NFe.Documento().end() ? "-" : it->second;
  }

  // The identification, emitter and recipient groups as the header groups
  // of the generation fill them for this invoice.
  void CabecalhoMinimo() {
    const std::pair<const char*, std::string> campos[] = {{"cUF_B02", "35"},
                                                          {"cNF_B03", "12345678"},
                                                          {"natOp_B04", "VENDA"},
                                                          {"mod_B06", "55"},
                                                          {"serie_B07", "1"},
                                                          {"nNF_B08", "9001"},
                                                          {"dhEmi_B09", "2025-06-02T10:00:00-03:00"},
                                                          {"tpNF_B11", "1"},
                                                          {"idDest_B11a", G.idDest},
                                                          {"cMunFG_B12", "3550308"},
                                                          {"tpImp_B21", "1"},
                                                          {"tpEmis_B22", "1"},
                                                          {"tpAmb_B24", "2"},
                                                          {"finNFe_B25", G.finNFe},
                                                          {"indFinal_B25a", G.indFinal},
                                                          {"indPres_B25b", "9"},
                                                          {"procEmi_B26", "0"},
                                                          {"verProc_B27", "001"},
                                                          {"CNPJ_C02", "12345678000195"},
                                                          {"xNome_C03", "TECELAGEM EXEMPLO LTDA"},
                                                          {"xLgr_C06", "RUA A"},
                                                          {"nro_C07", "10"},
                                                          {"xBairro_C09", "CENTRO"},
                                                          {"cMun_C10", "3550308"},
                                                          {"xMun_C11", "SAO PAULO"},
                                                          {"UF_C12", "SP"},
                                                          {"CEP_C13", "01001000"},
                                                          {"IE_C17", "111111111111"},
                                                          {"CRT_C21", Tabela.company.crt},
                                                          {"CNPJ_E02", "56789012000139"},
                                                          {"xNome_E04", "CONFECCOES CARIOCA LTDA"},
                                                          {"xLgr_E06", "RUA DA ALFANDEGA"},
                                                          {"nro_E07", "200"},
                                                          {"xBairro_E09", "CENTRO"},
                                                          {"cMun_E10", "3304557"},
                                                          {"xMun_E11", "RIO DE JANEIRO"},
                                                          {"UF_E12", "RJ"},
                                                          {"indIEDest_E16a", G.indIEDest}};
    for (const auto& [nome, valor] : campos) NFe.Campo(nome) = valor;
  }

  TNFeCampos NFe;
  TClientDataSet cds;
  GeracaoNFe G{NFe, cds};
};

class GeraNFeImpostos : public test::DatabaseTest {
 protected:
  void SetUp() override {
    fs::create_directories(programa_);
    set_program_folder(programa_);
  }
  void TearDown() override {
    set_program_folder({});
    DatabaseTest::TearDown();
  }
  void nfe_ini(const std::string& texto) { std::ofstream(programa_ / "NFe.ini") << texto; }

  // An invoice to customer 000901 (Rio de Janeiro) of nature 6101.
  static void nota(const std::string& fatura, double valor_icms, double valor_pis, double valor_cofins) {
    test::exec("INSERT INTO " + DBLocal("NOTA") +
                   " (FATURA, SERIE, CODCLI, NATUREZA, TRANSPORT, DT_EMISSAO, VALOR, VAL_PRODUTOS, VAL_ICMS, "
                   "VAL_PIS, VAL_COFINS, VAL_ICMS_DEST, CIF) VALUES (?, '1', '000901', '6101', 'T001', "
                   "DATE '2025-06-02', 1000, 1000, ?, ?, ?, 0, '1')",
               {fatura, valor_icms, valor_pis, valor_cofins});
  }
  struct Linha {
    const char* cst;       // ICMS situation
    const char* trib_pis;  // PIS and COFINS situation
    double base_icms, perc_icms, perc_red, perc_st, base_st, valor_st, valor_st_fcp, perc_dif, valor_dif;
  };
  // Item `ordem` of 100.00 (2 units), PIS 1.65 % and COFINS 7.6 % on 100.00.
  static void item(const std::string& fatura, int ordem, const Linha& l) {
    test::exec(
        "INSERT INTO " + DBLocal("NOTAITEN") +
            " (FATURA, CODIGO, DESCRICAO, VALOR, PRECO, EMPENHO, ORDEM, TIPO, TIPO_IT, QTDE, QTDE_TRIB, "
            "NATUREZA, "
            "CLA_FIS, CLA_TRIB, ORIGEM, BASE_ICMS, PERC_ICMS, PERC_RED, PERC_ST, BASE_ST, VALOR_ST, "
            "VALOR_ST_FCP, PERC_DIF, VALOR_DIF, TRIB_IPI, TRIB_PIS, BASE_PIS, PERC_PIS, TRIB_COFINS, "
            "BASE_COFINS, PERC_COFINS) VALUES (?, 'CAM-900', 'CAMISETA', 100, 50, 'N', ?, 'N', 'P', 2, 2, "
            "'6101', '9001', ?, '0', ?, ?, ?, ?, ?, ?, ?, ?, ?, '53', ?, 100, 1.65, ?, 100, 7.6)",
        {fatura, ordem, l.cst, l.base_icms, l.perc_icms, l.perc_red, l.perc_st, l.base_st, l.valor_st,
         l.valor_st_fcp, l.perc_dif, l.valor_dif, l.trib_pis, l.trib_pis});
  }

  test::TempFolder temp_{"nfe-impostos"};
  fs::path programa_ = temp_.path() / "programa";
  HeadlessDialogs dialogs_;
  ScopedDialogService dialog_guard_{dialogs_};
  test::ScopedValue<std::string> crt_{Tabela.company.crt, "3"};
};

TEST_F(GeraNFeImpostos, DemoInvoiceGivesItsTaxFiguresToTheCent) {
  nfe_ini(
      "[RespTec]\nCNPJ=12.ABC.345/01DE-35\nContato=Suporte Zelvo\nEmail=nfe_suporte@zelvo.example\n"
      "Fone=(11) 3333-4444\n");
  Geracao g("009001");
  g.Itens().Nota();
  ASSERT_EQ(g.NFe.Itens().size(), 3u);
  EXPECT_TRUE(dialogs_.records().empty()) << "the item sums agree with the stored totals";

  // Line 1: ICMS 10 with ST at RJ's 20 % on a 40 % margin and FCP-ST 2 %.
  EXPECT_EQ(g.Item(0, "CST_N12"), "10");
  EXPECT_EQ(g.Item(0, "vICMS_N17"), "300.00");
  EXPECT_EQ(g.Item(0, "pMVAST_N19"), "40.0000");
  EXPECT_EQ(g.Item(0, "vBCST_N21"), "3500.00");
  EXPECT_EQ(g.Item(0, "pICMSST_N22"), "20.0000");
  EXPECT_EQ(g.Item(0, "vICMSST_N23"), "400.00");
  EXPECT_EQ(g.Item(0, "pFCPST_N23b"), "2.0000");
  EXPECT_EQ(g.Item(0, "vFCPST_N23d"), "70.00");
  EXPECT_EQ(g.Item(0, "vPIS_Q09"), "41.25");
  EXPECT_EQ(g.Item(0, "vCOFINS_S11"), "190.00");
  EXPECT_EQ(g.Item(0, "cEnq_O06"), "999");
  EXPECT_EQ(g.Item(0, "CST_O09"), "53");
  EXPECT_EQ(g.Item(0, "vIPI_O14"), "-");
  // Line 2: final consumption in RJ, DIFAL 8 % of 800.00 and FCP 2 %.
  EXPECT_EQ(g.Item(1, "vBCUFDest_NA03"), "800.00");
  EXPECT_EQ(g.Item(1, "pICMSUFDest_NA07"), "20.0000");
  EXPECT_EQ(g.Item(1, "pICMSInter_NA09"), "12.00");
  EXPECT_EQ(g.Item(1, "vICMSUFDest_NA15"), "64.00");
  EXPECT_EQ(g.Item(1, "vFCPUFDest_NA13"), "16.00");
  EXPECT_EQ(g.Item(1, "vICMSUFRemet_NA17"), "0.00");
  // Line 3: exempt, no ICMS hence no rate difference; PIS 2.475 -> 2.48.
  EXPECT_EQ(g.Item(2, "CST_N12"), "40");
  EXPECT_EQ(g.Item(2, "vICMSUFDest_NA15"), "-");
  EXPECT_EQ(g.Item(2, "vPIS_Q09"), "2.48");
  // Approximate tax (FAT 410 "S"): 786.25 + 224.80 + 47.175 -> 47.18.
  EXPECT_EQ(g.Item(2, "vTotTrib_M02"), "47.18");

  const struct {
    const char* campo;
    const char* valor;
  } kTotais[] = {
      {"vBC_W03", "3300.00"},
      {"vICMS_W04", "396.00"},
      {"vST_W06", "400.00"},
      {"vFCPST_W06a", "70.00"},
      {"vICMSUFDest_W04e", "64.00"},
      {"vFCPUFDest_W04c", "16.00"},
      {"vPIS_W13", "56.93"},
      {"vCOFINS_W14", "262.20"},
      {"vProd_W07", "3450.00"},
      {"vNF_W16", "3920.00"},
      {"vTotTrib_W16a", "1058.23"},
      {"vIPIDevol_W12a", "0.00"},
      {"modFrete_X02", "0"},
      {"CNPJ_X04", "12345678000195"},
      {"nFat_Y03", "009001"},
      {"vOrig_Y04", "3920.00"},
      {"vLiq_Y06", "3920.00"},
      {"vTroco_YA09", "0.00"},
      {"CNPJ_ZD02", "12ABC34501DE35"},
      {"xContato_ZD04", "Suporte Zelvo"},
      {"email_ZD05", "nfe_suporte@zelvo.example"},
      {"fone_ZD06", "1133334444"},
  };
  for (const auto& t : kTotais) {
    SCOPED_TRACE(t.campo);
    EXPECT_EQ(g.Doc(t.campo), t.valor);
  }
  EXPECT_DOUBLE_EQ(g.G.SomaICMS, 396.00);
  EXPECT_DOUBLE_EQ(g.G.SomaPIS, 56.93);
  EXPECT_DOUBLE_EQ(g.G.SomaCOFINS, 262.20);
  EXPECT_DOUBLE_EQ(g.G.SomaICMSDest, 64.00);

  // Two instalments numbered from 001, the whole paid by bank slip (MOEDA "A" kind "2").
  ASSERT_EQ(g.NFe.Cobrancas().size(), 2u);
  EXPECT_EQ(g.NFe.Cobrancas()[0].at("nDup_Y08"), "001");
  EXPECT_EQ(g.NFe.Cobrancas()[0].at("dVenc_Y09"), "2025-07-02");
  EXPECT_EQ(g.NFe.Cobrancas()[1].at("nDup_Y08"), "002");
  EXPECT_EQ(g.NFe.Cobrancas()[1].at("vDup_Y10"), "1960.00");
  ASSERT_EQ(g.NFe.Partes("YA").size(), 1u);
  EXPECT_EQ(g.NFe.Partes("YA")[0].at("tPag_YA02"), "15");
  EXPECT_EQ(g.NFe.Partes("YA")[0].at("vPag_YA03"), "3920.00");

  const std::string infCpl = g.Doc("infCpl_Z03");
  for (const char* parte :
       {"Valor Aprox. Tributos R$ 1.058,23 ( 30,67 %). Fonte IBPT.", " ICMS RJ: R$ 64,00 Valor FCP: R$ 16,00",
        "Valor de Substituição Tributária de Fundo Combate a Pobreza: R$ 70,00",
        "ICMS ST recolhido pelo remetente", "PEDIDO :PD9001", "CLIENTE - CARIOCA(000901)"}) {
    EXPECT_NE(infCpl.find(parte), std::string::npos) << parte << "\nin: " << infCpl;
  }
}

// Every violation as one text, for failure messages.
std::string Lista(const std::vector<ViolacaoNFe>& Violacoes) {
  std::string texto;
  for (const auto& v : Violacoes) texto += v.Campo + ": " + v.Mensagem + "\n";
  return texto;
}

// What the tax and invoice-level groups write is what the schema takes: the
// demo invoice (ST with FCP, DIFAL, exemption, two instalments) and an invoice
// of every ICMS situation, under a stand-in header and product group.
TEST_F(GeraNFeImpostos, GroupsGiveSchemaValidXml) {
  nfe_ini(
      "[RespTec]\nCNPJ=12.345.678/0001-95\nContato=Suporte Zelvo\nEmail=nfe@zelvo.example\n"
      "Fone=(11) 3333-4444\n");
  nota("T59003", 67.20, 8.25, 38.00);
  const Linha kLinhas[] = {
      {"00", "01", 100, 12, 0, 0, 0, 0, 0, 0, 0},       {"10", "03", 100, 12, 0, 40, 140, 4.80, 2.80, 0, 0},
      {"20", "04", 100, 12, 30, 0, 0, 0, 0, 0, 0},      {"30", "06", 0, 0, 0, 40, 140, 16.80, 0, 0, 0},
      {"40", "09", 0, 0, 0, 0, 0, 0, 0, 0, 0},          {"51", "", 100, 12, 0, 0, 0, 0, 0, 40, 4.80},
      {"60", "49", 0, 0, 0, 0, 140, 16.80, 2.80, 0, 0}, {"70", "01", 100, 12, 30, 40, 140, 4.80, 0, 0, 0},
      {"90", "01", 100, 12, 0, 40, 140, 4.80, 0, 0, 0},
  };
  int ordem = 0;
  for (const auto& l : kLinhas) item("T59003", ++ordem, l);
  for (const char* fatura : {"009001", "T59003"}) {
    SCOPED_TRACE(fatura);
    dialogs_.clear();
    dialogs_.reply("Não");
    Geracao g(fatura);
    g.CabecalhoMinimo();
    g.Itens(true).Nota();
    XmlNFe xml = GeraXmlNFe(g.NFe);
    auto violacoes = ValidaXmlNFe(xml.Xml);
    EXPECT_TRUE(violacoes.empty()) << Lista(violacoes) << xml.Xml;
    // The lines of the additional information stay apart, one blank between.
    if (std::string(fatura) == "009001")
      EXPECT_NE(xml.Xml.find("R$ 70,00 ICMS ST recolhido pelo remetente. Diferencial"), std::string::npos)
          << xml.Xml;
  }
}

TEST_F(GeraNFeImpostos, IcmsAndContributionFieldsFollowTheTaxSituation) {
  nota("T59001", 0, 0, 0);
  // ICMS by situation on 100.00 at 12 %; PIS/COFINS situations alongside.
  const Linha kLinhas[] = {
      {"00", "01", 100, 12, 0, 0, 0, 0, 0, 0, 0},       {"10", "03", 100, 12, 0, 40, 140, 4.80, 2.80, 0, 0},
      {"20", "04", 100, 12, 30, 0, 0, 0, 0, 0, 0},      {"30", "06", 0, 0, 0, 40, 140, 16.80, 0, 0, 0},
      {"40", "09", 0, 0, 0, 0, 0, 0, 0, 0, 0},          {"51", "", 100, 12, 0, 0, 0, 0, 0, 40, 4.80},
      {"60", "49", 0, 0, 0, 0, 140, 16.80, 2.80, 0, 0}, {"70", "01", 100, 12, 30, 40, 140, 4.80, 0, 0, 0},
  };
  int ordem = 0;
  for (const auto& l : kLinhas) item("T59001", ++ordem, l);
  Geracao g("T59001");
  g.Itens();
  ASSERT_EQ(g.NFe.Itens().size(), 8u);

  // "-": the field is not written for that situation.
  const struct {
    size_t i;
    const char* campo;
    const char* valor;
  } kIcms[] = {
      {0, "CST_N12", "00"},          {0, "vICMS_N17", "12.00"},      {0, "modBCST_N18", "-"},
      {0, "pRedBC_N14", "-"},        {1, "vICMS_N17", "12.00"},      {1, "modBCST_N18", "4"},
      {1, "vICMSST_N23", "4.80"},    {1, "vFCPST_N23d", "2.80"},     {2, "pRedBC_N14", "30.0000"},
      {2, "vICMS_N17", "12.00"},     {2, "vICMSST_N23", "-"},        {3, "vICMS_N17", "-"},
      {3, "vICMSST_N23", "16.80"},   {3, "vFCPST_N23d", "-"},        {4, "CST_N12", "40"},
      {4, "vBC_N15", "-"},           {4, "modBCST_N18", "-"},        {5, "vICMSOp_N16a", "12.00"},
      {5, "pDif_N16b", "40.0000"},   {5, "vICMSDif_N16c", "4.80"},   {5, "vICMS_N17", "7.20"},
      {6, "vBCSTRet_N26", "140.00"}, {6, "vICMSSTRet_N27", "16.80"}, {6, "vFCPSTRet_N27d", "2.80"},
      {6, "vICMS_N17", "-"},         {7, "pRedBC_N14", "30.0000"},   {7, "vICMSST_N23", "4.80"},
      {7, "orig_N11", "0"},          {7, "CSOSN_N12a", "-"},
  };
  for (const auto& c : kIcms) {
    SCOPED_TRACE(std::to_string(c.i) + " " + c.campo);
    EXPECT_EQ(g.Item(c.i, c.campo), c.valor);
  }
  // PIS 1.65 % and COFINS 7.6 % of 100.00 by situation; "03" by quantity
  // (2 units), "04"-"09" the situation only, blank taken as "99".
  const struct {
    size_t i;
    const char *cst, *vBC, *qBCProd, *vAliqProd, *vPIS, *vCOFINS;
  } kContribuicoes[] = {
      {0, "01", "100.00", "-", "-", "1.65", "7.60"},
      {1, "03", "-", "2.0000", "0.8250", "1.65", "7.60"},
      {2, "04", "-", "-", "-", "-", "-"},
      {3, "06", "-", "-", "-", "-", "-"},
      {4, "09", "-", "-", "-", "-", "-"},
      {5, "99", "100.00", "-", "-", "1.65", "7.60"},
      {6, "49", "100.00", "-", "-", "1.65", "7.60"},
  };
  for (const auto& c : kContribuicoes) {
    SCOPED_TRACE(c.i);
    EXPECT_EQ(g.Item(c.i, "CST_Q06"), c.cst);
    EXPECT_EQ(g.Item(c.i, "CST_S06"), c.cst);
    EXPECT_EQ(g.Item(c.i, "vBC_Q07"), c.vBC);
    EXPECT_EQ(g.Item(c.i, "qBCProd_Q10"), c.qBCProd);
    EXPECT_EQ(g.Item(c.i, "vAliqProd_Q11"), c.vAliqProd);
    EXPECT_EQ(g.Item(c.i, "vPIS_Q09"), c.vPIS);
    EXPECT_EQ(g.Item(c.i, "vCOFINS_S11"), c.vCOFINS);
  }
  EXPECT_EQ(g.Item(1, "vAliqProd_S10"), "3.8000");
  // Summed: ICMS 12 + 12 + 12 + 7.20 + 12; PIS of the five items that carry it.
  EXPECT_NEAR(g.G.SomaICMS, 55.20, 1e-9);
  EXPECT_NEAR(g.G.SomaPIS, 5 * 1.65, 1e-9);
  EXPECT_NEAR(g.G.SomaDiferido, 4.80, 1e-9);
}

TEST_F(GeraNFeImpostos, IpiByRateOrPerUnitWithItsFramingCodeOrReturned) {
  nota("T59004", 24, 4.95, 22.80);
  for (int ordem = 1; ordem <= 3; ++ordem) item("T59004", ordem, {"00", "01", 100, 12, 0, 0, 0, 0, 0, 0, 0});
  // Line 1: situation 50 at 10 % with framing code 101 for RJ; line 2:
  // situation 99 by quantity (TP_CALC "Q"), 1.50 per unit; line 3: not taxed.
  test::exec("UPDATE " + DBLocal("NOTAITEN") +
             " SET TRIB_IPI = '50', BASE_IPI = 100, PERC_IPI = 10 WHERE FATURA = 'T59004' AND ORDEM = 1");
  test::exec("UPDATE " + DBLocal("NOTAITEN") +
             " SET TRIB_IPI = '99', BASE_IPI = 100, PERC_IPI = 1.5 WHERE FATURA = 'T59004' AND ORDEM = 2");
  test::exec("UPDATE " + DBLocal("TABTRI") + " SET TP_CALC = 'Q' WHERE TIPO = 'IP' AND CODIGO = '99'");
  test::exec("INSERT INTO " + DBLocal("TRIBCST") +
             " (CODTRIB, TIPO, NATUREZA, UF, ENQ_IPI) VALUES ('50', 'IPI', '6101', 'RJ', '101')");
  {
    Geracao g("T59004");
    g.Itens();
    const struct {
      size_t i;
      const char *campo, *valor;
    } kCasos[] = {
        {0, "cEnq_O06", "101"},     {0, "CST_O09", "50"},       {0, "vBC_O10", "100.00"},
        {0, "pIPI_O13", "10.0000"}, {0, "vIPI_O14", "10.00"},   {0, "qUnid_O11", "-"},
        {1, "cEnq_O06", "999"},     {1, "qUnid_O11", "2.0000"}, {1, "vUnid_O12", "1.5000"},
        {1, "vIPI_O14", "3.00"},    {1, "vBC_O10", "-"},        {2, "CST_O09", "53"},
        {2, "vIPI_O14", "-"},       {0, "pDevol_UA02", "-"},
    };
    for (const auto& c : kCasos) {
      SCOPED_TRACE(std::to_string(c.i) + " " + c.campo);
      EXPECT_EQ(g.Item(c.i, c.campo), c.valor);
    }
  }
  // A return (purpose 4) under COM 110 "S" gives the IPI back instead.
  test::ScopedValue<std::string> com110{sParamCOM110, "S"};
  Cabecalho devolucao;
  devolucao.finNFe = "4";
  test::exec("UPDATE " + DBLocal("NOTA") + " SET VAL_IPI = 13 WHERE FATURA = 'T59004'");
  Geracao g("T59004", devolucao);
  g.Itens();
  GrupoTotais(g.G);
  EXPECT_EQ(g.Item(0, "pDevol_UA02"), "100.00");
  EXPECT_EQ(g.Item(0, "vIPIDevol_UA04"), "10.00");
  EXPECT_EQ(g.Item(0, "CST_O09"), "-");
  EXPECT_EQ(g.Doc("vIPI_W12"), "0.00");
  EXPECT_EQ(g.Doc("vIPIDevol_W12a"), "13.00");
}

TEST_F(GeraNFeImpostos, ExemptedIcmsIsSharedOverTheItemsWithItsReason) {
  nota("T59005", 24, 4.95, 22.80);
  test::exec("UPDATE " + DBLocal("NOTA") +
             " SET VAL_PRODUTOS = 300, VAL_DESONERA = 10 WHERE FATURA = 'T59005'");
  item("T59005", 1, {"20", "01", 100, 12, 30, 0, 0, 0, 0, 0, 0});
  item("T59005", 2, {"00", "01", 100, 12, 0, 0, 0, 0, 0, 0, 0});
  item("T59005", 3, {"40", "01", 0, 0, 0, 0, 0, 0, 0, 0, 0});
  // 100 / 300 x 10.00 = 3.33 each; the last item takes 10.00 - 6.66 + 3.33.
  // The reason is SUFRAMA ("7") only for an exempt situation of a customer
  // with its registration.
  const struct {
    const char* isuf;
    const char *mot1, *mot3;
  } kCasos[] = {{"", "9", "9"}, {"123456789", "9", "7"}};
  for (const auto& c : kCasos) {
    SCOPED_TRACE(c.isuf);
    Cabecalho cab;
    cab.ISUF = c.isuf;
    Geracao g("T59005", cab);
    g.Itens();
    GrupoTotais(g.G);
    EXPECT_EQ(g.Item(0, "vICMSDeson_N28a"), "3.33");
    EXPECT_EQ(g.Item(0, "motDesICMS_N28"), c.mot1);
    EXPECT_EQ(g.Item(1, "vICMSDeson_N28a"), "-");
    EXPECT_EQ(g.Item(2, "vICMSDeson_N28a"), "6.67");
    EXPECT_EQ(g.Item(2, "motDesICMS_N28"), c.mot3);
    EXPECT_EQ(g.Doc("vICMSDeson_W04a"), "10.00");
  }
}

TEST_F(GeraNFeImpostos, SimpleRegimeWritesTheCsosnAndItsCredit) {
  test::ScopedValue<std::string> crt{Tabela.company.crt, "1"};
  test::ScopedValue<double> credito{Tabela.company.simples_credit_rate, 2.56};
  nota("T59002", 0, 0, 0);
  item("T59002", 1, {"101", "01", 0, 0, 0, 0, 0, 0, 0, 0, 0});
  item("T59002", 2, {"102", "01", 0, 0, 0, 0, 0, 0, 0, 0, 0});
  item("T59002", 3, {"500", "01", 0, 0, 0, 0, 140, 16.80, 0, 0, 0});
  Geracao g("T59002");
  g.Itens();
  const struct {
    size_t i;
    const char* campo;
    const char* valor;
  } kCasos[] = {
      {0, "CSOSN_N12a", "101"},       {0, "CST_N12", "-"},           {0, "pCredSN_N29", "2.5600"},
      {0, "vCredICMSSN_N30", "2.56"}, {1, "CSOSN_N12a", "102"},      {1, "pCredSN_N29", "-"},
      {2, "CSOSN_N12a", "500"},       {2, "vBCSTRet_N26", "140.00"}, {2, "vICMSSTRet_N27", "16.80"},
  };
  for (const auto& c : kCasos) {
    SCOPED_TRACE(std::to_string(c.i) + " " + c.campo);
    EXPECT_EQ(g.Item(c.i, c.campo), c.valor);
  }
}

TEST_F(GeraNFeImpostos, DifalOnlyForAnInterstateSaleToANonContributorFinalConsumer) {
  const struct {
    Cabecalho cabecalho;
    bool difal;
  } kCasos[] = {
      {{"2", "1", "9"}, true},  {{"1", "1", "9"}, false}, {{"3", "1", "9"}, false},
      {{"2", "0", "9"}, false}, {{"2", "1", "1"}, false}, {{"2", "1", "2"}, false},
  };
  for (const auto& c : kCasos) {
    SCOPED_TRACE(c.cabecalho.idDest + c.cabecalho.indFinal + c.cabecalho.indIEDest);
    Geracao g("009001", c.cabecalho);
    g.Itens();
    GrupoTotais(g.G);
    EXPECT_EQ(g.Item(1, "vICMSUFDest_NA15"), c.difal ? "64.00" : "-");
    EXPECT_EQ(g.Doc("vICMSUFDest_W04e"), c.difal ? "64.00" : "-");
    EXPECT_EQ(g.Doc("vFCPUFDest_W04c"), c.difal ? "16.00" : "-");
  }
  // A return nature owes no DIFAL whatever the recipient.
  test::exec("UPDATE " + DBLocal("NATUREZA") + " SET TIPO = 'R' WHERE NATUREZA = '6401'");
  Geracao g("009001");
  g.Itens();
  EXPECT_EQ(g.Item(1, "vICMSUFDest_NA15"), "-");
}

TEST_F(GeraNFeImpostos, FreightModeOfEveryCifAndTheCarrierDocumentWithItsLetters) {
  const struct {
    const char* cif;
    const char* modFrete;
  } kCasos[] = {{"1", "0"}, {"2", "1"}, {"3", "2"}, {"4", "9"}, {"5", "3"},
                {"6", "4"}, {"9", "9"}, {"C", "9"}, {"", "9"}};
  for (const auto& c : kCasos) {
    SCOPED_TRACE(c.cif);
    test::exec("UPDATE " + DBLocal("NOTA") + " SET CIF = ? WHERE FATURA = '009001'", {c.cif});
    Geracao g("009001");
    GrupoTransporte(g.G);
    EXPECT_EQ(g.Doc("modFrete_X02"), c.modFrete);
  }
  const struct {
    const char *cgc, *cnpj, *cpf;
  } kDocumentos[] = {
      {"12.ABC.345/01DE-35", "12ABC34501DE35", "-"},
      {"12.abc.345/01de-35", "12ABC34501DE35", "-"},
      {"123.456.789-09", "-", "12345678909"},
  };
  for (const auto& d : kDocumentos) {
    SCOPED_TRACE(d.cgc);
    test::exec("UPDATE " + DBLocal("TABTRAN") + " SET CGC = ? WHERE CODIGO = 'T001'", {d.cgc});
    Geracao g("009001");
    GrupoTransporte(g.G);
    EXPECT_EQ(g.Doc("CNPJ_X04"), d.cnpj);
    EXPECT_EQ(g.Doc("CPF_X05"), d.cpf);
    EXPECT_EQ(g.Doc("xNome_X06"), "RODOVIARIO PAULISTA LTDA");
  }
}

TEST_F(GeraNFeImpostos, StTitlesAreNotBilledAndTheUncoveredRestIsDeclared) {
  // A title of the ST and a smaller second instalment: billed 1,960.00 + 1,000.00.
  test::exec("INSERT INTO " + DBLocal("RECEBER") +
             " (NUMERO, CODCLI, FATURA, VALOR2, VALOR, DT_VENCTO, DT_EMISSAO, SITUACAO, STATUS) VALUES "
             "('009001/ST', '000901', '009001', 470, 470, DATE '2025-06-10', DATE '2025-06-02', 'A', 'N')");
  test::exec("UPDATE " + DBLocal("RECEBER") + " SET VALOR2 = 1000 WHERE NUMERO = '009001/2'");
  Geracao g("009001");
  GrupoCobranca(g.G);
  GrupoPagamento(g.G);
  ASSERT_EQ(g.NFe.Cobrancas().size(), 2u);
  EXPECT_EQ(g.NFe.Cobrancas()[0].at("dVenc_Y09"), "2025-07-02");
  EXPECT_EQ(g.NFe.Cobrancas()[1].at("nDup_Y08"), "002");
  EXPECT_EQ(g.Doc("vOrig_Y04"), "2960.00");
  ASSERT_EQ(g.NFe.Partes("YA").size(), 2u);
  EXPECT_EQ(g.NFe.Partes("YA")[0].at("vPag_YA03"), "2960.00");
  EXPECT_EQ(g.NFe.Partes("YA")[1].at("tPag_YA02"), "90");
  EXPECT_EQ(g.NFe.Partes("YA")[1].at("vPag_YA03"), "0.00");
}

TEST_F(GeraNFeImpostos, PaymentKindOfTheFirstTitleAndOfInvoicesWithoutTitles) {
  const struct {
    const char *tipo, *tPag;
  } kTipos[] = {{"0", "01"}, {"1", "02"}, {"2", "15"}, {"3", "03"}, {"5", "04"},
                {"7", "16"}, {"8", "17"}, {"9", "18"}, {"4", "15"}, {"X", "15"}};
  for (const auto& t : kTipos) {
    SCOPED_TRACE(t.tipo);
    test::exec("UPDATE " + DBLocal("MOEDA") + " SET TIPO = ? WHERE SITUACAO = 'A'", {t.tipo});
    Geracao g("009001");
    GrupoPagamento(g.G);
    ASSERT_EQ(g.NFe.Partes("YA").size(), 1u);
    EXPECT_EQ(g.NFe.Partes("YA")[0].at("tPag_YA02"), t.tPag);
  }
  // Without titles: a complementary invoice declares its whole value as "99",
  // any other purpose "90" without amount.
  test::exec("DELETE FROM " + DBLocal("RECEBER") + " WHERE FATURA = '009001'");
  const struct {
    const char *finNFe, *tPag, *xPag, *vPag;
  } kSemTitulos[] = {
      {"2", "99", "Pagamento Complementar", "3920.00"}, {"1", "90", "-", "0.00"}, {"4", "90", "-", "0.00"}};
  for (const auto& c : kSemTitulos) {
    SCOPED_TRACE(c.finNFe);
    Cabecalho cab;
    cab.finNFe = c.finNFe;
    Geracao g("009001", cab);
    GrupoPagamento(g.G);
    ASSERT_EQ(g.NFe.Partes("YA").size(), 1u);
    const auto& ya = g.NFe.Partes("YA")[0];
    EXPECT_EQ(ya.at("tPag_YA02"), c.tPag);
    EXPECT_EQ(ya.count("xPag_YA02a") ? ya.at("xPag_YA02a") : "-", c.xPag);
    EXPECT_EQ(ya.at("vPag_YA03"), c.vPag);
  }
}

TEST_F(GeraNFeImpostos, DifferingTaxTotalIsReplacedAndStoredOnlyOnYes) {
  const struct {
    const char* resposta;
    double icms_gravado;
  } kCasos[] = {{"Sim", 396.00}, {"Não", 390.00}};
  for (const auto& c : kCasos) {
    SCOPED_TRACE(c.resposta);
    test::exec("UPDATE " + DBLocal("NOTA") + " SET VAL_ICMS = 390, VAL_PIS = 56.93 WHERE FATURA = '009001'");
    dialogs_.clear();
    dialogs_.reply(c.resposta);
    Geracao g("009001");
    g.Itens();
    ReconciliaImpostos(g.G);
    ASSERT_EQ(dialogs_.records().size(), 1u);
    EXPECT_EQ(dialogs_.last().caption, "Transmissão de NFe");
    EXPECT_EQ(
        dialogs_.last().text,
        "Atenção! Devido ao agrupamento de Itens na transmissão da NFe é necessário refazer a cálculo de "
        "impostos.\r\nDeseja Recalcular?");
    EXPECT_EQ(dialogs_.last().type, TMsgDlgType::mtWarning);
    // The dataset carries the item sum on every row whatever the answer.
    for (g.cds.First(); !g.cds.Eof(); g.cds.Next())
      EXPECT_DOUBLE_EQ(g.cds.FieldByName("NOTA_VAL_ICMS").AsFloat, 396.00);
    GrupoTotais(g.G);
    EXPECT_EQ(g.Doc("vICMS_W04"), "396.00");
    EXPECT_DOUBLE_EQ(test::number("SELECT VAL_ICMS FROM " + DBLocal("NOTA") + " WHERE FATURA = '009001'"),
                     c.icms_gravado);
    // Only the differing column is written: PIS stays as stored.
    EXPECT_DOUBLE_EQ(test::number("SELECT VAL_PIS FROM " + DBLocal("NOTA") + " WHERE FATURA = '009001'"),
                     56.93);
  }
}

TEST_F(GeraNFeImpostos, IntermediaryOnlyForRemoteSalesWithAValidCnpjLettersKept) {
  test::exec(
      "UPDATE OR INSERT INTO " + DBLocal("REPRESEN") +
      " (CODREP, NOME, CNPJ) VALUES ('R59', 'MARKETPLACE TESTE', '12.ABC.345/01DE-35') MATCHING (CODREP)");
  test::exec("UPDATE " + DBLocal("NOTA") + " SET CODREP = 'R59' WHERE FATURA = '009001'");
  const struct {
    int entrega;
    const char* cnpj;
    bool grupo;
  } kCasos[] = {{2, "12.ABC.345/01DE-35", true},  {9, "12.ABC.345/01DE-35", true},
                {1, "12.ABC.345/01DE-35", false}, {5, "12.ABC.345/01DE-35", true},  // 5 is issued as 9
                {3, "12.ABC.345/01DE-35", true},  {0, "12.ABC.345/01DE-35", false},
                {2, "12.ABC.345/01DE-36", false}};
  for (const auto& c : kCasos) {
    SCOPED_TRACE(std::to_string(c.entrega) + " " + c.cnpj);
    test::exec("UPDATE " + DBLocal("REPRESEN") + " SET CNPJ = ? WHERE CODREP = 'R59'", {c.cnpj});
    test::ScopedValue<int> entrega{ITpEntrega, c.entrega};
    Geracao g("009001");
    GrupoIntermediador(g.G);
    ASSERT_EQ(g.NFe.Partes("YB").size(), c.grupo ? 1u : 0u);
    if (c.grupo) {
      EXPECT_EQ(g.NFe.Partes("YB")[0].at("CNPJ_YB02"), "12ABC34501DE35");
      EXPECT_EQ(g.NFe.Partes("YB")[0].at("idCadIntTran_YB03"), "MARKETPLACE TESTE");
    }
  }
}

TEST_F(GeraNFeImpostos, TechnicalResponsibleLeftOutWithoutItsCnpj) {
  nfe_ini("[RespTec]\nContato=Suporte\n");
  Geracao g("009001");
  GrupoResponsavelTecnico(g.G);
  EXPECT_EQ(g.Doc("CNPJ_ZD02"), "-");
  EXPECT_EQ(g.Doc("xContato_ZD04"), "-");
}

}  // namespace
}  // namespace zpk::nfe::detail
