// Every screen opened is written to the audit log when the host asks for it,
// modal ones too, keyed by the report code handed to the screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "foundation/session.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/carrega_form.hpp"

namespace zpk::ui {
namespace {

const RegistraTela kTelaLog("TfmTelaLog", [] {
  auto* tela = new QWidget;
  tela->setObjectName("fmTelaLog");
  return tela;
});

class CarregaFormLogTest : public test::DatabaseTest {};

TEST_F(CarregaFormLogTest, OpeningsAreLoggedWithTheReportCodeOrZero) {
  aplicacao_qt();
  test::ScopedValue<std::string> log(sLogTelas, "S");
  test::ScopedValue<std::string> usuario(vUsuario, "ADMIN");
  QTimer fecha;  // closes the modal screen once it is up
  QObject::connect(&fecha, &QTimer::timeout, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      fecha.stop();
      modal->close();
    }
  });
  fecha.start(1);
  EXPECT_EQ(Carrega_Form("", "TfmTelaLog", "FAT01", true, true, "N"), nullptr);
  QWidget* tela = Carrega_Form("", "TfmTelaLog", "", false, true, "N");
  ASSERT_NE(tela, nullptr);
  delete tela;

  sLogTelas = "N";
  delete Carrega_Form("", "TfmTelaLog", "FAT02", false, true, "N");
  EXPECT_EQ(test::rows("SELECT TELA, DESCRICAO, CHAVE, OPERACAO, FORMULARIO FROM LOG "
                       "WHERE DESCRICAO = 'ABERTURA DA TELA' ORDER BY HORA, CHAVE DESC"),
            (std::vector<std::string>{"PRINCIPAL|ABERTURA DA TELA|FAT01|Movimentação|fmTelaLog",
                                      "PRINCIPAL|ABERTURA DA TELA|0|Movimentação|fmTelaLog"}));
}

}  // namespace
}  // namespace zpk::ui
