// The NF-e 4.00 field table, taken from the schema package in schema/nfe
// (leiauteNFe_v4.00.xsd): tags, order, lengths and decimal places.
#include "billing/nfe/layout_nfe.hpp"

#include <map>

namespace zpk::nfe {
namespace {

constexpr auto T = TipoCampo::Texto;
constexpr auto C = TipoCampo::Codigo;
constexpr auto D = TipoCampo::Decimal;
constexpr auto H = TipoCampo::DataHora;
constexpr auto A = TipoCampo::Data;

// The fields in schema order; a field of several variants of a choice
// (ICMS00/ICMS40..., PISAlq/PISNT...) is listed once per variant.
const CampoLayout kCampos[] = {
    {"Id_A03", "@", C, 47, 47, 0, true},
    {"cUF_B02", "ide", C, 2, 2, 0, true},
    {"cNF_B03", "ide", C, 8, 8, 0, true},
    {"natOp_B04", "ide", T, 1, 60, 0, true},
    {"mod_B06", "ide", C, 2, 2, 0, true},
    {"serie_B07", "ide", C, 1, 3, 0, true},
    {"nNF_B08", "ide", C, 1, 9, 0, true},
    {"dhEmi_B09", "ide", H, 25, 25, 0, true},
    {"dhSaiEnt_B10", "ide", H, 25, 25, 0, false},
    {"tpNF_B11", "ide", C, 1, 1, 0, true},
    {"idDest_B11a", "ide", C, 1, 1, 0, true},
    {"cMunFG_B12", "ide", C, 7, 7, 0, true},
    {"tpImp_B21", "ide", C, 1, 1, 0, true},
    {"tpEmis_B22", "ide", C, 1, 1, 0, true},
    {"cDV_B23", "ide", C, 1, 1, 0, true},
    {"tpAmb_B24", "ide", C, 1, 1, 0, true},
    {"finNFe_B25", "ide", C, 1, 1, 0, true},
    {"indFinal_B25a", "ide", C, 1, 1, 0, true},
    {"indPres_B25b", "ide", C, 1, 1, 0, true},
    {"indIntermed_B25c", "ide", C, 1, 1, 0, false},
    {"procEmi_B26", "ide", C, 1, 1, 0, true},
    {"verProc_B27", "ide", T, 1, 20, 0, true},
    {"dhCont_B28", "ide", H, 25, 25, 0, false},
    {"xJust_B29", "ide", T, 15, 256, 0, false},
    {"refNFe_BA02", "ide/NFref", C, 44, 44, 0, false},
    {"CNPJ_C02", "emit", C, 14, 14, 0, false},
    {"CPF_C02a", "emit", C, 11, 11, 0, false},
    {"xNome_C03", "emit", T, 2, 60, 0, true},
    {"xFant_C04", "emit", T, 1, 60, 0, false},
    {"xLgr_C06", "emit/enderEmit", T, 2, 60, 0, true},
    {"nro_C07", "emit/enderEmit", T, 1, 60, 0, true},
    {"xCpl_C08", "emit/enderEmit", T, 1, 60, 0, false},
    {"xBairro_C09", "emit/enderEmit", T, 2, 60, 0, true},
    {"cMun_C10", "emit/enderEmit", C, 7, 7, 0, true},
    {"xMun_C11", "emit/enderEmit", T, 2, 60, 0, true},
    {"UF_C12", "emit/enderEmit", C, 2, 2, 0, true},
    {"CEP_C13", "emit/enderEmit", C, 8, 8, 0, false},
    {"cPais_C14", "emit/enderEmit", C, 4, 4, 0, false},
    {"xPais_C15", "emit/enderEmit", T, 1, 60, 0, false},
    {"fone_C16", "emit/enderEmit", C, 6, 14, 0, false},
    {"IE_C17", "emit", C, 2, 14, 0, true},
    {"IEST_C18", "emit", C, 2, 14, 0, false},
    {"IM_C19", "emit", T, 1, 15, 0, false},
    {"CNAE_C20", "emit", C, 7, 7, 0, false},
    {"CRT_C21", "emit", C, 1, 1, 0, true},
    {"CNPJ_E02", "dest", C, 14, 14, 0, false},
    {"CPF_E03", "dest", C, 11, 11, 0, false},
    {"idEstrangeiro_E03a", "dest", T, 0, 20, 0, false},
    {"xNome_E04", "dest", T, 2, 60, 0, false},
    {"xLgr_E06", "dest/enderDest", T, 2, 60, 0, true},
    {"nro_E07", "dest/enderDest", T, 1, 60, 0, true},
    {"xCpl_E08", "dest/enderDest", T, 1, 60, 0, false},
    {"xBairro_E09", "dest/enderDest", T, 2, 60, 0, true},
    {"cMun_E10", "dest/enderDest", C, 7, 7, 0, true},
    {"xMun_E11", "dest/enderDest", T, 2, 60, 0, true},
    {"UF_E12", "dest/enderDest", C, 2, 2, 0, true},
    {"CEP_E13", "dest/enderDest", C, 8, 8, 0, false},
    {"cPais_E14", "dest/enderDest", C, 1, 4, 0, false},
    {"xPais_E15", "dest/enderDest", T, 1, 60, 0, false},
    {"fone_E16", "dest/enderDest", C, 6, 14, 0, false},
    {"indIEDest_E16a", "dest", C, 1, 1, 0, true},
    {"IE_E17", "dest", C, 2, 14, 0, false},
    {"ISUF_E18", "dest", C, 8, 9, 0, false},
    {"IM_E18a", "dest", T, 1, 15, 0, false},
    {"email_E19", "dest", T, 1, 60, 0, false},
    {"CNPJ_GA02", "autXML", C, 14, 14, 0, false},
    {"CPF_GA03", "autXML", C, 11, 11, 0, false},
    {"cProd_I02", "det/prod", T, 1, 60, 0, true},
    {"cEAN_I03", "det/prod", T, 0, 14, 0, true},
    {"xProd_I04", "det/prod", T, 1, 120, 0, true},
    {"NCM_I05", "det/prod", C, 2, 8, 0, true},
    {"CEST_I05c", "det/prod", C, 7, 7, 0, false},
    {"cBenef_I05f", "det/prod", T, 8, 10, 0, false},
    {"EXTIPI_I06", "det/prod", C, 2, 3, 0, false},
    {"CFOP_I08", "det/prod", C, 4, 4, 0, true},
    {"uCom_I09", "det/prod", T, 1, 6, 0, true},
    {"qCom_I10", "det/prod", D, 1, 15, 4, true},
    {"vUnCom_I10a", "det/prod", D, 1, 21, 10, true},
    {"vProd_I11", "det/prod", D, 1, 15, 2, true},
    {"cEANTrib_I12", "det/prod", T, 0, 14, 0, true},
    {"uTrib_I13", "det/prod", T, 1, 6, 0, true},
    {"qTrib_I14", "det/prod", D, 1, 15, 4, true},
    {"vUnTrib_I14a", "det/prod", D, 1, 21, 10, true},
    {"vFrete_I15", "det/prod", D, 1, 15, 2, false},
    {"vSeg_I16", "det/prod", D, 1, 15, 2, false},
    {"vDesc_I17", "det/prod", D, 1, 15, 2, false},
    {"vOutro_I17a", "det/prod", D, 1, 15, 2, false},
    {"indTot_I17b", "det/prod", C, 1, 1, 0, true},
    {"xPed_I60", "det/prod", T, 1, 15, 0, false},
    {"nItemPed_I61", "det/prod", C, 1, 6, 0, false},
    {"nFCI_I70", "det/prod", T, 36, 36, 0, false},
    {"vTotTrib_M02", "det/imposto", D, 1, 15, 2, false},
    {"orig_N11", "det/imposto/ICMS/ICMS00", C, 1, 1, 0, true},
    {"CST_N12", "det/imposto/ICMS/ICMS00", C, 2, 2, 0, true},
    {"modBC_N13", "det/imposto/ICMS/ICMS00", C, 1, 1, 0, true},
    {"vBC_N15", "det/imposto/ICMS/ICMS00", D, 1, 15, 2, true},
    {"pICMS_N16", "det/imposto/ICMS/ICMS00", D, 1, 8, 4, true},
    {"vICMS_N17", "det/imposto/ICMS/ICMS00", D, 1, 15, 2, true},
    {"pFCP_N17b", "det/imposto/ICMS/ICMS00", D, 1, 8, 4, false},
    {"vFCP_N17c", "det/imposto/ICMS/ICMS00", D, 1, 15, 2, false},
    {"orig_N11", "det/imposto/ICMS/ICMS40", C, 1, 1, 0, true},
    {"CST_N12", "det/imposto/ICMS/ICMS40", C, 2, 2, 0, true},
    {"vICMSDeson_N28a", "det/imposto/ICMS/ICMS40", D, 1, 15, 2, false},
    {"motDesICMS_N28", "det/imposto/ICMS/ICMS40", C, 1, 2, 0, false},
    {"orig_N11", "det/imposto/ICMS/ICMSSN102", C, 1, 1, 0, true},
    {"CSOSN_N12a", "det/imposto/ICMS/ICMSSN102", C, 3, 3, 0, true},
    {"CST_Q06", "det/imposto/PIS/PISAliq", C, 2, 2, 0, true},
    {"vBC_Q07", "det/imposto/PIS/PISAliq", D, 1, 15, 2, true},
    {"pPIS_Q08", "det/imposto/PIS/PISAliq", D, 1, 8, 4, true},
    {"vPIS_Q09", "det/imposto/PIS/PISAliq", D, 1, 15, 2, true},
    {"CST_Q06", "det/imposto/PIS/PISNT", C, 2, 2, 0, true},
    {"CST_Q06", "det/imposto/PIS/PISOutr", C, 2, 2, 0, true},
    {"vBC_Q07", "det/imposto/PIS/PISOutr", D, 1, 15, 2, true},
    {"pPIS_Q08", "det/imposto/PIS/PISOutr", D, 1, 8, 4, true},
    {"vPIS_Q09", "det/imposto/PIS/PISOutr", D, 1, 15, 2, true},
    {"CST_S06", "det/imposto/COFINS/COFINSAliq", C, 2, 2, 0, true},
    {"vBC_S07", "det/imposto/COFINS/COFINSAliq", D, 1, 15, 2, true},
    {"pCOFINS_S08", "det/imposto/COFINS/COFINSAliq", D, 1, 8, 4, true},
    {"vCOFINS_S11", "det/imposto/COFINS/COFINSAliq", D, 1, 15, 2, true},
    {"CST_S06", "det/imposto/COFINS/COFINSNT", C, 2, 2, 0, true},
    {"CST_S06", "det/imposto/COFINS/COFINSOutr", C, 2, 2, 0, true},
    {"vBC_S07", "det/imposto/COFINS/COFINSOutr", D, 1, 15, 2, true},
    {"pCOFINS_S08", "det/imposto/COFINS/COFINSOutr", D, 1, 8, 4, true},
    {"vCOFINS_S11", "det/imposto/COFINS/COFINSOutr", D, 1, 15, 2, true},
    {"infAdProd_V01", "det", T, 1, 500, 0, false},
    {"vBC_W03", "total/ICMSTot", D, 1, 15, 2, true},
    {"vICMS_W04", "total/ICMSTot", D, 1, 15, 2, true},
    {"vICMSDeson_W04a", "total/ICMSTot", D, 1, 15, 2, true},
    {"vFCPUFDest_W04c", "total/ICMSTot", D, 1, 15, 2, false},
    {"vICMSUFDest_W04e", "total/ICMSTot", D, 1, 15, 2, false},
    {"vICMSUFRemet_W04g", "total/ICMSTot", D, 1, 15, 2, false},
    {"vFCP_W04h", "total/ICMSTot", D, 1, 15, 2, true},
    {"vBCST_W05", "total/ICMSTot", D, 1, 15, 2, true},
    {"vST_W06", "total/ICMSTot", D, 1, 15, 2, true},
    {"vFCPST_W06a", "total/ICMSTot", D, 1, 15, 2, true},
    {"vFCPSTRet_W06b", "total/ICMSTot", D, 1, 15, 2, true},
    {"vProd_W07", "total/ICMSTot", D, 1, 15, 2, true},
    {"vFrete_W08", "total/ICMSTot", D, 1, 15, 2, true},
    {"vSeg_W09", "total/ICMSTot", D, 1, 15, 2, true},
    {"vDesc_W10", "total/ICMSTot", D, 1, 15, 2, true},
    {"vII_W11", "total/ICMSTot", D, 1, 15, 2, true},
    {"vIPI_W12", "total/ICMSTot", D, 1, 15, 2, true},
    {"vIPIDevol_W12a", "total/ICMSTot", D, 1, 15, 2, true},
    {"vPIS_W13", "total/ICMSTot", D, 1, 15, 2, true},
    {"vCOFINS_W14", "total/ICMSTot", D, 1, 15, 2, true},
    {"vOutro_W15", "total/ICMSTot", D, 1, 15, 2, true},
    {"vNF_W16", "total/ICMSTot", D, 1, 15, 2, true},
    {"vTotTrib_W16a", "total/ICMSTot", D, 1, 15, 2, false},
    {"modFrete_X02", "transp", C, 1, 1, 0, true},
    {"CNPJ_X04", "transp/transporta", C, 14, 14, 0, false},
    {"CPF_X05", "transp/transporta", C, 11, 11, 0, false},
    {"xNome_X06", "transp/transporta", T, 2, 60, 0, false},
    {"IE_X07", "transp/transporta", C, 2, 14, 0, false},
    {"xEnder_X08", "transp/transporta", T, 1, 60, 0, false},
    {"xMun_X09", "transp/transporta", T, 1, 60, 0, false},
    {"UF_X10", "transp/transporta", C, 2, 2, 0, false},
    {"placa_X19", "transp/veicTransp", T, 7, 7, 0, true},
    {"uf_X20", "transp/veicTransp", C, 2, 2, 0, false},
    {"rntc_X21", "transp/veicTransp", T, 1, 20, 0, false},
    {"qVol_X27", "transp/vol", C, 1, 15, 0, false},
    {"esp_X28", "transp/vol", T, 1, 60, 0, false},
    {"marca_X29", "transp/vol", T, 1, 60, 0, false},
    {"nVol_X30", "transp/vol", T, 1, 60, 0, false},
    {"pesoL_X31", "transp/vol", D, 1, 15, 3, false},
    {"pesoB_X32", "transp/vol", D, 1, 15, 3, false},
    {"nFat_Y03", "cobr/fat", T, 1, 60, 0, false},
    {"vOrig_Y04", "cobr/fat", D, 1, 15, 2, false},
    {"vDesc_Y05", "cobr/fat", D, 1, 15, 2, false},
    {"vLiq_Y06", "cobr/fat", D, 1, 15, 2, false},
    {"nDup_Y08", "cobr/dup", T, 1, 60, 0, false},
    {"dVenc_Y09", "cobr/dup", A, 10, 10, 0, false},
    {"vDup_Y10", "cobr/dup", D, 1, 15, 2, true},
    {"indPag_YA01b", "pag/detPag", C, 1, 1, 0, false},
    {"tPag_YA02", "pag/detPag", C, 2, 2, 0, true},
    {"xPag_YA02a", "pag/detPag", T, 2, 60, 0, false},
    {"vPag_YA03", "pag/detPag", D, 1, 15, 2, true},
    {"vTroco_YA09", "pag", D, 1, 15, 2, false},
    {"CNPJ_YB02", "infIntermed", C, 14, 14, 0, true},
    {"idCadIntTran_YB03", "infIntermed", T, 2, 60, 0, true},
    {"infAdFisco_Z02", "infAdic", T, 1, 2000, 0, false},
    {"infCpl_Z03", "infAdic", T, 1, 5000, 0, false},
    {"xNEmp_ZB02", "compra", T, 1, 22, 0, false},
    {"xPed_ZB03", "compra", T, 1, 60, 0, false},
    {"xCont_ZB04", "compra", T, 1, 60, 0, false},
    {"CNPJ_ZD02", "infRespTec", C, 14, 14, 0, true},
    {"xContato_ZD04", "infRespTec", T, 2, 60, 0, true},
    {"email_ZD05", "infRespTec", T, 6, 60, 0, true},
    {"fone_ZD06", "infRespTec", C, 6, 14, 0, true},
};

// Groups the schema requires inside their parent.
constexpr std::string_view kGruposObrigatorios[] = {
    "ide", "emit", "enderEmit", "det", "prod", "imposto", "total", "ICMSTot", "transp", "pag", "detPag"};

// The child group of Pai with tag Tag, appended when new.
NoLayout& Filho(NoLayout& Pai, std::string_view Tag) {
  for (auto& f : Pai.Filhos) {
    if (!f.Campo && f.Tag == Tag) return f;
  }
  NoLayout novo;
  novo.Tag = std::string(Tag);
  for (auto g : kGruposObrigatorios) novo.Obrigatorio = novo.Obrigatorio || g == Tag;
  Pai.Filhos.push_back(std::move(novo));
  return Pai.Filhos.back();
}

struct Layout {
  NoLayout Raiz;
  std::map<std::string, std::string, std::less<>> PorCaminho;
  std::map<std::string_view, const CampoLayout*, std::less<>> PorNome;

