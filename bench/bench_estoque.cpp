// Product stock postings per second: MovimentaEstoqueProduto with the commit
// flag set (embedded engine), against the floor of the same statements one
// posting runs (savepoint, register lock, defaults, average, balance, cost,
// journal, commit) executed straight through the Firebird API, prepared once
// with bound parameters. Entries and exits alternate on one balance row.
//
// Then the same postings from several stations at once through a Firebird
// server: separate `zpk station movimenta` processes (each a program of its
// own, with its own Tabela and session), on distinct items or all on one hot
// item. They need the server of scripts/fbserver (ZPK_TEST_SERVER, ISC_USER,
// ISC_PASSWORD in the environment) and are skipped without it.
#include <benchmark/benchmark.h>
#include <firebird/Interface.h>
#include <ibase.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_database.hpp"
#include "bench_floor.hpp"
#include "bench_server.hpp"
#include "foundation/session.hpp"
#include "inventory/estoque.hpp"
#include "platform/db/detail/engine_handles.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/station_processes.hpp"

namespace {

using namespace zpk;
namespace fs = std::filesystem;

constexpr int kPostings = 3000;

// One embedded database for the whole program: one product with a large
// balance on which entries and exits alternate.
bench::BenchDatabase& bench_db() {
  static bench::BenchDatabase instance("estoque", [](TTIDatabase& setup) {
    for (const char* sql : {
             "INSERT INTO DEPOSITO_001 (CODIGO, PRIORIDADE) VALUES ('0001', '1')",
             "INSERT INTO UNIDADE_001 (UNIDADE, QTDE) VALUES ('M', 1)",
             "INSERT INTO PRODUTO_001 (CODIGO, ESTOQUE, CUSTO, PRECO, UNIDADE) VALUES ('BENCH', 'S', 4, 9, "
             "'M')",
             "INSERT INTO PA_ITEN_001 (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, QUANTIDADE) VALUES "
             "('BENCH', '01', '0', '1', '0001', '000000', 1000000)",
         }) {
      TTIQuery q(setup);
      q.SQL.Add(sql);
      q.ExecSQL();
    }
    vUsuario = "ADMIN";
  });
  return instance;
}

// The movement every iteration posts: all defaults given, as a screen does.
void fill(TEstoque& e, int i) {
  e.ECodigo = "BENCH";
  e.ECor = "01";
  e.ETamanho = "0";
  e.EQualidade = "1";
  e.EDeposito = "0001";
  e.ELote = "000000";
  e.EFuncionario = "0001";
  e.EDescricao = "BENCH";
  e.EDocumento = "NF 1";
  e.EOperacao = i % 2 ? TOperacaoEstoque::opSaida : TOperacaoEstoque::opEntrada;
  e.EQuantidade = 1 + i % 7;
  e.ECusto = i % 2 ? 0 : 4 + i % 3;
}

void BM_MovimentaEstoqueProduto(benchmark::State& state) {
  bench_db();
  int i = 0;
  for (auto _ : state) {
    TEstoque e;
    fill(e, i++);
    e.MovimentaEstoqueProduto(true);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MovimentaEstoqueProduto)->Iterations(kPostings)->Unit(benchmark::kMicrosecond);

// --- the floor ---------------------------------------------------------------

void BM_Floor_SameStatements(benchmark::State& state) {
  bench_db();
  bench::run_stock_posting_floor(state, Tabela.IBDatabase);
}
BENCHMARK(BM_Floor_SameStatements)->Iterations(kPostings)->Unit(benchmark::kMicrosecond);

// --- several stations through the server -------------------------------------

// Postings per station per timed round.
constexpr int kStationPostings = 400;
constexpr int kMaxStations = 4;

using bench::ServerBench;

// A database on the server with one product per station ("BST-0".."BST-3")
// and the hot one ("BHOT"), each with a balance row at 0 (so exits find it).
void fill_station_products(TTIDatabase& setup) {
  std::vector<std::string> codigos{"BHOT"};
  for (int i = 0; i < kMaxStations; ++i) codigos.push_back("BST-" + std::to_string(i));
  for (const std::string& codigo : codigos) {
    for (const std::string& sql : {
             "INSERT INTO PRODUTO_001 (CODIGO, ESTOQUE, CUSTO, PRECO, UNIDADE) VALUES ('" + codigo +
                 "', 'S', 0, 1, 'M')",
             "INSERT INTO PA_ITEN_001 (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, QUANTIDADE) VALUES ('" +
                 codigo + "', '01', '0', '1', '0001', '000000', 0)",
         }) {
      TTIQuery q(setup);
      q.SQL.Add(sql);
      q.ExecSQL();
    }
  }
}

ServerBench& server_bench() {
  static ServerBench instance("bench-estoque-stations", fill_station_products);
  return instance;
}

// Postings per second of `stations` processes together: range(0) stations,
// range(1) = 1 when all of them post to one hot item, 0 when each has its own.
void BM_Stations_MovimentaEstoqueProduto(benchmark::State& state) {
  const int stations = static_cast<int>(state.range(0));
  const bool hot = state.range(1) != 0;
  ServerBench& s = server_bench();
  if (!s.problem.empty()) {
    state.SkipWithError(s.problem.c_str());
    return;
  }
  std::vector<std::string> items;
  for (int i = 0; i < stations; ++i) items.push_back(hot ? "BHOT:01" : "BST-" + std::to_string(i) + ":01");
  double seconds = 0;
  int postings = 0;
  for (auto _ : state) {
    std::vector<std::vector<std::string>> workloads;
    for (const std::string& item : items) workloads.push_back({"movimenta", "produto", item});
    const bench::StationRound round = bench::run_station_round(s, workloads, kStationPostings, "postings");
    if (!round.error.empty()) {
      state.SkipWithError(round.error.c_str());
      break;
    }
    state.SetIterationTime(round.seconds);
    seconds += round.seconds;
    postings += round.lines;
  }
  if (seconds > 0) {
    state.counters["postings_per_s"] = postings / seconds;
    state.counters["us_per_posting"] = 1e6 * seconds / postings;
  }
}
BENCHMARK(BM_Stations_MovimentaEstoqueProduto)
    ->ArgNames({"stations", "hot"})
    ->Args({1, 0})
    ->Args({4, 0})
    ->Args({4, 1})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
