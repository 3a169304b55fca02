// `zpk demo` step for the ICMS of an invoice's items: fabric sold inside São
// Paulo under deferral, T-shirts to a Rio de Janeiro store under tax
// substitution with the state's poverty fund, and T-shirts to final consumers
// in Bahia and Minas Gerais across the state line (DIFAL, plain and on a
// double base).
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "billing/cents.hpp"
#include "billing/icms.hpp"
#include "platform/rtl/numbers.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

std::string money(double value) {
  return FormatFloat("#,##0.00", value);
}

const RegisterDemo icms{
    {410, "ICMS of an invoice's items: deferral, tax substitution with FCP, DIFAL",
     [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       {
         std::string natureza = "5101", tabtrib = "000";
         double diferido = 0, operacao = 0;
         const double perc = CalculaDiferimentoICMS("52085200", "000101", "", 2500, 18, natureza, tabtrib,
                                                    diferido, operacao);
         out << fmt::format(
             "Item 1: fabric 52085200 to 000101 (SP), base {} at 18 % (ICMS {}):\n"
             "  CalculaDiferimentoICMS: {} % deferred = {}; the rule sets nature {}, tax situation {}\n",
             money(2500), money(450), FormatFloat("0.00", perc), money(diferido), natureza, tabtrib);
       }
       {
         std::string natureza = "6101", tabtrib = "000", destaca;
         double base_st = 1800, mva = 0, fcp = 0;
         const double st = CalculaSubstituicaoTributariaICMS("61091000", "000102", "", 1800, 12, 120, base_st,
                                                             mva, fcp, natureza, tabtrib, destaca);
         out << fmt::format(
             "Item 2: 120 T-shirts 61091000 to 000102 (RJ), base {} at 12 %:\n"
             "  CalculaSubstituicaoTributariaICMS: MVA {} %, ST base {}, ICMS-ST {}, FCP-ST {}; nature {}, "
             "tax "
             "situation {}\n",
             money(1800), FormatFloat("0.00", mva), money(base_st), money(st), money(fcp), natureza, tabtrib);
       }
       const struct {
         const char* natureza;
         const char* cliente;
         const char* where;
         double aliquota;
       } kConsumers[] = {
           {"6108", "000103", "BA, the state's rates", 7},
           {"6107", "000104", "MG, double base by the rule", 12},
           {"5102", "000103", "an internal CFOP owes none", 7},
       };
       int item = 3;
       for (const auto& c : kConsumers) {
         double fcp = 0, difal = 0, base = 0, aliq = 0;
         CalculaDIFALICMS(c.natureza, c.cliente, "61091000", c.aliquota, 350, 0, fcp, difal, base, aliq);
         out << fmt::format(
             "Item {}: T-shirts to final consumer {} ({}), nature {}, base {} at {} %:\n"
             "  CalculaDIFALICMS: DIFAL base {}, internal rate {} %, DIFAL {}, FCP {}\n",
             item++, c.cliente, c.where, c.natureza, money(350), FormatFloat("0", c.aliquota), money(base),
             FormatFloat("0.##", aliq), money(difal), money(fcp));
       }
       out << fmt::format("FormatFloatC(\"0.00\", 2.675) = {} (FormatFloat gives {})\n",
                          FormatFloatC("0.00", 2.675), FormatFloat("0.00", 2.675));
     }}};

}  // namespace
}  // namespace zpk::cli
