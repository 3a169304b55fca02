#include "platform/ui/detail/replies.hpp"

#include <array>
#include <utility>

#include <fmt/format.h>

#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk::detail {
namespace {

std::string normalised(std::string_view text) {
  return UpperCase(Trim(strip_accelerator(text)));
}

// English and unaccented words a person types for the Portuguese captions.
bool alias_matches(const std::string& reply, const std::string& caption) {
  static const std::array<std::pair<std::string_view, std::string_view>, 6> kAliases{{
      {"YES", "SIM"},
      {"NO", "NÃO"},
      {"NAO", "NÃO"},
      {"CANCEL", "CANCELA"},
      {"CANCEL", "CANCELAR"},
      {"CANCELAR", "CANCELA"},
  }};
  for (const auto& [typed, meant] : kAliases) {
    if (reply == typed && caption == meant) return true;
  }
  return false;
}

// A reply made of digits only names a button by its number.
std::optional<int> button_number(std::string_view text) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  int number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  return number;
}

std::string one_line(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\\n";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string button_list(const std::vector<std::string>& buttons) {
  std::string out = "[";
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (i > 0) out += '|';
    out += strip_accelerator(buttons[i]);
  }
  return out + "]";
}

}  // namespace

std::string strip_accelerator(std::string_view caption) {
  std::string out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}

std::optional<int> find_button(const MessageRequest& request, std::string_view reply) {
  const int count = static_cast<int>(request.buttons.size());
  const std::string wanted = Trim(reply);
  if (wanted.empty() || wanted == kReplyDefault) return default_answer(request);
  if (wanted == kReplyCancel) {
    if (request.cancel_button >= 1 && request.cancel_button <= count) return request.cancel_button;
    return std::nullopt;
  }
  if (auto number = button_number(wanted)) {
    if (*number >= 1 && *number <= count && *number != request.help_button) return number;
    return std::nullopt;
  }
  const std::string typed = normalised(wanted);
  for (int i = 0; i < count; ++i) {
    if (i + 1 == request.help_button) continue;
    const std::string caption = normalised(request.buttons[i]);
    if (caption == typed || alias_matches(typed, caption)) return i + 1;
  }
  return std::nullopt;
}

int button_for_reply(const MessageRequest& request, std::string_view reply) {
  if (auto button = find_button(request, reply)) return *button;
  throw EZpkError(fmt::format("dialog reply '{}' matches no button of \"{}\" {}", reply, request.caption,
                              button_list(request.buttons)));
}

std::optional<std::string> input_for_reply(const InputRequest& request, std::string_view reply) {
  if (reply == kReplyCancel) return std::nullopt;
  if (reply == kReplyDefault) return request.value;
  return std::string(reply);
}

std::string_view kind_name(DialogKind kind) {
  switch (kind) {
    case DialogKind::message_dialog:
      return "message_dialog";
    case DialogKind::message_box:
      return "message_box";
    case DialogKind::standard_dialog:
      return "standard_dialog";
    case DialogKind::input_password:
      return "input_password";
    case DialogKind::input_date:
      return "input_date";
    case DialogKind::input_combo:
      return "input_combo";
    case DialogKind::input_memo:
      return "input_memo";
    case DialogKind::input_number:
      return "input_number";
    case DialogKind::web_browser:
      return "web_browser";
    case DialogKind::print_setup:
      return "print_setup";
    case DialogKind::print_mode:
      return "print_mode";
    case DialogKind::select_printer:
      return "select_printer";
    case DialogKind::modal_form:
      return "modal_form";
  }
  return "dialog";
}

std::string_view type_name(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning:
      return "warning";
    case TMsgDlgType::mtError:
      return "error";
    case TMsgDlgType::mtInformation:
      return "information";
    case TMsgDlgType::mtConfirmation:
      return "confirmation";
    case TMsgDlgType::mtCustom:
      return "custom";
  }
  return "custom";
}

std::string describe_message(const MessageRequest& request, int button) {
  const std::string answer = button >= 1 && button <= static_cast<int>(request.buttons.size())
                                 ? strip_accelerator(request.buttons[button - 1])
                                 : std::to_string(button);
  return fmt::format("[dialog] {} {} \"{}\": {} {} -> {}", kind_name(request.kind), type_name(request.type),
                     one_line(request.caption), one_line(request.text), button_list(request.buttons), answer);
}

std::string describe_input(const InputRequest& request, const std::optional<std::string>& answer) {
  auto shown = [&](const std::string& value) {
    return request.masked ? std::string("***") : one_line(value);
  };
  return fmt::format("[dialog] {} \"{}\": {} [{}] -> {}", kind_name(request.kind), one_line(request.caption),
                     one_line(request.prompt), shown(request.value),
                     answer ? shown(*answer) : std::string("(cancelled)"));
}

}  // namespace zpk::detail
