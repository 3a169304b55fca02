// The NF-e's item tax groups (COFINS, PIS, IPI, ICMS, DIFAL, approximate
// tax) and the invoice-level groups after the item loop (totals, transport,
// additional information, billing, payment, intermediary, technical
// responsible), with the reconciliation of the tax totals in between.
#include <charconv>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "billing/cents.hpp"
#include "billing/icms.hpp"
#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/gera_nfe_grupos.hpp"
#include "billing/nfe_text.hpp"
#include "documents/check_digits.hpp"
#include "foundation/lookups.hpp"
#include "foundation/station_settings.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk::nfe::detail {
namespace {

// The FAT parameter that turns the approximate tax on ("S"): the item's
// "vTotTrib_M02", the invoice total and the IBPT sentence of the additional
// information. Any other value, or no parameter, leaves them out.
constexpr int kParametroTributosAproximados = 410;

// Amounts and rates with a decimal point: 2 and 4 places.
std::string F2(double Valor) {
  return FormataPonto(Valor, 2);
}
std::string F4(double Valor) {
  return FormataPonto(Valor, 4);
}
// An amount as the additional information shows it to a reader: 1.234,56.
std::string Reais(double Valor) {
  return FormatFloatC("#,##0.00", Valor);
}
// base x rate / 100 to the cent, rounded as FormatFloatC rounds the amounts
// the invoice stores: a 5 right after the cents goes up even when the binary
// value lies just below it (150 x 31.45 % = 47.175 -> 47.18).
double Percentual(double Base, double Taxa) {
  const double valor = Base * Taxa / 100;
  return to_cents(valor >= 0 ? valor + 1e-7 : valor - 1e-7);
}

// The current row's column without blanks at either end.
std::string TextoLimpo(const GeracaoNFe& G, std::string_view Coluna) {
  return Trim(G.Texto(Coluna));
}

// A tax situation code as stored (trimmed); blank gives "99", "other".
std::string Situacao(const GeracaoNFe& G, std::string_view Coluna) {
  std::string cst = TextoLimpo(G, Coluna);
  return cst.empty() ? "99" : cst;
}

// Whether Valor is one of Lista.
bool Entre(std::string_view Valor, std::initializer_list<std::string_view> Lista) {
  for (auto v : Lista) {
    if (Valor == v) return true;
  }
  return false;
}

// The DIFAL is owed to the destination state on an interstate sale to a final
// consumer who is no ICMS contributor; a return ("R") owes none.
bool CondicaoDIFAL(const GeracaoNFe& G) {
  return G.idDest == "2" && G.indFinal == "1" && G.indIEDest == "9" && TextoLimpo(G, "NATUREZA_TIPO") != "R";
}

// Returned IPI: a return (purpose 4) of a company whose COM 110 says "S"
// gives the IPI back in the returned-tax group instead of charging it.
bool IPIDevolvido(const GeracaoNFe& G) {
  return G.finNFe == "4" && Trim(sParamCOM110) == "S";
}

// Whether the approximate tax is shown; the parameter is read once per
// generation (a missing one warns once, not once per item).
bool TributosAproximadosLigados(GeracaoNFe& G) {
  if (!G.TributosAproximados)
    G.TributosAproximados = Trim(BuscaParametro("FAT", kParametroTributosAproximados)) == "S";
  return *G.TributosAproximados;
}

// The value of a field of the open item, 0 when not written.
double ValorItem(const GeracaoNFe& G, std::string_view Nome) {
  if (G.NFe.Itens().empty()) return 0;
  const auto& item = G.NFe.Itens().back();
  auto it = item.find(Nome);
  if (it == item.end()) return 0;
  double valor = 0;
  std::from_chars(it->second.data(), it->second.data() + it->second.size(), valor);
  return valor;
}

// Per-situation PIS / COFINS (same shape, own field names).
struct CamposContribuicao {
  std::string_view Situacao, Base, Taxa, Quantidade, ValorUnidade, Valor;
  std::string_view ColunaSituacao, ColunaBase, ColunaTaxa;
};

// Fills one PIS or COFINS group and returns the amount written (0 for the
// situations that carry only the code).
double GrupoContribuicao(GeracaoNFe& G, const CamposContribuicao& C) {
  const std::string cst = Situacao(G, C.ColunaSituacao);
  const double base = G.Numero(C.ColunaBase);
  const double taxa = G.Numero(C.ColunaTaxa);
  const double valor = Percentual(base, taxa);
  G.Campo(C.Situacao) = cst;
  if (Entre(cst, {"04", "05", "06", "07", "08", "09"})) return 0;
  if (cst == "03") {
    // Taxed by quantity: the amount over the quantity is the value per unit.
    const double qtde = G.Numero("ITEM_QTDE");
    G.Campo(C.Quantidade) = F4(qtde);
    G.Campo(C.ValorUnidade) = F4(qtde > 0 ? valor / qtde : 0);
    G.Campo(C.Valor) = F2(valor);
    return valor;
  }
  G.Campo(C.Base) = F2(base);
  G.Campo(C.Taxa) = F4(taxa);
  G.Campo(C.Valor) = F2(valor);
  return valor;
}

// The ST figures of the item: the ST base reduction and the destination's
// internal rate of the item's rule when the item carries an added-value
// margin (ITEM_PERC_ST), else the customer state's internal rate.
struct DadosST {
  double Reducao = 0;
  double Aliquota = 0;
};

// The item's ST reduction and internal rate.
DadosST BuscaDadosST(const GeracaoNFe& G) {
  DadosST st;
  st.Aliquota = G.Numero("CLIENTE_ALIQ_INT");
  if (G.Numero("ITEM_PERC_ST") > 0) {
    double aliquota = 0;
    DadosSTItem(G.Texto("ITEM_CLA_FIS"), G.Texto("CLIENTE_CODCLI"), TextoLimpo(G, "NATUREZA_TIPO"),
                st.Reducao, aliquota);
    if (aliquota > 0) st.Aliquota = aliquota;
  }
  return st;
}

// The item's own ICMS: modBC "3" (operation value), base, rate and amount.
// Returns the amount.
double IcmsProprio(GeracaoNFe& G, bool ComReducao) {
  const double base = G.Numero("ITEM_BASE_ICMS");
  const double taxa = G.Numero("ITEM_PERC_ICMS");
  G.Campo("modBC_N13") = "3";
  if (ComReducao) G.Campo("pRedBC_N14") = F4(G.Numero("ITEM_PERC_RED"));
  G.Campo("vBC_N15") = F2(base);
  G.Campo("pICMS_N16") = F4(taxa);
  const double valor = Percentual(base, taxa);
  G.Campo("vICMS_N17") = F2(valor);
  return valor;
}

// The poverty fund on the own ICMS, when the issuer's state charges one.
void FCP(GeracaoNFe& G) {
  const double taxa = G.Numero("EMISSOR_EST_FCP");
  if (taxa <= 0) return;
  const double base = G.Numero("ITEM_BASE_ICMS");
  const double valor = Percentual(base, taxa);
  G.Campo("vBCFCP_N17a") = F2(base);
  G.Campo("pFCP_N17b") = F4(taxa);
  G.Campo("vFCP_N17c") = F2(valor);
  G.SomaFCP += valor;
}

// The tax substitution fields of the item.
void ST(GeracaoNFe& G) {
  const DadosST st = BuscaDadosST(G);
  G.Campo("modBCST_N18") = "4";
  if (G.Numero("ITEM_PERC_ST") > 0) G.Campo("pMVAST_N19") = F4(G.Numero("ITEM_PERC_ST"));
  if (st.Reducao > 0) G.Campo("pRedBCST_N20") = F4(st.Reducao);
  G.Campo("vBCST_N21") = F2(G.Numero("ITEM_BASE_ST"));
  G.Campo("pICMSST_N22") = F4(st.Aliquota);
  G.Campo("vICMSST_N23") = F2(G.Numero("ITEM_VALOR_ST"));
}

// The poverty fund on the ST, when the item carries it.
void FCPST(GeracaoNFe& G) {
  const double valor = G.Numero("ITEM_VALOR_ST_FCP");
  if (valor <= 0) return;
  G.Campo("vBCFCPST_N23a") = F2(G.Numero("ITEM_BASE_ST"));
  G.Campo("pFCPST_N23b") = F4(G.Numero("CLIENTE_FCP"));
  G.Campo("vFCPST_N23d") = F2(valor);
  G.SomaFCPST += valor;
}

// ST charged earlier in the chain: its base, rate, the substitute's own ICMS
// (the part of the ST base's tax not substituted) and the amount.
void STRetido(GeracaoNFe& G) {
  const DadosST st = BuscaDadosST(G);
  const double base = G.Numero("ITEM_BASE_ST");
  const double valor = G.Numero("ITEM_VALOR_ST");
  const double substituto = to_cents(Percentual(base, st.Aliquota) - valor);
  G.Campo("vBCSTRet_N26") = F2(base);
  G.Campo("pST_N26a") = F4(st.Aliquota);
  G.Campo("vICMSSubstituto_N26b") = F2(substituto > 0 ? substituto : 0);
  G.Campo("vICMSSTRet_N27") = F2(valor);
}

// The simple regime's ICMS credit on the item's value.
void CreditoSimples(GeracaoNFe& G) {
  const double taxa = Tabela.company.simples_credit_rate;
  G.Campo("pCredSN_N29") = F4(taxa);
  G.Campo("vCredICMSSN_N30") = F2(Percentual(G.Numero("ITEM_VALOR"), taxa));
}

// The item's share of the invoice's exempted ICMS and the reason: "7"
// (SUFRAMA) for an exempt or suspended situation of a SUFRAMA customer, "9"
// (other) otherwise.
void Desoneracao(GeracaoNFe& G, const std::string& cst) {
  const double total = G.Numero("NOTA_VAL_DESONERA");
  if (total <= 0) return;
  const double parte =
      G.Desonerado.parte(G.Numero("ITEM_VALOR"), G.Numero("NOTA_VAL_PRODUTOS"), total, G.UltimoItem());
  G.Campo("vICMSDeson_N28a") = F2(parte);
  G.Campo("motDesICMS_N28") = !Trim(G.ISUF).empty() && Entre(cst, {"30", "40", "41", "50"}) ? "7" : "9";
  G.SomaICMSDeson += parte;
}

// The simple regime's situation codes (CSOSN) go with CRT 1 (and 4, the
// individual micro-entrepreneur); every other regime uses the CST table.
bool RegimeSimples() {
  const std::string crt = Trim(Tabela.company.crt);
  return crt == "1" || crt == "4";
}

// Rows of a statement run with bound texts.
std::vector<std::vector<std::string>> Linhas(
    const std::string& Sql, std::initializer_list<std::pair<const char*, std::string>> Params,
    std::initializer_list<const char*> Colunas) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(Sql);
  for (const auto& [nome, valor] : Params) q.ParamByName(nome).AsString = valor;
  q.Open();
  std::vector<std::vector<std::string>> linhas;
  for (; !q.Eof(); q.Next()) {
    std::vector<std::string> linha;
    for (const char* c : Colunas) linha.push_back(q.FieldByName(c).AsString());
    linhas.push_back(std::move(linha));
  }
  return linhas;
}

