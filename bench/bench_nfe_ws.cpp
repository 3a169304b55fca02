// NF-e authorised per second through the project's local authoriser
// (tools/autorizador: Python, on loopback, real mutual TLS with the test A1
// certificate), and where the time of one NF-e goes.
//
// - TransmiteNota: one station in this process (embedded engine, one
//   NFeWebServices kept for the run): each iteration transmit_invoice on a
//   fresh copy of the demo invoice 009001 (NF-e made from the database,
//   signed, verified, checked against the schema, key stored, row locked,
//   sent, protocol stored, procNFe written).
// - Estacoes/stations:N: N `zpk station nfe-transmitir` processes on one
//   database of the Firebird server (scripts/fbserver; skipped without it),
//   each on its own range of invoices, released at once and timed until the
//   last one ended (its certificate read and its one TLS handshake included,
//   process start and database connection not).
// - The parts, on the same invoice and certificate: a new NFeWebServices with
//   its first status() (the TLS handshake) against status() on a kept
//   connection, the client's share of each request (built and checked against
//   its schema), the signature, its verification, the schema check of the
//   NF-e, the NF-e made from the database without a certificate, and the
//   authorisation of an NF-e already signed.
//
// The authoriser is started afresh (empty state) before each timed run: it
// rewrites its whole state and statistics files on every request, so their
// size would otherwise grow with everything authorised before. Its CPU time
// (all its threads, from /proc) is reported per request as `authoriser_ms`;
// the station rounds also report the stations' and the Firebird server's.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "bench_database.hpp"
#include "bench_server.hpp"
#include "billing/nfe/assina_nfe.hpp"
#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/invoice_nfe.hpp"
#include "billing/nfe/invoice_transmission.hpp"
#include "billing/nfe/nfe_webservices.hpp"
#include "billing/nfe/valida_nfe.hpp"
#include "billing/nfe/ws_config.hpp"
#include "billing/nfe/ws_messages.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/demo_invoices.hpp"
#include "support/local_authoriser.hpp"
#include "support/station_processes.hpp"
#include "support/temp_folder.hpp"

