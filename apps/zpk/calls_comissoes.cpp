// `zpk call` entries for the commission rules and the commission split
// (TRecComissoes). A method's own arguments come first, then the object's
// properties as NAME=value (Tipo=ctVendas Codigo=CM520 CodCli=000601):
//
//   zpk call --db x BuscarComissaoItem R601 SUL TEC-001 01 01 "" 5 30
//   zpk call --db x RecalcularComissaoPedido CM520
//   zpk call --db x BuscaComissoes True Tipo=ctVendas Codigo=CM520 CodCli=000601 CodRep=R601
//   zpk call --db x GravarDados CM520/1 Tipo=ctFatPedido Codigo=CM520 CodRep=R601
//
// Each call works on a fresh object, so GravarDados, ValorTotalComissoes and
// ShowModal load the whole split first (BuscaComissoes(True)), as the
// invoicing and the screens do before them; GravarDados then commits.
#include <ostream>

#include "platform/rtl/numbers.hpp"
#include "receivables/comissao_item.hpp"
#include "receivables/rec_comissoes.hpp"
#include "routine_adapter.hpp"

namespace zpk {

// A fixed-point result prints like the other numbers (found through the
// argument's namespace).
[[maybe_unused]] static void print_result(std::ostream& out, Currency value) {
  out << cli::number_text(value.ToDouble()) << '\n';
}

namespace cli {

template <>
struct EnumNames<TComissoesTipo> {
  static constexpr std::array<std::string_view, 4> names{"ctCliente", "ctVendas", "ctFatPedido",
                                                         "ctDuplicata"};
  static std::optional<TComissoesTipo> alias(std::string_view) { return std::nullopt; }
};

template <>
struct CallClass<TRecComissoes> {
  static const char* name() { return "TRecComissoes"; }

  static const PropertyTable<TRecComissoes>& properties() {
    static const PropertyTable<TRecComissoes> kTable = [] {
      PropertyTable<TRecComissoes> t;
      t.add("Tipo", &TRecComissoes::FTipo)
          .add("Empresa", &TRecComissoes::FEmpresa)
          .add("Codigo", &TRecComissoes::FCodigo)
          .add("CodRep", &TRecComissoes::FCodRep)
          .add("CodRep2", &TRecComissoes::FCodRep2)
          .add("CodCli", &TRecComissoes::FCodCli)
          .add("Com1", &TRecComissoes::FCom1)
          .add("Com2", &TRecComissoes::FCom2)
          .add("Com3", &TRecComissoes::FCom3)
          .add("Com4", &TRecComissoes::FCom4);
      return t;
    }();
    return kTable;
  }

  // The code and one line per row of the split: CODREP;NOME;COM1;COM2;DT_COMISSAO;PRIMEIRO.
  static void report(std::ostream& out, const TRecComissoes& r) {
    print_var(out, "Codigo", r.FCodigo);
    auto& rows = const_cast<TRecComissoes&>(r).Comissoes();
    for (rows.First(); !rows.Eof(); rows.Next()) {
      print_var(out, "Comissoes",
                rows.FieldByName("CODREP").AsString() + ";" + rows.FieldByName("NOME").AsString() + ";" +
                    number_text(rows.FieldByName("COM1").AsFloat()) + ";" +
                    number_text(rows.FieldByName("COM2").AsFloat()) + ";" +
                    rows.FieldByName("DT_COMISSAO").AsString() + ";" +
                    (rows.FieldByName("PRIMEIRO").AsBoolean() ? "True" : "False"));
    }
  }
};

namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(BuscarComissaoItem),
                   {"CodRep", "Regiao", "Produto", "Grupo", "Linha", "Marca", "Desconto", "Prazo"})
      .uses_database();
  register_routine(ZPK_ROUTINE(RecalcularComissaoPedido), {"Numero"}).uses_database();
  register_routine(ZPK_METHOD(TRecComissoes, BuscaComissoes), {"Todos"}).uses_database();
  register_routine(make_routine("GravarDados", &TRecComissoes::GravarDados,
                                [](TRecComissoes& o, std::string_view NovoCodigo) {
                                  o.BuscaComissoes(true);
                                  o.GravarDados(NovoCodigo);
                                }),
                   {"NovoCodigo"})
      .uses_database()
      .commits();
  register_routine(make_routine("ValorTotalComissoes", &TRecComissoes::ValorTotalComissoes,
                                [](TRecComissoes& o) {
                                  o.BuscaComissoes(true);
                                  return o.ValorTotalComissoes();
                                }))
      .uses_database();
  register_routine(ZPK_METHOD(TRecComissoes, ShowModal)).uses_database();
  return true;
}();

}  // namespace
}  // namespace cli
}  // namespace zpk
