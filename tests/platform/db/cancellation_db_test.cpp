// Stopping the database work from another thread: the statement that runs is
// cancelled, nothing new starts, nothing is committed, and what was not
// committed is rolled back; the connection still closes normally.
#include <csignal>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "platform/db/cancellation.hpp"
#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "platform/db/transaction.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/silent_server.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

// Firebird's code for a cancelled operation: the engine, not the layer, stopped the statement.
constexpr int64_t kEngineCancelled = 335544794;

class StopTest : public test::DatabaseTest {
 public:
  static void SetUpTestSuite() {
    DatabaseTest::SetUpTestSuite();
    Tabela.IBDatabase.execute_script(
        "CREATE TABLE ZPK_STOP (ID INTEGER NOT NULL PRIMARY KEY, WHAT VARCHAR(20));");
  }

 protected:
  void SetUp() override {
    test::exec("DELETE FROM ZPK_STOP");
    Tabela.IBTransaction.Commit();
  }
  void TearDown() override {
    clear_stop_request();
    DatabaseTest::TearDown();
  }
  static double count(const std::string& where = "1 = 1") {
    return test::number("SELECT COUNT(*) FROM ZPK_STOP WHERE " + where);
  }
};

TEST_F(StopTest, RunningStatementIsCancelledAndUncommittedWorkRolledBack) {
  test::exec("INSERT INTO ZPK_STOP (ID, WHAT) VALUES (1, 'before')");
  // The statement tells the world it runs, then goes on until something
  // stops it: on Firebird a block that commits a row in a transaction of its
  // own and loops; on PostgreSQL a long sleep, seen running by the server.
  const bool pg = test::on_postgres();
  TTIQuery endless(Tabela.IBDatabase);
  if (pg) {
    endless.SQL.Add("SELECT pg_sleep(600) FROM ZPK_STOP WHERE ID = 1");
  } else {
    endless.SQL.Add("EXECUTE BLOCK AS DECLARE I BIGINT = 0; BEGIN");
    endless.SQL.Add("  IN AUTONOMOUS TRANSACTION DO INSERT INTO ZPK_STOP (ID, WHAT) VALUES (2, 'running');");
    endless.SQL.Add("  WHILE (I >= 0) DO I = I + 1;");
    endless.SQL.Add("END");
  }

  std::thread stopper([pg] {
    test::OtherStation other;
    const std::string running =
        pg ? "SELECT COUNT(*) FROM pg_stat_activity WHERE state = 'active' AND query LIKE 'SELECT pg_sleep%'"
           : "SELECT COUNT(*) FROM ZPK_STOP WHERE ID = 2";
    while (test::number(running, {}, other.db()) == 0) {
      std::this_thread::yield();
    }
    request_stop(SIGTERM);
  });
  try {
    endless.ExecSQL();
    ADD_FAILURE() << "the endless statement ended by itself";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.is_cancelled()) << e.what();
    if (pg) {
      EXPECT_EQ(e.sqlstate(), "57014") << e.what();
    } else {
      EXPECT_TRUE(e.has_code(kEngineCancelled)) << e.what();
    }
  }
  stopper.join();
  EXPECT_TRUE(stop_requested());
  EXPECT_EQ(stop_reason(), SIGTERM);

  // Nothing is committed any more; rolling back and closing still work.
  try {
    Tabela.IBTransaction.Commit();
    ADD_FAILURE() << "committed after the stop";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.is_cancelled()) << e.what();
  }
  Tabela.IBTransaction.Rollback();
  clear_stop_request();
  EXPECT_EQ(count("ID = 1"), 0);  // rolled back
  if (!pg) EXPECT_EQ(count("ID = 2"), 1);  // committed on its own before the stop
}

