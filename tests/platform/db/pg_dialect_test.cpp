// The PostgreSQL form of the library's Firebird statements and schema
// scripts: each construct on its own, inside literals and comments (left
// alone), nested, and every schema file of the tree.
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/database_error.hpp"
#include "platform/db/detail/pg_dialect.hpp"
#include "support/temp_folder.hpp"

namespace zpk::detail {
namespace {

namespace fs = std::filesystem;

// A small live database: T has key K, U a unique (A, B), L no key at all.
PgTableInfo table_info(std::string_view table) {
  PgTableInfo info;
  if (table == "T") {
    info.primary_key = {"K"};
    info.column_types = {{"K", "character varying(10)"}, {"V", "numeric(18,4)"}, {"D", "date"}};
  } else if (table == "U") {
    info.primary_key = {"ID"};
    info.unique_keys = {{"A", "B"}};
    info.column_types = {{"ID", "integer"}, {"A", "character varying(5)"}, {"B", "integer"}, {"X", "text"}};
  } else if (table == "L") {
    info.column_types = {{"CODIGO", "character varying(20)"},
                         {"LOTE", "character varying(12)"},
                         {"QTDE", "numeric(18,4)"},
                         {"DATA", "date"}};
  }
  return info;
}
const PgCatalog kCatalog = table_info;

struct Case {
  const char* firebird;
  const char* postgres;
};

void check_cases(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) {
    SCOPED_TRACE(c->firebird);
    EXPECT_EQ(to_postgres(c->firebird, kCatalog), c->postgres);
  }
}

TEST(PgDialect, MarkersQuotingAndReservedNames) {
  const Case kCases[] = {
      {"SELECT * FROM T WHERE K = ? AND V > ?", "SELECT * FROM T WHERE K = $1 AND V > $2"},
      {"SELECT '?', 'it''s ?' FROM T WHERE K = ? -- ?\n AND /* ? */ V = ?",
       "SELECT '?', 'it''s ?' FROM T WHERE K = $1 -- ?\n AND /* ? */ V = $2"},
      {"SELECT \"CODIGO\", \"Nome\" FROM \"PRODUTO_001\"",
       "SELECT \"codigo\", \"nome\" FROM \"produto_001\""},
      {"SELECT LIMIT, OFFSET, DO, Window FROM T", "SELECT \"limit\", \"offset\", \"do\", \"window\" FROM T"},
      {"SELECT 'LIMIT DO' FROM T -- OFFSET", "SELECT 'LIMIT DO' FROM T -- OFFSET"},
      {"SELECT q'{it's}' FROM T", "SELECT 'it''s' FROM T"},
      {"SELECT A FROM T ORDER BY A DESCENDING, B ASCENDING", "SELECT A FROM T ORDER BY A DESC, B ASC"},
  };
  check_cases(std::begin(kCases), std::end(kCases));
}

TEST(PgDialect, FirstSkipRowsBecomeLimitOffsetOfTheirOwnSelect) {
  const Case kCases[] = {
      {"SELECT FIRST 1 NUMERO FROM T WHERE K = ?", "SELECT NUMERO FROM T WHERE K = $1 LIMIT 1"},
      {"SELECT FIRST 10 SKIP 20 A FROM T ORDER BY A", "SELECT A FROM T ORDER BY A LIMIT 10 OFFSET 20"},
      {"SELECT SKIP ? A FROM T", "SELECT A FROM T OFFSET $1"},
      {"SELECT FIRST ? SKIP ? A FROM T WHERE B = ?", "SELECT A FROM T WHERE B = $3 LIMIT $1 OFFSET $2"},
      {"SELECT FIRST (? + 1) A FROM T", "SELECT A FROM T LIMIT ($1 + 1)"},
      {"SELECT FIRST 1 DISTINCT A FROM T", "SELECT DISTINCT A FROM T LIMIT 1"},
      // nested: the subselect's limit stays inside its parentheses
      {"SELECT FIRST 5 E.CODCLI, (SELECT FIRST 1 R.VALOR FROM R WHERE R.C = E.CODCLI ORDER BY R.D DESC) AS V "
       "FROM E ORDER BY 1",
       "SELECT E.CODCLI, (SELECT R.VALOR FROM R WHERE R.C = E.CODCLI ORDER BY R.D DESC LIMIT 1) AS V FROM E "
       "ORDER BY 1 LIMIT 5"},
      {"SELECT A FROM T WHERE EXISTS (SELECT FIRST 1 1 FROM U WHERE U.A = T.A)",
       "SELECT A FROM T WHERE EXISTS (SELECT 1 FROM U WHERE U.A = T.A LIMIT 1)"},
      // a UNION member keeps its own limit
      {"SELECT FIRST 1 A FROM T UNION ALL SELECT FIRST 2 B FROM U",
       "(SELECT A FROM T LIMIT 1) UNION ALL (SELECT B FROM U LIMIT 2)"},
      {"SELECT A FROM T UNION SELECT B FROM U", "SELECT A FROM T UNION SELECT B FROM U"},
      {"SELECT A FROM T ORDER BY A ROWS 5", "SELECT A FROM T ORDER BY A LIMIT 5"},
      {"SELECT A FROM T ORDER BY A ROWS 11 TO 20", "SELECT A FROM T ORDER BY A LIMIT 10 OFFSET 10"},
      {"SELECT A FROM T ROWS ? TO ?",
       "SELECT A FROM T LIMIT GREATEST(0, ($2) - ($1) + 1) OFFSET GREATEST(0, ($1) - 1)"},
      // the limit goes before the row lock
      {"SELECT FIRST 1 A FROM T WHERE K = ? WITH LOCK", "SELECT A FROM T WHERE K = $1 LIMIT 1 FOR UPDATE"},
      {"SELECT 'FIRST 1' AS X FROM T -- FIRST 2", "SELECT 'FIRST 1' AS X FROM T -- FIRST 2"},
  };
  check_cases(std::begin(kCases), std::end(kCases));
}

TEST(PgDialect, LocksFunctionsAndPredicates) {
  const Case kCases[] = {
      {"SELECT ESTOQUE FROM PRODUTO_001\nWHERE CODIGO = ?\nWITH LOCK",
       "SELECT ESTOQUE FROM PRODUTO_001\nWHERE CODIGO = $1\nFOR UPDATE"},
      {"SELECT A FROM T FOR UPDATE WITH LOCK", "SELECT A FROM T FOR UPDATE"},
      {"SELECT A FROM T FOR UPDATE OF A WITH LOCK", "SELECT A FROM T FOR UPDATE OF A"},
      // a select item that is only the construct keeps Firebird's column name
      {"SELECT IIF(A = 1, 'S', 'N') FROM T", "SELECT CASE WHEN A = 1 THEN 'S' ELSE 'N' END AS IIF FROM T"},
      {"SELECT IIF(A = 1, IIF(B > ?, 'x,y', B), (SELECT FIRST 1 C FROM U)) AS R FROM T",
       "SELECT CASE WHEN A = 1 THEN CASE WHEN B > $1 THEN 'x,y' ELSE B END ELSE (SELECT C FROM U LIMIT 1) "
       "END AS R "
       "FROM T"},
      {"SELECT COALESCE(SUM(IIF(M.OPERACAO = 'E', M.QTDE, -M.QTDE)), 0) FROM M",
       "SELECT COALESCE(SUM(CASE WHEN M.OPERACAO = 'E' THEN M.QTDE ELSE -M.QTDE END), 0) FROM M"},
      {"SELECT LIST(CODIGO) FROM T", "SELECT STRING_AGG(CAST(CODIGO AS TEXT), ',') AS LIST FROM T"},
      {"SELECT LIST(DISTINCT COR, '; ') CORES FROM T",
       "SELECT STRING_AGG(DISTINCT CAST(COR AS TEXT), '; ') CORES FROM T"},
      {"SELECT K, LIST(A || '-' || B, ?) FROM T GROUP BY K",
       "SELECT K, STRING_AGG(CAST(A || '-' || B AS TEXT), $1) AS LIST FROM T GROUP BY K"},
      {"SELECT FIRST 3 K, (SELECT LIST(DISTINCT U.A) FROM U WHERE U.ID = T.K) L FROM T WHERE K = ?",
       "SELECT K, (SELECT STRING_AGG(DISTINCT CAST(U.A AS TEXT), ',') AS LIST FROM U WHERE U.ID = T.K) L "
       "FROM T "
       "WHERE K = $1 LIMIT 3"},
      {"SELECT A FROM T WHERE CODIGO STARTING WITH 'IM-' ORDER BY A",
       "SELECT A FROM T WHERE CODIGO ^@ 'IM-' ORDER BY A"},
      {"DELETE FROM T WHERE NUMERO STARTING WITH ? AND K = ?", "DELETE FROM T WHERE NUMERO ^@ $1 AND K = $2"},
      {"SELECT A FROM T WHERE A || B STARTING WITH ? || 'x' OR C = 1",
       "SELECT A FROM T WHERE (A || B) ^@ ($1 || 'x') OR C = 1"},
      {"SELECT A FROM T WHERE A NOT STARTING B", "SELECT A FROM T WHERE NOT (A ^@ B)"},
      {"SELECT A FROM T WHERE NOME CONTAINING ?",
       "SELECT A FROM T WHERE POSITION(UPPER($1) IN UPPER(NOME)) > 0"},
      {"SELECT A FROM T WHERE 'STARTING WITH' = A", "SELECT A FROM T WHERE 'STARTING WITH' = A"},
      {"SELECT 1 AS N FROM RDB$DATABASE", "SELECT 1 AS N"},
      {"SELECT (SELECT COUNT(*) FROM T) AS N FROM RDB$DATABASE WHERE 1 = 1",
       "SELECT (SELECT COUNT(*) FROM T) AS N WHERE 1 = 1"},
      {"SELECT NEXT VALUE FOR GEN_NUM FROM RDB$DATABASE", "SELECT nextval('gen_num') AS NEXT_VALUE"},
      {"SELECT GEN_ID(GEN_NUM, 1) N FROM RDB$DATABASE", "SELECT nextval('gen_num') N"},
      {"SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?",
       "SELECT 1 FROM (SELECT CAST(UPPER(table_name) AS VARCHAR(63)) AS rdb$relation_name FROM "
       "information_schema.tables WHERE table_schema = current_schema()) AS rdb$relations WHERE "
       "RDB$RELATION_NAME = $1"},
      {"SELECT N.A FROM NOTAITEN_001 N WHERE FATURA = ? ORDER BY N.RDB$DB_KEY",
       "SELECT N.A FROM NOTAITEN_001 N WHERE FATURA = $1 ORDER BY N.ctid"},
      {"SELECT DATA FROM ANO WHERE EXTRACT(WEEKDAY FROM DATA) BETWEEN 1 AND 5",
       "SELECT DATA FROM ANO WHERE CAST(EXTRACT(DOW FROM DATA) AS SMALLINT) BETWEEN 1 AND 5"},
      {"SELECT EXTRACT(YEARDAY FROM D), EXTRACT(MONTH FROM D) + 1 FROM T",
       "SELECT CAST(EXTRACT(DOY FROM D) - 1 AS SMALLINT) AS EXTRACT, CAST(EXTRACT(MONTH FROM D) AS SMALLINT) "
       "+ 1 FROM T"},
      {"SELECT CAST(OBS AS BLOB SUB_TYPE TEXT), CAST(X AS BLOB SUB_TYPE 0) X, CAST(N AS VARCHAR(10) "
       "CHARACTER SET UTF8) "
       "FROM T",
       "SELECT CAST(OBS AS TEXT) AS CAST, CAST(X AS BYTEA) X, CAST(N AS VARCHAR(10)) AS CAST FROM T"},
      {"SELECT A FROM T WHERE D = DATE '10.01.2025' OR D = DATE '01/31/2025' OR D = CAST('05.02.2025' AS "
       "DATE)",
       "SELECT A FROM T WHERE D = DATE '2025-01-10' OR D = DATE '2025-01-31' OR D = CAST('2025-02-05' AS "
       "DATE)"},
      {"SELECT CAST(COALESCE(MAX(D), DATE '1980-01-01') AS DATE) DT FROM T",
       "SELECT CAST(COALESCE(MAX(D), DATE '1980-01-01') AS DATE) DT FROM T"},
      {"SELECT MAX(CAST(SUBSTRING(LOTE FROM 7 FOR 3) AS INTEGER)), MAX(UDF_LEN(LOTE)) FROM L",
       "SELECT MAX(CAST(SUBSTRING(LOTE FROM 7 FOR 3) AS INTEGER)), MAX(UDF_LEN(LOTE)) FROM L"},
      {"SELECT 'IIF(a, b, c) LIST(x) WITH LOCK' FROM T /* FROM RDB$DATABASE */",
       "SELECT 'IIF(a, b, c) LIST(x) WITH LOCK' FROM T /* FROM RDB$DATABASE */"},
  };
  check_cases(std::begin(kCases), std::end(kCases));
}

TEST(PgDialect, CallerValuesTakeTheColumnsTypeAndTextsMeetTheirColumnsSize) {
  const struct {
    const char* firebird;
    const char* postgres;
    std::vector<int> trimmed;
    std::vector<std::pair<int, size_t>> limits;
  } kCases[] = {
      // A caller's literal compared with a column: untyped, a text trimmed.
      {"SELECT 1 FROM L WHERE QTDE = CAST(? AS VARCHAR(16) CHARACTER SET UTF8) AND DATA = CAST(? AS DATE)",
       "SELECT 1 FROM L WHERE QTDE = $1 AND DATA = $2",
       {1},
       {}},
      // Elsewhere a cast stays a cast.
      {"SELECT CAST(? AS BIGINT) + 1 FROM L", "SELECT CAST($1 AS BIGINT) + 1 FROM L", {}, {}},
      // Plain markers meet their text columns, by alias or by name; LIKE takes longer patterns.
      {"SELECT X.QTDE FROM L X WHERE X.LOTE <= ? AND CODIGO = ? AND QTDE > ? AND LOTE LIKE ?",
       "SELECT X.QTDE FROM L X WHERE X.LOTE <= $1 AND CODIGO = $2 AND QTDE > $3 AND LOTE LIKE $4",
       {},
       {{1, 12}, {2, 20}}},
      {"UPDATE T SET K = ? WHERE V = ?", "UPDATE T SET K = $1 WHERE V = $2", {}, {{1, 10}}},
      // Numbers pad as text; a derived table gets a name.
      {"SELECT LPAD(QTDE, 6, '0') FROM (SELECT QTDE FROM L) WHERE 1 = 1",
       "SELECT LPAD(CAST(QTDE AS TEXT), 6, '0') FROM (SELECT QTDE FROM L) AS zpk_derived_1 WHERE 1 = 1",
       {},
       {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.firebird);
    PgMarkerRules rules;
    EXPECT_EQ(to_postgres(c.firebird, kCatalog, &rules), c.postgres);
    EXPECT_EQ(rules.trimmed, c.trimmed);
    EXPECT_EQ(rules.limits, c.limits);
  }
}

TEST(PgDialect, UpdateOrInsertOnAConstraintIsAnUpsert) {
  const Case kCases[] = {
      {"UPDATE OR INSERT INTO T (K, V, D) VALUES (?, ?, ?)",
       "INSERT INTO T (K, V, D) VALUES ($1, $2, $3) ON CONFLICT (K) DO UPDATE SET V = EXCLUDED.V, D = "
       "EXCLUDED.D"},
      {"UPDATE OR INSERT INTO T (K, V) VALUES ('A', IIF(? > 0, ?, 0)) MATCHING (K)",
       "INSERT INTO T (K, V) VALUES ('A', CASE WHEN $1 > 0 THEN $2 ELSE 0 END) ON CONFLICT (K) DO UPDATE SET "
       "V = "
       "EXCLUDED.V"},
      {"UPDATE OR INSERT INTO T (K) VALUES (?) MATCHING (K)",
       "INSERT INTO T (K) VALUES ($1) ON CONFLICT (K) DO UPDATE SET K = EXCLUDED.K"},
      {"UPDATE OR INSERT INTO U (ID, B, A, X) VALUES (1, 2, 'a', 'x') MATCHING (B, A)",
       "INSERT INTO U (ID, B, A, X) VALUES (1, 2, 'a', 'x') ON CONFLICT (B, A) DO UPDATE SET ID = "
       "EXCLUDED.ID, X = "
       "EXCLUDED.X"},
      {"UPDATE OR INSERT INTO T (K, V) VALUES (?, ?) RETURNING V",
       "INSERT INTO T (K, V) VALUES ($1, $2) ON CONFLICT (K) DO UPDATE SET V = EXCLUDED.V RETURNING V"},
  };
  check_cases(std::begin(kCases), std::end(kCases));
}

TEST(PgDialect, UpdateOrInsertWithoutAConstraintUpdatesElseInserts) {
  const Case kCases[] = {
      {"UPDATE OR INSERT INTO L (CODIGO, LOTE, QTDE) VALUES (?, ?, ?) MATCHING (CODIGO, LOTE)",
       "WITH u AS (UPDATE L SET CODIGO = $1, LOTE = $2, QTDE = $3 WHERE CODIGO IS NOT DISTINCT FROM $1 AND "
       "LOTE IS "
       "NOT DISTINCT FROM $2 RETURNING 1) INSERT INTO L (CODIGO, LOTE, QTDE) SELECT CAST($1 AS character "
       "varying(20)), CAST($2 AS character varying(12)), CAST($3 AS numeric(18,4)) WHERE NOT EXISTS (SELECT "
       "1 FROM "
       "u)"},
      {"UPDATE OR INSERT INTO T (K, V, D) VALUES ('A', 1, '10.01.2025') MATCHING (V)",
       "WITH u AS (UPDATE T SET K = 'A', V = 1, D = '10.01.2025' WHERE V IS NOT DISTINCT FROM 1 RETURNING 1) "
       "INSERT "
       "INTO T (K, V, D) SELECT CAST('A' AS character varying(10)), CAST(1 AS numeric(18,4)), "
       "CAST('10.01.2025' AS "
       "date) WHERE NOT EXISTS (SELECT 1 FROM u)"},
  };
  check_cases(std::begin(kCases), std::end(kCases));
}

TEST(PgDialect, RefusesWhatItCannotTranslateNamingTheConstruct) {
  const struct {
    const char* sql;
    const char* names;
  } kCases[] = {
      {"UPDATE OR INSERT INTO L (CODIGO) VALUES (?)", "without a primary key"},
      {"UPDATE OR INSERT INTO T (V) VALUES (?) MATCHING (K)", "key K is not among the columns"},
      {"UPDATE OR INSERT INTO L (CODIGO, X) VALUES (?, ?) MATCHING (CODIGO)", "type of column X"},
      {"UPDATE OR INSERT INTO L (CODIGO, LOTE) VALUES (?, ?) MATCHING (CODIGO) RETURNING LOTE", "RETURNING"},
      {"SELECT RDB$FIELD_NAME FROM RDB$RELATION_FIELDS", "RDB$FIELD_NAME"},
      {"SELECT IIF(A, B) FROM T", "IIF"},
      {"SELECT A FROM T WHERE K = :K", ":K"},
      {"SELECT GEN_ID(G, 10) FROM RDB$DATABASE", "GEN_ID"},
      {"SELECT FIRST X A FROM T", "FIRST"},
      // cut short: refused, never read past the end
      {"SELECT FIRST", "FIRST"},
      {"SELECT IIF(A, (B", "parentheses"},
      {"UPDATE OR INSERT INTO T (K) VALUES", "VALUES without ("},
      {"UPDATE OR INSERT INTO T (K) VALUES (?) MATCHING K", "MATCHING without ("},
      {"UPDATE OR INSERT INTO", "without a table"},
      {"SELECT EXTRACT(WEEKDAY D) FROM T", "EXTRACT without FROM"},
      {"SELECT A FROM T WHERE STARTING WITH ?", "STARTING without two operands"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.sql);
    try {
      const std::string r = to_postgres(c.sql, kCatalog);
      ADD_FAILURE() << "translated to " << r;
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.kind(), DatabaseErrorKind::usage);
      EXPECT_NE(e.message().find(c.names), std::string::npos) << e.message();
    }
  }
}

TEST(PgDialect, SchemaStatements) {
  test::TempFolder psql("pgdialect");
  std::ofstream(psql.path() / "GRAVA.sql")
      << "CREATE OR REPLACE PROCEDURE grava() LANGUAGE plpgsql AS $$ BEGIN "
         "NULL; END $$;\n";
  const char* script = R"(SET SQL DIALECT 3;
CREATE GENERATOR GEN_A;
CREATE SEQUENCE GEN_B START WITH 10;
SET GENERATOR GEN_A TO 41;
ALTER SEQUENCE GEN_B RESTART WITH 0;
CREATE TABLE P (
  CODIGO VARCHAR(10) NOT NULL,
  OBS BLOB SUB_TYPE TEXT,
  FOTO BLOB SUB_TYPE 0 SEGMENT SIZE 80,
  NOME VARCHAR(60) CHARACTER SET UTF8 COLLATE UNICODE_CI,
  DT TIMESTAMP DEFAULT CURRENT_TIMESTAMP,
  LIMIT NUMERIC(18,4) DEFAULT 0 NOT NULL,
  CONSTRAINT PK_P PRIMARY KEY (CODIGO)
);
COMMIT WORK;
-- a comment before the statement stays
RECREATE TABLE Q (ID INTEGER NOT NULL PRIMARY KEY, TOTAL COMPUTED BY (ID * 2));
CREATE UNIQUE DESCENDING INDEX IX_P ON P (NOME, DT);
CREATE ASC INDEX IX_P2 ON P (CODIGO);
CREATE INDEX IX_P3 ON P COMPUTED BY (UPPER(NOME));
ALTER TABLE P ADD QTDE NUMERIC(18,4) DEFAULT 0;
ALTER TABLE P ALTER COLUMN NOME TYPE VARCHAR(80);
UPDATE OR INSERT INTO P (CODIGO, QTDE) VALUES ('A', 1) MATCHING (CODIGO);
UPDATE OR INSERT INTO P (CODIGO, NOME, QTDE) VALUES ('A', 'x', 2) MATCHING (NOME);
SET TERM ^ ;
CREATE OR ALTER PROCEDURE GRAVA AS
DECLARE X INTEGER;
BEGIN
  SELECT COUNT(*) FROM P INTO :X;
END^
SET TERM ; ^
)";
  const std::vector<std::string> expected = {
      "CREATE SEQUENCE GEN_A",
      "CREATE SEQUENCE GEN_B START WITH 11",
      "ALTER SEQUENCE GEN_A RESTART WITH 42",
      "ALTER SEQUENCE GEN_B RESTART WITH 1",
      "CREATE TABLE P (\n  CODIGO VARCHAR(10) NOT NULL,\n  OBS TEXT,\n  FOTO BYTEA,\n  NOME VARCHAR(60),\n  "
      "DT "
      "TIMESTAMP DEFAULT CURRENT_TIMESTAMP,\n  \"limit\" NUMERIC(18,4) DEFAULT 0 NOT NULL,\n  CONSTRAINT "
      "PK_P "
      "PRIMARY KEY (CODIGO)\n)",
      "DROP TABLE IF EXISTS Q",
      "-- a comment before the statement stays\nCREATE TABLE Q (ID INTEGER NOT NULL PRIMARY KEY, TOTAL "
      "GENERATED ALWAYS AS (ID * 2) STORED)",
      "CREATE UNIQUE INDEX IX_P ON P (NOME DESC, DT DESC)",
      "CREATE INDEX IX_P2 ON P (CODIGO)",
      "CREATE INDEX IX_P3 ON P ((UPPER(NOME)))",
      "ALTER TABLE P ADD QTDE NUMERIC(18,4) DEFAULT 0",
      "ALTER TABLE P ALTER COLUMN NOME TYPE VARCHAR(80)",
      // the table created above answers for its key and its column types
      "INSERT INTO P (CODIGO, QTDE) VALUES ('A', 1) ON CONFLICT (CODIGO) DO UPDATE SET QTDE = EXCLUDED.QTDE",
      "WITH u AS (UPDATE P SET CODIGO = 'A', NOME = 'x', QTDE = 2 WHERE NOME IS NOT DISTINCT FROM 'x' "
      "RETURNING 1) "
      "INSERT INTO P (CODIGO, NOME, QTDE) SELECT CAST('A' AS VARCHAR(10)), CAST('x' AS VARCHAR(60)), CAST(2 "
      "AS "
      "NUMERIC(18,4)) WHERE NOT EXISTS (SELECT 1 FROM u)",
      "CREATE OR REPLACE PROCEDURE grava() LANGUAGE plpgsql AS $$ BEGIN NULL; END $$",
  };
  EXPECT_EQ(schema_to_postgres(script, PgCatalog{}, psql.path()), expected);
  EXPECT_EQ(psql_objects_of(script), std::vector<std::string>{"GRAVA"});
}

