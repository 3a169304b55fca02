// Writing the NF-e XML from the field set.
#include "billing/nfe/xml_nfe.hpp"

#include <algorithm>

#include <fmt/format.h>

#include "billing/nfe/chave_nfe.hpp"
#include "billing/nfe/layout_nfe.hpp"
#include "billing/nfe/nfe_error.hpp"

namespace zpk::nfe {
namespace {

// The code points of a UTF-8 text; bytes that do not form a valid sequence
// are dropped, so that a broken text never makes a malformed document.
std::u32string Decodifica(std::string_view Texto) {
  std::u32string saida;
  size_t i = 0;
  while (i < Texto.size()) {
    unsigned char c = Texto[i];
    if (c < 0x80) {
      saida += c;
      ++i;
      continue;
    }
    int n = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (n < 0 || i + n >= Texto.size()) {
      ++i;
      continue;
    }
    char32_t cp = c & (0x3F >> n);
    bool ok = true;
    for (int k = 1; k <= n; ++k) {
      unsigned char d = Texto[i + k];
      if ((d & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (d & 0x3F);
    }
    const char32_t minimo[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < minimo[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      ++i;
      continue;
    }
    saida += cp;
    i += n + 1;
  }
  return saida;
}

// The code point appended to Saida as UTF-8, escaped for XML content.
void Escreve(std::string& Saida, char32_t c) {
  switch (c) {
    case '&':
      Saida += "&amp;";
      return;
    case '<':
      Saida += "&lt;";
      return;
    case '>':
      Saida += "&gt;";
      return;
    case '"':
      Saida += "&quot;";
      return;
    default:
      break;
  }
  if (c < 0x80) {
    Saida += static_cast<char>(c);
  } else if (c < 0x800) {
    Saida += static_cast<char>(0xC0 | (c >> 6));
    Saida += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    Saida += static_cast<char>(0xE0 | (c >> 12));
    Saida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    Saida += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    Saida += static_cast<char>(0xF0 | (c >> 18));
    Saida += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    Saida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    Saida += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A text field as the layout's text type takes it: only printable characters
// up to U+00FF (controls and the rest dropped), no blank at either end, at
// most Max characters (a cut is noted naming the field). A line break or tab
// (the lines of the additional information) becomes one blank, so that the
// lines do not run into each other.
std::string Texto(const CampoLayout& Campo, std::string_view Valor, std::vector<std::string>& Notas) {
  std::u32string limpo;
  for (char32_t c : Decodifica(Valor)) {
    if (c == U'\n' || c == U'\t') {
      if (!limpo.empty() && limpo.back() != U' ') limpo += U' ';
    } else if ((c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF)) {
      limpo += c;
    }
  }
  auto inicio = limpo.find_first_not_of(U' ');
  if (inicio == std::u32string::npos) return {};
  limpo = limpo.substr(inicio, limpo.find_last_not_of(U' ') - inicio + 1);
  if (limpo.size() > static_cast<size_t>(Campo.Max)) {
    Notas.push_back(fmt::format("{} cortado de {} para {} caracteres", Campo.Nome, limpo.size(), Campo.Max));
    limpo.resize(Campo.Max);
    limpo = limpo.substr(0, limpo.find_last_not_of(U' ') + 1);
  }
  std::string saida;
  for (char32_t c : limpo) Escreve(saida, c);
  return saida;
}

// A decimal with the layout's places, "." as separator, rounded half up on
// the digits themselves (no binary fraction in between: 0.005 gives 0.01). A
// text that is not a plain number ("1.234,56", "nan") is written as given,
// cleaned and escaped, for the validation to name.
std::string Decimal(const CampoLayout& Campo, std::string_view Valor, std::vector<std::string>& Notas) {
  std::string numero(Valor);
  numero.erase(0, numero.find_first_not_of(' '));
  numero.erase(numero.find_last_not_of(' ') + 1);
  for (auto& c : numero) {
    if (c == ',') c = '.';
  }
  bool negativo = !numero.empty() && numero[0] == '-';
  std::string corpo = negativo ? numero.substr(1) : numero;
  auto ponto = corpo.find('.');
  std::string inteiro = corpo.substr(0, ponto);
  std::string fracao = ponto == std::string::npos ? std::string() : corpo.substr(ponto + 1);
  auto digitos = [](const std::string& t) { return t.find_first_not_of("0123456789") == std::string::npos; };
  if ((inteiro.empty() && fracao.empty()) || !digitos(inteiro) || !digitos(fracao))
    return Texto(Campo, Valor, Notas);
  if (inteiro.empty()) inteiro = "0";
  std::string todos = inteiro + fracao + std::string(Campo.Decimais + 1, '0');
  todos.resize(inteiro.size() + Campo.Decimais + 1);
  bool sobe = todos.back() >= '5';
  todos.pop_back();
  for (size_t i = todos.size(); sobe && i-- > 0;) {
    if (todos[i] == '9') {
      todos[i] = '0';
    } else {
      ++todos[i];
      sobe = false;
    }
  }
  if (sobe) todos.insert(todos.begin(), '1');
  std::string parteInteira = todos.substr(0, todos.size() - Campo.Decimais);
  parteInteira.erase(0, std::min(parteInteira.find_first_not_of('0'), parteInteira.size() - 1));
  std::string saida = parteInteira;
  if (Campo.Decimais > 0) saida += "." + todos.substr(todos.size() - Campo.Decimais);
  bool zero = saida.find_first_not_of("0.") == std::string::npos;
  return negativo && !zero ? "-" + saida : saida;
}

// The value of a field as written in the XML, empty when the field is left out.
std::string Formata(const CampoLayout& Campo, std::string_view Valor, std::vector<std::string>& Notas) {
  if (Valor.find_first_not_of(' ') == std::string_view::npos) return {};
  // "Null" is how the generation marks the document a party does not have
  // (CNPJ for a person, CPF for a company): the field is left out.
  if (Campo.Tipo == TipoCampo::Codigo && Valor == "Null") return {};
  if (Campo.Tipo == TipoCampo::Texto) return Texto(Campo, Valor, Notas);
  if (Campo.Tipo == TipoCampo::Decimal) return Decimal(Campo, Valor, Notas);
  // Codes and dates: the characters as given (letters of a CNPJ kept), blanks
  // at the ends dropped, escaped.
  CampoLayout semCorte = Campo;
  semCorte.Max = 1 << 20;
  return Texto(semCorte, Valor, Notas);
}

// The variant of a choice group that the item's situation code selects, or
// empty when the group is not a choice.
std::string Variante(std::string_view Grupo, const ValoresNFe& Valores) {
  auto valor = [&](std::string_view nome) {
    auto it = Valores.find(nome);
    return it == Valores.end() ? std::string() : it->second;
  };
  if (Grupo == "ICMS") {
    std::string csosn = valor("CSOSN_N12a");
    if (!csosn.empty()) {
      if (csosn == "102" || csosn == "103" || csosn == "300" || csosn == "400") return "ICMSSN102";
      return "ICMSSN" + csosn;
    }
    std::string cst = valor("CST_N12");
    if (cst == "40" || cst == "41" || cst == "50") return "ICMS40";
    return "ICMS" + cst;
  }
  if (Grupo == "IPI" && Valores.count("CST_O09")) {
    std::string cst = valor("CST_O09");
    return cst == "00" || cst == "49" || cst == "50" || cst == "99" ? "IPITrib" : "IPINT";
  }
  if (Grupo == "PIS" || Grupo == "COFINS") {
    std::string cst = valor(Grupo == "PIS" ? "CST_Q06" : "CST_S06");
    if (cst == "01" || cst == "02") return std::string(Grupo) + "Aliq";
    if (cst == "03") return std::string(Grupo) + "Qtde";
    if (cst >= "04" && cst <= "09" && cst.size() == 2) return std::string(Grupo) + "NT";
    return std::string(Grupo) + "Outr";
  }
  return {};
}

class Escritor {
 public:
  Escritor(const TNFeCampos& Campos, std::vector<std::string>& Notas) : campos_(Campos), notas_(Notas) {}

  // The content of a group's children with the given values.
  std::string Conteudo(const NoLayout& Grupo, const ValoresNFe& Valores) {
    std::string saida;
    std::string variante = Variante(Grupo.Tag, Valores);
    for (const auto& filho : Grupo.Filhos) {
      if (filho.Campo) {
        auto it = Valores.find(filho.Campo->Nome);
        if (it == Valores.end()) continue;
        std::string valor = Formata(*filho.Campo, it->second, notas_);
        // Cleaning drops what the layout's text type refuses (characters past
        // U+00FF, controls); a required text left with nothing would be left
        // out and the schema refuse the document without naming the value.
        if (valor.empty() && filho.Campo->Obrigatorio && filho.Campo->Tipo == TipoCampo::Texto &&
            it->second.find_first_not_of(' ') != std::string::npos)
          throw ENFeError(
              NFeErrorKind::invalid_input,
              fmt::format("{}: \"{}\" não tem caractere aceito na NF-e", filho.Campo->Nome, it->second));
        if (!valor.empty()) saida += fmt::format("<{0}>{1}</{0}>", filho.Tag, valor);
        continue;
      }
      if (!Grupo.Campo && !variante.empty()) {
        if (filho.Tag != variante) continue;
      }
      saida += Ocorrencias(filho, Valores);
    }
    return saida;
  }

  // Every occurrence of a group: items, parts and billing rows from their own
  // lists, any other group once from the enclosing values.
  std::string Ocorrencias(const NoLayout& Grupo, const ValoresNFe& Valores) {
    const std::vector<ValoresNFe>* lista = nullptr;
    if (Grupo.Tag == "det") lista = &campos_.Itens();
    if (Grupo.Tag == "NFref") lista = &campos_.Partes("NRef");
    if (Grupo.Tag == "autXML") lista = &campos_.Partes("autXML");
    if (Grupo.Tag == "detPag") lista = &campos_.Partes("YA");
    if (Grupo.Tag == "infIntermed") lista = &campos_.Partes("YB");
    if (Grupo.Tag == "dup") lista = &campos_.Cobrancas();
    if (!lista) {
      std::string conteudo = Conteudo(Grupo, Valores);
      return conteudo.empty() ? std::string() : fmt::format("<{0}>{1}</{0}>", Grupo.Tag, conteudo);
    }
    std::string saida;
    size_t n = 0;
    for (const auto& valores : *lista) {
      ++n;
      std::string conteudo = Conteudo(Grupo, valores);
      if (Grupo.Tag == "det") {
        // The item number the generation gave (digits only: it is written in
        // an attribute), else the item's position.
        auto numero = valores.find("nItem_H02");
        bool dado = numero != valores.end() && !numero->second.empty() && numero->second.size() <= 3 &&
                    numero->second.find_first_not_of("0123456789") == std::string::npos;
        std::string nItem = dado ? numero->second : std::to_string(n);
        saida += fmt::format("<det nItem=\"{}\">{}</det>", nItem, conteudo);
      } else if (!conteudo.empty()) {
        saida += fmt::format("<{0}>{1}</{0}>", Grupo.Tag, conteudo);
      }
      if (Grupo.Tag == "infIntermed") break;  // the group occurs once at most
    }
    return saida;
  }

 private:
  const TNFeCampos& campos_;
  std::vector<std::string>& notas_;
};

}  // namespace

std::string CalculaChaveNFe(TNFeCampos& Campos) {
  std::string dhEmi = Campos.Valor("dhEmi_B09");
  if (dhEmi.size() < 7)
    throw ENFeError(NFeErrorKind::invalid_input, "Chave da NF-e: dhEmi_B09 sem data de emissão");
  std::string aamm = dhEmi.substr(2, 2) + dhEmi.substr(5, 2);
  std::string emitente = Campos.Valor("CNPJ_C02");
  if (emitente.empty()) emitente = Campos.Valor("CPF_C02a");
  std::string chave =
      ChaveNFe(Campos.Valor("cUF_B02"), aamm, emitente, Campos.Valor("mod_B06"), Campos.Valor("serie_B07"),
               Campos.Valor("nNF_B08"), Campos.Valor("tpEmis_B22"), Campos.Valor("cNF_B03"));
  Campos.Campo("Id_A03") = "NFe" + chave;
  Campos.Campo("cDV_B23") = chave.substr(43);
  return chave;
}

XmlNFe GeraXmlNFe(TNFeCampos& Campos) {
  XmlNFe resultado;
  resultado.Chave = CalculaChaveNFe(Campos);
  Escritor escritor(Campos, resultado.Notas);
  std::string conteudo = escritor.Conteudo(ArvoreLayout(), Campos.Documento());
  resultado.Xml = fmt::format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
      "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe versao=\"4.00\" "
      "Id=\"NFe{}\">{}</infNFe></NFe>",
      resultado.Chave, conteudo);
  return resultado;
}

}  // namespace zpk::nfe
