// `zpk call` entries for the query conventions and look-ups. The ones that
// read the database take --db (path or host:path), --empresa and --usuario
// before the routine's name; Aspas and Cria_Where need none. DBLocal's company
// override is the session's: --set vEmpresa_Atual=_002.
#include "foundation/lookups.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(Aspas), {"S"});
  register_routine(ZPK_ROUTINE(Cria_Where), {"Campos", "Valores"});
  register_routine(ZPK_ROUTINE(DBLocal), {"NomeTabela", "Flag"}).uses_database();
  register_routine(ZPK_ROUTINE(DBLocal_SQL), {"SQL", "Padrao"}).uses_database();
  register_routine(ZPK_ROUTINE(Existe), {"NomeTabela", "Campos", "Valores", "Database"}).uses_database();
  register_routine(ZPK_ROUTINE(Busca_Valor),
                   {"NomeTabela", "Campos", "Retorno", "Valores", "Reservado", "Local"})
      .uses_database();
  register_routine(ZPK_ROUTINE(BuscaDescricao), {"NomeTabela", "Campo", "Chave", "Valores"}).uses_database();
  register_routine(ZPK_ROUTINE(BuscaParametro), {"Tipo", "Codigo"}).uses_database();
  register_routine(ZPK_ROUTINE(UnionTodasEmpresas), {"SQL", "NomeTabela", "SomenteAcesso"}).uses_database();
  // Prints nothing: the observations appear as a dialog line on stderr.
  register_routine(ZPK_ROUTINE(ObsCliente), {"CodCli"}).uses_database();
  // The table by its physical name (NAME@RECNO stands on a record first); prints RecNo and RecordCount.
  register_routine(ZPK_ROUTINE(ExecutaRefresh), {"Table"}).uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
