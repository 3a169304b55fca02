// The dialog port on Qt windows: the library's message dialog, the input
// boxes, the wait notice, the busy cursor and a progress window. The host
// installs it once (set_dialog_service or ScopedDialogService).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/dialog_service.hpp"

class QLabel;
class QWidget;

namespace zpk::ui {

// Plays the sound of a message type as its dialog comes up (warning: the
// exclamation, error: the stop, information: the asterisk, confirmation: the
// question, custom: the default sound). Qt Widgets has one sound, the
// system's bell (QApplication::beep), so by default every type rings it; a
// host with a sound system replaces this to play each type's own.
extern std::function<void(TMsgDlgType)> som_da_mensagem;

class QtDialogs : public DialogService {
 public:
  QtDialogs();
  ~QtDialogs() override;
  QtDialogs(const QtDialogs&) = delete;
  QtDialogs& operator=(const QtDialogs&) = delete;

  // TMessageDialog for every message kind; the 1-based button pressed. A
  // host screen (DialogKind::modal_form) is opened by its class name
  // (mostra_tela_modal) and answers with its modal result.
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
  QWidget* wait_form() const;
  QLabel* wait_label() const;
  // The progress window while it is up (nullptr otherwise).
  QWidget* progress_window() const;
  bool busy() const;

 private:
  // The windows it keeps between calls (Qt types stay out of this header, so
  // a host compiles it without Qt's include paths).
  struct State;

  QWidget* owner() const;

  std::unique_ptr<State> state_;
};

}  // namespace zpk::ui
