// The open-window tab bar of the main form.
#include "ui/janelas_sistema.hpp"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QTabBar>
#include <QTextEdit>
#include <QVBoxLayout>

#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::ui {
namespace {

JanelaMdi* moldura_de(const QWidget* Form) {
  return Form ? qobject_cast<JanelaMdi*>(Form->parentWidget()) : nullptr;
}

}  // namespace

std::string nome_classe(const QWidget* Form) {
  if (!Form) return {};
  const QVariant registrado = Form->property("NomeClasse");
  if (registrado.isValid()) return registrado.toString().toStdString();
  return Form->metaObject()->className();
}

QMainWindow* make_main_window(QWidget* parent) {
  auto* janela = new QMainWindow(parent);
  janela->setObjectName("fmPrincipal");
  auto* centro = new QWidget(janela);
  auto* layout = new QVBoxLayout(centro);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* tabs = new QTabBar(centro);
  tabs->setObjectName("TITabs1");
  tabs->setTabsClosable(true);
  tabs->setExpanding(false);
  auto* area = new QMdiArea(centro);
  area->setObjectName("MdiArea");
  layout->addWidget(tabs);
  layout->addWidget(area, 1);
  janela->setCentralWidget(centro);
  return janela;
}

void JanelaMdi::closeEvent(QCloseEvent* event) {
  if (sysJanelas && sysJanelas->area() == mdiArea()) {
    sysJanelas->OnCloseQueryJanela(this, event);
  } else {
    QMdiSubWindow::closeEvent(event);
  }
}

TJanelasSistema::TJanelasSistema(QMainWindow* Form) : form_principal_(Form) {
  if (!Form) throw EZpkError("SetFormPrincipal: no main form");
  tabs_ = Form->findChild<QTabBar*>("TITabs1");
  area_ = Form->findChild<QMdiArea*>();
  if (!tabs_ || !area_) throw EZpkError("the main form needs a tab bar \"TITabs1\" and an MDI area");
  connect(tabs_, &QTabBar::currentChanged, this, &TJanelasSistema::TITabsTabChange);
  connect(tabs_, &QTabBar::tabCloseRequested, this, &TJanelasSistema::TITabsCloseTab);
  connect(area_, &QMdiArea::subWindowActivated, this, &TJanelasSistema::OnAtivaJanela);
}

TJanelasSistema::~TJanelasSistema() {
  // The tabs' data outlive no instance: a later SetFormPrincipal starts afresh.
  if (tabs_) {
    disconnect(tabs_, nullptr, this, nullptr);
    for (int i = tabs_->count() - 1; i >= 0; --i) {
      delete static_cast<TDadosJanela*>(tabs_->tabData(i).value<void*>());
      tabs_->removeTab(i);
    }
  }
  if (area_) disconnect(area_, nullptr, this, nullptr);
}

QMainWindow* TJanelasSistema::FormPrincipal() const {
  return form_principal_;
}

QTabBar* TJanelasSistema::TITabs() const {
  return tabs_;
}

QMdiArea* TJanelasSistema::area() const {
  return area_;
}

JanelaMdi* TJanelasSistema::torna_filha(QWidget* Form) {
  if (!area_ || !Form || qobject_cast<QDialog*>(Form)) return nullptr;
  if (JanelaMdi* moldura = moldura_de(Form)) return moldura;
  auto* moldura = new JanelaMdi;
  moldura->setWidget(Form);
  moldura->setAttribute(Qt::WA_DeleteOnClose);
  area_->addSubWindow(moldura);
  return moldura;
}

std::string TJanelasSistema::caption_do_menu(const QWidget* Form, const std::string& NomeBpl,
                                             const std::string& CodRelatorio) const {
  if (!Tabela.IBDatabase.Connected()) return {};
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT NIVEL, CAPTION FROM ACESSO_MENU");
  q.SQL.Add("WHERE UPPER(NOME_FORM) = :FORM");
  q.SQL.Add("AND UPPER(NOME_BPL) = :BPL");
  if (!Trim(CodRelatorio).empty()) q.SQL.Add("AND RELATORIO = :RELATORIO");
  q.ParamByName("FORM").AsString = UpperCase(nome_classe(Form));
  q.ParamByName("BPL").AsString = UpperCase(NomeBpl);
  if (!Trim(CodRelatorio).empty()) q.ParamByName("RELATORIO").AsString = CodRelatorio;
  q.Open();
  if (q.IsEmpty()) return {};
  return Trim(q.FieldByName("NIVEL").AsString() + " - " + q.FieldByName("CAPTION").AsString());
}

void TJanelasSistema::AddWindowBar(QWidget* Form, const std::string& NomeBpl,
                                   const std::string& CodRelatorio) {
  JanelaMdi* moldura = moldura_de(Form);
  if (!tabs_ || !moldura || moldura->mdiArea() != area_) return;
  int indice = -1;
  if (GetDadosJanela(Form, indice)) return;  // one tab per window, however often it is asked

  std::string caption = caption_do_menu(Form, NomeBpl, CodRelatorio);
  if (caption.empty()) caption = Form->windowTitle().toStdString();

  auto* dados = new TDadosJanela{Form, NomeBpl, CodRelatorio};
  change_attached_ = false;
  const int index = tabs_->addTab(QString::fromStdString(caption));
  tabs_->setTabData(index, QVariant::fromValue(static_cast<void*>(dados)));
  change_attached_ = true;
  // A screen deleted without being closed (its owner went first) loses its tab too.
  connect(moldura, &QObject::destroyed, this, [this, dados] {
    for (int i = 0; tabs_ && i < tabs_->count(); ++i)
      if (tabs_->tabData(i).value<void*>() == dados) remove_tab(i);
  });
}

