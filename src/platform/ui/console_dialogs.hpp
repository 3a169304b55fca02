// The command line's interactive dialog service: dialogs are written to the
// terminal (stderr) and answered by typing on stdin. When stdin is not a
// terminal nobody can answer, so each dialog is printed as one line and takes
// its default answer, like HeadlessDialogs does.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/dialog_service.hpp"

namespace zpk {

namespace detail {
class ProgressLine;
}

class ConsoleDialogs : public DialogService {
 public:
  // On the process's stdin and stderr; interactive when stdin is a terminal.
  ConsoleDialogs();
  // On the given streams (tests); `interactive` says whether to read answers.
  ConsoleDialogs(std::istream& in, std::ostream& out, bool interactive);
  ~ConsoleDialogs() override;
  ConsoleDialogs(const ConsoleDialogs&) = delete;
  ConsoleDialogs& operator=(const ConsoleDialogs&) = delete;

  // Asks until the typed line names a button (its number, its caption, or
  // empty for the default); the end of input gives the default.
  int show_message(const MessageRequest& request) override;
  // Reads one line as the value (empty keeps the initial text; ":cancel"
  // cancels); passwords are read without echo on a terminal.
  std::optional<std::string> show_input(const InputRequest& request) override;
  void show_wait(const std::string& text) override;
  void close_wait() override {}
  void set_busy(bool busy) override {}
  // A one-line bar redrawn in place when the output is stderr on a terminal;
  // otherwise a plain line at the start, at each tenth and at the end.
  void show_progress(const std::string& text, int position, int maximum) override;
  void close_progress() override;

 private:
  std::optional<std::string> read_line(bool hide);

  std::istream& in_;
  std::ostream& out_;
  bool interactive_;
  bool on_terminal_;  // stdin itself, so echo can be switched off for passwords
  std::unique_ptr<detail::ProgressLine> progress_;
};

}  // namespace zpk
