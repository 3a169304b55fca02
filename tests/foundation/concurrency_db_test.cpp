// Several stations (zpk processes) on one database through the test Firebird
// server: codes drawn at the same time are never handed out twice, and of the
// stations asking for the same free order at once exactly one gets it.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "support/multi_station.hpp"

namespace zpk {
namespace {

class ManyStations : public test::ServerTest {
 protected:
  std::string read_one(const std::string& sql) {
    TTIDatabase db;
    database().open(db);
    TTIQuery q(db);
    q.SQL.Add(sql);
    q.Open();
    return q.Fields(0).AsString();
  }
};

TEST_F(ManyStations, ProximoNeverHandsTheSameCodeToTwoStations) {
  constexpr int kStations = 4;
  constexpr int kCalls = 250;
  const auto runs = test::run_stations(kStations, {.workload = "proximo",
                                                   .db = database().location(),
                                                   .count = kCalls,
                                                   .args = {"ORCAMENTO", "NUMERO", "6"}});
  for (const auto& r : runs) ASSERT_TRUE(r.ok()) << test::describe(runs);

  const std::vector<std::string> codes = test::all_lines(runs);
  ASSERT_EQ(codes.size(), static_cast<size_t>(kStations * kCalls));
  const std::set<std::string> distinct(codes.begin(), codes.end());
  EXPECT_EQ(distinct.size(), codes.size()) << "a code was handed out twice";
  int highest = 0;
  for (const std::string& code : codes) {
    ASSERT_EQ(code.size(), 6U) << code;
    highest = std::max(highest, StrToInt(code));
  }
  EXPECT_EQ(highest, kStations * kCalls);  // none skipped: nothing was stored in ORCAMENTO
  EXPECT_EQ(read_one("SELECT PROXIMO FROM CODIGOS_001 WHERE TABELA = 'ORCAMENTO' AND CAMPO = 'NUMERO'"),
            std::to_string(highest + 1));
}

TEST_F(ManyStations, OnlyOneStationLocksAFreeOrder) {
  constexpr int kStations = 4;
  for (const char* numero : {"000001", "000002"}) {
    SCOPED_TRACE(numero);
    const auto runs =
        test::run_stations(kStations, {.workload = "lock-pedido",
                                       .db = database().location(),
                                       .args = {numero},
                                       .extra_args = [](int station) {
                                         return std::vector<std::string>{"EST" + std::to_string(station)};
                                       }});
    for (const auto& r : runs) ASSERT_TRUE(r.ok()) << test::describe(runs);

    const std::string holder =
        read_one(std::string("SELECT LOCADO FROM PEDIDO_001 WHERE NUMERO = '") + numero + "'");
    int locked = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
      ASSERT_EQ(runs[i].lines.size(), 1U) << test::describe(runs);
      if (runs[i].lines[0] == "locked") {
        ++locked;
        EXPECT_EQ(holder, "EST" + std::to_string(i));
      } else {
        EXPECT_EQ(runs[i].lines[0],
                  "refused: Pedido em alteracão por " + holder + ". Tente novamente mais tarde.");
        EXPECT_NE(runs[i].errors.find("Pedido em alteracão por " + holder), std::string::npos);
      }
    }
    EXPECT_EQ(locked, 1) << test::describe(runs);
  }
}

}  // namespace
}  // namespace zpk
