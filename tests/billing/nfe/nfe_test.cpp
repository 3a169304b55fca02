// The NF-e component: access key, XML from the field set, schema validation
// and signature, on a small but complete invoice.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "billing/nfe/assina_nfe.hpp"
#include "billing/nfe/chave_nfe.hpp"
#include "billing/nfe/nfe_campos.hpp"
#include "billing/nfe/nfe_error.hpp"
#include "billing/nfe/valida_nfe.hpp"
#include "billing/nfe/xml_nfe.hpp"
#include "billing/nfe_text.hpp"
#include "support/certificado_a1.hpp"
#include "support/temp_folder.hpp"

namespace zpk::nfe {
namespace {

// Keys computed independently (Python, weights 2..9 from the right over
// ord(c) - 48, remainder 0 or 1 → 0, else 11 - remainder):
//   3526071234567800019555001000000123112345678 → sum % 11 = 4 → 7
//   3526081234567800019555001000004567112345678 → 5
//   35260712ABC34501DE3555001000000123112345678 → 7 ("12ABC34501DE35": letters
//     valued A=17, B=18, C=19, D=20, E=21)
//   5206043300991100250655012000000780026730161 → 5 (the key printed in the
//     layout manual's example)
TEST(ChaveNFe, CheckDigitOfNumericAndAlphanumericEmitters) {
  const struct {
    const char *cUF, *aamm, *cnpj, *mod, *serie, *numero, *tpEmis, *cNF, *chave;
  } kCases[] = {
      {"35", "2607", "12345678000195", "55", "1", "123", "1", "12345678",
       "35260712345678000195550010000001231123456787"},
      {"35", "2608", "12345678000195", "55", "001", "4567", "1", "12345678",
       "35260812345678000195550010000045671123456785"},
      {"35", "2607", "12ABC34501DE35", "55", "1", "123", "1", "12345678",
       "35260712ABC34501DE35550010000001231123456787"},
      {"52", "0604", "33009911002506", "55", "12", "780", "0", "26730161",
       "52060433009911002506550120000007800267301615"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.chave);
    EXPECT_EQ(ChaveNFe(c.cUF, c.aamm, c.cnpj, c.mod, c.serie, c.numero, c.tpEmis, c.cNF), c.chave);
  }
  // A part too long or with a letter where only digits go is refused.
  EXPECT_THROW(ChaveNFe("35", "2607", "12345678000195", "55", "1", "1234567890", "1", "1"), ENFeError);
  EXPECT_THROW(ChaveNFe("35", "2607", "12345678000195", "55", "1A", "1", "1", "1"), ENFeError);
}

// A complete invoice of one item (ICMS 00, PIS and COFINS at their rates),
// freight 9, paid in cash.
// Troca replaces the value of the fields it names (of the document or item).
TNFeCampos NotaMinima(const std::map<std::string, std::string>& Troca = {}) {
  TNFeCampos n;
  auto poe = [&](const std::string& nome, const std::string& valor) {
    auto it = Troca.find(nome);
    n.Campo(nome) = it == Troca.end() ? valor : it->second;
  };
  n.NovaNFe();
  const std::pair<const char*, std::string> doc[] = {
      {"cUF_B02", "35"},
      {"cNF_B03", "12345678"},
      {"natOp_B04", "VENDA"},
      {"mod_B06", "55"},
      {"serie_B07", "1"},
      {"nNF_B08", "123"},
      {"dhEmi_B09", "2026-07-15T10:20:30-03:00"},
      {"tpNF_B11", "1"},
      {"idDest_B11a", "1"},
      {"cMunFG_B12", "3550308"},
      {"tpImp_B21", "1"},
      {"tpEmis_B22", "1"},
      {"tpAmb_B24", "2"},
      {"finNFe_B25", "1"},
      {"indFinal_B25a", "0"},
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
      {"cPais_C14", "1058"},
      {"xPais_C15", "BRASIL"},
      {"IE_C17", "111111111111"},
      {"CRT_C21", "3"},
      {"CNPJ_E02", "98765432000198"},
      {"xNome_E04", "CONFECCOES CLIENTE LTDA"},
      {"xLgr_E06", "AV B"},
      {"nro_E07", "S/N"},
      {"xBairro_E09", "INDUSTRIAL"},
      {"cMun_E10", "3550308"},
      {"xMun_E11", "SAO PAULO"},
      {"UF_E12", "SP"},
      {"indIEDest_E16a", "1"},
      {"IE_E17", "222222222222"},
  };
  for (const auto& [nome, valor] : doc) poe(nome, valor);
  n.IncluirItem();
  const std::pair<const char*, const char*> item[] = {
      {"cProd_I02", "MALHA01"},
      {"cEAN_I03", "SEM GTIN"},
      {"xProd_I04", "MALHA PENTEADA"},
      {"NCM_I05", "60062200"},
      {"CFOP_I08", "5101"},
      {"uCom_I09", "KG"},
      {"qCom_I10", "10,5"},
      {"vUnCom_I10a", "20"},
      {"vProd_I11", "210.00"},
      {"cEANTrib_I12", "SEM GTIN"},
      {"uTrib_I13", "KG"},
      {"qTrib_I14", "10.5"},
      {"vUnTrib_I14a", "20"},
      {"indTot_I17b", "1"},
      {"orig_N11", "0"},
      {"CST_N12", "00"},
      {"modBC_N13", "3"},
      {"vBC_N15", "210"},
      {"pICMS_N16", "18"},
      {"vICMS_N17", "37.8"},
      {"CST_Q06", "01"},
      {"vBC_Q07", "210"},
      {"pPIS_Q08", "1.65"},
      {"vPIS_Q09", "3.47"},
      {"CST_S06", "01"},
      {"vBC_S07", "210"},
      {"pCOFINS_S08", "7.6"},
      {"vCOFINS_S11", "15.96"},
  };
  for (const auto& [nome, valor] : item) poe(nome, valor);
  n.SalvarItem();
  const std::pair<const char*, const char*> total[] = {
      {"vBC_W03", "210"},       {"vICMS_W04", "37.80"}, {"vICMSDeson_W04a", "0"}, {"vFCP_W04h", "0"},
      {"vBCST_W05", "0"},       {"vST_W06", "0"},       {"vFCPST_W06a", "0"},     {"vFCPSTRet_W06b", "0"},
      {"vProd_W07", "210"},     {"vFrete_W08", "0"},    {"vSeg_W09", "0"},        {"vDesc_W10", "0"},
      {"vII_W11", "0"},         {"vIPI_W12", "0"},      {"vIPIDevol_W12a", "0"},  {"vPIS_W13", "3.47"},
      {"vCOFINS_W14", "15.96"}, {"vOutro_W15", "0"},    {"vNF_W16", "210"},       {"modFrete_X02", "9"},
  };
  for (const auto& [nome, valor] : total) poe(nome, valor);
  n.IncluirPart("YA");
  n.Campo("tPag_YA02") = "01";
  n.Campo("vPag_YA03") = "210";
  n.SalvarPart("YA");
  return n;
}

// The violations as one text, for failure messages.
std::string Lista(const std::vector<ViolacaoNFe>& Violacoes) {
  std::string texto;
  for (const auto& v : Violacoes)
    texto += v.Campo + " (linha " + std::to_string(v.Linha) + "): " + v.Mensagem + "\n";
  return texto;
}

bool Nomeia(const std::vector<ViolacaoNFe>& Violacoes, const std::string& Campo) {
  return std::any_of(Violacoes.begin(), Violacoes.end(), [&](const auto& v) { return v.Campo == Campo; });
}

TEST(XmlNFe, CompleteInvoiceIsValidAndDeterministic) {
  TNFeCampos nota = NotaMinima();
  XmlNFe xml = GeraXmlNFe(nota);
  EXPECT_EQ(xml.Chave, "35260712345678000195550010000001231123456787");
  EXPECT_EQ(nota.Valor("Id_A03"), "NFe" + xml.Chave);
  EXPECT_EQ(nota.Valor("cDV_B23"), "7");
  auto violacoes = ValidaXmlNFe(xml.Xml);
  EXPECT_TRUE(violacoes.empty()) << Lista(violacoes) << xml.Xml;
  // Decimals with "." and the layout's places; empty optional groups left out.
  EXPECT_NE(xml.Xml.find("<qCom>10.5000</qCom><vUnCom>20.0000000000</vUnCom><vProd>210.00</vProd>"),
            std::string::npos);
  EXPECT_NE(xml.Xml.find("<pICMS>18.0000</pICMS><vICMS>37.80</vICMS>"), std::string::npos);
  EXPECT_EQ(xml.Xml.find("<cobr>"), std::string::npos);
  EXPECT_EQ(xml.Xml.find("<infAdic>"), std::string::npos);
  EXPECT_TRUE(xml.Notas.empty());
  TNFeCampos outra = NotaMinima();
  EXPECT_EQ(GeraXmlNFe(outra).Xml, xml.Xml);
}

// The repeatable groups the generation fills through parts and billing rows:
// a referenced NF-e, an authorised downloader, two instalments, a carrier,
// volumes, an intermediary, additional texts and the technical responsible,
// each in its schema place.
TEST(XmlNFe, PartsAndBillingRowsGoToTheirGroups) {
  TNFeCampos nota = NotaMinima({{"modFrete_X02", "0"}, {"indIntermed_B25c", "1"}});
  nota.IncluirPart("NRef");
  nota.Campo("refNFe_BA02") = "35260612345678000195550010000001001123456780";
  nota.SalvarPart("NRef");
  nota.IncluirPart("autXML");
  nota.Campo("CNPJ_GA02") = "11222333000181";
  nota.SalvarPart("autXML");
  const std::pair<const char*, const char*> doc[] = {
      {"CNPJ_X04", "11222333000181"},
      {"xNome_X06", "TRANSPORTES RAPIDO"},
      {"UF_X10", "SP"},
      {"qVol_X27", "3"},
      {"esp_X28", "ROLOS"},
      {"pesoL_X31", "10.5"},
      {"pesoB_X32", "11"},
      {"nFat_Y03", "0001231"},
      {"vOrig_Y04", "210"},
      {"vDesc_Y05", "0"},
      {"vLiq_Y06", "210"},
      {"infCpl_Z03", "PEDIDO 77; \"URGENTE\" -- A&B"},
      {"CNPJ_G02", "98765432000198"},
      {"xLgr_G03", "RUA C"},
      {"nro_G04", "5"},
      {"xBairro_G06", "DISTRITO"},
      {"cMun_G07", "3550308"},
      {"xMun_G08", "SAO PAULO"},
      {"UF_G09", "SP"},
      {"UFSaidaPais_ZA02", "SP"},
      {"xLocExporta_ZA03", "PORTO DE SANTOS"},
      {"CNPJ_ZD02", "12345678000195"},
      {"xContato_ZD04", "SUPORTE"},
      {"email_ZD05", "suporte@exemplo.com.br"},
      {"fone_ZD06", "1133334444"},
  };
  for (const auto& [nome, valor] : doc) nota.Campo(nome) = valor;
  const std::pair<const char*, const char*> parcelas[] = {{"001", "105"}, {"002", "105"}};
  for (const auto& [numero, valor] : parcelas) {
    nota.IncluirCobranca();
    nota.Campo("nDup_Y08") = numero;
    nota.Campo("dVenc_Y09") = "2026-08-15";
    nota.Campo("vDup_Y10") = valor;
    nota.SalvarCobranca();
  }
  nota.IncluirPart("YB");
  nota.Campo("CNPJ_YB02") = "99888777000166";
  nota.Campo("idCadIntTran_YB03") = "LOJA01";
  nota.SalvarPart("YB");

  XmlNFe xml = GeraXmlNFe(nota);
  auto violacoes = ValidaXmlNFe(xml.Xml);
  EXPECT_TRUE(violacoes.empty()) << Lista(violacoes) << xml.Xml;
  const char* kTrechos[] = {
      "<NFref><refNFe>35260612345678000195550010000001001123456780</refNFe></NFref></ide>",
      "</entrega><autXML><CNPJ>11222333000181</CNPJ></autXML><det nItem=\"1\">",
      "<transporta><CNPJ>11222333000181</CNPJ><xNome>TRANSPORTES RAPIDO</xNome><UF>SP</UF></transporta>",
      "<vol><qVol>3</qVol><esp>ROLOS</esp><pesoL>10.500</pesoL><pesoB>11.000</pesoB></vol>",
      "<dup><nDup>001</nDup><dVenc>2026-08-15</dVenc><vDup>105.00</vDup></dup>"
      "<dup><nDup>002</nDup><dVenc>2026-08-15</dVenc><vDup>105.00</vDup></dup></cobr><pag>",
      "</pag><infIntermed><CNPJ>99888777000166</CNPJ><idCadIntTran>LOJA01</idCadIntTran></"
      "infIntermed><infAdic>",
      "<infCpl>PEDIDO 77; &quot;URGENTE&quot; -- "
      "A&amp;B</infCpl></infAdic><exporta><UFSaidaPais>SP</UFSaidaPais>",
      "</dest><entrega><CNPJ>98765432000198</CNPJ><xLgr>RUA C</xLgr>",
  };
  for (const char* trecho : kTrechos) EXPECT_NE(xml.Xml.find(trecho), std::string::npos) << trecho;
}

// The situation code picks the tax group's variant: ST with FCP, ST already
// retained, exempt, Simples Nacional, IPI taxed, and the destination-state
// ICMS of a sale to a final consumer elsewhere.
TEST(XmlNFe, TaxGroupsFollowTheSituationCode) {
  using Campos = std::vector<std::pair<const char*, const char*>>;
  const struct {
    const char* caso;
    Campos campos;
    const char* grupo;
  } kCases[] = {
      {"ICMS 10 with FCP-ST",
       {{"orig_N11", "0"},
        {"CST_N12", "10"},
        {"modBC_N13", "3"},
        {"vBC_N15", "100"},
        {"pICMS_N16", "18"},
        {"vICMS_N17", "18"},
        {"modBCST_N18", "4"},
        {"pMVAST_N19", "40"},
        {"vBCST_N21", "140"},
        {"pICMSST_N22", "18"},
        {"vICMSST_N23", "7.2"},
        {"vBCFCPST_N23a", "140"},
        {"pFCPST_N23b", "2"},
        {"vFCPST_N23d", "2.8"}},
       "<ICMS10><orig>0</orig><CST>10</CST>"},
      {"ICMS 60",
       {{"orig_N11", "0"},
        {"CST_N12", "60"},
        {"vBCSTRet_N26", "0"},
        {"pST_N26a", "0"},
        {"vICMSSTRet_N27", "0"}},
       "<ICMS60>"},
      {"ICMS 41 exempt",
       {{"orig_N11", "0"}, {"CST_N12", "41"}},
       "<ICMS40><orig>0</orig><CST>41</CST></ICMS40>"},
      {"CSOSN 101",
       {{"orig_N11", "0"}, {"CSOSN_N12a", "101"}, {"pCredSN_N29", "1.25"}, {"vCredICMSSN_N30", "1.25"}},
       "<ICMSSN101>"},
      {"CSOSN 400",
       {{"orig_N11", "0"}, {"CSOSN_N12a", "400"}},
       "<ICMSSN102><orig>0</orig><CSOSN>400</CSOSN>"},
      {"IPI 50 and DIFAL",
       {{"orig_N11", "0"},
        {"CST_N12", "00"},
        {"modBC_N13", "3"},
        {"vBC_N15", "100"},
        {"pICMS_N16", "12"},
        {"vICMS_N17", "12"},
        {"cEnq_O06", "999"},
        {"CST_O09", "50"},
        {"vBC_O10", "100"},
        {"pIPI_O13", "5"},
        {"vIPI_O14", "5"},
        {"vBCUFDest_NA03", "100"},
        {"pFCPUFDest_NA05", "2"},
        {"pICMSUFDest_NA07", "18"},
        {"pICMSInter_NA09", "12"},
        {"pICMSInterPart_NA11", "100"},
        {"vFCPUFDest_NA13", "2"},
        {"vICMSUFDest_NA15", "6"},
        {"vICMSUFRemet_NA17", "0"}},
       "<IPI><cEnq>999</cEnq><IPITrib><CST>50</CST>"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    TNFeCampos nota = NotaMinima();
    nota.IncluirItem();
    const Campos produto = {
        {"cProd_I02", "P2"},     {"cEAN_I03", "SEM GTIN"},     {"xProd_I04", "FIO"}, {"NCM_I05", "52052200"},
        {"CFOP_I08", "6102"},    {"uCom_I09", "KG"},           {"qCom_I10", "1"},    {"vUnCom_I10a", "100"},
        {"vProd_I11", "100"},    {"cEANTrib_I12", "SEM GTIN"}, {"uTrib_I13", "KG"},  {"qTrib_I14", "1"},
        {"vUnTrib_I14a", "100"}, {"indTot_I17b", "1"},         {"CST_Q06", "07"},    {"CST_S06", "07"}};
    for (const auto& [nome, valor] : produto) nota.Campo(nome) = valor;
    for (const auto& [nome, valor] : c.campos) nota.Campo(nome) = valor;
    nota.SalvarItem();
    XmlNFe xml = GeraXmlNFe(nota);
    auto violacoes = ValidaXmlNFe(xml.Xml);
    EXPECT_TRUE(violacoes.empty()) << Lista(violacoes) << xml.Xml;
    EXPECT_NE(xml.Xml.find(c.grupo), std::string::npos) << xml.Xml;
    EXPECT_NE(xml.Xml.find("<PIS><PISNT><CST>07</CST></PISNT></PIS>"), std::string::npos);
  }
}

// Amounts are rounded half up on their digits to the layout's places, with
// "." whatever separator the caller used.
TEST(XmlNFe, DecimalsAreRoundedOnTheirDigits) {
  const struct {
    const char* valor;
    const char* escrito;
  } kCases[] = {
      {"0.005", "<vNF>0.01</vNF>"},    {"1,015", "<vNF>1.02</vNF>"},        {"2.675", "<vNF>2.68</vNF>"},
      {"99.995", "<vNF>100.00</vNF>"}, {"210", "<vNF>210.00</vNF>"},        {".5", "<vNF>0.50</vNF>"},
      {"0.004", "<vNF>0.00</vNF>"},    {"1.234,56", "<vNF>1.234,56</vNF>"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.valor);
    TNFeCampos nota = NotaMinima({{"vNF_W16", c.valor}});
    EXPECT_NE(GeraXmlNFe(nota).Xml.find(c.escrito), std::string::npos);
  }
}

TEST(XmlNFe, MissingOrBadFieldsAreNamed) {
  const struct {
    const char* campo;
    const char* valor;
  } kCases[] = {
      {"xNome_C03", ""},     // required text of the emitter left empty
      {"nNF_B08", ""},       // required number of the header
      {"CFOP_I08", ""},      // required code of the item
      {"NCM_I05", "6006X"},  // a code the schema's pattern refuses
      {"vNF_W16", "abc"},    // an amount that is not a number
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.campo);
    TNFeCampos nota = NotaMinima({{c.campo, c.valor}});
    XmlNFe xml = GeraXmlNFe(nota);
    auto violacoes = ValidaXmlNFe(xml.Xml);
    EXPECT_TRUE(Nomeia(violacoes, c.campo)) << Lista(violacoes);
    EXPECT_TRUE(std::all_of(violacoes.begin(), violacoes.end(), [](const auto& v) { return v.Linha > 0; }));
  }
  TNFeCampos nota;
  EXPECT_THROW(nota.Campo("nNF_X99"), ENFeError);
}

TEST(XmlNFe, HostileDescriptionStaysWellFormedAndValid) {
  std::string hostil = "<tag> & \"aspas\" 'apos' \x01\x07\x1b fim \xc3\x28 \xff";
  hostil += std::string(500, 'X');
  const struct {
    const char* caso;
    std::string descricao;
  } kCases[] = {
      {"cleaned as the generation does", LimpaCaracterNFe(hostil)},
      {"raw", hostil},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    TNFeCampos nota = NotaMinima({{"xProd_I04", c.descricao}});
    XmlNFe xml = GeraXmlNFe(nota);
    auto violacoes = ValidaXmlNFe(xml.Xml);
    EXPECT_TRUE(violacoes.empty()) << Lista(violacoes) << xml.Xml;
    ASSERT_EQ(xml.Notas.size(), 1u);
    EXPECT_NE(xml.Notas[0].find("xProd_I04"), std::string::npos) << xml.Notas[0];
    auto inicio = xml.Xml.find("<xProd>") + 7;
    std::string escrito = xml.Xml.substr(inicio, xml.Xml.find("</xProd>") - inicio);
    EXPECT_EQ(escrito.find('<'), std::string::npos);
    EXPECT_EQ(escrito.find('\x01'), std::string::npos);
  }
  TNFeCampos nota = NotaMinima({{"xProd_I04", "A&B <C>"}});
  EXPECT_NE(GeraXmlNFe(nota).Xml.find("<xProd>A&amp;B &lt;C&gt;</xProd>"), std::string::npos);
}

// Characters past U+00FF are outside the layout's text type: they are dropped
// and the Latin-1 letters around them kept; a required text left with none is
// refused naming its field, an optional one is left out.
TEST(XmlNFe, CharactersOutsideTheLayoutAreDroppedAndAnEmptiedRequiredTextNamed) {
  const struct {
    const char* campo;
    const char* valor;
    const char* escrito;  // the element written, or nullptr when refused
  } kCases[] = {
      {"xProd_I04", "MALHA \xF0\x9F\x91\x95 ALGODÃO", "<xProd>MALHA  ALGODÃO</xProd>"},
      {"xProd_I04", "CAMISETA 棉 AÇÃO", "<xProd>CAMISETA  AÇÃO</xProd>"},
      {"xProd_I04", "\xF0\x9F\x91\x95\xF0\x9F\x91\x95\xF0\x9F\x91\x95", nullptr},
      {"xProd_I04", "棉布", nullptr},
      {"xNome_C03", "\xF0\x9F\x98\x80", nullptr},
      {"xFant_C04", "\xF0\x9F\x98\x80", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.campo) + " " + c.valor);
    TNFeCampos nota = NotaMinima({{c.campo, c.valor}});
    if (!c.escrito) {
      try {
        GeraXmlNFe(nota);
        ADD_FAILURE() << "no error";
      } catch (const ENFeError& e) {
        EXPECT_EQ(e.kind(), NFeErrorKind::invalid_input);
        EXPECT_NE(std::string(e.what()).find(c.campo), std::string::npos) << e.what();
      }
      continue;
    }
    XmlNFe xml = GeraXmlNFe(nota);
    if (*c.escrito) EXPECT_NE(xml.Xml.find(c.escrito), std::string::npos) << xml.Xml;
    EXPECT_EQ(xml.Xml.find("\xF0\x9F"), std::string::npos);
    auto violacoes = ValidaXmlNFe(xml.Xml);
    EXPECT_TRUE(violacoes.empty()) << Lista(violacoes);
  }
}

// An emitter with an alphanumeric CNPJ: the key and the XML keep its letters,
// and the schema package in the tree (PL_010c) takes both the CNPJ and the Id.
TEST(XmlNFe, AlphanumericEmitterKeepsItsLetters) {
  TNFeCampos nota = NotaMinima({{"CNPJ_C02", "12ABC34501DE35"}});
  XmlNFe xml = GeraXmlNFe(nota);
  EXPECT_EQ(xml.Chave, "35260712ABC34501DE35550010000001231123456787");
  EXPECT_NE(xml.Xml.find("<CNPJ>12ABC34501DE35</CNPJ>"), std::string::npos);
  auto violacoes = ValidaXmlNFe(xml.Xml);
  EXPECT_TRUE(violacoes.empty()) << Lista(violacoes);
}

// A self-signed A1 certificate made with the openssl command for the test.
class AssinaturaNFe : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::certificado_a1(pasta_.path(), "TECELAGEM EXEMPLO:12345678000195", "segredo"));
  }
  test::TempFolder pasta_{"nfe-cert"};
};

