// The menu from ACESSO_MENU: each item carries its screen, package, level and
// report code, and choosing it opens the screen with its tab.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMenu>
#include <QTabBar>
#include <QWidget>
#include <memory>

#include "foundation/session.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/carrega_form.hpp"
#include "ui/janelas_sistema.hpp"
#include "ui/menu_acesso.hpp"

namespace zpk::ui {
namespace {

const RegistraTela kTelaMenu("TfmMenuTeste", [] {
  auto* tela = new QWidget;
  tela->setWindowTitle("Sem legenda do menu");
  return tela;
});

class MenuAcessoTest : public test::DatabaseTest {};

TEST_F(MenuAcessoTest, ItemsCarryTheirScreenAndOpenItInATab) {
  aplicacao_qt();
  test::exec(
      "INSERT INTO ACESSO_MENU (NIVEL, NOME_FORM, NOME_BPL, RELATORIO, CAPTION, SALVAR_TELA) "
      "VALUES ('9.02', 'TfmMenuTeste', '', 'R9', 'Menu de teste', 'N')");
  // A heading of the access tree names no screen: it is no item.
  test::exec("INSERT INTO ACESSO_MENU (NIVEL, CAPTION) VALUES ('9', 'Testes')");
  std::unique_ptr<QMainWindow> principal(make_main_window());
  SetFormPrincipal(principal.get());
  principal->show();

  QMenu menu;
  const std::vector<TsMenuItem*> itens = monta_menu_acesso(menu);
  TsMenuItem* teste = nullptr;
  for (TsMenuItem* item : itens) {
    EXPECT_NE(item->NivelForm, "9");
    if (item->NivelForm == "9.02") teste = item;
  }
  ASSERT_NE(teste, nullptr);
  EXPECT_EQ(teste->text(), "9.02 - Menu de teste");
  EXPECT_EQ(teste->property("NomeForm").toString(), "TfmMenuTeste");
  EXPECT_EQ(teste->property("NomeBpl").toString(), "");
  EXPECT_EQ(teste->property("CodRelatorio").toString(), "R9");
  EXPECT_EQ(itens.front()->NomeBpl, "zpkVendas.bpl");  // the demo rows come first, in level order

  teste->trigger();
  ASSERT_EQ(sysJanelas->TITabs()->count(), 1);
  EXPECT_EQ(sysJanelas->TITabs()->tabText(0), "9.02 - Menu de teste");
  EXPECT_EQ(sRelatorio, "R9");
  sysJanelas.reset();
  principal.reset();
}

}  // namespace
}  // namespace zpk::ui
