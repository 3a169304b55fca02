#include "documents/inscricao_estadual.hpp"

#include <gtest/gtest.h>

namespace zpk {
namespace {

// One registration per state (several where a state has more than one rule), as
// printed, and the same with a check digit changed. Pernambuco's and Rondônia's
// second forms are accepted after the first form fails.
TEST(ValidaInscricao, EveryStateAcceptsItsRegistrationAndRejectsAChangedCheckDigit) {
  const struct {
    const char* uf;
    const char* valid;
    const char* changed;
  } kCases[] = {
      {"AC", "01.004.823/001-12", "01.004.823/001-13"},
      {"AL", "24.000.004-8", "24.000.004-9"},
      {"AM", "04.123.456-1", "04.123.456-2"},
      {"AM", "00.000.100-7", "00.000.100-8"},  // sum below 11
      {"AP", "03.012.345-9", "03.012.345-8"},  // 3000001..3017000
      {"AP", "03.017.500-5", "03.017.500-6"},  // 3017001..3019022
      {"AP", "03.017.007-1", "03.017.007-0"},  // 11 - r = 11 in that range gives 1
      {"AP", "03.020.000-8", "03.020.000-9"},  // from 3019023
      {"AP", "03.000.050-0", "03.000.050-1"},
      {"BA", "123456-63", "123456-64"},  // modulus 10
      {"BA", "612345-57", "612345-58"},  // modulus 11
      {"CE", "06000001-5", "06000001-6"},
      {"DF", "07.300.001.001-09", "07.300.001.001-08"},
      {"ES", "082.084.04-1", "082.084.04-2"},
      {"GO", "10.987.654-7", "10.987.654-8"},
      // Remainder 1 inside the special range: 1 (older rule) and 0 (the rule
      // today) are both taken, so the changed digit is another one.
      {"GO", "10.103.105-1", "10.103.105-0"},  // remainder 1 inside the special range
      {"GO", "10.120.003-0", "10.120.003-1"},  // remainder 1 outside it
      {"GO", "20.024.521-0", "20.024.521-1"},  // prefixes 20..29 since 2023
      {"MA", "12.000.038-5", "12.000.038-6"},
      {"MG", "062.307.904/0081", "062.307.904/0082"},
      {"MS", "28.311.594-7", "28.311.594-8"},
      {"MT", "13.000.001-9", "13.000.001-0"},
      {"PA", "15-999999-5", "15-999999-6"},
      {"PB", "16.004.017-5", "16.004.017-6"},
      {"PE", "0321418-40", "0321418-41"},
      {"PE", "18.1.001.0000004-9", "18.1.001.0000004-8"},
      {"PI", "19.301.656-7", "19.301.656-8"},
      {"PR", "123.45678-50", "123.45678-51"},
      {"RJ", "99.999.99-3", "99.999.99-4"},
      {"RN", "20.040.040-1", "20.040.040-2"},
      {"RO", "101.62521-3", "101.62521-4"},
      {"RO", "0000000062521-3", "0000000062521-4"},
      // Roraima: the state's weights 1..8 (real registrations), and the ERP's
      // former weights 9..2, both modulo 9.
      {"RR", "24.006.628-1", "24.006.628-3"},
      {"RR", "24.006.628-0", "24.006.628-2"},
      {"RS", "224/3658792", "224/3658793"},
      {"SC", "251.040.852", "251.040.853"},
      {"SE", "27.123.456-3", "27.123.456-4"},
      {"SP", "110.042.490.114", "110.042.490.115"},
      {"SP", "P-01100424.3/002", "P-01100424.4/002"},
      {"TO", "29.01.022783-6", "29.01.022783-7"},
      {"TO", "29.512.345-1", "29.512.345-2"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.uf) + " " + c.valid);
    EXPECT_TRUE(ValidaInscricao(c.valid, c.uf));
    EXPECT_FALSE(ValidaInscricao(c.changed, c.uf));
  }
}

// The forms, lengths and prefixes the states issue today, and the second forms
// some states fall back on; each valid number, and the same with its (last) check
// digit changed. Numbers marked "published" are the states' own examples, "seen"
// ones were quoted as real registrations; the others are computed.
TEST(ValidaInscricao, EveryFormIssuedTodayIsAccepted) {
  const struct {
    const char* uf;
    const char* valid;
    const char* changed;
  } kCases[] = {
      // Bahia, 8 digits: the first digit picks modulus 10 (0-5, 8) or 11 (6, 7, 9).
      {"BA", "234567-76", "234567-77"},
      {"BA", "712345-00", "712345-01"},
      {"BA", "912345-18", "912345-19"},
      // Bahia, 9 digits: the second digit picks the modulus; modulus 10...
      {"BA", "1234567-48", "1234567-49"},  // published
      {"BA", "6123456-85", "6123456-86"},  // first digit 6, second 1: modulus 10
      {"BA", "7012345-44", "7012345-45"},
      // ...and modulus 11.
      {"BA", "1623456-51", "1623456-52"},    // published; first digit 1, second 6
      {"BA", "077.028.884", "077.028.885"},  // seen
      {"BA", "2976543-09", "2976543-00"},
      {"BA", "9123456-91", "9123456-92"},
      // Mato Grosso, 11 digits with leading zeros and without.
      {"MT", "0013000001-9", "0013000001-0"},  // published
      {"MT", "0000400001-3", "0000400001-4"},
      {"MT", "1012345678-6", "1012345678-7"},
      {"MT", "2304001234-3", "2304001234-4"},
      // Rio Grande do Norte, 9 and 10 digits.
      {"RN", "20.012.345-9", "20.012.345-0"},
      {"RN", "20.0.040.040-0", "20.0.040.040-1"},  // published
      {"RN", "20.0.123.456-2", "20.0.123.456-3"},
      {"RN", "20.1.234.567-0", "20.1.234.567-1"},
      // Tocantins, 9 digits with and without type-code digits, and 11 digits.
      {"TO", "29.012.345-3", "29.012.345-4"},
      {"TO", "29.991.234-5", "29.991.234-6"},
      {"TO", "29.99.123456-9", "29.99.123456-0"},
      {"TO", "29.03.012345-3", "29.03.012345-4"},
      {"TO", "17.02.345678-2", "17.02.345678-3"},
      // Rio Grande do Sul: municipality codes above 467, and the 800 and 900 series.
      {"RS", "468/0001479", "468/0001470"},  // seen
      {"RS", "497/1234569", "497/1234560"},
      {"RS", "499/7654328", "499/7654329"},
      {"RS", "800/2497099", "800/2497090"},  // seen
      {"RS", "900/1234564", "900/1234565"},
      // Goiás: remainder 1 inside 10103105..10119997 takes 1, outside it 0.
      {"GO", "10.119.997-1", "10.119.997-0"},
      {"GO", "20.001.000-0", "20.001.000-1"},  // remainder 1 outside it: 0 only
      // Amapá: each block's p, and the digit d when 11 - r gives 11.
      {"AP", "03.000.050-0", "03.000.050-1"},  // p = 5
      {"AP", "03.016.999-8", "03.016.999-9"},  // p = 5
      {"AP", "03.000.002-0", "03.000.002-1"},  // p = 5, 11 - r = 11 gives 0
      {"AP", "03.017.500-5", "03.017.500-6"},  // p = 9
      {"AP", "03.017.010-1", "03.017.010-0"},  // p = 9, 11 - r = 11 gives 1
      {"AP", "03.017.024-1", "03.017.024-0"},  // p = 9, 11 - r = 11 gives 1
      {"AP", "03.019.023-1", "03.019.023-2"},  // p = 0 from 3019023
      {"AP", "03.050.000-1", "03.050.000-2"},  // p = 0
      // Pernambuco: the 14-digit form, else the 9-digit one.
      {"PE", "18.1.001.0000004-9", "18.1.001.0000004-0"},  // published
      {"PE", "18.1.190.0325633-6", "18.1.190.0325633-7"},  // seen
      {"PE", "0321418-40", "0321418-41"},                  // published
      {"PE", "1234567-97", "1234567-98"},
      {"PE", "9876543-49", "9876543-40"},
      // Rondônia: the 9-digit form, else the 14-digit one.
      {"RO", "101.62521-3", "101.62521-4"},  // published
      {"RO", "200.12345-5", "200.12345-6"},
      {"RO", "0000000062521-3", "0000000062521-4"},  // published
      {"RO", "1234567890123-1", "1234567890123-2"},
      // Distrito Federal from "08"; Pará from "75".
      {"DF", "08.300001.001-72", "08.300001.001-73"},
      {"DF", "08.123456.789-52", "08.123456.789-53"},
      {"PA", "75-999999-6", "75-999999-7"},
      {"PA", "75-123456-7", "75-123456-8"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.uf) + " " + c.valid);
    EXPECT_TRUE(ValidaInscricao(c.valid, c.uf));
    EXPECT_FALSE(ValidaInscricao(c.changed, c.uf));
  }
}