TEST_F(AssinaturaNFe, SignedInvoiceVerifiesAndAChangedByteFails) {
  TNFeCampos nota = NotaMinima();
  XmlNFe xml = GeraXmlNFe(nota);
  std::string assinado = AssinaXmlNFe(xml.Xml, pasta_ / "a1.pfx", "segredo");
  EXPECT_NE(assinado.find("<Reference URI=\"#NFe" + xml.Chave + "\">"), std::string::npos) << assinado;
  EXPECT_NE(assinado.find("<X509Certificate>"), std::string::npos);
  auto violacoes = ValidaXmlNFe(assinado);
  EXPECT_TRUE(violacoes.empty()) << Lista(violacoes) << assinado;
  EXPECT_TRUE(VerificaAssinaturaNFe(assinado));

  std::string alterado = assinado;
  auto i = alterado.find("<vNF>210.00</vNF>");
  ASSERT_NE(i, std::string::npos);
  alterado[i + 5] = '3';
  EXPECT_FALSE(VerificaAssinaturaNFe(alterado));

  EXPECT_THROW(AssinaXmlNFe(xml.Xml, pasta_ / "a1.pfx", "errada"), ENFeError);

  // Signature wrapping: the signed infNFe moved after the signature as a
  // decoy, a forged infNFe with another Id in its place. The digest of the
  // decoy still matches, but it is not the invoice.
  auto inicio = assinado.find("<infNFe");
  auto fim = assinado.find("</infNFe>") + 9;
  std::string original = assinado.substr(inicio, fim - inicio);
  std::string forjado = original;
  forjado.replace(forjado.find(xml.Chave), 44, std::string(44, '1'));
  forjado.replace(forjado.find("<vNF>210.00</vNF>"), 17, "<vNF>999.00</vNF>");
  std::string embrulhado = assinado;
  embrulhado.replace(inicio, fim - inicio, forjado);
  embrulhado.insert(embrulhado.find("</Signature>") + 12, original);
  EXPECT_FALSE(VerificaAssinaturaNFe(embrulhado)) << embrulhado;
}

