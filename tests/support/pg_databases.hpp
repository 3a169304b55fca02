// Test support for running database tests on PostgreSQL: databases created
// from a template and dropped through the server named by ZPK_TEST_PG_ADMIN
// (scripts/pgserver), straight on libpq, without the library's own driver.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct pg_conn;

namespace zpk::test {

// A failed libpq call: the server's message and its SQLSTATE ("" when the
// failure came before the server, a refused connection say).
class PgError : public std::runtime_error {
 public:
  PgError(const std::string& message, std::string sqlstate)
      : std::runtime_error(message), sqlstate_(std::move(sqlstate)) {}
  const std::string& sqlstate() const { return sqlstate_; }

 private:
  std::string sqlstate_;
};

// One connection to a database, for the tests' own statements.
class PgConnection {
 public:
  // Connects to `location` (a "postgresql://" URI); throws PgError when refused.
  explicit PgConnection(const std::string& location);
  ~PgConnection();
  PgConnection(PgConnection&&) noexcept;
  PgConnection& operator=(PgConnection&&) noexcept;

  // Runs `sql` with `params` bound as $1, $2...; throws PgError on failure.
  void exec(const std::string& sql, const std::vector<std::string>& params = {});
  // The rows of `sql` as texts (NULL as "").
  std::vector<std::vector<std::string>> rows(const std::string& sql,
                                             const std::vector<std::string>& params = {});
  // The first column of the first row of `sql`; "" when it has none.
  std::string value(const std::string& sql, const std::vector<std::string>& params = {});

 private:
  std::unique_ptr<pg_conn, void (*)(pg_conn*)> conn_;
};

// The administration location of the test server (ZPK_TEST_PG_ADMIN); "" when unset.
std::string pg_admin_location();

// The location of database `name` on the same server, with the same login.
std::string pg_location(const std::string& name);

// A database name for this process: "zpk_<pid>_<label>", the label lower-cased
// with anything but [a-z0-9_] made '_', cut to PostgreSQL's 63 bytes. Two
// databases of one process need different labels.
std::string pg_database_name(const std::string& label);

// Whether database `name` exists on the server.
bool pg_database_exists(const std::string& name);

// Creates `new_name` as a copy of `template_name`. PostgreSQL refuses to copy
// a database somebody is connected to; while that lasts (a test closing its
// session, another process finishing its own copy) it tries again, for up to 30 s.
void create_pg_database_from_template(const std::string& template_name, const std::string& new_name);

// Drops `name` when it exists, ending the sessions still connected to it first
// (a test that failed midway leaves its connections behind); a template is
// made an ordinary database first so that it can be dropped.
void drop_pg_database(const std::string& name);

// Makes sure `template_name` exists: the first process to get here builds it,
// the others wait on a lock file of the build tree and then find it. `build`
// receives the location of an empty database to fill (and must close its
// connections); only a complete build becomes the template, under its name,
// marked as a template that accepts no connections (so that it is never busy
// when copied). A build that throws leaves nothing behind. Names that must
// change with the schema should carry its digest.
void ensure_pg_template(const std::string& template_name,
                        const std::function<void(const std::string&)>& build);

}  // namespace zpk::test
