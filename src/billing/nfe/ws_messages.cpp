// NF-e web-service messages with libxml2, checked by the official schemas.
#include "billing/nfe/ws_messages.hpp"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

#include <fmt/format.h>

#include "billing/nfe/detail/xml_text.hpp"
#include "billing/nfe/nfe_error.hpp"
#include "billing/nfe/valida_nfe.hpp"

namespace zpk::nfe {

const std::string_view kCorrectionConditions =
    "A Carta de Correcao e disciplinada pelo paragrafo 1o-A do art. 7o do Convenio S/N, de 15 de dezembro de "
    "1970 e pode ser utilizada para regularizacao de erro ocorrido na emissao de documento fiscal, desde que "
    "o "
    "erro nao esteja relacionado com: I - as variaveis que determinam o valor do imposto tais como: base de "
    "calculo, aliquota, diferenca de preco, quantidade, valor da operacao ou da prestacao; II - a correcao "
    "de "
    "dados cadastrais que implique mudanca do remetente ou do destinatario; III - a data de emissao ou de "
    "saida.";

namespace {

using detail::element_document;
using detail::without_declaration;
using detail::XmlDoc;

constexpr std::string_view kNs = "http://www.portalfiscal.inf.br/nfe";

// Text as element content or attribute value.
std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string element(std::string_view tag, std::string_view value) {
  return fmt::format("<{0}>{1}</{0}>", tag, escape(value));
}

// A parsed answer, read by element names of the NF-e namespace.
class Reader {
 public:
  Reader(std::string_view xml, std::string_view schema) {
    const auto violations = ValidaXmlEsquema(xml, schema);
    if (!violations.empty()) {
      throw ENFeError(NFeErrorKind::answer,
                      fmt::format("Resposta do autorizador inválida pelo esquema {}: {}", schema,
                                  violations.front().Mensagem));
    }
    doc_.reset(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "answer.xml", nullptr,
                             XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!doc_) throw ENFeError(NFeErrorKind::answer, "Resposta do autorizador: XML malformado");
  }
  const xmlNode* root() const { return xmlDocGetRootElement(doc_.get()); }

  static const xmlNode* child(const xmlNode* parent, std::string_view name) {
    for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next) {
      if (c->type == XML_ELEMENT_NODE && name == reinterpret_cast<const char*>(c->name)) return c;
    }
    return nullptr;
  }
  static std::vector<const xmlNode*> children(const xmlNode* parent, std::string_view name) {
    std::vector<const xmlNode*> out;
    for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next) {
      if (c->type == XML_ELEMENT_NODE && name == reinterpret_cast<const char*>(c->name)) out.push_back(c);
    }
    return out;
  }
  static std::string text(const xmlNode* parent, std::string_view name) {
    const xmlNode* c = child(parent, name);
    if (!c) return {};
    xmlChar* t = xmlNodeGetContent(c);
    std::string s = t ? reinterpret_cast<const char*>(t) : "";
    xmlFree(t);
    return s;
  }
  static int number(const xmlNode* parent, std::string_view name) {
    const std::string s = text(parent, name);
    return s.empty() ? 0 : std::stoi(s);
  }
  // The element as a document of its own.
  static std::string xml(const xmlNode* node) { return element_document(node); }

 private:
  XmlDoc doc_;
};

void read_status_fields(const xmlNode* n, AnswerStatus& a) {
  a.cStat = Reader::number(n, "cStat");
  a.xMotivo = Reader::text(n, "xMotivo");
  a.dhRecbto = Reader::text(n, "dhRecbto");
}

NFeProtocol read_protocol(const xmlNode* protNFe) {
  const xmlNode* inf = Reader::child(protNFe, "infProt");
  NFeProtocol p;
  p.chNFe = Reader::text(inf, "chNFe");
  p.cStat = Reader::number(inf, "cStat");
  p.xMotivo = Reader::text(inf, "xMotivo");
  p.nProt = Reader::text(inf, "nProt");
  p.dhRecbto = Reader::text(inf, "dhRecbto");
  p.digVal = Reader::text(inf, "digVal");
  p.xml = Reader::xml(protNFe);
  return p;
}

AuthorisationAnswer read_lot(std::string_view xml, std::string_view schema) {
  Reader r(xml, schema);
  AuthorisationAnswer a;
  read_status_fields(r.root(), a);
  a.nRec = Reader::text(r.root(), "nRec");
  if (a.nRec.empty()) a.nRec = Reader::text(Reader::child(r.root(), "infRec"), "nRec");
  for (const xmlNode* p : Reader::children(r.root(), "protNFe")) a.protocols.push_back(read_protocol(p));
  return a;
}

