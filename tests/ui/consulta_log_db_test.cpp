// The windows over a real database: the audit viewer lists the LOG rows of a
// record, the refusal screen opens when the access rights refuse, and
// `zpk gui --screenshot` draws the main window with the stock list's preview.
#include "ui/consulta_log.hpp"
#include "ui/detail/consulta_log.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>

#include "foundation/access_rights.hpp"
#include "foundation/session.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/multi_station.hpp"
#include "support/scoped.hpp"
#include "support/shell.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/detail/tela_recusa.hpp"
#include "ui/tela_recusa.hpp"

namespace zpk::ui {
namespace {

namespace fs = std::filesystem;
using test::exec;

class JanelasDb : public test::DatabaseTest {
 protected:
  void SetUp() override { aplicacao_qt(); }
  void TearDown() override {
    show_consulta_log = previous_viewer_;
    set_refusal_screen(previous_refusal_);
    test::DatabaseTest::TearDown();
  }

  static void log_row(const std::string& tela, const std::string& chave, const std::string& empresa,
                      const std::string& hora, const std::string& usuario, const std::string& descricao) {
    exec(
        "INSERT INTO LOG (DATA, HORA, USUARIO, TELA, DESCRICAO, EMPRESA, CHAVE, OPERACAO) VALUES "
        "('2025-03-10', :HORA, :USUARIO, :TELA, :DESCRICAO, :EMPRESA, :CHAVE, 'Alteração')",
        {"2025-03-10 " + hora, usuario, tela, descricao, empresa, chave});
  }

  std::function<void(TFmConsultaLog&)> previous_viewer_ = install_consulta_log();
  RefusalScreen previous_refusal_ = install_tela_recusa();
  test::ScopedValue<std::string> usuario_{vUsuario, "OPERADOR"};
};

// The grid's rows as text, column by column.
std::vector<std::vector<std::string>> linhas(QTableWidget& grid) {
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < grid.rowCount(); ++r) {
    rows.emplace_back();
    for (int c = 0; c < grid.columnCount(); ++c) rows.back().push_back(grid.item(r, c)->text().toStdString());
  }
  return rows;
}

TEST_F(JanelasDb, AuditViewerListsTheRecordsRowsOfItsScreensInOrder) {
  log_row("PEDIDO", "000777", "_001", "15:00:00", "ANA", "SEGUNDA");
  log_row("PEDIDO", "000777", "_001", "09:30:00", "JOAO", "PRIMEIRA");
  log_row("ORCAMENTO", "000777", "_001", "10:00:00", "ANA", "DO ORCAMENTO");
  log_row("PEDIDO", "000777", "_002", "11:00:00", "RITA", "OUTRA EMPRESA");
  log_row("PEDIDO", "000778", "_001", "12:00:00", "ANA", "OUTRO PEDIDO");

  const struct {
    const char* telas;
    bool todas;
    std::vector<std::vector<std::string>> expected;
  } kCases[] = {
      {"PEDIDO",
       false,
       {{"JOAO", "10/03/2025", "09:30:00", "PEDIDO", "PRIMEIRA", "Alteração", "_001"},
        {"ANA", "10/03/2025", "15:00:00", "PEDIDO", "SEGUNDA", "Alteração", "_001"}}},
      {"PEDIDO;ORCAMENTO", false, {{"JOAO"}, {"ANA"}, {"ANA"}}},
      {"PEDIDO", true, {{"JOAO"}, {"RITA"}, {"ANA"}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.telas);
    std::vector<std::vector<std::string>> shown;
    QString caption;
    QSize size;
    // The viewer is modal: read it once it is up, then close it.
    QTimer::singleShot(0, [&] {
      auto* window = qobject_cast<ConsultaLogWindow*>(QApplication::activeModalWidget());
      ASSERT_NE(window, nullptr);
      caption = window->windowTitle();
      size = window->size();
      shown = linhas(window->grid());
      window->accept();
    });
    AcessaLog(c.telas, "000777", c.todas);
    EXPECT_EQ(caption, "Consulta Alterações");
    EXPECT_EQ(size, QSize(944, 458));
    ASSERT_EQ(shown.size(), c.expected.size());
    for (size_t r = 0; r < shown.size(); ++r) {
      // Rows given in full are compared whole, the others by user (the order).
      if (c.expected[r].size() == 1) {
        EXPECT_EQ(shown[r][0], c.expected[r][0]) << "row " << r;
      } else {
        EXPECT_EQ(shown[r], c.expected[r]) << "row " << r;
      }
    }
  }
}

TEST_F(JanelasDb, RefusedRightOpensTheRefusalScreen) {
  exec(
      "INSERT INTO ACESSO_USUARIOS (CODIGO, NOME, TIPO, ATIVO, SENHA) VALUES ('901', 'OPERADOR', '', 'S', "
      "'x')");
  exec(
      "INSERT INTO ACESSO_MENU (NIVEL, NOME_FORM, RELATORIO, DESCRICAO) VALUES ('9.1', 'TfmCadCor', '', "
      "'Cores')");
  exec(
      "INSERT INTO ACESSO (USUARIO, LOCAL, ALTERA, CONSULTA, EXCLUI) VALUES ('901', '9.1', 'Sim', 'Sim', "
      "'Não')");

  const auto visible_refusals = [] {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<TfmNegado*>(w) && w->isVisible()) ++n;
    return n;
  };
  EXPECT_TRUE(Acessa("TfmCadCor", "A", "1", ""));
  EXPECT_EQ(visible_refusals(), 0);
  EXPECT_FALSE(Acessa("TfmCadCor", "E", "1", ""));
  ASSERT_EQ(visible_refusals(), 1);
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* negado = qobject_cast<TfmNegado*>(w); negado && negado->isVisible()) {
      EXPECT_EQ(negado->windowTitle(), "Controle de Acesso");
      EXPECT_EQ(negado->findChild<QLabel*>("lblNegado")->text(), "Acesso Negado");
      negado->accept();
    }
  }
  EXPECT_EQ(visible_refusals(), 0);
}

// Runs the zpk program; the suite's connection is closed meanwhile, since the
// embedded server gives the database file to one process at a time.
class ZpkGuiDb : public test::DatabaseTest {};

TEST_F(ZpkGuiDb, ScreenshotSavesTheMainWindowWithThePreview) {
  test::TempFolder temp{"zpk-gui"};
  const fs::path png = temp.path() / "janela.png";
  Tabela.disconnect();
  const std::string out =
      test::shell_output("QT_QPA_PLATFORM=offscreen '" + test::zpk_binary().string() + "' gui --db '" +
                         database_path().string() + "' --screenshot '" + png.string() + "' 2>/dev/null");
  Tabela.connect_company(database_path().string(), "001");
  EXPECT_NE(out.find("screenshot: " + png.string()), std::string::npos) << out;
  QImage image(QString::fromStdString(png.string()));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(1100, 850));
  // The page is drawn: a white sheet with dark print somewhere in the middle of the window.
  int white = 0, dark = 0;
  for (int y = 100; y < 700; y += 3) {
    for (int x = 250; x < 950; x += 3) {
      const QColor c = image.pixelColor(x, y);
      if (c.lightness() > 250) ++white;
      if (c.lightness() < 80) ++dark;
    }
  }
  EXPECT_GT(white, 10000);
  EXPECT_GT(dark, 50);
}

}  // namespace
}  // namespace zpk::ui
