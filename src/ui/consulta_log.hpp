// The audit viewer on Qt: AcessaLog shows its rows in the "Consulta
// Alterações" window. The header names no Qt type: programs that only link
// the core library can include every installed header.
#pragma once

#include <functional>

#include "foundation/audit_log.hpp"

namespace zpk::ui {

// Makes AcessaLog show its rows in a modal ConsultaLogWindow; returns the
// viewer installed before.
std::function<void(TFmConsultaLog&)> install_consulta_log();

}  // namespace zpk::ui
