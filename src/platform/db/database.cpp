#include "platform/db/database.hpp"

#include <algorithm>

#include "platform/db/detail/connection.hpp"
#include "platform/db/detail/engine_handles.hpp"
#include "platform/db/detail/sql_text.hpp"

namespace zpk {

TTIDatabase::TTIDatabase() : own_transaction_(std::make_unique<TTITransaction>()) {
  own_transaction_->SetDatabase(*this);
  default_transaction_ = own_transaction_.get();
}

TTIDatabase::~TTIDatabase() {
  Close();
  // Transactions still bound to this database must not reach it any more.
  for (TTITransaction* t : std::vector<TTITransaction*>(transactions_)) t->forget_database();
  transactions_.clear();
}

void TTIDatabase::apply_settings() {
  connection_->auto_parameterize = auto_parameterize_;
  connection_->set_cache_capacity(cache_capacity_);
}

void TTIDatabase::Open() {
  if (connection_) return;
  if (settings_location_.empty()) {
    throw EDatabaseError(DatabaseErrorKind::usage, "no database name was given");
  }
  detail::ConnectSettings s{settings_location_, credentials_.user, credentials_.password, connect_timeout_};
  connection_ = detail::Connection::open(s, nullptr);
  apply_settings();
}

void TTIDatabase::SetConnectTimeout(int seconds) {
  if (seconds < 0) {
    throw EDatabaseError(DatabaseErrorKind::usage, "ConnectTimeout: " + std::to_string(seconds) +
                                                       " is not a number of seconds (0 or more)");
  }
  connect_timeout_ = seconds;
}

void TTIDatabase::Close() noexcept {
  if (!connection_) return;
  for (TTITransaction* t : transactions_) {
    connection_->rollback(t->engine_->handle);
    t->open_savepoints_ = 0;
  }
  connection_.reset();
}

void TTIDatabase::GetDatabase(const TTIDatabase& source) {
  Close();
  settings_location_ = source.settings_location_;
  credentials_ = source.credentials_;
  connect_timeout_ = source.connect_timeout_;
  auto_parameterize_ = source.auto_parameterize_;
  cache_capacity_ = source.cache_capacity_;
  own_transaction_->Options.LockTimeout = source.default_transaction_->Options.LockTimeout;
  Open();
}

TTITransaction& TTIDatabase::DefaultTransaction() {
  return *default_transaction_;
}

void TTIDatabase::SetTransaction(TTITransaction& transaction) {
  if (transaction.Database() != this) transaction.SetDatabase(*this);
  default_transaction_ = &transaction;
}

void TTIDatabase::register_transaction(TTITransaction* t) {
  if (std::find(transactions_.begin(), transactions_.end(), t) == transactions_.end())
    transactions_.push_back(t);
}

void TTIDatabase::unregister_transaction(TTITransaction* t) noexcept {
  transactions_.erase(std::remove(transactions_.begin(), transactions_.end(), t), transactions_.end());
  if (default_transaction_ == t) default_transaction_ = own_transaction_.get();
}

void TTIDatabase::create_database(const std::string& location, const DatabaseCredentials& credentials,
                                  const DatabaseCreateOptions& options) {
  Close();
  settings_location_ = location;
  credentials_ = credentials;
  detail::ConnectSettings s{settings_location_, credentials_.user, credentials_.password, connect_timeout_};
  detail::CreateSettings c{options.page_size, options.forced_writes};
  connection_ = detail::Connection::open(s, &c);
  apply_settings();
}

void TTIDatabase::drop_database() {
  detail::Connection& c = connection();
  for (TTITransaction* t : transactions_) {
    c.rollback(t->engine_->handle);
    t->open_savepoints_ = 0;
  }
  c.drop_database();
  connection_.reset();
}

void TTIDatabase::execute_direct(std::string_view sql) {
  detail::Connection& c = connection();
  TTITransaction& t = DefaultTransaction();
  bool ok = false;
  try {
    c.execute_immediate(t.engine().handle, sql);
    ok = true;
  } catch (...) {
    t.statement_finished(false);
    throw;
  }
  t.statement_finished(ok);
}

void TTIDatabase::execute_script(std::string_view script, const std::filesystem::path& psql_folder) {
  detail::Connection& c = connection();
  TTITransaction& t = DefaultTransaction();
  for (const std::string& stmt : c.script_statements(script, psql_folder)) {
    try {
      c.execute_script_statement(t.engine().handle, stmt);
    } catch (...) {
      t.Rollback();
      throw;
    }
    t.Commit();
  }
}

void TTIDatabase::set_auto_parameterize(bool on) {
  auto_parameterize_ = on;
  if (connection_) connection_->auto_parameterize = on;
}

void TTIDatabase::set_statement_cache_capacity(size_t capacity) {
  cache_capacity_ = capacity;
  if (connection_) connection_->set_cache_capacity(capacity);
}

size_t TTIDatabase::cached_statements() const {
  return connection_ ? connection_->cached_statements() : 0;
}

void TTIDatabase::clear_statement_cache() {
  if (connection_) connection_->clear_statement_cache();
}

bool TTIDatabase::table_exists(const std::string& table) {
  return connection().table_exists(DefaultTransaction().engine().handle, table);
}

bool TTIDatabase::is_postgres() const {
  return connection_ && connection_->engine() == detail::EngineKind::postgres;
}

detail::Connection& TTIDatabase::connection() const {
  if (!connection_) {
    throw EDatabaseError(DatabaseErrorKind::usage,
                         "the database is not connected" +
                             (settings_location_.empty() ? std::string() : " (" + settings_location_ + ")"));
  }
  return *connection_;
}

}  // namespace zpk
