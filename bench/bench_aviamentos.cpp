// The trims requirement list (TExpAviamentos::Executa) of 2,000 and of 20,000
// order items on the embedded engine, each against a floor written directly
// on the Firebird API: the same statements prepared once and bound, the rows
// accumulated in a hash map. Both sets live in one database, so the two sizes
// differ only in the items selected; time per item should stay flat.
#include <benchmark/benchmark.h>
#include <firebird/Interface.h>

#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_database.hpp"
#include "bench_floor.hpp"
#include "inventory/exp_aviamentos.hpp"
#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"

namespace {

using namespace zpk;

constexpr int kProducts = 50;
constexpr int kMaterials = 40;
constexpr int kItemsPerOrder = 10;
const char* const kSizes[] = {"P", "M", "G", "GG", "XG"};  // XG is outside the sheets' range

std::string code(const char* prefix, int i, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%0*d", prefix, digits, i);
  return buf;
}

// The orders of a set: "AV" + set letter + number; `items` items in orders of 10.
std::string order_of(char set, int order) {
  return code((std::string("AV") + set).c_str(), order, 5);
}

// 50 products whose sheets take three trims each in the product's colour (the
// third left out in colour C5) and a thread that follows the colour shares
// (C4 50%, C5 30%, C6 20%; C6 has no thread colour), 40 priced materials with
// stock, and two sets of orders: 2,000 items (set A) and 20,000 items (set B).
void fill(TTIDatabase& db) {
  TTIQuery q(db);
  q.SQL.Text = "INSERT INTO CADCOR_001 (COR, DESCRICAO) VALUES (:C, :D)";
  for (int c = 1; c <= 6; ++c) {
    q.ParamByName("C").AsString = code("C", c, 1);
    q.ParamByName("D").AsString = code("COR ", c, 1);
    q.ExecSQL();
  }
  q.SQL.Text =
      "INSERT INTO PCPFAIXA_001 (FAIXA, TAM01, TAM02, TAM03, TAM04) VALUES ('BF', 'P', 'M', 'G', 'GG')";
  q.ExecSQL();
  for (int m = 0; m < kMaterials; ++m) {
    q.SQL.Text =
        "INSERT INTO MATERIAL_001 (CODIGO, DESCRICAO, GRUPO, UNIDADE) VALUES (:M, 'AVIAMENTO', 'AVI', 'UN')";
    q.ParamByName("M").AsString = code("AV-M", m, 2);
    q.ExecSQL();
    q.SQL.Text = "INSERT INTO MAT_PRECO_001 (CODIGO, PRECO_1) VALUES (:M, :P)";
    q.ParamByName("M").AsString = code("AV-M", m, 2);
    q.ParamByName("P").AsFloat = 0.05 * (m + 1);
    q.ExecSQL();
    q.SQL.Text =
        "INSERT INTO MAT_ITEN_001 (CODIGO, COR, DEPOSITO, LOTE, QTDE, PRECO_MED) VALUES (:M, :C, '01', '', "
        "500, 0.04)";
    for (int c = 1; c <= 5; c += 2) {
      q.ParamByName("M").AsString = code("AV-M", m, 2);
      q.ParamByName("C").AsString = code("C", c, 1);
      q.ExecSQL();
    }
  }
  for (int p = 0; p < kProducts; ++p) {
    const std::string produto = code("AV-P", p, 2);
    q.SQL.Text =
        "INSERT INTO PCPFT2_001 (CODIGO, ID, INSUMO, CONSUMO, FAIXA, APLICACAO) VALUES (:P, :ID, :M, :Q, "
        "'BF', "
        ":A)";
    for (int id = 1; id <= 4; ++id) {
      q.ParamByName("P").AsString = produto;
      q.ParamByName("ID").AsInteger = id;
      q.ParamByName("M").AsString =
          code("AV-M", id == 4 ? kMaterials - 1 : (p * 3 + id) % (kMaterials - 1), 2);
      q.ParamByName("Q").AsFloat = id == 4 ? 150 : id;
      q.ParamByName("A").AsString = code("APL", id, 1);
      q.ExecSQL();
    }
    q.SQL.Text =
        "INSERT INTO PCPFT3_001 (CODIGO, COR, ID, INSUMO, FAIXA, APLICACAO, COR_I) VALUES (:P, :C, :ID, :M, "
        "'BF', :A, :CI)";
    for (int c = 1; c <= 5; ++c) {
      for (int id = 1; id <= 4; ++id) {
        const std::string cor = code("C", c, 1);
        q.ParamByName("P").AsString = produto;
        q.ParamByName("C").AsString = cor;
        q.ParamByName("ID").AsInteger = id;
        q.ParamByName("M").AsString =
            code("AV-M", id == 4 ? kMaterials - 1 : (p * 3 + id) % (kMaterials - 1), 2);
        q.ParamByName("A").AsString = code("APL", id, 1);
        q.ParamByName("CI").AsString = id == 3 && c == 5 ? "*****" : id == 4 && c <= 3 ? "E" : cor;
        q.ExecSQL();
      }
    }
    q.SQL.Text =
        "INSERT INTO PA_ITEN_001 (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, PERCENTUAL) VALUES (:P, :C, 'M', "
        "'1', '01', '', :PC)";
    const double shares[] = {50, 30, 20};
    for (int s = 0; s < 3; ++s) {
      q.ParamByName("P").AsString = produto;
      q.ParamByName("C").AsString = code("C", 4 + s, 1);
      q.ParamByName("PC").AsFloat = shares[s];
      q.ExecSQL();
    }
  }
  for (const auto& [set, items] : {std::pair{'A', 2000}, std::pair{'B', 20000}}) {
    for (int o = 0; o < items / kItemsPerOrder; ++o) {
      q.SQL.Text =
          "INSERT INTO PEDIDO_001 (NUMERO, CODCLI, DT_EMISSAO, ENTREGA, DT_FATURA) VALUES (:N, '000701', "
          "'2026-03-01', '2026-04-01', '2026-04-05')";
      q.ParamByName("N").AsString = order_of(set, o);
      q.ExecSQL();
      q.SQL.Text = "INSERT INTO PED_ITEN_001 (NUMERO, CODIGO, COR, TAM, QTDE) VALUES (:N, :P, :C, :T, :Q)";
      for (int k = 0; k < kItemsPerOrder; ++k) {
        const int i = o * kItemsPerOrder + k;
        q.ParamByName("N").AsString = order_of(set, o);
        q.ParamByName("P").AsString = code("AV-P", (i * 7 + o) % kProducts, 2);
        q.ParamByName("C").AsString = code("C", (i * 3 + o) % 5 + 1, 1);
        q.ParamByName("T").AsString = kSizes[i % 5];
        q.ParamByName("Q").AsFloat = 1 + i % 20;
        q.ExecSQL();
      }
    }
  }
}

bench::BenchDatabase& bench_db() {
  static bench::BenchDatabase instance("aviamentos", fill);
  return instance;
}

char set_of(int items) {
  return items == 2000 ? 'A' : 'B';
}

void BM_Executa(benchmark::State& state) {
  bench_db();
  const int items = static_cast<int>(state.range(0));
  const char set = set_of(items);
  size_t rows = 0;
  for (auto _ : state) {
    TClientDataSet ds;
    TExpAviamentos e(ds);
    e.EmissaoIni = e.EntregaIni = e.FaturaIni = "01/01/2000";
    e.EmissaoFim = e.EntregaFim = e.FaturaFim = "12/31/2099";
    e.PedidoIni = order_of(set, 0);
    e.PedidoFim = order_of(set, items / kItemsPerOrder - 1);
    e.Executa(ds);
    rows = static_cast<size_t>(ds.RecordCount());
    benchmark::DoNotOptimize(rows);
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_Executa)
    ->Arg(2000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The order items with their sheet lines, as the explosion selects them.
std::string items_sql() {
  std::string sizes = "((FAIXA.TAM01 = PED_ITEN.TAM)";
  for (int i = 2; i <= 24; ++i) {
    char buf[48];
    std::snprintf(buf, sizeof buf, " OR (FAIXA.TAM%02d = PED_ITEN.TAM)", i);
    sizes += buf;
  }
  sizes += ")";
  return "SELECT CAST(PED_ITEN.NUMERO AS VARCHAR(20)), CAST(PED_ITEN.CODIGO AS VARCHAR(20)), "
         "CAST(PED_ITEN.QTDE AS DOUBLE PRECISION), CAST(PCPFT2.INSUMO AS VARCHAR(20)), "
         "CAST(PCPFT2.CONSUMO AS DOUBLE PRECISION), CAST(PCPFT2.FAIXA AS VARCHAR(10)), "
         "CAST(PCPFT2.APLICACAO AS VARCHAR(60)), CAST(PCPFT3.COR_I AS VARCHAR(10)), "
         "CAST(PRECO.PRECO_1 AS DOUBLE PRECISION) "
         "FROM PEDIDO_001 PEDIDO INNER JOIN PED_ITEN_001 PED_ITEN ON (PEDIDO.NUMERO = PED_ITEN.NUMERO) "
         "INNER JOIN PCPFT2_001 PCPFT2 ON (PED_ITEN.CODIGO = PCPFT2.CODIGO) "
         "INNER JOIN PCPFT3_001 PCPFT3 ON (PED_ITEN.CODIGO = PCPFT3.CODIGO AND PED_ITEN.COR = PCPFT3.COR AND "
         "PCPFT2.ID = PCPFT3.ID) "
         "INNER JOIN PCPFAIXA_001 FAIXA ON (PCPFT2.FAIXA = FAIXA.FAIXA) "
         "INNER JOIN MATERIAL_001 MATERIAL ON (PCPFT2.INSUMO = MATERIAL.CODIGO) "
         "INNER JOIN CADCOR_001 COR ON (PED_ITEN.COR = COR.COR) "
         "LEFT OUTER JOIN MAT_PRECO_001 PRECO ON (MATERIAL.CODIGO = PRECO.CODIGO) "
         "WHERE PEDIDO.DT_EMISSAO >= CAST(? AS VARCHAR(10)) AND PEDIDO.DT_EMISSAO <= CAST(? AS VARCHAR(10)) "
         "AND PEDIDO.ENTREGA >= CAST(? AS VARCHAR(10)) AND PEDIDO.ENTREGA <= CAST(? AS VARCHAR(10)) "
         "AND PEDIDO.DT_FATURA >= CAST(? AS VARCHAR(10)) AND PEDIDO.DT_FATURA <= CAST(? AS VARCHAR(10)) "
         "AND PED_ITEN.QTDE > 0 AND PED_ITEN.NUMERO >= CAST(? AS VARCHAR(12)) "
         "AND PED_ITEN.NUMERO <= CAST(? AS VARCHAR(12)) AND PCPFT3.COR_I <> '*****' AND " +
         sizes + " ORDER BY PED_ITEN.NUMERO, PED_ITEN.CODIGO, PED_ITEN.COR, PCPFT2.INSUMO";
}

struct FloorRow {
  double consumo = 0, total = 0, unit = 0, estoque = 0, preco_med = 0;
  std::string desccor;
};

// The explosion's statements run directly: the items once, the shares once,
// per new row the colour description and the stock sums, per share the
// sheet's colour mapping; rows accumulated in a map keyed by order, material, colour.
void BM_Floor(benchmark::State& state) {
  bench_db();
  const int items = static_cast<int>(state.range(0));
  const char set = set_of(items);
  Firebird::CheckStatusWrapper st(Firebird::fb_get_master_interface()->getStatus());
  size_t rows = 0;
  {
    bench::FloorStatement itens(st, items_sql());
    bench::FloorStatement shares(
        st,
        "SELECT CAST(CODIGO AS VARCHAR(20)), CAST(COR AS VARCHAR(10)), CAST(PERCENTUAL AS DOUBLE "
        "PRECISION) FROM PA_ITEN_001 WHERE PERCENTUAL > 0 AND TIPO = '1' "
        "GROUP BY CODIGO, COR, TAM, PERCENTUAL ORDER BY CODIGO, COR, TAM");
    bench::FloorStatement cor(
        st, "SELECT CAST(DESCRICAO AS VARCHAR(60)) FROM CADCOR_001 WHERE COR = CAST(? AS VARCHAR(10))");
    bench::FloorStatement somas(
        st,
        "SELECT CAST(SUM(QTDE) AS DOUBLE PRECISION), CAST(MAX(PRECO_MED) AS DOUBLE PRECISION) "
        "FROM MAT_ITEN_001 WHERE CODIGO = CAST(? AS VARCHAR(20)) AND COR = CAST(? AS VARCHAR(10))");
    bench::FloorStatement mapa(
        st,
        "SELECT CAST(COR_I AS VARCHAR(10)) FROM PCPFT3_001 WHERE CODIGO = CAST(? AS VARCHAR(20)) "
        "AND INSUMO = CAST(? AS VARCHAR(20)) AND FAIXA = CAST(? AS VARCHAR(10)) "
        "AND APLICACAO = CAST(? AS VARCHAR(60)) AND COR = CAST(? AS VARCHAR(10))");
    for (auto _ : state) {
      std::map<std::string, std::vector<std::pair<std::string, double>>> by_product;
      shares.open();
      while (shares.fetch()) by_product[shares.text(0)].emplace_back(shares.text(1), shares.number(2));
      shares.close();
      std::unordered_map<std::string, FloorRow> result;
      auto add = [&](const std::string& n, const std::string& material, const std::string& c, double r,
                     double unit) {
        auto [it, added] = result.try_emplace(n + '\x1f' + material + '\x1f' + c);
        FloorRow& row = it->second;
        if (added) {
          cor.open({c});
          if (cor.fetch()) row.desccor = cor.text(0);
          cor.close();
          somas.open({material, c});
          if (somas.fetch()) {
            row.estoque = somas.number(0);
            row.preco_med = somas.number(1);
          }
          somas.close();
          row.unit = unit;
        }
        row.consumo += r;
        row.total += r * row.unit;
      };
      itens.open({"01/01/2000", "12/31/2099", "01/01/2000", "12/31/2099", "01/01/2000", "12/31/2099",
                  order_of(set, 0), order_of(set, items / kItemsPerOrder - 1)});
      while (itens.fetch()) {
        const std::string n = itens.text(0), produto = itens.text(1), material = itens.text(3);
        const double qtde = itens.number(2), consumo = itens.number(4), unit = itens.number(8);
        const std::string cor_i = itens.text(7);
        if (cor_i != "E") {
          add(n, material, cor_i, qtde * consumo, unit);
          continue;
        }
        auto found = by_product.find(produto);
        if (found == by_product.end()) continue;
        for (const auto& [share_cor, percentual] : found->second) {
          mapa.open({produto, material, itens.text(5), itens.text(6), share_cor});
          std::string c = mapa.fetch() ? mapa.text(0) : std::string();
          mapa.close();
          if (c.empty()) c = "99999";
          add(n, material, c, qtde * percentual / 100 * consumo, unit);
        }
      }
      itens.close();
      rows = result.size();
      benchmark::DoNotOptimize(rows);
    }
  }
  st.dispose();
  state.counters["rows"] = static_cast<double>(rows);
  state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_Floor)
    ->Arg(2000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
