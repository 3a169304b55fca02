// Station settings on real files: the INI files of the program's folder, the
// hosted-mode default folder, the default printer and the scale reading.
#include "foundation/station_settings.hpp"

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/settings/ini_file.hpp"
#include "station_fixture.hpp"
#include "support/scoped.hpp"

namespace zpk {
namespace {

using test::read_file;
using test::write_file;

using test::fs::path;

class StationSettingsTest : public test::StationTest {};

TEST_F(StationSettingsTest, LeIniReadsAnyCaseAndMissingReadsEmpty) {
  write_file(program_ / "zelvo.ini",
             "; estação da expedição\r\n[caminho]\r\nPath = /srv/zelvo \r\n[Banco]\r\nServidor=\"db:1\"\r\n");
  const struct {
    const char* secao;
    const char* chave;
    const char* arquivo;
    const char* expected;
  } kCases[] = {
      {"Caminho", "path", "zelvo.ini", "/srv/zelvo"},
      {"CAMINHO", "PATH", "ZELVO.INI", "/srv/zelvo"},  // stored INIs come from case-blind file systems
      {"banco", "servidor", "zelvo.ini", "db:1"},
      {"Caminho", "nada", "zelvo.ini", ""},
      {"Nada", "path", "zelvo.ini", ""},
      {"Caminho", "path", "outro.ini", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.secao) + "/" + c.chave + " in " + c.arquivo);
    EXPECT_EQ(LeIni(c.secao, c.chave, c.arquivo), c.expected);
  }
}

TEST_F(StationSettingsTest, GravaIniChangesOneValueAndKeepsTheRest) {
  const std::string before = "; estação\n[Caminho]\npath=/velho\n\n[Outra]\nchave=1\n";
  write_file(program_ / "zelvo.ini", before);
  GravaIni("CAMINHO", "Path", "/novo", "zelvo.ini");
  EXPECT_EQ(read_file(program_ / "zelvo.ini"), "; estação\n[Caminho]\npath=/novo\n\n[Outra]\nchave=1\n");
  EXPECT_EQ(LeIni("caminho", "PATH", "zelvo.ini"), "/novo");
  // A name spelled in another case writes to the same file, not to a second one.
  GravaIni("Caminho", "path", "/outro", "ZELVO.INI");
  EXPECT_FALSE(test::fs::exists(program_ / "ZELVO.INI"));
  EXPECT_EQ(LeIni("Caminho", "path", "zelvo.ini"), "/outro");

  // Relative names (either separator) are files of the program's folder, created when missing.
  test::fs::create_directories(program_ / "conf");
  GravaIni("NFe", "Fuso", "-03:00", "conf\\NFe.ini");
  EXPECT_EQ(read_file(program_ / "conf" / "NFe.ini"), "[NFe]\nFuso=-03:00\n");
  EXPECT_EQ(LeIni("nfe", "fuso", "conf/NFe.ini"), "-03:00");

  // A value that would change what the file says is refused, and nothing is written.
  EXPECT_THROW(GravaIni("Caminho", "path", "a\n[Intrusa]", "zelvo.ini"), EIniFileError);
  EXPECT_EQ(LeIni("Caminho", "path", "zelvo.ini"), "/outro");
}

TEST_F(StationSettingsTest, PastaPadraoTakesTheHostedFolderOnlyInHostedMode) {
  const struct {
    const char* nuvem;
    std::optional<std::string> ti_ini;  // "PastaPadrao" of ti.ini; nullopt: no file
    const char* expected;
  } kCases[] = {
      {"", "/nuvem/cliente", "/local"},
      {"N", "/nuvem/cliente", "/local"},
      {"S", "  /nuvem/cliente  ", "/nuvem/cliente"},
      {"S", "   ", "/local"},
      {"S", std::nullopt, "/local"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.nuvem) + " / " + c.ti_ini.value_or("(none)"));
    std::error_code ec;
    test::fs::remove(program_ / "ti.ini", ec);
    if (c.ti_ini) GravaIni("caminho", "PastaPadrao", *c.ti_ini, "ti.ini");
    vNuvem = c.nuvem;
    EXPECT_EQ(PastaPadrao("/local"), c.expected);
  }
}

