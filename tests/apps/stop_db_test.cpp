// zpk stopped by a signal, run in-process: StopSignals (in main) turns
// SIGINT / SIGTERM into a stop request, which the test makes itself. Every
// sub-command then ends with 128 + signal, says so once, and leaves only
// committed work behind.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/cancellation.hpp"
#include "platform/db/database.hpp"
#include "run_zpk.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk::test {
namespace {

namespace fs = std::filesystem;

class ZpkStopped : public ::testing::Test {
 protected:
  void SetUp() override { database_ = fresh_database("zpk-stop"); }
  void TearDown() override {
    clear_stop_request();
    std::error_code ec;
    fs::remove(database_, ec);
  }
  // The station counter's stored value, read through a connection of the test's own.
  double counter(TTIDatabase& db) {
    db.DefaultTransaction().Commit();  // a fresh view
    return number(
        "SELECT COALESCE(MAX(CAST(PROXIMO AS INTEGER)), 0) FROM CODIGOS_001 WHERE TABELA = 'ZPK_STATION'", {},
        db);
  }
  fs::path database_;
};

TEST_F(ZpkStopped, AStationStoppedMidRunEndsWith143AndPrintsOnlyWhatItCommitted) {
  std::thread signal([this] {
    TTIDatabase db;
    db.SetDatabaseName(database_.string());
    db.Open();
    while (counter(db) < 5) std::this_thread::yield();
    db.Close();
    request_stop(SIGTERM);
  });
  // The station prints to the process's standard output.
  std::ostringstream printed_text;
  std::streambuf* const stdout_buffer = std::cout.rdbuf(printed_text.rdbuf());
  const ZpkRun run = run_zpk({"station", "counter", "--db", database_.string(), "--count", "100000000"});
  std::cout.rdbuf(stdout_buffer);
  signal.join();
  EXPECT_EQ(run.status, 143);
  EXPECT_EQ(run.err, "zpk: stopped by SIGTERM; work not committed was rolled back\n");
  clear_stop_request();
  TTIDatabase db;
  db.SetDatabaseName(database_.string());
  db.Open();
  // One line per increment it committed, the last one being the stored value.
  const std::string out = printed_text.str();
  const size_t printed = static_cast<size_t>(std::count(out.begin(), out.end(), '\n'));
  EXPECT_GE(printed, 5u);
  EXPECT_EQ(counter(db), static_cast<double>(printed));
}

TEST_F(ZpkStopped, EverySubCommandStoppedBeforeItStartsEndsWithTheSignalsStatus) {
  const struct {
    std::vector<std::string> args;
    int signal;
  } kCases[] = {
      {{"call", "--db", "{db}", "BuscaParametro", "FIN", "10"}, SIGINT},
      {{"call", "--db", "{db}", "--usuario", "ADMIN", "Proximo", "PEDIDO", "NUMERO", "6"}, SIGTERM},
      {{"station", "proximo", "PEDIDO", "NUMERO", "--db", "{db}", "--count", "3"}, SIGTERM},
  };
  const auto pedido_counter = [this] {
    TTIDatabase db;
    db.SetDatabaseName(database_.string());
    db.Open();
    return text("SELECT PROXIMO FROM CODIGOS_001 WHERE TABELA = 'PEDIDO' AND CAMPO = 'NUMERO'", {}, db);
  };
  const std::string before = pedido_counter();
  for (const auto& c : kCases) {
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
      if (a == "{db}") a = database_.string();
    }
    SCOPED_TRACE(args[0] + " " + args[args.size() > 3 ? 3 : 1]);
    request_stop(c.signal);
    const ZpkRun run = run_zpk(args);
    clear_stop_request();
    EXPECT_EQ(run.status, 128 + c.signal);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, std::string("zpk: stopped by ") + (c.signal == SIGINT ? "SIGINT" : "SIGTERM") +
                           "; work not committed was rolled back\n");
  }
  // Nothing was drawn: the counter of PEDIDO.NUMERO never moved.
  EXPECT_EQ(pedido_counter(), before);
}

}  // namespace
}  // namespace zpk::test
