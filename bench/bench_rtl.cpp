// Cost of the runtime layer's number formatting, which every money and quantity
// column of a report or invoice goes through.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/rtl/datetime.hpp"
#include "platform/rtl/numbers.hpp"

namespace {

// Amounts from cents to millions, negatives and values on a rounding edge.
std::vector<double> sample_values() {
  std::vector<double> values;
  double v = 0.013;
  for (int i = 0; i < 256; ++i) {
    values.push_back((i % 5 == 0 ? -v : v));
    v = v * 1.37 + 0.005;
    if (v > 5e7) v = 0.017 * (i + 1);
  }
  values.push_back(39.996);
  values.push_back(2.675);
  values.push_back(0.0);
  return values;
}

void BM_FormatFloat_Thousands(benchmark::State& state) {
  const std::vector<double> values = sample_values();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zpk::FormatFloat("#,##0.00", values[i]));
    if (++i == values.size()) i = 0;
  }
}
BENCHMARK(BM_FormatFloat_Thousands);

void BM_FormatFloat_Plain(benchmark::State& state) {
  const std::vector<double> values = sample_values();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zpk::FormatFloat("0.00", values[i]));
    if (++i == values.size()) i = 0;
  }
}
BENCHMARK(BM_FormatFloat_Plain);

void BM_FloatToStr(benchmark::State& state) {
  const std::vector<double> values = sample_values();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zpk::FloatToStr(values[i]));
    if (++i == values.size()) i = 0;
  }
}
BENCHMARK(BM_FloatToStr);

void BM_StrToFloat(benchmark::State& state) {
  std::vector<std::string> texts;
  for (double v : sample_values()) texts.push_back(zpk::FormatFloat("0.00", v));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zpk::StrToFloat(texts[i]));
    if (++i == texts.size()) i = 0;
  }
}
BENCHMARK(BM_StrToFloat);

void BM_FormatDateTime(benchmark::State& state) {
  const zpk::TDateTime dt = zpk::EncodeDateTime(2024, 2, 29, 13, 5, 9, 0);
  for (auto _ : state) benchmark::DoNotOptimize(zpk::FormatDateTime("dd/mm/yyyy hh:nn:ss", dt));
}
BENCHMARK(BM_FormatDateTime);

}  // namespace
