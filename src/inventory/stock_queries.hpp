// The stock look-ups the screens call: an item's balance, the average cost an
// entry would give, conversions between units of measure, the last purchase
// price and the price to propose, and the checks that refuse to delete a
// material or product still referenced elsewhere. None of them writes.
#pragma once

#include <string>
#include <string_view>

namespace zpk {

// The balance of a product item (Origem "P", from PA_ITEN) or of a material
// item (any other Origem, from MAT_ITEN; Tam and Tipo take no part); an empty
// Lote, Deposito or Tipo (the quality) adds up every row. 0 when no row.
double QtdeEstoque(std::string_view Codigo, std::string_view Cor, std::string_view Tam, std::string_view Lote,
                   std::string_view Deposito, std::string_view Tipo, std::string_view Origem);

// The product's average cost after an entry of Qtde (in Unidade) at Preco,
// over its balance of colour Cor, with four decimals; Operacao takes no part.
// 0 when nothing is in stock and the entry's quantity is 0.
double CalculaPrecoMedio(std::string_view Codigo, std::string_view Unidade, std::string_view Cor,
                         std::string_view Operacao, double Qtde, double Preco);

// Qtde converted from UnOrigem to UnDestino through UNIDADE.QTDE, and in
// UnResultado the unit of the result. Equal or empty units, or a destination
// that is not registered, give Qtde; a unit counting 0 or unknown counts 1.
double ConverteUnidade(std::string_view UnOrigem, std::string_view UnDestino, std::string& UnResultado,
                       double Qtde);

// Qtde in base units: times the material's DIVISOR (purchasing parameter
// COM 30 "S", Tipo "M") or else the unit's QTDE; Qtde itself when that gives
// 0 or less.
double QuantidadeConv(std::string_view Codigo, std::string_view Unidade, std::string_view Tipo, double Qtde);

// Qtde in purchase units: divided by the same factor as QuantidadeConv; Qtde
// itself when the factor or the result is 0 or less.
double QtdeUnCompra(std::string_view Codigo, std::string_view Unidade, std::string_view Tipo, double Qtde);

// The material's price from the supplier: its price list entry when above 0,
// else the value on the latest purchase invoice (nature of type "V"), with
// five decimals; 0 when neither exists.
double Ultimo_Preco(std::string_view Codigo, std::string_view Fornecedor);

// The price to propose: with Tinturaria "S" the dye house's price for the
// article (and colour) or its price list entry; else Ultimo_Preco, falling
// back to the material's (Tipo "M") or product's (other than "S") register price.
double Busca_Preco(std::string_view Codigo, std::string_view Fornecedor, std::string_view Cor,
                   std::string_view Tipo, std::string_view Tinturaria);

// True when nothing refers to the material; otherwise every reason is shown
// at once in an information box ("ZELVO Sistemas") and the result is false.
bool ValidaExclusaoMaterial(std::string_view Codigo);

// True when no order item, technical sheet or balance row refers to the
// product; otherwise the first reason is shown in a message box and false.
bool ValidaExclusaoProduto(std::string_view Codigo);

}  // namespace zpk
