// The special ICMS amounts of one invoice item: deferral, base reduction,
// SUFRAMA exemption, tax substitution with its poverty-fund share (FCP), and
// the interstate difference of rates owed on sales to final consumers (DIFAL).
#pragma once

#include <string>
#include <string_view>

#include "platform/rtl/datetime.hpp"

namespace zpk {

// The rule of the fiscal table REDUCAO is found by the item's fiscal
// classification (TabFis), the customer's state, kind and tax regime (from
// Cliente) and the operation type (TpOper, blank meaning "V", a sale), each
// routine adding the calculation modes it reads. The var texts Natureza,
// TabTrib and DestacaImp take the rule's value only when the rule holds one;
// otherwise the caller's value stays. Every routine raises EDatabaseError.

// The deferred percentage of the rule of mode "8" or "10" (0 without one).
// When the rule shows the tax on the invoice (DESTACA_IMP "S"), ValorDiferido
// is that percentage of the item's ICMS in cents; in mode "10" the base is
// first grossed up by the rate and ValorICMSOperacao is the grossed-up ICMS.
double CalculaDiferimentoICMS(std::string_view TabFis, std::string_view Cliente, std::string_view TpOper,
                              double Base, double Aliquota, std::string& Natureza, std::string& TabTrib,
                              double& ValorDiferido, double& ValorICMSOperacao);

// The base-reduction percentage of the rule of mode "9" (0 without one).
double CalculaReducaoICMS(std::string_view TabFis, std::string_view Cliente, std::string_view TpOper,
                          std::string& Natureza, std::string& TabTrib, std::string& DestacaImp);

// The ICMS exempted for a customer registered with SUFRAMA: the rule's
// ALIQ_INT percent of Valor in cents, by the rule of mode "11" (0 without one
// or without a registration).
double CalculaDesoneracaoICMS(std::string_view TabFis, std::string_view Cliente, std::string_view TpOper,
                              double Valor, std::string& Natureza, std::string& TabTrib);

// The ICMS-ST amount of the item by its rule of mode "0" to "5" (or none): a
// customer-specific added-value factor first, else the rule's factor (modes
// "0", "4") or value per unit (mode "5"); modes "1" to "3" compute nothing.
// BaseST comes in as the item's ST base and leaves as the computed one, MVA
// as the added value in percent; ValorFCPST is the FCP share of the ST base
// when there is an ST amount. Without a rule: 0, BaseST and MVA untouched.
double CalculaSubstituicaoTributariaICMS(std::string_view TabFis, std::string_view Cliente,
                                         std::string_view TpOper, double BaseICMS, double AliqICMS,
                                         double Quantidade, double& BaseST, double& MVA, double& ValorFCPST,
                                         std::string& Natureza, std::string& TabTrib,
                                         std::string& DestacaImp);

// The ST base reduction (RED_ST) and internal rate (the rule's, else the
// state's) of the item's rule of a mode up to "5" compared as text (or none);
// zeros without a rule. TpOper is used as given. Reservado has no effect.
void DadosSTItem(std::string_view TabFis, std::string_view Cliente, std::string_view TpOper, double& RedST,
                 double& AliqInterna, std::string_view Reservado = "");

// The DIFAL of an interstate sale to a final consumer under the nature
// Natureza: ValorDIFAL (never below 0), its base BaseDIFAL, the internal rate
// AliqInterna and the FCP share ValorFCP of the destination state, from the
// rule of mode "6" or "7" of TabFis for the customer, else the state's rates.
// All four are 0 for a nature that is internal, not for final consumers or of
// type "R"; a company of the simple regime (CRT 1) owes no DIFAL but still
// gets the base and FCP. Returns 0; Data and Flag have no effect.
double CalculaDIFALICMS(std::string_view Natureza, std::string_view Cliente, std::string_view TabFis,
                        double AliqICMS, double BaseICMS, double PercReducao, double& ValorFCP,
                        double& ValorDIFAL, double& BaseDIFAL, double& AliqInterna, TDateTime Data = {},
                        bool Flag = false);

}  // namespace zpk
