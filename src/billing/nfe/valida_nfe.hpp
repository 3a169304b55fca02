// Checking an NF-e XML against the official schema package (schema/nfe), so
// that an invoice the authority would refuse is stopped here with the field.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zpk::nfe {

// One schema violation: the layout name of the field ("xProd_I04"; the tag
// when the layout table has none), the line of the XML and libxml2's message.
struct ViolacaoNFe {
  std::string Campo;
  int Linha = 0;
  std::string Mensagem;
};

// The folder of the schema files: ZPK_NFE_SCHEMAS when set, else the tree's
// schema/nfe.
std::filesystem::path PastaEsquemasNFe();

// Every violation of the XML against nfe_v4.00.xsd; empty when valid. A
// document that is not well-formed gives its parser errors.
std::vector<ViolacaoNFe> ValidaXmlNFe(std::string_view Xml,
                                      const std::filesystem::path& Pasta = PastaEsquemasNFe());

}  // namespace zpk::nfe
