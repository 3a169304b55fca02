// Being written: the header and product groups and the main sequence.
#include "billing/nfe/gera_nfe.hpp"

#include "billing/nfe/gera_nfe_grupos.hpp"
#include "platform/rtl/errors.hpp"

namespace zpk {

bool GeraNFe(nfe::TNFeCampos&, TClientDataSet&, std::string&, std::string&) {
  throw EZpkError("GeraNFe is not built yet");
}

namespace nfe::detail {
void GrupoIdentificacao(GeracaoNFe&) {}
void GrupoEmitente(GeracaoNFe&) {}
void GrupoDestinatario(GeracaoNFe&) {}
void GrupoEntrega(GeracaoNFe&) {}
void GrupoAutXML(GeracaoNFe&) {}
void GrupoProduto(GeracaoNFe&) {}
}  // namespace nfe::detail
}  // namespace zpk
