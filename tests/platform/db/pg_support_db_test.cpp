// The PostgreSQL test helpers against the cluster of scripts/pgserver: a
// template built once however many callers race for it, copies of it, drops
// that end leftover sessions, and names that cannot smuggle SQL.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/pg_databases.hpp"
#include "support/scoped.hpp"

namespace zpk {
namespace {

using test::create_pg_database_from_template;
using test::drop_pg_database;
using test::ensure_pg_template;
using test::pg_database_exists;
using test::pg_database_name;
using test::pg_location;
using test::PgConnection;
using test::PgError;

TEST(PgDatabaseName, IsALowerCaseIdentifierOfThisProcess) {
  const std::string prefix = "zpk_" + std::to_string(::getpid()) + "_";
  const struct {
    const char* label;
    std::string expected;
  } kCases[] = {
      {"tpl", prefix + "tpl"},
      {"PedidoTest", prefix + "pedidotest"},
      {"Nota Fiscal/Série-1", prefix + "nota_fiscal_s__rie_1"},
      {"a'; DROP DATABASE postgres; --", prefix + "a___drop_database_postgres____"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(pg_database_name(c.label), c.expected);
  }
  // PostgreSQL would cut a longer name itself, silently; two labels that
  // differ only past the cut would then name one database.
  EXPECT_EQ(pg_database_name(std::string(100, 'x')), (prefix + std::string(100, 'x')).substr(0, 63));
}

TEST(PgDatabaseName, NamesThatNeedQuotingAreRefusedBeforeAnyStatement) {
  // No server needed: the refusal comes before connecting.
  test::ScopedEnv admin("ZPK_TEST_PG_ADMIN", "postgresql://nobody:x@127.0.0.1:1/postgres");
  const char* kBad[] = {"", "Upper", "1abc", "a\"b", "x; DROP DATABASE postgres", "caf\xc3\xa9", "a-b"};
  for (const char* name : kBad) {
    SCOPED_TRACE(name);
    EXPECT_THROW(pg_database_exists(name), std::invalid_argument);
    EXPECT_THROW(drop_pg_database(name), std::invalid_argument);
    EXPECT_THROW(create_pg_database_from_template("template0", name), std::invalid_argument);
    EXPECT_THROW(create_pg_database_from_template(name, "zpk_copy"), std::invalid_argument);
    EXPECT_THROW(ensure_pg_template(name, [](const std::string&) {}), std::invalid_argument);
  }
  EXPECT_THROW(pg_database_exists(std::string(64, 'a')), std::invalid_argument);
}

TEST(PgLocation, ReplacesOnlyTheDatabase) {
  const struct {
    const char* admin;
    const char* expected;
  } kCases[] = {
      {"postgresql://zpk:pw@127.0.0.1:5442/postgres", "postgresql://zpk:pw@127.0.0.1:5442/zpk_1_a"},
      {"postgresql://zpk:pw@127.0.0.1:5442/postgres?sslmode=disable",
       "postgresql://zpk:pw@127.0.0.1:5442/zpk_1_a?sslmode=disable"},
      {"postgresql://zpk:pw@127.0.0.1:5442", "postgresql://zpk:pw@127.0.0.1:5442/zpk_1_a"},
      {"postgres://zpk@localhost?connect_timeout=5", "postgres://zpk@localhost/zpk_1_a?connect_timeout=5"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.admin);
    test::ScopedEnv admin("ZPK_TEST_PG_ADMIN", c.admin);
    EXPECT_EQ(pg_location("zpk_1_a"), c.expected);
  }
}

// Each test drops, whatever happens, the databases it names through `name`.
class PgSupportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test::pg_admin_location().empty()) {
      GTEST_SKIP() << "ZPK_TEST_PG_ADMIN is not set: run scripts/pgserver start and source its env file "
                      "(scripts/run-tests does both)";
    }
  }
  void TearDown() override {
    for (const std::string& db : made_) {
      try {
        drop_pg_database(db);
      } catch (const std::exception& e) {
        ADD_FAILURE() << "could not drop " << db << ": " << e.what();
      }
    }
  }
  // A database name of this test, dropped at its end.
  std::string name(const std::string& label) {
    made_.push_back(pg_database_name(label));
    made_.push_back(made_.back() + "_building");
    return made_[made_.size() - 2];
  }
  // Fills a database with one table holding one customer.
  static void build_customers(const std::string& location) {
    PgConnection db(location);
    db.exec("CREATE TABLE entidade (codigo varchar(6) PRIMARY KEY, nome varchar(60))");
    db.exec("INSERT INTO entidade VALUES ($1, $2)", {"000001", "O'Brien; -- Tecidos"});
  }

 private:
  std::vector<std::string> made_;
};

