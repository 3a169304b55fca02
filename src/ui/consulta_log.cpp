// The audit viewer on Qt: AcessaLog's rows in a modal window.
#include "ui/consulta_log.hpp"

#include <utility>

#include <QApplication>

#include "ui/detail/consulta_log.hpp"

namespace zpk::ui {

std::function<void(TFmConsultaLog&)> install_consulta_log() {
  return std::exchange(show_consulta_log, [](TFmConsultaLog& form) {
    ConsultaLogWindow window(form, QApplication::activeWindow());
    window.exec();
  });
}

}  // namespace zpk::ui
