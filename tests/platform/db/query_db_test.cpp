// The query layer against a real embedded database: conversions, parameters,
// statement rewriting, errors, transactions and the statement cache.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "platform/db/table.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

// Every test runs on the suite's copy; TIPOS is a scratch table of all types.
class QueryTest : public test::DatabaseTest {
 public:
  static void SetUpTestSuite() {
    DatabaseTest::SetUpTestSuite();
    Tabela.IBDatabase.execute_script(
        "CREATE TABLE TIPOS (ID INTEGER NOT NULL PRIMARY KEY, TXT VARCHAR(40), FIXO CHAR(5),"
        " NUM NUMERIC(18,4), INTEIRO INTEGER, GRANDE BIGINT, REAL_ DOUBLE PRECISION, DATA DATE,"
        " MOMENTO TIMESTAMP, HORA TIME, MEMO BLOB SUB_TYPE TEXT, FLAG BOOLEAN);");
  }

 protected:
  // Runs one statement on the shared connection.
  static void exec(const std::string& sql) {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add(sql);
    q.ExecSQL();
  }
  // The rows of a query as "a|b|c" lines, through AsString.
  static std::vector<std::string> rows(TTIDatabase& db, const std::string& sql) {
    TTIQuery q(db);
    q.SQL.Add(sql);
    q.Open();
    std::vector<std::string> out;
    for (; !q.Eof(); q.Next()) {
      std::string line;
      for (int i = 0; i < q.FieldCount(); ++i) line += (i ? "|" : "") + q.Fields(i).AsString();
      out.push_back(line);
    }
    return out;
  }
  static int count(TTIDatabase& db, const std::string& where) {
    TTIQuery q(db);
    q.SQL.Add("SELECT COUNT(*) AS N FROM TIPOS WHERE " + where);
    q.Open();
    return q.FieldByName("N").AsInteger();
  }
};

TEST_F(QueryTest, FieldsReadWithTheRuntimesConversions) {
  exec(
      "INSERT INTO TIPOS (ID, TXT, FIXO, NUM, INTEIRO, GRANDE, REAL_, DATA, MOMENTO, HORA, MEMO, FLAG) "
      "VALUES "
      "(1, '12,5', 'ab', 1234567890123.4567, -7, 9000000000, 0.1, '2023-03-15', '2023-03-15 12:30:00',"
      " '08:15:00', 'linha 1', TRUE)");
  exec("INSERT INTO TIPOS (ID, NUM, MOMENTO, REAL_) VALUES (2, 12.5, '2023-03-15 00:00:00', 2.5)");
  exec("INSERT INTO TIPOS (ID) VALUES (3)");
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT * FROM TIPOS ORDER BY ID");
  q.Open();
  ASSERT_EQ(q.RecordCount(), 3);

  const struct {
    const char* field;
    const char* text;
    double number;
  } kRow1[] = {
      {"TXT", "12,5", 12.5},
      {"FIXO", "ab", 0},                                  // fixed-length text loses its padding
      {"NUM", "1234567890123,4567", 1234567890123.4567},  // exact, beyond a double's 15 digits
      {"INTEIRO", "-7", -7},
      {"GRANDE", "9000000000", 9e9},
      {"REAL_", "0,1", 0.1},
      {"DATA", "15/03/2023", 45000},
      {"MOMENTO", "15/03/2023 12:30:00", 45000.5208333333},
      {"MEMO", "linha 1", 0},
      {"FLAG", "True", 1},
  };
  for (const auto& c : kRow1) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(q.FieldByName(c.field).AsString(), c.text);
    if (c.number != 0) {
      EXPECT_NEAR(q.FieldByName(c.field).AsFloat(), c.number, 1e-6);
    }
  }
  EXPECT_EQ(q.FieldByName("NUM").AsCurrency().Raw(), 12345678901234567);
  EXPECT_TRUE(q.FieldByName("MEMO").IsBlob());
  EXPECT_EQ(q.FieldByName("HORA").AsDateTime().Value, EncodeTime(8, 15, 0, 0).Value);
  EXPECT_TRUE(q.FieldByName("NUM").Value().IsFloat());
  EXPECT_TRUE(q.FieldByName("GRANDE").Value().IsInteger());
  EXPECT_TRUE(q.FieldByName("DATA").Value().IsDateTime());

  q.Next();
  EXPECT_EQ(q.FieldByName("NUM").AsString(), "12,5");
  EXPECT_EQ(q.FieldByName("NUM").AsInteger(), 12);  // rounded half to even, as the runtime rounds
  EXPECT_EQ(q.FieldByName("REAL_").AsInteger(), 2);
  EXPECT_EQ(q.FieldByName("MOMENTO").AsString(), "15/03/2023");  // no time part to show

  q.Next();
  for (const char* f : {"TXT", "NUM", "DATA", "MEMO", "FLAG"}) {
    SCOPED_TRACE(f);
    EXPECT_TRUE(q.FieldByName(f).IsNull());
    EXPECT_EQ(q.FieldByName(f).AsString(), "");
    EXPECT_EQ(q.FieldByName(f).AsInteger(), 0);
    EXPECT_EQ(q.FieldByName(f).AsFloat(), 0);
    EXPECT_TRUE(q.FieldByName(f).Value().IsNull());
  }
  EXPECT_EQ(q.FieldByName("DATA").AsDateTime(), DateNull);
  EXPECT_THROW(q.FieldByName("NAO_EXISTE"), EDatabaseError);
}

