// retry_on_conflict: conflicts are retried up to the cap, other errors are not.
#include <chrono>

#include <gtest/gtest.h>

#include "platform/db/database_error.hpp"
#include "platform/db/transaction.hpp"

namespace zpk {
namespace {

EDatabaseError conflict() {
  return EDatabaseError("update conflicts", "40001", {335544336, 335544451});
}

TEST(RetryOnConflict, RetriesConflictsUpToTheCapAndRaisesOthersAtOnce) {
  using std::chrono::milliseconds;
  int calls = 0;
  const int result = retry_on_conflict(
      [&] {
        if (++calls < 3) throw conflict();
        return 7;
      },
      5, milliseconds(0));
  EXPECT_EQ(result, 7);
  EXPECT_EQ(calls, 3);

  calls = 0;
  EXPECT_THROW(retry_on_conflict(
                   [&]() -> int {
                     ++calls;
                     throw conflict();
                   },
                   4, milliseconds(0)),
               EDatabaseError);
  EXPECT_EQ(calls, 4);

  calls = 0;
  EXPECT_THROW(retry_on_conflict(
                   [&] {
                     ++calls;
                     throw EDatabaseError("violation of PRIMARY KEY", "23000", {335544665});
                   },
                   4, milliseconds(0)),
               EDatabaseError);
  EXPECT_EQ(calls, 1);
}

TEST(DatabaseErrorKind, StatusCodesMapToKinds) {
  const struct {
    std::vector<int64_t> codes;
    const char* sqlstate;
    DatabaseErrorKind kind;
  } kCases[] = {
      {{335544336, 335544451, 335544878}, "40001", DatabaseErrorKind::conflict},
      {{335544345}, "", DatabaseErrorKind::conflict},
      {{335544510}, "", DatabaseErrorKind::conflict},
      {{335544665, 335545072}, "23000", DatabaseErrorKind::unique_violation},
      {{335544466}, "23000", DatabaseErrorKind::foreign_key},
      {{335544347}, "23000", DatabaseErrorKind::not_null},
      {{335544321, 335544914}, "22001", DatabaseErrorKind::truncation},
      // Wrapped in "Dynamic SQL Error" / "SQL error code = -303": the reason under them decides.
      {{335544569, 335544436, 335544321, 335544914, 335545033}, "22001", DatabaseErrorKind::truncation},
      {{335544569, 335544436, 335544321, 335544916}, "22003", DatabaseErrorKind::truncation},
      {{335544569, 335544436, 335544334}, "22018", DatabaseErrorKind::conversion},
      {{335544569, 335544580}, "42S02", DatabaseErrorKind::syntax},
      {{335544569, 335544436, 335544573}, "42000", DatabaseErrorKind::syntax},
      {{335544569, 335544436, 335544999}, "HY000", DatabaseErrorKind::syntax},
      {{335544344}, "08001", DatabaseErrorKind::connection},
      {{335544999}, "HY000", DatabaseErrorKind::other},
      // Only a SQLSTATE: its standard meaning.
      {{}, "23505", DatabaseErrorKind::unique_violation},
      {{}, "22001", DatabaseErrorKind::truncation},
      {{}, "40001", DatabaseErrorKind::conflict},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.codes.empty() ? c.sqlstate : std::to_string(c.codes.back()));
    EXPECT_EQ(classify_database_error(c.codes, c.sqlstate), c.kind);
  }
}

}  // namespace
}  // namespace zpk
