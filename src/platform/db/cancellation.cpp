#include "platform/db/cancellation.hpp"

#include <atomic>

#include "platform/db/database_error.hpp"
#include "platform/db/detail/live_connections.hpp"

namespace zpk {

namespace {

// Sequentially consistent on purpose: a statement marks its connection busy
// and then reads the flag, a stop sets the flag and then reads the marks, so
// one of the two always sees the other.
std::atomic<bool> g_stop{false};
std::atomic<int> g_reason{0};

}  // namespace

void request_stop(int reason) {
  g_reason.store(reason);
  g_stop.store(true);
  detail::cancel_live_statements();
}

bool stop_requested() noexcept {
  return g_stop.load();
}

int stop_reason() noexcept {
  return g_stop.load() ? g_reason.load() : 0;
}

void cancel_running_statements() noexcept {
  if (g_stop.load()) detail::cancel_live_statements();
}

void abort_connections() noexcept {
  if (g_stop.load()) detail::abort_live_connections();
}

void clear_stop_request() noexcept {
  g_stop.store(false);
  g_reason.store(0);
}

void throw_if_stop_requested() {
  if (g_stop.load()) {
    throw EDatabaseError(
        DatabaseErrorKind::cancelled,
        "stopped on request: no further statement runs and work not committed is rolled back");
  }
}

}  // namespace zpk
