#include "ui/qt_dialogs.hpp"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/aplicacao_qt.hpp"
#include "ui/input_boxes_qt.hpp"
#include "ui/message_dialog.hpp"

namespace zpk::ui {

QtDialogs::QtDialogs() {
  aplicacao_qt();
}

QtDialogs::~QtDialogs() {
  close_wait();
  close_progress();
  set_busy(false);
}

// The window a dialog belongs to and is centred on: the wait notice while it
// is up (so the dialog comes above it), else the active window.
QWidget* QtDialogs::owner() const {
  if (wait_form_) return wait_form_;
  return QApplication::activeWindow();
}

int QtDialogs::show_message(const MessageRequest& request) {
  TMessageDialog dialog(request, owner());
  // Above the wait notice when one is up, and in front of the other programs.
  if (wait_form_) dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
  dialog.exec();
  return dialog.answer() > 0 ? dialog.answer() : default_answer(request);
}

std::optional<std::string> QtDialogs::show_input(const InputRequest& request) {
  InputBoxWindow box(request, owner());
  if (wait_form_) box.setWindowFlag(Qt::WindowStaysOnTopHint);
  return box.ask();
}

void QtDialogs::show_wait(const std::string& text) {
  if (!wait_form_) {
    active_before_ = QApplication::activeWindow();
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
    wait_label_ = new QLabel(QStringLiteral("Aguarde um instante."), panel);
    wait_label_->setObjectName(QStringLiteral("WaitMessage"));
    wait_label_->setStyleSheet(QStringLiteral("color: white;"));
    wait_label_->setFont(QFont(QStringLiteral("Tahoma"), 12));
    wait_label_->setAlignment(Qt::AlignCenter);
    wait_label_->setWordWrap(true);
    inner->addWidget(wait_label_, 1);

    // Nothing else of the program takes input while the notice is up.
    disabled_.clear();
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window != form && window->isVisible() && window->isEnabled()) {
        window->setEnabled(false);
        disabled_.emplace_back(window);
      }
    }
    QWidget* centre_on = active_before_ ? active_before_->window() : nullptr;
    const QRect area = centre_on
                           ? centre_on->frameGeometry()
                           : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                               : QRect(0, 0, 1024, 768));
    form->move(area.center() - form->rect().center());
    form->show();
    form->activateWindow();
    if (!wait_cursor_) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      wait_cursor_ = true;
    }
    wait_form_ = form;
  }
  wait_label_->setText(QString::fromStdString(text));
  wait_label_->repaint();
  // The long operation keeps the main thread: paint now, take no input.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtDialogs::close_wait() {
  if (!wait_form_) return;
  for (const QPointer<QWidget>& window : disabled_) {
    if (window) window->setEnabled(true);
  }
  disabled_.clear();
  wait_form_->close();
  wait_form_ = nullptr;
  wait_label_ = nullptr;
  // Clicks and keys the user gave while the notice was up are not replayed
  // into the screen: they were meant for nothing.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  if (active_before_) active_before_->activateWindow();
  active_before_ = nullptr;
  if (wait_cursor_) {
    QApplication::restoreOverrideCursor();
    wait_cursor_ = false;
  }
}

void QtDialogs::set_busy(bool busy) {
  if (busy == busy_) return;  // the override cursor stacks: set and take it once
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtDialogs::show_progress(const std::string& text, int position, int maximum) {
  if (!progress_window_) {
    auto* window = new QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    window->setObjectName(QStringLiteral("Progresso"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(window);
    progress_label_ = new QLabel(window);
    progress_bar_ = new QProgressBar(window);
    layout->addWidget(progress_label_);
    layout->addWidget(progress_bar_);
    window->resize(360, window->sizeHint().height());
    window->show();
    progress_window_ = window;
  }
  progress_label_->setText(QString::fromStdString(text));
  progress_bar_->setRange(0, std::max(maximum, 0));
  progress_bar_->setValue(std::clamp(position, 0, std::max(maximum, 0)));
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtDialogs::close_progress() {
  if (!progress_window_) return;
  progress_window_->close();
  progress_window_ = nullptr;
  progress_label_ = nullptr;
  progress_bar_ = nullptr;
}

}  // namespace zpk::ui