// One open instalment billed to the customer.
struct Parcela {
  TDateTime Vencimento;
  double Valor;
};

// The invoice's open instalments by due date; titles of the ST ("/ST") are
// paid to the state, not billed to the customer.
std::vector<Parcela> Parcelas(const GeracaoNFe& G) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT RECEBER.DT_EMISSAO, RECEBER.DT_VENCTO, RECEBER.NUMERO, RECEBER.VALOR2 AS VALOR FROM " +
            DBLocal("RECEBER") +
            " RECEBER WHERE RECEBER.FATURA = :FATURA AND RECEBER.STATUS = 'N' AND RECEBER.NUMERO NOT LIKE "
            "'%/ST' ORDER BY RECEBER.DT_VENCTO");
  q.ParamByName("FATURA").AsString = G.Texto("NOTA_FATURA");
  q.Open();
  std::vector<Parcela> parcelas;
  for (; !q.Eof(); q.Next())
    parcelas.push_back({q.FieldByName("DT_VENCTO").AsDateTime(), to_cents(q.FieldByName("VALOR").AsFloat())});
  return parcelas;
}

// The instalments' total to the cent.
double Soma(const std::vector<Parcela>& Parcelas) {
  double soma = 0;
  for (const auto& p : Parcelas) soma = to_cents(soma + p.Valor);
  return soma;
}

}  // namespace

