// The message dialogs every routine uses to inform, ask and report errors:
// the library's own dialog (ShowMessageDialog, ConfirmMessage, ...), the wait
// notice, the platform's message box and standard dialog, and the busy cursor.
// Each builds a request and hands it to the installed dialog service.
#pragma once

#include <exception>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/ui/dialog_service.hpp"

namespace zpk {

// Information dialog with one button "&Ok", captioned with the application title.
void ShowMessageDialog(const std::string& Msg);
// Information dialog with one button "&Ok".
void ShowMessageDialog(const std::string& Msg, const std::string& Caption);
// Dialog with the given button captions; returns the 1-based number of the
// button pressed. DefaultButton and CancelButton are 1-based (0 or -1: none).
int ShowMessageDialog(const std::string& Msg, TMsgDlgType DlgType, const std::vector<std::string>& Buttons);
int ShowMessageDialog(const std::string& Msg, const std::string& Caption, TMsgDlgType DlgType,
                      const std::vector<std::string>& Buttons);
int ShowMessageDialog(const std::string& Msg, TMsgDlgType DlgType, const std::vector<std::string>& Buttons,
                      int DefaultButton, int CancelButton);
int ShowMessageDialog(const std::string& Msg, const std::string& Caption, TMsgDlgType DlgType,
                      const std::vector<std::string>& Buttons, int DefaultButton, int CancelButton);
// The same at a given position (negative: centred).
int ShowCustomMessageDialogPos(const std::string& Msg, const std::string& Caption, TMsgDlgType DlgType,
                               const std::vector<std::string>& Buttons, int DefaultButton, int CancelButton,
                               int Left, int Top);
// The general form: the caption is the trimmed Caption, or the trimmed
// application title when that is empty; HelpButton is a 0-based index (-1:
// none) of a button that shows help and never answers.
int ShowCustomMessageDialog(const std::string& Msg, const std::string& Caption, TMsgDlgType DlgType,
                            const std::vector<std::string>& Buttons, int DefaultButton, int CancelButton,
                            int HelpButton, int HelpContext, const std::string& HelpFile, int Left, int Top);

// Asks with "&Sim", "&Não", "Cancela" (Cancela is the cancel button and, with
// no default declared, the unattended answer); true only for "&Sim". Alerta
// makes it a warning instead of a confirmation.
bool ConfirmMessage(const std::string& Msg, bool Alerta = false);

// Error dialog captioned with the application title, one button "&Ok"; an
// empty message reads "Error Message".
void ShowErrorMessage(const std::string& Msg);

// Shows the error dialog, then raises EAbort so that the current operation
// stops without a second report.
[[noreturn]] void ShowExceptionDialog(const std::string& Msg);
[[noreturn]] void ShowExceptionDialog(const std::exception& E);

// Shows the wait notice with the trimmed Msg ("Processando ..." when empty),
// or changes its text when it is already up.
void ShowWaitMessage(const std::string& Msg);
// Closes the wait notice.
void CloseWaitMessage();
// Shows the notice, runs Proc (or a Boolean function, whose result it
// returns) and closes the notice also when Proc raises.
template <class Proc>
requires std::is_invocable_v<Proc>
auto ShowWaitMessage(const std::string& Msg, Proc&& proc) -> std::invoke_result_t<Proc> {
  struct Closer {
    ~Closer() { CloseWaitMessage(); }
  };
  ShowWaitMessage(Msg);
  Closer closer;
  return std::forward<Proc>(proc)();
}

// The platform's message box: flags choose the buttons, the icon and the
// default button; returns the ID of the button pressed (IDOK, IDYES...).
inline constexpr int MB_OK = 0x0;
inline constexpr int MB_OKCANCEL = 0x1;
inline constexpr int MB_ABORTRETRYIGNORE = 0x2;
inline constexpr int MB_YESNOCANCEL = 0x3;
inline constexpr int MB_YESNO = 0x4;
inline constexpr int MB_RETRYCANCEL = 0x5;
inline constexpr int MB_ICONERROR = 0x10;
inline constexpr int MB_ICONHAND = MB_ICONERROR;
inline constexpr int MB_ICONSTOP = MB_ICONERROR;
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONWARNING = 0x30;
inline constexpr int MB_ICONEXCLAMATION = MB_ICONWARNING;
inline constexpr int MB_ICONINFORMATION = 0x40;
inline constexpr int MB_ICONASTERISK = MB_ICONINFORMATION;
inline constexpr int MB_DEFBUTTON1 = 0x000;
inline constexpr int MB_DEFBUTTON2 = 0x100;
inline constexpr int MB_DEFBUTTON3 = 0x200;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows Text in a message box with Caption. With no default-button flag the
// first button is the default (so the unattended answer), as on the platform.
int MessageBox(const std::string& Text, const std::string& Caption, int Flags = MB_OK);

// Buttons of the platform's standard message dialog.
enum class TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp,
  mbClose
};
using enum TMsgDlgBtn;

// The platform's standard dialog captioned "Confirmação", its Yes, No,
// Yes-to-all and No-to-all buttons captioned CapSim, CapNao, CapSimTodos and
// CapNaoTodos; returns 6 for Yes, 7 for No, 9 for No-to-all, 10 for
// Yes-to-all and 0 for any other button.
int MessageDlgPortugues(const std::string& Msg, TMsgDlgType DlgType, const std::vector<TMsgDlgBtn>& Buttons,
                        int HelpContext, TMsgDlgBtn DefaultButton, const std::string& CapSim,
                        const std::string& CapNao, const std::string& CapSimTodos,
                        const std::string& CapNaoTodos);

// Busy indication: with Janela the wait notice (Mensagem, or "Aguarde um
// instante..." when empty), without it the hourglass cursor; Ativar false
// takes it away. Objeto is not used.
void Ocupado(bool Ativar, const void* Objeto = nullptr, bool Janela = false,
             const std::string& Mensagem = "");

}  // namespace zpk
