// The Tabela data module on the demo database: what connecting for a company
// loads, switching companies, and the company list that table names follow.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"

namespace zpk {
namespace {

class TabelaTest : public test::DatabaseTest {};

TEST_F(TabelaTest, ConnectingLoadsTheCompanysSettings) {
  EXPECT_TRUE(Tabela.IBDatabase.Connected());
  EXPECT_EQ(Tabela.SufixoEmpresa, "_001");
  EXPECT_EQ(Tabela.TabelasMapeadas.at("EMPRESA"), "EMPRESA");
  EXPECT_EQ(Tabela.TabelasMapeadas.at("ACESSO_USUARIOS"), "ACESSO_USUARIOS");
  EXPECT_EQ(Tabela.TabelasMapeadas.count("PEDIDO"), 0u);
  EXPECT_EQ(Tabela.SeparadorDuplicata, "/");
  EXPECT_EQ(Tabela.PrefixoEAN, "7891234");
  EXPECT_EQ(Tabela.NotaComSerie, "N");
  EXPECT_EQ(Tabela.SeriePadrao, "1");
  EXPECT_EQ(Tabela.company.state, "SP");
  EXPECT_EQ(Tabela.company.postal_code, "13474-000");
  EXPECT_EQ(Tabela.company.crt, "3");
  EXPECT_EQ(Tabela.company.nfe_environment, "2");
  EXPECT_EQ(Tabela.company.cnpj, "11.222.333/0001-81");
  EXPECT_EQ(Tabela.companies.RecordCount(), 2);
  // Connecting leaves no transaction open.
  EXPECT_FALSE(Tabela.IBTransaction.Active());
}

TEST_F(TabelaTest, SelectingAnotherCompanyReloadsItsSettings) {
  Tabela.select_company("002");
  EXPECT_EQ(Tabela.SufixoEmpresa, "_002");
  EXPECT_EQ(Tabela.SeparadorDuplicata, "-");
  EXPECT_EQ(Tabela.NotaComSerie, "S");
  EXPECT_EQ(Tabela.company.state, "SC");
  EXPECT_DOUBLE_EQ(Tabela.company.simples_credit_rate, 2.56);
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT NOME FROM ENTIDADE" + Tabela.SufixoEmpresa);
  q.Open();
  EXPECT_EQ(q.FieldByName("NOME").AsString(), "LOJA DO CENTRO EIRELI");
  EXPECT_THROW(Tabela.select_company("009"), EZpkError);
}

TEST_F(TabelaTest, MovingTheCompanyListMovesTheTableSuffix) {
  CompanyDataSet& list = Tabela.companies;
  const int start = list.RecNo;
  std::vector<std::string> suffixes;
  for (list.First(); !list.Eof(); list.Next()) suffixes.push_back(Tabela.SufixoEmpresa);
  EXPECT_EQ(suffixes, (std::vector<std::string>{"_001", "_002"}));

  list.Filter = "_002";
  list.Filtered = true;
  EXPECT_EQ(list.RecordCount(), 1);
  EXPECT_EQ(Tabela.SufixoEmpresa, "_002");
  EXPECT_FALSE(list.Locate("_001"));  // hidden by the filter
  list.Filtered = false;
  EXPECT_TRUE(list.Locate("_001"));
  EXPECT_EQ(list.FieldByName("EMP_UF").AsString(), "SP");
  list.RecNo = start;
  EXPECT_EQ(Tabela.SufixoEmpresa, "_001");
  EXPECT_THROW(list.FieldByName("NAO_HA"), EZpkError);
}

TEST(TabelaConnect, UnknownCompanyFailsAndLeavesNothingConnected) {
  const auto path = test::fresh_database("unknown_company");
  EXPECT_THROW(Tabela.connect_company(path.string(), "007"), EZpkError);
  EXPECT_FALSE(Tabela.IBDatabase.Connected());
  EXPECT_EQ(Tabela.SufixoEmpresa, "");
  Tabela.connect_company(path.string(), "002");
  EXPECT_EQ(Tabela.SufixoEmpresa, "_002");
  Tabela.disconnect();
  EXPECT_TRUE(Tabela.TabelasMapeadas.empty());
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace zpk
