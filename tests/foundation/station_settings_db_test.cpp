// The default stock location on the demo database (company 001: location
// "0001" has priority 1, "0002" priority 2).
#include <string>

#include <gtest/gtest.h>

#include "foundation/session.hpp"
#include "foundation/station_settings.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"

namespace zpk {
namespace {

class DepositoPadraoTest : public test::DatabaseTest {
 protected:
  void TearDown() override {
    vUsuario = saved_user_;
    DatabaseTest::TearDown();
  }
  static void cash_desk(const std::string& usuario, const std::string& deposito) {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("INSERT INTO VENDA_CAIXA (USUARIO, DEPOSITO) VALUES (:USUARIO, :DEPOSITO)");
    q.ParamByName("USUARIO").AsString = usuario;
    q.ParamByName("DEPOSITO").AsString = deposito;
    q.ExecSQL();
  }
  std::string saved_user_ = vUsuario;
};

TEST_F(DepositoPadraoTest, PrefersTheUsersCashDeskLocationThatExists) {
  cash_desk("MARIA", "0002");
  cash_desk("O'BRIEN", "0002");
  cash_desk("JOSE", "9999");
  cash_desk("ANA", "");
  const struct {
    const char* usuario;
    const char* opcao;
    const char* expected;
  } kCases[] = {
      {"MARIA", "1", "0002"},
      {"O'BRIEN", "1", "0002"},
      {"JOSE", "1", "0001"},  // the desk's location is not
                              // in DEPOSITO
      {"ANA", "1", "0001"},
      {"PEDRO", "1", "0001"},  // no desk of his own
      {"MARIA", "2", "0002"},
      {"PEDRO", "2", "0002"},
      {"MARIA", "7", ""},
      {"MARIA", "", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.usuario) + " / " + c.opcao);
    vUsuario = c.usuario;
    EXPECT_EQ(DepositoPadrao(c.opcao), c.expected);
  }
}

TEST_F(DepositoPadraoTest, FollowsTheCurrentCompany) {
  vUsuario = "PEDRO";
  Tabela.select_company("002");
  const std::string in_002 = DepositoPadrao("1");
  Tabela.select_company("001");
  EXPECT_EQ(in_002, "0001");
  EXPECT_EQ(DepositoPadrao("2"), "0002");
  Tabela.select_company("002");
  EXPECT_EQ(DepositoPadrao("2"), "");
  Tabela.select_company("001");
}

}  // namespace
}  // namespace zpk
