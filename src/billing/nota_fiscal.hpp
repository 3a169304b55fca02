// Invoice numbers per series and NF-e lot numbers. A number is reserved by a
// committed NOTA_NUMERO row before it is returned or shown, so every station
// sees it at once; the row's key lets only one station reserve a number.
#pragma once

#include <string>

namespace zpk {

// The sales order being invoiced: the caller sets it before ProximaNotaFiscal
// (blank when the invoice does not come from an order).
inline std::string vPedidoFat;

// The invoice identifier for the next invoice of Serie (trimmed): the number
// an order (vPedidoFat) already carries, else the next free one of the series,
// skipping numbers used in NOTA; six digits, followed by the series when
// Tabela.NotaComSerie is "S". Unless SemPergunta or parameter FAT 330 is "N",
// the user sees the number in the number box and may type another: a number
// used in NOTA or carried by another order is refused with a message, a change
// of the sequence needs the right to change it on TfmFatImpressao and is
// logged. The number returned is reserved and committed. Cancelling the box
// (or confirming it empty) releases what this call reserved and returns "".
// Raises EDatabaseError (a series longer than its column included).
std::string ProximaNotaFiscal(std::string Serie, bool SemPergunta = false);

// The identifier NOTA.FATURA holds for invoice number Numero of Serie: a
// number (trimmed) left-padded with "0" to six digits, followed by the series
// when Tabela.NotaComSerie is "S". A text that is no number is kept trimmed.
std::string IdentificadorNota(const std::string& Numero, const std::string& Serie);

// The next free number of Serie, skipping numbers used in NOTA, reserved
// without asking anybody and committed; six digits, followed by the series
// when Tabela.NotaComSerie is "S". A station that loses a number to another
// takes the next one. Raises EDatabaseError, also when the reservation keeps
// losing for longer than the library's retry policy allows.
std::string ReservaNotaFiscal(const std::string& Serie);

// Frees the reservation of the invoice identifier Nota (number and series
// when Tabela.NotaComSerie is "S", else the number of Tabela.SeriePadrao) and
// commits. Raises EConvertError when Nota holds no invoice number, EDatabaseError.
void DeletaNumeroNotaFiscal(const std::string& Nota);

// The next NF-e submission lot: the highest LOTE_NFE of NOTA (every series)
// plus 1, at least six digits. Nothing is reserved. Raises EDatabaseError.
std::string ProximoLoteNFe();

// The NF-e layout version the invoices are written in.
std::string VersaoNFe();

}  // namespace zpk
