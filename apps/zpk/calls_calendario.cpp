// `zpk call` entries for business days, dates, time texts and payment terms.
// Dates are written "dd/mm/yyyy" (optionally with " hh:nn:ss") and printed the
// same way; the calendar routines and PrazoMedio read the database (--db,
// --empresa before the routine's name), the others need none.
#include <ostream>
#include <string>

#include "foundation/calendario.hpp"
#include "documents/tempo.hpp"
#include "platform/rtl/datetime.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

const std::string& arg(const CallContext& ctx, size_t index) {
  return ctx.args.at(index);
}

TDateTime arg_date(const CallContext& ctx, size_t index) {
  return StrToDateTime(arg(ctx, index));
}

void print_date(std::ostream& out, TDateTime value) {
  print_text(out, DateTimeToStr(value));
}

const bool registered = [] {
  RegisterCall("VerificaDiaUtil", {"DATA [FLAG]", 1, 2, [](CallContext& ctx) {
                                     CallSession session(ctx.options);
                                     const bool flag = ctx.args.size() > 1 && arg_bool(ctx, 1);
                                     print_date(ctx.out, VerificaDiaUtil(arg_date(ctx, 0), flag));
                                   }});
  RegisterCall("DiaUtil", {"DATA DIAS_SEMANA", 2, 2, [](CallContext& ctx) {
                             CallSession session(ctx.options);
                             print_bool(ctx.out, DiaUtil(arg_date(ctx, 0), arg_int(ctx, 1)));
                           }});
  RegisterCall("AtrasoDiaUtil", {"DATA1 DATA2", 2, 2, [](CallContext& ctx) {
                                   CallSession session(ctx.options);
                                   print_text(ctx.out, AtrasoDiaUtil(arg_date(ctx, 0), arg_date(ctx, 1)));
                                 }});
  RegisterCall("CalculaDataSetor",
               {"DATA DIAS_SEMANA DIAS DURACAO DIRECAO", 5, 5, [](CallContext& ctx) {
                  CallSession session(ctx.options);
                  print_date(ctx.out, CalculaDataSetor(arg_date(ctx, 0), arg_int(ctx, 1), arg_int(ctx, 2),
                                                       arg_double(ctx, 3), arg(ctx, 4)));
                }});
  RegisterCall("PrazoMedio", {"NUMERO", 1, 1, [](CallContext& ctx) {
                                CallSession session(ctx.options);
                                print_number(ctx.out, PrazoMedio(arg(ctx, 0)));
                              }});
  RegisterCall("TempoNumerico", {"HH:MM:SS [EM_MINUTOS]", 1, 2, [](CallContext& ctx) {
                                   const bool minutes = ctx.args.size() > 1 && arg_bool(ctx, 1);
                                   print_number(ctx.out, TempoNumerico(arg(ctx, 0), minutes));
                                 }});

  RegisterCall("DateNull", {"", 0, 0, [](CallContext& ctx) {
                              print_text(ctx.out, FormatDateTime("dd/mm/yyyy hh:nn:ss", DateNull));
                            }});
  RegisterCall("ValidaData",
               {"DD/MM/YYYY", 1, 1, [](CallContext& ctx) { print_bool(ctx.out, ValidaData(arg(ctx, 0))); }});
  RegisterCall("HoraSQL", {"DATA_HORA FLAG", 2, 2, [](CallContext& ctx) {
                             print_text(ctx.out, HoraSQL(arg_date(ctx, 0), arg_bool(ctx, 1)));
                           }});
  RegisterCall("TempoString", {"HORAS", 1, 1, [](CallContext& ctx) {
                                 print_text(ctx.out, TempoString(arg_double(ctx, 0)));
                               }});
  RegisterCall("SomaTempoString", {"H:M:S H:M:S", 2, 2, [](CallContext& ctx) {
                                     print_text(ctx.out, SomaTempoString(arg(ctx, 0), arg(ctx, 1)));
                                   }});
  RegisterCall("TotalDias",
               {"PRAZO", 1, 1, [](CallContext& ctx) { print_number(ctx.out, TotalDias(arg(ctx, 0))); }});
  RegisterCall("PrazoMedioNota",
               {"PRAZO", 1, 1, [](CallContext& ctx) { print_number(ctx.out, PrazoMedioNota(arg(ctx, 0))); }});
  RegisterCall("JurosCompostos",
               {"TAXA VALOR DIAS", 3, 3, [](CallContext& ctx) {
                  print_number(ctx.out,
                               JurosCompostos(arg_double(ctx, 0), arg_double(ctx, 1), arg_int(ctx, 2)));
                }});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
