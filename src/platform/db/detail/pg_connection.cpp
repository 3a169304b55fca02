#include "platform/db/detail/pg_connection.hpp"

#include <ibase.h>
#include <libpq-fe.h>
#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <fmt/format.h>

#include "platform/db/cancellation.hpp"
#include "platform/db/database_error.hpp"
#include "platform/db/detail/firebird_api.hpp"
#include "platform/db/detail/live_connections.hpp"
#include "platform/db/detail/sql_text.hpp"
#include "platform/db/detail/text_length.hpp"
#include "platform/db/detail/time_conversion.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk::detail {

namespace {

// PostgreSQL's type numbers (pg_type.oid) of the columns the layer reads.
enum : Oid {
  kBool = 16,
  kBytea = 17,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kText = 25,
  kFloat4 = 700,
  kFloat8 = 701,
  kBpchar = 1042,
  kDate = 1082,
  kTime = 1083,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kNumeric = 1700,
};

// The savepoint that makes one statement all or nothing inside a transaction.
constexpr const char* kStatementSavepoint = "zpk_statement";

// The days between 1899-12-30 (TDateTime 0) and 1970-01-01.
constexpr int kUnixEpochDays = 25569;

struct PgResultDeleter {
  void operator()(PGresult* r) const noexcept { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, PgResultDeleter>;

// The connection's last message, without the line end libpq gives it.
std::string connection_message(PGconn* conn) {
  std::string message = PQerrorMessage(conn);
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  return message;
}

std::string field_text(const PGresult* r, int field) {
  const char* v = PQresultErrorField(r, field);
  return v ? std::string(v) : std::string();
}

// A server message with the names it quotes in upper case: the schema's
// tables and columns are created unquoted (PostgreSQL keeps them in lower
// case), and the library and its users know them in upper case.
std::string names_in_upper_case(std::string message) {
  bool inside = false;
  size_t start = 0;
  for (size_t i = 0; i < message.size(); ++i) {
    if (message[i] != '"') continue;
    if (!inside) {
      inside = true;
      start = i + 1;
      continue;
    }
    inside = false;
    const std::string_view name = std::string_view(message).substr(start, i - start);
    const bool identifier = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
    });
    if (identifier) message.replace(start, name.size(), UpperCase(name));
  }
  return message;
}

// The error a failed command gives: the server's message (with its detail),
// its SQLSTATE, and the statement as the caller wrote it.
EDatabaseError result_error(const PGresult* r, PGconn* conn, std::string_view statement) {
  std::string message = r ? names_in_upper_case(field_text(r, PG_DIAG_MESSAGE_PRIMARY)) : std::string();
  std::string state = r ? field_text(r, PG_DIAG_SQLSTATE) : std::string();
  if (message.empty()) message = conn ? connection_message(conn) : "PostgreSQL connection failed";
  if (r) {
    const std::string detail = field_text(r, PG_DIAG_MESSAGE_DETAIL);
    if (!detail.empty()) message += "\n" + detail;
  }
  if (state.empty() && conn && PQstatus(conn) == CONNECTION_BAD) {
    return EDatabaseError(DatabaseErrorKind::connection, message, std::string(statement));
  }
  return EDatabaseError(message, state, {}, std::string(statement));
}

// The database a PostgreSQL location names; raises EDatabaseError.
std::string database_of(const std::string& location) {
  char* err = nullptr;
  PQconninfoOption* options = PQconninfoParse(location.c_str(), &err);
  if (!options) {
    std::string message = err ? err : "invalid connection string";
    PQfreemem(err);
    throw EDatabaseError(DatabaseErrorKind::connection, "PostgreSQL: " + message, location);
  }
  std::string name;
  for (PQconninfoOption* o = options; o->keyword; ++o) {
    if (std::strcmp(o->keyword, "dbname") == 0 && o->val) name = o->val;
  }
  PQconninfoFree(options);
  if (name.empty()) {
    throw EDatabaseError(DatabaseErrorKind::usage, "the PostgreSQL location names no database", location);
  }
  return name;
}

// Connects to `settings.location`, or to database `other_db` of the same
// server when it is given. Raises EDatabaseError of kind connection.
PGconn* connect(const ConnectSettings& settings, const char* other_db) {
  std::vector<const char*> keys;
  std::vector<const char*> values;
  keys.push_back("dbname");
  values.push_back(settings.location.c_str());
  if (other_db) {
    // Only the first dbname is read as a connection string; a later one names the database.
    keys.push_back("dbname");
    values.push_back(other_db);
  }
  if (!settings.user.empty()) {
    keys.push_back("user");
    values.push_back(settings.user.c_str());
  }
  if (!settings.password.empty()) {
    keys.push_back("password");
    values.push_back(settings.password.c_str());
  }
  const std::string timeout = std::to_string(settings.connect_timeout);
  if (settings.connect_timeout > 0) {
    keys.push_back("connect_timeout");
    values.push_back(timeout.c_str());
  }
  // Values cross as text in one agreed form, whatever the server's defaults:
  // UTF-8, ISO dates, floats to their last digit.
  keys.push_back("client_encoding");
  values.push_back("UTF8");
  keys.push_back("options");
  values.push_back("-c DateStyle=ISO,MDY -c extra_float_digits=3 -c IntervalStyle=postgres");
  keys.push_back("application_name");
  values.push_back("zpk");
  keys.push_back(nullptr);
  values.push_back(nullptr);
  PGconn* conn = PQconnectdbParams(keys.data(), values.data(), 1);
  if (!conn || PQstatus(conn) != CONNECTION_OK) {
    const std::string message = conn ? connection_message(conn) : "out of memory";
    if (conn) PQfinish(conn);
    throw EDatabaseError(DatabaseErrorKind::connection, "PostgreSQL: " + message, settings.location);
  }
  return conn;
}

// Runs one command on a connection outside any transaction; raises EDatabaseError.
void admin_command(PGconn* conn, const std::string& sql) {
  Result r(PQexec(conn, sql.c_str()));
  if (!r || (PQresultStatus(r.get()) != PGRES_COMMAND_OK && PQresultStatus(r.get()) != PGRES_TUPLES_OK)) {
    throw result_error(r.get(), conn, sql);
  }
}

std::string quoted_identifier(PGconn* conn, const std::string& name) {
  char* q = PQescapeIdentifier(conn, name.c_str(), name.size());
  if (!q) throw EDatabaseError(DatabaseErrorKind::usage, "invalid database name", name);
  std::string s(q);
  PQfreemem(q);
  return s;
}

// ---- values ---------------------------------------------------------------

// A TDateTime's calendar day (days since 1970-01-01 as a civil date).
std::chrono::year_month_day civil_day(double days) {
  using namespace std::chrono;
  const auto n = static_cast<int>(std::floor(days + 1e-9)) - kUnixEpochDays;
  return year_month_day(sys_days(std::chrono::days(n)));
}

// A TDateTime's day as "YYYY-MM-DD".
std::string date_text(double days) {
  const auto ymd = civil_day(days);
  return fmt::format("{:04}-{:02}-{:02}", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                     static_cast<unsigned>(ymd.day()));
}

// A TDateTime as "YYYY-MM-DD HH:MM:SS.FFFF" (Firebird keeps 1/10000 s).
std::string timestamp_text(double days) {
  int32_t date = 0;
  uint32_t time = 0;
  to_isc_timestamp(days, date, time);
  const double day = from_isc_date(date);
  const uint32_t seconds = time / 10000;
  return fmt::format("{} {:02}:{:02}:{:02}.{:04}", date_text(day), seconds / 3600, seconds / 60 % 60,
                     seconds % 60, time % 10000);
}

// A bound value as PostgreSQL reads it in text form; the server infers its
// type from where the marker stands, as Firebird describes a marker.
std::string parameter_text(const BoundValue& v) {
  switch (v.kind) {
    case BoundValue::Kind::null:
      return {};
    case BoundValue::Kind::text:
      return v.s;
    case BoundValue::Kind::integer:
      return std::to_string(v.i);
    case BoundValue::Kind::boolean:
      return v.i ? "1" : "0";
    case BoundValue::Kind::floating: {
      char buf[64];
      const auto r = std::to_chars(buf, buf + sizeof buf, v.f);
      return std::string(buf, r.ptr);
    }
    case BoundValue::Kind::currency: {
      const int64_t a = v.i < 0 ? -v.i : v.i;
      return fmt::format("{}{}.{:04}", v.i < 0 ? "-" : "", a / 10000, a % 10000);
    }
    case BoundValue::Kind::date:
      return date_text(v.f);
    case BoundValue::Kind::timestamp:
      return timestamp_text(v.f);
  }
  return {};
}

int parse_int(std::string_view s, size_t& pos, size_t digits) {
  int v = 0;
  for (size_t i = 0; i < digits && pos < s.size(); ++i, ++pos) v = v * 10 + (s[pos] - '0');
  return v;
}

// "YYYY-MM-DD" at the start of `s` as TDateTime days.
double parse_date(std::string_view s, size_t& pos) {
  using namespace std::chrono;
  pos = 0;
  const int y = parse_int(s, pos, 4);
  ++pos;
  const int m = parse_int(s, pos, 2);
  ++pos;
  const int d = parse_int(s, pos, 2);
  const sys_days civil{year(y) / month(static_cast<unsigned>(m)) /
                       std::chrono::day(static_cast<unsigned>(d))};
  return static_cast<double>(civil.time_since_epoch().count() + kUnixEpochDays);
}

// "HH:MM:SS[.ffffff]" from `pos` as a fraction of a day (to Firebird's 1/10000 s).
double parse_time(std::string_view s, size_t pos) {
  const int h = parse_int(s, pos, 2);
  ++pos;
  const int mi = parse_int(s, pos, 2);
  ++pos;
  const int se = parse_int(s, pos, 2);
  uint32_t frac = 0;
  if (pos < s.size() && s[pos] == '.') {
    ++pos;
    uint32_t scale = 1000;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      if (scale > 0) frac += static_cast<uint32_t>(s[pos] - '0') * scale;
      scale /= 10;
      ++pos;
    }
  }
  return from_isc_time(static_cast<uint32_t>((h * 3600 + mi * 60 + se) * 10000) + frac);
}

