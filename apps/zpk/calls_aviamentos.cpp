// `zpk call` entry for the trims requirement list. The dataset argument picks
// how the result is printed: "-" (or "table") an aligned table, "csv" CSV with
// a header line. The selection fields are properties; the six date bounds
// default to 01/01/1900 and 12/31/2999, so that only the limits a caller
// gives restrict the orders, e.g.
//   zpk call --db X Executa csv ListaPedidos="'AV0001','AV0002'"
#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "inventory/exp_aviamentos.hpp"
#include "platform/dataset/client_dataset.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {

// The requirement list as a parameter of its own: other entries read a
// TClientDataSet argument differently (message sets), and one program may
// hold only one reading per parameter type.
struct RequisitosDataSet : TClientDataSet {};

// A dataset the routine fills, and the form it is printed in.
struct DataSetArgument {
  std::unique_ptr<RequisitosDataSet> dataset = std::make_unique<RequisitosDataSet>();
  bool csv = false;
};

namespace {

// A field's value as printed: numbers with a decimal point, null empty.
std::string field_text(TField& f) {
  if (f.IsNull()) return "";
  if (f.DataType() == ftFloat || f.DataType() == ftCurrency || f.DataType() == ftInteger) {
    return number_text(f.AsFloat());
  }
  return f.AsString();
}

// A CSV cell: quoted when it holds a separator, a quote or a line break.
std::string csv_cell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    quoted.push_back(c);
    if (c == '"') quoted.push_back('"');
  }
  return quoted + "\"";
}

}  // namespace

template <>
struct ArgType<RequisitosDataSet> : ArgTypeBase<ArgType<RequisitosDataSet>, DataSetArgument> {
  static DataSetArgument read(std::string_view name, const std::string& text) {
    DataSetArgument s;
    if (SameText(text, "csv")) {
      s.csv = true;
    } else if (!SameText(text, "table")) {
      throw EConvertError(fmt::format("{}: give -, table or csv (got '{}')", name, text));
    }
    return s;
  }
  static RequisitosDataSet& pass(DataSetArgument& s) { return *s.dataset; }
  // Every record in the dataset's order, after a header of the field names.
  static void print(std::ostream& out, const std::string&, const DataSetArgument& s) {
    TClientDataSet& ds = *s.dataset;
    if (!ds.Active()) return;
    std::vector<std::vector<std::string>> rows(1);
    for (int i = 0; i < ds.FieldCount(); ++i) rows[0].push_back(ds.Fields(i).FieldName());
    for (ds.First(); !ds.Eof(); ds.Next()) {
      auto& row = rows.emplace_back();
      for (int i = 0; i < ds.FieldCount(); ++i) row.push_back(field_text(ds.Fields(i)));
    }
    if (s.csv) {
      for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) line += (i > 0 ? "," : "") + csv_cell(row[i]);
        out << line << '\n';
      }
      return;
    }
    // Texts left-aligned, numbers right-aligned, each column as wide as its widest cell.
    std::vector<int> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
      for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Length(row[i]));
    }
    for (const auto& row : rows) {
      std::string line;
      for (size_t i = 0; i < row.size(); ++i) {
        const bool numero = ds.Fields(static_cast<int>(i)).DataType() == ftFloat;
        const std::string pad(static_cast<size_t>(widths[i] - Length(row[i])), ' ');
        line += (i > 0 ? "  " : "") + (numero ? pad + row[i] : row[i] + pad);
      }
      out << TrimRight(line) << '\n';
    }
  }
  static std::string sample() { return "-"; }
};

namespace {

// The dataset the object is built on (a member built before the object).
struct DataSetHolder {
  TClientDataSet Dados;
};

// TExpAviamentos as the command line builds it, with wide date limits.
struct ExpAviamentosCall : DataSetHolder, TExpAviamentos {
  ExpAviamentosCall() : TExpAviamentos(Dados) {
    EmissaoIni = EntregaIni = FaturaIni = "01/01/1900";
    EmissaoFim = EntregaFim = FaturaFim = "12/31/2999";
  }
};

}  // namespace

template <>
struct CallClass<ExpAviamentosCall> {
  static const char* name() { return "TExpAviamentos"; }
  static const PropertyTable<ExpAviamentosCall>& properties() {
    static const PropertyTable<ExpAviamentosCall> kTable = [] {
      using C = ExpAviamentosCall;
      PropertyTable<C> t;
      t.add<std::string>("PedidoIni", &C::PedidoIni)
          .add<std::string>("PedidoFim", &C::PedidoFim)
          .add<std::string>("EmissaoIni", &C::EmissaoIni)
          .add<std::string>("EmissaoFim", &C::EmissaoFim)
          .add<std::string>("EntregaIni", &C::EntregaIni)
          .add<std::string>("EntregaFim", &C::EntregaFim)
          .add<std::string>("FaturaIni", &C::FaturaIni)
          .add<std::string>("FaturaFim", &C::FaturaFim)
          .add<std::string>("ListaPedidos", &C::ListaPedidos)
          .add<std::string>("PedidoUnico", &C::PedidoUnico)
          .add<std::string>("PedidoCliente", &C::PedidoCliente)
          .add<std::string>("CodProduto", &C::CodProduto)
          .add<double>("PercAcrescimo", &C::PercAcrescimo)
          .add<int>("TipoQtde", &C::TipoQtde);
      return t;
    }();
    return kTable;
  }
  static void report(std::ostream&, const ExpAviamentosCall&) {}
};

namespace {

const bool registered = [] {
  // The dataset given is re-created with the requirement fields (what the
  // constructor does to the caller's dataset), then filled.
  register_routine(
      make_routine("Executa",
                   static_cast<void (ExpAviamentosCall::*)(RequisitosDataSet&)>(nullptr),
                   [](ExpAviamentosCall& o, RequisitosDataSet& DataSet) {
                     TExpAviamentos campos(DataSet);
                     o.Executa(DataSet);
                   }),
      {"DataSet"})
      .uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
