// Stored invoices with the tax authority, against the local authoriser over
// real TLS: authorisation with the protocol kept and the distribution file
// valid; every fault the authoriser can inject ending without a second
// authorisation or a lost protocol; rejection, denial, contingency; events
// and the voiding of never-used numbers.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/invoice_transmission.hpp"
#include "billing/nfe/nfe_error.hpp"
#include "billing/nfe/valida_nfe.hpp"
#include "billing/nota_fiscal.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/demo_invoices.hpp"
#include "support/local_authoriser.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"

namespace zpk::nfe {
namespace {

namespace fs = std::filesystem;
constexpr const char* kCnpj = "11222333000181";  // the demo company's

// A copy of the demo invoice 009001 (series 1) under another number,
// without any NF-e of its own yet.
void copy_demo_invoice(const std::string& fatura) {
  test::copy_demo_invoices(Tabela.IBDatabase, std::stoi(fatura), 1);
  Tabela.IBTransaction.CommitRetaining();
}

std::string stored(const std::string& column, const std::string& fatura) {
  return test::value("SELECT " + column + " FROM " + DBLocal("NOTA") + " WHERE FATURA = ? AND SERIE = '1'",
                     {fatura})
      .AsString();
}

class InvoiceTransmission : public test::DatabaseTest {
 protected:
  static void SetUpTestSuite() {
    test::DatabaseTest::SetUpTestSuite();
    folder_ = new test::TempFolder("nfe-transmission");
    certs_ = new test::AuthoriserCertificates(folder_->path() / "certs", {kCnpj});
    server_ = new test::LocalAuthoriser(*certs_, folder_->path() / "state");
    svc_ = new test::LocalAuthoriser(*certs_, folder_->path() / "state-svc", test::ServerIdentity::trusted,
                                     "AN");
  }
  static void TearDownTestSuite() {
    delete svc_;
    delete server_;
    delete certs_;
    delete folder_;
    test::DatabaseTest::TearDownTestSuite();
  }
  void SetUp() override {
    set_program_folder(folder_->path());
    std::ofstream(folder_->path() / "NFe.ini") << "[NFe]\nFuso=-03:00\n";
    IFinNFe = 1;
    ITpTrasNFe = 1;
    ITpImpNFe = 1;
    ITpEntrega = 1;
    server_->set_faults("[]");
    svc_->set_faults("[]");
  }
  void TearDown() override {
    set_program_folder({});
    test::DatabaseTest::TearDown();
  }

  static WebServiceConfig config(std::chrono::milliseconds answer = std::chrono::seconds(20)) {
    WebServiceConfig c;
    c.base = server_->base_url();
    c.base_contingency = svc_->base_url();
    c.ca_file = certs_->ca();
    c.answer_timeout = answer;
    return c;
  }
  static NFeWebServices station(std::chrono::milliseconds answer = std::chrono::seconds(20)) {
    return NFeWebServices(company_emitter(), A1Certificate{certs_->a1(kCnpj), "1234"}, config(answer));
  }
  TransmitOptions options(bool contingency = false) const {
    return TransmitOptions{out_.path(), contingency, true};
  }
  // The invoice as the authoriser and NOTA must agree on it once authorised.
  void expect_authorised_once(const TransmitResult& r, const std::string& fatura,
                              const test::LocalAuthoriser& authoriser) {
    EXPECT_TRUE(r.authorised) << r.cStat << " " << r.xMotivo;
    EXPECT_EQ(authoriser.authorisations_of(r.key), 1) << authoriser.stats();
    EXPECT_EQ(stored("CHAVE_NFE", fatura), r.key);
    EXPECT_EQ(stored("PROTOCOLO_NFE", fatura), r.nProt);
    EXPECT_EQ(stored("STATUS_NFE", fatura), std::to_string(r.cStat));
    EXPECT_EQ(r.nProt.size(), 15u);
  }

