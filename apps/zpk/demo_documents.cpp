// `zpk demo` steps for the identifier validators, bar-code check digits and
// the text helpers: what a registration or pricing screen would call.
#include <ostream>

#include <fmt/format.h>

#include "documents/check_digits.hpp"
#include "documents/text_helpers.hpp"
#include "registry.hpp"

namespace zpk::cli {
namespace {

const RegisterDemo identifiers{
    {201, "Taxpayer identifiers and check digits", [](const CallOptions&, std::ostream& out) {
       for (const char* cpf : {"111.444.777-35", "111.444.777-36"}) {
         out << fmt::format("VerCpf({}) = {}\n", cpf, VerCpf(cpf) ? "True" : "False");
       }
       for (const char* cnpj : {"11.222.333/0001-81", "12.ABC.345/01DE-35", "12.ABC.345/01DE-36"}) {
         out << fmt::format("VerCgc({}) = {}\n", cnpj, VerCgc(cnpj) ? "True" : "False");
       }
       out << fmt::format("DVEan13(789100031550) = {}\n", DVEan13("789100031550"));
       out << fmt::format("DigitoEAN14(1789100031550) = {}\n", DigitoEAN14("1789100031550"));
     }}};

const RegisterDemo helpers{
    {205, "Text and number helpers", [](const CallOptions&, std::ostream& out) {
       out << fmt::format("DescontoUnificado(10+5) = {}\n", PermanecePonto(DescontoUnificado("10+5")));
       out << fmt::format("PermanecePonto(1234.5) = {}\n", PermanecePonto(1234.5));
       out << fmt::format("TiraPontos(12.345.678/0001-90) = {}\n", TiraPontos("12.345.678/0001-90"));
       out << fmt::format("RemoveAcento(Promoção de verão) = {}\n", RemoveAcento("Promoção de verão"));
       out << fmt::format("Arredondar(1234.56, 50) = {}\n", PermanecePonto(Arredondar(1234.56, 50)));
     }}};

}  // namespace
}  // namespace zpk::cli
