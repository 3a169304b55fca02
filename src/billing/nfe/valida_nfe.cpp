// NF-e schema validation with libxml2.
#include "billing/nfe/valida_nfe.hpp"

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include <fmt/format.h>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include "billing/nfe/layout_nfe.hpp"
#include "billing/nfe/nfe_error.hpp"

namespace zpk::nfe {
namespace {

// The element's path below infNFe ("det/prod/xProd"), the variant of a
// choice included ("det/imposto/ICMS/ICMS00/vBC").
std::string Caminho(const xmlNode* No) {
  std::string caminho;
  for (; No && No->type == XML_ELEMENT_NODE; No = No->parent) {
    std::string nome = reinterpret_cast<const char*>(No->name);
    if (nome == "infNFe" || nome == "NFe") break;
    caminho = caminho.empty() ? nome : nome + "/" + caminho;
  }
  return caminho;
}

// The layout name for an error: the element's own path, or for a missing
// child the first expected tag under the element.
std::string CampoDoErro(const xmlError* Erro) {
  const auto* no = static_cast<const xmlNode*>(Erro->node);
  if (!no) return {};
  std::string caminho = Caminho(no);
  std::string mensagem = Erro->message ? Erro->message : "";
  auto esperado = mensagem.find("Expected is");
  if (esperado != std::string::npos) {
    // A missing child is reported on its parent, an element out of place on
    // the sibling it stands in place of: the expected tags belong to the
    // parent's group either way. A required one is the field at fault.
    std::string grupo = caminho;
    if (mensagem.find("Missing child") == std::string::npos) {
      auto barra = grupo.rfind('/');
      grupo = barra == std::string::npos ? std::string() : grupo.substr(0, barra);
    }
    std::string primeiro;
    size_t pos = mensagem.find('(', esperado);
    while (pos != std::string::npos && pos < mensagem.size()) {
      auto inicio = mensagem.find_first_not_of(" ,(", pos);
      if (inicio == std::string::npos || mensagem[inicio] == ')') break;
      auto fim = mensagem.find_first_of(" ,)", inicio);
      std::string tag = mensagem.substr(inicio, fim - inicio);
      auto chave = tag.rfind('}');
      if (chave != std::string::npos) tag = tag.substr(chave + 1);
      std::string nome = CampoDoCaminho(grupo.empty() ? tag : grupo + "/" + tag);
      if (primeiro.empty()) primeiro = nome.empty() ? tag : nome;
      const CampoLayout* campo = nome.empty() ? nullptr : BuscaCampoLayout(nome);
      if (campo && campo->Obrigatorio) return nome;
      pos = fim;
    }
    if (!primeiro.empty()) return primeiro;
  }
  std::string nome = CampoDoCaminho(caminho);
  if (!nome.empty()) return nome;
  if (caminho.empty() && mensagem.find("'Id'") != std::string::npos) return "Id_A03";
  return reinterpret_cast<const char*>(no->name);
}

// Where libxml2's errors go while one document is checked, and whether they
// are named by the NF-e's layout fields.
struct Coletor {
  std::vector<ViolacaoNFe>* lista;
  bool campos_nfe;
};

// Collects the errors libxml2 reports.
void Coleta(void* Destino, xmlErrorPtr Erro) {
  auto* coletor = static_cast<Coletor*>(Destino);
  std::string mensagem = Erro->message ? Erro->message : "";
  while (!mensagem.empty() && mensagem.back() == '\n') mensagem.pop_back();
  std::string campo;
  if (coletor->campos_nfe) {
    campo = CampoDoErro(Erro);
  } else if (const auto* no = static_cast<const xmlNode*>(Erro->node); no && no->name) {
    campo = reinterpret_cast<const char*>(no->name);
  }
  coletor->lista->push_back({std::move(campo), Erro->line, mensagem});
}

struct EsquemaLido {
  xmlSchemaPtr schema = nullptr;
  ~EsquemaLido() {
    if (schema) xmlSchemaFree(schema);
  }
};

// The parsed schema of a file of a folder, parsed once per process (the NF-e's
// is large, and every message of a service is checked against its own).
xmlSchemaPtr CarregaEsquema(const std::filesystem::path& Pasta, std::string_view Arquivo) {
  static std::mutex trava;
  static std::map<std::string, std::unique_ptr<EsquemaLido>> cache;
  std::lock_guard lock(trava);
  const std::string arquivo = (Pasta / Arquivo).string();
  auto& item = cache[arquivo];
  if (item) return item->schema;
  // Files that are not there are refused before libxml2 is asked, which
  // would otherwise print its own complaint to standard error.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(arquivo, ec)) {
    cache.erase(arquivo);
    throw ENFeError(NFeErrorKind::schema, fmt::format("Esquema da NF-e não encontrado: {}", arquivo));
  }
  xmlSchemaParserCtxtPtr ctx = xmlSchemaNewParserCtxt(arquivo.c_str());
  if (!ctx) {
    cache.erase(arquivo);
    throw ENFeError(NFeErrorKind::schema, fmt::format("Esquema da NF-e não encontrado: {}", arquivo));
  }
  xmlSchemaPtr schema = xmlSchemaParse(ctx);
  xmlSchemaFreeParserCtxt(ctx);
  if (!schema) {
    cache.erase(arquivo);
    throw ENFeError(NFeErrorKind::schema, fmt::format("Esquema da NF-e inválido: {}", arquivo));
  }
  item = std::make_unique<EsquemaLido>();
  item->schema = schema;
  return schema;
}

// Every violation of the document against the schema file; parser errors when
// it is not well-formed. `CamposNFe` names them by the NF-e's layout fields.
std::vector<ViolacaoNFe> Valida(std::string_view Xml, std::string_view Arquivo,
                                const std::filesystem::path& Pasta, bool CamposNFe, int& Resultado) {
  xmlSchemaPtr schema = CarregaEsquema(Pasta, Arquivo);
  std::vector<ViolacaoNFe> violacoes;
  Coletor coletor{&violacoes, CamposNFe};
  Resultado = -1;
  // Parser errors go through the thread's handler, set only around the parse.
  xmlSetStructuredErrorFunc(&coletor, &Coleta);
  xmlDocPtr doc =
      xmlReadMemory(Xml.data(), static_cast<int>(Xml.size()), "nfe.xml", "UTF-8", XML_PARSE_NONET);
  xmlSetStructuredErrorFunc(nullptr, nullptr);
  if (!doc) {
    if (violacoes.empty()) violacoes.push_back({"", 0, "XML malformado"});
    return violacoes;
  }
  xmlSchemaValidCtxtPtr valida = xmlSchemaNewValidCtxt(schema);
  xmlSchemaSetValidStructuredErrors(valida, &Coleta, &coletor);
  Resultado = xmlSchemaValidateDoc(valida, doc);
  xmlSchemaFreeValidCtxt(valida);
  xmlFreeDoc(doc);
  if (Resultado != 0 && violacoes.empty()) violacoes.push_back({"", 0, "XML inválido pelo esquema"});
  return violacoes;
}

}  // namespace

