#include "documents/extenso.hpp"

#include <gtest/gtest.h>

#include "platform/rtl/errors.hpp"
#include "platform/rtl/format_settings.hpp"
#include "support/scoped.hpp"

namespace zpk {
namespace {

TEST(Extenso, WritesAmountsInPortuguese) {
  const struct {
    const char* valor;
    const char* texto;
  } kCases[] = {
      {"1,00", "Um Real"},
      {"0,01", "Um centavo"},
      {"0,50", "Cinquenta centavos"},
      {"2,00", "Dois Reais"},
      {"100,00", "Cem Reais"},
      {"0,00", ""},
      {"1234,56", "Um Mil, Duzentos e Trinta e Quatro Reais e Cinquenta e Seis centavos"},
      {"1000,00", "Um Mil reais"},
      {"1500,00", "Um Mil e Quinhentos Reais"},
      {"1001,00", "Um Mil e Um Reais"},
      {"2000000,00", "Dois Milhoes de reais"},
      {"1000001,00", "Um Milhao e Um Reais"},
      {"2000000,50", "Dois Milhoes de reais e Cinquenta centavos"},
      {"1000000000000,00", "Um Trilhao de reais"},
      {"999999999999999,99",
       "Novecentos e Noventa e Nove Trilhoes, Novecentos e Noventa e Nove Bilhoes, Novecentos e Noventa e "
       "Nove Milhoes, Novecentos e Noventa e Nove Mil, Novecentos e Noventa e Nove Reais e Noventa e Nove "
       "centavos"},
      {"12,5", "Doze Reais e Cinco centavos"},  // one decimal reads as that many cents
      {"12", "Doze Reais"},
      {",50", "Cinquenta centavos"},
      {"0001,00", "Um Real"},  // leading zeros make no groups
      {"12,", "Doze Reais"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.valor);
    EXPECT_EQ(Extenso(c.valor), c.texto);
  }
}

TEST(Extenso, WritesAmountsInSpanish) {
  const struct {
    const char* valor;
    const char* texto;
  } kCases[] = {
      {"1234,56", " Uno Mil Doiscientos Treinta y Cuatro Con 56/100"},
      {"100,00", "Cien "},
      {"100,50", "Cien Con 50/100"},
      {"0,05", "Con 5/100"},
      {"1234,00", " Uno Mil Doiscientos Treinta y Cuatro "},
      {"1000000,00", " Uno millon"},
      {"2000000,00", " Dos Millones"},
      {"0,00", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.valor);
    EXPECT_EQ(ExtensoEsp(c.valor), c.texto);
  }
}

TEST(Extenso, WritesOneGroupOfThreeDigits) {
  const struct {
    const char* grupo;
    const char* pt;
    const char* es;
  } kCases[] = {
      {"100", "Cem", "Cien"},
      {"101", "Cento e Um", "Ciento Uno"},
      {"056", "Cinquenta e Seis", " Cincuenta y Seis"},
      {"219", "Duzentos e Dezenove", "Doiscientos Diecinueve"},
      {"021", "Vinte e Um", " Veintiuno"},
      {"130", "Cento e Trinta", "Ciento Treinta"},
      {"000", "", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.grupo);
    EXPECT_EQ(ExtensoMil(c.grupo), c.pt);
    EXPECT_EQ(ExtensoMilEsp(c.grupo), c.es);
  }
}

TEST(Extenso, RejectsTextsThatAreNoAmount) {
  // Sixteen integer digits have no group name; a sign or a foreign separator is no amount.
  for (const char* valor : {"1000000000000000,00", "-5,00", "12.50", "abc", "1,5x"}) {
    SCOPED_TRACE(valor);
    EXPECT_THROW(Extenso(valor), EConvertError);
    EXPECT_THROW(ExtensoEsp(valor), EConvertError);
  }
  for (const char* grupo : {"12", "1234", "1a2"}) {
    SCOPED_TRACE(grupo);
    EXPECT_THROW(ExtensoMil(grupo), EConvertError);
    EXPECT_THROW(ExtensoMilEsp(grupo), EConvertError);
  }
}

TEST(Extenso, ReadsTheDecimalSeparatorOfTheFormatSettings) {
  test::ScopedValue<char> point(FormatSettings.DecimalSeparator, '.');
  EXPECT_EQ(Extenso("2.50"), "Dois Reais e Cinquenta centavos");
}

}  // namespace
}  // namespace zpk
