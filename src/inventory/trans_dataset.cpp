#include "inventory/trans_dataset.hpp"

#include <algorithm>

#include "platform/dataset/client_dataset.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {

void TTransDataSet::CriaCampos() {
  if (TabelaOrigem == nullptr || TabelaDestino == nullptr) return;
  TClientDataSet& origem = *TabelaOrigem;
  TClientDataSet& destino = *TabelaDestino;
  if (!origem.Active()) throw EDataSetError("TTransDataSet: a tabela de origem está fechada");
  if (destino.Active()) {
    destino.EmptyDataSet();
    destino.Close();
  }
  destino.IndexFieldNames = std::string();
  destino.FieldDefs.Clear();
  for (int i = 0; i < origem.FieldCount(); ++i) {
    TField& f = origem.Fields(i);
    // A text field without a width stays without one: sized by the value the
    // source holds now, it would cut every longer value of the other rows.
    destino.FieldDefs.Add(f.FieldName(), f.DataType(), f.Size());
  }
}

void TTransDataSet::TransfereDados() {
  if (TabelaOrigem == nullptr || TabelaDestino == nullptr) return;
  TClientDataSet& origem = *TabelaOrigem;
  TClientDataSet& destino = *TabelaDestino;
  origem.DisableControls();
  destino.DisableControls();
  try {
    for (origem.First(); !origem.Eof(); origem.Next()) {
      destino.Append();
      const int n = std::min(origem.FieldCount(), destino.FieldCount());
      for (int i = 0; i < n; ++i) destino.Fields(i).AsString = origem.Fields(i).AsString();
      destino.Post();
    }
  } catch (...) {
    if (destino.State() == dsInsert) destino.Cancel();
    origem.EnableControls();
    destino.EnableControls();
    throw;
  }
  origem.EnableControls();
  destino.EnableControls();
}

}  // namespace zpk