  static test::TempFolder* folder_;
  static test::AuthoriserCertificates* certs_;
  static test::LocalAuthoriser* server_;
  static test::LocalAuthoriser* svc_;
  test::TempFolder out_{"nfe-out"};
  HeadlessDialogs dialogs_;
  ScopedDialogService dialog_guard_{dialogs_};
};

test::TempFolder* InvoiceTransmission::folder_ = nullptr;
test::AuthoriserCertificates* InvoiceTransmission::certs_ = nullptr;
test::LocalAuthoriser* InvoiceTransmission::server_ = nullptr;
test::LocalAuthoriser* InvoiceTransmission::svc_ = nullptr;

TEST_F(InvoiceTransmission, TheDemoInvoiceIsAuthorisedOnceAndItsProtocolKept) {
  NFeWebServices ws = station();
  const TransmitResult r = transmit_invoice(ws, "009001", "1", options());
  expect_authorised_once(r, "009001", *server_);
  EXPECT_EQ(r.cStat, 100);
  EXPECT_EQ(r.submissions, 1);
  ASSERT_FALSE(r.proc_file.empty());
  std::ifstream in(r.proc_file, std::ios::binary);
  const std::string proc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto violations = ValidaXmlEsquema(proc, "procNFe_v4.00.xsd");
  EXPECT_TRUE(violations.empty()) << violations.front().Mensagem;
  EXPECT_NE(proc.find("<nProt>" + r.nProt + "</nProt>"), std::string::npos);

  // Asked again, the stored protocol answers: nothing is sent.
  const TransmitResult again = transmit_invoice(ws, "009001", "1", options());
  EXPECT_TRUE(again.already_authorised);
  EXPECT_EQ(again.submissions, 0);
  EXPECT_EQ(again.nProt, r.nProt);
  EXPECT_EQ(server_->authorisations_of(r.key), 1);
}

// Sent as a lot, the NF-e comes back with a receipt, and its protocol from
// the receipt's query, also while the lot is still being processed.
TEST_F(InvoiceTransmission, ALotIsAuthorisedThroughItsReceipt) {
  copy_demo_invoice("009160");
  server_->set_faults(R"([{"service": "NFeRetAutorizacao4", "fault": "processing"}])");
  NFeWebServices ws = station();
  const TransmitResult r = transmit_invoice(ws, "009160", "1", TransmitOptions{out_.path(), false, false});
  expect_authorised_once(r, "009160", *server_);
  EXPECT_EQ(r.nRec.size(), 15u) << r.nRec;
  EXPECT_EQ(stored("RECIBO_NFE", "009160"), r.nRec);
  EXPECT_FALSE(r.proc_file.empty());
}

// Whatever happens to the request or its answer, the invoice ends authorised
// exactly once with its protocol stored, and the station says so.
TEST_F(InvoiceTransmission, FaultsNeverLeadToASecondAuthorisationOrALostProtocol) {
  const struct {
    const char* fatura;
    const char* faults;
    int answer_ms;
    bool recovered;
    int submissions;
  } kCases[] = {
      // Authorised, but the answer comes after the station stopped waiting.
      {"009101", R"([{"service": "NFeAutorizacao4", "fault": "delay", "seconds": 3}])", 1000, true, 1},
      // Authorised, and the connection closed without an answer.
      {"009102", R"([{"service": "NFeAutorizacao4", "fault": "close", "times": 2}])", 20000, true, 1},
      // Refused by the server's failure, received and dropped, or never read.
      {"009103", R"([{"service": "NFeAutorizacao4", "fault": "http500"}])", 20000, false, 2},
      {"009104", R"([{"service": "NFeAutorizacao4", "fault": "silent", "seconds": 4}])", 1000, false, 2},
      {"009105", R"([{"service": "NFeAutorizacao4", "fault": "close_before", "times": 2}])", 20000, false, 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.faults);
    copy_demo_invoice(c.fatura);
    server_->set_faults(c.faults);
    NFeWebServices ws = station(std::chrono::milliseconds(c.answer_ms));
    TransmitResult r;
    try {
      r = transmit_invoice(ws, c.fatura, "1", options());
    } catch (const ENFeError& e) {
      // A fault may end the call; sent again, the invoice still ends authorised once.
      EXPECT_EQ(e.kind(), NFeErrorKind::transport) << e.what();
      server_->set_faults("[]");
      r = transmit_invoice(ws, c.fatura, "1", options());
    }
    expect_authorised_once(r, c.fatura, *server_);
    // Where the authoriser acted before the fault, its protocol was asked
    // for; where it did not, the same NF-e went again.
    EXPECT_EQ(r.recovered, c.recovered);
    EXPECT_EQ(r.submissions, c.submissions);
  }
}

// An answer that is not XML, or not what the schema allows, is reported as
// such and marks nothing; sent again, the invoice is authorised once.
TEST_F(InvoiceTransmission, AnAnswerThatIsNotValidMarksNothing) {
  const struct {
    const char* fatura;
    const char* faults;
  } kCases[] = {
      {"009106", R"([{"service": "NFeAutorizacao4", "fault": "not_xml"}])"},
      {"009107", R"([{"service": "NFeAutorizacao4", "fault": "invalid"}])"},
  };
  NFeWebServices ws = station();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.faults);
    copy_demo_invoice(c.fatura);
    server_->set_faults(c.faults);
    try {
      transmit_invoice(ws, c.fatura, "1", options());
      ADD_FAILURE() << "authorised";
    } catch (const ENFeError& e) {
      EXPECT_EQ(e.kind(), NFeErrorKind::answer) << e.what();
    }
    EXPECT_EQ(stored("PROTOCOLO_NFE", c.fatura), "");
    EXPECT_EQ(stored("STATUS_NFE", c.fatura), "");
    expect_authorised_once(transmit_invoice(ws, c.fatura, "1", options()), c.fatura, *server_);
  }
}

