// `zpk call` run as the shell runs it, for routines that need no database:
// each routine takes its own arguments in its signature's order, defaults may
// be left out, var arguments are "-" and come back as name=value lines, and a
// value that does not read is reported by its parameter's or property's name.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/session.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "run_zpk.hpp"

namespace zpk::test {
namespace {

namespace fs = std::filesystem;

// A fresh empty folder under the test's temporary directory, removed at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name)
      : path_(fs::path(::testing::TempDir()) / ("zpk-call-" + name + "-" + std::to_string(::getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST(ZpkCall, TakesEachRoutinesOwnArgumentsInOrder) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
  } kCases[] = {
      {{"VerCpf", "111.444.777-35"}, 0, "True\n"},
      // Parameters with a default may be left out; given, ones without effect are accepted and ignored.
      {{"Calcula_digito_EAN13", "789100031550"}, 0, "7891000315507\n"},
      {{"Calcula_digito_EAN13", "789100031550", "1", "2", "3"}, 0, "7891000315507\n"},
      {{"AcertaCase", "ignorado", "joão da silva"}, 0, "João Da Silva\n"},
      {{"LeftPad", "7", "0", "3"}, 0, "007\n"},
      {{"TempoNumerico", "01:30:00"}, 0, "1.5\n"},
      {{"TempoNumerico", "01:30:00", "True"}, 0, "90\n"},
      {{"CRC16CCITT", "123456789"}, 0, "10673\n"},
      {{"Explode", "a;b;c", ";"}, 0, "a\nb\nc\n"},
      {{"DateNull"}, 0, "30/12/1899\n"},
      // Var arguments: "-" in the list, name=value after the result.
      {{"PegaPosicao", "-", "-", "-", "1-5;3", ""}, 0, "True\nstart=1\nlength=5\nvalue=3\n"},
      // A method on a fresh object whose properties follow its own arguments.
      {{"QtdeConvertida", "EQuantidade=2", "EUnidade=DZ", "EUnCad=UN", "EUnQtde=12"}, 0, "24\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.args.front());
    std::vector<std::string> argv{"call"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const ZpkRun run = run_zpk(argv);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
}

TEST(ZpkCall, RefusesWhatDoesNotFitAndNamesTheValueThatDoesNotRead) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string error;  // a piece of what is printed on stderr
  } kCases[] = {
      {{"VerCpf"}, 2, "usage: zpk call VerCpf cpf\n"},
      {{"VerCpf", "111.444.777-35", "a"}, 2, "VerCpf takes at most 1 argument"},
      {{"Proximo", "PEDIDO"}, 2, "usage: zpk call Proximo NomeTabela Campo [Tamanho] [Flag]\n"},
      // The hosted-mode flag is a session value, never a second argument.
      {{"PastaPadrao", "/dados", "S"}, 2, "PastaPadrao takes at most 1 argument"},
      {{"NomeUsuarioSenha", "admin"}, 2, "NomeUsuarioSenha takes no arguments"},
      {{"MovimentaEstoqueProduto", "ECodigo=TEC-001", "True"}, 2, "takes its 1 argument before the TEstoque"},
      {{"Rotina"}, 2, "unknown routine 'Rotina'"},
      {{"--set", "vNada=S", "VerCpf", "1"}, 2, "'vNada' is not a session variable"},
      {{"--set", "bTraducao=talvez", "VerCpf", "1"}, 2, "bTraducao: 'talvez' is not True or False"},
      {{"Arredondar", "abc", "50"}, 1, "value: 'abc' is not a number"},
      {{"LeftPad", "7", "00", "3"}, 1, "fill: '00' is not one character"},
      {{"HoraSQL", "32/01/2024", "True"}, 1, "Data: '32/01/2024' is not a date"},
      {{"CodigoTipoMovEstoque", "tmeXXX"}, 1, "Tipo: 'tmeXXX' is not one of tmeEMAN, tmeEFNF"},
      {{"QtdeConvertida", "EQuantidade=abc"}, 1, "EQuantidade: 'abc' is not a number"},
      {{"QtdeConvertida", "EOperacao=X"}, 1, "EOperacao: 'X' is not one of opEntrada, opSaida"},
      {{"QtdeConvertida", "EQuantidde=1"}, 1, "TEstoque has no property 'EQuantidde'"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.args.front());
    std::vector<std::string> argv{"call"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const ZpkRun run = run_zpk(argv);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(ZpkCall, SessionValuesComeFromSetAndLastOneCall) {
  TempFolder folder("nuvem");
  std::ofstream(folder.path() / "ti.ini") << "[Caminho]\nPastaPadrao= /srv/nuvem \n";
  set_program_folder(folder.path());
  const ZpkRun hosted = run_zpk({"call", "--set", "vNuvem=S", "PastaPadrao", "/dados"});
  const ZpkRun local = run_zpk({"call", "PastaPadrao", "/dados"});
  set_program_folder({});
  EXPECT_EQ(hosted.status, 0) << hosted.err;
  EXPECT_EQ(hosted.out, "/srv/nuvem\n");
  EXPECT_EQ(local.out, "/dados\n");
  EXPECT_EQ(vNuvem, "");
}

TEST(ZpkCall, PegaPesoBalancaReadsTheScaleNamedAfterEstavel) {
  TempFolder folder("balanca");
  set_user_settings_folder(folder.path());
  UserSettings venda("Venda");
  venda.write_integer("Parametros", "Decimal", 3);
  venda.write_integer("Parametros\\Balanca\\BAL1", "Decimal", 2);
  const struct {
    std::vector<std::string> args;
    std::string out;
  } kCases[] = {
      {{"0012345", "-", "BAL1"}, "123.45\nEstavel=True\n"},
      {{"0012345", "-"}, "12.345\nEstavel=True\n"},
      {{"US0012345", "-", "BAL1"}, "0\nEstavel=False\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.args.front() + " " + (c.args.size() > 2 ? c.args[2] : ""));
    std::vector<std::string> argv{"call", "PegaPesoBalanca"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const ZpkRun run = run_zpk(argv);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
  set_user_settings_folder({});
}

TEST(ZpkCall, AddArquivosFillsItsListAndHonoursRecursivo) {
  TempFolder folder("arquivos");
  fs::create_directories(folder.path() / "sub");
  std::ofstream(folder.path() / "a.txt") << "a";
  std::ofstream(folder.path() / "sub" / "b.txt") << "b";
  const ZpkRun flat = run_zpk({"call", "AddArquivos", folder.path().string(), "-", "False"});
  const ZpkRun deep = run_zpk({"call", "AddArquivos", folder.path().string(), "-", "True"});
  ASSERT_EQ(flat.status, 0) << flat.err;
  ASSERT_EQ(deep.status, 0) << deep.err;
  EXPECT_EQ(flat.out, "Lista=" + folder.path().string() + "\\a.txt\n");
  EXPECT_NE(deep.out.find("Lista=" + folder.path().string() + "\\a.txt\n"), std::string::npos) << deep.out;
  EXPECT_NE(deep.out.find("sub\\b.txt\n"), std::string::npos) << deep.out;
}

}  // namespace
}  // namespace zpk::test
