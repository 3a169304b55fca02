// Signing and checking the messages a station sends besides the NF-e (a
// cancellation event, a voided range) against their own schemas, and the
// facts a station reads from its A1 certificate before sending.
#include <chrono>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "billing/nfe/assina_nfe.hpp"
#include "billing/nfe/valida_nfe.hpp"
#include "support/certificado_a1.hpp"
#include "support/temp_folder.hpp"

namespace zpk::nfe {
namespace {

constexpr const char* kChave = "35260712345678000195550010000001231123456787";

// A cancellation event of kChave inside its submission lot.
std::string Cancelamento() {
  return std::string(
             "<envEvento xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\"><idLote>1</idLote>"
             "<evento versao=\"1.00\"><infEvento Id=\"ID110111") +
         kChave + "01\"><cOrgao>35</cOrgao><tpAmb>2</tpAmb><CNPJ>12345678000195</CNPJ><chNFe>" + kChave +
         "</chNFe><dhEvento>2026-07-01T10:00:00-03:00</dhEvento><tpEvento>110111</tpEvento>"
         "<nSeqEvento>1</nSeqEvento><verEvento>1.00</verEvento><detEvento versao=\"1.00\">"
         "<descEvento>Cancelamento</descEvento><nProt>135260000000001</nProt>"
         "<xJust>Pedido digitado em dobro</xJust></detEvento></infEvento></evento></envEvento>";
}

// Voiding numbers 1 to 10 of series 1.
std::string Inutilizacao() {
  return "<inutNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">"
         "<infInut Id=\"ID35261234567800019555001000000001000000010\"><tpAmb>2</tpAmb>"
         "<xServ>INUTILIZAR</xServ><cUF>35</cUF><ano>26</ano><CNPJ>12345678000195</CNPJ><mod>55</mod>"
         "<serie>1</serie><nNFIni>1</nNFIni><nNFFin>10</nNFFin>"
         "<xJust>Numeros pulados por falha do sistema</xJust></infInut></inutNFe>";
}

class AssinaturaMensagens : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::certificado_a1(pasta_.path(), "TECELAGEM EXEMPLO:12345678000195", "segredo"));
  }
  test::TempFolder pasta_{"nfe-msg"};
};

// Each message signed over its own element is valid for its schema (which
// fixes where the signature stands) and verifies; a changed byte, or asking
// for another element, does not.
TEST_F(AssinaturaMensagens, EventAndVoidedRangeAreSignedWhereTheirSchemasWantIt) {
  const struct {
    const char* elemento;
    std::string xml;
    const char* esquema;
    const char* fecho;  // the signature closes its parent
    const char* troca;  // a text of the signed element to change
  } kCases[] = {
      {"infEvento", Cancelamento(), "envEventoCancNFe_v1.00.xsd", "</Signature></evento>", "em dobro"},
      {"infInut", Inutilizacao(), "inutNFe_v4.00.xsd", "</Signature></inutNFe>", "pulados"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.elemento);
    // Unsigned, the schema wants the signature: no NF-e leniency here.
    auto violacoes = ValidaXmlEsquema(c.xml, c.esquema);
    ASSERT_EQ(violacoes.size(), 1u);
    EXPECT_NE(violacoes[0].Mensagem.find("Signature"), std::string::npos) << violacoes[0].Mensagem;

    const std::string assinado = AssinaXml(c.xml, c.elemento, pasta_ / "a1.pfx", "segredo");
    for (const auto& v : ValidaXmlEsquema(assinado, c.esquema))
      ADD_FAILURE() << v.Campo << ": " << v.Mensagem;
    EXPECT_NE(assinado.find(c.fecho), std::string::npos) << assinado;
    EXPECT_TRUE(VerificaAssinatura(assinado, c.elemento));
    EXPECT_FALSE(VerificaAssinaturaNFe(assinado));

    std::string alterado = assinado;
    alterado.replace(alterado.find(c.troca), 3, "XYZ");
    EXPECT_FALSE(VerificaAssinatura(alterado, c.elemento));
  }
}

// Violations of a service's message are named by the element at fault.
TEST(ValidaXmlEsquema, NamesTheElementAtFault) {
  const std::string kInicio =
      "<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>";
  const struct {
    const char* caso;
    std::string xml;
    const char* campo;  // empty: valid
  } kCases[] = {
      {"valid", kInicio + "2</tpAmb><cUF>35</cUF><xServ>STATUS</xServ></consStatServ>", ""},
      {"environment out of range", kInicio + "3</tpAmb><cUF>35</cUF><xServ>STATUS</xServ></consStatServ>",
       "tpAmb"},
      {"service missing", kInicio + "2</tpAmb><cUF>35</cUF></consStatServ>", "consStatServ"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    auto violacoes = ValidaXmlEsquema(c.xml, "consStatServ_v4.00.xsd");
    if (*c.campo == '\0') {
      EXPECT_TRUE(violacoes.empty()) << violacoes.front().Mensagem;
    } else {
      ASSERT_FALSE(violacoes.empty());
      EXPECT_EQ(violacoes[0].Campo, c.campo) << violacoes[0].Mensagem;
      EXPECT_EQ(violacoes[0].Linha, 1);
    }
  }
  EXPECT_FALSE(ValidaXmlEsquema("<consStatServ", "consStatServ_v4.00.xsd").empty());
}

// The holder's CNPJ comes from the entry ICP-Brasil reserves for it, else from
// the end of the common name; the validity is the certificate's.
TEST(LeCertificadoA1, HolderCnpjAndValidity) {
  const struct {
    const char* caso;
    const char* titular;
    const char* extensao;  // openssl -addext, or empty
    const char* cnpj;
  } kCases[] = {
      {"ICP-Brasil entry wins over the name", "TECELAGEM EXEMPLO:12345678000195",
       "subjectAltName=otherName:2.16.76.1.3.3;OCTETSTRING:12ABC34501DE35", "12ABC34501DE35"},
      {"entry as text", "TECELAGEM EXEMPLO",
       "subjectAltName=email:fiscal@example.com,otherName:2.16.76.1.3.3;UTF8:12345678000195",
       "12345678000195"},
      {"from the name", "TECELAGEM EXEMPLO LTDA:12ABC34501DE35", "", "12ABC34501DE35"},
      {"none", "TECELAGEM EXEMPLO", "", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    test::TempFolder pasta{"nfe-a1"};
    const std::string extensao = *c.extensao ? std::string(" -addext '") + c.extensao + "'" : "";
    const std::string comando =
        "cd '" + pasta.path().string() +
        "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout k.pem -out c.pem -days 2 -subj '/CN=" +
        c.titular + "'" + extensao +
        " >/dev/null 2>&1 && openssl pkcs12 -export -inkey k.pem -in c.pem -out a1.pfx -passout pass:s "
        ">/dev/null 2>&1";
    ASSERT_EQ(std::system(comando.c_str()), 0);
    const CertificadoA1 a1 = LeCertificadoA1(pasta / "a1.pfx", "s");
    EXPECT_EQ(a1.Titular, c.titular);
    EXPECT_EQ(a1.CNPJ, c.cnpj);
    EXPECT_EQ(a1.ValidoAte - a1.ValidoDesde, std::chrono::hours(48));
    const auto agora = std::chrono::system_clock::now();
    EXPECT_LE(a1.ValidoDesde, agora);
    EXPECT_GT(a1.ValidoAte, agora);
  }
}

}  // namespace
}  // namespace zpk::nfe
