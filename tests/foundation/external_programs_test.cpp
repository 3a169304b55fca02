// Starting other programs: command lines split by the Windows rules
// the stored command lines were written for, real programs run to their end in the program's folder with
// no shell in between, URLs handed to the browser window, module pre-loading.
#include "foundation/external_programs.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "station_fixture.hpp"

namespace zpk {
namespace {

using test::read_file;
using test::write_file;

using test::fs::path;

TEST(SplitCommandLine, FollowsTheWindowsRules) {
  const struct {
    const char* line;
    std::vector<std::string> expected;
  } kCases[] = {
      {"", {}},
      {"   ", {}},
      {"prog", {"prog"}},
      {"  prog  a   b ", {"prog", "a", "b"}},
      {"\"C:\\Program Files\\Zelvo\\sped.exe\" /u 12", {"C:\\Program Files\\Zelvo\\sped.exe", "/u", "12"}},
      {"C:\\Zelvo\\sped.exe C:\\dados\\", {"C:\\Zelvo\\sped.exe", "C:\\dados\\"}},
      {"p \"a b\" c", {"p", "a b", "c"}},
      {"p a\"b c\"d", {"p", "ab cd"}},
      {"p \"\"", {"p", ""}},
      {"p \"say \"\"hi\"\"\"", {"p", "say \"hi\""}},
      {"p a\\\"b", {"p", "a\"b"}},
      {"p a\\\\\"b c\"", {"p", "a\\b c"}},
      {"p a\\\\b", {"p", "a\\\\b"}},
      {"p ';rm -rf x' $(id) `id` *", {"p", "';rm", "-rf", "x'", "$(id)", "`id`", "*"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(split_command_line(c.line), c.expected);
  }
}

class ExecutaEXETest : public test::StationTest {
 protected:
  void SetUp() override {
    StationTest::SetUp();
    // Records its working folder and arguments in ./registro.txt; with "--devagar"
    // first it takes a second, so that only a caller that waits sees the record.
    const std::string script =
        "#!/bin/sh\n"
        "if [ \"$1\" = --devagar ]; then sleep 1; fi\n"
        "{ pwd -P; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > registro.tmp\n"
        "mv registro.tmp registro.txt\n";
    write_program(program_ / "registra", script);
    write_program(program_ / "bin" / "ferramenta", "#!/bin/sh\necho ferramenta > registro.txt\n");
    write_file(program_ / "nao_executavel", "#!/bin/sh\necho x > registro.txt\n");
  }

  static void write_program(const path& file, const std::string& text) {
    write_file(file, text);
    test::fs::permissions(file, test::fs::perms::owner_all, test::fs::perm_options::add);
  }
  std::string record() const { return read_file(program_ / "registro.txt"); }
  std::string folder() const { return test::fs::canonical(program_).string(); }
};

TEST_F(ExecutaEXETest, WaitsForTheProgramInTheProgramsFolder) {
  EXPECT_TRUE(ExecutaEXE("registra --devagar um \"dois tres\""));
  EXPECT_EQ(record(), folder() + "\n[--devagar]\n[um]\n[dois tres]\n");
}

TEST_F(ExecutaEXETest, PassesArgumentsUninterpreted) {
  EXPECT_TRUE(ExecutaEXE("registra \";touch invadido\" $(touch invadido) `touch invadido` * \"a|b>c\""));
  EXPECT_EQ(record(),
            folder() + "\n[;touch invadido]\n[$(touch]\n[invadido)]\n[`touch]\n[invadido`]\n[*]\n[a|b>c]\n");
  EXPECT_FALSE(test::fs::exists(program_ / "invadido"));
}

TEST_F(ExecutaEXETest, MapsWindowsProgramPathsToPrograms) {
  const struct {
    const char* linha;
    const char* expected;
  } kCases[] = {
      {"C:\\Zelvo\\registra.exe x", "[x]"},
      {"\"C:\\Program Files\\Zelvo\\REGISTRA.EXE\" y", ""},  // names keep their case here
      {"registra.exe z", "[z]"},
      {"bin\\ferramenta.exe", "ferramenta"},
      {"bin/ferramenta", "ferramenta"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.linha);
    std::error_code ec;
    test::fs::remove(program_ / "registro.txt", ec);
    const bool found = *c.expected != '\0';
    EXPECT_EQ(ExecutaEXE(c.linha), found);
    if (found) {
      EXPECT_NE(record().find(c.expected), std::string::npos) << record();
    }
  }
}

TEST_F(ExecutaEXETest, ReportsWhatCannotBeStarted) {
  for (const char* linha :
       {"", "   ", "nao_existe", "C:\\Zelvo\\nao_existe.exe a", "nao_executavel", "bin", "\"\" registra"}) {
    SCOPED_TRACE(linha);
    EXPECT_FALSE(ExecutaEXE(linha));
  }
  EXPECT_FALSE(test::fs::exists(program_ / "registro.txt"));
  // Programs of the system are found on the search path; their exit status does not matter.
  EXPECT_TRUE(ExecutaEXE("true"));
  EXPECT_TRUE(ExecutaEXE("C:\\Windows\\false.exe"));
}

TEST_F(ExecutaEXETest, ExecutaBrowserHandsTheUrlToTheBrowserWindow) {
  const std::string url = "https://www.zelvo.com.br/ajuda?tela=PEDIDO&x=$(id)";
  ExecutaBrowser(nullptr, url);
  ASSERT_EQ(dialogs_.records().size(), 1u);
  EXPECT_EQ(dialogs_.last().kind, DialogKind::web_browser);
  EXPECT_EQ(dialogs_.last().caption, "ZELVO Browser");
  EXPECT_EQ(dialogs_.last().text, url);
}

TEST(RunImageLocally, ReadsThePagesOfALoadedModule) {
  EXPECT_GT(RunImageLocally(), 0u);
  EXPECT_GT(RunImageLocally("libc.so.6"), 0u);
  EXPECT_EQ(RunImageLocally("nao_carregado.so"), 0u);
  EXPECT_EQ(RunImageLocally("/nao/existe/modulo.so"), 0u);
}

}  // namespace
}  // namespace zpk
