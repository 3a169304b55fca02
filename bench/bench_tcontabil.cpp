// An incoming invoice of 50 items through the accounting composer: gathered
// item by item (each item's material group has a rule that splits it 60/40
// over two expense accounts, each account over two cost centres), confirmed
// (no form: every account is valid) and written (two postings, four
// cost-centre rows) and committed, per second. Against a floor of the same
// statements run directly on the Firebird API, each prepared once and bound:
// the parameters, the nature and the entity; per item the material's group,
// the item's own rule, the group's rule and the two accounts' cost-centre
// rules; per posting the account checks, its next ORDEM and its insert; the
// cost-centre inserts; the commit. Embedded engine, company 001.
#include <benchmark/benchmark.h>
#include <firebird/Interface.h>

#include <string>
#include <vector>

#include "accounting/tcontabil.hpp"
#include "bench_database.hpp"
#include "bench_floor.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"

namespace {

using namespace zpk;

constexpr int kItems = 50;
constexpr int kGroups = 5;

void exec(TTIDatabase& db, const std::string& sql) {
  TTIQuery q(db);
  q.SQL.Add(sql);
  q.ExecSQL();
}

std::string material(int i) {
  return "MB" + std::to_string(100 + i);
}

bench::BenchDatabase& bench_db() {
  static bench::BenchDatabase instance("tcontabil", [](TTIDatabase& setup) {
    for (const char* p : {"(30, 'FIN', 'S')", "(40, 'FIN', 'S')", "(70, 'FIN', 'N')"}) {
      exec(setup, std::string("INSERT INTO EMP_PARAM (CODIGO, TIPO, VALOR, EMPRESA) VALUES ") +
                      std::string(p).insert(std::string(p).size() - 1, ", '001'"));
    }
    exec(setup,
         "INSERT INTO CONTA_CONT_001 (CODIGO, DESCRICAO, CT_RESULT) VALUES ('B.FORN', 'FORNECEDOR', 'N')");
    exec(setup,
         "INSERT INTO CONTA_CONT_001 (CODIGO, DESCRICAO, CT_RESULT) VALUES ('B.E1', 'DESPESA 1', 'S')");
    exec(setup,
         "INSERT INTO CONTA_CONT_001 (CODIGO, DESCRICAO, CT_RESULT) VALUES ('B.E2', 'DESPESA 2', 'S')");
    exec(setup,
         "INSERT INTO ENTIDADE_001 (CODCLI, NOME, CONTAD) VALUES ('B00001', 'FORNECEDOR BENCH', 'B.FORN')");
    exec(setup, "INSERT INTO NATUREZA_001 (NATUREZA, TIPO, NAT_CONT) VALUES ('B1101', 'E', 'BN')");
    exec(setup,
         "INSERT INTO NAT_CONTA_001 (CODIGO, TIPO, CONTA_C, CONTA_D) VALUES ('BN', 'VF', '0', 'B.E1')");
    for (const char* c : {"C1", "C2", "C3", "C4"}) {
      exec(setup,
           std::string("INSERT INTO CENTROCUSTO_001 (CODIGO, DESCRICAO) VALUES ('") + c + "', 'CENTRO')");
    }
    TTIQuery rule(setup);
    rule.SQL.Add("INSERT INTO CONT_RATEIO_001 (CODIGO, TIPO, CONTA, PERC_CONTA, CCUSTO, PERC_CCUSTO)");
    rule.SQL.Add("VALUES (:G, 'GM', :C, :P, :CC, :PC)");
    for (int g = 0; g < kGroups; ++g) {
      const struct {
        const char* conta;
        double perc;
        const char* cc;
        double perc_cc;
      } kRows[] = {
          {"B.E1", 60, "C1", 70}, {"B.E1", 60, "C2", 30}, {"B.E2", 40, "C3", 50}, {"B.E2", 40, "C4", 50}};
      for (const auto& r : kRows) {
        rule.ParamByName("G").AsString = "G" + std::to_string(g);
        rule.ParamByName("C").AsString = r.conta;
        rule.ParamByName("P").AsFloat = r.perc;
        rule.ParamByName("CC").AsString = r.cc;
        rule.ParamByName("PC").AsFloat = r.perc_cc;
        rule.ExecSQL();
      }
    }
    TTIQuery mat(setup);
    mat.SQL.Add("INSERT INTO MATERIAL_001 (CODIGO, DESCRICAO, GRUPO, CDCENTRO) VALUES (:C, 'FIO', :G, 'C1')");
    for (int i = 0; i < kItems; ++i) {
      mat.ParamByName("C").AsString = material(i);
      mat.ParamByName("G").AsString = "G" + std::to_string(i % kGroups);
      mat.ExecSQL();
    }
  });
  return instance;
}

std::vector<std::string> items() {
  std::vector<std::string> list;
  for (int i = 0; i < kItems; ++i) list.push_back("M;" + material(i) + ";" + std::to_string(10 + i) + ",37");
  return list;
}

double total() {
  double sum = 0;
  for (int i = 0; i < kItems; ++i) sum += 10 + i + 0.37;
  return sum;
}

void BM_TContabil_Invoice50Items(benchmark::State& state) {
  bench_db();
  const std::vector<std::string> itens = items();
  const TDateTime data = EncodeDate(2026, 3, 10);
  static int n = 0;  // a fresh invoice each time, across runs
  for (auto _ : state) {
    const std::string nota = "A" + std::to_string(n++);
    TContabil contabil;
    contabil.SetContabilidadeFiscal(nota, "E", "B1101", "B00001", "", "VF", total(), data, &itens);
    if (!contabil.ConfirmaDadosContabilidade(Currency(total()))) state.SkipWithError("not confirmed");
    contabil.GravaContabilidadeFiscal("F" + nota, false);
    Tabela.IBTransaction.CommitRetaining();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TContabil_Invoice50Items)->Unit(benchmark::kMillisecond)->MinTime(2.0);

#define P(n) "CAST(? AS VARCHAR(" #n "))"

void BM_Floor_Invoice50Items(benchmark::State& state) {
  bench_db();
  Firebird::CheckStatusWrapper st(Firebird::fb_get_master_interface()->getStatus());
  {
    bench::FloorStatement param(
        st, "SELECT VALOR FROM EMP_PARAM WHERE CODIGO = " P(10) " AND TIPO = " P(10) " AND EMPRESA = '001'");
    bench::FloorStatement nature(
        st,
        "SELECT NATUREZA.NAT_CONT, NATUREZA.TIPO, NAT_CONTA.CONTA_D, NAT_CONTA.CONTA_C FROM NATUREZA_001 "
        "NATUREZA INNER JOIN NAT_CONTA_001 NAT_CONTA ON (NAT_CONTA.CODIGO = NATUREZA.NAT_CONT AND "
        "NAT_CONTA.TIPO = " P(10) ") WHERE NATUREZA.NATUREZA = " P(10));
    bench::FloorStatement entity(st, "SELECT NOME, CONTAC, CONTAD FROM ENTIDADE_001 WHERE CODCLI = " P(10));
    bench::FloorStatement group(st, "SELECT GRUPO FROM MATERIAL_001 WHERE CODIGO = " P(20));
    bench::FloorStatement rule(st, "SELECT DISTINCT CONTA, PERC_CONTA FROM CONT_RATEIO_001 WHERE CODIGO = " P(
                                       20) " AND TIPO = " P(2));
    bench::FloorStatement centres(
        st,
        "SELECT CONT_RATEIO.CCUSTO, CONT_RATEIO.PERC_CCUSTO, CENTROCUSTO.DESCRICAO FROM CONT_RATEIO_001 "
        "CONT_RATEIO LEFT OUTER JOIN CENTROCUSTO_001 CENTROCUSTO ON (CONT_RATEIO.CCUSTO = "
        "CENTROCUSTO.CODIGO) WHERE CONT_RATEIO.CODIGO = " P(20) " AND CONT_RATEIO.CONTA = " P(
            20) " AND CONT_RATEIO.TIPO = " P(2) " AND CONT_RATEIO.TIPO_VAL = " P(2));
    bench::FloorStatement account(st, "SELECT CODIGO FROM CONTA_CONT_001 WHERE CODIGO = " P(20));
    bench::FloorStatement result(
        st, "SELECT CODIGO FROM CONTA_CONT_001 WHERE CODIGO = " P(20) " AND CT_RESULT = 'S'");
    bench::FloorStatement ordem(st, "SELECT MAX(ORDEM) FROM CONTABIL_001 WHERE LANCAMENTO = " P(20));
    bench::FloorStatement posting(st,
                     "INSERT INTO CONTABIL_001 (LANCAMENTO, ORDEM, DOCTO, NUMERO, DATA, DATA_LAN, VALOR, OPERACAO, "
                     "CONTA_D, CONTA_C, CONTA_R, TIPO, OBSERVACAO, CODCLI) VALUES (" P(20) ", " P(10) ", " P(20)
                     ", " P(20) ", " P(10) ", " P(10) ", " P(20) ", " P(1) ", " P(20) ", " P(20) ", " P(20) ", " P(2)
                     ", " P(200) ", " P(10) ")");
    bench::FloorStatement split(
        st,
        "INSERT INTO CENTRO_RATEIO_001 (LANCAMENTO, ORDEM, CONTA, NUMERO, TIPO, CENTROCUSTO, PERC_RAT, "
        "VALOR_RAT) VALUES (" P(20) ", " P(10) ", " P(20) ", " P(20) ", " P(2) ", " P(10) ", " P(20) ", " P(
            20) ")");
    static int n = 0;  // the runner may call the benchmark more than once
    for (auto _ : state) {
      const std::string nota = "B" + std::to_string(n++);
      const std::string key = "F" + nota;
      // What the composer asks of the parameters along the way.
      for (const char* c : {"40", "30", "40", "30", "40", "40", "30", "40"}) param.run({c, "FIN"});
      nature.run({"VF", "B1101"});
      entity.run({"B00001"});
      entity.run({"B00001"});
      for (int i = 0; i < kItems; ++i) {
        group.run({material(i)});
        rule.run({material(i), "M"});
        rule.run({"G" + std::to_string(i % kGroups), "GM"});
        centres.run({"G" + std::to_string(i % kGroups), "B.E1", "GM", "VF"});
        centres.run({"G" + std::to_string(i % kGroups), "B.E2", "GM", "VF"});
      }
      const char* const kAccounts[] = {"B.E1", "B.E2"};
      for (const char* conta : kAccounts) {  // rounding: the result accounts
        result.run({conta});
        result.run({"B.FORN"});
      }
      for (const char* conta : kAccounts) {  // confirmation: the accounts exist
        account.run({"B.FORN"});
        account.run({conta});
      }
      int written = 0;
      for (const char* conta : kAccounts) {
        result.run({conta});
        ordem.run({key});
        ++written;
        posting.run({key, std::to_string(written), nota, nota, "2026-03-10", "2026-03-10", "500.25", "+",
                     conta, "B.FORN", conta, "EF", "NF." + nota + " de FORNECEDOR BENCH", "B00001"});
        for (int c = 0; c < 2; ++c) {
          split.run({key, std::to_string(written), conta, nota, "EF",
                     "C" + std::to_string(written * 2 + c - 1), "50", "250.12"});
        }
      }
      Tabela.IBTransaction.CommitRetaining();
    }
  }
  st.dispose();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Floor_Invoice50Items)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
