// The process's QApplication, made on demand.
#include "ui/aplicacao_qt.hpp"

#include <QApplication>
#include <cstdlib>

namespace zpk::ui {

QApplication& aplicacao_qt() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
  // No X or Wayland display: Qt would abort on its default platform.
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
      std::getenv("QT_QPA_PLATFORM") == nullptr)
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char nome[] = "zpk";
  static char* argv[] = {nome, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace zpk::ui
