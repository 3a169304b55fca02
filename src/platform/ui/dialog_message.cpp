#include "platform/ui/dialog_message.hpp"

#include <array>

#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {
namespace {

constexpr int kNoButton = 0;

int button_or_none(int button) {
  return button > 0 ? button : kNoButton;
}

}  // namespace

void ShowMessageDialog(const std::string& Msg) {
  ShowMessageDialog(Msg, std::string());
}

void ShowMessageDialog(const std::string& Msg, const std::string& Caption) {
  ShowMessageDialog(Msg, Caption, mtInformation, {"&Ok"}, 1, 1);
}

int ShowMessageDialog(const std::string& Msg, TMsgDlgType DlgType, const std::vector<std::string>& Buttons) {
  return ShowMessageDialog(Msg, std::string(), DlgType, Buttons, kNoButton, kNoButton);
}

int ShowMessageDialog(const std::string& Msg, const std::string& Caption, TMsgDlgType DlgType,
                      const std::vector<std::string>& Buttons) {
  return ShowMessageDialog(Msg, Caption, DlgType, Buttons, kNoButton, kNoButton);
}

int ShowMessageDialog(const std::string& Msg, TMsgDlgType DlgType, const std::vector<std::string>& Buttons,
                      int DefaultButton, int CancelButton) {
  return ShowMessageDialog(Msg, std::string(), DlgType, Buttons, DefaultButton, CancelButton);
}

int ShowMessageDialog(const std::string& Msg, const std::string& Caption, TMsgDlgType DlgType,
                      const std::vector<std::string>& Buttons, int DefaultButton, int CancelButton) {
  return ShowCustomMessageDialogPos(Msg, Caption, DlgType, Buttons, DefaultButton, CancelButton, -1, -1);
}

int ShowCustomMessageDialogPos(const std::string& Msg, const std::string& Caption, TMsgDlgType DlgType,
                               const std::vector<std::string>& Buttons, int DefaultButton, int CancelButton,
                               int Left, int Top) {
  return ShowCustomMessageDialog(Msg, Caption, DlgType, Buttons, DefaultButton, CancelButton, -1, 0, "", Left,
                                 Top);
}

int ShowCustomMessageDialog(const std::string& Msg, const std::string& Caption, TMsgDlgType DlgType,
                            const std::vector<std::string>& Buttons, int DefaultButton, int CancelButton,
                            int HelpButton, int HelpContext, const std::string& HelpFile, int Left, int Top) {
  MessageRequest request;
  request.kind = DialogKind::message_dialog;
  request.type = DlgType;
  request.caption = Trim(Caption);
  if (request.caption.empty()) request.caption = Trim(application_title());
  request.text = Msg;
  request.buttons = Buttons;
  request.default_button = button_or_none(DefaultButton);
  request.cancel_button = button_or_none(CancelButton);
  request.help_button = HelpButton >= 0 ? HelpButton + 1 : kNoButton;
  request.left = Left;
  request.top = Top;
  return dialog_service().show_message(request);
}

bool ConfirmMessage(const std::string& Msg, bool Alerta) {
  const int button = ShowMessageDialog(Msg, std::string(), Alerta ? mtWarning : mtConfirmation,
                                       {"&Sim", "&Não", "Cancela"}, kNoButton, 3);
  return button == 1;
}

void ShowErrorMessage(const std::string& Msg) {
  ShowMessageDialog(Msg.empty() ? std::string("Error Message") : Msg, std::string(), mtError, {"&Ok"}, 1, 1);
}

void ShowExceptionDialog(const std::string& Msg) {
  ShowErrorMessage(Msg);
  Abort();
}

void ShowExceptionDialog(const std::exception& E) {
  ShowExceptionDialog(std::string(E.what()));
}

void ShowWaitMessage(const std::string& Msg) {
  std::string text = Trim(Msg);
  if (text.empty()) text = "Processando ...";
  dialog_service().show_wait(text);
}

void CloseWaitMessage() {
  dialog_service().close_wait();
}

