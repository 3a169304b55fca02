// NF-e schema validation with libxml2.
#include "billing/nfe/valida_nfe.hpp"

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

#include <fmt/format.h>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include "billing/nfe/layout_nfe.hpp"

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

// Collects the errors libxml2 reports.
void Coleta(void* Destino, xmlErrorPtr Erro) {
  auto* lista = static_cast<std::vector<ViolacaoNFe>*>(Destino);
  std::string mensagem = Erro->message ? Erro->message : "";
  while (!mensagem.empty() && mensagem.back() == '\n') mensagem.pop_back();
  lista->push_back({CampoDoErro(Erro), Erro->line, mensagem});
}

struct Esquema {
  xmlSchemaPtr schema = nullptr;
  ~Esquema() {
    if (schema) xmlSchemaFree(schema);
  }
};

// The parsed schema of a folder, parsed once per process (it is large).
xmlSchemaPtr CarregaEsquema(const std::filesystem::path& Pasta) {
  static std::mutex trava;
  static std::map<std::string, std::unique_ptr<Esquema>> cache;
  std::lock_guard lock(trava);
  auto& item = cache[Pasta.string()];
  if (item) return item->schema;
  std::string arquivo = (Pasta / "nfe_v4.00.xsd").string();
  xmlSchemaParserCtxtPtr ctx = xmlSchemaNewParserCtxt(arquivo.c_str());
  if (!ctx) throw std::runtime_error(fmt::format("Esquema da NF-e não encontrado: {}", arquivo));
  xmlSchemaPtr schema = xmlSchemaParse(ctx);
  xmlSchemaFreeParserCtxt(ctx);
  if (!schema) throw std::runtime_error(fmt::format("Esquema da NF-e inválido: {}", arquivo));
  item = std::make_unique<Esquema>();
  item->schema = schema;
  return schema;
}

}  // namespace

std::filesystem::path PastaEsquemasNFe() {
  if (const char* pasta = std::getenv("ZPK_NFE_SCHEMAS"); pasta && *pasta) return pasta;
  return ZPK_NFE_SCHEMAS_DIR;
}

std::vector<ViolacaoNFe> ValidaXmlNFe(std::string_view Xml, const std::filesystem::path& Pasta) {
  xmlSchemaPtr schema = CarregaEsquema(Pasta);
  std::vector<ViolacaoNFe> violacoes;
  // Parser errors go through the thread's handler, set only around the parse.
  xmlSetStructuredErrorFunc(&violacoes, &Coleta);
  xmlDocPtr doc =
      xmlReadMemory(Xml.data(), static_cast<int>(Xml.size()), "nfe.xml", "UTF-8", XML_PARSE_NONET);
  xmlSetStructuredErrorFunc(nullptr, nullptr);
  if (!doc) {
    if (violacoes.empty()) violacoes.push_back({"", 0, "XML malformado"});
    return violacoes;
  }
  xmlSchemaValidCtxtPtr valida = xmlSchemaNewValidCtxt(schema);
  xmlSchemaSetValidStructuredErrors(valida, &Coleta, &violacoes);
  int rc = xmlSchemaValidateDoc(valida, doc);
  xmlSchemaFreeValidCtxt(valida);
  xmlFreeDoc(doc);
  // An unsigned document is checked as the signature will complete it: the
  // missing <Signature> alone is not a fault of the field set.
  std::erase_if(violacoes, [](const ViolacaoNFe& v) {
    return v.Mensagem.find("Missing child") != std::string::npos &&
           v.Mensagem.find("xmldsig#}Signature") != std::string::npos;
  });
  if (rc != 0 && violacoes.empty() && Xml.find("<Signature") != std::string_view::npos) {
    violacoes.push_back({"", 0, "XML inválido pelo esquema"});
  }
  return violacoes;
}

}  // namespace zpk::nfe
