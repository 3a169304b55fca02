// User locks on the records that several users might edit at once (sales
// orders, quotations, dyeing programmes): the holder's login name in the
// row's LOCADO column ("0" or empty: free), one record per table and station.
#pragma once

#include <string_view>

namespace zpk {

// Opcao "1" locks order Numero for vUsuario (releasing the one this station
// held before), "0" releases it and writes a "Movimentação" audit row; any
// other value does nothing. True only when the lock was refused because
// the order is held by another user or station (the user is told who);
// releasing another number leaves the station's own order held. Two stations
// asking for the same free order at once never both get it. Raises EDatabaseError.
bool PedidoLocado(std::string_view Numero, std::string_view Opcao);
// The same for quotations (ORCAMENTO, sOrcamentoLocado).
bool OrcamentoLocado(std::string_view Numero, std::string_view Opcao);
// The same for dyeing programmes (TNG_PROG, sProgramacaoLocado).
bool ProgramacaoLocado(std::string_view Numero, std::string_view Opcao);

}  // namespace zpk
