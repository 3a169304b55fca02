#include "platform/ui/console_dialogs.hpp"

#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "platform/rtl/strings.hpp"
#include "platform/ui/detail/progress_line.hpp"
#include "platform/ui/detail/replies.hpp"

namespace zpk {
namespace {

std::string_view type_title(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return "Aviso";
    case mtError:
      return "Erro";
    case mtInformation:
      return "Informação";
    case mtConfirmation:
      return "Confirmação";
    case mtCustom:
      return "";
  }
  return "";
}

// Switches terminal echo off for its lifetime (password entry).
class EchoOff {
 public:
  explicit EchoOff(bool active) {
    if (!active || tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  termios saved_{};
  bool active_ = false;
};

}  // namespace

ConsoleDialogs::ConsoleDialogs()
    : in_(std::cin),
      out_(std::cerr),
      interactive_(isatty(STDIN_FILENO) != 0),
      on_terminal_(interactive_),
      progress_(std::make_unique<detail::ProgressLine>(out_, "", detail::is_terminal_stderr(out_))) {}

ConsoleDialogs::ConsoleDialogs(std::istream& in, std::ostream& out, bool interactive)
    : in_(in),
      out_(out),
      interactive_(interactive),
      on_terminal_(false),
      progress_(std::make_unique<detail::ProgressLine>(out_, "", detail::is_terminal_stderr(out_))) {}

ConsoleDialogs::~ConsoleDialogs() = default;

std::optional<std::string> ConsoleDialogs::read_line(bool hide) {
  std::string line;
  bool got = false;
  {
    EchoOff echo_off(hide && on_terminal_);
    got = static_cast<bool>(std::getline(in_, line));
  }
  if (hide && on_terminal_) out_ << '\n';
  if (!got) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

int ConsoleDialogs::show_message(const MessageRequest& request) {
  if (!interactive_) {
    const int button = default_answer(request);
    out_ << detail::describe_message(request, button) << std::endl;
    return button;
  }
  const std::string_view title = type_title(request.type);
  out_ << "-- " << request.caption << (title.empty() ? "" : " (") << title << (title.empty() ? "" : ")")
       << " --\n"
       << request.text << '\n';
  const int fallback = default_answer(request);
  for (size_t i = 0; i < request.buttons.size(); ++i) {
    out_ << (i == 0 ? "" : "  ") << '[' << i + 1 << "] " << detail::strip_accelerator(request.buttons[i]);
  }
  out_ << "  (Enter: " << fallback << ")\n";
  for (;;) {
    out_ << "> " << std::flush;
    const std::optional<std::string> line = read_line(false);
    if (!line) return fallback;
    if (auto button = detail::find_button(request, *line)) return *button;
    out_ << "? " << Trim(*line) << '\n';
  }
}

std::optional<std::string> ConsoleDialogs::show_input(const InputRequest& request) {
  if (!interactive_) {
    out_ << detail::describe_input(request, request.value) << std::endl;
    return request.value;
  }
  out_ << "-- " << request.caption << " --\n";
  for (size_t i = 0; i < request.items.size(); ++i) out_ << "  " << request.items[i] << '\n';
  out_ << request.prompt;
  if (!request.value.empty() && !request.masked) out_ << " [" << request.value << ']';
  out_ << ": " << std::flush;
  const std::optional<std::string> line = read_line(request.masked);
  if (!line) return request.value;
  if (*line == detail::kReplyCancel) return std::nullopt;
  if (line->empty()) return request.value;
  return *line;
}

void ConsoleDialogs::show_wait(const std::string& text) {
  out_ << "Aguarde: " << text << std::endl;
}

void ConsoleDialogs::show_progress(const std::string& text, int position, int maximum) {
  progress_->show(text, position, maximum);
}

void ConsoleDialogs::close_progress() {
  progress_->close();
}

}  // namespace zpk
