// The cost of the business-day routines on the embedded engine: one calendar
// look-up (DiaUtil on a weekday), finding the next business day, and a walk of
// 20 working days read a block of the calendar at a time, against the same walk
// asking DiaUtil day by day.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench_database.hpp"
#include "foundation/calendario.hpp"
#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"

namespace {

using namespace zpk;
namespace fs = std::filesystem;

constexpr int kFirstYear = 2020;
constexpr int kYears = 10;

// One embedded database for the whole program: the library's schema and a
// calendar of ten years with twelve weekday-or-weekend holidays each.
bench::BenchDatabase& bench_db() {
  static bench::BenchDatabase instance("calendario", [](TTIDatabase& setup) {
    TTIQuery q(setup);
    q.SQL.Add("INSERT INTO ANO_001 (DATA, DIA_UTIL) VALUES (:DATA, 'N')");
    for (int year = kFirstYear; year < kFirstYear + kYears; ++year) {
      for (Word month = 1; month <= 12; ++month) {
        q.ParamByName("DATA").AsDate = EncodeDate(static_cast<Word>(year), month, 10 + month);
        q.ExecSQL();
      }
    }
  });
  return instance;
}

// Weekdays of the calendar's years, so that every DiaUtil call reads the table.
std::vector<TDateTime> weekdays() {
  std::vector<TDateTime> days;
  for (TDateTime d = EncodeDate(kFirstYear, 1, 1); d < EncodeDate(kFirstYear + kYears - 1, 1, 1); d += 1) {
    if (DayOfWeek(d) != 1 && DayOfWeek(d) != 7) days.push_back(d);
  }
  return days;
}

void BM_DiaUtil(benchmark::State& state) {
  bench_db();
  const auto days = weekdays();
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(DiaUtil(days[i++ % days.size()], 5));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DiaUtil);

void BM_VerificaDiaUtil(benchmark::State& state) {
  bench_db();
  const TDateTime start = EncodeDate(kFirstYear, 1, 1);
  int i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(VerificaDiaUtil(start + (i++ % 3000)));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VerificaDiaUtil);

void BM_CalculaDataSetor_20Days(benchmark::State& state) {
  bench_db();
  const TDateTime start = EncodeDate(kFirstYear, 1, 1);
  int i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(CalculaDataSetor(start + (i++ % 3000), 5, 20, 0, "I"));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CalculaDataSetor_20Days);

// The same walk with one calendar look-up per day, as DiaUtil makes it.
void BM_Walk20Days_DayByDay(benchmark::State& state) {
  bench_db();
  const TDateTime start = EncodeDate(kFirstYear, 1, 1);
  int i = 0;
  for (auto _ : state) {
    TDateTime d = start + (i++ % 3000);
    for (int counted = 0; counted < 20;) {
      d += 1;
      if (DiaUtil(d, 5)) ++counted;
    }
    benchmark::DoNotOptimize(d);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Walk20Days_DayByDay);

}  // namespace
