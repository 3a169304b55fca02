// The NF-e of a stored invoice as a library routine, on the demo invoice: a
// signed, schema-valid document whose key is stored for every station, kept
// on later runs, and taken from the stored key when another station stored
// one first; an invoice that is not there is refused.
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "billing/nfe/chave_nfe.hpp"
#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/invoice_nfe.hpp"
#include "billing/nfe/nfe_error.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/transaction.hpp"
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

namespace fs = std::filesystem;

class InvoiceNFeTest : public test::DatabaseTest {
 protected:
  void SetUp() override {
    set_program_folder(pasta_.path());
    std::ofstream(pasta_ / "NFe.ini") << "[NFe]\nFuso=-03:00\n";
    IFinNFe = 1;
    ITpTrasNFe = 1;
    ITpImpNFe = 1;
    ITpEntrega = 1;
    ASSERT_TRUE(test::certificado_a1(pasta_.path(), "TECELAGEM DEMONSTRACAO:11222333000181", "segredo"));
    // Each test starts from the demo invoice without a key, as other
    // stations see it.
    test::exec("UPDATE " + DBLocal("NOTA") + " SET CHAVE_NFE = NULL WHERE FATURA = '009001'");
    Tabela.IBTransaction.CommitRetaining();
  }
  void TearDown() override {
    set_program_folder({});
    test::DatabaseTest::TearDown();
  }

  // The demo invoice's key as another station reads it (committed work only).
  static std::string stored_key() {
    test::OtherStation other;
    return test::text("SELECT CHAVE_NFE FROM " + DBLocal("NOTA") + " WHERE FATURA = '009001' AND SERIE = '1'",
                      {}, other.db());
  }

  A1Certificate certificate() const { return {pasta_ / "a1.pfx", "segredo"}; }

  test::TempFolder pasta_{"invoice-nfe"};
  HeadlessDialogs dialogs_;
  ScopedDialogService dialog_guard_{dialogs_};
  test::ScopedValue<std::function<TDateTime()>> clock_{
      RelogioNFe, [] { return EncodeDateTime(2025, 6, 2, 10, 0, 0, 0); }};
};

TEST_F(InvoiceNFeTest, SignedValidDocumentWhoseKeyIsStoredAndKept) {
  const InvoiceNFe first = nfe_of_invoice("9001", "1", certificate());
  ASSERT_EQ(first.key.size(), 44u);
  EXPECT_EQ(first.items, 3);
  EXPECT_TRUE(first.is_signed);
  EXPECT_TRUE(first.signature_verified);
  for (const auto& v : first.violations)
    ADD_FAILURE() << v.Campo << " (line " << v.Linha << "): " << v.Mensagem;
  EXPECT_NE(first.xml.find("Id=\"NFe" + first.key + "\""), std::string::npos);
  EXPECT_NE(first.xml.find("<Reference URI=\"#NFe" + first.key + "\">"), std::string::npos);
  EXPECT_TRUE(first.key_stored);
  EXPECT_EQ(stored_key(), first.key);

  // Later, at another moment and unsigned: the stored key is kept.
  test::ScopedValue<std::function<TDateTime()>> later{
      RelogioNFe, [] { return EncodeDateTime(2025, 6, 3, 17, 45, 12, 0); }};
  const InvoiceNFe again = nfe_of_invoice("009001", "1", std::nullopt);
  EXPECT_EQ(again.key, first.key);
  EXPECT_FALSE(again.key_stored);
  EXPECT_FALSE(again.is_signed);
  EXPECT_TRUE(again.violations.empty());
  EXPECT_EQ(stored_key(), first.key);

  // Its file is named by the key and holds the document, nothing left beside.
  const fs::path file = write_nfe_file(pasta_ / "xml", first.key, first.xml);
  EXPECT_EQ(file, pasta_ / "xml" / (first.key + "-nfe.xml"));
  std::ostringstream read;
  read << std::ifstream(file, std::ios::binary).rdbuf();
  EXPECT_EQ(read.str(), first.xml);
  EXPECT_EQ(std::distance(fs::directory_iterator(pasta_ / "xml"), fs::directory_iterator()), 1);
  EXPECT_THROW(write_nfe_file(pasta_ / "xml", "../" + first.key.substr(3), first.xml), ENFeError);
}

// Another station stores its key between this one's reading of the invoice
// and its update: the update changes nothing, and this station makes the
// NF-e again under the stored key, so both send the same one.
TEST_F(InvoiceNFeTest, AKeyStoredMeanwhileByAnotherStationIsTheOneSent) {
  const std::string mine = nfe_of_invoice("9001", "1", std::nullopt).key;
  test::exec("UPDATE " + DBLocal("NOTA") + " SET CHAVE_NFE = NULL WHERE FATURA = '009001'");
  Tabela.IBTransaction.CommitRetaining();
  // The other station's key: the same invoice under another numeric code.
  const std::string theirs =
      ChaveNFe(mine.substr(0, 2), mine.substr(2, 4), mine.substr(6, 14), mine.substr(20, 2),
               mine.substr(22, 3), mine.substr(25, 9), mine.substr(34, 1), "87654321");
  ASSERT_NE(theirs, mine);

  // The generator reads the clock after the invoice was read and before the
  // key is stored: that is when the other station commits its key.
  test::OtherStation other;
  int readings = 0;
  const auto clock = [&] {
    if (readings++ == 0) {
      test::exec("UPDATE " + DBLocal("NOTA") + " SET CHAVE_NFE = ? WHERE FATURA = '009001'", {theirs},
                 other.db());
      other.db().DefaultTransaction().Commit();
    }
    return EncodeDateTime(2025, 6, 2, 10, 0, 0, 0);
  };
  test::ScopedValue<std::function<TDateTime()>> meanwhile{RelogioNFe, clock};
  const InvoiceNFe sent = nfe_of_invoice("9001", "1", certificate());
  EXPECT_EQ(readings, 2);  // made twice
  EXPECT_EQ(sent.key, theirs);
  EXPECT_FALSE(sent.key_stored);
  EXPECT_NE(sent.xml.find("Id=\"NFe" + theirs + "\""), std::string::npos);
  EXPECT_TRUE(sent.signature_verified);
  EXPECT_TRUE(sent.violations.empty());
  EXPECT_EQ(stored_key(), theirs);
}

