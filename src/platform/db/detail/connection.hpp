// The engine-neutral connection behind TTIDatabase: what the query layer
// asks of an engine (attach, transactions, statements, schema scripts), with
// a Firebird and a PostgreSQL implementation behind it.
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/values.hpp"

namespace zpk::detail {

struct ConnectSettings {
  std::string location;  // a file path (embedded engine), host[/port]:path (server) or postgresql://...
  std::string user;      // empty: the client takes ISC_USER
  std::string password;  // empty: the client takes ISC_PASSWORD
  // Seconds a server has to answer the connection; 0 leaves it to the
  // client's configuration (ConnectionTimeout, 180 s by default).
  int connect_timeout = 0;
};

struct CreateSettings {
  int page_size = 8192;
  bool forced_writes = true;  // off only for throw-away databases (tests)
};

struct TransactionSettings {
  bool read_only = false;
  int lock_timeout = 10;  // seconds a statement waits for a row another transaction holds
};

// An engine's transaction as the layer holds it: a Firebird transaction
// handle, or the PostgreSQL session a transaction runs on. Opaque to callers.
using TransactionHandle = void*;

// Which engine a connection talks to.
enum class EngineKind { firebird, postgres };

// One attachment to a database engine: attaching and creating, transactions,
// and running statements written in the library's (Firebird) dialect through
// a cache of prepared statements. TTIDatabase is the public face; each engine
// implements this interface.
class Connection {
 public:
  // Attaches to the database, or creates it when `create` is set; a location
  // starting with "postgresql://" or "postgres://" selects PostgreSQL, any
  // other Firebird. Raises EDatabaseError (of kind connection when the
  // location cannot be opened).
  static std::unique_ptr<Connection> open(const ConnectSettings& settings, const CreateSettings* create);
  virtual ~Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  virtual EngineKind engine() const = 0;

  // True while a statement of this connection runs in the engine.
  bool in_statement() const { return in_statement_.load(); }
  // Asks the engine, from another thread, to cancel the running statement
  // (it then raises EDatabaseError of kind cancelled); never throws.
  virtual void cancel_statement() noexcept = 0;
  // Closes the connection from the client side, from another thread: the
  // call in progress and every later one fail, and the server rolls back
  // what was not committed. The last resort when a cancel does not come back.
  virtual void abort() noexcept = 0;

  // Starts a READ COMMITTED transaction that waits for locks up to the
  // settings' timeout; raises EDatabaseError of kind cancelled once a stop was requested.
  virtual TransactionHandle start_transaction(const TransactionSettings& settings) = 0;
  // Commits and clears the handle (left untouched when the commit fails,
  // and once a stop was requested: the work is then rolled back instead).
  virtual void commit(TransactionHandle& transaction) = 0;
  // Rolls back and clears the handle; never throws.
  virtual void rollback(TransactionHandle& transaction) noexcept = 0;

  // Runs one statement without parameters and without caching it. This and
  // run() raise EDatabaseError of kind cancelled when a stop is requested.
  // A failed statement undoes only its own work: the transaction goes on.
  virtual void execute_immediate(TransactionHandle transaction, std::string_view sql) = 0;

  // Runs a statement with its positional values; fills `out` with every row
  // when it returns rows (the first `max_rows` only, when not 0). With
  // `literal_binding`, a SELECT whose compared string literals can be bound
  // instead runs as that cached shape.
  virtual void run(TransactionHandle transaction, std::string_view sql,
                   const std::vector<const BoundValue*>& values, bool literal_binding, ResultData& out,
                   size_t max_rows = 0) = 0;

  // The statements of a schema script, as this engine runs them (stored
  // routines from `psql_folder` on engines that need their own versions).
  virtual std::vector<std::string> script_statements(std::string_view script,
                                                     const std::filesystem::path& psql_folder) = 0;
  // Runs one statement of script_statements() as it stands.
  virtual void execute_script_statement(TransactionHandle transaction, const std::string& sql) = 0;
  // Whether a table of this name exists (upper-case name, as the schema writes it).
  virtual bool table_exists(TransactionHandle transaction, const std::string& table) = 0;

  // Frees every prepared statement (needed before schema changes).
  virtual void clear_statement_cache() noexcept = 0;
  virtual size_t cached_statements() const = 0;
  virtual void set_cache_capacity(size_t capacity) = 0;

  // Drops the database and detaches.
  virtual void drop_database() = 0;

  bool auto_parameterize = true;

 protected:
  Connection() = default;
  friend class StatementMark;
  std::atomic<bool> in_statement_{false};
};

// Marks the connection busy for one statement, then checks for a stop. Marked
// first, so that a stop requested in between finds the mark and cancels the
// statement (cancellation.cpp sets its flag, then reads the marks). A nested
// mark (a statement run from inside another) leaves the outer one alone.
class StatementMark {
 public:
  explicit StatementMark(Connection& c);
  ~StatementMark() {
    if (!outer_) c_.in_statement_.store(false);
  }
  StatementMark(const StatementMark&) = delete;
  StatementMark& operator=(const StatementMark&) = delete;

 private:
  Connection& c_;
  bool outer_;
};

}  // namespace zpk::detail
