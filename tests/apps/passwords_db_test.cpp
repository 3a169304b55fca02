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
#include "support/engine_sql.hpp"
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

// The server's password from a file, with the engine's password variable
// (ISC_PASSWORD, PGPASSWORD) out of the way.
class ZpkPasswordFile : public ServerTest {};

TEST_F(ZpkPasswordFile, TheServerPasswordComesFromTheFile) {
  const DatabaseCredentials login = server_credentials();
  const std::string& password = login.password;
  ASSERT_FALSE(password.empty()) << "the test server's login comes from " << password_variable();
  ScopedEnv no_password(password_variable(), nullptr);
  TempFolder folder("password-file");
  const fs::path good = folder.path() / "good";
  const fs::path wrong = folder.path() / "wrong";
  const fs::path empty = folder.path() / "empty";
  write_file(good, password + "\n");
  write_file(wrong, password + "x\n");
  write_file(empty, "\n");
  const auto call = [&](std::vector<std::string> how) {
    std::vector<std::string> args = {"call", "--db", database().location(), "--user", login.user};
    args.insert(args.end(), how.begin(), how.end());
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
// file, with the engine's password variable out of the way.
TEST_F(ZpkPasswordFile, DbCreateAndSeedTakeThePasswordFile) {
  const DatabaseCredentials login = server_credentials();
  ScopedEnv no_password(password_variable(), nullptr);
  TempFolder folder("password-file-db");
  const fs::path good = folder.path() / "good";
  const fs::path wrong = folder.path() / "wrong";
  write_file(good, login.password + "\n");
  write_file(wrong, login.password + "x\n");
  const NewServerDatabase created("created");
  const std::string& location = created.location();

  for (const char* step : {"create", "seed"}) {
    SCOPED_TRACE(step);
    const ZpkRun refused =
        run_zpk({"db", step, location, "--user", login.user, "--password-file", wrong.string()});
    EXPECT_NE(refused.status, 0);
    const ZpkRun run =
        run_zpk({"db", step, location, "--user", login.user, "--password-file", good.string()});
    EXPECT_EQ(run.status, 0) << run.err;
  }
  EXPECT_TRUE(created.exists());
}

}  // namespace
}  // namespace zpk::test
