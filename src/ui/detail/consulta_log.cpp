// The audit viewer's window: tbLog in a read-only, zebra-striped grid.
#include "ui/detail/consulta_log.hpp"

#include <QApplication>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/rtl/datetime.hpp"

namespace zpk::ui {
namespace {

// The grid's columns: tbLog's field, heading and width (0: as wide as the contents).
struct Coluna {
  const char* field;
  const char* heading;
  int width;
};
constexpr Coluna kColunas[] = {
    {"Usuario", "Usuario", 121}, {"Data", "Data", 0},           {"Hora", "Hora", 0},
    {"Tela", "Tela", 150},       {"Descricao", "Descricao", 0}, {"Operacao", "Operacao", 0},
    {"Empresa", "Empresa", 0},
};

// A field's text as the grid shows it: dates and times in the station's formats.
QString texto(TField& field, const char* name) {
  if (field.IsNull()) return {};
  const std::string n = name;
  if (n == "Data") return QString::fromStdString(FormatDateTime("dd/mm/yyyy", field.AsDateTime));
  if (n == "Hora") return QString::fromStdString(FormatDateTime("hh:nn:ss", field.AsDateTime));
  return QString::fromStdString(field.AsString);
}

}  // namespace

ConsultaLogWindow::ConsultaLogWindow(TFmConsultaLog& form, QWidget* parent) : QDialog(parent), form_(form) {
  setObjectName("FmConsultaLog");
  setWindowTitle(QString::fromStdString(form_.Caption));
  grid_ = new QTableWidget(this);
  grid_->setObjectName("grdLog");
  QFont font("Tahoma");
  font.setPixelSize(13);
  grid_->setFont(font);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setAlternatingRowColors(true);
  QPalette palette = grid_->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::AlternateBase, QApplication::palette().color(QPalette::Window));
  grid_->setPalette(palette);
  grid_->setSortingEnabled(false);
  grid_->verticalHeader()->setVisible(false);
  grid_->setColumnCount(static_cast<int>(std::size(kColunas)));
  for (int c = 0; c < grid_->columnCount(); ++c) {
    grid_->setHorizontalHeaderItem(c, new QTableWidgetItem(kColunas[c].heading));
  }
  grid_->horizontalHeader()->setStretchLastSection(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(grid_);
  resize(944, 458);
  carrega();
}

void ConsultaLogWindow::carrega() {
  TClientDataSet& tb = form_.tbLog;
  grid_->setRowCount(0);
  grid_->setRowCount(tb.RecordCount());
  int row = 0;
  for (tb.First(); !tb.Eof(); tb.Next(), ++row) {
    for (int c = 0; c < grid_->columnCount(); ++c) {
      grid_->setItem(row, c,
                     new QTableWidgetItem(texto(tb.FieldByName(kColunas[c].field), kColunas[c].field)));
    }
  }
  tb.First();
  grid_->resizeColumnsToContents();
  for (int c = 0; c < grid_->columnCount(); ++c) {
    if (kColunas[c].width > 0) grid_->setColumnWidth(c, kColunas[c].width);
  }
}

}  // namespace zpk::ui
