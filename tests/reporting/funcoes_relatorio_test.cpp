// The ERP's report functions: their texts on worked examples, dispatch by
// name with the layout's arguments, and evaluation through the report engine.
#include "reporting/funcoes_relatorio.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documents/check_digits.hpp"
#include "documents/extenso.hpp"
#include "foundation/session.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"
#include "support/scoped.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

TEST(FuncoesRelatorioTest, TextsOfTheWorkedExamples) {
  const struct {
    const char* what;
    std::string got;
    const char* expected;
  } kCases[] = {
      {"month 13 has no name", DataExtenso("05/13/2024"), ""},
      {"month not a number", DataExtenso("05/xx/2024"), ""},
      {"third month", DataExtenso("05/03/2024"), "05 de Março de 2024"},
      {"decimals padded", Formata("12.5", 3), "12.500"},
      {"point added", Formata("12", 2), "12.00"},
      {"longer decimals kept", Formata("1.2345", 2), "1.2345"},
      {"point added with no decimals asked", Formata("7", 0), "7."},
      {"two decimals", FV("12,5", 2), "12,50"},
      {"rounded", FV("3,456", 2), "3,46"},
      {"empty counts as zero", FV("", 2), "0,00"},
      {"no decimals", FV("7,6", 0), "8"},
      {"case ignored", ReplaceStr("Total da NOTA e nota", "nota", "NF"), "Total da NF e NF"},
      {"empty pattern leaves the text", ReplaceStr("abc", "", "x"), "abc"},
      {"ASCII code", CHR1("65"), "A"},
      {"accented letter", CHR1("233"), "é"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.got, c.expected);
  }
}

TEST(FuncoesRelatorioTest, BadInputIsAnError) {
  EXPECT_THROW(FV("abc", 2), EConvertError);
  EXPECT_THROW(CHR1("x"), EConvertError);
  EXPECT_THROW(CHR1("-1"), EConvertError);
}

TEST(FuncoesRelatorioTest, SequenciaCountsInTheSession) {
  test::ScopedValue<int> counter(iSeq, 0);
  EXPECT_EQ(Sequencia(4), "0001");
  EXPECT_EQ(Sequencia(4), "0002");
  EXPECT_EQ(Sequencia(4), "0003");
  iSeq = 99;
  EXPECT_EQ(Sequencia(2), "100");  // a wider number is never cut
  EXPECT_EQ(iSeq, 100);
}

TEST(FuncoesRelatorioTest, NumbersRoundAndInterestIsPercent) {
  EXPECT_DOUBLE_EQ(ArredondaParaCima(2.3456), 2.35);
  EXPECT_DOUBLE_EQ(ArredondaParaCima(10.004), 10.0);
  EXPECT_NEAR(JuroComposto(1000.0, 2.0, 30), 1020.0, 1e-9);
  EXPECT_NEAR(JuroComposto(1000.0, 2.0, 60), 1040.4, 1e-9);
}

TEST(FuncoesRelatorioTest, CalculaParcelasSplitsTheTotalOverTheTerms) {
  const TDateTime data = EncodeDate(2024, 3, 1);
  const std::string header = "Parcela   Vencimento   Valor\r";
  const struct {
    const char* prazos;
    double total;
    std::string expected;
  } kCases[] = {
      {"030060090", 1000.0,
       header + "01        31/03/2024   R$ 333,33\r" + "02        30/04/2024   R$ 333,33\r" +
           "03        30/05/2024   R$ 333,33\r"},
      // Terms read from a fixed-width column end in blank groups, which are no instalment.
      {"000045      ", 12345.6,
       header + "01        01/03/2024   R$ 6.172,80\r" + "02        15/04/2024   R$ 6.172,80\r"},
      // No term: the header alone, never a division by zero.
      {"", 100.0, header},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.prazos);
    EXPECT_EQ(CalculaParcelas(c.prazos, data, c.total), c.expected);
  }
}

TEST(FuncoesRelatorioTest, DispatchByNameWithTheLayoutsArguments) {
  test::TempFolder folder("funcoes");
  test::write_file(folder / "existe.txt", "x");
  const std::string existing = (folder / "existe.txt").string();
  const std::string missing = (folder / "falta.txt").string();
  const struct {
    const char* name;
    std::vector<Variant> args;
    std::string expected;
  } kCases[] = {
      {"fv", {Variant("12,5"), Variant(2)}, "12,50"},
      {"DATAEXTENSO", {Variant("05/03/2024")}, "05 de Março de 2024"},
      {"Formata", {Variant("12.5"), Variant("3")}, "12.500"},
      {"ReplaceStr", {Variant("a-B-b"), Variant("b"), Variant("c")}, "a-c-c"},
      {"Extenso", {Variant(1.5)}, Extenso("1,50")},
      {"DVModulo11", {Variant("261533")}, DigitoVerificadorModulo11("261533", 9, "")},
      {"CRC16", {Variant("123456789")}, "29B1"},
      {"Length", {Variant("Ação")}, "4"},
      {"Pos", {Variant("c"), Variant("abc")}, "3"},
      {"Pos", {Variant("z"), Variant("abc")}, "0"},
      {"StrToFloat", {Variant("abc")}, "0"},
      {"TiraPontos", {Variant("1.234.567")}, "1234567"},
      {"TiraVirgulas", {Variant("1,2,3")}, "123"},
      {"RemoveAcento", {Variant("Ação")}, "Acao"},
      {"CHR1", {Variant("66")}, "B"},
      {"FileExists", {Variant(existing)}, "1"},
      {"FileExists", {Variant(missing)}, "0"},
      {"CalculaParcelas",
       {Variant("030"), Variant(EncodeDate(2024, 3, 1)), Variant(10.0)},
       "Parcela   Vencimento   Valor\r01        31/03/2024   R$ 10,00\r"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const TprParameters params(c.args);
    Variant value;
    ASSERT_TRUE(FuncaoRelatorio(c.name, params, value));
    EXPECT_EQ(value.AsString(), c.expected);
  }
  Variant value;
  const std::vector<Variant> none;
  EXPECT_FALSE(FuncaoRelatorio("Ninguem", TprParameters(none), value));
  const std::vector<Variant> bad{Variant("abc")};
  EXPECT_THROW(FuncaoRelatorio("StrToNum", TprParameters(bad), value), EConvertError);
}

TEST(FuncoesRelatorioTest, TheEngineEvaluatesThemThroughItsHook) {
  TprReport report;
  LigaFuncoesRelatorio(report);
  std::string text;
  ASSERT_TRUE(report.FormatTemplate("[FV('12,5', 2)] [DataExtenso('05/03/2024')]", text));
  EXPECT_EQ(text, "12,50 05 de Março de 2024");

  // A handler the caller set stays in charge.
  TprReport own;
  own.OnUnknownFunction = [](TprCustomReport&, const std::string&, const TprParameters&, int, Variant& value,
                             bool& processed) {
    value = Variant("proprio");
    processed = true;
  };
  LigaFuncoesRelatorio(own);
  ASSERT_TRUE(own.FormatTemplate("[FV('1', 2)]", text));
  EXPECT_EQ(text, "proprio");
}

}  // namespace
}  // namespace zpk
