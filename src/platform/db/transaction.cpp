#include "platform/db/transaction.hpp"

#include "platform/db/database.hpp"
#include "platform/db/detail/connection.hpp"
#include "platform/db/detail/engine_handles.hpp"

namespace zpk {

TTITransaction::TTITransaction() : engine_(std::make_unique<detail::EngineTransaction>()) {}

TTITransaction::TTITransaction(TTIDatabase& database) : TTITransaction() {
  SetDatabase(database);
}

TTITransaction::~TTITransaction() {
  if (database_) {
    if (engine_->handle && database_->Connected()) database_->connection_->rollback(engine_->handle);
    database_->unregister_transaction(this);
  }
}

void TTITransaction::SetDatabase(TTIDatabase& database) {
  if (database_ == &database) return;
  if (database_) {
    if (engine_->handle && database_->Connected()) database_->connection_->rollback(engine_->handle);
    database_->unregister_transaction(this);
  }
  engine_->handle = nullptr;
  open_savepoints_ = 0;
  database_ = &database;
  database_->register_transaction(this);
}

void TTITransaction::forget_database() noexcept {
  engine_->handle = nullptr;
  open_savepoints_ = 0;
  database_ = nullptr;
}

bool TTITransaction::Active() const {
  return engine_->handle != nullptr;
}

detail::EngineTransaction& TTITransaction::engine() {
  if (!engine_->handle) StartTransaction();
  return *engine_;
}

void TTITransaction::StartTransaction() {
  if (engine_->handle) return;
  if (!database_) throw EDatabaseError(DatabaseErrorKind::usage, "the transaction has no database");
  detail::TransactionSettings s{Options.ReadOnly, Options.LockTimeout};
  engine_->handle = database_->connection().start_transaction(s);
  ++generation_;
  open_savepoints_ = 0;
}

void TTITransaction::Commit() {
  if (!engine_->handle) return;
  database_->connection().commit(engine_->handle);
  open_savepoints_ = 0;
}

void TTITransaction::CommitRetaining() {
  Commit();
}

void TTITransaction::Rollback() {
  if (!engine_->handle) return;
  database_->connection().rollback(engine_->handle);
  open_savepoints_ = 0;
}

void TTITransaction::statement_finished(bool succeeded) {
  if (!Options.AutoCommit || !engine_->handle || open_savepoints_ > 0) return;
  if (succeeded) {
    Commit();
  } else {
    Rollback();
  }
}

Savepoint::Savepoint(TTITransaction& transaction) : transaction_(transaction) {
  transaction_.engine();
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
  transaction_.database_->connection().execute_immediate(transaction_.engine_->handle, sql);
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
