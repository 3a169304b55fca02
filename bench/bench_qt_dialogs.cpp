// Time to show a message dialog and have it answered, on the offscreen
// platform, through the dialog port; the floor is Qt's plainest modal dialog
// (a label and a button) shown and closed the same way.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/ui/dialog_message.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/qt_dialogs.hpp"

namespace {

// Presses the first button of the modal window as soon as its event loop runs.
void press_first_button_when_up() {
  QTimer::singleShot(0, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      if (auto* b = modal->findChild<QPushButton*>()) b->click();
    }
  });
}

void BM_MessageDialogShowAndClose(benchmark::State& state) {
  zpk::ui::aplicacao_qt();
  zpk::ui::QtDialogs dialogs;
  zpk::ScopedDialogService installed(dialogs);
  const std::string text(static_cast<size_t>(state.range(0)), 'x');
  for (auto _ : state) {
    press_first_button_when_up();
    benchmark::DoNotOptimize(
        zpk::ShowMessageDialog(text, zpk::mtConfirmation, {"&Sim", "&Não", "Cancela"}, 1, 3));
  }
}
BENCHMARK(BM_MessageDialogShowAndClose)->Arg(40)->Arg(4000)->Unit(benchmark::kMicrosecond);

void BM_FloorPlainQDialog(benchmark::State& state) {
  zpk::ui::aplicacao_qt();
  const QString text(static_cast<qsizetype>(state.range(0)), QLatin1Char('x'));
  for (auto _ : state) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(text, &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* ok = new QPushButton(QStringLiteral("&Sim"), &dialog);
    layout->addWidget(ok);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    press_first_button_when_up();
    benchmark::DoNotOptimize(dialog.exec());
  }
}
BENCHMARK(BM_FloorPlainQDialog)->Arg(40)->Arg(4000)->Unit(benchmark::kMicrosecond);

}  // namespace
