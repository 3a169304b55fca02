// `zpk call` entries for the report preview window without the window: the
// report created from its layout (title and pages printed) and the names
// exported files get. The button actions act on a window shown to a user and
// are not entries of their own.
// Sending by e-mail from here goes to the desktop mail program through
// EnviaOutLook, installed below.
//
//   zpk call CriaReport NomeLayout=WPEDIDO Caption=Pedidos
//   zpk call exported_file_name "Pedido 12/2025" Pedidos False "25/02/2025 14:03:09"
#include <ostream>
#include <string>

#include "messaging/email.hpp"
#include "reporting/sreport.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {

template <>
struct CallClass<TFmSReport> {
  static const char* name() { return "TFmSReport"; }
  static const PropertyTable<TFmSReport>& properties() {
    static const PropertyTable<TFmSReport> kTable = [] {
      PropertyTable<TFmSReport> t;
      t.add("NomeLayout", &TFmSReport::NomeLayout)
          .add("Caption", &TFmSReport::Caption)
          .add("EmailDestinatario", &TFmSReport::EmailDestinatario);
      return t;
    }();
    return kTable;
  }
  // The formatted title, the number of prepared pages and the user's zoom.
  static void report(std::ostream& out, const TFmSReport& fm) {
    print_var(out, "Titulo", fm.Titulo);
    print_var(out, "PageCount", std::to_string(fm.PageCount()));
    print_var(out, "ScalePercent", std::to_string(fm.ScalePercent()));
  }
};

namespace {

const bool registered = [] {
  // The preview window sends through the desktop's mail program.
  set_desktop_mail_sender(EnviaOutLook);
  register_routine(ZPK_METHOD(TFmSReport, CriaReport));
  register_routine(ZPK_ROUTINE(exported_file_name), {"titulo", "caption", "whatsapp", "when", "extension"});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
