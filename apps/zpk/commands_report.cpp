// `zpk report LAYOUT [--db X] [--empresa E] [--pdf F] [--xlsx F] [--png F]
// [--var NAME=VALUE]...`: prepares a layout (a .prt file, or a layout name
// looked up in the shared folder's layout folders) over the datasets it
// declares and writes the outputs asked for. It prints the page count and
// every file written; exit status 1 when nothing was printed.
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "platform/rtl/errors.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "reporting/funcoes_relatorio.hpp"
#include "reporting/layout_datasets.hpp"
#include "reporting/layout_files.hpp"
#include "reporting/report.hpp"
#include "session.hpp"

namespace {

struct ReportOptions {
  std::string layout;
  std::string pdf;
  std::string xlsx;
  std::string png;
  std::vector<std::string> vars;
};

// The layout's file: LAYOUT itself when it names a file, else the layout of
// that name in the shared folder. Raises EZpkError when neither exists.
std::string layout_file(const std::string& layout) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(layout, ec)) return layout;
  const std::string found = zpk::ArquivoLayout(layout);
  if (found.empty()) {
    throw zpk::EZpkError(fmt::format("layout {} not found: neither a file nor {}", layout,
                                     zpk::arquivo_layout_relatorio(layout)));
  }
  // The stored path has the shared folder's "\" separators.
  return zpk::program_file(found).string();
}

// Prepares and writes the report; the datasets are open only meanwhile.
void run_report(const ReportOptions& o, const zpk::cli::CallOptions& options) {
  zpk::TprReport report;
  report.LoadTemplateFromFile(layout_file(o.layout));
  zpk::LigaFuncoesRelatorio(report);
  {
    auto& v = report.Variables.AddVariable();
    v.Name = "vEmpresa";
    v.SetAsString(options.empresa);
  }
  for (const std::string& nv : o.vars) {
    const size_t eq = nv.find('=');
    if (eq == std::string::npos || eq == 0) {
      throw zpk::EZpkError(fmt::format("--var {}: not NAME=VALUE", nv));
    }
    auto& v = report.Variables.AddVariable();
    v.Name = nv.substr(0, eq);
    v.SetAsString(nv.substr(eq + 1));
  }
  std::optional<zpk::cli::CallSession> session;
  std::optional<zpk::LayoutDataSets> datasets;
  if (!report.Template()->DataSets.empty()) {
    if (options.db.empty()) {
      throw zpk::EZpkError(fmt::format("{} reads the database: give --db", report.Template()->FileName));
    }
    session.emplace(options);
    datasets.emplace(report, zpk::Tabela.IBDatabase);
  }
  if (!report.Prepare()) {
    std::cout << "pages: 0 (no record to print)\n";
    std::cout.flush();
    throw zpk::EAbort();
  }
  std::cout << fmt::format("layout: {}\npages: {}\n", report.Template()->FileName, report.GetEndPagesCount());
  if (!o.pdf.empty()) {
    report.export_to_pdf(o.pdf);
    std::cout << fmt::format("pdf: {}\n", o.pdf);
  }
  if (!o.xlsx.empty()) {
    report.export_to_xlsx(o.xlsx);
    std::cout << fmt::format("xlsx: {}\n", o.xlsx);
  }
  if (!o.png.empty()) {
    report.export_page_to_png(0, o.png);
    std::cout << fmt::format("png: {}\n", o.png);
  }
  std::cout.flush();
}

const zpk::cli::RegisterCommand kReportCommand{[](CLI::App& app, zpk::cli::CallOptions& options) {
  auto o = std::make_shared<ReportOptions>();
  CLI::App* cmd = app.add_subcommand(
      "report",
      "print a layout: zpk report LAYOUT [--db X] [--pdf F] [--xlsx F] [--png F] [--var NAME=VALUE]...");
  cmd->add_option("LAYOUT", o->layout, "a .prt file, or a layout name found in the shared folder's layouts")
      ->required();
  cmd->add_option("--pdf", o->pdf, "write every page into this PDF file");
  cmd->add_option("--xlsx", o->xlsx, "write the pages' figures into this XLSX workbook");
  cmd->add_option("--png", o->png, "write the first page as a PNG image (96 dpi)");
  cmd->add_option("--var", o->vars, "a report variable, NAME=VALUE (repeatable); also the queries' :NAME")
      ->allow_extra_args(false);
  zpk::cli::add_session_options(*cmd, options);
  cmd->callback([o, &options] { run_report(*o, options); });
}};

}  // namespace
