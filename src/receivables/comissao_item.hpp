// The commission rules of sales orders: the percentage a representative earns
// on one item (by discount band, payment term, region and how specifically a
// rule names the item), and the recalculation of a whole order.
#pragma once

#include <string_view>

namespace zpk {

// The percentage of the first rule found, trying eleven levels from the most
// specific (region and product) to the least (brand alone); within a level the
// rule with the lowest DESC_DE wins, and a level whose winner has 0 passes on
// to the next. 0 when no level gives one. Raises EDatabaseError.
double BuscarComissaoItem(std::string_view CodRep, std::string_view Regiao, std::string_view Produto,
                          std::string_view Grupo, std::string_view Linha, std::string_view Marca,
                          double Desconto, int Prazo);

// Writes the rules' percentage on every item of order Numero that has none,
// stores the order's average percentage (by FIN 10: as COM1, COM2 or both) on
// the main representative's row of the order's split and on the order, logs
// the adjustment and commits; all or nothing. An order that does not exist is
// told in an information box. Raises EDatabaseError, writing nothing.
void RecalcularComissaoPedido(std::string_view Numero);

}  // namespace zpk
