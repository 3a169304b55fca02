// The NF-e of one stored invoice: the main sequence of GeraNFe and the
// header (identification, referenced documents, emitter, recipient, delivery,
// XML readers) and product groups; the tax and invoice-level groups live in
// gera_nfe_impostos.cpp.
#include "billing/nfe/gera_nfe.hpp"

#include <cctype>
#include <cmath>
#include <ctime>
#include <string>

#include <fmt/format.h>

#include "billing/cents.hpp"
#include "billing/mensagens_nota.hpp"
#include "billing/nfe/gera_nfe_grupos.hpp"
#include "billing/nfe/nfe_error.hpp"
#include "billing/nfe/xml_nfe.hpp"
#include "billing/nfe_text.hpp"
#include "billing/nota_fiscal.hpp"
#include "documents/check_digits.hpp"
#include "foundation/lookups.hpp"
#include "foundation/station_settings.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {
namespace {

using nfe::detail::GeracaoNFe;

// Company parameter FAT 140: the CPF or CNPJ of a further party (the
// company's accountant) authorised to read every NF-e's XML; blank for none.
constexpr int kParametroAutXML = 140;

std::string Limpo(const GeracaoNFe& G, std::string_view Coluna) {
  return LimpaCaracterNFe(Trim(G.Texto(Coluna)));
}

bool Digitos(std::string_view Texto) {
  if (Texto.empty()) return false;
  for (char c : Texto)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// An EAN-13 the NF-e takes as GTIN: 13 digits of the Brazilian prefixes 789
// or 790 with a right check digit.
bool Ean13Valido(const std::string& Codigo) {
  return Codigo.size() == 13 && Digitos(Codigo) && (Codigo.starts_with("789") || Codigo.starts_with("790")) &&
         DVEan13(Codigo.substr(0, 12)) == Codigo;
}

// A GTIN-14 with a right check digit.
bool Ean14Valido(const std::string& Codigo) {
  return Codigo.size() == 14 && Digitos(Codigo) && DigitoEAN14(Codigo) == Codigo.substr(13, 1);
}

// A vehicle identification number: 17 characters of the VIN alphabet (digits
// and capital letters without I, O and Q, which read as 1 and 0).
bool ChassiValido(std::string_view Chassi) {
  if (Chassi.size() != 17) return false;
  for (char c : Chassi) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isdigit(u)) continue;
    if (!std::isupper(u) || c == 'I' || c == 'O' || c == 'Q') return false;
  }
  return true;
}

// The first digit of the invoice's CFOP (of its nature when the CFOP is
// blank), 1 when it is not a digit.
char PrimeiroDigitoCFOP(const GeracaoNFe& G) {
  std::string cfop = Trim(G.Texto("CFOP"));
  if (cfop.empty()) cfop = Trim(G.Texto("NOTA_NATUREZA"));
  if (cfop.empty() || !std::isdigit(static_cast<unsigned char>(cfop[0]))) return '1';
  return cfop[0];
}

// One value of a single-row statement, bound; "" when no row.
std::string UmValor(const std::string& Sql, std::string_view Parametro, const std::string& Valor) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(Sql);
  q.ParamByName(Parametro).AsString = Valor;
  q.Open();
  return q.Eof() ? std::string() : Trim(std::string(q.Fields(0).AsString));
}

// The moment of generation.
TDateTime Agora() {
  return RelogioNFe ? RelogioNFe() : Now();
}

// Puts the dataset's filter back as the caller had it, whatever way GeraNFe leaves.
class RestauraFiltro {
 public:
  explicit RestauraFiltro(TClientDataSet& Nota)
      : nota_(Nota), filtro_(Nota.Filter), filtrado_(Nota.Filtered) {}
  ~RestauraFiltro() {
    try {
      nota_.Filtered = false;
      nota_.Filter = filtro_;
      nota_.Filtered = filtrado_;
    } catch (...) {
    }
  }
  RestauraFiltro(const RestauraFiltro&) = delete;
  RestauraFiltro& operator=(const RestauraFiltro&) = delete;

 private:
  TClientDataSet& nota_;
  std::string filtro_;
  bool filtrado_;
};

// The station's offset from UTC at `Momento` ("-03:00"): what the NF-e's
// date-times carry when NFe.ini names no zone, since the layout refuses a
// date-time without one and the clock read is the station's local time.
std::string FusoDaEstacao(TDateTime Momento) {
  Word ano, mes, dia, hora, minuto, segundo, ms;
  DecodeDate(Momento, ano, mes, dia);
  DecodeTime(Momento, hora, minuto, segundo, ms);
  std::tm local{};
  local.tm_year = ano - 1900;
  local.tm_mon = mes - 1;
  local.tm_mday = dia;
  local.tm_hour = hora;
  local.tm_min = minuto;
  local.tm_sec = segundo;
  local.tm_isdst = -1;
  const std::time_t instante = std::mktime(&local);
  std::tm lido{};
  if (instante == static_cast<std::time_t>(-1) || localtime_r(&instante, &lido) == nullptr) return "-03:00";
  const long minutos = lido.tm_gmtoff / 60;
  const long absoluto = minutos < 0 ? -minutos : minutos;
  return fmt::format("{}{:02}:{:02}", minutos < 0 ? '-' : '+', absoluto / 60, absoluto % 60);
}

}  // namespace

