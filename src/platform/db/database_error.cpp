#include "platform/db/database_error.hpp"

#include <algorithm>
#include <string_view>

namespace zpk {

namespace {

// Firebird status codes (iberror.h), kept here so that the mapping is readable
// without the engine's headers. no_cur_rec counts as a conflict: a searched
// UPDATE or DELETE that waited for a row another transaction changed, and then
// could not read that row again, fails with it instead of an update conflict
// now and then; the statement changed nothing and runs again like after one.
struct CodeKind {
  int64_t code;
  DatabaseErrorKind kind;
};
constexpr CodeKind kCodeKinds[] = {
    {335544451, DatabaseErrorKind::conflict},          // update_conflict
    {335544336, DatabaseErrorKind::conflict},          // deadlock
    {335544345, DatabaseErrorKind::conflict},          // lock_conflict
    {335544510, DatabaseErrorKind::conflict},          // lock_timeout
    {335545096, DatabaseErrorKind::conflict},          // read_conflict
    {335544878, DatabaseErrorKind::conflict},          // concurrent_transaction
    {335544348, DatabaseErrorKind::conflict},          // no_cur_rec
    {335544665, DatabaseErrorKind::unique_violation},  // unique_key_violation
    {335544349, DatabaseErrorKind::unique_violation},  // no_dup (unique index)
    {335544466, DatabaseErrorKind::foreign_key},       // foreign_key
    {335544838, DatabaseErrorKind::foreign_key},       // foreign_key_target_doesnt_exist
    {335544839, DatabaseErrorKind::foreign_key},       // foreign_key_references_present
    {335544347, DatabaseErrorKind::not_null},          // not_valid (validation, e.g. NOT NULL)
    {335544879, DatabaseErrorKind::not_null},          // not_valid_for_var
    {335544880, DatabaseErrorKind::not_null},          // not_valid_for
    {335544914, DatabaseErrorKind::truncation},        // string_truncation
    {335544916, DatabaseErrorKind::truncation},        // numeric_out_of_range
    {335544321, DatabaseErrorKind::truncation},        // arith_except
    {335544334, DatabaseErrorKind::conversion},        // convert_error
    {335544634, DatabaseErrorKind::syntax},            // dsql_token_unk_err
    {335544580, DatabaseErrorKind::syntax},            // dsql_relation_err (table unknown)
    {335544578, DatabaseErrorKind::syntax},            // dsql_field_err (column unknown)
    {335544344, DatabaseErrorKind::connection},        // io_error
    {335544721, DatabaseErrorKind::connection},        // network_error
    {335544472, DatabaseErrorKind::connection},        // login
    {335544375, DatabaseErrorKind::connection},        // unavailable
    {335544648, DatabaseErrorKind::connection},        // conn_lost
    {335544741, DatabaseErrorKind::connection},        // lost_db_connection
    {335544794, DatabaseErrorKind::cancelled},         // cancelled (the operation was cancelled)
};

// "Dynamic SQL Error" only says which layer refused the statement: the engine
// puts it first and the reason after (a truncation, a conversion, an unknown
// column), so it decides only when nothing more specific follows.
constexpr int64_t kDsqlError = 335544569;

// Standard SQLSTATEs, for errors whose codes say nothing more specific (and
// for engines that give only a SQLSTATE).
struct StateKind {
  std::string_view state;  // a whole SQLSTATE, or a class of two characters
  DatabaseErrorKind kind;
};
constexpr StateKind kStateKinds[] = {
    {"40001", DatabaseErrorKind::conflict},          // serialization failure
    {"40P01", DatabaseErrorKind::conflict},          // deadlock detected
    {"55P03", DatabaseErrorKind::conflict},          // lock not available (PostgreSQL's lock timeout)
    {"57014", DatabaseErrorKind::cancelled},         // query cancelled (PostgreSQL, on the layer's request)
    {"57P", DatabaseErrorKind::connection},          // the server is shutting down or starting
    {"53300", DatabaseErrorKind::connection},        // too many connections
    {"23505", DatabaseErrorKind::unique_violation},  // unique violation
    {"23503", DatabaseErrorKind::foreign_key},       // foreign key violation
    {"23502", DatabaseErrorKind::not_null},          // not null violation
    {"22001", DatabaseErrorKind::truncation},        // string data, right truncation
    {"22003", DatabaseErrorKind::truncation},        // numeric value out of range
    {"22018", DatabaseErrorKind::conversion},        // invalid character value for cast
    {"22P02", DatabaseErrorKind::conversion},        // invalid text representation
    {"42", DatabaseErrorKind::syntax},               // syntax error or access rule violation
    {"08", DatabaseErrorKind::connection},           // connection exception
};

const CodeKind* find_code(const CodeKind* first, const CodeKind* last, int64_t code) {
  const CodeKind* found = std::find_if(first, last, [code](const CodeKind& ck) { return ck.code == code; });
  return found == last ? nullptr : found;
}

}  // namespace

DatabaseErrorKind classify_database_error(const std::vector<int64_t>& codes, const std::string& sqlstate) {
  // A conflict anywhere in the vector wins: the engine wraps it in generic codes.
  if (sqlstate == "40001") return DatabaseErrorKind::conflict;
  for (int64_t code : codes) {
    const CodeKind* ck = find_code(std::begin(kCodeKinds), std::end(kCodeKinds), code);
    if (ck && ck->kind == DatabaseErrorKind::conflict) return ck->kind;
  }
  // Otherwise the first code that names a reason.
  for (int64_t code : codes) {
    if (const CodeKind* ck = find_code(std::begin(kCodeKinds), std::end(kCodeKinds), code)) return ck->kind;
  }
  for (const StateKind& sk : kStateKinds) {
    if (sqlstate.compare(0, sk.state.size(), sk.state) == 0) return sk.kind;
  }
  if (std::find(codes.begin(), codes.end(), kDsqlError) != codes.end()) return DatabaseErrorKind::syntax;
  return DatabaseErrorKind::other;
}

EDatabaseError::EDatabaseError(std::string message, std::string sqlstate, std::vector<int64_t> codes,
                               std::string statement)
    : EZpkError(message),
      message_(std::move(message)),
      sqlstate_(std::move(sqlstate)),
      codes_(std::move(codes)),
      statement_(std::move(statement)),
      kind_(classify_database_error(codes_, sqlstate_)) {}

EDatabaseError::EDatabaseError(DatabaseErrorKind kind, std::string message, std::string statement)
    : EZpkError(message), message_(std::move(message)), statement_(std::move(statement)), kind_(kind) {}

EDatabaseError::EDatabaseError(DatabaseErrorKind kind, const EDatabaseError& cause, std::string message)
    : EZpkError(message),
      message_(std::move(message)),
      sqlstate_(cause.sqlstate_),
      codes_(cause.codes_),
      statement_(cause.statement_),
      kind_(kind),
      too_long_(cause.too_long_) {}

EDatabaseError::EDatabaseError(const TextTooLong& too_long, const std::string& name, std::string statement)
    : EDatabaseError(DatabaseErrorKind::truncation,
                     name + ": " + std::to_string(too_long.characters) + " characters, at most " +
                         std::to_string(too_long.limit),
                     std::move(statement)) {
  sqlstate_ = "22001";
  too_long_ = too_long;
}

bool EDatabaseError::has_code(int64_t code) const {
  return std::find(codes_.begin(), codes_.end(), code) != codes_.end();
}

namespace {

// Lines of the engine's messages that only say which layer refused the
// statement, or that a more specific line follows.
constexpr std::string_view kGenericLines[] = {
    "Dynamic SQL Error",
    "arithmetic exception, numeric overflow, or string truncation",
};
constexpr std::string_view kSqlErrorCode = "SQL error code = ";

// `line` without a generic part: a generic line becomes empty, and a caller's
// "file.sql: Dynamic SQL Error" keeps its "file.sql".
std::string_view without_generic(std::string_view line) {
  if (line.substr(0, kSqlErrorCode.size()) == kSqlErrorCode) return {};
  for (std::string_view generic : kGenericLines) {
    if (line == generic) return {};
    if (line.size() > generic.size() + 2 && line.substr(line.size() - generic.size()) == generic &&
        line.substr(line.size() - generic.size() - 2, 2) == ": ") {
      return line.substr(0, line.size() - generic.size() - 2);
    }
  }
  return line;
}

}  // namespace

std::string EDatabaseError::summary() const {
  std::vector<std::string_view> all;
  std::vector<std::string_view> specific;
  std::string_view rest = message_;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    while (!line.empty() && (line.front() == '-' || line.front() == ' ')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.remove_suffix(1);
    if (line.empty()) continue;
    all.push_back(line);
    if (std::string_view kept = without_generic(line); !kept.empty()) specific.push_back(kept);
  }
  const std::vector<std::string_view>& parts = specific.empty() ? all : specific;
  std::string text;
  for (std::string_view part : parts) {
    if (!text.empty()) text += ": ";
    text += part;
  }
  return text;
}

}  // namespace zpk
