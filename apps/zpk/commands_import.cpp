// `zpk import FILE [--estoque] [--qualidade Q] [--deposito D] --db X`: imports
// a stock or table file (with its ".Blob" companion when there is one) into
// the company's tables and prints what was done. The dialogs of the import
// (each skipped line, the closing summary) go to stderr like every dialog of
// zpk; the report goes to stdout. Exit status 1 when the file is missing or
// any line was skipped, so that a script notices.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "inventory/sis_importa.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace {

struct ImportOptions {
  std::string file;
  bool estoque = false;
  std::string qualidade;
  std::string deposito;
};

const zpk::cli::RegisterCommand kImportCommand{[](CLI::App& app, zpk::cli::CallOptions& options) {
  auto o = std::make_shared<ImportOptions>();
  CLI::App* cmd = app.add_subcommand(
      "import",
      "import a stock or table file: zpk import FILE [--estoque] [--qualidade Q] [--deposito D] --db X");
  cmd->add_option("FILE", o->file, "the text file (a FILE.Blob companion beside it is read too)")->required();
  cmd->add_flag("--estoque", o->estoque,
                "post the movements of PA_MOV/MAT_MOV sections (journal rows and balance quantities); "
                "without it balances are only created, at 0");
  cmd->add_option("--qualidade", o->qualidade,
                  "quality (TIPO) for every product movement, instead of the file's");
  cmd->add_option("--deposito", o->deposito, "deposit for every movement, instead of the file's");
  zpk::cli::add_session_options(*cmd, options);

  cmd->callback([o, &options] {
    // The command's own dialogs are answered now, before the run ends.
    if (auto* headless = dynamic_cast<zpk::HeadlessDialogs*>(&zpk::dialog_service())) {
      headless->reply_all(options.answers);
    }
    zpk::cli::CallSession session(options);
    zpk::TSisImporta imp;
    imp.Arquivo = o->file;
    imp.Estoque = o->estoque;
    imp.Qualidade = o->qualidade;
    imp.Deposito = o->deposito;
    imp.Importar();
    std::error_code ec;
    const bool found = std::filesystem::is_regular_file(o->file, ec);
    std::cout << fmt::format("file: {}\n", o->file);
    if (!found) {
      std::cout << "not found: nothing imported\n";
      throw zpk::EAbort();
    }
    std::cout << fmt::format("inserted: {}\nchanged: {}\nskipped lines: {}\n", imp.inserted(), imp.changed(),
                             imp.errors().size() + static_cast<size_t>(imp.skipped()));
    for (const zpk::ImportLineError& e : imp.errors()) {
      std::cout << fmt::format("line {}: {}\n", e.linha, e.mensagem);
    }
    if (imp.skipped() > 0) {
      std::cout << fmt::format("{} records of unusable sections were skipped with them\n", imp.skipped());
    }
    std::cout.flush();
    if (!imp.errors().empty()) throw zpk::EAbort();
  });
}};

}  // namespace
