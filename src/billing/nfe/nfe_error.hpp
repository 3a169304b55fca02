// The errors of the NF-e: one class under the library's root, with the kind a
// host switches on (a certificate to replace, an invoice to correct, an
// authoriser to try again later), and the authoriser's answer when it refused.
#pragma once

#include <string>

#include "platform/rtl/errors.hpp"

namespace zpk::nfe {

// What went wrong, as a host acts on it.
enum class NFeErrorKind {
  invalid_input,  // a value the caller gave (key, justification, range, number)
  certificate,    // the A1 file: unreadable, wrong password, expired, other CNPJ
  schema,         // a document that the official schema refuses
  signature,      // signing failed or a signature does not verify
  transport,      // no connection, TLS refused, time-out, HTTP error
  answer,         // the authoriser's answer is not XML or not schema-valid
  refused,        // the authoriser answered with a rejection (cStat, xMotivo)
  state,          // the invoice is not in a state that allows the operation
};

// Raised by every NF-e routine; `kind()` says which of the above.
class ENFeError : public EZpkError {
 public:
  ENFeError(NFeErrorKind kind, const std::string& message, int cstat = 0)
      : EZpkError(message), kind_(kind), cstat_(cstat) {}
  NFeErrorKind kind() const noexcept { return kind_; }
  // The authoriser's status code for `refused` (0 otherwise).
  int cstat() const noexcept { return cstat_; }

 private:
  NFeErrorKind kind_;
  int cstat_;
};

}  // namespace zpk::nfe
