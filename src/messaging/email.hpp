// Handing an e-mail to the workstation's mail software: the desktop's mail
// program (xdg-email) opens a compose window with the message; a machine
// without a desktop gets an .eml draft in the user's e-mail folder instead.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/datetime.hpp"

namespace zpk {

// Result codes of the hand-off, the values mail callers test.
inline constexpr int kEmailSucesso = 0;
inline constexpr int kEmailFalha = 2;                  // the mail program could not be started
inline constexpr int kEmailAnexoNaoEncontrado = 11;    // an attachment is not a readable file
inline constexpr int kEmailDestinatarioInvalido = 21;  // an address cannot be resolved

// One message as the mail software receives it. Addresses are plain
// "user@host"; attachments are paths of existing files.
struct EmailMessage {
  std::vector<std::string> to, cc, bcc;
  std::string from, from_name;
  std::string subject, body;
  bool html = false;
  std::vector<std::string> attachments;
};

// True when a desktop session runs (DISPLAY or WAYLAND_DISPLAY set) and its
// xdg-email program is found: the message then goes to the desktop's mail
// program, else to an .eml draft.
bool desktop_mail_available();

// The folder .eml drafts are written to: $XDG_DATA_HOME/zpk/email
// (default ~/.local/share/zpk/email), created when needed.
std::filesystem::path email_folder();

// The message as an RFC 5322 draft (CRLF lines, "X-Unsent: 1" so that mail
// programs open it for sending): MIME multipart/mixed, the body and each
// attachment in base64, headers with non-ASCII text as RFC 2047 words.
// `boundary` separates the parts; it must not occur in base64 text (hold a
// character outside the base64 alphabet). Raises EZpkError when an
// attachment cannot be read.
std::string compose_eml(const EmailMessage& message, TDateTime when, std::string_view boundary);

// Hands the message over (desktop mail program or .eml draft) after checking
// every address and attachment; returns one of the kEmail codes. `written`
// receives the draft's path when one is written.
int hand_off_email(const EmailMessage& message, std::filesystem::path* written = nullptr);

// Sends through the workstation's mail software: addresses of Para, CC, CCo
// and paths of Anexos separated by ";"; the copies join the recipients, as
// the mail program's compose window shows them. Html: the body is HTML.
// Exibir: the message is always shown for editing before it goes (the
// desktop's mail program gives no way to send unseen). A failure is shown in
// a warning box captioned "EMAIL"; Erro is cleared.
void EnviaOutLook(std::string_view Para, std::string_view CC, std::string_view CCo, std::string_view Assunto,
                  std::string_view Corpo, std::string_view Anexos, bool Html, bool Exibir, std::string& Erro);

// Sends from name=value lines: "to" and "CCo" (addresses separated by ";"),
// "subject", "body", "attachment0", "attachment1", ... (consecutive from 0),
// and "html" = "S" when the body is HTML.
// Handle (the calling window) is not used. Returns a kEmail code.
int SendEMail(const void* Handle, const std::vector<std::string>& Dados);

// Sends to the ";"-lists Para, CC and CCo with the files of Anexos; "" on
// success, else the error text of the failure's code.
std::string SendMapiMail(std::string_view Para, std::string_view CC, std::string_view CCo,
                         std::string_view Assunto, std::string_view Corpo,
                         const std::vector<std::string>& Anexos);

// Sends to one recipient from one originator with at most one attachment
// (empty values are left out); a failure is shown as "Error sending mail
// (code)." and its code returned.
int EnviaEmail(std::string_view Assunto, std::string_view Corpo, std::string_view Anexo,
               std::string_view EmailPara, std::string_view NomePara, std::string_view EmailDe,
               std::string_view NomeDe);

}  // namespace zpk
