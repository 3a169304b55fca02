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
      // Mato Grosso completes with leading zeros up to ten digits, but no further.
      {"130000019", "MT", true},
      {"0130000019", "MT", true},
      {"00130000019", "MT", false},
      // Elsewhere a missing leading zero or an extra digit fails.
      {"6000001-5", "CE", false},
      {"1.004.823/001-12", "AC", false},
      {"24.000.004-80", "AL", false},
      // Right check digit, wrong prefix.
      {"25.000.004-0", "AL", false},
      {"12.345.678-9", "GO", false},
      {"30.123.456-6", "GO", false},
      {"468/1234566", "RS", false},
      {"000/1234560", "RS", false},
      // A 9-digit Tocantins number whose third and fourth digits are a type code.
      {"29.022.783-6", "TO", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.uf) + " '" + c.ie + "'");
    EXPECT_EQ(ValidaInscricao(c.ie, c.uf), c.valid);
  }
}

}  // namespace
}  // namespace zpk