// COFINS (S) of the current item, summed for the reconciliation.
void GrupoCOFINS(GeracaoNFe& G) {
  G.SomaCOFINS +=
      GrupoContribuicao(G, {"CST_S06", "vBC_S07", "pCOFINS_S08", "qBCProd_S09", "vAliqProd_S10",
                            "vCOFINS_S11", "ITEM_TRIB_COFINS", "ITEM_BASE_COFINS", "ITEM_PERC_COFINS"});
}

// PIS (Q) of the current item, summed for the reconciliation.
void GrupoPIS(GeracaoNFe& G) {
  G.SomaPIS += GrupoContribuicao(G, {"CST_Q06", "vBC_Q07", "pPIS_Q08", "qBCProd_Q10", "vAliqProd_Q11",
                                     "vPIS_Q09", "ITEM_TRIB_PIS", "ITEM_BASE_PIS", "ITEM_PERC_PIS"});
}

// IPI (O) of the current item, or the IPI given back (UA) on a return.
void GrupoIPI(GeracaoNFe& G) {
  const std::string cst = Situacao(G, "ITEM_TRIB_IPI");
  const double base = G.Numero("ITEM_BASE_IPI");
  const double taxa = G.Numero("ITEM_PERC_IPI");
  // TABTRI of kind "IP" tells how the item's IPI situation computes: "Q" by
  // quantity (ITEM_PERC_IPI is then the value per unit), else a rate on the base.
  std::string tipoCalculo;
  auto calc = Linhas("SELECT TP_CALC FROM " + DBLocal("TABTRI") + " WHERE TIPO = 'IP' AND CODIGO = :CODIGO",
                     {{"CODIGO", cst}}, {"TP_CALC"});
  if (!calc.empty()) tipoCalculo = Trim(calc[0][0]);
  const double qtde = G.Numero("ITEM_QTDE");
  const double valor = tipoCalculo == "Q" ? to_cents(qtde * taxa) : Percentual(base, taxa);

  if (IPIDevolvido(G)) {
    G.Campo("pDevol_UA02") = F2(100);
    G.Campo("vIPIDevol_UA04") = F2(valor);
    return;
  }
  // The legal framing code of the situation for the item's nature and the
  // customer's state; "999" (taxed normally) when none is registered.
  auto enq = Linhas("SELECT ENQ_IPI FROM " + DBLocal("TRIBCST") +
                        " WHERE CODTRIB = :CODTRIB AND TIPO = 'IPI' AND NATUREZA = :NATUREZA AND UF = :UF",
                    {{"CODTRIB", cst},
                     {"NATUREZA", Trim(G.Texto("ITEM_NATUREZA"))},
                     {"UF", Trim(G.Texto("CLIENTE_ESTCEP"))}},
                    {"ENQ_IPI"});
  std::string cEnq = enq.empty() ? std::string() : Trim(enq[0][0]);
  G.Campo("cEnq_O06") = cEnq.empty() ? "999" : cEnq;
  G.Campo("CST_O09") = cst;
  if (!Entre(cst, {"00", "49", "50", "99"})) return;  // not taxed: the situation only
  if (tipoCalculo == "Q") {
    G.Campo("qUnid_O11") = F4(qtde);
    G.Campo("vUnid_O12") = F4(taxa);
  } else {
    G.Campo("vBC_O10") = F2(base);
    G.Campo("pIPI_O13") = F4(taxa);
  }
  G.Campo("vIPI_O14") = F2(valor);
}