TEST_F(QueryTest, NavigationWalksTheFetchedRows) {
  TTIQuery q(Tabela.IBDatabase);
  // The three customers of the base demo data (later demo data seeds codes from 000101 on).
  q.SQL.Add("SELECT CODCLI FROM ENTIDADE_001 WHERE CODCLI < '000100' ORDER BY CODCLI");
  q.Open();
  ASSERT_EQ(q.RecordCount(), 3);
  EXPECT_FALSE(q.IsEmpty());
  EXPECT_TRUE(q.Bof());
  std::vector<std::string> seen;
  for (; !q.Eof(); q.Next()) seen.push_back(q.FieldByName("codcli").AsString());
  EXPECT_EQ(seen, (std::vector<std::string>{"000001", "000002", "000003"}));
  EXPECT_EQ(q.RecNo(), 3);  // Next on the last record sets Eof and stays
  q.Prior();
  EXPECT_EQ(q.FieldByName("CODCLI").AsString(), "000002");
  q.First();
  EXPECT_EQ(q.RecNo(), 1);
  q.Last();
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.FieldByName("CODCLI").AsString(), "000003");

  q.RecNo = 2;
  EXPECT_EQ(q.FieldByName("CODCLI").AsString(), "000002");
  exec("UPDATE ENTIDADE_001 SET NOME = 'NOVO NOME' WHERE CODCLI = '000002'");
  q.Refresh();  // fetched again, back on the same record
  EXPECT_EQ(q.RecNo(), 2);
  EXPECT_EQ(q.FieldByName("CODCLI").AsString(), "000002");

  TTITable table(Tabela.IBDatabase);
  table.SetTableName("ENTIDADE_001");
  table.Open();
  EXPECT_EQ(table.RecordCount(), test::number("SELECT COUNT(*) FROM ENTIDADE_001"));
  std::vector<std::string> names;
  for (; !table.Eof(); table.Next()) names.push_back(table.FieldByName("NOME").AsString());
  EXPECT_NE(std::find(names.begin(), names.end(), "NOVO NOME"), names.end());

  q.SQL.Clear();  // changing the statement closes the query
  EXPECT_FALSE(q.Active());
  EXPECT_THROW(q.FieldByName("CODCLI"), EDatabaseError);
  q.SQL.Add("SELECT CODCLI FROM ENTIDADE_001 WHERE CODCLI = 'NINGUEM'");
  q.Open();
  EXPECT_TRUE(q.IsEmpty());
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.FieldByName("CODCLI").AsString(), "");  // an empty result reads as NULL
}

TEST_F(QueryTest, AFetchLimitReadsTheFirstRowsOnly) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT CODCLI FROM ENTIDADE_001 WHERE CODCLI > :DE AND CODCLI < '000100' ORDER BY CODCLI");
  q.ParamByName("DE").AsString = "000001";
  q.set_fetch_limit(1);
  q.Open();
  ASSERT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(q.FieldByName("CODCLI").AsString(), "000002");
  q.Close();
  q.ParamByName("DE").AsString = "000003";
  q.Open();
  EXPECT_TRUE(q.IsEmpty());
  // Without a limit, every row again; ExecSQL changes rows whatever the limit.
  q.Close();
  q.set_fetch_limit(0);
  q.ParamByName("DE").AsString = "";
  q.Open();
  EXPECT_EQ(q.RecordCount(), 3);
  TTIQuery update(Tabela.IBDatabase);
  update.SQL.Add("UPDATE ENTIDADE_001 SET FANTASIA = 'X'");
  update.set_fetch_limit(1);
  update.ExecSQL();
  EXPECT_EQ(update.RowsAffected(), test::number("SELECT COUNT(*) FROM ENTIDADE_001"));
}

