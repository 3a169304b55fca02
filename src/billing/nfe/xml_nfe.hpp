// The NF-e 4.00 XML of a field set: groups in the schema's order, empty
// optional groups left out, values escaped and formatted as the layout asks.
#pragma once

#include <string>
#include <vector>

#include "billing/nfe/nfe_campos.hpp"

namespace zpk::nfe {

// The XML of one NF-e and what was adjusted to make it.
struct XmlNFe {
  std::string Xml;                 // the whole document, UTF-8, unsigned
  std::string Chave;               // the 44-character access key
  std::vector<std::string> Notas;  // one line per text cut to its length, naming the field
};

// Computes the access key from the field set ("cUF_B02", "dhEmi_B09",
// "CNPJ_C02" or "CPF_C02a", "mod_B06", "serie_B07", "nNF_B08", "tpEmis_B22",
// "cNF_B03") and stores it in "Id_A03" ("NFe" + key) and "cDV_B23", as the
// component did before writing.
std::string CalculaChaveNFe(TNFeCampos& Campos);

// The XML of the field set; computes the key first. The same field set gives
// the same bytes.
XmlNFe GeraXmlNFe(TNFeCampos& Campos);

}  // namespace zpk::nfe
