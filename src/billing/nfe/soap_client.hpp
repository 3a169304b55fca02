// SOAP 1.2 over mutual TLS to an NF-e authoriser: the station's A1
// certificate as client certificate, the server's certificate and name always
// verified, one connection kept and reused between requests (a handshake
// costs more than a request).
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "billing/nfe/nfe_error.hpp"

namespace zpk::nfe {

// How a station reaches its authoriser.
struct SoapClientOptions {
  std::filesystem::path certificate;  // the A1 file (PKCS#12)
  std::string password;
  std::filesystem::path ca_file;  // PEM authorities trusted for the server; empty: the system's
  std::chrono::milliseconds connect_timeout{10'000};
  std::chrono::milliseconds answer_timeout{60'000};
};

// A transport failure, saying whether the request may have reached the
// authoriser: when it may have, the authoriser may have acted on it, and the
// caller must ask before sending again.
class ESoapTransport : public ENFeError {
 public:
  ESoapTransport(const std::string& message, bool maybe_delivered)
      : ENFeError(NFeErrorKind::transport, message), maybe_delivered_(maybe_delivered) {}
  bool maybe_delivered() const noexcept { return maybe_delivered_; }

 private:
  bool maybe_delivered_;
};

// One station's connection to the authorisers; not shared between threads.
class SoapClient {
 public:
  explicit SoapClient(SoapClientOptions options);
  ~SoapClient();
  SoapClient(const SoapClient&) = delete;
  SoapClient& operator=(const SoapClient&) = delete;

  // Posts `message` (an NF-e message element, no XML declaration) inside
  // nfeDadosMsg of the service's namespace to `url`, and returns the element
  // inside the answer's nfeResultMsg as a standalone document. Raises
  // ESoapTransport for a connection, TLS, time-out or HTTP failure and
  // ENFeError(answer) for an answer that is not a SOAP envelope with a result.
  std::string call(const std::string& url, std::string_view service, std::string_view message);

  // TLS handshakes made so far (1 while the connection is being reused).
  long connections_made() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zpk::nfe