// A NUMERIC's text as a scaled integer when it fits 18 digits, else a float.
void parse_numeric(std::string_view s, CellValue& cell) {
  int64_t v = 0;
  int digits = 0;
  int decimals = 0;
  bool after_point = false;
  bool negative = false;
  for (char ch : s) {
    if (ch == '-') {
      negative = true;
    } else if (ch == '.') {
      after_point = true;
    } else if (ch >= '0' && ch <= '9') {
      if (digits == 0 && ch == '0' && !after_point) continue;
      if (++digits > 18) {
        cell.kind = CellValue::Kind::floating;
        cell.f = std::strtod(std::string(s).c_str(), nullptr);
        return;
      }
      v = v * 10 + (ch - '0');
      if (after_point) ++decimals;
    } else {
      // NaN and the infinities.
      cell.kind = CellValue::Kind::floating;
      cell.f = std::strtod(std::string(s).c_str(), nullptr);
      return;
    }
  }
  cell.kind = CellValue::Kind::integer;
  cell.i = negative ? -v : v;
  cell.scale = static_cast<int8_t>(-decimals);
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

// One text value of column type `type` as the cell the query layer reads.
void decode_text_cell(Oid type, std::string_view s, CellValue& cell) {
  using Kind = CellValue::Kind;
  cell.scale = 0;
  switch (type) {
    case kInt2:
    case kInt4:
    case kInt8:
      cell.kind = Kind::integer;
      std::from_chars(s.data(), s.data() + s.size(), cell.i);
      return;
    case kNumeric:
      parse_numeric(s, cell);
      return;
    case kFloat4:
    case kFloat8:
      cell.kind = Kind::floating;
      cell.f = std::strtod(std::string(s).c_str(), nullptr);
      return;
    case kBool:
      cell.kind = Kind::boolean;
      cell.i = (!s.empty() && s[0] == 't') ? 1 : 0;
      return;
    case kDate: {
      size_t pos = 0;
      cell.kind = Kind::date;
      cell.f = parse_date(s, pos);
      return;
    }
    case kTimestamp:
    case kTimestampTz: {
      size_t pos = 0;
      cell.kind = Kind::timestamp;
      cell.f = parse_date(s, pos);
      if (pos + 1 < s.size()) cell.f += parse_time(s, pos + 1);
      return;
    }
    case kTime:
      cell.kind = Kind::time;
      cell.f = parse_time(s, 0);
      return;
    case kBytea: {
      cell.kind = Kind::blob;
      cell.s.clear();
      if (s.size() >= 2 && s[0] == '\\' && s[1] == 'x') {
        cell.s.reserve((s.size() - 2) / 2);
        for (size_t i = 2; i + 1 < s.size(); i += 2)
          cell.s.push_back(static_cast<char>(hex_value(s[i]) * 16 + hex_value(s[i + 1])));
      } else {
        cell.s.assign(s);
      }
      return;
    }
    case kText:
      cell.kind = Kind::memo;
      cell.s.assign(s);
      return;
    case kBpchar: {
      // Fixed-length text is read without its padding, as from Firebird.
      cell.kind = Kind::text;
      cell.s.assign(without_trailing_blanks(s));
      return;
    }
    default:
      cell.kind = Kind::text;
      cell.s.assign(s);
      return;
  }
}

// A result column described the way the query layer knows columns (Firebird's
// SQL types), so that fields get the same types on either engine.
ColumnInfo column_info(const PGresult* r, int i) {
  ColumnInfo c;
  c.name = UpperCase(PQfname(r, i));
  const Oid type = PQftype(r, i);
  const int mod = PQfmod(r, i);
  c.charset = kCharsetUtf8;
  switch (type) {
    case kInt2:
      c.sql_type = SQL_SHORT;
      break;
    case kInt4:
      c.sql_type = SQL_LONG;
      break;
    case kInt8:
      c.sql_type = SQL_INT64;
      break;
    case kNumeric:
      c.sql_type = SQL_INT64;
      // A computed NUMERIC has no declared scale: amounts are read as the
      // four-decimal amounts the schema stores.
      c.scale = mod >= 4 ? -static_cast<int>((mod - 4) & 0xffff) : -4;
      break;
    case kFloat4:
      c.sql_type = SQL_FLOAT;
      break;
    case kFloat8:
      c.sql_type = SQL_DOUBLE;
      break;
    case kBool:
      c.sql_type = SQL_BOOLEAN;
      break;
    case kDate:
      c.sql_type = SQL_TYPE_DATE;
      break;
    case kTime:
      c.sql_type = SQL_TYPE_TIME;
      break;
    case kTimestamp:
    case kTimestampTz:
      c.sql_type = SQL_TIMESTAMP;
      break;
    case kText:
      c.sql_type = SQL_BLOB;
      c.sub_type = 1;
      break;
    case kBytea:
      c.sql_type = SQL_BLOB;
      c.sub_type = 0;
      break;
    case kBpchar:
      c.sql_type = SQL_TEXT;
      c.length = mod > 4 ? static_cast<unsigned>(mod - 4) * 4 : 4;
      break;
    default:
      c.sql_type = SQL_VARYING;
      c.length = mod > 4 ? static_cast<unsigned>(mod - 4) * 4 : 255 * 4;
      break;
  }
  return c;
}

std::shared_ptr<std::vector<ColumnInfo>> columns_of(const PGresult* r) {
  auto columns = std::make_shared<std::vector<ColumnInfo>>();
  const int n = PQnfields(r);
  columns->reserve(static_cast<size_t>(n));
  std::unordered_map<std::string, int> seen;
  for (int i = 0; i < n; ++i) {
    ColumnInfo c = column_info(r, i);
    // Repeated names are numbered, as the Firebird side does.
    const int count = seen[c.name]++;
    if (count > 0) c.name += "_" + std::to_string(count);
    columns->push_back(std::move(c));
  }
  return columns;
}

}  // namespace

