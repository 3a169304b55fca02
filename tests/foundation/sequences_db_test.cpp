// Codes from the counter table, reserved codes and the stock document and
// movement sequences, on the demo database. Proximo commits on its own
// connection, so each test counts on a table and column of its own.
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/sequences.hpp"
#include "foundation/session.hpp"
#include "not_literals.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/engine_sql.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::exec;

class Sequences : public test::DatabaseTest {
 protected:
  // Runs a statement in the shared transaction.
  static void commit() { Tabela.IBTransaction.CommitRetaining(); }

  // PROXIMO and TAMANHO of a counter row as another station sees them ("" when missing).
  static std::string counter(const std::string& codigos, const std::string& tabela,
                             const std::string& campo) {
    TTIDatabase other;
    other.GetDatabase(Tabela.IBDatabase);
    TTIQuery q(other);
    q.SQL.Add("SELECT PROXIMO, TAMANHO FROM " + codigos + " WHERE TABELA = :TABELA AND CAMPO = :CAMPO");
    q.ParamByName("TABELA").AsString = tabela;
    q.ParamByName("CAMPO").AsString = campo;
    q.Open();
    if (q.IsEmpty()) return "";
    return q.FieldByName("PROXIMO").AsString() + "/" + q.FieldByName("TAMANHO").AsString();
  }

  // Attachments to the database other than the shared connection (Proximo's own).
  static int other_attachments() { return test::other_attachments(); }
};

TEST_F(Sequences, FirstUseCreatesTheCounterAndHandsOutOne) {
  EXPECT_EQ(Proximo("ORCAMENTO", "NUMERO", 6), "000001");
  EXPECT_EQ(counter("CODIGOS_001", "ORCAMENTO", "NUMERO"), "2/6");
  EXPECT_EQ(Proximo("ORCAMENTO", "NUMERO", 6), "000002");
  EXPECT_EQ(counter("CODIGOS_001", "ORCAMENTO", "NUMERO"), "3/6");
}

TEST_F(Sequences, SkipsCodesAlreadyStored) {
  exec("INSERT INTO CODIGOS_001 (TABELA, CAMPO, PROXIMO, TAMANHO) VALUES ('TNG_PROG', 'NUMERO', '5', 6)");
  exec("INSERT INTO TNG_PROG_001 (NUMERO, LOCADO) VALUES ('000005', '0')");
  exec("INSERT INTO TNG_PROG_001 (NUMERO, LOCADO) VALUES ('000006', '0')");
  commit();  // Proximo looks from its own connection
  EXPECT_EQ(Proximo("TNG_PROG", "NUMERO", 6), "000007");
  EXPECT_EQ(counter("CODIGOS_001", "TNG_PROG", "NUMERO"), "8/6");
}

TEST_F(Sequences, TheStoredWidthWinsOverTheArgument) {
  exec("INSERT INTO CODIGOS_001 (TABELA, CAMPO, PROXIMO, TAMANHO) VALUES ('DEPOSITO', 'CODIGO', '12', 4)");
  commit();
  EXPECT_EQ(Proximo("DEPOSITO", "CODIGO", 8), "0012");
  EXPECT_EQ(counter("CODIGOS_001", "DEPOSITO", "CODIGO"), "13/4");
}

TEST_F(Sequences, TheCounterMovesWhateverTheCallersTransactionDoes) {
  const std::string first = Proximo("UNIDADE", "UNIDADE", 3);
  Tabela.IBTransaction.Rollback();
  EXPECT_EQ(first, "001");
  EXPECT_EQ(Proximo("UNIDADE", "UNIDADE", 3), "002");
}

TEST_F(Sequences, ATableKeptInOneCompanysCopyCountsThere) {
  // MATERIAL of every company lives in company 001's copy: its counter too.
  exec("INSERT INTO ARQLOCAL (ARQUIVO) VALUES ('MATERIAL_001')");
  exec("INSERT INTO CODIGOS_001 (TABELA, CAMPO, PROXIMO, TAMANHO) VALUES ('MATERIAL', 'CODIGO', '40', 5)");
  exec("INSERT INTO CODIGOS_002 (TABELA, CAMPO, PROXIMO, TAMANHO) VALUES ('MATERIAL', 'CODIGO', '7', 5)");
  commit();
  Tabela.select_company("002");
  std::string code;
  try {
    code = Proximo("MATERIAL", "CODIGO", 6);
  } catch (...) {
    Tabela.select_company("001");
    throw;
  }
  Tabela.select_company("001");
  EXPECT_EQ(code, "00040");
  EXPECT_EQ(counter("CODIGOS_001", "MATERIAL", "CODIGO"), "41/5");
  EXPECT_EQ(counter("CODIGOS_002", "MATERIAL", "CODIGO"), "7/5");
}