using test::ScopedEnv;

TEST_F(StationSettingsTest, ImpressoraPadraoFallsBackToTheSystemsPrinter) {
  ScopedEnv lpdest("LPDEST", nullptr);
  ScopedEnv printer("PRINTER", "Expedicao");
  UserSettings venda("Venda");

  const struct {
    std::optional<std::string> chosen;
    const char* expected;
  } kCases[] = {
      {"  HP LaserJet  ", "HP LaserJet"},
      {"Nenhuma", "Expedicao"},
      {"   ", "Expedicao"},
      {std::nullopt, "Expedicao"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.chosen.value_or("(none)"));
    c.chosen ? venda.write_string("Parametros", "ImpPadrao", *c.chosen)
             : venda.erase_value("Parametros", "ImpPadrao");
    EXPECT_EQ(ImpressoraPadrao(), c.expected);
  }
}

TEST_F(StationSettingsTest, SystemDefaultPrinterFollowsTheCupsClientRules) {
  ScopedEnv lpdest("LPDEST", nullptr);
  ScopedEnv printer("PRINTER", nullptr);
  ScopedEnv home("HOME", base_.c_str());
  write_file(base_ / ".cups" / "lpoptions", "Dest Outra\nDefault Escritorio/duplex sides=two-sided\n");
  EXPECT_EQ(system_default_printer(), "Escritorio/duplex");
  {
    ScopedEnv p("PRINTER", "Balcao");
    EXPECT_EQ(system_default_printer(), "Balcao");
    ScopedEnv l("LPDEST", "Deposito");
    EXPECT_EQ(system_default_printer(), "Deposito");
  }
}

TEST_F(StationSettingsTest, PegaPesoBalancaPlacesTheScalesDecimals) {
  UserSettings venda("Venda");
  venda.write_integer("Parametros", "Decimal", 2);
  venda.write_integer("Parametros\\Balanca\\Toledo", "Decimal", 3);
  const struct {
    const char* leitura;
    const char* balanca;
    double expected;
  } kCases[] = {
      {"\x02"
       "ST,GS,+001.250kg\x03",
       "Toledo", 1.25},
      {"001250", "toledo", 1.25},
      {"001250", "", 12.5},
      {"001250", "Filizola", 12.5},  // no key of its own: the general one
      {"5", "Toledo", 0.005},
      {"OL", "Toledo", 0},
      {"", "", 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.leitura) + " on " + c.balanca);
    bool estavel = false;
    EXPECT_DOUBLE_EQ(PegaPesoBalanca(c.leitura, estavel, c.balanca), c.expected);
    EXPECT_TRUE(estavel);
  }
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(StationSettingsTest, PegaPesoBalancaWithoutSettingsTakesTheDigitsWhole) {
  bool estavel = false;
  EXPECT_DOUBLE_EQ(PegaPesoBalanca("001250", estavel), 1250);
  EXPECT_TRUE(estavel);
}

TEST_F(StationSettingsTest, PegaPesoBalancaRefusesAnUnsettledReading) {
  UserSettings("Venda").write_integer("Parametros", "Decimal", 3);
  for (const char* leitura : {"US,GS,+001.250kg", " US001250", "IIIII", "I001250"}) {
    SCOPED_TRACE(leitura);
    dialogs_.clear();
    bool estavel = true;
    EXPECT_EQ(PegaPesoBalanca(leitura, estavel), 0);
    EXPECT_FALSE(estavel);
    ASSERT_EQ(dialogs_.records().size(), 1u);
    EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
    EXPECT_EQ(dialogs_.last().text, "Peso não estabilizado. Confirme novamente.");
    EXPECT_EQ(dialogs_.last().type, TMsgDlgType::mtInformation);
  }
}

}  // namespace
}  // namespace zpk
