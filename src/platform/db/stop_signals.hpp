// SIGINT and SIGTERM for a program on the database layer. The Firebird client
// catches both itself and shuts its connections down from a thread of its own
// while a statement still runs (a crash, or a station that goes on posting).
// A program that constructs StopSignals first keeps them from it: they are
// blocked in every thread, and a thread of ours waits for them, requests the
// stop (cancellation.hpp) and gives the program a moment to roll back,
// detach and end with status 128 + signal.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace zpk {

class StopSignals {
 public:
  // Blocks SIGINT and SIGTERM in the calling thread, and so in every thread
  // started after it (the database client's included), and starts the thread
  // that waits for them: construct it first in main(), before any other
  // thread exists. Connections still busy `abort_after` the signal are
  // closed (a cancel that did not come back); a program still running
  // `grace` after it (waiting on a terminal, say), or that gets a second
  // signal, is ended at once with status 128 + signal. Either way the server
  // rolls back what was not committed.
  explicit StopSignals(std::chrono::milliseconds abort_after = std::chrono::milliseconds(500),
                       std::chrono::milliseconds grace = std::chrono::milliseconds(1500));
  // Stops the waiting thread. The signals stay blocked: the program is ending.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // 128 + the signal that asked to stop (130 for SIGINT, 143 for SIGTERM); 0 when none did.
  static int exit_status() noexcept;

 private:
  void watch();

  std::chrono::milliseconds abort_after_;
  std::chrono::milliseconds grace_;
  std::atomic<bool> finished_{false};
  std::thread watcher_;
};

}  // namespace zpk
