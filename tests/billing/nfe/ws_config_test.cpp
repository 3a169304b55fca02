// Where a station sends each service: the state's authoriser (its own, or the
// shared virtual one) and its contingency authoriser from the public list,
// or every service under the station's own base address from NFe.ini.
#include <fstream>

#include <gtest/gtest.h>

#include "billing/nfe/nfe_error.hpp"
#include "billing/nfe/ws_config.hpp"
#include "platform/settings/program_folder.hpp"
#include "support/temp_folder.hpp"

namespace zpk::nfe {
namespace {

TEST(WsConfig, ThePublicListGivesEachStateItsAuthorisers) {
  const WebServiceConfig list;  // no base: the public addresses
  const struct {
    const char* uf;
    NFeService service;
    bool contingency;
    const char* url;
  } kCases[] = {
      {"SP", NFeService::authorisation, false,
       "https://homologacao.nfe.fazenda.sp.gov.br/ws/nfeautorizacao4.asmx"},
      {"SP", NFeService::authorisation, true,
       "https://hom.sefazvirtual.fazenda.gov.br/NFeAutorizacao4/NFeAutorizacao4.asmx"},
      {"rj", NFeService::authorisation, false,
       "https://nfe-homologacao.svrs.rs.gov.br/ws/NfeAutorizacao/NFeAutorizacao4.asmx"},
      {"PR", NFeService::authorisation, true,
       "https://nfe-homologacao.svrs.rs.gov.br/ws/NfeAutorizacao/NFeAutorizacao4.asmx"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.uf);
    EXPECT_EQ(service_url(list, c.uf, "2", c.service, c.contingency), c.url);
  }
  EXPECT_EQ(contingency_tpEmis("SP"), "6");
  EXPECT_EQ(contingency_tpEmis("PR"), "7");
  EXPECT_EQ(state_code("SP"), "35");
  // Voiding has no contingency authoriser; an unknown state has none at all.
  EXPECT_THROW(service_url(list, "SP", "2", NFeService::voiding, true), ENFeError);
  EXPECT_THROW(service_url(list, "XX", "2", NFeService::status, false), ENFeError);
}

TEST(WsConfig, AStationsBaseAddressServesEveryService) {
  test::TempFolder folder("ws-config");
  std::ofstream(folder / "NFe.ini")
      << "[WebServices]\nBase=https://127.0.0.1:8443/\nBaseSVC=https://127.0.0.1:9443\n"
         "CA=/etc/zpk/ca.pem\nTimeoutConexao=2.5\n";
  set_program_folder(folder.path());
  const WebServiceConfig c = read_webservice_config();
  set_program_folder({});
  EXPECT_EQ(c.ca_file, "/etc/zpk/ca.pem");
  EXPECT_EQ(c.connect_timeout, std::chrono::milliseconds(2500));
  EXPECT_EQ(c.answer_timeout, std::chrono::seconds(60));
  EXPECT_EQ(service_url(c, "SP", "2", NFeService::situation, false),
            "https://127.0.0.1:8443/NFeConsultaProtocolo4");
  EXPECT_EQ(service_url(c, "SP", "2", NFeService::authorisation, true),
            "https://127.0.0.1:9443/NFeAutorizacao4");

  std::ofstream(folder / "NFe.ini") << "[WebServices]\nTimeoutResposta=muito\n";
  set_program_folder(folder.path());
  EXPECT_THROW(read_webservice_config(), ENFeError);
  set_program_folder({});
}

}  // namespace
}  // namespace zpk::nfe
