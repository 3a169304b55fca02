// Ledger rows posted by several stations (zpk processes) at once under one
// posting key, on one database through the test Firebird server: no two rows
// share an ORDEM, none is lost, and the rows are numbered 1 to N without a gap.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database.hpp"
#include "support/multi_station.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

class ContabilStations : public test::ServerTest {};

TEST_F(ContabilStations, RowsOfOnePostingGetAnOrdemEachAndNoneIsLost) {
  constexpr int kStations = 4;
  constexpr int kCalls = 60;
  {
    // A row of the posting already there: the stations go on from it.
    TTIDatabase db;
    database().open(db);
    test::exec("DELETE FROM CONTABIL_001", {}, db);
    test::exec("INSERT INTO CONTABIL_001 (LANCAMENTO, ORDEM, OBSERVACAO) VALUES ('CONC-1', 1, 'BEFORE')", {},
               db);
    db.DefaultTransaction().Commit();
  }
  const auto runs = test::run_stations(
      kStations,
      {.workload = "lanca-contabil", .db = database().location(), .count = kCalls, .args = {"CONC-1"}});
  for (const auto& r : runs) ASSERT_TRUE(r.ok()) << test::describe(runs);

  const std::vector<std::string> written = test::all_lines(runs);
  ASSERT_EQ(written.size(), static_cast<size_t>(kStations * kCalls));

  TTIDatabase db;
  database().open(db);
  const std::vector<std::string> rows = test::rows(
      "SELECT ORDEM, OBSERVACAO FROM CONTABIL_001 WHERE LANCAMENTO = 'CONC-1' ORDER BY ORDEM", {}, db);
  ASSERT_EQ(rows.size(), written.size() + 1);
  std::set<std::string> stored;
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::string& row = rows[i];
    const std::string ordem = row.substr(0, row.find('|'));
    EXPECT_EQ(ordem, std::to_string(i + 1)) << "ORDEM numbers 1 to N without a gap or a repeat";
    stored.insert(row.substr(row.find('|') + 1));
  }
  EXPECT_EQ(stored.size(), rows.size()) << "a row was stored twice";
  for (const std::string& w : written) EXPECT_EQ(stored.count(w), 1u) << w << " lost";
}

}  // namespace
}  // namespace zpk
