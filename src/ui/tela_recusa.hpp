// The refusal screen TfmNegado: what a user sees when the access rights or a
// supervisor's password refuse an operation.
#pragma once

#include <QDialog>

#include "foundation/access_rights.hpp"

namespace zpk::ui {

// "Acesso Negado" with the error icon and one button; captioned "Controle de Acesso".
class TfmNegado : public QDialog {
  Q_OBJECT

 public:
  explicit TfmNegado(QWidget* parent = nullptr);
};

// Makes Acessa open TfmNegado (modally after a wrong supervisor password, as
// a window otherwise); returns the loader installed before.
RefusalScreen install_tela_recusa();

}  // namespace zpk::ui
