// `zpk demo` steps for the state registration check and amounts in words: what
// a customer screen and a cheque or receipt layout would call.
#include <ostream>

#include <fmt/format.h>

#include "documents/extenso.hpp"
#include "documents/inscricao_estadual.hpp"
#include "registry.hpp"

namespace zpk::cli {
namespace {

const RegisterDemo registrations{
    {202, "State tax registrations", [](const CallOptions&, std::ostream& out) {
       // The same number is a valid registration in one state only.
       for (const char* uf : {"SP", "PR"}) {
         out << fmt::format("ValidaInscricao(110.042.490.114, {}) = {}\n", uf,
                            ValidaInscricao("110.042.490.114", uf) ? "True" : "False");
       }
       out << fmt::format("ValidaInscricao(20.024.521-0, GO) = {}\n",
                          ValidaInscricao("20.024.521-0", "GO") ? "True" : "False");
     }}};

const RegisterDemo amounts{{203, "Amounts in words", [](const CallOptions&, std::ostream& out) {
                              out << fmt::format("Extenso(1234,56) = {}\n", Extenso("1234,56"));
                              out << fmt::format("ExtensoEsp(1234,56) = {}\n", ExtensoEsp("1234,56"));
                            }}};

}  // namespace
}  // namespace zpk::cli
