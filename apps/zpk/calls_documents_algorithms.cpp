// `zpk call` entries for the state registration check, amounts in words, the
// Unix crypt hash and the CRC-16 of report payloads. Amounts in words take the
// amount as the documents print it ("1234,56").
#include "documents/crc16.hpp"
#include "documents/extenso.hpp"
#include "documents/inscricao_estadual.hpp"
#include "documents/unixcrypt.hpp"
#include "routine_adapter.hpp"

namespace zpk::cli {
namespace {

const bool registered = [] {
  register_routine(ZPK_ROUTINE(ValidaInscricao), {"IE", "UF"});
  register_routine(ZPK_ROUTINE(Extenso), {"Valor"});
  register_routine(ZPK_ROUTINE(ExtensoEsp), {"Valor"});
  register_routine(ZPK_ROUTINE(ExtensoMil), {"Valor"});
  register_routine(ZPK_ROUTINE(ExtensoMilEsp), {"Valor"});
  register_routine(ZPK_ROUTINE(crypt), {"key", "salt"});
  register_routine(ZPK_ROUTINE(CRC16CCITT), {"S"});
  register_routine(ZPK_ROUTINE(CalculaCRC16), {"S"});
  return true;
}();

}  // namespace
}  // namespace zpk::cli
