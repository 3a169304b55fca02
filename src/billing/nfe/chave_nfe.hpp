// The NF-e access key: 43 characters from the invoice's header and the check
// digit modulo 11, the identity the authority and the recipient know it by.
#pragma once

#include <string>
#include <string_view>

namespace zpk::nfe {

// The check digit of the first 43 characters of a key: each character valued
// as its code minus 48 (digits as themselves, the letters of an alphanumeric
// CNPJ as 17 and up), weights 2 to 9 from the right; a remainder of 0 or 1
// gives 0, otherwise 11 minus the remainder.
int DigitoChaveNFe(std::string_view Chave43);

// The 44-character key from its parts: state code (2), year and month "AAMM",
// emitter CNPJ or CPF (14, letters kept, left-padded with zeros), model (2),
// series (3), number (9), issue type (1), numeric code (8), check digit.
// A part longer than its width, or with a character that is not a digit
// (letters only in the CNPJ), is refused naming the part.
std::string ChaveNFe(std::string_view cUF, std::string_view AAMM, std::string_view CNPJ,
                     std::string_view Modelo, std::string_view Serie, std::string_view Numero,
                     std::string_view tpEmis, std::string_view cNF);

}  // namespace zpk::nfe
