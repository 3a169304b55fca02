// `zpk gui [--db X] [--empresa E] [--screenshot FILE]`: the ERP's main window
// (tab bar over the MDI area) with a menu built from ACESSO_MENU, its screens
// (stand-ins where their package is missing), the demo package's screen
// and the preview of the stock list (WESTOQUE) in tabs, and the library's
// dialogs as Qt windows. Without --db it runs on the demo database.
// --screenshot saves the main window as a PNG once it is drawn and exits, for
// scripts under Xvfb.
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

#include <QLabel>
#include <QVBoxLayout>
#include "foundation/audit_log.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "registry.hpp"
#include "reporting/funcoes_relatorio.hpp"
#include "reporting/layout_datasets.hpp"
#include "reporting/report.hpp"
#include "reporting/sreport.hpp"
#include "session.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/consulta_log.hpp"
#include "ui/detail/preview_window.hpp"
#include "ui/janelas_sistema.hpp"
#include "ui/menu_acesso.hpp"
#include "ui/preview_host_qt.hpp"
#include "ui/qt_dialogs.hpp"
#include "ui/tela_recusa.hpp"

namespace {

namespace fs = std::filesystem;

struct GuiOptions {
  std::string screenshot;
};

// The stock list the demo previews: the shipped layout over the connected company.
struct StockList {
  zpk::TprReport report;
  std::optional<zpk::LayoutDataSets> datasets;