TEST_F(Sequences, ACounterThatLostItsValueStartsOver) {
  // A NULL counter must not stall the guarded update (no row would ever match).
  exec("INSERT INTO CODIGOS_001 (TABELA, CAMPO, PROXIMO, TAMANHO) VALUES ('PEDIDO', 'PED_CLI', NULL, 2)");
  commit();
  EXPECT_EQ(Proximo("PEDIDO", "PED_CLI", 2), "01");
  EXPECT_EQ(counter("CODIGOS_001", "PEDIDO", "PED_CLI"), "2/2");
  EXPECT_EQ(Proximo("PEDIDO", "PED_CLI", 2), "02");
}

TEST_F(Sequences, TheCounterIsReadAsANumberOrRefused) {
  const struct {
    const char *tabela, *campo, *stored;
    const char* code;     // nullptr: refused
    const char* counter;  // PROXIMO/TAMANHO afterwards
  } kCases[] = {
      {"PEDIDO", "CONTATO", "", "000001", "2/6"},  // blank: starts over at 1
      {"PEDIDO", "RIS", "   ", "000001", "2/6"},   //
      {"PEDIDO", "ART_CLI", " 12 ", "000012", "13/6"},
      {"PEDIDO", "MOEDA", "0012", "000012", "13/6"},
      {"PEDIDO", "TAB_PRE", "ABC", nullptr, "ABC/6"},
      {"PEDIDO", "COND_PAGTO", "12A", nullptr, "12A/6"},
      {"ORCAMENTO", "LOCADO", "-5", nullptr, "-5/6"},
      {"TNG_PROG", "LOCADO", "0", nullptr, "0/6"},
      {"PEDIDO", "CODREP", "1.5", nullptr, "1.5/6"},
      {"PEDIDO", "PGTO", "99999999999999999999", nullptr, "99999999999999999999/6"},
  };
  for (const auto& c : kCases) {
    exec(std::string("INSERT INTO CODIGOS_001 (TABELA, CAMPO, PROXIMO, TAMANHO) VALUES ('") + c.tabela +
         "', '" + c.campo + "', '" + c.stored + "', 6)");
  }
  commit();
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.campo) + " '" + c.stored + "'");
    if (c.code) {
      EXPECT_EQ(Proximo(c.tabela, c.campo, 6), c.code);
    } else {
      try {
        Proximo(c.tabela, c.campo, 6);
        ADD_FAILURE() << "a code was handed out";
      } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find(std::string("holds '") + c.stored + "'"), std::string::npos)
            << e.what();
      }
    }
    EXPECT_EQ(counter("CODIGOS_001", c.tabela, c.campo), c.counter);
  }
}

TEST_F(Sequences, ANameThatIsNoTableOrColumnIsRefusedBeforeAnythingIsWritten) {
  const struct {
    const char *tabela, *campo;
    const char* message;  // part of the error; nullptr: the engine's own
  } kCases[] = {
      {"ORC'AMENTO", "NUMERO", "'ORC'AMENTO' is not a table name"},
      {"PEDIDO X", "NUMERO", "'PEDIDO X' is not a table name"},
      {"", "NUMERO", "'' is not a table name"},
      {"PEDIDO", "NUMERO'", "'NUMERO'' is not a column name"},
      {"PEDIDO", "1NUMERO", "'1NUMERO' is not a column name"},
      {"PEDIDO", "", "'' is not a column name"},
      {"NO_SUCH_TABLE", "NUMERO", nullptr},
      {"PEDIDO", "NO_SUCH_COLUMN", nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.tabela) + "." + c.campo);
    try {
      Proximo(c.tabela, c.campo, 6);
      ADD_FAILURE() << "a code was handed out";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(c.message, nullptr) << e.what();
    } catch (const EZpkError& e) {
      ASSERT_NE(c.message, nullptr) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_EQ(counter("CODIGOS_001", c.tabela, c.campo), "");
  }
}

TEST_F(Sequences, OnePrivateConnectionServesEveryCallAndOneThatFailedIsDropped) {
  Proximo("PRODUTO", "CODIGO", 4);
  Proximo("PRODUTO", "CODIGO", 4);
  EXPECT_EQ(other_attachments(), 1);
  // A column the target table lacks fails the check of stored codes.
  EXPECT_THROW(Proximo("PRODUTO", "NO_SUCH_COLUMN", 4), EDatabaseError);
  EXPECT_EQ(other_attachments(), 0);
  EXPECT_EQ(Proximo("PRODUTO", "CODIGO", 4), "0003");
  EXPECT_EQ(other_attachments(), 1);
}

