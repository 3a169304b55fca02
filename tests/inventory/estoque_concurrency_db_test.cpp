// Stock postings from several stations at once, through the Firebird server:
// no movement may be lost, journalled twice or journalled without its balance
// change, whatever the stations post to the same items at the same time.
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "inventory/stock_stations.hpp"
#include "platform/db/query.hpp"
#include "support/multi_station.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::run_stations;
using test::StationResult;

class EstoqueStations : public test::ServerTest {};

constexpr int kStations = 4;
constexpr int kMovements = 250;

TEST_F(EstoqueStations, ProductBalancesEqualTheirJournalsAfterConcurrentPostings) {
  // Five items over two products, so stations meet on the product's cost as
  // well as on the balance rows. The rows exist (at 0) so that exits find them.
  const std::vector<std::string> items = {"CONC-A:01", "CONC-A:02", "CONC-A:03", "CONC-B:01", "CONC-B:02"};
  {
    TTIDatabase db;
    database().open(db);
    test::register_stock_items(db, items);
  }

  std::vector<std::string> args = {"produto"};
  args.insert(args.end(), items.begin(), items.end());
  const std::vector<StationResult> results = run_stations(
      kStations, {.workload = "movimenta", .db = database().location(), .count = kMovements, .args = args});
  for (const StationResult& r : results) ASSERT_TRUE(r.ok()) << test::describe(results);

  int lines = 0;
  const std::map<std::string, double> net = test::posted_by_stations(results, lines);
  ASSERT_EQ(lines, kStations * kMovements);

  TTIDatabase db;
  database().open(db);
  TTIQuery count(db);
  count.SQL.Add("SELECT COUNT(*) FROM PA_MOV_001 WHERE CODIGO IN ('CONC-A', 'CONC-B')");
  count.Open();
  EXPECT_EQ(count.Fields(0).AsInteger(), kStations * kMovements);

  test::expect_balances_equal_journals(db, "CONC-", net, static_cast<int>(items.size()));

  // Entries cost 1 to 5 and exits go out at the average, so every average
  // computed from the balance it was applied to stays within 1 to 5.
  TTIQuery c(db);
  c.SQL.Add("SELECT MIN(CUSTO), MAX(CUSTO) FROM PRODUTO_001 WHERE CODIGO IN ('CONC-A', 'CONC-B')");
  c.Open();
  EXPECT_GE(c.Fields(0).AsFloat(), 1.0 - 1e-9);
  EXPECT_LE(c.Fields(1).AsFloat(), 5.0 + 1e-9);
}

TEST_F(EstoqueStations, MaterialBalancesEqualTheirJournalsAfterConcurrentPostings) {
  const std::vector<std::string> items = {"CONC-M:0", "CONC-M:1"};
  {
    TTIDatabase db;
    database().open(db);
    test::exec("INSERT INTO MATERIAL_001 (CODIGO, ESTOQUE, PRECO) VALUES ('CONC-M', 'S', 1)", {}, db);
    for (const char* cor : {"0", "1"}) {
      test::exec(std::string("INSERT INTO MAT_ITEN_001 (CODIGO, COR, DEPOSITO, LOTE, QTDE, PRECO_MED) VALUES "
                             "('CONC-M', '") +
                     cor + "', '0001', '000000', 0, 0)",
                 {}, db);
    }
    db.DefaultTransaction().Commit();
  }
  constexpr int kMaterialMovements = 100;
  const std::vector<StationResult> results =
      run_stations(kStations, {.workload = "movimenta",
                               .db = database().location(),
                               .count = kMaterialMovements,
                               .args = {"material", items[0], items[1]}});
  for (const StationResult& r : results) ASSERT_TRUE(r.ok()) << test::describe(results);
  int lines = 0;
  const std::map<std::string, double> net = test::posted_by_stations(results, lines);
  ASSERT_EQ(lines, kStations * kMaterialMovements);

  TTIDatabase db;
  database().open(db);
  TTIQuery q(db);
  q.SQL.Add("SELECT I.COR, I.QTDE, (SELECT SUM(IIF(M.OPERACAO = 'E', M.QTDE, -M.QTDE)) FROM MAT_MOV_001 M");
  q.SQL.Add("  WHERE M.CODIGO = I.CODIGO AND M.COR = I.COR) AS JOURNAL,");
  q.SQL.Add("  (SELECT COUNT(*) FROM MAT_MOV_001 M WHERE M.CODIGO = I.CODIGO AND M.COR = I.COR) AS ROWS_");
  q.SQL.Add("FROM MAT_ITEN_001 I WHERE I.CODIGO = 'CONC-M'");
  q.Open();
  ASSERT_EQ(q.RecordCount(), 2);
  int rows = 0;
  for (; !q.Eof(); q.Next()) {
    const std::string key = "CONC-M " + q.FieldByName("COR").AsString();
    SCOPED_TRACE(key);
    EXPECT_EQ(q.FieldByName("QTDE").AsCurrency(), q.FieldByName("JOURNAL").AsCurrency());
    EXPECT_DOUBLE_EQ(q.FieldByName("QTDE").AsFloat(), net.at(key));
    rows += q.FieldByName("ROWS_").AsInteger();
  }
  EXPECT_EQ(rows, kStations * kMaterialMovements);
}

}  // namespace
}  // namespace zpk
