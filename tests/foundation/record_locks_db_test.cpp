// User locks on orders, quotations and dyeing programmes: who gets the
// record, what the refused user is told, what releasing leaves in the audit
// log, and that a station racing for the same record never overwrites the holder.
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "foundation/record_locks.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::exec;

class RecordLocks : public test::DatabaseTest {
 protected:
  void SetUp() override {
    // Locks are committed at once: every test starts from free records.
    for (const char* table : {"PEDIDO_001", "ORCAMENTO_001", "TNG_PROG_001"}) {
      for (const char* numero : {"000001", "000002"}) {
        exec(std::string("UPDATE OR INSERT INTO ") + table + " (NUMERO, LOCADO) VALUES ('" + numero +
             "', '0') MATCHING (NUMERO)");
      }
    }
    Tabela.IBTransaction.CommitRetaining();
    sPedidoLocado.clear();
    sOrcamentoLocado.clear();
    sProgramacaoLocado.clear();
    vUsuario = "JOAO";
  }
  void TearDown() override {
    vUsuario.clear();
    sPedidoLocado.clear();
    sOrcamentoLocado.clear();
    sProgramacaoLocado.clear();
    test::DatabaseTest::TearDown();
  }

  // LOCADO as another station sees it (committed work only).
  static std::string holder(const std::string& table, const std::string& numero) {
    TTIDatabase other;
    other.GetDatabase(Tabela.IBDatabase);
    TTIQuery q(other);
    q.SQL.Add("SELECT LOCADO FROM " + table + " WHERE NUMERO = '" + numero + "'");
    q.Open();
    return q.FieldByName("LOCADO").AsString();
  }

