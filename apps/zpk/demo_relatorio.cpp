// `zpk demo` step for the report engine: the stock list by product group
// (reports/layout/WESTOQUE.prt) printed over the demo database's balances to
// var/demo-estoque.pdf and var/demo-estoque.xlsx, with its page count and the
// totals its last page shows.
#include <filesystem>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "reporting/layout_datasets.hpp"
#include "reporting/report.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

namespace fs = std::filesystem;

// The shipped layouts lie in reports/layout beside schema/ in the checkout.
fs::path shipped_layout(const std::string& name) {
  const fs::path file = find_schema_dir().parent_path() / "reports" / "layout" / (name + ".prt");
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) throw EZpkError(fmt::format("{} is missing", file.string()));
  return file;
}

const RegisterDemo kRelatorio{
    {820, "Reports: the stock list by product group to PDF and XLSX",
     [](const CallOptions& o, std::ostream& out) {
       const fs::path var = demo_session(o, out).parent_path();
       TprReport report;
       report.LoadTemplateFromFile(shipped_layout("WESTOQUE").string());
       auto& empresa = report.Variables.AddVariable();
       empresa.Name = "vEmpresa";
       empresa.SetAsString(o.empresa);
       LayoutDataSets datasets(report, Tabela.IBDatabase);
       if (!report.Prepare()) {
         out << "The stock list has no balance to print.\n";
         return;
       }
       const std::string pdf = (var / "demo-estoque.pdf").string();
       const std::string xlsx = (var / "demo-estoque.xlsx").string();
       report.export_to_pdf(pdf);
       report.export_to_xlsx(xlsx);

       // The same totals straight from the balances, as the summary band adds them up.
       TTIQuery q(Tabela.IBDatabase);
       q.SQL.Text = DBLocal_SQL(
           "SELECT COUNT(*), SUM(I.QUANTIDADE), SUM(CAST(I.QUANTIDADE * COALESCE(P.CUSTO, 0) AS "
           "NUMERIC(18,2))) "
           "FROM {PA_ITEN} I LEFT JOIN {PRODUTO} P ON P.CODIGO = I.CODIGO");
       q.Open();
       out << fmt::format(
           "Stock list WESTOQUE.prt: {} page(s), {} balances, total quantity {:.2f}, value {:.2f}\n",
           report.GetEndPagesCount(), q.Fields(0).AsInteger(), q.Fields(1).AsFloat(), q.Fields(2).AsFloat());
       out << fmt::format("  PDF:  {}\n  XLSX: {}\n", pdf, xlsx);
     }}};

}  // namespace
}  // namespace zpk::cli
