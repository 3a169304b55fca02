// The shared query vSqlBusca on the demo database: it exists only while a
// routine holds it, is released on every exit, and a routine further down the
// call chain never clobbers the statement of the one that holds it.
#include <string>

#include <gtest/gtest.h>

#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/engine_sql.hpp"

namespace zpk {
namespace {

class SqlBusca : public test::DatabaseTest {};

// A routine in the style of the library's: reads one customer's name on vSqlBusca.
std::string customer_name(const std::string& codcli) {
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT NOME FROM ENTIDADE_001 WHERE CODCLI = :CODCLI");
  busca->ParamByName("CODCLI").AsString = codcli;
  busca->Open();
  return busca->FieldByName("NOME").AsString();
}

TEST_F(SqlBusca, ExistsOnlyWhileARoutineHoldsIt) {
  EXPECT_EQ(vSqlBusca, nullptr);
  {
    SqlBuscaScope busca;
    EXPECT_TRUE(busca.owns_shared());
    ASSERT_NE(vSqlBusca, nullptr);
    EXPECT_EQ(&busca.query(), vSqlBusca.get());
    EXPECT_EQ(vSqlBusca->Database(), &Tabela.IBDatabase);
    EXPECT_EQ(vSqlBusca->SQL.Count(), 0);
  }
  EXPECT_EQ(vSqlBusca, nullptr);
  EXPECT_EQ(customer_name("000001"), "MODAS PRIMAVERA LTDA");
  EXPECT_EQ(vSqlBusca, nullptr);
}

TEST_F(SqlBusca, IsReleasedWhenTheStatementFails) {
  const std::string sql = "SELECT NAO_HA FROM ENTIDADE_001";
  try {
    SqlBuscaScope busca;
    busca->SQL.Add(sql);
    busca->Open();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.sqlstate(), test::unknown_column_sqlstate());
    EXPECT_NE(e.statement().find(sql), std::string::npos);
  }
  EXPECT_EQ(vSqlBusca, nullptr);
  // The next routine gets a working query again.
  EXPECT_EQ(customer_name("000002"), "CONFECCOES D'AGUA ME");
}

TEST_F(SqlBusca, ANestedRoutineLeavesTheHoldersResultAlone) {
  SqlBuscaScope outer;
  outer->SQL.Add("SELECT CODCLI FROM ENTIDADE_001 ORDER BY CODCLI");
  outer->Open();
  outer->Next();
  TTIQuery* held = vSqlBusca.get();

  EXPECT_EQ(customer_name("000003"), "JOÃO DA SILVA");
  {
    SqlBuscaScope inner;
    EXPECT_FALSE(inner.owns_shared());
    EXPECT_NE(&inner.query(), held);
  }
  EXPECT_EQ(vSqlBusca.get(), held);
  ASSERT_TRUE(outer->Active());
  EXPECT_EQ(outer->FieldByName("CODCLI").AsString(), "000002");
  EXPECT_EQ(outer->SQL.Count(), 1);
}

}  // namespace
}  // namespace zpk
