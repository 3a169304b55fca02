// The ERP's own functions that report layouts call in their expressions
// (amounts in words, number masks, dates in words, instalment tables...), and
// the hook that lets the report engine evaluate them.
#pragma once

#include <string>
#include <string_view>

#include "platform/rtl/datetime.hpp"
#include "platform/rtl/variant.hpp"
#include "reporting/report.hpp"

namespace zpk {

// The value formatted "0.00" and read back: rounded to two decimals.
double ArredondaParaCima(double Valor);

// Every occurrence of `De` in `Texto` replaced by `Para`, ignoring case.
std::string ReplaceStr(std::string_view Texto, std::string_view De, std::string_view Para);

// A numeric text with "." decimals whose decimals are padded with "0" to at
// least `Casas` (a "." is added when missing); longer decimals are kept.
std::string Formata(std::string_view Valor, int Casas);

// The one character whose code is written in `Codigo`; raises EConvertError
// when the text is no code of a character.
std::string CHR1(std::string_view Codigo);

// The number (an empty text counts as 0) with exactly `Casas` decimals and ","
// as the decimal separator; raises EConvertError when the text is no number.
std::string FV(std::string_view Valor, int Casas);

// A "dd/mm/yyyy" date in words: "05 de Março de 2024"; empty when the month
// has no name (outside 1..12 or not a number).
std::string DataExtenso(std::string_view Data);

// Advances the session counter iSeq and returns it left-padded with "0" to
// `Tamanho` characters.
std::string Sequencia(int Tamanho);

// Compound interest of `Valor` at `Taxa` percent per 30 days over `Periodos` days.
double JuroComposto(double Valor, double Taxa, int Periodos);

// The instalment table of the terms (3-character day counts, "030060090")
// from `Data` over `Total`: a header line, then one line per instalment with
// its number, due date and an equal share of the total; each line ends in CR.
std::string CalculaParcelas(std::string_view Prazos, TDateTime Data, double Total);

// Evaluates the report function `FuncName` (any case) on the layout's
// arguments into `Value`; false when the name is not one of them. Errors of
// the function (a bad number, a database error) propagate.
bool FuncaoRelatorio(const std::string& FuncName, const TprParameters& Parameters, Variant& Value);

// Routes the report's unknown functions to FuncaoRelatorio unless the report
// already has a handler of its own.
void LigaFuncoesRelatorio(TprCustomReport& Report);

}  // namespace zpk
