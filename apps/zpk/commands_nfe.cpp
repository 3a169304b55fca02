// `zpk nfe FATURA SERIE --db X [--empresa E] [--cert FILE --cert-password-file
// FILE] --out DIR`: the NF-e of a stored invoice written to DIR as
// <key>-nfe.xml, checked against the official schema and, with an A1
// certificate, signed and verified. It prints the access key, the file and
// every schema violation; the exit status is 1 when the XML is not valid or
// its signature does not verify. Nothing is transmitted.
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/invoice_nfe.hpp"
#include "platform/rtl/errors.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace {

struct NFeOptions {
  std::string numero;
  std::string serie;
  std::string out;
  std::string cert;
  std::string cert_password_file;
  int finalidade = 1;
  int tipo_emissao = 1;
  int presenca = 1;
};

// The first line of the password file, without its line break.
std::string read_password(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line))
    throw zpk::EZpkError(fmt::format("cannot read the password file {}", file));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void run_nfe(const NFeOptions& o, const zpk::cli::CallOptions& options) {
  std::optional<zpk::nfe::A1Certificate> certificate;
  if (!o.cert.empty()) {
    if (o.cert_password_file.empty()) throw zpk::EZpkError("--cert needs --cert-password-file");
    certificate = zpk::nfe::A1Certificate{o.cert, read_password(o.cert_password_file)};
  }
  zpk::cli::CallSession session(options);
  zpk::IFinNFe = o.finalidade;
  zpk::ITpTrasNFe = o.tipo_emissao;
  zpk::ITpImpNFe = 1;
  zpk::ITpEntrega = o.presenca;
  const auto r = zpk::nfe::nfe_of_invoice(o.numero, o.serie, certificate);
  const auto file = zpk::nfe::write_nfe_file(o.out, r.key, r.xml);
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
  if (!r.violations.empty() || (r.is_signed && !r.signature_verified)) throw zpk::EAbort();
}

const zpk::cli::RegisterCommand kNFeCommand{[](CLI::App& app, zpk::cli::CallOptions& options) {
  auto o = std::make_shared<NFeOptions>();
  CLI::App* cmd = app.add_subcommand("nfe",
                                     "the NF-e of a stored invoice: zpk nfe FATURA SERIE --db X [--cert F "
                                     "--cert-password-file F] --out DIR");
  cmd->add_option("FATURA", o->numero, "the invoice number")->required();
  cmd->add_option("SERIE", o->serie, "its series")->required();
  cmd->add_option("--out", o->out, "the folder the XML is written to")->required();
  cmd->add_option("--cert", o->cert, "an A1 certificate (PKCS#12 file) to sign with");
  cmd->add_option("--cert-password-file", o->cert_password_file, "the certificate's password (first line)");
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
