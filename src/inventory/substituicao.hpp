// Item substitutions inside a document (OUT_MOV): which item and colour took
// the place of the one first planned, so that the document's later steps and
// reports know what was really used.
#pragma once

#include <string>

namespace zpk {

// Records that Codigo (colour CorDest) replaces CodigoOrig (colour Cor) in
// document NumDocto, dated today, replacing the document's earlier record of
// that original item and colour; substituting an item by itself only removes
// that earlier record. Qtde 0 shows "Não pode substituir item já
// movimentado." and writes nothing. A failing statement is shown to the user
// and nothing of the call is kept; what succeeded is committed with Tabela's
// shared transaction.
void GravaSubstituicao(const std::string& Codigo, const std::string& Cor, const std::string& CorDest,
                       const std::string& CodigoOrig, const std::string& TpIten, const std::string& TpMov,
                       const std::string& NumDocto, double Qtde);

}  // namespace zpk
