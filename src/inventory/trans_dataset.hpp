// TTransDataSet: copies the structure and then the rows of one in-memory
// dataset into another (an import screen shows a file's rows in a grid of
// its own, or hands them to a dataset of another shape).
#pragma once

namespace zpk {

class TClientDataSet;

class TTransDataSet {
 public:
  TClientDataSet* TabelaOrigem = nullptr;
  TClientDataSet* TabelaDestino = nullptr;

  // With both datasets set: opens nothing (the source must be open), empties
  // and closes the destination, clears its index order and definitions, and
  // defines one field per source field with its name, type and size (a text
  // field of unlimited width stays unlimited). Creating the destination is
  // left to the caller. Raises EDataSetError when the source is closed.
  void CriaCampos();
  // With both set: appends one destination row per source row, from the
  // first, copying the fields by position as text.
  void TransfereDados();
};

}  // namespace zpk
