// `zpk demo` step for calling reports: a stock label list printed in text
// mode with no printer (the job goes to a file), and the same layout in
// graphic mode through the print queue, whose lp command is shown and whose
// job is kept under var/ instead of reaching a printer.
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "platform/dataset/client_dataset.hpp"
#include "registry.hpp"
#include "reporting/print_queue.hpp"
#include "reporting/report.hpp"
#include "reporting/tx_report.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLayout = R"(report title="Etiquetas de estoque"
page size=custom width=101.6 height=50.8 margin=0
band pageheader height=8.4667
  text x=0 y=0 w=101.6 h=4.2333 text="ETIQUETAS DE ESTOQUE   Pag. [Page]/[TotalPages]" align=center
  line x=0 y=4.2333 w=101.6 h=0
band detail dataset=ITENS height=4.2333
  text x=0 y=0 w=50.8 h=4.2333 text="[ITENS.CODIGO] [ITENS.NOME]"
  text x=63.5 y=0 w=25.4 h=4.2333 text="[ITENS.QTDE]" format="#,##0.00" align=right
band summary height=4.2333
  text x=0 y=0 w=88.9 h=4.2333 text="Total [SUM(ITENS.QTDE)]" format="#,##0.00" align=right
)";

void fill(TClientDataSet& itens) {
  itens.FieldDefs.Add("CODIGO", ftString, 10);
  itens.FieldDefs.Add("NOME", ftString, 30);
  itens.FieldDefs.Add("QTDE", ftFloat);
  itens.CreateDataSet();
  const struct {
    const char* codigo;
    const char* nome;
    double qtde;
  } kItens[] = {{"MALHA-01", "MALHA PENTEADA", 1250.5},
                {"RIB-02", "RIBANA 2X1", 310},
                {"FIO-30", "FIO 30/1 PENTEADO", 98.25},
                {"MOL-04", "MOLETOM FLANELADO", 44},
                {"GOL-05", "GOLA CANELADA", 12},
                {"VIE-06", "VIES ALGODAO", 7.5},
                {"LIS-07", "LISTRADO FIO TINTO", 220},
                {"JAC-08", "JACQUARD", 15.75},
                {"PIQ-09", "PIQUET", 600},
                {"HELANCA", "HELANCA LIGHT", 81}};
  for (const auto& i : kItens) itens.AppendRecord({std::string(i.codigo), std::string(i.nome), i.qtde});
}

const RegisterDemo kChamaRelatorio{
    {840, "Reports: a text-mode list to a file and a graphic one through the print queue",
     [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       const fs::path var = fs::absolute("var");
       fs::create_directories(var);

       TClientDataSet itens;
       fill(itens);
       TprTxReport txt;
       txt.AddDataSet("ITENS", itens);
       txt.LoadTemplateFromText(kLayout, "TETIQUETAS.prt");
       txt.Prepare();
       const fs::path text_file = var / "etiquetas.txt";
       txt.export_to_text(text_file.string());
       out << fmt::format("Text mode (10 cpi, 6 lpi): {} pages written to {}:\n", txt.GetEndPagesCount(),
                          text_file.string());
       out << txt.page_text(0);

       // The station's queue is replaced for the demo: the command is shown
       // and the job kept, so no printer is needed.
       const fs::path job = var / "etiquetas-impressao.pdf";
       std::vector<std::string> command;
       const PrintSpawner previous = set_print_spawner([&](const std::vector<std::string>& argv) {
         command = argv;
         std::error_code ec;
         fs::copy_file(argv.back(), job, fs::copy_options::overwrite_existing, ec);
         return !ec;
       });
       TprReport win;
       win.AddDataSet("ITENS", itens);
       win.LoadTemplateFromText(kLayout, "WETIQUETAS.prt");
       win.Prepare();
       win.PrinterName = "Laser_Expedicao";
       try {
         win.PrintPreparedReport();
       } catch (...) {
         set_print_spawner(previous);
         throw;
       }
       set_print_spawner(previous);
       std::string line;
       for (size_t i = 0; i < command.size(); ++i)
         line += (i ? " " : "") + (i + 1 == command.size() ? std::string("<job>.pdf") : command[i]);
       out << fmt::format("Graphic mode: {} pages sent with `{}`; the job was kept as {}\n",
                          win.GetEndPagesCount(), line, job.string());
     }}};

}  // namespace
}  // namespace zpk::cli
