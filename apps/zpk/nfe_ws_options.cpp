#include "nfe_ws_options.hpp"

#include <chrono>

#include "platform/rtl/errors.hpp"
#include "session.hpp"

namespace zpk::cli {

void add_nfe_ws_options(CLI::App& cmd, NFeWsOptions& o, bool certificate, bool out) {
  if (certificate) {
    cmd.add_option("--cert", o.cert, "the company's A1 certificate (PKCS#12 file)")->required();
    cmd.add_option("--cert-password-file", o.cert_password_file, "the certificate's password (first line)")
        ->required();
  }
  cmd.add_option("--ws-base", o.ws_base,
                 "send every service to URL/<service> (default: NFe.ini, else the state's authoriser)");
  cmd.add_option("--ws-base-svc", o.ws_base_svc, "the same for the contingency authoriser");
  cmd.add_option("--ws-ca", o.ws_ca,
                 "PEM file of the authorities trusted for the server (default: the system's)");
  cmd.add_option("--ws-connect-timeout", o.connect_timeout, "seconds to connect (default 10)");
  cmd.add_option("--ws-answer-timeout", o.answer_timeout, "seconds to wait for an answer (default 60)");
  if (out)
    cmd.add_option("--out", o.out, "the folder the distribution files are written to")->capture_default_str();
}

nfe::WebServiceConfig nfe_ws_config(const NFeWsOptions& o) {
  nfe::WebServiceConfig c = nfe::read_webservice_config();
  if (!o.ws_base.empty()) c.base = o.ws_base;
  if (!o.ws_base_svc.empty()) c.base_contingency = o.ws_base_svc;
  if (!o.ws_ca.empty()) c.ca_file = o.ws_ca;
  const auto ms = [](double s) { return std::chrono::milliseconds(static_cast<long long>(s * 1000)); };
  if (o.connect_timeout > 0) c.connect_timeout = ms(o.connect_timeout);
  if (o.answer_timeout > 0) c.answer_timeout = ms(o.answer_timeout);
  return c;
}

nfe::A1Certificate nfe_certificate(const NFeWsOptions& o) {
  return nfe::A1Certificate{o.cert, read_password_file(o.cert_password_file)};
}

}  // namespace zpk::cli
