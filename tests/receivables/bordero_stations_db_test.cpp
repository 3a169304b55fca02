// Collection-batch numbers drawn by several stations (zpk processes) at once
// on one database through the test Firebird server: no number goes to two
// stations, numbers carried by titles are skipped, and every batch is written.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database.hpp"
#include "support/multi_station.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

class BorderoStations : public test::ServerTest {};

TEST_F(BorderoStations, NoBatchNumberGoesToTwoStations) {
  constexpr int kStations = 4;
  constexpr int kCalls = 50;
  {
    // Titles already carrying batches 10, 11 and 150, so stations also skip while they race.
    TTIDatabase db;
    database().open(db);
    for (const char* table : {"BORDERO_001", "BORDERO_NUMERO_001", "RECEBER_001"})
      test::exec(std::string("DELETE FROM ") + table, {}, db);
    for (const int bordero : {10, 11, 150}) {
      test::exec("INSERT INTO RECEBER_001 (NUMERO, BORDERO) VALUES (:N, :B)",
                 {"T" + std::to_string(bordero), bordero}, db);
    }
    test::exec("INSERT INTO BORDERO_001 (NUMERO, TIPO) VALUES (7, 'P')", {}, db);
    db.DefaultTransaction().Commit();
  }
  const auto runs = test::run_stations(
      kStations, {.workload = "bordero", .db = database().location(), .count = kCalls, .args = {"R"}});
  for (const auto& r : runs) ASSERT_TRUE(r.ok()) << test::describe(runs);

  const std::vector<std::string> numbers = test::all_lines(runs);
  ASSERT_EQ(numbers.size(), static_cast<size_t>(kStations * kCalls));
  const std::set<std::string> distinct(numbers.begin(), numbers.end());
  EXPECT_EQ(distinct.size(), numbers.size()) << "a batch number was handed to two stations";
  for (const char* carried : {"000010", "000011", "000150"})
    EXPECT_EQ(distinct.count(carried), 0u) << carried;

  TTIDatabase db;
  database().open(db);
  const std::vector<std::string> written =
      test::rows("SELECT LPAD(NUMERO, 6, '0') FROM BORDERO_001 WHERE TIPO = 'R' ORDER BY NUMERO", {}, db);
  EXPECT_EQ(std::set<std::string>(written.begin(), written.end()), distinct);
  EXPECT_EQ(written.size(), numbers.size());
  // Nothing skipped but the carried numbers: 1 to 203 without 10, 11 and 150.
  EXPECT_EQ(written.back(), "000203");
  // The payables' numbering is its own.
  EXPECT_EQ(test::rows("SELECT NUMERO FROM BORDERO_001 WHERE TIPO = 'P'", {}, db),
            std::vector<std::string>{"7"});
}

}  // namespace
}  // namespace zpk
