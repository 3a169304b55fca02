// ValidaCampo against a real company database: a code the table does not
// hold is refused and the focus goes back to the field; an empty field opens
// the look-up only when asked to.
#include "ui/field_checks.hpp"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "ui/aplicacao_qt.hpp"

namespace zpk::ui {
namespace {

class ValidaCampoTest : public zpk::test::DatabaseTest {
 protected:
  void SetUp() override { aplicacao_qt(); }
};

TEST_F(ValidaCampoTest, RefusesACodeTheTableDoesNotHold) {
  const struct {
    const char* typed;
    bool abrir;
    bool accepted;
    bool refused_message;
    bool opened_lookup;
  } kCases[] = {
      {"000001", false, true, false, false},  // a demo customer
      {"999999", false, false, true, false},
      {"999999", true, false, true, false},
      {"", true, true, false, true},
      {"", false, true, false, false},
      {"D'AGUA", false, false, true, false},                           // a quote is part of the code
      {"000001,000002", false, false, true, false},                    // one code, not a list
      {"0'; DELETE FROM ENTIDADE_001 --", false, false, true, false},  // bound, refused, nothing run
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.typed) + (c.abrir ? " abrir" : ""));
    HeadlessDialogs headless;
    ScopedDialogService scoped(headless);
    bool opened = false;
    const PesquisaCampo pesquisa{"ENTIDADE", "CODCLI", [&](QLineEdit&) { opened = true; }};
    QLineEdit edit(QString::fromUtf8(c.typed));
    EXPECT_EQ(ValidaCampo(c.abrir, edit, pesquisa), c.accepted);
    EXPECT_EQ(opened, c.opened_lookup);
    if (c.refused_message) {
      ASSERT_EQ(headless.records().size(), 1u);
      EXPECT_EQ(headless.last().text, "Código digitado inválido. Consulte.");
      EXPECT_EQ(headless.last().caption, "ZELVO Sistemas");
      EXPECT_EQ(headless.last().type, mtInformation);
    } else {
      EXPECT_TRUE(headless.records().empty());
    }
    EXPECT_EQ(edit.text(), QString::fromUtf8(c.typed)) << "the check never changes the field";
  }
  // The customer the quoted text tried to delete is still there.
  HeadlessDialogs headless;
  ScopedDialogService scoped(headless);
  QLineEdit still(QStringLiteral("000001"));
  EXPECT_TRUE(ValidaCampo(false, still, {"ENTIDADE", "CODCLI", {}}));
}

}  // namespace
}  // namespace zpk::ui
