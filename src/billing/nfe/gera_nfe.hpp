// The NF-e of one stored invoice: GeraNFe fills the field set from the
// invoice dataset (MontaDataSetNota) group by group, in the order the layout
// lists them, and hands back the access key and the lot (the NF-e's XML).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "billing/nfe/nfe_campos.hpp"
#include "platform/dataset/client_dataset.hpp"
#include "platform/rtl/datetime.hpp"

namespace zpk {

// What the invoicing screen sets before GeraNFe (all start at 0 or empty).
inline int IFinNFe = 0;         // purpose of issue ("finNFe_B25")
inline int ITpTrasNFe = 0;      // issue type ("tpEmis_B22"); 3 is issued as 6
inline int ITpImpNFe = 0;       // DANFE print format ("tpImp_B21")
inline int ITpEntrega = 0;      // buyer presence ("indPres_B25b"); 5 is issued as 9
inline std::string sHoraSaida;  // exit time; empty: the moment of generation
inline std::string sUFSaida;    // state of departure of an export; empty: the company's
inline std::string sLocal;      // place of export
// Parameter COM 110, read by GeraNFe: with IFinNFe 4 it steers return invoices.
inline std::string sParamCOM110;

// The moment of generation (issue time, exit time, numeric code, contingency
// time). Unset: Now(). A fixed clock makes a regenerated NF-e byte-identical.
inline std::function<TDateTime()> RelogioNFe;

// The time-zone suffix of the NF-e's date-times at `Momento` ("-03:00"):
// NFe.ini [NFe] Fuso, else the station's offset from UTC at that moment.
std::string FusoNFe(TDateTime Momento);

// The value with a decimal point and `Decimais` decimals (at least one),
// rounded as FormatFloatC rounds, whatever the locale: 1234.5, 2 -> "1234.50".
std::string FormataPonto(double Valor, int Decimais);

// A CPF or CNPJ as the NF-e takes it: digits and the letters of an
// alphanumeric CNPJ (upper-cased); dots, slashes, dashes and blanks dropped.
std::string LimpaCnpjNFe(std::string_view Documento);

// Fills `NFe` from the invoice dataset `cdsNota` (rows of ITEM_EMPENHO "N"
// become the items) and returns true with the 44-character access key in
// `Chave` and the NF-e's XML in `Lote`. Database errors and a refused vehicle
// chassis raise; the dataset's filter is put back as the caller had it either way.
bool GeraNFe(nfe::TNFeCampos& NFe, TClientDataSet& cdsNota, std::string& Chave, std::string& Lote);

}  // namespace zpk