// ICMS (N) of the current item by its tax situation (CST, or CSOSN in the simple regime).
void GrupoICMS(GeracaoNFe& G) {
  const std::string cst = TextoLimpo(G, "ITEM_CLA_TRIB");
  G.Campo("orig_N11") = TextoLimpo(G, "ITEM_ORIGEM").empty() ? "0" : TextoLimpo(G, "ITEM_ORIGEM");
  if (RegimeSimples()) {
    G.Campo("CSOSN_N12a") = cst;
    if (cst == "101") {
      CreditoSimples(G);
    } else if (cst == "201") {
      ST(G);
      FCPST(G);
      CreditoSimples(G);
    } else if (cst == "202" || cst == "203") {
      ST(G);
      FCPST(G);
    } else if (cst == "500") {
      STRetido(G);
    } else if (cst == "900") {
      G.SomaICMS += IcmsProprio(G, G.Numero("ITEM_PERC_RED") > 0);
      ST(G);
      FCPST(G);
      CreditoSimples(G);
    }
    return;  // 102, 103, 300, 400: origin and CSOSN only
  }
  G.Campo("CST_N12") = cst;
  if (cst == "00") {
    G.SomaICMS += IcmsProprio(G, false);
    FCP(G);
  } else if (cst == "10") {
    G.SomaICMS += IcmsProprio(G, false);
    FCP(G);
    ST(G);
    FCPST(G);
  } else if (cst == "20") {
    G.SomaICMS += IcmsProprio(G, true);
    FCP(G);
  } else if (cst == "30") {
    ST(G);
    FCPST(G);
  } else if (cst == "51") {
    // Deferral: the operation's ICMS, the deferred part, and what remains due.
    const double operacao = IcmsProprio(G, G.Numero("ITEM_PERC_RED") > 0);
    const double diferido = G.Numero("ITEM_VALOR_DIF");
    G.Campo("vICMSOp_N16a") = F2(operacao);
    G.Campo("pDif_N16b") = F4(G.Numero("ITEM_PERC_DIF"));
    G.Campo("vICMSDif_N16c") = F2(diferido);
    const double devido = to_cents(operacao - diferido);
    G.Campo("vICMS_N17") = F2(devido);
    G.SomaICMS += devido;
    G.SomaDiferido += diferido;
    FCP(G);
  } else if (cst == "60") {
    STRetido(G);
    const double fcp = G.Numero("ITEM_VALOR_ST_FCP");
    if (fcp > 0) {
      G.Campo("vBCFCPSTRet_N27a") = F2(G.Numero("ITEM_BASE_ST"));
      G.Campo("pFCPSTRet_N27b") = F4(G.Numero("CLIENTE_FCP"));
      G.Campo("vFCPSTRet_N27d") = F2(fcp);
      G.SomaFCPSTRet += fcp;
    }
    // ST passed on to the destination state: none is computed for an invoice
    // of this ERP, the fields go to the field set as zeros.
    G.Campo("vBCSTDest_N31") = F2(0);
    G.Campo("vICMSSTDest_N32") = F2(0);
  } else if (cst == "70" || cst == "90") {
    G.SomaICMS += IcmsProprio(G, cst == "70" || G.Numero("ITEM_PERC_RED") > 0);
    FCP(G);
    ST(G);
    FCPST(G);
  }
  if (Entre(cst, {"20", "30", "40", "50", "70", "90"})) Desoneracao(G, cst);
}

// The rate difference owed to the destination state (NA), under its condition.
void GrupoDIFAL(GeracaoNFe& G) {
  if (!CondicaoDIFAL(G)) return;
  // An item without ICMS (exempt, not taxed) has no rate difference to pay,
  // and the layout takes only an interstate rate (4, 7 or 12 %) in the group.
  if (G.Numero("ITEM_PERC_ICMS") <= 0 || G.Numero("ITEM_BASE_ICMS") <= 0) return;
  double base = G.Numero("ITEM_BASE_ICMS");
  double fcp = G.Numero("ITEM_VAL_FCP");
  double destino = G.Numero("ITEM_VAL_ICMS_DEST");
  double remetente = G.Numero("ITEM_VAL_ICMS_REMET");
  double aliquotaInterna = G.Numero("CLIENTE_ALIQ_INT");
  if (TextoLimpo(G, "ITEM_NAT_CONS_FINAL") == "S") {
    // A final-consumer nature: the amounts of the item's rule (or the states' rates).
    CalculaDIFALICMS(G.Texto("ITEM_NATUREZA"), G.Texto("CLIENTE_CODCLI"), G.Texto("ITEM_CLA_FIS"),
                     G.Numero("ITEM_PERC_ICMS"), G.Numero("ITEM_BASE_ICMS"), G.Numero("ITEM_PERC_RED"), fcp,
                     destino, base, aliquotaInterna);
    remetente = 0;
  }
  G.Campo("vBCUFDest_NA03") = F2(base);
  G.Campo("vBCFCPUFDest_NA04") = F2(base);
  G.Campo("pFCPUFDest_NA05") = F4(G.Numero("CLIENTE_FCP"));
  G.Campo("pICMSUFDest_NA07") = F4(aliquotaInterna);
  G.Campo("pICMSInter_NA09") = F2(G.Numero("ITEM_PERC_ICMS"));
  // Since 2019 the whole difference belongs to the destination state.
  G.Campo("pICMSInterPart_NA11") = F4(100);
  G.Campo("vFCPUFDest_NA13") = F2(fcp);
  G.Campo("vICMSUFDest_NA15") = F2(destino);
  G.Campo("vICMSUFRemet_NA17") = F2(remetente);
  G.SomaICMSDest += to_cents(destino);
  G.SomaFCPDest += to_cents(fcp);
  G.SomaICMSRemet += to_cents(remetente);
}

