#include "ui/qt_dialogs.hpp"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/aplicacao_qt.hpp"
#include "ui/carrega_form.hpp"
#include "ui/detail/input_boxes_qt.hpp"
#include "ui/detail/message_dialog.hpp"

namespace zpk::ui {

std::function<void(TMsgDlgType)> som_da_mensagem = [](TMsgDlgType) { QApplication::beep(); };

struct QtDialogs::State {
  QPointer<QWidget> wait_form;
  QLabel* wait_label = nullptr;
  std::vector<QPointer<QWidget>> disabled;  // the windows the notice disabled
  QPointer<QWidget> active_before;          // the window that had the focus before it
  bool wait_cursor = false;
  bool busy = false;
  QPointer<QWidget> progress_window;
  QLabel* progress_label = nullptr;
  QProgressBar* progress_bar = nullptr;
};

QtDialogs::QtDialogs() : state_(std::make_unique<State>()) {
  aplicacao_qt();
}

QWidget* QtDialogs::wait_form() const {
  return state_->wait_form;
}

QLabel* QtDialogs::wait_label() const {
  return state_->wait_label;
}

QWidget* QtDialogs::progress_window() const {
  return state_->progress_window;
}

bool QtDialogs::busy() const {
  return state_->busy;
}

QtDialogs::~QtDialogs() {
  close_wait();
  close_progress();
  set_busy(false);
}

// The window a dialog belongs to and is centred on: the wait notice while it
// is up (so the dialog comes above it), else the active window.
QWidget* QtDialogs::owner() const {
  if (state_->wait_form) return state_->wait_form;
  return QApplication::activeWindow();
}

int QtDialogs::show_message(const MessageRequest& request) {
  // The host's own screens open by class name, as the menu opens them.
  if (request.kind == DialogKind::modal_form) return mostra_tela_modal(request);
  TMessageDialog dialog(request, owner());
  // Above the wait notice when one is up, and in front of the other programs.
  if (state_->wait_form) dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
  dialog.exec();
  return dialog.answer() > 0 ? dialog.answer() : default_answer(request);
}

std::optional<std::string> QtDialogs::show_input(const InputRequest& request) {
  InputBoxWindow box(request, owner());
  if (state_->wait_form) box.setWindowFlag(Qt::WindowStaysOnTopHint);
  return box.ask();
}

void QtDialogs::show_wait(const std::string& text) {
  if (!state_->wait_form) {
    state_->active_before = QApplication::activeWindow();
    auto* form = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    form->setObjectName(QStringLiteral("WaitForm"));
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setFixedSize(450, 120);
    form->setWindowOpacity(200.0 / 255.0);
    form->setStyleSheet(QStringLiteral("#WaitForm { background-color: rgb(192,192,192); }"));
    auto* outer = new QVBoxLayout(form);
    outer->setContentsMargins(4, 4, 4, 4);
    auto* panel = new QWidget(form);
    panel->setObjectName(QStringLiteral("WaitPanel"));
    panel->setStyleSheet(QStringLiteral("#WaitPanel { background-color: rgb(64,64,64); }"));
    panel->setAttribute(Qt::WA_StyledBackground);
    outer->addWidget(panel);
    auto* inner = new QVBoxLayout(panel);
    auto* title = new QLabel(QStringLiteral("Carregando..."), panel);
    title->setObjectName(QStringLiteral("WaitTitle"));
    title->setStyleSheet(QStringLiteral("color: white;"));
    title->setFont(QFont(QStringLiteral("Tahoma"), 18));
    inner->addWidget(title);
    state_->wait_label = new QLabel(QStringLiteral("Aguarde um instante."), panel);
    state_->wait_label->setObjectName(QStringLiteral("WaitMessage"));
    state_->wait_label->setStyleSheet(QStringLiteral("color: white;"));
    state_->wait_label->setFont(QFont(QStringLiteral("Tahoma"), 12));
    state_->wait_label->setAlignment(Qt::AlignCenter);
    state_->wait_label->setWordWrap(true);
    inner->addWidget(state_->wait_label, 1);

    // Nothing else of the program takes input while the notice is up.
    state_->disabled.clear();
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window != form && window->isVisible() && window->isEnabled()) {
        window->setEnabled(false);
        state_->disabled.emplace_back(window);
      }
    }
    QWidget* centre_on = state_->active_before ? state_->active_before->window() : nullptr;
    const QRect area = centre_on
                           ? centre_on->frameGeometry()
                           : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                               : QRect(0, 0, 1024, 768));
    form->move(area.center() - form->rect().center());
    form->show();
    form->activateWindow();
    if (!state_->wait_cursor) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      state_->wait_cursor = true;
    }
    state_->wait_form = form;
  }
  state_->wait_label->setText(QString::fromStdString(text));
  state_->wait_label->repaint();
  // The long operation keeps the main thread: paint now, take no input.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtDialogs::close_wait() {
  if (!state_->wait_form) return;
  for (const QPointer<QWidget>& window : state_->disabled) {
    if (window) window->setEnabled(true);
  }
  state_->disabled.clear();
  state_->wait_form->close();
  state_->wait_form = nullptr;
  state_->wait_label = nullptr;
  // Clicks and keys the user gave while the notice was up are not replayed
  // into the screen: they were meant for nothing.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  if (state_->active_before) state_->active_before->activateWindow();
  state_->active_before = nullptr;
  if (state_->wait_cursor) {
    QApplication::restoreOverrideCursor();
    state_->wait_cursor = false;
  }
}

void QtDialogs::set_busy(bool busy) {
  if (busy == state_->busy) return;  // the override cursor stacks: set and take it once
  state_->busy = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtDialogs::show_progress(const std::string& text, int position, int maximum) {
  if (!state_->progress_window) {
    auto* window = new QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    window->setObjectName(QStringLiteral("Progresso"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(window);
    state_->progress_label = new QLabel(window);
    state_->progress_bar = new QProgressBar(window);
    layout->addWidget(state_->progress_label);
    layout->addWidget(state_->progress_bar);
    window->resize(360, window->sizeHint().height());
    window->show();
    state_->progress_window = window;
  }
  state_->progress_label->setText(QString::fromStdString(text));
  state_->progress_bar->setRange(0, std::max(maximum, 0));
  state_->progress_bar->setValue(std::clamp(position, 0, std::max(maximum, 0)));
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtDialogs::close_progress() {
  if (!state_->progress_window) return;
  state_->progress_window->close();
  state_->progress_window = nullptr;
  state_->progress_label = nullptr;
  state_->progress_bar = nullptr;
}

}  // namespace zpk::ui
