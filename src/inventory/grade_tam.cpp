#include "inventory/grade_tam.hpp"

#include "documents/text_helpers.hpp"
#include "foundation/lookups.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

namespace {

// Width of a size column in the heading, and how many columns it holds: the
// printed layouts reserve 144 characters after the leading blank.
constexpr int kColuna = 6;
constexpr int kLarguraCabecalho = 144;

}  // namespace

void TGradeTam::Busca_Tamanhos() {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("select tam from " + DBLocal("tabtam") + " where tam is not null AND TAM <> " + "''" +
            " order by acrescimo ");
  q.Open();
  Monta_Cabecalho(q);
  q.Close();
}

void TGradeTam::Monta_Cabecalho(TTIQuery& Query) {
  sizes_found = 0;
  std::string linha;
  for (Query.First(); !Query.Eof(); Query.Next()) {
    linha += LeftPad(Copy(Query.FieldByName("TAM").AsString(), 1, kColuna), U' ', kColuna);
  }
  Cabecalho = " " + Copy(linha, 1, kLarguraCabecalho);
}

void TGradeTam::Busca_Array_Tamanhos(TTabTam& Tab) {
  sizes_found = 0;
  Busca_Tamanhos();
  const int colunas = Length(Cabecalho) / kColuna + 1;
  for (int i = 1; i <= colunas && sizes_found < static_cast<int>(Tab.size()); ++i) {
    const std::string s = Copy(Trim(Copy(Cabecalho, kColuna * i - 4, kColuna)), 1, 5);
    if (s.empty()) continue;
    Tab[static_cast<size_t>(sizes_found)].tam = Copy(LeftPad(s, U' ', 4), 1, 4);
    ++sizes_found;
  }
}

}  // namespace zpk
