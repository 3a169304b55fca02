// The kinds of database errors: engine status codes and SQLSTATEs mapped in one place.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database_error.hpp"

namespace zpk {
namespace {

TEST(DatabaseErrorKind, StatusCodesMapToKinds) {
  const struct {
    std::vector<int64_t> codes;
    const char* sqlstate;
    DatabaseErrorKind kind;
  } kCases[] = {
      {{335544336, 335544451, 335544878}, "40001", DatabaseErrorKind::conflict},
      {{335544345}, "", DatabaseErrorKind::conflict},
      {{335544510}, "", DatabaseErrorKind::conflict},
      // A guarded UPDATE whose row another station changed meanwhile, as the server reports it now and then.
      {{335544348}, "22000", DatabaseErrorKind::conflict},
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

TEST(EDatabaseError, KeepsTheEnginesDetailsWhenToldAsAnotherKind) {
  const EDatabaseError cause("violation of PRIMARY KEY", "23000", {335544665, 335545072}, "INSERT INTO X");
  const EDatabaseError told(DatabaseErrorKind::conflict, cause, "another station created it first");
  EXPECT_TRUE(told.is_conflict());
  EXPECT_EQ(told.message(), "another station created it first");
  EXPECT_STREQ(told.what(), "another station created it first");
  EXPECT_EQ(told.sqlstate(), "23000");
  EXPECT_EQ(told.error_codes(), cause.error_codes());
  EXPECT_EQ(told.statement(), "INSERT INTO X");
}

TEST(EDatabaseError, SummaryIsOneLineWithoutTheGenericLines) {
  const struct {
    const char* message;
    const char* summary;
  } kCases[] = {
      {"Dynamic SQL Error\n-SQL error code = -204\n-Table unknown\n-NOSUCH\n-At line 1, column 15",
       "Table unknown: NOSUCH: At line 1, column 15"},
      {"violation of PRIMARY or UNIQUE KEY constraint \"INTEG_5\" on table \"TIPOS\"\n-Problematic key value "
       "is "
       "(\"ID\" = 30)",
       "violation of PRIMARY or UNIQUE KEY constraint \"INTEG_5\" on table \"TIPOS\": Problematic key value "
       "is "
       "(\"ID\" = 30)"},
      {"arithmetic exception, numeric overflow, or string truncation\n-numeric value is out of range",
       "numeric value is out of range"},
      // A caller's prefix stays; a message of generic lines alone is kept whole.
      {"99_broken.sql: Dynamic SQL Error\n-SQL error code = -607\n-Invalid command",
       "99_broken.sql: Invalid command"},
      {"Dynamic SQL Error\n-SQL error code = -104", "Dynamic SQL Error: SQL error code = -104"},
      {"the database is not connected", "the database is not connected"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(EDatabaseError(c.message, "42000", {335544569}).summary(), c.summary);
  }
}

}  // namespace
}  // namespace zpk
