// Workload "nfe-transmitir" of `zpk station`: one station's share of invoices
// transmitted to an authoriser while other stations transmit the same ones.
//
//   zpk station nfe-transmitir BASE CA CERT PASSWORD_FILE SERIE FIRST LAST OUT --station I ...
//
// The station transmits invoices FIRST..LAST of the series (six-digit
// numbers), starting at a different one per station so that they collide,
// over one kept connection, and prints per invoice "FATURA KEY PROTOCOL
// SUBMISSIONS": across stations each invoice must show one key and one
// protocol, and its submissions must add up to one.
#include <fmt/format.h>

#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/invoice_transmission.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "session.hpp"
#include "station.hpp"

namespace zpk::cli {
namespace {

const RegisterStationWorkload kTransmit{
    "nfe-transmitir",
    {"BASE CA CERT PASSWORD_FILE SERIE FIRST LAST OUT: the invoices FIRST..LAST transmitted, one line each",
     [](StationContext& ctx) {
       if (ctx.args.size() != 8)
         throw EZpkError("nfe-transmitir: expected BASE CA CERT PASSWORD_FILE SERIE FIRST LAST OUT");
       nfe::WebServiceConfig config = nfe::read_webservice_config();
       config.base = ctx.args[0];
       config.ca_file = ctx.args[1];
       nfe::NFeWebServices ws(nfe::company_emitter(),
                              nfe::A1Certificate{ctx.args[2], read_password_file(ctx.args[3])}, config);
       // What the invoicing screen sets before an NF-e: a normal sale, the
       // buyer present, the DANFE in portrait.
       IFinNFe = 1;
       ITpImpNFe = 1;
       ITpEntrega = 1;
       const int first = StrToInt(ctx.args[5]);
       const int last = StrToInt(ctx.args[6]);
       const int n = last - first + 1;
       for (int i = 0; i < n; ++i) {
         const int number = first + (i + ctx.station * n / 4) % n;
         const std::string fatura = fmt::format("{:06}", number);
         const auto r = nfe::transmit_invoice(ws, fatura, ctx.args[4], {ctx.args[7], false, true});
         ctx.out << fmt::format("{} {} {} {}\n", fatura, r.key, r.nProt, r.submissions);
       }
       ctx.log << "connections: " << ws.connections_made() << '\n';
     }}};

}  // namespace
}  // namespace zpk::cli
