// Barcodes on a real database: product EAN-13s numbered on under the
// company's prefix (check digit included, every row of the item), the error
// box when the prefix gives no 12-digit number, material codes that step past
// reserved ones, the six-digit internal code, and the two checks the product
// screen makes.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/lookups.hpp"
#include "inventory/codigo_barras.hpp"
#include "platform/db/database_error.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

class Barcodes : public test::DatabaseTest {
 protected:
  // A product item with a row in each of the given deposits (first quality).
  static void product(const std::string& codigo, const std::vector<std::string>& depositos,
                      const std::string& tipo = "1") {
    for (const auto& deposito : depositos) {
      test::exec(DBLocal_SQL("INSERT INTO {PA_ITEN} (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE) "
                             "VALUES (?, '01', 'M', ?, ?, '000000')"),
                 {codigo, tipo, deposito});
    }
  }
  static void material(const std::string& codigo, const std::vector<std::string>& depositos) {
    for (const auto& deposito : depositos) {
      test::exec(
          DBLocal_SQL("INSERT INTO {MAT_ITEN} (CODIGO, COR, DEPOSITO, LOTE) VALUES (?, 'CRU', ?, '000000')"),
          {codigo, deposito});
    }
  }
  // Every distinct value of `column` on the item's rows, "" standing for NULL.
  static std::vector<std::string> stored(const std::string& table, const std::string& column,
                                         const std::string& codigo) {
    return test::rows(
        DBLocal_SQL("SELECT DISTINCT COALESCE(" + column + ", '') FROM {" + table + "} WHERE CODIGO = ?"),
        {codigo});
  }
  static double issued(const std::string& codigo) {
    return test::number(DBLocal_SQL("SELECT COUNT(*) FROM {BARRA_EMITIDA} WHERE CODIGO = ?"), {codigo});
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

TEST_F(Barcodes, ProductCodesNumberOnUnderThePrefixOnEveryRowOfTheItem) {
  test::ScopedValue<std::string> prefix(Tabela.PrefixoEAN, "78912345");
  // Another company prefix's codes take no part.
  product("CB-OTHER", {"0001"});
  test::exec(DBLocal_SQL("UPDATE {PA_ITEN} SET BARRA = '7899999900019' WHERE CODIGO = 'CB-OTHER'"));
  product("CB-P1", {"0001", "0002"});
  product("CB-P2", {"0001"});
  product("CB-P3", {"0001", "0002", "0003"});
  product("CB-P4", {"0001"});

  EXPECT_EQ(Gera_EAN13("CB-P1", "01", "M", "P"), "7891234500014");  // prefix + 0001 + check digit
  EXPECT_EQ(stored("PA_ITEN", "BARRA", "CB-P1"), std::vector<std::string>{"7891234500014"});
  EXPECT_EQ(Gera_EAN13("CB-P2", "01", "M", "P"), "7891234500021");
  // A code stored by other means moves the numbering on.
  test::exec(DBLocal_SQL("UPDATE {PA_ITEN} SET BARRA = '7891234500502' WHERE CODIGO = 'CB-P4'"));
  EXPECT_EQ(Gera_EAN13("CB-P3", "01", "M", "P"), "7891234500519");
  EXPECT_EQ(stored("PA_ITEN", "BARRA", "CB-P3"), std::vector<std::string>{"7891234500519"});
  EXPECT_TRUE(dialogs_.records().empty());

  // What was handed out is committed: another station sees it.
  test::OtherStation other;
  EXPECT_EQ(
      test::text(DBLocal_SQL("SELECT MAX(BARRA) FROM {PA_ITEN} WHERE CODIGO = 'CB-P3'"), {}, other.db()),
      "7891234500519");
  EXPECT_EQ(issued("CB-P1"), 1);
}

TEST_F(Barcodes, CodesNoItemMayHoldAreRefused) {
  test::ScopedValue<std::string> prefix(Tabela.PrefixoEAN, "78955555");
  product("CB-Q1", {"0001"});
  const struct {
    const char *codigo, *tipo;
  } kCases[] = {
      {"CB-Q1", "X"},  // neither product nor material
      {"CB-Q1", ""},
      {"CB-Q1", "p"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.codigo) + " " + c.tipo);
    EXPECT_EQ(Gera_EAN13(c.codigo, "01", "M", c.tipo), "");
    EXPECT_EQ(stored("PA_ITEN", "BARRA", c.codigo), std::vector<std::string>{""});
  }
  // A code longer than its column: refused naming the column, nothing kept.
  const std::string longo(30, 'X');
  try {
    Gera_EAN13(longo, "01", "M", "P");
    ADD_FAILURE() << "a 30-character code was taken";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.is_truncation()) << e.what();
    EXPECT_NE(std::string(e.what()).find("CODIGO"), std::string::npos) << e.what();
  }
  EXPECT_EQ(issued(longo.substr(0, 20)), 0);
  EXPECT_EQ(Gera_EAN13("CB-Q1", "01", "M", "P"), "7895555500012");
}

