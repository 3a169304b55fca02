// `zpk call` entries for calling reports by name: the layout name, the
// layouts of a report, the mode box, the printer chooser, and a layout
// printed or written to PDF (layouts that need no dataset from a screen).
#include <string>

#include "reporting/chama_relatorio.hpp"
#include "routine_adapter.hpp"

namespace zpk {
namespace {

// Chama_Relatorio with a report of its own; what became of it: the printer,
// the file written instead, or "preview" / "" (nothing shown or printed).
std::string chama_relatorio(const std::string& NomeRel, const std::string& Modo, bool Visualizar,
                            bool Configurar, const std::string& Impressora) {
  TprReport win;
  TprTxReport txt;
  if (!Chama_Relatorio(win, txt, NomeRel, OwnerForm{}, Modo, Visualizar, Configurar, Impressora)) return "";
  for (const TprCustomReport* rel :
       {static_cast<const TprCustomReport*>(&win), static_cast<const TprCustomReport*>(&txt)}) {
    if (!rel->LastPrintFile().empty()) return rel->LastPrintFile();
    if (rel->GetEndPagesCount() > 0 && !Visualizar)
      return rel->PrinterName.empty() ? "default printer" : rel->PrinterName;
  }
  return "preview";
}

// GeraPDF with a report of its own.
bool gera_pdf(const std::string& Arquivo, const std::string& Nome, bool Abrir) {
  TprReport rel;
  return GeraPDF(Arquivo, rel, Nome, Abrir);
}

}  // namespace
}  // namespace zpk

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(nome_layout_relatorio), {"NomeRel", "Modo", "Layout"});
  register_routine(ZPK_ROUTINE(ListaLayoutRelatorio), {"Combo", "NomeRel"}).uses_database();
  register_routine(ZPK_ROUTINE(InputBoxImpressao), {"NomeRel", "Layout", "Modo"}).uses_database();
  register_routine(ZPK_ROUTINE(SelecionaImpressora), {"Impressora"});
  register_routine(ZPK_ROUTINE(chama_relatorio),
                   {"NomeRel", "Modo", "Visualizar", "Configurar", "Impressora"})
      .uses_database();
  register_routine(ZPK_ROUTINE(gera_pdf), {"Arquivo", "Nome", "Abrir"}).uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
