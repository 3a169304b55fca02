// `zpk call` entry for the customer information pages. The query is the
// screen's own, so on the command line it is a "-" placeholder; after the
// call every row of the page is printed as Query[n] lines of COLUMN=value:
//
//   zpk call --db x BuscaInformacoesEstatisticas - TpieEstatistica 01/01/2025 31/12/2025 000851 1 0 False
#include <memory>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "platform/tabela/tabela.hpp"
#include "reporting/informacoes_cliente.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

// The page's query as the command line holds it.
struct PageQuery {
  std::shared_ptr<TTIQuery> query;
};

}  // namespace

template <>
struct EnumNames<TOpcaoInfEst> {
  static constexpr std::array<std::string_view, 7> names{"TpieTitulo",     "TpieEstatistica", "TpiePedido",
                                                         "TpieNotaFiscal", "TpieContato",     "TpieCheque",
                                                         "TpieVarejo"};
  static std::optional<TOpcaoInfEst> alias(std::string_view) { return std::nullopt; }
};

template <>
struct ArgType<PageQuery> : ArgTypeBase<ArgType<PageQuery>, PageQuery> {
  static PageQuery read(std::string_view, const std::string&) { return {}; }
  // Every row of the page, one line per row.
  static void print(std::ostream& out, const std::string& name, const PageQuery& s) {
    if (!s.query) return;
    TTIQuery& q = *s.query;
    print_var(out, "RecordCount", std::to_string(q.RecordCount()));
    int row = 0;
    for (q.First(); !q.Eof(); q.Next()) {
      std::string line;
      for (int i = 0; i < q.FieldCount(); ++i) {
        line += fmt::format("{}{}={}", i ? " " : "", q.Fields(i).FieldName(), q.Fields(i).AsString());
      }
      print_var(out, fmt::format("{}[{}]", name, ++row), line);
    }
  }
  static std::string sample() { return "-"; }
};

namespace {

// The routine on a query of the call's connection.
void page(PageQuery& Query, TOpcaoInfEst Opcao, TDateTime DataIni, TDateTime DataFim, std::string_view CodCli,
          int Abertos, int Ordem, bool TodasEmpresas) {
  Query.query = std::make_shared<TTIQuery>(Tabela.IBDatabase);
  BuscaInformacoesEstatisticas(*Query.query, Opcao, DataIni, DataFim, CodCli, Abertos, Ordem, TodasEmpresas);
}

const bool registered = [] {
  register_routine(make_routine("BuscaInformacoesEstatisticas", &page,
                                [](auto&&... a) -> decltype(page(a...)) { page(a...); }),
                   {"Query", "Opcao", "DataIni", "DataFim", "CodCli", "Abertos", "Ordem", "TodasEmpresas"})
      .uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