TEST_F(StopTest, NothingStartsOnceAStopIsRequested) {
  test::exec("INSERT INTO ZPK_STOP (ID, WHAT) VALUES (1, 'before')");
  request_stop();
  EXPECT_EQ(stop_reason(), 0);

  const struct {
    const char* what;
    std::function<void()> step;
  } kSteps[] = {
      {"a statement", [] { test::exec("INSERT INTO ZPK_STOP (ID, WHAT) VALUES (2, 'after')"); }},
      // A failure the caller may go past, but not a stop.
      {"TryExecSQL",
       [] {
         TTIQuery q(Tabela.IBDatabase);
         q.SQL.Add("INSERT INTO ZPK_STOP (ID, WHAT) VALUES (3, 'after')");
         q.TryExecSQL();
       }},
      {"a savepoint", [] { Savepoint sp(Tabela.IBTransaction); }},
      {"a commit", [] { Tabela.IBTransaction.Commit(); }},
      {"a new connection", [] { test::OtherStation other; }},
  };
  for (const auto& s : kSteps) {
    SCOPED_TRACE(s.what);
    try {
      s.step();
      ADD_FAILURE() << "ran after the stop";
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(e.is_cancelled()) << e.what();
      EXPECT_EQ(e.error_code(), 0) << "the layer refuses it before the engine sees it";
    }
  }
  Tabela.IBTransaction.Rollback();
  clear_stop_request();
  EXPECT_EQ(count(), 0);
  test::exec("INSERT INTO ZPK_STOP (ID, WHAT) VALUES (4, 'again')");
  Tabela.IBTransaction.Commit();
  EXPECT_EQ(count(), 1);
}

// The last resort when a cancel goes unanswered: the connections are closed
// from this side. Whatever runs fails, closing still works, and nothing that
// was not committed stays.
TEST_F(StopTest, AbortedConnectionsKeepNothingUncommitted) {
  TTIDatabase db;
  db.GetDatabase(Tabela.IBDatabase);
  test::exec("INSERT INTO ZPK_STOP (ID, WHAT) VALUES (1, 'before')", {}, db);
  abort_connections();  // no stop requested: nothing happens
  test::exec("INSERT INTO ZPK_STOP (ID, WHAT) VALUES (2, 'before')", {}, db);

  request_stop(SIGTERM);
  abort_connections();
  EXPECT_THROW(test::exec("INSERT INTO ZPK_STOP (ID, WHAT) VALUES (3, 'after')", {}, db), EDatabaseError);
  EXPECT_THROW(db.DefaultTransaction().Commit(), EDatabaseError);
  db.DefaultTransaction().Rollback();
  db.Close();
  EXPECT_FALSE(db.Connected());
  clear_stop_request();

  // Tabela's own connection was aborted too: connected again, it sees what is stored.
  Tabela.connect_company(database_path().string(), "001");
  EXPECT_EQ(count(), 0);
}

TEST(ConnectTimeout, ASilentServerIsNamedByHostAndPort) {
  test::SilentServer server;
  TTIDatabase db;
  EXPECT_EQ(db.ConnectTimeout(), 15);
  EXPECT_THROW(db.SetConnectTimeout(-1), EDatabaseError);
  db.SetConnectTimeout(1);
  db.SetDatabaseName(server.location());
  db.SetCredentials({"SYSDBA", "unused"});
  try {
    db.Open();
    ADD_FAILURE() << "attached to a server that never answers";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.kind(), DatabaseErrorKind::connection);
    EXPECT_EQ(e.message(), "the database server at 127.0.0.1, port " + std::to_string(server.port()) +
                               ", did not answer within 1 s (connect timeout)");
    EXPECT_EQ(e.statement(), server.location());
  }
  EXPECT_FALSE(db.Connected());
  // A second connection made from the first one keeps its timeout.
  TTIDatabase copy;
  EXPECT_THROW(copy.GetDatabase(db), EDatabaseError);
  EXPECT_EQ(copy.ConnectTimeout(), 1);
}

}  // namespace
}  // namespace zpk
