// Checking an NF-e XML, and every message to or from an authoriser, against
// the official schema package (schema/nfe), so that a document the authority
// would refuse is stopped here with the field at fault.
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

// Every violation of the XML against the schema file `Esquema` of the folder
// ("consStatServ_v4.00.xsd"), each named by the element's tag; empty when
// valid. A document that is not well-formed gives its parser errors. Each
// schema file is parsed once per process; a missing or broken one raises
// ENFeError (schema).
std::vector<ViolacaoNFe> ValidaXmlEsquema(std::string_view Xml, std::string_view Esquema,
                                          const std::filesystem::path& Pasta = PastaEsquemasNFe());

// Every violation of the XML against nfe_v4.00.xsd, each named by its layout
// field; empty when valid. An unsigned document is checked as its signature
// will complete it. A document that is not well-formed gives its parser errors.
std::vector<ViolacaoNFe> ValidaXmlNFe(std::string_view Xml,
                                      const std::filesystem::path& Pasta = PastaEsquemasNFe());

}  // namespace zpk::nfe
