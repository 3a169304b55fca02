// Passwords kept off the command line, where ps shows them: the server's from
// --password-file (or ISC_PASSWORD), and those a routine or the session
// takes given as "-" and read from standard input.
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "run_zpk.hpp"
#include "support/database_fixture.hpp"
#include "support/multi_station.hpp"
#include "support/scoped.hpp"
#include "support/temp_folder.hpp"

namespace zpk::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class ZpkPasswordsFromStdin : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { database_ = new fs::path(fresh_database("zpk-passwords")); }
  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove(*database_, ec);
    delete database_;
    database_ = nullptr;
  }
  static std::vector<std::string> call(std::vector<std::string> args) {
    args.insert(args.begin(), {"call", "--db", database_->string()});
    return args;
  }

 private:
  static fs::path* database_;
};

fs::path* ZpkPasswordsFromStdin::database_ = nullptr;

TEST_F(ZpkPasswordsFromStdin, DashReadsThePasswordFromStandardInput) {
  const struct {
    std::vector<std::string> args;
    std::string input;
    std::string out;
  } kCases[] = {
      {call({"--set", "vSenha=-", "NomeUsuarioSenha"}), "vendas\n", "VENDEDOR\n"},
      // A line end written on Windows is not part of the password.
      {call({"--set", "vSenha=-", "NomeUsuarioSenha"}), "vendas\r\n", "VENDEDOR\n"},
      {call({"ValidaSenha", "1", "-"}), "admin\n", "True\nvSupervisor=ADMIN\n"},
      {call({"ValidaSenha", "1", "-"}), "wrong\n", "False\nvSupervisor=\n"},
      // The session's password is read first, then the routine's.
      {call({"--set", "vSenha=-", "ValidaSenha", "1", "-"}), "vendas\nadmin\n", "True\nvSupervisor=ADMIN\n"},
      // The same derivation as when the text is an argument.
      {{"call", "Gera_FB_PASS", "-"}, "segredo", run_zpk({"call", "Gera_FB_PASS", "segredo"}).out},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.args.back() + " <<< " + c.input);
    const ZpkRun run = run_zpk(c.args, c.input);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
  }
}

TEST_F(ZpkPasswordsFromStdin, MissingInputIsRefusedBeforeTheRoutineRuns) {
  for (const auto& args :
       {call({"--set", "vSenha=-", "NomeUsuarioSenha"}), call({"ValidaSenha", "1", "-"})}) {
    SCOPED_TRACE(args.back());
    const ZpkRun run = run_zpk(args, "");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr("read from standard input, which has no line for it"));
  }
}

// The server's password from a file, with ISC_PASSWORD out of the way.
class ZpkPasswordFile : public ServerTest {};

TEST_F(ZpkPasswordFile, TheServerPasswordComesFromTheFile) {
  const std::string password = database().credentials().password;
  ASSERT_FALSE(password.empty()) << "the test server's login comes from ISC_PASSWORD";
  ScopedEnv no_password("ISC_PASSWORD", nullptr);
  TempFolder folder("password-file");
  const fs::path good = folder.path() / "good";
  const fs::path wrong = folder.path() / "wrong";
  const fs::path empty = folder.path() / "empty";
  write_file(good, password + "\n");
  write_file(wrong, password + "x\n");
  write_file(empty, "\n");
  const auto call = [&](std::vector<std::string> login) {
    std::vector<std::string> args = {"call", "--db", database().location(), "--user",
                                     database().credentials().user};
    args.insert(args.end(), login.begin(), login.end());
    args.insert(args.end(), {"DBLocal", "pedido"});
    return run_zpk(args);
  };

  const ZpkRun ok = call({"--password-file", good.string()});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(ok.out, "pedido_001\n");

  const struct {
    std::vector<std::string> login;
    std::string error;
  } kRefused[] = {
      {{"--password-file", wrong.string()}, "password"},
      {{"--password-file", empty.string()}, "its first line is empty"},
      {{"--password-file", (folder.path() / "none").string()}, "cannot be read"},
      {{"--password-file", good.string(), "--password", password}, "--password"},
  };
  for (const auto& c : kRefused) {
    SCOPED_TRACE(c.login.front() + " " + c.login.back());
    const ZpkRun run = call(c.login);
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr(c.error));
  }
}

// `zpk db create` and `seed` log in to a server the same way: the password
// file, with ISC_PASSWORD out of the way.
TEST_F(ZpkPasswordFile, DbCreateAndSeedTakeThePasswordFile) {
  const ServerLocation server = server_location();
  ScopedEnv no_password("ISC_PASSWORD", nullptr);
  TempFolder folder("password-file-db");
  const fs::path good = folder.path() / "good";
  const fs::path wrong = folder.path() / "wrong";
  write_file(good, server.credentials.password + "\n");
  write_file(wrong, server.credentials.password + "x\n");
  const fs::path file = server.data_dir / ("created-" + std::to_string(::getpid()) + ".fdb");
  const std::string location = server.prefix + ":" + file.string();
  struct Remove {
    fs::path file;
    ~Remove() {
      std::error_code ignored;
      fs::remove(file, ignored);
    }
  } remove{file};

  for (const char* step : {"create", "seed"}) {
    SCOPED_TRACE(step);
    const ZpkRun refused =
        run_zpk({"db", step, location, "--user", server.credentials.user, "--password-file", wrong.string()});
    EXPECT_NE(refused.status, 0);
    const ZpkRun run =
        run_zpk({"db", step, location, "--user", server.credentials.user, "--password-file", good.string()});
    EXPECT_EQ(run.status, 0) << run.err;
  }
  EXPECT_TRUE(fs::exists(file));
}

}  // namespace
}  // namespace zpk::test
