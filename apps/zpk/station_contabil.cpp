// Workload "lanca-contabil" of `zpk station`: one station's share of ledger
// rows posted under one posting key while other stations post under the same key.
//
//   zpk station lanca-contabil LANCTO --count N --station I --db host:path
//
// Posts COUNT direct rows ("CC", 1.00 each) with LancaContabilidade and prints
// the observation of each one written ("S<station>-<n>"), one per line: across
// the stations every printed row must be in the ledger once, under an ORDEM of its own.
#include <string>

#include "accounting/contabil.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"
#include "station.hpp"

namespace zpk::cli {
namespace {

const RegisterStationWorkload kLancaContabil{
    "lanca-contabil",
    {"LANCTO: COUNT ledger rows posted with LancaContabilidade under LANCTO, their observations one per line",
     [](StationContext& ctx) {
       if (ctx.args.size() != 1) throw EZpkError("lanca-contabil: expected LANCTO");
       for (int i = 1; i <= ctx.count; ++i) {
         const std::string observacao = "S" + std::to_string(ctx.station) + "-" + std::to_string(i);
         LancaContabilidade(ctx.args[0], "DOC", "000610", "3.1.01.001", "1.1.02.001", "E", "CC", "101",
                            "0001", 1.0, Date(), "", observacao);
         ctx.out << observacao << '\n';
       }
     }}};

}  // namespace
}  // namespace zpk::cli
