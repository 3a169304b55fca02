// The statements behind the pages of the customer information screen:
// titles, statistics, orders, invoices, contacts, cheques and retail sales of
// one customer, for the current company or for every company the user opens.
#pragma once

#include <string_view>

#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"

namespace zpk {

// A page of the customer information screen.
enum class TOpcaoInfEst {
  TpieTitulo,
  TpieEstatistica,
  TpiePedido,
  TpieNotaFiscal,
  TpieContato,
  TpieCheque,
  TpieVarejo
};

// Replaces Query's statement with the one of page Opcao for customer CodCli
// and opens it. DataIni..DataFim bounds the issue (contact, sale) date;
// Abertos 0 keeps only what is still open; Ordem picks the order of the page
// (titles: 0 number, 1 due date, 2 issue date; orders: 3 by delivery, else by
// issue date, latest first; cheques: 0 title, 1 due date, 2 issue date;
// retail: 2 date, else sale code). TodasEmpresas runs it for every company
// the user may open, each row naming its company in EMPRESA. The customer
// code and dates are bound: a code longer than the column matches nothing.
// Raises EDatabaseError.
void BuscaInformacoesEstatisticas(TTIQuery& Query, TOpcaoInfEst Opcao, TDateTime DataIni, TDateTime DataFim,
                                  std::string_view CodCli, int Abertos, int Ordem, bool TodasEmpresas);

}  // namespace zpk