TEST_F(Sequences, AfterTabelaReconnectsCodesComeFromTheNewDatabase) {
  const std::string suite = database_path().string();
  const std::string second = test::fresh_database("SequencesSecond").string();
  EXPECT_EQ(Proximo("NATUREZA", "NATUREZA", 3), "001");
  try {
    Tabela.connect_company(second, "001");
    EXPECT_EQ(Proximo("NATUREZA", "NATUREZA", 3), "001");
    EXPECT_EQ(Proximo("NATUREZA", "NATUREZA", 3), "002");
    EXPECT_EQ(counter("CODIGOS_001", "NATUREZA", "NATUREZA"), "3/3");
    Tabela.connect_company(suite, "001");
  } catch (...) {
    Tabela.connect_company(suite, "001");
    throw;
  }
  EXPECT_EQ(Proximo("NATUREZA", "NATUREZA", 3), "002");
  EXPECT_EQ(counter("CODIGOS_001", "NATUREZA", "NATUREZA"), "3/3");
  // Nothing of this process is attached to the second database any more:
  // dropping it needs every other attachment gone.
  TTIDatabase other;
  other.SetDatabaseName(second);
  other.Open();
  EXPECT_NO_THROW(other.drop_database());
  std::error_code ec;
  std::filesystem::remove(second, ec);
}

TEST_F(Sequences, ReservedCodes) {
  EXPECT_FALSE(CodigoReservado("PEDIDO", "NUMERO", "'000009'"));
  ReservaCodigo("PEDIDO", "NUMERO", "'000009'");
  ReservaCodigo("PEDIDO", "NUMERO", "'000009'");  // already reserved: nothing more
  EXPECT_TRUE(CodigoReservado("PEDIDO", "NUMERO", "'000009'"));
  EXPECT_FALSE(CodigoReservado("PEDIDO", "CODCLI", "'000009'"));
  EXPECT_FALSE(CodigoReservado("ORCAMENTO", "NUMERO", "'000009'"));
  {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("SELECT COUNT(*) AS N, MAX(LIVRE) AS LIVRE FROM CODIGOSVALOR_001 WHERE VALOR = '000009'");
    q.Open();
    EXPECT_EQ(q.FieldByName("N").AsInteger(), 1);
    EXPECT_EQ(q.FieldByName("LIVRE").AsInteger(), 0);
  }
  LiberaCodigos("PEDIDO", "NUMERO", "'000009'");
  EXPECT_FALSE(CodigoReservado("PEDIDO", "NUMERO", "'000009'"));
}

// The reserved rows as another station sees them, one "TABELA|CAMPO|VALOR" each.
std::vector<std::string> reserved_rows() {
  test::OtherStation other;
  return test::rows("SELECT TABELA, CAMPO, VALOR FROM CODIGOSVALOR_001 ORDER BY 1, 2, 3", {}, other.db());
}

TEST_F(Sequences, AReservedCodeIsALiteralAndNothingElseReachesTheStatement) {
  ReservaCodigo("PEDIDO", "NUMERO", "'000041'");
  ReservaCodigo("ORCAMENTO", "NUMERO", "'000042'");
  const std::vector<std::string> before = reserved_rows();
  ASSERT_EQ(before.size(), 2u);
  // Work of the caller's own, not committed: a refused call must not commit it either.
  exec("INSERT INTO DEPOSITO_001 (CODIGO, DESCRICAO) VALUES ('0077', 'PENDENTE')");

  for (const char* valor : test::kNotLiterals) {
    SCOPED_TRACE(valor);
    for (const auto& [name, call] : std::initializer_list<std::pair<const char*, std::function<void()>>>{
             {"ReservaCodigo", [&] { ReservaCodigo("PEDIDO", "NUMERO", valor); }},
             {"LiberaCodigos", [&] { LiberaCodigos("PEDIDO", "NUMERO", valor); }},
             {"CodigoReservado", [&] { CodigoReservado("PEDIDO", "NUMERO", valor); }},
         }) {
      test::expect_refused_as_not_literal(name, valor, call);
    }
  }
  EXPECT_EQ(reserved_rows(), before);
  test::OtherStation other;
  EXPECT_EQ(test::text("SELECT COUNT(*) FROM DEPOSITO_001 WHERE CODIGO = '0077'", {}, other.db()), "0");

  LiberaCodigos("PEDIDO", "NUMERO", "'000041'");
  LiberaCodigos("ORCAMENTO", "NUMERO", "'000042'");
  EXPECT_TRUE(reserved_rows().empty());
}

