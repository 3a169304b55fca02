// `zpk call` entries for the size grids. The slots are a var given as "-" and
// printed one line per slot in use after the call; a range is chosen with the
// property Faixa=CODE (what setFaixa receives), e.g.
//   zpk call --db X Busca_Array_Faixa - Faixa=GR01
//   zpk call --db X Monta_Cabecalho "SELECT TAM FROM TABTAM_001 ORDER BY ACRESCIMO"
#include <memory>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "inventory/grade_faixa.hpp"
#include "inventory/grade_tam.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/tabela.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {

// The size slots: only "-" (the routine fills them); printed one
// "Tab[n]=tam|Posicao|qtde|total" line per slot with a size.
template <>
struct ArgType<TTabTam> : ArgTypeBase<ArgType<TTabTam>, TTabTam> {
  static TTabTam read(std::string_view name, const std::string& text) {
    throw EConvertError(
        fmt::format("{}: the size slots are filled by the routine, give - (got '{}')", name, text));
  }
  static void print(std::ostream& out, const std::string& name, const TTabTam& tab) {
    for (size_t i = 0; i < tab.size(); ++i) {
      const T_TabTam& slot = tab[i];
      if (slot.tam.empty()) continue;
      print_var(out, fmt::format("{}[{}]", name, i + 1),
                fmt::format("{}|{}|{}|{}", slot.tam, slot.Posicao, number_text(slot.qtde),
                            number_text(slot.total)));
    }
  }
  static std::string sample() { return "-"; }
};

// An open query: the text is a statement run on the call's connection.
struct QueryArgument {
  std::string sql;
  std::unique_ptr<TTIQuery> query;
};

template <>
struct ArgType<TTIQuery> : ArgTypeBase<ArgType<TTIQuery>, QueryArgument> {
  static QueryArgument read(std::string_view, const std::string& text) {
    return QueryArgument{text, nullptr};
  }
  // Opens the statement on the call's connection.
  static TTIQuery& pass(QueryArgument& s) {
    if (s.sql.empty()) throw EZpkError("the query argument needs a SELECT statement with a TAM column");
    s.query = std::make_unique<TTIQuery>(Tabela.IBDatabase);
    s.query->SQL.Add(s.sql);
    s.query->Open();
    return *s.query;
  }
  static void print(std::ostream& out, const std::string&, const QueryArgument& s) {
    if (s.query) print_var(out, "RecordCount", std::to_string(s.query->RecordCount()));
  }
  static std::string sample() { return "SELECT TAM FROM TABTAM_001"; }
};

template <>
struct CallClass<TGradeTam> {
  static const char* name() { return "TGradeTam"; }
  static const PropertyTable<TGradeTam>& properties() {
    static const PropertyTable<TGradeTam> kTable;
    return kTable;
  }
  static void report(std::ostream& out, const TGradeTam& g) {
    print_var(out, "Cabecalho", g.Cabecalho);
    print_var(out, "sizes_found", std::to_string(g.sizes_found));
  }
};

namespace {

// TGradeFaixa as the command line builds it: the range to load is a property.
struct GradeFaixaCall : TGradeFaixa {
  std::string Faixa;
};

}  // namespace

template <>
struct CallClass<GradeFaixaCall> {
  static const char* name() { return "TGradeFaixa"; }
  static const PropertyTable<GradeFaixaCall>& properties() {
    static const PropertyTable<GradeFaixaCall> kTable = [] {
      PropertyTable<GradeFaixaCall> t;
      t.add("Faixa", &GradeFaixaCall::Faixa);
      return t;
    }();
    return kTable;
  }
  static void report(std::ostream& out, const GradeFaixaCall& g) {
    print_var(out, "Ult", std::to_string(g.getUlt()));
    print_var(out, "Tamanho", std::to_string(g.getTamanho()));
    print_var(out, "Cabecalho", g.getCabecalho());
  }
};

namespace {

const bool registered = [] {
  register_routine(ZPK_METHOD(TGradeTam, Busca_Tamanhos)).uses_database();
  register_routine(ZPK_METHOD(TGradeTam, Monta_Cabecalho), {"Query"}).uses_database();
  register_routine(ZPK_METHOD(TGradeTam, Busca_Array_Tamanhos), {"Tab"}).uses_database();
  register_routine(
      make_routine("Busca_Array_Faixa",
                   static_cast<void (GradeFaixaCall::*)(TTabTam&)>(&TGradeFaixa::Busca_Array_Faixa),
                   [](GradeFaixaCall& o, TTabTam& Tab) {
                     o.setFaixa(o.Faixa);
                     o.Busca_Array_Faixa(Tab);
                   }),
      {"Tab"})
      .uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
