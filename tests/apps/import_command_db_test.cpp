// `zpk import` run in-process as the shell runs it: the report on stdout, the
// exit status telling a script whether any line was skipped, the run's
// quality and deposit, and a second run of the same file posting nothing.
#include <string>

#include <gtest/gtest.h>

#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "run_zpk.hpp"
#include "support/database_fixture.hpp"
#include "support/temp_folder.hpp"

namespace zpk::test {
namespace {

// Runs zpk and returns its status, with what it wrote to stdout in `out`.
int zpk_stdout(const std::vector<std::string>& args, std::string& out) {
  testing::internal::CaptureStdout();
  const ZpkRun run = run_zpk(args);
  out = testing::internal::GetCapturedStdout() + run.out;
  return run.status;
}

TEST(ZpkImport, PrintsItsReportAndFailsWhenALineWasSkipped) {
  TempFolder tmp("import-command");
  const std::string db = fresh_database("import-command").string();
  const std::string good = (tmp / "good.txt").string();
  const std::string bad = (tmp / "bad.txt").string();
  const std::string head =
      ";PA_MOV-CODIGO\n"
      "CODIGO COR TAMANHO LOTE TIPO DEPOSITO NUM_DOCTO OPERACAO QTDE\n";
  write_file(good, head + "IM-C01 01  M       L1   1    0001     000001    S        2\n");
  write_file(bad, head +
                      "IM-C02 01  M       L1   1    0001     000002    S        2\n"
                      "IM-C03 01  M       L1   1    0001     000003    S        -1\n");
  const struct {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string report;
  } kCases[] = {
      {"clean file",
       {"import", good, "--estoque", "--qualidade", "2", "--deposito", "0009", "--db", db},
       0,
       "file: " + good + "\ninserted: 2\nchanged: 0\nskipped lines: 0\n"},
      {"the same file again",
       {"import", good, "--estoque", "--qualidade", "2", "--deposito", "0009", "--db", db},
       0,
       "file: " + good + "\ninserted: 0\nchanged: 0\nskipped lines: 0\n"},
      {"a line skipped",
       {"import", bad, "--estoque", "--db", db},
       1,
       "file: " + bad +
           "\ninserted: 2\nchanged: 0\nskipped lines: 1\nline 4: QTDE '-1' não é uma quantidade maior que "
           "zero\n"},
      {"no such file",
       {"import", (tmp / "none.txt").string(), "--db", db},
       1,
       "file: " + (tmp / "none.txt").string() + "\nnot found: nothing imported\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string out;
    EXPECT_EQ(zpk_stdout(c.args, out), c.status);
    EXPECT_EQ(out, c.report);
  }
  TTIDatabase check;
  check.SetDatabaseName(db);
  check.Open();
  TTIQuery q(check);
  q.SQL.Add(
      "SELECT CODIGO || ' ' || TIPO || ' ' || DEPOSITO || ' ' || QUANTIDADE FROM PA_ITEN_001 "
      "WHERE CODIGO STARTING WITH 'IM-C' ORDER BY CODIGO");
  q.Open();
  std::string items;
  for (; !q.Eof(); q.Next()) items += q.Fields(0).AsString() + ";";
  EXPECT_EQ(items, "IM-C01 2 0009 2.0000;IM-C02 1 0001 2.0000;");
}

}  // namespace
}  // namespace zpk::test