// A station that died after sending (its answer lost with it) sends the same
// key again: the authoriser's duplicate answer leads to the protocol it holds.
TEST_F(InvoiceTransmission, DuplicateAnswersRecoverTheProtocolTheAuthoriserHolds) {
  copy_demo_invoice("009110");
  NFeWebServices ws = station();
  const TransmitResult first = transmit_invoice(ws, "009110", "1", options());
  ASSERT_TRUE(first.authorised);
  // 204: the same key, its answer never stored.
  test::exec("UPDATE " + DBLocal("NOTA") +
             " SET STATUS_NFE = NULL, PROTOCOLO_NFE = NULL WHERE FATURA = '009110'");
  Tabela.IBTransaction.CommitRetaining();
  const TransmitResult again = transmit_invoice(ws, "009110", "1", options());
  EXPECT_TRUE(again.recovered);
  EXPECT_EQ(again.nProt, first.nProt);
  expect_authorised_once(again, "009110", *server_);

  // 539: the number authorised under another key (the stored key lost too):
  // the authoriser's key and protocol are what the invoice keeps.
  test::exec("UPDATE " + DBLocal("NOTA") +
             " SET STATUS_NFE = NULL, PROTOCOLO_NFE = NULL, CHAVE_NFE = NULL WHERE FATURA = '009110'");
  Tabela.IBTransaction.CommitRetaining();
  const TransmitResult other = transmit_invoice(ws, "009110", "1", options());
  EXPECT_TRUE(other.recovered);
  EXPECT_EQ(other.key, first.key);
  EXPECT_EQ(other.nProt, first.nProt);
  expect_authorised_once(other, "009110", *server_);
}

