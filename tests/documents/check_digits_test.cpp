// Identifier validators and bar-code check digits: tables of known-good and
// known-bad codes, the quirks callers rely on, and the conversion errors.
#include "documents/check_digits.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/rtl/errors.hpp"

namespace zpk {
namespace {

TEST(LimpaCpfCnpj, KeepsDigitsAndTheCapitalsOfIsento) {
  const struct {
    const char* input;
    const char* expected;
  } kCases[] = {
      {"12.345.678/0001-90", "12345678000190"},
      {"111.444.777-35", "11144477735"},
      {"isento ISENTO", "ISENTO"},
      {"Ábaco 1 ã 2", "12"},
      {"", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(LimpaCpfCnpj(c.input), c.expected);
  }
}

TEST(VerCpf, JudgesTheTwoCheckDigits) {
  const struct {
    const char* cpf;
    bool valid;
  } kCases[] = {
      {"111.444.777-35", true},
      {"11144477735", true},
      {"111.444.777-36", false},
      {"111.444.777-45", false},  // first digit wrong
      {"", false},
      {"   .   .   -  ", false},  // the empty mask of the screens
      {"00000000000", false},
      {"1114447773599", true},          // judged on the first eleven characters
      {"111.444.777-35 ISENTO", true},  // letters after the eleventh are ignored too
      {"111.444.777-3", false},         // too short
      {"1114447773I", false},           // a kept letter among the eleven
      {"ISENTO", false},
      {"111a444b777c35", true},  // small letters are dropped by the cleaning
      // More masked and unmasked forms, lengths and letters.
      {"529.982.247-25", true},
      {"52998224725", true},
      {"529.982.247-52", false},  // the check digits swapped
      {"529 982 247 25", true},   // blanks and other separators are dropped
      {" 529.982.247/25 ", true},
      {"529.982.247-25X", true},  // after the eleventh digit nothing counts
      {"529.982.247-25-99", true},
      {"S52998224725", false},  // a letter of ISENTO before the eleventh digit
      {"5299822472E", false},
      {"5299822472", false},  // ten digits
      {"529982247", false},   // nine
      {"5", false},
      {"isento", false},  // small letters: nothing is kept
      {"Ábaco 529.982.247-25", true},
      {"000.000.000-00", true},  // only eleven zeros as typed are refused
      {"00000000000", false},
      {"123.456.789-09", true},
      {"123.456.789-00", false},
      {"100.000.001-08", true},  // remainder 1: the first digit is 0
      {"100.000.001-18", false},
      {"100.000.002-80", true},  // remainder 0: the second digit is 0
      {"100.000.002-81", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.cpf);
    EXPECT_EQ(VerCpf(c.cpf), c.valid);
  }
}

TEST(VerCgc, JudgesNumericCnpjAsBefore) {
  const struct {
    const char* cnpj;
    bool valid;
  } kCases[] = {
      {"11.222.333/0001-81", true},  {"11222333000181", true},   {"11.222.333/0001-82", false},
      {"11.222.333/0001-91", false}, {"ISENTO", false},          {"", false},
      {"  .   .   /    -", false},                                // the empty mask
      {"00000000000000", false},     {"1122233300018199", true},  // judged on the first fourteen characters
      {"11.222.333/0001-8", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.cnpj);
    EXPECT_EQ(VerCgc(c.cnpj), c.valid);
  }
}

TEST(VerCgc, JudgesAlphanumericCnpj) {
  const struct {
    const char* cnpj;
    bool valid;
  } kCases[] = {
      {"12.ABC.345/01DE-35", true},  {"12ABC34501DE35", true},
      {" 12ABC34501DE35 ", true},    {"A1.B2C.3D4/E5F6-68", true},
      {"ZZ.ZZZ.ZZZ/ZZZZ-62", true},  {"12.ABC.345/01DE-36", false},  // second check digit wrong
      {"12.ABC.345/01DE-45", false},                                 // first check digit wrong
      {"12.ABD.345/01DE-35", false},                                 // a letter changed
      {"12.abc.345/01de-35", false},                                 // the Revenue issues capitals only
      {"12.ABC.345/01DE-3", false},  {"12.ABC.345/01DE-355", false},
      {"12.ABC.345/01DE-3A", false},  // check digits are always numeric
      {"12.ABC.345/01DE*35", false}, {"12.ÁBC.345/01DE-35", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.cnpj);
    EXPECT_EQ(VerCgc(c.cnpj), c.valid);
  }
}

TEST(Digito, ChecksTheModulo11DigitWithWeightsTwoToSeven) {
  const struct {
    const char* number;
    bool valid;
  } kCases[] = {
      {"12343", true},     {"12344", false},
      {"10000009", true},                     // the seventh digit from the right weighs 2 again
      {"10000003", false}, {"60", true},      // remainder 1: the value 10 becomes 0
      {"140", true},                          // a multiple of 11 carries 0
      {"1411", false},     {"1234x", false},  // the check digit is only compared
      {"", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.number);
    EXPECT_EQ(Digito(c.number), c.valid);
  }
}

TEST(DigitoVerificadorModulo11, ReplacesTenAndElevenByTheThirdArgument) {
  const struct {
    const char* number;
    int greatest_weight;
    const char* substitute;
    const char* expected;
  } kCases[] = {
      {"0123456789", 9, "", "7"}, {"12345678", 9, "", "9"},
      {"12345678", 7, "", "5"},  // weights 2..7 repeat sooner
      {"6", 9, "X", "X"},        // remainder 1 gives 10
      {"6", 9, "P", "P"},         {"6", 9, "", "0"},
      {"14", 9, "X", "0"},  // remainder 0 gives 11
      {"14", 9, "P", "0"},        {"14", 9, "", "1"},
      {"", 9, "", "1"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.number);
    EXPECT_EQ(DigitoVerificadorModulo11(c.number, c.greatest_weight, c.substitute), c.expected);
  }
}

TEST(DigitoEAN14, WeighsThreeAndOneFromTheRight) {
  const struct {
    const char* code;
    const char* expected;
  } kCases[] = {
      {"1789100031550", "4"},
      {" 1789100031550 ", "4"},
      {"17891000315504", "4"},  // only the first 13 characters count
      {"1789100031551", "1"},
      {"0000000000000", "0"},
      {"", "0"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(DigitoEAN14(c.code), c.expected);
  }
}

TEST(Calcula_digito_EAN13, AppendsTheCheckDigit) {
  const struct {
    const char* code;
    const char* expected;
  } kCases[] = {
      {"789100031550", "7891000315507"},
      {"400638133393", "4006381333931"},
      {"000000000000", "0000000000000"},    // a sum that is a multiple of ten gives 0
      {"7891000315507", "78910003155077"},  // the whole input is kept
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(Calcula_digito_EAN13(c.code, "0", "0", "0"), c.expected);
  }
  EXPECT_EQ(Calcula_digito_EAN13("789100031550", "x", "y", "z"), "7891000315507");
}

TEST(DVEan13, CompletesDigitsAndGivesEmptyForAnythingElse) {
  const struct {
    const char* code;
    const char* expected;
  } kCases[] = {
      {"789100031550", "7891000315507"},
      {"78910003155A", ""},
      {"   ", ""},
      {"", ""},
      {" 789100031550", ""},  // the untrimmed input must be all digits
      {"12345", ""},          // too short for an EAN-13
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(DVEan13(c.code), c.expected);
  }
}

TEST(CheckDigits, NonDigitsRaiseTheConversionError) {
  EXPECT_THROW(Digito("12a43"), EConvertError);
  EXPECT_THROW(Digito("1ã43"), EConvertError);
  EXPECT_THROW(DigitoVerificadorModulo11("01234x6789", 9, ""), EConvertError);
  EXPECT_THROW(DigitoVerificadorModulo11("12 34", 9, "X"), EConvertError);
  EXPECT_THROW(DigitoEAN14("17891000A1550"), EConvertError);
  EXPECT_THROW(Calcula_digito_EAN13("78910003155A", "0", "0", "0"), EConvertError);
  EXPECT_THROW(Calcula_digito_EAN13("78910003155", "0", "0", "0"), EConvertError);
  EXPECT_THROW(Calcula_digito_EAN13("", "0", "0", "0"), EConvertError);
  // The message names the whole offending character, not one of its bytes.
  EXPECT_THAT([] { Digito("1ã43"); },
              testing::ThrowsMessage<EConvertError>(testing::StrEq("'ã' is not a valid integer value")));
}

}  // namespace
}  // namespace zpk
