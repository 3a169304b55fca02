// `zpk call` entries for the accounting composer (TContabil) and the
// apportionment by class. Each call builds a fresh composer, runs the method
// and prints what the work datasets then hold (posting=... and rateio=...
// lines), so a gathering rule can be tried from the shell; the property Valor
// (the running total) goes after the arguments as Valor=123.45. ItensRateio
// takes the invoice's items separated by "|" ("M;MAT01;40,00|S;SRV1;10,00"),
// or "-" for none. Forms of the host are answered with --answer.
//
//   zpk call --db x SetContabilidadeFiscal 000123 E 1101CT 000620 201 VF 1000 10/03/2026 -
//   zpk call --db x SetContabilidadeFinan L1 DOC 0001/1 000621 0620 + RR 101 0001 250 10/03/2026 - -
//   zpk call --db x SetRateioClasse 000123 201 DV 150 - False 0 True
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "accounting/rateio.hpp"
#include "accounting/tcontabil.hpp"
#include "platform/rtl/numbers.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {

// An invoice's item list, or none: items separated by "|", "-" for none.
template <>
struct ArgType<const std::vector<std::string>*>
    : ArgTypeBase<ArgType<const std::vector<std::string>*>, std::optional<std::vector<std::string>>> {
  static std::optional<std::vector<std::string>> read(std::string_view, const std::string& text) {
    if (text == "-") return std::nullopt;
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
      const size_t bar = text.find('|', start);
      items.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
    return items;
  }
  static const std::vector<std::string>* pass(const std::optional<std::vector<std::string>>& s) {
    return s ? &*s : nullptr;
  }
  static std::string sample() { return "-"; }
};

template <>
struct CallClass<TContabil> {
  static const char* name() { return "TContabil"; }

  static const PropertyTable<TContabil>& properties() {
    static const PropertyTable<TContabil> kTable = [] {
      PropertyTable<TContabil> t;
      t.add("Valor", &TContabil::Valor).add("MensErro", &TContabil::MensErro);
      return t;
    }();
    return kTable;
  }

  // The gathered postings and their cost-centre rows, one line each.
  static void report(std::ostream& out, const TContabil& c) {
    print_var(out, "Valor", FormatFloat("0.00", c.Valor));
    if (TbDadosContabeis == nullptr) return;
    TClientDataSet& t = *TbDadosContabeis;
    for (t.First(); !t.Eof(); t.Next()) {
      print_var(out, "posting",
                fmt::format("{} C={} D={} R={} {} {} {}", t.FieldByName("Numero").AsString(),
                            t.FieldByName("ContaC").AsString(), t.FieldByName("ContaD").AsString(),
                            t.FieldByName("ContaRat").AsString(),
                            FormatFloat("0.00", t.FieldByName("Valor").AsFloat()),
                            t.FieldByName("Tipo").AsString(), t.FieldByName("Observacao").AsString()));
    }
    TClientDataSet& cc = *TbContCentroCusto;
    for (cc.First(); !cc.Eof(); cc.Next()) {
      print_var(out, "rateio",
                fmt::format("{} {} {} {}% {}", cc.FieldByName("Ordem").AsString(),
                            cc.FieldByName("Conta").AsString(), cc.FieldByName("CentroCusto").AsString(),
                            FormatFloat("0.00", cc.FieldByName("Perc_Rat").AsFloat()),
                            FormatFloat("0.00", cc.FieldByName("Valor_Rat").AsFloat())));
    }
  }
};

namespace {

const bool registered = [] {
  register_routine(
      ZPK_METHOD(TContabil, SetContabilidadeFiscal),
      {"NotaFiscal", "Tipo", "Natureza", "Entidade", "Classe", "TipoValor", "Valor", "Data", "ItensRateio"})
      .uses_database();
  register_routine(ZPK_METHOD(TContabil, ExisteRateioContabilidade),
                   {"Tipo", "TipoValor", "NotaFiscal", "NatCont", "Entidade", "Classe", "ContaD", "ContaC",
                    "TipoNatureza", "Data", "Valor", "ItensRateio"})
      .uses_database();
  register_routine(ZPK_METHOD(TContabil, ConfirmaDadosContabilidade), {"vValorNF"}).uses_database();
  register_routine(ZPK_METHOD(TContabil, GravaContabilidadeFiscal), {"Lancamento", "Comita"})
      .uses_database()
      .commits();
  register_routine(ZPK_METHOD(TContabil, SetContabilidadeFinan),
                   {"Lancto", "Docto", "Numero", "EntidadeC", "EntidadeD", "Operacao", "Tipo", "Classe",
                    "Historico", "Valor", "Data", "Carteira", "Observacao"})
      .uses_database();
  register_routine(ZPK_METHOD(TContabil, GravaContabilidadeFinan)).uses_database().commits();
  register_routine(ZPK_METHOD(TContabil, GravaRaterioCentroCusto),
                   {"Conta", "Material", "Tipo", "TipoValor", "Valor"})
      .uses_database();
  register_routine(ZPK_METHOD(TContabil, BuscaRaterioCentroCusto), {"Numero", "TipoValor", "Ordem", "Valor"})
      .uses_database();
  register_routine(ZPK_METHOD(TContabil, AcertaValoresRateio), {"Total"}).uses_database();
  register_routine(ZPK_ROUTINE(SetRateioClasse), {"Numero", "Classe", "Tipo", "Valor", "NumeroAnt",
                                                  "BtnCancelar", "Data", "ConfirmaRateio"})
      .uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
