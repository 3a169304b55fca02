// Invoice numbers reserved by several stations (zpk processes) at once on one
// database through the test Firebird server: no number of a series goes to two
// stations, and every number handed out is reserved.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database.hpp"
#include "support/multi_station.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

class NotaFiscalStations : public test::ServerTest {};

TEST_F(NotaFiscalStations, ReservaNeverHandsTheSameNumberToTwoStations) {
  constexpr int kStations = 4;
  constexpr int kCalls = 100;
  {
    // Used numbers in the way, so stations also skip invoices while they race.
    TTIDatabase db;
    database().open(db);
    for (const char* table : {"NOTA_NUMERO_001", "NOTA_001"})
      test::exec(std::string("DELETE FROM ") + table, {}, db);
    for (const char* fatura : {"000010", "000011", "000150"}) {
      test::exec("INSERT INTO NOTA_001 (FATURA, SERIE) VALUES (:F, '1')", {fatura}, db);
    }
    test::exec("INSERT INTO NOTA_NUMERO_001 (NUMERO, SERIE) VALUES (3, '2')", {}, db);
    db.DefaultTransaction().Commit();
  }
  const auto runs = test::run_stations(
      kStations, {.workload = "reserva-nota", .db = database().location(), .count = kCalls, .args = {"1"}});
  for (const auto& r : runs) ASSERT_TRUE(r.ok()) << test::describe(runs);

  const std::vector<std::string> numbers = test::all_lines(runs);
  ASSERT_EQ(numbers.size(), static_cast<size_t>(kStations * kCalls));
  const std::set<std::string> distinct(numbers.begin(), numbers.end());
  EXPECT_EQ(distinct.size(), numbers.size()) << "a number was handed to two stations";
  for (const char* used : {"000010", "000011", "000150"}) EXPECT_EQ(distinct.count(used), 0u) << used;

  TTIDatabase db;
  database().open(db);
  const std::vector<std::string> reserved = test::rows(
      "SELECT LPAD(NUMERO, 6, '0') FROM NOTA_NUMERO_001 WHERE SERIE = '1' ORDER BY NUMERO", {}, db);
  EXPECT_EQ(std::set<std::string>(reserved.begin(), reserved.end()), distinct);
  EXPECT_EQ(reserved.size(), numbers.size());
  // Nothing skipped but the used numbers: 1 to 403 without 10, 11 and 150.
  EXPECT_EQ(reserved.back(), "000403");
  EXPECT_EQ(test::rows("SELECT NUMERO FROM NOTA_NUMERO_001 WHERE SERIE = '2'", {}, db),
            std::vector<std::string>{"3"});
}

}  // namespace
}  // namespace zpk
