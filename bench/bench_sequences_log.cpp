// The cost of drawing codes with Proximo (one station on the embedded engine,
// and four stations at once through the test Firebird server when
// ZPK_TEST_SERVER is set: scripts/fbserver start, then export the variables
// of the file `scripts/fbserver env` prints), and of writing audit rows with GeraLog.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/audit_log.hpp"
#include "foundation/sequences.hpp"
#include "foundation/session.hpp"
#include "platform/db/database.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "platform/tabela/tabela.hpp"

namespace {

using namespace zpk;
namespace fs = std::filesystem;

fs::path schema_dir() {
  std::vector<fs::path> starts{fs::current_path()};
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) starts.insert(starts.begin(), exe.parent_path());
  return find_schema_dir(starts);
}

// A database with the library's schema for company 001, removed at exit;
// Tabela is connected to whichever one a benchmark uses.
struct BenchDatabase {
  fs::path file;
  std::string location;
  DatabaseCredentials credentials;

  BenchDatabase(const fs::path& folder, const std::string& prefix, DatabaseCredentials creds)
      : credentials(std::move(creds)) {
    file = folder / ("zpk-bench-seq-" + std::to_string(::getpid()) + (prefix.empty() ? "-e" : "-s") + ".fdb");
    fs::remove(file);
    location = prefix.empty() ? file.string() : prefix + ":" + file.string();
    TTIDatabase setup;
    create_schema_database(setup, location, {"001"}, schema_dir(), credentials, {8192, false});
    setup.Close();
  }
  ~BenchDatabase() {
    if (Tabela.IBDatabase.DatabaseName() == location) Tabela.disconnect();
    std::error_code ec;
    fs::remove(file, ec);
  }
  void use() {
    if (Tabela.IBDatabase.Connected() && Tabela.IBDatabase.DatabaseName() == location) return;
    Tabela.disconnect();
    Tabela.connect_company(location, "001", credentials);
    vUsuario = "BENCH";
  }
};

BenchDatabase& embedded() {
  static BenchDatabase instance(fs::temp_directory_path(), "", {});
  return instance;
}

// The server's database, or nullptr when ZPK_TEST_SERVER is unset.
BenchDatabase* served() {
  static BenchDatabase* instance = []() -> BenchDatabase* {
    const char* prefix = std::getenv("ZPK_TEST_SERVER");
    if (!prefix || !*prefix) return nullptr;
    const char* data = std::getenv("ZPK_TEST_SERVER_DATA");
    const char* user = std::getenv("ISC_USER");
    const char* password = std::getenv("ISC_PASSWORD");
    static BenchDatabase db(data && *data ? fs::path(data) : fs::temp_directory_path(), prefix,
                            {user ? user : "", password ? password : ""});
    return &db;
  }();
  return instance;
}

// One station drawing codes on the embedded engine: each call runs on the
// station's private auto-committed connection (kept between calls), reads the
// width, moves the counter and checks the target column.
void BM_Proximo_Embedded(benchmark::State& state) {
  embedded().use();
  for (auto _ : state) benchmark::DoNotOptimize(Proximo("ORCAMENTO", "NUMERO", 8));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Proximo_Embedded)->Unit(benchmark::kMicrosecond);

// Audit rows written one by one, each committed (CommitRetaining).
void BM_GeraLog_Embedded(benchmark::State& state) {
  embedded().use();
  int i = 0;
  for (auto _ : state) {
    GeraLog("PEDIDO", "alteração d'água do pedido", oplAlteracao, std::to_string(++i), "FmPedido");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GeraLog_Embedded)->Unit(benchmark::kMicrosecond);

// Stations drawing from one counter row at once through the server (one
// thread per station, each keeping its own private attachment as a real
// station does).
void BM_Proximo_Server(benchmark::State& state) {
  if (state.thread_index() == 0 && served()) served()->use();
  if (!served()) {
    state.SkipWithError("ZPK_TEST_SERVER is unset: start scripts/fbserver and export its env file");
    for (auto _ : state) {
    }
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Proximo("PEDIDO", "NUMERO", 8));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Proximo_Server)->Threads(1)->Threads(4)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
