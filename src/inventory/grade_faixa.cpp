#include "inventory/grade_faixa.hpp"

#include "documents/text_helpers.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

namespace {

// The heading starts as a line of blanks this long; sizes are inserted into it.
constexpr int kLinhaCabecalho = 130;

}  // namespace

// No range code can be "@#$%", so the first call always reads the range.
TGradeFaixa::TGradeFaixa() : faixa_carregada_("@#$%") {}

void TGradeFaixa::setFaixa(std::string_view Codigo) {
  faixa_ = Copy(UpperCase(Codigo), 1, 4);
}

void TGradeFaixa::Busca_Array_Faixa(TTabTam& Tab) {
  // The caller keeps its slots and heading from the previous call.
  if (faixa_ == faixa_carregada_) return;

  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT FAIXA.TAMANHO, ITEM.TAMANHO AS TAM, ITEM.POSICAO");
  q.SQL.Add("FROM " + DBLocal("Faixa") + " Faixa ");
  q.SQL.Add("Inner join " + DBLocal("Faixa_Iten") + " Item on (Faixa.codigo = Item.Faixa) ");
  q.SQL.Add("WHERE upper(Faixa.codigo) = :CODIGO");
  q.SQL.Add("Group by FAIXA.TAMANHO, ITEM.TAMANHO, ITEM.POSICAO ");
  q.SQL.Add("Order by Item.Posicao");
  q.ParamByName("CODIGO").AsString = faixa_;
  q.Open();
  if (q.IsEmpty()) return;

  Tamanho = static_cast<int16_t>(q.FieldByName("TAMANHO").AsInteger());
  size_t n = 0;
  // The slots end at 30: sizes past the 30th position are not loaded.
  for (; !q.Eof() && n < Tab.size(); q.Next()) {
    T_TabTam& slot = Tab[n++];
    slot.tam = Copy(LeftPad(q.FieldByName("TAM").AsString(), U' ', 4), 1, 4);
    slot.Posicao = static_cast<uint8_t>(q.FieldByName("POSICAO").AsInteger());
    slot.qtde = 0;
    slot.total = 0;
  }
  faixa_carregada_ = faixa_;
  Ult = static_cast<uint8_t>(n);
  for (size_t i = n; i < Tab.size(); ++i) Tab[i] = T_TabTam{};

  std::string linha = StringOfChar(U' ', kLinhaCabecalho);
  for (size_t i = 0; i < n; ++i) {
    const std::string tam = Trim(Tab[i].tam);
    Insert(tam, linha, Tab[i].Posicao * Tamanho - Length(tam));
  }
  Cabecalho = " " + linha;
}

}  // namespace zpk
