// `zpk call` entry for invoice printing. The queries, the dataset and the
// report are the caller's components, so on the command line each is a "-"
// placeholder, except the report, whose argument may name a PDF file to write
// the prepared pages to. After the call the dataset's item lines and the
// report's pages and variables are printed:
//
//   zpk call --db x ImprimeNotaFiscal - - - var/nota.pdf 009001 WNOTA "" "" 0 0
#include <memory>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "platform/rtl/numbers.hpp"
#include "platform/tabela/tabela.hpp"
#include "reporting/imprime_nota_fiscal.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

// A query of the call's connection, made when the routine runs.
struct NotaQuery {
  std::shared_ptr<TTIQuery> query;
};

// The invoice dataset the routine fills.
struct NotaRows {
  std::shared_ptr<TClientDataSet> rows = std::make_shared<TClientDataSet>("NOTA");
};

// The report, and the PDF file its pages go to ("-": none).
struct NotaReport {
  std::shared_ptr<TprReport> report = std::make_shared<TprReport>();
  std::string pdf;
};

}  // namespace

template <>
struct ArgType<NotaQuery> : ArgTypeBase<ArgType<NotaQuery>, NotaQuery> {
  static NotaQuery read(std::string_view, const std::string&) { return {}; }
  static void print(std::ostream&, const std::string&, const NotaQuery&) {}
  static std::string sample() { return "-"; }
};

template <>
struct ArgType<NotaRows> : ArgTypeBase<ArgType<NotaRows>, NotaRows> {
  static NotaRows read(std::string_view, const std::string&) { return {}; }
  // One line per item line: number, printed code and description, quantity, value, ICMS.
  static void print(std::ostream& out, const std::string& name, const NotaRows& s) {
    TClientDataSet& cds = *s.rows;
    if (!cds.Active()) return;
    print_var(out, "RecordCount", std::to_string(cds.RecordCount()));
    for (cds.First(); !cds.Eof(); cds.Next()) {
      const auto money = [&cds](const char* field) {
        return FormatFloat("0.00", cds.FieldByName(field).AsFloat);
      };
      print_var(out, fmt::format("{}[{}]", name, std::string(cds.FieldByName("ITEM_NR_ITEM").AsString)),
                fmt::format("{}|{}|{}|{}|{}|{}", std::string(cds.FieldByName("ITEM_CODIGO2").AsString),
                            std::string(cds.FieldByName("ITEM_DESCRICAO2").AsString),
                            FormatFloat("0.0000", cds.FieldByName("ITEM_QTDE").AsFloat), money("ITEM_VALOR"),
                            money("ITEM_BASE_ICMS"), money("ITEM_VAL_ICMS")));
    }
  }
  static std::string sample() { return "-"; }
};

template <>
struct ArgType<NotaReport> : ArgTypeBase<ArgType<NotaReport>, NotaReport> {
  static NotaReport read(std::string_view, const std::string& text) {
    NotaReport r;
    if (text != "-") r.pdf = text;
    return r;
  }
  // The pages prepared, the variables set, and the PDF written.
  static void print(std::ostream& out, const std::string& name, const NotaReport& s) {
    print_var(out, name + ".Pages", std::to_string(s.report->GetEndPagesCount()));
    for (int i = 0; i < s.report->Variables.Count(); ++i) {
      const TprVariable& v = s.report->Variables.Items(i);
      print_var(out, name + "." + v.Name, v.Value().AsString());
    }
    if (!s.pdf.empty() && s.report->GetEndPagesCount() > 0) {
      s.report->export_to_pdf(s.pdf);
      print_var(out, name + ".Pdf", s.pdf);
    }
  }
  static std::string sample() { return "-"; }
};

namespace {

// The routine on queries of the call's connection.
bool imprime(NotaQuery& Query, NotaQuery& Query2, NotaRows& cdsNota, NotaReport& Report,
             const std::string& Fatura, const std::string& Layout, const std::string& DadosAdicionais,
             const std::string& StatusDuplicata, int Ordem, int MaxPaginas) {
  Query.query = std::make_shared<TTIQuery>(Tabela.IBDatabase);
  Query2.query = std::make_shared<TTIQuery>(Tabela.IBDatabase);
  return ImprimeNotaFiscal(*Query.query, *Query2.query, *cdsNota.rows, *Report.report, Fatura, Layout,
                           DadosAdicionais, StatusDuplicata, Ordem, MaxPaginas);
}

const bool registered = [] {
  register_routine(make_routine("ImprimeNotaFiscal", &imprime,
                                [](auto&&... a) -> decltype(imprime(a...)) { return imprime(a...); }),
                   {"Query", "Query2", "cdsNota", "Report", "Fatura", "Layout", "DadosAdicionais",
                    "StatusDuplicata", "Ordem", "MaxPaginas"})
      .uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
