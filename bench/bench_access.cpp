// The cost of deriving a stored password (Gera_FB_PASS), which every
// supervisor check pays once per candidate user: one call should take about a
// tenth of a second, so that each guess against a stolen SENHA column is expensive.
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/access_rights.hpp"

namespace {

void BM_Gera_FB_PASS(benchmark::State& state) {
  const std::string texto = std::string("senha") + "&%$#(%&" + "SUPERVISOR" + "qmwzrtbe37x2p";
  for (auto _ : state) benchmark::DoNotOptimize(zpk::Gera_FB_PASS(texto));
  state.counters["iterations"] = zpk::gera_fb_pass_iterations;
}
BENCHMARK(BM_Gera_FB_PASS)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// RtnCodificar on a 1000-character text, for comparison: it is no protection.
void BM_RtnCodificar(benchmark::State& state) {
  std::string texto;
  for (int i = 0; i < 100; ++i) texto += "Ação 12345";
  for (auto _ : state) benchmark::DoNotOptimize(zpk::RtnCodificar(texto, "chave"));
}
BENCHMARK(BM_RtnCodificar)->Unit(benchmark::kMicrosecond);

}  // namespace
