// The audit log: one LOG row per notable operation (GeraLog), and the audit
// viewer's data (TFmConsultaLog, AcessaLog), the rows of a record on some
// screens listed in the in-memory dataset tbLog that the viewer's grid shows.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dataset/client_dataset.hpp"

namespace zpk {

enum class TOperacaoLog { oplInclusao, oplAlteracao, oplExclusao, oplMovimentacao };
using enum TOperacaoLog;

// The text stored in LOG.OPERACAO: "Inclusão", "Alteração", "Exclusão", "Movimentação".
std::string operacao_log_text(TOperacaoLog Operacao);

// The component name of the form that has the focus, for GeraLog calls that
// name no form; the user-interface layer sets it, unset means "no form".
inline std::function<std::string()> active_form_name;

// Writes one LOG row with the database's date and time, vUsuario, Tela
// upper-cased, Descricao upper-cased with each "'" stored as "´", the current
// company suffix, Chave, the operation's text and the first 45 characters of
// Form (the form's component name; nullopt: the active form), all bound as
// typed; then commits the shared transaction. Raises EDatabaseError.
void GeraLog(std::string_view Tela, std::string_view Descricao, TOperacaoLog Operacao, std::string_view Chave,
             std::optional<std::string_view> Form = std::nullopt);

// The audit viewer ("Consulta Alterações") without its window: the rows of
// LOG for the screens in Tela (one name, or several separated by ";") and
// the record Chave, of the current company or of all (TodasEmpresas), in
// order of date and time.
class TFmConsultaLog {
 public:
  // Creates tbLog (Usuario, Data, Hora, Tela 50, Descricao 150, Operacao 15,
  // Empresa 4) and registers the instance as FmConsultaLog.
  TFmConsultaLog();
  ~TFmConsultaLog();
  TFmConsultaLog(const TFmConsultaLog&) = delete;
  TFmConsultaLog& operator=(const TFmConsultaLog&) = delete;

  std::string Caption = "Consulta Alterações";
  std::string Tela;
  std::string Chave;
  bool TodasEmpresas = false;

  // The rows the grid lists.
  TClientDataSet tbLog{"tbLog"};

  // Empties tbLog and fills it from LOG (what the window does when shown).
  // Raises EDatabaseError.
  void FormShow();
};

// The viewer while it exists (nullptr otherwise).
inline TFmConsultaLog* FmConsultaLog = nullptr;

// Shows a filled viewer modally; the user-interface layer sets it. Unset, the
// viewer is filled and closed without a window.
inline std::function<void(TFmConsultaLog&)> show_consulta_log;

// Opens the audit viewer for the screens in Tela and the record Chave:
// creates it, fills it, shows it modally (show_consulta_log) and frees it.
void AcessaLog(std::string_view Tela, std::string_view Chave, bool TodasEmpresas);

}  // namespace zpk
