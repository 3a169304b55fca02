// How the command line reads each parameter type of the library's routines:
// the forms each type takes (stored aliases of the enumerations included),
// and the refusals, which name the argument.
#include <string>

#include <gtest/gtest.h>

#include "argument_types.hpp"
#include "platform/rtl/errors.hpp"

namespace zpk::cli {
namespace {

// Reads `text` as a V named "Valor" and gives the value back as the command line prints it.
template <class V>
std::string read_back(const std::string& text) {
  return ArgType<V>::text(ArgType<V>::read("Valor", text));
}

std::string read_database(const std::string& text) {
  return ArgType<TTIDatabase*>::read("Valor", text) == nullptr ? "nil" : "a connection";
}

TEST(CallArgumentTypes, ReadTheirFormsAndNameTheRefusedValue) {
  const struct {
    const char* type;
    std::string (*read)(const std::string&);
    std::string text;
    std::string value;  // as printed back; empty when refused
    std::string error;  // what the refusal says
  } kCases[] = {
      {"int", read_back<int>, "-12", "-12", ""},
      {"int", read_back<int>, "1.5", "", "Valor: '1.5' is not an integer"},
      {"int16_t", read_back<int16_t>, "40000", "", "Valor: '40000' is not a 16-bit integer"},
      // Numbers take a decimal point: a script's figures read the same on every machine.
      {"double", read_back<double>, "2.5", "2.5", ""},
      {"double", read_back<double>, "2,5", "", "Valor: '2,5' is not a number"},
      {"double", read_back<double>, "nan", "", "Valor: 'nan' is not a number"},
      {"Currency", read_back<Currency>, "1.23456", "1.2346", ""},
      // Plain decimals keep every digit, beyond what a double holds.
      {"Currency", read_back<Currency>, "98765432109876.5432", "98765432109876.5432", ""},
      {"Currency", read_back<Currency>, "-0.0001", "-0.0001", ""},
      {"Currency", read_back<Currency>, "12.", "12", ""},
      {"Currency", read_back<Currency>, ".", "", "Valor: '.' is not a number"},
      {"Currency", read_back<Currency>, "1e20", "", "Valor: '1e20' is not an amount within the range"},
      {"bool", read_back<bool>, "S", "True", ""},
      {"bool", read_back<bool>, "0", "False", ""},
      {"bool", read_back<bool>, "sim", "", "Valor: 'sim' is not True or False"},
      {"TDateTime", read_back<TDateTime>, "05/03/2024 10:20", "05/03/2024 10:20:00", ""},
      {"TDateTime", read_back<TDateTime>, "2024-03-05", "", "Valor: '2024-03-05' is not a date"},
      {"TOperacaoEstoque", read_back<TOperacaoEstoque>, "S", "opSaida", ""},
      {"TOperacaoEstoque", read_back<TOperacaoEstoque>, "0", "opEntrada", ""},
      {"TOperacaoLog", read_back<TOperacaoLog>, "Exclusão", "oplExclusao", ""},
      {"TTipo", read_back<TTipo>, "produto", "tpProduto", ""},
      {"TTipo", read_back<TTipo>, "tpFoto", "", "Valor: 'tpFoto' is not one of tpDocumento, tpCores"},
      {"TTIDatabase*", read_database, "-", "nil", ""},
      {"TTIDatabase*", read_database, "/outra/base.fdb", "", "Valor: '/outra/base.fdb' is not -"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.text);
    if (c.error.empty()) {
      EXPECT_EQ(c.read(c.text), c.value);
    } else {
      try {
        c.read(c.text);
        ADD_FAILURE() << "accepted";
      } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
      }
    }
  }
}

}  // namespace
}  // namespace zpk::cli
