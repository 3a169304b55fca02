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

// What the destructor sends the waiting thread to end it at once.
constexpr int kFinishValue = 0x7a706b;

// Waits up to `timeout` for SIGINT or SIGTERM: the signal, 0 when none came,
// -1 when the destructor asks the thread to finish.
int wait_for_signal(const sigset_t& set, std::chrono::milliseconds timeout) {
  const timespec ts{static_cast<time_t>(timeout.count() / 1000),
                    static_cast<long>(timeout.count() % 1000) * 1000000};
  siginfo_t info{};
  const int signal = ::sigtimedwait(&set, &info, &ts);
  if (signal <= 0) return 0;
  if (info.si_code == SI_QUEUE && info.si_pid == ::getpid() && info.si_value.sival_int == kFinishValue)
    return -1;
  return signal;
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

StopSignals::StopSignals(std::chrono::milliseconds abort_after, std::chrono::milliseconds grace)
    : abort_after_(abort_after), grace_(grace) {
  const sigset_t set = stop_set();
  ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
  watcher_ = std::thread([this] { watch(); });
}

StopSignals::~StopSignals() {
  finished_ = true;
  // Wakes the waiting thread now rather than at its next timeout.
  sigval value{};
  value.sival_int = kFinishValue;
  ::pthread_sigqueue(watcher_.native_handle(), SIGTERM, value);
  watcher_.join();
}

int StopSignals::exit_status() noexcept {
  const int signal = stop_reason();
  return signal == SIGINT || signal == SIGTERM ? 128 + signal : 0;
}

void StopSignals::watch() {
  const sigset_t set = stop_set();
  int signal = 0;
  while (!finished_ && signal == 0) signal = wait_for_signal(set, 1000ms);
  if (signal <= 0) return;
  request_stop(signal);
  const auto signalled = std::chrono::steady_clock::now();
  bool aborted = false;
  while (!finished_) {
    const int next = wait_for_signal(set, 100ms);
    if (next < 0) return;
    if (next > 0) end_now(signal, "a second signal");
    const auto waited = std::chrono::steady_clock::now() - signalled;
    if (waited >= grace_) end_now(signal, "the work did not stop in time");
    if (waited >= abort_after_ && !aborted) {
      // A cancel can go unanswered: with the Firebird 3 client and server, a
      // statement under a cancel was seen now and then to wait for a reply
      // that never came, the server holding the attachment as idle. Closing
      // the connection ends the wait; the server rolls back.
      abort_connections();
      aborted = true;
    } else {
      // A statement that began while the stop was being requested was not yet
      // in the engine to be cancelled: ask again.
      cancel_running_statements();
    }
  }
}

}  // namespace zpk
