// Text and number helpers: character counting on accented text, the locale's
// decimal comma, cascaded discounts, price rounding and XML tag reading.
#include "documents/text_helpers.hpp"

#include <cmath>
#include <iomanip>

#include <gtest/gtest.h>

#include "platform/rtl/errors.hpp"

namespace zpk {
namespace {

TEST(PermanecePonto, WritesADecimalPointWithoutThousandsSeparators) {
  const struct {
    double value;
    const char* expected;
  } kCases[] = {
      {1234.5, "1234.5"}, {10, "10"}, {-0.25, "-0.25"}, {1234567.891, "1234567.891"}, {0, "0"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(PermanecePonto(c.value), c.expected);
  }
}

TEST(TextCleaning, RemovesTheirCharacters) {
  EXPECT_EQ(TiraPontos("12.345.678/0001-90"), "12345678000190");
  EXPECT_EQ(TiraPontos("1.234,56 ção"), "123456 ção");
  EXPECT_EQ(TiraVirgulas("1.234,56,7"), "1.234567");
  EXPECT_EQ(SomenteNumeros("R$ 1.234,56 ação 7"), "1234567");
  EXPECT_EQ(DeletaPonto("1.234.567,89"), "1234567");
  EXPECT_EQ(DeletaPonto(",5"), "");
  EXPECT_EQ(DeletaPonto("1234"), "1234");
}

TEST(RemoveAcento, ReplacesThePortugueseAccentsOnly) {
  EXPECT_EQ(RemoveAcento("Ação São João Büro ÂÊÔÕÛÍ"), "Acao Sao Joao Buro AEOOUI");
  EXPECT_EQ(RemoveAcento("àâãáçêéíôõóûúü"), "aaaaceeiooouuu");
  EXPECT_EQ(RemoveAcento("èñ plain"), "èñ plain");  // not in the table
}

TEST(ReplaceHTML, ReplacesEntitiesCaseSensitivelyInOrder) {
  EXPECT_EQ(ReplaceHTML("&Aacute;gua &ccedil;&atilde;o &Ntilde;and&uacute;"), "Água ção Ñandú");
  EXPECT_EQ(ReplaceHTML("a &amp; b &Amp; c"), "a &amp; b & c");
  EXPECT_EQ(ReplaceHTML("&lt;b&gt;&quot;x&#039;&lt;/b&gt;"), "<b>\"x'</b>");
  // "&Amp;" comes after the letters, so what it uncovers is not replaced again.
  EXPECT_EQ(ReplaceHTML("&Amp;aacute;"), "&aacute;");
}

TEST(Padding, CountsCharactersNotBytes) {
  const struct {
    const char* text;
    char32_t fill;
    int length;
    const char* left;
    const char* right;
  } kCases[] = {
      {"7", U'0', 3, "007", "700"},      {"ã", U'0', 3, "00ã", "ã00"}, {"ab", U'ç', 4, "ççab", "abçç"},
      {"abcd", U'0', 3, "abcd", "abcd"}, {"", U' ', 2, "  ", "  "},    {"x", U'0', -1, "x", "x"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(LeftPad(c.text, c.fill, c.length), c.left);
    EXPECT_EQ(RightPad(c.text, c.fill, c.length), c.right);
  }
  EXPECT_EQ(ZeroE("7", "3"), "007");
  EXPECT_EQ(ZeroE("çã", "4"), "00çã");
  EXPECT_THROW(ZeroE("7", "três"), EConvertError);
}

TEST(Explode, SplitsWithoutATrailingEmptyPiece) {
  using Pieces = std::vector<std::string>;
  const struct {
    const char* text;
    const char* separator;
    Pieces expected;
  } kCases[] = {
      {"a;b;c", ";", {"a", "b", "c"}}, {"a;b;", ";", {"a", "b"}},
      {"a;;b", ";", {"a", "", "b"}},   {";a", ";", {"", "a"}},
      {"a;b;;", ";", {"a", "b", ""}},  {"um::dois", "::", {"um", "dois"}},
      {"ação", ";", {"ação"}},         {"", ";", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Explode(c.text, c.separator), c.expected);
  }
}

TEST(SmallHelpers, Work) {
  EXPECT_EQ(AcertaCase("ignored", "JOÃO da SILVA"), "João Da Silva");
  EXPECT_EQ(AcertaCase("", "ÉRICA  ÁVILA"), "Érica  Ávila");
  EXPECT_EQ(SlashSep("C:\\dados\\", "a.txt"), "C:\\dados\\a.txt");
  EXPECT_EQ(SlashSep("C:\\dados", "a.txt"), "C:\\dados\\a.txt");
  EXPECT_FALSE(TemTexto("123-45"));
  EXPECT_TRUE(TemTexto("12a"));
  EXPECT_FALSE(TemTexto("çã"));
  EXPECT_EQ(BoolToInt(true), 1);
  EXPECT_EQ(BoolToInt(false), 0);
}

TEST(DescontoUnificado, AppliesPercentagesInCascade) {
  const struct {
    const char* text;
    double expected;
  } kCases[] = {
      {"10+5", 14.5},      {"10", 10},         {"50+50", 75}, {"10,5", 10.5},
      {"33+33+33", 69.92}, {" 10 + 5 ", 14.5}, {"", 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(DescontoUnificado(c.text), c.expected);
  }
  EXPECT_THROW(DescontoUnificado("10+a"), EConvertError);
  EXPECT_THROW(DescontoUnificado("10+"), EConvertError);
}

TEST(Arredondar, MovesToTheNearestRoundEnding) {
  const struct {
    double value;
    int step;
    double expected;
  } kCases[] = {
      {1234.56, 50, 1250},
      {1225, 50, 1250},  // a tie goes up
      {1224, 50, 1200},
      {1298, 5, 1300},
      {1234, 5, 0},  // nothing within reach
      {-1234.56, 50, -1250},
      {1234.56, 0, 1234},
      {1234.56, -1, 1234.56},
      {1234, 100, 1200},
      // Exact far past the 14 whole digits of a NUMERIC(18,4) amount.
      {99999999999999.98, 50, 100000000000000},
      {99999999999937.5, 50, 99999999999950},
      {999999999999999, 50, 1000000000000000},
      {2e15, 50, 2e15},
      {2000000000000037, 50, 2000000000000050},
      {-2000000000000037, 50, -2000000000000050},
      {4503599627370523, 100, 4503599627370500},
      {9007199254740000, 50, 9007199254740000},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << std::setprecision(17) << c.value << " step " << c.step);
    EXPECT_EQ(Arredondar(c.value, c.step), c.expected);
  }
}

TEST(Arredondar, RefusesWhatItCannotRoundExactly) {
  const struct {
    double value;
    int step;
  } kCases[] = {
      {1e16, 50}, {-1e16, 50}, {9007199254740990, 50}, {1e300, 1}, {std::nan(""), 50}, {HUGE_VAL, 50},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << std::setprecision(17) << c.value << " step " << c.step);
    EXPECT_THROW(Arredondar(c.value, c.step), EConvertError);
  }
  // A step that asks for no rounding keeps or truncates any value.
  EXPECT_EQ(Arredondar(1e16, -1), 1e16);
  EXPECT_EQ(Arredondar(1e16 + 0.0, 0), 1e16);
}

TEST(NumberFields, FormatAndCut) {
  EXPECT_EQ(CampoDesconto(10, 5, 0, 100), "10,005,00 0,00 100,0");
  EXPECT_DOUBLE_EQ(TiraPonto(1234.567), 1234.57);
  EXPECT_DOUBLE_EQ(TiraPonto(-1234.565), -1234.57);
  EXPECT_DOUBLE_EQ(TiraPonto(12345678.9), 12345680);
  const struct {
    const char* format;
    int decimals;
    double value;
    const char* expected;
  } kCases[] = {
      {"0.00", 2, 1.15, "1,15"},  // 1.15 * 100 is 114.999... in binary
      {"0.00", 2, 1.239, "1,23"},
      {"0.00", 2, -1.239, "-1,23"},
      {"0.000", 1, 2.99, "2,900"},
      {"0", 0, 2.99, "2"},
      {"#,##0.00", 2, 1234567.899, "1.234.567,89"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(TruncDecimal(c.format, c.decimals, c.value), c.expected);
  }
}

TEST(LeTagXML, ReadsAndShapesTheValue) {
  const char* xml =
      "<ide><nNF>000123</nNF><dhEmi>2024-05-01T10:00:00-03:00</dhEmi></ide><vNF>10.50</vNF>"
      "<emit><CNPJ>11222333000181</CNPJ></emit><dest><CPF>11144477735</CPF></dest>"
      "<transp><CNPJ>12ABC34501DE35</CNPJ></transp><xNome>Ação</xNome>";
  const struct {
    const char* tag;
    const char* kind;
    const char* expected;
  } kCases[] = {
      {"<nNF>", "I", "123"},
      {"<vNF>", "N", "10,50"},
      {"<vNF>", "", "10.50"},
      {"<dhEmi>", "D", "01/05/2024"},
      {"<CNPJ>", "CNPJ", "11.222.333/0001-81"},
      {"<CPF>", "CPF", "111.444.777-35"},
      {"<xNome>", "I", "0"},
      {"<xNome>", "X", "Ação"},
      {"<vICMS>", "", ""},
      {"<vICMS>", "I", "0"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.tag);
    EXPECT_EQ(LeTagXML(xml, c.tag, c.kind), c.expected);
  }
  EXPECT_EQ(LeTagXML("<transp><CNPJ>12ABC34501DE35</CNPJ></transp>", "<CNPJ>", "CNPJ"), "12.ABC.345/01DE-35");
  EXPECT_EQ(LeTagXML("<CNPJ>123</CNPJ>", "<CNPJ>", "CNPJ"), "123");  // not fourteen characters: as read
  EXPECT_EQ(LeTagXML("<a>unclosed", "<a>", ""), "");
}

TEST(PegaPosicao, ReadsStartLengthAndValue) {
  int16_t start = -1;
  int16_t length = -1;
  int16_t value = -1;
  ASSERT_TRUE(PegaPosicao(start, length, value, "10-20;3", ""));
  EXPECT_EQ(start, 10);
  EXPECT_EQ(length, 11);
  EXPECT_EQ(value, 3);

  for (const char* layout : {"10-20", "10;20", "a-20;3", "10-20;x", "10-;3", "20;3-10", "1-40000;1", ""}) {
    SCOPED_TRACE(layout);
    int16_t s = 7, l = 7, v = 7;
    EXPECT_FALSE(PegaPosicao(s, l, v, layout, ""));
    EXPECT_EQ(s, 7);
    EXPECT_EQ(l, 7);
    EXPECT_EQ(v, 7);
  }
}

}  // namespace
}  // namespace zpk
