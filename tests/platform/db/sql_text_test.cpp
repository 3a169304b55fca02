// Statement text handling of the query layer: parameters, the LIST bracket
// form, lifting compared literals, and splitting scripts.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/detail/sql_text.hpp"

namespace zpk::detail {
namespace {

TEST(RewriteSql, NamedParametersBecomeMarkersOutsideLiteralsAndComments) {
  const struct {
    const char* sql;
    const char* text;
    std::vector<std::string> slots;
  } kCases[] = {
      {"SELECT * FROM T WHERE A = :a AND B = :B_2", "SELECT * FROM T WHERE A = ? AND B = ?", {"A", "B_2"}},
      {"UPDATE T SET X = :V WHERE K = :K OR J = :v",
       "UPDATE T SET X = ? WHERE K = ? OR J = ?",
       {"V", "K", "V"}},
      {"SELECT ':X', 'it''s :Y' FROM T", "SELECT ':X', 'it''s :Y' FROM T", {}},
      {"SELECT \"A:B\" FROM T -- :C\nWHERE D = :D", "SELECT \"A:B\" FROM T -- :C\nWHERE D = ?", {"D"}},
      {"SELECT /* :E */ 1 FROM T WHERE F = ?", "SELECT /* :E */ 1 FROM T WHERE F = ?", {""}},
      {"SELECT q'{a :Z'b}' FROM T", "SELECT q'{a :Z'b}' FROM T", {}},
      {"SELECT '10:30' FROM T WHERE H = :H", "SELECT '10:30' FROM T WHERE H = ?", {"H"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.sql);
    const RewrittenSql r = rewrite_sql(c.sql);
    EXPECT_EQ(r.text, c.text);
    EXPECT_EQ(r.slots, c.slots);
  }
}

TEST(RewriteSql, BracketListBecomesListOfExpressionAndSeparator) {
  const struct {
    const char* sql;
    const char* text;
  } kCases[] = {
      {"SELECT LIST[NOME,', ',NOME] AS D FROM T", "SELECT LIST(NOME,', ') AS D FROM T"},
      {"SELECT list[ A , ', ' , B ] FROM T", "SELECT list( A , ', ' ) FROM T"},
      {"SELECT LIST[COALESCE(A, '[x]'), '; ', B] FROM T", "SELECT LIST(COALESCE(A, '[x]'), '; ') FROM T"},
      {"SELECT LIST[A] FROM T", "SELECT LIST(A) FROM T"},
      {"SELECT 'LIST[A, B, C]' FROM T", "SELECT 'LIST[A, B, C]' FROM T"},
      {"SELECT MYLIST[1] FROM T", "SELECT MYLIST[1] FROM T"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(rewrite_sql(c.sql).text, c.text);
  }
}

TEST(LiftComparedLiterals, LiftsOnlyLiteralsThatEndAComparisonInASelect) {
  const struct {
    const char* sql;
    const char* shape;  // nullptr: nothing lifted
    std::vector<std::string> values;
  } kCases[] = {
      {"select N from T where  1=1  and K = '001'", "select N from T where  1=1  and K = ?", {"001"}},
      {"SELECT N FROM T WHERE A = 'x' AND B <> 'D''AGUA' ORDER BY N",
       "SELECT N FROM T WHERE A = ? AND B <> ? ORDER BY N",
       {"x", "D'AGUA"}},
      {"SELECT N FROM T WHERE (A >= '01/31/2024')", "SELECT N FROM T WHERE (A >= ?)", {"01/31/2024"}},
      {"SELECT N FROM T WHERE A LIKE 'x%'", nullptr, {}},
      {"SELECT N FROM T WHERE A = 'x' || B", nullptr, {}},
      {"SELECT N FROM T WHERE A = 'x' COLLATE UNICODE_CI", nullptr, {}},
      {"SELECT N FROM T WHERE A BETWEEN 'a' AND 'b'", nullptr, {}},
      {"SELECT 'a' AS X FROM T", nullptr, {}},
      {"SELECT N FROM T WHERE A = _UTF8 'x'", nullptr, {}},
      {"UPDATE T SET A = 'x' WHERE K = 'y'", nullptr, {}},
      {"SELECT N FROM T WHERE K = 7", nullptr, {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.sql);
    LiteralShape shape;
    const bool lifted = lift_compared_literals(c.sql, shape);
    EXPECT_EQ(lifted, c.shape != nullptr);
    if (lifted && c.shape) {
      EXPECT_EQ(shape.text, c.shape);
      EXPECT_EQ(shape.values, c.values);
    }
  }
}

TEST(SplitSqlScript, SplitsOnTheTerminatorAndHonoursSetTerm) {
  const std::string script =
      "-- a comment; with a semicolon\n"
      "CREATE TABLE A (X VARCHAR(5) DEFAULT ';');\n"
      "INSERT INTO A VALUES ('a;b');\n"
      "SET TERM ^ ;\n"
      "CREATE FUNCTION F RETURNS INTEGER AS BEGIN RETURN 1; END^\n"
      "SET TERM ; ^\n"
      "/* done; */ INSERT INTO A VALUES ('c')\n";
  const std::vector<std::string> expected = {
      "-- a comment; with a semicolon\nCREATE TABLE A (X VARCHAR(5) DEFAULT ';')",
      "INSERT INTO A VALUES ('a;b')",
      "CREATE FUNCTION F RETURNS INTEGER AS BEGIN RETURN 1; END",
      "/* done; */ INSERT INTO A VALUES ('c')",
  };
  EXPECT_EQ(split_sql_script(script), expected);
}

TEST(SqlStatementKind, RecognisesSelectsAndSchemaChanges) {
  EXPECT_TRUE(is_select_statement("  -- x\n select 1 from t"));
  EXPECT_FALSE(is_select_statement("WITH X AS (SELECT 1 FROM T) SELECT * FROM X"));
  EXPECT_TRUE(is_ddl_statement("/* c */ CREATE TABLE T (A INTEGER)"));
  EXPECT_TRUE(is_ddl_statement("recreate view v as select 1 from t"));
  EXPECT_FALSE(is_ddl_statement("INSERT INTO T VALUES ('CREATE')"));
}

}  // namespace
}  // namespace zpk::detail