TEST_F(InvoiceTransmission, ARejectionIsStoredAndTheInvoiceCanBeSentAgain) {
  copy_demo_invoice("009120");
  server_->set_faults(
      R"([{"service": "NFeAutorizacao4", "fault": "reject", "cstat": 778, "xmotivo": "Rejeição: Informado NCM inexistente"}])");
  NFeWebServices ws = station();
  try {
    transmit_invoice(ws, "009120", "1", options());
    ADD_FAILURE() << "authorised";
  } catch (const ENFeError& e) {
    EXPECT_EQ(e.kind(), NFeErrorKind::refused);
    EXPECT_EQ(e.cstat(), 778);
    EXPECT_NE(std::string(e.what()).find("778 - Rejeição: Informado NCM inexistente"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(stored("STATUS_NFE", "009120"), "778");
  EXPECT_EQ(stored("PROTOCOLO_NFE", "009120"), "");
  const std::string key = stored("CHAVE_NFE", "009120");
  const TransmitResult r = transmit_invoice(ws, "009120", "1", options());
  EXPECT_EQ(r.key, key);
  expect_authorised_once(r, "009120", *server_);
}

TEST_F(InvoiceTransmission, ADenialSpendsTheNumber) {
  copy_demo_invoice("009130");
  server_->set_faults(R"([{"service": "NFeAutorizacao4", "fault": "deny", "cstat": 302}])");
  NFeWebServices ws = station();
  const TransmitResult r = transmit_invoice(ws, "009130", "1", options());
  EXPECT_TRUE(r.denied);
  EXPECT_FALSE(r.authorised);
  EXPECT_EQ(stored("STATUS_NFE", "009130"), "302");
  EXPECT_FALSE(stored("PROTOCOLO_NFE", "009130").empty());
  // Asked again, the denial stands and nothing is sent.
  const TransmitResult again = transmit_invoice(ws, "009130", "1", options());
  EXPECT_TRUE(again.denied);
  EXPECT_EQ(again.submissions, 0);
  // The number is never handed out again.
  for (int i = 0; i < 3; ++i) EXPECT_NE(ReservaNotaFiscal("1"), "009130");
}

TEST_F(InvoiceTransmission, AnAuthoriserOutOfServiceLeadsToContingency) {
  copy_demo_invoice("009140");
  server_->set_faults(R"([{"service": "NFeAutorizacao4", "fault": "status", "cstat": 108}])");
  NFeWebServices ws = station();
  // Without leave to switch, the station says why and nothing is authorised.
  try {
    transmit_invoice(ws, "009140", "1", options(false));
    ADD_FAILURE() << "authorised";
  } catch (const ENFeError& e) {
    EXPECT_EQ(e.cstat(), 108) << e.what();
  }
  EXPECT_EQ(stored("PROTOCOLO_NFE", "009140"), "");
  server_->set_faults(R"([{"service": "NFeAutorizacao4", "fault": "status", "cstat": 108}])");
  const TransmitResult r = transmit_invoice(ws, "009140", "1", options(true));
  EXPECT_TRUE(r.contingency);
  EXPECT_EQ(r.key[34], '6') << r.key;  // SP issues in contingency through SVC-AN
  expect_authorised_once(r, "009140", *svc_);
  ASSERT_FALSE(r.proc_file.empty());
  std::ifstream in(r.proc_file, std::ios::binary);
  const std::string proc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(ValidaXmlEsquema(proc, "procNFe_v4.00.xsd").empty());
  EXPECT_NE(proc.find("<tpEmis>6</tpEmis>"), std::string::npos);
  EXPECT_NE(proc.find("<xJust>"), std::string::npos);
  EXPECT_NE(proc.find("<dhCont>"), std::string::npos);
}

TEST_F(InvoiceTransmission, CancellationAndCorrectionLettersAreRegisteredAndStored) {
  copy_demo_invoice("009150");
  NFeWebServices ws = station();
  // Not authorised yet: nothing to cancel.
  EXPECT_THROW(cancel_invoice(ws, "009150", "1", "Pedido cancelado pelo cliente", out_.path()), ENFeError);
  ASSERT_TRUE(transmit_invoice(ws, "009150", "1", options()).authorised);
  try {
    cancel_invoice(ws, "009150", "1", "curta demais..", out_.path());  // 14 characters
    ADD_FAILURE() << "a 14-character justification passed";
  } catch (const ENFeError& e) {
    EXPECT_EQ(e.kind(), NFeErrorKind::invalid_input);
    EXPECT_NE(std::string(e.what()).find("tem 14"), std::string::npos) << e.what();
  }
  for (int seq = 1; seq <= 2; ++seq) {
    const RegisteredEvent cce =
        correct_invoice(ws, "009150", "1", "Endereco de entrega: Rua B, 10", out_.path());
    EXPECT_EQ(cce.cStat, 135) << cce.xMotivo;
    EXPECT_EQ(cce.sequence, seq);
    EXPECT_TRUE(ValidaXmlEsquema(test::read_file(cce.proc_file), "procCCeNFe_v1.00.xsd").empty());
  }
  const RegisteredEvent canc =
      cancel_invoice(ws, "009150", "1", "Pedido cancelado pelo cliente", out_.path());
  EXPECT_EQ(canc.cStat, 135) << canc.xMotivo;
  EXPECT_TRUE(ValidaXmlEsquema(test::read_file(canc.proc_file), "procEventoCancNFe_v1.00.xsd").empty());
  EXPECT_EQ(stored("CANCELADA_NFE", "009150"), "S");
  EXPECT_EQ(test::value("SELECT COUNT(*) FROM " + DBLocal("NFE_EVENTO") + " WHERE CHAVE = ?",
                        {stored("CHAVE_NFE", "009150")})
                .AsInteger(),
            3);
  // A cancelled invoice takes no further event.
  EXPECT_THROW(cancel_invoice(ws, "009150", "1", "Pedido cancelado pelo cliente", out_.path()), ENFeError);
  EXPECT_THROW(correct_invoice(ws, "009150", "1", "Endereco de entrega: Rua C, 20", out_.path()), ENFeError);
}

// An event registered whose answer never came back: the authoriser's record
// of it (from the key's situation) is stored, and the event not sent twice.
TEST_F(InvoiceTransmission, ALostEventAnswerIsRecoveredFromTheSituation) {
  copy_demo_invoice("009170");
  NFeWebServices ws = station(std::chrono::seconds(1));
  ASSERT_TRUE(transmit_invoice(ws, "009170", "1", options()).authorised);
  const struct {
    const char* faults;
    const char* tpEvento;
  } kCases[] = {
      {R"([{"service": "NFeRecepcaoEvento4", "fault": "delay", "seconds": 3}])", "110110"},
      {R"([{"service": "NFeRecepcaoEvento4", "fault": "close", "times": 2}])", "110111"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.faults);
    server_->set_faults(c.faults);
    const RegisteredEvent e =
        std::string(c.tpEvento) == "110111"
            ? cancel_invoice(ws, "009170", "1", "Pedido cancelado pelo cliente", out_.path())
            : correct_invoice(ws, "009170", "1", "Endereco de entrega: Rua B, 10", out_.path());
    EXPECT_EQ(e.cStat, 135) << e.xMotivo;
    EXPECT_EQ(e.nProt.size(), 15u);
    EXPECT_TRUE(ValidaXmlEsquema(test::read_file(e.proc_file), "procEventoNFe_v1.00.xsd").empty());
  }
  EXPECT_EQ(stored("CANCELADA_NFE", "009170"), "S");
}

TEST_F(InvoiceTransmission, NeverUsedNumbersAreVoidedAndNeverOfferedAgain) {
  test::exec("DELETE FROM " + DBLocal("NOTA_NUMERO") + " WHERE SERIE = '7'");
  Tabela.IBTransaction.CommitRetaining();
  const std::string a = ReservaNotaFiscal("7"), b = ReservaNotaFiscal("7"), c = ReservaNotaFiscal("7");
  ASSERT_EQ(c, "000003");
  NFeWebServices ws = station();
  const RegisteredEvent v =
      void_invoice_numbers(ws, "7", 1, 3, "Numeros pulados por falha do sistema", out_.path());
  EXPECT_EQ(v.cStat, 102) << v.xMotivo;
  EXPECT_EQ(v.nProt.size(), 15u);
  EXPECT_TRUE(ValidaXmlEsquema(test::read_file(v.proc_file), "procInutNFe_v4.00.xsd").empty());
  EXPECT_EQ(ReservaNotaFiscal("7"), "000004");
  // Voided again, or overlapping: refused before anything is sent.
  EXPECT_THROW(void_invoice_numbers(ws, "7", 3, 4, "Numeros pulados por falha do sistema", out_.path()),
               ENFeError);
  // An invoice's number is not to be voided.
  try {
    void_invoice_numbers(ws, "1", 9000, 9002, "Numeros pulados por falha do sistema", out_.path());
    ADD_FAILURE() << "an invoice's number was voided";
  } catch (const ENFeError& e) {
    EXPECT_NE(std::string(e.what()).find("9001"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace zpk::nfe
