// The NF-e commands with the tax authority, run in-process against the local
// authoriser over real TLS: `zpk nfe --transmitir` authorises the demo
// invoice (the procNFe valid, NOTA holding key, protocol and status),
// `nfe-evento cce` and `cancelar` register and store their events, and
// `nfe-inutilizar` voids never-used numbers; every refusal (a bad
// justification, a certificate that is expired, of another CNPJ or under
// another password, a server no trusted authority vouches for, a rejection
// of the authoriser) is one line on stderr carrying its reason, with a
// non-zero exit.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/nfe/valida_nfe.hpp"
#include "platform/db/database.hpp"
#include "run_zpk.hpp"
#include "support/database_fixture.hpp"
#include "support/local_authoriser.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"

namespace zpk::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCnpj = "11222333000181";       // the demo company's
constexpr const char* kOtherCnpj = "99888777000166";  // a certificate of someone else

// Runs zpk and keeps stdout (the commands write to std::cout) with the run.
ZpkRun zpk(const std::vector<std::string>& args) {
  testing::internal::CaptureStdout();
  ZpkRun run = run_zpk(args);
  run.out = testing::internal::GetCapturedStdout() + run.out;
  return run;
}

// The value after "name: " at the start of a line of the output.
std::string line_value(const std::string& out, const std::string& name) {
  const std::string mark = name + ": ";
  size_t at = out.rfind(mark, 0) == 0 ? 0 : out.find("\n" + mark);
  if (at == std::string::npos) return "";
  at += out[at] == '\n' ? mark.size() + 1 : mark.size();
  return out.substr(at, out.find('\n', at) - at);
}

// The schema violations of a file, as text ("" when it is valid).
std::string violations(const fs::path& file, const std::string& schema) {
  std::string text;
  for (const auto& v : nfe::ValidaXmlEsquema(read_file(file), schema))
    text += v.Campo + " (line " + std::to_string(v.Linha) + "): " + v.Mensagem + "\n";
  return text;
}

class ZpkNFeWebServices : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder("nfe-ws-commands");
    certs_ = new AuthoriserCertificates(folder_->path() / "certs", {kCnpj, kOtherCnpj}, kCnpj);
    server_ = new LocalAuthoriser(*certs_, folder_->path() / "state");
    write_file(folder_->path() / "senha", "1234\n");
    write_file(folder_->path() / "senha-errada", "4321\n");
  }
  static void TearDownTestSuite() {
    delete server_;
    delete certs_;
    delete folder_;
  }
  void SetUp() override {
    server_->set_faults("[]");
    database_ = fresh_database("nfe-ws-commands");
    check_.SetDatabaseName(database_.string());
  }
  void TearDown() override {
    if (check_.Connected()) check_.Close();
    remove_database(database_);
  }

  // The command with the database, the output folder, the company's
  // certificate (or `cert`, its password from `password_file`) and the
  // authoriser (its server vouched for by `ca`).
  std::vector<std::string> command(std::vector<std::string> args, std::string cert = "",
                                   std::string password_file = "", std::string ca = "") const {
    if (cert.empty()) cert = certs_->a1(kCnpj).string();
    if (password_file.empty()) password_file = (*folder_ / "senha").string();
    if (ca.empty()) ca = certs_->ca().string();
    args.insert(args.end(),
                {"--db", database_.string(), "--out", (out_ / "out").string(), "--cert", cert,
                 "--cert-password-file", password_file, "--ws-base", server_->base_url(), "--ws-ca", ca});
    return args;
  }
  // What NOTA holds for the demo invoice, read afresh.
  std::string nota(const std::string& column) {
    if (check_.Connected()) check_.Close();
    check_.Open();
    return text("SELECT " + column + " FROM NOTA_001 WHERE FATURA = '009001' AND SERIE = '1'", {}, check_);
  }

  static TempFolder* folder_;
  static AuthoriserCertificates* certs_;
  static LocalAuthoriser* server_;
  TempFolder out_{"nfe-ws-out"};
  fs::path database_;
  TTIDatabase check_;
};

TempFolder* ZpkNFeWebServices::folder_ = nullptr;
AuthoriserCertificates* ZpkNFeWebServices::certs_ = nullptr;
LocalAuthoriser* ZpkNFeWebServices::server_ = nullptr;

