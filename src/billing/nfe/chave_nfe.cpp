// The NF-e access key.
#include "billing/nfe/chave_nfe.hpp"

#include <fmt/format.h>

#include "billing/nfe/nfe_error.hpp"

namespace zpk::nfe {
namespace {

// The part right-aligned in Largura characters padded with zeros, refused
// when longer or when a character is outside the part's set.
std::string Parte(std::string_view Nome, std::string_view Valor, size_t Largura, bool Letras = false) {
  if (Valor.size() > Largura) {
    throw ENFeError(NFeErrorKind::invalid_input,
                    fmt::format("Chave da NF-e: {} \"{}\" tem mais de {} caracteres", Nome, Valor, Largura));
  }
  for (char c : Valor) {
    bool ok = (c >= '0' && c <= '9') || (Letras && c >= 'A' && c <= 'Z');
    if (!ok)
      throw ENFeError(NFeErrorKind::invalid_input,
                      fmt::format("Chave da NF-e: {} \"{}\" tem caractere inválido", Nome, Valor));
  }
  return std::string(Largura - Valor.size(), '0') + std::string(Valor);
}

}  // namespace

int DigitoChaveNFe(std::string_view Chave43) {
  int soma = 0;
  int peso = 2;
  for (auto it = Chave43.rbegin(); it != Chave43.rend(); ++it) {
    soma += (static_cast<unsigned char>(*it) - 48) * peso;
    peso = peso == 9 ? 2 : peso + 1;
  }
  int resto = soma % 11;
  return resto < 2 ? 0 : 11 - resto;
}

std::string ChaveNFe(std::string_view cUF, std::string_view AAMM, std::string_view CNPJ,
                     std::string_view Modelo, std::string_view Serie, std::string_view Numero,
                     std::string_view tpEmis, std::string_view cNF) {
  std::string chave = Parte("cUF", cUF, 2) + Parte("AAMM", AAMM, 4) + Parte("CNPJ", CNPJ, 14, true) +
                      Parte("modelo", Modelo, 2) + Parte("série", Serie, 3) + Parte("número", Numero, 9) +
                      Parte("tpEmis", tpEmis, 1) + Parte("cNF", cNF, 8);
  return chave + static_cast<char>('0' + DigitoChaveNFe(chave));
}

}  // namespace zpk::nfe
