// TExpAviamentos: the trims requirement list of the selected sales orders.
// Each order item is exploded through its product's technical sheet into the
// materials one piece consumes, times the ordered quantity, accumulated per
// order, material and material colour into the caller's dataset together with
// the material's stock, average cost, list price and value. Nothing is written
// to the database.
#pragma once

#include <string>

#include "platform/dataset/client_dataset.hpp"

namespace zpk {

class TExpAviamentos {
 public:
  // Re-creates the dataset with the requirement fields (NUMERO, CODIGO,
  // DESCRICAO, COR, DESCCOR, CONSUMO, ESTOQUE, PECAS, PRECO_MED, UNIT,
  // UNIDADE, TOTAL, GRUPO), empty. The object does not keep the dataset.
  explicit TExpAviamentos(TClientDataSet& DataSet);

  // Order-number bounds, used when PedidoUnico is empty; an empty bound is not applied.
  std::string PedidoIni;
  std::string PedidoFim;
  // Issue, delivery and invoicing date bounds of the order, as SQL date text
  // ("MM/DD/YYYY"). All six are always applied: fill them, with wide limits
  // where the screen has none.
  std::string EmissaoIni;
  std::string EmissaoFim;
  std::string EntregaIni;
  std::string EntregaFim;
  std::string FaturaIni;
  std::string FaturaFim;
  // Order numbers as the inside of an SQL IN list, each quoted by the caller
  // ("'AV0001','AV0002'"); each item must be an SQL literal.
  std::string ListaPedidos;
  // One order number; when not empty it replaces PedidoIni/PedidoFim.
  std::string PedidoUnico;
  // The customer's own order reference (PEDIDO.PED_CLI).
  std::string PedidoCliente;
  // One product code.
  std::string CodProduto;
  // Surcharge in percent added to every consumption.
  double PercAcrescimo = 0;
  // The order quantity exploded: 0 open, 1 cancelled, 2 invoiced, 3 none
  // (rows listed with zero requirements), 4 all three together.
  int TipoQtde = 0;

  // Explodes the selected order items into the dataset, adding to the rows
  // already there (a row spread over the colour shares carries the stock and
  // average cost of the material colour it resolves to), puts the pieces of the selected orders (open
  // quantity) in PECAS of the row last changed (a new row when the dataset is empty) and orders the rows by
  // NUMERO, CODIGO, DESCCOR. A database error, a ListaPedidos item that is no literal or a TipoQtde outside
  // 0..4 raises after the pieces have been set, with the rows accumulated until then kept.
  void Executa(TClientDataSet& DataSet);
};

}  // namespace zpk
