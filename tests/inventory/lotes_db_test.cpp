// Lots on a real database: roll and weaving-order numbers after the highest
// stored lot of the prefix (numeric or not), reserved so that a second call
// never gets the same number; the expiry check with its repeating box; and
// the quality verdicts with what the user is asked and told.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/lookups.hpp"
#include "inventory/lotes.hpp"
#include "platform/db/database_error.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

class Lots : public test::DatabaseTest {
 protected:
  static void product_lot(const std::string& codigo, const std::string& lote) {
    test::exec(DBLocal_SQL("INSERT INTO {PA_ITEN} (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE) "
                           "VALUES (?, '01', 'M', '1', '0001', ?)"),
               {codigo, lote});
  }
  static void material_lot(const std::string& codigo, const std::string& lote) {
    test::exec(
        DBLocal_SQL("INSERT INTO {MAT_ITEN} (CODIGO, COR, DEPOSITO, LOTE) VALUES (?, 'CRU', '0001', ?)"),
        {codigo, lote});
  }
  static void verdict(const std::string& numero, const char* status, const char* obs, TDateTime validade) {
    test::exec(
        DBLocal_SQL("INSERT INTO {OF2} (CODIGO, NUMERO, DATA2, STATUS, OBS) VALUES ('CB-TEC', ?, ?, ?, ?)"),
        {numero, validade, status, obs});
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

TEST_F(Lots, ProximoRoloFollowsTheHighestLotOfThePrefix) {
  product_lot("CB-R1", "CBR000041");  // not a number: read as text
  product_lot("CB-R1", "CBR000007");
  product_lot("CB-R1", "CBR0099");      // shorter than 9: does not count
  material_lot("CB-RM", "2026000041");  // numeric lots keep their width
  material_lot("CB-RM", "2026000039");
  material_lot("CB-RM", "0026000099");  // leading zeros
  product_lot("CB-R1", "2026000500");   // a product lot: not a material roll

  const struct {
    const char *prefixo, *tipo, *expected;
  } kCases[] = {
      {"CBR", "P", "042"},  {"CBR", "P", "043"},  // 042 was handed out: taken even before it is stored
      {"2026", "M", "042"}, {"0026", "M", "100"}, {"CBR", "M", "001"},  // no material lot of the prefix
      {"NONE", "P", "001"}, {"2026", "P", "501"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.prefixo) + " " + c.tipo);
    EXPECT_EQ(ProximoRolo(c.prefixo, c.tipo), c.expected);
  }
  // A lot stored above the reservations moves the numbering on.
  product_lot("CB-R1", "CBR000060");
  EXPECT_EQ(ProximoRolo("CBR", "P"), "061");
  // Numbers reach four digits without being cut.
  product_lot("CB-R1", "CBR001234");
  EXPECT_EQ(ProximoRolo("CBR", "P"), "1235");
  // What was handed out is committed: another station sees it taken.
  test::OtherStation other;
  EXPECT_EQ(
      test::number(DBLocal_SQL("SELECT COUNT(*) FROM {LOTE_EMITIDO} WHERE PREFIXO = 'CBR'"), {}, other.db()),
      5);
}

TEST_F(Lots, ProximaOrdemTecelBNumbersAfterTheSixCharacterPrefix) {
  for (const char* lote : {"TC2026005", "TC2026012", "TC2025099", "TC2026"}) {
    test::exec(DBLocal_SQL("INSERT INTO {TECELB} (LOTE) VALUES (?)"), {lote});
  }
  const struct {
    const char *prefixo, *expected;
  } kCases[] = {
      {"TC2026", "013"},
      {"TC2026", "014"},
      {"TC2025", "100"},
      {"TC2024", "001"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.prefixo);
    EXPECT_EQ(ProximaOrdemTecelB(c.prefixo), c.expected);
  }
}

TEST_F(Lots, AnExpiredLotIsRefusedOnceTheBoxIsConfirmed) {
  const TDateTime hoje = Date();
  verdict("L-OLD", "", "", hoje - 1);
  verdict("L-TODAY", "", "", hoje);
  const std::string texto = "Lote Vencido:  L-OLD\rData Validade: " + DateToStr(hoje - 1);

  const struct {
    const char* lote;
    std::vector<std::string> replies;
    bool expected;
    size_t boxes;
  } kCases[] = {
      {"", {}, true, 0},  // no lot: nothing to check
      {"L-TODAY", {}, true, 0},
      {"L-NONE", {}, true, 0},
      {"L-OLD", {"ok"}, false, 1},
      {"L-OLD", {"cancel", "cancel", "ok"}, false, 3},  // Cancel shows the box again
      {"L-OLD", {}, false, 1},                          // nobody to answer: shown once, not for ever
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.lote) + " " + std::to_string(c.replies.size()));
    dialogs_.clear();
    dialogs_.reply_all(c.replies);
    EXPECT_EQ(BuscarDtValidadeLote("CB-TEC", c.lote), c.expected);
    ASSERT_EQ(dialogs_.records().size(), c.boxes);
    for (const auto& box : dialogs_.records()) {
      EXPECT_EQ(box.caption, "ZELVO Sistemas");
      EXPECT_EQ(box.text, texto);
      EXPECT_EQ(box.buttons.size(), 2u);
      EXPECT_EQ(box.default_button, 2);  // Cancel
    }
    EXPECT_EQ(dialogs_.pending_replies(), 0u);
  }
}

TEST_F(Lots, VerificaStatusLaudoFollowsTheVerdict) {
  const TDateTime hoje = Date();
  verdict("L-REST", "1", "MANCHAS LEVES", hoje + 30);
  verdict("L-REPR", "2", "FORA DE COR", hoje + 30);
  verdict("L-ANAL", "3", "", hoje + 30);
  verdict("L-FREE", "0", "", hoje + 30);
  test::exec(DBLocal_SQL("INSERT INTO {OF2} (CODIGO, NUMERO) VALUES ('CB-TEC', 'L-NULL')"));

  const struct {
    const char *lote, *reply;
    bool expected;
    const char* text;  // the box shown, nullptr for none
  } kCases[] = {
      {"L-REST", "no", false, "Lote Aprovado com Restrições MANCHAS LEVES. Deseja continuar?"},
      {"L-REST", "", false,
       "Lote Aprovado com Restrições MANCHAS LEVES. Deseja continuar?"},  // No by default
      {"L-REST", "yes", true, "Lote Aprovado com Restrições MANCHAS LEVES. Deseja continuar?"},
      {"L-REPR", "", false, "Lote Reprovado FORA DE COR."},
      {"L-ANAL", "", false, "Lote Em Análise."},
      {"L-FREE", "", true, nullptr},
      {"L-NULL", "", true, nullptr},
      {"L-NONE", "", true, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.lote) + " " + c.reply);
    dialogs_.clear();
    if (*c.reply != '\0') dialogs_.reply(c.reply);
    EXPECT_EQ(VerificaStatusLaudo("CB-TEC", c.lote, "TfmLaudo"), c.expected);
    if (c.text == nullptr) {
      EXPECT_TRUE(dialogs_.records().empty());
      continue;
    }
    ASSERT_FALSE(dialogs_.records().empty());
    EXPECT_EQ(dialogs_.records().front().caption, "ZELVO Sistemas");
    EXPECT_EQ(dialogs_.records().front().text, c.text);
  }
}

}  // namespace
}  // namespace zpk
