// The month tables and the package's load and unload steps, without a database.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/session.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {
namespace {

// The tables agree with the calendar and the month names the date formats
// print, each from its own code, so a wrong entry shows as a disagreement.
TEST(MonthTables, AgreeWithTheCalendarAndTheFormattedMonthNames) {
  int year_days = 0;
  for (int month = DiaDoMes.Low(); month <= DiaDoMes.High(); ++month) {
    SCOPED_TRACE(month);
    EXPECT_EQ(DiaDoMes[month], DaysInAMonth(2023, static_cast<Word>(month)));
    const std::string formatted = FormatDateTime("mmmm", EncodeDate(2024, static_cast<Word>(month), 1));
    EXPECT_EQ(NomeMes[month], UpperCase(Copy(formatted, 1, 1)) + Copy(formatted, 2, Length(formatted)));
    year_days += DiaDoMes[month];
  }
  EXPECT_EQ(year_days, 365);
  // February has 28 days whatever the year; callers correct leap years.
  EXPECT_EQ(DaysInAMonth(2024, 2), 29);
  EXPECT_EQ(DiaDoMes[2], 28);
  // No month 0 or 13: reading outside the table is refused, not undefined.
  EXPECT_THROW(DiaDoMes[0], EZpkError);
  EXPECT_THROW(NomeMes[13], EZpkError);
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
