// The checks and the quote the order and invoicing screens run while an
// invoice is prepared: the freight from the carrier's price table, whether a
// fiscal nature fits the customer's state, the incoming counterpart of a tax
// situation code, and whether a carrier may still be used.
#pragma once

#include <string>
#include <string_view>

namespace zpk {

// The freight of a shipment: the carrier's band for the destination region
// (by postal code; empty Cep: the customer's delivery postal code) and for the
// invoice value, the weight in kg (bands "P") or the third quantity (bands
// "C"), with GRIS, ad valorem, TRF, TDE, TADM, toll per 100 kg fraction, fixed
// fees, the destination state's ICMS included unless the band says "N", and
// TRT on top. Unrounded; 0 when no band applies or when the state's rate
// leaves nothing to gross up (100 % or more). Raises EDatabaseError.
double ValorFrete(std::string_view Cliente, std::string_view Transportadora, double ValorNota, double Peso,
                  double Quantidade, std::string_view Cep);

// False when the nature's CFOP (or Natureza itself when the nature has none)
// is an internal operation ("1", "5") for a customer in another state than
// the company's, or an interstate or foreign one ("2", "3", "6") for a
// customer in the company's state; true otherwise. Raises EDatabaseError.
bool ValidaNatureza(std::string_view Cliente, std::string_view Natureza);

// The incoming tax situation code registered in TABTRI for an outgoing one
// of kind Tipo; Codigo itself when it is blank or has no counterpart.
// Raises EDatabaseError.
std::string TrocaCST(std::string_view Tipo, std::string_view Codigo);

// True when the carrier is registered and not marked inactive ("N"; an empty
// ATIVO counts as active). Raises EDatabaseError.
bool ValidaTransportadora(std::string_view Transportadora);

}  // namespace zpk
