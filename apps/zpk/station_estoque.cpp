// Workload "movimenta" of `zpk station`: one station's share of stock postings
// on items that other stations post to at the same time.
//
//   zpk station movimenta produto|material ITEM... --count N --station I --db host:path
//
// ITEM is CODIGO or CODIGO:COR. Movement i goes to item (i + I) mod the number
// of items; every fourth one is an exit (at the current average), the others
// are entries at a cost of 1 to 5. Each posting is committed on its own and
// printed as "E|S CODIGO COR QUANTITY", so a test can add up what was posted.
#include <string>
#include <vector>

#include <fmt/format.h>

#include "inventory/estoque.hpp"
#include "platform/rtl/errors.hpp"
#include "station.hpp"

namespace zpk::cli {
namespace {

struct Item {
  std::string codigo;
  std::string cor;
};

Item parse_item(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return {text, "0"};
  return {text.substr(0, colon), text.substr(colon + 1)};
}

void movimenta(StationContext& ctx) {
  if (ctx.args.size() < 2 || (ctx.args[0] != "produto" && ctx.args[0] != "material")) {
    throw EZpkError("movimenta: expected produto|material ITEM...");
  }
  const bool produto = ctx.args[0] == "produto";
  std::vector<Item> items;
  for (size_t i = 1; i < ctx.args.size(); ++i) items.push_back(parse_item(ctx.args[i]));

  for (int i = 0; i < ctx.count; ++i) {
    const Item& item = items[static_cast<size_t>(i + ctx.station) % items.size()];
    const bool saida = i % 4 == 3;
    // Quarters, so the sums are exact in the NUMERIC columns and in a double.
    const double quantidade = 0.25 * ((i * 7 + ctx.station * 3) % 13 + 1);
    TEstoque e;
    e.ECodigo = item.codigo;
    e.ECor = item.cor;
    e.EQuantidade = quantidade;
    e.ECusto = saida ? 0 : 1 + (i + ctx.station) % 5;
    e.EOperacao = saida ? TOperacaoEstoque::opSaida : TOperacaoEstoque::opEntrada;
    e.EDocumento = fmt::format("S{}-{}", ctx.station, i);
    if (produto) {
      e.MovimentaEstoqueProduto(true);
    } else {
      e.MovimentaEstoqueMaterial(true, true);
    }
    ctx.out << (saida ? "S " : "E ") << item.codigo << ' ' << item.cor << ' '
            << fmt::format("{:.2f}", quantidade) << '\n';
  }
}

const RegisterStationWorkload kMovimenta{"movimenta", {"produto|material ITEM...", movimenta}};

}  // namespace
}  // namespace zpk::cli
