// English captions: only when the company asks for them (parameter SIS 10 =
// "I"), from the station's dictionary file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/temas.hpp"

namespace zpk::ui {
namespace {

class TraducaoTest : public test::DatabaseTest {};

TEST_F(TraducaoTest, CaptionsAreTranslatedOnlyWhenTheCompanyWorksInEnglish) {
  aplicacao_qt();
  test::TempFolder pasta("traducao");
  set_program_folder(pasta.path());
  set_user_settings_folder(pasta.path() / "usuario");
  test::write_file(pasta.path() / "Ingles.lng",
                   "Cliente=Customer\r\ngravar=save\r\nPEDIDOS DO CLIENTE=customer orders\r\n");

  const struct {
    const char* parametro;
    const char* rotulo;
    const char* botao;
    const char* titulo;
    const char* coluna;
  } kCases[] = {{"I", "Customer", "Save", "Customer Orders", "Customer"},
                {"N", "Cliente:", "Gravar", "Pedidos do Cliente", "Cliente"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.parametro);
    test::set_parameter("SIS", 10, c.parametro);
    QWidget form;
    form.setWindowTitle("Pedidos do Cliente");
    auto* rotulo = new QLabel("Cliente:", &form);
    auto* botao = new QPushButton("Gravar", &form);
    auto* grade = new QTableView(&form);
    QStandardItemModel modelo(0, 1);
    modelo.setHorizontalHeaderLabels({"Cliente"});
    grade->setModel(&modelo);
    ConfiguraTela(&form);
    EXPECT_EQ(modelo.headerData(0, Qt::Horizontal).toString().toStdString(), c.coluna);
    EXPECT_EQ(rotulo->text().toStdString(), c.rotulo);
    EXPECT_EQ(botao->text().toStdString(), c.botao);
    EXPECT_EQ(form.windowTitle().toStdString(), c.titulo);
  }
  set_program_folder({});
  set_user_settings_folder({});
}

}  // namespace
}  // namespace zpk::ui
