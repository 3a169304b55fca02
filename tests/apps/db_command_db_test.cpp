// `zpk db create` run in-process as the shell runs it: every argument is
// checked before a file is made, and a database that cannot be built
// completely leaves nothing behind, so the next create of the same path works.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "run_zpk.hpp"
#include "support/engine_sql.hpp"
#include "support/multi_station.hpp"
#include "support/temp_folder.hpp"

namespace zpk::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSchema = fs::path(ZPK_SOURCE_DIR) / "schema";

// The names in `folder`, so a failure shows what was left behind.
std::vector<std::string> entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

// Copies the folder `from` with its files to `to`.
void copy_folder(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  fs::copy(from, to, fs::copy_options::recursive);
}

// A schema folder whose company scripts end with a statement the engine
// refuses: the shared tables and most company tables are made before it fails.
fs::path broken_schema(const TempFolder& tmp) {
  const fs::path dir = tmp / "broken";
  copy_folder(kSchema / "shared", dir / "shared");
  copy_folder(kSchema / "company", dir / "company");
  // The PL/pgSQL versions of the stored routines, which PostgreSQL takes in their place.
  copy_folder(kSchema / "postgres", dir / "postgres");
  write_file(dir / "company" / "99_broken.sql", "CREATE TABLE BROKEN{SUFIXO} (X NO_SUCH_TYPE);\n");
  return dir;
}

TEST(ZpkDbCreate, ArgumentsThatDoNotFitOrABrokenSchemaLeaveNoFile) {
  TempFolder tmp("db-create");
  const fs::path target = tmp / "out" / "x.fdb";
  fs::create_directories(target.parent_path());
  write_file(tmp / "empty" / "README", "no scripts here\n");
  write_file(tmp / "shared-only" / "shared" / "10_a.sql", "CREATE TABLE A (X INTEGER);\n");
  copy_folder(kSchema / "shared", tmp / "no-company" / "shared");
  fs::create_directories(tmp / "no-company" / "company");
  const fs::path broken = broken_schema(tmp);

  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string error;  // what the one line of the error names
  } kCases[] = {
      {"company code of two digits", {"--empresa", "12"}, "'12'"},
      {"second company code not a number", {"--empresa", "001", "--empresa", "0A2"}, "'0A2'"},
      {"schema folder that does not exist", {"--schema", (tmp / "nowhere").string()}, "nowhere"},
      {"schema folder without scripts", {"--schema", (tmp / "empty").string()}, "shared"},
      {"schema folder without company scripts", {"--schema", (tmp / "shared-only").string()}, "company"},
      {"empty company folder", {"--schema", (tmp / "no-company").string()}, "company"},
      {"a company script the engine refuses", {"--schema", broken.string()}, "99_broken.sql"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args{"db", "create", target.string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ZpkRun run = run_zpk(args);
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    EXPECT_EQ(run.err.rfind("error: db create: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
    EXPECT_TRUE(entries(target.parent_path()).empty())
        << ::testing::PrintToString(entries(target.parent_path()));
  }

  const ZpkRun nowhere = run_zpk({"db", "create", (tmp / "no-such-folder" / "x.fdb").string()});
  EXPECT_EQ(nowhere.status, 1);
  EXPECT_NE(nowhere.err.find("the folder " + (tmp / "no-such-folder").string() + " does not exist"),
            std::string::npos)
      << nowhere.err;

  // The path is free: the next create makes the database, with its company.
  const ZpkRun created = run_zpk({"db", "create", target.string(), "--empresa", "002"});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_EQ(entries(target.parent_path()), std::vector<std::string>{"x.fdb"});
  {
    TTIDatabase db;
    db.SetDatabaseName(target.string());
    db.Open();
    TTIQuery q(db);
    q.SQL.Add("SELECT EMP_PAT FROM EMPRESA");
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldByName("EMP_PAT").AsString(), "_002");
  }

  // An existing database is never replaced, nor touched.
  const auto size = fs::file_size(target);
  const auto written = fs::last_write_time(target);
  const ZpkRun again = run_zpk({"db", "create", target.string()});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("exists"), std::string::npos) << again.err;
  EXPECT_EQ(entries(target.parent_path()), std::vector<std::string>{"x.fdb"});
  EXPECT_EQ(fs::file_size(target), size);
  EXPECT_EQ(fs::last_write_time(target), written);
}

// On a server the file cannot be made under another name: a database that
// fails half-way is dropped.
TEST(ZpkDbCreate, AServerDatabaseThatFailsHalfWayIsDropped) {
  ZPK_REQUIRE_TEST_SERVER();
  TempFolder tmp("db-create-server");
  const fs::path broken = broken_schema(tmp);
  const NewServerDatabase target("db-create");
  const DatabaseCredentials login = server_credentials();
  std::vector<std::string> args{"db", "create", target.location(), "--schema", broken.string()};
  if (!login.user.empty()) args.insert(args.end(), {"--user", login.user});
  if (!login.password.empty()) args.insert(args.end(), {"--password", login.password});
  const ZpkRun run = run_zpk(args);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("99_broken.sql"), std::string::npos) << run.err;
  EXPECT_FALSE(target.exists());
}

}  // namespace
}  // namespace zpk::test
