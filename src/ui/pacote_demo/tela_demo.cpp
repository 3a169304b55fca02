// The demo package's one screen, TfmDemoPacote: a small data-entry window
// (a code field and a confirm button) registered when the package is loaded.
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "ui/pacote_telas.hpp"

namespace {

// Builds the screen; the loader gives it the station's look and its tab.
QWidget* nova_tela_demo() {
  auto* tela = new QWidget;
  tela->setObjectName(QStringLiteral("fmDemoPacote"));
  tela->setWindowTitle(QStringLiteral("Tela do pacote de demonstração"));
  auto* layout = new QFormLayout(tela);
  layout->addRow(new QLabel(QStringLiteral("Esta tela vem do pacote zpkDemo, carregado pelo nome.")));
  auto* codigo = new QLineEdit(tela);
  codigo->setObjectName(QStringLiteral("edtCodigo"));
  layout->addRow(QStringLiteral("Código:"), codigo);
  auto* confirma = new QPushButton(QStringLiteral("Confirmar"), tela);
  confirma->setObjectName(QStringLiteral("btnConfirmar"));
  confirma->setProperty("Tag", 2);
  layout->addRow(confirma);
  return tela;
}

}  // namespace

// The package's entry point: the program calls it once, just after loading.
extern "C" __attribute__((visibility("default"))) void zpk_registra_telas(zpk_registra_tela Registra) {
  Registra("TfmDemoPacote", &nova_tela_demo);
}
