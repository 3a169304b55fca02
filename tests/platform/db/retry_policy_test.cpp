// RetryPolicy: conflicts are run again up to the policy's attempts, with
// pauses that grow to a cap plus a bounded jitter; other errors are raised at
// once. Pauses are recorded, never slept.
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database_error.hpp"
#include "platform/db/retry_policy.hpp"

namespace zpk {
namespace {

using std::chrono::microseconds;

constexpr RetryPolicy kPolicy{5, microseconds(100), microseconds(250), microseconds(40)};

EDatabaseError conflict(int n) {
  return EDatabaseError("update conflicts with concurrent update " + std::to_string(n), "40001",
                        {335544336, 335544451, 335544878});
}

// Records the pauses asked for instead of sleeping.
struct PauseLog {
  std::vector<microseconds> pauses;
  void operator()(microseconds pause) { pauses.push_back(pause); }
};

// Each pause is the policy's for that many conflicts in a row, plus less than its jitter.
void expect_policy_pauses(const PauseLog& log, const RetryPolicy& policy) {
  for (size_t i = 0; i < log.pauses.size(); ++i) {
    SCOPED_TRACE(i);
    const microseconds base = policy.pause_after(static_cast<int>(i) + 1);
    EXPECT_GE(log.pauses[i], base);
    EXPECT_LT(log.pauses[i], base + policy.jitter);
  }
}

TEST(RetryPolicy, RunsAConflictAgainUntilItSucceeds) {
  PauseLog log;
  int calls = 0;
  const int result = retry_on_conflict(
      [&] {
        if (++calls < 3) throw conflict(calls);
        return 7;
      },
      kPolicy, log);
  EXPECT_EQ(result, 7);
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(log.pauses.size(), 2u);
  expect_policy_pauses(log, kPolicy);
}

TEST(RetryPolicy, GivesUpAfterItsAttemptsWithTheLastConflict) {
  PauseLog log;
  int calls = 0;
  try {
    retry_on_conflict(
        [&] {
          ++calls;
          throw conflict(calls);
        },
        kPolicy, log);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.is_conflict());
    EXPECT_EQ(e.message(), conflict(kPolicy.attempts).message());
  }
  EXPECT_EQ(calls, kPolicy.attempts);
  EXPECT_EQ(log.pauses.size(), static_cast<size_t>(kPolicy.attempts - 1));
  expect_policy_pauses(log, kPolicy);
}

// A row held by an open transaction makes each run wait the lock timeout:
// once the policy's time is spent, no further run starts.
TEST(RetryPolicy, StopsStartingRunsOnceItsTimeIsSpent) {
  using Clock = std::chrono::steady_clock;
  Clock::time_point clock{};
  const auto now = [&] { return clock; };
  RetryPolicy policy = kPolicy;
  policy.attempts = 100;
  policy.max_elapsed = std::chrono::seconds(30);
  int calls = 0;
  EXPECT_THROW(retry_on_conflict(
                   [&] {
                     ++calls;
                     clock += std::chrono::seconds(10);  // the lock timeout, spent waiting
                     throw conflict(calls);
                   },
                   policy, [](microseconds) {}, now),
               EDatabaseError);
  EXPECT_EQ(calls, 3);

  // Quick conflicts use every attempt within the time.
  calls = 0;
  EXPECT_THROW(retry_on_conflict(
                   [&] {
                     ++calls;
                     clock += std::chrono::milliseconds(1);
                     throw conflict(calls);
                   },
                   policy, [](microseconds) {}, now),
               EDatabaseError);
  EXPECT_EQ(calls, 100);
}

TEST(RetryPolicy, RaisesOtherErrorsAtOnce) {
  const EDatabaseError kErrors[] = {
      EDatabaseError("violation of PRIMARY KEY", "23000", {335544665}),
      EDatabaseError("string right truncation", "22001", {335544569, 335544436, 335544321, 335544914}),
      EDatabaseError("Table unknown", "42S02", {335544569, 335544580}),
      EDatabaseError(DatabaseErrorKind::usage, "Parameter 'X' not found"),
  };
  for (const EDatabaseError& error : kErrors) {
    SCOPED_TRACE(error.message());
    PauseLog log;
    int calls = 0;
    try {
      retry_on_conflict(
          [&] {
            ++calls;
            throw error;
          },
          kPolicy, log);
      ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.kind(), error.kind());
    }
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(log.pauses.empty());
  }

  // Not a database error at all: raised as it is.
  int calls = 0;
  EXPECT_THROW(retry_on_conflict(
                   [&] {
                     ++calls;
                     throw std::runtime_error("disk full");
                   },
                   kPolicy, [](microseconds) {}),
               std::runtime_error);
  EXPECT_EQ(calls, 1);
}

TEST(RetryPolicy, PausesGrowWithTheConflictsUpToTheCap) {
  const struct {
    int conflicts;
    microseconds pause;
  } kCases[] = {
      {1, microseconds(100)},
      {2, microseconds(200)},
      {3, microseconds(250)},
      {50, microseconds(250)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.conflicts);
    EXPECT_EQ(kPolicy.pause_after(c.conflicts), c.pause);
  }
}

TEST(RetryPolicy, JitterStaysBelowItsBoundAndVaries) {
  std::vector<microseconds> drawn;
  for (int i = 0; i < 200; ++i) drawn.push_back(detail::random_jitter(microseconds(40)));
  for (microseconds j : drawn) {
    EXPECT_GE(j.count(), 0);
    EXPECT_LT(j.count(), 40);
  }
  EXPECT_NE(std::count(drawn.begin(), drawn.end(), drawn.front()), static_cast<long>(drawn.size()));
  EXPECT_EQ(detail::random_jitter(microseconds(0)), microseconds(0));
}

}  // namespace
}  // namespace zpk
