// Barcodes and lot numbers drawn by several stations (zpk processes) at once
// on one database through the test Firebird server: no code or number goes to
// two stations or two items, and none is skipped but the ones in the way.
#include <map>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "documents/check_digits.hpp"
#include "platform/db/database.hpp"
#include "platform/db/transaction.hpp"
#include "support/multi_station.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

constexpr int kStations = 4;

class BarcodeStations : public test::ServerTest {
 protected:
  // Items ITEM-PREFIX + station + "-" + n of `count` per station, as the
  // workloads name them, with two rows each (two deposits).
  void items(TTIDatabase& db, const char* table, const std::string& prefix, int count) {
    const std::string insert =
        std::string(table) == "PA_ITEN_001"
            ? "INSERT INTO PA_ITEN_001 (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE) VALUES (?, '01', 'U', '1', "
              "?, '000000')"
            : "INSERT INTO MAT_ITEN_001 (CODIGO, COR, DEPOSITO, LOTE) VALUES (?, '01', ?, '000000')";
    for (int s = 0; s < kStations; ++s) {
      for (int n = 0; n < count; ++n) {
        for (const char* deposito : {"0001", "0002"}) {
          test::exec(insert, {fmt::format("{}{}-{:03}", prefix, s, n), deposito}, db);
        }
      }
    }
  }

  // Every station's lines, after checking that all of them ran to the end.
  std::vector<std::string> lines_of(const std::vector<test::StationResult>& runs) {
    for (const auto& r : runs) EXPECT_TRUE(r.ok()) << test::describe(runs);
    return test::all_lines(runs);
  }
};

// The pairs "CODE ITEM" the stations printed, and every one checked against
// what the item's rows hold: each code on exactly one item, on all its rows.
void expect_one_item_per_code(TTIDatabase& db, const char* table, const char* column,
                              const std::string& prefix, const std::vector<std::string>& lines) {
  const std::set<std::string> printed(lines.begin(), lines.end());
  const std::vector<std::string> stored = test::rows(
      fmt::format("SELECT DISTINCT {} || ' ' || CODIGO FROM {} WHERE CODIGO LIKE ?", column, table),
      {prefix + "%"}, db);
  EXPECT_EQ(std::set<std::string>(stored.begin(), stored.end()), printed);
  EXPECT_EQ(stored.size(), lines.size()) << "an item holds two codes, or a row has none";
  const std::vector<std::string> shared = test::rows(
      fmt::format("SELECT {0} FROM {1} WHERE CODIGO LIKE ? GROUP BY {0} HAVING COUNT(DISTINCT CODIGO) > 1",
                  column, table),
      {prefix + "%"}, db);
  EXPECT_TRUE(shared.empty()) << "codes on two items: " << shared.size();
}

TEST_F(BarcodeStations, ProductEan13GoesToExactlyOneItem) {
  constexpr int kCalls = 100;
  {
    TTIDatabase db;
    database().open(db);
    test::exec("UPDATE EMPRESA SET EMP_PREFIXO_EAN = '78912345' WHERE EMP_PAT = '_001'", {}, db);
    items(db, "PA_ITEN_001", "CB-S", kCalls);
    db.DefaultTransaction().Commit();
  }
  const auto runs = test::run_stations(
      kStations,
      {.workload = "gera-ean13", .db = database().location(), .count = kCalls, .args = {"P", "CB-S"}});
  const std::vector<std::string> lines = lines_of(runs);
  ASSERT_EQ(lines.size(), static_cast<size_t>(kStations * kCalls));

  std::set<std::string> codes;
  for (const std::string& line : lines) {
    const std::string code = line.substr(0, line.find(' '));
    ASSERT_EQ(code.size(), 13u) << line;
    EXPECT_EQ(code.substr(0, 8), "78912345") << line;
    EXPECT_EQ(Calcula_digito_EAN13(code.substr(0, 12)), code) << line;
    codes.insert(code);
  }
  EXPECT_EQ(codes.size(), lines.size()) << "a code was handed to two stations";
  // No number lost to the race: exactly 0001 to 0400 under the prefix.
  EXPECT_EQ(codes.begin()->substr(8, 4), "0001");
  EXPECT_EQ(codes.rbegin()->substr(8, 4), "0400");

  TTIDatabase db;
  database().open(db);
  expect_one_item_per_code(db, "PA_ITEN_001", "BARRA", "CB-S", lines);
}

TEST_F(BarcodeStations, MaterialCodesInternalCodesAndLotsAreNeverHandedOutTwice) {
  constexpr int kCalls = 50;
  {
    TTIDatabase db;
    database().open(db);
    items(db, "MAT_ITEN_001", "CB-SM", kCalls);
    items(db, "PA_ITEN_001", "CB-SI", kCalls);
    // In the way: a reserved material code, stored lots and a weaving order.
    test::exec(
        "INSERT INTO CODIGOSVALOR_001 (TABELA, CAMPO, LIVRE, VALOR) VALUES ('MAT_ITEN', 'BARRA', 0, ?)",
        {Calcula_digito_EAN13("000000000010")}, db);
    test::exec(
        "INSERT INTO PA_ITEN_001 (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE) VALUES "
        "('CB-SR', '01', 'U', '1', '0001', 'CSR000041')",
        {}, db);
    test::exec("INSERT INTO TECELB_001 (LOTE) VALUES ('TS2026007')", {}, db);
    db.DefaultTransaction().Commit();
  }

  const struct {
    const char* workload;
    std::vector<std::string> args;
    const char* first;  // the lowest value handed out
    const char* last;   // the highest
  } kCases[] = {
      {"gera-ean13", {"M", "CB-SM"}, "0000000000017", nullptr},
      {"gera-ean28", {"CB-SI"}, "000001", "000200"},
      {"proximo-rolo", {"CSR", "P"}, "042", "241"},
      {"proxima-ordem", {"TS2026"}, "008", "207"},
  };
  std::map<std::string, std::vector<std::string>> printed;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.workload);
    const auto runs = test::run_stations(
        kStations, {.workload = c.workload, .db = database().location(), .count = kCalls, .args = c.args});
    const std::vector<std::string> lines = lines_of(runs);
    ASSERT_EQ(lines.size(), static_cast<size_t>(kStations * kCalls));
    std::set<std::string> values;
    for (const std::string& line : lines) values.insert(line.substr(0, line.find(' ')));
    EXPECT_EQ(values.size(), lines.size()) << "a value was handed out twice";
    EXPECT_EQ(*values.begin(), c.first);
    if (c.last != nullptr) EXPECT_EQ(*values.rbegin(), c.last);
    printed[c.workload] = lines;
  }

  TTIDatabase db;
  database().open(db);
  // The reserved code was stepped past: 200 codes over 201 numbers.
  const std::vector<std::string> material =
      test::rows("SELECT DISTINCT BARRA FROM MAT_ITEN_001 WHERE CODIGO LIKE 'CB-SM%' ORDER BY BARRA", {}, db);
  ASSERT_EQ(material.size(), static_cast<size_t>(kStations * kCalls));
  EXPECT_EQ(material.back(), Calcula_digito_EAN13("000000000201"));
  for (const std::string& code : material) EXPECT_NE(code, Calcula_digito_EAN13("000000000010"));
  expect_one_item_per_code(db, "MAT_ITEN_001", "BARRA", "CB-SM", printed["gera-ean13"]);
  expect_one_item_per_code(db, "PA_ITEN_001", "BARRA28", "CB-SI", printed["gera-ean28"]);
}

}  // namespace
}  // namespace zpk
