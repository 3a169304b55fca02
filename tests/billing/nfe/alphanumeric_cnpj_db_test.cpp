// The NF-e of a stored invoice whose emitter, recipient and carrier all have
// alphanumeric CNPJs (valid from July 2026): it validates, is signed and
// verifies, and its key and every party keep the letters.
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/invoice_nfe.hpp"
#include "documents/check_digits.hpp"
#include "foundation/lookups.hpp"
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

namespace zpk::nfe {
namespace {

class AlphanumericCnpjNFe : public test::DatabaseTest {
 protected:
  void SetUp() override {
    set_program_folder(pasta_.path());
    std::ofstream(pasta_ / "NFe.ini") << "[NFe]\nFuso=-03:00\n";
    IFinNFe = 1;
    ITpTrasNFe = 1;
    ITpImpNFe = 1;
    ITpEntrega = 1;
    ASSERT_TRUE(test::certificado_a1(pasta_.path(), "TECELAGEM DEMONSTRACAO:12ABC34501DE35", "segredo"));
  }
  void TearDown() override {
    set_program_folder({});
    test::DatabaseTest::TearDown();
  }

  test::TempFolder pasta_{"alphanumeric-cnpj"};
  HeadlessDialogs dialogs_;
  ScopedDialogService dialog_guard_{dialogs_};
  test::ScopedValue<std::function<TDateTime()>> clock_{
      RelogioNFe, [] { return EncodeDateTime(2025, 6, 2, 10, 0, 0, 0); }};
};

TEST_F(AlphanumericCnpjNFe, EveryPartyKeepsItsLettersAndTheDocumentValidatesAndVerifies) {
  // Check digits computed outside the library (each character valued as its
  // code minus 48, weights 2 to 9 from the right, modulo 11).
  const struct {
    const char* party;
    const char* stored;  // as the registers hold it, with its punctuation
    const char* cnpj;    // as the NF-e carries it
    const char* group;   // where the document carries it
  } kCases[] = {
      {"emitter", "12.ABC.345/01DE-35", "12ABC34501DE35", "<emit><CNPJ>"},
      {"recipient", "TX.7K2.M9Q/0001-71", "TX7K2M9Q000171", "<dest><CNPJ>"},
      {"carrier", "CL.4R1.T45/A001-85", "CL4R1T45A00185", "<transporta><CNPJ>"},
  };
  for (const auto& c : kCases) ASSERT_TRUE(VerCgc(c.cnpj)) << c.cnpj;

  const std::string nota = " WHERE FATURA = '009001' AND SERIE = '1'";
  test::exec("UPDATE " + DBLocal("EMPRESA") + " SET EMP_CNPJ = ? WHERE EMP_PAT = '001'", {kCases[0].stored});
  test::exec("UPDATE " + DBLocal("ENTIDADE") + " SET CNPJ = ? WHERE CODCLI = (SELECT CODCLI FROM " +
                 DBLocal("NOTA") + nota + ")",
             {kCases[1].stored});
  test::exec("UPDATE " + DBLocal("TABTRAN") + " SET CGC = ? WHERE CODIGO = (SELECT TRANSPORT FROM " +
                 DBLocal("NOTA") + nota + ")",
             {kCases[2].stored});
  test::exec("UPDATE " + DBLocal("NOTA") + " SET CHAVE_NFE = NULL" + nota);
  Tabela.IBTransaction.CommitRetaining();
  // The company's register as a station connecting now reads it.
  test::ScopedValue<std::string> company_cnpj{Tabela.company.cnpj, kCases[0].stored};

  const InvoiceNFe r = nfe_of_invoice("9001", "1", A1Certificate{pasta_ / "a1.pfx", "segredo"});
  for (const auto& v : r.violations) ADD_FAILURE() << v.Campo << " (line " << v.Linha << "): " << v.Mensagem;
  EXPECT_TRUE(r.is_signed);
  EXPECT_TRUE(r.signature_verified);
  ASSERT_EQ(r.key.size(), 44u);
  EXPECT_EQ(r.key.substr(6, 14), kCases[0].cnpj);
  EXPECT_TRUE(r.key_stored);
  EXPECT_NE(r.xml.find("Id=\"NFe" + r.key + "\""), std::string::npos);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.party);
    EXPECT_NE(r.xml.find(std::string(c.group) + c.cnpj + "</CNPJ>"), std::string::npos);
  }
}

}  // namespace
}  // namespace zpk::nfe
