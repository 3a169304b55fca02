// Character filter of the NF-e texts.
#include "billing/nfe_text.hpp"

#include <string_view>

#include "platform/rtl/strings.hpp"

namespace zpk {
namespace {

// Every character the NF-e texts keep. Invoices already issued were cleaned
// with exactly this set, so lower-case "ï" stays out though "Ï" is in.
constexpr std::u32string_view kTextCharacters =
    U" 0123456789ABCDEFGHIJLMNOPQRSTUVXZKYWabcdefghijlmnopqrstuvxzkyw"
    U"ÁáÂâÀàÃãÄäÉéÊêÈèËëÍíÎîÌìÏÓóÔôÒòÕõÖöÇçÑñÝýÚúÛûÙùÜü"
    U"(){}[],.:+-/|\\*#%$&@";
constexpr std::u32string_view kDigits = U"0123456789";

}  // namespace

std::string LimpaCaracterNFe(std::string_view Texto, bool SomenteNumeros) {
  if (Trim(Texto) == "ISENTO") return std::string(Texto);
  const std::u32string_view allowed = SomenteNumeros ? kDigits : kTextCharacters;
  std::u32string kept;
  for (char32_t c : ToCodePoints(Texto)) {
    if (allowed.find(c) != std::u32string_view::npos) kept += c;
  }
  return FromCodePoints(kept);
}

}  // namespace zpk
