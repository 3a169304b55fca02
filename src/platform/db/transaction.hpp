// TTITransaction: READ COMMITTED with record versions, waiting for locks up to
// a timeout. A transaction that is not committed is rolled back when it ends;
// Savepoint makes a group of statements all or nothing inside one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/db/database_error.hpp"

namespace zpk {

class TTIDatabase;

namespace detail {
struct EngineTransaction;
}

class TTITransaction {
 public:
  struct TOptions {
    // Commit after each successful statement (and roll back after a failed one).
    bool AutoCommit = false;
    bool ReadOnly = false;
    // Seconds a statement waits for a row that another transaction holds
    // before failing with a lock timeout (a conflict).
    int LockTimeout = 10;
  };

  TTITransaction();
  explicit TTITransaction(TTIDatabase& database);
  // Rolls back when still active; never throws.
  ~TTITransaction();
  TTITransaction(const TTITransaction&) = delete;
  TTITransaction& operator=(const TTITransaction&) = delete;

  // Binds the transaction to a database (an active one is rolled back first).
  void SetDatabase(TTIDatabase& database);
  TTIDatabase* Database() const { return database_; }

  TOptions Options;

  // Starts the engine transaction (nothing when active); statements start it by themselves.
  void StartTransaction();
  bool Active() const;
  bool InTransaction() const { return Active(); }

  // Commits; nothing when not active. Raises EDatabaseError (the transaction stays active).
  void Commit();
  // Commits, and the next statement runs in a fresh transaction with the same
  // options: no cursor has to survive (queries fetch everything on Open), and
  // a station's all-day session never pins the oldest active transaction.
  void CommitRetaining();
  // Rolls back; nothing when not active.
  void Rollback();

  // The engine transaction, started when needed (for the layer's own code,
  // through detail/engine_handles.hpp).
  detail::EngineTransaction& engine();
  // Counts engine transactions started: a savepoint belongs to one of them.
  uint64_t generation() const { return generation_; }
  // Called after each statement: AutoCommit commits or rolls back here.
  void statement_finished(bool succeeded);

 private:
  friend class TTIDatabase;
  friend class Savepoint;
  void forget_database() noexcept;  // the database is going away

  TTIDatabase* database_ = nullptr;
  std::unique_ptr<detail::EngineTransaction> engine_;
  uint64_t generation_ = 0;
  int open_savepoints_ = 0;
  uint64_t savepoint_counter_ = 0;
};

// A savepoint inside a transaction: the work done since it was set is undone
// unless release() is called. Destruction never throws.
class Savepoint {
 public:
  // Sets the savepoint (starting the transaction when needed).
  explicit Savepoint(TTITransaction& transaction);
  ~Savepoint();
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;

  // Keeps the work done since the savepoint.
  void release();
  // Undoes the work done since the savepoint now.
  void rollback();

 private:
  void execute(const std::string& sql);
  TTITransaction& transaction_;
  std::string name_;
  uint64_t generation_;
  bool done_ = false;
};

}  // namespace zpk
