// The order block of one customer with 1,000 open titles and 200 open orders
// (among five other customers of 1,000 titles each): BloqueioPedidoFinanceiro
// with every check switched on and none holding (so every statement runs and
// no dialog is shown), against the floor of its aggregate statements run
// directly, each prepared once on the connection and bound: open titles of
// the CNPJ, open orders, advances, return credits, overdue titles, the last
// invoice. Embedded engine, company 001.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_database.hpp"
#include "billing/fat_cliente.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"

namespace {

using namespace zpk;

constexpr int kTitles = 1000;
constexpr int kOrders = 200;
constexpr int kOtherCustomers = 5;

void exec(TTIDatabase& db, const std::string& sql) {
  TTIQuery q(db);
  q.SQL.Add(sql);
  q.ExecSQL();
}

bench::BenchDatabase& bench_db() {
  static bench::BenchDatabase instance("fat_cliente", [](TTIDatabase& setup) {
    for (const char* p : {"(30, 'VEN', 'S')", "(40, 'VEN', 'S')", "(50, 'VEN', 'S')", "(60, 'VEN', '30')",
                          "(240, 'VEN', '365')", "(90, 'FIN', 'N')", "(130, 'FIN', 'S')"}) {
      exec(setup, std::string("INSERT INTO EMP_PARAM (CODIGO, TIPO, VALOR, EMPRESA) VALUES ") +
                      std::string(p).insert(std::string(p).size() - 1, ", '001'"));
    }
    for (int c = 0; c <= kOtherCustomers; ++c) {
      TTIQuery cli(setup);
      cli.SQL.Add(
          "INSERT INTO ENTIDADE_001 (CODCLI, NOME, CNPJ, CREDITO) VALUES (:C, 'BENCH', :CNPJ, 1000000)");
      cli.ParamByName("C").AsString = "B" + std::to_string(c);
      cli.ParamByName("CNPJ").AsString = "10.000.000/000" + std::to_string(c) + "-00";
      cli.ExecSQL();
    }
    TTIQuery t(setup);
    t.SQL.Add(
        "INSERT INTO RECEBER_001 (NUMERO, CODCLI, VALOR2, JUROS, VALOR_PAGO, VAL_DEV, DESCONTO, STATUS, "
        "SITUACAO, DT_VENCTO, DT_EMISSAO) VALUES (:N, :C, :V, 0.10, 1.05, 0, 0.02, :S, '', :VENC, :EMIS)");
    for (int c = 0; c <= kOtherCustomers; ++c) {
      for (int i = 0; i < kTitles; ++i) {
        t.ParamByName("N").AsString = "B" + std::to_string(c) + "/" + std::to_string(i);
        t.ParamByName("C").AsString = "B" + std::to_string(c);
        t.ParamByName("V").AsCurrency = Currency(100 + i * 0.37);
        t.ParamByName("S").AsString = i % 50 == 0 ? "A" : (i % 50 == 1 ? "DV" : (i % 10 == 2 ? "CH" : "N"));
        t.ParamByName("VENC").AsDate = Date() + 1 + i % 90;  // none overdue: the check reads them all
        t.ParamByName("EMIS").AsDate = Date() - i % 200;
        t.ExecSQL();
      }
    }
    TTIQuery p(setup);
    p.SQL.Add("INSERT INTO PEDIDO_001 (NUMERO, CODCLI, PER_DESC) VALUES (:N, 'B0', :D)");
    TTIQuery item(setup);
    item.SQL.Add("INSERT INTO PED_ITEN_001 (NUMERO, QTDE, PRECO, IPI) VALUES (:N, :Q, :P, :I)");
    for (int o = 0; o < kOrders; ++o) {
      p.ParamByName("N").AsString = "BP" + std::to_string(o);
      p.ParamByName("D").AsCurrency = Currency(o % 7);
      p.ExecSQL();
      for (int i = 0; i < 3; ++i) {
        item.ParamByName("N").AsString = "BP" + std::to_string(o);
        item.ParamByName("Q").AsCurrency = Currency(1 + i);
        item.ParamByName("P").AsCurrency = Currency(10.25 + i);
        item.ParamByName("I").AsCurrency = Currency(i * 5);
        item.ExecSQL();
      }
    }
  });
  return instance;
}

void BM_BloqueioPedidoFinanceiro(benchmark::State& state) {
  bench_db();
  std::string cod;
  for (auto _ : state) {
    if (BloqueioPedidoFinanceiro("NOVO", "B0", 100, cod)) state.SkipWithError("the customer was blocked");
  }
}
BENCHMARK(BM_BloqueioPedidoFinanceiro)->Unit(benchmark::kMicrosecond);

// One statement with fixed text (prepared on the first run, bound
// afterwards): the sum of `column` over its rows, or their count.
double run_sum(const char* sql, const char* key, const std::string& value, const char* column) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(sql);
  q.ParamByName(key).AsString = value;
  if (q.FindParam("HOJE")) q.ParamByName("HOJE").AsDate = Date();
  q.Open();
  double total = 0;
  for (; !q.Eof(); q.Next()) total += column != nullptr ? q.FieldByName(column).AsFloat() : 1;
  return total;
}

