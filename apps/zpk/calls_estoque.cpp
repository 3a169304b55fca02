// `zpk call` entries for stock movements (TEstoque). Properties are given as
// NAME=value arguments (ECodigo=TEC-001 EQuantidade=10 EOperacao=S
// EData=dd/mm/yyyy ...; EOperacao takes E/S or opEntrada/opSaida); an argument
// without "=" is a flag of the routine. After the routine the call commits,
// as the screen that called it would, and prints the properties it completed.
//
//   zpk call --db x MovimentaEstoqueProduto [COMMIT] NAME=value...
//   zpk call --db x MovimentaEstoqueMaterial [COMMIT [ATUALIZA_PRECO]] NAME=value...
#include <functional>
#include <iostream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "inventory/estoque.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

double number_arg(const std::string& name, const std::string& value) {
  const CallOptions options;
  const std::vector<std::string> args{value};
  CallContext ctx{options, args, std::cout};
  (void)name;
  return arg_double(ctx, 0);
}

using Setter = std::function<void(TEstoque&, const std::string&)>;

const std::map<std::string, Setter>& setters() {
  static const std::map<std::string, Setter> kSetters = [] {
    std::map<std::string, Setter> m;
    const auto text = [&m](const char* name, std::string TEstoque::*field) {
      m[name] = [field](TEstoque& e, const std::string& v) { e.*field = v; };
    };
    const auto real = [&m](const char* name, double TEstoque::*field) {
      m[name] = [field, name](TEstoque& e, const std::string& v) { e.*field = number_arg(name, v); };
    };
    text("ECodigo", &TEstoque::ECodigo);
    text("ECor", &TEstoque::ECor);
    text("ELote", &TEstoque::ELote);
    text("EDeposito", &TEstoque::EDeposito);
    text("EQualidade", &TEstoque::EQualidade);
    text("EDocumento", &TEstoque::EDocumento);
    text("ETipo", &TEstoque::ETipo);
    text("ETipoBaixa", &TEstoque::ETipoBaixa);
    text("ECliente", &TEstoque::ECliente);
    text("EDescricao", &TEstoque::EDescricao);
    text("EUnidade", &TEstoque::EUnidade);
    text("EUnCad", &TEstoque::EUnCad);
    text("EFuncionario", &TEstoque::EFuncionario);
    text("EBarra", &TEstoque::EBarra);
    text("ETamanho", &TEstoque::ETamanho);
    text("EObservacao", &TEstoque::EObservacao);
    text("ETurno", &TEstoque::ETurno);
    text("EComposicao", &TEstoque::EComposicao);
    text("EBarra28", &TEstoque::EBarra28);
    text("EBarraCli", &TEstoque::EBarraCli);
    text("EBarraMat", &TEstoque::EBarraMat);
    text("ELocal", &TEstoque::ELocal);
    text("EMaquina", &TEstoque::EMaquina);
    text("ECentroCusto", &TEstoque::ECentroCusto);
    text("EParte", &TEstoque::EParte);
    real("EQuantidade", &TEstoque::EQuantidade);
    real("ECusto", &TEstoque::ECusto);
    real("ECustoAtual", &TEstoque::ECustoAtual);
    real("EPreco", &TEstoque::EPreco);
    real("EUnQtde", &TEstoque::EUnQtde);
    real("EQtdeMin", &TEstoque::EQtdeMin);
    real("EQtdeMax", &TEstoque::EQtdeMax);
    real("EQuant_Bruto", &TEstoque::EQuant_Bruto);
    real("ELargura", &TEstoque::ELargura);
    m["EOrdem"] = [](TEstoque& e, const std::string& v) { e.EOrdem = StrToInt(v); };
    m["EData"] = [](TEstoque& e, const std::string& v) { e.EData = StrToDateTime(v); };
    m["EOperacao"] = [](TEstoque& e, const std::string& v) {
      if (v == "E" || v == "opEntrada") {
        e.EOperacao = TOperacaoEstoque::opEntrada;
      } else if (v == "S" || v == "opSaida") {
        e.EOperacao = TOperacaoEstoque::opSaida;
      } else {
        throw EConvertError("EOperacao: expected E, S, opEntrada or opSaida, got '" + v + "'");
      }
    };
    return m;
  }();
  return kSetters;
}

// Fills the properties from the NAME=value arguments and returns the others (flags).
std::vector<std::string> apply_properties(TEstoque& e, const std::vector<std::string>& args) {
  std::vector<std::string> flags;
  for (const std::string& a : args) {
    const size_t eq = a.find('=');
    if (eq == std::string::npos) {
      flags.push_back(a);
      continue;
    }
    const std::string name = a.substr(0, eq);
    auto it = setters().find(name);
    if (it == setters().end()) throw EZpkError("unknown TEstoque property '" + name + "'");
    it->second(e, a.substr(eq + 1));
  }
  return flags;
}

bool flag(const std::vector<std::string>& flags, size_t index, bool fallback) {
  if (index >= flags.size()) return fallback;
  const CallOptions options;
  CallContext ctx{options, flags, std::cout};
  return arg_bool(ctx, index);
}

void print_properties(std::ostream& out, const TEstoque& e) {
  print_var(out, "ECodigo", e.ECodigo);
  print_var(out, "ECor", e.ECor);
  print_var(out, "ETamanho", e.ETamanho);
  print_var(out, "EQualidade", e.EQualidade);
  print_var(out, "EDeposito", e.EDeposito);
  print_var(out, "ELote", e.ELote);
  print_var(out, "EUnCad", e.EUnCad);
  print_var(out, "EDescricao", e.EDescricao);
  print_var(out, "EFuncionario", e.EFuncionario);
  print_var(out, "EData", DateToStr(e.EData));
  for (const auto& [name, value] : {std::pair{"EQuantidade", e.EQuantidade}, std::pair{"ECusto", e.ECusto},
                                    std::pair{"ECustoAtual", e.ECustoAtual}, std::pair{"EPreco", e.EPreco},
                                    std::pair{"EUnQtde", e.EUnQtde}}) {
    out << name << '=';
    print_number(out, value);
  }
}

