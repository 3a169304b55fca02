// Dye-recipe costing: RecalculaReceitas over 2,000 recipes of 12 components
// each (one dosed by a dye-line rule, half of them on a 3-component
// preparation with an active substitute), against a floor that runs the
// same reads and the update directly, each statement prepared once and bound.
#include <benchmark/benchmark.h>

#include <string>

#include <fmt/format.h>

#include "bench_database.hpp"
#include "planning/receita.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {
namespace {

constexpr int kReceitas = 2000;
constexpr int kComponentes = 12;

void exec(TTIDatabase& db, const std::string& sql) {
  TTIQuery q(db);
  q.SQL.Add(sql);
  q.ExecSQL();
}

bench::BenchDatabase& bench_db() {
  static bench::BenchDatabase instance("receita", [](TTIDatabase& db) {
    for (int m = 0; m < 100; ++m) {
      exec(db, fmt::format("INSERT INTO MATERIAL_001 (CODIGO, REPOSICAO, CONCENTRACAO, LINHA) VALUES "
                           "('BM{:03}', {}, {}, '{}')",
                           m, 5 + m % 40, m % 3 == 0 ? 100 : 0, m < 30 ? "REAT" : ""));
    }
    exec(db, "INSERT INTO MATERIAL_001 (CODIGO, REPOSICAO) VALUES ('BM-SUB', 4)");
    exec(
        db,
        "INSERT INTO CONTRATIPO_001 (CODIGO, MATERIAL, CONCENT, ATIVO) VALUES ('BM-SUB', 'BM050', 150, 'S')");
    exec(db, "INSERT INTO BANHO_001 (CODIGO, PROPORCAO) VALUES ('B8', 8)");
    for (int v = 0; v < 4; ++v) {
      exec(db, fmt::format("INSERT INTO VARIANTE_001 (CODIGO, INDICE) VALUES ('V{}', {})", v, 20 + 10 * v));
    }
    exec(db,
         "INSERT INTO TNG_REGRA_001 (CODIGO, TIPO, LINHA, QTDE_DE, QTDE_ATE, QTDE_R) VALUES ('SAL', 'L', "
         "'REAT', "
         "0, 2, 40)");
    exec(db,
         "INSERT INTO TNG_REGRA_001 (CODIGO, TIPO, LINHA, QTDE_DE, QTDE_ATE, QTDE_R) VALUES ('SAL', 'L', "
         "'REAT', "
         "2.0001, 100, 70)");
    for (int p = 0; p < 20; ++p) {
      for (int c = 0; c < 3; ++c) {
        exec(db, fmt::format("INSERT INTO PREPARACAO_001 (CODIGO, MATERIAL, FIBRA, UNIDADE, QTDE) VALUES "
                             "('P{:02}', 'BM{:03}', '', 'GL', 1)",
                             p, c == 0 ? 50 : 60 + p + c));
      }
    }
    for (int r = 0; r < kReceitas; ++r) {
      const std::string codigo = fmt::format("R{:05}", r);
      const std::string variante = fmt::format("V{}", r % 4);
      const std::string prep = r % 2 == 0 ? fmt::format("'P{:02}'", r % 20) : "NULL";
      exec(db, fmt::format("INSERT INTO RECEITA_001 (CODIGO, COR, VARIANTE, PREPARACAO, COD_BANHO) VALUES "
                           "('{}', 'C1', '{}', {}, 'B8')",
                           codigo, variante, prep));
      for (int c = 0; c < kComponentes; ++c) {
        const int m = (r * 7 + c * 11) % 100;
        const char* unidade = c < 4 ? "%" : "GL";
        const char* fibra = c % 3 == 0 ? "1" : (c % 3 == 1 ? "2" : "");
        exec(db,
             fmt::format("INSERT INTO MAT_TIN_001 (RECEITA, VARIANTE, CODIGO, FIBRA, UNIDADE, QTDE, REGRA) "
                         "VALUES ('{}', '{}', 'BM{:03}', '{}', '{}', {}, {})",
                         codigo, variante, m, fibra, unidade, 0.5 + c % 5, c == 5 ? "'SAL'" : "NULL"));
      }
    }
  });
  return instance;
}

// The whole recalculation: recipes per second, one iteration = 2,000 recipes.
void BM_RecalculaReceitas(benchmark::State& state) {
  bench_db();
  for (auto _ : state) {
    benchmark::DoNotOptimize(RecalculaReceitas("", "", "", nullptr, nullptr));
  }
  state.SetItemsProcessed(state.iterations() * kReceitas);
}
BENCHMARK(BM_RecalculaReceitas)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: per recipe the components read, the preparation read (when it
// has one) and the cost update, each prepared once and bound; no rule, no
// arithmetic.
void BM_Floor(benchmark::State& state) {
  bench_db();
  TTIQuery lista(Tabela.IBDatabase);
  lista.SQL.Add("SELECT CODIGO, COR, VARIANTE, PREPARACAO FROM RECEITA_001");
  TTIQuery comp(Tabela.IBDatabase);
  comp.SQL.Add(
      "SELECT MAT_TIN.FIBRA, MAT_TIN.UNIDADE, MAT_TIN.QTDE, MATERIAL.REPOSICAO FROM RECEITA_001 RECEITA "
      "INNER JOIN MAT_TIN_001 MAT_TIN ON (RECEITA.CODIGO = MAT_TIN.RECEITA AND RECEITA.VARIANTE = "
      "MAT_TIN.VARIANTE) "
      "INNER JOIN MATERIAL_001 MATERIAL ON (MAT_TIN.CODIGO = MATERIAL.CODIGO) "
      "WHERE RECEITA.VARIANTE = :V AND RECEITA.COR = :C AND RECEITA.CODIGO = :R");
  TTIQuery prep(Tabela.IBDatabase);
  prep.SQL.Add(
      "SELECT PREPARACAO.QTDE, MATERIAL.REPOSICAO FROM PREPARACAO_001 PREPARACAO LEFT OUTER JOIN "
      "MATERIAL_001 MATERIAL ON (PREPARACAO.MATERIAL = MATERIAL.CODIGO) WHERE PREPARACAO.CODIGO = :P");
  TTIQuery grava(Tabela.IBDatabase);
  grava.SQL.Add("UPDATE RECEITA_001 SET CUSTO = :CUSTO WHERE CODIGO = :R AND COR = :C AND VARIANTE = :V");
  for (auto _ : state) {
    lista.Close();
    lista.Open();
    for (lista.First(); !lista.Eof(); lista.Next()) {
      const std::string r = lista.FieldByName("CODIGO").AsString();
      const std::string c = lista.FieldByName("COR").AsString();
      const std::string v = lista.FieldByName("VARIANTE").AsString();
      const std::string p = lista.FieldByName("PREPARACAO").AsString();
      double total = 0;
      comp.Close();
      comp.ParamByName("V").AsString = v;
      comp.ParamByName("C").AsString = c;
      comp.ParamByName("R").AsString = r;
      comp.Open();
      for (comp.First(); !comp.Eof(); comp.Next()) total += comp.FieldByName("QTDE").AsFloat();
      if (!p.empty()) {
        prep.Close();
        prep.ParamByName("P").AsString = p;
        prep.Open();
        for (prep.First(); !prep.Eof(); prep.Next()) total += prep.FieldByName("QTDE").AsFloat();
      }
      grava.ParamByName("CUSTO").AsFloat = total;
      grava.ParamByName("R").AsString = r;
      grava.ParamByName("C").AsString = c;
      grava.ParamByName("V").AsString = v;
      grava.ExecSQL();
    }
    Tabela.IBTransaction.CommitRetaining();
  }
  state.SetItemsProcessed(state.iterations() * kReceitas);
}
BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace zpk

BENCHMARK_MAIN();
