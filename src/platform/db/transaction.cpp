#include "platform/db/transaction.hpp"

#include "platform/db/database.hpp"
#include "platform/db/detail/connection.hpp"

namespace zpk {

TTITransaction::~TTITransaction() {
  if (database_) {
    if (handle_ && database_->Connected()) database_->connection_->rollback(handle_);
    database_->unregister_transaction(this);
  }
}

void TTITransaction::SetDatabase(TTIDatabase& database) {
  if (database_ == &database) return;
  if (database_) {
    if (handle_ && database_->Connected()) database_->connection_->rollback(handle_);
    database_->unregister_transaction(this);
  }
  handle_ = nullptr;
  open_savepoints_ = 0;
  database_ = &database;
  database_->register_transaction(this);
}

void TTITransaction::forget_database() noexcept {
  handle_ = nullptr;
  open_savepoints_ = 0;
  database_ = nullptr;
}

Firebird::ITransaction* TTITransaction::handle() {
  if (!handle_) StartTransaction();
  return handle_;
}

void TTITransaction::StartTransaction() {
  if (handle_) return;
  if (!database_) throw EDatabaseError(DatabaseErrorKind::usage, "the transaction has no database");
  detail::TransactionSettings s{Options.ReadOnly, Options.LockTimeout};
  handle_ = database_->connection().start_transaction(s);
  ++generation_;
  open_savepoints_ = 0;
}

void TTITransaction::Commit() {
  if (!handle_) return;
  database_->connection().commit(handle_);
  open_savepoints_ = 0;
}

void TTITransaction::CommitRetaining() {
  Commit();
}

void TTITransaction::Rollback() {
  if (!handle_) return;
  database_->connection().rollback(handle_);
  open_savepoints_ = 0;
}

void TTITransaction::statement_finished(bool succeeded) {
  if (!Options.AutoCommit || !handle_ || open_savepoints_ > 0) return;
  if (succeeded) {
    Commit();
  } else {
    Rollback();
  }
}

Savepoint::Savepoint(TTITransaction& transaction) : transaction_(transaction) {
  transaction_.handle();
  generation_ = transaction_.generation();
  name_ = "ZPK_SP_" + std::to_string(++transaction_.savepoint_counter_);
  execute("SAVEPOINT " + name_);
  ++transaction_.open_savepoints_;
}

Savepoint::~Savepoint() {
  if (done_) return;
  try {
    rollback();
  } catch (...) {
    // The transaction is gone or broken: there is nothing left to undo.
  }
}

void Savepoint::execute(const std::string& sql) {
  transaction_.database_->connection().execute_immediate(transaction_.handle_, sql);
}

void Savepoint::release() {
  if (done_) return;
  done_ = true;
  if (!transaction_.Active() || transaction_.generation() != generation_) return;
  --transaction_.open_savepoints_;
  execute("RELEASE SAVEPOINT " + name_ + " ONLY");
}

void Savepoint::rollback() {
  if (done_) return;
  done_ = true;
  if (!transaction_.Active() || transaction_.generation() != generation_) return;
  --transaction_.open_savepoints_;
  execute("ROLLBACK TO SAVEPOINT " + name_);
  execute("RELEASE SAVEPOINT " + name_ + " ONLY");
}

}  // namespace zpk
