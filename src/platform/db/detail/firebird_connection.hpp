// One Firebird attachment seen through the OO API: attaching and creating,
// transactions, and running statements through the attachment's cache of
// prepared statements.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/detail/connection.hpp"
#include "platform/db/detail/statement_cache.hpp"

namespace zpk::detail {

class FirebirdConnection final : public Connection {
 public:
  // Attaches to (or creates) the database at settings.location; raises EDatabaseError.
  static std::unique_ptr<FirebirdConnection> open(const ConnectSettings& settings,
                                                  const CreateSettings* create);
  ~FirebirdConnection() override;

  EngineKind engine() const override { return EngineKind::firebird; }
  Firebird::IAttachment* attachment() const { return attachment_; }

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
  void clear_statement_cache() noexcept override { cache_.clear(); }
  size_t cached_statements() const override { return cache_.size(); }
  void set_cache_capacity(size_t capacity) override { cache_.capacity = capacity; }
  void drop_database() override;

 private:
  FirebirdConnection() = default;
  // The prepared statement for `sql`, from the cache or prepared now (and
  // cached unless it changes the schema).
  std::shared_ptr<CachedStatement> statement(Firebird::ITransaction* transaction, std::string_view sql);
  // Runs the literal-binding shape of `sql`; false when it has none that binds.
  bool run_as_shape(Firebird::ITransaction* transaction, std::string_view sql, ResultData& out,
                    size_t max_rows);
  void execute(CachedStatement& cs, Firebird::ITransaction* transaction,
               const std::vector<const BoundValue*>& values, std::string_view sql, ResultData& out,
               size_t max_rows);

  Firebird::IAttachment* attachment_ = nullptr;
  Firebird::IStatus* status_ = nullptr;
  StatementCache cache_;
};

}  // namespace zpk::detail
