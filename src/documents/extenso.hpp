// Money amounts written in words for cheques, receipts and promissory notes:
// Portuguese (reais and centavos) and Spanish (the cents as a fraction). The
// word lists, capitals and missing accents are the printed documents' own.
#pragma once

#include <string>
#include <string_view>

namespace zpk {

// The amount (digits, the decimal separator of FormatSettings, two decimals, e.g.
// "1234,56") in Portuguese words; "0,00" gives the empty text. Raises
// EConvertError for a text that is not such an amount or has more than fifteen
// integer digits.
std::string Extenso(std::string_view Valor);

// One group of exactly three digits in Portuguese words ("219" -> "Duzentos e
// Dezenove"); "000" gives the empty text. Raises EConvertError otherwise.
std::string ExtensoMil(std::string_view Valor);

// The amount, as for Extenso, in Spanish words with the cents as "Con 56/100".
std::string ExtensoEsp(std::string_view Valor);

// One group of exactly three digits in Spanish words; a group without hundreds
// starts with a blank (" Treinta y Dos").
std::string ExtensoMilEsp(std::string_view Valor);

}  // namespace zpk
