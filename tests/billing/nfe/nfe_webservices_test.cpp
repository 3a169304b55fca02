// The station's session with an authoriser over real TLS on loopback, against
// the project's local authoriser: mutual TLS with the A1 certificate, one
// connection for many requests, and every way the certificate, the server or
// the answer can be wrong ending in a clear error of the right kind.
#include <gtest/gtest.h>

#include "billing/nfe/chave_nfe.hpp"
#include "billing/nfe/nfe_error.hpp"
#include "billing/nfe/nfe_webservices.hpp"
#include "support/local_authoriser.hpp"
#include "support/temp_folder.hpp"

namespace zpk::nfe {
namespace {

constexpr const char* kCnpj = "11222333000181";
constexpr const char* kOtherCnpj = "99888777000166";

class NFeWebServicesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new test::TempFolder("nfe-ws");
    certs_ = new test::AuthoriserCertificates(folder_->path() / "certs", {kCnpj, kOtherCnpj}, kCnpj);
    server_ = new test::LocalAuthoriser(*certs_, folder_->path() / "state");
  }
  static void TearDownTestSuite() {
    delete server_;
    delete certs_;
    delete folder_;
  }
  void SetUp() override { server_->set_faults("[]"); }

  static WebServiceConfig config(const std::string& base) {
    WebServiceConfig c;
    c.base = base;
    c.ca_file = certs_->ca();
    c.connect_timeout = std::chrono::seconds(10);
    c.answer_timeout = std::chrono::seconds(20);
    return c;
  }
  static NFeWebServices station(const std::string& cnpj = kCnpj) {
    return NFeWebServices(Emitter{"2", "SP", cnpj}, A1Certificate{certs_->a1(cnpj), "1234"},
                          config(server_->base_url()));
  }

  static test::TempFolder* folder_;
  static test::AuthoriserCertificates* certs_;
  static test::LocalAuthoriser* server_;
};

test::TempFolder* NFeWebServicesTest::folder_ = nullptr;
test::AuthoriserCertificates* NFeWebServicesTest::certs_ = nullptr;
test::LocalAuthoriser* NFeWebServicesTest::server_ = nullptr;

TEST_F(NFeWebServicesTest, StatusOverMutualTlsOnOneKeptConnection) {
  NFeWebServices ws = station();
  for (int i = 0; i < 3; ++i) {
    const StatusAnswer s = ws.status();
    EXPECT_EQ(s.cStat, 107) << s.xMotivo;
    EXPECT_FALSE(s.dhRecbto.empty());
  }
  EXPECT_EQ(ws.connections_made(), 1);
  // An unknown key is answered as such, read from the schema-valid answer.
  const SituationAnswer sit = ws.situation(ChaveNFe("35", "2612", kCnpj, "55", "1", "9999", "1", "12345678"));
  EXPECT_EQ(sit.cStat, 217) << sit.xMotivo;
  EXPECT_FALSE(sit.has_protocol);
  EXPECT_EQ(ws.connections_made(), 1);
}

// Each refusal names its cause, has its kind, and comes before anything is
// sent where the station can tell by itself.
TEST_F(NFeWebServicesTest, BadCertificatesAndServersAreClearErrors) {
  const auto kind_of = [](auto&& action) {
    try {
      action();
    } catch (const ENFeError& e) {
      return std::make_pair(e.kind(), std::string(e.what()));
    }
    return std::make_pair(NFeErrorKind::state, std::string("no error"));
  };
  const struct {
    const char* what;
    std::function<void()> action;
    NFeErrorKind kind;
    const char* says;
  } kCases[] = {
      {"expired certificate",
       [] {
         NFeWebServices(Emitter{"2", "SP", kCnpj}, A1Certificate{certs_->expired_a1(kCnpj), "1234"},
                        config(server_->base_url()));
       },
       NFeErrorKind::certificate, "venceu"},
      {"certificate of another CNPJ",
       [] {
         NFeWebServices(Emitter{"2", "SP", kCnpj}, A1Certificate{certs_->a1(kOtherCnpj), "1234"},
                        config(server_->base_url()));
       },
       NFeErrorKind::certificate, kOtherCnpj},
      {"wrong password",
       [] {
         NFeWebServices(Emitter{"2", "SP", kCnpj}, A1Certificate{certs_->a1(kCnpj), "errada"},
                        config(server_->base_url()));
       },
       NFeErrorKind::certificate, "senha"},
      {"nothing listening",
       [] {
         NFeWebServices ws(Emitter{"2", "SP", kCnpj}, A1Certificate{certs_->a1(kCnpj), "1234"},
                           config("https://127.0.0.1:1"));
         ws.status();
       },
       NFeErrorKind::transport, "127.0.0.1:1"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const auto [kind, message] = kind_of(c.action);
    EXPECT_EQ(kind, c.kind) << message;
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
  }

  // Servers the station must not trust: another authority, another name.
  for (auto identity : {test::ServerIdentity::untrusted, test::ServerIdentity::wrong_name}) {
    test::LocalAuthoriser other(
        *certs_, folder_->path() / ("state-" + std::to_string(static_cast<int>(identity))), identity);
    NFeWebServices ws(Emitter{"2", "SP", kCnpj}, A1Certificate{certs_->a1(kCnpj), "1234"},
                      config(other.base_url()));
    const auto [kind, message] = kind_of([&] { ws.status(); });
    EXPECT_EQ(kind, NFeErrorKind::transport) << message;
    EXPECT_NE(message.find("certificado do servidor"), std::string::npos) << message;
  }
}

TEST_F(NFeWebServicesTest, AnswersThatAreNotValidAreReportedNotGuessed) {
  const struct {
    const char* fault;
    NFeErrorKind kind;
  } kCases[] = {
      {R"([{"service": "NFeStatusServico4", "fault": "not_xml"}])", NFeErrorKind::answer},
      {R"([{"service": "NFeStatusServico4", "fault": "invalid"}])", NFeErrorKind::answer},
      {R"([{"service": "NFeStatusServico4", "fault": "http500"}])", NFeErrorKind::transport},
      // A connection closed on a reused connection is tried once more on a
      // fresh one (a request that never reached the server); twice is a failure.
      {R"([{"service": "NFeStatusServico4", "fault": "close_before", "times": 2}])", NFeErrorKind::transport},
  };
  NFeWebServices ws = station();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.fault);
    server_->set_faults(c.fault);
    try {
      ws.status();
      ADD_FAILURE() << "answered";
    } catch (const ENFeError& e) {
      EXPECT_EQ(e.kind(), c.kind) << e.what();
    }
  }
  // The station goes on after each: a fresh connection where the last one broke.
  server_->set_faults("[]");
  EXPECT_EQ(ws.status().cStat, 107);
}

TEST_F(NFeWebServicesTest, ASilentServerEndsInTheAnswerTimeOut) {
  server_->set_faults(R"([{"service": "NFeStatusServico4", "fault": "silent", "seconds": 30}])");
  WebServiceConfig c = config(server_->base_url());
  c.answer_timeout = std::chrono::seconds(1);
  NFeWebServices ws(Emitter{"2", "SP", kCnpj}, A1Certificate{certs_->a1(kCnpj), "1234"}, c);
  try {
    ws.status();
    ADD_FAILURE() << "answered";
  } catch (const ESoapTransport& e) {
    EXPECT_TRUE(e.maybe_delivered());
    EXPECT_NE(std::string(e.what()).find("sem resposta"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace zpk::nfe