TEST_F(Barcodes, ExisteBarraLooksAtTheFirstQualityOrTheMaterial) {
  product("CB-E1", {"0001", "0002"});
  test::exec(DBLocal_SQL(
      "UPDATE {PA_ITEN} SET BARRA = '7891234500014' WHERE CODIGO = 'CB-E1' AND DEPOSITO = '0002'"));
  product("CB-E2", {"0001"}, "2");  // second quality only
  test::exec(DBLocal_SQL("UPDATE {PA_ITEN} SET BARRA = '7891234500021' WHERE CODIGO = 'CB-E2'"));
  product("CB-E3", {"0001"});
  test::exec(DBLocal_SQL("UPDATE {PA_ITEN} SET BARRA = '   ', BARRA28 = '000007' WHERE CODIGO = 'CB-E3'"));
  material("CB-EM", {"0001"});
  test::exec(DBLocal_SQL("UPDATE {MAT_ITEN} SET BARRA = '0000000000017' WHERE CODIGO = 'CB-EM'"));
  const std::string longo(40, 'Z');

  const struct {
    const char *campo, *codigo, *cor, *tam, *tipo;
    bool expected;
  } kCases[] = {
      {"BARRA", "CB-E1", "01", "M", "P", true},  // one row of the item is enough
      {"BARRA", "CB-E2", "01", "M", "P", false},
      {"BARRA", "CB-E3", "01", "M", "P", false},  // blanks are no barcode
      {"BARRA28", "CB-E3", "01", "M", "P", true},
      {"barra", "CB-E1", "01", "G", "P", false},
      {"BARRA", "CB-EM", "CRU", "ignored", "M", true},
      {"BARRA", "CB-EM", "01", "", "M", false},
      {"BARRA", "CB-E1", "01", "M", "X", false},
      {"BARRA", longo.c_str(), "01", "M", "P", false},  // longer than the column: no item
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.campo) + " " + c.codigo + " " + c.tam + " " + c.tipo);
    EXPECT_EQ(ExisteBarra(c.campo, c.codigo, c.cor, c.tam, c.tipo), c.expected);
  }
  for (const char* campo : {"BARRA FROM RDB$DATABASE --", "", "1BARRA", "BARRA,CODIGO", "BARRA'"}) {
    SCOPED_TRACE(campo);
    EXPECT_THROW(ExisteBarra(campo, "CB-E1", "01", "M", "P"), EZpkError);
  }
}

TEST_F(Barcodes, VerificaLimiteBarraEAN13RefusesABarcodeAtOrBelowAStoredOne) {
  product("CB-L1", {"0001"});
  test::exec(DBLocal_SQL("UPDATE {PA_ITEN} SET BARRA = '7897777700503' WHERE CODIGO = 'CB-L1'"));
  const struct {
    const char* barra;
    bool expected;
  } kCases[] = {
      {"7897777700500", false},  // the stored one is above the limit's 12 digits
      {"789777770050", false},   // equal counts
      {"789777770051", true},
      {"789777780001", true},  // another prefix
      {"", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.barra);
    dialogs_.clear();
    EXPECT_EQ(VerificaLimiteBarraEAN13(c.barra), c.expected);
    if (c.expected) {
      EXPECT_TRUE(dialogs_.records().empty());
    } else {
      ASSERT_EQ(dialogs_.records().size(), 1u);
      EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
      EXPECT_EQ(dialogs_.last().text, "Número do código de barras ultrapassou o limite.");
    }
  }
}