EventResult read_result(const xmlNode* retEvento) {
  const xmlNode* inf = Reader::child(retEvento, "infEvento");
  EventResult e;
  e.cStat = Reader::number(inf, "cStat");
  e.xMotivo = Reader::text(inf, "xMotivo");
  e.chNFe = Reader::text(inf, "chNFe");
  e.tpEvento = Reader::text(inf, "tpEvento");
  e.nSeqEvento = Reader::number(inf, "nSeqEvento");
  e.nProt = Reader::text(inf, "nProt");
  e.dhRegEvento = Reader::text(inf, "dhRegEvento");
  e.xml = Reader::xml(retEvento);
  return e;
}

std::string versioned(std::string_view root, std::string_view versao, std::string_view content) {
  return fmt::format("<{0} xmlns=\"{1}\" versao=\"{2}\">{3}</{0}>", root, kNs, versao, content);
}

}  // namespace

std::string status_request(const Sender& s) {
  return versioned("consStatServ", "4.00",
                   element("tpAmb", s.tpAmb) + element("cUF", s.cUF) + element("xServ", "STATUS"));
}

std::string situation_request(const Sender& s, std::string_view chNFe) {
  return versioned("consSitNFe", "4.00",
                   element("tpAmb", s.tpAmb) + element("xServ", "CONSULTAR") + element("chNFe", chNFe));
}

std::string receipt_request(const Sender& s, std::string_view nRec) {
  return versioned("consReciNFe", "4.00", element("tpAmb", s.tpAmb) + element("nRec", nRec));
}

std::string authorisation_request(std::string_view idLote, bool synchronous,
                                  const std::vector<std::string>& nfes) {
  std::string content = element("idLote", idLote) + element("indSinc", synchronous ? "1" : "0");
  for (const auto& nfe : nfes) content += without_declaration(nfe);
  return versioned("enviNFe", "4.00", content);
}

std::string event_document(const Sender& s, const EventRequest& e) {
  const bool cancel = e.tpEvento == "110111";
  std::string detail =
      cancel ? element("descEvento", "Cancelamento") + element("nProt", e.nProt) + element("xJust", e.text)
             : element("descEvento", "Carta de Correcao") + element("xCorrecao", e.text) +
                   element("xCondUso", kCorrectionConditions);
  const std::string id = fmt::format("ID{}{}{:02}", e.tpEvento, e.chNFe, e.nSeqEvento);
  // cOrgao: the authoriser of the emitter's state receives both events.
  std::string inf = element("cOrgao", s.cUF) + element("tpAmb", s.tpAmb) + element("CNPJ", s.cnpj) +
                    element("chNFe", e.chNFe) + element("dhEvento", e.dhEvento) +
                    element("tpEvento", e.tpEvento) + element("nSeqEvento", std::to_string(e.nSeqEvento)) +
                    element("verEvento", "1.00") +
                    fmt::format("<detEvento versao=\"1.00\">{}</detEvento>", detail);
  return versioned("evento", "1.00", fmt::format("<infEvento Id=\"{}\">{}</infEvento>", id, inf));
}

std::string event_lot(std::string_view idLote, const std::vector<std::string>& signed_events) {
  std::string content = element("idLote", idLote);
  for (const auto& e : signed_events) content += without_declaration(e);
  return versioned("envEvento", "1.00", content);
}

std::string voiding_request(const Sender& s, std::string_view ano, std::string_view serie, long from, long to,
                            std::string_view justification) {
  const std::string id = fmt::format("ID{}{}{:0>14}55{:0>3}{:09}{:09}", s.cUF, ano, s.cnpj, serie, from, to);
  std::string inf = element("tpAmb", s.tpAmb) + element("xServ", "INUTILIZAR") + element("cUF", s.cUF) +
                    element("ano", ano) + element("CNPJ", s.cnpj) + element("mod", "55") +
                    element("serie", serie) + element("nNFIni", std::to_string(from)) +
                    element("nNFFin", std::to_string(to)) + element("xJust", justification);
  return versioned("inutNFe", "4.00", fmt::format("<infInut Id=\"{}\">{}</infInut>", id, inf));
}

