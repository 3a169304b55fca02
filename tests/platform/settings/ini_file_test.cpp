// INI files on disk: case-insensitive reads, writes that keep the rest of the
// file, missing files, and writers that do not lose each other's values.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/settings/ini_file.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  fs::path file(const std::string& name, const std::string& content) {
    const fs::path path = folder_ / name;
    test::write_file(path, content);
    return path;
  }
  static std::string content(const fs::path& path) { return test::read_file(path); }

  test::TempFolder folder_{"ini"};
};

constexpr const char* kStation =
    "; station settings\n"
    "[Caminho]\n"
    "path = \\\\servidor\\zelvo \n"
    "Vazio=\n"
    "Aspas=\"  com espaços  \"\n"
    "sem igual\n"
    "\n"
    "[Impressão]\n"
    "Porta=LPT1\n"
    "Nota=a=b\n"
    "[caminho]\n"
    "path=segunda seção ignorada\n"
    "Extra=só na segunda\n";

TEST_F(IniFileTest, ReadsSectionsAndKeysInAnyCase) {
  const IniFile ini(file("ti.ini", kStation));
  const struct {
    const char* section;
    const char* key;
    const char* expected;
  } kCases[] = {
      {"Caminho", "path", "\\\\servidor\\zelvo"},  // value trimmed
      {"CAMINHO", "PATH", "\\\\servidor\\zelvo"},
      {" caminho ", "Path", "\\\\servidor\\zelvo"},
      {"Caminho", "Vazio", ""},
      {"Caminho", "Aspas", "  com espaços  "},  // one pair of quotes removed
      {"impressão", "porta", "LPT1"},           // accented section names fold too
      {"Impressão", "Nota", "a=b"},             // the first "=" separates
      {"Caminho", "Extra", "(default)"},        // only the first section of a name counts
      {"Caminho", "sem igual", "(default)"},
      {"Caminho", "Porta", "(default)"},
      {"Nenhuma", "path", "(default)"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.section << "/" << c.key);
    EXPECT_EQ(ini.read_string(c.section, c.key, "(default)"), c.expected);
  }
  EXPECT_EQ(ini.read_sections(), (std::vector<std::string>{"Caminho", "Impressão"}));
  EXPECT_EQ(ini.read_section("CAMINHO"), (std::vector<std::string>{"path", "Vazio", "Aspas"}));
  EXPECT_TRUE(ini.value_exists("caminho", "vazio"));
  EXPECT_FALSE(ini.value_exists("caminho", "extra"));
}

TEST_F(IniFileTest, MissingFileReadsAsEmptyAndIsNotCreated) {
  const IniFile ini(folder_ / "nao-existe.ini");
  EXPECT_EQ(ini.read_string("Caminho", "path"), "");
  EXPECT_EQ(ini.read_string("Caminho", "path", "padrão"), "padrão");
  EXPECT_EQ(ini.read_integer("Caminho", "n", 7), 7);
  EXPECT_FALSE(ini.section_exists("Caminho"));
  IniFile(ini.path()).erase_key("Caminho", "path");
  EXPECT_FALSE(fs::exists(ini.path()));
}