// A key carries its issue type (tpEmis, the 35th character): the NF-e
// issued in contingency, or back in normal issue, stores its own key, the
// one its DANFE and later events name, with the numeric code of the first.
// A key the authoriser answered for (authorised or denied) is never replaced.
TEST_F(InvoiceNFeTest, AnotherIssueTypeStoresItsKeyUnlessTheNFeWasAnswered) {
  const struct {
    const char* status;  // NOTA.STATUS_NFE before the contingency issue
    bool replaced;
  } kCases[] = {
      {"NULL", true}, {"108", true},  {"539", true},  {"100", false}, {"150", false},
      {"110", false}, {"301", false}, {"302", false}, {"303", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string("status ") + c.status);
    test::exec("UPDATE " + DBLocal("NOTA") +
               " SET CHAVE_NFE = NULL, STATUS_NFE = NULL WHERE FATURA = '009001'");
    Tabela.IBTransaction.CommitRetaining();
    const std::string normal = nfe_of_invoice("9001", "1", std::nullopt).key;
    ASSERT_EQ(normal.substr(34, 1), "1");
    test::exec("UPDATE " + DBLocal("NOTA") + " SET STATUS_NFE = " + c.status + " WHERE FATURA = '009001'");
    Tabela.IBTransaction.CommitRetaining();

    test::ScopedValue<int> contingency{ITpTrasNFe, 6};
    if (c.replaced) {
      const InvoiceNFe svc = nfe_of_invoice("9001", "1", certificate());
      EXPECT_EQ(svc.key.substr(34, 1), "6");
      EXPECT_EQ(svc.key.substr(35, 8), normal.substr(35, 8));
      EXPECT_TRUE(svc.key_stored);
      EXPECT_TRUE(svc.signature_verified);
      EXPECT_TRUE(svc.violations.empty());
      EXPECT_EQ(stored_key(), svc.key);
      // Made again in contingency: the stored key is kept.
      EXPECT_FALSE(nfe_of_invoice("9001", "1", std::nullopt).key_stored);
      EXPECT_EQ(stored_key(), svc.key);
      // Back in normal issue: the normal key is stored again.
      ITpTrasNFe = 1;
      const InvoiceNFe back = nfe_of_invoice("9001", "1", std::nullopt);
      EXPECT_EQ(back.key, normal);
      EXPECT_TRUE(back.key_stored);
      EXPECT_EQ(stored_key(), normal);
    } else {
      try {
        nfe_of_invoice("9001", "1", std::nullopt);
        ADD_FAILURE() << "nothing raised";
      } catch (const ENFeError& e) {
        EXPECT_EQ(e.kind(), NFeErrorKind::state);
        EXPECT_NE(std::string(e.what()).find("invoice 9001 of series 1"), std::string::npos) << e.what();
      }
      EXPECT_EQ(stored_key(), normal);
    }
  }
  test::exec("UPDATE " + DBLocal("NOTA") + " SET STATUS_NFE = NULL WHERE FATURA = '009001'");
  Tabela.IBTransaction.CommitRetaining();
}

// A document that fails the schema or its signature is written under a name
// that says so, and the file the other name held from an earlier run goes:
// the folder never offers an invalid document as one to send, nor a former
// one as the current.
TEST_F(InvoiceNFeTest, AnInvalidDocumentIsWrittenUnderItsOwnNameAndReplacesTheOther) {
  const InvoiceNFe n = nfe_of_invoice("9001", "1", std::nullopt);
  const fs::path folder = pasta_ / "xml";
  const std::string valid = n.key + "-nfe.xml";
  const std::string invalid = n.key + "-nfe-invalida.xml";
  const struct {
    bool valid;
    const char* xml;
    std::string file;
  } kCases[] = {
      {true, "<NFe>first</NFe>", valid},
      {false, "<NFe>broken</NFe>", invalid},
      {false, "<NFe>broken again</NFe>", invalid},
      {true, "<NFe>fixed</NFe>", valid},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.xml);
    EXPECT_EQ(write_nfe_file(folder, n.key, c.xml, c.valid), folder / c.file);
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{c.file});
    std::ostringstream read;
    read << std::ifstream(folder / c.file, std::ios::binary).rdbuf();
    EXPECT_EQ(read.str(), c.xml);
  }
}

TEST_F(InvoiceNFeTest, AnInvoiceNotInThatSeriesIsRefused) {
  const struct {
    const char* numero;
    const char* serie;
  } kCases[] = {{"9999", "1"}, {"9001", "2"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.numero) + "/" + c.serie);
    try {
      nfe_of_invoice(c.numero, c.serie, std::nullopt);
      ADD_FAILURE() << "nothing raised";
    } catch (const ENFeError& e) {
      EXPECT_EQ(e.kind(), NFeErrorKind::invalid_input);
      EXPECT_EQ(std::string(e.what()), fmt::format("invoice {} of series {} not found", c.numero, c.serie));
    }
  }
  EXPECT_EQ(stored_key(), "");
}

}  // namespace
}  // namespace zpk::nfe
