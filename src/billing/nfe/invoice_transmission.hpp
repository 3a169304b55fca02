// A stored invoice's NF-e with the tax authority: authorisation (with the
// protocol kept in NOTA and the distribution file written), cancellation,
// correction letter, and the voiding of numbers that never became invoices.
// Safe to repeat after any fault: a request whose answer was lost is never
// followed by a second authorisation under another key, and a protocol the
// authoriser gave is never lost; two stations sending one invoice make one
// submission.
#pragma once

#include <filesystem>
#include <string>

#include "billing/nfe/nfe_status.hpp"
#include "billing/nfe/nfe_webservices.hpp"

namespace zpk::nfe {

struct TransmitOptions {
  std::filesystem::path folder;    // where <key>-procNFe.xml is written
  bool allow_contingency = false;  // switch to the state's SVC when the authoriser is down
  bool synchronous = true;         // indSinc 1; else a lot and its receipt
};

struct TransmitResult {
  std::string key;
  int cStat = 0;  // the NF-e's status: 100/150 authorised, 110/301/302/303 denied
  std::string xMotivo;
  std::string nProt;
  std::string dhRecbto;
  std::string nRec;  // the receipt of an asynchronous lot
  bool authorised = false;
  bool denied = false;
  bool already_authorised = false;  // stored before this call: nothing was sent
  bool recovered = false;           // the protocol came from asking the key's situation
  bool contingency = false;         // issued and authorised in contingency (tpEmis 6 or 7)
  int submissions = 0;              // authorisation requests this call sent
  std::filesystem::path proc_file;  // empty when the authorised document could not be rebuilt
};

// Sends the NF-e of invoice `numero` of series `serie` to the authoriser and
// stores the answer in NOTA. Authorised or denied: returned (a denial spends
// the number). Rejected: the status is stored and ENFeError(refused) raised
// with cStat and xMotivo; the invoice can be corrected and sent again.
TransmitResult transmit_invoice(NFeWebServices& ws, const std::string& numero, const std::string& serie,
                                const TransmitOptions& options);

// What an event or a voiding registered.
struct RegisteredEvent {
  std::string key;
  int cStat = 0;
  std::string xMotivo;
  std::string nProt;
  std::string dhRegistro;
  int sequence = 1;
  std::filesystem::path proc_file;
};

// Cancels an authorised invoice (event 110111) with a justification of 15 to
// 255 characters; NOTA is marked cancelled (its stock, titles and postings
// are the caller's to reverse). Raises ENFeError for an invoice that is not
// authorised or already cancelled, a bad justification, or a refusal.
RegisteredEvent cancel_invoice(NFeWebServices& ws, const std::string& numero, const std::string& serie,
                               const std::string& justification, const std::filesystem::path& folder);

// Registers a correction letter (event 110110, sequence 1 to 20, the next of
// the invoice's) with a correction of 15 to 1000 characters.
RegisteredEvent correct_invoice(NFeWebServices& ws, const std::string& numero, const std::string& serie,
                                const std::string& correction, const std::filesystem::path& folder);

// Voids numbers `from`..`to` of a series that were reserved and never used;
// they stay reserved, so they are never offered again. Raises ENFeError when
// a number of the range is an invoice or already voided.
RegisteredEvent void_invoice_numbers(NFeWebServices& ws, const std::string& serie, long from, long to,
                                     const std::string& justification, const std::filesystem::path& folder);

}  // namespace zpk::nfe
