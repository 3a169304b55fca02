// The cost of the ICMS calculations of one invoice item on the embedded
// engine: CalculaSubstituicaoTributariaICMS (one rule look-up through the
// customer's address) and CalculaDIFALICMS (nature, customer, rule, the own
// state's reduction and rate), each against a floor written directly on the
// Firebird API: the same statements prepared once, their codes bound.
#include <benchmark/benchmark.h>
#include <firebird/Interface.h>
#include <ibase.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_database.hpp"
#include "billing/icms.hpp"
#include "platform/db/database.hpp"
#include "platform/db/detail/engine_handles.hpp"
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

void check(Firebird::CheckStatusWrapper& st) {
  if (st.getState() & Firebird::IStatus::STATE_ERRORS) {
    char msg[512];
    Firebird::fb_get_master_interface()->getUtilInterface()->formatStatus(msg, sizeof msg, &st);
    throw std::runtime_error(msg);
  }
}

// One statement prepared once on the shared connection; `run` binds its text
// parameters and fetches the first row, as the routines read their look-ups.
class PreparedLookup {
 public:
  PreparedLookup(Firebird::CheckStatusWrapper& st, const std::string& sql) : st_(st) {
    att_ = detail::engine_attachment(Tabela.IBDatabase);
    tra_ = detail::engine_transaction(Tabela.IBDatabase.DefaultTransaction());
    stmt_ = att_->prepare(&st_, tra_, 0, sql.c_str(), SQL_DIALECT_V6,
                          Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    check(st_);
    in_ = stmt_->getInputMetadata(&st_);
    out_ = stmt_->getOutputMetadata(&st_);
    check(st_);
    in_buf_.resize(in_->getMessageLength(&st_));
    out_buf_.resize(out_->getMessageLength(&st_));
  }
  ~PreparedLookup() {
    in_->release();
    out_->release();
    stmt_->free(&st_);
  }
  PreparedLookup(const PreparedLookup&) = delete;
  PreparedLookup& operator=(const PreparedLookup&) = delete;

  // True when a row came back; its first column, when a DOUBLE, in `first`.
  bool run(const std::vector<std::string>& params, double* first = nullptr) {
    for (unsigned i = 0; i < params.size(); ++i) {
      const uint16_t len = static_cast<uint16_t>(params[i].size());
      unsigned char* p = in_buf_.data() + in_->getOffset(&st_, i);
      std::memcpy(p, &len, 2);
      std::memcpy(p + 2, params[i].data(), len);
      *reinterpret_cast<int16_t*>(in_buf_.data() + in_->getNullOffset(&st_, i)) = 0;
    }
    Firebird::IResultSet* rs = stmt_->openCursor(&st_, tra_, in_, in_buf_.data(), out_, 0);
    check(st_);
    const bool found = rs->fetchNext(&st_, out_buf_.data()) == Firebird::IStatus::RESULT_OK;
    check(st_);
    if (found && first != nullptr)
      std::memcpy(first, out_buf_.data() + out_->getOffset(&st_, 0), sizeof(double));
    rs->close(&st_);
    check(st_);
    return found;
  }
  // A text column of the fetched row.
  std::string text(unsigned column) {
    uint16_t len;
    const unsigned char* p = out_buf_.data() + out_->getOffset(&st_, column);
    std::memcpy(&len, p, 2);
    return {reinterpret_cast<const char*>(p + 2), len};
  }

 private:
  Firebird::CheckStatusWrapper& st_;
  Firebird::IAttachment* att_;
  Firebird::ITransaction* tra_;
  Firebird::IStatement* stmt_;
  Firebird::IMessageMetadata* in_;
  Firebird::IMessageMetadata* out_;
  std::vector<unsigned char> in_buf_, out_buf_;
};

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
    PreparedLookup rule(
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
      benchmark::DoNotOptimize(rule.run({classification(i), taxpayer(i), "V"}));
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
    PreparedLookup nature(
        st, "SELECT CONS_FINAL, TIPO, CFOP FROM NATUREZA_001 WHERE NATUREZA = CAST(? AS VARCHAR(1000))");
    PreparedLookup customer(
        st, std::string("SELECT ENTIDADE.INSCRICAO, CIDADE.COD_EST, TABUF.ALIQUOTA, TABUF.ALIQ_INT,"
                        " TABUF.PERC_FCP, ENTIDADE.TIPO, ENTIDADE.SIMPLES") +
                kJoins + " WHERE ENTIDADE.CODCLI = CAST(? AS VARCHAR(1000))");
    PreparedLookup rule(
        st,
        "SELECT ALIQ_ST, ALIQ_INT, PERC_FCP, REDUCAO, MOD_CALC FROM REDUCAO_001"
        " WHERE TABFIS = CAST(? AS VARCHAR(1000)) AND ESTADO = ? AND TIPO = ? AND TRIBUTACAO = ?"
        " AND TP_OPER = ? AND MOD_CALC IN ('6','7')");
    PreparedLookup reduction(
        st,
        "SELECT REDUCAO FROM REDUCAO_001 WHERE TABFIS = CAST(? AS VARCHAR(1000)) AND ESTADO = ?"
        " AND TIPO = '2' AND TRIBUTACAO = 'N' AND TP_OPER = 'V' AND MOD_CALC = '9'");
    PreparedLookup own_rate(st, "SELECT ALIQUOTA FROM TABUF_001 WHERE SIGLA_EST = ?");
    int i = 0;
    for (auto _ : state) {
      const std::string tabfis = classification(i);
      nature.run({"6108"});
      const std::string tipo = nature.text(1);
      customer.run({consumer(i)});
      rule.run({tabfis, customer.text(1), customer.text(5), customer.text(6), tipo});
      double r = 0;
      if (reduction.run({tabfis, "SP"}, &r) && r > 0) own_rate.run({"SP"});
      benchmark::DoNotOptimize(r);
      ++i;
    }
  }
  st.dispose();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Floor_DIFAL)->Iterations(kCalls);

}  // namespace