TEST(ValidaInscricao, EdgeCases) {
  const struct {
    const char* ie;
    const char* uf;
    bool valid;
  } kCases[] = {
      {"  ISENTO ", "SP", true},
      {"ISENTO", "AC", true},
      {"isento", "SP", false},
      {"110042490114", "SP", true},  // without its dots
      {"110.042.490.114", "sp", false},
      {"110.042.490.114", "XX", false},
      {"110.042.490.114", "", false},
      {"", "SP", false},
      {"P-01100424.3/00", "SP", false},  // rural form one digit short
      {"011004243002", "SP", false},     // rural digits without the "P"
      {"P06000001-5", "CE", false},      // "P" belongs to São Paulo only
      {"06P000001-5", "CE", false},
      // Mato Grosso completes with leading zeros up to its eleven printed digits,
      // but no further.
      {"130000019", "MT", true},
      {"0130000019", "MT", true},
      {"00130000019", "MT", true},
      {"000130000019", "MT", false},
      // Elsewhere a missing leading zero or an extra digit fails.
      {"6000001-5", "CE", false},
      {"1.004.823/001-12", "AC", false},
      {"24.000.004-80", "AL", false},
      {"18.1.001.0000004-90", "PE", false},
      {"0000000000000000000000000000000000000130000019", "MT", false},
      // Right check digit, wrong prefix.
      {"25.000.004-0", "AL", false},
      {"12.345.678-9", "GO", false},
      {"30.123.456-6", "GO", false},
      // Rio Grande do Sul: municipality codes 001..499, then only 800 and 900.
      {"468/1234566", "RS", true},
      {"000/1234560", "RS", false},
      {"500/1234561", "RS", false},
      {"799/1234569", "RS", false},
      {"801/2497091", "RS", false},
      // Tocantins: nine digits are the current form whatever the third and fourth;
      // eleven digits need a type code there.
      {"29.022.783-6", "TO", true},
      {"29.04.022783-6", "TO", false},
      {"29.01.022783", "TO", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.uf) + " '" + c.ie + "'");
    EXPECT_EQ(ValidaInscricao(c.ie, c.uf), c.valid);
  }
}

}  // namespace
}  // namespace zpk