TEST_F(QueryTest, NamedParametersBindEachKind) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("INSERT INTO TIPOS (ID, TXT, NUM, INTEIRO, REAL_, DATA, MOMENTO, MEMO, FLAG, GRANDE)");
  q.SQL.Add("VALUES (:ID, :TXT, :NUM, :INTEIRO, :real_, :DATA, :MOMENTO, :MEMO, :FLAG, :ID * 10)");
  EXPECT_EQ(q.ParamCount(), 9);  // ID appears twice but is one parameter
  q.ParamByName("id").AsInteger = 10;
  q.ParamByName("TXT").AsString = "ação";
  q.ParamByName("NUM").AsCurrency = Currency::FromRaw(123456);
  q.ParamByName("INTEIRO").AsString = "42";  // the engine converts like a literal
  q.ParamByName("REAL_").AsFloat = 2.75;
  q.ParamByName("DATA").AsDate = EncodeDate(2024, 2, 29) + 0.75;  // the time part is dropped
  q.ParamByName("MOMENTO").AsDateTime = EncodeDate(2024, 2, 29) + 0.5;
  q.ParamByName("MEMO").AsString = std::string(40000, 'x');  // longer than any VARCHAR
  q.ParamByName("FLAG").Clear();
  q.ExecSQL();
  EXPECT_EQ(q.RowsAffected(), 1);
  EXPECT_THROW(q.ParamByName("NAO_HA"), EDatabaseError);

  const auto r = rows(Tabela.IBDatabase,
                      "SELECT TXT, NUM, INTEIRO, REAL_, DATA, MOMENTO, CHAR_LENGTH(MEMO), FLAG, GRANDE "
                      "FROM TIPOS WHERE ID = 10");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0], "ação|12,3456|42|2,75|29/02/2024|29/02/2024 12:00:00|40000||100");
}

TEST_F(QueryTest, ValuesWithQuotesCommentsAndSemicolonsAreStoredAsTyped) {
  const std::string nasty = "CAIXA D'AGUA -- ; DROP TABLE TIPOS; /* x */ :P ?";
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("INSERT INTO TIPOS (ID, TXT) VALUES (:ID, :TXT)");
  q.ParamByName("ID").AsInteger = 20;
  q.ParamByName("TXT").AsString = nasty.substr(0, 40);
  q.ExecSQL();
  q.SQL.Clear();
  q.SQL.Add("SELECT TXT FROM TIPOS WHERE TXT = :TXT");
  q.ParamByName("TXT").AsString = nasty.substr(0, 40);
  q.Open();
  ASSERT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(q.FieldByName("TXT").AsString(), nasty.substr(0, 40));
}

TEST_F(QueryTest, LiteralsCommentsAndQuotedNamesKeepTheirMarkers) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT ':NAO' AS \"A:B\", CAST(:SIM AS VARCHAR(10)) AS B, 'it''s :X' AS C -- :COMENTARIO");
  q.SQL.Add("/* :OUTRO */ FROM RDB$DATABASE");
  ASSERT_EQ(q.ParamCount(), 1);
  q.ParamByName("SIM").AsString = "ok";
  q.Open();
  EXPECT_EQ(q.FieldByName("A:B").AsString(), ":NAO");
  EXPECT_EQ(q.FieldByName("B").AsString(), "ok");
  EXPECT_EQ(q.FieldByName("C").AsString(), "it's :X");
}

TEST_F(QueryTest, BracketListBecomesFirebirdsListAggregate) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT LIST[NOME,', ',NOME] AS DESCRICAO FROM ENTIDADE_001");
  q.SQL.Add("WHERE CODCLI IN ('000001','000003')");
  q.Open();
  const std::string text = q.FieldByName("DESCRICAO").AsString();
  EXPECT_TRUE(text == "MODAS PRIMAVERA LTDA, JOÃO DA SILVA" || text == "JOÃO DA SILVA, MODAS PRIMAVERA LTDA")
      << text;
}