// ---- sessions ---------------------------------------------------------------

// A prepared statement of one session.
struct PgStatement {
  std::string name;
  int parameters = 0;
  std::shared_ptr<std::vector<ColumnInfo>> columns;
  std::vector<Oid> types;   // of the parameters, as the server inferred them
  PgMarkerRules rules;      // trailing blanks to drop, text sizes to check
  bool reads_only = false;  // a SELECT without row locks
};

// One libpq connection. PostgreSQL runs one transaction per connection at a
// time, so a database with several open transactions holds several sessions.
class PgSession {
 public:
  explicit PgSession(PGconn* conn) : conn_(conn), cancel_(PQgetCancel(conn)) {}
  ~PgSession() {
    if (cancel_) PQfreeCancel(cancel_);
    if (conn_) PQfinish(conn_);
  }
  PgSession(const PgSession&) = delete;
  PgSession& operator=(const PgSession&) = delete;

  PGconn* conn() const { return conn_; }

  // Transaction state: BEGIN is sent with the first statement, so that a
  // transaction that runs nothing costs nothing.
  bool busy = false;
  bool begin_pending = false;
  std::string begin_sql;
  int lock_timeout = 10;
  // Whether the transaction holds anything a failed statement must not undo
  // (a write, a row lock, a savepoint of the caller's): until then a failed
  // statement restarts the transaction instead of needing a savepoint.
  bool wrote = false;
  // The caller's savepoint commands, sent with the next statement or commit.
  std::vector<std::string> deferred;