// The item's approximate tax burden (M), when the FAT parameter shows it.
void GrupoTributosAproximados(GeracaoNFe& G) {
  if (!TributosAproximadosLigados(G)) return;
  // The IBPT rate is the approximate burden on the price the buyer pays:
  // the product value plus the IPI charged on top. The federal taxes the item
  // shows (IPI, PIS, COFINS) are the least it can be.
  const double ipi = ValorItem(G, "vIPI_O14");
  double valor = Percentual(G.Numero("ITEM_VALOR") + ipi, G.Numero("ITEM_CLA_FIS_IBPT"));
  const double federais = to_cents(ipi + ValorItem(G, "vPIS_Q09") + ValorItem(G, "vCOFINS_S11"));
  if (valor < federais) valor = federais;
  if (valor <= 0) return;
  G.Campo("vTotTrib_M02") = F2(valor);
  G.SomaTotTrib = to_cents(G.SomaTotTrib + valor);
}

// The stored tax totals against the item sums: differing ones replaced in the
// dataset and, when the user agrees, in NOTA.
void ReconciliaImpostos(GeracaoNFe& G) {
  struct Coluna {
    const char* Nome;
    const char* ColunaNota;
    double Soma;
  };
  const Coluna colunas[] = {{"NOTA_VAL_ICMS", "VAL_ICMS", G.SomaICMS},
                            {"NOTA_VAL_PIS", "VAL_PIS", G.SomaPIS},
                            {"NOTA_VAL_COFINS", "VAL_COFINS", G.SomaCOFINS},
                            {"NOTA_VAL_ICMS_DEST", "VAL_ICMS_DEST", G.SomaICMSDest}};
  std::vector<const Coluna*> diferentes;
  for (const auto& c : colunas) {
    if (FormatFloatC("0.00", G.Numero(c.Nome)) != FormatFloatC("0.00", c.Soma)) diferentes.push_back(&c);
  }
  if (diferentes.empty()) return;
  // The header columns repeat on every item row: each row gets the sums, and
  // the invoice-level groups go on from the last row.
  for (G.Nota.First(); !G.Nota.Eof(); G.Nota.Next()) {
    G.Nota.Edit();
    for (const auto* c : diferentes) G.Nota.FieldByName(c->Nome).AsFloat = to_cents(c->Soma);
    G.Nota.Post();
  }
  G.Nota.Last();
  const int resposta = MessageBox(
      "Atenção! Devido ao agrupamento de Itens na transmissão da NFe é necessário refazer a cálculo de "
      "impostos.\r\nDeseja Recalcular?",
      "Transmissão de NFe", MB_YESNO | MB_ICONWARNING);
  if (resposta != IDYES) return;
  std::string sql = "UPDATE " + DBLocal("NOTA") + " SET VALOR = VALOR";
  for (const auto* c : diferentes) sql += std::string(", ") + c->ColunaNota + " = :" + c->ColunaNota;
  // The series too: invoices of other series may share the number.
  sql += " WHERE FATURA = :FATURA AND SERIE = :SERIE";
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(sql);
  for (const auto* c : diferentes) q.ParamByName(c->ColunaNota).AsFloat = to_cents(c->Soma);
  q.ParamByName("FATURA").AsString = G.Texto("NOTA_FATURA");
  q.ParamByName("SERIE").AsString = G.Texto("NOTA_SERIE");
  q.ExecSQL();
}