TEST_F(QueryTest, ErrorsCarryTheEnginesDetailsAndTheStatement) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT * FROM TABELA_QUE_NAO_EXISTE WHERE X = :X");
  try {
    q.Open();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    // Each engine's own SQLSTATE and codes; the table named in either case.
    if (test::on_postgres()) {
      EXPECT_EQ(e.sqlstate(), "42P01");
    } else {
      EXPECT_EQ(e.sqlstate(), "42S02");
      EXPECT_EQ(e.error_code(), 335544569);
    }
    EXPECT_EQ(e.kind(), DatabaseErrorKind::syntax);
    EXPECT_NE(UpperCase(e.message()).find("TABELA_QUE_NAO_EXISTE"), std::string::npos) << e.message();
    EXPECT_EQ(e.statement(), q.SQL.Text());
    EXPECT_FALSE(e.is_conflict());
  }
  EXPECT_FALSE(q.Active());

  // The query is released, not broken: it runs the next statement.
  q.SQL.Clear();
  q.SQL.Add("INSERT INTO TIPOS (ID) VALUES (30)");
  q.ExecSQL();
  try {
    q.ExecSQL();  // the same key again
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.kind(), DatabaseErrorKind::unique_violation);
    EXPECT_EQ(e.sqlstate(), test::on_postgres() ? "23505" : "23000");
  }
  EXPECT_FALSE(q.TryExecSQL());
  // A failed statement undoes only itself: the first insert is still there.
  EXPECT_EQ(count(Tabela.IBDatabase, "ID = 30"), 1);
  q.SQL.Clear();
  q.SQL.Add("UPDATE TIPOS SET TXT = 'x' WHERE ID = 30");
  EXPECT_TRUE(q.TryExecSQL());
  EXPECT_EQ(q.RowsAffected(), 1);
}

TEST_F(QueryTest, SavepointUndoesItsWorkUnlessReleased) {
  exec("INSERT INTO TIPOS (ID) VALUES (40)");
  {
    Savepoint sp(Tabela.IBTransaction);
    exec("INSERT INTO TIPOS (ID) VALUES (41)");
    exec("UPDATE TIPOS SET TXT = 'mudou' WHERE ID = 40");
  }  // not released: rolled back to the savepoint
  EXPECT_EQ(count(Tabela.IBDatabase, "ID = 41"), 0);
  EXPECT_EQ(count(Tabela.IBDatabase, "ID = 40 AND TXT IS NULL"), 1);
  {
    Savepoint sp(Tabela.IBTransaction);
    exec("INSERT INTO TIPOS (ID) VALUES (42)");
    sp.release();
  }
  EXPECT_EQ(count(Tabela.IBDatabase, "ID = 42"), 1);
  {
    Savepoint sp(Tabela.IBTransaction);
    exec("INSERT INTO TIPOS (ID) VALUES (43)");
    Tabela.IBTransaction.CommitRetaining();  // the savepoint's transaction ends here
  }                                          // nothing left to undo, and no error
  EXPECT_EQ(count(Tabela.IBDatabase, "ID = 43"), 1);
}

TEST_F(QueryTest, CommitRetainingShowsTheWorkToOtherConnections) {
  TTIDatabase other;
  other.GetDatabase(Tabela.IBDatabase);
  exec("INSERT INTO TIPOS (ID) VALUES (50)");
  EXPECT_EQ(count(other, "ID = 50"), 0);
  Tabela.IBTransaction.CommitRetaining();
  EXPECT_EQ(count(other, "ID = 50"), 1);
  // The shared transaction goes on with the same options.
  exec("INSERT INTO TIPOS (ID) VALUES (51)");
  EXPECT_TRUE(Tabela.IBTransaction.Active());
  EXPECT_EQ(count(Tabela.IBDatabase, "ID IN (50, 51)"), 2);
}

