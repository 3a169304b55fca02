// `zpk nfe` run in-process on a fresh demo database: the demo invoice's XML
// written under its key, valid against the schema, signed and verified with
// a certificate; the key stored so that the next run keeps it; an invoice
// that does not exist, or a certificate without its password, is an error.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_zpk.hpp"
#include "support/database_fixture.hpp"
#include "support/temp_folder.hpp"
#include "support/certificado_a1.hpp"

namespace zpk::test {
namespace {

ZpkRun zpk(const std::vector<std::string>& args) {
  testing::internal::CaptureStdout();
  ZpkRun run = run_zpk(args);
  run.out = testing::internal::GetCapturedStdout() + run.out;
  return run;
}

// The value after "name: " on its line of the output.
std::string line_value(const std::string& out, const std::string& name) {
  const size_t at = out.find(name + ": ");
  if (at == std::string::npos) return "";
  const size_t start = at + name.size() + 2;
  return out.substr(start, out.find('\n', start) - start);
}

TEST(ZpkNFe, WritesChecksAndSignsTheInvoicesXmlAndKeepsItsKey) {
  TempFolder tmp{"nfe-command"};
  const std::string db = fresh_database("nfe-command").string();
  ASSERT_TRUE(certificado_a1(tmp.path(), "TECELAGEM:11222333000181", "segredo"));
  std::ofstream(tmp / "senha.txt") << "segredo\n";

  const ZpkRun run = zpk({"nfe", "9001", "1", "--db", db, "--out", (tmp / "xml").string(), "--cert",
                          (tmp / "a1.pfx").string(), "--cert-password-file", (tmp / "senha.txt").string()});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const std::string chave = line_value(run.out, "chave");
  ASSERT_EQ(chave.size(), 44u) << run.out;
  EXPECT_EQ(line_value(run.out, "xml"), (tmp / "xml" / (chave + "-nfe.xml")).string());
  EXPECT_EQ(line_value(run.out, "items"), "3");
  EXPECT_EQ(line_value(run.out, "schema"), "valid");
  EXPECT_EQ(line_value(run.out, "signature"), "verified");
  EXPECT_TRUE(std::filesystem::is_regular_file(tmp / "xml" / (chave + "-nfe.xml")));

  // Later, unsigned: the stored key is kept.
  const ZpkRun again = zpk({"nfe", "009001", "1", "--db", db, "--out", (tmp / "xml2").string()});
  ASSERT_EQ(again.status, 0) << again.out << again.err;
  EXPECT_EQ(line_value(again.out, "chave"), chave);
  EXPECT_EQ(line_value(again.out, "signature"), "");

  const ZpkRun missing = zpk({"nfe", "9999", "1", "--db", db, "--out", (tmp / "xml3").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("invoice 9999 of series 1 not found"), std::string::npos) << missing.err;
  const ZpkRun no_password =
      zpk({"nfe", "9001", "1", "--db", db, "--out", (tmp / "xml4").string(), "--cert", (tmp / "a1.pfx").string()});
  EXPECT_EQ(no_password.status, 1);
  EXPECT_NE(no_password.err.find("--cert needs --cert-password-file"), std::string::npos) << no_password.err;
}

}  // namespace
}  // namespace zpk::test
