// Workloads of `zpk station` for barcodes and lot numbers: one station's share
// of codes drawn while other stations draw codes of the same series.
//
//   zpk station gera-ean13 P|M ITEM-PREFIX --count N --station I --db host:path
//   zpk station gera-ean28 ITEM-PREFIX --count N --station I --db host:path
//   zpk station proximo-rolo PREFIXO P|M --count N --station I --db host:path
//   zpk station proxima-ordem PREFIXO --count N --station I --db host:path
//
// The barcode workloads give station I's items ITEM-PREFIX + I + "-" + n
// (n = 000 ... N-1, colour "01", size "U") and print "CODE ITEM" per item; the
// lot workloads print each number. Across the stations no code may appear twice.
#include <fmt/format.h>

#include "inventory/codigo_barras.hpp"
#include "inventory/lotes.hpp"
#include "platform/rtl/errors.hpp"
#include "station.hpp"

namespace zpk::cli {
namespace {

// Station I's n-th item.
std::string item(const StationContext& ctx, const std::string& prefix, int n) {
  return fmt::format("{}{}-{:03}", prefix, ctx.station, n);
}

const RegisterStationWorkload kGeraEan13{
    "gera-ean13",
    {"P|M ITEM-PREFIX: an EAN-13 for each of COUNT items with Gera_EAN13, 'CODE ITEM' per line",
     [](StationContext& ctx) {
       if (ctx.args.size() != 2) throw EZpkError("gera-ean13: expected P|M ITEM-PREFIX");
       for (int i = 0; i < ctx.count; ++i) {
         const std::string codigo = item(ctx, ctx.args[1], i);
         ctx.out << Gera_EAN13(codigo, "01", "U", ctx.args[0]) << ' ' << codigo << '\n';
       }
     }}};

const RegisterStationWorkload kGeraEan28{
    "gera-ean28",
    {"ITEM-PREFIX: an internal code for each of COUNT items with Gera_EAN28, 'CODE ITEM' per line",
     [](StationContext& ctx) {
       if (ctx.args.size() != 1) throw EZpkError("gera-ean28: expected ITEM-PREFIX");
       for (int i = 0; i < ctx.count; ++i) {
         const std::string codigo = item(ctx, ctx.args[0], i);
         ctx.out << Gera_EAN28(codigo, "01", "U") << ' ' << codigo << '\n';
       }
     }}};

const RegisterStationWorkload kProximoRolo{
    "proximo-rolo",
    {"PREFIXO P|M: COUNT roll numbers with ProximoRolo, one per line", [](StationContext& ctx) {
       if (ctx.args.size() != 2) throw EZpkError("proximo-rolo: expected PREFIXO P|M");
       for (int i = 0; i < ctx.count; ++i) ctx.out << ProximoRolo(ctx.args[0], ctx.args[1]) << '\n';
     }}};

const RegisterStationWorkload kProximaOrdem{
    "proxima-ordem",
    {"PREFIXO: COUNT weaving order numbers with ProximaOrdemTecelB, one per line", [](StationContext& ctx) {
       if (ctx.args.size() != 1) throw EZpkError("proxima-ordem: expected PREFIXO");
       for (int i = 0; i < ctx.count; ++i) ctx.out << ProximaOrdemTecelB(ctx.args[0]) << '\n';
     }}};

}  // namespace
}  // namespace zpk::cli
