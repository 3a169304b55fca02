// `zpk call` entries for reservations and the stock look-ups, and the station
// workload "baixa-reserva". A TReserva operation takes the commit flag, then
// the object's properties as NAME=value arguments, e.g.
//   zpk call --db X GravarReservaProduto True ENumero=000123 ECodigo=CAM-001 ECor=01 ETam=M EQuantidade=5
// and prints the rows it changed.
#include <charconv>
#include <cmath>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "inventory/reserva.hpp"
#include "inventory/stock_queries.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"
#include "registry.hpp"
#include "session.hpp"
#include "station.hpp"

namespace zpk::cli {
namespace {

const std::string& arg(const CallContext& ctx, size_t index) {
  return ctx.args.at(index);
}

double number(const std::string& name, const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) {
    throw EConvertError(fmt::format("{}: '{}' is not a number", name, text));
  }
  return value;
}

// Sets one property from "NAME=value" (dates as dd/mm/yyyy, numbers with a point).
void set_property(TReserva& r, const std::string& assignment) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos) throw EZpkError("expected NAME=value, got '" + assignment + "'");
  const std::string name = assignment.substr(0, eq);
  const std::string value = assignment.substr(eq + 1);
  if (name == "ECodigo")
    r.ECodigo = value;
  else if (name == "ECor")
    r.ECor = value;
  else if (name == "EData")
    r.EData = StrToDate(value);
  else if (name == "EDeposito")
    r.EDeposito = value;
  else if (name == "ELote")
    r.ELote = value;
  else if (name == "ENumero")
    r.ENumero = value;
  else if (name == "EQuantidade")
    r.EQuantidade = number(name, value);
  else if (name == "EQuantidade_B")
    r.EQuantidade_B = number(name, value);
  else if (name == "EQuantidade_E")
    r.EQuantidade_E = number(name, value);
  else if (name == "ETam")
    r.ETam = value;
  else if (name == "ETipo")
    r.ETipo = value;
  else
    throw EZpkError("TReserva has no property '" + name + "'");
}

void register_reserva(const std::string& name, void (TReserva::*operation)(bool)) {
  RegisterCall(name, {"COMMIT [PROPERTY=value...]", 1, -1, [operation](CallContext& ctx) {
                        CallSession session(ctx.options);
                        TReserva r;
                        for (size_t i = 1; i < ctx.args.size(); ++i) set_property(r, ctx.args[i]);
                        (r.*operation)(arg_bool(ctx, 0));
                        print_var(ctx.out, "RowsAffected", std::to_string(r.rows_affected()));
                      }});
}

const bool registered = [] {
  register_reserva("GravarReservaProduto", &TReserva::GravarReservaProduto);
  register_reserva("GravarReservaMaterial", &TReserva::GravarReservaMaterial);
  register_reserva("BaixarReservaProduto", &TReserva::BaixarReservaProduto);
  register_reserva("BaixarReservaMaterial", &TReserva::BaixarReservaMaterial);
  register_reserva("ExcluirReservaProduto", &TReserva::ExcluirReservaProduto);
  register_reserva("ExcluirReservaMaterial", &TReserva::ExcluirReservaMaterial);

  RegisterCall("QtdeEstoque", {"CODIGO COR TAM LOTE DEPOSITO TIPO ORIGEM", 7, 7, [](CallContext& ctx) {
                                 CallSession session(ctx.options);
                                 print_number(ctx.out,
                                              QtdeEstoque(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2), arg(ctx, 3),
                                                          arg(ctx, 4), arg(ctx, 5), arg(ctx, 6)));
                               }});
  RegisterCall("CalculaPrecoMedio",
               {"CODIGO UNIDADE COR OPERACAO QTDE PRECO", 6, 6, [](CallContext& ctx) {
                  CallSession session(ctx.options);
                  print_number(ctx.out, CalculaPrecoMedio(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2), arg(ctx, 3),
                                                          arg_double(ctx, 4), arg_double(ctx, 5)));
                }});
  RegisterCall("ConverteUnidade", {"UNORIGEM UNDESTINO QTDE", 3, 3, [](CallContext& ctx) {
                                     CallSession session(ctx.options);
                                     std::string un_resultado;
                                     const double qtde = ConverteUnidade(arg(ctx, 0), arg(ctx, 1),
                                                                         un_resultado, arg_double(ctx, 2));
                                     print_number(ctx.out, qtde);
                                     print_var(ctx.out, "UnResultado", un_resultado);
                                   }});
  RegisterCall("QuantidadeConv", {"CODIGO UNIDADE TIPO QTDE", 4, 4, [](CallContext& ctx) {
                                    CallSession session(ctx.options);
                                    print_number(ctx.out, QuantidadeConv(arg(ctx, 0), arg(ctx, 1),
                                                                         arg(ctx, 2), arg_double(ctx, 3)));
                                  }});
  RegisterCall("QtdeUnCompra", {"CODIGO UNIDADE TIPO QTDE", 4, 4, [](CallContext& ctx) {
                                  CallSession session(ctx.options);
                                  print_number(ctx.out, QtdeUnCompra(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2),
                                                                     arg_double(ctx, 3)));
                                }});
  RegisterCall("Ultimo_Preco", {"CODIGO FORNECEDOR", 2, 2, [](CallContext& ctx) {
                                  CallSession session(ctx.options);
                                  print_number(ctx.out, Ultimo_Preco(arg(ctx, 0), arg(ctx, 1)));
                                }});
  RegisterCall("Busca_Preco", {"CODIGO FORNECEDOR COR TIPO TINTURARIA", 5, 5, [](CallContext& ctx) {
                                 CallSession session(ctx.options);
                                 print_number(ctx.out, Busca_Preco(arg(ctx, 0), arg(ctx, 1), arg(ctx, 2),
                                                                   arg(ctx, 3), arg(ctx, 4)));
                               }});
  RegisterCall("ValidaExclusaoMaterial", {"CODIGO", 1, 1, [](CallContext& ctx) {
                                            CallSession session(ctx.options);
                                            print_bool(ctx.out, ValidaExclusaoMaterial(arg(ctx, 0)));
                                          }});
  RegisterCall("ValidaExclusaoProduto", {"CODIGO", 1, 1, [](CallContext& ctx) {
                                           CallSession session(ctx.options);
                                           print_bool(ctx.out, ValidaExclusaoProduto(arg(ctx, 0)));
                                         }});
  return true;
}();

// Each operation writes one unit of the product reservation down and commits;
// prints the rows it changed.
const RegisterStationWorkload kBaixaReserva{"baixa-reserva",
                                            {"NUMERO CODIGO COR TAM LOTE DEPOSITO", [](StationContext& ctx) {
                                               TReserva r;
                                               r.ENumero = ctx.args.at(0);
                                               r.ECodigo = ctx.args.at(1);
                                               r.ECor = ctx.args.at(2);
                                               r.ETam = ctx.args.at(3);
                                               r.ELote = ctx.args.at(4);
                                               r.EDeposito = ctx.args.at(5);
                                               r.EQuantidade = 1;
                                               r.EQuantidade_B = 1;
                                               for (int i = 0; i < ctx.count; ++i) {
                                                 r.BaixarReservaProduto(true);
                                                 ctx.out << r.rows_affected() << '\n';
                                               }
                                             }}};

}  // namespace
}  // namespace zpk::cli
