// Product and material reservations on a real database: what a record writes,
// how a write-down moves the open and written-off quantities (below zero
// too), which rows a write-down or a delete reaches, the commit flag, and a
// write-down that meets another station's uncommitted change of the same row.
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/lookups.hpp"
#include "inventory/reserva.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/multi_station.hpp"

namespace zpk {
namespace {

class Reservas : public test::DatabaseTest {
 protected:
  // A product reservation of document `numero` for item RES-P / 01 / M.
  static TReserva produto(const std::string& numero, double qtde) {
    TReserva r;
    r.ENumero = numero;
    r.ETipo = "PD";
    r.ECodigo = "RES-P";
    r.ECor = "01";
    r.ETam = "M";
    r.ELote = "L1";
    r.EDeposito = "01";
    r.EQuantidade = qtde;
    return r;
  }
  static TReserva material(const std::string& numero, const std::string& tipo, double qtde) {
    TReserva r;
    r.ENumero = numero;
    r.ETipo = tipo;
    r.ECodigo = "RES-M";
    r.ECor = "02";
    r.ELote = "";
    r.EDeposito = "01";
    r.EQuantidade = qtde;
    return r;
  }

  // "QTDE/QTDE_B" of every row of the table for the document, by kind and
  // size (materials have none). The tables have no key, and the engine's row
  // address moves on update on PostgreSQL; rows of one item compare equal.
  static std::vector<std::string> quantities(const std::string& table, const std::string& numero,
                                             TTIDatabase& db = Tabela.IBDatabase) {
    TTIQuery q(db);
    q.SQL.Add("SELECT QTDE, QTDE_B FROM " + DBLocal(table) + " WHERE NUMERO = :N ORDER BY TIPO" +
              (table == "PED_RESERVA" ? ", TAM" : ""));
    q.ParamByName("N").AsString = numero;
    q.Open();
    std::vector<std::string> rows;
    for (; !q.Eof(); q.Next()) {
      rows.push_back(q.FieldByName("QTDE").AsString() + "/" + q.FieldByName("QTDE_B").AsString());
    }
    return rows;
  }
};

using Rows = std::vector<std::string>;

TEST_F(Reservas, RecordWritesEveryColumnAndTwiceGivesTwoRows) {
  TReserva r = produto("D'1", 3);  // a quote in the number is stored as typed
  r.EData = EncodeDate(2025, 3, 14);
  r.EQuantidade_E = 1.5;
  r.EQuantidade_B = 0.25;
  r.GravarReservaProduto(false);
  r.GravarReservaProduto(false);

  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT * FROM " + DBLocal("PED_RESERVA") + " WHERE NUMERO = 'D''1'");
  q.Open();
  ASSERT_EQ(q.RecordCount(), 2);
  EXPECT_EQ(q.FieldByName("DT_CAD").AsString(), "14/03/2025");
  EXPECT_EQ(q.FieldByName("TIPO").AsString(), "PD");
  EXPECT_EQ(q.FieldByName("RESERVA").AsInteger(), 0);
  EXPECT_EQ(q.FieldByName("CODIGO").AsString() + q.FieldByName("COR").AsString() +
                q.FieldByName("TAM").AsString() + q.FieldByName("LOTE").AsString() +
                q.FieldByName("DEPOSITO").AsString(),
            "RES-P01ML101");
  EXPECT_DOUBLE_EQ(q.FieldByName("QTDE").AsFloat(), 3);
  EXPECT_DOUBLE_EQ(q.FieldByName("QTDE_EXP").AsFloat(), 1.5);
  EXPECT_DOUBLE_EQ(q.FieldByName("QTDE_B").AsFloat(), 0.25);

  TReserva m = material("D2", "OP", 7);
  m.EQuantidade_E = 2;
  m.GravarReservaMaterial(false);
  m.GravarReservaMaterial(false);
  EXPECT_EQ(quantities("MAT_RESERVA", "D2"), (Rows{"7/0", "7/0"}));
  TTIQuery mq(Tabela.IBDatabase);
  mq.SQL.Add("SELECT TIPO, COR, DEPOSITO, QTDE_EXP, DT_CAD FROM " + DBLocal("MAT_RESERVA") +
             " WHERE NUMERO = 'D2'");
  mq.Open();
  EXPECT_EQ(mq.FieldByName("TIPO").AsString(), "OP");
  EXPECT_EQ(mq.FieldByName("COR").AsString(), "02");
  EXPECT_DOUBLE_EQ(mq.FieldByName("QTDE_EXP").AsFloat(), 2);
  EXPECT_EQ(mq.FieldByName("DT_CAD").AsDateTime(), Date());  // today unless set
}

TEST_F(Reservas, WriteDownGoesBelowZeroAndKeepsBothQuantities) {
  produto("D3", 3).GravarReservaProduto(false);
  TReserva outro = produto("D3", 4);
  outro.ETam = "G";  // another size of the same document
  outro.GravarReservaProduto(false);

  TReserva b = produto("D3", 5);
  b.EQuantidade_B = 5;
  b.BaixarReservaProduto(false);
  EXPECT_EQ(b.rows_affected(), 1);
  EXPECT_EQ(quantities("PED_RESERVA", "D3"), (Rows{"4/0", "-2/5"}));

  // The two amounts are independent: the caller sets each.
  b.EQuantidade = 1;
  b.EQuantidade_B = 0.5;
  b.BaixarReservaProduto(false);
  EXPECT_EQ(quantities("PED_RESERVA", "D3"), (Rows{"4/0", "-3/5,5"}));

  // Nothing matches another lot: no change, no error.
  b.ELote = "L9";
  b.BaixarReservaProduto(false);
  EXPECT_EQ(b.rows_affected(), 0);
  EXPECT_EQ(quantities("PED_RESERVA", "D3"), (Rows{"4/0", "-3/5,5"}));
}

TEST_F(Reservas, MaterialWriteDownWithBlankKindReachesEveryKind) {
  material("D4", "OP", 10).GravarReservaMaterial(false);
  material("D4", "PD", 10).GravarReservaMaterial(false);

  TReserva b = material("D4", "PD", 2);
  b.EQuantidade_B = 2;
  b.BaixarReservaMaterial(false);
  EXPECT_EQ(quantities("MAT_RESERVA", "D4"), (Rows{"10/0", "8/2"}));

  b.ETipo = "  ";
  b.EQuantidade = 1;
  b.EQuantidade_B = 1;
  b.BaixarReservaMaterial(false);
  EXPECT_EQ(b.rows_affected(), 2);
  EXPECT_EQ(quantities("MAT_RESERVA", "D4"), (Rows{"9/1", "7/3"}));
}

TEST_F(Reservas, DeleteNarrowsByEveryPropertyThatIsSet) {
  const struct {
    const char* name;
    const char* numero;
    const char* codigo;
    const char* tam;
    Rows produto_left;  // of documents D5 and "" together
  } kCases[] = {
      {"only the number: every row of the document", "D5", "", "", {"", ""}},
      {"number and size", "D5", "", "G", {"D5", "D5", "", ""}},
      {"number and another code", "D5", "OUTRO", "", {"D5", "D5", "D5", "", ""}},
      {"an empty number reaches only empty numbers", "", "", "", {"D5", "D5", "D5"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    for (const char* numero : {"D5", ""}) {
      for (const char* tam : {"P", "M", "G"}) {
        if (std::string(numero).empty() && std::string(tam) == "G") continue;
        TReserva r = produto(numero, 1);
        r.ETam = tam;
        r.GravarReservaProduto(false);
      }
    }
    TReserva d;
    d.ENumero = c.numero;
    d.ECodigo = c.codigo;
    d.ETam = c.tam;
    d.ExcluirReservaProduto(false);

    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("SELECT NUMERO FROM " + DBLocal("PED_RESERVA") +
              " WHERE NUMERO IN ('D5', '') ORDER BY NUMERO DESC");
    q.Open();
    Rows left;
    for (; !q.Eof(); q.Next()) left.push_back(q.FieldByName("NUMERO").AsString());
    EXPECT_EQ(left, c.produto_left);
    Tabela.IBTransaction.Rollback();
  }

  // Materials: the kind narrows too, the other document stays.
  material("D6", "OP", 1).GravarReservaMaterial(false);
  material("D6", "PD", 1).GravarReservaMaterial(false);
  material("D7", "OP", 1).GravarReservaMaterial(false);
  TReserva d;
  d.ENumero = "D6";
  d.ETipo = "OP";
  d.ExcluirReservaMaterial(false);
  EXPECT_EQ(d.rows_affected(), 1);
  d.ETipo = "";
  d.ExcluirReservaMaterial(false);
  EXPECT_EQ(d.rows_affected(), 1);
  EXPECT_TRUE(quantities("MAT_RESERVA", "D6").empty());
  EXPECT_EQ(quantities("MAT_RESERVA", "D7").size(), 1u);
}

TEST_F(Reservas, CommitFlagDecidesWhatOtherConnectionsSee) {
  TTIDatabase other;
  other.GetDatabase(Tabela.IBDatabase);

  produto("C1", 2).GravarReservaProduto(false);
  EXPECT_TRUE(quantities("PED_RESERVA", "C1", other).empty());
  produto("C2", 2).GravarReservaProduto(true);  // commits C1 too: one transaction
  EXPECT_EQ(quantities("PED_RESERVA", "C1", other), (Rows{"2/0"}));
  EXPECT_EQ(quantities("PED_RESERVA", "C2", other), (Rows{"2/0"}));
  other.DefaultTransaction().Commit();

  TReserva b = produto("C2", 1);
  b.EQuantidade_B = 1;
  b.BaixarReservaProduto(true);
  EXPECT_EQ(quantities("PED_RESERVA", "C2", other), (Rows{"1/1"}));
}

TEST_F(Reservas, WriteDownWaitsForAnotherStationAndLosesNothing) {
  produto("W1", 10).GravarReservaProduto(true);

  // Another station writes the same reservation down and holds its
  // transaction open for a moment.
  TTIDatabase other;
  other.GetDatabase(Tabela.IBDatabase);
  TReserva first = produto("W1", 2);
  first.EDatabase = &other;
  first.EQuantidade_B = 2;
  first.BaixarReservaProduto(false);

  std::jthread committer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    other.DefaultTransaction().Commit();
  });
  // This one waits on the row; when the other commits the engine reports an
  // update conflict, and the write-down is run again on the new value.
  TReserva second = produto("W1", 3);
  second.EQuantidade_B = 3;
  second.BaixarReservaProduto(true);
  committer.join();

  EXPECT_EQ(second.rows_affected(), 1);
  EXPECT_EQ(quantities("PED_RESERVA", "W1"), (Rows{"5/5"}));
}

// Several stations on one server database write the same reservation down at
// once, each in its own transactions: every unit written down is counted.
class ReservasStations : public test::ServerTest {};

TEST_F(ReservasStations, ConcurrentWriteDownsAreAllCounted) {
  {
    TTIDatabase db;
    database().open(db);
    TTIQuery q(db);
    q.SQL.Add(
        "INSERT INTO PED_RESERVA_001 (DT_CAD, TIPO, NUMERO, RESERVA, CODIGO, COR, TAM, LOTE, DEPOSITO, QTDE, "
        "QTDE_EXP, QTDE_B) VALUES (CURRENT_DATE, 'PD', 'S1', 0, 'RES-P', '01', 'M', 'L1', '01', 100, 0, 0)");
    q.ExecSQL();
    db.DefaultTransaction().Commit();
  }
  constexpr int kStations = 4;
  constexpr int kCount = 15;
  test::StationRun run;
  run.workload = "baixa-reserva";
  run.db = database().location();
  run.count = kCount;
  run.args = {"S1", "RES-P", "01", "M", "L1", "01"};
  const auto results = test::run_stations(kStations, run);
  for (const auto& r : results) ASSERT_TRUE(r.ok()) << test::describe(results);
  EXPECT_EQ(test::all_lines(results).size(), static_cast<size_t>(kStations * kCount));

  TTIDatabase db;
  database().open(db);
  TTIQuery q(db);
  q.SQL.Add("SELECT QTDE, QTDE_B FROM PED_RESERVA_001 WHERE NUMERO = 'S1'");
  q.Open();
  EXPECT_DOUBLE_EQ(q.FieldByName("QTDE").AsFloat(), 100 - kStations * kCount);
  EXPECT_DOUBLE_EQ(q.FieldByName("QTDE_B").AsFloat(), kStations * kCount);
}

}  // namespace
}  // namespace zpk
