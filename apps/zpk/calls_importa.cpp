// `zpk call` entries for the file import (TSisImporta). Properties follow the
// method's own arguments as NAME=value (Arquivo=, Modo=imSQL|imDataSet,
// Estoque=True, Qualidade=, Deposito=); Importar prints what it did:
//
//   zpk call --db x Importar Arquivo=mov.txt Estoque=True
//   zpk call --db x ValorPadrao PA_MOV DT_MVTO
//   zpk call CriaCampos "CODIGO COR   QTDE" -
//   zpk call --db x ValorCampo "1,7,CODIGO;8,6,COR" PA_MOV CODIGO,COR "A1     01" False
//
// Column positions are written "ini,fim,campo" separated by ";".
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "inventory/sis_importa.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {

template <>
struct EnumNames<TImpModo> {
  static constexpr std::array<std::string_view, 2> names{"imSQL", "imDataSet"};
  static std::optional<TImpModo> alias(std::string_view) { return std::nullopt; }
};

// Column positions: "ini,fim,campo;..." in, one "Posicoes=ini,fim,campo" line each out.
template <>
struct ArgType<TPosicoes> : ArgTypeBase<ArgType<TPosicoes>, TPosicoes> {
  static TPosicoes read(std::string_view name, const std::string& text) {
    TPosicoes out;
    for (const std::string& item : SplitText(text, ";")) {
      if (Trim(item).empty()) continue;
      const std::vector<std::string> parts = SplitText(item, ",");
      int ini = 0, fim = 0;
      if (parts.size() != 3 || !TryStrToInt(Trim(parts[0]), ini) || !TryStrToInt(Trim(parts[1]), fim)) {
        throw EConvertError(fmt::format("{}: '{}' is not ini,fim,campo", name, item));
      }
      out.push_back({ini, fim, Trim(parts[2])});
    }
    return out;
  }
  static void print(std::ostream& out, const std::string& name, const TPosicoes& columns) {
    for (const TPosicao& p : columns) print_var(out, name, fmt::format("{},{},{}", p.ini, p.fim, p.campo));
  }
  static std::string sample() { return "1,7,CODIGO"; }
};

template <>
struct CallClass<TSisImporta> {
  static const char* name() { return "TSisImporta"; }

  static const PropertyTable<TSisImporta>& properties() {
    static const PropertyTable<TSisImporta> kTable = [] {
      PropertyTable<TSisImporta> t;
      t.add("Arquivo", &TSisImporta::Arquivo)
          .add("Modo", &TSisImporta::Modo)
          .add("Estoque", &TSisImporta::Estoque)
          .add("Qualidade", &TSisImporta::Qualidade)
          .add("Deposito", &TSisImporta::Deposito);
      return t;
    }();
    return kTable;
  }

  // What the import did, and each line it skipped.
  static void report(std::ostream& out, const TSisImporta& imp) {
    print_var(out, "Inseridos", std::to_string(imp.inserted()));
    print_var(out, "Alterados", std::to_string(imp.changed()));
    print_var(out, "Ignorados", std::to_string(imp.skipped()));
    for (const ImportLineError& e : imp.errors())
      print_var(out, "Erro", fmt::format("{}: {}", e.linha, e.mensagem));
  }
};

namespace {

const bool registered = [] {
  // Importar commits every line itself.
  register_routine(ZPK_METHOD(TSisImporta, Importar)).uses_database();
  register_routine(ZPK_METHOD(TSisImporta, ValorPadrao), {"Tabela", "Campo"}).uses_database();
  register_routine(ZPK_METHOD(TSisImporta, ValorCampo), {"Posicoes", "Tabela", "Campos", "Linha", "Blob"})
      .uses_database();
  register_routine(ZPK_METHOD(TSisImporta, CriaCampos), {"Linha", "Posicoes"});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
