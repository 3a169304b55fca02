// Size grids on a real database: the heading of the company's size table and
// its slots (24 columns at most, sizes cut to their widths), and size ranges:
// slots, positions and heading at the range's width, the range code in upper
// case, a second load of the same range leaving the caller's slots alone, and
// a range with more sizes than slots stopping at the last slot.
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/lookups.hpp"
#include "inventory/grade_faixa.hpp"
#include "inventory/grade_tam.hpp"
#include "platform/rtl/strings.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

class GradeTam : public test::DatabaseTest {
 protected:
  // Replaces the size table with `tamanhos`, in that display order.
  static void tamanhos(const std::vector<std::string>& tamanhos) {
    test::exec("DELETE FROM " + DBLocal("TABTAM"));
    int ordem = 0;
    for (const std::string& t : tamanhos) {
      test::exec("INSERT INTO " + DBLocal("TABTAM") + " (TAM, ACRESCIMO) VALUES (?, ?)",
                 {Variant(t), Variant(int64_t{++ordem})});
    }
  }

  // A range `codigo` of column width `largura` with `tamanhos` at positions 1, 2, ...
  static void faixa(const std::string& codigo, int largura, const std::vector<std::string>& tamanhos) {
    test::exec("INSERT INTO " + DBLocal("FAIXA") + " (CODIGO, TAMANHO) VALUES (?, ?)",
               {Variant(codigo), Variant(int64_t{largura})});
    int posicao = 0;
    for (const std::string& t : tamanhos) {
      test::exec("INSERT INTO " + DBLocal("FAIXA_ITEN") + " (FAIXA, TAMANHO, POSICAO) VALUES (?, ?, ?)",
                 {Variant(codigo), Variant(t), Variant(int64_t{++posicao})});
    }
  }

  // A row of slots whose amounts show whether a routine touched them.
  static TTabTam marcado() {
    TTabTam tab;
    for (T_TabTam& slot : tab) {
      slot.tam = "x";
      slot.qtde = 7;
      slot.total = 9;
      slot.Posicao = 99;
    }
    return tab;
  }
};

TEST_F(GradeTam, HeadingAndSlotsOfTheSizeTable) {
  std::vector<std::string> trinta;
  for (int i = 1; i <= 30; ++i) trinta.push_back(fmt::format("T{}", i));
  std::string trinta_cabecalho;
  for (int i = 1; i <= 24; ++i) trinta_cabecalho += fmt::format("{:>6}", fmt::format("T{}", i));

  const struct {
    const char* caso;
    std::vector<std::string> tamanhos;
    std::string cabecalho;
    std::vector<std::string> slots;  // tam of the first slots; the rest keep "x"
  } kCases[] = {
      {"letters", {"PP", "P", "M", "GG"}, "     PP     P     M    GG", {"  PP", "   P", "   M", "  GG"}},
      // An empty size is skipped; a 7-character size is cut to 6 in the
      // heading, to 5 when read back and to 4 in its slot.
      {"long and empty", {"ABCDEFG", "", "123456"}, " ABCDEF123456", {"ABCD", "1234"}},
      {"thirty sizes", trinta, " " + trinta_cabecalho, {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caso);
    tamanhos(c.tamanhos);
    TGradeTam grade;
    grade.Busca_Tamanhos();
    EXPECT_EQ(grade.Cabecalho, c.cabecalho);

    TTabTam tab = marcado();
    grade.Busca_Array_Tamanhos(tab);
    std::vector<std::string> esperado = c.slots;
    if (esperado.empty()) {
      for (int i = 1; i <= 24; ++i)
        esperado.push_back(Copy(fmt::format("{:>4}", fmt::format("T{}", i)), 1, 4));
    }
    ASSERT_EQ(grade.sizes_found, static_cast<int>(esperado.size()));
    for (size_t i = 0; i < tab.size(); ++i) {
      EXPECT_EQ(tab[i].tam, i < esperado.size() ? esperado[i] : "x") << "slot " << i + 1;
      EXPECT_EQ(tab[i].qtde, 7);  // only the sizes are written
      EXPECT_EQ(tab[i].Posicao, 99);
    }
  }
}

TEST_F(GradeTam, MontaCabecalhoReadsAnyQueryWithATamColumn) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT 'XG' AS TAM FROM RDB$DATABASE UNION ALL SELECT '3' FROM RDB$DATABASE");
  q.Open();
  q.Last();
  TGradeTam grade;
  grade.Monta_Cabecalho(q);
  EXPECT_EQ(grade.Cabecalho, "     XG     3");
}

