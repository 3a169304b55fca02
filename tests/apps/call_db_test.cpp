// `zpk call` on a copy of the demo database, run in-process as the shell runs
// it: routines that read the database take their own arguments in order,
// session values come from --set, and a stock posting keeps what its own
// Commit argument says.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_zpk.hpp"
#include "support/database_fixture.hpp"

namespace zpk::test {
namespace {

namespace fs = std::filesystem;

class ZpkCallDb : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { database_ = new fs::path(fresh_database("zpk-call")); }
  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove(*database_, ec);
    delete database_;
    database_ = nullptr;
  }

  // `zpk call --db <copy> --usuario ADMIN ARGS...`
  static ZpkRun call(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"call", "--db", database_->string(), "--usuario", "ADMIN"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_zpk(argv);
  }

  // `zpk ARGS... --db <copy>` (a sub-command other than call).
  static ZpkRun command(std::vector<std::string> args) {
    args.insert(args.end(), {"--db", database_->string()});
    return run_zpk(args);
  }

  // The balance of the demo fabric in lot 000101 of deposit 0001.
  static std::string balance() {
    return call({"QtdeEstoque", "TEC-001", "01", "0", "000101", "0001", "1", "P"}).out;
  }

 private:
  static fs::path* database_;
};

fs::path* ZpkCallDb::database_ = nullptr;