void BM_Floor_AggregateStatements(benchmark::State& state) {
  bench_db();
  const std::string cnpj = "10.000.000/0000-00";
  for (auto _ : state) {
    double x = run_sum(
        "SELECT SUM(RECEBER.VALOR2 + RECEBER.JUROS - RECEBER.VALOR_PAGO - RECEBER.VAL_DEV - "
        "RECEBER.DESCONTO) AS A "
        "FROM RECEBER_001 RECEBER INNER JOIN ENTIDADE_001 ENTIDADE ON (ENTIDADE.CODCLI = RECEBER.CODCLI) "
        "WHERE ENTIDADE.CNPJ = :CNPJ AND COALESCE(RECEBER.SITUACAO, '') <> 'P' AND ((RECEBER.VALOR2 + "
        "RECEBER.JUROS) > (RECEBER.VALOR_PAGO + RECEBER.DESCONTO + RECEBER.VAL_DEV)) AND RECEBER.STATUS IN "
        "('N','CH','CD')",
        "CNPJ", cnpj, "A");
    x += run_sum(
        "SELECT PEDIDO.NUMERO, PEDIDO.PER_DESC, SUM(PED_ITEN.QTDE * PED_ITEN.PRECO) AS VALOR, "
        "SUM(((PED_ITEN.QTDE * PED_ITEN.PRECO)/100)*PED_ITEN.IPI) AS VAL_IPI FROM PEDIDO_001 PEDIDO "
        "INNER JOIN PED_ITEN_001 PED_ITEN ON (PEDIDO.NUMERO = PED_ITEN.NUMERO) WHERE PEDIDO.CODCLI = :C "
        "GROUP BY PEDIDO.PER_DESC, PEDIDO.NUMERO HAVING SUM(PED_ITEN.QTDE) > 0",
        "C", "B0", "VALOR");
    for (const char* status : {"A", "DV"}) {
      x += run_sum(
          (std::string("SELECT SUM(RECEBER.VALOR2 + RECEBER.JUROS - RECEBER.VALOR_PAGO - RECEBER.VAL_DEV - "
                       "RECEBER.DESCONTO) AS A FROM RECEBER_001 RECEBER WHERE RECEBER.CODCLI = :C AND "
                       "COALESCE(RECEBER.SITUACAO, '') <> 'P' AND RECEBER.STATUS = '") +
           status + "'")
              .c_str(),
          "C", "B0", "A");
    }
    x += run_sum(
        "SELECT RECEBER.NUMERO FROM RECEBER_001 RECEBER INNER JOIN ENTIDADE_001 ENTIDADE ON (RECEBER.CODCLI "
        "= "
        "ENTIDADE.CODCLI) WHERE (RECEBER.VALOR2 - RECEBER.DESCONTO + RECEBER.JUROS - RECEBER.VAL_DEV - "
        "RECEBER.VALOR_PAGO) > 0 AND ENTIDADE.CNPJ = :CNPJ AND RECEBER.STATUS = 'N' AND RECEBER.DT_VENCTO < "
        ":HOJE",
        "CNPJ", cnpj, nullptr);
    x += run_sum(
        "SELECT CAST(COALESCE(MAX(RECEBER.DT_EMISSAO), DATE '1980-01-01') AS DATE) DT_EMISSAO FROM "
        "RECEBER_001 "
        "RECEBER INNER JOIN ENTIDADE_001 ENTIDADE ON (RECEBER.CODCLI = ENTIDADE.CODCLI) WHERE RECEBER.STATUS "
        "= 'N' "
        "AND ENTIDADE.CNPJ = :CNPJ",
        "CNPJ", cnpj, "DT_EMISSAO");
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_Floor_AggregateStatements)->Unit(benchmark::kMicrosecond);

}  // namespace
