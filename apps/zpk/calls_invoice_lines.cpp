// `zpk call` entries for the invoice's message set, its standing and stored
// lines and the address notes. A message set is given as lines separated by
// ";", each "Ordem|Tipo|TipoVal|Preco|Valor|Subtotal|Descricao[|Gravar]"
// (numbers with a decimal point), or "-" for an empty one; after the routine
// each of its lines is printed as TbMensagem=... in the same form, e.g.
//   zpk call DescontoAcrescimo "1|A|P|10|0|S|ACRESCIMO;2|D|P|10|0|N|DESCONTO" 100 -
#include <memory>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "billing/empenho.hpp"
#include "billing/mensagens_nota.hpp"
#include "billing/nfe_text.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {

// A message set: built from its lines, created empty for "-".
template <>
struct ArgType<TClientDataSet> : ArgTypeBase<ArgType<TClientDataSet>, std::shared_ptr<TClientDataSet>> {
  static std::shared_ptr<TClientDataSet> read(std::string_view name, const std::string& text) {
    auto set = std::make_shared<TClientDataSet>("TbMensagem");
    create_message_set(*set);
    for (const std::string& line : SplitText(text, ";")) {
      if (Trim(line).empty()) continue;
      const std::vector<std::string> f = SplitText(line, "|");
      if (f.size() < 7 || f.size() > 8) {
        throw EConvertError(fmt::format(
            "{}: '{}' is not Ordem|Tipo|TipoVal|Preco|Valor|Subtotal|Descricao[|Gravar]", name, line));
      }
      set->Append();
      set->FieldByName("Ordem").AsInteger = read_int(name, f[0]);
      set->FieldByName("Codigo").AsString = std::string(kCodigoMensagem);
      set->FieldByName("Tipo").AsString = f[1];
      set->FieldByName("TipoVal").AsString = f[2];
      set->FieldByName("Preco").AsFloat = read_number(name, f[3]);
      set->FieldByName("Valor").AsFloat = read_number(name, f[4]);
      set->FieldByName("Subtotal").AsString = f[5];
      set->FieldByName("Descricao").AsString = f[6];
      set->FieldByName("Gravar").AsString = f.size() > 7 ? f[7] : "S";
      set->Post();
    }
    return set;
  }
  static TClientDataSet& pass(std::shared_ptr<TClientDataSet>& s) {
    if (!s) {
      s = std::make_shared<TClientDataSet>("TbMensagem");
      create_message_set(*s);
    }
    return *s;
  }
  static void print(std::ostream& out, const std::string& name, const std::shared_ptr<TClientDataSet>& s) {
    if (!s || !s->Active()) return;
    s->Filtered = false;
    for (s->First(); !s->Eof(); s->Next()) {
      const auto f = [&s](const char* field) { return s->FieldByName(field).AsString(); };
      print_var(out, name,
                fmt::format("{}|{}|{}|{}|{}|{}|{}|{}", f("Ordem"), f("Tipo"), f("TipoVal"),
                            number_text(s->FieldByName("Preco").AsFloat()),
                            number_text(s->FieldByName("Valor").AsFloat()), f("Subtotal"), f("Descricao"),
                            f("Gravar")));
    }
  }
  static std::string sample() { return "1|D|P|10|0|S|DESCONTO"; }
};

// A query variable the routine does not use: any text stands for none.
template <>
struct ArgType<TTIQuery*> : ArgTypeBase<ArgType<TTIQuery*>, TTIQuery*> {
  static TTIQuery* read(std::string_view, const std::string&) { return nullptr; }
  static std::string sample() { return "-"; }
};

namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(AddMenssagemSIMPLES),
                   {"Valor", "ValorIcms", "Natureza", "CodCli", "Data", "TbMensagem"})
      .uses_database();
  register_routine(ZPK_ROUTINE(AddMenssagemFCI),
                   {"TbMensagem", "Codigo", "Origem", "Tipo", "Cor", "Ordem", "Quantidade"})
      .uses_database();
  register_routine(ZPK_ROUTINE(BuscaNrFCI), {"Tipo", "Codigo", "Origem", "Cor", "Percentual"})
      .uses_database();
  register_routine(ZPK_ROUTINE(AddObservacaoItem), {"TbMensagem", "Ordem", "Texto"});
  register_routine(ZPK_ROUTINE(ObsProdutoNFe), {"Fatura", "Serie", "Descricao", "Observacao", "OrdPed"})
      .uses_database();
  register_routine(ZPK_ROUTINE(NaturezaExp), {"CFOP"});
  register_routine(ZPK_ROUTINE(DescontoAcrescimo), {"TbMensagem", "Valor", "DescAcres"});
  register_routine(ZPK_ROUTINE(LimpaCaracterNFe), {"Texto", "SomenteNumeros"});
  register_routine(ZPK_ROUTINE(Grava_Empenho), {"Qry", "TbMensagem", "CodCli", "Texto"})
      .uses_database()
      .commits();
  register_routine(ZPK_ROUTINE(Transfere_Empenho), {"Qry", "TbMensagem", "CodCli", "Texto"}).uses_database();
  register_routine(ZPK_ROUTINE(GravaEmpenhoNota), {"TbMensagem", "Valor", "Fatura", "Sufixo", "Database"})
      .uses_database()
      .commits();
  register_routine(ZPK_ROUTINE(AddEnderecoEntrega), {"Qry", "TbMensagem", "Texto", "CodCli"}).uses_database();
  register_routine(ZPK_ROUTINE(AddEnderecoCobranca), {"Qry", "TbMensagem", "Texto", "CodCli"})
      .uses_database();
  return true;
}();

}  // namespace
}  // namespace zpk::cli
