// `zpk nfe FATURA SERIE --db X [--empresa E] [--cert FILE --cert-password-file
// FILE] --out DIR`: the NF-e of a stored invoice written to DIR as
// <key>-nfe.xml (<key>-nfe-invalida.xml when it fails the schema or its
// signature), checked against the official schema and, with an A1
// certificate, signed and verified. It prints the access key, the file and
// every schema violation; the exit status is 1 when the XML is not valid or
// its signature does not verify. With --transmitir (and the web-service
// options of nfe_ws_options.hpp) the NF-e then goes to the authoriser: the
// service's status, the submission, the protocol and what NOTA now holds are
// printed; a rejection or a denial ends with its cStat and xMotivo on one
// line and a non-zero exit.
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/invoice_nfe.hpp"
#include "billing/nfe/invoice_transmission.hpp"
#include "nfe_ws_options.hpp"
#include "platform/rtl/errors.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace {

struct NFeOptions {
  std::string numero;
  std::string serie;
  zpk::cli::NFeWsOptions ws;  // the certificate, the authoriser, --out
  bool transmitir = false;
  bool contingencia = false;  // leave to switch to the state's SVC
  bool sincrono = false;      // indSinc 1: the protocol in the answer, no receipt
  int finalidade = 1;
  int tipo_emissao = 1;
  int presenca = 1;
};

// Sends the NF-e to the authoriser and says what came back and what was stored.
void transmit(const NFeOptions& o, const std::string& key) {
  zpk::nfe::NFeWebServices ws(zpk::nfe::company_emitter(), zpk::cli::nfe_certificate(o.ws),
                              zpk::cli::nfe_ws_config(o.ws));
  try {
    const auto s = ws.status();
    std::cout << fmt::format("status: {} {}\n", s.cStat, s.xMotivo);
  } catch (const zpk::nfe::ENFeError& e) {
    // The submission decides: a station that may switch to contingency goes on.
    if (!o.contingencia) throw;
    std::cout << "status: " << e.what() << '\n';
  }
  const auto r = zpk::nfe::transmit_invoice(ws, o.numero, o.serie, {o.ws.out, o.contingencia, o.sincrono});
  if (r.key != key) std::cout << "chave: " << r.key << (r.contingency ? " (contingência)" : "") << '\n';
  if (!r.nRec.empty()) std::cout << "recibo: " << r.nRec << '\n';
  std::cout << fmt::format("cStat: {} {}\nprotocolo: {}\ndhRecbto: {}\n", r.cStat, r.xMotivo, r.nProt,
                           r.dhRecbto);
  if (r.already_authorised) std::cout << "already authorised: nothing was sent\n";
  if (r.recovered) std::cout << "protocol recovered from the authoriser's situation of the key\n";
  if (!r.proc_file.empty()) std::cout << "procNFe: " << r.proc_file.string() << '\n';
  std::cout << fmt::format(
      "stored: NOTA {} série {}: CHAVE_NFE {}, RECIBO_NFE {}, STATUS_NFE {}, PROTOCOLO_NFE {}\n", o.numero,
      o.serie, r.key, r.nRec, r.cStat, r.nProt);
  std::cout.flush();
  if (r.denied) throw zpk::EZpkError(fmt::format("NF-e denied: {} - {}", r.cStat, r.xMotivo));
}

void run_nfe(const NFeOptions& o, const zpk::cli::CallOptions& options) {
  std::optional<zpk::nfe::A1Certificate> certificate;
  if (!o.ws.cert.empty()) {
    if (o.ws.cert_password_file.empty()) throw zpk::EZpkError("--cert needs --cert-password-file");
    certificate = zpk::cli::nfe_certificate(o.ws);
  }
  if (o.transmitir && !certificate)
    throw zpk::EZpkError("--transmitir needs --cert and --cert-password-file");
  zpk::cli::CallSession session(options);
  zpk::IFinNFe = o.finalidade;
  zpk::ITpTrasNFe = o.tipo_emissao;
  zpk::ITpImpNFe = 1;
  zpk::ITpEntrega = o.presenca;
  const auto r = zpk::nfe::nfe_of_invoice(o.numero, o.serie, certificate);
  const bool valid = r.violations.empty() && (!r.is_signed || r.signature_verified);
  const auto file = zpk::nfe::write_nfe_file(o.ws.out, r.key, r.xml, valid);
  std::cout << fmt::format("chave: {}\nxml: {}\nitems: {}\n", r.key, file.string(), r.items);
  for (const auto& nota : r.cut_texts) std::cout << "cut: " << nota << '\n';
  if (r.violations.empty()) {
    std::cout << "schema: valid\n";
  } else {
    std::cout << fmt::format("schema: {} violation(s)\n", r.violations.size());
    for (const auto& v : r.violations)
      std::cout << fmt::format("  {} (line {}): {}\n", v.Campo, v.Linha, v.Mensagem);
  }
  if (r.is_signed)
    std::cout << "signature: " << (r.signature_verified ? "verified" : "DOES NOT VERIFY") << '\n';
  std::cout.flush();
  if (!valid) throw zpk::EAbort();
  if (o.transmitir) transmit(o, r.key);
}

const zpk::cli::RegisterCommand kNFeCommand{[](CLI::App& app, zpk::cli::CallOptions& options) {
  auto o = std::make_shared<NFeOptions>();
  CLI::App* cmd = app.add_subcommand("nfe",
                                     "the NF-e of a stored invoice: zpk nfe FATURA SERIE --db X [--cert F "
                                     "--cert-password-file F] --out DIR");
  cmd->add_option("FATURA", o->numero, "the invoice number")->required();
  cmd->add_option("SERIE", o->serie, "its series")->required();
  cmd->add_option("--out", o->ws.out, "the folder the XML (and the procNFe) is written to")->required();
  cmd->add_option("--cert", o->ws.cert, "an A1 certificate (PKCS#12 file) to sign with");
  cmd->add_option("--cert-password-file", o->ws.cert_password_file,
                  "the certificate's password (first line)");
  cmd->add_flag("--transmitir", o->transmitir, "send it to the authoriser and keep its protocol");
  cmd->add_flag("--sincrono", o->sincrono,
                "one NF-e answered at once (indSinc 1) instead of a lot and its receipt");
  cmd->add_flag("--contingencia", o->contingencia,
                "when the authoriser is out of service, issue in contingency to the state's SVC");
  zpk::cli::add_nfe_ws_options(*cmd, o->ws, false, false);
  cmd->add_option("--finalidade", o->finalidade,
                  "purpose of issue (finNFe): 1 normal, 2 complementary, 4 return")
      ->capture_default_str();
  cmd->add_option("--tipo-emissao", o->tipo_emissao, "issue type (tpEmis); 3 is issued as 6")
      ->capture_default_str();
  cmd->add_option("--presenca", o->presenca, "buyer presence (indPres); 5 is issued as 9")
      ->capture_default_str();
  zpk::cli::add_session_options(*cmd, options);
  cmd->callback([o, &options] { run_nfe(*o, options); });
}};

}  // namespace
