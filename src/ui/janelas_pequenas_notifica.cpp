// The notification box and the user-guide log.
#include "ui/janelas_pequenas_notifica.hpp"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "ui/carrega_form.hpp"

namespace zpk::ui {
namespace {

// The open top-level window or MDI screen named Nome, or nullptr.
template <class T>
T* janela_aberta(const char* nome) {
  for (QWidget* w : QApplication::allWidgets())
    if (w->objectName() == nome)
      if (auto* janela = qobject_cast<T*>(w)) return janela;
  return nullptr;
}

const RegistraTela kGuiaUsuario("TFmGuiaUsuario", [] { return new TFmGuiaUsuario; });

}  // namespace

TfmNotifica::TfmNotifica(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName("fmNotifica");
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  QFont negrito = Label1->font();
  negrito.setBold(true);
  Label1->setFont(negrito);
  lbTextoCorpo = new QLabel(this);
  lbTextoCorpo->setObjectName("lbTextoCorpo");
  lbTextoCorpo->setWordWrap(true);
  Image2 = new QLabel(this);
  Image2->setObjectName("Image2");
  Image2->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Image2, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    if (menu) menu->popup(Image2->mapToGlobal(p));
  });
  layout->addWidget(Label1);
  layout->addWidget(lbTextoCorpo);
  layout->addWidget(Image2);
}

void TfmNotifica::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && aoClicar) aoClicar();
  QWidget::mousePressEvent(event);
}

TfmNotifica* Notifica(const std::string& Titulo, const std::string& Texto, QMenu* Menu,
                      std::function<void()> AoClicar) {
  TfmNotifica* janela = janela_aberta<TfmNotifica>("fmNotifica");
  if (!janela) janela = new TfmNotifica;
  janela->Label1->setText(QString::fromStdString(Titulo));
  janela->lbTextoCorpo->setText(QString::fromStdString(Texto));
  janela->menu = Menu;
  if (AoClicar) janela->aoClicar = std::move(AoClicar);
  janela->show();
  return janela;
}

TFmGuiaUsuario::TFmGuiaUsuario(QWidget* parent) : QWidget(parent) {
  setObjectName("fmGuiaUsuario");
  setWindowTitle("Guia do Usuário");
  auto* layout = new QVBoxLayout(this);
  EdtEdita = new QLineEdit(this);
  EdtEdita->setObjectName("EdtEdita");
  EdtEdita->hide();
  EdtUsuario = new QTextEdit(this);
  EdtUsuario->setObjectName("EdtUsuario");
  EdtUsuario->setReadOnly(true);
  layout->addWidget(EdtUsuario);
}

TFmGuiaUsuario* LogVisual(const std::string& Texto, const QColor& Cor, int Estilo, bool NovaLinha) {
  TFmGuiaUsuario* janela = janela_aberta<TFmGuiaUsuario>("fmGuiaUsuario");
  if (!janela)
    janela = qobject_cast<TFmGuiaUsuario*>(Carrega_Form("", "TFmGuiaUsuario", "", false, true, "N"));
  if (!janela) return nullptr;
  janela->EdtEdita->setText("S");
  QTextCursor cursor(janela->EdtUsuario->document());
  cursor.movePosition(QTextCursor::End);
  if (NovaLinha && !janela->EdtUsuario->document()->isEmpty()) cursor.insertBlock();
  QTextCharFormat formato;
  formato.setForeground(Cor);
  formato.setFontWeight(Estilo & fsBold ? QFont::Bold : QFont::Normal);
  formato.setFontItalic(Estilo & fsItalic);
  formato.setFontUnderline(Estilo & fsUnderline);
  formato.setFontStrikeOut(Estilo & fsStrikeOut);
  cursor.insertText(QString::fromStdString(Texto), formato);
  janela->show();
  janela->raise();
  return janela;
}

}  // namespace zpk::ui