namespace {

using namespace zpk;
namespace fs = std::filesystem;

constexpr const char* kCnpj = "11222333000181";  // the demo company's
constexpr const char* kSerie = "1";

// --- CPU time of other processes -------------------------------------------

// User + system CPU seconds of process `pid`, all its threads; 0 when gone.
double cpu_seconds_of(pid_t pid) {
  if (pid <= 0) return 0;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  const std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto close = s.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(s.substr(close + 2));
  std::string field;
  for (int i = 3; i <= 13; ++i) rest >> field;  // state .. cmajflt
  long long utime = 0, stime = 0;
  rest >> utime >> stime;
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// CPU seconds of the children this process has waited for.
double reaped_children_cpu() {
  rusage u{};
  ::getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The child of this process whose command line names `word`.
pid_t child_named(const std::string& word) {
  const pid_t self = ::getpid();
  pid_t found = -1;
  if (DIR* d = ::opendir("/proc")) {
    while (dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
      std::ifstream stat("/proc/" + name + "/stat");
      const std::string s((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
      const auto close = s.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream rest(s.substr(close + 2));
      std::string state;
      long ppid = 0;
      rest >> state >> ppid;
      if (ppid != self) continue;
      std::ifstream cmd("/proc/" + name + "/cmdline");
      const std::string c((std::istreambuf_iterator<char>(cmd)), std::istreambuf_iterator<char>());
      if (c.find(word) != std::string::npos) found = static_cast<pid_t>(std::stol(name));
    }
    ::closedir(d);
  }
  return found;
}

// --- the authoriser and the certificate --------------------------------------

class Authoriser {
 public:
  Authoriser() : folder_("bench-nfews"), certs_(folder_ / "certs", {kCnpj}) {
    // What NFe.ini says at a Brazilian station: the time zone of Brasília.
    test::write_file(folder_ / "program" / "NFe.ini", "[NFe]\nFuso=-03:00\n");
    test::write_file(folder_ / "a1.password", std::string(test::AuthoriserCertificates::kPassword) + "\n");
  }

  // Stops the running authoriser and starts one with an empty state.
  void restart() {
    server_.reset();
    std::error_code ignored;
    if (runs_ > 0) fs::remove_all(folder_ / ("state-" + std::to_string(runs_)), ignored);
    ++runs_;
    server_ = std::make_unique<test::LocalAuthoriser>(certs_, folder_ / ("state-" + std::to_string(runs_)));
    pid_ = child_named("autorizador.py");
  }
  double cpu() const { return cpu_seconds_of(pid_); }

  nfe::WebServiceConfig config() const {
    nfe::WebServiceConfig c;
    c.base = server_->base_url();
    c.ca_file = certs_.ca();
    return c;
  }
  nfe::A1Certificate a1() const { return {certs_.a1(kCnpj), test::AuthoriserCertificates::kPassword}; }
  const test::AuthoriserCertificates& certs() const { return certs_; }
  const test::TempFolder& folder() const { return folder_; }
  std::string base_url() const { return server_->base_url(); }

 private:
  test::TempFolder folder_;
  test::AuthoriserCertificates certs_;
  std::unique_ptr<test::LocalAuthoriser> server_;
  pid_t pid_ = -1;
  int runs_ = 0;
};

Authoriser& authoriser() {
  static Authoriser instance;
  return instance;
}

// The authoriser's CPU time over a timed loop, per iteration, as a counter.
class AuthoriserCpu {
 public:
  AuthoriserCpu() : start_(authoriser().cpu()) {}
  void report(benchmark::State& state) const {
    state.counters["authoriser_ms"] =
        benchmark::Counter(1e3 * (authoriser().cpu() - start_), benchmark::Counter::kAvgIterations);
  }

 private:
  double start_;
};

// --- invoices ---------------------------------------------------------------

// The embedded database: the demo data and kEmbeddedInvoices copies of 009001
// from 100000 on. Invoice 100000 is the one the parts are timed on.
constexpr int kEmbeddedFirst = 100000;
constexpr int kEmbeddedInvoices = 700;
std::atomic<int> next_embedded{kEmbeddedFirst + 1};

bench::BenchDatabase& embedded() {
  static bench::BenchDatabase instance("nfews", [](TTIDatabase& setup) {
    seed_demo_data(setup, find_schema_dir());
    test::copy_demo_invoices(setup, kEmbeddedFirst, kEmbeddedInvoices);
  });
  static const bool settings = [] {
    set_program_folder(authoriser().folder() / "program");
    // What the invoicing screen sets before an NF-e: a normal sale, the buyer
    // present, the DANFE in portrait.
    IFinNFe = 1;
    ITpTrasNFe = 1;
    ITpImpNFe = 1;
    ITpEntrega = 1;
    return true;
  }();
  (void)settings;
  return instance;
}

// The next invoice no run has used; "" when they are all used.
std::string fresh_invoice() {
  const int n = next_embedded++;
  return n < kEmbeddedFirst + kEmbeddedInvoices ? fmt::format("{:06}", n) : std::string();
}

// The NF-e of invoice 100000 unsigned and signed (its key stored once).
struct SampleNFe {
  std::string unsigned_xml;
  std::string signed_xml;
};
const SampleNFe& sample() {
  static const SampleNFe s = [] {
    embedded();
    const std::string numero = fmt::format("{:06}", kEmbeddedFirst);
    SampleNFe r;
    r.unsigned_xml = nfe::nfe_of_invoice(numero, kSerie, std::nullopt).xml;
    r.signed_xml = nfe::nfe_of_invoice(numero, kSerie, authoriser().a1()).xml;
    return r;
  }();
  return s;
}

nfe::Sender company_sender() {
  const nfe::Emitter e = nfe::company_emitter();
  return nfe::Sender{e.tpAmb, nfe::state_code(e.uf), e.cnpj};
}

// --- one station in this process --------------------------------------------

constexpr int kTransmissions = 40;

void TransmiteNota(benchmark::State& state) {
  embedded();
  authoriser().restart();
  nfe::NFeWebServices ws(nfe::company_emitter(), authoriser().a1(), authoriser().config());
  ws.status();  // the handshake, before the clock
  test::TempFolder out("bench-nfews-out");
  std::vector<std::string> faturas;
  for (int i = 0; i < kTransmissions; ++i) faturas.push_back(fresh_invoice());
  if (faturas.back().empty()) {
    state.SkipWithError("no fresh invoices left (raise kEmbeddedInvoices)");
    return;
  }
  size_t i = 0;
  const AuthoriserCpu cpu;
  for (auto _ : state) {
    const nfe::TransmitResult r = nfe::transmit_invoice(ws, faturas[i++], kSerie, {out.path(), false, true});
    if (!r.authorised || r.submissions != 1) {
      state.SkipWithError(fmt::format("invoice {}: {} {}", faturas[i - 1], r.cStat, r.xMotivo).c_str());
      break;
    }
  }
  cpu.report(state);
  state.counters["invoices_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  if (ws.connections_made() != 1) state.SkipWithError("the connection was not kept");
}
BENCHMARK(TransmiteNota)->Iterations(kTransmissions)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// --- the parts ----------------------------------------------------------------

// A new station session and its first request: certificate read, TLS
// handshake (full: no session is resumed), status.
void ConexaoNovaMaisStatus(benchmark::State& state) {
  embedded();
  authoriser().restart();
  const auto config = authoriser().config();
  const auto a1 = authoriser().a1();
  const nfe::Emitter emitter = nfe::company_emitter();
  const AuthoriserCpu cpu;
  for (auto _ : state) {
    nfe::NFeWebServices ws(emitter, a1, config);
    if (ws.status().cStat != 107) {
      state.SkipWithError("status is not 107");
      break;
    }
  }
  cpu.report(state);
}
BENCHMARK(ConexaoNovaMaisStatus)->Iterations(30)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The session alone: the certificate read and checked, the transfer handle made.
void ConexaoSoConstrucao(benchmark::State& state) {
  embedded();
  const auto a1 = authoriser().a1();
  nfe::WebServiceConfig config;
  config.base = "https://127.0.0.1:9";  // never contacted
  config.ca_file = authoriser().certs().ca();
  const nfe::Emitter emitter = nfe::company_emitter();
  for (auto _ : state) {
    nfe::NFeWebServices ws(emitter, a1, config);
    benchmark::DoNotOptimize(ws.connections_made());
  }
}
BENCHMARK(ConexaoSoConstrucao)->Iterations(100)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// status() on the kept connection: the smallest round trip.
void StatusConexaoMantida(benchmark::State& state) {
  embedded();
  authoriser().restart();
  nfe::NFeWebServices ws(nfe::company_emitter(), authoriser().a1(), authoriser().config());
  ws.status();
  const AuthoriserCpu cpu;
  for (auto _ : state) {
    if (ws.status().cStat != 107) {
      state.SkipWithError("status is not 107");
      break;
    }
  }
  cpu.report(state);
  if (ws.connections_made() != 1) state.SkipWithError("the connection was not kept");
}
BENCHMARK(StatusConexaoMantida)->Iterations(100)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The client's share of status(): the request built and checked against its schema.
void StatusLadoCliente(benchmark::State& state) {
  embedded();
  const nfe::Sender sender = company_sender();
  for (auto _ : state) {
    const std::string message = nfe::status_request(sender);
    nfe::check_request(message, nfe::request_schema("consStatServ"));
    benchmark::DoNotOptimize(message.data());
  }
}
BENCHMARK(StatusLadoCliente)->Iterations(1000)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// authorise() of an NF-e already signed (made before the clock, each its own
// invoice): the lot built and checked, the round trip, the answer read.
void AutorizaNFeAssinada(benchmark::State& state) {
  embedded();
  std::vector<std::string> signed_nfes;
  for (int i = 0; i < kTransmissions; ++i) {
    const std::string fatura = fresh_invoice();
    if (fatura.empty()) {
      state.SkipWithError("no fresh invoices left (raise kEmbeddedInvoices)");
      return;
    }
    signed_nfes.push_back(nfe::nfe_of_invoice(fatura, kSerie, authoriser().a1()).xml);
  }
  authoriser().restart();
  nfe::NFeWebServices ws(nfe::company_emitter(), authoriser().a1(), authoriser().config());
  ws.status();
  static int lote = 0;
  size_t i = 0;
  const AuthoriserCpu cpu;
  for (auto _ : state) {
    const auto a = ws.authorise({signed_nfes[i++]}, std::to_string(++lote), true);
    if (a.cStat != 104 || a.protocols.empty() || a.protocols.front().cStat != 100) {
      state.SkipWithError(fmt::format("answer {} {}", a.cStat, a.xMotivo).c_str());
      break;
    }
  }
  cpu.report(state);
}
BENCHMARK(AutorizaNFeAssinada)
    ->Iterations(kTransmissions)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// The client's share of authorise(): the lot built around the signed NF-e
// and checked against enviNFe's schema.
void AutorizaLadoCliente(benchmark::State& state) {
  const std::string& nfe = sample().signed_xml;
  for (auto _ : state) {
    const std::string message = nfe::authorisation_request("1", true, {nfe});
    nfe::check_request(message, nfe::request_schema("enviNFe"));
    benchmark::DoNotOptimize(message.data());
  }
}
BENCHMARK(AutorizaLadoCliente)->Iterations(300)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The signature of infNFe with the A1 certificate (its key kept between calls).
void AssinaNFe(benchmark::State& state) {
  const std::string& xml = sample().unsigned_xml;
  const auto a1 = authoriser().a1();
  for (auto _ : state) benchmark::DoNotOptimize(nfe::AssinaXml(xml, "infNFe", a1.file, a1.password));
}
BENCHMARK(AssinaNFe)->Iterations(300)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The check of that signature, which the station makes before sending.
void VerificaAssinatura(benchmark::State& state) {
  const std::string& xml = sample().signed_xml;
  for (auto _ : state) {
    if (!nfe::VerificaAssinaturaNFe(xml)) {
      state.SkipWithError("the signature does not verify");
      break;
    }
  }
}
BENCHMARK(VerificaAssinatura)->Iterations(300)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The schema check of the signed NF-e (nfe_v4.00.xsd, parsed once per process).
void ValidaNFe(benchmark::State& state) {
  const std::string& xml = sample().signed_xml;
  for (auto _ : state) {
    if (!nfe::ValidaXmlNFe(xml).empty()) {
      state.SkipWithError("the NF-e violates its schema");
      break;
    }
  }
}
BENCHMARK(ValidaNFe)->Iterations(300)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The NF-e made from the database without a certificate: the invoice's
// dataset, GeraNFe, and the schema check (the key is stored already).
void GeraNFeDaNota(benchmark::State& state) {
  sample();
  const std::string numero = fmt::format("{:06}", kEmbeddedFirst);
  for (auto _ : state) {
    const auto r = nfe::nfe_of_invoice(numero, kSerie, std::nullopt);
    if (!r.violations.empty() || r.key_stored) {
      state.SkipWithError("the NF-e violates its schema, or its key was not stored before");
      break;
    }
  }
}
BENCHMARK(GeraNFeDaNota)->Iterations(200)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// --- stations through the Firebird server ----------------------------------------

constexpr int kStationInvoices = 25;  // per station per round
constexpr int kServerFirst = 200000;
constexpr int kServerInvoices = 1400;
int next_server = kServerFirst;

bench::ServerBench& server_bench() {
  static bench::ServerBench instance("bench-nfews-stations", [](TTIDatabase& setup) {
    test::copy_demo_invoices(setup, kServerFirst, kServerInvoices);
  });
  return instance;
}

// The Firebird server's PID (the private server of scripts/fbserver: its
// folder's server.pid), to read its CPU time; -1 when unknown.
pid_t fbserver_pid() {
  const std::string dir = bench::env_text("ZPK_FBSERVER_DIR");
  std::ifstream in(fs::path(dir.empty() ? std::string(ZPK_SOURCE_DIR) + "/build/fbserver" : dir) /
                   "server.pid");
  long pid = -1;
  in >> pid;
  return static_cast<pid_t>(pid);
}

// Invoices per second of range(0) stations, each transmitting its own
// kStationInvoices invoices over its own kept connection.
void Estacoes(benchmark::State& state) {
  const int stations = static_cast<int>(state.range(0));
  bench::ServerBench& s = server_bench();
  if (!s.problem.empty()) {
    state.SkipWithError(s.problem.c_str());
    return;
  }
  const pid_t fb = fbserver_pid();
  double seconds = 0, station_cpu = 0, authoriser_cpu = 0, server_cpu = 0;
  int invoices = 0, round = 0;
  for (auto _ : state) {
    if (next_server + stations * kStationInvoices > kServerFirst + kServerInvoices) {
      state.SkipWithError("no fresh invoices left on the server (raise kServerInvoices)");
      break;
    }
    authoriser().restart();
    const fs::path out = authoriser().folder() / fmt::format("out-{}-{}", stations, ++round);
    std::vector<std::vector<std::string>> processes;
    for (int i = 0; i < stations; ++i) {
      const int first = next_server;
      next_server += kStationInvoices;
      processes.push_back({s.zpk.string(),
                           "station",
                           "nfe-transmitir",
                           authoriser().base_url(),
                           authoriser().certs().ca().string(),
                           authoriser().certs().a1(kCnpj).string(),
                           (authoriser().folder() / "a1.password").string(),
                           kSerie,
                           std::to_string(first),
                           std::to_string(first + kStationInvoices - 1),
                           out.string(),
                           "--db",
                           s.location,
                           "--empresa",
                           "001",
                           "--usuario",
                           "ADMIN",
                           "--count",
                           std::to_string(kStationInvoices),
                           "--station",
                           std::to_string(i),
                           "--start-file",
                           "{start}"});
    }
    const double children0 = reaped_children_cpu();
    const double authoriser0 = authoriser().cpu();
    const double server0 = cpu_seconds_of(fb);
    std::chrono::duration<double> released_for{0};
    std::vector<test::StationResult> results;
    try {
      results = test::run_together(processes, {}, std::chrono::seconds(300), &released_for);
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
      break;
    }
    // Taken once every station has ended (and been waited for).
    station_cpu += reaped_children_cpu() - children0;
    authoriser_cpu += authoriser().cpu() - authoriser0;
    server_cpu += cpu_seconds_of(fb) - server0;
    std::string problem;
    int lines = 0;
    for (size_t i = 0; i < results.size(); ++i) {
      lines += static_cast<int>(results[i].lines.size());
      if (problem.empty() && !results[i].ok()) problem = fmt::format("station {}: {}", i, results[i].errors);
      // Each station makes one TLS connection for all its invoices.
      if (problem.empty() && results[i].errors.find("connections: 1\n") == std::string::npos) {
        problem = fmt::format("station {} did not keep one connection: {}", i, results[i].errors);
      }
      for (const std::string& line : results[i].lines) {
        std::istringstream in(line);
        std::string fatura, key, protocol;
        int sent = 0;
        if (problem.empty() &&
            !(in >> fatura >> key >> protocol >> sent && protocol.size() == 15 && sent == 1)) {
          problem = "not authorised at the first submission: " + line;
        }
      }
    }
    if (problem.empty() && lines != stations * kStationInvoices) {
      problem = fmt::format("{} invoices transmitted, not {}", lines, stations * kStationInvoices);
    }
    if (!problem.empty()) {
      state.SkipWithError(problem.c_str());
      break;
    }
    state.SetIterationTime(released_for.count());
    seconds += released_for.count();
    invoices += lines;
  }
  if (seconds > 0 && invoices > 0) {
    state.counters["invoices_per_s"] = invoices / seconds;
    state.counters["ms_per_invoice"] = 1e3 * seconds / invoices;
    state.counters["station_cpu_ms"] = 1e3 * station_cpu / invoices;
    state.counters["authoriser_ms"] = 1e3 * authoriser_cpu / invoices;
    if (fb > 0) state.counters["fbserver_cpu_ms"] = 1e3 * server_cpu / invoices;
  }
}
BENCHMARK(Estacoes)
    ->ArgNames({"stations"})
    ->Arg(1)
    ->Arg(4)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
