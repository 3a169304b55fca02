// Texts written into the NF-e: only the characters its layout accepts, so that
// names, addresses and additional texts typed in the ERP's screens never make
// the authority refuse an invoice.
#pragma once

#include <string>
#include <string_view>

namespace zpk {

// The text with every character outside the NF-e's set dropped: with
// SomenteNumeros the digits alone, otherwise blanks, digits, the plain
// letters, the accented letters of Portuguese and Spanish and the signs
// (){}[],.:+-/|\*#%$&@. A text that reads "ISENTO" once trimmed (a state
// registration that does not exist) is returned unchanged.
std::string LimpaCaracterNFe(std::string_view Texto, bool SomenteNumeros = false);

}  // namespace zpk
