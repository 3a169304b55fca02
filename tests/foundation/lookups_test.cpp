// The statement-composing conventions that need no database: literals, WHERE
// clauses from key lists, and physical table names from the company settings.
#include <string>

#include <gtest/gtest.h>

#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {
namespace {

TEST(Aspas, WrapsInQuotesAndLeavesInnerQuotesAlone) {
  EXPECT_EQ(Aspas("000123"), "'000123'");
  EXPECT_EQ(Aspas(""), "''");
  EXPECT_EQ(Aspas("CAIXA D'AGUA"), "'CAIXA D'AGUA'");
  EXPECT_EQ(Aspas("AÇÃO"), "'AÇÃO'");
}

TEST(CriaWhere, JoinsEachFieldWithTheValueAtItsPosition) {
  const struct {
    const char* campos;
    const char* valores;
    const char* where;
  } kCases[] = {
      {"NUMERO", "'000123'", " 1=1  and NUMERO = '000123'"},
      {"CODIGO;COR;TAMANHO", "'A1';'001';'M'", " 1=1  and CODIGO = 'A1' and COR = '001' and TAMANHO = 'M'"},
      {"NOME;TIPO", "'MODAS%';1", " 1=1  and NOME like 'MODAS%' and TIPO = 1"},
      // The values are the caller's SQL: a "," inside one stays in it.
      {"NOME", "'A,B'", " 1=1  and NOME = 'A,B'"},
      // More values than fields: the extra ones are not used.
      {"NUMERO", "'1';'2'", " 1=1  and NUMERO = '1'"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.campos);
    EXPECT_EQ(Cria_Where(c.campos, c.valores), c.where);
  }
  // A field without a value would make a broken statement: refused here.
  EXPECT_THROW(Cria_Where("CODIGO;COR", "'A1'"), EZpkError);
}

// Company settings of Tabela set by hand, as a connection for company 001 leaves them.
class TableNames : public ::testing::Test {
 protected:
  void SetUp() override {
    Tabela.TabelasMapeadas = {{"EMPRESA", "EMPRESA"}, {"RECEBER", "RECEBER_001"}};
    Tabela.SufixoEmpresa = "_001 ";
    vEmpresa_Atual.clear();
  }
  void TearDown() override {
    Tabela.TabelasMapeadas.clear();
    Tabela.SufixoEmpresa.clear();
    vEmpresa_Atual.clear();
  }
};

TEST_F(TableNames, DBLocalAppendsTheSuffixOrTakesTheMappedName) {
  const struct {
    const char* empresa_atual;
    const char* logical;
    const char* physical;
  } kCases[] = {
      {"", "PEDIDO", "PEDIDO_001"},
      {"", "pedido", "pedido_001"},
      {"", "EMPRESA", "EMPRESA"},
      {"", "receber", "RECEBER_001"},
      // The override wins over the mapping too.
      {"_002", "pedido", "pedido_002"},
      {"_002", "EMPRESA", "EMPRESA_002"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.empresa_atual) + " " + c.logical);
    vEmpresa_Atual = c.empresa_atual;
    EXPECT_EQ(DBLocal(c.logical), c.physical);
    EXPECT_EQ(DBLocal(c.logical, true), c.physical);
  }
}

TEST_F(TableNames, DBLocalSqlReplacesEveryPlaceholder) {
  const struct {
    const char* sql;
    const char* padrao;
    const char* result;
  } kCases[] = {
      {"SELECT * FROM {PEDIDO} P", "", "SELECT * FROM PEDIDO_001 P"},
      {"SELECT * FROM {} P", "CODIGOS_001", "SELECT * FROM CODIGOS_001 P"},
      {"SELECT '{}' AS EMPRESA FROM {ENTIDADE}", "", "SELECT '_001' AS EMPRESA FROM ENTIDADE_001"},
      {"SELECT * FROM { pedido } P JOIN {Empresa} E ON 1=1 JOIN {receber} R ON 1=1", "",
       "SELECT * FROM pedido_001 P JOIN EMPRESA E ON 1=1 JOIN RECEBER_001 R ON 1=1"},
      {"SELECT * FROM PEDIDO_001", "X", "SELECT * FROM PEDIDO_001"},
      // An unmatched brace is left as it stands (a "}" before the first "{"
      // must not stall the expansion).
      {"SELECT '}' FROM {PEDIDO}", "", "SELECT '}' FROM PEDIDO_001"},
      {"SELECT '{' FROM PEDIDO", "", "SELECT '{' FROM PEDIDO"},
      // A default holding braces is inserted once, not expanded without end.
      {"SELECT * FROM {}", "{}", "SELECT * FROM {}"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(DBLocal_SQL(c.sql, c.padrao), c.result);
  }
  // The company override is not consulted here.
  vEmpresa_Atual = "_002";
  EXPECT_EQ(DBLocal_SQL("SELECT * FROM {PEDIDO}"), "SELECT * FROM PEDIDO_001");
}

}  // namespace
}  // namespace zpk
