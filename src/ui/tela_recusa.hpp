// The refusal screen on Qt: Acessa shows TfmNegado when the access rights or
// a supervisor's password refuse an operation. No Qt type in this header.
#pragma once

#include "foundation/access_rights.hpp"

namespace zpk::ui {

// Makes Acessa open TfmNegado (modally after a wrong supervisor password, as
// a window otherwise); returns the loader installed before.
RefusalScreen install_tela_recusa();

}  // namespace zpk::ui
