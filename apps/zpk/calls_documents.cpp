// `zpk call` entries for the identifier validators, check digits and the text
// and number helpers. None reads the database.
#include "documents/check_digits.hpp"
#include "documents/text_helpers.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  // Taxpayer identifiers and check digits.
  register_routine(ZPK_ROUTINE(LimpaCpfCnpj), {"text"});
  register_routine(ZPK_ROUTINE(VerCpf), {"cpf"});
  register_routine(ZPK_ROUTINE(VerCgc), {"cnpj"});
  register_routine(ZPK_ROUTINE(Digito), {"number"});
  register_routine(ZPK_ROUTINE(DigitoVerificadorModulo11), {"number", "greatest_weight", "ten_substitute"});
  register_routine(ZPK_ROUTINE(DigitoEAN14), {"code"});
  register_routine(ZPK_ROUTINE(Calcula_digito_EAN13), {"code", "unused1", "unused2", "unused3"});
  register_routine(ZPK_ROUTINE(DVEan13), {"code"});

  // Text and number helpers.
  register_routine(ZPK_ROUTINE(PermanecePonto), {"value"});
  register_routine(ZPK_ROUTINE(TiraPontos), {"text"});
  register_routine(ZPK_ROUTINE(TiraVirgulas), {"text"});
  register_routine(ZPK_ROUTINE(SomenteNumeros), {"text"});
  register_routine(ZPK_ROUTINE(DeletaPonto), {"text"});
  register_routine(ZPK_ROUTINE(RemoveAcento), {"text"});
  register_routine(ZPK_ROUTINE(ReplaceHTML), {"text"});
  register_routine(ZPK_ROUTINE(LeftPad), {"text", "fill", "length"});
  register_routine(ZPK_ROUTINE(RightPad), {"text", "fill", "length"});
  register_routine(ZPK_ROUTINE(ZeroE), {"text", "length"});
  register_routine(ZPK_ROUTINE(Explode), {"text", "separator"});
  register_routine(ZPK_ROUTINE(AcertaCase), {"unused", "text"});
  register_routine(ZPK_ROUTINE(SlashSep), {"path", "name"});
  register_routine(ZPK_ROUTINE(TemTexto), {"text"});
  register_routine(ZPK_ROUTINE(BoolToInt), {"value"});
  register_routine(ZPK_ROUTINE(DescontoUnificado), {"text"});
  register_routine(ZPK_ROUTINE(Arredondar), {"value", "step"});
  register_routine(ZPK_ROUTINE(CampoDesconto), {"value1", "value2", "value3", "value4"});
  register_routine(ZPK_ROUTINE(TiraPonto), {"value"});
  register_routine(ZPK_ROUTINE(TruncDecimal), {"format", "decimals", "value"});
  register_routine(ZPK_ROUTINE(LeTagXML), {"xml", "tag", "kind"});
  register_routine(ZPK_ROUTINE(PegaPosicao), {"start", "length", "value", "layout", "text"});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
