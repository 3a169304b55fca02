// `zpk gui [--db X] [--empresa E] [--screenshot FILE]`: the ERP's main window
// (tab bar over the MDI area) with a menu built from ACESSO_MENU, two screens
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

#include "foundation/audit_log.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "reporting/funcoes_relatorio.hpp"
#include "reporting/layout_datasets.hpp"
#include "reporting/report.hpp"
#include "reporting/sreport.hpp"
#include "session.hpp"
#include "ui/aplicacao_qt.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/ui/dialog_service.hpp"
#include "ui/consulta_log.hpp"
#include "ui/janelas_sistema.hpp"
#include "ui/qt_dialogs.hpp"
#include <QLabel>
#include <QVBoxLayout>
#include "ui/detail/preview_window.hpp"
#include "ui/preview_host_qt.hpp"
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

// A menu entry of ACESSO_MENU: its level, screen class, package, report code
// and caption.
struct ItemMenu {
  std::string nivel, nome_form, nome_bpl, relatorio, caption, descricao;
};

std::vector<ItemMenu> itens_menu() {
  zpk::TTIQuery q(zpk::Tabela.IBDatabase);
  q.SQL.Text = "SELECT NIVEL, NOME_FORM, NOME_BPL, RELATORIO, CAPTION, DESCRICAO FROM " +
               zpk::DBLocal("ACESSO_MENU") + " ORDER BY NIVEL";
  q.Open();
  std::vector<ItemMenu> itens;
  for (; !q.Eof(); q.Next()) {
    itens.push_back({q.Fields(0).AsString(), q.Fields(1).AsString(), q.Fields(2).AsString(), q.Fields(3).AsString(),
                     q.Fields(4).AsString(), q.Fields(5).AsString()});
  }
  return itens;
}

// The screens of the menu stand for the ERP's own (which live in its
// packages): a window named after the screen class with the entry's text.
// It is opened as an MDI child with its tab, captioned from ACESSO_MENU.
void open_screen(const ItemMenu& item) {
  auto* tela = new QWidget;
  tela->setObjectName(QString::fromStdString(item.nome_form));
  tela->setProperty("NomeClasse", QString::fromStdString(item.nome_form));
  tela->setWindowTitle(QString::fromStdString(item.caption));
  tela->setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(tela);
  layout->addWidget(new QLabel(QString::fromStdString(
      fmt::format("{} ({} de {})\nTela de demonstração.", item.descricao, item.nome_form, item.nome_bpl))));
  zpk::ui::sysJanelas->torna_filha(tela);
  zpk::ui::sysJanelas->AddWindowBar(tela, item.nome_bpl, item.relatorio);
  tela->show();
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

  const std::vector<ItemMenu> itens = itens_menu();
  QMenu* menu = main.menuBar()->addMenu("&Menu");
  for (const ItemMenu& item : itens) {
    menu->addAction(QString::fromStdString(item.nivel + " - " + item.caption), &main,
                    [item] { open_screen(item); });
  }
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

  for (const ItemMenu& item : itens) open_screen(item);
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
