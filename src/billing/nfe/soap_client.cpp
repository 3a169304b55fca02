// SOAP 1.2 with libcurl (OpenSSL) and libxml2.
#include "billing/nfe/soap_client.hpp"

#include "billing/nfe/detail/xml_text.hpp"

#include <curl/curl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <chrono>
#include <memory>
#include <mutex>

#include <fmt/format.h>

namespace zpk::nfe {
namespace {

constexpr std::string_view kSoapNs = "http://www.w3.org/2003/05/soap-envelope";
constexpr std::string_view kWsdlNs = "http://www.portalfiscal.inf.br/nfe/wsdl/";

void start_curl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The operation each service's WSDL names, which the SOAP action carries.
std::string_view operation_of(std::string_view service) {
  if (service == "NFeAutorizacao4") return "nfeAutorizacaoLote";
  if (service == "NFeRetAutorizacao4") return "nfeRetAutorizacaoLote";
  if (service == "NFeStatusServico4") return "nfeStatusServicoNF";
  if (service == "NFeConsultaProtocolo4") return "nfeConsultaNF";
  if (service == "NFeRecepcaoEvento4") return "nfeRecepcaoEvento";
  if (service == "NFeInutilizacao4") return "nfeInutilizacaoNF";
  throw ENFeError(NFeErrorKind::invalid_input, fmt::format("Serviço da NF-e desconhecido: {}", service));
}

// How long the authoriser has been silent since the request left: libcurl
// bounds a whole transfer or a connection, not the wait for an answer, so
// the transfer's progress is watched here.
struct AnswerClock {
  std::chrono::milliseconds limit;
  std::chrono::steady_clock::time_point sent{};
  bool timed_out = false;
};

int watch_answer(void* data, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow) {
  (void)dltotal;
  auto* clock = static_cast<AnswerClock*>(data);
  if (dlnow > 0 || ultotal == 0 || ulnow < ultotal) return 0;
  const auto now = std::chrono::steady_clock::now();
  if (clock->sent == std::chrono::steady_clock::time_point{}) clock->sent = now;
  if (now - clock->sent < clock->limit) return 0;
  clock->timed_out = true;
  return 1;
}

size_t collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

bool is(const xmlNode* n, std::string_view name) {
  return n && n->type == XML_ELEMENT_NODE && name == reinterpret_cast<const char*>(n->name);
}

bool in_ns(const xmlNode* n, std::string_view ns) {
  return n && n->ns && n->ns->href && ns == reinterpret_cast<const char*>(n->ns->href);
}

const xmlNode* first_element(const xmlNode* parent) {
  for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next) {
    if (c->type == XML_ELEMENT_NODE) return c;
  }
  return nullptr;
}

// The text of a SOAP fault's reason, for the message.
std::string fault_reason(const xmlNode* fault) {
  for (const xmlNode* c = first_element(fault); c; c = c->next) {
    if (is(c, "Reason")) {
      xmlChar* text = xmlNodeGetContent(c);
      std::string reason = text ? reinterpret_cast<const char*>(text) : "";
      xmlFree(text);
      return reason;
    }
  }
  return "sem motivo";
}

// The element inside nfeResultMsg of a SOAP 1.2 answer, as a document of its
// own (namespaces declared above it carried down).
std::string result_of(std::string_view body, std::string_view where) {
  const auto bad = [&](std::string_view why) {
    return ENFeError(NFeErrorKind::answer, fmt::format("Resposta inválida de {}: {}", where, why));
  };
  detail::XmlDoc doc(xmlReadMemory(body.data(), static_cast<int>(body.size()), "answer.xml", nullptr,
                                   XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!doc) throw bad("não é XML");
  const xmlNode* envelope = xmlDocGetRootElement(doc.get());
  if (!is(envelope, "Envelope") || !in_ns(envelope, kSoapNs)) throw bad("não é um envelope SOAP 1.2");
  const xmlNode* soap_body = nullptr;
  for (const xmlNode* c = first_element(envelope); c; c = c->next) {
    if (is(c, "Body") && in_ns(c, kSoapNs)) soap_body = c;
  }
  const xmlNode* result = first_element(soap_body);
  if (is(result, "Fault")) throw bad(fmt::format("falha SOAP: {}", fault_reason(result)));
  if (!is(result, "nfeResultMsg")) throw bad("sem nfeResultMsg");
  const xmlNode* message = first_element(result);
  if (!message) throw bad("nfeResultMsg vazio");
  return detail::element_document(message);
}

// "host:port" of a URL, to name the server in messages.
std::string host_of(const std::string& url) {
  auto start = url.find("://");
  start = start == std::string::npos ? 0 : start + 3;
  return url.substr(start, url.find('/', start) - start);
}

}  // namespace

struct SoapClient::Impl {
  SoapClientOptions options;
  CURL* curl = nullptr;
  long connections = 0;
  ~Impl() {
    if (curl) curl_easy_cleanup(curl);
  }
};

SoapClient::SoapClient(SoapClientOptions options) : impl_(std::make_unique<Impl>()) {
  start_curl();
  impl_->options = std::move(options);
  impl_->curl = curl_easy_init();
  if (!impl_->curl) throw ESoapTransport("Não foi possível iniciar a biblioteca de rede (libcurl)", false);
}

SoapClient::~SoapClient() = default;

long SoapClient::connections_made() const {
  return impl_->connections;
}

std::string SoapClient::call(const std::string& url, std::string_view service, std::string_view message) {
  const std::string ns = fmt::format("{}{}", kWsdlNs, service);
  const std::string envelope = fmt::format(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap12:Envelope xmlns:soap12=\"{}\"><soap12:Body>"
      "<nfeDadosMsg xmlns=\"{}\">{}</nfeDadosMsg></soap12:Body></soap12:Envelope>",
      kSoapNs, ns, detail::without_declaration(message));
  const std::string content_type = fmt::format(
      "Content-Type: application/soap+xml; charset=utf-8; action=\"{}/{}\"", ns, operation_of(service));

  const auto& o = impl_->options;
  CURL* c = impl_->curl;
  // The handle keeps its connection between calls; each call sets every option again.
  curl_easy_reset(c);
  std::string answer;
  char error[CURL_ERROR_SIZE] = {};
  curl_slist* headers = curl_slist_append(nullptr, content_type.c_str());
  headers = curl_slist_append(headers, "Expect:");
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> free_headers(headers, &curl_slist_free_all);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
  curl_easy_setopt(c, CURLOPT_POST, 1L);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, envelope.data());
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(envelope.size()));
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &collect);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!o.ca_file.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, o.ca_file.c_str());
  curl_easy_setopt(c, CURLOPT_SSLCERT, o.certificate.c_str());
  curl_easy_setopt(c, CURLOPT_SSLCERTTYPE, "P12");
  curl_easy_setopt(c, CURLOPT_KEYPASSWD, o.password.c_str());
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(o.connect_timeout.count()));
  AnswerClock clock{o.answer_timeout};
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &watch_answer);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &clock);
  // An answer that trickles in is bounded too: at most the connection, the
  // wait and as long again for the bytes.
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS,
                   static_cast<long>((o.connect_timeout + 2 * o.answer_timeout).count()));
  curl_easy_setopt(c, CURLOPT_TCP_KEEPALIVE, 1L);

  const CURLcode rc = curl_easy_perform(c);
  long made = 0;
  curl_easy_getinfo(c, CURLINFO_NUM_CONNECTS, &made);
  impl_->connections += made;
  const std::string server = host_of(url);
  if (rc != CURLE_OK) {
    // Once a request's bytes left, the authoriser may have acted on it.
    long request_bytes = 0;
    curl_easy_getinfo(c, CURLINFO_REQUEST_SIZE, &request_bytes);
    const bool maybe_delivered = request_bytes > 0 || clock.sent != std::chrono::steady_clock::time_point{};
    std::string why = error[0] ? error : curl_easy_strerror(rc);
    switch (rc) {
      case CURLE_PEER_FAILED_VERIFICATION:
        why = fmt::format("o certificado do servidor não é confiável ou não é de {} ({})", server, why);
        break;
      case CURLE_SSL_CERTPROBLEM:
        throw ENFeError(NFeErrorKind::certificate, fmt::format("O certificado A1 {} não pôde ser usado: {}",
                                                               o.certificate.string(), why));
      case CURLE_OPERATION_TIMEDOUT:
        why = fmt::format("sem resposta no prazo ({})", why);
        break;
      case CURLE_ABORTED_BY_CALLBACK:
        why = fmt::format("sem resposta em {} s", o.answer_timeout.count() / 1000.0);
        break;
      default:
        break;
    }
    curl_easy_cleanup(c);  // a connection in an unknown state is not reused
    impl_->curl = curl_easy_init();
    throw ESoapTransport(
        fmt::format("Falha na comunicação com o autorizador {} ({}): {}", server, service, why),
        maybe_delivered);
  }
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  if (status != 200) {
    std::string detail;
    try {
      result_of(answer, server);
    } catch (const ENFeError& e) {
      detail = e.what();
    }
    throw ESoapTransport(fmt::format("O autorizador {} ({}) respondeu HTTP {}{}{}", server, service, status,
                                     detail.empty() ? "" : ": ", detail),
                         true);
  }
  return result_of(answer, server);
}

}  // namespace zpk::nfe