TEST_F(PgSupportTest, CopiesOfTheTemplateHoldItsRowsAndDropCleanly) {
  const std::string tpl = name("tpl");
  const std::string copy = name("copy");
  ensure_pg_template(tpl, build_customers);
  ASSERT_TRUE(pg_database_exists(tpl));
  EXPECT_FALSE(pg_database_exists(tpl + "_building"));
  // Nobody may connect to the template, so that it is never busy when copied.
  PgConnection admin(test::pg_admin_location());
  EXPECT_EQ(admin.rows("SELECT datistemplate, datallowconn FROM pg_database WHERE datname = $1", {tpl}),
            (std::vector<std::vector<std::string>>{{"t", "f"}}));
  EXPECT_THROW(PgConnection{pg_location(tpl)}, PgError);

  create_pg_database_from_template(tpl, copy);
  ASSERT_TRUE(pg_database_exists(copy));
  {
    PgConnection db(pg_location(copy));
    EXPECT_EQ(db.rows("SELECT codigo, nome FROM entidade"),
              (std::vector<std::vector<std::string>>{{"000001", "O'Brien; -- Tecidos"}}));
  }
  drop_pg_database(copy);
  EXPECT_FALSE(pg_database_exists(copy));
  EXPECT_NO_THROW(drop_pg_database(copy));  // gone already: nothing to do

  // A template is dropped like any other database.
  drop_pg_database(tpl);
  EXPECT_FALSE(pg_database_exists(tpl));
}

TEST_F(PgSupportTest, ConcurrentCallersBuildTheTemplateOnce) {
  const std::string tpl = name("tpl_race");
  std::atomic<int> builds{0};
  std::vector<std::thread> callers;
  std::vector<std::string> errors(4);
  for (int i = 0; i < 4; ++i) {
    callers.emplace_back([&, i] {
      try {
        ensure_pg_template(tpl, [&](const std::string& location) {
          ++builds;
          build_customers(location);
        });
        // Every caller finds the template complete when it returns.
        errors[i] = pg_database_exists(tpl) ? "" : "no template after ensure_pg_template";
      } catch (const std::exception& e) {
        errors[i] = e.what();
      }
    });
  }
  for (auto& t : callers) t.join();
  for (const std::string& e : errors) EXPECT_EQ(e, "");
  EXPECT_EQ(builds.load(), 1);
}

TEST_F(PgSupportTest, AFailedBuildLeavesNoTemplateAndTheNextCallBuildsIt) {
  const std::string tpl = name("tpl_fail");
  EXPECT_THROW(ensure_pg_template(tpl,
                                  [](const std::string& location) {
                                    build_customers(location);
                                    throw std::runtime_error("schema file broken");
                                  }),
               std::runtime_error);
  EXPECT_FALSE(pg_database_exists(tpl));
  EXPECT_FALSE(pg_database_exists(tpl + "_building"));

  // A build that leaves its connection open still becomes the template.
  std::unique_ptr<PgConnection> left_open;
  ensure_pg_template(tpl, [&](const std::string& location) {
    build_customers(location);
    left_open = std::make_unique<PgConnection>(location);
  });
  EXPECT_TRUE(pg_database_exists(tpl));
  EXPECT_FALSE(pg_database_exists(tpl + "_building"));
}

TEST_F(PgSupportTest, ACopyWaitsUntilTheSourceIsNoLongerInUse) {
  // An ordinary database as the source: a session on it makes PostgreSQL
  // refuse the copy (after waiting 5 s of its own); held a little longer,
  // the helper must keep trying rather than fail.
  const std::string source = name("busy_src");
  const std::string copy = name("busy_copy");
  PgConnection(test::pg_admin_location()).exec("CREATE DATABASE " + source);
  build_customers(pg_location(source));
  auto session = std::make_unique<PgConnection>(pg_location(source));
  std::thread release([&session] {
    std::this_thread::sleep_for(std::chrono::milliseconds(6500));
    session.reset();
  });
  EXPECT_NO_THROW(create_pg_database_from_template(source, copy));
  release.join();
  ASSERT_TRUE(pg_database_exists(copy));
  EXPECT_EQ(PgConnection(pg_location(copy)).value("SELECT count(*) FROM entidade"), "1");
}

TEST_F(PgSupportTest, DropEndsTheSessionsLeftOnTheDatabase) {
  const std::string db = name("leftover");
  PgConnection(test::pg_admin_location()).exec("CREATE DATABASE " + db);
  PgConnection leftover(pg_location(db));
  leftover.exec("BEGIN");
  leftover.exec("CREATE TABLE t (n integer)");
  drop_pg_database(db);
  EXPECT_FALSE(pg_database_exists(db));
  EXPECT_THROW(leftover.exec("SELECT 1"), PgError);
}

}  // namespace
}  // namespace zpk