TEST_F(QueryTest, WorkNotCommittedIsRolledBack) {
  TTIDatabase other;
  other.GetDatabase(Tabela.IBDatabase);
  {
    TTITransaction t(other);
    TTIQuery q(other);
    q.SetTransaction(t);
    q.SQL.Add("INSERT INTO TIPOS (ID) VALUES (60)");
    q.ExecSQL();
  }  // the transaction dies uncommitted
  other.DefaultTransaction().Commit();
  TTIQuery q(other);
  q.SQL.Add("INSERT INTO TIPOS (ID) VALUES (61)");
  q.ExecSQL();
  other.Close();  // closing never commits
  EXPECT_EQ(count(Tabela.IBDatabase, "ID IN (60, 61)"), 0);
}

TEST_F(QueryTest, TransactionsOfOneConnectionAreIndependent) {
  // Stations hold a second transaction beside the shared one (sequences,
  // audit log): each sees what the other committed, never its pending work,
  // and each ends on its own.
  TTITransaction second(Tabela.IBDatabase);
  auto count_in = [](TTITransaction& t, const std::string& where) {
    TTIQuery q(Tabela.IBDatabase);
    q.SetTransaction(t);
    q.SQL.Add("SELECT COUNT(*) AS N FROM TIPOS WHERE " + where);
    q.Open();
    return q.FieldByName("N").AsInteger();
  };
  exec("INSERT INTO TIPOS (ID) VALUES (130)");
  EXPECT_EQ(count_in(second, "ID = 130"), 0);
  {
    TTIQuery q(Tabela.IBDatabase);
    q.SetTransaction(second);
    q.SQL.Add("INSERT INTO TIPOS (ID) VALUES (131)");
    q.ExecSQL();
  }
  EXPECT_EQ(count(Tabela.IBDatabase, "ID = 131"), 0);
  second.Commit();
  EXPECT_EQ(count(Tabela.IBDatabase, "ID = 131"), 1);
  Tabela.IBTransaction.Rollback();
  EXPECT_EQ(count_in(second, "ID IN (130, 131)"), 1);
}

TEST_F(QueryTest, AFailedFirstStatementLeavesTheTransactionUsable) {
  Tabela.IBTransaction.Commit();
  TTIQuery bad(Tabela.IBDatabase);
  bad.SQL.Add("INSERT INTO TIPOS (ID, NADA) VALUES (140, 1)");
  EXPECT_FALSE(bad.TryExecSQL());
  exec("INSERT INTO TIPOS (ID) VALUES (141)");
  EXPECT_FALSE(bad.TryExecSQL());  // and a failure after work keeps the work
  Tabela.IBTransaction.Commit();
  EXPECT_EQ(count(Tabela.IBDatabase, "ID = 141"), 1);
}

TEST_F(QueryTest, TheDataModuleNamesItsDriver) {
  EXPECT_EQ(Tabela.DriverBanco, test::on_postgres() ? "POSTGRES" : "FIREBIRD");
  EXPECT_EQ(Tabela.IBDatabase.is_postgres(), test::on_postgres());
}

TEST_F(QueryTest, EngineErrorsAreClassifiedByTheirReason) {
  // The engine wraps these in "Dynamic SQL Error": the kind is the reason
  // under it, which is what callers decide on.
  const struct {
    const char* sql;
    const char* value;
    DatabaseErrorKind kind;
  } kCases[] = {
      {"INSERT INTO TIPOS (ID, TXT) VALUES (90, :V)", "a text longer than the forty characters of TXT",
       DatabaseErrorKind::truncation},
      {"SELECT ID FROM TIPOS WHERE FIXO = :V", "longer than five", DatabaseErrorKind::truncation},
      {"INSERT INTO TIPOS (ID, INTEIRO) VALUES (91, :V)", "99999999999", DatabaseErrorKind::truncation},
      {"INSERT INTO TIPOS (ID, INTEIRO) VALUES (92, :V)", "abc", DatabaseErrorKind::conversion},
      {"SELECT NADA FROM TIPOS WHERE ID = :V", "1", DatabaseErrorKind::syntax},
      {"SELEC ID FROM TIPOS WHERE ID = :V", "1", DatabaseErrorKind::syntax},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.sql);
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add(c.sql);
    q.ParamByName("V").AsString = c.value;
    try {
      q.Open();
      ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.kind(), c.kind) << e.what();
      EXPECT_EQ(e.is_truncation(), c.kind == DatabaseErrorKind::truncation);
    }
  }
  EXPECT_EQ(count(Tabela.IBDatabase, "ID IN (90, 91, 92)"), 0);
}

