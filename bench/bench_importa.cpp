// Import lines per second: TSisImporta.Importar on a 10,000-line product
// movement file (embedded engine), with stock posting and without, against a
// floor measured in the same run: the statements the import runs for each
// line (savepoint, the balance look-up (locked when posting), the
// already-imported look-up, the balance update, the barcode update, the journal insert, the commit), run
// straight from queries prepared once and bound, with the values already in
// hand (no file read, no columns cut, no table columns checked).
//
// 1,000 items already hold a balance row, and each file moves each of them
// ten times under source documents no earlier file used, so every line of a
// posting run posts. Without posting a line only looks its balance up and
// refreshes the item's barcode. "again" imports the last posting file a
// second time: every line is found already imported and posts nothing.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <fmt/format.h>

#include "bench_database.hpp"
#include "foundation/session.hpp"
#include "inventory/sis_importa.hpp"
#include "platform/db/query.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"

namespace {

using namespace zpk;
namespace fs = std::filesystem;

constexpr int kLines = 10000;
constexpr int kItems = 1000;

std::string item_code(const char* prefix, int i) {
  return fmt::format("{}{:04}", prefix, i % kItems);
}

bench::BenchDatabase& bench_db() {
  static bench::BenchDatabase instance("importa", [](TTIDatabase& setup) {
    TTIQuery q(setup);
    q.SQL.Add(
        "INSERT INTO PA_ITEN_001 (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, QUANTIDADE) VALUES "
        "(:CODIGO, '01', 'M', '1', '0001', 'L1', 1000000)");
    for (const char* prefix : {"IM-B", "IM-F"}) {
      for (int i = 0; i < kItems; ++i) {
        q.ParamByName("CODIGO").AsString = item_code(prefix, i);
        q.ExecSQL();
      }
    }
    vUsuario = "ADMIN";
  });
  return instance;
}

// Source document of line `line` of file number `file`: new in every file.
std::string source_doc(int file, int line) {
  return fmt::format("{:06}", file * kLines + line);
}

// A movement file of kLines lines, alternating the source's exits and entries.
fs::path write_file(int file) {
  const fs::path path = fs::temp_directory_path() / fmt::format("zpk-bench-importa-{}.txt", ::getpid());
  std::ofstream out(path, std::ios::binary);
  out << ";PA_MOV-CODIGO,COR,TAMANHO\n"
         "CODIGO   COR TAMANHO LOTE TIPO DEPOSITO NUM_DOCTO ORDEM OPERACAO QTDE   CUSTO PRECO BARRA\n";
  for (int i = 0; i < kLines; ++i) {
    out << fmt::format("{:<9}01  M       L1   1    0001     {:<10}{:<6}{:<9}{:<7}4.25  9.90  {}\n",
                       item_code("IM-B", i), source_doc(file, i), i % 100, i % 2 ? "E" : "S", 1 + i % 7,
                       7890000000000 + i % kItems);
  }
  return path;
}

int next_file = 1;

void BM_Importar(benchmark::State& state) {
  bench_db();
  HeadlessDialogs dialogs({.max_records = 16});
  ScopedDialogService guard(dialogs);
  const bool estoque = state.range(0) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path file = write_file(next_file++);
    TSisImporta imp;
    imp.Arquivo = file.string();
    imp.Estoque = estoque;
    const bool again = state.range(1) != 0;
    if (!again) state.ResumeTiming();
    imp.Importar();
    if (!again) state.PauseTiming();
    if (!imp.errors().empty()) state.SkipWithError(imp.errors().front().mensagem.c_str());
    if (estoque && imp.inserted() != kLines) state.SkipWithError("a posting run did not post every line");
    if (again) {  // only the second run of the same file is timed: it posts nothing
      state.ResumeTiming();
      imp.Importar();
      state.PauseTiming();
      if (imp.inserted() + imp.changed() != 0) state.SkipWithError("the second run posted");
    }
    fs::remove(file);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_Importar)
    ->ArgNames({"estoque", "again"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The floor: the same statements per line, prepared once and bound.
void BM_Floor(benchmark::State& state) {
  bench_db();
  const bool estoque = state.range(0) != 0;
  TTIDatabase& db = Tabela.IBDatabase;
  TTITransaction& tx = db.DefaultTransaction();
  TTIQuery seen(db), balance(db), update(db), barcode(db), journal(db);
  seen.SQL.Add(
      "select first 1 1 from PA_MOV_001 where CODIGO = :CODIGO and COR = :COR and TAMANHO = :TAMANHO and "
      "LOTE = :LOTE and DESCRICAO = :DESCRICAO and ORDEM = :ORDEM and TIPO = :TIPO and DEPOSITO = :DEPOSITO "
      "and TP_MOV = 'IT'");
  // Posting reads the balance row locked, as the import does.
  balance.SQL.Add(
      "select CODIGO from PA_ITEN_001 where CODIGO = :CODIGO and COR = :COR and TAM = :TAM and TIPO = :TIPO "
      "and DEPOSITO = :DEPOSITO and LOTE = :LOTE");
  if (estoque) balance.SQL.Add("with lock");
  update.SQL.Add(
      "update PA_ITEN_001 set QUANTIDADE = QUANTIDADE + CAST(:QTDE AS NUMERIC(18,4)) where CODIGO = :CODIGO "
      "and COR = :COR and TAM = :TAM and TIPO = :TIPO and DEPOSITO = :DEPOSITO and LOTE = :LOTE");
  barcode.SQL.Add(
      "update PA_ITEN_001 set BARRA = :BARRA where CODIGO = :CODIGO and COR = :COR and TAM = :TAM");
  journal.SQL.Add(
      "insert into PA_MOV_001 "
      "(CODIGO,COR,TAMANHO,DEPOSITO,TIPO,DT_MVTO,LOTE,NUM_DOCTO,QTDE,CUSTO,PRECO,TIP_BAI,"
      "DESCRICAO,ORDEM,TP_MOV,OPERACAO) values (:CODIGO, :COR, :TAMANHO, :DEPOSITO, :TIPO, :DT_MVTO, :LOTE, "
      ":NUM_DOCTO, :QTDE, :CUSTO, :PRECO, :TIP_BAI, :DESCRICAO, :ORDEM, 'IT', :OPERACAO)");
  const auto item = [](TTIQuery& q, const std::string& codigo, const char* tam) {
    q.ParamByName("CODIGO").AsString = codigo;
    q.ParamByName("COR").AsString = std::string("01");
    q.ParamByName(tam).AsString = std::string("M");
  };
  for (auto _ : state) {
    const int file = next_file++;
    for (int i = 0; i < kLines; ++i) {
      const std::string codigo = item_code("IM-F", i);
      const std::string doc = source_doc(file, i);
      const std::string qtde = std::to_string(1 + i % 7);
      Savepoint line(tx);
      for (TTIQuery* q : {&balance, &update}) {
        item(*q, codigo, "TAM");
        q->ParamByName("TIPO").AsString = std::string("1");
        q->ParamByName("DEPOSITO").AsString = std::string("0001");
        q->ParamByName("LOTE").AsString = std::string("L1");
      }
      balance.Close();
      balance.Open();
      if (estoque) {
        item(seen, codigo, "TAMANHO");
        seen.ParamByName("LOTE").AsString = std::string("L1");
        seen.ParamByName("DESCRICAO").AsString = doc;
        seen.ParamByName("ORDEM").AsString = std::to_string(i % 100);
        seen.ParamByName("TIPO").AsString = std::string("1");
        seen.ParamByName("DEPOSITO").AsString = std::string("0001");
        seen.Close();
        seen.Open();
        if (!seen.IsEmpty()) state.SkipWithError("already imported");
      }
      if (estoque) {
        update.ParamByName("QTDE").AsString = i % 2 ? "-" + qtde : qtde;
        update.ExecSQL();
      }
      item(barcode, codigo, "TAM");
      barcode.ParamByName("BARRA").AsString = std::to_string(7890000000000 + i % kItems);
      barcode.ExecSQL();
      if (estoque) {
        item(journal, codigo, "TAMANHO");
        journal.ParamByName("DEPOSITO").AsString = std::string("0001");
        journal.ParamByName("TIPO").AsString = std::string("1");
        journal.ParamByName("DT_MVTO").AsDate = Date();
        journal.ParamByName("LOTE").AsString = std::string("L1");
        journal.ParamByName("NUM_DOCTO").AsString = std::string("000001");
        journal.ParamByName("QTDE").AsString = qtde;
        journal.ParamByName("CUSTO").AsString = std::string("4.25");
        journal.ParamByName("PRECO").AsString = std::string("9.90");
        journal.ParamByName("TIP_BAI").AsString = std::string();
        journal.ParamByName("DESCRICAO").AsString = doc;
        journal.ParamByName("ORDEM").AsString = std::to_string(i % 100);
        journal.ParamByName("OPERACAO").AsString = std::string(i % 2 ? "S" : "E");
        journal.ExecSQL();
      }
      line.release();
      tx.CommitRetaining();
    }
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_Floor)
    ->ArgNames({"estoque"})
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
