// The refusal screen TfmNegado: what a user sees when the access rights or a
// supervisor's password refuse an operation.
#pragma once

#include <QDialog>

namespace zpk::ui {

// "Acesso Negado" with the error icon and one button; captioned "Controle de Acesso".
class TfmNegado : public QDialog {
  Q_OBJECT

 public:
  explicit TfmNegado(QWidget* parent = nullptr);
};

}  // namespace zpk::ui