int MessageBox(const std::string& Text, const std::string& Caption, int Flags) {
  struct Layout {
    std::vector<std::string> captions;
    std::vector<int> ids;
    int cancel;  // 1-based button that Escape presses; 0: none
  };
  static const std::array<Layout, 6> kLayouts{{
      {{"OK"}, {IDOK}, 1},
      {{"OK", "Cancelar"}, {IDOK, IDCANCEL}, 2},
      {{"Anular", "Repetir", "Ignorar"}, {IDABORT, IDRETRY, IDIGNORE}, 0},
      {{"Sim", "Não", "Cancelar"}, {IDYES, IDNO, IDCANCEL}, 3},
      {{"Sim", "Não"}, {IDYES, IDNO}, 0},
      {{"Repetir", "Cancelar"}, {IDRETRY, IDCANCEL}, 2},
  }};
  const int layout_index = Flags & 0xF;
  const Layout& layout = kLayouts[layout_index < static_cast<int>(kLayouts.size()) ? layout_index : 0];

  MessageRequest request;
  request.kind = DialogKind::message_box;
  switch (Flags & 0xF0) {
    case MB_ICONERROR:
      request.type = mtError;
      break;
    case MB_ICONQUESTION:
      request.type = mtConfirmation;
      break;
    case MB_ICONWARNING:
      request.type = mtWarning;
      break;
    case MB_ICONINFORMATION:
      request.type = mtInformation;
      break;
    default:
      request.type = mtCustom;
      break;
  }
  request.caption = Caption.empty() ? application_title() : Caption;
  request.text = Text;
  request.buttons = layout.captions;
  const int default_button = ((Flags & 0xF00) >> 8) + 1;
  request.default_button = default_button <= static_cast<int>(layout.captions.size()) ? default_button : 1;
  request.cancel_button = layout.cancel;
  const int button = dialog_service().show_message(request);
  return button >= 1 && button <= static_cast<int>(layout.ids.size()) ? layout.ids[button - 1] : IDCANCEL;
}

int MessageDlgPortugues(const std::string& Msg, TMsgDlgType DlgType, const std::vector<TMsgDlgBtn>& Buttons,
                        int HelpContext, TMsgDlgBtn DefaultButton, const std::string& CapSim,
                        const std::string& CapNao, const std::string& CapSimTodos,
                        const std::string& CapNaoTodos) {
  struct Standard {
    TMsgDlgBtn button;
    std::string caption;
    int result;
  };
  // The platform lays the buttons out in this order whatever the caller's order.
  const std::array<Standard, 12> kStandard{{
      {mbYes, CapSim, 6},
      {mbNo, CapNao, 7},
      {mbOK, "OK", 0},
      {mbCancel, "Cancelar", 0},
      {mbAbort, "&Anular", 0},
      {mbRetry, "&Repetir", 0},
      {mbIgnore, "&Ignorar", 0},
      {mbAll, "&Todos", 0},
      {mbNoToAll, CapNaoTodos, 9},
      {mbYesToAll, CapSimTodos, 10},
      {mbHelp, "&Ajuda", 0},
      {mbClose, "&Fechar", 0},
  }};
  auto wanted = [&](TMsgDlgBtn b) {
    for (TMsgDlgBtn x : Buttons) {
      if (x == b) return true;
    }
    return false;
  };

  MessageRequest request;
  request.kind = DialogKind::standard_dialog;
  request.type = DlgType;
  request.caption = "Confirmação";
  request.text = Msg;
  std::vector<int> results;
  int escape_candidates[3] = {0, 0, 0};  // positions of Cancel, No and OK: Escape presses the first present
  for (const Standard& s : kStandard) {
    if (!wanted(s.button)) continue;
    request.buttons.push_back(s.caption);
    results.push_back(s.result);
    const int position = static_cast<int>(request.buttons.size());
    if (s.button == DefaultButton) request.default_button = position;
    if (s.button == mbHelp) request.help_button = position;
    if (s.button == mbCancel) escape_candidates[0] = position;
    if (s.button == mbNo) escape_candidates[1] = position;
    if (s.button == mbOK) escape_candidates[2] = position;
  }
  for (int position : escape_candidates) {
    if (position > 0) {
      request.cancel_button = position;
      break;
    }
  }
  if (request.buttons.empty()) return 0;
  const int button = dialog_service().show_message(request);
  return button >= 1 && button <= static_cast<int>(results.size()) ? results[button - 1] : 0;
}

void Ocupado(bool Ativar, const void* Objeto, bool Janela, const std::string& Mensagem) {
  const std::string text = Mensagem.empty() ? std::string("Aguarde um instante...") : Mensagem;
  if (Ativar) {
    if (Janela) {
      ShowWaitMessage(text);
    } else {
      dialog_service().set_busy(true);
    }
  } else {
    if (Janela) {
      CloseWaitMessage();
    } else {
      dialog_service().set_busy(false);
    }
  }
}

}  // namespace zpk
