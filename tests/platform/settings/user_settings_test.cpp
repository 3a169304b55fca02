// The per-user store standing in for the registry keys, and the program's folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/settings/ini_file.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "support/scoped.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

namespace fs = std::filesystem;

using test::ScopedEnv;

class UserSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { set_user_settings_folder(folder_ / "zpk"); }
  void TearDown() override { set_user_settings_folder({}); }
  static std::string content(const fs::path& path) { return test::read_file(path); }
  test::TempFolder folder_{"user"};
};

TEST_F(UserSettingsTest, FolderComesFromXdgConfigHomeElseHome) {
  set_user_settings_folder({});
  const struct {
    const char* xdg;
    const char* home;
    const char* expected;
  } kCases[] = {
      {"/cfg", "/home/ana", "/cfg/zpk"},
      {nullptr, "/home/ana", "/home/ana/.config/zpk"},
      {"", "/home/ana", "/home/ana/.config/zpk"},
      {"relativo", "/home/ana", "/home/ana/.config/zpk"},  // relative paths are ignored
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << (c.xdg ? c.xdg : "(unset)"));
    ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(user_settings_folder(), fs::path(c.expected));
  }
  set_user_settings_folder("/outra");
  EXPECT_EQ(user_settings_folder(), fs::path("/outra"));
}

TEST_F(UserSettingsTest, KeysBecomeFilesAndSections) {
  UserSettings venda("Venda");
  venda.write_string("Parametros", "ImpPadrao", "Nenhuma");
  UserSettings("Venda").write_integer("Parametros\\Balanca\\" + std::string("Toledo"), "Decimal", 3);
  UserSettings relwin("Zelvo\\RelWin");
  relwin.write_integer("", "ScalePercent", 120);

  EXPECT_EQ(content(folder_ / "zpk" / "Venda.ini"),
            "[Parametros]\nImpPadrao=Nenhuma\n\n[Parametros\\Balanca\\Toledo]\nDecimal=3\n");
  EXPECT_EQ(content(folder_ / "zpk" / "Zelvo.ini"), "[RelWin]\nScalePercent=120\n");

  const struct {
    const char* key;
    const char* section;
    const char* name;
    const char* expected;
  } kCases[] = {
      {"venda", "PARAMETROS", "impPadrao", "Nenhuma"},  // keys, sections and names in any case
      {"Venda", "Parametros\\Balanca\\Toledo\\", "Decimal", "3"},
      {"\\Venda\\", "Parametros\\\\Balanca\\Toledo", "Decimal", "3"},
      {"Zelvo", "RelWin", "ScalePercent", "120"},
      {"ZELVO\\relwin", "", "ScalePercent", "120"},
      {"Venda", "Parametros", "Tema", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.key << " / " << c.section << " / " << c.name);
    EXPECT_EQ(UserSettings(c.key).read_string(c.section, c.name), c.expected);
  }
  EXPECT_EQ(UserSettings("Venda").read_integer("Parametros", "ImpPadrao", -1), -1);  // not a number
  EXPECT_EQ(UserSettings("Venda").read_integer("Parametros\\Balanca\\Toledo", "Decimal", -1), 3);
  EXPECT_THROW(UserSettings("\\"), EIniFileError);

  relwin.erase_value("", "SCALEPERCENT");
  EXPECT_FALSE(relwin.value_exists("", "ScalePercent"));
}

TEST(ProgramFolder, RelativeNamesResolveInTheProgramsFolder) {
  const fs::path executable = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(program_folder(), executable.parent_path());
  set_program_folder("/opt/zelvo");
  const struct {
    const char* name;
    const char* expected;
  } kCases[] = {
      {"ti.ini", "/opt/zelvo/ti.ini"},
      {"config\\estacao.ini", "/opt/zelvo/config/estacao.ini"},
      {"/etc/zpk/ti.ini", "/etc/zpk/ti.ini"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(program_file(c.name), fs::path(c.expected));
  }
  set_program_folder({});
  EXPECT_EQ(program_folder(), executable.parent_path());
}

}  // namespace
}  // namespace zpk
