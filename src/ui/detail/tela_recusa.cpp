// The refusal screen: a small fixed window with the error icon and "Acesso Negado".
#include "ui/detail/tela_recusa.hpp"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace zpk::ui {

TfmNegado::TfmNegado(QWidget* parent) : QDialog(parent) {
  setObjectName("fmNegado");
  setWindowTitle("Controle de Acesso");
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(48, 48));
  auto* text = new QLabel("Acesso Negado", this);
  text->setObjectName("lblNegado");
  QFont font = text->font();
  font.setPointSize(14);
  font.setBold(true);
  text->setFont(font);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText("&Ok");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  setFixedSize(sizeHint().expandedTo(QSize(320, 130)));
}

}  // namespace zpk::ui
