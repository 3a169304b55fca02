// Being written: the item tax groups and the invoice-level groups.
#include "billing/nfe/gera_nfe_grupos.hpp"

namespace zpk::nfe::detail {
void GrupoCOFINS(GeracaoNFe&) {}
void GrupoPIS(GeracaoNFe&) {}
void GrupoIPI(GeracaoNFe&) {}
void GrupoICMS(GeracaoNFe&) {}
void GrupoDIFAL(GeracaoNFe&) {}
void GrupoTributosAproximados(GeracaoNFe&) {}
void ReconciliaImpostos(GeracaoNFe&) {}
void GrupoTotais(GeracaoNFe&) {}
void GrupoTransporte(GeracaoNFe&) {}
void GrupoInformacoesAdicionais(GeracaoNFe&) {}
void GrupoCobranca(GeracaoNFe&) {}
void GrupoPagamento(GeracaoNFe&) {}
void GrupoIntermediador(GeracaoNFe&) {}
void GrupoResponsavelTecnico(GeracaoNFe&) {}
}  // namespace zpk::nfe::detail
