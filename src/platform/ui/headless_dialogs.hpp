// The dialog service without a screen: it records every dialog the library
// shows and answers from a queue of scripted replies, else with each dialog's
// default. Tests check what the user was shown through it; batch jobs and the
// command line (`zpk call ... --answer REPLY`) answer through it.
#pragma once

#include <cstddef>
#include <deque>
#include <iosfwd>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/dialog_service.hpp"

namespace zpk {

namespace detail {
class ProgressLine;
}

// One dialog as shown, with the answer it got.
struct DialogRecord {
  DialogKind kind = DialogKind::message_dialog;
  TMsgDlgType type = TMsgDlgType::mtInformation;  // message kinds
  std::string caption;
  std::string text;  // the message, or the prompt of an input box
  std::vector<std::string> buttons;
  int default_button = 0;
  int cancel_button = 0;
  std::string value;       // input boxes: the initial text
  int button = 0;          // message kinds: the 1-based button pressed
  std::string answer;      // caption of the button pressed (without "&"), or the text confirmed
  bool cancelled = false;  // input boxes: cancelled or closed
  bool scripted = false;   // answered by a scripted reply, not by the default
};

// One state of the progress shown.
struct ProgressRecord {
  std::string text;
  int position = 0;
  int maximum = 0;
};

class HeadlessDialogs : public DialogService {
 public:
  struct Options {
    // Where each dialog is also written as one line ("[dialog] ..."), e.g. &std::cerr.
    // Progress goes there as a bar, redrawn in place when it is stderr on a terminal.
    std::ostream* echo = nullptr;
    // Records (and wait texts) kept; older ones are dropped (a host that runs all day).
    size_t max_records = std::numeric_limits<size_t>::max();
  };

  HeadlessDialogs();
  explicit HeadlessDialogs(Options options);
  ~HeadlessDialogs() override;
  HeadlessDialogs(const HeadlessDialogs&) = delete;
  HeadlessDialogs& operator=(const HeadlessDialogs&) = delete;

  // Queues a reply for the next dialog. For a message: the button's 1-based
  // number or caption ("Sim", "&Não", "yes", "no", "cancel" alike), ":default"
  // or ":cancel". For an input box: the text to confirm, ":default" (the
  // initial text) or ":cancel". A reply that matches no button raises EZpkError
  // when that dialog is shown.
  void reply(std::string answer) { replies_.push_back(std::move(answer)); }
  void reply_all(const std::vector<std::string>& answers);
  size_t pending_replies() const { return replies_.size(); }

  // Dialogs shown so far (message and input boxes, not wait notices), oldest first.
  const std::deque<DialogRecord>& records() const { return records_; }
  // The latest dialog; raises EZpkError when none was shown.
  const DialogRecord& last() const;
  // Forgets the records, the pending replies and the wait-notice history.
  void clear();

  // The wait notice: whether it is up, its text, and every text it showed.
  bool wait_visible() const { return wait_visible_; }
  const std::string& wait_text() const { return wait_text_; }
  const std::deque<std::string>& wait_history() const { return wait_history_; }
  // Whether the busy cursor is on.
  bool busy() const { return busy_; }
  // The progress: whether it is up, and every state it showed.
  bool progress_visible() const { return progress_visible_; }
  const std::deque<ProgressRecord>& progress_history() const { return progress_history_; }

  int show_message(const MessageRequest& request) override;
  std::optional<std::string> show_input(const InputRequest& request) override;
  void show_wait(const std::string& text) override;
  void close_wait() override;
  void set_busy(bool busy) override { busy_ = busy; }
  void show_progress(const std::string& text, int position, int maximum) override;
  void close_progress() override;
  bool last_answer_unattended() const override { return !records_.empty() && !records_.back().scripted; }

 private:
  std::optional<std::string> next_reply();
  void keep(DialogRecord record);

  Options options_;
  std::deque<std::string> replies_;
  std::deque<DialogRecord> records_;
  bool wait_visible_ = false;
  std::string wait_text_;
  std::deque<std::string> wait_history_;
  bool busy_ = false;
  bool progress_visible_ = false;
  std::deque<ProgressRecord> progress_history_;
  std::unique_ptr<detail::ProgressLine> progress_line_;  // the echo's bar
};

}  // namespace zpk