TEST_F(ZpkCallDb, RoutinesTakeTheirOwnArgumentsAndSessionValuesFromSet) {
  const struct {
    std::vector<std::string> args;
    std::string out;
  } kCases[] = {
      // DBLocal's Flag has no effect; the company override is the session's.
      {{"DBLocal", "pedido", "False"}, "pedido_001\n"},
      {{"DBLocal", "pedido"}, "pedido_001\n"},
      {{"--set", "vEmpresa_Atual=_002", "DBLocal", "pedido", "False"}, "pedido_002\n"},
      // The quantity is the fourth argument, after the var unit.
      {{"ConverteUnidade", "DZ", "UN", "-", "2"}, "24\nUnResultado=UN\n"},
      // The password is the session's, not an argument.
      {{"--set", "vSenha=vendas", "NomeUsuarioSenha"}, "VENDEDOR\n"},
      {{"NomeUsuarioSenha"}, "\n"},
      // The order this station already holds: nothing changes, and the lock stays the station's.
      {{"--set", "sPedidoLocado=000001", "PedidoLocado", "000001", "1"}, "False\nsPedidoLocado=000001\n"},
      {{"--answer", "admin", "--set", "vUsuario=VENDEDOR", "Acessa", "TfmCadPedido", "E", "5"},
       "True\nvSupervisor=ADMIN\n"},
      {{"ExecutaRefresh", "PEDIDO_001@2"}, "RecNo=2\nRecordCount=2\n"},
  };
  for (const auto& c : kCases) {
    std::string label;
    for (const std::string& a : c.args) label += a + " ";
    SCOPED_TRACE(label);
    const ZpkRun run = call(c.args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
}

TEST_F(ZpkCallDb, ProximoTakesTamanhoAndFlag) {
  const ZpkRun first = call({"Proximo", "PEDIDO", "NUMERO", "6", "False"});
  const ZpkRun second = call({"Proximo", "PEDIDO", "NUMERO", "6", "True"});
  // Tamanho is the width of a counter that does not exist yet.
  const ZpkRun wide = call({"Proximo", "PRODUTO", "CODIGO", "8"});
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_EQ(second.status, 0) << second.err;
  ASSERT_EQ(wide.status, 0) << wide.err;
  ASSERT_EQ(first.out.size(), 7u) << first.out;
  EXPECT_EQ(first.out.find_first_not_of("0123456789"), 6u) << first.out;
  EXPECT_EQ(std::stoi(second.out), std::stoi(first.out) + 1);
  EXPECT_EQ(wide.out, "00000001\n");
}

TEST_F(ZpkCallDb, StockPostingKeepsWhatItsCommitArgumentSays) {
  const std::vector<std::string> movement{"EOperacao=opEntrada", "ECodigo=TEC-001", "ECor=01", "ELote=000101",
                                          "EDeposito=0001",      "EQuantidade=10",  "ECusto=4"};
  const auto post = [&movement](const std::string& commit) {
    std::vector<std::string> args{"MovimentaEstoqueProduto", commit};
    args.insert(args.end(), movement.begin(), movement.end());
    return call(args);
  };
  const double before = std::stod(balance());

  const ZpkRun uncommitted = post("False");
  ASSERT_EQ(uncommitted.status, 0) << uncommitted.err;
  EXPECT_NE(uncommitted.out.find("ECodigo=TEC-001\n"), std::string::npos) << uncommitted.out;
  EXPECT_EQ(std::stod(balance()), before);

  std::vector<std::string> bad{"MovimentaEstoqueProduto", "True"};
  bad.insert(bad.end(), movement.begin(), movement.end());
  bad.push_back("EQuantidade=dez");
  const ZpkRun refused = call(bad);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("EQuantidade: 'dez' is not a number"), std::string::npos) << refused.err;
  EXPECT_EQ(std::stod(balance()), before);

  const ZpkRun committed = post("True");
  ASSERT_EQ(committed.status, 0) << committed.err;
  EXPECT_EQ(std::stod(balance()), before + 10);
}

// An error is one line that names the routine (or sub-command), the argument
// and, for a value too long, the column and its size in characters;
// --verbose adds the engine's message, SQLSTATE, codes and statement after it.
TEST_F(ZpkCallDb, ErrorsAreOneLineAndVerboseAddsTheEnginesDetails) {
  const std::string descricao(10240, 'x');
  const std::string before = balance();
  const struct {
    const char* name;
    std::vector<std::string> args;     // after "zpk"
    bool call;                         // a routine: `zpk call --db ... ARGS`
    std::string line;                  // the whole error output without --verbose
    std::vector<std::string> verbose;  // what --verbose adds
    // On PostgreSQL, when the engine words it otherwise: the line (compared
    // without regard to case: the server folds unquoted names) and the details.
    std::string pg_line = {};
    std::vector<std::string> pg_verbose = {};
  } kCases[] = {
      {"a description longer than its column",
       {"MovimentaEstoqueProduto", "True", "ECodigo=TEC-001", "ECor=01", "EQuantidade=1",
        "EDescricao=" + descricao},
       true,
       "error: MovimentaEstoqueProduto: DESCRICAO: 10240 characters, at most 100\n",
       {"SQLSTATE: 22001", "INSERT INTO PA_MOV_001"}},
      {"a table the engine does not know",
       {"ExecutaRefresh", "NOSUCH@1"},
       true,
       "error: ExecutaRefresh: Table unknown: NOSUCH: At line 1, column 15\n",
       {"    -SQL error code = -204", "SQLSTATE: 42S02", "codes: 335544569", "SELECT * FROM NOSUCH"},
       "error: ExecutaRefresh: relation \"NOSUCH\" does not exist\n",
       {"SQLSTATE: 42P01", "SELECT * FROM NOSUCH"}},
      {"a refusal that names its routine itself",
       {"CodigoReservado", "PEDIDO", "NUMERO", "'x' OR '1'='1'"},
       true,
       "error: CodigoReservado: Valor \"'x' OR '1'='1'\" is not an SQL literal; write a quoted text with its "
       "quotes doubled ('D''AGUA'), a number, NULL or a date literal (DATE '2025-01-31')\n",
       {}},
      {"a station's argument that is not a number",
       {"station", "proximo", "PEDIDO", "NUMERO", "abc"},
       false,
       "error: station: proximo: TAMANHO: 'abc' is not an integer\n",
       {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const bool pg_words = test::on_postgres() && !c.pg_line.empty();
    const std::string& line = pg_words ? c.pg_line : c.line;
    const std::vector<std::string>& details = pg_words ? c.pg_verbose : c.verbose;
    for (const bool verbose : {false, true}) {
      std::vector<std::string> args = c.args;
      if (verbose) args.insert(c.call ? args.begin() : args.begin() + 1, "--verbose");
      const ZpkRun run = c.call ? call(args) : command(args);
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.out, "");
      const std::string head = verbose ? run.err.substr(0, line.size()) : run.err;
      if (pg_words) {
        EXPECT_STRCASEEQ(head.c_str(), line.c_str());
      } else {
        EXPECT_EQ(head, line);
      }
      if (!verbose) continue;
      for (const std::string& detail : details) {
        EXPECT_NE(run.err.find(detail), std::string::npos) << run.err;
      }
      if (details.empty()) {
        EXPECT_EQ(run.err, line);  // no database error: nothing to add
      }
    }
  }
  EXPECT_EQ(balance(), before);  // the refused posting wrote nothing
}

// A count that is not one is refused in a few words, not with the range of a double.
TEST_F(ZpkCallDb, StationCountIsAWholeNumberOfOperations) {
  for (const char* count : {"-1", "2.5", "many"}) {
    SCOPED_TRACE(count);
    const ZpkRun run = command({"station", "counter", "--count", count});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find(std::string("--count: '") + count + "' is not a number of operations"),
              std::string::npos)
        << run.err;
    EXPECT_LT(run.err.size(), 200u) << run.err;
  }
}

}  // namespace
}  // namespace zpk::test
