#include "support/pg_databases.hpp"

#include <libpq-fe.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/file_lock.hpp"

namespace zpk::test {

namespace {

// PostgreSQL's longest identifier, in bytes.
constexpr size_t kMaxName = 63;

// Object in use: a database somebody is connected to cannot be copied, renamed or dropped.
constexpr const char* kObjectInUse = "55006";

// Refuses a name that would need quoting: the names these helpers take are
// spliced into statements (CREATE/DROP DATABASE take no parameters).
void check_name(const std::string& name) {
  bool ok = !name.empty() && name.size() <= kMaxName && !(name[0] >= '0' && name[0] <= '9');
  for (char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) ok = false;
  }
  if (!ok) {
    throw std::invalid_argument("not a test database name (lower case [a-z0-9_], at most 63): \"" + name +
                                "\"");
  }
}

// Runs `sql` through `conn` and hands back the result; throws PgError unless it succeeded.
std::unique_ptr<PGresult, void (*)(PGresult*)> run(PGconn* conn, const std::string& sql,
                                                   const std::vector<std::string>& params) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const std::string& p : params) values.push_back(p.c_str());
  std::unique_ptr<PGresult, void (*)(PGresult*)> res(
      PQexecParams(conn, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                   nullptr, 0),
      PQclear);
  const ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    const char* state = res ? PQresultErrorField(res.get(), PG_DIAG_SQLSTATE) : nullptr;
    throw PgError(PQerrorMessage(conn), state ? state : "");
  }
  return res;
}

// The administration connection.
PgConnection admin() {
  const std::string location = pg_admin_location();
  if (location.empty()) throw std::runtime_error("ZPK_TEST_PG_ADMIN is not set: run scripts/pgserver start");
  return PgConnection(location);
}

// Runs `sql` on `conn`, again every 100 ms while the database it names is in
// use, for up to 30 s.
void exec_while_in_use(PgConnection& conn, const std::string& sql) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    try {
      conn.exec(sql);
      return;
    } catch (const PgError& e) {
      if (e.sqlstate() != kObjectInUse || std::chrono::steady_clock::now() >= deadline) throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

// Ends every session connected to database `name` and waits until they are gone.
void end_sessions(PgConnection& conn, const std::string& name) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    conn.exec(
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = $1 AND pid <> "
        "pg_backend_pid()",
        {name});
    if (conn.value("SELECT count(*) FROM pg_stat_activity WHERE datname = $1", {name}) == "0") return;
    if (std::chrono::steady_clock::now() >= deadline) {
      throw std::runtime_error("the sessions of database " + name + " do not end");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Drops `name` on `conn` (see drop_pg_database).
void drop_on(PgConnection& conn, const std::string& name) {
  if (conn.value("SELECT datistemplate FROM pg_database WHERE datname = $1", {name}) == "t") {
    conn.exec("ALTER DATABASE \"" + name + "\" IS_TEMPLATE false");
  }
  // FORCE ends the sessions still connected before dropping.
  exec_while_in_use(conn, "DROP DATABASE IF EXISTS \"" + name + "\" WITH (FORCE)");
}

std::filesystem::path lock_file() {
  std::filesystem::path dir = std::filesystem::path(ZPK_BINARY_DIR) / "test-databases";
  std::filesystem::create_directories(dir);
  return dir / "pg-template.lock";
}

// Keeps the server's notices ("does not exist, skipping") out of the test output.
void ignore_notice(void*, const char*) {}

}  // namespace

PgConnection::PgConnection(const std::string& location) : conn_(PQconnectdb(location.c_str()), PQfinish) {
  if (!conn_) throw PgError("out of memory connecting to PostgreSQL", "");
  if (PQstatus(conn_.get()) != CONNECTION_OK) throw PgError(PQerrorMessage(conn_.get()), "");
  PQsetNoticeProcessor(conn_.get(), ignore_notice, nullptr);
}

PgConnection::~PgConnection() = default;
PgConnection::PgConnection(PgConnection&&) noexcept = default;
PgConnection& PgConnection::operator=(PgConnection&&) noexcept = default;

void PgConnection::exec(const std::string& sql, const std::vector<std::string>& params) {
  run(conn_.get(), sql, params);
}

std::vector<std::vector<std::string>> PgConnection::rows(const std::string& sql,
                                                         const std::vector<std::string>& params) {
  auto res = run(conn_.get(), sql, params);
  std::vector<std::vector<std::string>> out(PQntuples(res.get()));
  const int columns = PQnfields(res.get());
  for (int r = 0; r < static_cast<int>(out.size()); ++r) {
    for (int c = 0; c < columns; ++c) out[r].emplace_back(PQgetvalue(res.get(), r, c));
  }
  return out;
}

std::string PgConnection::value(const std::string& sql, const std::vector<std::string>& params) {
  auto res = run(conn_.get(), sql, params);
  if (PQntuples(res.get()) == 0 || PQnfields(res.get()) == 0) return {};
  return PQgetvalue(res.get(), 0, 0);
}

std::string pg_admin_location() {
  const char* v = std::getenv("ZPK_TEST_PG_ADMIN");
  return v ? v : "";
}

std::string pg_location(const std::string& name) {
  check_name(name);
  const std::string admin_location = pg_admin_location();
  const size_t scheme = admin_location.find("://");
  if (scheme == std::string::npos)
    throw std::runtime_error("ZPK_TEST_PG_ADMIN is not a postgresql:// location");
  // The database is the path after the host; options may follow it.
  const size_t path = admin_location.find('/', scheme + 3);
  const size_t query = admin_location.find('?', scheme + 3);
  const std::string host = admin_location.substr(0, std::min(path, query));
  const std::string options = query == std::string::npos ? "" : admin_location.substr(query);
  return host + "/" + name + options;
}

std::string pg_database_name(const std::string& label) {
  std::string name = "zpk_" + std::to_string(::getpid()) + "_";
  for (char c : label) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    name += ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) ? c : '_';
  }
  if (name.size() > kMaxName) name.resize(kMaxName);
  return name;
}

