// The detail pop-up.
#include "ui/janelas_pequenas_detalhe.hpp"

#include <QApplication>
#include <QHeaderView>
#include <QScreen>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include "platform/db/query.hpp"
#include "ui/temas.hpp"

namespace zpk::ui {

TfmDetalhamento::TfmDetalhamento(QWidget* parent) : QDialog(parent) {
  setObjectName("fmDetalhamento");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlags(Qt::Dialog);
  resize(900, 205);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  TIDBGrid1 = new QTableView(this);
  TIDBGrid1->setObjectName("TIDBGrid1");
  TIDBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layout->addWidget(TIDBGrid1);
}

bool TfmDetalhamento::event(QEvent* e) {
  // Clicking anywhere else ends the pop-up: it closes and frees itself.
  if (e->type() == QEvent::WindowDeactivate) close();
  return QDialog::event(e);
}

TfmDetalhamento* TelaDetalhamento(const std::string& Titulo, TTIQuery& Query) {
  auto* janela = new TfmDetalhamento;
  janela->setWindowTitle(QString::fromStdString(Titulo));
  auto* dados = new QStandardItemModel(janela);
  dados->setObjectName("DataSource1");
  const int colunas = Query.FieldCount();
  dados->setColumnCount(colunas);
  for (int c = 0; c < colunas; ++c)
    dados->setHeaderData(c, Qt::Horizontal, QString::fromStdString(Query.Fields(c).FieldName()));
  for (Query.First(); !Query.Eof(); Query.Next()) {
    QList<QStandardItem*> linha;
    for (int c = 0; c < colunas; ++c)
      linha.append(new QStandardItem(QString::fromStdString(Query.Fields(c).AsString)));
    dados->appendRow(linha);
  }
  janela->TIDBGrid1->setModel(dados);
  ConfiguraTela(janela);
  if (QScreen* tela = QGuiApplication::primaryScreen())
    janela->move(tela->availableGeometry().center() - janela->rect().center());
  janela->show();
  janela->activateWindow();
  return janela;
}

}  // namespace zpk::ui
