// Validation of the Brazilian taxpayer identifiers (CPF, CNPJ numeric and
// alphanumeric) and the check digits of bar codes (EAN-13, DUN-14) and generic
// modulo-11 numbers. Pure: no database, no messages, no global state.
#pragma once

#include <string>
#include <string_view>

namespace zpk {

// The identifier reduced to the characters of "1234567890ISENTO", in order
// (mask characters, blanks and small letters are dropped).
std::string LimpaCpfCnpj(std::string_view text);

// True when `cpf` (masked or plain) carries the right two check digits; never raises.
bool VerCpf(std::string_view cpf);

// True when `cnpj` (masked or plain, numeric or alphanumeric) carries the right
// two check digits; never raises.
bool VerCgc(std::string_view cnpj);

// True when the last character of `number` is the modulo-11 digit (weights 2..7
// from the right) of the rest; raises EConvertError on a non-digit in the rest.
bool Digito(std::string_view number);

// The modulo-11 check digit of `number` (weights 2..`greatest_weight` from the
// right, repeating), with 10 and 11 replaced as `ten_substitute` says; raises
// EConvertError on a non-digit.
std::string DigitoVerificadorModulo11(std::string_view number, int greatest_weight,
                                      std::string_view ten_substitute);

// The check digit of a DUN-14/GTIN-14 over the first 13 characters of the
// trimmed code; raises EConvertError on a non-digit.
std::string DigitoEAN14(std::string_view code);

// The code followed by its EAN-13 check digit (computed on its first 12
// characters); raises EConvertError when those are not 12 digits. The three
// further arguments take no part in the result.
std::string Calcula_digito_EAN13(std::string_view code, std::string_view unused1 = "0",
                                 std::string_view unused2 = "0", std::string_view unused3 = "0");

// The 13-digit EAN of a 12-digit code, or the empty text when the code is
// blank, holds a non-digit or is too short; never raises.
std::string DVEan13(std::string_view code);

}  // namespace zpk