  // Prepared statements by the text they were prepared for (most recent first).
  std::list<std::pair<std::string, std::shared_ptr<PgStatement>>> lru;
  std::unordered_map<std::string, decltype(lru)::iterator> index;
  std::vector<std::string> to_deallocate;  // evicted names, freed with the next command
  uint64_t counter = 0;

  std::shared_ptr<PgStatement> find(const std::string& key) {
    auto it = index.find(key);
    if (it == index.end()) return nullptr;
    lru.splice(lru.begin(), lru, it->second);
    return it->second->second;
  }
  void insert(const std::string& key, std::shared_ptr<PgStatement> st, size_t capacity) {
    lru.emplace_front(key, std::move(st));
    index[key] = lru.begin();
    while (lru.size() > capacity && !lru.empty()) {
      to_deallocate.push_back(lru.back().second->name);
      index.erase(lru.back().first);
      lru.pop_back();
    }
  }
  void clear() noexcept {
    for (auto& e : lru) to_deallocate.push_back(e.second->name);
    lru.clear();
    index.clear();
  }

  void cancel() noexcept {
    if (!cancel_) return;
    char buf[256];
    PQcancel(cancel_, buf, sizeof buf);
  }
  void abort() noexcept {
    const int fd = PQsocket(conn_);
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
  }

 private:
  PGconn* conn_;
  PGcancel* cancel_;
};

namespace {

// The commands of one round trip: libpq's pipeline mode sends them together
// and reads their results in order.
class Pipeline {
 public:
  explicit Pipeline(PgSession& s) : conn_(s.conn()) {
    if (!PQenterPipelineMode(conn_)) fail();
  }
  ~Pipeline() {
    if (PQpipelineStatus(conn_) != PQ_PIPELINE_OFF) {
      // An error path: drain what is left so that the connection is usable.
      while (PGresult* r = PQgetResult(conn_)) {
        const bool sync = PQresultStatus(r) == PGRES_PIPELINE_SYNC;
        PQclear(r);
        if (sync) break;
        while (PGresult* more = PQgetResult(conn_)) PQclear(more);
      }
      PQexitPipelineMode(conn_);
    }
  }
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  void query(const std::string& sql) {
    if (!PQsendQueryParams(conn_, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0)) fail();
    ++commands_;
  }
  void prepare(const std::string& name, const std::string& sql) {
    if (!PQsendPrepare(conn_, name.c_str(), sql.c_str(), 0, nullptr)) fail();
    ++commands_;
  }
  void describe(const std::string& name) {
    if (!PQsendDescribePrepared(conn_, name.c_str())) fail();
    ++commands_;
  }
  void execute(const std::string& name, const std::vector<const char*>& values,
               const std::vector<int>& lengths, const std::vector<int>& formats) {
    if (!PQsendQueryPrepared(conn_, name.c_str(), static_cast<int>(values.size()), values.data(),
                             lengths.empty() ? nullptr : lengths.data(),
                             formats.empty() ? nullptr : formats.data(), 0))
      fail();
    ++commands_;
  }

  // Sends everything and reads one result per command (nullptr for a command
  // skipped after an earlier one failed).
  std::vector<Result> finish() {
    if (!PQpipelineSync(conn_)) fail();
    std::vector<Result> results;
    results.reserve(commands_);
    for (size_t i = 0; i < commands_; ++i) {
      Result last;
      while (PGresult* r = PQgetResult(conn_)) last.reset(r);
      if (!last) fail();
      if (PQresultStatus(last.get()) == PGRES_PIPELINE_ABORTED) last.reset();
      results.push_back(std::move(last));
    }
    Result sync(PQgetResult(conn_));
    if (!sync || PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC) fail();
    PQexitPipelineMode(conn_);
    return results;
  }

