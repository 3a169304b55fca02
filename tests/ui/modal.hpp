// Drives a modal window from inside its own event loop: the test queues what
// to do, then calls the routine that shows the window and blocks.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

namespace zpk::ui::test {

// Runs `act` on the modal window as soon as it is up. When none comes up
// within about two seconds the test fails and any open dialog is hidden, so a
// test never blocks for ever.
inline void when_modal(std::function<void(QWidget&)> act, int tries_left = 200) {
  QTimer::singleShot(10, [act = std::move(act), tries_left]() mutable {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      act(*modal);
      return;
    }
    if (tries_left > 0) {
      when_modal(std::move(act), tries_left - 1);
      return;
    }
    ADD_FAILURE() << "no modal window came up";
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->hide();
    }
  });
}

}  // namespace zpk::ui::test
