// `zpk call` entries for the station settings, the file store and external
// programs. INI names resolve in the program's folder (zpk's own); the store's
// root is "path" of section "Caminho" of the station INI. BuscaArquivo uses the
// company's picture folder when --db is given; DepositoPadrao needs --db.
#include <ostream>
#include <string>

#include "foundation/external_programs.hpp"
#include "foundation/file_store.hpp"
#include "foundation/session.hpp"
#include "foundation/station_settings.hpp"
#include "platform/rtl/datetime.hpp"
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

void print_lines(std::ostream& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) print_text(out, line);
}

const bool registered = [] {
  // Station settings.
  RegisterCall("LeIni", {"SECAO CHAVE ARQUIVO", 3, 3, [](CallContext& ctx) {
                           print_text(ctx.out, LeIni(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2)));
                         }});
  RegisterCall("GravaIni", {"SECAO CHAVE VALOR ARQUIVO", 4, 4, [](CallContext& ctx) {
                              GravaIni(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2), arg(ctx, 3));
                            }});
  RegisterCall("PastaPadrao", {"PASTA [NUVEM]", 1, 2, [](CallContext& ctx) {
                                 vNuvem = arg_or(ctx, 1, "");
                                 print_text(ctx.out, PastaPadrao(arg(ctx, 0)));
                               }});
  RegisterCall("ImpressoraPadrao",
               {"", 0, 0, [](CallContext& ctx) { print_text(ctx.out, ImpressoraPadrao()); }});
  RegisterCall("DepositoPadrao", {"OPCAO", 1, 1, [](CallContext& ctx) {
                                    CallSession session(ctx.options);
                                    print_text(ctx.out, DepositoPadrao(arg(ctx, 0)));
                                  }});
  RegisterCall("PegaPesoBalanca", {"LEITURA [BALANCA]", 1, 2, [](CallContext& ctx) {
                                     bool estavel = false;
                                     const double peso =
                                         PegaPesoBalanca(arg(ctx, 0), estavel, arg_or(ctx, 1, ""));
                                     print_number(ctx.out, peso);
                                     print_var(ctx.out, "Estavel", estavel ? "True" : "False");
                                   }});

  // The file store; TIPO is tpProduto, tpDocumento, ... or the folder's name.
  RegisterCall("BuscaArquivo", {"CODIGO ARQUIVO TIPO", 3, 3, [](CallContext& ctx) {
                                  const TTipo tipo = tipo_from_text(arg(ctx, 2));
                                  if (ctx.options.db.empty()) {
                                    print_text(ctx.out, BuscaArquivo(arg(ctx, 0), arg(ctx, 1), tipo));
                                  } else {
                                    CallSession session(ctx.options);
                                    print_text(ctx.out, BuscaArquivo(arg(ctx, 0), arg(ctx, 1), tipo));
                                  }
                                }});
  RegisterCall("SalvaArquivo",
               {"CODIGO ORIGEM TIPO", 3, 3, [](CallContext& ctx) {
                  print_text(ctx.out, SalvaArquivo(arg(ctx, 0), arg(ctx, 1), tipo_from_text(arg(ctx, 2))));
                }});
  RegisterCall("TrataImagem",
               {"ARQUIVO", 1, 1, [](CallContext& ctx) { print_text(ctx.out, TrataImagem(arg(ctx, 0))); }});
  RegisterCall("GetDiretorios",
               {"PASTA", 1, 1, [](CallContext& ctx) { print_lines(ctx.out, GetDiretorios(arg(ctx, 0))); }});
  RegisterCall("GetArquivos", {"PASTA MASCARA", 2, 2, [](CallContext& ctx) {
                                 print_lines(ctx.out, GetArquivos(arg(ctx, 0), arg(ctx, 1)));
                               }});
  RegisterCall("AddArquivos", {"PASTA [RECURSIVO]", 1, 2, [](CallContext& ctx) {
                                 std::vector<std::string> lista;
                                 AddArquivos(arg(ctx, 0), lista, ctx.args.size() > 1 && arg_bool(ctx, 1));
                                 print_lines(ctx.out, lista);
                               }});
  RegisterCall("FileDate", {"ARQUIVO", 1, 1, [](CallContext& ctx) {
                              const TDateTime date = FileDate(arg(ctx, 0));
                              print_text(ctx.out, date == DateNull ? std::string() : DateTimeToStr(date));
                            }});

  // External programs: the line is split as on the original's platform and
  // started without a shell.
  RegisterCall("ExecutaEXE",
               {"LINHA", 1, 1, [](CallContext& ctx) { print_bool(ctx.out, ExecutaEXE(arg(ctx, 0))); }});
  RegisterCall("ExecutaBrowser",
               {"URL", 1, 1, [](CallContext& ctx) { ExecutaBrowser(nullptr, arg(ctx, 0)); }});
  RegisterCall("RunImageLocally", {"[MODULO]", 0, 1, [](CallContext& ctx) {
                                     print_text(ctx.out, std::to_string(RunImageLocally(arg_or(ctx, 0, ""))));
                                   }});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
