// The browser tab.
#include "ui/janelas_pequenas_browser.hpp"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

#include "foundation/external_programs.hpp"
#include "ui/janelas_sistema.hpp"

namespace zpk::ui {

TfmWebBrowser::TfmWebBrowser(QWidget* parent) : QWidget(parent) {
  setObjectName("fmWebBrowser");
  setWindowTitle("ZELVO Browser");
  setFont(QFont("Tahoma"));
  auto* layout = new QVBoxLayout(this);
  aviso_ = new QLabel(this);
  aviso_->setObjectName("TIWebBrowser1");
  aviso_->setWordWrap(true);
  aviso_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(aviso_, 1);
  fmWebBrowser = this;
}

TfmWebBrowser::~TfmWebBrowser() {
  if (fmWebBrowser == this) fmWebBrowser = nullptr;
}

bool TfmWebBrowser::LoadURL(const std::string& URL) {
  url_ = URL;
  const bool aberto = open_with_associated_program(URL);
  const QString url = QString::fromStdString(URL);
  aviso_->setText(aberto ? "Sem navegador embutido: o endereço foi aberto no navegador do sistema.\n" + url
                         : "Não foi possível abrir o navegador do sistema para o endereço:\n" + url);
  return aberto;
}

QString TfmWebBrowser::aviso() const {
  return aviso_->text();
}

TfmWebBrowser* mostra_browser(const std::string& URL) {
  if (!fmWebBrowser) {
    auto* janela = new TfmWebBrowser;
    janela->setAttribute(Qt::WA_DeleteOnClose);
    if (sysJanelas && sysJanelas->torna_filha(janela)) sysJanelas->AddWindowBar(janela, "", "");
  }
  TfmWebBrowser* janela = fmWebBrowser;
  janela->LoadURL(URL);
  if (auto* moldura = qobject_cast<QMdiSubWindow*>(janela->parentWidget())) {
    moldura->showMaximized();
    if (moldura->mdiArea()) moldura->mdiArea()->setActiveSubWindow(moldura);
  } else {
    janela->showMaximized();
    janela->raise();
  }
  return janela;
}

int BrowserNaJanela::show_message(const MessageRequest& request) {
  if (request.kind != DialogKind::web_browser) return inner_.show_message(request);
  mostra_browser(request.text);
  return 1;
}

}  // namespace zpk::ui
