#include "platform/db/stop_signals.hpp"

#include <errno.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/db/cancellation.hpp"

namespace zpk {

namespace {

using namespace std::chrono_literals;

sigset_t stop_set() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

// Waits up to `timeout` for SIGINT or SIGTERM; the signal, or 0 when none came.
int wait_for_signal(const sigset_t& set, std::chrono::milliseconds timeout) {
  const timespec ts{static_cast<time_t>(timeout.count() / 1000),
                    static_cast<long>(timeout.count() % 1000) * 1000000};
  const int signal = ::sigtimedwait(&set, nullptr, &ts);
  return signal > 0 ? signal : 0;
}

// Ends the process now, saying why on standard error (write(2): nothing buffered is involved).
[[noreturn]] void end_now(int signal, const char* why) {
  char line[200];
  const int n = std::snprintf(line, sizeof line, "%s: %s after SIG%s; ending without cleanup\n",
                              program_invocation_short_name, why, sigabbrev_np(signal));
  if (n > 0) {
    const ssize_t written = ::write(STDERR_FILENO, line, static_cast<size_t>(n));
    static_cast<void>(written);
  }
  ::_exit(128 + signal);
}

}  // namespace

StopSignals::StopSignals(std::chrono::milliseconds grace) : grace_(grace) {
  const sigset_t set = stop_set();
  ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
  watcher_ = std::thread([this] { watch(); });
}

StopSignals::~StopSignals() {
  finished_ = true;
  watcher_.join();
}

int StopSignals::exit_status() noexcept {
  const int signal = stop_reason();
  return signal == SIGINT || signal == SIGTERM ? 128 + signal : 0;
}

void StopSignals::watch() {
  const sigset_t set = stop_set();
  int signal = 0;
  while (!finished_ && signal == 0) signal = wait_for_signal(set, 100ms);
  if (signal == 0) return;
  request_stop(signal);
  // A statement that began while the stop was being requested was not yet in
  // the engine to be cancelled: ask again until the program has unwound.
  const auto deadline = std::chrono::steady_clock::now() + grace_;
  while (!finished_) {
    if (wait_for_signal(set, 20ms) != 0) end_now(signal, "a second signal");
    if (std::chrono::steady_clock::now() >= deadline) end_now(signal, "the work did not stop in time");
    cancel_running_statements();
  }
}

}  // namespace zpk
