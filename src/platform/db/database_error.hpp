// The database layer's exception: what the engine said (message, SQLSTATE,
// Firebird error codes), the statement that failed, and its kind, so callers
// can tell a normal update conflict from a real failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/errors.hpp"

namespace zpk {

// What went wrong, as far as callers need to tell it apart.
enum class DatabaseErrorKind {
  other,
  conflict,          // update conflict, deadlock, lock conflict, lock timeout, a row moved meanwhile: retry
  unique_violation,  // a primary key or unique constraint refused a duplicate
  foreign_key,       // a referenced row is missing or still referenced
  not_null,          // a required column got no value
  truncation,        // a value does not fit its column (string truncation, numeric overflow)
  conversion,        // a value could not be converted to the column's type
  syntax,            // the statement is not valid SQL or names unknown objects
  connection,        // the database could not be reached, opened or created
  cancelled,         // the program is stopping: the statement was cancelled or not started
  usage,             // the layer was used wrongly (no database, unknown field or parameter)
};

class EDatabaseError : public EZpkError {
 public:
  // An error raised by the engine: `codes` are the Firebird codes of the status
  // vector, the first being the primary one.
  EDatabaseError(std::string message, std::string sqlstate, std::vector<int64_t> codes,
                 std::string statement = {});
  // An error of the layer itself (no engine status).
  EDatabaseError(DatabaseErrorKind kind, std::string message, std::string statement = {});
  // The engine error `cause` (its SQLSTATE, codes and statement), told as
  // `kind` with the caller's message: what it means where it happened.
  EDatabaseError(DatabaseErrorKind kind, const EDatabaseError& cause, std::string message);

  const std::string& message() const { return message_; }
  const std::string& sqlstate() const { return sqlstate_; }
  // The primary Firebird error code (0 when the layer raised it itself).
  int64_t error_code() const { return codes_.empty() ? 0 : codes_.front(); }
  const std::vector<int64_t>& error_codes() const { return codes_; }
  const std::string& statement() const { return statement_; }
  DatabaseErrorKind kind() const { return kind_; }
  // True for update conflicts and lock timeouts, which are normal under load.
  bool is_conflict() const { return kind_ == DatabaseErrorKind::conflict; }
  // True when a value does not fit its column or parameter; in a comparison
  // that means the value matches no row.
  bool is_truncation() const { return kind_ == DatabaseErrorKind::truncation; }
  // True when the work was stopped on request (see cancellation.hpp): never retried.
  bool is_cancelled() const { return kind_ == DatabaseErrorKind::cancelled; }
  bool has_code(int64_t code) const;

  // Names the statement as its caller wrote it (the layer may have rewritten it).
  void set_statement(std::string statement) { statement_ = std::move(statement); }

 private:
  std::string message_;
  std::string sqlstate_;
  std::vector<int64_t> codes_;
  std::string statement_;
  DatabaseErrorKind kind_;
};

// The kind of an engine error, from its codes and SQLSTATE: the one place where
// Firebird status codes and SQLSTATEs are mapped. A conflict anywhere in the
// codes wins; otherwise the first code that names a reason, then the SQLSTATE,
// then a bare "Dynamic SQL Error" (syntax).
DatabaseErrorKind classify_database_error(const std::vector<int64_t>& codes, const std::string& sqlstate);

}  // namespace zpk
