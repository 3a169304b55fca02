// The messages of the NF-e 4.00 web services, both ways: requests built as
// the official schemas define them (and checked against them before they
// leave), answers checked against their return schemas and read into typed
// results. An answer the schema refuses is reported, never guessed at.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zpk::nfe {

// What every answer carries.
struct AnswerStatus {
  int cStat = 0;
  std::string xMotivo;
  std::string dhRecbto;  // when the authoriser answered (empty where the message has none)
};

// One NF-e's protocol (protNFe): authorised, denied or rejected.
struct NFeProtocol {
  std::string chNFe;
  int cStat = 0;
  std::string xMotivo;
  std::string nProt;  // empty when rejected
  std::string dhRecbto;
  std::string digVal;
  std::string xml;  // the protNFe element, as received, for the distribution file
};

// retConsStatServ.
struct StatusAnswer : AnswerStatus {
  std::string tMed;
};

// retEnviNFe (103 lot received, 104 processed) and retConsReciNFe.
struct AuthorisationAnswer : AnswerStatus {
  std::string nRec;                    // the receipt of an asynchronous lot
  std::vector<NFeProtocol> protocols;  // one per NF-e once processed
};

// retConsSitNFe.
struct SituationAnswer : AnswerStatus {
  std::string chNFe;
  bool has_protocol = false;
  NFeProtocol protocol;
  std::vector<std::string> events;  // procEventoNFe elements, as received
};

// One event's result (retEvento) inside retEnvEvento.
struct EventResult {
  int cStat = 0;
  std::string xMotivo;
  std::string chNFe;
  std::string tpEvento;
  int nSeqEvento = 0;
  std::string nProt;
  std::string dhRegEvento;
  std::string xml;  // the retEvento element
};

// retEnvEvento.
struct EventAnswer : AnswerStatus {
  std::vector<EventResult> results;
};

// retInutNFe.
struct VoidingAnswer : AnswerStatus {
  std::string nProt;
  std::string xml;  // the whole retInutNFe
};

// The values every request states about its sender.
struct Sender {
  std::string tpAmb;  // "1" production, "2" homologation
  std::string cUF;    // the emitter's state code
  std::string cnpj;   // the emitter's CNPJ (letters kept)
};

// An event on one NF-e, before signing: cancellation (110111) or correction letter (110110).
struct EventRequest {
  std::string chNFe;
  std::string tpEvento;
  int nSeqEvento = 1;
  std::string dhEvento;  // "YYYY-MM-DDThh:mm:ss-03:00"
  std::string nProt;     // cancellation: the authorisation's protocol
  std::string text;      // cancellation: xJust; correction letter: xCorrecao
};

// The conditions text a correction letter must carry, word for word.
extern const std::string_view kCorrectionConditions;

// Builders. Each returns the message without XML declaration; the ones that
// are signed come back unsigned with the element to sign named.
std::string status_request(const Sender& s);
std::string situation_request(const Sender& s, std::string_view chNFe);
std::string receipt_request(const Sender& s, std::string_view nRec);
// enviNFe of signed NF-e documents (1 to 50), synchronous when `synchronous`.
std::string authorisation_request(std::string_view idLote, bool synchronous,
                                  const std::vector<std::string>& nfes);
// One evento (sign infEvento), and the envEvento lot of signed eventos.
std::string event_document(const Sender& s, const EventRequest& e);
std::string event_lot(std::string_view idLote, const std::vector<std::string>& signed_events);
// inutNFe (sign infInut): series, first and last number, two-digit year.
std::string voiding_request(const Sender& s, std::string_view ano, std::string_view serie, long from, long to,
                            std::string_view justification);

// The schema file a request or answer is checked against.
std::string_view request_schema(std::string_view message_root, std::string_view tpEvento = {});

// Checks a request against its schema; raises ENFeError(schema) naming the
// first violations.
void check_request(std::string_view xml, std::string_view schema);

// Parsers: check the answer against its return schema (ENFeError(answer)
// when it is not valid) and read it.
StatusAnswer read_status(std::string_view xml);
AuthorisationAnswer read_authorisation(std::string_view xml);  // retEnviNFe
AuthorisationAnswer read_receipt(std::string_view xml);        // retConsReciNFe
SituationAnswer read_situation(std::string_view xml);
EventAnswer read_event(std::string_view xml, std::string_view tpEvento);
VoidingAnswer read_voiding(std::string_view xml);
// An event's distribution file (procEventoNFe, as a situation answer lists
// them), checked against the generic event schema: its result.
EventResult read_event_proc(std::string_view xml);

// Distribution files: the NF-e with its protocol (nfeProc), an event with its
// result (procEventoNFe), a voiding with its answer (procInutNFe).
std::string nfe_proc(std::string_view signed_nfe, std::string_view protocol_xml);
std::string event_proc(std::string_view signed_event, std::string_view result_xml);
std::string voiding_proc(std::string_view signed_request, std::string_view answer_xml);

// The DigestValue of a signed document's signature (what protNFe's digVal repeats).
std::string digest_value(std::string_view signed_xml);

}  // namespace zpk::nfe