std::string FusoNFe(TDateTime Momento) {
  std::string fuso = Trim(LeIni("NFe", "Fuso", "NFe.ini"));
  return fuso.empty() ? FusoDaEstacao(Momento) : fuso;
}

bool GeraNFe(nfe::TNFeCampos& NFe, TClientDataSet& cdsNota, std::string& Chave, std::string& Lote) {
  using namespace nfe::detail;
  sParamCOM110 = BuscaParametro("COM", 110);
  NFe.NovaNFe();
  // An error leaves no half-filtered dataset behind for the invoicing screen.
  RestauraFiltro restaura(cdsNota);
  cdsNota.Filtered = false;
  cdsNota.Filter = "ITEM_EMPENHO = 'N'";
  cdsNota.Filtered = true;
  cdsNota.First();

  const TDateTime agora = Agora();
  GeracaoNFe G{NFe, cdsNota, agora, FusoNFe(agora),
               UpperCase(Trim(LeIni("EMAIL", "TagXML", "NFe.ini"))) != "N"};
  GrupoIdentificacao(G);
  GrupoEmitente(G);
  GrupoDestinatario(G);
  GrupoEntrega(G);
  GrupoAutXML(G);

  while (!cdsNota.Eof()) {
    NFe.IncluirItem();
    GrupoProduto(G);
    GrupoCOFINS(G);
    GrupoPIS(G);
    GrupoIPI(G);
    GrupoICMS(G);
    GrupoDIFAL(G);
    GrupoTributosAproximados(G);
    NFe.SalvarItem();
    cdsNota.Next();
  }
  cdsNota.First();

  ReconciliaImpostos(G);
  GrupoTotais(G);
  GrupoTransporte(G);
  GrupoInformacoesAdicionais(G);
  GrupoCobranca(G);
  GrupoPagamento(G);
  if (PresencaRemota() && VerCgc(LimpaCpfCnpj(G.Texto("REPRESEN_CNPJ")))) GrupoIntermediador(G);
  GrupoResponsavelTecnico(G);
  ConfereTipoOperacao(G);

  nfe::CalculaChaveNFe(NFe);
  Chave = NFe.Valor("Id_A03").substr(3, 44);
  Lote = nfe::GeraXmlNFe(NFe).Xml;
  return true;
}