TEST_F(QueryTest, ATextTooLongForItsColumnIsToldInCharactersByItsParameter) {
  const std::string cedilhas40 = [] {
    std::string s;
    for (int i = 0; i < 40; ++i) s += "ç";
    return s;
  }();
  const struct {
    const char* sql;
    std::string value;
    const char* error;  // "" when the value fits
  } kCases[] = {
      {"INSERT INTO TIPOS (ID, TXT) VALUES (110, :TXT)", std::string(10240, 'x'),
       "TXT: 10240 characters, at most 40"},
      // Past the longest VARCHAR a message carries (it would go as a blob).
      {"INSERT INTO TIPOS (ID, TXT) VALUES (111, :TXT)", std::string(40000, 'x'),
       "TXT: 40000 characters, at most 40"},
      // Two bytes each: 82 bytes, which the column's 160 would hold.
      {"INSERT INTO TIPOS (ID, TXT) VALUES (112, :TXT)", cedilhas40 + "ç", "TXT: 41 characters, at most 40"},
      {"UPDATE TIPOS SET FIXO = :FIXO WHERE ID = 113", "abcdef", "FIXO: 6 characters, at most 5"},
      {"SELECT ID FROM TIPOS WHERE TXT = :BUSCA", std::string(50, 'y'), "BUSCA: 50 characters, at most 40"},
      {"INSERT INTO TIPOS (ID, TXT) VALUES (114, ?)", std::string(41, 'z'),
       "parameter 1: 41 characters, at most 40"},
      {"INSERT INTO TIPOS (ID, TXT) VALUES (115, :TXT)", cedilhas40, ""},
      {"INSERT INTO TIPOS (ID, TXT) VALUES (116, :TXT)", std::string(40, 'w') + "      ", ""},
      {"INSERT INTO TIPOS (ID, MEMO) VALUES (117, :MEMO)", std::string(40000, 'm'), ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.sql);
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add(c.sql);
    q.Params(0).AsString = c.value;
    if (*c.error == '\0') {
      EXPECT_NO_THROW(q.ExecSQL());
      continue;
    }
    try {
      q.ExecSQL();
      ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.message(), c.error);
      EXPECT_STREQ(e.what(), c.error);
      EXPECT_TRUE(e.is_truncation());
      EXPECT_EQ(e.sqlstate(), "22001");
      EXPECT_EQ(e.statement(), q.SQL.Text());
    }
  }
  EXPECT_EQ(count(Tabela.IBDatabase, "ID BETWEEN 110 AND 114"), 0);
  EXPECT_EQ(count(Tabela.IBDatabase, "ID BETWEEN 115 AND 117"), 3);
  Tabela.IBTransaction.Rollback();
}

TEST_F(QueryTest, AutoCommitConnectionCommitsEachStatement) {
  TTIDatabase priv;
  priv.GetDatabase(Tabela.IBDatabase);
  priv.TxOptions().AutoCommit = true;
  TTIQuery q(priv);
  q.SQL.Add("INSERT INTO TIPOS (ID) VALUES (70)");
  q.ExecSQL();
  EXPECT_FALSE(priv.DefaultTransaction().Active());
  EXPECT_EQ(count(Tabela.IBDatabase, "ID = 70"), 1);
}

TEST_F(QueryTest, UpdateConflictIsClassified) {
  exec("INSERT INTO TIPOS (ID, INTEIRO) VALUES (80, 0)");
  Tabela.IBTransaction.Commit();
  exec("UPDATE TIPOS SET INTEIRO = 1 WHERE ID = 80");  // holds the row, uncommitted
  TTIDatabase other;
  other.GetDatabase(Tabela.IBDatabase);
  other.TxOptions().LockTimeout = 1;
  TTIQuery q(other);
  q.SQL.Add("UPDATE TIPOS SET INTEIRO = 2 WHERE ID = 80");
  try {
    q.ExecSQL();
    FAIL() << "no conflict";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.is_conflict()) << e.what();
    // Firebird's lock timeout is an update conflict; PostgreSQL's "lock not available".
    EXPECT_EQ(e.sqlstate(), test::on_postgres() ? "55P03" : "40001");
  }
  Tabela.IBTransaction.Commit();
  q.ExecSQL();  // the row is free again
  other.DefaultTransaction().Commit();
  EXPECT_EQ(rows(Tabela.IBDatabase, "SELECT INTEIRO FROM TIPOS WHERE ID = 80"),
            std::vector<std::string>{"2"});
}

