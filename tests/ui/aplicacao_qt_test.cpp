// The windows' application: one per process, on the offscreen platform when
// there is no display (the tests' case).
#include "ui/aplicacao_qt.hpp"

#include <gtest/gtest.h>

#include <QApplication>

namespace zpk::ui {
namespace {

TEST(AplicacaoQt, OneApplicationPerProcessWithoutADisplay) {
  QApplication& app = aplicacao_qt();
  EXPECT_EQ(&app, &aplicacao_qt());
  EXPECT_EQ(QCoreApplication::instance(), &app);
  EXPECT_EQ(QGuiApplication::platformName(), "offscreen");
}

}  // namespace
}  // namespace zpk::ui
