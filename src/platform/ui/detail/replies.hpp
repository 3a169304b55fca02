// How a typed or scripted reply picks a dialog's answer, and the one-line
// rendering of a dialog for logs; shared by the headless and console services.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/dialog_service.hpp"

namespace zpk::detail {

// Reply texts that are not a button or a value.
inline constexpr std::string_view kReplyDefault = ":default";
inline constexpr std::string_view kReplyCancel = ":cancel";

// The caption without its accelerator marks ("&Sim" -> "Sim", "&&" -> "&").
std::string strip_accelerator(std::string_view caption);

// The 1-based button a reply chooses: its number, its caption (case and "&"
// ignored; "yes", "no", "nao" and "cancel" also name "Sim", "Não" and
// "Cancela"/"Cancelar"), ":default" or ":cancel"; nullopt when none matches.
std::optional<int> find_button(const MessageRequest& request, std::string_view reply);

// The same, raising EZpkError (with the dialog and its buttons) when the reply
// matches no button.
int button_for_reply(const MessageRequest& request, std::string_view reply);

// The outcome of an input box for a reply: ":cancel" cancels, ":default"
// confirms the initial value, any other text is confirmed as typed.
std::optional<std::string> input_for_reply(const InputRequest& request, std::string_view reply);

// Names used in logs: "message_box", "warning"...
std::string_view kind_name(DialogKind kind);
std::string_view type_name(TMsgDlgType type);

// One line describing a dialog and its answer (line breaks shown as "\n";
// password values masked).
std::string describe_message(const MessageRequest& request, int button);
std::string describe_input(const InputRequest& request, const std::optional<std::string>& answer);

}  // namespace zpk::detail