// The invoice totals (W).
void GrupoTotais(GeracaoNFe& G) {
  const bool difal = CondicaoDIFAL(G);
  G.Campo("vBC_W03") = F2(G.Numero("NOTA_BASE_CALC"));
  G.Campo("vICMS_W04") = F2(G.Numero("NOTA_VAL_ICMS"));
  G.Campo("vICMSDeson_W04a") = F2(G.SomaICMSDeson);
  if (difal) {
    G.Campo("vFCPUFDest_W04c") = F2(G.Numero("NOTA_VAL_FCP"));
    G.Campo("vICMSUFDest_W04e") = F2(G.Numero("NOTA_VAL_ICMS_DEST"));
    G.Campo("vICMSUFRemet_W04g") = F2(G.Numero("NOTA_VAL_ICMS_REMET"));
  }
  G.Campo("vFCP_W04h") = F2(G.SomaFCP);
  G.Campo("vBCST_W05") = F2(G.Numero("NOTA_BASE_SUBST"));
  G.Campo("vST_W06") = F2(G.Numero("NOTA_VAL_SUBST"));
  G.Campo("vFCPST_W06a") = F2(G.SomaFCPST);
  G.Campo("vFCPSTRet_W06b") = F2(G.SomaFCPSTRet);
  G.Campo("vProd_W07") = F2(G.Numero("NOTA_VAL_PRODUTOS"));
  G.Campo("vFrete_W08") = F2(G.Numero("NOTA_VAL_FRETE"));
  G.Campo("vSeg_W09") = F2(G.Numero("NOTA_VAL_SEGURO"));
  G.Campo("vDesc_W10") = F2(G.Numero("NOTA_DESCONTO"));
  G.Campo("vII_W11") = F2(G.Numero("NOTA_VAL_IMPORT"));
  const bool devolvido = IPIDevolvido(G);
  G.Campo("vIPI_W12") = F2(devolvido ? 0 : G.Numero("NOTA_VAL_IPI"));
  G.Campo("vIPIDevol_W12a") = F2(devolvido ? G.Numero("NOTA_VAL_IPI") : 0);
  G.Campo("vPIS_W13") = F2(G.Numero("NOTA_VAL_PIS"));
  G.Campo("vCOFINS_W14") = F2(G.Numero("NOTA_VAL_COFINS"));
  G.Campo("vOutro_W15") = F2(G.Numero("NOTA_DESPESAS"));
  G.Campo("vNF_W16") = F2(G.Numero("NOTA_VALOR"));
  if (G.SomaTotTrib > 0) G.Campo("vTotTrib_W16a") = F2(G.SomaTotTrib);
  // Retentions (vRetPIS_W24 ... vIRRF_W28) are left out: this ERP computes
  // none, and the layout takes a retention only when it is above zero.
}

// Freight mode, carrier, vehicle and volumes (X).
void GrupoTransporte(GeracaoNFe& G) {
  const std::string cif = TextoLimpo(G, "NOTA_CIF");
  std::string modFrete = "9";  // no transport
  if (cif == "1")
    modFrete = "0";  // by the sender (CIF)
  else if (cif == "2")
    modFrete = "1";  // by the recipient (FOB)
  else if (cif == "3")
    modFrete = "2";  // by a third party
  else if (cif == "5")
    modFrete = "3";  // own transport of the sender
  else if (cif == "6")
    modFrete = "4";  // own transport of the recipient
  G.Campo("modFrete_X02") = modFrete;

  // The carrier's document keeps the letters of an alphanumeric CNPJ.
  const std::string documento = LimpaCnpjNFe(G.Texto("TRANSP_CGC"));
  if (documento.size() == 14)
    G.Campo("CNPJ_X04") = documento;
  else if (documento.size() == 11)
    G.Campo("CPF_X05") = documento;
  const std::string nome = LimpaCaracterNFe(G.Texto("TRANSP_NOME"));
  if (!nome.empty()) {
    G.Campo("xNome_X06") = nome;
    G.Campo("IE_X07") = LimpaCaracterNFe(G.Texto("TRANSP_INSCRICAO"), true);
    G.Campo("xEnder_X08") = LimpaCaracterNFe(G.Texto("TRANSP_ENDERECO"));
    G.Campo("xMun_X09") = LimpaCaracterNFe(G.Texto("TRANS_NOMCEP"));
    G.Campo("UF_X10") = TextoLimpo(G, "TRANSP_ESTCEP");
  }
  // The vehicle goes only with an operation inside the state: the layout
  // refuses it on interstate and foreign operations.
  const std::string placa = UpperCase(LimpaCnpjNFe(G.Texto("NOTA_PLACA")));
  if (!placa.empty() && G.idDest == "1") {
    G.Campo("placa_X19") = placa;
    G.Campo("uf_X20") = TextoLimpo(G, "TRANSP_ESTCEP");
  }
  const double volumes = G.Numero("NOTA_VOLUMES");
  if (volumes > 0) G.Campo("qVol_X27") = FormatFloatC("0", volumes);
  G.Campo("esp_X28") = LimpaCaracterNFe(G.Texto("NOTA_ESPECIE"));
  G.Campo("marca_X29") = LimpaCaracterNFe(G.Texto("NOTA_MARCA"));
  G.Campo("nVol_X30") = LimpaCaracterNFe(G.Texto("NOTA_NR_VOLUMES"));
  if (G.Numero("NOTA_PESOL") > 0) G.Campo("pesoL_X31") = FormataPonto(G.Numero("NOTA_PESOL"), 3);
  if (G.Numero("NOTA_PESOB") > 0) G.Campo("pesoB_X32") = FormataPonto(G.Numero("NOTA_PESOB"), 3);
}

