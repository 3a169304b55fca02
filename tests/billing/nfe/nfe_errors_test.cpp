// The NF-e's failures reach a host as ENFeError with the kind it acts on: a
// value to correct, a certificate to replace, a schema package to reinstall.
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "billing/nfe/assina_nfe.hpp"
#include "billing/nfe/chave_nfe.hpp"
#include "billing/nfe/nfe_campos.hpp"
#include "billing/nfe/nfe_error.hpp"
#include "billing/nfe/valida_nfe.hpp"
#include "support/certificado_a1.hpp"
#include "support/temp_folder.hpp"

namespace zpk::nfe {
namespace {

constexpr const char* kNFe =
    "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe1\" versao=\"4.00\"><ide/>"
    "</infNFe></NFe>";

TEST(ErrosNFe, EachFailureCarriesItsKind) {
  test::TempFolder pasta{"nfe-erros"};
  ASSERT_TRUE(test::certificado_a1(pasta.path(), "TECELAGEM EXEMPLO:12345678000195", "segredo"));
  const auto pfx = pasta / "a1.pfx";
  const auto nao_pfx = pasta / "texto.pfx";
  std::ofstream(nao_pfx) << "não é um PKCS#12";
  // A folder holding a schema that is not one: refused, and so is the NF-e
  // schema missing from it.
  const auto quebrado = pasta / "esquemas";
  std::filesystem::create_directories(quebrado);
  std::ofstream(quebrado / "consStatServ_v4.00.xsd") << "<xs:schema";

  const struct {
    const char* caso;
    std::function<void()> chama;
    NFeErrorKind tipo;
    const char* mensagem;  // a fragment the message keeps
  } kCases[] = {
      {"key part with a letter", [] { ChaveNFe("35", "2607", "12345678000195", "55", "1A", "1", "1", "1"); },
       NFeErrorKind::invalid_input, "série"},
      {"key part too long",
       [] { ChaveNFe("35", "2607", "12345678000195", "55", "1", "1234567890", "1", "1"); },
       NFeErrorKind::invalid_input, "número"},
      {"field not in the layout", [] { TNFeCampos().Campo("nNF_X99"); }, NFeErrorKind::invalid_input,
       "nNF_X99"},
      {"malformed XML to sign", [&] { AssinaXml("<NFe><infNFe", "infNFe", pfx, "segredo"); },
       NFeErrorKind::invalid_input, "malformado"},
      {"no element to sign", [&] { AssinaXml(kNFe, "infEvento", pfx, "segredo"); },
       NFeErrorKind::invalid_input, "infEvento"},
      {"malformed XML to verify", [] { VerificaAssinatura("<NFe", "infNFe"); }, NFeErrorKind::invalid_input,
       "malformado"},
      {"certificate file missing", [&] { AssinaXml(kNFe, "infNFe", pasta / "nenhum.pfx", "segredo"); },
       NFeErrorKind::certificate, "nenhum.pfx"},
      {"wrong password", [&] { AssinaXmlNFe(kNFe, pfx, "errada"); }, NFeErrorKind::certificate,
       "senha errada"},
      {"certificate facts, wrong password", [&] { LeCertificadoA1(pfx, "errada"); },
       NFeErrorKind::certificate, "a1.pfx"},
      {"certificate facts, file missing", [&] { LeCertificadoA1(pasta / "nenhum.pfx", "segredo"); },
       NFeErrorKind::certificate, "nenhum.pfx"},
      {"certificate facts, not a PKCS#12 file", [&] { LeCertificadoA1(nao_pfx, "segredo"); },
       NFeErrorKind::certificate, "texto.pfx"},
      {"schema file missing", [] { ValidaXmlEsquema(kNFe, "naoExiste_v4.00.xsd"); }, NFeErrorKind::schema,
       "naoExiste_v4.00.xsd"},
      {"NF-e schema missing from the folder", [&] { ValidaXmlNFe(kNFe, quebrado); }, NFeErrorKind::schema,
       "nfe_v4.00.xsd"},
      {"schema file broken", [&] { ValidaXmlEsquema(kNFe, "consStatServ_v4.00.xsd", quebrado); },
       NFeErrorKind::schema, "consStatServ_v4.00.xsd"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    try {
      c.chama();
      ADD_FAILURE() << "nothing raised";
    } catch (const ENFeError& e) {
      EXPECT_EQ(e.kind(), c.tipo) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.mensagem), std::string::npos) << e.what();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "not an ENFeError: " << e.what();
    }
  }
  // A refused schema is not remembered: once the file is there, it is read.
  std::filesystem::copy_file(PastaEsquemasNFe() / "consStatServ_v4.00.xsd",
                             quebrado / "consStatServ_v4.00.xsd",
                             std::filesystem::copy_options::overwrite_existing);
  for (const char* incluido : {"leiauteConsStatServ_v4.00.xsd", "tiposBasico_v4.00.xsd"}) {
    std::filesystem::copy_file(PastaEsquemasNFe() / incluido, quebrado / incluido);
  }
  EXPECT_TRUE(ValidaXmlEsquema("<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">"
                               "<tpAmb>2</tpAmb><cUF>35</cUF><xServ>STATUS</xServ></consStatServ>",
                               "consStatServ_v4.00.xsd", quebrado)
                  .empty());
}

}  // namespace
}  // namespace zpk::nfe
