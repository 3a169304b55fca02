// `zpk call` entries for dye-recipe costing:
//
//   zpk call --db x CustoReceita RC-ART1 RC-MAR RC-V40 R
//   zpk call --db x CalculaQtdeRegra RC-ART1 RC-V40 RC-SAL 0 0 0 "" "" ""
//   zpk call --db x CalculaPercRegra RC-MIX RC-G1
//   zpk call --db x RecalculaReceitas RC-UMECT "" "" - -
//
// RecalculaReceitas's Log and Progresso stand for a screen's memo and progress
// bar: "-" gives one (the log's lines are printed after the result, the bar
// is drawn on stderr), "nil" or leaving them off gives none.
#include "planning/receita.hpp"
#include "planning/regras_dosagem.hpp"
#include "platform/ui/progress_bar.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {

// A log the routine fills, printed one Log=line per line after the result.
template <>
struct ArgType<std::vector<std::string>*>
    : ArgTypeBase<ArgType<std::vector<std::string>*>, std::optional<std::vector<std::string>>> {
  static constexpr bool kFills = true;
  static std::optional<std::vector<std::string>> read(std::string_view, const std::string& text) {
    if (text == "nil") return std::nullopt;
    return std::vector<std::string>{};
  }
  static std::vector<std::string>* pass(std::optional<std::vector<std::string>>& s) {
    return s ? &*s : nullptr;
  }
  static void print(std::ostream& out, const std::string& name,
                    const std::optional<std::vector<std::string>>& s) {
    if (s) {
      for (const std::string& line : *s) print_var(out, name, line);
    }
  }
  static std::string sample() { return "-"; }
};

// A progress bar shown through the dialog port (stderr on the command line).
template <>
struct ArgType<TProgressBar*> : ArgTypeBase<ArgType<TProgressBar*>, std::shared_ptr<TProgressBar>> {
  static std::shared_ptr<TProgressBar> read(std::string_view, const std::string& text) {
    if (text == "nil") return nullptr;
    return std::make_shared<TProgressBar>("Receitas");
  }
  static TProgressBar* pass(const std::shared_ptr<TProgressBar>& s) { return s.get(); }
  static void print(std::ostream&, const std::string&, const std::shared_ptr<TProgressBar>&) {}
  static std::string sample() { return "-"; }
};

namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(CustoReceita), {"Codigo", "Cor", "Variante", "TipoPreco"}).uses_database();
  register_routine(ZPK_ROUTINE(CalculaQtdeRegra),
                   {"Receita", "Variante", "Regra", "Perc1", "Perc2", "QtdeM", "LinhaM", "LinhaP", "LinhaC"})
      .uses_database();
  register_routine(ZPK_ROUTINE(CalculaPercRegra), {"Material", "Regra"}).uses_database();
  register_routine(ZPK_ROUTINE(RecalculaReceitas),
                   {"Material", "Variante", "Preparacoes", "Log", "Progresso"})
      .uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
