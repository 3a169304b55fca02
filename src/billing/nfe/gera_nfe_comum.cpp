// What every group of the NF-e generation uses: number and date formats,
// documents with the letters of alphanumeric CNPJs, the apportionment of
// header amounts and the reads of the current item row.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "billing/cents.hpp"
#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/gera_nfe_grupos.hpp"
#include "platform/rtl/datetime.hpp"

namespace zpk {

std::string FormataPonto(double Valor, int Decimais) {
  std::string formato = "0.";
  formato.append(static_cast<size_t>(std::max(Decimais, 1)), '0');
  std::string texto = FormatFloatC(formato, Valor);
  std::replace(texto.begin(), texto.end(), ',', '.');
  return texto;
}

std::string LimpaCnpjNFe(std::string_view Documento) {
  std::string limpo;
  for (const char c : Documento) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isdigit(u))
      limpo += c;
    else if (u < 0x80 && std::isalpha(u))
      limpo += static_cast<char>(std::toupper(u));
  }
  return limpo;
}

namespace nfe::detail {

double Rateio::parte(double valor_item, double total_produtos, double total, bool ultimo) {
  if (total_produtos < 0.01) return 0;
  double valor = to_cents(valor_item / total_produtos * total);
  if (valor >= 0.01)
    soma = to_cents(soma + valor);
  else
    valor = 0;
  if (ultimo && to_cents(total) != soma) valor = to_cents(total - soma + valor);
  return valor;
}

std::string GeracaoNFe::Texto(std::string_view Coluna) const {
  return Nota.FieldByName(Coluna).AsString;
}

double GeracaoNFe::Numero(std::string_view Coluna) const {
  return Nota.FieldByName(Coluna).AsFloat;
}

bool GeracaoNFe::UltimoItem() const {
  return Nota.RecNo == Nota.RecordCount();
}

std::string DataNFe(TDateTime Data) {
  return FormatDateTime("yyyy-mm-dd", Data);
}

std::string DataHoraNFe(const GeracaoNFe& G, TDateTime Momento) {
  return FormatDateTime("yyyy-mm-dd", Momento) + "T" + FormatDateTime("hh:nn:ss", Momento) + G.Fuso;
}

}  // namespace nfe::detail
}  // namespace zpk