TEST_F(GradeTam, RangeLoadsSlotsAndHeadingAtItsWidth) {
  faixa("GRT1", 8, {"P", "M", "G", "GG"});
  TGradeFaixa grade;
  grade.setFaixa("grt1x");  // upper case, at most 4 characters
  TTabTam tab = marcado();
  grade.Busca_Array_Faixa(tab);

  EXPECT_EQ(grade.getUlt(), 4);
  EXPECT_EQ(grade.getTamanho(), 8);
  const char* const esperado[] = {"   P", "   M", "   G", "  GG"};
  for (size_t i = 0; i < tab.size(); ++i) {
    SCOPED_TRACE(i + 1);
    const bool carregado = i < std::size(esperado);
    EXPECT_EQ(tab[i].tam, carregado ? esperado[i] : "");
    EXPECT_EQ(tab[i].Posicao, carregado ? i + 1 : 0);
    EXPECT_EQ(tab[i].qtde, 0);
    EXPECT_EQ(tab[i].total, 0);
  }
  // Each size ends at its position times the width: P at 8, M at 16, G at 24, GG at 32.
  const std::string linha = std::string(6, ' ') + "P" + std::string(7, ' ') + "M" + std::string(7, ' ') +
                            "G" + std::string(6, ' ') + "GG" + std::string(104, ' ');
  EXPECT_EQ(grade.getCabecalho(), " " + linha);
}

TEST_F(GradeTam, SameRangeTwiceLeavesTheCallersSlotsAlone) {
  faixa("GRT2", 6, {"38", "40"});
  TGradeFaixa grade;
  grade.setFaixa("GRT2");
  TTabTam tab;
  grade.Busca_Array_Faixa(tab);
  tab[0].qtde = 12;
  test::exec("UPDATE " + DBLocal("FAIXA_ITEN") + " SET TAMANHO = '99' WHERE FAIXA = 'GRT2'");
  grade.setFaixa("grt2");
  grade.Busca_Array_Faixa(tab);
  EXPECT_EQ(tab[0].tam, "  38");
  EXPECT_EQ(tab[0].qtde, 12);

  // A range without sizes changes nothing; another range replaces every slot.
  grade.setFaixa("NADA");
  grade.Busca_Array_Faixa(tab);
  EXPECT_EQ(grade.getUlt(), 2);
  EXPECT_EQ(tab[0].qtde, 12);
  faixa("GRT3", 5, {"U"});
  grade.setFaixa("GRT3");
  grade.Busca_Array_Faixa(tab);
  EXPECT_EQ(grade.getUlt(), 1);
  EXPECT_EQ(tab[0].tam, "   U");
  EXPECT_EQ(tab[0].qtde, 0);
  EXPECT_EQ(tab[1].tam, "");
  EXPECT_EQ(grade.getCabecalho(), "    U" + std::string(127, ' '));
}

TEST_F(GradeTam, RangeWithMoreSizesThanSlotsStopsAtThirty) {
  std::vector<std::string> tamanhos;
  for (int i = 1; i <= 35; ++i) tamanhos.push_back(fmt::format("{}", i));
  faixa("GRT4", 3, tamanhos);
  TGradeFaixa grade;
  grade.setFaixa("GRT4");
  TTabTam tab;
  grade.Busca_Array_Faixa(tab);
  EXPECT_EQ(grade.getUlt(), 30);
  EXPECT_EQ(tab[29].tam, "  30");
  EXPECT_EQ(tab[29].Posicao, 30);
  // The heading holds the 30 loaded sizes, the 30th ending at 30 x 3.
  EXPECT_EQ(Trim(grade.getCabecalho()).substr(Trim(grade.getCabecalho()).size() - 5), "29 30");
  EXPECT_EQ(Pos("31", grade.getCabecalho()), 0);
}

}  // namespace
}  // namespace zpk
