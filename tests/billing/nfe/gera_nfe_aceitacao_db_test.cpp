// The NF-e of whole invoices on a real database, as the invoicing screen
// makes it: the demo invoice (ST with FCP, DIFAL to a final consumer in
// another state, an exempt line, two instalments) validates against the
// official schema with no error, its signature verifies, and generated
// again it gives the same key and bytes; hostile descriptions never break
// the document; alphanumeric CNPJs keep their letters.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/nfe/assina_nfe.hpp"
#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/nfe_campos.hpp"
#include "billing/nfe/valida_nfe.hpp"
#include "billing/nfe/xml_nfe.hpp"
#include "billing/nota_dataset.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/certificado_a1.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

namespace fs = std::filesystem;
using nfe::TNFeCampos;
using nfe::ViolacaoNFe;

std::string lista(const std::vector<ViolacaoNFe>& v) {
  std::string s;
  for (const auto& each : v)
    s += each.Campo + " (line " + std::to_string(each.Linha) + "): " + each.Mensagem + "\n";
  return s;
}

// Computed outside the library (a short script over the key's 43 characters,
// weights 2 to 9 from the right, each character valued as its code minus 48):
// SP, June 2025, the alphanumeric CNPJ, model 55, series 1, number 9001,
// normal issue, the numeric code of 02/06/2025 10:00:00 (00 02 00 1 4).
constexpr const char* kChaveAlfanumerica = "35250612ABC34501DE35550010000090011000200140";

class NFeAceitacao : public test::DatabaseTest {
 protected:
  void SetUp() override {
    set_program_folder(pasta_.path());
    std::ofstream(pasta_ / "NFe.ini") << "[NFe]\nFuso=-03:00\n";
    IFinNFe = 1;
    ITpTrasNFe = 1;
    ITpImpNFe = 1;
    ITpEntrega = 1;
  }
  void TearDown() override {
    set_program_folder({});
    test::DatabaseTest::TearDown();
  }

  // The NF-e of invoice `fatura`: its XML, and the field set in `campos`.
  std::string gera(const std::string& fatura, TNFeCampos& campos, std::string* chave = nullptr) {
    TTIQuery q(Tabela.IBDatabase);
    TClientDataSet nota;
    EXPECT_GT(MontaDataSetNota(q, nota, fatura), 0);
    std::string key, lote;
    EXPECT_TRUE(GeraNFe(campos, nota, key, lote));
    if (chave != nullptr) *chave = key;
    return lote;
  }

  test::TempFolder pasta_{"nfe-aceitacao"};
  HeadlessDialogs dialogs_;
  ScopedDialogService dialog_guard_{dialogs_};
  test::ScopedValue<std::function<TDateTime()>> relogio_{
      RelogioNFe, [] { return EncodeDateTime(2025, 6, 2, 10, 0, 0, 0); }};
};

// A self-signed A1 certificate made with the openssl command.
fs::path certificado(const fs::path& pasta) {
  EXPECT_TRUE(test::certificado_a1(pasta, "TECELAGEM DEMONSTRACAO:11222333000181", "segredo"));
  return pasta / "a1.pfx";
}

