// `zpk report` run in-process: a layout's own query fills its dataset with
// the --var values bound (never spliced), the outputs asked for are written
// and named, a layout is found by name in the shared folder, and hostile
// queries (writes, a second statement, a locking read) are refused with the
// layout's file and line while the stock rows stay as they were.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/station_fixture.hpp"
#include "platform/db/database.hpp"
#include "run_zpk.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"
#include "support/shell.hpp"

namespace zpk::test {
namespace {

// Runs zpk and keeps stdout (the command writes to std::cout) with the run.
ZpkRun zpk(const std::vector<std::string>& args) {
  testing::internal::CaptureStdout();
  ZpkRun run = run_zpk(args);
  run.out = testing::internal::GetCapturedStdout() + run.out;
  return run;
}

// Three balances of products only this test uses, in two deposits.
std::string seeded_database() {
  const std::string db = fresh_database("report-command").string();
  TTIDatabase d;
  d.SetDatabaseName(db);
  d.Open();
  for (const char* row : {"'RPT-A', '0001', 2.5", "'RPT-B', '0001', 4", "'RPT-C', '0002', 7"}) {
    exec(
        std::string("INSERT INTO PA_ITEN_001 (CODIGO, DEPOSITO, QUANTIDADE, COR, TAM, TIPO, LOTE) VALUES (") +
            row + ", '01', 'M', '1', 'L')",
        {}, d);
  }
  d.DefaultTransaction().Commit();
  d.Close();
  return db;
}

const char* const kLista =
    "dataset ITENS sql=\"SELECT CODIGO, QUANTIDADE FROM {PA_ITEN} WHERE DEPOSITO = :DEP "
    "AND CODIGO STARTING WITH 'RPT-' ORDER BY CODIGO\"\n"
    "band detail dataset=ITENS height=6\n"
    "  text x=0 y=0 w=60 h=6 text=\"[ITENS.CODIGO]\"\n"
    "band summary height=12\n"
    "  text x=0 y=0 w=90 h=6 text=\"Total [SUM(ITENS.QUANTIDADE)]\" format=\"0.00\"\n"
    "  text x=0 y=6 w=90 h=6 text=\"[COUNT()] itens de [vEmpresa]\"\n";

class ZpkReport : public StationTest {
 protected:
  static void SetUpTestSuite() { db_ = new std::string(seeded_database()); }
  static void TearDownTestSuite() { delete db_; }
  static std::string* db_;
  TempFolder tmp_{"report-command"};
};
std::string* ZpkReport::db_ = nullptr;

// The balances of the test's products, to see that nothing wrote to them.
std::string balances(const std::string& db) {
  TTIDatabase d;
  d.SetDatabaseName(db);
  d.Open();
  std::string all;
  for (const auto& r : rows("SELECT CODIGO || ' ' || QUANTIDADE FROM PA_ITEN_001 WHERE CODIGO STARTING WITH "
                            "'RPT-' ORDER BY CODIGO",
                            {}, d))
    all += r + ";";
  d.Close();
  return all;
}

TEST_F(ZpkReport, FillsTheLayoutsQueryFromItsVariablesAndWritesEachOutput) {
  const std::string layout = (tmp_ / "LISTA.prt").string();
  write_file(layout, kLista);
  const std::string pdf = (tmp_ / "lista.pdf").string(), xlsx = (tmp_ / "lista.xlsx").string(),
                    png = (tmp_ / "lista.png").string();
  const ZpkRun run =
      zpk({"report", layout, "--db", *db_, "--var", "DEP=0001", "--pdf", pdf, "--xlsx", xlsx, "--png", png});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "layout: " + layout + "\npages: 1\npdf: " + pdf + "\nxlsx: " + xlsx + "\npng: " + png + "\n");
  for (const auto& f : {pdf, xlsx, png}) EXPECT_GT(std::filesystem::file_size(f), 0u) << f;
  if (shell_output("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  const std::string text = shell_output("pdftotext -layout '" + pdf + "' -");
  EXPECT_NE(text.find("RPT-A"), std::string::npos) << text;
  EXPECT_NE(text.find("RPT-B"), std::string::npos) << text;
  EXPECT_EQ(text.find("RPT-C"), std::string::npos) << text;  // the other deposit
  EXPECT_NE(text.find("Total 6,50"), std::string::npos) << text;
  EXPECT_NE(text.find("2 itens de 001"), std::string::npos) << text;
}

TEST_F(ZpkReport, FindsALayoutByNameInTheSharedFolder) {
  set_root(root());
  write_file(store_ / "Relatorio" / "LISTA.prt", kLista);
  const ZpkRun run = zpk({"report", "lista", "--db", *db_, "--var", "DEP=0002"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("LISTA.prt\npages: 1\n"), std::string::npos) << run.out;
  const ZpkRun missing = zpk({"report", "NADA", "--db", *db_});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("layout NADA not found"), std::string::npos) << missing.err;
}

TEST_F(ZpkReport, RefusesHostileQueriesAndBindsHostileValues) {
  const std::string before = balances(*db_);
  ASSERT_EQ(before, "RPT-A 2.5000;RPT-B 4.0000;RPT-C 7.0000;");
  const std::string select = "SELECT CODIGO, QUANTIDADE FROM {PA_ITEN} WHERE CODIGO STARTING WITH 'RPT-'";
  const struct {
    const char* name;
    std::string sql;
    std::vector<std::string> vars;
    std::string err;  // what the error line holds ("" for "no record", status 1)
  } kCases[] = {
      {"a write", "DELETE FROM {PA_ITEN}", {}, "H.prt, line 2: the sql of a dataset must be a SELECT"},
      {"a write behind a comment",
       "/* x */ UPDATE {PA_ITEN} SET QUANTIDADE = 0",
       {},
       "H.prt, line 2: the sql of a dataset must be a SELECT"},
      {"a second statement", select + "; DELETE FROM {PA_ITEN}", {}, "H.prt, line 2: dataset ITENS:"},
      {"a locking read", select + " WITH LOCK", {}, "H.prt, line 2: dataset ITENS:"},
      {"an unknown table", "SELECT * FROM {NAO_EXISTE}", {}, "H.prt, line 2: dataset ITENS:"},
      {"a parameter without its variable",
       select + " AND DEPOSITO = :DEP",
       {},
       "H.prt, line 2: dataset ITENS: no report variable gives the parameter :DEP"},
      {"a quote in a value is a value", select + " AND DEPOSITO = :DEP", {"DEP=0'OR'1'='1"}, ""},
      {"a value longer than its column",
       select + " AND DEPOSITO = :DEP",
       {"DEP=0001' OR '1'='1"},
       "H.prt, line 2: dataset ITENS: DEP: 15 characters, at most 10"},
      {"a statement in a value",
       select + " AND CODIGO <> :DEP",
       {"DEP=0'; DELETE FROM PA_ITEN_001; --"},
       "H.prt, line 2: dataset ITENS: DEP: 31 characters, at most 20"},
  };
  const std::string layout = (tmp_ / "H.prt").string();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string text = "# hostile\ndataset ITENS sql=\"" + c.sql + "\"\n" +
                       std::string(kLista).substr(std::string(kLista).find("band"));
    write_file(layout, text);
    std::vector<std::string> args{"report", layout, "--db", *db_};
    for (const auto& v : c.vars) args.insert(args.end(), {"--var", v});
    const ZpkRun run = zpk(args);
    EXPECT_EQ(run.status, 1);
    if (c.err.empty()) {
      EXPECT_EQ(run.out, "pages: 0 (no record to print)\n") << run.err;
    } else {
      EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
  }
  EXPECT_EQ(balances(*db_), before);
}

TEST_F(ZpkReport, ALayoutThatReadsTheDatabaseNeedsDb) {
  const std::string layout = (tmp_ / "LISTA.prt").string();
  write_file(layout, kLista);
  const ZpkRun run = zpk({"report", layout, "--var", "DEP=0001"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("reads the database: give --db"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace zpk::test
