// Workload "reserva-nota" of `zpk station`: one station's share of invoice
// numbers reserved while other stations reserve numbers of the same series.
//
//   zpk station reserva-nota SERIE --count N --station I --db host:path
//
// Prints each identifier ReservaNotaFiscal returned, one per line: across the
// stations no identifier may appear twice.
#include "billing/nota_fiscal.hpp"
#include "platform/rtl/errors.hpp"
#include "station.hpp"

namespace zpk::cli {
namespace {

const RegisterStationWorkload kReservaNota{
    "reserva-nota",
    {"SERIE: COUNT invoice numbers reserved with ReservaNotaFiscal, one per line", [](StationContext& ctx) {
       if (ctx.args.size() != 1) throw EZpkError("reserva-nota: expected SERIE");
       for (int i = 0; i < ctx.count; ++i) ctx.out << ReservaNotaFiscal(ctx.args[0]) << '\n';
     }}};

}  // namespace
}  // namespace zpk::cli
