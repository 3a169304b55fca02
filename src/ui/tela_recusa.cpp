// The refusal screen on Qt: TfmNegado, modal or as a window.
#include "ui/tela_recusa.hpp"

#include <QApplication>

#include "ui/detail/tela_recusa.hpp"

namespace zpk::ui {

RefusalScreen install_tela_recusa() {
  return set_refusal_screen([](const std::string&, const std::string&, bool modal) {
    if (modal) {
      TfmNegado dialog(QApplication::activeWindow());
      dialog.exec();
      return;
    }
    auto* dialog = new TfmNegado(QApplication::activeWindow());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
  });
}

}  // namespace zpk::ui