namespace nfe::detail {

std::string TextoObrigatorio(std::string_view Campo, std::string_view Texto) {
  std::string limpo = LimpaCaracterNFe(Texto);
  // A required text made only of characters the layout refuses (emoji,
  // ideograms) would leave its element out and the schema refuse the NF-e
  // with no word of which value to correct: the generation names it.
  if (Trim(limpo).empty() && !Trim(Texto).empty())
    throw ENFeError(NFeErrorKind::invalid_input,
                    fmt::format("{}: \"{}\" não tem caractere aceito na NF-e", Campo, Texto));
  return limpo;
}

void ConfereTipoOperacao(GeracaoNFe& G) {
  // The CFOP's first digit says the direction (1-3 entries, 5-7 exits) and
  // the authoriser refuses an NF-e whose type says the other: the nature's
  // TP_BASE is what to correct, so the note is stopped here, before signing.
  const std::string tpNF = G.NFe.Valor("tpNF_B11");
  for (const auto& item : G.NFe.Itens()) {
    const auto it = item.find("CFOP_I08");
    if (it == item.end() || it->second.empty()) continue;
    const char digito = it->second[0];
    const bool saida = digito == '5' || digito == '6' || digito == '7';
    const bool entrada = digito == '1' || digito == '2' || digito == '3';
    if ((saida && tpNF != "1") || (entrada && tpNF != "0"))
      throw ENFeError(
          NFeErrorKind::invalid_input,
          fmt::format("CFOP_I08 {} é de {}, mas tpNF_B11 é {} ({}): confira o TP_BASE da natureza",
                      it->second, saida ? "saída" : "entrada", tpNF, tpNF == "1" ? "saída" : "entrada"));
  }
}

bool PresencaRemota() {
  // Presence 5 (in person, outside the establishment) is issued as 9, so it
  // is the 9 that decides: the intermediary indicator and group follow the
  // code the NF-e carries, not the one chosen on the screen.
  const int presenca = ITpEntrega == 5 ? 9 : ITpEntrega;
  return presenca == 2 || presenca == 3 || presenca == 4 || presenca == 9;
}

// Identification (B) and the referenced documents (BA).
void GrupoIdentificacao(GeracaoNFe& G) {
  const auto& emp = Tabela.company;
  G.tpEmis = std::to_string(ITpTrasNFe == 3 ? 6 : ITpTrasNFe);
  G.indPres = std::to_string(ITpEntrega == 5 ? 9 : ITpEntrega);
  G.finNFe = std::to_string(IFinNFe);
  G.indFinal = Trim(G.Texto("NATUREZA_CF")) == "S" ? "1" : "0";
  const char digito = PrimeiroDigitoCFOP(G);
  G.idDest = (digito == '1' || digito == '5') ? "1" : (digito == '2' || digito == '6') ? "2" : "3";

  G.Campo("CRT_C21") = Trim(emp.crt);
  const TDateTime saida = G.Nota.FieldByName("NOTA_DT_SAIDA").AsDateTime;
  // Day zero is how the invoice screen stores "no exit date yet".
  if (!G.Nota.FieldByName("NOTA_DT_SAIDA").IsNull() && std::floor(saida.Value) != 0) {
    TDateTime hora = TimeOf(G.Agora);
    if (!Trim(sHoraSaida).empty()) {
      try {
        hora = StrToTime(Trim(sHoraSaida));
      } catch (const std::exception&) {
      }
    }
    G.Campo("dhSaiEnt_B10") =
        DataHoraNFe(G, TDateTime(std::floor(saida.Value) + hora.Value - std::floor(hora.Value)));
  }
  G.Campo("tpEmis_B22") = G.tpEmis;
  G.Campo("versao_A02") = VersaoNFe();

  const std::string chave = Trim(G.Texto("NOTA_CHAVE_NFE"));
  if (!chave.empty()) {
    // A regenerated NF-e keeps the numeric code, hence the key, of the first.
    G.Campo("cNF_B03") = chave.substr(std::min<size_t>(35, chave.size()), 8);
  } else {
    const TDateTime a = G.Agora;
    const int diaAno = static_cast<int>(std::floor(a.Value) - EncodeDate(YearOf(a), 1, 1).Value) + 1;
    const int semana = DayOfWeek(a) == 1 ? 7 : DayOfWeek(a) - 1;  // Monday = 1
    G.Campo("cNF_B03") = FormatDateTime("ss", a) + FormatDateTime("dd", a) + FormatDateTime("nn", a) +
                         std::to_string(semana) + FormatFloatC("0", diaAno * 0.024);
  }
  G.Campo("Id_A03") = "";
  G.Campo("cDV_B23") = "";
  G.Campo("verProc_B27") = "001";
  G.Campo("procEmi_B26") = "0";
  G.Campo("mod_B06") = "55";
  G.Campo("tpAmb_B24") = Trim(emp.nfe_environment);
  G.Campo("tpImp_B21") = std::to_string(ITpImpNFe);
  G.Campo("finNFe_B25") = G.finNFe;
  G.Campo("cUF_B02") =
      UmValor("SELECT CODIGO FROM " + DBLocal("TABUF") + " WHERE SIGLA_EST = :UF", "UF", Trim(emp.state));
  G.Campo("cMunFG_B12") = Trim(emp.city_code);
  G.Campo("natOp_B04") = TextoObrigatorio("natOp_B04", Trim(G.Texto("NATUREZA_DESC")));
  G.Campo("serie_B07") = Trim(G.Texto("NOTA_SERIE"));
  // NOTA_FATURA is the six-digit number followed by the series.
  const std::string numero = Trim(G.Texto("NOTA_FATURA")).substr(0, 6);
  G.Campo("nNF_B08") = Digitos(numero) ? std::to_string(std::stol(numero)) : numero;
  G.Campo("dhEmi_B09") = DataHoraNFe(
      G,
      TDateTime(std::floor(static_cast<TDateTime>(G.Nota.FieldByName("NOTA_DT_EMISSAO").AsDateTime).Value) +
                G.Agora.Value - std::floor(G.Agora.Value)));
  G.Campo("idDest_B11a") = G.idDest;
  G.Campo("indPres_B25b") = G.indPres;
  if (PresencaRemota())
    G.Campo("indIntermed_B25c") = VerCgc(LimpaCpfCnpj(G.Texto("REPRESEN_CNPJ"))) ? "1" : "0";
  G.Campo("indFinal_B25a") = G.indFinal;
  G.Campo("tpNF_B11") = Trim(G.Texto("NATUREZA_TP_BASE")) == "1" ? "1" : "0";
  if (ITpTrasNFe != 1) {
    G.Campo("xJust_B29") = "Danfe em contingência - Impresso em decorrência de problemas técnicos";
    G.Campo("dhCont_B28") = DataHoraNFe(G, G.Agora);
  }

  TTIQuery ref(Tabela.IBDatabase);
  ref.SQL.Add("SELECT FATURA, DOCTO, CHAVE, MODELO FROM " + DBLocal("NOTA_REF") + " WHERE FATURA = :FATURA");
  ref.ParamByName("FATURA").AsString = Trim(G.Texto("NOTA_FATURA"));
  ref.Open();
  for (; !ref.Eof(); ref.Next()) {
    const std::string modelo = Trim(std::string(ref.FieldByName("MODELO").AsString));
    const std::string docto = Trim(std::string(ref.FieldByName("DOCTO").AsString));
    const std::string chaveRef = Trim(std::string(ref.FieldByName("CHAVE").AsString));
    G.NFe.IncluirPart("NRef");
    if (modelo == "55" || modelo == "65") {
      G.Campo("refNFe_BA02") = chaveRef;
    } else if (modelo == "57") {
      G.Campo("refCTe_BA19") = chaveRef;
    } else if (modelo == "2D") {
      G.Campo("mod_BA21") = "2D";
      G.Campo("nECF_BA22") = docto;
      G.Campo("nCOO_BA23") = docto;
    } else if (modelo == "01") {
      TTIQuery ne(Tabela.IBDatabase);
      ne.SQL.Add(DBLocal_SQL(
          "SELECT NE.NOTAFISCAL, NE.DT_EMISSAO, NE.SERIE, ET.CNPJ, TF.ABREVI AS MODELO, UF.CODIGO AS COD_EST"
          " FROM {NOTA_ENTRA} NE LEFT OUTER JOIN {ENTIDADE} ET ON (ET.CODCLI = NE.CREDOR)"
          " LEFT OUTER JOIN {CADCEP} CP ON (CP.CEP = ET.CEP) LEFT OUTER JOIN {CIDADE} CD ON (CD.COD_CID = "
          "CP.COD_CID)"
          " LEFT OUTER JOIN {TABUF} UF ON (UF.SIGLA_EST = CD.COD_EST)"
          " LEFT OUTER JOIN {TIPO_FISCAL} TF ON (TF.CODIGO = NE.TIPO)"
          " WHERE NE.NOTAFISCAL = :DOCTO AND NE.CREDOR = :CREDOR"));
      ne.ParamByName("DOCTO").AsString = docto;
      ne.ParamByName("CREDOR").AsString = Trim(G.Texto("NOTA_CODCLI"));
      ne.Open();
      if (!ne.Eof()) {
        G.Campo("cUF_BA04") = Trim(std::string(ne.FieldByName("COD_EST").AsString));
        G.Campo("AAMM_BA05") = FormatDateTime("yymm", ne.FieldByName("DT_EMISSAO").AsDateTime);
        G.Campo("CNPJ_BA06") = LimpaCnpjNFe(std::string(ne.FieldByName("CNPJ").AsString));
        G.Campo("mod_BA07") = Trim(std::string(ne.FieldByName("MODELO").AsString));
        G.Campo("serie_BA08") = Trim(std::string(ne.FieldByName("SERIE").AsString));
        G.Campo("nNF_BA09") = Trim(std::string(ne.FieldByName("NOTAFISCAL").AsString));
      }
    }
    G.NFe.SalvarPart("NRef");
  }
}

// Emitter (C): the company's register.
void GrupoEmitente(GeracaoNFe& G) {
  const auto& emp = Tabela.company;
  G.Campo("cPais_C14") = "1058";
  G.Campo("xPais_C15") = "BRASIL";
  G.Campo("CNPJ_C02") = LimpaCnpjNFe(emp.cnpj);
  G.Campo("xNome_C03") = TextoObrigatorio("xNome_C03", Trim(emp.name));
  G.Campo("xFant_C04") = LimpaCaracterNFe(Trim(emp.trade_name));
  G.Campo("xLgr_C06") = LimpaCaracterNFe(Trim(emp.street));
  G.Campo("nro_C07") = Trim(emp.number).empty() ? "S/N" : LimpaCaracterNFe(Trim(emp.number));
  G.Campo("xBairro_C09") = LimpaCaracterNFe(Trim(emp.district));
  G.Campo("UF_C12") = Trim(emp.state);
  G.Campo("cMun_C10") = Trim(emp.city_code);
  G.Campo("xMun_C11") = LimpaCaracterNFe(Trim(emp.city));
  G.Campo("CEP_C13") = LimpaCaracterNFe(emp.postal_code, true);
  G.Campo("fone_C16") = LimpaCaracterNFe(emp.phone, true);
  G.Campo("IE_C17") = LimpaCaracterNFe(emp.state_registration, true);
  // The company's substitute registration in the customer's state, kept on
  // the customer's state row; a simple-regime customer pays no ST there.
  if (Trim(G.Texto("CLIENTE_SIMPLES")) != "S")
    G.Campo("IEST_C18") = LimpaCaracterNFe(G.Texto("CLIENTE_ST_INSC"), true);
}

// Recipient (E).
void GrupoDestinatario(GeracaoNFe& G) {
  std::string pais = Trim(G.Texto("CLIENTE_COD_PAIS"));
  std::string nomePais = Limpo(G, "CLIENTE_NOME_PAIS");
  if (pais.empty()) {
    pais = "1058";
    nomePais = "BRASIL";
  }
  G.Campo("cPais_E14") = pais;
  G.Campo("xPais_E15") = nomePais;
  const std::string documento = LimpaCnpjNFe(G.Texto("CLIENTE_CNPJ"));
  if (Trim(G.Texto("CLIENTE_TIPO")) == "2") {
    G.Campo("CNPJ_E02") = documento;
    G.Campo("CPF_E03") = "Null";
  } else {
    G.Campo("CNPJ_E02") = "Null";
    G.Campo("CPF_E03") = documento;
  }
  const std::string numero = Limpo(G, "CLIENTE_NUM_END");
  G.Campo("nro_E07") = numero.empty() ? "S/N" : numero;
  G.Campo("xNome_E04") = Copy(Limpo(G, "CLIENTE_NOME"), 1, 60);
  G.Campo("xLgr_E06") = Limpo(G, "CLIENTE_ENDERECO");
  G.Campo("xCpl_E08") = Limpo(G, "CLIENTE_COMPLEMENTO");
  G.Campo("xBairro_E09") = Limpo(G, "CLIENTE_BAIRRO");
  G.Campo("cMun_E10") = Limpo(G, "CLIENTE_CODMUN");
  G.Campo("xMun_E11") = Limpo(G, "CLIENTE_NOMCEP");
  G.Campo("UF_E12") = Limpo(G, "CLIENTE_ESTCEP");
  G.Campo("CEP_E13") = LimpaCaracterNFe(G.Texto("CLIENTE_CEP"), true);
  G.Campo("fone_E16") = LimpaCaracterNFe(G.Texto("CLIENTE_TELEFONE"), true);

  const std::string inscricao = UpperCase(Trim(G.Texto("CLIENTE_INSCRICAO")));
  const bool isento = inscricao == "ISENTO";
  std::string ie;
  if (pais == "1058") {
    if (G.indFinal == "1") {
      G.indIEDest = "9";
      ie = isento ? "" : inscricao;
    } else if (isento) {
      // A simple-regime micro-entrepreneur ("M") buys as a final consumer.
      if (Trim(G.Texto("CLIENTE_SIMPLES")) == "M") {
        G.indFinal = "1";
        G.Campo("indFinal_B25a") = "1";
        G.indIEDest = "9";
      } else {
        G.indIEDest = "2";
      }
    } else {
      G.indIEDest = "1";
      ie = inscricao;
    }
  } else {
    G.indIEDest = "9";
    G.Campo("idEstrangeiro_E03a") = Trim(G.Texto("CLIENTE_INSCRICAO"));
  }
  G.Campo("indIEDest_E16a") = G.indIEDest;
  G.Campo("IE_E17") = LimpaCaracterNFe(ie, true);
  G.ISUF = LimpaCaracterNFe(G.Texto("CLIENTE_SUFRAMA"), true);
  G.Campo("ISUF_E18") = G.ISUF;
  if (G.EmailNoXml) G.Campo("email_E19") = Trim(G.Texto("CLIENTE_EMAIL"));
}

// Delivery place (G): only when the customer has a delivery address that
// differs from the main one (a blank or equal address delivers at the recipient).
void GrupoEntrega(GeracaoNFe& G) {
  const std::string endereco = Limpo(G, "CLIENTE_END_ENT");
  if (endereco.empty()) return;
  const std::string numero = Limpo(G, "CLIENTE_ENT_NUM_ENT");
  const std::string cep = LimpaCaracterNFe(G.Texto("CLIENTE_CEP_ENT"), true);
  if (endereco == Limpo(G, "CLIENTE_ENDERECO") && numero == Limpo(G, "CLIENTE_NUM_END") &&
      cep == LimpaCaracterNFe(G.Texto("CLIENTE_CEP"), true))
    return;
  std::string documento = LimpaCnpjNFe(G.Texto("CLIENTE_ENT_CNPJ"));
  if (documento.empty()) documento = LimpaCnpjNFe(G.Texto("CLIENTE_CNPJ"));
  if (documento.size() == 11)
    G.Campo("CPF_G02a") = documento;
  else
    G.Campo("CNPJ_G02") = documento;

  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(
      DBLocal_SQL("SELECT CLI.NOME, CLI.TELEFONE, CLI.COD_PAIS, PAIS.NOME_PAIS, CLI.EMAIL FROM {ENTIDADE} CLI"
                  " LEFT JOIN {PAIS} PAIS ON (CLI.COD_PAIS = PAIS.COD_PAIS) WHERE CLI.CODCLI = :CODCLI"));
  q.ParamByName("CODCLI").AsString = Trim(G.Texto("CLIENTE_CODCLI"));
  q.Open();
  auto col = [&](std::string_view c) {
    return q.Eof() ? std::string() : Trim(std::string(q.FieldByName(c).AsString));
  };
  G.Campo("xNome_G02b") = Copy(LimpaCaracterNFe(col("NOME")), 1, 60);
  G.Campo("xLgr_G03") = endereco;
  G.Campo("nro_G04") = numero.empty() ? "S/N" : numero;
  G.Campo("xCpl_G05") = Limpo(G, "CLIENTE_ENT_COMP_ENT");
  G.Campo("xBairro_G06") = Limpo(G, "CLIENTE_ENT_BAIRRO");
  G.Campo("cMun_G07") = Limpo(G, "CLIENTE_ENT_CODMUN");
  G.Campo("xMun_G08") = Limpo(G, "CLIENTE_ENT_NOMCEP");
  G.Campo("UF_G09") = Limpo(G, "CLIENTE_ENT_ESTCEP");
  G.Campo("CEP_G10") = cep;
  const std::string pais = col("COD_PAIS");
  G.Campo("cPais_G11") = pais.empty() ? "1058" : pais;
  G.Campo("xPais_G12") = pais.empty() ? "BRASIL" : LimpaCaracterNFe(col("NOME_PAIS"));
  G.Campo("fone_G13") = LimpaCaracterNFe(col("TELEFONE"), true);
  if (G.EmailNoXml) G.Campo("email_G14") = col("EMAIL");
  const std::string ie = UpperCase(Trim(G.Texto("CLIENTE_ENT_INSC")));
  G.Campo("IE_G15") = ie == "ISENTO" ? ie : LimpaCaracterNFe(ie, true);
}

// Authorised XML readers (GA): the party of parameter FAT 140 and the
// customer's delivery document when it differs from the recipient's.
void GrupoAutXML(GeracaoNFe& G) {
  const std::string recipiente = LimpaCnpjNFe(G.Texto("CLIENTE_CNPJ"));
  auto inclui = [&](const std::string& documento) {
    if (documento.empty() || documento == recipiente) return;
    G.NFe.IncluirPart("autXML");
    G.Campo(documento.size() == 11 ? "CPF_GA03" : "CNPJ_GA02") = documento;
    G.NFe.SalvarPart("autXML");
  };
  const std::string parametro = LimpaCnpjNFe(BuscaParametro("FAT", kParametroAutXML));
  inclui(parametro);
  const std::string entrega = LimpaCnpjNFe(G.Texto("CLIENTE_CNPJ_ENT"));
  if (entrega != parametro) inclui(entrega);
}

// Product (I) of the current item row with its specific groups.
void GrupoProduto(GeracaoNFe& G) {
  const std::string tipo = Trim(G.Texto("ITEM_TIPO_IT"));
  G.Campo("cProd_I02") = Limpo(G, "ITEM_CODIGO");

  std::string ean = "SEM GTIN", eanTrib = "SEM GTIN";
  const std::string barra = LimpaCaracterNFe(G.Texto("ITEM_BARRA"), true);
  if (Ean13Valido(barra)) ean = eanTrib = barra;
  const std::string barraCli = LimpaCaracterNFe(G.Texto("ITEM_BARRACLI"), true);
  if (Ean14Valido(barraCli)) {
    ean = barraCli;
    eanTrib = DVEan13(barraCli.substr(1, 12));
  } else if (Ean13Valido(barraCli)) {
    ean = eanTrib = barraCli;
  }
  G.Campo("cEAN_I03") = ean;
  G.Campo("cEANTrib_I12") = eanTrib;

  std::string descricao = Trim(G.Texto("ITEM_DESCRICAO"));
  const std::string descricao2 = Trim(G.Texto("ITEM_DESCRICAO2"));
  if (!descricao2.empty() && descricao2 != descricao) descricao = descricao2;
  // Cut to the layout's length by the XML writer, which notes the cut.
  G.Campo("xProd_I04") = TextoObrigatorio("xProd_I04", descricao);
  G.Campo("NCM_I05") = LimpaCaracterNFe(G.Texto("ITEM_CLA_FIS_DESC"), true);
  G.Campo("CEST_I05c") = LimpaCaracterNFe(G.Texto("ITEM_CLA_FIS_CEST"), true);
  // The fiscal class keeps the relevant-scale flag as 1/0 or S/N.
  std::string escala = UpperCase(Trim(G.Texto("ITEM_CLA_FIS_IND_ESCALA")));
  if (escala == "1") escala = "S";
  if (escala == "0") escala = "N";
  // The scale indicator belongs to goods under a CEST; without one it is left out.
  if ((escala == "S" || escala == "N") && !G.Campo("CEST_I05c").empty()) {
    G.Campo("indEscala_I05d") = escala;
    // Goods not made at a relevant scale name their maker: this company.
    if (escala == "N") G.Campo("CNPJFab_I05e") = LimpaCnpjNFe(Tabela.company.cnpj);
  }
  {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("SELECT CBENEF FROM " + DBLocal("TRIBCST") +
              " WHERE CODTRIB = :CODTRIB AND TIPO = :TIPO AND NATUREZA = :NATUREZA AND UF = :UF");
    q.ParamByName("CODTRIB").AsString = Trim(G.Texto("ITEM_CLA_TRIB"));
    q.ParamByName("TIPO").AsString = "ICMS";
    q.ParamByName("NATUREZA").AsString = Trim(G.Texto("ITEM_NATUREZA"));
    q.ParamByName("UF").AsString = Trim(G.Texto("CLIENTE_ESTCEP"));
    q.Open();
    if (!q.Eof()) G.Campo("cBenef_I05f") = Trim(std::string(q.FieldByName("CBENEF").AsString));
  }
  G.Campo("EXTIPI_I06") = Trim(G.Texto("ITEM_CLA_FIS_EXTIPI"));
  const std::string cfop = LimpaCaracterNFe(G.Texto("ITEM_CFOP"), true);
  G.Campo("CFOP_I08") = cfop;
  const std::string unidade = Limpo(G, "ITEM_UNIDADE_ABV");
  G.Campo("uCom_I09") = unidade;
  const double qtde = G.Numero("ITEM_QTDE");
  G.Campo("qCom_I10") = FormataPonto(qtde, 4);
  G.Campo("vUnCom_I10a") = FormataPonto(G.Numero("ITEM_PRECO"), 10);
  const double valor = G.Numero("ITEM_VALOR");
  G.Campo("vProd_I11") = FormataPonto(valor, 2);

  // Taxable unit: the fiscal class's unit; "KG" is taxed by the weight.
  std::string uTrib = Limpo(G, "ITEM_CLA_FIS_UN");
  if (uTrib.empty()) uTrib = Limpo(G, "ITEM_UNI_TRIB");
  if (uTrib.empty()) uTrib = unidade;
  double qTrib = G.Numero("ITEM_QTDE_TRIB");
  if (UpperCase(uTrib) == "KG" && UpperCase(unidade) != "KG") {
    const double peso = tipo == "M" ? G.Numero("MATERIAL_PESO") : G.Numero("PRODUTO_PESO");
    if (peso > 0) qTrib = qtde * peso;
  }
  if (qTrib <= 0) qTrib = qtde;
  G.Campo("uTrib_I13") = uTrib;
  G.Campo("qTrib_I14") = FormataPonto(qTrib, 4);
  G.Campo("vUnTrib_I14a") = FormataPonto(qTrib > 0 ? valor / qTrib : 0, 10);

  const double produtos = G.Numero("NOTA_VAL_PRODUTOS");
  if (produtos >= 0.01) {
    const bool ultimo = G.UltimoItem();
    auto escreve = [&](Rateio& r, std::string_view campo, double total) {
      const double parte = r.parte(valor, produtos, total, ultimo);
      if (parte >= 0.01) G.Campo(campo) = FormataPonto(parte, 2);
    };
    escreve(G.Frete, "vFrete_I15", G.Numero("NOTA_VAL_FRETE"));
    escreve(G.Seguro, "vSeg_I16", G.Numero("NOTA_VAL_SEGURO"));
    escreve(G.Outras, "vOutro_I17a", G.Numero("NOTA_DESPESAS"));
    // The header discount spread like the expenses; an invoice without one
    // carries each item's own discount.
    if (G.Numero("NOTA_DESCONTO") >= 0.01) escreve(G.Desconto, "vDesc_I17", G.Numero("NOTA_DESCONTO"));
  }
  const double desconto = G.Numero("ITEM_DESCONTO");
  if (G.Numero("NOTA_DESCONTO") < 0.01 && desconto >= 0.01) G.Campo("vDesc_I17") = FormataPonto(desconto, 2);
  G.Campo("indTot_I17b") = "1";

  // Import declaration (I18) and import tax (P) for an import CFOP.
  if (cfop.starts_with("3")) {
    const std::string emissao = DataNFe(G.Nota.FieldByName("NOTA_DT_EMISSAO").AsDateTime);
    G.Campo("nDI_I19") = Limpo(G, "NOTA_DOCTO");
    G.Campo("dDI_I20") = emissao;
    G.Campo("xLocDesemb_I21") = "Porto";
    G.Campo("UFDesemb_I22") = "SC";
    G.Campo("dDesemb_I23") = emissao;
    G.Campo("tpViaTransp_I23a") = "1";
    G.Campo("tpIntermedio_I23c") = "1";
    G.Campo("cExportador_I24") = Limpo(G, "NOTA_CODCLI");
    G.Campo("nAdicao_I26") = "1";
    G.Campo("nSeqAdic_I27") = "1";
    G.Campo("cFabricante_I28") = Limpo(G, "NOTA_CODCLI");
  }
  // Export (I50): the drawback act, export register and the key of the
  // goods bought for export are not kept by the invoice, so the group stays
  // empty; the export place goes to ZA below.

  G.Campo("xPed_I60") = Copy(Limpo(G, "PEDIDO_PED_CLI"), 1, 15);
  const std::string ordPed = Trim(G.Texto("ITEM_ORD_PED"));
  if (!G.Campo("xPed_I60").empty() && Digitos(ordPed) && std::stol(ordPed) > 0)
    G.Campo("nItemPed_I61") = std::to_string(std::stol(ordPed));
  double percentual = 0;
  G.Campo("nFCI_I70") = BuscaNrFCI(tipo, Trim(G.Texto("ITEM_CODIGO")), Trim(G.Texto("ITEM_ORIGEM")),
                                   G.Texto("ITEM_COR"), percentual);

  // Batch (I80): the item's batch and its production and expiry dates.
  const std::string lote = Trim(G.Texto("ITEM_LOTE"));
  if (!lote.empty()) {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("SELECT DATA, DATA2 FROM " + DBLocal("ITEM_LOTE") +
              " WHERE NUMERO = :NUMERO AND CODIGO = :CODIGO");
    q.ParamByName("NUMERO").AsString = lote;
    q.ParamByName("CODIGO").AsString = Trim(G.Texto("ITEM_CODIGO"));
    q.Open();
    if (!q.Eof()) {
      G.Campo("nlote_I81") = LimpaCaracterNFe(lote);
      G.Campo("qlote_I82") = FormataPonto(qtde, 3);
      G.Campo("dFab_I83") = DataNFe(q.FieldByName("DATA").AsDateTime);
      G.Campo("dVal_I84") = DataNFe(q.FieldByName("DATA2").AsDateTime);
    }
  }

  // Specific goods by the fiscal class's kind of goods (a free text such as
  // "VESTUARIO"): vehicles, medicines and fuels by the word it starts with.
  const std::string kind = UpperCase(Trim(G.Texto("ITEM_CLA_FIS_ESP_FIS")));
  const std::string especie = kind.starts_with("VEIC")    ? "V"
                              : kind.starts_with("MEDIC") ? "M"
                              : kind.starts_with("COMB")  ? "C"
                                                          : "";
  auto segundo = [&] { return Limpo(G, tipo == "M" ? "MATERIAL_CODIGO2" : "PRODUTO_CODIGO2"); };
  if (especie == "V") {
    const std::string chassi = UpperCase(Trim(G.Texto("NOTA_DOCTO2")));
    if (!ChassiValido(chassi))
      throw ENFeError(NFeErrorKind::invalid_input, "Número do Chassi inválido. Impossível continuar.");
    G.Campo("chassi_J03") = chassi;
  } else if (especie == "M") {
    // The agency's codes live in the register's second code (ANVISA, ANP).
    const std::string anvisa = segundo();
    G.Campo("cProdANVISA_K01a") = anvisa.empty() ? "ISENTO" : anvisa;
    if (anvisa.empty()) G.Campo("xMotivoIsencao_K01b") = "PROCESSO ANVISA: " + Limpo(G, "ITEM_CODIGO");
    G.Campo("vPMC_K06") = FormataPonto(G.Numero("ITEM_PRECO"), 2);
  } else if (especie == "C") {
    G.Campo("cProdANP_LA02") = LimpaCaracterNFe(segundo(), true);
    G.Campo("descANP_LA03") = Copy(LimpaCaracterNFe(descricao), 1, 95);
    G.Campo("UFCons_LA06") = Limpo(G, "CLIENTE_ESTCEP");
  }

  if (cfop.starts_with("3")) {
    G.Campo("vBC_P02") = FormataPonto(G.Numero("ITEM_BASE_II"), 2);
    G.Campo("vDespAdu_P03") = "0.00";
    G.Campo("vII_P04") = FormataPonto(to_cents(G.Numero("ITEM_BASE_II") * G.Numero("ITEM_PERC_II") / 100), 2);
    G.Campo("vIOF_P05") = "0.00";
  }
  if (cfop.starts_with("7")) {
    G.Campo("UFSaidaPais_ZA02") = Trim(sUFSaida).empty() ? Trim(Tabela.company.state) : Trim(sUFSaida);
    G.Campo("xLocExporta_ZA03") = LimpaCaracterNFe(Trim(sLocal));
  }

  G.Campo("infAdProd_V01") =
      ObsProdutoNFe(G.Texto("NOTA_FATURA"), G.Texto("NOTA_SERIE"), G.Texto("ITEM_DESCRICAO2"),
                    G.Texto("NOTA_OBS"), static_cast<int>(G.Numero("ITEM_ORD_PED")));
  G.Campo("nItem_H02") = Trim(G.Texto("ITEM_ORDEM"));
}

}  // namespace nfe::detail
}  // namespace zpk