// `zpk nfe --tipo-emissao 6` makes the contingency NF-e and stores its key
// (another issue type, another key) until the NF-e is answered for; a
// document that fails the schema is written under the "-invalida" name, and
// the valid-looking file of the earlier run is gone.
TEST_F(ZpkNFeWebServices, AContingencyNFeStoresItsKeyAndAnInvalidOneIsNotLeftAsValid) {
  const fs::path out = out_ / "out";
  const ZpkRun normal = zpk(command({"nfe", "009001", "1"}));
  ASSERT_EQ(normal.status, 0) << normal.out << normal.err;
  const std::string key = line_value(normal.out, "chave");
  ASSERT_EQ(key.size(), 44u) << normal.out;
  EXPECT_EQ(nota("CHAVE_NFE"), key);

  const ZpkRun svc = zpk(command({"nfe", "009001", "1", "--tipo-emissao", "6"}));
  ASSERT_EQ(svc.status, 0) << svc.out << svc.err;
  const std::string contingency = line_value(svc.out, "chave");
  ASSERT_EQ(contingency.size(), 44u) << svc.out;
  EXPECT_EQ(contingency.substr(34, 1), "6");
  EXPECT_EQ(nota("CHAVE_NFE"), contingency);
  EXPECT_TRUE(fs::exists(out / (contingency + "-nfe.xml")));

  // The nature's description is the operation (natOp), which the schema requires.
  exec(
      "UPDATE NATUREZA_001 SET DESCRICAO = '' WHERE NATUREZA = "
      "(SELECT NATUREZA FROM NOTA_001 WHERE FATURA = '009001' AND SERIE = '1')",
      {}, check_);
  check_.DefaultTransaction().Commit();
  const ZpkRun invalid = zpk(command({"nfe", "009001", "1", "--tipo-emissao", "6"}));
  EXPECT_NE(invalid.status, 0) << invalid.out << invalid.err;
  EXPECT_EQ(line_value(invalid.out, "xml"), (out / (contingency + "-nfe-invalida.xml")).string());
  EXPECT_TRUE(fs::exists(out / (contingency + "-nfe-invalida.xml")));
  EXPECT_FALSE(fs::exists(out / (contingency + "-nfe.xml")));

  // Authorised, its key stays whatever issue type is asked for.
  exec("UPDATE NOTA_001 SET STATUS_NFE = 100 WHERE FATURA = '009001' AND SERIE = '1'", {}, check_);
  check_.DefaultTransaction().Commit();
  const ZpkRun refused = zpk(command({"nfe", "009001", "1"}));
  EXPECT_NE(refused.status, 0) << refused.out << refused.err;
  EXPECT_NE(refused.err.find("invoice 009001 of series 1"), std::string::npos) << refused.err;
  EXPECT_EQ(nota("CHAVE_NFE"), contingency);
}

TEST_F(ZpkNFeWebServices, TheDemoInvoiceIsAuthorisedCorrectedCancelledAndUnusedNumbersVoided) {
  const ZpkRun sent = zpk(command({"nfe", "009001", "1", "--transmitir"}));
  ASSERT_EQ(sent.status, 0) << sent.out << sent.err;
  const std::string chave = line_value(sent.out, "chave");
  const std::string protocolo = line_value(sent.out, "protocolo");
  EXPECT_EQ(line_value(sent.out, "status"), "107 Serviço em Operação");
  EXPECT_EQ(line_value(sent.out, "cStat"), "100 Autorizado o uso da NF-e");
  EXPECT_EQ(protocolo.size(), 15u) << sent.out;
  const fs::path proc = line_value(sent.out, "procNFe");
  EXPECT_EQ(proc, out_ / "out" / (chave + "-procNFe.xml"));
  EXPECT_EQ(violations(proc, "procNFe_v4.00.xsd"), "");
  EXPECT_NE(read_file(proc).find("<nProt>" + protocolo + "</nProt>"), std::string::npos);
  EXPECT_EQ(nota("CHAVE_NFE"), chave);
  EXPECT_EQ(nota("PROTOCOLO_NFE"), protocolo);
  EXPECT_EQ(nota("STATUS_NFE"), "100");

  // Sent again, nothing is sent: the stored protocol is the answer.
  const ZpkRun again = zpk(command({"nfe", "009001", "1", "--transmitir"}));
  ASSERT_EQ(again.status, 0) << again.out << again.err;
  EXPECT_EQ(line_value(again.out, "protocolo"), protocolo);
  EXPECT_NE(again.out.find("already authorised: nothing was sent"), std::string::npos) << again.out;
  EXPECT_EQ(server_->authorisations_of(chave), 1) << server_->stats();

  // The events in the order a clerk would register them, and a voiding.
  const struct {
    std::vector<std::string> args;
    const char* cstat;
    const char* schema;   // of the distribution file
    const char* row_sql;  // the row that keeps the event: its protocol
  } kEvents[] = {
      {{"nfe-evento", "cce", "009001", "1", "--correcao", "Peso bruto correto: 12,5 kg por volume"},
       "135 Evento registrado e vinculado a NF-e",
       "procCCeNFe_v1.00.xsd",
       "SELECT PROTOCOLO FROM NFE_EVENTO_001 WHERE TP_EVENTO = '110110' AND SEQ = 1"},
      {{"nfe-evento", "cancelar", "009001", "1", "--justificativa", "Pedido cancelado pelo cliente"},
       "135 Evento registrado e vinculado a NF-e",
       "procEventoCancNFe_v1.00.xsd",
       "SELECT PROTOCOLO FROM NFE_EVENTO_001 WHERE TP_EVENTO = '110111' AND SEQ = 1"},
      {{"nfe-inutilizar", "1", "9100", "9105", "--justificativa", "Numeros pulados por falha do sistema"},
       "102 Inutilização de número homologado",
       "procInutNFe_v4.00.xsd",
       "SELECT PROTOCOLO FROM NFE_INUTILIZACAO_001 WHERE SERIE = '1' AND NUMERO_INI = 9100 AND NUMERO_FIM = "
       "9105"},
  };
  for (const auto& e : kEvents) {
    SCOPED_TRACE(e.args[0] + " " + e.args[1]);
    const ZpkRun run = zpk(command(e.args));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(line_value(run.out, "cStat"), e.cstat);
    const fs::path file = line_value(run.out, "arquivo");
    EXPECT_EQ(violations(file, e.schema), "");
    const std::string event_protocol = line_value(run.out, "protocolo");
    EXPECT_EQ(event_protocol.size(), 15u);
    EXPECT_EQ(nota("CHAVE_NFE"), chave);  // (reconnects: a fresh view)
    EXPECT_EQ(text(e.row_sql, {}, check_), event_protocol);
  }
  EXPECT_EQ(nota("CANCELADA_NFE"), "S");
}