// The additional information (Z) and the customer's order (ZB).
void GrupoInformacoesAdicionais(GeracaoNFe& G) {
  std::vector<std::string> linhas;
  auto junta = [&](std::string linha) {
    if (!Trim(linha).empty()) linhas.push_back(std::move(linha));
  };
  const std::string fatura = G.Texto("NOTA_FATURA");

  if (G.SomaTotTrib > 0) {
    const double produtos = G.Numero("NOTA_VAL_PRODUTOS");
    const double taxa = produtos >= 0.01 ? G.SomaTotTrib / produtos * 100 : 0;
    junta("Valor Aprox. Tributos R$ " + Reais(G.SomaTotTrib) + " ( " + FormatFloatC("0.00", taxa) +
          " %). Fonte IBPT.");
  }
  if (CondicaoDIFAL(G) && (G.SomaICMSDest > 0 || G.SomaFCPDest > 0)) {
    junta(" ICMS " + TextoLimpo(G, "CLIENTE_ESTCEP") + ": R$ " + Reais(G.SomaICMSDest) + " Valor FCP: R$ " +
          Reais(G.SomaFCPDest));
  }
  if (G.SomaFCPST > 0)
    junta("Valor de Substituição Tributária de Fundo Combate a Pobreza: R$ " + Reais(G.SomaFCPST));

  // The invoice's non-product lines (discounts, surcharges, subtotals, notes);
  // item observations ("O") go with their items.
  for (const auto& l :
       Linhas("SELECT DESCRICAO, COR, VALOR, PRECO FROM " + DBLocal("NOTAITEN") +
                  " WHERE FATURA = :FATURA AND EMPENHO <> 'N' AND EMPENHO <> 'O' ORDER BY ORDEM",
              {{"FATURA", fatura}}, {"DESCRICAO", "COR", "VALOR", "PRECO"})) {
    std::string linha = Trim(l[0]);
    const double valor = l[2].empty() ? 0 : StrToFloatDef(l[2], 0);
    if (valor != 0) linha += " " + Reais(valor);
    junta(linha);
  }
  junta(Trim(G.Texto("NOTA_MENSAGEM")));
  if (G.SomaDiferido > 0) junta("Valor total de Diferimento de ICMS: R$" + Reais(G.SomaDiferido));

  for (const auto& p :
       Linhas("SELECT DISTINCT NOTAITEN.PEDIDO, PEDIDO.PED_CLI, PEDIDO.ART_CLI, PEDIDO.CONTATO, NOTA.DOCTO "
              "FROM " +
                  DBLocal("NOTA") + " NOTA LEFT OUTER JOIN " + DBLocal("NOTAITEN") +
                  " NOTAITEN ON (NOTA.FATURA = NOTAITEN.FATURA) LEFT OUTER JOIN " + DBLocal("PEDIDO") +
                  " PEDIDO ON (PEDIDO.NUMERO = NOTAITEN.PEDIDO) WHERE NOTA.FATURA = :FATURA AND "
                  "NOTAITEN.EMPENHO = 'N'",
              {{"FATURA", fatura}}, {"PEDIDO", "PED_CLI", "ART_CLI", "CONTATO", "DOCTO"})) {
    std::string linha;
    const char* rotulos[] = {"PEDIDO :", " PEDIDO CLIENTE ", " PROD. CLIENTE ", " CONTATO ", " DOCTO. : "};
    for (size_t i = 0; i < 5; ++i) {
      if (!Trim(p[i]).empty()) linha += rotulos[i] + Trim(p[i]);
    }
    junta(Trim(linha));
  }
  if (!TextoLimpo(G, "CLIENTE_SUFRAMA").empty()) junta("SUFRAMA - " + TextoLimpo(G, "CLIENTE_SUFRAMA"));
  if (!TextoLimpo(G, "REDESP_NOME").empty()) {
    const std::string cif = TextoLimpo(G, "NOTA_REDESP_CIF");
    junta(
        std::string(cif == "1" || cif == "C" ? "***REDESPACHO (CIF) - " : "***REDESPACHO A PAGAR (FOB) - ") +
        TextoLimpo(G, "REDESP_NOME") + ". INSC. " + TextoLimpo(G, "REDESP_INSCRICAO") + ".CNPJ - " +
        TextoLimpo(G, "REDESP_CGC") + ". TELEFONE. " + TextoLimpo(G, "REDESP_TELEFONE") + ".ENDERECO - " +
        TextoLimpo(G, "REDESP_ENDERECO") + " " + TextoLimpo(G, "REDESP_BAIRRO") + " " +
        TextoLimpo(G, "REDESP_NOMCEP") + " " + TextoLimpo(G, "REDESP_ESTCEP") + " ***.");
  }
  // The observations of the items' tax situations, each once, in item order;
  // the invoice-level groups go on from the last row.
  std::set<std::string> vistas;
  for (G.Nota.First(); !G.Nota.Eof(); G.Nota.Next()) {
    std::string obs = TextoLimpo(G, "ITEM_CLA_TRIB_OBS");
    if (!obs.empty() && vistas.insert(obs).second) junta(obs);
  }
  G.Nota.Last();
  std::string cliente = TextoLimpo(G, "CLIENTE_FANTASIA");
  if (cliente.empty()) cliente = TextoLimpo(G, "CLIENTE_NOME");
  junta("CLIENTE - " + cliente + "(" + TextoLimpo(G, "CLIENTE_CODCLI") + ")");

  std::string texto;
  for (const auto& l : linhas) texto += (texto.empty() ? "" : "\r\n") + l;
  G.Campo("infCpl_Z03") = texto;
  const std::string pedido = LimpaCaracterNFe(G.Texto("PEDIDO_PED_CLI"));
  if (!pedido.empty()) G.Campo("xPed_ZB03") = pedido;
}

