// RetryPolicy: how a statement that met an update conflict or a lock timeout
// is run again. Such conflicts are normal when stations write the same rows;
// every caller that must not lose a write retries under the same policy, so
// the stations of a site back off alike.
#pragma once

#include <algorithm>
#include <chrono>
#include <type_traits>
#include <utility>

#include "platform/db/database_error.hpp"

namespace zpk {

struct RetryPolicy {
  // Runs in all, the first included; after the last one the conflict is raised.
  int attempts;
  // The pause after the first conflict; each further conflict in a row adds as
  // much again, up to `max_pause`.
  std::chrono::microseconds pause;
  std::chrono::microseconds max_pause;
  // A random extra below this is added to every pause, so that stations that
  // collided do not collide again in step.
  std::chrono::microseconds jitter;
  // No new run starts once this long has passed since the first one began. A
  // row that an open transaction holds makes every run wait the whole lock
  // timeout, so without this bound a station would hang for attempts x the
  // lock timeout before the user is told.
  std::chrono::milliseconds max_elapsed{std::chrono::seconds(30)};

  // The pause after `conflicts` conflicts in a row, before the jitter.
  constexpr std::chrono::microseconds pause_after(int conflicts) const {
    return std::min(pause * std::max(conflicts, 1), max_pause);
  }
};

// The library's policy. In READ COMMITTED with WAIT the engine reports a
// conflict only once the other transaction has ended, so a short pause is
// enough for the next run to see its work. The pauses stay short so that a
// station that keeps losing does not fall behind the ones that win; losing a
// hundred runs in a row means the row is held far longer than one business
// operation takes, and the caller is told.
inline constexpr RetryPolicy kDefaultRetryPolicy{100, std::chrono::microseconds(500),
                                                 std::chrono::milliseconds(10), std::chrono::milliseconds(1)};

namespace detail {
// A random duration in [0, jitter) (0 when jitter is not positive).
std::chrono::microseconds random_jitter(std::chrono::microseconds jitter);
// Suspends the calling thread for `pause`.
void sleep_for(std::chrono::microseconds pause);
}  // namespace detail

// Runs `action`; when it fails with a conflict (update conflict, deadlock, lock
// timeout) it is run again after the policy's pause, until `policy.attempts`
// runs or `policy.max_elapsed` since the first run began, and then the last
// conflict is raised. Other errors are raised at once. Each pause goes through
// `pause_for(duration)`; `now()` reads the clock the elapsed time is measured on.
template <class Action, class Pause, class Now>
auto retry_on_conflict(Action&& action, const RetryPolicy& policy, Pause&& pause_for, Now&& now)
    -> decltype(action()) {
  const auto start = now();
  for (int attempt = 1;; ++attempt) {
    try {
      return action();
    } catch (const EDatabaseError& e) {
      if (!e.is_conflict() || attempt >= policy.attempts || now() - start >= policy.max_elapsed) throw;
    }
    pause_for(policy.pause_after(attempt) + detail::random_jitter(policy.jitter));
  }
}

// The same on the steady clock.
template <class Action, class Pause>
auto retry_on_conflict(Action&& action, const RetryPolicy& policy, Pause&& pause_for) -> decltype(action()) {
  return retry_on_conflict(std::forward<Action>(action), policy, std::forward<Pause>(pause_for),
                           std::chrono::steady_clock::now);
}

// The same, sleeping between runs; the library's policy unless another is given.
template <class Action>
auto retry_on_conflict(Action&& action, const RetryPolicy& policy = kDefaultRetryPolicy)
    -> decltype(action()) {
  return retry_on_conflict(std::forward<Action>(action), policy, detail::sleep_for);
}

}  // namespace zpk
