// Cost of one call of the state registration check (one state of each family of
// rules), of an amount in words, of the crypt hash and of a CRC-16.
#include <string>

#include <benchmark/benchmark.h>

#include "documents/crc16.hpp"
#include "documents/extenso.hpp"
#include "documents/inscricao_estadual.hpp"
#include "documents/unixcrypt.hpp"

namespace {

void ValidaInscricao(benchmark::State& state, const char* ie, const char* uf) {
  for (auto _ : state) benchmark::DoNotOptimize(zpk::ValidaInscricao(ie, uf));
}
// Weights 9..2 and modulus 11; a prefix; two check digits from the right; the
// summed products of Minas Gerais; São Paulo's two rules; the fall-back forms
// (the second form tried after the first fails); each state's newer forms; ISENTO.
BENCHMARK_CAPTURE(ValidaInscricao, CE_nine_digits, "06000001-5", "CE");
BENCHMARK_CAPTURE(ValidaInscricao, AP_prefix_and_ranges, "03.012.345-9", "AP");
BENCHMARK_CAPTURE(ValidaInscricao, BA_two_digits_modulus_10, "123456-63", "BA");
BENCHMARK_CAPTURE(ValidaInscricao, BA_nine_digits_modulus_11, "1623456-51", "BA");
BENCHMARK_CAPTURE(ValidaInscricao, DF_from_the_right, "07.300.001.001-09", "DF");
BENCHMARK_CAPTURE(ValidaInscricao, DF_prefix_08, "08.300001.001-72", "DF");
BENCHMARK_CAPTURE(ValidaInscricao, GO_remainder_one_block, "10.103.105-0", "GO");
BENCHMARK_CAPTURE(ValidaInscricao, MG_summed_products, "062.307.904/0081", "MG");
BENCHMARK_CAPTURE(ValidaInscricao, MT_zero_padded, "13.000.001-9", "MT");
BENCHMARK_CAPTURE(ValidaInscricao, MT_eleven_digits, "1012345678-6", "MT");
BENCHMARK_CAPTURE(ValidaInscricao, RN_ten_digits, "20.0.040.040-0", "RN");
BENCHMARK_CAPTURE(ValidaInscricao, RS_municipality_code, "468/0001479", "RS");
BENCHMARK_CAPTURE(ValidaInscricao, SP_twelve_digits, "110.042.490.114", "SP");
BENCHMARK_CAPTURE(ValidaInscricao, SP_rural_producer, "P-01100424.3/002", "SP");
BENCHMARK_CAPTURE(ValidaInscricao, PE_nine_after_fourteen, "0321418-40", "PE");
BENCHMARK_CAPTURE(ValidaInscricao, RO_fourteen_after_nine, "0000000062521-3", "RO");
BENCHMARK_CAPTURE(ValidaInscricao, TO_eleven_digits, "29.01.022783-6", "TO");
BENCHMARK_CAPTURE(ValidaInscricao, TO_nine_digits, "29.022.783-6", "TO");
BENCHMARK_CAPTURE(ValidaInscricao, ISENTO, "ISENTO", "SP");

void Extenso_12_digits(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(zpk::Extenso("123456789012,34"));
}
BENCHMARK(Extenso_12_digits);

void ExtensoEsp_12_digits(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(zpk::ExtensoEsp("123456789012,34"));
}
BENCHMARK(ExtensoEsp_12_digits);

void crypt(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(zpk::crypt("supervisor", "ab"));
}
BENCHMARK(crypt);

void CRC16CCITT_100_chars(benchmark::State& state, const std::string& text) {
  for (auto _ : state) benchmark::DoNotOptimize(zpk::CRC16CCITT(text));
}
// A payment QR-code payload is ASCII; accented text takes the decoding path.
BENCHMARK_CAPTURE(CRC16CCITT_100_chars, ascii, std::string(100, 'x'));
BENCHMARK_CAPTURE(CRC16CCITT_100_chars, accented, [] {
  std::string s;
  for (int i = 0; i < 25; ++i) s += "ação";
  return s;
}());

}  // namespace
