// The dialog port on Qt windows: the library's message dialog, the input
// boxes, the wait notice, the busy cursor and a progress window. The host
// installs it once (set_dialog_service or ScopedDialogService).
#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/dialog_service.hpp"

class QLabel;
class QProgressBar;

namespace zpk::ui {

class QtDialogs : public DialogService {
 public:
  QtDialogs();
  ~QtDialogs() override;
  QtDialogs(const QtDialogs&) = delete;
  QtDialogs& operator=(const QtDialogs&) = delete;

  // TMessageDialog for every message kind; the 1-based button pressed.
  int show_message(const MessageRequest& request) override;
  // The input box of the request's kind; the confirmed text or nothing.
  std::optional<std::string> show_input(const InputRequest& request) override;
  // The wait notice: built on the first call (every other window disabled,
  // hourglass cursor), its text changed and repainted on each call.
  void show_wait(const std::string& text) override;
  // Takes the notice away and gives the windows, the focus and the cursor back.
  void close_wait() override;
  void set_busy(bool busy) override;
  void show_progress(const std::string& text, int position, int maximum) override;
  void close_progress() override;

  // The wait notice while it is up (nullptr otherwise), and its message label.
  QWidget* wait_form() const { return wait_form_; }
  QLabel* wait_label() const { return wait_label_; }
  // The progress window while it is up (nullptr otherwise).
  QWidget* progress_window() const { return progress_window_; }
  bool busy() const { return busy_; }

 private:
  QWidget* owner() const;

  QPointer<QWidget> wait_form_;
  QLabel* wait_label_ = nullptr;
  std::vector<QPointer<QWidget>> disabled_;  // the windows the notice disabled
  QPointer<QWidget> active_before_;          // the window that had the focus before it
  bool wait_cursor_ = false;
  bool busy_ = false;
  QPointer<QWidget> progress_window_;
  QLabel* progress_label_ = nullptr;
  QProgressBar* progress_bar_ = nullptr;
};

}  // namespace zpk::ui
