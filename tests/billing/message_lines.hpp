// Message sets for the invoice-line tests: built from a table of lines, and
// read back as one text per line, so a test states both sides as data.
#pragma once

#include <string>
#include <vector>

#include "billing/mensagens_nota.hpp"
#include "platform/dataset/client_dataset.hpp"
#include "platform/rtl/numbers.hpp"

namespace zpk::test {

struct MessageLine {
  int ordem;
  std::string tipo;
  std::string tipo_val;
  double preco;
  double valor;
  std::string subtotal;
  std::string descricao;
  std::string gravar = "S";
};

// Fills `set` (created afresh, with the Gravar field) with `lines`.
inline void fill_message_set(TClientDataSet& set, const std::vector<MessageLine>& lines) {
  create_message_set(set);
  for (const MessageLine& l : lines) {
    set.Append();
    set.FieldByName("Ordem").AsInteger = l.ordem;
    set.FieldByName("Codigo").AsString = std::string(kCodigoMensagem);
    set.FieldByName("Tipo").AsString = l.tipo;
    set.FieldByName("TipoVal").AsString = l.tipo_val;
    set.FieldByName("Preco").AsFloat = l.preco;
    set.FieldByName("Valor").AsFloat = l.valor;
    set.FieldByName("Subtotal").AsString = l.subtotal;
    set.FieldByName("Descricao").AsString = l.descricao;
    set.FieldByName("Gravar").AsString = l.gravar;
    set.Post();
  }
}

// Every visible line as "Ordem|Codigo|Tipo|TipoVal|Preco|Valor|Subtotal|Descricao|Gravar"
// (numbers with the decimal comma, two decimals); a missing Gravar field reads "-".
inline std::vector<std::string> message_lines(TClientDataSet& set) {
  std::vector<std::string> lines;
  TField* gravar = set.FindField("Gravar");
  for (set.First(); !set.Eof(); set.Next()) {
    const auto f = [&set](const char* name) { return set.FieldByName(name).AsString(); };
    lines.push_back(f("Ordem") + "|" + f("Codigo") + "|" + f("Tipo") + "|" + f("TipoVal") + "|" +
                    FormatFloat("0.00", set.FieldByName("Preco").AsFloat()) + "|" +
                    FormatFloat("0.00", set.FieldByName("Valor").AsFloat()) + "|" + f("Subtotal") + "|" +
                    f("Descricao") + "|" + (gravar != nullptr ? gravar->AsString() : std::string("-")));
  }
  return lines;
}

}  // namespace zpk::test
