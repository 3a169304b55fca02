// `zpk call` entries for the report preview window without the window: the
// report created from its layout (title and pages printed), and the layout
// prepared and copied into a spreadsheet. Sending by e-mail from here goes to
// the desktop mail program through EnviaOutLook, installed below.
//
//   zpk call CriaReport NomeLayout=WPEDIDO Caption=Pedidos
//   zpk call ExportaPrtXls WPEDIDO
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

// Prepares the layout `NomeLayout` in a preview window and copies it into a
// spreadsheet; returns the workbook's path.
std::string exporta_layout_xls(const std::string& NomeLayout) {
  TFmSReport fm;
  fm.NomeLayout = NomeLayout;
  fm.CriaReport();
  return ExportaPrtXls(fm.prReport1).string();
}

const bool registered = [] {
  // The preview window sends through the desktop's mail program.
  set_desktop_mail_sender(EnviaOutLook);
  register_routine(ZPK_METHOD(TFmSReport, CriaReport));
  register_routine(make_routine("ExportaPrtXls", &exporta_layout_xls,
                                [](const std::string& NomeLayout) { return exporta_layout_xls(NomeLayout); }),
                   {"NomeLayout"});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