  static int log_rows(const std::string& chave) {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("SELECT COUNT(*) AS N FROM LOG WHERE CHAVE = '" + chave + "'");
    q.Open();
    return q.FieldByName("N").AsInteger();
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

TEST_F(RecordLocks, LockingTakesTheRecordAndGivesUpThePreviousOne) {
  EXPECT_FALSE(PedidoLocado("000001", "1"));
  EXPECT_EQ(holder("PEDIDO_001", "000001"), "JOAO");
  EXPECT_EQ(sPedidoLocado, "000001");

  // The number held already: nothing changes, no dialog.
  EXPECT_FALSE(PedidoLocado("000001", "1"));
  EXPECT_EQ(holder("PEDIDO_001", "000001"), "JOAO");

  EXPECT_FALSE(PedidoLocado("000002", "1"));
  EXPECT_EQ(holder("PEDIDO_001", "000001"), "0");
  EXPECT_EQ(holder("PEDIDO_001", "000002"), "JOAO");
  EXPECT_EQ(sPedidoLocado, "000002");
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(RecordLocks, ARecordHeldByAnotherUserIsRefused) {
  const struct {
    const char* locado;  // what the row holds
    bool refused;
  } kCases[] = {
      {"MARIA", true},
      {"  MARIA  ", true},
      {"0", false},
      {"", false},
      {nullptr, false},
      // This user's own name not held by this station: another station of the
      // same login, or a lock left from an earlier run.
      {"JOAO", true},
      {" JOAO ", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.locado ? c.locado : "NULL");
    SetUp();
    dialogs_.clear();
    exec(std::string("UPDATE PEDIDO_001 SET LOCADO = ") +
         (c.locado ? "'" + std::string(c.locado) + "'" : "NULL") + " WHERE NUMERO = '000001'");
    Tabela.IBTransaction.CommitRetaining();
    EXPECT_EQ(PedidoLocado("000001", "1"), c.refused);
    if (c.refused) {
      ASSERT_EQ(dialogs_.records().size(), 1U);
      EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
      const std::string name = Trim(c.locado);
      EXPECT_EQ(dialogs_.last().text, "Pedido em alteracão por " + name + ". Tente novamente mais tarde.");
      EXPECT_EQ(sPedidoLocado, "");
      EXPECT_EQ(holder("PEDIDO_001", "000001"), c.locado);
    } else {
      EXPECT_TRUE(dialogs_.records().empty());
      EXPECT_EQ(holder("PEDIDO_001", "000001"), "JOAO");
      EXPECT_EQ(sPedidoLocado, "000001");
    }
  }
}

TEST_F(RecordLocks, AUserIsNeverRefusedTheRecordTheUserHolds) {
  const struct {
    bool (*routine)(std::string_view, std::string_view);
    const char* table;
    std::string* held;
  } kCases[] = {
      {PedidoLocado, "PEDIDO_001", &sPedidoLocado},
      {OrcamentoLocado, "ORCAMENTO_001", &sOrcamentoLocado},
      {ProgramacaoLocado, "TNG_PROG_001", &sProgramacaoLocado},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.table);
    ASSERT_FALSE(c.routine("000001", "1"));
    // Releasing some other number leaves the station's own record held.
    EXPECT_FALSE(c.routine("000002", "0"));
    EXPECT_EQ(*c.held, "000001");
    EXPECT_EQ(holder(c.table, "000001"), "JOAO");
    EXPECT_FALSE(c.routine("000001", "1"));
    // Moving on frees it, because the station still knows it holds it.
    EXPECT_FALSE(c.routine("000002", "1"));
    EXPECT_EQ(holder(c.table, "000001"), "0");
    EXPECT_EQ(holder(c.table, "000002"), "JOAO");
  }
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(RecordLocks, ARefusalKeepsTheRecordHeldBefore) {
  ASSERT_FALSE(PedidoLocado("000001", "1"));
  exec("UPDATE PEDIDO_001 SET LOCADO = 'MARIA' WHERE NUMERO = '000002'");
  Tabela.IBTransaction.CommitRetaining();
  EXPECT_TRUE(PedidoLocado("000002", "1"));
  EXPECT_EQ(sPedidoLocado, "000001");
  EXPECT_EQ(holder("PEDIDO_001", "000001"), "JOAO");
}

TEST_F(RecordLocks, TheRecordHeldBeforeIsFreedOnlyWhileItIsStillOurs) {
  ASSERT_FALSE(PedidoLocado("000001", "1"));
  // Someone cleared the lock and another user took the order meanwhile.
  exec("UPDATE PEDIDO_001 SET LOCADO = 'MARIA' WHERE NUMERO = '000001'");
  Tabela.IBTransaction.CommitRetaining();
  ASSERT_FALSE(PedidoLocado("000002", "1"));
  EXPECT_EQ(holder("PEDIDO_001", "000001"), "MARIA");
}

TEST_F(RecordLocks, ReleasingFreesTheRecordAndWritesOneAuditRow) {
  const struct {
    bool (*routine)(std::string_view, std::string_view);
    const char* table;
    std::string* held;
    const char* numero;
    const char* tela;
    const char* descricao;
    const char* refusal;
  } kCases[] = {
      {PedidoLocado, "PEDIDO_001", &sPedidoLocado, "000001", "PEDIDO", "DESALOCAÇÃO DO PEDIDO 000001",
       "Pedido em alteracão por "},
      {OrcamentoLocado, "ORCAMENTO_001", &sOrcamentoLocado, "000002", "ORCAMENTO",
       "DESALOCACAO DO ORCAMENTO 000002", "Orçamento em alteracão por "},
      {ProgramacaoLocado, "TNG_PROG_001", &sProgramacaoLocado, "000001", "PROGRAMACAO DO TINGIMENTO",
       "DESALOCACAO DA PROGRAMACAO 000001", "Programação em alteracão por "},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.table);
    const std::string chave = c.numero;
    const int before = log_rows(chave);
    const auto screen_rows = [&] {
      TTIQuery q(Tabela.IBDatabase);
      q.SQL.Add("SELECT TELA, DESCRICAO, OPERACAO, USUARIO FROM LOG WHERE CHAVE = :CHAVE AND TELA = :TELA");
      q.ParamByName("CHAVE").AsString = chave;
      q.ParamByName("TELA").AsString = c.tela;
      q.Open();
      return q.RecordCount();
    };
    // Other tests of the suite may have released the same number before.
    const int screen_before = screen_rows();

    ASSERT_FALSE(c.routine(c.numero, "1"));
    EXPECT_EQ(*c.held, c.numero);
    vUsuario = "MARIA";
    *c.held = "";
    EXPECT_TRUE(c.routine(c.numero, "1"));
    EXPECT_EQ(dialogs_.last().text, std::string(c.refusal) + "JOAO. Tente novamente mais tarde.");
    vUsuario = "JOAO";
    *c.held = c.numero;

    EXPECT_FALSE(c.routine(c.numero, "0"));
    EXPECT_EQ(holder(c.table, c.numero), "0");
    EXPECT_EQ(*c.held, "");
    // Releasing a record nobody holds writes the row just the same.
    EXPECT_FALSE(c.routine(c.numero, "0"));
    EXPECT_EQ(log_rows(chave), before + 2);

    ASSERT_EQ(screen_rows(), screen_before + 2);
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("SELECT TELA, DESCRICAO, OPERACAO, USUARIO FROM LOG WHERE CHAVE = :CHAVE AND TELA = :TELA");
    q.ParamByName("CHAVE").AsString = chave;
    q.ParamByName("TELA").AsString = c.tela;
    q.Open();
    EXPECT_EQ(q.FieldByName("DESCRICAO").AsString(), c.descricao);
    EXPECT_EQ(q.FieldByName("OPERACAO").AsString(), "Movimentação");
    EXPECT_EQ(q.FieldByName("USUARIO").AsString(), "JOAO");
  }
}

TEST_F(RecordLocks, OtherOptionsDoNothing) {
  EXPECT_FALSE(PedidoLocado("000001", "2"));
  EXPECT_FALSE(PedidoLocado("000001", ""));
  EXPECT_EQ(holder("PEDIDO_001", "000001"), "0");
  EXPECT_EQ(sPedidoLocado, "");
}

TEST_F(RecordLocks, AStationThatLosesTheRaceIsRefusedNotOverwriting) {
  // Another station has written its name but not committed yet: this station
  // read the record as free, and its write waits for the other one.
  TTIDatabase other;
  other.GetDatabase(Tabela.IBDatabase);
  TTIQuery q(other);
  q.SQL.Add("UPDATE PEDIDO_001 SET LOCADO = 'MARIA' WHERE NUMERO = '000001'");
  q.ExecSQL();
  std::thread commit_later([&other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    other.DefaultTransaction().Commit();
  });
  bool refused = false;
  try {
    refused = PedidoLocado("000001", "1");
  } catch (...) {
    commit_later.join();
    throw;
  }
  commit_later.join();
  EXPECT_TRUE(refused);
  EXPECT_EQ(holder("PEDIDO_001", "000001"), "MARIA");
  EXPECT_EQ(dialogs_.last().text, "Pedido em alteracão por MARIA. Tente novamente mais tarde.");
}

TEST_F(RecordLocks, NumbersAndNamesAreStoredAsTyped) {
  vUsuario = "D'AVILA";
  EXPECT_FALSE(PedidoLocado("000001", "1"));
  EXPECT_EQ(holder("PEDIDO_001", "000001"), "D'AVILA");
  // A number with a quote, or longer than the column, is simply no order.
  EXPECT_FALSE(PedidoLocado("00'01", "1"));
  EXPECT_FALSE(PedidoLocado("0000000000000000000001", "1"));
  EXPECT_EQ(holder("PEDIDO_001", "000001"), "0");
}

}  // namespace
}  // namespace zpk