TEST_F(IniFileTest, WritingChangesOnlyTheLineOfTheValue) {
  const std::string original =
      "; topo\n"
      "[Caminho]\n"
      "Path = antigo\n"
      "; comentário do caminho\n"
      "Outro=1\n"
      "\n"
      "; seção seguinte\n"
      "[Outra]\n"
      "x=1\n";
  const struct {
    const char* name;
    const char* section;
    const char* key;
    const char* value;
    const char* expected;
  } kCases[] = {
      {"existing key, any case", "CAMINHO", "path", "novo",
       "; topo\n[Caminho]\nPath = novo\n; comentário do caminho\nOutro=1\n\n; seção "
       "seguinte\n[Outra]\nx=1\n"},
      {"new key after the section's last key", "caminho", "Novo", "v",
       "; topo\n[Caminho]\nPath = antigo\n; comentário do caminho\nOutro=1\nNovo=v\n\n; seção seguinte\n"
       "[Outra]\nx=1\n"},
      {"new section at the end", "Balança", "Decimal", "3",
       "; topo\n[Caminho]\nPath = antigo\n; comentário do caminho\nOutro=1\n\n; seção "
       "seguinte\n[Outra]\nx=1\n"
       "\n[Balança]\nDecimal=3\n"},
      {"empty value", "Outra", "x", "",
       "; topo\n[Caminho]\nPath = antigo\n; comentário do caminho\nOutro=1\n\n; seção "
       "seguinte\n[Outra]\nx=\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    IniFile ini(file("station.ini", original));
    ini.write_string(c.section, c.key, c.value);
    EXPECT_EQ(content(ini.path()), c.expected);
    EXPECT_EQ(ini.read_string(c.section, c.key, "(missing)"), c.value);
  }
}

TEST_F(IniFileTest, WritingKeepsCrLfAndByteOrderMark) {
  IniFile ini(file("win.ini", "\xEF\xBB\xBF[Caminho]\r\npath=c:\\zelvo\r\n"));
  ini.write_string("Caminho", "PastaPadrao", "d:\\dados");
  EXPECT_EQ(content(ini.path()), "\xEF\xBB\xBF[Caminho]\r\npath=c:\\zelvo\r\nPastaPadrao=d:\\dados\r\n");
  EXPECT_EQ(ini.read_string("caminho", "PATH"), "c:\\zelvo");
}

TEST_F(IniFileTest, WritingCreatesTheFileButNotItsFolder) {
  IniFile created(folder_ / "novo.ini");
  created.write_integer("Parametros", "Decimal", 2);
  EXPECT_EQ(content(created.path()), "[Parametros]\nDecimal=2\n");
  EXPECT_EQ(created.read_integer("parametros", "decimal", 0), 2);

  IniFile nowhere(folder_ / "sem-pasta" / "x.ini");
  EXPECT_THROW(nowhere.write_string("A", "b", "c"), EIniFileError);
  EXPECT_FALSE(fs::exists(folder_ / "sem-pasta"));
}

TEST_F(IniFileTest, RefusesValuesThatWouldChangeWhatTheFileSays) {
  IniFile ini(file("station.ini", "[Caminho]\npath=x\n"));
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } kCases[] = {
      {"Caminho", "path", "x\n[Outra]\nsenha=1"},
      {"Caminho", "path", "x\r"},
      {"Caminho", "a=b", "1"},
      {"Caminho", "", "1"},
      {"Caminho", "; nota", "1"},
      {"Ca]minho", "path", "1"},
      {"Caminho\n[x", "path", "1"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.section << "/" << c.key << "/" << c.value);
    EXPECT_THROW(ini.write_string(c.section, c.key, c.value), EIniFileError);
    EXPECT_EQ(content(ini.path()), "[Caminho]\npath=x\n");
  }
}

TEST_F(IniFileTest, EraseRemovesAKeyOrAWholeSection) {
  IniFile ini(file("station.ini", "[A]\nx=1\ny=2\n; sobre B\n[B]\nz=3\n[C]\nw=4\n"));
  ini.erase_key("a", "X");
  ini.erase_section("b");
  EXPECT_EQ(content(ini.path()), "[A]\ny=2\n; sobre B\n[C]\nw=4\n");
}

TEST_F(IniFileTest, SavesAtomicallyKeepingModeAndLinks) {
  const fs::path real = file("real.ini", "[A]\nx=1\n");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  const fs::path link = folder_ / "link.ini";
  fs::create_symlink(real, link);
  IniFile(link).write_string("A", "x", "2");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(content(real), "[A]\nx=2\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // No temporary file stays behind.
  int files = 0;
  for (const auto& entry : fs::directory_iterator(folder_.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2);
}

TEST_F(IniFileTest, ConcurrentWritersLoseNothing) {
  const fs::path path = folder_ / "shared.ini";
  constexpr int kWriters = 4;
  constexpr int kKeys = 25;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&path, w] {
      IniFile ini(path);
      for (int k = 0; k < kKeys; ++k) ini.write_integer("S" + std::to_string(w), "k" + std::to_string(k), k);
    });
  }
  for (auto& t : writers) t.join();
  const IniFile ini(path);
  for (int w = 0; w < kWriters; ++w) {
    SCOPED_TRACE(w);
    EXPECT_EQ(ini.read_section("S" + std::to_string(w)).size(), static_cast<size_t>(kKeys));
  }
}

}  // namespace
}  // namespace zpk
