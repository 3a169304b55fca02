// Lots: the running numbers of rolls and weaving orders under a prefix, and
// the checks a screen makes before it uses a production lot (its expiry date
// and its quality verdict in OF2).
#pragma once

#include <string>

namespace zpk {

// The next running number of the lots under Prefixo (the caller puts the
// prefix in front): of PA_ITEN for Tipo "P", of MAT_ITEN for "M" (any other
// Tipo reads PA_ITEN). Lots of at least 9 characters count; the digits after
// the prefix of the highest one, plus 1, at least 3 digits ("001" when none).
// The number is reserved and committed with Tabela's shared transaction, so no
// other station gets it, also before the caller stores the lot. Raises
// EConvertError when the highest lot holds no number after the prefix,
// EDatabaseError.
std::string ProximoRolo(const std::string& Prefixo, const std::string& Tipo);

// The next weaving order number under Prefixo (a weaving order lot is a
// 6-character prefix and a 3-digit number): the highest number of TECELB plus
// 1, at least 3 digits; reserved and committed as ProximoRolo. Raises
// EDatabaseError (also when a lot of the prefix holds no number there).
std::string ProximaOrdemTecelB(const std::string& Prefixo);

// False when the lot of the item has an expiry date (OF2.DATA2) before
// today, after the box "Lote Vencido:" with OK and Cancel has been confirmed
// (Cancel, the default, shows it again; unanswered, it is shown once); true
// for an empty Lote and for a lot that has not expired.
bool BuscarDtValidadeLote(const std::string& Codigo, const std::string& Lote);

// Whether the lot of the item may be used by its quality verdict (OF2.STATUS):
// "1" (approved with restrictions) asks whether to go on, and then the user's
// right to change screen Tela decides; "2" (rejected) and "3" (under analysis)
// tell the user and give false; any other status, or no verdict, gives true.
bool VerificaStatusLaudo(const std::string& Codigo, const std::string& Lote, const std::string& Tela);

}  // namespace zpk
