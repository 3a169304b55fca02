// The detail pop-up: the rows of a query in a grid, in a small window that
// frees itself as soon as the user clicks elsewhere.
#pragma once

#include <QDialog>
#include <string>

namespace zpk {
class TTIQuery;
}

class QTableView;

namespace zpk::ui {

class TfmDetalhamento : public QDialog {
  Q_OBJECT
 public:
  explicit TfmDetalhamento(QWidget* parent = nullptr);
  QTableView* TIDBGrid1 = nullptr;

 protected:
  bool event(QEvent* e) override;
};

// Shows Query's rows (read as they are now) in a window captioned Titulo,
// 900 x 205, screen-centred, not modal; the window is freed when it loses
// activation. Returns it.
TfmDetalhamento* TelaDetalhamento(const std::string& Titulo, TTIQuery& Query);

}  // namespace zpk::ui