void commit() {
  Tabela.IBTransaction.Commit();
}

const bool registered = [] {
  RegisterCall("MovimentaEstoqueProduto", {"[COMMIT] NAME=value...", 1, -1, [](CallContext& ctx) {
                                             CallSession session(ctx.options);
                                             TEstoque e;
                                             const auto flags = apply_properties(e, ctx.args);
                                             e.MovimentaEstoqueProduto(flag(flags, 0, true));
                                             commit();
                                             print_properties(ctx.out, e);
                                           }});
  RegisterCall("MovimentaEstoqueMaterial",
               {"[COMMIT [ATUALIZA_PRECO]] NAME=value...", 1, -1, [](CallContext& ctx) {
                  CallSession session(ctx.options);
                  TEstoque e;
                  const auto flags = apply_properties(e, ctx.args);
                  e.MovimentaEstoqueMaterial(flag(flags, 0, true), flag(flags, 1, false));
                  commit();
                  print_properties(ctx.out, e);
                }});
  RegisterCall("CadastraEstoque", {"NAME=value...", 1, -1, [](CallContext& ctx) {
                                     CallSession session(ctx.options);
                                     TEstoque e;
                                     apply_properties(e, ctx.args);
                                     e.CadastraEstoque();
                                     commit();
                                     print_properties(ctx.out, e);
                                   }});
  RegisterCall("CadastraEstoqueMaterial", {"PRECO_MEDIO NAME=value...", 1, -1, [](CallContext& ctx) {
                                             CallSession session(ctx.options);
                                             TEstoque e;
                                             const auto flags = apply_properties(e, ctx.args);
                                             if (flags.empty()) throw EZpkError("PRECO_MEDIO is missing");
                                             e.CadastraEstoqueMaterial(number_arg("PRECO_MEDIO", flags[0]));
                                             commit();
                                             print_properties(ctx.out, e);
                                           }});
  RegisterCall("CriaValoresPadroes", {"NAME=value...", 0, -1, [](CallContext& ctx) {
                                        CallSession session(ctx.options);
                                        TEstoque e;
                                        apply_properties(e, ctx.args);
                                        e.CriaValoresPadroes();
                                        print_properties(ctx.out, e);
                                      }});
  RegisterCall("CriaValoresPadroesMaterial", {"NAME=value...", 0, -1, [](CallContext& ctx) {
                                                CallSession session(ctx.options);
                                                TEstoque e;
                                                apply_properties(e, ctx.args);
                                                e.CriaValoresPadroesMaterial();
                                                print_properties(ctx.out, e);
                                              }});
  RegisterCall("QtdeConvertida", {"NAME=value...", 0, -1, [](CallContext& ctx) {
                                    TEstoque e;
                                    e.EDatabase = nullptr;
                                    apply_properties(e, ctx.args);
                                    print_number(ctx.out, e.QtdeConvertida());
                                  }});
  RegisterCall("PrecoMedioProduto",
               {"CODIGO QTDE CUSTO E|S NAME=value...", 4, -1, [](CallContext& ctx) {
                  CallSession session(ctx.options);
                  TEstoque e;
                  const auto flags = apply_properties(e, ctx.args);
                  if (flags.size() < 4) throw EZpkError("CODIGO QTDE CUSTO E|S expected");
                  print_number(ctx.out, e.PrecoMedioProduto(flags[0], number_arg("QTDE", flags[1]),
                                                            number_arg("CUSTO", flags[2]), flags[3]));
                }});
  RegisterCall("PrecoMedioMaterial",
               {"CODIGO COR VALOR QTDE E|S SO_ATUAL SO_POSITIVOS", 7, 7, [](CallContext& ctx) {
                  CallSession session(ctx.options);
                  print_number(ctx.out, PrecoMedioMaterial(ctx.args[0], ctx.args[1], arg_double(ctx, 2),
                                                           arg_double(ctx, 3), ctx.args[4], arg_bool(ctx, 5),
                                                           arg_bool(ctx, 6)));
                }});
  RegisterCall("SequenciaMovimento", {"", 0, 0, [](CallContext& ctx) {
                                        CallSession session(ctx.options);
                                        print_number(ctx.out, TEstoque().SequenciaMovimento());
                                      }});
  RegisterCall("CodigoTipoMovEstoque",
               {"tmeEMAN..tmeSREC", 1, 1, [](CallContext& ctx) {
                  static const char* const kNames[] = {"tmeEMAN", "tmeEFNF", "tmeECNF", "tmeEDEV", "tmeETER",
                                                       "tmeEBOF", "tmeEBEN", "tmeETEC", "tmeEREC", "tmeSMAN",
                                                       "tmeSFNF", "tmeSCNF", "tmeSDEV", "tmeSEXP", "tmeSBOF",
                                                       "tmeSBEN", "tmeSTEC", "tmeSREC"};
                  int index = -1;
                  for (int i = 0; i < 18; ++i) {
                    if (ctx.args[0] == kNames[i]) index = i;
                  }
                  if (index < 0) throw EZpkError("unknown movement kind " + ctx.args[0]);
                  CallSession session(ctx.options);
                  print_text(ctx.out,
                             TEstoque().CodigoTipoMovEstoque(static_cast<TTipoMovimentoEstoque>(index)));
                }});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