 private:
  [[noreturn]] void fail() { throw result_error(nullptr, conn_, {}); }
  PGconn* conn_;
  size_t commands_ = 0;
};

bool result_ok(const PGresult* r) {
  if (!r) return false;
  const ExecStatusType st = PQresultStatus(r);
  return st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK;
}

// The first failed result of a round trip, or nullptr.
const PGresult* first_failure(const std::vector<Result>& results) {
  for (const Result& r : results) {
    if (r && !result_ok(r.get())) return r.get();
  }
  return nullptr;
}

// What one statement asks of a round trip.
struct StatementWork {
  const std::string* prepare_sql = nullptr;  // set: prepare and describe it first
  const std::string* name = nullptr;         // prepared statement to execute
  const std::string* immediate = nullptr;    // else: run this text as it stands
  bool execute = true;                       // false: only prepare and describe
  std::vector<const char*> values;
  std::vector<int> lengths;  // of binary values (empty: every value is text)
  std::vector<int> formats;
  bool writes = true;  // false for a plain read (no row locks): nothing to keep if a later one fails
};

// The results a statement's round trip gives.
struct StatementResults {
  Result describe;
  Result main;
};

// Runs one statement in `s`'s transaction: BEGIN (when pending), the
// statement under its own savepoint, all in one round trip. A statement that
// fails leaves the transaction as it was before it; raises EDatabaseError.
StatementResults run_statement(PgSession& s, const StatementWork& w, std::string_view statement) {
  throw_if_stop_requested();
  const bool begin = s.begin_pending;
  const bool guard = !begin && s.wrote;
  Pipeline p(s);
  for (const std::string& name : s.to_deallocate) p.query("DEALLOCATE " + name);
  const size_t deallocated = s.to_deallocate.size();
  s.to_deallocate.clear();
  if (begin) {
    p.query(s.begin_sql);
    p.query(fmt::format("SET LOCAL lock_timeout = '{}s'", s.lock_timeout));
  }
  for (const std::string& command : s.deferred) p.query(command);
  const size_t deferred = s.deferred.size();
  s.deferred.clear();
  if (guard) p.query(std::string("SAVEPOINT ") + kStatementSavepoint);
  if (w.prepare_sql) {
    p.prepare(*w.name, *w.prepare_sql);
    p.describe(*w.name);
  }
  if (w.immediate) {
    p.query(*w.immediate);
  } else if (w.execute) {
    p.execute(*w.name, w.values, w.lengths, w.formats);
  }
  if (guard) p.query(std::string("RELEASE SAVEPOINT ") + kStatementSavepoint);
  std::vector<Result> results = p.finish();
  if (begin) s.begin_pending = false;
  size_t at = deallocated + (begin ? 2 : 0) + deferred + (guard ? 1 : 0);
  StatementResults out;
  if (const PGresult* failure = first_failure(results)) {
    EDatabaseError error = result_error(failure, s.conn(), statement);
    // Undo the statement's work only: to its savepoint, or, while the
    // transaction holds nothing to keep, by starting it again.
    size_t failed_at = 0;
    while (results[failed_at].get() != failure) ++failed_at;
    if (guard && failed_at >= at) {
      const std::string undo =
          fmt::format("ROLLBACK TO SAVEPOINT {0}; RELEASE SAVEPOINT {0}", kStatementSavepoint);
      Result r(PQexec(s.conn(), undo.c_str()));
    } else {
      Result r(PQexec(s.conn(), "ROLLBACK"));
      s.begin_pending = true;
      s.wrote = false;
    }
    throw error;
  }
  if (w.writes) s.wrote = true;
  if (w.prepare_sql) {
    ++at;  // the prepare
    out.describe = std::move(results[at++]);
  }
  if (w.immediate || w.execute) out.main = std::move(results[at]);
  return out;
}

void fill_result(const PGresult* r, const std::shared_ptr<std::vector<ColumnInfo>>& columns, ResultData& out,
                 size_t max_rows) {
  out.columns = columns;
  out.cells.clear();
  out.row_count = 0;
  out.rows_affected = 0;
  const int ncol = PQnfields(r);
  if (PQresultStatus(r) == PGRES_TUPLES_OK && ncol > 0) {
    size_t rows = static_cast<size_t>(PQntuples(r));
    if (max_rows > 0 && rows > max_rows) rows = max_rows;
    out.cells.resize(rows * static_cast<size_t>(ncol));
    std::vector<Oid> types(static_cast<size_t>(ncol));
    for (int c = 0; c < ncol; ++c) types[static_cast<size_t>(c)] = PQftype(r, c);
    for (size_t row = 0; row < rows; ++row) {
      for (int c = 0; c < ncol; ++c) {
        CellValue& cell = out.cells[row * static_cast<size_t>(ncol) + static_cast<size_t>(c)];
        const int ri = static_cast<int>(row);
        if (PQgetisnull(r, ri, c)) {
          cell.kind = CellValue::Kind::null;
          continue;
        }
        decode_text_cell(types[static_cast<size_t>(c)],
                         std::string_view(PQgetvalue(r, ri, c), static_cast<size_t>(PQgetlength(r, ri, c))),
                         cell);
      }
    }
    out.row_count = rows;
  }
  const char* tuples = PQcmdTuples(const_cast<PGresult*>(r));
  out.rows_affected = (tuples && *tuples) ? std::atoll(tuples) : static_cast<int64_t>(out.row_count);
}

// The server says a text was too long for "character varying(N)" without
// saying which: the first bound text longer than N is told by its parameter,
// as the Firebird side tells it before the statement runs.
[[noreturn]] void raise_text_too_long(const EDatabaseError& e, const std::vector<std::string>& values,
                                      const std::vector<bool>& nulls, std::string_view sql) {
  const std::string& m = e.message();
  const size_t open = m.find('(');
  const size_t close = m.find(')', open == std::string::npos ? 0 : open);
  if (open != std::string::npos && close != std::string::npos) {
    const size_t limit = static_cast<size_t>(std::atoll(m.substr(open + 1, close - open - 1).c_str()));
    for (size_t i = 0; i < values.size(); ++i) {
      const size_t n = nulls[i] ? 0 : column_characters(values[i]);
      if (limit > 0 && n > limit) throw text_too_long(static_cast<unsigned>(i), n, limit, sql);
    }
  }
  throw e;
}

PgSession& session_of(TransactionHandle t) {
  if (!t) throw EDatabaseError(DatabaseErrorKind::usage, "no transaction is active");
  return *static_cast<PgSession*>(t);
}

// A savepoint command of the layer, in PostgreSQL's words ("... ONLY" is Firebird's).
bool savepoint_command(std::string_view sql, std::string& pg) {
  auto starts = [&](std::string_view word) {
    return sql.size() >= word.size() && std::equal(word.begin(), word.end(), sql.begin(), [](char a, char b) {
             return std::toupper(static_cast<unsigned char>(a)) == b;
           });
  };
  if (!starts("SAVEPOINT ") && !starts("RELEASE SAVEPOINT ") && !starts("ROLLBACK TO SAVEPOINT "))
    return false;
  pg.assign(sql);
  constexpr std::string_view kOnly = " ONLY";
  if (pg.size() > kOnly.size() && pg.compare(pg.size() - kOnly.size(), kOnly.size(), kOnly) == 0)
    pg.resize(pg.size() - kOnly.size());
  return true;
}

}  // namespace

