// Invoice numbers reserved per second: ReservaNotaFiscal on an embedded
// database, against the floor of the statements one reservation runs (highest
// reservation of the series, the used-number check, the insert, the commit)
// executed straight through the Firebird API, prepared once with bound values.
//
// Then reservations from several stations at once through a Firebird server:
// separate `zpk station reserva-nota` processes on one series, each round on a
// series of its own so that every round starts from an empty one. They need
// the server of scripts/fbserver (ZPK_TEST_SERVER, ISC_USER, ISC_PASSWORD in
// the environment) and are skipped without it.
#include <benchmark/benchmark.h>
#include <firebird/Interface.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_database.hpp"
#include "bench_floor.hpp"
#include "bench_server.hpp"
#include "billing/nota_fiscal.hpp"
#include "foundation/session.hpp"
#include "platform/db/detail/engine_handles.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/station_processes.hpp"

namespace {

using namespace zpk;
namespace fs = std::filesystem;

constexpr int kReservations = 2000;

// One embedded database for the whole program; a few invoices of series 1 so
// that the used-number check has rows to look at.
bench::BenchDatabase& bench_db() {
  static bench::BenchDatabase instance("nota-fiscal", [](TTIDatabase& setup) {
    for (int i = 0; i < 200; ++i) {
      TTIQuery q(setup);
      q.SQL.Add("INSERT INTO NOTA_001 (FATURA, SERIE, LOTE_NFE) VALUES (:F, '9', :L)");
      q.ParamByName("F").AsString = std::to_string(900000 + i);
      q.ParamByName("L").AsInteger = i;
      q.ExecSQL();
    }
    vUsuario = "ADMIN";
  });
  return instance;
}

void BM_ReservaNotaFiscal(benchmark::State& state) {
  bench_db();
  for (auto _ : state) benchmark::DoNotOptimize(ReservaNotaFiscal("1"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReservaNotaFiscal)->Iterations(kReservations)->Unit(benchmark::kMicrosecond);

// --- the floor ---------------------------------------------------------------

void BM_Floor_SameStatements(benchmark::State& state) {
  bench_db();
  bench::run_invoice_number_floor(state, Tabela.IBDatabase, "2");
}
BENCHMARK(BM_Floor_SameStatements)->Iterations(kReservations)->Unit(benchmark::kMicrosecond);

// --- several stations through the server -------------------------------------

// Reservations per station per timed round.
constexpr int kStationReservations = 400;

using bench::ServerBench;

// A database on the server with the demo data.
ServerBench& server_bench() {
  static ServerBench instance("bench-nota-stations");
  return instance;
}

// Numbers reserved per second by range(0) stations together on one series.
void BM_Stations_ReservaNotaFiscal(benchmark::State& state) {
  static int next_series = 100;  // a fresh series per round
  const int stations = static_cast<int>(state.range(0));
  ServerBench& s = server_bench();
  if (!s.problem.empty()) {
    state.SkipWithError(s.problem.c_str());
    return;
  }
  double seconds = 0;
  int reservations = 0;
  for (auto _ : state) {
    const std::vector<std::vector<std::string>> workloads(stations,
                                                          {"reserva-nota", std::to_string(next_series++)});
    const bench::StationRound round = bench::run_station_round(s, workloads, kStationReservations, "numbers");
    if (!round.error.empty()) {
      state.SkipWithError(round.error.c_str());
      break;
    }
    state.SetIterationTime(round.seconds);
    seconds += round.seconds;
    reservations += round.lines;
  }
  if (seconds > 0) {
    state.counters["numbers_per_s"] = reservations / seconds;
    state.counters["us_per_number"] = 1e6 * seconds / reservations;
  }
}
BENCHMARK(BM_Stations_ReservaNotaFiscal)
    ->ArgNames({"stations"})
    ->Arg(1)
    ->Arg(4)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