std::string read_text(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The schema files of the tree with the company placeholders filled in.
std::map<std::string, std::string> schema_scripts() {
  std::map<std::string, std::string> scripts;
  int order = 0;  // shared tables first, then a company's, then the demo rows
  for (const char* folder : {"shared", "company", "seed"}) {
    ++order;
    for (const auto& entry : fs::directory_iterator(fs::path(ZPK_SOURCE_DIR) / "schema" / folder)) {
      if (entry.path().extension() != ".sql") continue;
      const std::string text = read_text(entry.path());
      const std::string file = std::to_string(order) + " " + folder + "/" + entry.path().filename().string();
      if (std::string_view(folder) != "company") {
        scripts[file] = text;
        continue;
      }
      // The seeds fill the demo companies 001 and 002.
      for (const char* empresa : {"001", "002"}) {
        std::string tables =
            std::regex_replace(text, std::regex(R"(\{SUFIXO\})"), std::string("_") + empresa);
        scripts[file + " " + empresa] = std::regex_replace(tables, std::regex(R"(\{EMPRESA\})"), empresa);
      }
    }
  }
  return scripts;
}

TEST(PgDialect, EveryPsqlObjectOfTheSchemaHasItsPostgresVersion) {
  const fs::path folder = fs::path(ZPK_SOURCE_DIR) / "schema" / "postgres";
  std::set<std::string> objects;
  for (const auto& [name, text] : schema_scripts()) {
    for (const std::string& object : psql_objects_of(text)) objects.insert(object);
  }
  EXPECT_TRUE(objects.count("UDF_LEN"));
  for (const std::string& object : objects) {
    SCOPED_TRACE(object);
    EXPECT_TRUE(fs::exists(folder / (object + ".sql")));
  }
}

TEST(PgDialect, EverySchemaFileTranslatesToPostgresOnly) {
  // Shared tables, one company's tables, then the seeds, in the order a new
  // database gets them: the tables the files create answer for the seeds.
  std::string all;
  for (const auto& [name, text] : schema_scripts()) all += "-- " + name + "\n" + text + "\n";
  const std::regex firebird_only(
      R"(\b(FIRST|SKIP|IIF|LIST|STARTING|CONTAINING|MATCHING|RDB\$\w+|GENERATOR|BLOB|SUB_TYPE|RECREATE|COMPUTED|TERM|ROWS|LOCK|WEEKDAY|YEARDAY|GEN_ID)\b|\?|\bUPDATE OR INSERT\b|CHARACTER SET)",
      std::regex::icase);
  std::vector<std::string> out;
  ASSERT_NO_THROW(out =
                      schema_to_postgres(all, PgCatalog{}, fs::path(ZPK_SOURCE_DIR) / "schema" / "postgres"));
  for (const std::string& sql : out) {
    // Literals and comments may say anything: look at the statement without them.
    std::string code = std::regex_replace(sql, std::regex("'([^']|'')*'"), "''");
    code = std::regex_replace(code, std::regex("--[^\n]*"), "");
    EXPECT_FALSE(std::regex_search(code, firebird_only)) << sql;
  }
  EXPECT_GT(out.size(), 300u);
}

}  // namespace
}  // namespace zpk::detail
