// `zpk call` entries for the query conventions and look-ups. The ones that
// read the database take --db (path or host:path), --empresa and --usuario
// before the routine's name; Aspas and Cria_Where need none.
#include <ostream>
#include <string>

#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/table.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

const std::string& arg(const CallContext& ctx, size_t index) {
  return ctx.args.at(index);
}

std::string arg_or(const CallContext& ctx, size_t index, const std::string& missing) {
  return index < ctx.args.size() ? ctx.args[index] : missing;
}

// One value per line: unassigned and null as an empty line, numbers with a
// decimal point, an array item by item.
void print_variant(std::ostream& out, const Variant& value) {
  if (value.IsArray()) {
    for (const Variant& item : value.Items()) print_variant(out, item);
  } else if (value.IsInteger()) {
    print_text(out, std::to_string(value.AsInteger()));
  } else if (value.IsFloat()) {
    print_number(out, value.AsFloat());
  } else {
    print_text(out, value.AsString());
  }
}

const bool registered = [] {
  RegisterCall("Aspas", {"TEXT", 1, 1, [](CallContext& ctx) { print_text(ctx.out, Aspas(arg(ctx, 0))); }});
  RegisterCall("Cria_Where", {"CAMPOS VALORES", 2, 2, [](CallContext& ctx) {
                                print_text(ctx.out, Cria_Where(arg(ctx, 0), arg(ctx, 1)));
                              }});
  RegisterCall("DBLocal", {"TABELA [EMPRESA_ATUAL]", 1, 2, [](CallContext& ctx) {
                             CallSession session(ctx.options);
                             vEmpresa_Atual = arg_or(ctx, 1, "");
                             print_text(ctx.out, DBLocal(arg(ctx, 0)));
                           }});
  RegisterCall("DBLocal_SQL", {"SQL [PADRAO]", 1, 2, [](CallContext& ctx) {
                                 CallSession session(ctx.options);
                                 print_text(ctx.out, DBLocal_SQL(arg(ctx, 0), arg_or(ctx, 1, "")));
                               }});
  RegisterCall("Existe", {"TABELA CAMPOS VALORES", 3, 3, [](CallContext& ctx) {
                            CallSession session(ctx.options);
                            print_bool(ctx.out, Existe(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2)));
                          }});
  RegisterCall("Busca_Valor",
               {"TABELA CAMPOS RETORNO VALORES [RESERVADO [LOCAL]]", 4, 6, [](CallContext& ctx) {
                  CallSession session(ctx.options);
                  const bool reservado = ctx.args.size() > 4 && arg_bool(ctx, 4);
                  const bool local = ctx.args.size() > 5 && arg_bool(ctx, 5);
                  print_variant(ctx.out, Busca_Valor(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2), arg(ctx, 3),
                                                     reservado, local));
                }});
  RegisterCall("BuscaDescricao",
               {"TABELA CAMPO CHAVE VALORES", 4, 4, [](CallContext& ctx) {
                  CallSession session(ctx.options);
                  print_text(ctx.out, BuscaDescricao(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2), arg(ctx, 3)));
                }});
  RegisterCall("BuscaParametro", {"TIPO CODIGO", 2, 2, [](CallContext& ctx) {
                                    CallSession session(ctx.options);
                                    print_text(ctx.out, BuscaParametro(arg(ctx, 0), arg_int(ctx, 1)));
                                  }});
  RegisterCall("UnionTodasEmpresas",
               {"SQL [TABELA [SOMENTE_ACESSO]]", 1, 3, [](CallContext& ctx) {
                  CallSession session(ctx.options);
                  const bool somente = ctx.args.size() > 2 && arg_bool(ctx, 2);
                  print_text(ctx.out, UnionTodasEmpresas(arg(ctx, 0), arg_or(ctx, 1, ""), somente));
                }});
  RegisterCall("ObsCliente", {"CODCLI", 1, 1, [](CallContext& ctx) {
                                // Prints nothing: the observations appear as a dialog line on stderr.
                                CallSession session(ctx.options);
                                ObsCliente(arg(ctx, 0));
                              }});
  RegisterCall("ExecutaRefresh", {"TABELA_FISICA [RECNO]", 1, 2, [](CallContext& ctx) {
                                    CallSession session(ctx.options);
                                    TTITable table(Tabela.IBDatabase);
                                    table.SetTableName(arg(ctx, 0));
                                    table.Open();
                                    if (ctx.args.size() > 1) table.RecNo = arg_int(ctx, 1);
                                    ExecutaRefresh(table);
                                    print_var(ctx.out, "RecNo", std::to_string(table.RecNo()));
                                    print_var(ctx.out, "RecordCount", std::to_string(table.RecordCount()));
                                  }});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