bool is_postgres_location(std::string_view location) {
  return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

// ---- the connection -------------------------------------------------------------

std::unique_ptr<PgConnection> PgConnection::open(const ConnectSettings& settings,
                                                 const CreateSettings* create) {
  throw_if_stop_requested();
  std::unique_ptr<PgConnection> c(new PgConnection());
  c->settings_ = settings;
  if (create) {
    const std::string name = database_of(settings.location);
    PGconn* admin = connect(settings, "postgres");
    try {
      // Text sorts by code point, as Firebird's UTF8 does (collation C), and
      // UPPER knows the accented letters (character classes of C.UTF-8).
      admin_command(admin, "CREATE DATABASE " + quoted_identifier(admin, name) +
                               " ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C.UTF-8' TEMPLATE template0");
    } catch (...) {
      PQfinish(admin);
      throw;
    }
    PQfinish(admin);
  }
  c->sessions_.push_back(std::make_unique<PgSession>(connect(settings, nullptr)));
  c->idle_.push_back(c->sessions_.back().get());
  add_live_connection(c.get());
  return c;
}

PgConnection::~PgConnection() {
  remove_live_connection(this);
  std::lock_guard lock(sessions_mutex_);
  sessions_.clear();
}

void PgConnection::cancel_statement() noexcept {
  std::lock_guard lock(sessions_mutex_);
  for (auto& s : sessions_) {
    if (s->busy) s->cancel();
  }
}

void PgConnection::abort() noexcept {
  std::lock_guard lock(sessions_mutex_);
  for (auto& s : sessions_) s->abort();
}

PgSession* PgConnection::acquire_session() {
  {
    std::lock_guard lock(sessions_mutex_);
    if (!idle_.empty()) {
      // The first session first: it holds the most prepared statements.
      auto it = std::min_element(idle_.begin(), idle_.end(), [this](PgSession* a, PgSession* b) {
        auto pos = [this](PgSession* s) {
          for (size_t i = 0; i < sessions_.size(); ++i)
            if (sessions_[i].get() == s) return i;
          return sessions_.size();
        };
        return pos(a) < pos(b);
      });
      PgSession* s = *it;
      idle_.erase(it);
      return s;
    }
  }
  auto session = std::make_unique<PgSession>(connect(settings_, nullptr));
  PgSession* s = session.get();
  std::lock_guard lock(sessions_mutex_);
  sessions_.push_back(std::move(session));
  return s;
}

void PgConnection::release_session(PgSession* session) noexcept {
  session->busy = false;
  session->begin_pending = false;
  session->wrote = false;
  session->deferred.clear();
  std::lock_guard lock(sessions_mutex_);
  idle_.push_back(session);
}

TransactionHandle PgConnection::start_transaction(const TransactionSettings& settings) {
  throw_if_stop_requested();
  PgSession* s = acquire_session();
  s->busy = true;
  s->begin_pending = true;
  s->begin_sql = settings.read_only ? "BEGIN ISOLATION LEVEL READ COMMITTED READ ONLY"
                                    : "BEGIN ISOLATION LEVEL READ COMMITTED";
  s->wrote = false;
  s->deferred.clear();
  s->lock_timeout = settings.lock_timeout;
  return s;
}

void PgConnection::commit(TransactionHandle& transaction) {
  if (!transaction) return;
  throw_if_stop_requested();
  PgSession& s = session_of(transaction);
  if (!s.begin_pending) {
    StatementMark mark(*this);
    // The caller's last savepoint commands go first, in the same round trip.
    std::string sql;
    for (const std::string& command : s.deferred) sql += command + "; ";
    s.deferred.clear();
    sql += "COMMIT";
    Result r(PQexec(s.conn(), sql.c_str()));
    if (!result_ok(r.get())) throw result_error(r.get(), s.conn(), "COMMIT");
    // A transaction that had failed is rolled back by COMMIT, quietly: said here.
    if (std::strcmp(PQcmdStatus(r.get()), "COMMIT") != 0) {
      release_session(&s);
      transaction = nullptr;
      throw EDatabaseError(DatabaseErrorKind::other, "the transaction had failed and was rolled back",
                           "COMMIT");
    }
  }
  release_session(&s);
  transaction = nullptr;
}

void PgConnection::rollback(TransactionHandle& transaction) noexcept {
  if (!transaction) return;
  PgSession& s = *static_cast<PgSession*>(transaction);
  if (!s.begin_pending) {
    Result r(PQexec(s.conn(), "ROLLBACK"));
  }
  release_session(&s);
  transaction = nullptr;
}

void PgConnection::schema_changed() noexcept {
  catalog_.clear();
  std::lock_guard lock(sessions_mutex_);
  for (auto& s : sessions_) s->clear();
}

void PgConnection::execute_immediate(TransactionHandle transaction, std::string_view sql) {
  StatementMark mark(*this);
  PgSession& s = session_of(transaction);
  std::string pg;
  if (savepoint_command(sql, pg)) {
    // The caller's savepoints travel with the next statement (or the
    // commit): a savepoint costs no round trip of its own. From here on the
    // transaction has a state a failed statement must not undo.
    throw_if_stop_requested();
    s.deferred.push_back(std::move(pg));
    s.wrote = true;
    return;
  }
  if (is_ddl_statement(sql)) schema_changed();
  pg = to_postgres(sql, [&](std::string_view table) { return table_info(s, table); });
  StatementWork w;
  w.immediate = &pg;
  run_statement(s, w, sql);
}

void PgConnection::execute_script_statement(TransactionHandle transaction, const std::string& sql) {
  StatementMark mark(*this);
  PgSession& s = session_of(transaction);
  schema_changed();
  StatementWork w;
  w.immediate = &sql;
  run_statement(s, w, sql);
}

std::vector<std::string> PgConnection::script_statements(std::string_view script,
                                                         const std::filesystem::path& psql_folder) {
  // The catalog answers from the attachment's own session: a script's later
  // statements see the tables its earlier ones made (each is committed).
  return schema_to_postgres(
      script,
      [this](std::string_view table) {
        TransactionHandle h = start_transaction(TransactionSettings{true});
        try {
          PgTableInfo info = table_info(session_of(h), table);
          rollback(h);
          return info;
        } catch (...) {
          rollback(h);
          throw;
        }
      },
      psql_folder);
}

bool PgConnection::table_exists(TransactionHandle transaction, const std::string& table) {
  StatementMark mark(*this);
  ResultData out;
  run_translated(session_of(transaction),
                 "SELECT 1 FROM pg_class c WHERE c.relname = lower(?) AND c.relkind IN ('r', 'p', 'v') "
                 "AND pg_table_is_visible(c.oid)",
                 {table}, {false}, out, 0);
  return out.row_count > 0;
}

PgTableInfo PgConnection::table_info(PgSession& s, std::string_view table) {
  const std::string key(table);
  if (auto it = catalog_.find(key); it != catalog_.end()) return it->second;
  PgTableInfo info;
  const std::string lower = LowerCase(table);
  const char* values[] = {lower.c_str()};
  auto query = [&](const char* sql) {
    Result r(PQexecParams(s.conn(), sql, 1, nullptr, values, nullptr, nullptr, 0));
    if (!result_ok(r.get())) throw result_error(r.get(), s.conn(), sql);
    return r;
  };
  {
    Result r = query(
        "SELECT upper(a.attname), format_type(a.atttypid, a.atttypmod) FROM pg_attribute a "
        "JOIN pg_class c ON c.oid = a.attrelid WHERE c.relname = $1 AND pg_table_is_visible(c.oid) "
        "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum");
    for (int i = 0; i < PQntuples(r.get()); ++i)
      info.column_types.emplace_back(PQgetvalue(r.get(), i, 0), PQgetvalue(r.get(), i, 1));
  }
  {
    Result r = query(
        "SELECT i.indisprimary, string_agg(upper(a.attname), ',' ORDER BY k.ord) FROM pg_index i "
        "JOIN pg_class c ON c.oid = i.indrelid "
        "CROSS JOIN LATERAL unnest(i.indkey) WITH ORDINALITY AS k(attnum, ord) "
        "JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = k.attnum "
        "WHERE c.relname = $1 AND pg_table_is_visible(c.oid) AND i.indisunique "
        "AND i.indpred IS NULL AND i.indexprs IS NULL GROUP BY i.indexrelid, i.indisprimary");
    for (int i = 0; i < PQntuples(r.get()); ++i) {
      std::vector<std::string> cols;
      std::string_view list = PQgetvalue(r.get(), i, 1);
      size_t start = 0;
      while (start <= list.size()) {
        const size_t comma = list.find(',', start);
        cols.emplace_back(list.substr(start, comma == std::string_view::npos ? list.npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
      }
      if (PQgetvalue(r.get(), i, 0)[0] == 't') {
        info.primary_key = std::move(cols);
      } else {
        info.unique_keys.push_back(std::move(cols));
      }
    }
  }
  catalog_[key] = info;
  return info;
}

bool PgConnection::run_translated(PgSession& s, std::string_view sql, const std::vector<std::string>& values,
                                  const std::vector<bool>& nulls, ResultData& out, size_t max_rows,
                                  bool shape) {
  const std::string key(sql);
  std::shared_ptr<PgStatement> st = s.find(key);
  if (!st) {
    // Prepared and described first, in a round trip of its own: how each
    // value is sent depends on the type the server gives its parameter.
    auto fresh = std::make_shared<PgStatement>();
    const std::string pg = to_postgres(
        sql, [&](std::string_view table) { return table_info(s, table); }, &fresh->rules);
    fresh->name = "zpk_s" + std::to_string(++s.counter);
    fresh->reads_only = is_select_statement(sql) && UpperCase(pg).find("FOR UPDATE") == std::string::npos;
    StatementWork prep;
    prep.prepare_sql = &pg;
    prep.name = &fresh->name;
    prep.execute = false;
    prep.writes = false;
    StatementResults r = run_statement(s, prep, sql);
    fresh->parameters = PQnparams(r.describe.get());
    for (int i = 0; i < fresh->parameters; ++i) fresh->types.push_back(PQparamtype(r.describe.get(), i));
    fresh->columns = columns_of(r.describe.get());
    s.insert(key, fresh, cache_capacity_);
    st = std::move(fresh);
  }
  if (static_cast<size_t>(st->parameters) != values.size()) {
    throw EDatabaseError(DatabaseErrorKind::usage,
                         "the statement takes " + std::to_string(st->parameters) + " parameters, " +
                             std::to_string(values.size()) + " were given",
                         key);
  }
  // A text longer than the text column it meets is refused by its
  // parameter, as Firebird refuses it; a statement shape of lifted literals
  // is then run as written instead (where such a literal matches nothing).
  for (const auto& [marker, limit] : st->rules.limits) {
    const size_t i = static_cast<size_t>(marker - 1);
    if (i >= values.size() || nulls[i]) continue;
    const size_t n = column_characters(values[i]);
    if (n <= limit) continue;
    if (shape) return false;
    throw text_too_long(static_cast<unsigned>(i), n, limit, key);
  }
  // Texts compared where Firebird ignores trailing blanks lose them; bytes
  // for a BYTEA column go as they are (binary), never as a C string.
  std::vector<std::string> trimmed_values;
  std::vector<const std::string*> sent(values.size());
  for (size_t i = 0; i < values.size(); ++i) sent[i] = &values[i];
  if (!st->rules.trimmed.empty()) {
    trimmed_values.reserve(st->rules.trimmed.size());
    for (int m : st->rules.trimmed) {
      const size_t i = static_cast<size_t>(m - 1);
      if (i >= values.size()) continue;
      trimmed_values.emplace_back(without_trailing_blanks(values[i]));
      sent[i] = &trimmed_values.back();
    }
  }
  StatementWork w;
  w.name = &st->name;
  w.writes = !st->reads_only;
  w.values.reserve(values.size());
  const bool binary = std::find(st->types.begin(), st->types.end(), kBytea) != st->types.end();
  for (size_t i = 0; i < values.size(); ++i) {
    w.values.push_back(nulls[i] ? nullptr : sent[i]->c_str());
    if (binary) {
      const bool bytes = st->types[i] == kBytea;
      w.lengths.push_back(bytes ? static_cast<int>(sent[i]->size()) : 0);
      w.formats.push_back(bytes ? 1 : 0);
    }
  }
  StatementResults r;
  try {
    r = run_statement(s, w, sql);
  } catch (const EDatabaseError& e) {
    if (e.sqlstate() == "22001") raise_text_too_long(e, values, nulls, sql);
    throw;
  }
  fill_result(r.main.get(), st->columns, out, max_rows);
  return true;
}

void PgConnection::run(TransactionHandle transaction, std::string_view sql,
                       const std::vector<const BoundValue*>& values, bool literal_binding, ResultData& out,
                       size_t max_rows) {
  StatementMark mark(*this);
  PgSession& s = session_of(transaction);
  if (is_ddl_statement(sql)) {
    // A schema change outdates every prepared statement and is not kept itself.
    schema_changed();
    if (values.empty()) {
      const std::string pg = to_postgres(sql, [&](std::string_view table) { return table_info(s, table); });
      StatementWork w;
      w.immediate = &pg;
      StatementResults r = run_statement(s, w, sql);
      fill_result(r.main.get(), columns_of(r.main.get()), out, max_rows);
      return;
    }
  }
  if (literal_binding && auto_parameterize && values.empty()) {
    LiteralShape shape;
    if (lift_compared_literals(sql, shape) && rejected_shapes_.count(shape.text) == 0) {
      std::vector<bool> nulls(shape.values.size(), false);
      try {
        if (run_translated(s, shape.text, shape.values, nulls, out, max_rows, true)) return;
      } catch (const EDatabaseError& e) {
        // A shape the server will not take as bound values runs as written.
        if (e.kind() != DatabaseErrorKind::syntax && e.kind() != DatabaseErrorKind::other &&
            e.kind() != DatabaseErrorKind::conversion)
          throw;
        rejected_shapes_.insert(shape.text);
      }
    }
  }
  std::vector<std::string> texts(values.size());
  std::vector<bool> nulls(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    nulls[i] = values[i]->kind == BoundValue::Kind::null;
    texts[i] = parameter_text(*values[i]);
  }
  run_translated(s, sql, texts, nulls, out, max_rows);
}

void PgConnection::clear_statement_cache() noexcept {
  schema_changed();
}

size_t PgConnection::cached_statements() const {
  std::lock_guard lock(sessions_mutex_);
  size_t n = 0;
  for (const auto& s : sessions_) n = std::max(n, s->lru.size());
  return n;
}

void PgConnection::set_cache_capacity(size_t capacity) {
  cache_capacity_ = capacity == 0 ? 1 : capacity;
}

void PgConnection::drop_database() {
  const std::string name = database_of(settings_.location);
  remove_live_connection(this);
  {
    std::lock_guard lock(sessions_mutex_);
    idle_.clear();
    sessions_.clear();
  }
  PGconn* admin = connect(settings_, "postgres");
  try {
    admin_command(admin, "DROP DATABASE " + quoted_identifier(admin, name) + " WITH (FORCE)");
  } catch (...) {
    PQfinish(admin);
    throw;
  }
  PQfinish(admin);
}

}  // namespace zpk::detail
