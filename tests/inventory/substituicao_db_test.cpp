// Item substitutions on a real database: one record per document, original
// item and colour; a substitution by the item itself only removes it; a
// quantity of 0 and a value too long for its column write nothing.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/lookups.hpp"
#include "inventory/substituicao.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

class Substitution : public test::DatabaseTest {
 protected:
  static std::vector<std::string> records(const std::string& documento) {
    return test::rows(DBLocal_SQL("SELECT CODIGO_ORIG, CODIGO_DEST, COR, COR_DEST, TP_ITEN, TP_MOV, QTDE "
                                  "FROM {OUT_MOV} WHERE NUM_DOCTO = ? ORDER BY CODIGO_ORIG, COR"),
                      {documento});
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

TEST_F(Substitution, OneRecordPerOriginalItemAndColour) {
  const struct {
    const char *codigo, *cor, *cor_dest, *codigo_orig;
    double qtde;
    std::vector<std::string> expected;
    const char* box;
  } kCases[] = {
      {"CB-FIO2", "CRU", "AZ", "CB-FIO1", 12.5, {"CB-FIO1|CB-FIO2|CRU|AZ|M|SA|12,5"}, nullptr},
      // A second substitution of the same original replaces the first.
      {"CB-FIO3", "CRU", "VD", "CB-FIO1", 4, {"CB-FIO1|CB-FIO3|CRU|VD|M|SA|4"}, nullptr},
      {"CB-FIO3",
       "PT",
       "PT",
       "CB-FIO1",
       1,
       {"CB-FIO1|CB-FIO3|CRU|VD|M|SA|4", "CB-FIO1|CB-FIO3|PT|PT|M|SA|1"},
       nullptr},
      // Substituting the item by itself only removes its record.
      {"CB-FIO1", "CRU", "CRU", "CB-FIO1", 4, {"CB-FIO1|CB-FIO3|PT|PT|M|SA|1"}, nullptr},
      {"CB-FIO9",
       "PT",
       "PT",
       "CB-FIO1",
       0,
       {"CB-FIO1|CB-FIO3|PT|PT|M|SA|1"},
       "Não pode substituir item já movimentado."},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.codigo) + " " + c.cor + " " + std::to_string(c.qtde));
    dialogs_.clear();
    GravaSubstituicao(c.codigo, c.cor, c.cor_dest, c.codigo_orig, "M", "SA", "CB-DOC1", c.qtde);
    EXPECT_EQ(records("CB-DOC1"), c.expected);
    if (c.box == nullptr) {
      EXPECT_TRUE(dialogs_.records().empty());
    } else {
      ASSERT_EQ(dialogs_.records().size(), 1u);
      EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
      EXPECT_EQ(dialogs_.last().text, c.box);
    }
  }
  EXPECT_EQ(test::value(DBLocal_SQL("SELECT MAX(DATA_MOV) FROM {OUT_MOV} WHERE NUM_DOCTO = 'CB-DOC1'"))
                .AsDateTime()
                .Value,
            Date().Value);
}

TEST_F(Substitution, ARecordThatCannotBeWrittenKeepsTheEarlierOne) {
  GravaSubstituicao("CB-FIO2", "CRU", "AZ", "CB-FIO1", "M", "SA", "CB-DOC2", 3);
  // A quote and a comment marker are stored as typed.
  GravaSubstituicao("CB-FIO'--", "CRU", "AZ", "CB-FIO4", "M", "SA", "CB-DOC2", 2);
  GravaSubstituicao(std::string(30, 'X'), "CRU", "AZ", "CB-FIO1", "M", "SA", "CB-DOC2", 5);
  ASSERT_EQ(dialogs_.records().size(), 1u);
  EXPECT_EQ(dialogs_.last().text.rfind("Erro na gravação do Movimentação Substituição.\r", 0), 0u)
      << dialogs_.last().text;
  EXPECT_NE(dialogs_.last().text.find("CODIGO_DEST"), std::string::npos) << dialogs_.last().text;
  EXPECT_EQ(records("CB-DOC2"),
            (std::vector<std::string>{"CB-FIO1|CB-FIO2|CRU|AZ|M|SA|3", "CB-FIO4|CB-FIO'--|CRU|AZ|M|SA|2"}));
}

}  // namespace
}  // namespace zpk