std::filesystem::path PastaEsquemasNFe() {
  if (const char* pasta = std::getenv("ZPK_NFE_SCHEMAS"); pasta && *pasta) return pasta;
  return ZPK_NFE_SCHEMAS_DIR;
}

std::vector<ViolacaoNFe> ValidaXmlEsquema(std::string_view Xml, std::string_view Esquema,
                                          const std::filesystem::path& Pasta) {
  int resultado = 0;
  return Valida(Xml, Esquema, Pasta, false, resultado);
}

std::vector<ViolacaoNFe> ValidaXmlNFe(std::string_view Xml, const std::filesystem::path& Pasta) {
  int resultado = 0;
  std::vector<ViolacaoNFe> violacoes = Valida(Xml, "nfe_v4.00.xsd", Pasta, true, resultado);
  // An unsigned document is checked as the signature will complete it: the
  // missing <Signature> alone is not a fault of the field set.
  std::erase_if(violacoes, [](const ViolacaoNFe& v) {
    return (v.Mensagem.find("Missing child") != std::string::npos &&
            v.Mensagem.find("xmldsig#}Signature") != std::string::npos) ||
           v.Mensagem == "XML inválido pelo esquema";
  });
  if (resultado != 0 && violacoes.empty() && Xml.find("<Signature") != std::string_view::npos) {
    violacoes.push_back({"", 0, "XML inválido pelo esquema"});
  }
  return violacoes;
}

}  // namespace zpk::nfe