TEST_F(QueryTest, ComparedLiteralsRunAsOneCachedShapeWithTheSameResults) {
  // Each statement must give the same rows with literal binding on and off.
  const char* kStatements[] = {
      "SELECT NOME FROM ENTIDADE_001 WHERE 1=1 AND CODCLI = '000001'",
      "SELECT NOME FROM ENTIDADE_001 WHERE 1=1 AND CODCLI = '000002'",
      "SELECT NOME FROM ENTIDADE_001 WHERE CODCLI = 'UM_CODIGO_MAIS_LONGO_QUE_A_COLUNA'",
      "SELECT NOME FROM ENTIDADE_001 WHERE CODCLI = '000001   '",  // trailing blanks compare equal
      "SELECT NOME FROM ENTIDADE_001 WHERE NOME = 'CONFECCOES D''AGUA ME'",
      "SELECT NOME FROM ENTIDADE_001 WHERE NOME LIKE 'MODAS%'",
      "SELECT NOME FROM ENTIDADE_001 WHERE CREDITO = '50000'",  // a number column: left as written
      "SELECT NOME FROM ENTIDADE_001 WHERE CODCLI = '00000' || '1'",
      "SELECT NUMERO FROM PEDIDO_001 WHERE DT_EMISSAO = '01/10/2025'",  // month first
      "SELECT NUMERO FROM PEDIDO_001 WHERE DT_EMISSAO >= '01/15/2025' ORDER BY NUMERO",
      "SELECT 'X' AS K FROM RDB$DATABASE WHERE 'A' = 'A'",
      "SELECT NOME FROM ENTIDADE_001 WHERE UPPER(NOME) = 'JOÃO DA SILVA'",
  };
  TTIDatabase plain;
  plain.GetDatabase(Tabela.IBDatabase);
  plain.set_auto_parameterize(false);
  for (const char* sql : kStatements) {
    SCOPED_TRACE(sql);
    EXPECT_EQ(rows(Tabela.IBDatabase, sql), rows(plain, sql));
  }
  EXPECT_EQ(rows(Tabela.IBDatabase, kStatements[4]), std::vector<std::string>{"CONFECCOES D'AGUA ME"});
  EXPECT_EQ(rows(Tabela.IBDatabase, kStatements[8]), std::vector<std::string>{"000001"});

  // Another key is the same shape: no new statement is prepared.
  Tabela.IBDatabase.clear_statement_cache();
  rows(Tabela.IBDatabase, "SELECT NOME FROM ENTIDADE_001 WHERE CODCLI = '000001'");
  const size_t cached = Tabela.IBDatabase.cached_statements();
  EXPECT_EQ(rows(Tabela.IBDatabase, "SELECT NOME FROM ENTIDADE_001 WHERE CODCLI = '000003'"),
            std::vector<std::string>{"JOÃO DA SILVA"});
  EXPECT_EQ(Tabela.IBDatabase.cached_statements(), cached);
}

TEST(DatabaseConnection, MissingDatabaseIsAConnectionError) {
  // A file that is not a database cannot be opened either: the same kind.
  const std::filesystem::path not_a_database =
      std::filesystem::temp_directory_path() / ("zpk_not_a_database_" + std::to_string(::getpid()) + ".fdb");
  std::ofstream(not_a_database) << std::string(16384, 'x');
  for (const std::string& location : {std::string("/nonexistent/folder/none.fdb"), not_a_database.string()}) {
    SCOPED_TRACE(location);
    TTIDatabase db;
    db.SetDatabaseName(location);
    try {
      db.Open();
      ADD_FAILURE() << "opened";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.kind(), DatabaseErrorKind::connection) << e.what();
      EXPECT_EQ(e.statement(), location);
    }
    EXPECT_FALSE(db.Connected());
  }
  std::filesystem::remove(not_a_database);
  TTIDatabase db;
  db.SetDatabaseName("/nonexistent/folder/none.fdb");
  TTIQuery q(db);
  q.SQL.Add("SELECT 1 FROM RDB$DATABASE");
  EXPECT_THROW(q.Open(), EDatabaseError);
}

}  // namespace
}  // namespace zpk