TEST_F(ZpkNFeWebServices, EveryRefusalIsOneLineOnStderrWithItsReasonAndANonZeroExit) {
  const fs::path& certs = certs_->folder();
  const std::string expired = certs_->expired_a1(kCnpj).string();
  const std::string other = certs_->a1(kOtherCnpj).string();
  const std::string wrong_password = (*folder_ / "senha-errada").string();
  const std::string other_ca = (certs / "other-ca.pem").string();
  const struct {
    const char* label;
    std::vector<std::string> args;
    std::string cert, password_file, ca;  // empty: the company's, its password, the authoriser's CA
    const char* faults;                   // the authoriser's fault rules, "" for none
    const char* reason;                   // what the line must say
  } kCases[] = {
      {"a justification of 14 characters",
       {"nfe-inutilizar", "1", "9200", "9201", "--justificativa", "14 caracteres!"},
       "",
       "",
       "",
       "",
       "15 a 255 caracteres (tem 14)"},
      {"an expired certificate", {"nfe-status"}, certs_->expired_a1(kCnpj).string(), "", "", "", "venceu"},
      {"another CNPJ's certificate",
       {"nfe-status"},
       certs_->a1(kOtherCnpj).string(),
       "",
       "",
       "",
       "é do CNPJ 99888777000166, não do emitente 11222333000181"},
      {"the wrong password",
       {"nfe-status"},
       "",
       (*folder_ / "senha-errada").string(),
       "",
       "",
       "senha errada"},
      {"a server certificate of an authority not trusted",
       {"nfe-status"},
       "",
       "",
       (certs_->folder() / "other-ca.pem").string(),
       "",
       "não é confiável"},
      {"a cancellation of an invoice never authorised",
       {"nfe-evento", "cancelar", "009001", "1", "--justificativa", "Pedido cancelado pelo cliente"},
       "",
       "",
       "",
       "",
       "A NF-e da nota 009001 série 1 não está autorizada"},
      {"a rejection by the authoriser",
       {"nfe", "009001", "1", "--transmitir"},
       "",
       "",
       "",
       R"([{"service": "NFeAutorizacao4", "fault": "reject", "cstat": 778,
           "xmotivo": "Rejeicao: Informado NCM inexistente"}])",
       "778 - Rejeicao: Informado NCM inexistente"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    server_->set_faults(*c.faults ? c.faults : "[]");
    const ZpkRun run = zpk(command(c.args, c.cert, c.password_file, c.ca));
    EXPECT_NE(run.status, 0) << run.out;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
  }
  // The rejected invoice was not authorised; corrected, it could be sent again.
  EXPECT_EQ(nota("STATUS_NFE"), "778");
  EXPECT_EQ(nota("PROTOCOLO_NFE"), "");
}

}  // namespace
}  // namespace zpk::test
