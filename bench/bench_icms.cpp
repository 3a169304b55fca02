// The cost of the ICMS calculations of one invoice item on the embedded
// engine: CalculaSubstituicaoTributariaICMS (one rule look-up through the
// customer's address) and CalculaDIFALICMS (nature, customer, rule, the own
// state's reduction and rate), each against a floor written directly on the
// Firebird API: the same statements prepared once, their codes bound.
#include <benchmark/benchmark.h>
#include <firebird/Interface.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_database.hpp"
#include "bench_floor.hpp"
#include "billing/icms.hpp"
#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"

namespace {

using namespace zpk;

constexpr int kCustomers = 1000;
constexpr int kClassifications = 200;
constexpr int kCalls = 5000;
const char* const kStates[] = {"RJ", "MG", "BA", "SC", "PR"};

std::string code_of(const char* prefix, int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%s%05d", prefix, i);
  return buf;
}

// 1,000 customers in five states (half taxpayers, half final consumers), 200
// classifications with a substitution rule and a DIFAL rule per state and
// kind, and the company's own reduction in São Paulo for every other one.
bench::BenchDatabase& bench_db() {
  static bench::BenchDatabase instance("icms", [](TTIDatabase& setup) {
    TTIQuery q(setup);
    const double rates[][3] = {{12, 20, 2}, {12, 18, 2}, {7, 20.5, 2}, {12, 17, 0}, {12, 19.5, 0}};
    for (int s = 0; s < 5; ++s) {
      q.SQL.Text = "INSERT INTO TABUF_001 (SIGLA_EST, ALIQUOTA, ALIQ_INT, PERC_FCP) VALUES (:UF, :A, :I, :F)";
      q.ParamByName("UF").AsString = kStates[s];
      q.ParamByName("A").AsFloat = rates[s][0];
      q.ParamByName("I").AsFloat = rates[s][1];
      q.ParamByName("F").AsFloat = rates[s][2];
      q.ExecSQL();
      q.SQL.Text = "INSERT INTO CIDADE_001 (COD_CID, NOME_CID, COD_EST) VALUES (:C, 'CIDADE', :UF)";
      q.ParamByName("C").AsString = std::string("C") + kStates[s];
      q.ParamByName("UF").AsString = kStates[s];
      q.ExecSQL();
      q.SQL.Text = "INSERT INTO CADCEP_001 (CEP, COD_CID) VALUES (:CEP, :C)";
      q.ParamByName("CEP").AsString = std::string("CEP-") + kStates[s];
      q.ParamByName("C").AsString = std::string("C") + kStates[s];
      q.ExecSQL();
    }
    q.SQL.Text = "INSERT INTO TABUF_001 (SIGLA_EST, ALIQUOTA, ALIQ_INT, PERC_FCP) VALUES ('SP', 18, 18, 0)";
    q.ExecSQL();
    q.SQL.Text =
        "INSERT INTO NATUREZA_001 (NATUREZA, TIPO, CONS_FINAL, CFOP) VALUES ('6108', 'V', 'S', '6108')";
    q.ExecSQL();
    q.SQL.Text =
        "INSERT INTO ENTIDADE_001 (CODCLI, NOME, TIPO, SIMPLES, CEP) VALUES (:CODCLI, 'CLIENTE', :TIPO, "
        ":SIMPLES, "
        ":CEP)";
    for (int i = 0; i < kCustomers; ++i) {
      q.ParamByName("CODCLI").AsString = code_of("C", i);
      q.ParamByName("TIPO").AsString = i % 2 == 0 ? "2" : "1";
      q.ParamByName("SIMPLES").AsString = i % 2 == 0 ? "N" : "M";
      q.ParamByName("CEP").AsString = std::string("CEP-") + kStates[i % 5];
      q.ExecSQL();
    }
    q.SQL.Text =
        "INSERT INTO REDUCAO_001 (TABFIS, ESTADO, TIPO, TRIBUTACAO, TP_OPER, MOD_CALC, REDUCAO, PERC_FCP) "
        "VALUES (:TABFIS, :UF, :TIPO, :TRIB, 'V', :MODO, :REDUCAO, 0)";
    for (int t = 0; t < kClassifications; ++t) {
      for (int s = 0; s < 5; ++s) {
        q.ParamByName("TABFIS").AsString = code_of("N", t);
        q.ParamByName("UF").AsString = kStates[s];
        q.ParamByName("TIPO").AsString = "2";
        q.ParamByName("TRIB").AsString = "N";
        q.ParamByName("MODO").AsString = "4";
        q.ParamByName("REDUCAO").AsFloat = 0.40;
        q.ExecSQL();
        q.ParamByName("TIPO").AsString = "1";
        q.ParamByName("TRIB").AsString = "M";
        q.ParamByName("MODO").AsString = t % 2 == 0 ? "7" : "6";
        q.ParamByName("REDUCAO").AsFloat = 18;
        q.ExecSQL();
      }
      if (t % 2 == 0) {
        q.ParamByName("UF").AsString = "SP";
        q.ParamByName("TIPO").AsString = "2";
        q.ParamByName("TRIB").AsString = "N";
        q.ParamByName("MODO").AsString = "9";
        q.ParamByName("REDUCAO").AsFloat = 41.67;
        q.ExecSQL();
      }
    }
  });
  // The company sells from São Paulo under the normal regime.
  static const std::string kOwnState = "SP", kCrt = "3";
  Tabela.company.state = kOwnState;
  Tabela.company.crt = kCrt;
  return instance;
}

// Taxpayers (even numbers) for substitution, final consumers (odd) for DIFAL.
std::string taxpayer(int i) {
  return code_of("C", (i * 2) % kCustomers);
}
std::string consumer(int i) {
  return code_of("C", (i * 2 + 1) % kCustomers);
}
std::string classification(int i) {
  return code_of("N", i % kClassifications);
}

const char* const kJoins =
    " FROM ENTIDADE_001 ENTIDADE"
    " INNER JOIN CADCEP_001 CADCEP ON (ENTIDADE.CEP = CADCEP.CEP)"
    " INNER JOIN CIDADE_001 CIDADE ON (CADCEP.COD_CID = CIDADE.COD_CID)"
    " INNER JOIN TABUF_001 TABUF ON (CIDADE.COD_EST = TABUF.SIGLA_EST)";

void BM_CalculaSubstituicaoTributariaICMS(benchmark::State& state) {
  bench_db();
  int i = 0;
  for (auto _ : state) {
    double base_st = 1000, mva = 0, fcp = 0;
    std::string natureza, tabtrib, destaca;
    benchmark::DoNotOptimize(CalculaSubstituicaoTributariaICMS(
        classification(i), taxpayer(i), "", 1000, 12, 10, base_st, mva, fcp, natureza, tabtrib, destaca));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CalculaSubstituicaoTributariaICMS)->Iterations(kCalls);

// The rule look-up of the substitution, prepared once.
void BM_Floor_SubstituicaoTributaria(benchmark::State& state) {
  bench_db();
  Firebird::CheckStatusWrapper st(Firebird::fb_get_master_interface()->getStatus());
  {
    bench::FloorStatement rule(
        st,
        std::string(
            "SELECT REDUCAO.MOD_CALC, REDUCAO.ALIQ_INT, REDUCAO.ALIQ_ST, REDUCAO.REDUCAO, REDUCAO.RED_ST,"
            " REDUCAO.PERC_FCP, REDUCAO.NATUREZA, REDUCAO.DESTACA_IMP, REDUCAO.TABTRIB,"
            " TABUF.PERC_FCP AS UF_PERC_FCP, TABUF.ALIQUOTA AS UF_ALIQUOTA, TABUF.ALIQ_INT AS UF_ALIQ_INT,"
            " ENTIDADE.ALIQ_ST AS CLI_ALIQ_ST") +
            kJoins +
            " INNER JOIN REDUCAO_001 REDUCAO ON (REDUCAO.TABFIS = CAST(? AS VARCHAR(1000))"
            " AND REDUCAO.ESTADO = CIDADE.COD_EST AND REDUCAO.TIPO = ENTIDADE.TIPO"
            " AND REDUCAO.TRIBUTACAO = ENTIDADE.SIMPLES)"
            " WHERE ENTIDADE.CODCLI = CAST(? AS VARCHAR(1000)) AND REDUCAO.TP_OPER = CAST(? AS VARCHAR(1000))"
            " AND (REDUCAO.MOD_CALC IN ('0','1','2','3','4','5') OR REDUCAO.MOD_CALC IS NULL)");
    int i = 0;
    for (auto _ : state) {
      benchmark::DoNotOptimize(rule.lookup({classification(i), taxpayer(i), "V"}));
      ++i;
    }
  }
  st.dispose();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Floor_SubstituicaoTributaria)->Iterations(kCalls);

void BM_CalculaDIFALICMS(benchmark::State& state) {
  bench_db();
  int i = 0;
  for (auto _ : state) {
    double fcp, difal, base, aliq;
    benchmark::DoNotOptimize(
        CalculaDIFALICMS("6108", consumer(i), classification(i), 12, 1000, 0, fcp, difal, base, aliq));
    benchmark::DoNotOptimize(difal);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CalculaDIFALICMS)->Iterations(kCalls);

// DIFAL's look-ups prepared once: the nature, the customer with the state's
// rates, the rule, the own state's reduction and, where there is one, the own
// state's rate.
void BM_Floor_DIFAL(benchmark::State& state) {
  bench_db();
  Firebird::CheckStatusWrapper st(Firebird::fb_get_master_interface()->getStatus());
  {
    bench::FloorStatement nature(
        st, "SELECT CONS_FINAL, TIPO, CFOP FROM NATUREZA_001 WHERE NATUREZA = CAST(? AS VARCHAR(1000))");
    bench::FloorStatement customer(
        st, std::string("SELECT ENTIDADE.INSCRICAO, CIDADE.COD_EST, TABUF.ALIQUOTA, TABUF.ALIQ_INT,"
                        " TABUF.PERC_FCP, ENTIDADE.TIPO, ENTIDADE.SIMPLES") +
                kJoins + " WHERE ENTIDADE.CODCLI = CAST(? AS VARCHAR(1000))");
    bench::FloorStatement rule(
        st,
        "SELECT ALIQ_ST, ALIQ_INT, PERC_FCP, REDUCAO, MOD_CALC FROM REDUCAO_001"
        " WHERE TABFIS = CAST(? AS VARCHAR(1000)) AND ESTADO = ? AND TIPO = ? AND TRIBUTACAO = ?"
        " AND TP_OPER = ? AND MOD_CALC IN ('6','7')");
    bench::FloorStatement reduction(
        st,
        "SELECT REDUCAO FROM REDUCAO_001 WHERE TABFIS = CAST(? AS VARCHAR(1000)) AND ESTADO = ?"
        " AND TIPO = '2' AND TRIBUTACAO = 'N' AND TP_OPER = 'V' AND MOD_CALC = '9'");
    bench::FloorStatement own_rate(st, "SELECT ALIQUOTA FROM TABUF_001 WHERE SIGLA_EST = ?");
    int i = 0;
    for (auto _ : state) {
      const std::string tabfis = classification(i);
      nature.lookup({"6108"});
      const std::string tipo = nature.text(1);
      customer.lookup({consumer(i)});
      rule.lookup({tabfis, customer.text(1), customer.text(5), customer.text(6), tipo});
      double r = 0;
      if (reduction.lookup({tabfis, "SP"})) r = reduction.number(0);
      if (r > 0) own_rate.lookup({"SP"});
      benchmark::DoNotOptimize(r);
      ++i;
    }
  }
  st.dispose();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Floor_DIFAL)->Iterations(kCalls);

}  // namespace
