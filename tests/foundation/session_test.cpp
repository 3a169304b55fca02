// The month tables and the package's load and unload steps, without a database.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/session.hpp"

namespace zpk {
namespace {

TEST(MonthTables, HoldTheDaysAndNamesOfEachMonthFromOne) {
  const struct {
    int month;
    int days;
    const char* name;
  } kCases[] = {
      {1, 31, "Janeiro"},  {2, 28, "Fevereiro"}, {3, 31, "Março"},     {4, 30, "Abril"},
      {5, 31, "Maio"},     {6, 30, "Junho"},     {7, 31, "Julho"},     {8, 31, "Agosto"},
      {9, 30, "Setembro"}, {10, 31, "Outubro"},  {11, 30, "Novembro"}, {12, 31, "Dezembro"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.month);
    EXPECT_EQ(DiaDoMes[c.month], c.days);
    EXPECT_EQ(NomeMes[c.month], c.name);
  }
  // No month 0 or 13: reading outside the table is refused, not undefined.
  EXPECT_THROW(DiaDoMes[0], EZpkError);
  EXPECT_THROW(NomeMes[13], EZpkError);
  static_assert(DiaDoMes[2] == 28);
}

class PackageLifecycle : public ::testing::Test {
 protected:
  void SetUp() override { finalize_package(); }
  void TearDown() override { finalize_package(); }
};

TEST_F(PackageLifecycle, LoadIsIdempotentAndUnloadClearsTheSession) {
  initialize_package();
  EXPECT_TRUE(package_initialized());
  vUsuario = "ADMIN";
  vEmpresa_Atual = "_002";
  sPedidoLocado = "000123";
  CobreBemX = Variant("boleto");
  // A second load (another module package) keeps the session the host set.
  initialize_package();
  EXPECT_EQ(vUsuario, "ADMIN");
  EXPECT_EQ(sPedidoLocado, "000123");

  finalize_package();
  EXPECT_FALSE(package_initialized());
  for (const std::string* text : {&vUsuario, &vUsuarioCodigo, &vSupervisor, &vUsuarioEMail, &vSenha,
                                  &vEmpresa_Atual, &vNuvem, &vFontePadrao, &sResolucao, &sRelatorio,
                                  &sLogTelas, &sPedidoLocado, &sOrcamentoLocado, &sProgramacaoLocado}) {
    EXPECT_EQ(*text, "");
  }
  EXPECT_TRUE(CobreBemX.IsUnassigned());
  EXPECT_EQ(vSqlBusca, nullptr);

  // Unloading again, or before a load, is harmless.
  vUsuario = "HOST";
  finalize_package();
  EXPECT_EQ(vUsuario, "HOST");
}

TEST_F(PackageLifecycle, UnitsLoadInOrderAndUnloadInReverse) {
  // Registrations last for the whole program: the log they write must too.
  static std::vector<std::string> steps;
  register_unit_lifecycle(
      20, [] { steps.push_back("load billing"); }, [] { steps.push_back("unload billing"); });
  register_unit_lifecycle(
      10, [] { steps.push_back("load dialogs"); }, [] { steps.push_back("unload dialogs"); });
  initialize_package();
  initialize_package();
  // A unit that comes after the load is loaded at once.
  register_unit_lifecycle(
      30, [] { steps.push_back("load late"); }, [] { steps.push_back("unload late"); });
  finalize_package();
  finalize_package();
  EXPECT_EQ(steps, (std::vector<std::string>{"load dialogs", "load billing", "load late", "unload late",
                                             "unload billing", "unload dialogs"}));
}

}  // namespace
}  // namespace zpk
