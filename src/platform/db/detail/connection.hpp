// One Firebird attachment seen through the OO API: attaching and creating,
// transactions, and running statements through a per-attachment cache of
// prepared statements keyed by their text. TTIDatabase is the public face.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/db/detail/values.hpp"

namespace Firebird {
class IAttachment;
class ITransaction;
class IStatus;
}  // namespace Firebird

namespace zpk::detail {

struct ConnectSettings {
  std::string location;  // a file path (embedded engine) or host[/port]:path (server)
  std::string user;      // empty: the client takes ISC_USER
  std::string password;  // empty: the client takes ISC_PASSWORD
};

struct CreateSettings {
  int page_size = 8192;
  bool forced_writes = true;  // off only for throw-away databases (tests)
};

struct TransactionSettings {
  bool read_only = false;
  int lock_timeout = 10;  // seconds a statement waits for a row another transaction holds
};

struct CachedStatement;

class Connection {
 public:
  // Attaches to the database, or creates it when `create` is set; raises EDatabaseError.
  static std::unique_ptr<Connection> open(const ConnectSettings& settings, const CreateSettings* create);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  Firebird::IAttachment* attachment() const { return attachment_; }

  // Starts a READ COMMITTED record-version transaction that waits for locks.
  Firebird::ITransaction* start_transaction(const TransactionSettings& settings);
  // Commits and releases the handle (left untouched when the commit fails).
  void commit(Firebird::ITransaction*& transaction);
  // Rolls back and releases the handle; never throws.
  void rollback(Firebird::ITransaction*& transaction) noexcept;

  // Runs one statement without parameters and without caching it.
  void execute_immediate(Firebird::ITransaction* transaction, std::string_view sql);

  // Runs a statement with its positional values; fills `out` with every row
  // when it returns rows. With `literal_binding`, a SELECT whose compared
  // string literals can be bound instead runs as that cached shape.
  void run(Firebird::ITransaction* transaction, std::string_view sql,
           const std::vector<const BoundValue*>& values, bool literal_binding, ResultData& out);

  // Frees every prepared statement (needed before schema changes).
  void clear_statement_cache() noexcept;
  size_t cached_statements() const { return lru_.size(); }

  // Drops the database file and detaches.
  void drop_database();

  bool auto_parameterize = true;
  size_t cache_capacity = 256;

 private:
  Connection() = default;
  std::shared_ptr<CachedStatement> prepare(Firebird::ITransaction* transaction, std::string_view sql,
                                           bool cache);
  std::shared_ptr<CachedStatement> find(std::string_view sql);
  void execute(CachedStatement& cs, Firebird::ITransaction* transaction,
               const std::vector<const BoundValue*>& values, std::string_view sql, ResultData& out);
  bool literals_fit(const CachedStatement& cs, const std::vector<std::string>& values) const;

  Firebird::IAttachment* attachment_ = nullptr;
  Firebird::IStatus* status_ = nullptr;
  using Entry = std::pair<std::string, std::shared_ptr<CachedStatement>>;
  std::list<Entry> lru_;  // most recently used first
  std::unordered_map<std::string_view, std::list<Entry>::iterator> index_;
  std::unordered_set<std::string> rejected_shapes_;  // literal shapes the engine would not prepare
};

// Conversions between TDateTime days and Firebird's date and time counts.
int32_t to_isc_date(double days);
uint32_t to_isc_time(double days);
void to_isc_timestamp(double days, int32_t& date, uint32_t& time);
double from_isc_date(int32_t date);
double from_isc_time(uint32_t time);
double from_isc_timestamp(int32_t date, uint32_t time);

}  // namespace zpk::detail
