// `zpk demo` step for the report preview window without the window: three
// controls of a calling screen copied into the screen dataset, a layout
// reading them, the names exported files get, the spreadsheet export of a
// hosted station, the zoom kept for the user, and the prepared report
// written as a PDF under var/.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>

#include <fmt/format.h>

#include "demo_station.hpp"
#include "foundation/session.hpp"
#include "foundation/station_settings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "reporting/sreport.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

namespace fs = std::filesystem;

// The layout the step shows: the screen's values in the title band with the
// report function CRC16 over the order number, and a title from report
// variables (a title reads variables only, so the caller sets vPedido).
constexpr const char* kLayout = R"(report title="Pedido [vPedido]/2025. de [vUsuario]"
page size=A5 margin=10
band title height=30
  text x=0 y=0 w=128 h=8 text="Pedido [Tela.edtPedido] de [vUsuario]" size=14 bold=yes
  text x=0 y=10 w=128 h=6 text="Urgente: [IIF(Tela.chkUrgente = '-1', 'sim', 'não')]"
  text x=0 y=17 w=128 h=6 text="Entrega (opção [Tela.rgEntrega]): [IIF(Tela.rgEntrega = '2', 'transportadora', 'retira')]"
  text x=0 y=24 w=128 h=6 text="Conferência: [CRC16(Tela.edtPedido)]"
band detail dataset=Tela height=6
  text x=0 y=0 w=128 h=6 text="Vazio='[Tela.Vazio]'"
)";

// Hosted mode (vNuvem = "S") while the scope lasts.
class ScopedNuvem {
 public:
  ScopedNuvem() : saved_(vNuvem) { vNuvem = "S"; }
  ~ScopedNuvem() { vNuvem = saved_; }
  ScopedNuvem(const ScopedNuvem&) = delete;
  ScopedNuvem& operator=(const ScopedNuvem&) = delete;

 private:
  std::string saved_;
};

const RegisterDemo sreport{
    {850, "Report preview window: screen dataset, exported names, PDF",
     [](const CallOptions& options, std::ostream& out) {
       demo_session(options, out);
       const fs::path base = fs::temp_directory_path() / fmt::format("zpk-demo-sreport-{}", ::getpid());
       DemoStation station(base);
       fs::create_directories(base / "servidor" / "layout");
       GravaIni("Caminho", "path", (base / "servidor").string(), Tabela.ArquivoIni);
       std::ofstream(base / "servidor" / "layout" / "DEMOTELA.prt") << kLayout;

       TFmSReport fm;
       out << fmt::format("Zoom with nothing stored for the user: {}%\n", fm.ScalePercent());
       fm.NomeLayout = "DEMOTELA";
       fm.Caption = "Pedidos";
       fm.Origem = {{TControlKind::edit, "edtPedido", 60, "D850"},
                    {TControlKind::check_box, "chkUrgente", 80, "Urgente", true},
                    {TControlKind::radio_group, "rgEntrega", 120, "", false, 2}};
       TprVariable& pedido = fm.prReport1.Variables.AddVariable();
       pedido.Name = "vPedido";
       pedido.SetAsString("D850");
       fm.CriaReport();
       out << "Screen dataset Tela (field, size, value):\n";
       TClientDataSet& tela = tabela_tela();
       for (int i = 0; i < tela.FieldCount(); ++i) {
         TField& f = tela.Fields(i);
         out << fmt::format("  {:<11} {:>2}  \"{}\"\n", f.FieldName(), f.Size(), f.AsString());
       }
       out << fmt::format("Titulo: {}; {} page(s); first page:\n", fm.Titulo, fm.PageCount());
       for (const auto& o : fm.prReport1.GetEndPage(0).Objects) out << "  " << o.Text << "\n";

       const TDateTime when{EncodeDate(2025, 2, 25).Value + EncodeTime(14, 3, 9, 0).Value};
       out << "Exported names at 25/02/2025 14:03:09:\n";
       out << "  e-mail, PDF, Excel: " << exported_file_name(fm.Titulo, fm.Caption, false, when) << "\n";
       out << "  WhatsApp:           " << exported_file_name(fm.Titulo, fm.Caption, true, when) << "\n";
       out << "  empty title:        " << exported_file_name("", fm.Caption, false, when) << "\n";

       const fs::path pdf = fs::current_path() / "var" / "sreport-demo.pdf";
       fs::create_directories(pdf.parent_path());
       fm.prReport1.export_to_pdf(pdf.string());
       out << fmt::format("PDF written: var/{} ({} bytes)\n", pdf.filename().string(), fs::file_size(pdf));

       {
         ScopedNuvem hosted;
         const fs::path xlsx = ExportaPrtXls(fm.prReport1, when);
         out << fmt::format(
             "ExportaPrtXls in hosted mode (saved only, in the user's folder): EMails/E{}/{} ({})\n",
             vUsuarioCodigo, xlsx.filename().string(), fs::is_regular_file(xlsx) ? "written" : "missing");
       }

       fm.FormKeyPress('+');
       fm.FormKeyPress('+');
       fm.FormKeyPress(27);
       out << fmt::format("Zoom after \"+\" twice and Escape, read back for the user: {}%\n",
                          UserSettings("Zelvo\\RelWin").read_integer("", "ScalePercent", 100));
     }}};

}  // namespace
}  // namespace zpk::cli