TDadosJanela* TJanelasSistema::GetDadosJanela(const QWidget* Form, int& Indice) const {
  for (int i = 0; tabs_ && i < tabs_->count(); ++i) {
    auto* dados = static_cast<TDadosJanela*>(tabs_->tabData(i).value<void*>());
    if (dados && dados->Form == Form) {
      Indice = i;
      return dados;
    }
  }
  Indice = -1;
  return nullptr;
}

void TJanelasSistema::OnAtivaJanela(QMdiSubWindow* Sender) {
  if (!Sender) return;
  int indice = -1;
  if (GetDadosJanela(Sender->widget(), indice) && indice != tabs_->currentIndex()) {
    change_attached_ = false;
    tabs_->setCurrentIndex(indice);
    change_attached_ = true;
  }
}

void TJanelasSistema::OnCloseQueryJanela(JanelaMdi* Sender, QCloseEvent* event) {
  QWidget* form = Sender->widget();
  // Windows the screen opened for itself go first, as their owner does.
  if (form) {
    for (QWidget* filho : form->findChildren<QWidget*>())
      if (filho->isWindow() && filho->isVisible()) filho->close();
  }
  change_attached_ = false;
  Sender->fecha_padrao(event);
  if (event->isAccepted()) {
    int indice = -1;
    if (GetDadosJanela(form, indice)) remove_tab(indice);
  }
  change_attached_ = true;
}

void TJanelasSistema::TITabsTabChange(int index) {
  if (!change_attached_ || index < 0) return;
  auto* dados = static_cast<TDadosJanela*>(tabs_->tabData(index).value<void*>());
  if (!dados || !dados->Form) return;
  if (JanelaMdi* moldura = moldura_de(dados->Form)) {
    moldura->show();
    area_->setActiveSubWindow(moldura);
  }
}

void TJanelasSistema::TITabsCloseTab(int index) {
  auto* dados = static_cast<TDadosJanela*>(tabs_->tabData(index).value<void*>());
  if (!dados || !dados->Form) {
    remove_tab(index);
    return;
  }
  // The tab stays until the window agrees to close; its close query removes it.
  if (JanelaMdi* moldura = moldura_de(dados->Form)) moldura->close();
}

void TJanelasSistema::remove_tab(int index) {
  auto* dados = static_cast<TDadosJanela*>(tabs_->tabData(index).value<void*>());
  const bool attached = change_attached_;
  change_attached_ = false;
  tabs_->removeTab(index);
  change_attached_ = attached;
  delete dados;
}

void SetFormPrincipal(QMainWindow* Form) {
  sysJanelas.reset();
  sysJanelas = std::make_unique<TJanelasSistema>(Form);
}

bool TelaCarregada(const std::string& NomeForm, const std::string& Titulo) {
  QMainWindow* principal = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "fmPrincipal") principal = qobject_cast<QMainWindow*>(w);
  if (!principal && sysJanelas) principal = sysJanelas->FormPrincipal();
  if (!principal) return false;
  auto* area = principal->findChild<QMdiArea*>();
  if (!area) return false;
  const bool generica = SameText(NomeForm, "TfmRelatorios") || SameText(NomeForm, "TFmFormulario");
  for (QMdiSubWindow* moldura : area->subWindowList(QMdiArea::CreationOrder)) {
    QWidget* form = moldura->widget();
    if (!form || !SameText(nome_classe(form), NomeForm)) continue;
    if (generica) {
      const std::string caption = form->windowTitle().toStdString();
      if (caption.substr(0, caption.find("  -  ")) != Titulo) continue;
    }
    moldura->show();
    area->setActiveSubWindow(moldura);
    moldura->raise();
    return true;
  }
  return false;
}

int pSetFocus(QWidget* Form, int Key) {
  if (Key == Qt::Key_Apostrophe || Key == Qt::Key_QuoteDbl) return 0;
  if (Key == Qt::Key_Escape && Form) {
    QWidget* ativo = QApplication::focusWidget();
    // Edits, date and currency edits and buttons step back; combo boxes keep Escape.
    const bool em_combo = ativo && qobject_cast<QComboBox*>(ativo->parentWidget());
    const bool recua =
        !em_combo && (qobject_cast<QLineEdit*>(ativo) || qobject_cast<QTextEdit*>(ativo) ||
                      qobject_cast<QAbstractSpinBox*>(ativo) || qobject_cast<QAbstractButton*>(ativo));
    if (recua && Form->isAncestorOf(ativo)) {
      const QSignalBlocker bloqueio(ativo);  // its exit handler does not run for this move
      QWidget* anterior = ativo->previousInFocusChain();
      while (anterior != ativo && !(anterior->isVisible() && anterior->isEnabled() &&
                                    (anterior->focusPolicy() & Qt::TabFocus) && Form->isAncestorOf(anterior)))
        anterior = anterior->previousInFocusChain();
      anterior->setFocus(Qt::BacktabFocusReason);
    }
    if (recua) return 0;
  }
  return Key;
}

}  // namespace zpk::ui
