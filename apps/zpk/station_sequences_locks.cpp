// Workloads of `zpk station` for codes and record locks:
//
//   zpk station proximo TABELA CAMPO [TAMANHO] --count N ...
//     N codes drawn with Proximo, one per line: no code may appear twice
//     across the stations.
//   zpk station lock-pedido NUMERO [USUARIO] ...
//     asks for order NUMERO once (as USUARIO when given) and prints
//     "locked" or "refused: <what the user was told>".
#include <string>

#include "arguments.hpp"
#include "foundation/record_locks.hpp"
#include "foundation/sequences.hpp"
#include "foundation/session.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "station.hpp"

namespace zpk::cli {
namespace {

const RegisterStationWorkload kProximo{
    "proximo",
    {"TABELA CAMPO [TAMANHO]: COUNT codes drawn with Proximo, one per line", [](StationContext& ctx) {
       if (ctx.args.size() < 2) throw EZpkError("proximo: expected TABELA CAMPO [TAMANHO]");
       const int tamanho = ctx.args.size() > 2 ? read_int("proximo: TAMANHO", ctx.args[2]) : 6;
       for (int i = 0; i < ctx.count; ++i) ctx.out << Proximo(ctx.args[0], ctx.args[1], tamanho) << '\n';
     }}};

const RegisterStationWorkload kLockPedido{
    "lock-pedido",
    {"NUMERO [USUARIO]: asks for the order's lock, printing locked or refused: TEXT",
     [](StationContext& ctx) {
       if (ctx.args.empty()) throw EZpkError("lock-pedido: expected NUMERO [USUARIO]");
       if (ctx.args.size() > 1) vUsuario = ctx.args[1];
       for (int i = 0; i < ctx.count; ++i) {
         if (!PedidoLocado(ctx.args[0], "1")) {
           ctx.out << "locked\n";
           continue;
         }
         std::string told;
         if (auto* headless = dynamic_cast<HeadlessDialogs*>(&dialog_service())) {
           if (!headless->records().empty()) told = headless->last().text;
         }
         ctx.out << "refused: " << told << '\n';
       }
     }}};

}  // namespace
}  // namespace zpk::cli