// Barcode tables empty: numbering starts from nothing. A suite of its own,
// because the codes other tests hand out are committed.
class FirstBarcodes : public Barcodes {};

TEST_F(FirstBarcodes, NoTwelveDigitNumberGivesTheBoxAndNoCode) {
  product("CB-N1", {"0001"});
  // No prefix: "0000" + 1; a 7-digit prefix: 11 digits.
  for (const char* prefixo : {"", "   ", "7891234"}) {
    SCOPED_TRACE(std::string("prefix '") + prefixo + "'");
    test::ScopedValue<std::string> prefix(Tabela.PrefixoEAN, prefixo);
    dialogs_.clear();
    EXPECT_EQ(Gera_EAN13("CB-N1", "01", "M", "P"), "");
    ASSERT_EQ(dialogs_.records().size(), 1u);
    EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
    EXPECT_EQ(dialogs_.last().text, "Número de dígitos do código de barras incorreto.");
    EXPECT_EQ(stored("PA_ITEN", "BARRA", "CB-N1"), std::vector<std::string>{""});
    EXPECT_EQ(issued("CB-N1"), 0);
  }
  // A prefix starting with "0" keeps its zeros.
  test::ScopedValue<std::string> prefix(Tabela.PrefixoEAN, "07654321");
  EXPECT_EQ(Gera_EAN13("CB-N1", "01", "M", "P"), "0765432100017");
}

TEST_F(FirstBarcodes, InternalCodesStartAtOneAndFollowTheHighest) {
  product("CB-I1", {"0001", "0002"});
  product("CB-I2", {"0001"});
  product("CB-I3", {"0001"});
  product("CB-I4", {"0001"});
  product("CB-I5", {"0001"});
  EXPECT_EQ(Gera_EAN28("CB-I1", "01", "M"), "000001");
  EXPECT_EQ(stored("PA_ITEN", "BARRA28", "CB-I1"), std::vector<std::string>{"000001"});
  EXPECT_EQ(Gera_EAN28("CB-I2", "01", "M"), "000002");
  test::exec(DBLocal_SQL("UPDATE {PA_ITEN} SET BARRA28 = '000041' WHERE CODIGO = 'CB-I5'"));
  EXPECT_EQ(Gera_EAN28("CB-I3", "01", "M"), "000042");
  // A highest value that is no number starts over at 1, past every code
  // already handed out.
  test::exec(DBLocal_SQL("UPDATE {PA_ITEN} SET BARRA28 = 'XYZ' WHERE CODIGO = 'CB-I5'"));
  EXPECT_EQ(Gera_EAN28("CB-I4", "01", "M"), "000043");
}

TEST_F(FirstBarcodes, MaterialCodesStepPastReservedAndUsedCodes) {
  material("CB-M1", {"0001", "0002"});
  material("CB-M2", {"0001"});
  material("CB-M3", {"0001"});
  EXPECT_EQ(Gera_EAN13("CB-M1", "CRU", "", "M"), "0000000000017");
  EXPECT_EQ(stored("MAT_ITEN", "BARRA", "CB-M1"), std::vector<std::string>{"0000000000017"});
  // The next two codes are reserved (by any screen) while the stored
  // maximum stays where it is.
  test::exec(
      DBLocal_SQL("INSERT INTO {CODIGOSVALOR} (TABELA, CAMPO, LIVRE, VALOR) "
                  "VALUES ('MAT_ITEN', 'BARRA', 0, '0000000000024')"));
  test::exec(
      DBLocal_SQL("INSERT INTO {CODIGOSVALOR} (TABELA, CAMPO, LIVRE, VALOR) "
                  "VALUES ('MATERIAL', 'BARRA', 0, '0000000000031')"));
  EXPECT_EQ(Gera_EAN13("CB-M2", "CRU", "", "M"), "0000000000048");
  EXPECT_EQ(Gera_EAN13("CB-M3", "CRU", "", "M"), "0000000000055");
  EXPECT_TRUE(dialogs_.records().empty());
}

}  // namespace
}  // namespace zpk