  explicit StockList(const std::string& empresa) {
    const fs::path file = zpk::find_schema_dir().parent_path() / "reports" / "layout" / "WESTOQUE.prt";
    report.LoadTemplateFromFile(file.string());
    zpk::LigaFuncoesRelatorio(report);
    auto& v = report.Variables.AddVariable();
    v.Name = "vEmpresa";
    v.SetAsString(empresa);
    datasets.emplace(report, zpk::Tabela.IBDatabase);
    report.Prepare();
  }
};

// Opens the stock list's preview as a tab of the main window.
void open_stock_preview(StockList& list) {
  auto form = std::make_unique<zpk::TFmSReport>();
  form->Report = &list.report;
  form->Caption = "Visualização Estoque por grupo";
  auto* preview = new zpk::ui::PreviewWindow(std::move(form));
  preview->setAttribute(Qt::WA_DeleteOnClose);
  zpk::ui::sysJanelas->torna_filha(preview);
  zpk::ui::sysJanelas->AddWindowBar(preview, "", "");
  preview->showMaximized();  // the preview is a maximised window, as the ERP opens it
}

// The ERP's own screens live in its packages, which the demo does not have:
// an item whose package is missing opens a stand-in named after the screen
// class, with the entry's text, as an MDI child with its tab.
void open_stand_in(const zpk::ui::TsMenuItem& item, const std::string& motivo) {
  auto* tela = new QWidget;
  tela->setObjectName(QString::fromStdString(item.NomeForm));
  tela->setProperty("NomeClasse", QString::fromStdString(item.NomeForm));
  tela->setWindowTitle(item.text());
  tela->setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(tela);
  layout->addWidget(new QLabel(
      QString::fromStdString(fmt::format("{} ({} de {})\nTela de demonstração: {}.",
                                         item.text().toStdString(), item.NomeForm, item.NomeBpl, motivo))));
  zpk::ui::sysJanelas->torna_filha(tela);
  zpk::ui::sysJanelas->AddWindowBar(tela, item.NomeBpl, item.CodRelatorio);
  tela->show();
}

// Opens a menu item's screen through Carrega_Form, as the ERP's menu does.
void open_item(zpk::ui::TsMenuItem& item) {
  try {
    item.abre();
  } catch (const zpk::EZpkError& e) {
    open_stand_in(item, e.what());
  }
}

int run_gui(const GuiOptions& o, const zpk::cli::CallOptions& options) {
  std::optional<zpk::cli::CallSession> session;
  if (options.db.empty()) {
    zpk::cli::demo_session(options, std::cout);
  } else {
    session.emplace(options);
  }
  QApplication& app = zpk::ui::aplicacao_qt();
  zpk::ui::install_preview_host();
  zpk::ui::install_consulta_log();
  zpk::ui::install_tela_recusa();

  zpk::ui::QtDialogs dialogs;
  zpk::ScopedDialogService dialog_guard(dialogs);
  StockList list(options.empresa);
  std::unique_ptr<QMainWindow> main_window(zpk::ui::make_main_window());
  QMainWindow& main = *main_window;
  zpk::ui::SetFormPrincipal(&main);
  main.setWindowTitle(QString::fromStdString(fmt::format("ZELVO ERP — empresa {}", options.empresa)));

  QMenu* menu = main.menuBar()->addMenu("&Menu");
  const std::vector<zpk::ui::TsMenuItem*> itens = zpk::ui::monta_menu_acesso(*menu, open_item);
  // The demo package (zpkDemo.so beside zpk) holds a real screen, loaded by name.
  menu->addSeparator();
  auto* pacote = new zpk::ui::TsMenuItem("Tela do pacote de demonstração (zpkDemo.bpl)", menu);
  pacote->NomeForm = "TfmDemoPacote";
  pacote->NomeBpl = "zpkDemo.bpl";
  QObject::connect(pacote, &QAction::triggered, pacote, [pacote] { open_item(*pacote); });
  menu->addAction(pacote);
  QMenu* relatorios = main.menuBar()->addMenu("&Relatórios");
  relatorios->addAction("&Estoque por grupo", &main, [&] { open_stock_preview(list); });
  QMenu* consultas = main.menuBar()->addMenu("&Consultas");
  consultas->addAction("&Alterações do pedido 000001", &main,
                       [] { zpk::AcessaLog("PEDIDO", "000001", false); });
  QMenu* janela = main.menuBar()->addMenu("&Janela");
  janela->addAction("&Sair", &main, &QMainWindow::close);
  main.statusBar()->showMessage(
      QString::fromStdString(fmt::format("Estoque por grupo: {} página(s)", list.report.GetEndPagesCount())));
  main.resize(1100, 850);

  for (zpk::ui::TsMenuItem* item : itens) open_item(*item);
  open_item(*pacote);
  open_stock_preview(list);
  main.show();

  auto* message = new QMessageBox(
      QMessageBox::Information, "ZELVO ERP",
      "Janelas de demonstração: a pré-visualização do estoque está aberta na aba.", QMessageBox::Ok, &main);
  message->setAttribute(Qt::WA_DeleteOnClose);

  if (!o.screenshot.empty()) {
    // Drawn once the event loop has laid the windows out.
    QTimer::singleShot(0, &main, [&] {
      app.processEvents();
      if (!main.grab().save(QString::fromStdString(o.screenshot), "PNG")) {
        std::cerr << fmt::format("zpk gui: cannot write {}\n", o.screenshot);
        app.exit(1);
        return;
      }
      std::cout << fmt::format("screenshot: {}\n", o.screenshot);
      app.exit(0);
    });
  } else {
    message->open();
  }
  const int status = app.exec();
  std::cout.flush();
  if (status != 0) throw zpk::EAbort();
  return status;
}

const zpk::cli::RegisterCommand kGuiCommand{[](CLI::App& app, zpk::cli::CallOptions& options) {
  auto o = std::make_shared<GuiOptions>();
  CLI::App* cmd = app.add_subcommand(
      "gui", "the windows: a main window with the stock list's preview (zpk gui [--db X] [--screenshot F])");
  cmd->add_option("--screenshot", o->screenshot, "save the main window as this PNG file and exit");
  zpk::cli::add_session_options(*cmd, options);
  cmd->callback([o, &options] { run_gui(*o, options); });
}};

}  // namespace
