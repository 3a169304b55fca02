// Statements whose wording differs between the two engines the database tests
// run on (Firebird, PostgreSQL): one helper per fact a test arranges or reads,
// worded for the engine of test::on_postgres().
#pragma once

#include <filesystem>
#include <string>

#include "platform/db/database.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::test {

// Makes the database refuse (raise an error from a trigger named `name`)
// every row that `event` ("INSERT" or "UPDATE") leaves in `table` with
// `column` equal to the text `value`; committed, so the routine under test
// meets it on its own statements.
void refuse_rows(const std::string& name, const std::string& table, const std::string& event,
                 const std::string& column, const std::string& value);
// Removes the trigger (and what it raises) that refuse_rows created.
void drop_refusal(const std::string& name, const std::string& table);

// The SQLSTATE the engine gives a statement naming a column, or a table,
// that does not exist (Firebird 42S22 / 42S02, PostgreSQL 42703 / 42P01).
std::string unknown_column_sqlstate();
std::string unknown_table_sqlstate();

// Whether an engine's error message names `name` (a table, a column, a
// constraint): as written on Firebird; on PostgreSQL whatever its case, the
// server folding unquoted names to lower case.
bool names(const std::string& message, const std::string& name);

// How many user attachments to the database of `db` are open now besides
// `db`'s own (other stations, a routine's private connection). Ends the
// transaction of `db` before and after: both engines show one picture of
// the attachments per transaction.
int other_attachments(TTIDatabase& db = Tabela.IBDatabase);

// The test server's login: ISC_USER / ISC_PASSWORD for Firebird, PGUSER /
// PGPASSWORD for PostgreSQL (both set by scripts/run-tests).
DatabaseCredentials server_credentials();
// The environment variable the engine's client takes the password from when
// none is given (ISC_PASSWORD or PGPASSWORD).
const char* password_variable();

// A database on the test server that does not exist yet, for the commands
// that make one (`zpk db create`): a file in the Firebird server's data
// folder, or a database of the PostgreSQL server. Whatever exists under its
// name is removed when the object dies.
class NewServerDatabase {
 public:
  // Raises EZpkError when the test server is not configured.
  explicit NewServerDatabase(const std::string& label);
  ~NewServerDatabase();
  NewServerDatabase(const NewServerDatabase&) = delete;
  NewServerDatabase& operator=(const NewServerDatabase&) = delete;

  // What --db takes; never holds the password.
  const std::string& location() const { return location_; }
  // Whether the database exists now.
  bool exists() const;

 private:
  std::filesystem::path file_;  // Firebird
  std::string name_;            // PostgreSQL
  std::string location_;
};

}  // namespace zpk::test
