// `zpk demo` step for the freight quotation: the demo carrier quotes a
// shipment to São Paulo and one to Rio de Janeiro (its delivery region, its
// weight band, the toll per started 100 kg, GRIS, ad valorem and ICMS), and
// the screens' checks of carriers, natures and tax situation codes.
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "billing/frete.hpp"
#include "platform/rtl/numbers.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

const RegisterDemo freight{
    {450, "Freight quotation and carrier checks", [](const CallOptions& o, std::ostream& out) {
       demo_session(o, out);
       struct Shipment {
         const char* cep;
         double valor;
         double peso;
       };
       for (const Shipment& s : {Shipment{"01010-000", 1500.00, 250}, Shipment{"20040-000", 1500.00, 420}}) {
         const double frete = ValorFrete("000001", "T001", s.valor, s.peso, 0, s.cep);
         out << fmt::format("Carrier T001, invoice R$ {}, {} kg to {}: freight R$ {} (ValorFrete)\n",
                            FormatFloat("#,##0.00", s.valor), s.peso, s.cep, FormatFloat("#,##0.00", frete));
       }
       out << fmt::format(
           "Carrier T002 quotes with T001's table: R$ {}\n",
           FormatFloat("#,##0.00", ValorFrete("000001", "T002", 1500.00, 250, 0, "01010-000")));
       for (const char* carrier : {"T001", "T002", "T003"}) {
         out << fmt::format("ValidaTransportadora({}) = {}\n", carrier,
                            ValidaTransportadora(carrier) ? "True" : "False");
       }
       for (const char* cfop : {"5102", "6102"}) {
         out << fmt::format("ValidaNatureza(000002 in Rio, {}) = {}\n", cfop,
                            ValidaNatureza("000002", cfop) ? "True" : "False");
       }
       out << fmt::format("TrocaCST(IC, 00) = {}\n", TrocaCST("IC", "00"));
     }}};

}  // namespace
}  // namespace zpk::cli
