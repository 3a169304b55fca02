// Validation of the state tax registration (inscrição estadual, IE) of each
// Brazilian state: every state has its own length, prefix and check digits.
// Pure: no database, no messages.
#pragma once

#include <string_view>

namespace zpk {

// True when `IE` (as typed, dots and dashes allowed) is a valid registration of the
// state `UF` (two capitals), or when it is the word "ISENTO".
bool ValidaInscricao(std::string_view IE, std::string_view UF);

}  // namespace zpk
