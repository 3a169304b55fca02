// The floors of the PostgreSQL benchmarks: a routine's own statements run
// straight through libpq, each prepared once and executed with its values
// bound, so that what is left above the floor is the library's cost.
#pragma once

#include <libpq-fe.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace zpk::bench {

// Throws the server's message (with its SQLSTATE) unless `res` succeeded; takes `res` over.
inline std::unique_ptr<PGresult, void (*)(PGresult*)> pg_check(PGconn* conn, PGresult* res) {
  std::unique_ptr<PGresult, void (*)(PGresult*)> owned(res, PQclear);
  const ExecStatusType status = res ? PQresultStatus(res) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    throw std::runtime_error(std::string(state ? state : "-----") + ": " + PQerrorMessage(conn));
  }
  return owned;
}

// One connection of the floor: to ZPK_TEST_PG (scripts/pgserver's env file)
// unless a location is given.
class PgFloorConnection {
 public:
  PgFloorConnection() : PgFloorConnection(location_from_env()) {}
  explicit PgFloorConnection(const std::string& location) : conn_(PQconnectdb(location.c_str()), PQfinish) {
    if (!conn_ || PQstatus(conn_.get()) != CONNECTION_OK) {
      throw std::runtime_error(std::string("PostgreSQL connection refused: ") +
                               (conn_ ? PQerrorMessage(conn_.get()) : "out of memory"));
    }
    // Notices ("there is no transaction in progress") are not the benchmark's output.
    PQsetNoticeProcessor(
        conn_.get(), [](void*, const char*) {}, nullptr);
  }

  PGconn* get() const { return conn_.get(); }

  // Runs statements without parameters (several, separated by ';').
  void exec(const std::string& sql) { pg_check(get(), PQexec(get(), sql.c_str())); }

  // Starts a transaction as the library starts its own: read-write, read
  // committed, waiting at most 10 s for a lock.
  void start_library_transaction() {
    exec("BEGIN ISOLATION LEVEL READ COMMITTED READ WRITE; SET LOCAL lock_timeout = '10s'");
  }
  void commit() { exec("COMMIT"); }
  void rollback() { exec("ROLLBACK"); }

  // A name for the next statement prepared on this connection.
  std::string next_statement_name() { return "zpk_floor_" + std::to_string(++statements_); }

  // ZPK_TEST_PG; throws when unset (the benchmark cannot run without a server).
  static std::string location_from_env() {
    const char* v = std::getenv("ZPK_TEST_PG");
    if (v == nullptr || *v == '\0') {
      throw std::runtime_error("ZPK_TEST_PG is not set: scripts/pgserver start, then source its env file");
    }
    return v;
  }

 private:
  std::unique_ptr<PGconn, void (*)(PGconn*)> conn_;
  int statements_ = 0;
};

// One statement prepared once, in PostgreSQL's own dialect ($1, $2... for its
// parameters). Its parameters go as texts of unknown type, as the library's
// driver sends them, so that the server infers each from its context; they
// are set by position (0-based) and stay set between runs. `run` executes it
// and returns how many rows came (0 for a statement without rows), `lookup`
// whether any did; the columns of the rows of the last run are then read by
// row and position.
class PgFloorStatement {
 public:
  PgFloorStatement(PgFloorConnection& conn, const std::string& sql)
      : conn_(conn), name_(conn.next_statement_name()), last_(nullptr, PQclear) {
    pg_check(conn_.get(), PQprepare(conn_.get(), name_.c_str(), sql.c_str(), 0, nullptr));
    auto described = pg_check(conn_.get(), PQdescribePrepared(conn_.get(), name_.c_str()));
    const int n = PQnparams(described.get());
    values_.assign(n, std::string());
    nulls_.assign(n, true);
  }
  ~PgFloorStatement() {
    last_.reset();
    // The connection may be gone (server stopped): the statement goes with it then.
    PQclear(PQexec(conn_.get(), ("DEALLOCATE " + name_).c_str()));
  }
  PgFloorStatement(const PgFloorStatement&) = delete;
  PgFloorStatement& operator=(const PgFloorStatement&) = delete;

  // A text parameter.
  void set_text(unsigned i, const std::string& v) {
    values_.at(i) = v;
    nulls_[i] = false;
  }
  // An integer parameter.
  void set_integer(unsigned i, int64_t v) { set_text(i, std::to_string(v)); }
  // A numeric or double parameter, in the shortest text that reads back as `v`.
  void set_number(unsigned i, double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    if (r.ec != std::errc()) throw std::runtime_error("number does not fit its text");
    set_text(i, std::string(buf, r.ptr));
  }
  // A date parameter.
  void set_date(unsigned i, int y, int m, int d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    set_text(i, buf);
  }
  // A NULL parameter.
  void set_null(unsigned i) {
    values_.at(i).clear();
    nulls_[i] = true;
  }
  // The first parameters, in order, as texts.
  void set_texts(const std::vector<std::string>& values) {
    for (unsigned i = 0; i < values.size(); ++i) set_text(i, values[i]);
  }

  // Executes it with the parameters set: the number of rows that came.
  int run() {
    std::vector<const char*> params(values_.size());
    for (size_t i = 0; i < values_.size(); ++i) params[i] = nulls_[i] ? nullptr : values_[i].c_str();
    last_ = pg_check(conn_.get(), PQexecPrepared(conn_.get(), name_.c_str(), static_cast<int>(params.size()),
                                                 params.data(), nullptr, nullptr, 0));
    return PQntuples(last_.get());
  }
  // Executes it with `params` as its texts.
  int run(const std::vector<std::string>& params) {
    set_texts(params);
    return run();
  }
  // Whether a row came (give the statement its own LIMIT 1 to fetch only one,
  // as the library's look-ups do).
  bool lookup() { return run() > 0; }
  bool lookup(const std::vector<std::string>& params) { return run(params) > 0; }

  // Rows written by the last run (INSERT, UPDATE, DELETE).
  int affected() const { return std::atoi(PQcmdTuples(result())); }

  // Whether a column of a row of the last run is NULL.
  bool null(unsigned column, int row = 0) const { return PQgetisnull(result(), row, cell(column, row)) != 0; }
  // A column of a row of the last run as text; "" when NULL.
  std::string text(unsigned column, int row = 0) const {
    return PQgetvalue(result(), row, cell(column, row));
  }
  // A numeric column of a row of the last run; 0 when NULL.
  double number(unsigned column, int row = 0) const {
    return null(column, row) ? 0 : std::strtod(PQgetvalue(result(), row, column), nullptr);
  }
  // An integer column of a row of the last run; 0 when NULL.
  int64_t integer(unsigned column, int row = 0) const {
    return null(column, row) ? 0 : std::strtoll(PQgetvalue(result(), row, column), nullptr, 10);
  }

 private:
  // The result of the last run; throws before the first.
  PGresult* result() const {
    if (!last_) throw std::logic_error("the statement has not run yet");
    return last_.get();
  }
  // `column` when the last run has that cell (libpq answers NULL outside them).
  int cell(unsigned column, int row) const {
    if (row < 0 || row >= PQntuples(result()) || static_cast<int>(column) >= PQnfields(result())) {
      throw std::out_of_range("no such row or column in the last run's rows");
    }
    return static_cast<int>(column);
  }

  PgFloorConnection& conn_;
  std::string name_;
  std::vector<std::string> values_;
  std::vector<bool> nulls_;
  std::unique_ptr<PGresult, void (*)(PGresult*)> last_;
};

}  // namespace zpk::bench
