// What the groups of one NF-e generation share: the field set, the invoice
// dataset on the current item row, the decisions the header groups take
// (destination, final consumer, recipient's registration) that the item and
// total groups read, and the running sums of the item loop. Internal to
// GeraNFe: the header and product groups live in gera_nfe.cpp, the tax,
// total, transport, billing and payment groups in gera_nfe_impostos.cpp.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "billing/nfe/nfe_campos.hpp"
#include "platform/dataset/client_dataset.hpp"
#include "platform/rtl/datetime.hpp"

namespace zpk::nfe::detail {

// An amount spread over the items in proportion to ITEM_VALOR, the last item
// taking what the rounding left, so that the items add up to the header.
struct Rateio {
  double soma = 0;  // shares written so far
  // The current item's share of `total` (header amount), or 0 when the
  // invoice has no products or the share is under a cent. `ultimo`: the last
  // item row, which takes total - soma + its share.
  double parte(double valor_item, double total_produtos, double total, bool ultimo);
};

struct GeracaoNFe {
  TNFeCampos& NFe;
  TClientDataSet& Nota;    // filtered to the item rows, on the current one
  TDateTime Agora;         // the moment of generation (RelogioNFe or Now)
  std::string Fuso;        // NFe.ini [NFe] Fuso, appended to every date-time
  bool EmailNoXml = true;  // NFe.ini [EMAIL] TagXML is not "N"

  // Decided by the header groups, read by the item and total groups.
  std::string idDest;     // "idDest_B11a": "1" internal, "2" interstate, "3" abroad
  std::string indFinal;   // "indFinal_B25a"
  std::string indIEDest;  // "indIEDest_E16a"
  std::string ISUF;       // "ISUF_E18"
  std::string finNFe;     // "finNFe_B25"
  std::string tpEmis;     // "tpEmis_B22" (3 already made 6)
  std::string indPres;    // "indPres_B25b" (5 already made 9)

  // Running sums of the item loop, for the reconciliation and the totals.
  double SomaICMS = 0, SomaPIS = 0, SomaCOFINS = 0, SomaICMSDest = 0;
  double SomaFCPDest = 0, SomaICMSRemet = 0;  // DIFAL amounts written
  double SomaTotTrib = 0;                     // "vTotTrib_M02" written
  double SomaFCP = 0, SomaFCPST = 0, SomaFCPSTRet = 0, SomaICMSDeson = 0;
  double SomaDiferido = 0;  // ICMS deferred (situation 51)
  // Expense, discount and exemption apportionment.
  Rateio Frete, Seguro, Outras, Desconto, Desonerado;

  // The current item row's column as text / number (a missing column raises).
  std::string Texto(std::string_view Coluna) const;
  double Numero(std::string_view Coluna) const;
  // True on the last item row (record number = record count).
  bool UltimoItem() const;
  // A field of the current group.
  std::string& Campo(std::string_view Nome) { return NFe.Campo(Nome); }

  // Whether the approximate tax is shown (its FAT parameter), read by the
  // first item that asks and kept for the rest of the generation.
  std::optional<bool> TributosAproximados;
};

// "YYYY-MM-DD".
std::string DataNFe(TDateTime Data);
// "YYYY-MM-DDTHH:MM:SS" + the time-zone suffix.
std::string DataHoraNFe(const GeracaoNFe& G, TDateTime Momento);

// A required text field's value cleaned to the NF-e's characters; a text that
// had characters but keeps none raises ENFeError(invalid_input) naming Campo.
std::string TextoObrigatorio(std::string_view Campo, std::string_view Texto);

// Refuses (ENFeError invalid_input, naming the CFOP) an NF-e whose "tpNF_B11"
// disagrees with an item's CFOP: 5, 6, 7 are exits (tpNF 1), 1, 2, 3 entries (0).
void ConfereTipoOperacao(GeracaoNFe& G);

// Whether the buyer presence the NF-e carries (ITpEntrega, 5 issued as 9) is
// 2, 3, 4 or 9: a sale away from the establishment, which declares whether an
// intermediary took part ("indIntermed_B25c") and, with one, its group YB.
bool PresencaRemota();

// Header and product groups (gera_nfe.cpp).
void GrupoIdentificacao(GeracaoNFe& G);  // B and the referenced documents BA
void GrupoEmitente(GeracaoNFe& G);       // C
void GrupoDestinatario(GeracaoNFe& G);   // E
void GrupoEntrega(GeracaoNFe& G);        // G
void GrupoAutXML(GeracaoNFe& G);         // GA
void GrupoProduto(GeracaoNFe& G);        // I with J, K, LA, I18, I50, I80; P and the export data

// Item tax groups (gera_nfe_impostos.cpp), called in this order per item.
void GrupoCOFINS(GeracaoNFe& G);               // S
void GrupoPIS(GeracaoNFe& G);                  // Q
void GrupoIPI(GeracaoNFe& G);                  // O and UA
void GrupoICMS(GeracaoNFe& G);                 // N
void GrupoDIFAL(GeracaoNFe& G);                // NA
void GrupoTributosAproximados(GeracaoNFe& G);  // M

// After the item loop (gera_nfe_impostos.cpp), in this order.
void ReconciliaImpostos(GeracaoNFe& G);
void GrupoTotais(GeracaoNFe& G);                 // W
void GrupoTransporte(GeracaoNFe& G);             // X
void GrupoInformacoesAdicionais(GeracaoNFe& G);  // Z and ZB
void GrupoCobranca(GeracaoNFe& G);               // Y
void GrupoPagamento(GeracaoNFe& G);              // YA
void GrupoIntermediador(GeracaoNFe& G);          // YB, when its condition holds
void GrupoResponsavelTecnico(GeracaoNFe& G);     // ZD

}  // namespace zpk::nfe::detail
