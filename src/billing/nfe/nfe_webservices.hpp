// A station's session with the NF-e authorisers: its A1 certificate, its
// company (environment, state, CNPJ) and one kept connection. Every request
// is built from the official schema and checked against it before it leaves,
// signed where the contract asks; every answer is checked against its return
// schema and read into a typed result.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "billing/nfe/assina_nfe.hpp"
#include "billing/nfe/soap_client.hpp"
#include "billing/nfe/ws_config.hpp"
#include "billing/nfe/ws_messages.hpp"

namespace zpk::nfe {

// Who sends: the company's environment, state and CNPJ.
struct Emitter {
  std::string tpAmb;  // "1" production, "2" homologation
  std::string uf;     // "SP"
  std::string cnpj;   // letters kept
};

// The connected company as the emitter (Tabela's register and NF-e environment).
Emitter company_emitter();

class NFeWebServices {
 public:
  // Checks the certificate before anything is sent: readable with the
  // password, within its validity, and of the emitter's CNPJ root (an
  // authoriser refuses any other). Raises ENFeError(certificate) otherwise.
  NFeWebServices(Emitter emitter, A1Certificate certificate, WebServiceConfig config);

  const Emitter& emitter() const { return emitter_; }
  const A1Certificate& certificate() const { return certificate_; }

  // Requests go to the state's contingency authoriser (SVC) while set.
  void set_contingency(bool on) { contingency_ = on; }
  bool contingency() const { return contingency_; }

  StatusAnswer status();
  // Sends signed NF-e documents in one lot; synchronous for a single NF-e.
  AuthorisationAnswer authorise(const std::vector<std::string>& signed_nfes, std::string_view idLote,
                                bool synchronous);
  AuthorisationAnswer receipt(std::string_view nRec);
  SituationAnswer situation(std::string_view chNFe);

  // One event on an NF-e, signed; `signed_event` receives the signed evento
  // (for the distribution file).
  EventAnswer event(const EventRequest& request, std::string& signed_event);
  // Voids numbers `from`..`to` of a series in the year `ano` (two digits);
  // `signed_request` receives the signed inutNFe.
  VoidingAnswer void_numbers(std::string_view serie, long from, long to, std::string_view justification,
                             std::string_view ano, std::string& signed_request);

  // TLS handshakes so far: 1 while the station's connection is reused.
  long connections_made() const { return client_.connections_made(); }

 private:
  std::string call(NFeService service, const std::string& message);
  Sender sender() const;

  Emitter emitter_;
  A1Certificate certificate_;
  WebServiceConfig config_;
  SoapClient client_;
  bool contingency_ = false;
};

}  // namespace zpk::nfe
