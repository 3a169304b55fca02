// Codes handed out from the company's counter table (CODIGOS), codes reserved
// while a screen shows them (CODIGOSVALOR), and the next number of a stock
// write-off document or of a stock-movement order.
#pragma once

#include <string>
#include <string_view>

namespace zpk {

// The next free code of column Campo of the logical table NomeTabela,
// left-padded with "0" to the stored width (Tamanho when the counter row is
// new). Runs on a private auto-committed connection (kept between calls and
// dropped when Tabela disconnects or the call fails), so the counter moves at
// once whatever happens to the caller's transaction; a code is never handed
// to two callers, also across stations, and codes already stored in the
// target column are skipped. Campo and NomeTabela are identifiers written by
// the program: anything else raises EZpkError, and a table or column that does
// not exist the engine's error, before a counter row is made for them. A
// blank counter hands out 1; one that holds no number from 1 up raises
// EConvertError and is left as it is. Flag has no effect. Raises EDatabaseError.
std::string Proximo(std::string_view NomeTabela, std::string_view Campo, int Tamanho = 6, bool Flag = false);

// Valor of the three routines below is an SQL literal written by the caller:
// Aspas of the code ("'000123'", inner quotes doubled), a number, NULL or a
// date literal. It is bound as a parameter typed as the literal (it compares
// and is stored as the literal written in would be); anything else raises
// EZpkError naming the routine and the value before anything is read, written
// or committed, so no caller's text can change their statements.

// Marks Valor as reserved for the table and column, unless it already is;
// commits the shared transaction. Raises EDatabaseError.
void ReservaCodigo(std::string_view NomeTabela, std::string_view Campo, std::string_view Valor);
// Removes the reservation of Valor; commits. Raises EDatabaseError.
void LiberaCodigos(std::string_view NomeTabela, std::string_view Campo, std::string_view Valor);
// True when Valor is reserved for the table and column. Raises EDatabaseError.
bool CodigoReservado(std::string_view NomeTabela, std::string_view Campo, std::string_view Valor);

// The next three-digit (or longer) sequence of the product write-off documents
// whose number starts with the six-character Prefixo ("001" when there is none).
std::string SequenciaBaixa(std::string_view Prefixo);

// The next ORDEM of the product (PA_MOV) and material (MAT_MOV) stock
// movements of the last 30 days (1 when there is none).
int SequenciaMovimentoPA_MOV();
int SequenciaMovimentoMAT_MOV();

}  // namespace zpk
