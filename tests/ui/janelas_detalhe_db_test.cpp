// The detail pop-up shows a query's rows and goes away, freed, as soon as the
// user clicks elsewhere.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTableView>

#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/janelas_pequenas_detalhe.hpp"

namespace zpk::ui {
namespace {

class TelaDetalhamentoTest : public test::DatabaseTest {};

TEST_F(TelaDetalhamentoTest, ShowsTheRowsAndFreesItselfWhenItLosesActivation) {
  aplicacao_qt();
  TTIQuery consulta(Tabela.IBDatabase);
  consulta.SQL.Add("SELECT NIVEL, CAPTION FROM ACESSO_MENU WHERE NIVEL IN ('1.01', '1.02') ORDER BY NIVEL");
  consulta.Open();
  QPointer<TfmDetalhamento> janela = TelaDetalhamento("Menu", consulta);
  ASSERT_TRUE(janela);
  EXPECT_EQ(janela->windowTitle(), "Menu");
  EXPECT_TRUE(janela->isVisible());
  EXPECT_EQ(janela->size(), QSize(900, 205));
  QAbstractItemModel* dados = janela->TIDBGrid1->model();
  ASSERT_EQ(dados->rowCount(), 2);
  EXPECT_EQ(dados->headerData(1, Qt::Horizontal).toString(), "CAPTION");
  EXPECT_EQ(dados->index(1, 1).data().toString(), "Faturamento");

  // Activation moving to another window ends the pop-up.
  QEvent perde(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(janela, &perde);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(janela.isNull());
}

}  // namespace
}  // namespace zpk::ui