TEST_F(Sequences, EveryCodeAspasQuotesIsReservedAsTyped) {
  // Texts with quotes go in doubled, as QuotedStr writes them.
  const struct {
    const char* valor;
    const char* stored;
  } kCases[] = {
      {"'000123'", "000123"},
      {"''", ""},
      {"'AÇÃO-Ñ'", "AÇÃO-Ñ"},
      {"'D''AGUA'", "D'AGUA"},
      {"''' OR ''1''=''1'", "' OR '1'='1"},
      {"'A;B -- /* C'", "A;B -- /* C"},
      {"'50%'", "50%"},
      {" '000124' ", "000124"},
      {"125", "125"},
      {"DATE '2025-01-31'", "2025-01-31"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.valor);
    EXPECT_FALSE(CodigoReservado("LIT", "VALOR", c.valor));
    ReservaCodigo("LIT", "VALOR", c.valor);
    ReservaCodigo("LIT", "VALOR", c.valor);  // already reserved: nothing more
    EXPECT_TRUE(CodigoReservado("LIT", "VALOR", c.valor));
    EXPECT_EQ(reserved_rows(), std::vector<std::string>{std::string("LIT|VALOR|") + c.stored});
    LiberaCodigos("LIT", "VALOR", c.valor);
    EXPECT_FALSE(CodigoReservado("LIT", "VALOR", c.valor));
    EXPECT_TRUE(reserved_rows().empty());
  }
  // Longer than the column: never reserved, nothing to release, refused by the
  // column when reserved, as the literal itself would be.
  const std::string longer = "'" + std::string(31, '9') + "'";
  EXPECT_FALSE(CodigoReservado("LIT", "VALOR", longer));
  EXPECT_NO_THROW(LiberaCodigos("LIT", "VALOR", longer));
  EXPECT_THROW(ReservaCodigo("LIT", "VALOR", longer), EDatabaseError);
  Tabela.IBTransaction.Rollback();
  EXPECT_TRUE(reserved_rows().empty());
}

TEST_F(Sequences, SequenciaBaixaFollowsTheHighestWriteOffOfThePrefix) {
  auto movement = [](const std::string& docto, const char* operacao, const char* tp_mov) {
    exec("INSERT INTO PA_MOV_001 (ORDEM, NUM_DOCTO, OPERACAO, TP_MOV, DT_MVTO) VALUES (1, '" + docto +
         "', '" + operacao + "', '" + tp_mov + "', CURRENT_DATE)");
  };
  EXPECT_EQ(SequenciaBaixa("BX2501"), "001");
  movement("BX2501004", "E", "BO");
  movement("BX2501007", "S", "BO");  // an exit: not a write-off document
  movement("BX2501009", "E", "NF");  // another kind of movement
  movement("BX2502050", "E", "EO");  // another prefix
  EXPECT_EQ(SequenciaBaixa("BX2501"), "005");
  movement("BX2501006", "E", "EO");
  EXPECT_EQ(SequenciaBaixa("BX2501"), "007");
  // Past 999 the text order no longer follows the numbers.
  movement("BX2501999", "E", "BO");
  movement("BX25011000", "E", "BO");
  EXPECT_EQ(SequenciaBaixa("BX2501"), "1001");
  EXPECT_EQ(SequenciaBaixa("BX2502"), "051");
}

TEST_F(Sequences, MovementOrdersOfTheLast30Days) {
  const struct {
    const char* table;
    const char* date_column;
    int (*next)();
  } kCases[] = {
      {"PA_MOV_001", "DT_MVTO", SequenciaMovimentoPA_MOV},
      {"MAT_MOV_001", "DT_MOVTO", SequenciaMovimentoMAT_MOV},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.table);
    auto movement = [&](int ordem, int days_ago) {
      exec(std::string("INSERT INTO ") + c.table + " (ORDEM, " + c.date_column + ") VALUES (" +
           std::to_string(ordem) + ", CURRENT_DATE - " + std::to_string(days_ago) + ")");
    };
    EXPECT_EQ(c.next(), 1);
    movement(500, 45);  // too old to count
    EXPECT_EQ(c.next(), 1);
    movement(7, 2);
    movement(3, 0);
    EXPECT_EQ(c.next(), 8);
    Tabela.IBTransaction.Rollback();
  }
}

}  // namespace
}  // namespace zpk
