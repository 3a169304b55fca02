// Workload "bordero" of `zpk station`: one station's share of collection
// batches numbered and written while other stations number batches of the
// same kind.
//
//   zpk station bordero TIPO --count N --station I --db host:path
//
// Each batch takes ProximoNumeroBordero's number and is written to BORDERO
// and committed, as the batch screen does; prints each number, one per line.
// Across the stations no number may appear twice (BORDERO's key would refuse
// the second batch).
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "receivables/rec_duplicata.hpp"
#include "station.hpp"

namespace zpk::cli {
namespace {

const RegisterStationWorkload kBordero{
    "bordero",
    {"TIPO: COUNT collection batches numbered with ProximoNumeroBordero and written, one number per line",
     [](StationContext& ctx) {
       if (ctx.args.size() != 1) throw EZpkError("bordero: expected TIPO");
       TTIQuery q(Tabela.IBDatabase);
       q.SQL.Add(
           "INSERT INTO " + DBLocal("BORDERO") +
           " (NUMERO, TIPO, CONTA, CARTEIRA, DATA) VALUES (:NUMERO, :TIPO, '0001', :CARTEIRA, CURRENT_DATE)");
       for (int i = 0; i < ctx.count; ++i) {
         const std::string numero = ProximoNumeroBordero(ctx.args[0]);
         q.ParamByName("NUMERO").AsInteger = StrToInt(numero);
         q.ParamByName("TIPO").AsString = ctx.args[0];
         q.ParamByName("CARTEIRA").AsString = "S" + IntToStr(ctx.station);
         q.ExecSQL();
         Tabela.IBTransaction.CommitRetaining();
         ctx.out << numero << '\n';
       }
     }}};

}  // namespace
}  // namespace zpk::cli