// The invoice and its instalments (Y).
void GrupoCobranca(GeracaoNFe& G) {
  const auto parcelas = Parcelas(G);
  if (parcelas.empty()) return;
  const double soma = Soma(parcelas);
  G.Campo("nFat_Y03") = Trim(G.Texto("NOTA_FATURA"));
  G.Campo("vOrig_Y04") = F2(soma);
  G.Campo("vDesc_Y05") = F2(0);
  G.Campo("vLiq_Y06") = F2(soma);
  int numero = 0;
  for (const auto& p : parcelas) {
    G.NFe.IncluirCobranca();
    G.Campo("nDup_Y08") = fmt::format("{:03d}", ++numero);
    G.Campo("dVenc_Y09") = DataNFe(p.Vencimento);
    G.Campo("vDup_Y10") = F2(p.Valor);
    G.NFe.SalvarCobranca();
  }
}

// The payment (YA): the titles' kind and total, or the purpose's declaration.
void GrupoPagamento(GeracaoNFe& G) {
  auto parte = [&](const std::string& tipo, const std::string& valor, const char* descricao = nullptr) {
    G.NFe.IncluirPart("YA");
    G.Campo("tPag_YA02") = tipo;
    if (descricao) G.Campo("xPag_YA02a") = descricao;
    G.Campo("vPag_YA03") = valor;
    G.NFe.SalvarPart("YA");
  };
  const auto parcelas = Parcelas(G);
  if (G.finNFe == "1" && !parcelas.empty()) {
    const double soma = Soma(parcelas);
    // The kind of the first open title's collection situation.
    auto titulos = Linhas("SELECT RECEBER.DT_VENCTO, RECEBER.SITUACAO, MOEDA.TIPO FROM " +
                              DBLocal("RECEBER") + " RECEBER INNER JOIN " + DBLocal("MOEDA") +
                              " MOEDA ON (RECEBER.SITUACAO = MOEDA.SITUACAO) WHERE RECEBER.FATURA = :FATURA "
                              "AND RECEBER.STATUS = 'N' ORDER BY RECEBER.DT_VENCTO",
                          {{"FATURA", G.Texto("NOTA_FATURA")}}, {"TIPO"});
    const std::string tipoMoeda = titulos.empty() ? std::string() : Trim(titulos[0][0]);
    std::string tipo = "15";  // bank slip
    if (tipoMoeda == "0")
      tipo = "01";  // cash
    else if (tipoMoeda == "1")
      tipo = "02";  // cheque
    else if (tipoMoeda == "3")
      tipo = "03";  // credit card
    else if (tipoMoeda == "5")
      tipo = "04";  // debit card
    else if (tipoMoeda == "7")
      tipo = "16";  // bank deposit
    else if (tipoMoeda == "8")
      tipo = "17";  // PIX
    else if (tipoMoeda == "9")
      tipo = "18";  // transfer
    if (soma > 0) parte(tipo, F2(soma));
    // What the titles do not cover is declared without payment.
    if (to_cents(G.Numero("NOTA_VALOR") - soma) > 0) parte("90", F2(0));
  } else if (G.finNFe == "2") {
    parte("99", F2(G.Numero("NOTA_VALOR")), "Pagamento Complementar");
  } else {
    parte("90", F2(0));
  }
  // The change belongs to the payment group as a whole.
  G.Campo("vTroco_YA09") = F2(0);
}

// The intermediary of a remote sale (YB), when its CNPJ is valid.
void GrupoIntermediador(GeracaoNFe& G) {
  if (!PresencaRemota()) return;
  const std::string cnpj = G.Texto("REPRESEN_CNPJ");
  if (!VerCgc(cnpj)) return;
  G.NFe.IncluirPart("YB");
  G.Campo("CNPJ_YB02") = LimpaCnpjNFe(cnpj);
  G.Campo("idCadIntTran_YB03") = LimpaCaracterNFe(G.Texto("REPRESEN_NOME"));
  G.NFe.SalvarPart("YB");
}

// The technical responsible (ZD) from NFe.ini.
void GrupoResponsavelTecnico(GeracaoNFe& G) {
  // Who deploys the system names the technical responsible in NFe.ini:
  //   [RespTec]
  //   CNPJ=12.345.678/0001-95
  //   Contato=Fulano de Tal
  //   Email=suporte@exemplo.com.br
  //   Fone=(11) 3333-4444
  // Without a CNPJ the group is left out (it is optional in the layout).
  const std::string cnpj = LimpaCnpjNFe(LeIni("RespTec", "CNPJ", "NFe.ini"));
  if (cnpj.empty()) return;
  G.Campo("CNPJ_ZD02") = cnpj;
  G.Campo("xContato_ZD04") = LimpaCaracterNFe(LeIni("RespTec", "Contato", "NFe.ini"));
  G.Campo("email_ZD05") = Trim(LeIni("RespTec", "Email", "NFe.ini"));
  G.Campo("fone_ZD06") = LimpaCaracterNFe(LeIni("RespTec", "Fone", "NFe.ini"), true);
}

}  // namespace zpk::nfe::detail
