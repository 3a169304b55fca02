// One PostgreSQL database seen through libpq, behind the same interface as a
// Firebird attachment: statements written in the library's Firebird dialect
// are translated once, prepared once per session, and run with Firebird's
// transaction behaviour (a failed statement undoes only its own work).
#pragma once

#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/db/detail/connection.hpp"
#include "platform/db/detail/pg_dialect.hpp"

namespace zpk::detail {

// True when `location` names a PostgreSQL database ("postgresql://..." or "postgres://...").
bool is_postgres_location(std::string_view location);

class PgSession;

class PgConnection final : public Connection {
 public:
  // Connects (creating the database first when `create` is set); raises EDatabaseError.
  static std::unique_ptr<PgConnection> open(const ConnectSettings& settings, const CreateSettings* create);
  ~PgConnection() override;

  EngineKind engine() const override { return EngineKind::postgres; }

  void cancel_statement() noexcept override;
  void abort() noexcept override;
  TransactionHandle start_transaction(const TransactionSettings& settings) override;
  void commit(TransactionHandle& transaction) override;
  void rollback(TransactionHandle& transaction) noexcept override;
  void execute_immediate(TransactionHandle transaction, std::string_view sql) override;
  void run(TransactionHandle transaction, std::string_view sql, const std::vector<const BoundValue*>& values,
           bool literal_binding, ResultData& out, size_t max_rows = 0) override;
  std::vector<std::string> script_statements(std::string_view script,
                                             const std::filesystem::path& psql_folder) override;
  void execute_script_statement(TransactionHandle transaction, const std::string& sql) override;
  bool table_exists(TransactionHandle transaction, const std::string& table) override;
  void clear_statement_cache() noexcept override;
  size_t cached_statements() const override;
  void set_cache_capacity(size_t capacity) override;
  void drop_database() override;

 private:
  PgConnection() = default;
  // A session for a new transaction: the first one when it is free, else another one.
  PgSession* acquire_session();
  void release_session(PgSession* session) noexcept;
  // What the translation needs to know of `table` (cached until a schema change).
  PgTableInfo table_info(PgSession& session, std::string_view table);
  // Runs `sql` (Firebird dialect) with its values on `session`. A `shape`
  // (lifted literals) whose value is too long for its column is not run:
  // false then.
  bool run_translated(PgSession& session, std::string_view sql, const std::vector<std::string>& values,
                      const std::vector<bool>& nulls, ResultData& out, size_t max_rows, bool shape = false);
  void schema_changed() noexcept;

  ConnectSettings settings_;
  size_t cache_capacity_ = 256;
  mutable std::mutex sessions_mutex_;  // sessions_ against cancel/abort from other threads
  std::vector<std::unique_ptr<PgSession>> sessions_;
  std::vector<PgSession*> idle_;
  std::unordered_map<std::string, PgTableInfo> catalog_;
  std::unordered_set<std::string> rejected_shapes_;
};

}  // namespace zpk::detail
