// The web services' messages without a server: every request the station
// builds passes its official schema (signed ones too), answers are read only
// when their return schema accepts them, and the distribution files pass
// theirs.
#include <gtest/gtest.h>

#include "billing/nfe/assina_nfe.hpp"
#include "billing/nfe/nfe_error.hpp"
#include "billing/nfe/valida_nfe.hpp"
#include "billing/nfe/ws_messages.hpp"
#include "support/certificado_a1.hpp"
#include "support/temp_folder.hpp"

namespace zpk::nfe {
namespace {

const Sender kSender{"2", "35", "12ABC34501DE35"};
const std::string kKey = "35261212345678000195550010000001231123456787";

std::string violations_of(std::string_view xml, std::string_view schema) {
  std::string out;
  for (const auto& v : ValidaXmlEsquema(xml, schema)) out += v.Mensagem + "\n";
  return out;
}

TEST(WsMessages, UnsignedRequestsPassTheirSchemas) {
  const struct {
    std::string xml;
    const char* root;
  } kCases[] = {
      {status_request(kSender), "consStatServ"},
      {situation_request(kSender, kKey), "consSitNFe"},
      {receipt_request(kSender, "351000000000123"), "consReciNFe"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.xml);
    EXPECT_EQ(violations_of(c.xml, request_schema(c.root)), "");
    EXPECT_NO_THROW(check_request(c.xml, request_schema(c.root)));
  }
  // A key of the wrong shape is stopped before it leaves, naming the schema.
  try {
    check_request(situation_request(kSender, "123"), request_schema("consSitNFe"));
    ADD_FAILURE() << "a short key passed";
  } catch (const ENFeError& e) {
    EXPECT_EQ(e.kind(), NFeErrorKind::schema);
    EXPECT_NE(std::string(e.what()).find("consSitNFe_v4.00.xsd"), std::string::npos) << e.what();
  }
}

class SignedMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::certificado_a1(folder_.path(), "EMPRESA TESTE:12345678000195", "1234"));
  }
  std::string sign(const std::string& xml, const char* element) {
    return AssinaXml(xml, element, folder_ / "a1.pfx", "1234");
  }
  test::TempFolder folder_{"ws-messages"};
};

TEST_F(SignedMessages, EventsAndVoidingPassTheirSchemasOnceSigned) {
  const Sender numeric{"2", "35", "12345678000195"};
  EventRequest cancel{
      kKey, "110111", 1, "2026-12-11T10:00:00-03:00", "135260000000001", "Pedido cancelado pelo cliente"};
  EventRequest cce{kKey, "110110", 2, "2026-12-11T10:00:00-03:00", "", "Endereco de entrega: Rua B, 10"};
  for (const auto& e : {cancel, cce}) {
    SCOPED_TRACE(e.tpEvento);
    const std::string signed_event = sign(event_document(numeric, e), "infEvento");
    EXPECT_TRUE(VerificaAssinatura(signed_event, "infEvento"));
    const std::string lot = event_lot("1", {signed_event});
    EXPECT_EQ(violations_of(lot, request_schema("envEvento", e.tpEvento)), "");
  }
  const std::string voiding =
      sign(voiding_request(numeric, "26", "1", 10, 12, "Numeros pulados por falha do sistema"), "infInut");
  EXPECT_EQ(violations_of(voiding, request_schema("inutNFe")), "");
  EXPECT_NE(voiding.find("Id=\"ID35261234567800019555001000000010000000012\""), std::string::npos) << voiding;
  // A justification under 15 characters is the schema's to refuse as well.
  const std::string short_one =
      sign(voiding_request(numeric, "26", "1", 10, 12, "curta demais.."), "infInut");
  EXPECT_THROW(check_request(short_one, request_schema("inutNFe")), ENFeError);
}

constexpr const char* kProtocol =
    "<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>LOCAL-1</verAplic>"
    "<chNFe>35261212345678000195550010000001231123456787</chNFe><dhRecbto>2026-12-11T10:00:01-03:00</"
    "dhRecbto>"
    "<nProt>135260000000001</nProt><digVal>AAAAAAAAAAAAAAAAAAAAAAAAAAA=</digVal><cStat>100</cStat>"
    "<xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>";

