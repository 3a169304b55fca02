// The cost of the look-ups by key on the embedded engine: Busca_Valor and
// Existe as the other units call them (the key quoted by the caller, read as a
// literal and bound), and a statement with the key quoted into its text run
// through TTIQuery, against two floors written directly on the Firebird API:
// the statement prepared once with a bound key, and the literal text prepared
// on every call.
#include <benchmark/benchmark.h>
#include <firebird/Interface.h>
#include <ibase.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_database.hpp"
#include "bench_floor.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/database.hpp"
#include "platform/db/detail/engine_handles.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"

namespace {

using namespace zpk;
namespace fs = std::filesystem;

constexpr int kRows = 10000;
constexpr int kCalls = 10000;

std::string key_of(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06d", i % kRows);
  return buf;
}

// The two statement shapes: Busca_Valor of one column, and Existe.
enum Shape { kBuscaValor = 0, kExiste = 1 };

std::string literal_statement(int shape, const std::string& key) {
  // A caller's own statement with Cria_Where's clause: " 1=1 " and the quoted value.
  if (shape == kExiste) return "SELECT DISTINCT 1 FROM ENTIDADE_001 WHERE  1=1  and CODCLI = '" + key + "'";
  return "select NOME from ENTIDADE_001 where  1=1  and CODCLI = '" + key + "'";
}

const char* prepared_statement(int shape) {
  if (shape == kExiste) return "SELECT DISTINCT 1 FROM ENTIDADE_001 WHERE CODCLI = ?";
  return "select NOME from ENTIDADE_001 where CODCLI = ?";
}

// One embedded database for the whole program: the library's schema and
// 10,000 customers in company 001.
bench::BenchDatabase& bench_db() {
  static bench::BenchDatabase instance("db", [](TTIDatabase& setup) {
    TTIQuery q(setup);
    q.SQL.Add("INSERT INTO ENTIDADE_001 (CODCLI, NOME) VALUES (:CODCLI, :NOME)");
    for (int i = 0; i < kRows; ++i) {
      q.ParamByName("CODCLI").AsString = key_of(i);
      q.ParamByName("NOME").AsString = "CLIENTE " + key_of(i);
      q.ExecSQL();
    }
  });
  return instance;
}

// Fetches the first row and reads what the routine would: NOME's text, or
// whether Existe's row is there.
std::string fetch_first(Firebird::CheckStatusWrapper& st, Firebird::IResultSet* rs, int shape,
                        unsigned char* buf, unsigned off) {
  std::string value;
  if (rs->fetchNext(&st, buf) == Firebird::IStatus::RESULT_OK) {
    if (shape == kExiste) return "1";
    uint16_t n;
    std::memcpy(&n, buf + off, 2);
    value.assign(reinterpret_cast<const char*>(buf + off + 2), n);
  }
  bench::check(st);
  return value;
}

// Busca_Valor's statement with the key in its text, through TTIQuery: a new
// query per call, the query layer binding the compared literal (or not).
void BM_TTIQuery_LiteralKey(benchmark::State& state) {
  bench_db();
  TTIDatabase& db = Tabela.IBDatabase;
  db.set_auto_parameterize(state.range(0) != 0);
  int i = 0;
  for (auto _ : state) {
    TTIQuery q(db);
    q.SQL.Add(literal_statement(kBuscaValor, key_of(i++)));
    q.Open();
    benchmark::DoNotOptimize(q.FieldByName("NOME").AsString());
  }
  db.set_auto_parameterize(true);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TTIQuery_LiteralKey)->ArgName("bind_literals")->Arg(1)->Arg(0)->Iterations(kCalls);

// The library's own hot paths: a named parameter.
void BM_TTIQuery_BoundKey(benchmark::State& state) {
  bench_db();
  TTIDatabase& db = Tabela.IBDatabase;
  int i = 0;
  for (auto _ : state) {
    TTIQuery q(db);
    q.SQL.Add("select NOME from ENTIDADE_001 where CODCLI = :CODCLI");
    q.ParamByName("CODCLI").AsString = key_of(i++);
    q.Open();
    benchmark::DoNotOptimize(q.FieldByName("NOME").AsString());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TTIQuery_BoundKey)->Iterations(kCalls);

// Floor 1: prepared once, the key bound as a VARCHAR parameter.
void BM_Floor_PreparedOnce(benchmark::State& state, int shape) {
  bench_db();
  Firebird::CheckStatusWrapper st(Firebird::fb_get_master_interface()->getStatus());
  {
    bench::FloorStatement stmt(st, prepared_statement(shape));
    int i = 0;
    for (auto _ : state) {
      stmt.set_text(0, key_of(i++));
      const bool found = stmt.lookup();
      benchmark::DoNotOptimize(!found ? std::string() : shape == kExiste ? std::string("1") : stmt.text(0));
    }
  }
  st.dispose();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_Floor_PreparedOnce, Busca_Valor, kBuscaValor)->Iterations(kCalls);
BENCHMARK_CAPTURE(BM_Floor_PreparedOnce, Existe, kExiste)->Iterations(kCalls);

// Floor 2: the literal text prepared, run and freed on every call.
void BM_Floor_PrepareEveryCall(benchmark::State& state, int shape) {
  bench_db();
  TTIDatabase& db = Tabela.IBDatabase;
  Firebird::IMaster* master = Firebird::fb_get_master_interface();
  Firebird::CheckStatusWrapper st(master->getStatus());
  Firebird::IAttachment* att = detail::engine_attachment(db);
  Firebird::ITransaction* tra = detail::engine_transaction(db.DefaultTransaction());
  int i = 0;
  for (auto _ : state) {
    const std::string sql = literal_statement(shape, key_of(i++));
    Firebird::IStatement* stmt =
        att->prepare(&st, tra, static_cast<unsigned>(sql.size()), sql.c_str(), SQL_DIALECT_V6,
                     Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    bench::check(st);
    Firebird::IMessageMetadata* out = stmt->getOutputMetadata(&st);
    std::unique_ptr<unsigned char[]> out_buf(new unsigned char[out->getMessageLength(&st)]);
    const unsigned out_off = out->getOffset(&st, 0);
    Firebird::IResultSet* rs = stmt->openCursor(&st, tra, nullptr, nullptr, out, 0);
    bench::check(st);
    benchmark::DoNotOptimize(fetch_first(st, rs, shape, out_buf.get(), out_off));
    rs->close(&st);
    out->release();
    stmt->free(&st);
    bench::check(st);
  }
  st.dispose();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_Floor_PrepareEveryCall, Busca_Valor, kBuscaValor)->Iterations(kCalls);
BENCHMARK_CAPTURE(BM_Floor_PrepareEveryCall, Existe, kExiste)->Iterations(kCalls);

// The routines themselves, the key quoted by the caller as the other units do
// (each reads it as a literal and binds it).
void BM_Busca_Valor(benchmark::State& state) {
  bench_db();
  int i = 0;
  for (auto _ : state) {
    Variant v = Busca_Valor("ENTIDADE", "CODCLI", "NOME", Aspas(key_of(i++)), false, true);
    benchmark::DoNotOptimize(v);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Busca_Valor)->Iterations(kCalls);

void BM_Existe(benchmark::State& state) {
  bench_db();
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Existe("ENTIDADE", "CODCLI", Aspas(key_of(i++))));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Existe)->Iterations(kCalls);

}  // namespace
