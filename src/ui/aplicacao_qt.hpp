// The Qt application the windows need: the host's own when it has one, else
// one made on first use (the command line, tests). Without a display the
// windows run on Qt's "offscreen" platform, so batch jobs never fail to start.
#pragma once

class QApplication;

namespace zpk::ui {

// The running QApplication, created on first use when the host made none.
QApplication& aplicacao_qt();

}  // namespace zpk::ui
