// `zpk demo` step for invoice printing: the demo invoice 009001 (three lines:
// one with ST and FCP, one with the rate difference of a final consumer in
// another state, one exempt; two instalments) printed through the shipped
// WNOTA layout into var/demo-nota.pdf and var/demo-nota.xlsx.
#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "foundation/station_settings.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "reporting/imprime_nota_fiscal.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

namespace fs = std::filesystem;

// A station in a throw-away program folder whose INI points "Caminho" at the
// layouts of the current folder (reports/), put back when the step ends.
class LayoutStation {
 public:
  explicit LayoutStation(const fs::path& base) : base_(base) {
    fs::create_directories(base_);
    set_program_folder(base_);
    GravaIni("Caminho", "path", (fs::current_path() / "reports").string(), Tabela.ArquivoIni);
  }
  ~LayoutStation() {
    set_program_folder({});
    std::error_code ec;
    fs::remove_all(base_, ec);
  }
  LayoutStation(const LayoutStation&) = delete;
  LayoutStation& operator=(const LayoutStation&) = delete;

 private:
  fs::path base_;
};

const RegisterDemo imprime_nota{
    {830, "Invoice printing: the demo invoice through WNOTA.prt to PDF and XLSX",
     [](const CallOptions& options, std::ostream& out) {
       demo_session(options, out);
       demo_exec(
           "UPDATE OR INSERT INTO PEDIDO_001 (NUMERO, CODCLI, DT_EMISSAO, COND_PAGTO, PED_CLI, ART_CLI, RIS, "
           "CONTATO) VALUES ('PD9001', '000901', '2025-05-20', '30/60', 'OC-4471', 'ART-22', 'RIS-9', "
           "'MARIANA') "
           "MATCHING (NUMERO)");
       LayoutStation station(fs::temp_directory_path() / fmt::format("zpk-demo-nota-{}", ::getpid()));
       TTIQuery q(Tabela.IBDatabase), q2(Tabela.IBDatabase);
       TClientDataSet cds;
       TprReport report;
       if (!ImprimeNotaFiscal(q, q2, cds, report, "009001", "WNOTA", "", "", 1, 0)) {
         out << "ImprimeNotaFiscal(009001) printed nothing\n";
         return;
       }
       out << fmt::format("ImprimeNotaFiscal(009001): {} item lines, {} page(s)\n", cds.RecordCount(),
                          report.GetEndPagesCount());
       for (cds.First(); !cds.Eof(); cds.Next()) {
         out << fmt::format("  {} {} {} x {} = {}  ICMS {} (base {})\n",
                            std::string(cds.FieldByName("ITEM_NR_ITEM").AsString),
                            std::string(cds.FieldByName("ITEM_CODIGO2").AsString),
                            FormatFloat("#,##0.00", cds.FieldByName("ITEM_QTDE").AsFloat),
                            FormatFloat("#,##0.00", cds.FieldByName("ITEM_PRECO").AsFloat),
                            FormatFloat("#,##0.00", cds.FieldByName("ITEM_VALOR").AsFloat),
                            FormatFloat("#,##0.00", cds.FieldByName("ITEM_VAL_ICMS").AsFloat),
                            FormatFloat("#,##0.00", cds.FieldByName("ITEM_BASE_ICMS").AsFloat));
       }
       cds.First();
       out << fmt::format("  total {}  instalments {}\n",
                          FormatFloat("#,##0.00", cds.FieldByName("NOTA_VALOR").AsFloat),
                          StringReplace(report.Variables.ByName("vDupValor")->Value().AsString(), "\n", " + ",
                                        rfReplaceAll));
       fs::create_directories("var");
       report.export_to_pdf("var/demo-nota.pdf");
       report.export_to_xlsx("var/demo-nota.xlsx");
       out << fmt::format("Written: {} and {}\n", (fs::current_path() / "var/demo-nota.pdf").string(),
                          (fs::current_path() / "var/demo-nota.xlsx").string());
     }}};

}  // namespace
}  // namespace zpk::cli
