// The database layer's exception: what the engine said (message, SQLSTATE,
// Firebird error codes), the statement that failed, and its kind, so callers
// can tell a normal update conflict from a real failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

// A text longer than the parameter it is bound to can take (the column it is
// written to or compared with), counted in characters as the column's size is.
struct TextTooLong {
  unsigned marker = 0;    // 0-based position of the parameter among the statement's markers
  size_t characters = 0;  // the text's length, trailing blanks left out (the engine drops those)
  size_t limit = 0;       // the most characters the parameter takes
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
  // A truncation refused before the statement ran, told as
  // "NAME: 10240 characters, at most 100" (`name` the parameter, usually its
  // column); SQLSTATE 22001 as the engine gives it.
  EDatabaseError(const TextTooLong& too_long, const std::string& name, std::string statement);

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
  // Set when the error is a text too long for its parameter.
  const std::optional<TextTooLong>& text_too_long() const { return too_long_; }

  // The message on one line, for a person: the engine's lines joined by
  // ": ", without the generic ones ("Dynamic SQL Error", "SQL error code =
  // -303", ...) that only say which layer refused the statement.
  std::string summary() const;

  // Names the statement as its caller wrote it (the layer may have rewritten it).
  void set_statement(std::string statement) { statement_ = std::move(statement); }

 private:
  std::string message_;
  std::string sqlstate_;
  std::vector<int64_t> codes_;
  std::string statement_;
  DatabaseErrorKind kind_;
  std::optional<TextTooLong> too_long_;
};

// The kind of an engine error, from its codes and SQLSTATE: the one place where
// Firebird status codes and SQLSTATEs are mapped. A conflict anywhere in the
// codes wins; otherwise the first code that names a reason, then the SQLSTATE,
// then a bare "Dynamic SQL Error" (syntax).
DatabaseErrorKind classify_database_error(const std::vector<int64_t>& codes, const std::string& sqlstate);

}  // namespace zpk