bool pg_database_exists(const std::string& name) {
  check_name(name);
  PgConnection conn = admin();
  return conn.value("SELECT 1 FROM pg_database WHERE datname = $1", {name}) == "1";
}

void create_pg_database_from_template(const std::string& template_name, const std::string& new_name) {
  check_name(template_name);
  check_name(new_name);
  PgConnection conn = admin();
  exec_while_in_use(conn, "CREATE DATABASE \"" + new_name + "\" TEMPLATE \"" + template_name + "\"");
}

void drop_pg_database(const std::string& name) {
  check_name(name);
  PgConnection conn = admin();
  drop_on(conn, name);
}

void ensure_pg_template(const std::string& template_name,
                        const std::function<void(const std::string&)>& build) {
  check_name(template_name);
  const std::string building = template_name + "_building";
  check_name(building);
  FileLock lock(lock_file());
  PgConnection conn = admin();
  if (conn.value("SELECT 1 FROM pg_database WHERE datname = $1", {template_name}) == "1") return;
  // Left by a build that was killed midway.
  drop_on(conn, building);
  conn.exec("CREATE DATABASE \"" + building + "\" TEMPLATE template0");
  try {
    build(pg_location(building));
    // A rename needs the database to itself.
    end_sessions(conn, building);
    conn.exec("ALTER DATABASE \"" + building + "\" RENAME TO \"" + template_name + "\"");
    conn.exec("ALTER DATABASE \"" + template_name + "\" IS_TEMPLATE true ALLOW_CONNECTIONS false");
  } catch (...) {
    try {
      drop_on(conn, building);
      drop_on(conn, template_name);
    } catch (...) {
      // The build's own failure is the one worth reporting.
    }
    throw;
  }
}

}  // namespace zpk::test
