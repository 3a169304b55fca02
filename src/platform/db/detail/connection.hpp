// One Firebird attachment seen through the OO API: attaching and creating,
// transactions, and running statements through the attachment's cache of
// prepared statements. TTIDatabase is the public face.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/detail/statement_cache.hpp"
#include "platform/db/values.hpp"

namespace zpk::detail {

struct ConnectSettings {
  std::string location;  // a file path (embedded engine) or host[/port]:path (server)
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

class Connection {
 public:
  // Attaches to the database, or creates it when `create` is set; raises
  // EDatabaseError (of kind connection when the location cannot be opened).
  static std::unique_ptr<Connection> open(const ConnectSettings& settings, const CreateSettings* create);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  Firebird::IAttachment* attachment() const { return attachment_; }

  // True while a statement of this connection runs in the engine.
  bool in_statement() const { return in_statement_.load(); }
  // Asks the engine, from another thread, to cancel the running statement
  // (it then raises EDatabaseError of kind cancelled); never throws.
  void cancel_statement() noexcept;
  // Closes the connection from the client side, from another thread: the
  // call in progress and every later one fail, and the server rolls back
  // what was not committed. The last resort when a cancel does not come back.
  void abort() noexcept;

  // Starts a READ COMMITTED record-version transaction that waits for locks;
  // raises EDatabaseError of kind cancelled once a stop was requested.
  Firebird::ITransaction* start_transaction(const TransactionSettings& settings);
  // Commits and releases the handle (left untouched when the commit fails,
  // and once a stop was requested: the work is then rolled back instead).
  void commit(Firebird::ITransaction*& transaction);
  // Rolls back and releases the handle; never throws.
  void rollback(Firebird::ITransaction*& transaction) noexcept;

  // Runs one statement without parameters and without caching it. This and
  // run() raise EDatabaseError of kind cancelled when a stop is requested.
  void execute_immediate(Firebird::ITransaction* transaction, std::string_view sql);

  // Runs a statement with its positional values; fills `out` with every row
  // when it returns rows (the first `max_rows` only, when not 0). With
  // `literal_binding`, a SELECT whose compared string literals can be bound
  // instead runs as that cached shape.
  void run(Firebird::ITransaction* transaction, std::string_view sql,
           const std::vector<const BoundValue*>& values, bool literal_binding, ResultData& out,
           size_t max_rows = 0);

  // Frees every prepared statement (needed before schema changes).
  void clear_statement_cache() noexcept { cache_.clear(); }
  size_t cached_statements() const { return cache_.size(); }
  void set_cache_capacity(size_t capacity) { cache_.capacity = capacity; }

  // Drops the database file and detaches.
  void drop_database();

  bool auto_parameterize = true;

 private:
  Connection() = default;
  // The prepared statement for `sql`, from the cache or prepared now (and
  // cached unless it changes the schema).
  std::shared_ptr<CachedStatement> statement(Firebird::ITransaction* transaction, std::string_view sql);
  // Runs the literal-binding shape of `sql`; false when it has none that binds.
  bool run_as_shape(Firebird::ITransaction* transaction, std::string_view sql, ResultData& out,
                    size_t max_rows);
  void execute(CachedStatement& cs, Firebird::ITransaction* transaction,
               const std::vector<const BoundValue*>& values, std::string_view sql, ResultData& out,
               size_t max_rows);

  friend class StatementMark;

  Firebird::IAttachment* attachment_ = nullptr;
  Firebird::IStatus* status_ = nullptr;
  std::atomic<bool> in_statement_{false};
  StatementCache cache_;
};

}  // namespace zpk::detail