std::string_view request_schema(std::string_view message_root, std::string_view tpEvento) {
  if (message_root == "consStatServ") return "consStatServ_v4.00.xsd";
  if (message_root == "consSitNFe") return "consSitNFe_v4.00.xsd";
  if (message_root == "consReciNFe") return "consReciNFe_v4.00.xsd";
  if (message_root == "enviNFe") return "enviNFe_v4.00.xsd";
  if (message_root == "inutNFe") return "inutNFe_v4.00.xsd";
  if (message_root == "envEvento")
    return tpEvento == "110111" ? "envEventoCancNFe_v1.00.xsd" : "envCCe_v1.00.xsd";
  throw ENFeError(NFeErrorKind::invalid_input,
                  fmt::format("Mensagem da NF-e desconhecida: {}", message_root));
}

void check_request(std::string_view xml, std::string_view schema) {
  const auto violations = ValidaXmlEsquema(xml, schema);
  if (violations.empty()) return;
  std::string list;
  for (size_t i = 0; i < violations.size() && i < 3; ++i) {
    list += fmt::format("{}{} ({})", i ? "; " : "", violations[i].Mensagem, violations[i].Campo);
  }
  throw ENFeError(NFeErrorKind::schema, fmt::format("Mensagem recusada pelo esquema {}: {}", schema, list));
}

StatusAnswer read_status(std::string_view xml) {
  Reader r(xml, "retConsStatServ_v4.00.xsd");
  StatusAnswer a;
  read_status_fields(r.root(), a);
  a.tMed = Reader::text(r.root(), "tMed");
  return a;
}

AuthorisationAnswer read_authorisation(std::string_view xml) {
  return read_lot(xml, "retEnviNFe_v4.00.xsd");
}

AuthorisationAnswer read_receipt(std::string_view xml) {
  return read_lot(xml, "retConsReciNFe_v4.00.xsd");
}

SituationAnswer read_situation(std::string_view xml) {
  Reader r(xml, "retConsSitNFe_v4.00.xsd");
  SituationAnswer a;
  read_status_fields(r.root(), a);
  a.chNFe = Reader::text(r.root(), "chNFe");
  if (const xmlNode* p = Reader::child(r.root(), "protNFe")) {
    a.has_protocol = true;
    a.protocol = read_protocol(p);
  }
  for (const xmlNode* e : Reader::children(r.root(), "procEventoNFe")) a.events.push_back(Reader::xml(e));
  return a;
}

EventAnswer read_event(std::string_view xml, std::string_view tpEvento) {
  Reader r(xml, tpEvento == "110111" ? "retEnvEventoCancNFe_v1.00.xsd" : "retEnvCCe_v1.00.xsd");
  EventAnswer a;
  a.cStat = Reader::number(r.root(), "cStat");
  a.xMotivo = Reader::text(r.root(), "xMotivo");
  for (const xmlNode* ret : Reader::children(r.root(), "retEvento")) a.results.push_back(read_result(ret));
  return a;
}

EventResult read_event_proc(std::string_view xml) {
  Reader r(xml, "procEventoNFe_v1.00.xsd");
  return read_result(Reader::child(r.root(), "retEvento"));
}

VoidingAnswer read_voiding(std::string_view xml) {
  Reader r(xml, "retInutNFe_v4.00.xsd");
  const xmlNode* inf = Reader::child(r.root(), "infInut");
  VoidingAnswer a;
  read_status_fields(inf, a);
  a.nProt = Reader::text(inf, "nProt");
  a.xml = Reader::xml(r.root());
  return a;
}

std::string nfe_proc(std::string_view signed_nfe, std::string_view protocol_xml) {
  return fmt::format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<nfeProc xmlns=\"{}\" versao=\"4.00\">{}{}</nfeProc>\n",
      kNs, without_declaration(signed_nfe), without_declaration(protocol_xml));
}

std::string event_proc(std::string_view signed_event, std::string_view result_xml) {
  return fmt::format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<procEventoNFe xmlns=\"{}\" "
      "versao=\"1.00\">{}{}</procEventoNFe>\n",
      kNs, without_declaration(signed_event), without_declaration(result_xml));
}

std::string voiding_proc(std::string_view signed_request, std::string_view answer_xml) {
  return fmt::format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ProcInutNFe xmlns=\"{}\" "
      "versao=\"4.00\">{}{}</ProcInutNFe>\n",
      kNs, without_declaration(signed_request), without_declaration(answer_xml));
}

std::string digest_value(std::string_view signed_xml) {
  const auto open = signed_xml.find("DigestValue>");
  if (open == std::string_view::npos) return {};
  const auto start = open + 12;
  const auto end = signed_xml.find('<', start);
  return std::string(signed_xml.substr(start, end - start));
}

}  // namespace zpk::nfe
