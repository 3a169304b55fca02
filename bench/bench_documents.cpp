// Cost per call of the identifier validators and the EAN-13 check digit, the
// routines that registration screens and NF-e generation call per record.
#include <benchmark/benchmark.h>

#include "documents/check_digits.hpp"

namespace {

void BM_VerCpf(benchmark::State& state) {
  const std::string cpf = "111.444.777-35";
  for (auto _ : state) benchmark::DoNotOptimize(zpk::VerCpf(cpf));
}
BENCHMARK(BM_VerCpf);

void BM_VerCgc_Numeric(benchmark::State& state) {
  const std::string cnpj = "11.222.333/0001-81";
  for (auto _ : state) benchmark::DoNotOptimize(zpk::VerCgc(cnpj));
}
BENCHMARK(BM_VerCgc_Numeric);

void BM_VerCgc_Alphanumeric(benchmark::State& state) {
  const std::string cnpj = "12.ABC.345/01DE-35";
  for (auto _ : state) benchmark::DoNotOptimize(zpk::VerCgc(cnpj));
}
BENCHMARK(BM_VerCgc_Alphanumeric);

void BM_Calcula_digito_EAN13(benchmark::State& state) {
  const std::string code = "789100031550";
  for (auto _ : state) benchmark::DoNotOptimize(zpk::Calcula_digito_EAN13(code, "0", "0", "0"));
}
BENCHMARK(BM_Calcula_digito_EAN13);

}  // namespace
