// The station's NF-e web-service session.
#include "billing/nfe/nfe_webservices.hpp"

#include <chrono>

#include <fmt/format.h>

#include "billing/nfe/assina_nfe.hpp"
#include "billing/nfe/gera_nfe.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::nfe {
namespace {

// The first eight characters of a CNPJ identify the company; its branches
// share them, and one certificate serves them all.
std::string cnpj_root(std::string_view cnpj) {
  return LimpaCnpjNFe(cnpj).substr(0, 8);
}

void check_certificate(const Emitter& emitter, const A1Certificate& certificate) {
  const auto facts = LeCertificadoA1(certificate.file, certificate.password);
  const auto now = std::chrono::system_clock::now();
  if (now >= facts.ValidoAte) {
    throw ENFeError(NFeErrorKind::certificate,
                    fmt::format("O certificado A1 {} venceu: não pode assinar nem transmitir NF-e",
                                certificate.file.string()));
  }
  if (now < facts.ValidoDesde) {
    throw ENFeError(NFeErrorKind::certificate,
                    fmt::format("O certificado A1 {} ainda não é válido", certificate.file.string()));
  }
  if (cnpj_root(facts.CNPJ) != cnpj_root(emitter.cnpj)) {
    throw ENFeError(NFeErrorKind::certificate,
                    fmt::format("O certificado A1 {} é do CNPJ {}, não do emitente {}",
                                certificate.file.string(), facts.CNPJ, emitter.cnpj));
  }
}

SoapClientOptions client_options(const A1Certificate& certificate, const WebServiceConfig& config) {
  return SoapClientOptions{certificate.file, certificate.password, config.ca_file, config.connect_timeout,
                           config.answer_timeout};
}

}  // namespace

Emitter company_emitter() {
  return Emitter{Trim(Tabela.company.nfe_environment), UpperCase(Trim(Tabela.company.state)),
                 LimpaCnpjNFe(Tabela.company.cnpj)};
}

NFeWebServices::NFeWebServices(Emitter emitter, A1Certificate certificate, WebServiceConfig config)
    : emitter_(std::move(emitter)),
      certificate_(std::move(certificate)),
      config_(std::move(config)),
      client_(client_options(certificate_, config_)) {
  check_certificate(emitter_, certificate_);
}

Sender NFeWebServices::sender() const {
  return Sender{emitter_.tpAmb, state_code(emitter_.uf), emitter_.cnpj};
}

std::string NFeWebServices::call(NFeService service, const std::string& message) {
  const std::string url = service_url(config_, emitter_.uf, emitter_.tpAmb, service, contingency_);
  return client_.call(url, service_name(service), message);
}

StatusAnswer NFeWebServices::status() {
  const std::string message = status_request(sender());
  check_request(message, request_schema("consStatServ"));
  return read_status(call(NFeService::status, message));
}

AuthorisationAnswer NFeWebServices::authorise(const std::vector<std::string>& signed_nfes,
                                              std::string_view idLote, bool synchronous) {
  const std::string message = authorisation_request(idLote, synchronous, signed_nfes);
  check_request(message, request_schema("enviNFe"));
  return read_authorisation(call(NFeService::authorisation, message));
}

AuthorisationAnswer NFeWebServices::receipt(std::string_view nRec) {
  const std::string message = receipt_request(sender(), nRec);
  check_request(message, request_schema("consReciNFe"));
  return read_receipt(call(NFeService::receipt, message));
}

SituationAnswer NFeWebServices::situation(std::string_view chNFe) {
  const std::string message = situation_request(sender(), chNFe);
  check_request(message, request_schema("consSitNFe"));
  return read_situation(call(NFeService::situation, message));
}

EventAnswer NFeWebServices::event(const EventRequest& request, std::string& signed_event) {
  signed_event =
      AssinaXml(event_document(sender(), request), "infEvento", certificate_.file, certificate_.password);
  // The event's lot id: the moment, which no two lots of one station share.
  const std::string lote = fmt::format("{}", std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 std::chrono::system_clock::now().time_since_epoch())
                                                     .count() %
                                                 1'000'000'000'000'000LL);
  const std::string message = event_lot(lote, {signed_event});
  check_request(message, request_schema("envEvento", request.tpEvento));
  return read_event(call(NFeService::event, message), request.tpEvento);
}

VoidingAnswer NFeWebServices::void_numbers(std::string_view serie, long from, long to,
                                           std::string_view justification, std::string_view ano,
                                           std::string& signed_request) {
  signed_request = AssinaXml(voiding_request(sender(), ano, serie, from, to, justification), "infInut",
                             certificate_.file, certificate_.password);
  check_request(signed_request, request_schema("inutNFe"));
  return read_voiding(call(NFeService::voiding, signed_request));
}

}  // namespace zpk::nfe