TEST_F(NFeAceitacao, TheDemoInvoiceValidatesSignsAndRegeneratesTheSame) {
  TNFeCampos campos;
  std::string chave;
  const std::string xml = gera("009001", campos, &chave);
  ASSERT_EQ(chave.size(), 44u);
  EXPECT_EQ(campos.Itens().size(), 3u);
  const auto violacoes = nfe::ValidaXmlNFe(xml);
  EXPECT_TRUE(violacoes.empty()) << lista(violacoes) << xml;
  // Every group the invoice needs is there: ST with FCP-ST, DIFAL, exempt,
  // two instalments, the totals to the cent.
  for (const char* parte :
       {"<vICMSST>400.00</vICMSST>", "<vFCPST>70.00</vFCPST>", "<ICMSUFDest>",
        "<vICMSUFDest>64.00</vICMSUFDest>", "<vFCPUFDest>16.00</vFCPUFDest>", "<ICMS40>", "<nDup>001</nDup>",
        "<nDup>002</nDup>", "<vNF>3920.00</vNF>", "<dhEmi>2025-06-02T10:00:00-03:00</dhEmi>"}) {
    EXPECT_NE(xml.find(parte), std::string::npos) << parte;
  }

  const std::string assinado = nfe::AssinaXmlNFe(xml, certificado(pasta_.path()), "segredo");
  EXPECT_TRUE(nfe::VerificaAssinaturaNFe(assinado));
  EXPECT_TRUE(nfe::ValidaXmlNFe(assinado).empty());

  TNFeCampos de_novo;
  std::string outra_chave;
  EXPECT_EQ(gera("009001", de_novo, &outra_chave), xml);
  EXPECT_EQ(outra_chave, chave);

  // Once the key is stored, a later generation at another moment keeps it.
  test::exec("UPDATE " + DBLocal("NOTA") + " SET CHAVE_NFE = ? WHERE FATURA = '009001'", {chave});
  test::ScopedValue<std::function<TDateTime()>> depois{
      RelogioNFe, [] { return EncodeDateTime(2025, 6, 3, 17, 45, 12, 0); }};
  TNFeCampos mais_tarde;
  gera("009001", mais_tarde, &outra_chave);
  EXPECT_EQ(outra_chave, chave);
}

TEST_F(NFeAceitacao, HostileDescriptionsLeaveAValidDocument) {
  std::string longa(500, 'X');
  const struct {
    const char* caso;
    std::string descricao;
  } kCasos[] = {
      {"markup", "TECIDO <b>\"PLANO\"</b> & 'LISO' </xProd>"},
      {"control characters", std::string("FIO\x01\x02\x1F TINTO\t\r\nCRU")},
      {"500 characters", longa},
      {"broken UTF-8", std::string("MALHA \xC3\x28 \xE2\x82 \xFF FIM")},
  };
  for (const auto& c : kCasos) {
    SCOPED_TRACE(c.caso);
    TTIQuery q(Tabela.IBDatabase);
    TClientDataSet nota;
    ASSERT_GT(MontaDataSetNota(q, nota, "009001"), 0);
    nota.First();
    nota.Edit();
    // The printed description (DESCRICAO2) is what the NF-e shows.
    nota.FieldByName("ITEM_DESCRICAO").AsString = c.descricao;
    nota.FieldByName("ITEM_DESCRICAO2").AsString = c.descricao;
    nota.Post();
    TNFeCampos campos;
    std::string chave, lote;
    ASSERT_TRUE(GeraNFe(campos, nota, chave, lote));
    const auto violacoes = nfe::ValidaXmlNFe(lote);
    EXPECT_TRUE(violacoes.empty()) << lista(violacoes);
    if (c.descricao.size() > 120) {
      const auto notas = nfe::GeraXmlNFe(campos).Notas;
      ASSERT_FALSE(notas.empty());
      EXPECT_NE(notas.front().find("xProd_I04"), std::string::npos) << notas.front();
    }
  }
}

// The schema package in the tree (PL_010c) takes letters in every CNPJ and
// in the Id, so an alphanumeric emitter's NF-e validates. The key's check
// digit values each letter as its code minus 48.
TEST_F(NFeAceitacao, AlphanumericCnpjsKeepTheirLetters) {
  test::ScopedValue<std::string> cnpj{Tabela.company.cnpj, "12.ABC.345/01DE-35"};
  test::exec("UPDATE " + DBLocal("TABTRAN") + " SET CGC = '12.ABC.345/01DE-35' WHERE CODIGO = 'T001'");
  TNFeCampos campos;
  std::string chave;
  const std::string xml = gera("009001", campos, &chave);
  EXPECT_EQ(chave.substr(6, 14), "12ABC34501DE35");
  EXPECT_EQ(chave, kChaveAlfanumerica);
  EXPECT_NE(xml.find("<emit><CNPJ>12ABC34501DE35</CNPJ>"), std::string::npos);
  EXPECT_NE(xml.find("<transporta><CNPJ>12ABC34501DE35</CNPJ>"), std::string::npos);
  const auto violacoes = nfe::ValidaXmlNFe(xml);
  EXPECT_TRUE(violacoes.empty()) << lista(violacoes);
}

}  // namespace
}  // namespace zpk
