// `zpk call` entries for the station settings, the file store and external
// programs. INI names resolve in the program's folder (zpk's own); the store's
// root is "path" of section "Caminho" of the station INI. Hosted mode is the
// session's: --set vNuvem=S. BuscaArquivo uses the company's picture folder
// when --db is given; DepositoPadrao needs --db.
#include "foundation/external_programs.hpp"
#include "foundation/file_store.hpp"
#include "foundation/station_settings.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  // Station settings.
  register_routine(ZPK_ROUTINE(LeIni), {"Secao", "Chave", "Arquivo"});
  register_routine(ZPK_ROUTINE(GravaIni), {"Secao", "Chave", "Valor", "Arquivo"});
  register_routine(ZPK_ROUTINE(PastaPadrao), {"Pasta"});
  register_routine(ZPK_ROUTINE(ImpressoraPadrao));
  register_routine(ZPK_ROUTINE(DepositoPadrao), {"Opcao"}).uses_database();
  register_routine(ZPK_ROUTINE(PegaPesoBalanca), {"Leitura", "Estavel", "Balanca"});

  // The file store; Tipo is tpProduto, tpDocumento, ... or the folder's name.
  register_routine(ZPK_ROUTINE(BuscaArquivo), {"Codigo", "Arquivo", "Tipo"}).uses_database_when_given();
  register_routine(ZPK_ROUTINE(SalvaArquivo), {"Codigo", "Origem", "Tipo", "Imagem"});
  register_routine(ZPK_ROUTINE(TrataImagem), {"Arquivo"});
  register_routine(ZPK_ROUTINE(GetDiretorios), {"Pasta"});
  register_routine(ZPK_ROUTINE(GetArquivos), {"Pasta", "Mascara"});
  register_routine(ZPK_ROUTINE(AddArquivos), {"Pasta", "Lista", "Recursivo"});
  register_routine(ZPK_ROUTINE(FileDate), {"Arquivo"});

  // External programs: the line is split as the ERP's stations split it and
  // started without a shell.
  register_routine(ZPK_ROUTINE(ExecutaEXE), {"Linha"});
  register_routine(ZPK_ROUTINE(ExecutaBrowser), {"Handle", "URL"});
  register_routine(ZPK_ROUTINE(RunImageLocally), {"Modulo"});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
