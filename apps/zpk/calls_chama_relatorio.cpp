// `zpk call` entries for calling reports by name: the layout name, the
// layouts of a report, the mode box, the printer chooser, and a layout
// printed or written to PDF (layouts that need no dataset from a screen).
#include <string>

#include "reporting/chama_relatorio.hpp"
#include "routine_adapter.hpp"

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
