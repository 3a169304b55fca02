// The command line's options for the NF-e web services, shared by `zpk nfe
// --transmitir`, `zpk nfe-status`, `zpk nfe-evento` and `zpk nfe-inutilizar`:
// the A1 certificate, where the authoriser is, how long to wait, and the
// folder the distribution files go to.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "billing/nfe/nfe_webservices.hpp"

namespace zpk::cli {

struct NFeWsOptions {
  std::string cert;
  std::string cert_password_file;
  std::string ws_base;         // every service at URL/<service>; NFe.ini [WebServices] Base otherwise
  std::string ws_base_svc;     // the contingency authoriser's base
  std::string ws_ca;           // PEM of the authorities trusted for the server
  double connect_timeout = 0;  // seconds; 0: NFe.ini or 10
  double answer_timeout = 0;   // seconds; 0: NFe.ini or 60
  std::string out = ".";       // where procNFe and event files go
};

// Adds the options above to `cmd`: the certificate's (required unless the
// command has them already) and --out unless the command has its own.
void add_nfe_ws_options(CLI::App& cmd, NFeWsOptions& o, bool certificate = true, bool out = true);

// The station's web-service settings: NFe.ini's, overridden by the options.
nfe::WebServiceConfig nfe_ws_config(const NFeWsOptions& o);

// The A1 certificate of the options (its password from the first line of the file).
nfe::A1Certificate nfe_certificate(const NFeWsOptions& o);

}  // namespace zpk::cli
