// Commission rules among 1,100 rules of 50 representatives: BuscarComissaoItem
// for an item that no rule names (all eleven level statements run) and for
// one its first level names (one statement), against the floor of the same
// eleven statements prepared once on the connection and bound; and
// RecalcularComissaoPedido for an order of 200 items (a look-up, an update
// per item, the split, the order, the log and the commit), against the floor
// of its statements run directly, prepared once and bound. Embedded engine,
// company 001.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "bench_database.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"
#include "receivables/comissao_item.hpp"

namespace {

using namespace zpk;

constexpr int kReps = 50;
constexpr int kItems = 200;

void exec(TTIDatabase& db, const std::string& sql) {
  TTIQuery q(db);
  q.SQL.Add(sql);
  q.ExecSQL();
}

std::string rep(int r) {
  return "R" + std::to_string(r);
}

bench::BenchDatabase& bench_db() {
  static bench::BenchDatabase instance("comissoes", [](TTIDatabase& setup) {
    exec(setup, "INSERT INTO EMP_PARAM (CODIGO, TIPO, VALOR, EMPRESA) VALUES (10, 'FIN', '1', '001')");
    exec(setup, "INSERT INTO ENTIDADE_001 (CODCLI, NOME, COM1, COM2) VALUES ('B1', 'BENCH', 3, 1)");
    TTIQuery r(setup);
    r.SQL.Add("INSERT INTO REPRESEN_001 (CODREP, NOME, COMISSAO, COMISSAO2) VALUES (:R, 'BENCH', 4, 1)");
    for (int i = 0; i < kReps; ++i) {
      r.ParamByName("R").AsString = rep(i);
      r.ExecSQL();
    }
    // Per representative 22 rules: two discount bands at each level, over
    // 20 products, 10 groups, 10 lines, 5 brands and 4 regions.
    TTIQuery g(setup);
    g.SQL.Add(
        "INSERT INTO GRUPO_COMISSAO_001 (CODREP, DESC_DE, DESC_ATE, PRAZO_DE, PRAZO_ATE, REGIAO, PRODUTO, "
        "GRUPO, LINHA, MARCA, COMISSAO) VALUES (:R, :DE, :ATE, 0, :PRAZO, :REGIAO, :PRODUTO, :GRUPO, :LINHA, "
        ":MARCA, :COMISSAO)");
    for (int i = 0; i < kReps; ++i) {
      for (int level = 0; level < 11; ++level) {
        for (int band = 0; band < 2; ++band) {
          const int k = i + level + band;
          const bool regional = level < 6;
          g.ParamByName("R").AsString = i == 0 ? "*" : rep(i);
          g.ParamByName("DE").AsFloat = band * 5;
          g.ParamByName("ATE").AsFloat = band * 5 + 5;
          g.ParamByName("PRAZO").AsInteger = band * 60;
          g.ParamByName("REGIAO").AsString = regional ? "RG" + std::to_string(k % 4) : "";
          g.ParamByName("PRODUTO").AsString = level == 0 || level == 6 ? "P" + std::to_string(k % 20) : "";
          g.ParamByName("GRUPO").AsString =
              level == 1 || level == 2 || level == 7 || level == 8 ? "G" + std::to_string(k % 10) : "";
          g.ParamByName("LINHA").AsString =
              level == 1 || level == 3 || level == 7 || level == 9 ? "L" + std::to_string(k % 10) : "";
          g.ParamByName("MARCA").AsString = level == 4 || level == 10 ? "M" + std::to_string(k % 5) : "";
          g.ParamByName("COMISSAO").AsFloat = 1 + level * 0.25;
          g.ExecSQL();
        }
      }
    }
    // The order: 200 items of 20 products, for R7 on region RG1.
    TTIQuery p(setup);
    p.SQL.Add("INSERT INTO PRODUTO_001 (CODIGO, GRUPO, LINHA, MARCA) VALUES (:C, :G, :L, :M)");
    for (int i = 0; i < 20; ++i) {
      p.ParamByName("C").AsString = "P" + std::to_string(i);
      p.ParamByName("G").AsString = "G" + std::to_string(i % 10);
      p.ParamByName("L").AsString = "L" + std::to_string((i * 3) % 10);
      p.ParamByName("M").AsString = "M" + std::to_string(i % 5);
      p.ExecSQL();
    }
    exec(setup,
         "INSERT INTO PEDIDO_001 (NUMERO, CODCLI, CODREP, TAB_PRE, PGTO) VALUES ('BENCH', 'B1', 'R7', 'RG1', "
         "'030060')");
    TTIQuery it(setup);
    it.SQL.Add(
        "INSERT INTO PED_ITEN_001 (NUMERO, CODIGO, COR, TAM, ORDEM, QTDE, QTDE_F, PRECO, DESCONTO) VALUES "
        "('BENCH', :C, '01', 'M', :O, :Q, 0, :P, :D)");
    for (int i = 0; i < kItems; ++i) {
      it.ParamByName("C").AsString = "P" + std::to_string(i % 20);
      it.ParamByName("O").AsInteger = i + 1;
      it.ParamByName("Q").AsFloat = 1 + i % 7;
      it.ParamByName("P").AsFloat = 10.5 + i % 13;
      it.ParamByName("D").AsString = std::to_string(i % 9);
      it.ExecSQL();
    }
  });
  return instance;
}

void BM_BuscarComissaoItem_NoRule(benchmark::State& state) {
  bench_db();
  for (auto _ : state) {
    if (BuscarComissaoItem("R7", "RGX", "PX", "GX", "LX", "MX", 2, 30) != 0)
      state.SkipWithError("a rule matched");
  }
}
BENCHMARK(BM_BuscarComissaoItem_NoRule)->Unit(benchmark::kMicrosecond);

void BM_BuscarComissaoItem_FirstLevel(benchmark::State& state) {
  bench_db();
  // R7's first rule: level 1, region RG(7 % 4), product P(7 % 20).
  for (auto _ : state) {
    if (BuscarComissaoItem("R7", "RG3", "P7", "", "", "", 2, 30) != 1)
      state.SkipWithError("not the first level");
  }
}
BENCHMARK(BM_BuscarComissaoItem_FirstLevel)->Unit(benchmark::kMicrosecond);

// The eleven level statements, each prepared once and kept; a run binds the
// item and opens them in order until one gives a percentage.
class LevelFloor {
 public:
  LevelFloor() {
    const char* cells[11][5] = {
        {"=", "=", "", "", ""}, {"=", "", "=", "=", ""}, {"=", "", "=", "", ""}, {"=", "", "", "=", ""},
        {"=", "", "", "", "="}, {"=", "", "", "", ""},   {"", "=", "", "", ""},  {"", "", "=", "=", ""},
        {"", "", "=", "", ""},  {"", "", "", "=", ""},   {"", "", "", "", "="},
    };
    for (auto& row : cells) {
      std::string sql =
          "SELECT FIRST 1 COMISSAO FROM GRUPO_COMISSAO_001 WHERE (CODREP = CAST(:CODREP AS VARCHAR(1000)) OR "
          "CODREP = '*') AND (DESC_DE "
          "<= CAST(:D AS DOUBLE PRECISION) AND DESC_ATE >= CAST(:D AS DOUBLE PRECISION)) AND "
          "((COALESCE(PRAZO_DE, 0) = 0 AND COALESCE(PRAZO_ATE, 0) = 0) OR (PRAZO_DE <= :P AND PRAZO_ATE >= "
          ":P))";
      for (int c = 0; c < 5; ++c) {
        const std::string col = kColumns[static_cast<size_t>(c)];
        sql += row[c][0] ? " AND " + col + " = :" + col : " AND COALESCE(" + col + ", '') = ''";
      }
      sql += " ORDER BY DESC_DE";
      auto q = std::make_unique<TTIQuery>(Tabela.IBDatabase);
      q->SQL.Add(sql);
      queries_.push_back(std::move(q));
    }
  }
  double run(const std::string& codrep, const std::array<std::string, 5>& item, double d, int p) {
    for (auto& q : queries_) {
      q->Close();
      q->ParamByName("CODREP").AsString = codrep;
      q->ParamByName("D").AsFloat = d;
      q->ParamByName("P").AsInteger = p;
      for (size_t c = 0; c < kColumns.size(); ++c) {
        if (TParam* param = q->FindParam(kColumns[c])) param->AsString = item[c];
      }
      q->Open();
      if (!q->IsEmpty() && q->FieldByName("COMISSAO").AsFloat() != 0)
        return q->FieldByName("COMISSAO").AsFloat();
    }
    return 0;
  }

