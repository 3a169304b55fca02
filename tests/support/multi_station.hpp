// Test support for several stations on one database: the test Firebird server
// that scripts/run-tests starts (found through the environment), fresh
// databases served by it, and `zpk station` processes started all at once.
//
//   class PedidoLockTest : public zpk::test::ServerTest {};
//   TEST_F(PedidoLockTest, OnlyOneStationGetsTheOrder) {
//     auto runs = zpk::test::run_stations(4, {.workload = "lock-pedido", .db = database().location()});
//     ...
//   }
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database.hpp"
#include "support/station_processes.hpp"

namespace zpk::test {

// Where the test server is: ZPK_TEST_SERVER ("127.0.0.1/3051"), the folder its
// database files go to (ZPK_TEST_SERVER_DATA; else the test database folder)
// and the login (ISC_USER / ISC_PASSWORD).
struct ServerLocation {
  std::string prefix;
  std::filesystem::path data_dir;
  DatabaseCredentials credentials;
  // "prefix:file", the location a station connects to.
  std::string location_of(const std::filesystem::path& file) const { return prefix + ":" + file.string(); }
};

// True when ZPK_TEST_SERVER is set (scripts/run-tests sets it).
bool server_configured();
// The server from the environment; raises EZpkError when ZPK_TEST_SERVER is unset.
ServerLocation server_location();
// Empty when the server accepts a TCP connection, else why not.
std::string server_problem();
// True when the server is configured and answers.
bool server_available();

// Skips the test when ZPK_TEST_SERVER is unset (saying how to run it) and
// fails it when the variable is set but the server does not answer. For a
// TEST body or SetUp; ServerTest does it for you.
#define ZPK_REQUIRE_TEST_SERVER()                                                                     \
  do {                                                                                                \
    if (!::zpk::test::server_configured()) {                                                          \
      GTEST_SKIP() << "needs the test database server: run scripts/run-tests (or scripts/fbserver / " \
                      "scripts/pgserver start and export the variables of the file `env` prints)";    \
    }                                                                                                 \
    const std::string zpk_server_problem_ = ::zpk::test::server_problem();                            \
    ASSERT_TRUE(zpk_server_problem_.empty()) << zpk_server_problem_;                                  \
  } while (false)

// A fresh copy of the template database (schema/ with the demo companies)
// in the server's data folder, served by the test server. The file is
// removed when the object dies.
class ServerDatabase {
 public:
  // Raises EZpkError when the server is not configured, std::filesystem_error
  // when the copy cannot be made.
  explicit ServerDatabase(const std::string& label);
  ~ServerDatabase();
  ServerDatabase(const ServerDatabase&) = delete;
  ServerDatabase& operator=(const ServerDatabase&) = delete;

  // "127.0.0.1/3051:/.../label-PID-N.fdb": what stations pass as --db.
  const std::string& location() const { return location_; }
  const std::filesystem::path& file() const { return file_; }
  const DatabaseCredentials& credentials() const { return server_.credentials; }
  // Attaches `database` to it through the server (an attachment of this test process).
  void open(TTIDatabase& database) const;

 private:
  ServerLocation server_;
  std::filesystem::path file_;
  std::string location_;
};

// Each test gets its own server database (skipped or failed as
// ZPK_REQUIRE_TEST_SERVER says). Tabela is not connected: the stations are
// other processes; a test that wants to look connects its own TTIDatabase
// with database().open(db), or Tabela with
// Tabela.connect_company(database().location(), "001", database().credentials()).
class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  const ServerDatabase& database() const { return *database_; }

 private:
  std::unique_ptr<ServerDatabase> database_;
};

// The zpk program: $ZPK_BINARY when set, else the build's apps/zpk/zpk.
std::filesystem::path zpk_binary();

// How to run the stations: `zpk station WORKLOAD ARGS... --db DB --empresa E
// --usuario U --count N --station I --start-file F`, then extra_args(I).
struct StationRun {
  std::string workload{};
  std::string db{};  // ServerDatabase::location()
  std::string empresa = "001";
  std::string usuario = "ADMIN";
  int count = 1;
  std::vector<std::string> args{};  // the workload's arguments, the same for every station
  // Further command-line arguments of station I (0-based), e.g. a user per station.
  std::function<std::vector<std::string>(int station)> extra_args{};
  // The login; empty fields are taken from the server location.
  DatabaseCredentials credentials{};
  // A station still running after this is killed (its result says so).
  std::chrono::seconds timeout{300};
  // Runs once the stations are released, while they run (see run_together).
  WhileRunning while_running{};
};

// Starts `stations` processes of `zpk station`, lets them connect, then
// releases them at the same moment (every station has created its ready file
// or ended) and waits for all of them. Results in station order. Never
// raises for what a station does; raises EZpkError when a process cannot be started.
std::vector<StationResult> run_stations(int stations, const StationRun& run);

}  // namespace zpk::test
