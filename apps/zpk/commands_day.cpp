// `zpk day [--db X] [--out DIR]`: a mill's working day on one station, from
// fabric received to the stock list, through the library's own routines in
// the order the ERP's screens call them; one line per step with its figures
// and files, then the day's checks. The NF-e goes to the project's local
// authoriser (tools/autorizador), which the day starts for the company with
// a test PKI of its own and stops once the NF-e is authorised; the invoice
// is printed after that, with its protocol. Without --db it runs on the demo
// database, recreated. A failing step is named, its work rolled back, and the
// exit status is 1; so it is when a check does not hold.
//
// `zpk day --stations N --db host:path` runs the day on N stations at once:
// N `zpk station dia` processes on the server's database, each with its own
// order (DY0101, DY0201...) and NF-e, all sent to one local authoriser, then
// checks that no invoice number went to two stations and that each
// station's day holds its checks.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "billing/nfe/nfe_webservices.hpp"
#include "demo_authoriser.hpp"
#include "dia_trabalho.hpp"
#include "platform/db/cancellation.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "session.hpp"
#include "station.hpp"

namespace zpk::cli {
namespace {

namespace fs = std::filesystem;

struct DayOptions {
  std::string out;
  std::string pedido;
  std::string cliente;
  int stations = 0;  // 0: the day in this process; N: N station processes
};

extern "C" char** environ;

// The order of station `station` (0-based): DY0101, DY0201...
std::string pedido_da_estacao(int station) {
  return fmt::format("DY{:02}01", station + 1);
}

// The day on one station of several, as a workload of `zpk station`: its own
// order, files under OUT/station-N, its NF-e sent to the authoriser at BASE
// (server certificate signed by CA, the company's A1 CERT and its password's
// file), or to a local authoriser of its own when those are not given;
// prints "FATURA <number>" and "PROTOCOLO <nProt>", and exits 1 when a step
// fails or a check does not hold.
const RegisterStationWorkload kDiaStation{
    "dia", {"OUT [BASE CA CERT PASSWORD_FILE]", [](StationContext& ctx) {
              if (ctx.args.size() > 1 && ctx.args.size() != 5)
                throw EZpkError("dia: expected OUT [BASE CA CERT PASSWORD_FILE]");
              OpcoesDia o;
              o.pedido = pedido_da_estacao(ctx.station);
              o.pasta = fs::absolute(fs::path(ctx.args.empty() ? "var/day" : ctx.args.front()) /
                                     fmt::format("station-{}", ctx.station + 1));
              o.layouts = find_schema_dir().parent_path() / "reports";
              if (ctx.args.size() == 5) {
                o.autorizador = {ctx.args[1], ctx.args[2], {ctx.args[3], read_password_file(ctx.args[4])}};
              }
              const ResultadoDia r = executa_dia_trabalho(
                  o,
                  [&ctx](const PassoDia& p) {
                    ctx.log << p.nome << ": " << p.resumo << '\n';
                    ctx.out << fmt::format("PASSO {:.6f} {}\n", p.segundos, p.nome);
                  },
                  [](const std::string&) {});
              ctx.out << "FATURA " << r.fatura << '\n' << "PROTOCOLO " << r.protocolo << '\n';
              if (!r.conferencia.ok())
                throw EZpkError(fmt::format("station {}: the day's checks do not hold: {}", ctx.station + 1,
                                            r.conferencia.falhas.front()));
            }}};

// Starts `zpk station dia` N times on the same database, each with its
// output in OUT/station-N.log and its NF-e sent to `autorizador`, and waits
// for all of them. Returns the exit status of each. A stop (SIGINT, SIGTERM)
// is passed on to the stations, after `ao_parar` has run, and raised once
// they have ended.
std::vector<int> roda_estacoes(const DayOptions& d, const CallOptions& options, const fs::path& pasta,
                               const std::vector<std::string>& autorizador,
                               const std::function<void()>& ao_parar) {
  fs::create_directories(pasta);
  // A password given on the command line reaches the stations through the
  // environment, never their argument lists.
  if (!options.password.empty()) ::setenv("ISC_PASSWORD", options.password.c_str(), 1);
  const std::string programa = fs::read_symlink("/proc/self/exe").string();
  std::vector<pid_t> pids;
  for (int i = 0; i < d.stations; ++i) {
    std::vector<std::string> args{programa,  "station",  "dia",       pasta.string(),
                                  "--db",    options.db, "--empresa", options.empresa,
                                  "--count", "1",        "--station", std::to_string(i)};
    args.insert(args.begin() + 4, autorizador.begin(), autorizador.end());
    if (!options.usuario.empty()) args.insert(args.end(), {"--usuario", options.usuario});
    if (!options.user.empty()) args.insert(args.end(), {"--user", options.user});
    if (!options.password_file.empty()) args.insert(args.end(), {"--password-file", options.password_file});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string log = (pasta / fmt::format("station-{}.log", i + 1)).string();
    posix_spawn_file_actions_t acoes;
    posix_spawn_file_actions_init(&acoes);
    posix_spawn_file_actions_addopen(&acoes, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&acoes, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    const int erro = posix_spawn(&pid, programa.c_str(), &acoes, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&acoes);
    if (erro != 0) throw EZpkError(fmt::format("cannot start station {}: {}", i + 1, std::strerror(erro)));
    pids.push_back(pid);
  }
  std::vector<int> status(pids.size(), -1);
  size_t ended = 0;
  bool parando = false;
  while (ended < pids.size()) {
    for (size_t i = 0; i < pids.size(); ++i) {
      int s = 0;
      if (status[i] >= 0 || ::waitpid(pids[i], &s, WNOHANG) != pids[i]) continue;
      status[i] = WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);
      ++ended;
    }
    if (stop_requested() && !parando) {
      parando = true;
      if (ao_parar) ao_parar();
      for (size_t i = 0; i < pids.size(); ++i) {
        if (status[i] < 0) ::kill(pids[i], SIGTERM);
      }
    }
    if (ended < pids.size()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  throw_if_stop_requested();
  return status;
}

// The day on N stations, then the checks over all of them.
void run_stations(const DayOptions& d, const CallOptions& options) {
  if (options.db.empty()) throw EZpkError("--stations needs --db host:path (a database the stations share)");
  const fs::path pasta = fs::absolute(d.out.empty() ? fs::path("var") / "day" : fs::path(d.out));
  std::cout << fmt::format("{} stations on {}, output under {}\n", d.stations, options.db, pasta.string())
            << std::flush;
  std::optional<CallSession> session(std::in_place, options);
  // Set once before the stations start, so that none of them writes it.
  liga_contabilidade();
  Tabela.IBTransaction.Commit();
  // One local authoriser for every station's NF-e, stopped when the day ends.
  const nfe::Emitter emitente = nfe::company_emitter();
  std::cout << fmt::format("starting the local authoriser with test certificates for CNPJ {}\n",
                           emitente.cnpj)
            << std::flush;
  std::optional<DemoAuthoriser> autorizador(std::in_place, emitente.cnpj, emitente.tpAmb);
  const std::vector<std::string> enderecos{autorizador->base_url(), autorizador->ca().string(),
                                           autorizador->certificate().file.string(),
                                           autorizador->password_file().string()};
  const auto inicio = std::chrono::steady_clock::now();
  // Stopped, the day ends the authoriser (and removes its keys) before it
  // waits for the stations, which stop on their own.
  const std::vector<int> status = roda_estacoes(d, options, pasta, enderecos, [&] { autorizador.reset(); });
  autorizador.reset();
  const double segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  std::vector<std::pair<std::string, double>> passos;  // step -> seconds over every station, in order

  std::vector<std::string> faturas;
  int falhas = 0;
  for (int i = 0; i < d.stations; ++i) {
    std::string fatura, protocolo;
    std::ifstream log(pasta / fmt::format("station-{}.log", i + 1));
    for (std::string linha; std::getline(log, linha);) {
      if (linha.rfind("FATURA ", 0) == 0) fatura = linha.substr(7);
      if (linha.rfind("PROTOCOLO ", 0) == 0) protocolo = linha.substr(10);
      if (linha.rfind("PASSO ", 0) == 0) {
        const size_t espaco = linha.find(' ', 6);
        const double s = std::stod(linha.substr(6, espaco - 6));
        const std::string nome = linha.substr(espaco + 1);
        auto it = std::find_if(passos.begin(), passos.end(), [&](const auto& p) { return p.first == nome; });
        if (it == passos.end())
          passos.emplace_back(nome, s);
        else
          it->second += s;
      }
    }
    std::string resumo;
    if (status[i] != 0 || fatura.empty()) {
      ++falhas;
      resumo = fmt::format("FAILED (exit {}, see station-{}.log)", status[i], i + 1);
    } else {
      faturas.push_back(fatura);
      OpcoesDia o;
      o.pedido = pedido_da_estacao(i);
      const ConferenciaDia c = confere_dia_trabalho(o, fatura);
      if (!c.ok()) ++falhas;
      resumo = fmt::format(
          "order {} invoice {} NF-e protocol {}: {} balance(s) = journal, {} posting row(s) balanced: {}",
          o.pedido, fatura, protocolo, c.saldos, c.lancamentos, c.ok() ? "ok" : c.falhas.front());
    }
    std::cout << fmt::format("station {}: {}\n", i + 1, resumo);
  }
  // Where the time goes: each step's share of the stations' step time, and
  // the invoices the stations made per second of wall time together.
  double total = 0;
  for (const auto& [nome, s] : passos) total += s;
  std::cout << fmt::format("time: {} invoice(s) in {:.2f} s = {:.2f} invoices/s; steps:", faturas.size(),
                           segundos, segundos > 0 ? faturas.size() / segundos : 0.0);
  for (const auto& [nome, s] : passos)
    std::cout << fmt::format(" {} {:.0f} %{}", nome, total > 0 ? 100 * s / total : 0.0,
                             &nome == &passos.back().first ? "" : ",");
  std::cout << '\n';
  const std::set<std::string> distintas(faturas.begin(), faturas.end());
  const bool repetida = distintas.size() != faturas.size();
  std::cout << fmt::format("check: {} invoice(s), {} number(s) twice, {} station(s) failed: {}\n",
                           faturas.size(), faturas.size() - distintas.size(), falhas,
                           repetida || falhas > 0 ? "FAILED" : "ok")
            << std::flush;
  if (repetida || falhas > 0) throw EZpkError("the stations' day does not hold");
}

void run_day(const DayOptions& d, const CallOptions& options) {
  if (d.stations > 0) {
    run_stations(d, options);
    return;
  }
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
      "invoice {} totals equal its items, its NF-e authorised with protocol {}: {}\n",
      c.saldos, c.lancamentos, r.fatura, r.protocolo, c.ok() ? "ok" : "FAILED");
  for (const auto& f : c.falhas) std::cout << "  " << f << '\n';
  std::cout.flush();
  if (!c.ok())
    throw EZpkError(fmt::format("the day's checks do not hold ({} difference(s))", c.falhas.size()));
}

const RegisterCommand kDayCommand{[](CLI::App& app, CallOptions& options) {
  auto d = std::make_shared<DayOptions>();
  CLI::App* cmd = app.add_subcommand("day",
                                     "a working day on one station, order to authorised NF-e, titles and "
                                     "ledger: zpk day [--db X] [--out DIR]");
  cmd->add_option("--out", d->out, "the folder the XML, PDF and XLSX go to (default var/day)");
  cmd->add_option("--pedido", d->pedido, "the day's order number (default DY0001)");
  cmd->add_option("--cliente", d->cliente, "the day's customer (default 000950)");
  cmd->add_option("--stations", d->stations, "run the day on N stations at once (needs --db host:path)")
      ->capture_default_str()
      ->check(CLI::Range(1, 32));
  add_session_options(*cmd, options);
  cmd->callback([d, &options] { run_day(*d, options); });
}};

}  // namespace
}  // namespace zpk::cli