 private:
  static constexpr std::array<const char*, 5> kColumns{"REGIAO", "PRODUTO", "GRUPO", "LINHA", "MARCA"};
  std::vector<std::unique_ptr<TTIQuery>> queries_;
};

void BM_Floor_ElevenPreparedLevels(benchmark::State& state) {
  bench_db();
  LevelFloor floor;
  for (auto _ : state) benchmark::DoNotOptimize(floor.run("R7", {"RGX", "PX", "GX", "LX", "MX"}, 2, 30));
}
BENCHMARK(BM_Floor_ElevenPreparedLevels)->Unit(benchmark::kMicrosecond);

void reset_items() {
  exec(Tabela.IBDatabase, "UPDATE PED_ITEN_001 SET PERC_COMISSAO = NULL WHERE NUMERO = 'BENCH'");
  Tabela.IBTransaction.CommitRetaining();
}

void BM_RecalcularComissaoPedido_200Items(benchmark::State& state) {
  bench_db();
  for (auto _ : state) {
    state.PauseTiming();
    reset_items();
    state.ResumeTiming();
    RecalcularComissaoPedido("BENCH");
  }
}
BENCHMARK(BM_RecalcularComissaoPedido_200Items)->Unit(benchmark::kMillisecond);

// The recalculation's statements run directly: the order's header and items,
// per item the level look-ups and the update, the split rewritten (one row),
// the order updated, the log row and the commit; each prepared once.
void BM_Floor_RecalculationStatements(benchmark::State& state) {
  bench_db();
  LevelFloor floor;
  TTIQuery head(Tabela.IBDatabase);
  head.SQL.Add(
      "SELECT PEDIDO.CODREP, PEDIDO.TAB_PRE, SUM((PED_ITEN.QTDE+PED_ITEN.QTDE_F)*PED_ITEN.PRECO) AS VAL_PED "
      "FROM "
      "PEDIDO_001 PEDIDO LEFT JOIN PED_ITEN_001 PED_ITEN ON (PEDIDO.NUMERO = PED_ITEN.NUMERO) WHERE "
      "PEDIDO.NUMERO = :N GROUP BY PEDIDO.CODREP, PEDIDO.TAB_PRE");
  TTIQuery items(Tabela.IBDatabase);
  items.SQL.Add(
      "SELECT PED_ITEN.CODIGO, PED_ITEN.COR, PED_ITEN.TAM, PED_ITEN.ORDEM, PRODUTO.LINHA, PRODUTO.GRUPO, "
      "PRODUTO.MARCA, PED_ITEN.DESCONTO, (PED_ITEN.QTDE + PED_ITEN.QTDE_F) * PED_ITEN.PRECO AS VALOR FROM "
      "PED_ITEN_001 PED_ITEN LEFT JOIN PRODUTO_001 PRODUTO ON (PED_ITEN.CODIGO = PRODUTO.CODIGO) WHERE "
      "PED_ITEN.NUMERO = :N");
  TTIQuery update(Tabela.IBDatabase);
  update.SQL.Add(
      "UPDATE PED_ITEN_001 SET PERC_COMISSAO = :PERC WHERE NUMERO = :N AND CODIGO = :C AND COALESCE(COR, '') "
      "= "
      ":COR AND COALESCE(TAM, '') = :TAM AND COALESCE(ORDEM, 0) = :O AND COALESCE(PERC_COMISSAO, 0) = 0");
  TTIQuery del(Tabela.IBDatabase);
  del.SQL.Add("DELETE FROM PED_COM_001 WHERE NUMERO = :N");
  TTIQuery ins(Tabela.IBDatabase);
  ins.SQL.Add("INSERT INTO PED_COM_001 (NUMERO, CODREP, COM1, COM2) VALUES (:N, :R, :C1, :C2)");
  TTIQuery ped(Tabela.IBDatabase);
  ped.SQL.Add("UPDATE PEDIDO_001 SET COM1 = :C1, COM2 = :C2 WHERE NUMERO = :N");
  TTIQuery log(Tabela.IBDatabase);
  log.SQL.Add(
      "INSERT INTO LOG (DATA, HORA, USUARIO, TELA, DESCRICAO, EMPRESA, CHAVE, OPERACAO) VALUES "
      "(CURRENT_DATE, CURRENT_TIMESTAMP, 'BENCH', 'PEDIDO', :D, '_001', :N, 'Alteração')");
  for (auto _ : state) {
    state.PauseTiming();
    reset_items();
    state.ResumeTiming();
    head.Close();
    head.ParamByName("N").AsString = "BENCH";
    head.Open();
    const std::string codrep = head.FieldByName("CODREP").AsString();
    const std::string regiao = head.FieldByName("TAB_PRE").AsString();
    items.Close();
    items.ParamByName("N").AsString = "BENCH";
    items.Open();
    double total = 0;
    for (; !items.Eof(); items.Next()) {
      const double perc =
          floor.run(codrep,
                    {regiao, items.FieldByName("CODIGO").AsString(), items.FieldByName("GRUPO").AsString(),
                     items.FieldByName("LINHA").AsString(), items.FieldByName("MARCA").AsString()},
                    items.FieldByName("DESCONTO").AsFloat(), 45);
      total += items.FieldByName("VALOR").AsFloat() / 100 * perc;
      update.ParamByName("PERC").AsFloat = perc;
      update.ParamByName("N").AsString = "BENCH";
      update.ParamByName("C").AsString = items.FieldByName("CODIGO").AsString();
      update.ParamByName("COR").AsString = items.FieldByName("COR").AsString();
      update.ParamByName("TAM").AsString = items.FieldByName("TAM").AsString();
      update.ParamByName("O").AsInteger = items.FieldByName("ORDEM").AsInteger();
      update.ExecSQL();
    }
    const double media = total / head.FieldByName("VAL_PED").AsFloat() * 100;
    del.ParamByName("N").AsString = "BENCH";
    del.ExecSQL();
    ins.ParamByName("N").AsString = "BENCH";
    ins.ParamByName("R").AsString = codrep;
    ins.ParamByName("C1").AsFloat = media;
    ins.ParamByName("C2").AsFloat = 1;
    ins.ExecSQL();
    ped.ParamByName("C1").AsFloat = media;
    ped.ParamByName("C2").AsFloat = 1;
    ped.ParamByName("N").AsString = "BENCH";
    ped.ExecSQL();
    log.ParamByName("D").AsString = "AJUSTE DE COMISSAO NOS ITENS DO PEDIDO BENCH";
    log.ParamByName("N").AsString = "BENCH";
    log.ExecSQL();
    Tabela.IBTransaction.CommitRetaining();
  }
}
BENCHMARK(BM_Floor_RecalculationStatements)->Unit(benchmark::kMillisecond);

}  // namespace