  Layout() {
    Raiz.Tag = "infNFe";
    for (const auto& c : kCampos) {
      PorNome.emplace(c.Nome, &c);
      if (c.Grupo == "@") continue;  // the Id attribute of infNFe, not an element
      NoLayout* grupo = &Raiz;
      std::string_view resto = c.Grupo;
      while (!resto.empty()) {
        auto barra = resto.find('/');
        grupo = &Filho(*grupo, resto.substr(0, barra));
        resto = barra == std::string_view::npos ? std::string_view{} : resto.substr(barra + 1);
      }
      NoLayout campo;
      campo.Tag = std::string(TagCampo(c.Nome));
      campo.Campo = &c;
      campo.Obrigatorio = c.Obrigatorio;
      grupo->Filhos.push_back(std::move(campo));
      PorCaminho.emplace(std::string(c.Grupo) + "/" + std::string(TagCampo(c.Nome)), std::string(c.Nome));
    }
  }
};

const Layout& layout() {
  static const Layout instance;
  return instance;
}

}  // namespace

std::string_view TagCampo(std::string_view Nome) {
  return Nome.substr(0, Nome.rfind('_'));
}

const CampoLayout* BuscaCampoLayout(std::string_view Nome) {
  const auto& porNome = layout().PorNome;
  auto it = porNome.find(Nome);
  return it == porNome.end() ? nullptr : it->second;
}

const NoLayout& ArvoreLayout() {
  return layout().Raiz;
}

std::string CampoDoCaminho(std::string_view Caminho) {
  const auto& porCaminho = layout().PorCaminho;
  auto it = porCaminho.find(Caminho);
  return it == porCaminho.end() ? std::string() : it->second;
}

}  // namespace zpk::nfe
