// `zpk day [--db X] [--out DIR]`: a mill's working day on one station, from
// fabric received to the stock list, through the library's own routines in
// the order the ERP's screens call them; one line per step with its figures
// and files, then the day's checks. Without --db it runs on the demo
// database, recreated. A failing step is named, its work rolled back, and the
// exit status is 1; so it is when a check does not hold.
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "dia_trabalho.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

namespace fs = std::filesystem;

struct DayOptions {
  std::string out;
  std::string pedido;
  std::string cliente;
};

void run_day(const DayOptions& d, const CallOptions& options) {
  std::optional<CallSession> session;
  if (options.db.empty()) {
    demo_session(options, std::cout);
  } else {
    session.emplace(options);
  }
  OpcoesDia o;
  if (!d.pedido.empty()) o.pedido = d.pedido;
  if (!d.cliente.empty()) o.cliente = d.cliente;
  o.pasta = fs::absolute(d.out.empty() ? fs::path("var") / "day" : fs::path(d.out));
  o.layouts = find_schema_dir().parent_path() / "reports";
  int n = 0;
  const ResultadoDia r = executa_dia_trabalho(
      o,
      [&n](const PassoDia& p) {
        std::cout << fmt::format("{:>2}. {}: {}\n", ++n, p.nome, p.resumo);
        for (const auto& f : p.arquivos) std::cout << "    wrote " << f.string() << '\n';
        std::cout.flush();
      },
      [](const std::string& linha) { std::cout << linha << '\n'
                                               << std::flush; });
  const ConferenciaDia& c = r.conferencia;
  std::cout << fmt::format(
      "check: {} stock balance(s) equal their journals, {} posting row(s) complete and split, "
      "invoice {} totals equal its items: {}\n",
      c.saldos, c.lancamentos, r.fatura, c.ok() ? "ok" : "FAILED");
  for (const auto& f : c.falhas) std::cout << "  " << f << '\n';
  std::cout.flush();
  if (!c.ok())
    throw EZpkError(fmt::format("the day's checks do not hold ({} difference(s))", c.falhas.size()));
}

const RegisterCommand kDayCommand{[](CLI::App& app, CallOptions& options) {
  auto d = std::make_shared<DayOptions>();
  CLI::App* cmd = app.add_subcommand(
      "day",
      "a working day on one station, order to signed NF-e, titles and ledger: zpk day [--db X] [--out DIR]");
  cmd->add_option("--out", d->out, "the folder the XML, PDF and XLSX go to (default var/day)");
  cmd->add_option("--pedido", d->pedido, "the day's order number (default DY0001)");
  cmd->add_option("--cliente", d->cliente, "the day's customer (default 000950)");
  add_session_options(*cmd, options);
  cmd->callback([d, &options] { run_day(*d, options); });
}};

}  // namespace
}  // namespace zpk::cli
