// Bank instructions recorded for a receivable title (REC_MOV) and the
// separator that joins an invoice number and its instalment in title numbers.
#pragma once

#include <string>

namespace zpk {

// Records the bank instruction Instrucao for the title Numero: one REC_MOV
// row with the bank's occurrence code for it (OCORRENCIA of the bank of the
// account of the title's batch; empty when the bank has none), the batch's
// account and portfolio, batch 0 and today's date; commits the shared
// transaction. A title without a bank number (or not found) gets nothing: only
// titles the bank has registered take instructions. Texts are bound as typed.
// Raises EDatabaseError.
void GravaMovimentoReceber(const std::string& Numero, const std::string& Instrucao);

// The company's title-number separator (Tabela.SeparadorDuplicata), "/" when
// none is set: invoice 001234 instalment 2 is "001234/2".
std::string SepDupli();

}  // namespace zpk
