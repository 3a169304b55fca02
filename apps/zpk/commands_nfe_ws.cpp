// The NF-e with the tax authority from the command line:
//   zpk nfe-status                                   the authoriser's service status
//   zpk nfe-evento cancelar FATURA SERIE --justificativa TEXT
//   zpk nfe-evento cce FATURA SERIE --correcao TEXT
//   zpk nfe-inutilizar SERIE DE ATE --justificativa TEXT
// each with the certificate and web-service options. A refusal is one line
// on stderr with the authoriser's cStat and xMotivo, and a non-zero exit.
#include <iostream>
#include <memory>
#include <string>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "billing/nfe/invoice_transmission.hpp"
#include "nfe_ws_options.hpp"
#include "platform/rtl/errors.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace {

using zpk::cli::NFeWsOptions;

zpk::nfe::NFeWebServices station(const NFeWsOptions& o) {
  return zpk::nfe::NFeWebServices(zpk::nfe::company_emitter(), zpk::cli::nfe_certificate(o),
                                  zpk::cli::nfe_ws_config(o));
}

void print_event(const zpk::nfe::RegisteredEvent& e) {
  std::cout << fmt::format("cStat: {} {}\nprotocolo: {}\nregistrado: {}\n", e.cStat, e.xMotivo, e.nProt,
                           e.dhRegistro);
  if (!e.key.empty()) std::cout << "chave: " << e.key << '\n';
  if (e.sequence > 1) std::cout << "sequencia: " << e.sequence << '\n';
  std::cout << "arquivo: " << e.proc_file.string() << '\n';
}

struct EventOptions {
  NFeWsOptions ws;
  std::string numero, serie, texto;
};

struct VoidOptions {
  NFeWsOptions ws;
  std::string serie, texto;
  long de = 0, ate = 0;
};

const zpk::cli::RegisterCommand kStatusCommand{[](CLI::App& app, zpk::cli::CallOptions& options) {
  auto o = std::make_shared<NFeWsOptions>();
  CLI::App* cmd =
      app.add_subcommand("nfe-status", "the NF-e authoriser's service status (NFeStatusServico4)");
  zpk::cli::add_nfe_ws_options(*cmd, *o);
  zpk::cli::add_session_options(*cmd, options);
  cmd->callback([o, &options] {
    zpk::cli::CallSession session(options);
    auto ws = station(*o);
    const auto s = ws.status();
    std::cout << fmt::format("cStat: {} {}\ntMed: {}\ndhRecbto: {}\n", s.cStat, s.xMotivo, s.tMed,
                             s.dhRecbto);
    if (s.cStat != 107)
      throw zpk::EZpkError(fmt::format("authoriser not in operation: {} - {}", s.cStat, s.xMotivo));
  });
}};

const zpk::cli::RegisterCommand kEventCommand{[](CLI::App& app, zpk::cli::CallOptions& options) {
  CLI::App* cmd = app.add_subcommand("nfe-evento", "an event on an authorised NF-e: cancelar or cce");
  cmd->require_subcommand(1);
  auto cancel = std::make_shared<EventOptions>();
  CLI::App* c = cmd->add_subcommand("cancelar", "cancels the invoice's NF-e (event 110111)");
  c->add_option("FATURA", cancel->numero, "the invoice number")->required();
  c->add_option("SERIE", cancel->serie, "its series")->required();
  c->add_option("--justificativa", cancel->texto, "why (15 to 255 characters)")->required();
  zpk::cli::add_nfe_ws_options(*c, cancel->ws);
  zpk::cli::add_session_options(*c, options);
  c->callback([cancel, &options] {
    zpk::cli::CallSession session(options);
    auto ws = station(cancel->ws);
    print_event(zpk::nfe::cancel_invoice(ws, cancel->numero, cancel->serie, cancel->texto, cancel->ws.out));
  });
  auto cce = std::make_shared<EventOptions>();
  CLI::App* k = cmd->add_subcommand("cce", "registers a correction letter (event 110110)");
  k->add_option("FATURA", cce->numero, "the invoice number")->required();
  k->add_option("SERIE", cce->serie, "its series")->required();
  k->add_option("--correcao", cce->texto, "the correction (15 to 1000 characters)")->required();
  zpk::cli::add_nfe_ws_options(*k, cce->ws);
  zpk::cli::add_session_options(*k, options);
  k->callback([cce, &options] {
    zpk::cli::CallSession session(options);
    auto ws = station(cce->ws);
    print_event(zpk::nfe::correct_invoice(ws, cce->numero, cce->serie, cce->texto, cce->ws.out));
  });
}};

const zpk::cli::RegisterCommand kVoidCommand{[](CLI::App& app, zpk::cli::CallOptions& options) {
  auto o = std::make_shared<VoidOptions>();
  CLI::App* cmd = app.add_subcommand(
      "nfe-inutilizar", "voids reserved, never used numbers of a series: zpk nfe-inutilizar SERIE DE ATE");
  cmd->add_option("SERIE", o->serie, "the series")->required();
  cmd->add_option("DE", o->de, "the first number")->required();
  cmd->add_option("ATE", o->ate, "the last number")->required();
  cmd->add_option("--justificativa", o->texto, "why (15 to 255 characters)")->required();
  zpk::cli::add_nfe_ws_options(*cmd, o->ws);
  zpk::cli::add_session_options(*cmd, options);
  cmd->callback([o, &options] {
    zpk::cli::CallSession session(options);
    auto ws = station(o->ws);
    print_event(zpk::nfe::void_invoice_numbers(ws, o->serie, o->de, o->ate, o->texto, o->ws.out));
  });
}};

}  // namespace
