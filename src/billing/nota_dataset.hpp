// The invoice dataset: one row per printable item line of a stored invoice,
// with the header, customer, carrier and order columns repeated on every row.
// The printed invoice and the NF-e both read it, by its column names.
#pragma once

#include <string>
#include <string_view>

#include "platform/dataset/client_dataset.hpp"
#include "platform/db/query.hpp"

namespace zpk {

// Order of the item lines inside each group of NOTAITEN.EMPENHO.
enum class NotaOrdem {
  by_code,   // code, line order, colour, size
  by_order,  // line order (as typed on the invoice), code, colour, size
};

// The text that merges item lines: two rows of the statement with the same
// order, code, colour, size, description, sales order, customer invoice,
// ICMS and IPI rates, batch and pack print as one line.
std::string nota_item_key(const TClientDataSet& row);

// The printed description of the current row: ITEM_DESCRICAO, the product's
// (TIPO_IT "P") or material's ("M") second description, " - Cor: " colour
// and its name, " - Tam: " size, " - Lote: " batch, the pack, the packages
// (quantity / package weight, with the packing's name) and the order item's
// observation; each part only when it has a value.
std::string nota_item_descricao(const TClientDataSet& row);

// The printed code of the current row: the product's or material's second
// code when the invoice is of kind NOTA_TIPFAT "2" (invoiced under the
// customer's codes) and the item has one, else ITEM_CODIGO.
std::string nota_item_codigo(const TClientDataSet& row);

// Runs the invoice statement of `Fatura` (bound) on `Query` and fills
// `cdsNota` (closed and rebuilt) with its rows, merging the lines of the same
// key: value, quantities, volumes, the IPI, PIS, COFINS and ICMS bases and the
// line's ST, FCP, rate-difference and discount amounts are added to the cent,
// and ITEM_VAL_ICMS is base × rate / 100 to the cent.
// Adds ITEM_DESCRICAO2, ITEM_CODIGO2, ITEM_CODIGO_ORIG, ITEM_BARRA,
// ITEM_BARRACLI, ITEM_VAL_ICMS, PEDIDO_COND_PAGTO and ITEN_INSTRUCAO, and
// numbers the lines in ITEM_NR_ITEM. Returns the number of rows: 0 when the
// invoice does not exist.
int MontaDataSetNota(TTIQuery& Query, TClientDataSet& cdsNota, std::string_view Fatura,
                     NotaOrdem Ordem = NotaOrdem::by_code);

}  // namespace zpk