std::string situation_answer(const std::string& cstat, const std::string& inner) {
  return "<retConsSitNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>2</tpAmb>"
         "<verAplic>LOCAL-1</verAplic><cStat>" +
         cstat +
         "</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo><cUF>35</cUF>"
         "<dhRecbto>2026-12-11T10:00:02-03:00</dhRecbto><chNFe>" +
         kKey + "</chNFe>" + inner + "</retConsSitNFe>";
}

TEST(WsMessages, AnswersAreReadOnlyWhenTheirSchemaAcceptsThem) {
  const SituationAnswer sit = read_situation(situation_answer("100", kProtocol));
  EXPECT_EQ(sit.cStat, 100);
  ASSERT_TRUE(sit.has_protocol);
  EXPECT_EQ(sit.protocol.nProt, "135260000000001");
  EXPECT_EQ(sit.protocol.digVal, "AAAAAAAAAAAAAAAAAAAAAAAAAAA=");
  EXPECT_EQ(sit.protocol.cStat, 100);
  // The protocol element stands alone, with its namespace, for the distribution file.
  EXPECT_NE(sit.protocol.xml.find("<protNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\""), std::string::npos)
      << sit.protocol.xml;

  const StatusAnswer st = read_status(
      "<retConsStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>2</tpAmb>"
      "<verAplic>LOCAL-1</verAplic><cStat>107</cStat><xMotivo>Serviço em Operação</xMotivo><cUF>35</cUF>"
      "<dhRecbto>2026-12-11T10:00:00-03:00</dhRecbto><tMed>1</tMed></retConsStatServ>");
  EXPECT_EQ(st.cStat, 107);
  EXPECT_EQ(st.xMotivo, "Serviço em Operação");

  const struct {
    const char* what;
    std::string xml;
  } kBad[] = {
      {"not XML", "Service Unavailable"},
      {"status code of letters", situation_answer("1OO", kProtocol)},
      {"protocol without its number's shape",
       situation_answer(
           "100", std::string(kProtocol).replace(std::string(kProtocol).find("135260000000001"), 15, "12"))},
      {"another message", "<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"/>"},
  };
  for (const auto& c : kBad) {
    SCOPED_TRACE(c.what);
    try {
      read_situation(c.xml);
      ADD_FAILURE() << "read";
    } catch (const ENFeError& e) {
      EXPECT_EQ(e.kind(), NFeErrorKind::answer) << e.what();
    }
  }
}

TEST_F(SignedMessages, TheDistributionFilePassesProcNFe) {
  // The protocol of a signed NF-e, joined to it: nfeProc as the schema has it.
  const std::string sit = situation_answer("100", kProtocol);
  const NFeProtocol p = read_situation(sit).protocol;
  const std::string proc_cancel = event_proc(
      sign(event_document(Sender{"2", "35", "12345678000195"},
                          EventRequest{kKey, "110111", 1, "2026-12-11T10:00:00-03:00", "135260000000001",
                                       "Pedido cancelado pelo cliente"}),
           "infEvento"),
      "<retEvento xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\"><infEvento><tpAmb>2</tpAmb>"
      "<verAplic>LOCAL-1</verAplic><cOrgao>35</cOrgao><cStat>135</cStat>"
      "<xMotivo>Evento registrado e vinculado a NF-e</xMotivo><chNFe>" +
          kKey +
          "</chNFe><tpEvento>110111</tpEvento><nSeqEvento>1</nSeqEvento>"
          "<dhRegEvento>2026-12-11T10:00:03-03:00</dhRegEvento><nProt>135260000000002</nProt></infEvento>"
          "</retEvento>");
  EXPECT_EQ(violations_of(proc_cancel, "procEventoCancNFe_v1.00.xsd"), "") << proc_cancel;
  EXPECT_FALSE(p.xml.empty());
}

}  // namespace
}  // namespace zpk::nfe
