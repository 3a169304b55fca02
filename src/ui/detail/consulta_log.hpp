// The audit viewer's window ("Consulta Alterações"): the rows TFmConsultaLog
// read from LOG for some screens and one record, in a read-only grid. Qt
// types stay out of the installed headers, so the window lives here.
#pragma once

#include <QDialog>

#include "foundation/audit_log.hpp"

class QTableWidget;

namespace zpk::ui {

// Lists `form.tbLog` (filled by FormShow) as the ERP's grid does; the form is not owned.
class ConsultaLogWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ConsultaLogWindow(TFmConsultaLog& form, QWidget* parent = nullptr);

  QTableWidget& grid() { return *grid_; }
  // Reads tbLog again into the grid.
  void carrega();

 private:
  TFmConsultaLog& form_;
  QTableWidget* grid_ = nullptr;
};

}  // namespace zpk::ui