// The key read from the certificate is kept between signatures; a file
// renewed in place (a new certificate with the same name) is read again.
TEST_F(AssinaturaNFe, ARenewedCertificateFileIsReadAgain) {
  TNFeCampos nota = NotaMinima();
  const std::string xml = GeraXmlNFe(nota).Xml;
  const auto certificado = [](const std::string& s) {
    const auto i = s.find("<X509Certificate>");
    return s.substr(i, s.find("</X509Certificate>") - i);
  };
  const std::string antes = certificado(AssinaXmlNFe(xml, pasta_ / "a1.pfx", "segredo"));
  EXPECT_EQ(certificado(AssinaXmlNFe(xml, pasta_ / "a1.pfx", "segredo")), antes);
  ASSERT_TRUE(test::certificado_a1(pasta_.path(), "TECELAGEM RENOVADA:12345678000195", "nova"));
  EXPECT_THROW(AssinaXmlNFe(xml, pasta_ / "a1.pfx", "segredo"), ENFeError);
  const std::string renovado = AssinaXmlNFe(xml, pasta_ / "a1.pfx", "nova");
  EXPECT_NE(certificado(renovado), antes);
  EXPECT_TRUE(VerificaAssinaturaNFe(renovado));
}

}  // namespace
}  // namespace zpk::nfe
